#include "core/doublons.h"

#include <algorithm>
#include <functional>
#include <string>

#include "core/magasin_fiches.h"
#include "core/pli_accents.h"

namespace {

uint64_t hachageStandard(std::string_view texte) { return std::hash<std::string_view>{}(texte); }

// What two cards are compared by: the folded title, then with the description a zero byte,
// which no folded text holds, and the folded description.
void cleDe(const Fiche& f, bool avecDescription, std::string& cle, std::string& description) {
    plierSansEspaces(texteChamp(f.titre), cle);
    if (!avecDescription) return;
    plierSansEspaces(texteChamp(f.description), description);
    cle.push_back('\0');
    cle += description;
}

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

struct Groupe {
    uint32_t premiere;  // its first card
    uint32_t debut;     // where its cards start among the members found
    uint32_t taille;
};

}  // namespace

Doublons chercherDoublons(const Fiche* fiches, std::size_t nombre, bool avecDescription, HachageTexte hacher) {
    std::vector<Entree> entrees;
    entrees.reserve(nombre);
    std::string cle, description;
    for (std::size_t i = 0; i < nombre; ++i) {
        plierSansEspaces(texteChamp(fiches[i].titre), cle);
        if (!cle.empty()) entrees.push_back({hacher(cle), static_cast<uint32_t>(i)});
    }
    garderHachagesCommuns(entrees);
    if (avecDescription) {
        // Only the cards that may share their title have their description read.
        for (Entree& e : entrees) {
            cleDe(fiches[e.indice], true, cle, description);
            e.hachage = hacher(cle);
        }
        garderHachagesCommuns(entrees);
    }

    // Within the cards of one hash, the cards with the same texts as the first form a group;
    // the others, whose texts only share the hash, are grouped again from the next one left.
    std::vector<uint32_t> membres;
    std::vector<Groupe> groupes;
    std::vector<bool> pris;
    std::string repere;
    for (std::size_t i = 0, j = 0; i < entrees.size(); i = j) {
        while (j < entrees.size() && entrees[j].hachage == entrees[i].hachage) ++j;
        pris.assign(j - i, false);
        for (std::size_t r = i; r < j; ++r) {
            if (pris[r - i]) continue;
            cleDe(fiches[entrees[r].indice], avecDescription, repere, description);
            const std::size_t debut = membres.size();
            membres.push_back(entrees[r].indice);
            for (std::size_t s = r + 1; s < j; ++s) {
                if (pris[s - i]) continue;
                cleDe(fiches[entrees[s].indice], avecDescription, cle, description);
                if (cle != repere) continue;
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

Doublons chercherDoublons(const Fiche* fiches, std::size_t nombre, bool avecDescription) {
    return chercherDoublons(fiches, nombre, avecDescription, hachageStandard);
}

Doublons chercherDoublons(const MagasinFiches& store, bool avecDescription) {
    const std::size_t nombre = store.derniere < 0 ? 0 : static_cast<std::size_t>(store.derniere) + 1;
    return chercherDoublons(store.fiches.data(), nombre, avecDescription);
}
