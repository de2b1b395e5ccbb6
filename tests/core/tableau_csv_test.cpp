// CSV tables: the exact round trip of storable cards, tables as spreadsheet programs write
// them, the formula marks, and the all-or-nothing import.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/cp1252.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/tableau_csv.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

// Pieces of card texts that tables get wrong: separators, quotes, line breaks, formula
// starts, apostrophes, accents, the euro sign and the unassigned codes (Windows-1252 bytes).
const std::vector<std::string> kMorceaux = {
    "a", "Z", "7", " ", ",", ";", "\"", "\"\"", "'", "=", "-", "+", "@", "\t", "\r\n", "\r",
    "\xE9", "\xE8", "\xC7", "\x80", "\x81", "\x9D", "\xFF", "\xA0", "=SOMME(A1:A2)", "-5",
    "''=", "\xAB guillemets \xBB", "\x85", "\x8C\x9C"};
// Picture names are file-system bytes: UTF-8.
const std::vector<std::string> kMorceauxNom = {"a", "_", ".", "-", "=", "'", " ", ",", ";",
                                               "\"", "\xC3\xA9", "\xE2\x82\xAC", "1"};

std::string texteAleatoire(std::mt19937& alea, const std::vector<std::string>& morceaux,
                           std::size_t limite) {
    std::uniform_int_distribution<int> forme(0, 9);
    const int f = forme(alea);
    std::size_t cible;
    if (f == 0) cible = 0;
    else if (f <= 3) cible = limite;  // a field at its limit
    else cible = std::uniform_int_distribution<std::size_t>(1, limite)(alea);
    std::string t;
    std::uniform_int_distribution<std::size_t> choix(0, morceaux.size() - 1);
    // Now and then a text starts as a formula would.
    if (cible > 0 && forme(alea) < 3) t = std::string(1, "=+-@"[forme(alea) % 4]);
    while (t.size() < cible) {
        const std::string& m = morceaux[choix(alea)];
        if (t.size() + m.size() <= cible) t += m;
        else t += 'x';
    }
    return t;
}

void remplirAleatoire(Fiche& f, std::mt19937& alea) {
    std::memset(&f, 0x5A, sizeof f);  // older bytes after each zero
    const int32_t speciaux[] = {0, -1, -5, INT32_MIN, INT32_MAX, 42};
    f.numero = std::uniform_int_distribution<int>(0, 3)(alea) == 0
                   ? speciaux[std::uniform_int_distribution<int>(0, 5)(alea)]
                   : static_cast<int32_t>(alea());
    ecrireChamp(f.titre, texteAleatoire(alea, kMorceaux, 255));
    ecrireChamp(f.description, texteAleatoire(alea, kMorceaux, 511));
    const std::string nom = texteAleatoire(alea, kMorceauxNom, 254);
    // A name cut inside a UTF-8 sequence is no file name: keep whole characters only.
    std::string entier = nom;
    while (!entier.empty() && !utf8Valide(entier)) entier.pop_back();
    ecrireChamp(f.image, entier.empty() ? std::string() : "\\" + entier);
}

void attendreMemesCartes(const Fiche& attendue, const Fiche& lue, std::size_t i) {
    EXPECT_EQ(attendue.numero, lue.numero) << "fiche " << i;
    EXPECT_EQ(texteChamp(attendue.titre), texteChamp(lue.titre)) << "fiche " << i;
    EXPECT_EQ(texteChamp(attendue.description), texteChamp(lue.description)) << "fiche " << i;
    EXPECT_EQ(texteChamp(attendue.image), texteChamp(lue.image)) << "fiche " << i;
}

LectureCsv lire(const std::string& octets, TableFiches& table) {
    return lireTableauCsv(octets, table, 0);
}

}  // namespace

