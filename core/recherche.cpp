#include "core/recherche.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/magasin_fiches.h"

#ifdef __SSE2__
#include <immintrin.h>
#endif

void enMinuscules(char* texte) {
    for (char* p = texte; *p != '\0'; ++p) {
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 32);
    }
}

int32_t positionDe(const char* texte, const char* motif) {
    if (motif[0] == '\0') return -1;
    for (int32_t s = 0; texte[s] != '\0'; ++s) {
        if (texte[s] != motif[0]) continue;
        int32_t k = 1;
        while (motif[k] != '\0' && texte[s + k] == motif[k]) ++k;
        if (motif[k] == '\0') return s;
    }
    return -1;
}

namespace {

// The lower-cased pattern, and for each of its bytes the bit that folds a text byte onto it:
// 0x20 for a small letter (a byte b matches 'e' when b | 0x20 is 'e', that is for 'E' and
// 'e' alone), none for any other byte, which must then be equal. This is the same as
// lower-casing a copy of the text and comparing, without the copy.
//
// A field is scanned in one pass for candidates, the starts where both the first and the last
// byte of the pattern match, many starts at a time; only those are compared in full. The same
// pass finds the zero that ends the text: a window that starts after it is not in the text,
// and one that starts before it and runs into it holds the zero, which no pattern byte
// matches (the pattern stops at its first zero). A window never runs past the field's end.
// The vector loads may read up to 31 bytes past the end of a field, which stays inside the
// card since each searched field is followed by at least 256 bytes of it.
struct Motif {
    explicit Motif(const std::string& minuscules) : octets(minuscules), plis(minuscules) {
        for (char& c : plis) c = (c >= 'a' && c <= 'z') ? char{0x20} : char{0};
    }

    bool accorde(unsigned char octet, std::size_t i) const {
        return static_cast<char>(octet | static_cast<unsigned char>(plis[i])) == octets[i];
    }
    // The bytes between the first and the last, which the caller has checked.
    bool milieu(const unsigned char* debut) const {
        const std::size_t fin = octets.size() - 1;
        for (std::size_t i = 1; i < fin; ++i) {
            if (!accorde(debut[i], i)) return false;
        }
        return true;
    }

    std::string octets;
    std::string plis;
};

const unsigned char* champ(const Fiche& f, std::size_t decalage) {
    return reinterpret_cast<const unsigned char*>(&f) + decalage;
}

#ifdef __SSE2__

bool dansSse2(const Motif& mo, const unsigned char* texte, std::size_t capacite) {
    const std::size_t m = mo.octets.size();
    if (m > capacite) return false;
    const std::size_t dernierDebut = capacite - m;
    const __m128i premier = _mm_set1_epi8(mo.octets.front());
    const __m128i plisPremier = _mm_set1_epi8(mo.plis.front());
    const __m128i dernier = _mm_set1_epi8(mo.octets.back());
    const __m128i plisDernier = _mm_set1_epi8(mo.plis.back());
    const __m128i nul = _mm_setzero_si128();
    for (std::size_t s = 0; s <= dernierDebut; s += 16) {
        const __m128i tetes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s));
        const __m128i queues = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s + m - 1));
        const __m128i accord =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(tetes, plisPremier), premier),
                          _mm_cmpeq_epi8(_mm_or_si128(queues, plisDernier), dernier));
        auto bits = static_cast<uint32_t>(_mm_movemask_epi8(accord));
        const auto zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(tetes, nul)));
        if (zeros != 0) bits &= (zeros & (~zeros + 1)) - 1;
        const std::size_t reste = dernierDebut - s;
        if (reste < 15) bits &= (2u << reste) - 1;
        for (; bits != 0; bits &= bits - 1) {
            if (mo.milieu(texte + s + static_cast<std::size_t>(__builtin_ctz(bits)))) return true;
        }
        if (zeros != 0) return false;
    }
    return false;
}

bool carteSse2(const Motif& mo, const Fiche& f) {
    return dansSse2(mo, champ(f, offsetof(Fiche, description)), sizeof f.description) ||
           dansSse2(mo, champ(f, offsetof(Fiche, titre)), sizeof f.titre);
}

// The same, 32 starts at a time, on processors that have AVX2.
__attribute__((target("avx2"))) bool dansAvx2(const Motif& mo, const unsigned char* texte,
                                              std::size_t capacite) {
    const std::size_t m = mo.octets.size();
    if (m > capacite) return false;
    const std::size_t dernierDebut = capacite - m;
    const __m256i premier = _mm256_set1_epi8(mo.octets.front());
    const __m256i plisPremier = _mm256_set1_epi8(mo.plis.front());
    const __m256i dernier = _mm256_set1_epi8(mo.octets.back());
    const __m256i plisDernier = _mm256_set1_epi8(mo.plis.back());
    const __m256i nul = _mm256_setzero_si256();
    for (std::size_t s = 0; s <= dernierDebut; s += 32) {
        const __m256i tetes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s));
        const __m256i queues =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s + m - 1));
        const __m256i accord =
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(tetes, plisPremier), premier),
                             _mm256_cmpeq_epi8(_mm256_or_si256(queues, plisDernier), dernier));
        auto bits = static_cast<uint32_t>(_mm256_movemask_epi8(accord));
        const auto zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(tetes, nul)));
        if (zeros != 0) bits &= (zeros & (~zeros + 1)) - 1;
        const std::size_t reste = dernierDebut - s;
        if (reste < 31) bits &= (2u << reste) - 1;
        for (; bits != 0; bits &= bits - 1) {
            if (mo.milieu(texte + s + static_cast<std::size_t>(__builtin_ctz(bits)))) return true;
        }
        if (zeros != 0) return false;
    }
    return false;
}

