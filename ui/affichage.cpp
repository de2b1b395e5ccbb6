// Showing the current card: the boxes, the two counters and the picture frame.

#include <QLineEdit>

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/texte_nombre.h"
#include "core/textes.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/tform1.h"

namespace {
QString texteFenetre(std::string_view cp1252) { return QString::fromStdString(cp1252VersUtf8(cp1252)); }
}  // namespace

void TForm1::afficherFiche() {
    affichageVide_ = false;
    const Fiche& c = store_.ficheCourante();
    numero_->setText(QString::fromStdString(enDecimal(c.numero)));
    titre_->setText(texteFenetre(texteChamp(c.titre)));
    description_->montrer(texteFenetre(lignesVersFenetre(texteChamp(c.description))));
    total_->setText(QString::fromStdString(enDecimal(store_.derniere)));
    position_->setText(QString::fromStdString(enDecimal(store_.courante)));

    // The picture comes last: when it cannot be loaded, the card's texts are already shown.
    const std::string_view nom = texteChamp(c.image);
    if (!aUneImage(nom)) {
        Imagevue_->charger(store_.imageDefaut.str());
        return;
    }
    const std::string_view repertoire = store_.repertoireImages.str();
    const std::optional<std::string> chemin = cheminImage(repertoire, nom);
    if (chemin && fichierExiste(*chemin)) {
        Imagevue_->charger(*chemin);
    } else {
        // The frame keeps whatever it showed, possibly the previous card's picture.
        Imagevue_->indisponible(cheminImageAffiche(repertoire, nom));
        plateforme_.message(avecChemin(textes::kImageNonDisponible, cheminImageAffiche(repertoire, nom)));
    }
}

void TForm1::viderAffichage() {
    titre_->clear();
    description_->clear();
    Imagevue_->charger(store_.imageDefaut.str());
}