TEST(TableauCsv, roundTrip_randomStorableCards_giveTheSameNumbersAndTexts) {
    for (unsigned graine = 1; graine <= 40; ++graine) {
        std::mt19937 alea(graine);
        const std::size_t n = 50;
        TableFiches cartes(n);
        for (std::size_t i = 0; i < n; ++i) remplirAleatoire(cartes[i], alea);
        const std::string csv = tableauCsv(cartes, static_cast<int32_t>(n) - 1);

        TableFiches lues;
        const LectureCsv r = lire(csv, lues);
        ASSERT_EQ(r.nombreRefus, 0u) << "graine " << graine << " : "
                                      << (r.refus.empty() ? "" : r.refus[0].raison);
        ASSERT_EQ(r.lues, n) << "graine " << graine;
        EXPECT_TRUE(r.utf8);
        EXPECT_EQ(r.separateur, ',');
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(r.sansNumero[i], 0) << "fiche " << i;
            attendreMemesCartes(cartes[i], lues[i], i);
        }
        if (HasFailure()) {
            ADD_FAILURE() << "graine " << graine;
            return;
        }
    }
}

TEST(TableauCsv, writtenTable_hasMarkHeaderCrLfAndNoCellAFormulaWouldRun) {
    TableFiches cartes(3);
    viderFiche(cartes[0]);
    cartes[0].numero = -5;
    ecrireChamp(cartes[0].titre, "=1+1");
    ecrireChamp(cartes[0].description, "ligne un\r\nligne \"deux\"");
    ecrireChamp(cartes[0].image, "\\chat.jpg");
    viderFiche(cartes[1]);
    cartes[1].numero = 7;
    ecrireChamp(cartes[1].titre, "caf\xE9 \x80");
    ecrireChamp(cartes[1].description, "@cmd");
    viderFiche(cartes[2]);
    ecrireChamp(cartes[2].titre, "'-x");
    ecrireChamp(cartes[2].description, "a,b;c");
    EXPECT_EQ(tableauCsv(cartes, 2),
              "\xEF\xBB\xBFnumero,titre,description,image\r\n"
              "-5,'=1+1,\"ligne un\r\nligne \"\"deux\"\"\",chat.jpg\r\n"
              "7,caf\xC3\xA9 \xE2\x82\xAC,'@cmd,\r\n"
              "0,''-x,\"a,b;c\",\r\n");
    EXPECT_EQ(tableauCsv(cartes, -1), "\xEF\xBB\xBFnumero,titre,description,image\r\n");
}

TEST(TableauCsv, apostropheMark_isTakenOffOnlyBeforeAFormulaStart) {
    struct Cas {
        const char* cellule;
        const char* titre;
    } cas[] = {
        {"'=1", "=1"},       {"''=1", "'=1"},  {"'-5", "-5"},    {"'@a", "@a"},
        {"'+", "+"},         {"'abc", "'abc"}, {"''", "''"},     {"'", "'"},
        {"a'=", "a'=", },    {"\"'\t\"", "\t"}, {"=1", "=1"},
    };
    for (const Cas& c : cas) {
        TableFiches t;
        const LectureCsv r = lire(std::string("numero,titre\r\n1,") + c.cellule + "\r\n", t);
        ASSERT_EQ(r.nombreRefus, 0u) << c.cellule;
        ASSERT_EQ(r.lues, 1u) << c.cellule;
        EXPECT_EQ(texteChamp(t[0].titre), c.titre) << c.cellule;
    }
}

TEST(TableauCsv, numberCells_areSigned32BitDecimalOrNone) {
    struct Cas {
        const char* cellule;
        bool nombre;
        int32_t valeur;
    } cas[] = {
        {"-5", true, -5},        {"12", true, 12},          {" 3 ", true, 3},
        {"+4", true, 4},         {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0}, {"4294967295", false, 0}, {"12abc", false, 0},
        {"", false, 0},          {"-", false, 0},           {"1.5", false, 0},
        {"'-5", true, -5},
    };
    for (const Cas& c : cas) {
        TableFiches t;
        const LectureCsv r = lire(std::string("numero,titre\r\n") + c.cellule + ",x\r\n", t);
        ASSERT_EQ(r.lues, 1u) << c.cellule;
        EXPECT_EQ(r.sansNumero[0] == 0, c.nombre) << c.cellule;
        if (c.nombre) {
            EXPECT_EQ(t[0].numero, c.valeur) << c.cellule;
        }
    }
}

