#include "core/recherche.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/pli_accents.h"

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

// Byte by byte, for processors without the vector instructions above: the first match's
// first byte, or -1.
int32_t positionOctets(const Motif& mo, const unsigned char* texte, std::size_t capacite) {
    const std::size_t m = mo.octets.size();
    for (std::size_t s = 0; s + m <= capacite && texte[s] != 0; ++s) {
        if (mo.accorde(texte[s], 0) && mo.accorde(texte[s + m - 1], m - 1) && mo.milieu(texte + s)) {
            return static_cast<int32_t>(s);
        }
    }
    return -1;
}

bool dansOctets(const Motif& mo, const unsigned char* texte, std::size_t capacite) {
    return positionOctets(mo, texte, capacite) >= 0;
}

bool carteOctets(const Motif& mo, const Fiche& f) {
    return dansOctets(mo, champ(f, offsetof(Fiche, description)), sizeof f.description) ||
           dansOctets(mo, champ(f, offsetof(Fiche, titre)), sizeof f.titre);
}

// The search that ignores accents: the folded pattern looked for in the text, folded as it is
// read. A match may start at a byte whose folding begins with the pattern's first byte, or at
// the second half of a ligature ("e" is in "œ"); most bytes are turned down by one look-up.
struct MotifPlie {
    // The bytes past ASCII that may start the pattern, and those whose folding starts with its
    // second byte, as the wide scan tells them: from 0x80 to 0xBF all or none; from 0xC0 on,
    // a range once small letters are taken as capitals (0xE9 as 0xC9).
    struct Hauts {
        bool bas = false;
        unsigned char min = 0xFF, max = 0;
        void ajouter(std::size_t b) {
            if (b < 0xC0) {
                bas = true;
                return;
            }
            min = std::min(min, static_cast<unsigned char>(b & 0xDF));
            max = std::max(max, static_cast<unsigned char>(b & 0xDF));
        }
    };
    // A byte that folds onto one byte is filtered by the bytes after it as an ASCII byte is;
    // one that folds onto two (œ, æ, ß, þ) may hold the pattern's start in either half.
    Hauts hautsPremier, hautsPremierDoubles, hautsDeuxieme, hautsTroisieme;

    // The bit a byte of the pattern lets differ: 0x20 for a small letter, which takes its capital.
    static char casseDe(char c) { return c >= 'a' && c <= 'z' ? 0x20 : 0; }

    explicit MotifPlie(std::string plie) : octets(std::move(plie)), casse(octets.size(), 0) {
        for (std::size_t i = 0; i < octets.size(); ++i) casse[i] = static_cast<unsigned char>(casseDe(octets[i]));
        const std::array<Pli, 256>& plis = tablePlis();
        for (std::size_t b = 0; b < 256; ++b) {
            debuts[b] = static_cast<uint8_t>((b != 0 && plis[b].octets[0] == octets[0]) |
                                             (plis[b].taille == 2 && plis[b].octets[1] == octets[0]) << 1);
            if (b >= 0x80) {
                if (debuts[b] != 0) (plis[b].taille == 2 ? hautsPremierDoubles : hautsPremier).ajouter(b);
                if (octets.size() > 1 && plis[b].octets[0] == octets[1]) hautsDeuxieme.ajouter(b);
                if (octets.size() > 2 && plis[b].octets[0] == octets[2]) hautsTroisieme.ajouter(b);
            }
        }
    }

    // Whether the pattern starts at half j of byte s of texte[0, fin), which ends there or at
    // its first zero; apres is then the byte after the last one the match takes.
    bool accorde(const unsigned char* texte, std::size_t fin, std::size_t s, unsigned j, std::size_t& apres) const {
        if (j == 0) {
            // While the text is ASCII, each byte folds onto one: compared as the exact search
            // compares, with no table.
            std::size_t i = 0;
            for (; i < octets.size() && s + i < fin && texte[s + i] < 0x80; ++i) {
                if ((texte[s + i] | casse[i]) != static_cast<unsigned char>(octets[i])) return false;
            }
            if (i == octets.size()) {
                apres = s + i;
                return true;
            }
            if (s + i >= fin) return false;
        }
        std::size_t k = 0;
        while (k < octets.size()) {
            if (s >= fin || texte[s] == 0) return false;
            const Pli& p = plis_[texte[s]];
            for (; j < p.taille && k < octets.size(); ++j, ++k) {
                if (p.octets[j] != octets[k]) return false;
            }
            if (j == p.taille) {
                ++s;
                j = 0;
            }
        }
        apres = j == 0 ? s : s + 1;
        return true;
    }

