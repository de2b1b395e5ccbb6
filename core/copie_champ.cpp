#include "core/copie_champ.h"

#include "core/cp1252.h"

#include <algorithm>
#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

inline bool simple(unsigned char b, const ReglesCopie& r) {
    return b != 0 && b < 0x80 && b != '\n' && b != static_cast<unsigned char>(r.arrets[0]) &&
           b != static_cast<unsigned char>(r.arrets[1]) && b != static_cast<unsigned char>(r.arrets[2]);
}

// The Windows-1252 byte of each two- and three-byte UTF-8 character it has, 0 for none, by
// code point: every one is among U+0080..U+07FF and U+2000..U+21FF. Looked up rather than
// decoded, so that the copy loops call nothing (a call would make them save their registers).
struct VersCp1252 {
    std::array<uint8_t, 0x800> deux{};
    std::array<uint8_t, 0x200> trois{};
    VersCp1252() {
        for (char32_t c = 0x80; c < 0x800; ++c) deux[c] = static_cast<uint8_t>(std::max(octetCp1252(c), 0));
        for (char32_t c = 0; c < 0x200; ++c) trois[c] = static_cast<uint8_t>(std::max(octetCp1252(0x2000 + c), 0));
    }
};
const VersCp1252 kVersCp1252;

// A byte a run of plain bytes stops at, still taken: a line feed after its carriage return,
// or alone where the rules take it as CR LF, a byte from 0x80 on where they take those, or a
// character Windows-1252 has. Advances p and n when it is; the field has room for one byte at
// the least.
// Always inlined: a call would keep p and n in memory through the copy loops.
__attribute__((always_inline)) inline bool prendreAutre(const unsigned char* debut, const unsigned char*& p,
                                                        const unsigned char* fin, char* champ, std::size_t& n,
                                                        std::size_t capacite, const ReglesCopie& regles) {
    const unsigned char b = *p;
    if (b == '\n') {
        if (p == debut || p[-1] != '\r') {
            if (!regles.retourAvantSaut || n + 2 > capacite) return false;
            champ[n++] = '\r';
        }
        champ[n++] = '\n';
        ++p;
        return true;
    }
    if (b >= 0x80 && regles.octetsHauts) {
        champ[n++] = static_cast<char>(b);
        ++p;
        return true;
    }
    if (!regles.latin || b < 0xC2) return false;
    const std::ptrdiff_t reste = fin - p;
    uint8_t octet = 0;
    int longueur = 0;
    if (b < 0xE0) {
        if (reste < 2 || (p[1] & 0xC0) != 0x80) return false;
        octet = kVersCp1252.deux[static_cast<std::size_t>((b & 0x1F) << 6 | (p[1] & 0x3F))];
        longueur = 2;
    } else if (b == 0xE2) {
        if (reste < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return false;
        const std::size_t c = static_cast<std::size_t>((p[1] & 0x3F) << 6 | (p[2] & 0x3F));
        if (c < kVersCp1252.trois.size()) octet = kVersCp1252.trois[c];
        longueur = 3;
    }
    if (octet == 0) return false;
    champ[n++] = static_cast<char>(octet);
    p += longueur;
    return true;
}

#if defined(__SSE2__)

// For each set of lead bytes among eight, the positions of the bytes kept, in order, and how
// many there are.
struct Tassements {
    std::array<uint64_t, 256> ordre{};
    std::array<uint8_t, 256> gardes{};
    Tassements() {
        for (unsigned masque = 0; masque < 256; ++masque) {
            uint64_t o = 0;
            unsigned k = 0;
            for (unsigned i = 0; i < 8; ++i) {
                if ((masque >> i & 1) == 0) o |= uint64_t{i} << (8 * k++);
            }
            gardes[masque] = static_cast<uint8_t>(k);
            for (; k < 8; ++k) o |= uint64_t{0x80} << (8 * k);  // a zero byte
            ordre[masque] = o;
        }
    }
};
const Tassements kTassements;

// Writes the sixteen bytes of v but those in the set leads, in order, at champ; the number
// of bytes left out, negated (modulo the size), so that the caller adds the bytes it took.
__attribute__((target("ssse3"))) inline std::size_t tasser(__m128i v, unsigned leads, char* champ) {
    const unsigned bas = leads & 0xFF, hautes = leads >> 8;
    const __m128i ordre = _mm_add_epi8(_mm_set_epi64x(static_cast<long long>(kTassements.ordre[hautes]),
                                                      static_cast<long long>(kTassements.ordre[bas])),
                                       _mm_set_epi64x(0x0808080808080808ll, 0));
    const __m128i tassee = _mm_shuffle_epi8(v, ordre);
    const std::size_t gardesBas = kTassements.gardes[bas];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(champ), tassee);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(champ + gardesBas), _mm_unpackhi_epi64(tassee, tassee));
    return gardesBas + kTassements.gardes[hautes] - 16;
}

