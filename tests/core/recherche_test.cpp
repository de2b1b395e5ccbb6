#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/pli_accents.h"
#include "core/texte_nombre.h"
#include "core/recherche.h"
#include "core/selection.h"
#include "tests/support/messages_enregistres.h"

namespace {

struct Base {
    SansMessages messages;
    MagasinFiches store{messages};

    Fiche& ajouter(int32_t numero, const std::string& titre, const std::string& description) {
        store.ajouterPlace();
        Fiche& f = store.fiches[static_cast<std::size_t>(store.derniere)];
        std::memset(&f, 0, sizeof f);
        f.numero = numero;
        ecrireChamp(f.titre, titre);
        ecrireChamp(f.description, description);
        return f;
    }
    // Starts from a base without cards, as reading an empty base file leaves it.
    Base() {
        store.derniere = -1;
        store.courante = 0;
    }
    std::vector<int32_t> numerosTrouves() {
        std::vector<int32_t> n;
        for (int32_t i = 0; i <= store.dernierResultat; ++i) n.push_back(store.resultats[static_cast<std::size_t>(i)].numero);
        return n;
    }
};

// Index of the first occurrence of motif in texte (both zero-terminated), or -1. Exact byte
// equality; an empty motif is never found: the plainest search, the reference of the others.
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

// The search as the card file has always done it: lower-cased copies of the description,
// then of the title, looked up with positionDe.
bool correspondSelonCopies(const Fiche& f, const std::string& expression) {
    std::string motif(expression.c_str());
    enMinuscules(motif.data());
    std::string description(texteChamp(f.description));
    enMinuscules(description.data());
    if (positionDe(description.c_str(), motif.c_str()) >= 0) return true;
    std::string titre(texteChamp(f.titre));
    enMinuscules(titre.data());
    return positionDe(titre.c_str(), motif.c_str()) >= 0;
}

const Balayage kBalayages[] = {Balayage::octets, Balayage::sse2, Balayage::avx2, Balayage::meilleur};

// Runs the search with every scan this processor has; they must all agree on the cards found.
int32_t parChaqueBalayage(Base& base, const std::string& motif) {
    int32_t compte = -1;
    std::vector<int32_t> trouves;
    for (Balayage b : kBalayages) {
        if (!balayageDisponible(b)) continue;
        const int32_t n = rechercher(base.store, motif, b);
        if (compte < 0) {
            compte = n;
            trouves = base.numerosTrouves();
        } else {
            EXPECT_EQ(n, compte) << "scan " << static_cast<int>(b) << " motif " << motif;
            EXPECT_EQ(base.numerosTrouves(), trouves) << "scan " << static_cast<int>(b);
        }
    }
    return compte;
}

bool trouve(const std::string& motif, const std::string& description, bool sansAccents) {
    Base b;
    b.ajouter(0, "", description);
    return rechercher(b.store, motif, sansAccents) == 1;
}

}  // namespace

