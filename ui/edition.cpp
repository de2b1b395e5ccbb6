// The editing cycle: add, modify, choose a picture, validate, cancel, delete.

#include <QFile>
#include <QLineEdit>

#include "core/repertoire_images.h"
#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/texte_nombre.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/tform1.h"

namespace {
const char* const kPasDeFiche = "pas de fiche sélectionnée";
const char* const kImageTropLongue =
    "le chemin de l'image %s est trop long (plus de 255 caractères) : choisissez une image "
    "dont le chemin est plus court";
}  // namespace

bool TForm1::ficheSelectionnee() {
    if (!affichageVide_) return true;
    plateforme_.question(kPasDeFiche, Boutons::Ok);
    return false;
}

void TForm1::nouvelleClick() {
    viderAffichage();
    store_.imageChoisie.vider();
    store_.ajoutEnCours = 1;
    numero()->setText(QString::fromStdString(enDecimal(store_.numeroLibre(0, -1))));
    verrouiller();
}

void TForm1::modifClick() {
    // A base without cards has nothing to modify; after a search no card is on display.
    if (store_.derniere < 0 || !ficheSelectionnee()) return;
    const std::string_view nom = texteChamp(store_.ficheCourante().image);
    const std::string_view repertoire = store_.repertoireImages.str();
    if (nom.empty()) {
        store_.imageChoisie.vider();
    } else if (!repertoire.empty() && !cheminImage(repertoire, nom)) {
        // A stored name that the display would not follow ("..", a further separator, an
        // absolute path) is not followed here either: validating would copy whatever file it
        // reaches outside the picture directory into it. The card keeps no picture unless
        // one is chosen.
        store_.imageChoisie.vider();
    } else if (!store_.imageChoisie.affecter(cheminImageAffiche(repertoire, nom))) {
        store_.imageChoisie.vider();
    }
    verrouiller();
    store_.ajoutEnCours = 0;
}

void TForm1::imageClick() {
    if (const std::optional<std::string> choisie = plateforme_.ouvrirImage()) {
        if (!store_.imageChoisie.affecter(*choisie)) {
            plateforme_.message(avecChemin(kImageTropLongue, *choisie));
        } else {
            // A picture that cannot be shown leaves the rest of the command undone: the
            // choice stays, the base is not marked modified.
            Imagevue()->charger(*choisie);
        }
    }
    store_.modifiee = 1;
}

void TForm1::validerClick() {
    if (store_.ajoutEnCours) store_.ajouterPlace();
    enregistrerFiche();
    store_.modifiee = 1;
    store_.ajoutEnCours = 0;
    deverrouiller();
    remplirListe();
    afficherFiche();
}

void TForm1::enregistrerFiche() {
    Fiche& c = store_.ficheCourante();
    const int32_t n = store_.numeroValide(numero()->text().toStdString());
    if (store_.ajoutEnCours) numero()->setText(QString::fromStdString(enDecimal(n)));
    c.numero = n;
    ecrireChamp(c.titre, utf8VersCp1252(titre()->text().toStdString()));
    ecrireChamp(c.description,
                utf8VersCp1252(lignesVersFiche(description()->toPlainText().toStdString())));
    rangerImage(store_);
}

void TForm1::annulerClick() {
    afficherFiche();
    deverrouiller();
}

void TForm1::supprimeClick() {
    if (store_.derniere < 0 || !ficheSelectionnee()) return;
    afficherFiche();
    if (plateforme_.question("Supprimer cette fiche ?", Boutons::OkAnnuler) == kOk) {
        store_.supprimerFiche();
        store_.modifiee = 1;
    }
    afficherFiche();
    remplirListe();
}
