#pragma once
// The menu item "planche des images" and the board it opens: the board shows the lines of the
// window's list and follows them, marks the card on display, and makes the card of a tile the
// window's current card on a double click or Enter. Remembers in brevandoux.ini (through the
// store's settings) the board's size, its thumbnails' size and whether it was open.

#include <QObject>
#include <QPointer>

class FenetrePlanche;
class ModelePlanche;
class Plateforme;
class QAction;
class Vignettes;
class VuePlanche;
struct ReglagesPlanche;

class ControleurPlanche : public QObject {
    Q_OBJECT
public:
    // Connects the item; reopens the board once the window runs when it was open at the last
    // quit.
    ControleurPlanche(VuePlanche& vue, QAction* planchedesimages1, ReglagesPlanche& reglages,
                      Plateforme& plateforme);

    // Opens the board, or brings it forward when it is open.
    void planchedesimages1Click();

    // The board while it is open, nothing otherwise.
    FenetrePlanche* fenetrePlanche() const;

signals:
    // A board was opened: what works on its chosen cards attaches to it here.
    void ouverte(FenetrePlanche& fenetre);

private:
    void ouvrir();
    void choisir(int ligne);

    VuePlanche& vue_;
    ReglagesPlanche& reglages_;
    Plateforme& plateforme_;
    // Made with the first board and kept: the thumbnails it holds serve the next one.
    Vignettes* vignettes_ = nullptr;
    ModelePlanche* modele_ = nullptr;
    QPointer<FenetrePlanche> fenetre_;
    bool marquagePrevu_ = false;
};
