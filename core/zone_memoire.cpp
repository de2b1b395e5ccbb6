#include "core/zone_memoire.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>
#include <utility>

namespace {
const std::size_t kHugePage = 2u << 20;
}  // namespace

ZoneMemoire::ZoneMemoire(ZoneMemoire&& autre) noexcept
    : data_(std::exchange(autre.data_, nullptr)), octets_(std::exchange(autre.octets_, 0)) {}

ZoneMemoire& ZoneMemoire::operator=(ZoneMemoire&& autre) noexcept {
    if (this != &autre) {
        liberer();
        data_ = std::exchange(autre.data_, nullptr);
        octets_ = std::exchange(autre.octets_, 0);
    }
    return *this;
}

void ZoneMemoire::liberer() {
    if (data_ != nullptr) munmap(data_, octets_);
    data_ = nullptr;
    octets_ = 0;
}

void ZoneMemoire::redimensionner(std::size_t octets) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    octets = octets == 0 ? page : (octets + page - 1) / page * page;
    if (octets == octets_) return;
    void* p = data_ == nullptr ? mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                               : mremap(data_, octets_, octets, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) throw std::bad_alloc();
    if (octets >= kHugePage) madvise(p, octets, MADV_HUGEPAGE);
    data_ = p;
    octets_ = octets;
}
