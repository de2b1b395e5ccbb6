#include "core/fiches_choisies.h"

#include <algorithm>
#include <cstring>

#include "core/magasin_fiches.h"

namespace {

std::size_t nombre(const MagasinFiches& store) { return static_cast<std::size_t>(store.derniere + 1); }

// The cards of many places, taken out and put back in one pass each: a memmove per run of
// kept cards, so that deleting a tenth of a million cards costs one sweep of the table.
class EtapeSuppressionFiches : public Etape {
public:
    EtapeSuppressionFiches(std::size_t n, std::vector<uint32_t> places, std::vector<Fiche> fiches)
        : Etape(GenreEtape::kSuppressionFiches, "la suppression " + deFiches(places.size()), n,
                n - places.size()),
          places_(std::move(places)), fiches_(std::move(fiches)) {}

    void refaire(MagasinFiches& store) override {
        Fiche* f = store.fiches.data();
        const std::size_t n = fichesAvant();
        std::size_t ecrite = places_.front();
        for (std::size_t j = 0; j < places_.size(); ++j) {
            const std::size_t debut = places_[j] + 1;
            const std::size_t fin = j + 1 < places_.size() ? places_[j + 1] : n;
            std::memmove(static_cast<void*>(f + ecrite), f + debut, (fin - debut) * sizeof(Fiche));
            ecrite += fin - debut;
        }
        garderPremieres(store, fichesApres());
        store.courante = placeDe(store, places_.front());
    }

    void annuler(MagasinFiches& store) override {
        // Grown first, so that a failure leaves the table as it was.
        store.fiches.redimensionner(fichesAvant());
        Fiche* f = store.fiches.data();
        const std::size_t n = fichesAvant();
        // From the end: the kept cards between deleted places j and j+1 sit, once compacted,
        // j+1 places lower than where they belong.
        for (std::size_t j = places_.size(); j-- > 0;) {
            const std::size_t place = places_[j];
            const std::size_t fin = j + 1 < places_.size() ? places_[j + 1] : n;
            std::memmove(static_cast<void*>(f + place + 1), f + place - j, (fin - place - 1) * sizeof(Fiche));
            f[place] = fiches_[j];
        }
        store.derniere = static_cast<int32_t>(n) - 1;
        store.courante = static_cast<int32_t>(places_.front());
    }

    std::size_t octets() const override {
        return sizeof *this + places_.capacity() * sizeof(uint32_t) + fiches_.capacity() * sizeof(Fiche);
    }

private:
    std::vector<uint32_t> places_;  // ascending
    std::vector<Fiche> fiches_;     // the card of each place
};

}  // namespace

std::vector<uint32_t> indicesValides(const MagasinFiches& store, const std::vector<uint32_t>& choisies) {
    const std::size_t n = nombre(store);
    std::vector<bool> vue(n);
    std::vector<uint32_t> valides;
    valides.reserve(choisies.size());
    for (const uint32_t i : choisies) {
        if (i < n && !vue[i]) {
            vue[i] = true;
            valides.push_back(i);
        }
    }
    return valides;
}

std::string questionSupprimerChoisies(std::size_t n) {
    if (n == 1) return "Supprimer cette fiche ?";
    return "Supprimer ces " + std::to_string(n) + " fiches ?";
}

std::unique_ptr<Etape> supprimerChoisies(MagasinFiches& store, const std::vector<uint32_t>& choisies) {
    std::vector<uint32_t> places = indicesValides(store, choisies);
    if (places.empty()) return nullptr;
    std::sort(places.begin(), places.end());
    std::vector<Fiche> fiches;
    fiches.reserve(places.size());
    for (const uint32_t p : places) fiches.push_back(store.fiches[p]);
    auto etape = std::make_unique<EtapeSuppressionFiches>(nombre(store), std::move(places), std::move(fiches));
    etape->refaire(store);
    return etape;
}

std::vector<Fiche> copiesChoisies(const MagasinFiches& store, const std::vector<uint32_t>& choisies) {
    const std::vector<uint32_t> places = indicesValides(store, choisies);
    // Reserved, not sized: a tenth of a million cards need not be zeroed before being copied.
    std::vector<Fiche> copies;
    copies.reserve(places.size());
    for (const uint32_t p : places) copies.push_back(store.fiches[p]);
    return copies;
}
