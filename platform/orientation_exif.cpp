#include "platform/orientation_exif.h"

#include <QTransform>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Our own reader rather than libexif: only one 2-byte value of IFD0 is wanted, and the bytes
// come from any file the user picks. Sixty lines that check every offset against the end of
// the buffer are easier to trust than a general EXIF library's parsing of maker notes,
// thumbnails and sub-IFDs we would never use (libexif has had a steady run of out-of-bounds
// reads), and the window process that decodes JPEG takes on no new dependency.

namespace {

class Octets {
public:
    Octets(const unsigned char* debut, std::size_t taille, bool grosBoutiste)
        : p_(debut), n_(taille), gros_(grosBoutiste) {}
    std::size_t taille() const { return n_; }
    std::optional<std::uint16_t> mot(std::size_t i) const {
        if (i > n_ || n_ - i < 2) return std::nullopt;
        return gros_ ? static_cast<std::uint16_t>(p_[i] << 8 | p_[i + 1])
                     : static_cast<std::uint16_t>(p_[i + 1] << 8 | p_[i]);
    }
    std::optional<std::uint32_t> long_(std::size_t i) const {
        const auto a = mot(i), b = mot(i + 2);
        if (!a || !b) return std::nullopt;
        return gros_ ? (std::uint32_t{*a} << 16 | *b) : (std::uint32_t{*b} << 16 | *a);
    }

private:
    const unsigned char* p_;
    std::size_t n_;
    bool gros_;
};

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

// The TIFF structure that follows "Exif\0\0": byte order, IFD0, its entries of 12 bytes.
int orientationTiff(const unsigned char* p, std::size_t n) {
    if (n < 8) return 1;
    bool gros;
    if (p[0] == 'I' && p[1] == 'I') gros = false;
    else if (p[0] == 'M' && p[1] == 'M') gros = true;
    else return 1;
    const Octets t(p, n, gros);
    if (t.mot(2) != std::optional<std::uint16_t>(42)) return 1;
    const std::optional<std::uint32_t> ifd = t.long_(4);
    if (!ifd || *ifd < 8) return 1;
    const std::optional<std::uint16_t> entrees = t.mot(*ifd);
    if (!entrees) return 1;
    for (std::size_t e = 0; e < *entrees; ++e) {
        const std::size_t pos = std::size_t{*ifd} + 2 + 12 * e;
        const auto tag = t.mot(pos), type = t.mot(pos + 2);
        const auto nombre = t.long_(pos + 4);
        const auto valeur = t.mot(pos + 8);
        if (!tag || !type || !nombre || !valeur) return 1;  // the directory runs past the end
        if (*tag != kTagOrientation) continue;
        if (*type != kTypeShort || *nombre != 1 || *valeur < 1 || *valeur > 8) return 1;
        return *valeur;
    }
    return 1;
}

}  // namespace

int orientationExif(const QByteArray& jpeg) {
    const auto* p = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const std::size_t n = static_cast<std::size_t>(jpeg.size());
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return 1;
    // Every step moves forward by at least two bytes: the walk ends within the buffer.
    std::size_t pos = 2;
    while (pos + 4 <= n) {
        if (p[pos] != 0xFF) return 1;
        const unsigned char marqueur = p[pos + 1];
        if (marqueur == 0xFF) {  // fill byte before a marker
            ++pos;
            continue;
        }
        if (marqueur == 0xDA || marqueur == 0xD9) return 1;  // picture data or end: no tag
        if (marqueur == 0x01 || (marqueur >= 0xD0 && marqueur <= 0xD7)) {
            pos += 2;
            continue;
        }
        const std::size_t longueur = std::size_t{p[pos + 2]} << 8 | p[pos + 3];
        if (longueur < 2 || longueur > n - pos - 2) return 1;
        constexpr std::string_view kExif("Exif\0\0", 6);
        const unsigned char* contenu = p + pos + 4;
        const std::size_t tailleContenu = longueur - 2;
        if (marqueur == 0xE1 && tailleContenu >= kExif.size() &&
            std::string_view(reinterpret_cast<const char*>(contenu), kExif.size()) == kExif) {
            return orientationTiff(contenu + kExif.size(), tailleContenu - kExif.size());
        }
        pos += 2 + longueur;
    }
    return 1;
}

QImage redresser(const QImage& image, int orientation) {
    // Quarter turns go through QImage's own rotation, which copies pixels without
    // resampling; the mirrored orientations add a flip to the turn.
    const auto tourner = [&image](int degres) { return image.transformed(QTransform().rotate(degres)); };
    switch (orientation) {
        case 2: return image.mirrored(true, false);
        case 3: return image.transformed(QTransform().rotate(180));
        case 4: return image.mirrored(false, true);
        case 5: return tourner(90).mirrored(true, false);
        case 6: return tourner(90);
        case 7: return tourner(90).mirrored(false, true);
        case 8: return tourner(270);
        default: return image;
    }
}
