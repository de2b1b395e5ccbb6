#include "core/selection.h"

#include <cstddef>

#include "core/magasin_fiches.h"
#include "core/texte_nombre.h"

int32_t numeroDeLigne(std::string_view ligne) {
    // Only the first 257 characters count, cut at the first space; lireEntier stops at the
    // first non-digit anyway, so the cut matters only to bound the digits read.
    char tampon[258];
    std::size_t n = ligne.size() < 257 ? ligne.size() : 257;
    std::size_t i = 0;
    for (; i < n && ligne[i] != ' '; ++i) tampon[i] = ligne[i];
    tampon[i] = '\0';
    return static_cast<int32_t>(lireEntier(tampon));
}

int32_t selectionListe(MagasinFiches& store, std::string_view ligne) {
    const int32_t i = premiereFiche(store, numeroDeLigne(ligne));
    if (i >= 0) store.courante = i;
    return i;
}

int32_t premiereFiche(const MagasinFiches& store, int32_t numero) {
    // One pass over the numbers, stopping at the first match: a click costs at most a read of
    // one word per card, and no index has to be kept in step with every change of the table.
    const Fiche* fiches = store.fiches.data();
    for (int32_t i = 0; i <= store.derniere; ++i) {
        if (fiches[i].numero == numero) return i;
    }
    return -1;
}
