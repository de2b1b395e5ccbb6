#include "core/lignes_csv.h"

#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Whether the row starting at s[i] (before fin) may hold no card.
bool douteuse(std::string_view s, std::size_t i, std::size_t fin, char sep) {
    const char c = s[i];
    return c == '\r' || c == '\n' || c == sep || (c == '"' && i + 1 < fin && s[i + 1] == '"');
}

// From s[i] on, with dedans telling whether s[i] is inside quotes and debutLigne whether a
// row starts at s[i].
LignesCsv finirOctets(std::string_view s, std::size_t i, std::size_t fin, char sep, bool dedans, bool debutLigne,
                      LignesCsv r) {
    for (; i < fin; ++i) {
        const char c = s[i];
        if (debutLigne && douteuse(s, i, fin, sep)) ++r.douteuses;
        debutLigne = false;
        if (c == '"') {
            dedans = !dedans;
            ++r.guillemets;
        } else if (!dedans && (c == '\n' || (c == '\r' && (i + 1 == fin || s[i + 1] != '\n')))) {
            ++r.lignes;
            debutLigne = true;
        }
    }
    if (!debutLigne) ++r.lignes;  // a last row without its row end
    return r;
}

}  // namespace

LignesCsv compterLignesCsvOctets(std::string_view s, std::size_t debut, std::size_t fin, char sep) {
    if (debut >= fin) return {};
    return finirOctets(s, debut, fin, sep, false, true, {});
}

#if defined(__SSE2__)

namespace {

// Sixty-four bytes, as four blocks of sixteen.
struct Bloc {
    __m128i a, b, c, d;
    explicit Bloc(const char* p)
        : a(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
          b(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16))),
          c(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))),
          d(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48))) {}
    // The bytes equal to x, as bits.
    uint64_t egaux(__m128i x) const {
        auto bits = [&](__m128i v) {
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, x))));
        };
        return bits(a) | bits(b) << 16 | bits(c) << 32 | bits(d) << 48;
    }
};

// Bit i set when an odd number of the bits 0..i of x are.
uint64_t xorCumule(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// Without the popcnt instruction, which x86-64 does not promise, the builtin is a call.
std::size_t compte(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<std::size_t>((x * 0x0101010101010101ull) >> 56);
}

}  // namespace

namespace {

// What the row count carries from one block of sixty-four bytes to the next, and the count.
struct Comptage {
    LignesCsv r;
    uint64_t dedans = 0;      // all ones when the previous block ended inside quotes
    uint64_t debutLigne = 1;  // bit 0: a row starts at the block's first byte

    // One block, from the masks of its quotes, line feeds, carriage returns and separators;
    // parite has bit i set after an odd number of the block's quotes up to i; suivant is the
    // byte after the block (a CR LF, a "" at a row start). compte counts the bits set.
    template <typename Compte>
    [[gnu::always_inline]] inline void bloc(uint64_t g, uint64_t lf, uint64_t cr, uint64_t sp, uint64_t parite,
                                            char suivant, Compte compte) {
        const uint64_t suivantLf = (lf >> 1) | (uint64_t{suivant == '\n'} << 63);
        const uint64_t suivantG = (g >> 1) | (uint64_t{suivant == '"'} << 63);
        const uint64_t interieur = parite ^ dedans;
        const uint64_t fins = (lf | (cr & ~suivantLf)) & ~interieur;
        r.lignes += compte(fins);
        r.guillemets += compte(g);
        const uint64_t debuts = debutLigne | (fins << 1);
        r.douteuses += compte(debuts & (cr | lf | sp | (g & suivantG)));
        debutLigne = fins >> 63;
        dedans = interieur >> 63 ? ~uint64_t{0} : 0;
    }

