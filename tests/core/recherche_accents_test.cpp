// The search that ignores accents, ligatures and typographic marks, and where a search's first
// match lies in a card. Texts are Windows-1252 bytes, as cards hold them.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/pli_accents.h"
#include "core/recherche.h"

namespace {

class SansMessages : public Messages {
public:
    void message(const std::string&) override {}
    int question(const std::string&, Boutons) override { return 1; }
    int confirmation(const std::string&) override { return 6; }
};

struct Base {
    SansMessages messages;
    MagasinFiches store{messages};
    Base() {
        store.derniere = -1;
        store.courante = 0;
    }
    Fiche& ajouter(const std::string& titre, const std::string& description) {
        store.ajouterPlace();
        Fiche& f = store.fiches[static_cast<std::size_t>(store.derniere)];
        std::memset(&f, 0, sizeof f);
        f.numero = store.derniere;
        ecrireChamp(f.titre, titre);
        ecrireChamp(f.description, description);
        return f;
    }
};

bool trouve(const std::string& motif, const std::string& description, bool sansAccents) {
    Base b;
    b.ajouter("", description);
    return rechercher(b.store, motif, sansAccents) == 1;
}

}  // namespace

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
        Fiche& f = b.ajouter("", "");
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
        b.ajouter(t, d);
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
        for (int i = 0; i < 40; ++i) b.ajouter(texte(alea() % 256), texte(alea() % 512));
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
                    Fiche& f = b.ajouter("", "");
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