// The wide scans read 16 or 32 starts at once: a pattern at any place of either field, up to
// and across the field's end, with or without a closing zero, is found by each of them exactly
// when the byte scan finds it, and the byte scan finds it exactly when it lies whole in the text.
TEST(rechercher, everyAvailableScan_agreesWithTheByteScan_atEveryOffsetAndFieldEnd) {
    ASSERT_TRUE(balayageDisponible(Balayage::octets));
    EXPECT_TRUE(balayageDisponible(Balayage::meilleur));
    const std::string modele = "MotIfAbCdEfGhIjKlMnOpQrStUvWxYz0123456789";
    int comparaisons = 0;
    for (bool dansTitre : {false, true}) {
        for (bool ferme : {true, false}) {
            for (std::size_t longueur : {1u, 2u, 3u, 15u, 16u, 17u, 31u, 32u, 33u}) {
                const std::string motif = modele.substr(0, longueur);
                std::string cherche = motif;
                enMinuscules(cherche.data());  // found whatever the capitals
                const std::size_t taille = dansTitre ? sizeof(Fiche::titre) : sizeof(Fiche::description);
                // The text is the whole field, or all of it but the closing zero.
                const std::size_t texte = ferme ? taille - 1 : taille;
                for (std::size_t position = 0; position < taille; ++position) {
                    Base base;
                    Fiche& f = base.ajouter(7, "", "");
                    char* champ = dansTitre ? f.titre : f.description;
                    std::memset(champ, 'z', texte);
                    if (ferme) champ[taille - 1] = '\0';
                    for (std::size_t k = 0; k < longueur && position + k < texte; ++k) {
                        champ[position + k] = motif[k];
                    }
                    const int32_t attendu = position + longueur <= texte ? 1 : 0;
                    const Fiche copie = f;
                    const int32_t octets = rechercher(base.store, cherche, Balayage::octets);
                    ASSERT_EQ(octets, attendu) << "position " << position << " longueur " << longueur;
                    for (Balayage b : {Balayage::sse2, Balayage::avx2, Balayage::meilleur}) {
                        if (!balayageDisponible(b)) continue;
                        ++comparaisons;
                        ASSERT_EQ(rechercher(base.store, cherche, b), octets)
                            << "scan " << static_cast<int>(b) << " titre " << dansTitre << " ferme "
                            << ferme << " position " << position << " longueur " << longueur;
                    }
                    ASSERT_EQ(std::memcmp(&base.store.fiches[0], &copie, sizeof copie), 0);
                }
            }
        }
    }
    RecordProperty("comparaisons", comparaisons);
}

TEST(enMinuscules, asciiCapitalsOnly) {
    char texte[] = "\xc9" "COLE Ecole @[`{ Zz \xc0\xde";
    enMinuscules(texte);
    EXPECT_STREQ(texte, "\xc9" "cole ecole @[`{ zz \xc0\xde");
    char vide[] = "";
    enMinuscules(vide);
    EXPECT_STREQ(vide, "");
}

TEST(positionDe, firstOccurrence_emptyMotifNeverFound) {
    EXPECT_EQ(positionDe("aaab", "aab"), 1);
    EXPECT_EQ(positionDe("abcabc", "cab"), 2);
    EXPECT_EQ(positionDe("abc", "abc"), 0);
    EXPECT_EQ(positionDe("abc", "abcd"), -1);
    EXPECT_EQ(positionDe("abc", "C"), -1);
    EXPECT_EQ(positionDe("abc", ""), -1);
    EXPECT_EQ(positionDe("", ""), -1);
    EXPECT_EQ(positionDe("", "a"), -1);
    EXPECT_EQ(positionDe("x\xe9y", "\xe9"), 1);
}

TEST(rechercher, ecoleFindsCapitalsButNotAccentedLetters) {
    Base base;
    base.ajouter(1, "une", "l'ECOLE du village");
    base.ajouter(2, "deux", "Ecole");
    base.ajouter(3, "trois", "l'\xe9" "cole");  // école
    base.ajouter(4, "quatre", "\xc9" "COLE");    // ÉCOLE
    base.ajouter(5, "cinq", "rien");
    EXPECT_EQ(rechercher(base.store, "ecole"), 2);
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(rechercher(base.store, "\xc9" "cole"), 1);  // École matches ÉCOLE, not école
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{4}));
}

TEST(rechercher, titleAndDescriptionMatch_listedOnce_inTableOrder) {
    Base base;
    base.ajouter(30, "Chat", "un chat noir");
    base.ajouter(10, "chien", "pas de chat ici");
    base.ajouter(20, "CHAT", "");
    base.ajouter(5, "oiseau", "bleu");
    EXPECT_EQ(rechercher(base.store, "CHAT"), 3);
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{30, 10, 20}));
    EXPECT_EQ(base.store.dernierResultat, 2);
    EXPECT_TRUE(base.store.listeResultats);
}

