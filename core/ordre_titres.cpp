#include "core/ordre_titres.h"

#include <algorithm>
#include <cstring>

#include "core/fiche.h"

namespace {

constexpr uint32_t kTete = 16;

// Eight bytes of a title from `debut`, in memory order, those from its end on taken as zero.
uint64_t mot(const char* titre, uint32_t longueur, uint32_t debut) {
    if (longueur <= debut) return 0;
    uint64_t brut;
    std::memcpy(&brut, titre + debut, sizeof brut);  // within the field: its size is a multiple of 8
    const uint32_t presents = longueur - debut;
    if (presents < 8) brut &= ~uint64_t{0} >> (64 - 8 * presents);
    return brut;
}

uint64_t melanger(uint64_t h, uint64_t m) {
    h = (h ^ m) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

// A distinct title: its first sixteen bytes as two big-endian numbers, so that most
// comparisons are integer ones, and the bytes past them in one shared block.
struct Titre {
    uint64_t tete;
    uint64_t suite;
    std::size_t reste;
    uint32_t longueur;
    uint32_t id;
};

bool titreAvant(const char* restes, const Titre& a, const Titre& b) {
    if (a.tete != b.tete) return a.tete < b.tete;
    if (a.suite != b.suite) return a.suite < b.suite;
    // Equal heads: a title of at most sixteen bytes is a prefix of the other one.
    if (a.longueur > kTete && b.longueur > kTete) {
        const int c = std::memcmp(restes + a.reste, restes + b.reste, std::min(a.longueur, b.longueur) - kTete);
        if (c != 0) return c < 0;
    }
    return a.longueur < b.longueur;
}

// The distinct titles met so far, found again by an open-addressing table of their hashes.
class TitresDistincts {
public:
    explicit TitresDistincts(uint32_t n) {
        // Room for a tenth of the cards at first; grown as titles come.
        std::size_t taille = 1024;
        while (taille < n / 5) taille *= 2;
        cases_.assign(taille, 0);
    }

    // The number of the title, a new one when it was not met before.
    uint32_t numero(const char* titre, uint32_t longueur) {
        const uint64_t tete = mot(titre, longueur, 0);
        const uint64_t suite = mot(titre, longueur, 8);
        uint64_t h = melanger(melanger(longueur, tete), suite);
        for (uint32_t debut = kTete; debut < longueur; debut += 8) h = melanger(h, mot(titre, longueur, debut));
        const std::size_t masque = cases_.size() - 1;
        std::size_t c = h & masque;
        for (; cases_[c] != 0; c = (c + 1) & masque) {
            const uint32_t id = cases_[c] - 1;
            const Titre& t = titres_[id];
            if (hachages_[id] == h && t.longueur == longueur && t.tete == __builtin_bswap64(tete) &&
                t.suite == __builtin_bswap64(suite) &&
                (longueur <= kTete || std::memcmp(restes_.data() + t.reste, titre + kTete, longueur - kTete) == 0)) {
                return id;
            }
        }
        const auto id = static_cast<uint32_t>(titres_.size());
        titres_.push_back({__builtin_bswap64(tete), __builtin_bswap64(suite), restes_.size(), longueur, id});
        hachages_.push_back(h);
        if (longueur > kTete) restes_.insert(restes_.end(), titre + kTete, titre + longueur);
        cases_[c] = id + 1;
        if (titres_.size() * 2 > cases_.size()) agrandir();
        return id;
    }

    // The rank of each distinct title among them, by title.
    std::vector<uint32_t> rangs() {
        const char* restes = restes_.data();
        std::sort(titres_.begin(), titres_.end(), [restes](const Titre& a, const Titre& b) { return titreAvant(restes, a, b); });
        std::vector<uint32_t> rang(titres_.size());
        for (uint32_t r = 0; r < titres_.size(); ++r) rang[titres_[r].id] = r;
        return rang;
    }

private:
    void agrandir() {
        std::vector<uint32_t> cases(cases_.size() * 2, 0);
        const std::size_t masque = cases.size() - 1;
        for (uint32_t id = 0; id < hachages_.size(); ++id) {
            std::size_t c = hachages_[id] & masque;
            while (cases[c] != 0) c = (c + 1) & masque;
            cases[c] = id + 1;
        }
        cases_ = std::move(cases);
    }

    std::vector<uint32_t> cases_;  // title number + 1, 0 when free
    std::vector<Titre> titres_;
    std::vector<uint64_t> hachages_;
    std::vector<char> restes_;
};

}  // namespace

OrdreTitres ordonnerParTitre(VueFiches fiches, uint32_t n) {
    std::vector<uint32_t> titreDe(n);
    std::vector<uint32_t> rang;
    {
        TitresDistincts titres(n);
        for (uint32_t i = 0; i < n; ++i) {
            // Once sorted, the table's order is not the cards' order in memory: fetch ahead.
            if (i + 8 < n) __builtin_prefetch(fiches[i + 8].titre);
            const char* titre = fiches[i].titre;
            titreDe[i] = titres.numero(titre, static_cast<uint32_t>(strnlen(titre, sizeof fiches[i].titre)));
        }
        rang = titres.rangs();
    }
    // Counting sort by rank: stable, so equal titles keep their table order.
    OrdreTitres resultat;
    resultat.bornes.assign(rang.size() + 1, 0);
    for (uint32_t i = 0; i < n; ++i) ++resultat.bornes[rang[titreDe[i]] + 1];
    for (std::size_t r = 1; r < resultat.bornes.size(); ++r) resultat.bornes[r] += resultat.bornes[r - 1];
    resultat.ordre.resize(n);
    std::vector<uint32_t> suivante(resultat.bornes.begin(), resultat.bornes.end() - 1);
    for (uint32_t i = 0; i < n; ++i) resultat.ordre[suivante[rang[titreDe[i]]]++] = i;
    return resultat;
}