TEST(TableauCsv, tablesAsSpreadsheetsWriteThem_importAsExpected) {
    struct Cas {
        const char* nom;
        std::string octets;
        char separateur;
        bool utf8;
    } cas[] = {
        // LibreOffice, "Texte CSV" UTF-8: comma, LF between records and inside cells, no mark.
        {"LibreOffice", "numero,titre,description\n1,Caf\xC3\xA9,\"ligne 1\nligne 2\"\n2,\xE2\x82\xAC uro,\"a, b\"\n",
         ',', true},
        // Excel, "CSV UTF-8" in a French setting: mark, semicolon, CR LF, LF inside cells.
        {"Excel UTF-8", "\xEF\xBB\xBFNumero;Titre;Description\r\n1;Caf\xC3\xA9;\"ligne 1\nligne 2\"\r\n2;\xE2\x82\xAC uro;a, b\r\n",
         ';', true},
        // Excel, "CSV (séparateur: point-virgule)": Windows-1252, CR LF inside quotes too.
        {"Excel 1252", "numero;titre;description\r\n1;Caf\xE9;\"ligne 1\r\nligne 2\"\r\n2;\x80 uro;\"a, b\"\r\n",
         ';', false},
    };
    for (const Cas& c : cas) {
        TableFiches t;
        const LectureCsv r = lire(c.octets, t);
        ASSERT_EQ(r.nombreRefus, 0u) << c.nom;
        ASSERT_EQ(r.lues, 2u) << c.nom;
        EXPECT_EQ(r.separateur, c.separateur) << c.nom;
        EXPECT_EQ(r.utf8, c.utf8) << c.nom;
        EXPECT_EQ(t[0].numero, 1) << c.nom;
        EXPECT_EQ(texteChamp(t[0].titre), "Caf\xE9") << c.nom;
        EXPECT_EQ(texteChamp(t[0].description), "ligne 1\r\nligne 2") << c.nom;
        EXPECT_EQ(t[1].numero, 2) << c.nom;
        EXPECT_EQ(texteChamp(t[1].titre), "\x80 uro") << c.nom;
        EXPECT_EQ(texteChamp(t[1].description), "a, b") << c.nom;
        EXPECT_EQ(texteChamp(t[1].image), "") << c.nom;
    }
}

// Spreadsheets end rows and break lines inside cells with a lone line feed, which only a
// description takes as its CR LF, whatever the cell's length.
TEST(TableauCsv, lineFeeds_endUnquotedDescriptions_andBecomeCrLfInsideQuotes_atAnyLength) {
    for (const std::size_t longueur : {0, 1, 15, 16, 63, 64, 65, 100, 130, 254}) {
        const std::string a(longueur, 'a'), b(longueur, 'b'), c(std::min<std::size_t>(longueur, 200), 'c');
        std::string accents;
        for (std::size_t i = 0; i < longueur / 2; ++i) accents += "\xC3\xA9";
        const std::string table = "1,t,\"" + a + "\n" + accents + "\n\"\n2,t," + b + "\n3,\"" + c + "\nu\",x";
        TableFiches t;
        const LectureCsv r = lireTableauCsv(table, t, 0);
        ASSERT_EQ(r.nombreRefus, 0u) << longueur;
        ASSERT_EQ(r.lues, 3u) << longueur;
        EXPECT_EQ(texteChamp(t[0].description), a + "\r\n" + std::string(longueur / 2, '\xE9') + "\r\n")
            << longueur;
        EXPECT_EQ(texteChamp(t[1].description), b) << longueur;
        EXPECT_EQ(texteChamp(t[2].titre), c + "\nu") << longueur;
        EXPECT_EQ(texteChamp(t[2].description), "x") << longueur;
    }
}

