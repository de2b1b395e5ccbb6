#pragma once
// Memory straight from the kernel, for large blocks: transparent huge pages, new pages already
// zero, and growth by remapping rather than copying.

#include <cstddef>

class ZoneMemoire {
public:
    ZoneMemoire() = default;
    ~ZoneMemoire() { liberer(); }
    ZoneMemoire(const ZoneMemoire&) = delete;
    ZoneMemoire& operator=(const ZoneMemoire&) = delete;
    ZoneMemoire(ZoneMemoire&& autre) noexcept;
    ZoneMemoire& operator=(ZoneMemoire&& autre) noexcept;

    // Maps at least octets bytes (whole pages, one at the least), keeping the leading ones;
    // pages added hold zero bytes. Throws std::bad_alloc on failure.
    void redimensionner(std::size_t octets);
    void liberer();

    void* data() const { return data_; }
    std::size_t octets() const { return octets_; }  // mapped, whole pages

private:
    void* data_ = nullptr;
    std::size_t octets_ = 0;
};