    LignesCsv finir(std::string_view s, std::size_t i, std::size_t fin, char sep) const {
        return finirOctets(s, i, fin, sep, dedans != 0, debutLigne != 0, r);
    }
};

// Sixty-four bytes at a time; the bytes inside quotes are those after an odd number of quotes.
LignesCsv compterSse2(std::string_view s, std::size_t debut, std::size_t fin, char sep) {
    const __m128i guillemet = _mm_set1_epi8('"'), saut = _mm_set1_epi8('\n'), retour = _mm_set1_epi8('\r'),
                  separateur = _mm_set1_epi8(sep);
    Comptage c;
    std::size_t i = debut;
    for (; i + 65 <= fin; i += 64) {
        const char* p = s.data() + i;
        const Bloc v(p);
        const uint64_t g = v.egaux(guillemet);
        c.bloc(g, v.egaux(saut), v.egaux(retour), v.egaux(separateur), xorCumule(g), p[64], compte);
    }
    return c.finir(s, i, fin, sep);
}

// The same with AVX-512: one load and one compare per mask, the running parity of the quotes
// in one carry-less multiplication, the bits counted by the processor.
__attribute__((target("avx512f,avx512bw,pclmul,popcnt"))) LignesCsv compterAvx512(std::string_view s,
                                                                                   std::size_t debut,
                                                                                   std::size_t fin, char sep) {
    const __m512i guillemet = _mm512_set1_epi8('"'), saut = _mm512_set1_epi8('\n'),
                  retour = _mm512_set1_epi8('\r'), separateur = _mm512_set1_epi8(sep);
    const __m128i uns = _mm_set1_epi8(-1);
    Comptage c;
    std::size_t i = debut;
    for (; i + 65 <= fin; i += 64) {
        const char* p = s.data() + i;
        const __m512i v = _mm512_loadu_si512(p);
        const uint64_t g = _mm512_cmpeq_epi8_mask(v, guillemet);
        const uint64_t parite = static_cast<uint64_t>(
            _mm_cvtsi128_si64(_mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(g)), uns, 0)));
        c.bloc(g, _mm512_cmpeq_epi8_mask(v, saut), _mm512_cmpeq_epi8_mask(v, retour),
               _mm512_cmpeq_epi8_mask(v, separateur), parite, p[64],
               [](uint64_t x) { return static_cast<std::size_t>(__builtin_popcountll(x)); });
    }
    return c.finir(s, i, fin, sep);
}

}  // namespace

std::vector<CompteurLignesCsv> compteursLignesCsv() {
    std::vector<CompteurLignesCsv> versions;
    __builtin_cpu_init();  // this runs among the constructors, maybe before the compiler's own
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("popcnt")) {
        versions.push_back(compterAvx512);
    }
    versions.push_back(compterSse2);
    return versions;
}

namespace {
const CompteurLignesCsv kCompteur = compteursLignesCsv().front();
}  // namespace

LignesCsv compterLignesCsv(std::string_view s, std::size_t debut, std::size_t fin, char sep) {
    if (debut >= fin) return {};
    return kCompteur(s, debut, fin, sep);
}

std::size_t compterGuillemets(std::string_view s, std::size_t debut, std::size_t fin) {
    const __m128i guillemet = _mm_set1_epi8('"');
    std::size_t r = 0, i = debut;
    for (; i + 64 <= fin; i += 64) {
        r += compte(Bloc(s.data() + i).egaux(guillemet));
    }
    for (; i < fin; ++i) r += s[i] == '"';
    return r;
}

#else

std::vector<CompteurLignesCsv> compteursLignesCsv() { return {compterLignesCsvOctets}; }

LignesCsv compterLignesCsv(std::string_view s, std::size_t debut, std::size_t fin, char sep) {
    return compterLignesCsvOctets(s, debut, fin, sep);
}

std::size_t compterGuillemets(std::string_view s, std::size_t debut, std::size_t fin) {
    std::size_t r = 0;
    for (std::size_t i = debut; i < fin; ++i) r += s[i] == '"';
    return r;
}

#endif
