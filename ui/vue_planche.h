#pragma once
// What the board of pictures (planche/) sees of the window: the list's model, the card on
// display, picking a card and bringing the window forward. Nothing else of the window, and
// the cards only through the model's lines.

#include <QObject>
#include <cstdint>
#include <functional>

class ModeleListe;
class Plateforme;
class QWidget;
class TForm1;

class VuePlanche {
public:
    // The lines of the list, in its order: the whole base, or the results on display.
    virtual ModeleListe& modele() const = 0;
    // The index in the card table of the card on display; -1 while the card area is blank
    // (after a search) or a new card is being entered.
    virtual int32_t ficheAffichee() const = 0;
    // Makes the card the line stands for the current card and shows it, as picking its line
    // in the list does, and selects that line. Refused, with the message the menus give,
    // while a card is being entered or modified; false then, or when the line names no card.
    virtual bool choisirLigne(int ligne) = 0;
    // Brings the window forward, above the board.
    virtual void amenerDevant() = 0;
    // The window, for the board to stand beside it.
    virtual QWidget& fenetre() const = 0;
    // Called whenever the card on display may have changed.
    virtual void suivreAffichage(std::function<void()> rappel) = 0;

protected:
    ~VuePlanche() = default;
};

// The window as the board sees it; owned by the window.
VuePlanche& vuePlanche(TForm1& fenetre, Plateforme& plateforme);
