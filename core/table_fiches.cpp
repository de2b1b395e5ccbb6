#include "core/table_fiches.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <utility>

FichesRetenues::~FichesRetenues() {
    if (cases_.empty()) return;
    if (const auto libres = libres_.lock()) {
        try {
            libres->insert(libres->end(), cases_.begin(), cases_.end());
        } catch (const std::bad_alloc&) {
            // The slots stay unused until the table is replaced: memory, not cards, is lost.
        }
    }
}

FichesRetenues& FichesRetenues::operator=(FichesRetenues&& autre) noexcept {
    if (this != &autre) {
        FichesRetenues quittees(std::move(*this));
        cases_ = std::move(autre.cases_);
        libres_ = std::move(autre.libres_);
        autre.cases_.clear();
    }
    return *this;
}

TableFiches::TableFiches(TableFiches&& autre) noexcept
    : zone_(std::move(autre.zone_)), places_(std::exchange(autre.places_, 0)),
      cases_(std::exchange(autre.cases_, 0)), ordre_(std::move(autre.ordre_)), libres_(std::move(autre.libres_)),
      version_(autre.version_ + 1) {
    autre.ordre_.clear();
    ++autre.version_;
}

TableFiches& TableFiches::operator=(TableFiches&& autre) noexcept {
    if (this != &autre) {
        zone_ = std::move(autre.zone_);
        places_ = std::exchange(autre.places_, 0);
        cases_ = std::exchange(autre.cases_, 0);
        ordre_ = std::move(autre.ordre_);
        autre.ordre_.clear();
        // Slots kept for the former cards (by their history) no longer mean anything here.
        libres_ = std::move(autre.libres_);
        version_ = std::max(version_, autre.version_) + 1;
        ++autre.version_;
    }
    return *this;
}

uint32_t TableFiches::nouvellesCases(std::size_t n) {
    const std::size_t total = cases_ + n;
    if (total > (std::size_t(-1) / 2) / sizeof(Fiche) || total > UINT32_MAX) throw std::bad_alloc();
    const std::size_t avant = zone_.octets();
    zone_.redimensionner(total * sizeof(Fiche));
    // Pages the kernel just added are already zero; only the tail of the pages kept from
    // before may still hold cards that were removed.
    const std::size_t debut = cases_ * sizeof(Fiche);
    const std::size_t fin = std::min(total * sizeof(Fiche), avant);
    if (fin > debut) std::memset(static_cast<char*>(zone_.data()) + debut, 0, fin - debut);
    const auto premiere = static_cast<uint32_t>(cases_);
    cases_ = total;
    return premiere;
}

void TableFiches::ordonner() {
    if (!ordre_.empty() || places_ == 0) return;
    ordre_.resize(places_);
    std::iota(ordre_.begin(), ordre_.end(), 0u);
}

void TableFiches::liberer(std::size_t debut) {
    if (!libres_) libres_ = std::make_shared<std::vector<uint32_t>>();
    libres_->insert(libres_->end(), ordre_.begin() + static_cast<std::ptrdiff_t>(debut), ordre_.end());
}

void TableFiches::redimensionner(std::size_t places) {
    ++version_;
    if (ordre_.empty() && (!libres_ || libres_->empty()) && cases_ == places_) {
        // Places are slots: the block itself grows or shrinks.
        if (places > cases_) {
            nouvellesCases(places - cases_);
        } else {
            if (places > (std::size_t(-1) / 2) / sizeof(Fiche)) throw std::bad_alloc();
            zone_.redimensionner(places * sizeof(Fiche));
            cases_ = places;
        }
        places_ = places;
        return;
    }
    if (places <= places_) {
        if (ordre_.empty()) ordonner();
        liberer(places);
        ordre_.resize(places);
        places_ = places;
        return;
    }
    if (ordre_.empty()) ordonner();
    ordre_.reserve(places);
    const uint32_t premiere = nouvellesCases(places - places_);
    for (std::size_t k = 0; places_ + k < places; ++k) ordre_.push_back(premiere + static_cast<uint32_t>(k));
    places_ = places;
}

void TableFiches::ajouterPlace() {
    ++version_;
    if (!libres_ || libres_->empty()) {
        redimensionner(places_ + 1);
        return;
    }
    ordonner();
    ordre_.reserve(places_ + 1);
    const uint32_t c = libres_->back();
    libres_->pop_back();
    std::memset(static_cast<void*>(&cases()[c]), 0, sizeof(Fiche));
    ordre_.push_back(c);
    ++places_;
}

std::vector<uint32_t> TableFiches::placesDesCases(std::size_t n) const {
    std::vector<uint32_t> places(cases_, kHors);
    n = std::min(n, places_);
    for (std::size_t i = 0; i < n; ++i) places[caseDe(i)] = static_cast<uint32_t>(i);
    return places;
}

Fiche* TableFiches::bloc(std::size_t premiere, std::size_t nombre) {
    ++version_;
    if (premiere + nombre > places_) return nullptr;
    if (ordre_.empty() || nombre == 0) return cases() + (ordre_.empty() || premiere == places_ ? premiere : ordre_[premiere]);
    const uint32_t debut = ordre_[premiere];
    for (std::size_t k = 1; k < nombre; ++k) {
        if (ordre_[premiere + k] != debut + k) return nullptr;
    }
    return cases() + debut;
}

FichesRetenues TableFiches::retirer(const std::vector<std::size_t>& positions) {
    ++version_;
    FichesRetenues retenues;
    if (positions.empty()) return retenues;
    if (!libres_) libres_ = std::make_shared<std::vector<uint32_t>>();
    retenues.cases_.reserve(positions.size());
    retenues.libres_ = libres_;
    ordonner();
    // One pass: each kept place moves up by the count of places taken before it.
    std::size_t ecrit = positions.front();
    std::size_t k = 0;
    for (std::size_t i = positions.front(); i < places_; ++i) {
        if (k < positions.size() && positions[k] == i) {
            retenues.cases_.push_back(ordre_[i]);
            ++k;
        } else {
            ordre_[ecrit++] = ordre_[i];
        }
    }
    ordre_.resize(ecrit);
    places_ = ecrit;
    return retenues;
}

void TableFiches::reinserer(const std::vector<std::size_t>& positions, FichesRetenues& retenues) {
    ++version_;
    if (positions.empty()) return;
    ordonner();
    const std::size_t total = places_ + positions.size();
    ordre_.resize(total);
    // From the end: each place kept moves down by the count of places put back before it.
    std::size_t lu = places_;
    std::size_t k = positions.size();
    for (std::size_t i = total; i-- > positions.front();) {
        if (k > 0 && positions[k - 1] == i) {
            ordre_[i] = retenues.cases_[--k];
        } else {
            ordre_[i] = ordre_[--lu];
        }
    }
    places_ = total;
    retenues.cases_.clear();
    retenues.cases_.shrink_to_fit();
}

void TableFiches::permuter(const std::vector<uint32_t>& ordre) {
    ++version_;
    if (ordre.empty()) return;
    if (ordre_.empty() && ordre.size() == places_) {
        ordre_ = ordre;
        return;
    }
    ordonner();
    std::vector<uint32_t> nouveau(ordre_);
    for (std::size_t k = 0; k < ordre.size(); ++k) nouveau[k] = ordre_[ordre[k]];
    ordre_ = std::move(nouveau);
}