    // For each start, whether the window of as many bytes as the pattern has holds a byte past
    // ASCII, from the bits of the bytes past ASCII: where it does not, the match takes exactly
    // that window, and its last byte is the window's last.
    uint64_t fenetresHorsAscii(uint64_t hauts) const {
        std::size_t couverts = 1;
        for (; 2 * couverts <= octets.size(); couverts *= 2) hauts |= hauts >> couverts;
        return couverts < octets.size() ? hauts | hauts >> (octets.size() - couverts) : hauts;
    }

    // Whether the pattern starts at byte s, either half; apres as for accorde.
    bool debutA(const unsigned char* texte, std::size_t capacite, std::size_t s, std::size_t& apres) const {
        const uint8_t d = debuts[texte[s]];
        return ((d & 1) != 0 && accorde(texte, capacite, s, 0, apres)) ||
               ((d & 2) != 0 && accorde(texte, capacite, s, 1, apres));
    }

    // The first match in a field, byte by byte: its first byte, or -1.
    int32_t dansOctets(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        for (std::size_t s = 0; s < capacite && texte[s] != 0; ++s) {
            if (debuts[texte[s]] != 0 && debutA(texte, capacite, s, apres)) return static_cast<int32_t>(s);
        }
        return -1;
    }

#ifdef __SSE2__
    // The same, sixteen starts at a time. A start is worth a closer look when its byte is among
    // the bytes past ASCII that may start the pattern, or when it folds onto the pattern's first
    // byte, the byte after it onto the second (or is among those past ASCII that may: an ASCII
    // byte folds onto one byte, so the second folded byte is the next byte's first), and the
    // last byte of its window onto the pattern's last where the window is ASCII. Reads up to 32
    // bytes past the field's end, inside the card as for the other scans.
    int32_t dansSse2(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        const char second = octets.size() > 1 ? octets[1] : 0;
        const __m128i premier = _mm_set1_epi8(octets[0]), plisPremier = _mm_set1_epi8(casseDe(octets[0]));
        const __m128i deuxieme = _mm_set1_epi8(second), plisDeuxieme = _mm_set1_epi8(casseDe(second));
        const __m128i dernier = _mm_set1_epi8(octets.back()), plisDernier = _mm_set1_epi8(casseDe(octets.back()));
        const char tiers = octets.size() > 2 ? octets[2] : 0;
        const __m128i troisieme = _mm_set1_epi8(tiers), plisTroisieme = _mm_set1_epi8(casseDe(tiers));
        const __m128i nul = _mm_setzero_si128();
        const auto hauts = [](const Hauts& h, __m128i v) {
            uint32_t m = 0;
            if (h.bas) m = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                             _mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xC0))), _mm_set1_epi8(static_cast<char>(0x80)))));
            if (h.min <= h.max) {
                const __m128i c = _mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xDF)));
                const __m128i hors = _mm_or_si128(_mm_subs_epu8(c, _mm_set1_epi8(static_cast<char>(h.max))),
                                                  _mm_subs_epu8(_mm_set1_epi8(static_cast<char>(h.min)), c));
                m |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hors, _mm_setzero_si128())));
            }
            return m;
        };
        const std::size_t queue = std::min<std::size_t>(octets.size(), 17) - 1;
        for (std::size_t s = 0; s < capacite; s += 16) {
            const __m128i tetes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s));
            const __m128i queues = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s + queue));
            auto bits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(tetes, plisPremier), premier)));
            const auto hautsIci = static_cast<uint32_t>(_mm_movemask_epi8(tetes));
            const uint64_t horsAscii =
                hautsIci | static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s + 16))))) << 16;
            if (hautsIci != 0) bits |= hauts(hautsPremier, tetes);
            if (octets.size() <= 17) {
                bits &= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(queues, plisDernier), dernier))) |
                        static_cast<uint32_t>(fenetresHorsAscii(horsAscii));
            }
            if (octets.size() > 1) {
                const __m128i suivants = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s + 1));
                uint32_t deuxiemes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(suivants, plisDeuxieme), deuxieme)));
                if (horsAscii != 0) deuxiemes |= hauts(hautsDeuxieme, suivants);
                bits &= deuxiemes;
                if (octets.size() > 2 && horsAscii != 0) {
                    // The third folded byte is the third byte's first where the first two
                    // bytes are ASCII; a second byte past ASCII keeps the start.
                    const __m128i troisiemes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texte + s + 2));
                    bits &= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(troisiemes, plisTroisieme), troisieme))) |
                            static_cast<uint32_t>(_mm_movemask_epi8(suivants)) | hauts(hautsTroisieme, troisiemes);
                }
            }
            if (hautsIci != 0) bits |= hauts(hautsPremierDoubles, tetes);
            const auto zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(tetes, nul)));
            if (zeros != 0) bits &= (zeros & (~zeros + 1)) - 1;
            if (capacite - s < 16) bits &= (1u << (capacite - s)) - 1;
            for (; bits != 0; bits &= bits - 1) {
                const std::size_t debut = s + static_cast<std::size_t>(__builtin_ctz(bits));
                if (debutA(texte, capacite, debut, apres)) return static_cast<int32_t>(debut);
            }
            if (zeros != 0) return -1;
        }
        return -1;
    }
