#pragma once
// The option "agrandir la liste et la description avec la fenêtre": while it is on, the room the
// window has beyond its described size goes to the list (and to the path and search boxes
// above and below it) across, and to the list and the description downward; the controls
// after them move along, and every other control stays where the layout puts it. While it is
// off, every control keeps its described place and size, whatever the window's size.
//
// The controls keep their absolute places rather than going into layouts: the described
// layout is the one the window shows, pixel for pixel, while the option is off; growing only
// adds the window's surplus to the places recorded when the option was built.

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

class Agrandissement : public QObject {
public:
    // How a control follows the surplus (dx, dy) of the window, in each direction.
    enum class Suit {
        rien,    // stays where it is, at its size
        deplace, // moves by the surplus
        etire,   // grows by the surplus
        centre,  // moves by half the surplus (stays centred on a control that grows)
    };
    struct Ancre {
        const char* nom;  // object name of the control, a child of the window
        Suit largeur;     // across: dx
        Suit hauteur;     // downward: dy
    };

    // Follows the size of fenetre, whose described size is decrite; the controls of the table
    // are found among its children and their places at this moment are their described ones.
    Agrandissement(QWidget& fenetre, QSize decrite);

    // On: the window may not shrink below its described size, and the controls follow its
    // size from now on. Off: every control back at its described place and size, and the
    // window back at its described size (out of the maximised state).
    void activer(bool actif);
    bool actif() const { return actif_; }
    // What the window has beyond its described size, never negative.
    QSize surplus() const;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void placer(QSize surplus);

    struct Place {
        QWidget* controle;
        QRect decrite;
        Ancre ancre;
    };
    QWidget& fenetre_;
    const QSize decrite_;
    std::vector<Place> places_;
    bool actif_ = false;
};