TEST(rechercher, resultsAreWholeCopies_tableAndFlagsUntouched) {
    Base base;
    Fiche& f = base.ajouter(7, "Titre", "description cherch\xe9" "e");
    ecrireChamp(f.image, "\\photo.jpg");
    f.titre[100] = 'x';  // older contents after the zero travel with the card
    base.ajouter(8, "autre", "rien");
    base.store.courante = 1;
    base.store.modifiee = 0;
    const Fiche avant = base.store.fiches[0];
    EXPECT_EQ(rechercher(base.store, "cherch\xe9"), 1);
    EXPECT_EQ(std::memcmp(&base.store.resultats[0], &avant, sizeof(Fiche)), 0);
    EXPECT_EQ(std::memcmp(&base.store.fiches[0], &avant, sizeof(Fiche)), 0);
    EXPECT_EQ(base.store.courante, 1);
    EXPECT_EQ(base.store.modifiee, 0);
    EXPECT_EQ(base.store.derniere, 1);
    // The copies are snapshots.
    ecrireChamp(base.store.fiches[0].titre, "chang\xe9");
    EXPECT_STREQ(base.store.resultats[0].titre, "Titre");
}

TEST(rechercher, leadingOrTrailingSpace_notTrimmed) {
    Base base;
    base.ajouter(1, "mer", "");
    base.ajouter(2, "la mer", "");
    base.ajouter(3, "mer du nord", "");
    EXPECT_EQ(rechercher(base.store, " mer"), 1);
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{2}));
    EXPECT_EQ(rechercher(base.store, "mer "), 1);
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{3}));
    EXPECT_EQ(rechercher(base.store, "mer"), 3);
}

TEST(rechercher, neverAcrossALineBreak) {
    Base base;
    base.ajouter(1, "", "premi\xe8re ligne fin\r\ndebut seconde");
    EXPECT_EQ(parChaqueBalayage(base, "fin debut"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "findebut"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "fin\r\ndebut"), 1);  // only a pattern holding the break
    EXPECT_EQ(parChaqueBalayage(base, "DEBUT S"), 1);
}

TEST(rechercher, emptyPattern_findsNothing) {
    Base base;
    base.ajouter(1, "", "");
    base.ajouter(2, "a", "b");
    EXPECT_EQ(rechercher(base.store, ""), 0);
    EXPECT_EQ(base.store.dernierResultat, -1);
    EXPECT_TRUE(base.store.listeResultats);
}

TEST(rechercher, oneMatchGivesZero_noMatchGivesMinusOneAndNoStaleRecord) {
    Base base;
    base.ajouter(41, "alpha", "premier");
    base.ajouter(42, "beta", "second");
    EXPECT_EQ(rechercher(base.store, "e"), 2);
    EXPECT_EQ(rechercher(base.store, "alpha"), 1);
    EXPECT_EQ(base.store.dernierResultat, 0);
    EXPECT_EQ(base.store.resultats[0].numero, 41);

    EXPECT_EQ(rechercher(base.store, "gamma"), 0);
    EXPECT_EQ(base.store.dernierResultat, -1);
    ASSERT_GE(base.store.resultats.places(), 1u);
    // What is left in the table is a blank card, not the card the last search found.
    const Fiche& reste = base.store.resultats[0];
    EXPECT_EQ(reste.numero, 0);
    EXPECT_EQ(texteChamp(reste.titre), "");
    EXPECT_EQ(texteChamp(reste.description), "");
    EXPECT_EQ(std::memchr(&reste, 'a', sizeof reste), nullptr);
}

TEST(rechercher, baseWithoutCards_findsNothing) {
    Base base;
    EXPECT_EQ(rechercher(base.store, "a"), 0);
    EXPECT_EQ(base.store.dernierResultat, -1);
}

TEST(rechercher, fieldsWithoutZero_endAtTheFieldEnd) {
    Base base;
    Fiche& pleine = base.ajouter(1, "", "");
    std::memset(pleine.description, '.', sizeof pleine.description);
    std::memcpy(pleine.description + 505, "trouve!", 7);  // the field's very last bytes
    Fiche& coupee = base.ajouter(2, "", "");
    std::memset(coupee.description, '.', sizeof coupee.description);
    std::memcpy(coupee.description + 508, "coup", 4);
    std::strcpy(coupee.image, "ure");  // what follows the field is not part of it
    Fiche& titre = base.ajouter(3, "", "vent");
    std::memset(titre.titre, '-', sizeof titre.titre);
    std::memcpy(titre.titre + 252, "sou", 3);
    titre.titre[255] = 'f';
    EXPECT_EQ(parChaqueBalayage(base, "TROUVE!"), 1);
    EXPECT_EQ(base.numerosTrouves(), (std::vector<int32_t>{1}));
    EXPECT_EQ(parChaqueBalayage(base, "coupure"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "coup"), 1);
    EXPECT_EQ(parChaqueBalayage(base, "souffle"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "souf"), 1);
    EXPECT_EQ(parChaqueBalayage(base, "fvent"), 0);
}

