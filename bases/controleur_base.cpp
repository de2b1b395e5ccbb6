// The commands on whole bases: new, open (button, menu, a dropped or recent base), save, save as.
//
// Wherever a write fails or nothing is written, the changes stay marked as not saved, and a
// base is never read back over the cards on display from a file that was not written: the
// user's cards are never dropped without having been saved or explicitly given up.

#include "bases/controleur_base.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "core/attributs.h"
#include "core/configuration.h"
#include "core/repertoire_images.h"
#include "core/textes.h"
#include "ui/commande.h"
#include "ui/progression.h"
#include "ui/tform1.h"

namespace {

const char* const kEcraser = textes::kEcraserBase;
const char* const kCheminTropLong = textes::kCheminTropLong;
const char* const kPasDat =
    "la base %s n'a pas été enregistrée : son nom ne finit pas par .dat. Utilisez « Sauver "
    "base sous » pour l'enregistrer sous un autre nom.";
}  // namespace

ControleurBase::ControleurBase(TForm1& fenetre, MagasinFiches& store, Plateforme& plateforme)
    : QObject(&fenetre), vue_(fenetre), fenetre_(fenetre), store_(store), plateforme_(plateforme) {
    relier(fenetre.newbase(), &QPushButton::clicked, this, &ControleurBase::newbaseClick, plateforme);
    relier(fenetre.nouveau1(), &QAction::triggered, this, &ControleurBase::newbaseClick, plateforme);
    relier(fenetre.ouvrir(), &QPushButton::clicked, this, &ControleurBase::ouvrirClick, plateforme);
    relier(fenetre.ouvrir1(), &QAction::triggered, this, &ControleurBase::ouvrir1Click, plateforme);
    relier(fenetre.savemybase(), &QPushButton::clicked, this, &ControleurBase::savemybaseClick, plateforme);
    relier(fenetre.enregister1(), &QAction::triggered, this, &ControleurBase::enregister1Click, plateforme);
    relier(fenetre.sauver(), &QPushButton::clicked, this, &ControleurBase::enregistrersous1Click, plateforme);
    relier(fenetre.enregistrersous1(), &QAction::triggered, this,
           &ControleurBase::enregistrersous1Click, plateforme);
    relier(fenetre.convertircaldoverne1(), &QAction::triggered, this,
           &ControleurBase::convertircaldoverne1Click, plateforme);
    relier(fenetre.Ajouterdesfiches1(), &QAction::triggered, this,
           &ControleurBase::Ajouterdesfiches1Click, plateforme);
    relier(fenetre.ButtonQuit(), &QPushButton::clicked, this, &ControleurBase::ButtonQuitClick, plateforme);
    relier(fenetre.quitter1(), &QAction::triggered, this, &ControleurBase::quitter1Click, plateforme);
    relier(fenetre.commande("versionsprecedentes1"), &QAction::triggered, this,
           &ControleurBase::versionsprecedentes1Click, plateforme);
    // In edit mode the base's cards are not to be replaced.
    const auto offrirVersions = [this, &fenetre] {
        fenetre.commande("versionsprecedentes1")->setEnabled(!fenetre.enSaisie() && versionsAMontrer());
    };
    offrirVersions();
    connect(fenetre.fichier(), &QMenu::aboutToShow, this, offrirVersions);
    fenetre.setOuverture([this](const std::string& chemin) { ouvrirChemin(chemin); });
    fenetre.setFermeture([this] { return FormCloseQuery(); });
}

int ControleurBase::demanderSauvegarde() {
    if (!store_.modifiee) return kNon;
    const int reponse = plateforme_.question(textes::kSauverModifications, Boutons::OuiNonAnnuler);
    if (reponse == kOui) {
        if (store_.baseNommee) {
            // Also when the user declined to write over a file changed elsewhere: the quit or
            // the command that asked must not drop the cards.
            if (!ecrireBaseVerifiee(store_, store_.cheminBase.str())) return kAnnuler;
            // The history learns which state the file now holds, so that undoing away from it
            // is a change to save; the flag itself stays set after the prompt's save, as it
            // always has.
            store_.historique.marquerEnregistre(store_);
            store_.modifiee = true;
        } else if (sauverSous() == Sauvegarde::kEchouee) {
            return kAnnuler;
        }
    }
    return reponse;
}

