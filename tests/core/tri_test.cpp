#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/ordre_titres.h"
#include "core/tri.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/table_copiee.h"

namespace {

// The exchange sort the card file has always used, written as it was: its order, ties
// included, is what the fast sorts must reproduce.
template <class Avant>
void triEchange(Fiche* fiches, int32_t derniere, Avant avant) {
    for (int32_t i = 0; i <= derniere; ++i) {
        for (int32_t j = 0; j <= derniere; ++j) {
            if (j < i && avant(fiches[i], fiches[j])) {
                Fiche mise;
                std::memcpy(&mise, &fiches[i], sizeof(Fiche));
                std::memcpy(&fiches[i], &fiches[j], sizeof(Fiche));
                std::memcpy(&fiches[j], &mise, sizeof(Fiche));
            }
        }
    }
}

// Byte by byte, unsigned, up to the first difference or the zero; a title filling its whole
// field ends there.
bool titreAvant(const Fiche& a, const Fiche& b) {
    for (std::size_t k = 0; k < sizeof a.titre; ++k) {
        const auto x = static_cast<unsigned char>(a.titre[k]);
        const auto y = static_cast<unsigned char>(b.titre[k]);
        if (x != y) return x < y;
        if (x == 0) return false;
    }
    return false;
}

bool numeroAvant(const Fiche& a, const Fiche& b) { return a.numero < b.numero; }

// Every card carries its original index in its picture field, so that a card can be told from
// another with the same key after the sort.
constexpr std::size_t kMarque = 200;
uint32_t marque(const Fiche& f) {
    uint32_t m;
    std::memcpy(&m, f.image + kMarque, sizeof m);
    return m;
}

struct Base {
    SansMessages messages;
    MagasinFiches store{messages};

