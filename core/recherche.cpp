#include "core/recherche.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
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

namespace {

const unsigned char* champ(const Fiche& f, std::size_t decalage) {
    return reinterpret_cast<const unsigned char*>(&f) + decalage;
}

// The bit a byte of the pattern lets differ: 0x20 for a small letter, which takes its capital.
char casseDe(char c) { return c >= 'a' && c <= 'z' ? char{0x20} : char{0}; }

#ifdef __SSE2__

// The wide scans look at W starts of a text at once, W = 16 with SSE2 and 32 with AVX2. They
// are written once, over GCC's vector types; only the mask of the bytes' top bits needs an
// instruction of its own per width.
template <std::size_t W>
struct Largeur;
template <>
struct Largeur<16> {
    typedef unsigned char V __attribute__((vector_size(16)));
    static uint32_t signes(const V& v) { return static_cast<uint32_t>(__builtin_ia32_pmovmskb128(reinterpret_cast<__v16qi>(v))); }
};
template <>
struct Largeur<32> {
    typedef unsigned char V __attribute__((vector_size(32)));
    // Marked for AVX2 itself: clang, unlike GCC, wants the instruction's feature on the
    // function that holds it, even when it is only ever inlined into the AVX2 scans.
    [[gnu::target("avx2")]] static uint32_t signes(const V& v) {
        return static_cast<uint32_t>(__builtin_ia32_pmovmskb256(reinterpret_cast<__v32qi>(v)));
    }
};

// W bytes of text; the masks have bit i for byte i.
template <std::size_t W>
struct Bloc {
    using V = typename Largeur<W>::V;
    V v;

    static Bloc lu(const unsigned char* p) {
        Bloc b;
        std::memcpy(&b.v, p, W);
        return b;
    }
    static Bloc partout(unsigned char c) { return {V{} + c}; }
    // The bytes past ASCII.
    uint32_t hauts() const { return Largeur<W>::signes(v); }
    // The bytes where a test of them holds (a vector comparison's result).
    template <typename Test>
    static uint32_t ou(const Test& t) { return Largeur<W>::signes(reinterpret_cast<V>(t)); }
};

// One byte of the pattern set across a block: the bytes of a text that match it, a capital
// matching its small letter as for one byte.
template <std::size_t W>
struct OctetLarge {
    explicit OctetLarge(char c)
        : valeur(Bloc<W>::partout(static_cast<unsigned char>(c))),
          casse(Bloc<W>::partout(static_cast<unsigned char>(casseDe(c)))) {}
    uint32_t dans(const Bloc<W>& b) const { return Bloc<W>::ou((b.v | casse.v) == valeur.v); }
    Bloc<W> valeur, casse;
};

// The wide loop of both searches: the starts 0 to debuts - 1 of a text, W at a time, up to
// its first zero. candidats(tetes, s) tells the starts from s worth a closer look (tetes: the
// bytes there), essai(debut) whether a match starts there; the first such start, or -1. A
// start at or after the zero is not in the text; one before it whose window runs into it
// holds the zero, which no pattern byte matches.
template <std::size_t W, typename Candidats, typename Essai>
int32_t balayer(const unsigned char* texte, std::size_t debuts, const Candidats& candidats, const Essai& essai) {
    for (std::size_t s = 0; s < debuts; s += W) {
        const Bloc<W> tetes = Bloc<W>::lu(texte + s);
        uint32_t bits = candidats(tetes, s);
        const uint32_t zeros = Bloc<W>::ou(tetes.v == 0);
        if (zeros != 0) bits &= (zeros & (~zeros + 1)) - 1;
        if (debuts - s < W) bits &= (uint32_t{1} << (debuts - s)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            const std::size_t debut = s + static_cast<std::size_t>(__builtin_ctz(bits));
            if (essai(debut)) return static_cast<int32_t>(debut);
        }
        if (zeros != 0) return -1;
    }
    return -1;
}

#endif

// The lower-cased pattern, and for each of its bytes the bit that folds a text byte onto it:
// 0x20 for a small letter (a byte b matches 'e' when b | 0x20 is 'e', that is for 'E' and
// 'e' alone), none for any other byte, which must then be equal. This is the same as
// lower-casing a copy of the text and comparing, without the copy.
//
// A field is scanned for candidates, the starts where both the first and the last byte of the
// pattern match, many starts at a time; only those are compared in full. A window never runs
// past the field's end. The vector loads may read up to 31 bytes past the end of a field,
// which stays inside the card since each searched field is followed by at least 256 bytes of it.
struct Motif {
    explicit Motif(std::string minuscules) : octets(std::move(minuscules)), plis(octets) {
        for (char& c : plis) c = casseDe(c);
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

    // The first match in a field, byte by byte: its first byte, or -1; apres is then the byte
    // after its last.
    int32_t dansOctets(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        const std::size_t m = octets.size();
        for (std::size_t s = 0; s + m <= capacite && texte[s] != 0; ++s) {
            if (accorde(texte[s], 0) && accorde(texte[s + m - 1], m - 1) && milieu(texte + s)) {
                apres = s + m;
                return static_cast<int32_t>(s);
            }
        }
        return -1;
    }

#ifdef __SSE2__
    // The same, W starts at a time.
    template <std::size_t W>
    int32_t dans(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        const std::size_t m = octets.size();
        if (m > capacite) return -1;
        const OctetLarge<W> premier(octets.front()), dernier(octets.back());
        const int32_t debut = balayer<W>(
            texte, capacite - m + 1,
            [&](const Bloc<W>& tetes, std::size_t s) {
                return premier.dans(tetes) & dernier.dans(Bloc<W>::lu(texte + s + m - 1));
            },
            [&](std::size_t d) { return milieu(texte + d); });
        apres = static_cast<std::size_t>(debut) + m;
        return debut;
    }
#endif

    std::string octets;
    std::string plis;
};

// The search that ignores accents: the folded pattern looked for in the text, folded as it is
// read. A match may start at a byte whose folding begins with the pattern's first byte, or at
// the second half of a ligature ("e" is in "œ"); most bytes are turned down by one look-up.
// Where the text is ASCII it is compared as the exact search compares, with no table.
struct MotifPlie : Motif {
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
#ifdef __SSE2__
        template <std::size_t W>
        uint32_t dans(const Bloc<W>& b) const {
            uint32_t m = 0;
            if (bas) m = Bloc<W>::ou((b.v & 0xC0) == 0x80);
            if (min <= max) m |= Bloc<W>::ou(static_cast<decltype(b.v)>((b.v & 0xDF) - min) <= static_cast<unsigned char>(max - min));
            return m;
        }
#endif
    };
    // A byte that folds onto one byte is filtered by the bytes after it as an ASCII byte is;
    // one that folds onto two (œ, æ, ß, þ) may hold the pattern's start in either half.
    Hauts hautsPremier, hautsPremierDoubles, hautsDeuxieme, hautsTroisieme;

