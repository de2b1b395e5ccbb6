#include "core/doublons.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "core/magasin_fiches.h"
#include "core/pli_accents.h"

namespace {

uint64_t hachageStandard(std::string_view texte) { return std::hash<std::string_view>{}(texte); }

// What two cards are compared by: the folded title, and the folded description when asked.
struct Cle {
    std::string titre, description;

    void lire(const Fiche& f, bool avecDescription) {
        plierSansEspaces(texteChamp(f.titre), titre);
        if (avecDescription) plierSansEspaces(texteChamp(f.description), description);
    }
    uint64_t hachage(HachageTexte hacher, bool avecDescription) const {
        const uint64_t h = hacher(titre);
        return avecDescription ? h ^ (hacher(description) * 0x9E3779B97F4A7C15ull + 1) : h;
    }
    bool operator==(const Cle&) const = default;
};

struct Entree {
    uint64_t hachage;
    uint32_t indice;
};

// Sorts the cards by hash, then table order, and keeps those that share their hash.
void garderHachagesCommuns(std::vector<Entree>& entrees) {
    std::sort(entrees.begin(), entrees.end(), [](const Entree& a, const Entree& b) {
        return a.hachage != b.hachage ? a.hachage < b.hachage : a.indice < b.indice;
    });
    std::size_t gardees = 0;
    for (std::size_t i = 0, j = 0; i < entrees.size(); i = j) {
        while (j < entrees.size() && entrees[j].hachage == entrees[i].hachage) ++j;
        if (j - i < 2) continue;
        for (std::size_t k = i; k < j; ++k) entrees[gardees++] = entrees[k];
    }
    entrees.resize(gardees);
}

// The cards lu says, in table order, with the hash of their texts. The cards are 1028 bytes
// apart, too far for the processor to guess the next one: it is fetched a few cards ahead.
template <typename Lue>
void hacher(VueFiches fiches, std::size_t nombre, const Lue& lue, bool avecDescription, HachageTexte hacheur,
            std::vector<Entree>& entrees) {
    Cle cle;
    for (std::size_t i = 0; i < nombre; ++i) {
        if (i + 8 < nombre) {
            __builtin_prefetch(fiches[i + 8].titre);
            if (avecDescription) __builtin_prefetch(fiches[i + 8].description);
        }
        if (!lue(i)) continue;
        cle.lire(fiches[i], avecDescription);
        // A card without a title is in no group.
        if (!cle.titre.empty()) entrees.push_back({cle.hachage(hacheur, avecDescription), static_cast<uint32_t>(i)});
    }
}

struct Groupe {
    uint32_t premiere;  // its first card
    uint32_t debut;     // where its cards start among the members found
    uint32_t taille;
};

}  // namespace

Doublons chercherDoublons(VueFiches fiches, std::size_t nombre, bool avecDescription, HachageTexte hacheur) {
    std::vector<Entree> entrees;
    entrees.reserve(nombre);
    hacher(fiches, nombre, [](std::size_t) { return true; }, false, hacheur, entrees);
    garderHachagesCommuns(entrees);
    if (avecDescription) {
        // Only the cards that may share their title have their description read.
        std::vector<bool> peutEtre(nombre);
        for (const Entree& e : entrees) peutEtre[e.indice] = true;
        entrees.clear();
        hacher(fiches, nombre, [&](std::size_t i) { return peutEtre[i]; }, true, hacheur, entrees);
        garderHachagesCommuns(entrees);
    }

    // Within the cards of one hash, the cards with the same texts as the first form a group;
    // the others, whose texts only share the hash, are grouped again from the next one left.
    std::vector<uint32_t> membres;
    std::vector<Groupe> groupes;
    std::vector<bool> pris;
    Cle repere, cle;
    for (std::size_t i = 0, j = 0; i < entrees.size(); i = j) {
        while (j < entrees.size() && entrees[j].hachage == entrees[i].hachage) ++j;
        pris.assign(j - i, false);
        for (std::size_t r = i; r < j; ++r) {
            if (pris[r - i]) continue;
            repere.lire(fiches[entrees[r].indice], avecDescription);
            const std::size_t debut = membres.size();
            membres.push_back(entrees[r].indice);
            for (std::size_t s = r + 1; s < j; ++s) {
                if (pris[s - i]) continue;
                cle.lire(fiches[entrees[s].indice], avecDescription);
                if (!(cle == repere)) continue;
                pris[s - i] = true;
                membres.push_back(entrees[s].indice);
            }
            if (membres.size() - debut < 2) {
                membres.resize(debut);
            } else {
                groupes.push_back({entrees[r].indice, static_cast<uint32_t>(debut), static_cast<uint32_t>(membres.size() - debut)});
            }
        }
    }
    std::sort(groupes.begin(), groupes.end(), [](const Groupe& a, const Groupe& b) { return a.premiere < b.premiere; });
    Doublons d;
    d.fiches.reserve(membres.size());
    d.debuts.reserve(groupes.size() + 1);
    for (const Groupe& g : groupes) {
        d.fiches.insert(d.fiches.end(), membres.begin() + g.debut, membres.begin() + g.debut + g.taille);
        d.debuts.push_back(static_cast<uint32_t>(d.fiches.size()));
    }
    return d;
}

Doublons chercherDoublons(VueFiches fiches, std::size_t nombre, bool avecDescription) {
    return chercherDoublons(fiches, nombre, avecDescription, hachageStandard);
}

Doublons chercherDoublons(const MagasinFiches& store, bool avecDescription) {
    const std::size_t nombre = store.derniere < 0 ? 0 : static_cast<std::size_t>(store.derniere) + 1;
    return chercherDoublons(store.fiches, nombre, avecDescription);
}

void doublonsEnResultats(MagasinFiches& store, const Doublons& d, bool avecDescription) {
    const std::size_t n = d.fiches.size();
    store.resultats.redimensionner(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(static_cast<void*>(&store.resultats[i]), &store.fiches[d.fiches[i]], sizeof(Fiche));
    }
    std::memset(static_cast<void*>(&store.resultats[n]), 0, sizeof(Fiche));
    store.dernierResultat = static_cast<int32_t>(n) - 1;
    store.indexResultats = d.fiches;
    store.listeResultats = true;
    store.sorteResultats = avecDescription ? MagasinFiches::SorteResultats::doublonsDescriptions
                                           : MagasinFiches::SorteResultats::doublonsTitres;
}