TEST(TableauCsv, headerNamesColumnsInAnyCaseAndOrder_othersIgnored_noHeaderTakesFirstThree) {
    TableFiches t;
    LectureCsv r = lire("Auteur,IMAGE,Description,Titre,NUMERO\r\nHugo,chat.jpg,desc,titre,9\r\n", t);
    ASSERT_EQ(r.lues, 1u);
    EXPECT_EQ(t[0].numero, 9);
    EXPECT_EQ(texteChamp(t[0].titre), "titre");
    EXPECT_EQ(texteChamp(t[0].description), "desc");
    EXPECT_EQ(texteChamp(t[0].image), "\\chat.jpg");

    TableFiches u;
    r = lire("3,un,deux,trois\r\n\r\n,,,\r\nx,quatre\r\n", u);
    ASSERT_EQ(r.lues, 2u);  // the blank rows hold nothing and are skipped
    EXPECT_EQ(u[0].numero, 3);
    EXPECT_EQ(texteChamp(u[0].titre), "un");
    EXPECT_EQ(texteChamp(u[0].description), "deux");
    EXPECT_EQ(texteChamp(u[0].image), "");
    EXPECT_EQ(r.sansNumero[1], 1);
    EXPECT_EQ(texteChamp(u[1].titre), "quatre");
    EXPECT_EQ(r.lignes, (std::vector<std::size_t>{1, 4}));
}

TEST(TableauCsv, badRows_areReportedWithRowColumnAndReason) {
    const std::string long256(256, 'a');
    const std::string long255(255, 'a');
    // 255 characters and one line break: 257 bytes in a card once the break is CR LF.
    const std::string description(510, 'b');
    struct Cas {
        const char* nom;
        std::string corps;  // rows after the header numero,titre,description,image
        std::size_t ligne;
        const char* colonne;
        const char* raison;  // part of the reason
    } cas[] = {
        {"titre trop long", "1," + long256 + ",,\r\n", 2, "titre", "256 caractères, plus que les 255"},
        {"titre à la limite puis trop long", "1," + long255 + ",,\r\n2,x,,\r\n3,\xC3\xA9" + long255 + ",,\r\n", 4, "titre", "256 caractères"},
        {"saut de ligne compté deux fois", "1,x,\"" + description + "\n\",\r\n", 2, "description", "512 caractères"},
        {"image trop longue", "1,x,," + long255 + "\r\n", 2, "image", "255 caractères, plus que les 254"},
        {"caractère hors Windows-1252", "1,x,\xE2\x9C\x93 fait,\r\n", 2, "description", "U+2713"},
        {"idéogramme", "1,\xE6\xBC\xA2,,\r\n", 2, "titre", "U+6F22"},
        {"caractère nul", std::string("1,a\0b,,\r\n", 9), 2, "titre", "caractère nul"},
        {"guillemet jamais refermé", "1,x,,\r\n2,\"y,,\r\n3,z,,\r\n", 3, "titre", "jamais refermé"},
        {"texte après le guillemet fermant", "1,\"x\"y,,\r\n", 2, "titre", "après le guillemet"},
        {"guillemet dans une cellule nue", "1,x,ab\"c,\r\n", 2, "description", "guillemet dans une cellule"},
    };
    for (const Cas& c : cas) {
        TableFiches t;
        const LectureCsv r = lire("numero,titre,description,image\r\n" + c.corps, t);
        ASSERT_EQ(r.nombreRefus, 1u) << c.nom;
        EXPECT_EQ(r.refus[0].ligne, c.ligne) << c.nom;
        EXPECT_EQ(r.refus[0].colonne, c.colonne) << c.nom;
        EXPECT_NE(r.refus[0].raison.find(c.raison), std::string::npos) << c.nom << " : " << r.refus[0].raison;
    }
}

// Texts keep their bytes; picture names become file-system (UTF-8) bytes.
TEST(TableauCsv, windows1252Table_anyByteButZeroIsStored_pictureNamesInUtf8) {
    std::string octets = "numero;titre;description;image\r\n1;";
    const std::size_t titre = octets.size();
    for (int b = 0x80; b <= 0xFF; ++b) octets += static_cast<char>(b);
    octets += ";\"caf\xE9\nth\xE9\";\xE9t\xE9.jpg\r\n";
    TableFiches t;
    const LectureCsv r = lire(octets, t);
    ASSERT_EQ(r.nombreRefus, 0u);
    EXPECT_FALSE(r.utf8);
    EXPECT_EQ(texteChamp(t[0].titre), octets.substr(titre, 128));
    EXPECT_EQ(texteChamp(t[0].description), "caf\xE9\r\nth\xE9");
    EXPECT_EQ(texteChamp(t[0].image), "\\\xC3\xA9t\xC3\xA9.jpg");
}

