#include "core/table_fiches.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

TableFiches::TableFiches(TableFiches&& autre) noexcept
    : zone_(std::move(autre.zone_)), places_(std::exchange(autre.places_, 0)) {}

TableFiches& TableFiches::operator=(TableFiches&& autre) noexcept {
    if (this != &autre) {
        zone_ = std::move(autre.zone_);
        places_ = std::exchange(autre.places_, 0);
    }
    return *this;
}

void TableFiches::redimensionner(std::size_t places) {
    if (places > (std::size_t(-1) / 2) / sizeof(Fiche)) throw std::bad_alloc();
    const std::size_t avant = zone_.octets();
    zone_.redimensionner(places * sizeof(Fiche));
    // Pages the kernel just added are already zero; only the tail of the pages kept from
    // before may still hold cards that were removed.
    if (places > places_) {
        const std::size_t debut = places_ * sizeof(Fiche);
        const std::size_t fin = std::min(places * sizeof(Fiche), avant);
        if (fin > debut) std::memset(static_cast<char*>(zone_.data()) + debut, 0, fin - debut);
    }
    places_ = places;
}
