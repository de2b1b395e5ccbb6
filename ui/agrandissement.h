#pragma once
// The option "agrandir la liste et la description avec la fenêtre": while it is on, the room the
// window has beyond its described size goes to the card and to the list. Across, two thirds go
// to the card column (the title box, the picture frame, the description), which widens, and
// one third to the list column (the path box, the list, the search box), which widens too; the
// buttons between them move along, at their sizes and in their order (those of the cards stay
// beside the description, down with it). Downward, three fifths
// go to the picture frame and two fifths to the description, and the list grows by the whole;
// what stands under them moves down. While it is off, every control keeps its described place
// and size, whatever the window's size.
//
// The controls keep their absolute places rather than going into layouts: the described
// layout is the one the window shows, pixel for pixel, while the option is off; growing only
// adds shares of the window's surplus to the places recorded when the option was built.

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

class Agrandissement : public QObject {
public:
    // The shares of the window's surplus (dx, dy): carte + liste = dx, image + texte = dy.
    struct Parts {
        int carte = 0, liste = 0, image = 0, texte = 0;
    };
    static Parts partager(QSize surplus);
    // What a control adds to its place and size, one of the shares or a sum of them.
    enum class Part { rien, carte, demiCarte, carteEtDemiListe, largeur, liste, image, texte, hauteur };
    struct Ancre {
        const char* nom;      // object name of the control; null: the label of legende
        const char* legende;  // the caption of a label without a name
        Part x, largeur, y, hauteur;
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