    explicit MotifPlie(std::string plie) : Motif(std::move(plie)) {
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
    bool commenceA(const unsigned char* texte, std::size_t fin, std::size_t s, unsigned j, std::size_t& apres) const {
        if (j == 0) {
            std::size_t i = 0;
            for (; i < octets.size() && s + i < fin && texte[s + i] < 0x80; ++i) {
                if (!accorde(texte[s + i], i)) return false;
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

    // Whether the pattern starts at byte s, either half; apres as for commenceA.
    bool debutA(const unsigned char* texte, std::size_t capacite, std::size_t s, std::size_t& apres) const {
        const uint8_t d = debuts[texte[s]];
        return ((d & 1) != 0 && commenceA(texte, capacite, s, 0, apres)) ||
               ((d & 2) != 0 && commenceA(texte, capacite, s, 1, apres));
    }

    // The first match in a field, byte by byte: its first byte, or -1.
    int32_t dansOctets(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        for (std::size_t s = 0; s < capacite && texte[s] != 0; ++s) {
            if (debuts[texte[s]] != 0 && debutA(texte, capacite, s, apres)) return static_cast<int32_t>(s);
        }
        return -1;
    }

#ifdef __SSE2__
    // The same, W starts at a time. A start is worth a closer look when its byte is among the
    // bytes past ASCII that may start the pattern, or when it folds onto the pattern's first
    // byte, the byte after it onto the second (or is among those past ASCII that may: an ASCII
    // byte folds onto one byte, so the second folded byte is the next byte's first), and the
    // last byte of its window onto the pattern's last where the window is ASCII. Reads up to W
    // bytes past the field's end, inside the card as for the exact search.
    template <std::size_t W>
    int32_t dans(const unsigned char* texte, std::size_t capacite, std::size_t& apres) const {
        const std::size_t n = octets.size();
        const OctetLarge<W> premier(octets[0]), deuxieme(n > 1 ? octets[1] : 0), troisieme(n > 2 ? octets[2] : 0),
            dernier(octets.back());
        const std::size_t queue = std::min(n, W + 1) - 1;
        const auto candidats = [&](const Bloc<W>& tetes, std::size_t s) {
            uint32_t bits = premier.dans(tetes);
            const uint32_t hautsIci = tetes.hauts();
            const uint64_t horsAscii = hautsIci | uint64_t{Bloc<W>::lu(texte + s + W).hauts()} << W;
            if (hautsIci != 0) bits |= hautsPremier.dans(tetes);
            if (n <= W + 1) {
                bits &= dernier.dans(Bloc<W>::lu(texte + s + queue)) | static_cast<uint32_t>(fenetresHorsAscii(horsAscii));
            }
            if (n > 1) {
                const Bloc<W> suivants = Bloc<W>::lu(texte + s + 1);
                uint32_t deuxiemes = deuxieme.dans(suivants);
                if (horsAscii != 0) deuxiemes |= hautsDeuxieme.dans(suivants);
                bits &= deuxiemes;
                if (n > 2 && horsAscii != 0) {
                    // The third folded byte is the third byte's first where the first two
                    // bytes are ASCII; a second byte past ASCII keeps the start.
                    const Bloc<W> troisiemes = Bloc<W>::lu(texte + s + 2);
                    bits &= troisieme.dans(troisiemes) | suivants.hauts() | hautsTroisieme.dans(troisiemes);
                }
            }
            if (hautsIci != 0) bits |= hautsPremierDoubles.dans(tetes);
            return bits;
        };
        return balayer<W>(texte, capacite, candidats, [&](std::size_t d) { return debutA(texte, capacite, d, apres); });
    }
#endif

    const Pli* plis_ = tablePlis().data();
    std::array<uint8_t, 256> debuts{};  // bit 0: its folding starts the pattern; bit 1: its second half
};

// The first match of a pattern in a field, scanned byte by byte (W = 1) or W starts at a time.
template <std::size_t W, typename M>
int32_t dansChamp(const M& motif, const unsigned char* texte, std::size_t capacite, std::size_t& apres) {
#ifdef __SSE2__
    if constexpr (W > 1) return motif.template dans<W>(texte, capacite, apres);
#endif
    return motif.dansOctets(texte, capacite, apres);
}

// Where the first match of a pattern lies in a card, the description first.
template <std::size_t W, typename M>
Correspondance premiere(const M& motif, const Fiche& f) {
    std::size_t apres = 0;
    int32_t debut = dansChamp<W>(motif, champ(f, offsetof(Fiche, description)), sizeof f.description, apres);
    if (debut >= 0) return {Correspondance::description, debut, static_cast<int32_t>(apres)};
    debut = dansChamp<W>(motif, champ(f, offsetof(Fiche, titre)), sizeof f.titre, apres);
    if (debut >= 0) return {Correspondance::titre, debut, static_cast<int32_t>(apres)};
    return {};
}

// Each scan compiled whole for its instructions: the vector helpers are inlined into it, where
// AVX2 may be used.
template <typename M>
using Scan = Correspondance (*)(const M&, const Fiche&);
template <typename M>
Correspondance premiereOctets(const M& motif, const Fiche& f) {
    return premiere<1>(motif, f);
}
#ifdef __SSE2__
template <typename M>
[[gnu::flatten]] Correspondance premiereSse2(const M& motif, const Fiche& f) {
    return premiere<16>(motif, f);
}
template <typename M>
[[gnu::flatten, gnu::target("avx2")]] Correspondance premiereAvx2(const M& motif, const Fiche& f) {
    return premiere<32>(motif, f);
}
#endif

// The scan chosen, the widest this processor has for meilleur, or none when it lacks it.
template <typename M>
Scan<M> balayage(Balayage choix) {
#ifdef __SSE2__
    const bool avx2 = __builtin_cpu_supports("avx2");
    switch (choix) {
        case Balayage::octets: return premiereOctets<M>;
        case Balayage::sse2: return premiereSse2<M>;
        case Balayage::avx2: return avx2 ? premiereAvx2<M> : nullptr;
        case Balayage::meilleur: break;
    }
    return avx2 ? premiereAvx2<M> : premiereSse2<M>;
#else
    return choix == Balayage::octets || choix == Balayage::meilleur ? premiereOctets<M> : nullptr;
#endif
}

// The scan reads a few lines of each card, 1028 bytes apart: too sparse for the hardware
// prefetchers, so the loop would wait on memory card after card. The cards a few places ahead
// are fetched early instead: the head of the title and the first 380 bytes of the
// description, which hold most texts whole.
const std::size_t kAvance = 8;
const std::size_t kPrefetch = 640;

}  // namespace

bool balayageDisponible(Balayage choix) { return balayage<Motif>(choix) != nullptr; }

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
    store.sorteResultats = MagasinFiches::SorteResultats::recherche;
}

// Copies the card into the results after the trouves already there.
void copierResultat(TableFiches& resultats, std::size_t trouves, const Fiche& fiche) {
    // Room for this copy and the blank slot after the last one; the table doubles, so a
    // search that matches every card copies each one once and remaps only log n times.
    if (trouves + 2 > resultats.places()) {
        resultats.redimensionner(std::max<std::size_t>(16, 2 * resultats.places()));
    }
    std::memcpy(static_cast<void*>(&resultats[trouves]), &fiche, sizeof(Fiche));
}

// Calls trouvee(slot) for each slot among the first nombre whose card corresponds, in the
// slots' order; a slot for which garder is false is not looked at.
template <typename Correspond, typename Garder, typename Trouvee>
void balayerCases(const Fiche* fiches, std::size_t nombre, const Correspond& correspond, const Garder& garder,
                  const Trouvee& trouvee) {
    std::size_t trouves = 0;
    for (std::size_t i = 0; i < nombre; ++i) {
        if (i + kAvance < nombre) {
            // Cards are whole within the table, so reading ahead never leaves it.
            const char* loin = reinterpret_cast<const char*>(&fiches[i + kAvance]);
            // When matches are frequent, most cards ahead will be copied whole: fetch them whole.
            const std::size_t avance = trouves * 8 > i ? sizeof(Fiche) + 63 : kPrefetch;
            for (std::size_t o = 0; o < avance; o += 64) __builtin_prefetch(loin + o);
        }
        if (!garder(i) || !correspond(fiches[i])) continue;
        trouvee(i);
        ++trouves;
    }
}

// Copies the cards that correspond into the results, in table order. The cards are scanned
// where they lie, in memory order; when the table's order is not that one, the slots found are
// marked and then taken in the table's order.
template <typename Correspond>
int32_t copierTrouvees(MagasinFiches& store, const Correspond& correspond) {
    TableFiches& resultats = store.resultats;
    const std::size_t n = store.derniere < 0 ? 0 : static_cast<std::size_t>(store.derniere) + 1;
    const TableFiches& table = store.fiches;
    const Fiche* fiches = table.cases();
    std::size_t trouves = 0;
    if (table.enOrdre()) {
        balayerCases(fiches, n, correspond, [](std::size_t) { return true; },
                     [&](std::size_t i) { copierResultat(resultats, trouves++, fiches[i]); });
    } else {
        const std::vector<uint32_t> places = table.placesDesCases(n);
        std::vector<uint64_t> marques((n + 63) / 64, 0);
        balayerCases(fiches, table.nombreCases(), correspond,
                     [&](std::size_t c) { return places[c] != TableFiches::kHors; },
                     [&](std::size_t c) { marques[places[c] / 64] |= uint64_t{1} << (places[c] % 64); });
        for (std::size_t mot = 0; mot < marques.size(); ++mot) {
            for (uint64_t m = marques[mot]; m != 0; m &= m - 1) {
                const std::size_t i = mot * 64 + static_cast<std::size_t>(__builtin_ctzll(m));
                copierResultat(resultats, trouves++, table[i]);
            }
        }
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
    return rechercher(store, expression, false, choix);
}

int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents) {
    return rechercher(store, expression, sansAccents, Balayage::meilleur);
}

namespace {

template <typename M>
int32_t copierCorrespondantes(MagasinFiches& store, const std::string& motif, Balayage choix) {
    const Scan<M> scan = balayage<M>(choix);
    if (motif.empty() || scan == nullptr) return 0;
    const M cherche(motif);
    return copierTrouvees(store, [&](const Fiche& f) { return scan(cherche, f).champ != Correspondance::aucun; });
}

}  // namespace

int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents, Balayage choix) {
    viderResultats(store);
    if (sansAccents) return copierCorrespondantes<MotifPlie>(store, plierTexte(expression.c_str()), choix);
    return copierCorrespondantes<Motif>(store, motifDe(expression), choix);
}

Correspondance premiereCorrespondance(const Fiche& f, const std::string& expression, bool sansAccents) {
    const std::string motif = sansAccents ? plierTexte(expression.c_str()) : motifDe(expression);
    if (motif.empty()) return {};
    if (sansAccents) return balayage<MotifPlie>(Balayage::meilleur)(MotifPlie(motif), f);
    return balayage<Motif>(Balayage::meilleur)(Motif(motif), f);
}