    explicit Base(int32_t nombre) {
        store.fiches.redimensionner(static_cast<std::size_t>(std::max(nombre, 1)));
        store.derniere = nombre - 1;
    }
    Fiche& operator[](std::size_t i) { return store.fiches[i]; }
    std::vector<Fiche> copie() {
        return fichesDe(store.fiches, static_cast<std::size_t>(store.derniere + 1));
    }
    std::vector<std::string> titres() {
        std::vector<std::string> t;
        for (int32_t i = 0; i <= store.derniere; ++i) t.emplace_back(texteChamp(store.fiches[i].titre));
        return t;
    }
    std::vector<int32_t> numeros() {
        std::vector<int32_t> t;
        for (int32_t i = 0; i <= store.derniere; ++i) t.push_back(store.fiches[i].numero);
        return t;
    }
};

void remplirHasard(Fiche& f, std::mt19937& hasard, uint32_t index) {
    auto* octets = reinterpret_cast<unsigned char*>(&f);
    for (std::size_t k = 0; k < sizeof(Fiche); ++k) octets[k] = static_cast<unsigned char>(hasard());
    f.description[0] = '\0';
    std::memcpy(f.image + kMarque, &index, sizeof index);
}

enum class Ordre { hasard, croissant, decroissant };

// A title pool with few distinct titles: empty ones, prefixes of one another, capitals and
// small letters, bytes of 0x80 and above, titles with no zero in their field.
std::vector<std::string> poolTitres(std::mt19937& hasard, int distincts) {
    static const char alphabet[] = {'a', 'b', 'A', 'B', ' ', '0', 'z', 'Z', '\x80', '\xe9', '\xff', '\x01'};
    std::vector<std::string> pool;
    for (int k = 0; k < distincts; ++k) {
        const int tirage = static_cast<int>(hasard() % 10);
        std::string t;
        if (tirage == 0) {
            // empty
        } else if (tirage == 1 && !pool.empty()) {
            t = pool[hasard() % pool.size()];
            t.push_back(alphabet[hasard() % sizeof alphabet]);
        } else if (tirage == 2) {
            t.assign(256, 'q');
            for (std::size_t c = 0; c < 12; ++c) t[hasard() % 256] = alphabet[hasard() % sizeof alphabet];
        } else {
            const std::size_t longueur = 1 + hasard() % (tirage == 3 ? 20 : 10);
            for (std::size_t c = 0; c < longueur; ++c) t.push_back(alphabet[hasard() % 3 == 0 ? hasard() % sizeof alphabet : hasard() % 4]);
        }
        pool.push_back(t);
    }
    return pool;
}

void poserTitre(Fiche& f, const std::string& t) {
    if (t.size() >= sizeof f.titre) {
        std::memcpy(f.titre, t.data(), sizeof f.titre);  // no terminating zero in the field
    } else {
        std::memcpy(f.titre, t.data(), t.size());
        f.titre[t.size()] = '\0';
    }
}

void ordonner(Base& base, Ordre ordre, bool (*avant)(const Fiche&, const Fiche&)) {
    if (ordre == Ordre::hasard) return;
    std::vector<Fiche> fiches = base.copie();
    std::stable_sort(fiches.begin(), fiches.end(), avant);
    if (ordre == Ordre::decroissant) std::reverse(fiches.begin(), fiches.end());
    poserFiches(base.store.fiches, fiches.data(), fiches.size());
    for (int32_t i = 0; i <= base.store.derniere; ++i) {
        const auto index = static_cast<uint32_t>(i);
        std::memcpy(base[index].image + kMarque, &index, sizeof index);
    }
}

// Sorts the same table both ways and compares every byte, plus where courante went.
void comparerAuTriEchange(Base& base, int32_t (*tri)(MagasinFiches&),
                          bool (*avant)(const Fiche&, const Fiche&), const std::string& quoi) {
    std::vector<Fiche> attendu = base.copie();
    triEchange(attendu.data(), base.store.derniere, avant);
    const int32_t courante = base.store.courante;
    const int32_t rendue = tri(base.store);
    if (!attendu.empty()) {
        ASSERT_EQ(std::memcmp(attendu.data(), base.copie().data(), attendu.size() * sizeof(Fiche)), 0)
            << quoi;
    }
    ASSERT_EQ(rendue, base.store.courante) << quoi;
    if (base.store.derniere >= 0) {
        ASSERT_EQ(marque(base.store.fiches[static_cast<std::size_t>(base.store.courante)]),
                  static_cast<uint32_t>(courante))
            << quoi;
    }
}

Base baseDeTitres(std::mt19937& hasard, int32_t nombre, int distincts, Ordre ordre) {
    Base base(nombre);
    const std::vector<std::string> pool = poolTitres(hasard, distincts);
    for (int32_t i = 0; i < nombre; ++i) {
        remplirHasard(base[static_cast<std::size_t>(i)], hasard, static_cast<uint32_t>(i));
        poserTitre(base[static_cast<std::size_t>(i)], pool[hasard() % pool.size()]);
    }
    ordonner(base, ordre, titreAvant);
    base.store.courante = nombre > 0 ? static_cast<int32_t>(hasard() % static_cast<uint32_t>(nombre)) : 0;
    return base;
}

Base baseDeNumeros(std::mt19937& hasard, int32_t nombre, int distincts, Ordre ordre) {
    Base base(nombre);
    std::vector<int32_t> pool;
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 0, 1};
    for (int k = 0; k < distincts; ++k) {
        pool.push_back(hasard() % 4 == 0 ? extremes[hasard() % 5]
                                         : static_cast<int32_t>(hasard() % 2001) - 1000);
    }
    for (int32_t i = 0; i < nombre; ++i) {
        remplirHasard(base[static_cast<std::size_t>(i)], hasard, static_cast<uint32_t>(i));
        base[static_cast<std::size_t>(i)].numero = pool[hasard() % pool.size()];
    }
    ordonner(base, ordre, numeroAvant);
    base.store.courante = nombre > 0 ? static_cast<int32_t>(hasard() % static_cast<uint32_t>(nombre)) : 0;
    return base;
}

void poser(Fiche& f, int32_t numero, const char* titre) {
    std::memset(&f, 0, sizeof f);
    f.numero = numero;
    std::strcpy(f.titre, titre);
}

}  // namespace

