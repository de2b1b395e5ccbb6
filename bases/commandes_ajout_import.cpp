// Taking cards from other files: appending a base, importing the sibling program's format.

#include "core/etapes.h"
#include "core/repertoire_images.h"
#include "core/textes.h"
#include "bases/controleur_base.h"
#include "ui/tform1.h"

void ControleurBase::Ajouterdesfiches1Click() {
    const std::optional<std::string> choisi = plateforme_.ouvrirFichier(TForm1::OpenDialog());
    if (!choisi) return;
    const std::size_t premiere = static_cast<std::size_t>(store_.nombreFiches());
    // An append too large for the history is told before it runs: it cannot be undone.
    const auto accepter = [this](std::size_t fiches) {
        return accepterSansAnnulation(store_.historique, plateforme_, octetsEtapeFiches(0, fiches));
    };
    if (store_.ajouterBase(*choisi, accepter)) {
        store_.historique.noter(etapeAjoutFiches(store_, premiere, GenreEtape::kAjoutFiches), store_);
        vue_.montrerBase();
    }
}

void ControleurBase::convertircaldoverne1Click() {
    // The import replaces every card on display: unsaved changes are offered a save first,
    // as every other command that replaces the table does.
    if (demanderSauvegarde() == kAnnuler) return;
    if (const std::optional<std::string> choisi = plateforme_.ouvrirFichier(TForm1::OpenDialog())) {
        if (!store_.cheminBase.affecter(*choisi)) {
            plateforme_.message(avecChemin(textes::kCheminTropLong, *choisi));
        } else {
            store_.importerBase(store_.cheminBase.str());
            // The cards now come from the imported file: the base read before is no longer
            // this window's, and is left free for others.
            store_.garde.oublier();
            // Pictures added to the imported cards belong beside the imported file, where
            // printing and the next start look for them; the directory is made when a
            // picture is first filed.
            lierRepertoireImages(store_, store_.cheminBase.str());
            store_.baseNommee = true;
            // The table now comes from another file, read or not: its history starts afresh.
            store_.historique.recommencer(store_);
            vue_.montrerBase();
        }
    }
    vue_.montrerChemin(store_.cheminBase.str());
}
