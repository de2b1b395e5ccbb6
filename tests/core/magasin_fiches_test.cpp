#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/magasin_fiches.h"
#include "tests/support/texte_numerote.h"
#include "tests/support/messages_enregistres.h"

namespace {

// Fills the store with cards carrying the given numbers and titles "t<i>".
void remplir(MagasinFiches& s, const std::vector<int32_t>& numeros) {
    s.fiches.redimensionner(numeros.empty() ? 1 : numeros.size());
    s.derniere = static_cast<int32_t>(numeros.size()) - 1;
    for (std::size_t i = 0; i < numeros.size(); ++i) {
        s.fiches[i].numero = numeros[i];
        ecrireChamp(s.fiches[i].titre, texteNumerote("t", i));
    }
}

// The rescanning algorithm, as the numbering rule is defined.
int32_t numeroLibreReference(const MagasinFiches& s, int32_t depart, int32_t sauf) {
    uint32_t n = static_cast<uint32_t>(depart);
    for (;;) {
        bool trouve = false;
        for (int32_t i = 0; i <= s.derniere; ++i) {
            if (i != sauf && s.fiches[static_cast<std::size_t>(i)].numero == static_cast<int32_t>(n)) {
                trouve = true;
                break;
            }
        }
        if (!trouve) return static_cast<int32_t>(n);
        ++n;
    }
}

class MagasinFichesTest : public ::testing::Test {
protected:
    MessagesEnregistres messages;
    MagasinFiches store{messages};
};

TEST_F(MagasinFichesTest, startUp_oneBlankCardNumberedZero) {
    EXPECT_EQ(store.derniere, 0);
    EXPECT_EQ(store.courante, 0);
    EXPECT_EQ(store.fiches.places(), 1u);
    EXPECT_EQ(store.fiches[0].numero, 0);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "");
    EXPECT_EQ(store.resultats.places(), 1u);
    EXPECT_EQ(store.numeroLibre(0, -1), 1);
}

TEST_F(MagasinFichesTest, numeroLibre_examples) {
    struct Cas {
        std::vector<int32_t> numeros;
        int32_t depart, sauf, attendu;
    };
    const Cas cas[] = {
        {{0, 1, 2, 5}, 0, -1, 3},
        {{1, 2}, 0, -1, 0},
        {{7, 8, 0}, 7, 2, 9},
        {{7, 8, 9}, 7, 2, 9},  // the card left out does not count
        {{INT32_MAX}, INT32_MAX, -1, INT32_MIN},
        {{INT32_MAX, INT32_MIN}, INT32_MAX, -1, INT32_MIN + 1},
        {{-1, -2}, -2, -1, 0},
    };
    for (const Cas& c : cas) {
        remplir(store, c.numeros);
        EXPECT_EQ(store.numeroLibre(c.depart, c.sauf), c.attendu);
    }
}

TEST_F(MagasinFichesTest, numeroLibre_baseWithoutCards_isStart) {
    remplir(store, {});
    store.derniere = -1;
    EXPECT_EQ(store.numeroLibre(0, -1), 0);
    EXPECT_EQ(store.numeroLibre(-5, -1), -5);
}

TEST_F(MagasinFichesTest, numeroLibre_matchesRescanningReference_onRandomTables) {
    std::mt19937 alea(1234);
    for (int essai = 0; essai < 2000; ++essai) {
        const int n = static_cast<int>(alea() % 12);
        std::vector<int32_t> numeros;
        // Numbers packed near the start, near the top of the range, or anywhere.
        const int32_t centre = std::vector<int32_t>{0, INT32_MAX - 3, INT32_MIN, -2}[alea() % 4];
        for (int i = 0; i < n; ++i) {
            numeros.push_back(static_cast<int32_t>(static_cast<uint32_t>(centre) + alea() % 8));
        }
        remplir(store, numeros);
        if (n == 0) store.derniere = -1;
        const int32_t depart = static_cast<int32_t>(static_cast<uint32_t>(centre) + alea() % 6 - 1);
        const int32_t sauf = n == 0 ? -1 : static_cast<int32_t>(alea() % (n + 1)) - 1;
        EXPECT_EQ(store.numeroLibre(depart, sauf), numeroLibreReference(store, depart, sauf))
            << "essai " << essai;
    }
}