ControleurBase::Sauvegarde ControleurBase::sauverSous() {
    const std::optional<std::string> choisi = plateforme_.enregistrerFichier(TForm1::SaveDialog());
    if (!choisi) {
        vue_.montrerChemin(store_.cheminBase.str());
        return Sauvegarde::kAbandonnee;
    }
    if (existe(*choisi) && plateforme_.confirmation(kEcraser) != kOui) return Sauvegarde::kAbandonnee;
    if (choisi->size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, *choisi) + " : la base n'a pas été enregistrée");
        return Sauvegarde::kEchouee;
    }
    // Saving as the open base's own file replaces it like a plain save.
    if (!store_.garde.accepterEcriture(*choisi, store_.messages())) return Sauvegarde::kEchouee;
    // A copy of many pictures shows its progress; "Annuler" stops it before the base is
    // written: nothing is saved (a command that asked for the save stops too, so that the
    // cards are not dropped), and the pictures it replaced are kept with the versions.
    ProgressionDifferee progression(QStringLiteral("copie des images…"), &fenetre_, delaiProgression_);
    if (!emporterImages(store_, *choisi, std::ref(progression))) return Sauvegarde::kEchouee;
    if (!store_.ecrireBase(*choisi)) return Sauvegarde::kEchouee;
    store_.cheminBase.affecter(*choisi);
    // The cards read back are the ones written: the history still applies to them, and the
    // state written is the saved one.
    store_.chargerBase(store_.cheminBase.str());
    vue_.chargerAutoload();
    store_.historique.marquerEnregistre(store_);
    vue_.montrerBase();
    vue_.montrerChemin(store_.cheminBase.str());
    return Sauvegarde::kEcrite;
}

void ControleurBase::newbaseClick() {
    const int reponse = demanderSauvegarde();
    vue_.montrerChemin({});
    plateforme_.message(textes::kCreationNouvelleBase);
    if (reponse == kAnnuler) return;
    store_.effacerBase();
    // Another table: nothing before it can be undone. The flag stays as it was.
    store_.historique.recommencer(store_);
    vue_.montrerBase(kSansActiverSauvegarde);
    store_.baseNommee = false;
    const std::optional<std::string> choisi = plateforme_.enregistrerFichier(TForm1::SaveDialog());
    if (!choisi) return;
    if (existe(*choisi) && plateforme_.confirmation(kEcraser) != kOui) return;
    if (choisi->size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, *choisi) + " : la base n'a pas été créée");
        return;
    }
    creerRepertoireDeBase(store_.messages(), *choisi, textes::kRepertoireDejaExistant);
    store_.cheminBase.affecter(*choisi);
    vue_.montrerChemin(store_.cheminBase.str());
    lierRepertoireImages(store_, store_.cheminBase.str());
    store_.ecrireBase(store_.cheminBase.str());
    store_.baseNommee = true;
}

// Reads the chosen base; when it cannot be read, the open base stays as it was, still bound to
// its own file, so that a later save cannot write these cards over the unreadable one.
bool ControleurBase::lireBaseChoisie(const std::string& choisi) {
    if (choisi.size() > Chemin<513>::kMaxLongueur) {
        plateforme_.message(avecChemin(kCheminTropLong, choisi));
        return false;
    }
    if (!store_.chargerBase(choisi)) return false;
    store_.cheminBase.affecter(choisi);
    vue_.chargerAutoload();
    store_.garde.signalerOuvertureAilleurs(store_.messages());
    return true;
}

void ControleurBase::ouvrirBase(const FormeOuverture& forme,
                                const std::function<std::optional<std::string>()>& choisir) {
    if (demanderSauvegarde() == kAnnuler) {
        if (forme.cheminApresAnnulation) vue_.montrerChemin(store_.cheminBase.str());
        return;
    }
    if (const std::optional<std::string> choisi = choisir()) {
        if (lireBaseChoisie(*choisi)) {
            if (forme.lierToujours) store_.baseNommee = true;
            if (forme.effacerModifiee) store_.modifiee = false;
            // Another table: a fresh history, clean unless the base is still marked modified.
            store_.historique.recommencer(store_);
            vue_.montrerBase();
        }
    }
    vue_.montrerChemin(store_.cheminBase.str());
}

void ControleurBase::ouvrirClick() {
    ouvrirBase(kFormeBouton, [this] { return plateforme_.ouvrirFichier(TForm1::OpenDialog()); });
}

void ControleurBase::ouvrir1Click() {
    ouvrirBase(kFormeMenu, [this] { return plateforme_.ouvrirFichier(TForm1::OpenDialog()); });
}

void ControleurBase::ouvrirChemin(const std::string& chemin) {
    ouvrirBase(kFormeMenu, [&chemin] { return std::optional<std::string>(chemin); });
}

void ControleurBase::savemybaseClick() {
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
    if (ecrite) store_.historique.marquerEnregistre(store_);
}

void ControleurBase::enregister1Click() { savemybaseClick(); }

void ControleurBase::enregistrersous1Click() {
    if (sauverSous() == Sauvegarde::kEcrite) {
        store_.historique.marquerEnregistre(store_);
        store_.baseNommee = true;
    }
    vue_.activerSauvegarde();
}
