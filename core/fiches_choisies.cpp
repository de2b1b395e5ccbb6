#include "core/fiches_choisies.h"

#include <algorithm>
#include <cstring>

#include "core/magasin_fiches.h"

namespace {

std::size_t nombre(const MagasinFiches& store) { return static_cast<std::size_t>(store.derniere + 1); }

// The cards of many places, taken out of the table's order and put back in one pass each: their
// slots are kept aside, the cards never move, so that deleting a tenth of a million cards costs
// one sweep of the order. Deleting every card blanks the base's one slot, as deleting the only
// card does: the cards are then kept as copies.
class EtapeSuppressionFiches : public Etape {
public:
    EtapeSuppressionFiches(std::size_t n, std::vector<std::size_t> places, std::vector<Fiche> toutes)
        : Etape(GenreEtape::kSuppressionFiches, "la suppression " + deFiches(places.size()), n,
                n - places.size()),
          places_(std::move(places)), toutes_(std::move(toutes)) {}

    void refaire(MagasinFiches& store) override {
        if (fichesApres() == 0) {
            garderPremieres(store, 0);
        } else {
            store.fiches.redimensionner(fichesAvant());
            retenues_ = store.fiches.retirer(places_);
            store.fiches.redimensionner(fichesApres());
            store.derniere = static_cast<int32_t>(fichesApres()) - 1;
        }
        store.courante = placeDe(store, places_.front());
    }

    void annuler(MagasinFiches& store) override {
        if (fichesApres() == 0) {
            store.fiches.redimensionner(fichesAvant());
            for (std::size_t k = 0; k < toutes_.size(); ++k) store.fiches[k] = toutes_[k];
        } else {
            store.fiches.redimensionner(fichesApres());
            store.fiches.reinserer(places_, retenues_);
        }
        store.derniere = static_cast<int32_t>(fichesAvant()) - 1;
        store.courante = static_cast<int32_t>(places_.front());
    }

    std::size_t octets() const override {
        return sizeof *this + places_.capacity() * sizeof(std::size_t) + retenues_.octets() +
               toutes_.capacity() * sizeof(Fiche);
    }
    std::size_t octetsAuPlus() const override {
        return std::max(octets(), octetsSuppressionChoisies(fichesAvant(), places_.size()));
    }

private:
    std::vector<std::size_t> places_;  // ascending
    FichesRetenues retenues_;          // the slots taken out, while done
    std::vector<Fiche> toutes_;        // every card, when all were deleted
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
    std::vector<uint32_t> valides = indicesValides(store, choisies);
    if (valides.empty()) return nullptr;
    std::sort(valides.begin(), valides.end());
    const std::vector<std::size_t> places(valides.begin(), valides.end());
    std::vector<Fiche> toutes;
    if (places.size() == nombre(store)) {
        toutes.reserve(places.size());
        for (const std::size_t p : places) toutes.push_back(store.fiches[p]);
    }
    auto etape = std::make_unique<EtapeSuppressionFiches>(nombre(store), places, std::move(toutes));
    etape->refaire(store);
    return etape;
}

std::size_t octetsSuppressionChoisies(std::size_t fiches, std::size_t choisies) {
    // Every card deleted: copies of them all. Otherwise their slots, taken out of the order.
    const std::size_t parFiche = choisies == fiches ? sizeof(Fiche) : sizeof(Fiche) + sizeof(uint32_t);
    return sizeof(EtapeSuppressionFiches) + choisies * (sizeof(std::size_t) + parFiche);
}

VueFiches vueChoisies(const MagasinFiches& store, const std::vector<uint32_t>& choisies,
                      std::vector<uint32_t>& cases) {
    cases = indicesValides(store, choisies);
    for (uint32_t& c : cases) c = store.fiches.caseDe(c);
    return VueFiches(store.fiches.cases(), cases.data());
}

std::vector<Fiche> copiesChoisies(const MagasinFiches& store, const std::vector<uint32_t>& choisies) {
    const std::vector<uint32_t> places = indicesValides(store, choisies);
    // Reserved, not sized: a tenth of a million cards need not be zeroed before being copied.
    std::vector<Fiche> copies;
    copies.reserve(places.size());
    for (const uint32_t p : places) copies.push_back(store.fiches[p]);
    return copies;
}
