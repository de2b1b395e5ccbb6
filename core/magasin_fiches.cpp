#include "core/magasin_fiches.h"

#include <algorithm>
#include <vector>

#include "core/etapes.h"
#include "core/texte_nombre.h"

MagasinFiches::MagasinFiches(Messages& messages) : fiches(1), resultats(1), messages_(messages) {}

void MagasinFiches::effacerBase() {
    // Slot 0 is blanked also for a base without cards, so one blank card always remains.
    const int32_t fin = std::max<int32_t>(derniere, 0);
    for (int32_t i = 0; i <= fin; ++i) viderFiche(fiches[static_cast<std::size_t>(i)]);
    courante = 0;
    derniere = 0;
}

void MagasinFiches::supprimerFiche() {
    if (derniere < 0) return;
    if (derniere == 0) {
        viderFiche(fiches[0]);
        derniere = -1;
        courante = 0;
        fiches.redimensionner(1);
        return;
    }
    // The card's slot is freed, the cards after it are not moved: only the order is.
    fiches.retirer({static_cast<std::size_t>(courante)});
    --derniere;
    if (courante > derniere) courante = derniere;
    fiches.redimensionner(static_cast<std::size_t>(derniere) + 1);
}

void MagasinFiches::ajouterPlace() {
    ++derniere;
    courante = derniere;
    agrandir(fiches, static_cast<std::size_t>(derniere) + 1);
}

int32_t MagasinFiches::numeroLibre(int32_t depart, int32_t sauf) const {
    // The answer lies within the n + 1 values from depart upward (n cards cannot cover more
    // than n of them), so one mark per candidate offset is enough: no rescanning, no sort.
    const std::size_t n = static_cast<std::size_t>(derniere + 1);
    // Gathering the numbers first keeps the walk over the 1028-byte records a plain strided
    // load, which the processor overlaps well; marking then works on a compact array.
    // The numbers are read where the cards lie, in memory order: the order of the table does
    // not matter here, only which slots hold its cards.
    const uint32_t base = static_cast<uint32_t>(depart);
    std::vector<int32_t> numeros;
    const Fiche* cases = fiches.cases();
    if (fiches.enOrdre()) {
        numeros.resize(n);
        for (std::size_t i = 0; i < n; ++i) numeros[i] = cases[i].numero;
        // The card left out gets the one number the marking below never counts.
        if (sauf >= 0 && static_cast<std::size_t>(sauf) < n) {
            numeros[static_cast<std::size_t>(sauf)] = static_cast<int32_t>(base - 1u);
        }
    } else {
        std::vector<uint32_t> places = fiches.placesDesCases(n);
        if (sauf >= 0 && static_cast<std::size_t>(sauf) < n) places[fiches.caseDe(static_cast<std::size_t>(sauf))] = TableFiches::kHors;
        numeros.reserve(n);
        for (std::size_t c = 0; c < places.size(); ++c) {
            if (places[c] != TableFiches::kHors) numeros.push_back(cases[c].numero);
        }
    }
    std::vector<bool> pris(n + 1, false);
    for (const int32_t numero : numeros) {
        const uint32_t ecart = static_cast<uint32_t>(numero) - base;
        if (ecart <= n) pris[ecart] = true;
    }
    std::size_t ecart = 0;
    while (pris[ecart]) ++ecart;
    return static_cast<int32_t>(base + static_cast<uint32_t>(ecart));
}

int32_t MagasinFiches::numeroValide(const std::string& texteNumero) const {
    const int32_t tape = static_cast<int32_t>(lireNombreSigne(texteNumero.c_str()));
    return ajoutEnCours ? numeroLibre(tape, courante) : tape;
}
