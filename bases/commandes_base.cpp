// The commands on whole bases: new, open (button and menu), save, save as.
//
// Wherever a write fails or nothing is written, the changes stay marked as not saved, and a
// base is never read back over the cards on display from a file that was not written: the
// user's cards are never dropped without having been saved or explicitly given up.

#include <sys/stat.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "core/repertoire_images.h"
#include "core/configuration.h"
#include "core/textes.h"
#include "ui/tform1.h"

namespace {
bool existe(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0;
}

// Creates a picture directory; false when it exists already or cannot be made.
bool creerRepertoire(const std::string& chemin) {
    return !chemin.empty() && mkdir(chemin.c_str(), 0777) == 0;
}

const char* const kEcraser = textes::kEcraserBase;
const char* const kCheminTropLong = textes::kCheminTropLong;
const char* const kPasDat =
    "la base %s n'a pas été enregistrée : son nom ne finit pas par .dat. Utilisez « Sauver "
    "base sous » pour l'enregistrer sous un autre nom.";
}  // namespace

int TForm1::demanderSauvegarde() {
    if (!store_.modifiee) return kNon;
    const int reponse = plateforme_.question(textes::kSauverModifications, Boutons::OuiNonAnnuler);
    if (reponse == kOui) {
        if (store_.baseNommee) {
            // Also when the user declined to write over a file changed elsewhere: the quit or
            // the command that asked must not drop the cards.
            if (!ecrireBaseVerifiee(store_, store_.cheminBase.str())) return kAnnuler;
        } else if (sauverSous() == Sauvegarde::kEchouee) {
            return kAnnuler;
        }
    }
    return reponse;
}

TForm1::Sauvegarde TForm1::sauverSous() {
    const std::optional<std::string> choisi = plateforme_.enregistrerFichier(SaveDialog());
    if (!choisi) {
        montrerChemin(store_.cheminBase.str());
        return Sauvegarde::kAbandonnee;
    }
    if (existe(*choisi) && plateforme_.confirmation(kEcraser) != kOui) return Sauvegarde::kAbandonnee;
    if (choisi->size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, *choisi) + " : la base n'a pas été enregistrée");
        return Sauvegarde::kEchouee;
    }
    // Saving as the open base's own file replaces it like a plain save.
    if (!store_.garde.accepterEcriture(*choisi, store_.messages())) return Sauvegarde::kEchouee;
    const std::string nouveau = cheminRepertoireImages(*choisi);
    if (!creerRepertoire(nouveau)) plateforme_.message(textes::kErreurCreationRepertoire);
    // The pictures follow the base; saving under the same name leaves them where they are.
    const std::string ancien = cheminRepertoireImages(store_.cheminBase.str());
    if (!ancien.empty() && ancien != nouveau) copierArbre(store_.messages(), ancien, nouveau);
    if (!store_.ecrireBase(*choisi)) return Sauvegarde::kEchouee;
    store_.cheminBase.affecter(*choisi);
    store_.chargerBase(store_.cheminBase.str());
    chargerAutoload();
    savemybase()->setEnabled(true);
    afficherFiche();
    remplirListe();
    store_.modifiee = 0;
    montrerChemin(store_.cheminBase.str());
    return Sauvegarde::kEcrite;
}

void TForm1::newbaseClick() {
    const int reponse = demanderSauvegarde();
    chemin()->clear();
    plateforme_.message(textes::kCreationNouvelleBase);
    if (reponse == kAnnuler) return;
    store_.effacerBase();
    remplirListe();
    afficherFiche();
    store_.baseNommee = 0;
    const std::optional<std::string> choisi = plateforme_.enregistrerFichier(SaveDialog());
    if (!choisi) return;
    if (existe(*choisi) && plateforme_.confirmation(kEcraser) != kOui) return;
    if (choisi->size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, *choisi) + " : la base n'a pas été créée");
        return;
    }
    const std::string repertoire = cheminRepertoireImages(*choisi);
    if (!creerRepertoire(repertoire)) plateforme_.message(textes::kRepertoireDejaExistant);
    store_.cheminBase.affecter(*choisi);
    montrerChemin(store_.cheminBase.str());
    if (!store_.repertoireImages.affecter(repertoire)) store_.repertoireImages.vider();
    store_.ecrireBase(store_.cheminBase.str());
    store_.baseNommee = 1;
}

// Reads the chosen base; when it cannot be read, the open base stays as it was, still bound to
// its own file, so that a later save cannot write these cards over the unreadable one.
bool TForm1::lireBaseChoisie(const std::string& choisi) {
    if (choisi.size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, choisi));
        return false;
    }
    if (!store_.chargerBase(choisi)) return false;
    store_.cheminBase.affecter(choisi);
    chargerAutoload();
    store_.garde.signalerOuvertureAilleurs(store_.messages());
    return true;
}

void TForm1::ouvrirClick() {
    if (demanderSauvegarde() == kAnnuler) return;
    if (const std::optional<std::string> choisi = plateforme_.ouvrirFichier(OpenDialog())) {
        if (lireBaseChoisie(*choisi)) {
            savemybase()->setEnabled(true);
            afficherFiche();
            remplirListe();
            store_.modifiee = 0;
        }
    }
    montrerChemin(store_.cheminBase.str());
}

void TForm1::ouvrir1Click() {
    if (demanderSauvegarde() != kAnnuler) {
        if (const std::optional<std::string> choisi = plateforme_.ouvrirFichier(OpenDialog())) {
            if (lireBaseChoisie(*choisi)) {
                store_.baseNommee = 1;
                savemybase()->setEnabled(true);
                afficherFiche();
                remplirListe();
            }
        }
    }
    montrerChemin(store_.cheminBase.str());
}

void TForm1::savemybaseClick() {
    bool ecrite = false;
    if (store_.cheminBase.empty()) {
        // A base never given a name gets one now rather than being silently left unsaved.
        ecrite = sauverSous() == Sauvegarde::kEcrite;
    } else if (!finitParDat(store_.cheminBase.str())) {
        plateforme_.message(avecChemin(kPasDat, store_.cheminBase.str()));
    } else if (store_.baseNommee) {
        ecrite = ecrireBaseVerifiee(store_, store_.cheminBase.str()) == 1;
    } else {
        ecrite = sauverSous() == Sauvegarde::kEcrite;
    }
    if (ecrite) store_.modifiee = 0;
}

void TForm1::enregister1Click() { savemybaseClick(); }

void TForm1::enregistrersous1Click() {
    if (sauverSous() == Sauvegarde::kEcrite) {
        store_.modifiee = 0;
        store_.baseNommee = 1;
    }
    savemybase()->setEnabled(true);
}
