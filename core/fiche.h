#pragma once
// The card record: the same 1028 bytes in memory and in base files.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

struct Fiche {
    int32_t numero;
    char titre[256];
    char description[512];
    char image[256];
};

static_assert(sizeof(Fiche) == 1028, "a card is 1028 bytes on disk");
static_assert(std::is_standard_layout_v<Fiche> && std::is_trivially_copyable_v<Fiche>);
static_assert(offsetof(Fiche, numero) == 0);
static_assert(offsetof(Fiche, titre) == 4);
static_assert(offsetof(Fiche, description) == 260);
static_assert(offsetof(Fiche, image) == 772);
static_assert(std::endian::native == std::endian::little,
              "numbers are stored little-endian and read in place");

// A text field ends at its first zero byte, or at the end of the field when it has none.
template <std::size_t N>
inline std::string_view texteChamp(const char (&champ)[N]) {
    return std::string_view(champ, strnlen(champ, N));
}

// Writes a text into a field, cut to leave room for the terminating zero. The bytes after
// the zero keep their older contents, as they always have in base files.
template <std::size_t N>
inline void ecrireChamp(char (&champ)[N], std::string_view texte) {
    std::size_t n = texte.size() < N - 1 ? texte.size() : N - 1;
    // An empty view may carry no storage at all, which memcpy must not be given.
    if (n > 0) std::memcpy(champ, texte.data(), n);
    champ[n] = '\0';
}

inline void viderFiche(Fiche& f) {
    f.numero = 0;
    f.titre[0] = '\0';
    f.description[0] = '\0';
    f.image[0] = '\0';
}
