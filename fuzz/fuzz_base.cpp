// Any bytes read as a base, appended, or imported in the sibling format: no crash, no
// overrun, and the table stays well-formed.

#include <cstdlib>

#include "core/magasin_fiches.h"
#include "core/texte_nombre.h"
#include "fuzz/support/fichier_memoire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    FichierMemoire fichier(donnees, taille);
    MessagesMuets muets;
    MagasinFiches store(muets);
    store.chargerBase(fichier.chemin());
    if (store.derniere != static_cast<int32_t>(taille / sizeof(Fiche)) - 1) std::abort();
    for (int32_t i = 0; i <= store.derniere; ++i) {
        const Fiche& f = store.fiches[static_cast<std::size_t>(i)];
        (void)lireEntier(std::string(texteChamp(f.titre)).c_str());
    }
    (void)store.numeroLibre(taille > 0 ? donnees[0] : 0, store.derniere / 2);
    store.ajouterBase(fichier.chemin());
    for (int k = 0; k < 3; ++k) store.supprimerFiche();
    if (store.fiches.places() < 1 || store.courante < 0 || store.courante > std::max(store.derniere, 0)) std::abort();
    store.importerBase(fichier.chemin());
    if (store.derniere != static_cast<int32_t>(taille / 772) - 1) std::abort();
    for (int32_t i = 0; i <= store.derniere; ++i) {
        const Fiche& f = store.fiches[static_cast<std::size_t>(i)];
        if (strnlen(f.titre, 256) > 255 || strnlen(f.description, 512) > 511 || f.image[0] != 0) std::abort();
    }
    store.effacerBase();
    return 0;
}