namespace {
struct Import : ::testing::Test {
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};

    void SetUp() override {
        // A base of two cards, bound, with its picture directory.
        store.fiches.redimensionner(2);
        viderFiche(store.fiches[0]);
        viderFiche(store.fiches[1]);
        store.fiches[0].numero = 10;
        ecrireChamp(store.fiches[0].titre, "premiere");
        store.fiches[1].numero = 11;
        ecrireChamp(store.fiches[1].titre, "seconde");
        store.derniere = 1;
        store.courante = 1;
        store.cheminBase.affecter(dossier / "base.dat");
        store.repertoireImages.affecter(dossier / "base.rep");
        store.baseNommee = 1;
    }
};
}  // namespace

TEST_F(Import, rows_areAppendedNumberedAsAppendingDoes_andMarkTheBaseModified) {
    ecrireOctets(dossier / "t.csv", "numero,titre\r\n-5,a\r\n,b\r\nabc,c\r\n10,d\r\n");
    ASSERT_TRUE(importerTableauCsv(store, dossier / "t.csv"));
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_EQ(store.derniere, 5);
    EXPECT_EQ(store.courante, 1);
    EXPECT_EQ(store.modifiee, 1);
    const int32_t numeros[] = {10, 11, -5, 3, 4, 10};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(store.fiches[static_cast<std::size_t>(i)].numero, numeros[i]) << i;
    EXPECT_EQ(texteChamp(store.fiches[4].titre), "c");
    EXPECT_EQ(store.fiches.places(), 6u);
}

TEST_F(Import, oneBadRow_importsNothing_andOneMessageListsTheFirstBadRows) {
    std::string corps = "numero,titre\r\n";
    for (int i = 0; i < 30; ++i) corps += std::to_string(i) + (i % 2 ? ",ok\r\n" : ",\xE2\x9C\x93\r\n");
    ecrireOctets(dossier / "t.csv", corps);
    EXPECT_FALSE(importerTableauCsv(store, dossier / "t.csv"));
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string& m = messages.messages[0];
    EXPECT_NE(m.find("n'a pas été importé"), std::string::npos) << m;
    EXPECT_NE(m.find("ligne 2, titre : caractère"), std::string::npos) << m;
    EXPECT_NE(m.find("ligne 20, titre"), std::string::npos) << m;
    EXPECT_EQ(m.find("ligne 22, titre"), std::string::npos) << m;  // the first ten only
    EXPECT_NE(m.find("et 5 autre(s) erreur(s)"), std::string::npos) << m;
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.modifiee, 0);
    EXPECT_EQ(store.fiches.places(), 2u);
    EXPECT_EQ(texteChamp(store.fiches[1].titre), "seconde");
}

TEST_F(Import, badRowIntoABaseWithoutCards_leavesItsShownSlotBlank) {
    store.derniere = -1;
    store.courante = 0;
    store.fiches.redimensionner(1);
    viderFiche(store.fiches[0]);
    ecrireOctets(dossier / "t.csv", "numero,titre\r\n1,bon\r\n2,\"ferme\"pas\r\n");
    EXPECT_FALSE(importerTableauCsv(store, dossier / "t.csv"));
    EXPECT_EQ(store.derniere, -1);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "");
    EXPECT_EQ(store.fiches[0].numero, 0);
}

