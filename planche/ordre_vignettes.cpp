#include "planche/ordre_vignettes.h"

#include <algorithm>

std::vector<int> ordreVignettes(const EcranPlanche& e, int ecransDevant) {
    std::vector<int> lignes;
    const int colonnes = std::max(1, e.colonnes);
    const int parEcran = std::max(1, e.lignes);
    const auto ajouter = [&](int premiereLigne, int nombreLignes) {
        // Tiles beyond either end of the board are none.
        const int debut = std::max(0, premiereLigne) * colonnes;
        const int fin = std::min(e.total, std::max(0, premiereLigne + nombreLignes) * colonnes);
        for (int i = debut; i < fin; ++i) lignes.push_back(i);
    };
    ajouter(e.premiere, parEcran);
    if (e.sens >= 0) {
        ajouter(e.premiere + parEcran, parEcran * ecransDevant);
        const int avant = std::max(0, e.premiere - parEcran);
        ajouter(avant, e.premiere - avant);
    } else {
        // Upwards, the nearest line first.
        for (int l = e.premiere - 1; l >= e.premiere - parEcran * ecransDevant && l >= 0; --l) ajouter(l, 1);
        ajouter(e.premiere + parEcran, parEcran);
    }
    return lignes;
}