#endif

#ifdef __SSE2__
    __attribute__((target("avx2"))) static uint32_t hautsAvx2(const Hauts& h, __m256i v) {
        uint32_t m = 0;
        if (h.bas) m = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(
                         _mm256_and_si256(v, _mm256_set1_epi8(static_cast<char>(0xC0))), _mm256_set1_epi8(static_cast<char>(0x80)))));
        if (h.min <= h.max) {
            const __m256i c = _mm256_and_si256(v, _mm256_set1_epi8(static_cast<char>(0xDF)));
            const __m256i hors = _mm256_or_si256(_mm256_subs_epu8(c, _mm256_set1_epi8(static_cast<char>(h.max))),
                                              _mm256_subs_epu8(_mm256_set1_epi8(static_cast<char>(h.min)), c));
            m |= static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hors, _mm256_setzero_si256())));
        }
        return m;
    }

    // The same, 32 starts at a time, on processors that have AVX2.
    __attribute__((target("avx2"))) int32_t dansAvx2(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        const char second = octets.size() > 1 ? octets[1] : 0;
        const __m256i premier = _mm256_set1_epi8(octets[0]), plisPremier = _mm256_set1_epi8(casseDe(octets[0]));
        const __m256i deuxieme = _mm256_set1_epi8(second), plisDeuxieme = _mm256_set1_epi8(casseDe(second));
        const __m256i dernier = _mm256_set1_epi8(octets.back()), plisDernier = _mm256_set1_epi8(casseDe(octets.back()));
        const char tiers = octets.size() > 2 ? octets[2] : 0;
        const __m256i troisieme = _mm256_set1_epi8(tiers), plisTroisieme = _mm256_set1_epi8(casseDe(tiers));
        const __m256i nul = _mm256_setzero_si256();
        const std::size_t queue = std::min<std::size_t>(octets.size(), 33) - 1;
        for (std::size_t s = 0; s < capacite; s += 32) {
            const __m256i tetes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s));
            const __m256i queues = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s + queue));
            auto bits = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(tetes, plisPremier), premier)));
            const auto hautsIci = static_cast<uint32_t>(_mm256_movemask_epi8(tetes));
            const uint64_t horsAscii =
                hautsIci | static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s + 32))))) << 32;
            if (hautsIci != 0) bits |= hautsAvx2(hautsPremier, tetes);
            if (octets.size() <= 33) {
                bits &= static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(queues, plisDernier), dernier))) |
                        static_cast<uint32_t>(fenetresHorsAscii(horsAscii));
            }
            if (octets.size() > 1) {
                const __m256i suivants = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s + 1));
                uint32_t deuxiemes = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(suivants, plisDeuxieme), deuxieme)));
                if (horsAscii != 0) deuxiemes |= hautsAvx2(hautsDeuxieme, suivants);
                bits &= deuxiemes;
                if (octets.size() > 2 && horsAscii != 0) {
                    // The third folded byte is the third byte's first where the first two
                    // bytes are ASCII; a second byte past ASCII keeps the start.
                    const __m256i troisiemes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texte + s + 2));
                    bits &= static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(troisiemes, plisTroisieme), troisieme))) |
                            static_cast<uint32_t>(_mm256_movemask_epi8(suivants)) | hautsAvx2(hautsTroisieme, troisiemes);
                }
            }
            if (hautsIci != 0) bits |= hautsAvx2(hautsPremierDoubles, tetes);
            const auto zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(tetes, nul)));
            if (zeros != 0) bits &= (zeros & (~zeros + 1)) - 1;
            if (capacite - s < 32) bits &= (uint32_t{1} << (capacite - s)) - 1;
            for (; bits != 0; bits &= bits - 1) {
                const std::size_t debut = s + static_cast<std::size_t>(__builtin_ctz(bits));
                if (debutA(texte, capacite, debut, apres)) return static_cast<int32_t>(debut);
            }
            if (zeros != 0) return -1;
        }
        return -1;
    }

