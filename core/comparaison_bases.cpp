#include "core/comparaison_bases.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// Number with its sign bit flipped (unsigned order is then signed order) above the index: one
// integer sort gives the cards by number, and by table order within a number.
std::vector<uint64_t> parNumero(VueFiches f, std::size_t n) {
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

Comparaison comparer(VueFiches autre, std::size_t nAutre, VueFiches ouverte, std::size_t nOuverte) {
    // The two sorts are independent: one on each core.
    std::vector<uint64_t> a;
    std::thread triAutre([&] { a = parNumero(autre, nAutre); });
    const std::vector<uint64_t> o = parNumero(ouverte, nOuverte);
    triAutre.join();

    // The cards in number order, matched ones side by side (-1 on the side that lacks one).
    // Within one number the keys run in table order on both sides: pairing them off in turn
    // matches the cards of a number by their order.
    std::vector<Difference> suite;
    suite.reserve(std::max(a.size(), o.size()));
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < o.size()) {
        if (j == o.size() || (i < a.size() && numeroDe(a[i]) < numeroDe(o[j]))) {
            suite.push_back({Ecart::kSeulementAutre, indexDe(a[i++]), -1});
        } else if (i == a.size() || numeroDe(o[j]) < numeroDe(a[i])) {
            suite.push_back({Ecart::kSeulementOuverte, -1, indexDe(o[j++])});
        } else {
            suite.push_back({Ecart::kChangee, indexDe(a[i++]), indexDe(o[j++])});
        }
    }

    // Comparing the matched cards reads both tables whole, in an order that jumps about
    // wherever one table was sorted otherwise: two cores, and the cards a few pairs ahead
    // fetched while the current ones are compared.
    std::vector<uint8_t> pareilles(suite.size(), 0);
    const auto comparerDe = [&](std::size_t debut, std::size_t fin) {
        constexpr std::size_t kAvance = 6;
        for (std::size_t k = debut; k < fin; ++k) {
            if (k + kAvance < fin && suite[k + kAvance].genre == Ecart::kChangee) {
                const char* pa = reinterpret_cast<const char*>(&autre[suite[k + kAvance].indexAutre]);
                const char* po = reinterpret_cast<const char*>(&ouverte[suite[k + kAvance].indexOuverte]);
                for (std::size_t l = 0; l < sizeof(Fiche); l += 64) {
                    __builtin_prefetch(pa + l);
                    __builtin_prefetch(po + l);
                }
            }
            const Difference& d = suite[k];
            if (d.genre == Ecart::kChangee) pareilles[k] = memeFiche(autre[d.indexAutre], ouverte[d.indexOuverte]);
        }
    };
    std::thread moitie([&] { comparerDe(suite.size() / 2, suite.size()); });
    comparerDe(0, suite.size() / 2);
    moitie.join();

    Comparaison c;
    for (std::size_t k = 0; k < suite.size(); ++k) {
        if (pareilles[k]) continue;
        c.differences.push_back(suite[k]);
        switch (suite[k].genre) {
            case Ecart::kSeulementAutre: ++c.seulementAutre; break;
            case Ecart::kSeulementOuverte: ++c.seulementOuverte; break;
            case Ecart::kChangee: ++c.changees; break;
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