// Sixteen bytes at a time, without a branch that depends on the text: plain bytes and the
// line feed of a CR LF are kept, each two-byte letter becomes its one byte (the lead bytes
// are squeezed out by a shuffle of each half). French text has an accent every ten bytes or
// so: stopping at each, as a simpler copy does, costs a mispredicted branch every time.
__attribute__((target("ssse3"))) CopieChamp copierSsse3(const unsigned char* debut, const unsigned char* p,
                                                        const unsigned char* fin, const unsigned char* lisible,
                                                        char* champ, std::size_t n, std::size_t capacite,
                                                        const ReglesCopie& regles) {
    const bool latin = regles.latin;
    std::size_t haut = n;
    const __m128i sautDeLigne = _mm_set1_epi8('\n');
    const __m128i retour = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    const __m128i c2 = _mm_set1_epi8(static_cast<char>(0xC2));
    const __m128i c3 = _mm_set1_epi8(static_cast<char>(0xC3));
    const __m128i lettres = latin ? _mm_set1_epi8(-1) : zero;  // whether letters are taken
    const __m128i hautsC0 = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i hautsE0 = _mm_set1_epi8(static_cast<char>(0xE0));
    const __m128i suite = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i suiteA0 = _mm_set1_epi8(static_cast<char>(0xA0));
    const __m128i ajout = _mm_set1_epi8(0x40);
    const __m128i arret0 = _mm_set1_epi8(regles.arrets[0]), arret1 = _mm_set1_epi8(regles.arrets[1]),
                  arret2 = _mm_set1_epi8(regles.arrets[2]);
    const __m128i hautsArretent = _mm_set1_epi8(regles.octetsHauts ? 0 : static_cast<char>(0x80));
    while (p < fin && n + 16 <= capacite) {
        if (lisible - p < 16) {
            CopieChamp reste = copierChampOctets(debut, p, fin, champ, n, capacite, regles);
            reste.haut = std::max(reste.haut, haut);
            return reste;
        }
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i precedent =
            _mm_or_si128(_mm_slli_si128(v, 1), _mm_cvtsi32_si128(p > debut ? p[-1] : 0));
        const __m128i lf = _mm_cmpeq_epi8(v, sautDeLigne);
        // The high bit of each byte that is not ASCII (unless those are taken), a line feed or
        // a zero byte.
        unsigned arrets = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_and_si128(v, hautsArretent), _mm_or_si128(lf, _mm_cmpeq_epi8(v, zero)))));
        arrets &= ~static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(lf, _mm_cmpeq_epi8(precedent, retour))));
        arrets |= static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
            _mm_cmpeq_epi8(v, arret0), _mm_or_si128(_mm_cmpeq_epi8(v, arret1), _mm_cmpeq_epi8(v, arret2)))));
        const std::size_t dansCellule = static_cast<std::size_t>(fin - p);
        const unsigned dehors = (0xFFFFu << (dansCellule < 16 ? dansCellule : 16)) & 0xFFFFu;
        const __m128i suivant = _mm_srli_si128(v, 1);
        const __m128i estC3 = _mm_cmpeq_epi8(v, c3);
        const __m128i tete = _mm_and_si128(
            lettres, _mm_or_si128(_mm_and_si128(estC3, _mm_cmpeq_epi8(_mm_and_si128(suivant, hautsC0), suite)),
                                  _mm_and_si128(_mm_cmpeq_epi8(v, c2),
                                                _mm_cmpeq_epi8(_mm_and_si128(suivant, hautsE0), suiteA0))));
        // A lead whose second byte is past the cell is not a letter here.
        const unsigned tetes = static_cast<unsigned>(_mm_movemask_epi8(tete)) & ~(dehors >> 1);
        arrets = (arrets & ~(tetes | tetes << 1)) | dehors;
        const __m128i sortie = _mm_add_epi8(v, _mm_and_si128(_mm_slli_si128(_mm_and_si128(tete, estC3), 1), ajout));
        if (arrets == 0) {
            // All sixteen taken, the common case: p moves on without waiting for the bytes.
            haut = std::max(haut, n + 16);
            n += tasser(sortie, tetes, champ + n) + 16;
            p += 16;
            continue;
        }
        const unsigned k = static_cast<unsigned>(__builtin_ctz(arrets));
        haut = std::max(haut, n + 16);
        n += tasser(sortie, tetes & ((1u << k) - 1), champ + n) + k;
        p += k;
        if (p == fin || !prendreAutre(debut, p, fin, champ, n, capacite, regles)) break;
    }
    return {p, n, std::max(haut, n)};  // a CR LF taken may end past the last store
}