TEST(triNumerique, examplesOfTies_firstOfEachShiftedRunMovesToItsEnd) {
    Base base(3);
    poser(base[0], 1, "A");
    poser(base[1], 1, "B");
    poser(base[2], 0, "C");
    triNumerique(base.store);
    EXPECT_EQ(base.titres(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(base.numeros(), (std::vector<int32_t>{0, 1, 1}));

    Base cinq(5);
    poser(cinq[0], 1, "A");
    poser(cinq[1], 1, "B");
    poser(cinq[2], 2, "C");
    poser(cinq[3], 2, "D");
    poser(cinq[4], 0, "E");
    triNumerique(cinq.store);
    EXPECT_EQ(cinq.titres(), (std::vector<std::string>{"E", "B", "A", "D", "C"}));
}

TEST(triNumerique, negativesFirst_signedComparison) {
    Base base(3);
    poser(base[0], 5, "cinq");
    poser(base[1], -1, "moins un");
    poser(base[2], 3, "trois");
    triNumerique(base.store);
    EXPECT_EQ(base.numeros(), (std::vector<int32_t>{-1, 3, 5}));

    Base bornes(4);
    poser(bornes[0], INT32_MAX, "");
    poser(bornes[1], 0, "");
    poser(bornes[2], INT32_MIN, "");
    poser(bornes[3], -2, "");
    triNumerique(bornes.store);
    EXPECT_EQ(bornes.numeros(), (std::vector<int32_t>{INT32_MIN, -2, 0, INT32_MAX}));
}

TEST(triAlphabetique, unsignedBytes_capitalsBeforeSmall_emptyFirst) {
    Base base(4);
    poser(base[0], 1, "abc");
    poser(base[1], 2, "Abc");
    poser(base[2], 3, "ABC");
    poser(base[3], 4, "");
    triAlphabetique(base.store);
    EXPECT_EQ(base.titres(), (std::vector<std::string>{"", "ABC", "Abc", "abc"}));

    Base autre(6);
    poser(autre[0], 1, "\xe9t\xe9");  // été: accented letters after every unaccented one
    poser(autre[1], 2, "zoo");
    poser(autre[2], 3, "Zoo");
    poser(autre[3], 4, "ab");
    poser(autre[4], 5, "a");
    poser(autre[5], 6, "9 vies");
    triAlphabetique(autre.store);
    EXPECT_EQ(autre.titres(),
              (std::vector<std::string>{"9 vies", "Zoo", "a", "ab", "zoo", "\xe9t\xe9"}));
}

TEST(triAlphabetique, bytesAfterTheZeroIgnored_wholeRecordsMoved) {
    Base base(2);
    poser(base[0], 1, "b");
    poser(base[1], 2, "b");
    std::memcpy(base[0].titre + 2, "zzz", 3);  // older contents after the zero
    std::memcpy(base[1].titre + 2, "aaa", 3);
    std::strcpy(base[1].description, "deux");
    std::strcpy(base[1].image, "\\deux.jpg");
    std::vector<Fiche> avant = base.copie();
    triAlphabetique(base.store);  // equal titles in order: nothing moves
    EXPECT_EQ(std::memcmp(avant.data(), base.copie().data(), 2 * sizeof(Fiche)), 0);

    poser(base[0], 1, "c");
    triAlphabetique(base.store);
    EXPECT_EQ(base[0].numero, 2);
    EXPECT_STREQ(base[0].description, "deux");
    EXPECT_STREQ(base[0].image, "\\deux.jpg");
    EXPECT_EQ(std::memcmp(base[0].titre + 2, "aaa", 3), 0);
}

TEST(triAlphabetique, oneCardOrNone_unchanged) {
    Base une(1);
    poser(une[0], 7, "seule");
    std::vector<Fiche> avant = une.copie();
    EXPECT_EQ(triAlphabetique(une.store), 0);
    EXPECT_EQ(triNumerique(une.store), 0);
    EXPECT_EQ(std::memcmp(avant.data(), une.copie().data(), sizeof(Fiche)), 0);

    Base vide(0);
    EXPECT_EQ(vide.store.derniere, -1);
    EXPECT_EQ(triAlphabetique(vide.store), 0);
    EXPECT_EQ(triNumerique(vide.store), 0);
}

TEST(triNumerique, courante_followsTheCardOnDisplay) {
    Base base(4);
    poser(base[0], 4, "quatre");
    poser(base[1], 3, "trois");
    poser(base[2], 2, "deux");
    poser(base[3], 1, "un");
    base.store.courante = 1;
    EXPECT_EQ(triNumerique(base.store), 2);
    EXPECT_EQ(base.store.courante, 2);
    EXPECT_STREQ(base.store.ficheCourante().titre, "trois");
    base.store.courante = 3;                    // quatre, last by number
    EXPECT_EQ(triAlphabetique(base.store), 1);  // deux, quatre, trois, un
    EXPECT_STREQ(base.store.ficheCourante().titre, "quatre");
}

TEST(triAlphabetique, alreadySorted_withTies_unchanged) {
    std::mt19937 hasard(11);
    for (int essai = 0; essai < 20; ++essai) {
        Base base = baseDeTitres(hasard, 60, 1 + essai % 6, Ordre::croissant);
        std::vector<Fiche> avant = base.copie();
        triAlphabetique(base.store);
        ASSERT_EQ(std::memcmp(avant.data(), base.copie().data(), avant.size() * sizeof(Fiche)), 0);
    }
}

TEST(triAlphabetique, manyTies_matchesExchangeSort) {
    std::mt19937 hasard(1);
    for (int essai = 0; essai < 300; ++essai) {
        const int32_t nombre = static_cast<int32_t>(hasard() % 90);
        const int distincts = 1 + static_cast<int>(hasard() % 6);
        Base base = baseDeTitres(hasard, nombre, distincts, Ordre::hasard);
        comparerAuTriEchange(base, triAlphabetique, titreAvant, "essai " + std::to_string(essai));
    }
}

TEST(triAlphabetique, variedTablesSortedReversedLarge_matchExchangeSort) {
    std::mt19937 hasard(2);
    const Ordre ordres[] = {Ordre::hasard, Ordre::croissant, Ordre::decroissant};
    for (int essai = 0; essai < 60; ++essai) {
        const int32_t nombre = 50 + static_cast<int32_t>(hasard() % 400);
        const int distincts = 1 + static_cast<int>(hasard() % 60);
        Base base = baseDeTitres(hasard, nombre, distincts, ordres[essai % 3]);
        comparerAuTriEchange(base, triAlphabetique, titreAvant, "essai " + std::to_string(essai));
    }
}

TEST(triNumerique, manyTiesAndNegatives_matchesExchangeSort) {
    std::mt19937 hasard(3);
    const Ordre ordres[] = {Ordre::hasard, Ordre::hasard, Ordre::croissant, Ordre::decroissant};
    for (int essai = 0; essai < 300; ++essai) {
        const int32_t nombre = static_cast<int32_t>(hasard() % (essai < 280 ? 90 : 700));
        const int distincts = 1 + static_cast<int>(hasard() % (essai % 2 == 0 ? 5 : 200));
        Base base = baseDeNumeros(hasard, nombre, distincts, ordres[essai % 4]);
        comparerAuTriEchange(base, triNumerique, numeroAvant, "essai " + std::to_string(essai));
    }
}

// Larger tables on light records: the same exchange sort on (number, original index) pairs,
// so that big runs of equal keys rotated many times are covered without the cost of moving
// whole cards n² times.
TEST(triNumerique, largeTablesFewKeys_matchExchangeSortOnLightRecords) {
    struct Leger {
        int32_t numero;
        uint32_t index;
    };
    std::mt19937 hasard(4);
    for (int essai = 0; essai < 12; ++essai) {
        const int32_t nombre = 1000 + static_cast<int32_t>(hasard() % 3000);
        const int distincts = essai < 6 ? 2 + essai : 50 * essai;
        Base base = baseDeNumeros(hasard, nombre, distincts, essai % 4 == 3 ? Ordre::decroissant : Ordre::hasard);
        std::vector<Leger> leger;
        for (int32_t i = 0; i < nombre; ++i) {
            leger.push_back({base[static_cast<std::size_t>(i)].numero, marque(base[static_cast<std::size_t>(i)])});
        }
        for (int32_t i = 0; i < nombre; ++i) {
            for (int32_t j = 0; j < nombre; ++j) {
                if (j < i && leger[static_cast<std::size_t>(i)].numero < leger[static_cast<std::size_t>(j)].numero) {
                    std::swap(leger[static_cast<std::size_t>(i)], leger[static_cast<std::size_t>(j)]);
                }
            }
        }
        triNumerique(base.store);
        for (int32_t i = 0; i < nombre; ++i) {
            ASSERT_EQ(marque(base[static_cast<std::size_t>(i)]), leger[static_cast<std::size_t>(i)].index)
                << "essai " << essai << " place " << i;
        }
    }
}

TEST(triAlphabetique, titlesFillingTheirField_comparedUpToTheFieldEnd) {
    Base base(3);
    for (std::size_t i = 0; i < 3; ++i) {
        std::memset(&base[i], 0, sizeof(Fiche));
        std::memset(base[i].titre, 'm', sizeof base[i].titre);
        base[i].numero = static_cast<int32_t>(i);
    }
    // The bytes that follow the field (the description) do not count.
    std::strcpy(base[0].description, "zzz");
    std::strcpy(base[1].description, "aaa");
    base[2].titre[255] = 'a';
    triAlphabetique(base.store);
    // The two equal titles form a run that the smaller one shifts: its first card goes last.
    EXPECT_EQ(base.numeros(), (std::vector<int32_t>{2, 1, 0}));
}

// Thousands of distinct titles, so that the table finding equal titles grows, many of them
// alike in their first eight or sixteen bytes, some repeated, some filling their field: the
// order is a stable sort by title, and the runs of equal titles are where it says.
TEST(ordonnerParTitre, distinctTitlesAlikeInTheirHeads_matchAStableSort) {
    std::mt19937 hasard(5);
    const char* prefixes[] = {"", "Recette ", "Lettre de ", "Fiche num\xe9ro 00", "abcdefghijklmnop", "\xff\xff"};
    const char lettres[] = {'a', 'b', 'B', ' ', '\xe9', '\x01'};
    std::vector<std::string> pool;
    for (int k = 0; k < 4000; ++k) {
        std::string t = prefixes[hasard() % std::size(prefixes)];
        const std::size_t suite = hasard() % 10 == 0 ? 300 : hasard() % 24;
        for (std::size_t c = 0; c < suite; ++c) t.push_back(lettres[hasard() % std::size(lettres)]);
        pool.push_back(t);
    }
    const int32_t nombre = 9000;
    Base base(nombre);
    for (int32_t i = 0; i < nombre; ++i) {
        remplirHasard(base[static_cast<std::size_t>(i)], hasard, static_cast<uint32_t>(i));
        poserTitre(base[static_cast<std::size_t>(i)], pool[hasard() % pool.size()]);
    }
    const std::vector<Fiche> fiches = base.copie();
    std::vector<uint32_t> attendu(fiches.size());
    for (uint32_t i = 0; i < attendu.size(); ++i) attendu[i] = i;
    std::stable_sort(attendu.begin(), attendu.end(), [&](uint32_t a, uint32_t b) { return titreAvant(fiches[a], fiches[b]); });
    std::vector<uint32_t> bornes;
    for (uint32_t k = 0; k < attendu.size(); ++k) {
        if (k == 0 || titreAvant(fiches[attendu[k - 1]], fiches[attendu[k]])) bornes.push_back(k);
    }
    bornes.push_back(static_cast<uint32_t>(nombre));

    const OrdreTitres obtenu = ordonnerParTitre(base.store.fiches, static_cast<uint32_t>(nombre));
    EXPECT_EQ(obtenu.ordre, attendu);
    EXPECT_EQ(obtenu.bornes, bornes);
    EXPECT_GT(bornes.size(), 2000u);
}
