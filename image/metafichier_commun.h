#pragma once
// What drawing a WMF and drawing an EMF share: the files' little-endian numbers, the boxes
// their frames are measured in, and the size a picture is drawn at.

#include <QByteArray>
#include <QSize>
#include <QSizeF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace metafichier {

inline std::uint16_t lire16(const QByteArray& o, qsizetype i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(o[i]) |
                                      (static_cast<unsigned char>(o[i + 1]) << 8));
}
inline std::int16_t lireS16(const QByteArray& o, qsizetype i) {
    return static_cast<std::int16_t>(lire16(o, i));
}
inline std::uint32_t lire32(const QByteArray& o, qsizetype i) {
    return static_cast<std::uint32_t>(lire16(o, i)) |
           (static_cast<std::uint32_t>(lire16(o, i + 2)) << 16);
}
inline std::int32_t lireS32(const QByteArray& o, qsizetype i) {
    return static_cast<std::int32_t>(lire32(o, i));
}
inline void ecrire32(std::string& o, std::size_t i, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        o[i + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

// Throws Erreur with the French reason, without the file name.
[[noreturn]] void refuser(const std::string& raison);

// A rectangle in double coordinates; valide when it has an area.
struct Boite {
    double x = 0, y = 0, l = 0, h = 0;
    bool valide() const { return std::isfinite(l) && std::isfinite(h) && l > 0 && h > 0; }
};

inline Boite entre(double x0, double y0, double x1, double y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

// Refuses a frame too large or too far away to be a drawing: a broken header.
void verifierCotes(const Boite& b);

// The size to draw at: cible when it is valid and not empty (refused beyond the pixel limit),
// else the picture's own size naturelle at 96 dots per inch, within 1 and 2000 pixels a side.
QSize tailleDeRendu(QSize cible, QSizeF naturelle);

}  // namespace metafichier