#define BREVANDOUX_AVX512 "avx512f,avx512bw,avx512vbmi2,popcnt,bmi2"

// Writes the first combien bytes of c (at most 32) at champ + n, with a carriage return
// before each in the set sauts; n moves past them. The bytes are spread out by one expansion
// rather than a store per line feed: a line feed every twenty bytes or so, in spreadsheet
// tables, made a loop of varying length that the processor mispredicted.
__attribute__((target(BREVANDOUX_AVX512))) inline void poserMoitie(__m512i c, unsigned combien, uint32_t sauts,
                                                                    char* champ, std::size_t& n) {
    // Two places per byte, the first kept only for a line feed's carriage return; then, among
    // the places kept, those the bytes go to.
    const uint64_t places = _pdep_u64(sauts, 0x5555555555555555ull) | 0xAAAAAAAAAAAAAAAAull;
    const uint64_t octets = _pext_u64(0xAAAAAAAAAAAAAAAAull, places);
    const __m512i sortie = _mm512_mask_expand_epi8(_mm512_set1_epi8('\r'), octets, c);
    const unsigned longueur = combien + static_cast<unsigned>(__builtin_popcount(sauts));
    _mm512_mask_storeu_epi8(champ + n, _bzhi_u64(~uint64_t{0}, longueur), sortie);
    n += longueur;
}

// Writes the bytes of v in the set gardes, in order, at champ + n, with a carriage return
// before each in the set retours (lone line feeds, among gardes); n moves past them.
__attribute__((target(BREVANDOUX_AVX512))) inline void poserBloc(__m512i v, uint64_t gardes, uint64_t retours,
                                                                  char* champ, std::size_t& n) {
    const unsigned combien = static_cast<unsigned>(__builtin_popcountll(gardes));
    const __m512i c = _mm512_maskz_compress_epi8(gardes, v);
    if (retours == 0) {
        _mm512_mask_storeu_epi8(champ + n, _bzhi_u64(~uint64_t{0}, combien), c);
        n += combien;
        return;
    }
    const uint64_t sauts = _pext_u64(retours, gardes);  // where they are among the bytes kept
    poserMoitie(c, std::min(combien, 32u), static_cast<uint32_t>(sauts), champ, n);
    if (combien > 32) {
        const __m512i haute = _mm512_maskz_alignr_epi64(0x0F, c, c, 4);
        poserMoitie(haute, combien - 32, static_cast<uint32_t>(sauts >> 32), champ, n);
    }
}

