#include "ui/agrandissement.h"

#include <QAction>
#include <QEvent>
#include <QWidget>
#include <algorithm>

#include "ui/tform1.h"

namespace {

using Suit = Agrandissement::Suit;

// The controls that follow the window; all others stay put. Across, the list column grows:
// the path box above the list, the list, and the search box below it, whose button moves
// along; "Imprimer la liste" stays centred under the list. Downward, the list and the
// description grow: what stands under them (the search row, the print buttons, "Quitter",
// which shares the row of "Imprimer la fiche") moves down.
const Agrandissement::Ancre kAncres[] = {
    {"chemin", Suit::etire, Suit::rien},
    {"medialist", Suit::etire, Suit::etire},
    {"ButtonPrintList", Suit::centre, Suit::deplace},
    {"Label5", Suit::rien, Suit::deplace},
    {"expression", Suit::etire, Suit::deplace},
    {"goButton", Suit::deplace, Suit::deplace},
    {"description", Suit::rien, Suit::etire},
    {"ButtonImpFiche", Suit::rien, Suit::deplace},
    {"ButtonQuit", Suit::rien, Suit::deplace},
};

// The position and the size of a control in one direction, given the surplus there.
void suivre(Suit suit, int surplus, int& position, int& taille) {
    switch (suit) {
        case Suit::rien: break;
        case Suit::deplace: position += surplus; break;
        case Suit::etire: taille += surplus; break;
        case Suit::centre: position += surplus / 2; break;
    }
}

}  // namespace

Agrandissement::Agrandissement(QWidget& fenetre, QSize decrite)
    : QObject(&fenetre), fenetre_(fenetre), decrite_(decrite) {
    for (const Ancre& a : kAncres) {
        auto* w = fenetre.findChild<QWidget*>(QString::fromLatin1(a.nom));
        // A control missing from the window is a fault of this table, caught by its tests.
        if (w != nullptr) places_.push_back({w, w->geometry(), a});
    }
    fenetre.installEventFilter(this);
}

QSize Agrandissement::surplus() const {
    return {std::max(0, fenetre_.width() - decrite_.width()),
            std::max(0, fenetre_.height() - decrite_.height())};
}

void Agrandissement::activer(bool actif) {
    if (actif == actif_) return;
    actif_ = actif;
    if (actif_) {
        fenetre_.setMinimumSize(decrite_);
        placer(surplus());
        return;
    }
    placer({0, 0});
    fenetre_.setMinimumSize(0, 0);
    if (fenetre_.isMaximized() || fenetre_.isFullScreen()) fenetre_.showNormal();
    fenetre_.resize(decrite_);
}

void Agrandissement::placer(QSize surplus) {
    for (const Place& p : places_) {
        int x = p.decrite.x(), largeur = p.decrite.width();
        int y = p.decrite.y(), hauteur = p.decrite.height();
        suivre(p.ancre.largeur, surplus.width(), x, largeur);
        suivre(p.ancre.hauteur, surplus.height(), y, hauteur);
        p.controle->setGeometry(x, y, largeur, hauteur);
    }
}

bool Agrandissement::eventFilter(QObject* objet, QEvent* evenement) {
    if (actif_ && objet == &fenetre_ && evenement->type() == QEvent::Resize) placer(surplus());
    return QObject::eventFilter(objet, evenement);
}

void TForm1::agrandirlalisteetladescriptionaveclafenetre1Click(bool coche) {
    agrandissement_->activer(coche);
    if (store_.fenetreAgrandie == coche) return;  // shown as brevandoux.ini said: not a choice
    store_.fenetreAgrandie = coche;
    store_.choixFenetre = true;
}