TEST(rechercher, bytesAfterTheZeroNotSearched) {
    Base base;
    Fiche& f = base.ajouter(1, "titre", "court");
    std::memcpy(f.description + 6, "ancien texte", 12);
    std::memcpy(f.titre + 6, "vieux", 5);
    EXPECT_EQ(parChaqueBalayage(base, "ancien"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "vieux"), 0);
    EXPECT_EQ(parChaqueBalayage(base, "court"), 1);
}

TEST(rechercher, manyMatches_tableGrowsAndKeepsEveryCopy) {
    Base base;
    for (int32_t i = 0; i < 5000; ++i) base.ajouter(i, i % 3 == 0 ? "Trois" : "autre", std::to_string(i));
    EXPECT_EQ(rechercher(base.store, "trois"), 1667);
    ASSERT_EQ(base.store.dernierResultat, 1666);
    EXPECT_EQ(base.store.resultats.places(), 1668u);  // the copies and one blank slot
    for (int32_t k = 0; k <= base.store.dernierResultat; ++k) {
        ASSERT_EQ(base.store.resultats[static_cast<std::size_t>(k)].numero, 3 * k);
    }
    EXPECT_EQ(base.store.resultats[1667].titre[0], '\0');
}

TEST(rechercher, randomTables_matchLowerCasedCopiesAndPositionDe) {
    std::mt19937 hasard(5);
    // Letters of both cases next to the bytes that differ from them by 0x20 only ('@', '`',
    // '[', '{', accented capitals and small letters), spaces and line breaks.
    const char alphabet[] = {'a', 'b', 'A', 'B', 'e', 'E', '@', '`', '[', '{', ' ', '\r', '\n',
                             '\xc1', '\xe1', '\xe9', '\xc9', '\xff', '\x01', 'z', 'Z'};
    auto texte = [&](std::size_t maximum) {
        std::string t;
        const std::size_t longueur = hasard() % (maximum + 1);
        for (std::size_t c = 0; c < longueur; ++c) t.push_back(alphabet[hasard() % sizeof alphabet]);
        return t;
    };
    for (int essai = 0; essai < 40; ++essai) {
        Base base;
        const int nombre = 1 + static_cast<int>(hasard() % 200);
        for (int i = 0; i < nombre; ++i) {
            Fiche& f = base.ajouter(i, texte(hasard() % 4 == 0 ? 255 : 12), texte(hasard() % 3 == 0 ? 511 : 40));
            // Garbage after the zeros, and now and then a field with no zero at all.
            for (std::size_t k = std::strlen(f.description) + 1; k < sizeof f.description; ++k) {
                f.description[k] = alphabet[hasard() % sizeof alphabet];
            }
            if (hasard() % 10 == 0) {
                for (char& c : f.titre) c = alphabet[hasard() % sizeof alphabet];
            }
        }
        for (int m = 0; m < 30; ++m) {
            std::string motif = texte(m % 5 == 4 ? 40 : 1 + hasard() % 4);
            if (m % 3 == 0) {
                // A piece of a stored text, capitals swapped here and there: long patterns
                // that do occur, often near the end of their field.
                const Fiche& f = base.store.fiches[hasard() % static_cast<std::size_t>(nombre)];
                const std::string_view t = hasard() % 2 ? texteChamp(f.description) : texteChamp(f.titre);
                if (!t.empty()) {
                    const std::size_t debut = hasard() % t.size();
                    motif = std::string(t.substr(debut, 1 + hasard() % 60));
                    for (char& c : motif) {
                        if (hasard() % 3 == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
                    }
                }
            }
            if (motif.empty()) motif = "a";
            std::vector<int32_t> attendu;
            for (int32_t i = 0; i <= base.store.derniere; ++i) {
                const Fiche& f = base.store.fiches[static_cast<std::size_t>(i)];
                if (correspondSelonCopies(f, motif)) attendu.push_back(f.numero);
            }
            for (Balayage b : kBalayages) {
                if (!balayageDisponible(b)) continue;
                ASSERT_EQ(rechercher(base.store, motif, b), static_cast<int32_t>(attendu.size()));
                ASSERT_EQ(base.numerosTrouves(), attendu)
                    << "essai " << essai << " motif " << motif << " scan " << static_cast<int>(b);
            }
        }
    }
}

TEST(numeroDeLigne, leadingDigitsUpToTheSpace_first257Characters) {
    EXPECT_EQ(numeroDeLigne("12 titre"), 12);
    EXPECT_EQ(numeroDeLigne("7 123 titre qui commence par des chiffres"), 7);
    EXPECT_EQ(numeroDeLigne("4294967295 moins un"), -1);
    EXPECT_EQ(numeroDeLigne("0 "), 0);
    EXPECT_EQ(numeroDeLigne(""), 0);
    EXPECT_EQ(numeroDeLigne("abc"), 0);
    const std::string longue = "1" + std::string(256, '0') + "5";
    const int32_t coupee = static_cast<int32_t>(lireEntier(longue.substr(0, 257).c_str()));
    ASSERT_NE(coupee, static_cast<int32_t>(lireEntier(longue.c_str())));
    EXPECT_EQ(numeroDeLigne(longue), coupee);
}

TEST(selectionListe, duplicateNumbers_lowestIndexWins) {
    Base base;
    base.ajouter(5, "a", "");
    base.ajouter(9, "b", "");
    base.ajouter(5, "c", "");
    base.ajouter(-1, "d", "");
    base.store.courante = 1;
    EXPECT_EQ(selectionListe(base.store, "5 c"), 0);
    EXPECT_EQ(base.store.courante, 0);
    EXPECT_EQ(selectionListe(base.store, "4294967295 d"), 3);
    EXPECT_EQ(base.store.courante, 3);
    EXPECT_EQ(selectionListe(base.store, "77 personne"), -1);
    EXPECT_EQ(base.store.courante, 3);
}

TEST(selectionListe, afterASearch_picksTheCardOfTheTable) {
    Base base;
    base.ajouter(3, "pomme", "");
    base.ajouter(1, "poire", "");
    base.ajouter(2, "pomme verte", "");
    ASSERT_EQ(rechercher(base.store, "pomme"), 2);
    // The second result line names card 2, at index 2 of the table, not at index 1.
    char ligne[300];
    entierEnTexte(static_cast<uint32_t>(base.store.resultats[1].numero), ligne, 10);
    std::strcat(ligne, " ");
    std::strcat(ligne, base.store.resultats[1].titre);
    EXPECT_EQ(selectionListe(base.store, ligne), 2);
    EXPECT_STREQ(base.store.ficheCourante().titre, "pomme verte");
    EXPECT_TRUE(base.store.listeResultats);
}

// The search that ignores accents, ligatures and typographic marks, and where a search's
// first match lies in a card.

TEST(RechercheSansAccents, everyLetterOfTheCodePage_isFoundByItsPlainLetter_onlyWithTheOption) {
    const struct {
        const char* lettres;
        const char* simple;
    } familles[] = {
        {"\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5", "a"}, {"\xC7\xE7", "c"}, {"\xD0\xF0", "d"},
        {"\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", "e"}, {"\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", "i"},
        {"\xD1\xF1", "n"}, {"\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8", "o"},
        {"\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", "u"}, {"\xDD\xFD\xFF\x9F", "y"}, {"\x8A\x9A", "s"},
        {"\x8E\x9E", "z"}, {"\x83", "f"}, {"\x8C\x9C", "oe"}, {"\xC6\xE6", "ae"}, {"\xDF", "ss"},
        {"\xDE\xFE", "th"}, {"\x91\x92\x82", "'"}, {"\xAB\xBB\x93\x94\x84", "\""}, {"\xA0", " "},
        {"\x96\x97", "-"},
    };
    for (const auto& f : familles) {
        for (const char* p = f.lettres; *p != '\0'; ++p) {
            const std::string carte = std::string("x") + *p + "y";
            const std::string motif = std::string("x") + f.simple + "y";
            EXPECT_TRUE(trouve(motif, carte, true)) << carte;
            EXPECT_FALSE(trouve(motif, carte, false)) << carte;
            // The same character in the search text folds the same way, either side.
            EXPECT_TRUE(trouve(carte, motif, true)) << carte;
            EXPECT_TRUE(trouve(carte, carte, true)) << carte;
        }
    }
    // Bytes that are no letter nor mark stay themselves.
    for (const char* autre : {"\x80", "\x85", "\xD7", "\xF7", "\xB0", "?"}) {
        EXPECT_FALSE(trouve(std::string("x") + autre + "y", "xay", true)) << autre;
        EXPECT_TRUE(trouve(std::string("x") + autre + "y", std::string("x") + autre + "y", true)) << autre;
    }
}

TEST(RechercheSansAccents, frenchTyping_findsWhatWordProcessorsWrite) {
    const struct {
        std::string motif, carte;
        bool sansOption, avecOption;
    } cas[] = {
        {"ete", "\xC9t\xE9 2026", false, true},
        {"\xC9t\xE9", "ete", false, true},
        {"ETE", "ete", true, true},
        {"oeuvre", "\x8Cuvre compl\xE8te", false, true},
        {"\x9Cuvre", "OEUVRE", false, true},
        {"cur", "c\x9Cur", false, false},  // a ligature is two letters, never one
        {"e", "\x9C", false, true},        // its second half is an e
        {"l'ete", "l\x92\xE9t\xE9", false, true},
        {"a 10 h", "\xE0\xA0" "10 h", false, true},
        {"\"oui\"", "\xAB\xA0oui\xA0\xBB", false, false},  // the spaces stay
        {"\" oui \"", "\xAB\xA0oui\xA0\xBB", false, true},
        {"mi-temps", "mi\x96temps", false, true},
        {"fin\r\ndebut", "la fin\r\nd\xE9" "but", false, true},
        {"fin debut", "la fin\r\nd\xE9" "but", false, false},
        {"", "tout", false, false},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(trouve(c.motif, c.carte, false), c.sansOption) << c.motif << " / " << c.carte;
        EXPECT_EQ(trouve(c.motif, c.carte, true), c.avecOption) << c.motif << " / " << c.carte;
    }
}

TEST(RechercheSansAccents, ligatureAtTheVeryEndOfAField_withOrWithoutItsZero) {
    for (const std::size_t longueur : {254u, 255u, 256u}) {
        Base b;
        Fiche& f = b.ajouter(0, "", "");
        std::memset(f.titre, 'a', longueur);  // 256: the field has no closing zero
        f.titre[longueur - 1] = '\x9C';
        EXPECT_EQ(rechercher(b.store, "aoe", true), 1) << longueur;
        EXPECT_EQ(rechercher(b.store, "ae", true), 0) << longueur;  // a, then the œ's o
        EXPECT_EQ(rechercher(b.store, "e", true), 1) << longueur;   // the œ's second half
        EXPECT_EQ(rechercher(b.store, "oex", true), 0) << longueur;
        EXPECT_EQ(rechercher(b.store, "aoea", true), 0) << longueur;
        const Correspondance c = premiereCorrespondance(f, "OE", true);
        EXPECT_EQ(c.champ, Correspondance::titre);
        EXPECT_EQ(c.debut, static_cast<int32_t>(longueur) - 1);
        EXPECT_EQ(c.fin, static_cast<int32_t>(longueur));
    }
}

TEST(RechercheSansAccents, withoutTheOption_resultsAreTheDescribedSearchs) {
    std::mt19937 alea(3);
    const std::vector<std::string> morceaux = {"a", "E", "\xE9", "\xC9", "\x9C", "oe", " ", "\r\n", "cole", "\xA0"};
    Base b;
    for (int i = 0; i < 300; ++i) {
        std::string t, d;
        for (int k = alea() % 12; k > 0; --k) t += morceaux[alea() % morceaux.size()];
        for (int k = alea() % 40; k > 0; --k) d += morceaux[alea() % morceaux.size()];
        b.ajouter(static_cast<int32_t>(i), t, d);
    }
    for (const std::string motif : {"e", "\xE9", "ecole", "OE", "\x9C", "a\r\n", " \xA0"}) {
        const int32_t decrite = rechercher(b.store, motif);
        const std::vector<char> avant(reinterpret_cast<const char*>(&b.store.resultats[0]),
                                      reinterpret_cast<const char*>(&b.store.resultats[0]) +
                                          (static_cast<std::size_t>(decrite) + 1) * sizeof(Fiche));
        ASSERT_EQ(rechercher(b.store, motif, false), decrite) << motif;
        EXPECT_EQ(std::memcmp(avant.data(), &b.store.resultats[0], avant.size()), 0) << motif;
    }
}

// Against the plainest reading of the rule: fold both texts, then std::string::find; cards
// and patterns made of letters with and without accents, ligatures, marks and line breaks,
// a pattern taken from a card with accents put in or taken out at random.
TEST(RechercheSansAccents, findsACardExactlyWhenFoldingBothTextsThenFindingDoes) {
    std::mt19937 alea(20261208);
    const std::vector<std::string> morceaux = {"a", "\xE0", "\xC0", "e", "\xE9", "\xC8", "\xCA", "o", "\xF4",
                                               "oe", "\x9C", "\x8C", "ae", "\xE6", "s", "ss", "\xDF", "'",
                                               "\x92", "\"", "\xAB", " ", "\xA0", "-", "\x96", "\r\n", "t", "h",
                                               "\xFE", "y", "\xFF", "\x9F", "c", "\xE7", "E"};
    const std::vector<std::pair<std::string, std::string>> echanges = {
        {"e", "\xE9"}, {"\xE9", "e"}, {"oe", "\x9C"}, {"\x9C", "oe"}, {"'", "\x92"}, {" ", "\xA0"}, {"a", "\xC0"}};
    auto texte = [&](std::size_t n) {
        std::string t;
        while (t.size() < n) t += morceaux[alea() % morceaux.size()];
        return t.substr(0, n);
    };
    int trouvees = 0;
    for (int essai = 0; essai < 60; ++essai) {
        Base b;
        for (int i = 0; i < 40; ++i) b.ajouter(i, texte(alea() % 256), texte(alea() % 512));
        for (int m = 0; m < 10; ++m) {
            const Fiche& source = b.store.fiches[alea() % 40];
            std::string motif(alea() % 2 ? texteChamp(source.description) : texteChamp(source.titre));
            if (motif.empty()) motif = "e";
            const std::size_t debut = alea() % motif.size();
            motif = motif.substr(debut, 1 + alea() % 6);
            for (const auto& [de, vers] : echanges) {
                const std::size_t p = motif.find(de);
                if (p != std::string::npos && alea() % 2) motif.replace(p, de.size(), vers);
            }
            const std::string plie = plierTexte(motif);
            std::vector<int32_t> attendus;
            for (int32_t i = 0; i <= b.store.derniere; ++i) {
                const Fiche& f = b.store.fiches[static_cast<std::size_t>(i)];
                const std::string d = plierTexte(texteChamp(f.description)), t = plierTexte(texteChamp(f.titre));
                if (d.find(plie) != std::string::npos || t.find(plie) != std::string::npos) attendus.push_back(f.numero);

                // The first match lies where the folded texts put it, and takes whole bytes.
                const Correspondance c = premiereCorrespondance(f, motif, true);
                const std::size_t ou = d.find(plie) != std::string::npos ? d.find(plie) : t.find(plie);
                if (ou == std::string::npos) {
                    EXPECT_EQ(c.champ, Correspondance::aucun);
                    continue;
                }
                ASSERT_EQ(c.champ, d.find(plie) != std::string::npos ? Correspondance::description : Correspondance::titre);
                const std::string_view brut = c.champ == Correspondance::description ? texteChamp(f.description)
                                                                                       : texteChamp(f.titre);
                const auto avant = [&](int32_t octets) { return plierTexte(brut.substr(0, static_cast<std::size_t>(octets))).size(); };
                EXPECT_LE(avant(c.debut), ou) << motif;
                EXPECT_GT(avant(c.debut + 1), ou) << motif;
                EXPECT_GE(avant(c.fin), ou + plie.size()) << motif;
                EXPECT_LT(avant(c.fin - 1), ou + plie.size()) << motif;
            }
            for (const Balayage balayage : {Balayage::octets, Balayage::sse2, Balayage::avx2, Balayage::meilleur}) {
                if (!balayageDisponible(balayage)) continue;
                rechercher(b.store, motif, true, balayage);
                std::vector<int32_t> lus;
                for (int32_t i = 0; i <= b.store.dernierResultat; ++i) {
                    lus.push_back(b.store.resultats[static_cast<std::size_t>(i)].numero);
                }
                EXPECT_EQ(lus, attendus) << motif << ", balayage " << static_cast<int>(balayage);
            }
            trouvees += !attendus.empty();
        }
    }
    EXPECT_GT(trouvees, 400);
}

// The wide scans look at 16 or 32 starts at once: a folded pattern at any place of either field,
// up to and across the field's end, with or without a closing zero, is found by each exactly
// when the byte scan finds it, and by the byte scan exactly when it lies whole in the text.
TEST(RechercheSansAccents, wideScan_agreesWithTheByteScan_atEveryOffsetAndFieldEnd) {
    const std::string motifs[] = {"\xC9", "e\x9C", "Ete", "l\x92" "ab\xE0" "cdefghijklmnopq", "zz", std::string(40, 'q') + "\xE0"};
    for (bool dansTitre : {false, true}) {
        for (bool ferme : {true, false}) {
            for (const std::string& motif : motifs) {
                const std::size_t taille = dansTitre ? sizeof(Fiche::titre) : sizeof(Fiche::description);
                const std::size_t texte = ferme ? taille - 1 : taille;
                for (std::size_t position = 0; position < taille; ++position) {
                    Base b;
                    Fiche& f = b.ajouter(0, "", "");
                    char* champ = dansTitre ? f.titre : f.description;
                    std::memset(champ, 'y', texte);
                    if (ferme) champ[taille - 1] = '\0';
                    for (std::size_t k = 0; k < motif.size() && position + k < texte; ++k) champ[position + k] = motif[k];
                    const int32_t attendu = position + motif.size() <= texte ? 1 : 0;
                    const std::string cherche = plierTexte(motif);  // folded: no byte of it is as written
                    ASSERT_EQ(rechercher(b.store, cherche, true, Balayage::octets), attendu)
                        << motif << " position " << position << " titre " << dansTitre << " ferme " << ferme;
                    for (const Balayage balayage : {Balayage::sse2, Balayage::avx2, Balayage::meilleur}) {
                        if (!balayageDisponible(balayage)) continue;
                        ASSERT_EQ(rechercher(b.store, cherche, true, balayage), attendu)
                            << motif << " position " << position << " titre " << dansTitre << " ferme " << ferme
                            << " balayage " << static_cast<int>(balayage);
                    }
                }
            }
        }
    }
}

TEST(PremiereCorrespondance, isInTheDescriptionElseTheTitle_exactSearchAsDescribed) {
    Fiche f;
    std::memset(&f, 0, sizeof f);
    ecrireChamp(f.titre, "Une ECOLE");
    ecrireChamp(f.description, "l'\xE9" "cole\r\nla Ecole");
    Correspondance c = premiereCorrespondance(f, "ecole", false);
    EXPECT_EQ(c.champ, Correspondance::description);
    EXPECT_EQ(c.debut, 12);
    EXPECT_EQ(c.fin, 17);
    c = premiereCorrespondance(f, "ecole", true);
    EXPECT_EQ(c.champ, Correspondance::description);
    EXPECT_EQ(c.debut, 2);
    EXPECT_EQ(c.fin, 7);
    c = premiereCorrespondance(f, "une e", false);
    EXPECT_EQ(c.champ, Correspondance::titre);
    EXPECT_EQ(c.debut, 0);
    EXPECT_EQ(c.fin, 5);
    EXPECT_EQ(premiereCorrespondance(f, "absent", true).champ, Correspondance::aucun);
    EXPECT_EQ(premiereCorrespondance(f, "", false).champ, Correspondance::aucun);
}
