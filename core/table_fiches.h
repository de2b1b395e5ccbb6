#pragma once
// A contiguous block of cards whose slot count is always known, as the card table and the
// result table need. Large blocks come straight from the kernel (transparent huge pages, and
// growth by remapping rather than copying), so a million cards load and grow cheaply.

#include <cstddef>

#include "core/fiche.h"
#include "core/zone_memoire.h"

class TableFiches {
public:
    TableFiches() = default;
    explicit TableFiches(std::size_t places) { redimensionner(places); }
    TableFiches(const TableFiches&) = delete;
    TableFiches& operator=(const TableFiches&) = delete;
    TableFiches(TableFiches&& autre) noexcept;
    TableFiches& operator=(TableFiches&& autre) noexcept;

    // Keeps the leading cards; new slots hold zero bytes. Throws std::bad_alloc on failure.
    void redimensionner(std::size_t places);
    std::size_t places() const { return places_; }

    Fiche* data() { return static_cast<Fiche*>(zone_.data()); }
    const Fiche* data() const { return static_cast<const Fiche*>(zone_.data()); }
    Fiche& operator[](std::size_t i) { return data()[i]; }
    const Fiche& operator[](std::size_t i) const { return data()[i]; }

private:
    ZoneMemoire zone_;
    std::size_t places_ = 0;
};
