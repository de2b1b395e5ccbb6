#pragma once
// Reading a WMF's records before any library sees them: the checks that keep libwmf away
// from bytes it would trust blindly, and the mapping in force when the drawing starts.

#include <QByteArray>
#include <cstdint>
#include <utility>
#include <vector>

namespace metafichier {

// The placeable header's key, and the function codes of the records read here.
inline constexpr std::uint32_t kCleWmfPlacable = 0x9AC6CDD7;
inline constexpr std::uint16_t kWmfFin = 0x0000;
inline constexpr std::uint16_t kWmfSauverDc = 0x001E;
inline constexpr std::uint16_t kWmfRestaurerDc = 0x0127;
inline constexpr std::uint16_t kWmfModeDeProjection = 0x0103;
inline constexpr std::uint16_t kWmfOrigineFenetre = 0x020B;
inline constexpr std::uint16_t kWmfEtendueFenetre = 0x020C;
inline constexpr std::uint16_t kWmfOrigineVue = 0x020D;
inline constexpr std::uint16_t kWmfEtendueVue = 0x020E;
inline constexpr std::uint16_t kWmfDecalerFenetre = 0x020F;
inline constexpr std::uint16_t kWmfDecalerVue = 0x0211;
inline constexpr std::uint16_t kWmfEchelleFenetre = 0x0410;
inline constexpr std::uint16_t kWmfEchelleVue = 0x0412;
inline constexpr std::uint16_t kWmfPoint = 0x041F;

// The window a file sets: its origin and extent in logical units.
struct FenetreWmf {
    double ox = 0, oy = 0, ex = 0, ey = 0;
    bool etendue = false;  // the file gave the window an extent
};

// What the walk through the records found: the placeable header's frame, the window in force
// when the drawing starts with the mapping records before it (replayed to measure libwmf's
// mapping), and the bounds of the records libwmf is given.
struct AnalyseWmf {
    bool placable = false;
    std::int16_t gauche = 0, haut = 0, droite = 0, bas = 0;
    std::uint16_t unitesParPouce = 0;
    FenetreWmf fenetre;                         // in force at the first drawing record
    std::vector<std::pair<qsizetype, qsizetype>> projection;  // records before that one
    qsizetype debut = 0;                        // the standard header, after the placeable one
    qsizetype fin = 0;                          // just after the end-of-file record
    std::uint32_t plusGrandEnregistrement = 9;  // in 16-bit words, as the header counts
};

// Walks the records up to the end record; refuses (Erreur with the French reason) a file
// that is not a WMF, is cut short, has a record of invalid size or too many records.
AnalyseWmf analyserWmf(const QByteArray& o);

}  // namespace metafichier
