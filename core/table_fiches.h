#pragma once
// A table of cards whose count of places is always known, as the card table and the result
// table need. Cards stay in the slot where they were read or added; the table's order is a
// separate list of 4-byte slot numbers, so that deleting, inserting and sorting (and undoing
// them) move slot numbers, never 1028-byte cards. A table read or filled in order needs no
// such list: its order is its slots' order until a change moves a card.
//
// Large blocks come straight from the kernel (transparent huge pages, and growth by remapping
// rather than copying), so a million cards load and grow cheaply.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/fiche.h"
#include "core/zone_memoire.h"

class TableFiches;

// Slots taken out of a table's order and kept aside, their cards untouched: what undoing a
// deletion or redoing an append puts back. The slots are not reused while this holds them;
// once it is dropped they are free again, unless their table was replaced by another one.
class FichesRetenues {
public:
    FichesRetenues() = default;
    ~FichesRetenues();
    FichesRetenues(FichesRetenues&& autre) noexcept = default;
    FichesRetenues& operator=(FichesRetenues&& autre) noexcept;
    FichesRetenues(const FichesRetenues&) = delete;
    FichesRetenues& operator=(const FichesRetenues&) = delete;

    std::size_t nombre() const { return cases_.size(); }
    // Memory the slots keep from other use: the cards and their numbers.
    std::size_t octets() const { return cases_.capacity() * (sizeof(Fiche) + sizeof(uint32_t)); }

private:
    friend class TableFiches;
    std::vector<uint32_t> cases_;
    std::weak_ptr<std::vector<uint32_t>> libres_;
};

class TableFiches {
public:
    TableFiches() = default;
    explicit TableFiches(std::size_t places) { redimensionner(places); }
    TableFiches(const TableFiches&) = delete;
    TableFiches& operator=(const TableFiches&) = delete;
    TableFiches(TableFiches&& autre) noexcept;
    TableFiches& operator=(TableFiches&& autre) noexcept;

    // Keeps the leading places. New places hold zero bytes, in fresh slots that follow one
    // another in memory (see bloc). Throws std::bad_alloc on failure.
    void redimensionner(std::size_t places);
    std::size_t places() const { return places_; }
    // One more place at the end, in a slot a deleted card left free when there is one.
    void ajouterPlace();

    // The i-th card in the table's order.
    Fiche& operator[](std::size_t i) {
        ++version_;
        return cases()[caseDe(i)];
    }
    const Fiche& operator[](std::size_t i) const { return cases()[caseDe(i)]; }

    // Changes at every access that may change the cards or their order (moves included).
    uint64_t version() const { return version_; }

    // The slot of the i-th card, and the slots themselves: scans that do not need the order
    // read the cards where they lie.
    uint32_t caseDe(std::size_t i) const { return ordre_.empty() ? static_cast<uint32_t>(i) : ordre_[i]; }
    const Fiche* cases() const { return static_cast<const Fiche*>(zone_.data()); }
    std::size_t nombreCases() const { return cases_; }
    // Whether the i-th card is in slot i for every i (no order list).
    bool enOrdre() const { return ordre_.empty(); }
    const uint32_t* ordre() const { return ordre_.empty() ? nullptr : ordre_.data(); }
    // For each slot, its place among the first n places, or kHors.
    static constexpr uint32_t kHors = UINT32_MAX;
    std::vector<uint32_t> placesDesCases(std::size_t n) const;
    // The cards of the nombre places from premiere as one block, when they follow one another
    // in memory (places added together by redimensionner do); nullptr otherwise.
    Fiche* bloc(std::size_t premiere, std::size_t nombre);

    // Takes the places given (ascending, each once) out of the order, the cards after them
    // moving up; their slots are kept aside in what is returned.
    FichesRetenues retirer(const std::vector<std::size_t>& positions);
    // The reverse: puts the slots kept back at the same places (the positions retirer was
    // given), the cards from there on moving down. Leaves retenues empty.
    void reinserer(const std::vector<std::size_t>& positions, FichesRetenues& retenues);
    // The card now at place k is the one that was at place ordre[k], for every k < ordre.size().
    void permuter(const std::vector<uint32_t>& ordre);

private:
    Fiche* cases() { return static_cast<Fiche*>(zone_.data()); }
    void ordonner();
    uint32_t nouvellesCases(std::size_t n);
    void liberer(std::size_t debut);

    ZoneMemoire zone_;
    std::size_t places_ = 0;
    std::size_t cases_ = 0;
    std::vector<uint32_t> ordre_;                     // empty: place i is slot i
    std::shared_ptr<std::vector<uint32_t>> libres_;  // slots no place uses, nor anything kept
    uint64_t version_ = 0;
};

// Read access to cards in order, from a table or from a plain array of cards (tests, results
// gathered elsewhere). Valid while the table is not changed.
class VueFiches {
public:
    VueFiches(const Fiche* fiches) : cases_(fiches) {}  // NOLINT: a plain array is a view
    VueFiches(const TableFiches& table) : cases_(table.cases()), ordre_(table.ordre()) {}  // NOLINT
    // Cards picked among slots: the i-th card of the view is cases[ordre[i]].
    VueFiches(const Fiche* cases, const uint32_t* ordre) : cases_(cases), ordre_(ordre) {}
    const Fiche& operator[](std::size_t i) const { return cases_[ordre_ ? ordre_[i] : i]; }

private:
    const Fiche* cases_;
    const uint32_t* ordre_ = nullptr;
};