// Sixty-four bytes at a time where the processor has AVX-512 with byte compression: the
// byte masks are plain 64-bit integers, so the line feed after a carriage return and the
// letters' lead bytes are found with shifts, the lead bytes are squeezed out in one
// instruction, and a masked store writes exactly the bytes kept. Where it stops short of the
// cell's end for want of room or of readable bytes, the sixteen-byte copy goes on. A version
// per set of rules that change the loop: every instruction of it counts, for every cell.
template <bool kSauts, bool kHauts>
__attribute__((target(BREVANDOUX_AVX512))) CopieChamp
copierAvx512Selon(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                  const unsigned char* lisible, char* champ, std::size_t n, std::size_t capacite,
                  const ReglesCopie& regles) {
    const __m512i sautDeLigne = _mm512_set1_epi8('\n');
    const __m512i retour = _mm512_set1_epi8('\r');
    const __m512i c2 = _mm512_set1_epi8(static_cast<char>(0xC2));
    const __m512i c3 = _mm512_set1_epi8(static_cast<char>(0xC3));
    const __m512i hautsC0 = _mm512_set1_epi8(static_cast<char>(0xC0));
    const __m512i hautsE0 = _mm512_set1_epi8(static_cast<char>(0xE0));
    const __m512i suite = _mm512_set1_epi8(static_cast<char>(0x80));
    const __m512i suiteA0 = _mm512_set1_epi8(static_cast<char>(0xA0));
    const __m512i ajout = _mm512_set1_epi8(0x40);
    const __m512i arret0 = _mm512_set1_epi8(regles.arrets[0]), arret1 = _mm512_set1_epi8(regles.arrets[1]),
                  arret2 = _mm512_set1_epi8(regles.arrets[2]);
    const uint64_t latin = regles.latin ? ~uint64_t{0} : 0;
    while (p < fin) {
        if (n + 64 > capacite || lisible - p < 64) {
            return copierSsse3(debut, p, fin, lisible, champ, n, capacite, regles);
        }
        const __m512i v = _mm512_loadu_si512(p);
        const uint64_t retours = _mm512_cmpeq_epi8_mask(v, retour);
        const uint64_t apresRetour = retours << 1 | uint64_t{p > debut && p[-1] == '\r'};
        const uint64_t explicites = _mm512_cmpeq_epi8_mask(v, arret0) | _mm512_cmpeq_epi8_mask(v, arret1) |
                                    _mm512_cmpeq_epi8_mask(v, arret2);
        const uint64_t sautsSeuls = _mm512_cmpeq_epi8_mask(v, sautDeLigne) & ~apresRetour;
        uint64_t arrets = _mm512_testn_epi8_mask(v, v) | explicites;
        if constexpr (!kHauts) arrets |= _mm512_movepi8_mask(v);
        const uint64_t estC3 = _mm512_cmpeq_epi8_mask(v, c3) & latin;
        const uint64_t estC2 = _mm512_cmpeq_epi8_mask(v, c2) & latin;
        const uint64_t suites = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, hautsC0), suite);
        const uint64_t suitesA0 = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, hautsE0), suiteA0);
        const std::size_t dansCellule = static_cast<std::size_t>(fin - p);
        const uint64_t dehors = dansCellule < 64 ? ~uint64_t{0} << dansCellule : 0;
        // Lone line feeds taken as CR LF, when the whole block's output has room.
        uint64_t doubles = 0;
        if constexpr (kSauts) {
            doubles = sautsSeuls & ~explicites & ~dehors;
            if (doubles != 0 && n + 64 + static_cast<std::size_t>(__builtin_popcountll(doubles)) > capacite) {
                doubles = 0;
            }
        }
        arrets |= sautsSeuls & ~doubles;
        // A lead whose second byte is past the cell is not a letter here; one whose second
        // byte is past the block ends the block, not the copy.
        const uint64_t tetes = ((estC3 & suites >> 1) | (estC2 & suitesA0 >> 1)) & ~(dehors >> 1);
        const uint64_t coupe = (estC3 | estC2) & ~dehors & (uint64_t{1} << 63);
        arrets = (arrets & ~(tetes | tetes << 1 | coupe)) | dehors;
        const uint64_t fins = arrets | coupe;
        const __m512i sortie = _mm512_mask_add_epi8(v, (estC3 & tetes) << 1, v, ajout);
        if (fins == 0) {
            // The whole block taken, the common case: p moves on at once, where a move by the
            // bytes taken would wait for every mask of the block.
            p += 64;
            poserBloc(sortie, ~tetes, doubles, champ, n);
            continue;
        }
        const unsigned k = static_cast<unsigned>(__builtin_ctzll(fins));
        const uint64_t avant = (uint64_t{1} << k) - 1;  // k < 64: fins has a bit
        poserBloc(sortie, avant & ~tetes, doubles & avant, champ, n);
        p += k;
        // A byte this loop does not take, or the cell's end.
        if (arrets != 0 && (p == fin || !prendreAutre(debut, p, fin, champ, n, capacite, regles))) break;
    }
    return {p, n, n};
}

