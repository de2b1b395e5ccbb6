#include "core/place_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/chemin_image.h"
#include "core/descripteur.h"

namespace {

constexpr unsigned kVariantesMax = 9999;

// Reads up to n bytes; fewer only at the end of the file. -1 on an error.
ssize_t lireBloc(int fd, char* tampon, std::size_t n) {
    std::size_t lu = 0;
    while (lu < n) {
        const ssize_t r = read(fd, tampon + lu, n - lu);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        lu += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(lu);
}

}  // namespace

bool memesOctets(const std::string& a, const std::string& b) {
    // Non-blocking, so that a fifo cannot hang the comparison; it is not a regular file.
    Descripteur fa(open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    Descripteur fb(open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fa.get() < 0 || fb.get() < 0) return false;
    struct stat sa, sb;
    if (fstat(fa.get(), &sa) != 0 || fstat(fb.get(), &sb) != 0) return false;
    if (!S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode)) return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
    if (sa.st_size != sb.st_size) return false;
    std::vector<char> ta(std::size_t(1) << 16), tb(ta.size());
    for (;;) {
        const ssize_t na = lireBloc(fa.get(), ta.data(), ta.size());
        const ssize_t nb = lireBloc(fb.get(), tb.data(), tb.size());
        if (na < 0 || nb < 0 || na != nb) return false;
        if (na == 0) return true;
        if (std::memcmp(ta.data(), tb.data(), static_cast<std::size_t>(na)) != 0) return false;
    }
}

std::string nomVariante(std::string_view nom, unsigned n, std::size_t longueurMax) {
    // Appended rather than concatenated: GCC 12 at -O3 warns falsely on "text" + string.
    std::string suffixe(1, '-');
    suffixe += std::to_string(n);
    // The extension starts at the last dot of the file name, unless that dot opens the name.
    std::size_t point = nom.rfind('.');
    if (point == std::string_view::npos || point <= 1) point = nom.size();
    std::string_view tronc = nom.substr(0, point);
    const std::string_view extension = nom.substr(point);
    const std::size_t fixe = suffixe.size() + extension.size();
    // The stem keeps its backslash and at least one byte of the file name.
    if (longueurMax < fixe + 2) return {};
    if (tronc.size() + fixe > longueurMax) {
        std::size_t garde = longueurMax - fixe;
        // Never end inside a UTF-8 character: step back over continuation bytes.
        while (garde > 1 && (static_cast<unsigned char>(tronc[garde]) & 0xC0) == 0x80) --garde;
        if (garde < 2) return {};
        tronc = tronc.substr(0, garde);
    }
    return std::string(tronc) + suffixe + std::string(extension);
}

std::optional<PlaceImage> placeImage(std::string_view repertoire, const std::string& source,
                                     const std::string& nom) {
    const std::optional<std::string> chemin = cheminImage(repertoire, nom);
    if (!chemin) return std::nullopt;
    // A source that is no readable file cannot be compared, nor copied: the copy is tried
    // under the name itself and says why it fails, before it touches any destination.
    struct stat ss;
    if (stat(source.c_str(), &ss) != 0 || !S_ISREG(ss.st_mode) || access(source.c_str(), R_OK) != 0) {
        return PlaceImage{nom, *chemin, true};
    }
    // The name and its directory together fit a path buffer.
    const std::size_t longueurMax = kCheminImageMax - repertoire.size();
    std::string essai = nom;
    std::string cheminEssai = *chemin;
    for (unsigned n = 2;; ++n) {
        struct stat st;
        if (lstat(cheminEssai.c_str(), &st) != 0 && errno == ENOENT) {
            return PlaceImage{essai, cheminEssai, true};
        }
        if (memesOctets(source, cheminEssai)) return PlaceImage{essai, cheminEssai, false};
        // Taken by another picture (or by something that is no picture at all): next name.
        for (;;) {
            if (n > kVariantesMax) return std::nullopt;
            essai = nomVariante(nom, n, longueurMax);
            const std::optional<std::string> c = essai.empty() ? std::nullopt : cheminImage(repertoire, essai);
            if (c) {
                cheminEssai = *c;
                break;
            }
            if (essai.empty()) return std::nullopt;
            ++n;
        }
    }
}
