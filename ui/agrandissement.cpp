#include "ui/agrandissement.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "ui/cadre_image.h"
#include "ui/tform1.h"

namespace {

using Part = Agrandissement::Part;

// The controls that follow the window; all others (the left column, the labels of the card's
// number and title) stay put.
const Agrandissement::Ancre kAncres[] = {
    // The card column: the title box and the frame widen alike, the frame and the description
    // share the height, the print button stays centred under the description.
    {"titre", nullptr, Part::rien, Part::carte, Part::rien, Part::rien},
    {"GroupBox1", nullptr, Part::rien, Part::carte, Part::rien, Part::image},
    {"Imagevue", nullptr, Part::rien, Part::carte, Part::rien, Part::image},
    {"Label3", nullptr, Part::rien, Part::rien, Part::image, Part::rien},
    {"description", nullptr, Part::rien, Part::carte, Part::image, Part::texte},
    {"ButtonImpFiche", nullptr, Part::demiCarte, Part::rien, Part::hauteur, Part::rien},
    {"ButtonQuit", nullptr, Part::rien, Part::rien, Part::hauteur, Part::rien},
    // Beside the card: the position and total, and the column of buttons; those of the cards
    // (add, modify, delete, and the three of edit mode) stay by the description as the frame
    // grows down.
    {nullptr, "position", Part::carte, Part::rien, Part::rien, Part::rien},
    {"position", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"Label4", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"total", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"listalfa", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"newbase", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"ouvrir", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"savemybase", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"sauver", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"trialfa", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"triref", nullptr, Part::carte, Part::rien, Part::rien, Part::rien},
    {"nouvelle", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"modif", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"supprime", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"image", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"valider", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"annuler", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    // The list column.
    {"chemin", nullptr, Part::carte, Part::liste, Part::rien, Part::rien},
    {"medialist", nullptr, Part::carte, Part::liste, Part::rien, Part::hauteur},
    {"ButtonPrintList", nullptr, Part::carteEtDemiListe, Part::rien, Part::hauteur, Part::rien},
    {"Label5", nullptr, Part::carte, Part::rien, Part::hauteur, Part::rien},
    {"expression", nullptr, Part::carte, Part::liste, Part::hauteur, Part::rien},
    {"goButton", nullptr, Part::largeur, Part::rien, Part::hauteur, Part::rien},
};

int valeur(Part part, const Agrandissement::Parts& p) {
    switch (part) {
        case Part::rien: break;
        case Part::carte: return p.carte;
        case Part::demiCarte: return p.carte / 2;
        case Part::carteEtDemiListe: return p.carte + p.liste / 2;
        case Part::largeur: return p.carte + p.liste;
        case Part::liste: return p.liste;
        case Part::image: return p.image;
        case Part::texte: return p.texte;
        case Part::hauteur: return p.image + p.texte;
    }
    return 0;
}

QWidget* trouver(QWidget& fenetre, const Agrandissement::Ancre& a) {
    if (a.nom != nullptr) return fenetre.findChild<QWidget*>(QString::fromLatin1(a.nom));
    for (QLabel* l : fenetre.findChildren<QLabel*>()) {
        if (l->objectName().isEmpty() && l->text() == QString::fromUtf8(a.legende)) return l;
    }
    return nullptr;
}

}  // namespace

Agrandissement::Agrandissement(QWidget& fenetre, QSize decrite)
    : QObject(&fenetre), fenetre_(fenetre), decrite_(decrite) {
    for (const Ancre& a : kAncres) {
        QWidget* w = trouver(fenetre, a);
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

Agrandissement::Parts Agrandissement::partager(QSize surplus) {
    Parts p;
    p.carte = surplus.width() * 2 / 3;
    p.liste = surplus.width() - p.carte;
    p.image = surplus.height() * 3 / 5;
    p.texte = surplus.height() - p.image;
    return p;
}

void Agrandissement::placer(QSize surplus) {
    const Parts parts = partager(surplus);
    // A frame grown out of its square would stretch photos out of shape: it keeps their
    // proportions, while at its described size it shows them as it always has.
    for (CadreImage* cadre : fenetre_.findChildren<CadreImage*>()) {
        cadre->setProportionsGardees(parts.carte > 0 || parts.image > 0);
    }
    for (const Place& p : places_) {
        const Ancre& a = p.ancre;
        p.controle->setGeometry(p.decrite.x() + valeur(a.x, parts), p.decrite.y() + valeur(a.y, parts),
                                p.decrite.width() + valeur(a.largeur, parts),
                                p.decrite.height() + valeur(a.hauteur, parts));
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