#endif

    // The first match in a field with the scan chosen (one the processor has).
    int32_t dans(const unsigned char* texte, std::size_t capacite, std::size_t& apres, Balayage choix) const {
#ifdef __SSE2__
        if (choix == Balayage::sse2) return dansSse2(texte, capacite, apres);
        if (choix == Balayage::avx2) return dansAvx2(texte, capacite, apres);
#endif
        return dansOctets(texte, capacite, apres);
    }

    bool carte(const Fiche& f, Balayage choix) const {
        std::size_t apres;
        return dans(champ(f, offsetof(Fiche, description)), sizeof f.description, apres, choix) >= 0 ||
               dans(champ(f, offsetof(Fiche, titre)), sizeof f.titre, apres, choix) >= 0;
    }

    std::string octets;
    const Pli* plis_ = tablePlis().data();
    std::vector<unsigned char> casse;  // per pattern byte: 0x20 for a small letter, which takes its capital
    std::array<uint8_t, 256> debuts{};  // bit 0: its folding starts the pattern; bit 1: its second half
};

using Correspond = bool (*)(const Motif&, const Fiche&);

// The widest scan this processor has.
Balayage meilleurBalayage() {
#ifdef __SSE2__
    return __builtin_cpu_supports("avx2") ? Balayage::avx2 : Balayage::sse2;
#else
    return Balayage::octets;
#endif
}

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

namespace {

// Empties the results: a search that finds nothing leaves a blank card there, not what an
// older search left.
void viderResultats(MagasinFiches& store) {
    store.resultats.redimensionner(1);
    std::memset(static_cast<void*>(&store.resultats[0]), 0, sizeof(Fiche));
    store.dernierResultat = -1;
    store.listeResultats = true;
}

// Copies the cards that correspond into the results, in table order.
template <typename Correspond>
int32_t copierTrouvees(MagasinFiches& store, const Correspond& correspond) {
    TableFiches& resultats = store.resultats;
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
        if (!correspond(fiches[i])) continue;
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

std::string motifDe(const std::string& expression) {
    std::string motif(expression.c_str());  // a text ends at its first zero
    enMinuscules(motif.data());
    return motif;
}

}  // namespace

int32_t rechercher(MagasinFiches& store, const std::string& expression, Balayage choix) {
    viderResultats(store);
    const std::string motif = motifDe(expression);
    if (motif.empty()) return 0;
    const Motif cherche(motif);
    const Correspond correspond = balayage(choix);
    if (correspond == nullptr) return 0;
    return copierTrouvees(store, [&](const Fiche& f) { return correspond(cherche, f); });
}

int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents) {
    return rechercher(store, expression, sansAccents, Balayage::meilleur);
}

int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents, Balayage choix) {
    if (!sansAccents) return rechercher(store, expression, choix);
    viderResultats(store);
    const std::string plie = plierTexte(expression.c_str());
    if (plie.empty() || !balayageDisponible(choix)) return 0;
    const MotifPlie cherche(plie);
    const Balayage b = choix == Balayage::meilleur ? meilleurBalayage() : choix;
    return copierTrouvees(store, [&](const Fiche& f) { return cherche.carte(f, b); });
}

Correspondance premiereCorrespondance(const Fiche& f, const std::string& expression, bool sansAccents) {
    const std::string motif = sansAccents ? plierTexte(expression.c_str()) : motifDe(expression);
    if (motif.empty()) return {};
    const std::optional<MotifPlie> plie = sansAccents ? std::optional<MotifPlie>(motif) : std::nullopt;
    const Motif exact(motif);
    for (const Correspondance::Champ quel : {Correspondance::description, Correspondance::titre}) {
        const bool description = quel == Correspondance::description;
        const unsigned char* texte = champ(f, description ? offsetof(Fiche, description) : offsetof(Fiche, titre));
        const std::size_t capacite = description ? sizeof f.description : sizeof f.titre;
        std::size_t apres = 0;
        int32_t debut = -1;
        if (plie) {
            debut = plie->dans(texte, capacite, apres, meilleurBalayage());
        } else if ((debut = positionOctets(exact, texte, capacite)) >= 0) {
            apres = static_cast<std::size_t>(debut) + motif.size();
        }
        if (debut >= 0) return {quel, debut, static_cast<int32_t>(apres)};
    }
    return {};
}
