#include "core/comparaison_bases.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// Number with its sign bit flipped (unsigned order is then signed order) above the index: one
// integer sort gives the cards by number, and by table order within a number.
std::vector<uint64_t> parNumero(const Fiche* f, std::size_t n) {
    std::vector<uint64_t> cles(n);
    for (std::size_t i = 0; i < n; ++i) {
        cles[i] = (uint64_t{static_cast<uint32_t>(f[i].numero) ^ 0x80000000u} << 32) | i;
    }
    std::sort(cles.begin(), cles.end());
    return cles;
}

uint32_t numeroDe(uint64_t cle) { return static_cast<uint32_t>(cle >> 32); }
int64_t indexDe(uint64_t cle) { return static_cast<int64_t>(cle & 0xFFFFFFFFu); }

template <std::size_t N>
bool memeTexte(const char (&a)[N], const char (&b)[N]) {
    return texteChamp(a) == texteChamp(b);
}

}  // namespace

bool memeFiche(const Fiche& a, const Fiche& b) {
    // Most matched cards are byte for byte the same: one comparison settles them.
    if (std::memcmp(&a, &b, sizeof(Fiche)) == 0) return true;
    return a.numero == b.numero && memeTexte(a.titre, b.titre) && memeTexte(a.description, b.description) &&
           memeTexte(a.image, b.image);
}

Comparaison comparer(const Fiche* autre, std::size_t nAutre, const Fiche* ouverte, std::size_t nOuverte) {
    // The two sorts are independent: one on each core.
    std::vector<uint64_t> a;
    std::thread triAutre([&] { a = parNumero(autre, nAutre); });
    const std::vector<uint64_t> o = parNumero(ouverte, nOuverte);
    triAutre.join();

    Comparaison c;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < o.size()) {
        // Within one number the keys run in table order on both sides: pair them off in turn.
        if (j == o.size() || (i < a.size() && numeroDe(a[i]) < numeroDe(o[j]))) {
            c.differences.push_back({Ecart::kSeulementAutre, indexDe(a[i++]), -1});
            ++c.seulementAutre;
        } else if (i == a.size() || numeroDe(o[j]) < numeroDe(a[i])) {
            c.differences.push_back({Ecart::kSeulementOuverte, -1, indexDe(o[j++])});
            ++c.seulementOuverte;
        } else {
            const int64_t ia = indexDe(a[i++]);
            const int64_t io = indexDe(o[j++]);
            if (!memeFiche(autre[ia], ouverte[io])) {
                c.differences.push_back({Ecart::kChangee, ia, io});
                ++c.changees;
            }
        }
    }
    return c;
}

std::string resume(const Comparaison& c) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely on "text" + std::to_string.
    std::string r = "+";
    r += std::to_string(c.seulementAutre);
    r += " \u2212";
    r += std::to_string(c.seulementOuverte);
    r += " ~";
    r += std::to_string(c.changees);
    return r;
}
