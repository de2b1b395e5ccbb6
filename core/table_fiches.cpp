#include "core/table_fiches.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <utility>

namespace {
const std::size_t kHugePage = 2u << 20;

std::size_t arrondiPage(std::size_t octets) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (octets + page - 1) / page * page;
}
}  // namespace

TableFiches::~TableFiches() { liberer(); }

TableFiches::TableFiches(TableFiches&& autre) noexcept
    : data_(std::exchange(autre.data_, nullptr)),
      places_(std::exchange(autre.places_, 0)),
      octetsMappes_(std::exchange(autre.octetsMappes_, 0)) {}

TableFiches& TableFiches::operator=(TableFiches&& autre) noexcept {
    if (this != &autre) {
        liberer();
        data_ = std::exchange(autre.data_, nullptr);
        places_ = std::exchange(autre.places_, 0);
        octetsMappes_ = std::exchange(autre.octetsMappes_, 0);
    }
    return *this;
}

void TableFiches::liberer() {
    if (data_ != nullptr) munmap(data_, octetsMappes_);
    data_ = nullptr;
    places_ = 0;
    octetsMappes_ = 0;
}

void TableFiches::redimensionner(std::size_t places) {
    if (places > (std::size_t(-1) / 2) / sizeof(Fiche)) throw std::bad_alloc();
    const std::size_t avant = octetsMappes_;
    const std::size_t octets = arrondiPage(places == 0 ? 1 : places * sizeof(Fiche));
    if (octets != octetsMappes_) {
        void* p;
        if (data_ == nullptr) {
            p = mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        } else {
            p = mremap(data_, octetsMappes_, octets, MREMAP_MAYMOVE);
        }
        if (p == MAP_FAILED) throw std::bad_alloc();
        if (octets >= kHugePage) madvise(p, octets, MADV_HUGEPAGE);
        data_ = static_cast<Fiche*>(p);
        octetsMappes_ = octets;
    }
    // Pages the kernel just added are already zero; only the tail of the pages kept from
    // before may still hold cards that were removed.
    if (places > places_) {
        const std::size_t debut = places_ * sizeof(Fiche);
        const std::size_t fin = std::min(places * sizeof(Fiche), avant);
        if (fin > debut) std::memset(reinterpret_cast<char*>(data_) + debut, 0, fin - debut);
    }
    places_ = places;
}
