#include "core/mots_differents.h"

#include <algorithm>
#include <cstdint>

namespace {
bool blanc(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::vector<Empan> motsDe(std::string_view texte) {
    std::vector<Empan> mots;
    std::size_t i = 0;
    while (i < texte.size()) {
        while (i < texte.size() && blanc(texte[i])) ++i;
        const std::size_t debut = i;
        while (i < texte.size() && !blanc(texte[i])) ++i;
        if (i > debut) mots.push_back({debut, i});
    }
    return mots;
}

MotsDifferents motsDifferents(std::string_view avant, std::string_view apres) {
    const std::vector<Empan> a = motsDe(avant), b = motsDe(apres);
    const auto mot = [](std::string_view t, Empan e) { return t.substr(e.debut, e.fin - e.debut); };
    const auto egaux = [&](std::size_t i, std::size_t j) { return mot(avant, a[i]) == mot(apres, b[j]); };

    // Most changes touch a few words: the common beginning and end are set aside first, and
    // the table is built for what lies between.
    std::size_t debut = 0;
    while (debut < a.size() && debut < b.size() && egaux(debut, debut)) ++debut;
    std::size_t finA = a.size(), finB = b.size();
    while (finA > debut && finB > debut && egaux(finA - 1, finB - 1)) --finA, --finB;
    const std::size_t n = finA - debut, m = finB - debut;

    std::vector<uint8_t> gardeA(n, 0), gardeB(m, 0);
    if (n > 0 && m > 0 && n * m <= kPairesMax) {
        // suite[i][j]: the longest common sequence of the words from i and from j on.
        std::vector<uint32_t> suite((n + 1) * (m + 1), 0);
        const auto at = [&](std::size_t i, std::size_t j) -> uint32_t& { return suite[i * (m + 1) + j]; };
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = m; j-- > 0;) {
                at(i, j) = egaux(debut + i, debut + j) ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
            }
        }
        std::size_t i = 0, j = 0;
        while (i < n && j < m) {
            if (egaux(debut + i, debut + j)) {
                gardeA[i++] = 1;
                gardeB[j++] = 1;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    MotsDifferents r;
    for (std::size_t i = 0; i < n; ++i) {
        if (!gardeA[i]) r.avant.push_back(a[debut + i]);
    }
    for (std::size_t j = 0; j < m; ++j) {
        if (!gardeB[j]) r.apres.push_back(b[debut + j]);
    }
    return r;
}
