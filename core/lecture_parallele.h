#pragma once
// Reading large files fast: most of the time goes to the kernel providing fresh pages and
// copying into them, and two cores do that twice as fast.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "core/zone_memoire.h"

// Reads [debut, debut + taille) of the file at offset decalage, until the range is full or
// the file ends. Returns the bytes read, or -1 with errno set.
long long lirePlage(int fd, char* debut, std::size_t taille, off_t decalage);

// From this size on, a read is done in two halves at once.
inline constexpr std::size_t kLectureParallele = std::size_t(64) << 20;

// Reads [debut, debut + taille) from the start of the file in two halves at once, both read
// before it returns; leaves the file offset after the bytes read. Returns the bytes read (the
// file may be shorter), or -1 with errno set.
long long lireDeuxMoities(int fd, char* debut, std::size_t taille);

// A whole file in memory of its own, in pages fresh from the kernel (huge ones when large).
class OctetsFichier {
public:
    // Reads the regular file at chemin, even while it grows; false with errno set when it
    // cannot (a fifo or a folder is refused with EINVAL or EISDIR, without waiting).
    // Throws std::bad_alloc when memory runs out.
    bool lire(const std::string& chemin);
    std::string_view vue() const { return {static_cast<const char*>(zone_.data()), taille_}; }
    // Gives the memory back now.
    void liberer() {
        zone_.liberer();
        taille_ = 0;
    }

private:
    ZoneMemoire zone_;
    std::size_t taille_ = 0;
};
