// "versions précédentes…": the dialog of the kept versions and other copies of the base, with
// its two actions on the open base.

#include "bases/controleur_base.h"
#include "bases/dialogue_versions.h"
#include "platform/rapport_erreur.h"
#include "core/recuperation.h"
#include "core/sauvegardes.h"
#include "core/services.h"
#include "core/versions_base.h"

bool ControleurBase::versionsAMontrer() const {
    // A table not bound to its file (a new base not yet named) has no versions of its own.
    return store_.baseNommee && !sauvegardesDe(store_.cheminBase.str()).empty();
}

std::unique_ptr<DialogueVersions> ControleurBase::dialogueVersions() {
    DialogueVersions::Actions actions;
    actions.recuperer = [this](VueFiches autre, const std::vector<Difference>& choisies,
                               const std::string& cheminAutre) {
        // A recovery too large for the history is told before it runs: it cannot be undone.
        if (!accepterSansAnnulation(store_.historique, plateforme_, octetsRecuperation(choisies))) return;
        store_.historique.noter(recuperer(store_, autre, choisies, cheminAutre), store_);
        montrerBase();
    };
    actions.revenir = [this](BaseLue& version) {
        // What open asks: the table about to be replaced may hold unsaved changes.
        if (demanderSauvegarde() == kAnnuler) return false;
        if (!accepterSansAnnulation(store_.historique, plateforme_, octetsRevenirA(store_, version))) return false;
        // One step, as a recovery is: undoing it brings back the table it replaced.
        if (std::unique_ptr<Etape> etape = revenirA(store_, std::move(version))) {
            store_.historique.noter(std::move(etape), store_);
        } else {
            store_.historique.noterSansEtape(store_);
        }
        montrerBase();
        return true;
    };
    return std::make_unique<DialogueVersions>(&fenetre_, store_, plateforme_, std::move(actions));
}

// A card whose picture cannot be shown is told as anywhere else; the change is made, and the
// dialog goes on with the base as it now stands.
void ControleurBase::montrerBase() {
    executerEnSignalant(&plateforme_, [this] { vue_.montrerBase(); });
}

void ControleurBase::versionsprecedentes1Click() { dialogueVersions()->exec(); }