TEST_F(Import, existingPicture_isFiledIntoThePictureDirectory_missingOneKeepsItsName) {
    std::filesystem::create_directories(dossier / "photos");
    ecrireOctets(dossier / "photos/chat.jpg", "JPEG du chat");
    ecrireOctets(dossier / "oiseau du jardin.png", "PNG de l'oiseau");
    ecrireOctets(dossier / "t.csv", "titre,image\r\nchat,photos/chat.jpg\r\nchien,chien.jpg\r\nrien,\r\n"
                                    "oiseau,oiseau du jardin.png\r\n");
    ASSERT_TRUE(importerTableauCsv(store, dossier / "t.csv"));
    EXPECT_EQ(texteChamp(store.fiches[2].image), "\\chat.jpg");
    EXPECT_EQ(lireOctets(dossier / "base.rep/chat.jpg"), "JPEG du chat");
    EXPECT_EQ(texteChamp(store.fiches[3].image), "\\chien.jpg");
    EXPECT_EQ(texteChamp(store.fiches[4].image), "");
    EXPECT_EQ(texteChamp(store.fiches[5].image), "\\oiseau du jardin.png");
    EXPECT_EQ(lireOctets(dossier / "base.rep/oiseau du jardin.png"), "PNG de l'oiseau");
    EXPECT_EQ(store.courante, 1);
    EXPECT_TRUE(store.imageChoisie.empty());
}

TEST_F(Import, pictureWhileNoBaseIsSaved_importsNothing) {
    store.repertoireImages.vider();
    ecrireOctets(dossier / "chat.jpg", "JPEG");
    ecrireOctets(dossier / "t.csv", "titre,image\r\nchat,chat.jpg\r\n");
    EXPECT_FALSE(importerTableauCsv(store, dossier / "t.csv"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("enregistrez d'abord la base"), std::string::npos);
    EXPECT_EQ(store.derniere, 1);
}

TEST_F(Import, missingFile_isReportedAndChangesNothing) {
    EXPECT_FALSE(importerTableauCsv(store, dossier / "absent.csv"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("n'a pas pu être lu"), std::string::npos);
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.modifiee, 0);
}

TEST_F(Import, writtenFileReadBack_givesTheSameCards) {
    std::mt19937 alea(7);
    TableFiches cartes(200);
    for (std::size_t i = 0; i < 200; ++i) remplirAleatoire(cartes[i], alea);
    ASSERT_TRUE(ecrireTableauCsv(dossier / "t.csv", cartes, 199).ok());
    EXPECT_EQ(lireOctets(dossier / "t.csv"), tableauCsv(cartes, 199));
    store.derniere = -1;
    ASSERT_TRUE(importerTableauCsv(store, dossier / "t.csv"));
    ASSERT_EQ(store.derniere, 199);
    for (std::size_t i = 0; i < 200; ++i) attendreMemesCartes(cartes[i], store.fiches[i], i);
}

TEST(TableauCsv, largeTableWrittenInRuns_isTheSameBytesInTableOrder) {
    // Beyond a few runs of cards, with a last run cut short.
    std::mt19937 alea(11);
    const std::size_t n = 2048 * 5 + 17;
    TableFiches cartes(n);
    for (std::size_t i = 0; i < n; ++i) remplirAleatoire(cartes[i], alea);
    DossierTemporaire dossier;
    ASSERT_TRUE(ecrireTableauCsv(dossier / "t.csv", cartes, static_cast<int32_t>(n) - 1).ok());
    EXPECT_TRUE(lireOctets(dossier / "t.csv") == tableauCsv(cartes, static_cast<int32_t>(n) - 1));
    ASSERT_TRUE(ecrireTableauCsv(dossier / "vide.csv", cartes, -1).ok());
    EXPECT_EQ(lireOctets(dossier / "vide.csv"), debutCsv());
}

TEST_F(Import, pictureOfANameAlreadyFiled_withOtherBytes_isFiledUnderAFreeName) {
    std::filesystem::create_directories(dossier / "base.rep");
    ecrireOctets(dossier / "base.rep/chat.jpg", "ancien chat");
    ecrireOctets(dossier / "chat.jpg", "nouveau chat");
    ecrireOctets(dossier / "t.csv", "titre,image\r\nchat,chat.jpg\r\n");
    ASSERT_TRUE(importerTableauCsv(store, dossier / "t.csv"));
    EXPECT_EQ(lireOctets(dossier / "base.rep/chat.jpg"), "ancien chat");
    const std::string nom(texteChamp(store.fiches[2].image));
    ASSERT_NE(nom, "\\chat.jpg");
    EXPECT_EQ(lireOctets(dossier / ("base.rep/" + nom.substr(1))), "nouveau chat");
}