__attribute__((target("avx2"))) bool carteAvx2(const Motif& mo, const Fiche& f) {
    return dansAvx2(mo, champ(f, offsetof(Fiche, description)), sizeof f.description) ||
           dansAvx2(mo, champ(f, offsetof(Fiche, titre)), sizeof f.titre);
}

#endif

// Byte by byte, for processors without the vector instructions above.
bool dansOctets(const Motif& mo, const unsigned char* texte, std::size_t capacite) {
    const std::size_t m = mo.octets.size();
    for (std::size_t s = 0; s + m <= capacite && texte[s] != 0; ++s) {
        if (mo.accorde(texte[s], 0) && mo.accorde(texte[s + m - 1], m - 1) && mo.milieu(texte + s)) {
            return true;
        }
    }
    return false;
}

bool carteOctets(const Motif& mo, const Fiche& f) {
    return dansOctets(mo, champ(f, offsetof(Fiche, description)), sizeof f.description) ||
           dansOctets(mo, champ(f, offsetof(Fiche, titre)), sizeof f.titre);
}

using Correspond = bool (*)(const Motif&, const Fiche&);

Correspond balayage(Balayage choix) {
#ifdef __SSE2__
    const bool avx2 = __builtin_cpu_supports("avx2");
    switch (choix) {
        case Balayage::octets: return carteOctets;
        case Balayage::sse2: return carteSse2;
        case Balayage::avx2: return avx2 ? carteAvx2 : nullptr;
        case Balayage::meilleur: break;
    }
    return avx2 ? carteAvx2 : carteSse2;
#else
    return choix == Balayage::octets || choix == Balayage::meilleur ? carteOctets : nullptr;
#endif
}

// The scan reads a few lines of each card, 1028 bytes apart: too sparse for the hardware
// prefetchers, so the loop would wait on memory card after card. The cards a few places ahead
// are fetched early instead: the head of the title and the first 380 bytes of the
// description, which hold most texts whole.
const std::size_t kAvance = 8;
const std::size_t kPrefetch = 640;

}  // namespace

bool balayageDisponible(Balayage choix) { return balayage(choix) != nullptr; }

int32_t rechercher(MagasinFiches& store, const std::string& expression) {
    return rechercher(store, expression, Balayage::meilleur);
}

int32_t rechercher(MagasinFiches& store, const std::string& expression, Balayage choix) {
    TableFiches& resultats = store.resultats;
    resultats.redimensionner(1);
    // A search that finds nothing leaves a blank card here, not what an older search left.
    std::memset(static_cast<void*>(&resultats[0]), 0, sizeof(Fiche));
    store.dernierResultat = -1;
    store.listeResultats = true;

    std::string motif(expression.c_str());  // a text ends at its first zero
    enMinuscules(motif.data());
    if (motif.empty()) return 0;
    const Motif cherche(motif);
    const Correspond correspond = balayage(choix);
    if (correspond == nullptr) return 0;

    const std::size_t n = store.derniere < 0 ? 0 : static_cast<std::size_t>(store.derniere) + 1;
    const Fiche* fiches = store.fiches.data();
    std::size_t trouves = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAvance < n) {
            // Cards are whole within the table, so reading ahead never leaves it.
            const char* loin = reinterpret_cast<const char*>(&fiches[i + kAvance]);
            // When matches are frequent, most cards ahead will be copied whole: fetch them whole.
            const std::size_t avance = trouves * 8 > i ? sizeof(Fiche) + 63 : kPrefetch;
            for (std::size_t o = 0; o < avance; o += 64) __builtin_prefetch(loin + o);
        }
        if (!correspond(cherche, fiches[i])) continue;
        // Room for this copy and the blank slot after the last one; the table doubles, so a
        // search that matches every card copies each one once and remaps only log n times.
        if (trouves + 2 > resultats.places()) {
            resultats.redimensionner(std::max<std::size_t>(16, 2 * resultats.places()));
        }
        std::memcpy(static_cast<void*>(&resultats[trouves]), &fiches[i], sizeof(Fiche));
        ++trouves;
    }
    resultats.redimensionner(trouves + 1);
    std::memset(static_cast<void*>(&resultats[trouves]), 0, sizeof(Fiche));
    store.dernierResultat = static_cast<int32_t>(trouves) - 1;
    return static_cast<int32_t>(trouves);
}
