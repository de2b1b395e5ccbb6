#include "core/copie_champ.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline bool simple(unsigned char b) { return b != 0 && b < 0x80 && b != '\n'; }

// A letter U+00A0..U+00FF at p: C2 A0..BF or C3 80..BF.
inline bool lettreLatine(const unsigned char* p, const unsigned char* fin) {
    return fin - p >= 2 && (p[1] & 0xC0) == 0x80 && (p[0] == 0xC3 || (p[0] == 0xC2 && p[1] >= 0xA0));
}

// A byte a run of plain bytes stops at, still taken: a line feed after its carriage return,
// or a letter. Advances p and n when it is.
inline bool prendreAutre(const unsigned char* debut, const unsigned char*& p, const unsigned char* fin, char* champ,
                         std::size_t& n, bool latin) {
    const unsigned char b = *p;
    if (b == '\n') {
        if (p == debut || p[-1] != '\r') return false;
        champ[n++] = '\n';
        ++p;
        return true;
    }
    if (latin && lettreLatine(p, fin)) {
        champ[n++] = static_cast<char>(((b & 0x1F) << 6) | (p[1] & 0x3F));
        p += 2;
        return true;
    }
    return false;
}

#if defined(__SSE2__)

// Sixteen bytes at a time up to the first byte that is not plain ASCII; that byte, a letter
// or the line feed of a CR LF, is then taken on its own. (Squeezing the letters' lead bytes
// out with a shuffle, so as not to stop at them, measured no faster on French text.)
CopieChamp copierSse2(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                      const unsigned char* lisible, char* champ, std::size_t n, std::size_t capacite, bool latin) {
    std::size_t haut = n;
    const __m128i sautDeLigne = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (p < fin && n + 16 <= capacite) {
        if (lisible - p < 16) {
            CopieChamp reste = copierChampOctets(debut, p, fin, champ, n, capacite, latin);
            reste.haut = std::max(reste.haut, haut);
            return reste;
        }
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // The high bit of each byte that is not ASCII, a line feed or a zero byte.
        const __m128i autres = _mm_or_si128(v, _mm_or_si128(_mm_cmpeq_epi8(v, sautDeLigne), _mm_cmpeq_epi8(v, zero)));
        unsigned arrets = static_cast<unsigned>(_mm_movemask_epi8(autres));
        const std::size_t dansCellule = static_cast<std::size_t>(fin - p);
        if (dansCellule < 16) arrets |= ~0u << dansCellule;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(champ + n), v);
        haut = std::max(haut, n + 16);
        const unsigned k = static_cast<unsigned>(__builtin_ctz(arrets | 0x10000u));
        p += k;
        n += k;
        if (k == 16) continue;
        if (p == fin || !prendreAutre(debut, p, fin, champ, n, latin)) break;
    }
    return {p, n, haut};
}

#endif

}  // namespace

// The room is checked before each run of at most 16 bytes, in every version.
CopieChamp copierChampOctets(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                             char* champ, std::size_t n, std::size_t capacite, bool latin) {
    while (p < fin && n + 16 <= capacite) {
        std::size_t k = 0;
        while (k < 16 && p + k < fin && simple(p[k])) {
            champ[n + k] = static_cast<char>(p[k]);
            ++k;
        }
        p += k;
        n += k;
        if (k == 16) continue;
        if (p == fin || !prendreAutre(debut, p, fin, champ, n, latin)) break;
    }
    return {p, n, n};
}

CopieChamp copierChamp(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                       const unsigned char* lisible, char* champ, std::size_t n, std::size_t capacite, bool latin) {
#if defined(__SSE2__)
    return copierSse2(debut, p, fin, lisible, champ, n, capacite, latin);
#else
    (void)lisible;
#endif
    return copierChampOctets(debut, p, fin, champ, n, capacite, latin);
}
