#include "core/recuperation.h"

#include <algorithm>
#include <unordered_map>

#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"

std::vector<int32_t> numerosLibres(const MagasinFiches& store, const std::vector<int32_t>& voulus) {
    // Each taken number points to the next one to try; following the chain with path halving
    // finds the first free number at or above any start in near-constant time.
    std::unordered_map<uint32_t, uint32_t> suivant;
    suivant.reserve(static_cast<std::size_t>(store.derniere + 1) + voulus.size());
    for (int32_t i = 0; i <= store.derniere; ++i) {
        const auto n = static_cast<uint32_t>(store.fiches[static_cast<std::size_t>(i)].numero);
        suivant[n] = n + 1;
    }
    std::vector<int32_t> numeros;
    numeros.reserve(voulus.size());
    for (const int32_t voulu : voulus) {
        uint32_t n = static_cast<uint32_t>(voulu);
        for (auto it = suivant.find(n); it != suivant.end(); it = suivant.find(n)) {
            const auto apres = suivant.find(it->second);
            if (apres != suivant.end()) it->second = apres->second;
            n = it->second;
        }
        suivant[n] = n + 1;
        numeros.push_back(static_cast<int32_t>(n));
    }
    return numeros;
}

std::unique_ptr<Etape> recuperer(MagasinFiches& store, VueFiches autre, const std::vector<Difference>& choisies,
                                 const std::string& cheminAutre) {
    std::vector<FicheRemplacee> remplacees;
    std::vector<const Fiche*> remplacantes;
    std::vector<const Fiche*> ajouts;
    std::vector<int32_t> voulus;
    for (const Difference& d : choisies) {
        if (d.genre == Ecart::kChangee) {
            const auto i = static_cast<std::size_t>(d.indexOuverte);
            remplacees.push_back({i, store.fiches[i]});
            remplacantes.push_back(&autre[d.indexAutre]);
        } else if (d.genre == Ecart::kSeulementAutre) {
            ajouts.push_back(&autre[d.indexAutre]);
            voulus.push_back(autre[d.indexAutre].numero);
        }
    }
    if (remplacees.empty() && ajouts.empty()) return nullptr;
    const std::vector<int32_t> numeros = numerosLibres(store, voulus);
    const std::size_t premiere = static_cast<std::size_t>(store.derniere + 1);
    store.fiches.redimensionner(std::max<std::size_t>(premiere + ajouts.size(), 1));

    for (std::size_t k = 0; k < remplacees.size(); ++k) store.fiches[remplacees[k].index] = *remplacantes[k];
    for (std::size_t k = 0; k < ajouts.size(); ++k) {
        store.fiches[premiere + k] = *ajouts[k];
        store.fiches[premiere + k].numero = numeros[k];
    }
    store.derniere = static_cast<int32_t>(premiere + ajouts.size()) - 1;
    for (const FicheRemplacee& r : remplacees) rangerImagesAutre(store, r.index, r.index + 1, cheminAutre);
    rangerImagesAutre(store, premiere, premiere + ajouts.size(), cheminAutre);

    std::size_t touchee = premiere;
    for (const FicheRemplacee& r : remplacees) touchee = std::min(touchee, r.index);
    const std::size_t nombre = remplacees.size() + ajouts.size();
    const Fiche& seule = store.fiches[remplacees.empty() ? premiere : remplacees[0].index];
    std::string description = "la récupération ";
    if (nombre == 1) description += "de ";
    description += nombre == 1 ? ficheDecrite(seule) : deFiches(nombre);
    store.courante = placeDe(store, touchee);
    return etapeFiches(store, GenreEtape::kRecuperation, std::move(description), premiere, std::move(remplacees), {},
                       touchee, touchee);
}

std::size_t octetsRecuperation(const std::vector<Difference>& choisies) {
    std::size_t remplacees = 0, ajoutees = 0;
    for (const Difference& d : choisies) {
        if (d.genre == Ecart::kChangee) ++remplacees;
        else if (d.genre == Ecart::kSeulementAutre) ++ajoutees;
    }
    return octetsEtapeFiches(remplacees, ajoutees);
}