__attribute__((target(BREVANDOUX_AVX512))) CopieChamp
copierAvx512(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
             const unsigned char* lisible, char* champ, std::size_t n, std::size_t capacite,
             const ReglesCopie& regles) {
    if (regles.retourAvantSaut) {
        return regles.octetsHauts ? copierAvx512Selon<true, true>(debut, p, fin, lisible, champ, n, capacite, regles)
                                  : copierAvx512Selon<true, false>(debut, p, fin, lisible, champ, n, capacite, regles);
    }
    return regles.octetsHauts ? copierAvx512Selon<false, true>(debut, p, fin, lisible, champ, n, capacite, regles)
                              : copierAvx512Selon<false, false>(debut, p, fin, lisible, champ, n, capacite, regles);
}
#undef BREVANDOUX_AVX512
#endif

}  // namespace

// The room is checked before each run of at most 16 bytes, in every version.
CopieChamp copierChampOctets(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                             char* champ, std::size_t n, std::size_t capacite, const ReglesCopie& regles) {
    while (p < fin && n + 16 <= capacite) {
        std::size_t k = 0;
        while (k < 16 && p + k < fin && simple(p[k], regles)) {
            champ[n + k] = static_cast<char>(p[k]);
            ++k;
        }
        p += k;
        n += k;
        if (k == 16) continue;
        if (p == fin || !prendreAutre(debut, p, fin, champ, n, capacite, regles)) break;
    }
    return {p, n, n};
}

namespace {

CopieChamp copierChampOctetsLisible(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                                    const unsigned char*, char* champ, std::size_t n, std::size_t capacite,
                                    const ReglesCopie& regles) {
    return copierChampOctets(debut, p, fin, champ, n, capacite, regles);
}

}  // namespace

std::vector<CopieurChamp> copieursChamp() {
    std::vector<CopieurChamp> versions;
#if defined(__SSE2__)
    __builtin_cpu_init();  // this runs among the constructors, maybe before the compiler's own
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt") &&
        __builtin_cpu_supports("bmi2")) {
        versions.push_back(copierAvx512);
    }
    if (__builtin_cpu_supports("ssse3")) versions.push_back(copierSsse3);
#endif
    versions.push_back(copierChampOctetsLisible);
    return versions;
}

const CopieurChamp copierChamp = copieursChamp().front();
