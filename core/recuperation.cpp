#include "core/recuperation.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>

#include "core/chemin_image.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"

namespace {

struct Remplacement {
    std::size_t index;
    Fiche avant;
    Fiche apres;
};

class EtapeRecuperation : public Etape {
public:
    EtapeRecuperation(std::string description, std::size_t premiere, std::size_t ajoutees,
                      std::vector<Remplacement> remplacements, std::size_t touchee)
        : Etape(GenreEtape::kRecuperation, std::move(description), premiere, premiere + ajoutees),
          remplacements_(std::move(remplacements)), touchee_(touchee) {}
    void annuler(MagasinFiches& store) override {
        gardees_ = retenirDernieres(store, fichesAvant(), fichesApres());
        for (const Remplacement& r : remplacements_) store.fiches[r.index] = r.avant;
        store.courante = placeDe(store, touchee_);
    }
    void refaire(MagasinFiches& store) override {
        remettreDernieres(store, fichesAvant(), fichesApres(), gardees_);
        for (const Remplacement& r : remplacements_) store.fiches[r.index] = r.apres;
        store.courante = placeDe(store, touchee_);
    }
    std::size_t octets() const override {
        return sizeof *this + remplacements_.capacity() * sizeof(Remplacement) + gardees_.octets();
    }

private:
    std::vector<Remplacement> remplacements_;
    FichesRetenues gardees_;  // the added cards' slots, only while undone
    std::size_t touchee_;         // the first card replaced, or the first added
};

bool fichierOrdinaire(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Files the other base's picture of the card at index as the picture step of a validation does.
void rangerImageDe(MagasinFiches& store, std::size_t index, const std::string& repertoireAutre) {
    const std::string nom(texteChamp(store.fiches[index].image));
    if (!aUneImage(nom)) return;
    const std::optional<std::string> source = cheminImage(repertoireAutre, nom);
    if (!source || !fichierOrdinaire(*source)) return;  // shown as any missing picture is
    const int32_t courante = store.courante;
    const std::string choisie = store.imageChoisie.str();
    if (store.imageChoisie.affecter(*source)) {
        store.courante = static_cast<int32_t>(index);
        rangerImage(store);
    }
    store.courante = courante;
    store.imageChoisie.affecter(choisie);
}

}  // namespace

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
                                 const std::string& repertoireImagesAutre) {
    std::vector<Remplacement> remplacements;
    std::vector<const Fiche*> ajouts;
    std::vector<int32_t> voulus;
    for (const Difference& d : choisies) {
        if (d.genre == Ecart::kChangee) {
            const auto i = static_cast<std::size_t>(d.indexOuverte);
            remplacements.push_back({i, store.fiches[i], autre[d.indexAutre]});
        } else if (d.genre == Ecart::kSeulementAutre) {
            ajouts.push_back(&autre[d.indexAutre]);
            voulus.push_back(autre[d.indexAutre].numero);
        }
    }
    if (remplacements.empty() && ajouts.empty()) return nullptr;
    const std::vector<int32_t> numeros = numerosLibres(store, voulus);
    const std::size_t premiere = static_cast<std::size_t>(store.derniere + 1);
    store.fiches.redimensionner(std::max<std::size_t>(premiere + ajouts.size(), 1));

    for (const Remplacement& r : remplacements) store.fiches[r.index] = r.apres;
    for (std::size_t k = 0; k < ajouts.size(); ++k) {
        store.fiches[premiere + k] = *ajouts[k];
        store.fiches[premiere + k].numero = numeros[k];
    }
    store.derniere = static_cast<int32_t>(premiere + ajouts.size()) - 1;
    if (!repertoireImagesAutre.empty()) {
        for (Remplacement& r : remplacements) {
            rangerImageDe(store, r.index, repertoireImagesAutre);
            r.apres = store.fiches[r.index];
        }
        for (std::size_t k = 0; k < ajouts.size(); ++k) rangerImageDe(store, premiere + k, repertoireImagesAutre);
    }

    std::size_t touchee = premiere;
    for (const Remplacement& r : remplacements) touchee = std::min(touchee, r.index);
    const std::size_t nombre = remplacements.size() + ajouts.size();
    const Fiche& seule = remplacements.empty() ? store.fiches[premiere] : remplacements[0].apres;
    std::string description = "la récupération ";
    if (nombre == 1) description += "de ";
    description += nombre == 1 ? ficheDecrite(seule) : deFiches(nombre);
    store.courante = placeDe(store, touchee);
    return std::make_unique<EtapeRecuperation>(std::move(description), premiere, ajouts.size(),
                                               std::move(remplacements), touchee);
}