TEST_F(MagasinFichesTest, numeroValide_newCardTakesNextFree_modificationKeepsTyped) {
    remplir(store, {7, 8, 1, 0, 99});  // the last slot is the card being added
    store.courante = 4;
    store.ajoutEnCours = 1;
    EXPECT_EQ(store.numeroValide("7"), 9);
    EXPECT_EQ(store.numeroValide("12abc"), 12);
    EXPECT_EQ(store.numeroValide("abc"), 2);
    // The box's minus sign is read: -5 is free.
    EXPECT_EQ(store.numeroValide("-5"), -5);
    EXPECT_EQ(store.numeroValide("-abc"), 2);
    store.ajoutEnCours = 0;
    EXPECT_EQ(store.numeroValide("7"), 7);
    EXPECT_EQ(store.numeroValide("4294967295"), -1);
    EXPECT_EQ(store.numeroValide("-1"), -1);
    EXPECT_EQ(store.numeroValide("-2147483648"), INT32_MIN);
}

TEST_F(MagasinFichesTest, supprimerFiche_lastAndMiddle) {
    remplir(store, {10, 11, 12, 13, 14});
    store.courante = 4;
    store.supprimerFiche();
    EXPECT_EQ(store.derniere, 3);
    EXPECT_EQ(store.courante, 3);
    EXPECT_EQ(store.fiches.places(), 4u);

    remplir(store, {10, 11, 12, 13, 14});
    store.courante = 1;
    store.supprimerFiche();
    EXPECT_EQ(store.courante, 1);
    EXPECT_EQ(store.fiches[1].numero, 12);
    EXPECT_EQ(texteChamp(store.fiches[1].titre), "t2");
    EXPECT_EQ(store.fiches[3].numero, 14);
}

TEST_F(MagasinFichesTest, supprimerFiche_onlyCard_leavesBaseWithoutCards_thenNothing) {
    remplir(store, {42});
    store.supprimerFiche();
    EXPECT_EQ(store.derniere, -1);
    EXPECT_EQ(store.courante, 0);
    EXPECT_EQ(store.fiches.places(), 1u);
    EXPECT_EQ(store.fiches[0].numero, 0);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "");
    store.supprimerFiche();
    EXPECT_EQ(store.derniere, -1);
    EXPECT_EQ(store.fiches.places(), 1u);
}

TEST_F(MagasinFichesTest, effacerBase_keepsAllocation_leavesOneBlankCard) {
    remplir(store, {1, 2, 3, 4, 5});
    store.courante = 3;
    store.effacerBase();
    EXPECT_EQ(store.derniere, 0);
    EXPECT_EQ(store.courante, 0);
    EXPECT_EQ(store.fiches.places(), 5u);
    EXPECT_EQ(store.fiches[0].numero, 0);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "");
    // Bytes after the terminating zero keep their older contents.
    EXPECT_EQ(store.fiches[0].titre[1], '0');

    remplir(store, {9});
    store.derniere = -1;
    store.effacerBase();
    EXPECT_EQ(store.derniere, 0);
    EXPECT_EQ(store.fiches[0].numero, 0);
}

TEST_F(MagasinFichesTest, ajouterPlace_appendsZeroedSlotAndMakesItCurrent) {
    remplir(store, {1, 2});
    store.ajouterPlace();
    EXPECT_EQ(store.derniere, 2);
    EXPECT_EQ(store.courante, 2);
    EXPECT_EQ(store.fiches.places(), 3u);
    EXPECT_EQ(store.fiches[1].numero, 2);
    // A slot freed then reused must not bring back the removed card.
    store.supprimerFiche();
    store.ajouterPlace();
    EXPECT_EQ(texteChamp(store.fiches[2].titre), "");
}

TEST(Chemin, tooLongValue_isRefusedAndKeepsOldValue) {
    Chemin<256> c;
    EXPECT_TRUE(c.affecter(std::string(255, 'a')));
    EXPECT_FALSE(c.affecter(std::string(256, 'b')));
    EXPECT_EQ(c.str(), std::string(255, 'a'));
    EXPECT_FALSE(c.affecter(std::string("a\0b", 3)));
}

}  // namespace
