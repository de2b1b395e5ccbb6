// A table written into a new base a slice at a time: the same base as importing the table and
// saving it, whatever the slices; all or nothing, with nothing left behind on a refusal.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "core/conversion_tableau.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

const std::size_t kTranche = 4;

// A base without cards bound to dossier/nom, as the converter makes it.
struct Destination {
    MessagesEnregistres messages;
    MagasinFiches store{messages};
    Destination(const DossierTemporaire& dossier, const std::string& nom) {
        store.derniere = -1;
        store.cheminBase.affecter(dossier / nom);
        store.repertoireImages.affecter(dossier / (nom.substr(0, nom.size() - 4) + ".rep"));
    }
};

// The table imported into a base without cards, then saved: what the conversion must write.
std::string importeeEtEnregistree(const DossierTemporaire& dossier, const std::string& table) {
    Destination d(dossier, "reference.dat");
    EXPECT_TRUE(importerTableauCsv(d.store, table));
    EXPECT_EQ(d.store.ecrireBase(dossier / "reference.dat"), 1);
    const std::string octets = lireOctets(dossier / "reference.dat");
    std::filesystem::remove(dossier / "reference.dat");
    return octets;
}

std::set<std::string> contenu(const DossierTemporaire& dossier) {
    std::set<std::string> noms;
    for (const auto& e : std::filesystem::directory_iterator(dossier.str())) noms.insert(e.path().filename());
    return noms;
}

// Rows of every kind: numbers missing, signed or not, accents, line breaks, pictures not found.
std::string tableDe(std::size_t lignes) {
    std::string s = "numero,titre,description,image\r\n";
    for (std::size_t i = 0; i < lignes; ++i) {
        s += i % 3 == 0 ? "" : std::to_string(static_cast<long>(i) * 7 - 30);
        s += ",Ch\xC3\xA2teau n\xC2\xB0" + std::to_string(i) + ",\"l\xC3\xA0 \r\n" + std::string(i % 40, 'x') + "\"," +
             (i % 4 == 1 ? "absente" + std::to_string(i) + ".jpg" : "") + "\r\n";
    }
    return s;
}

}  // namespace

TEST(ConversionCsv, anyNumberOfSlices_writesTheBaseImportingAndSavingGive) {
    // No row, one slice exactly, one card over, several slices and a last one cut short.
    for (const std::size_t lignes : {std::size_t(0), kTranche, kTranche + 1, 3 * kTranche, 3 * kTranche + 2}) {
        DossierTemporaire dossier;
        ecrireOctets(dossier / "t.csv", tableDe(lignes));
        Destination d(dossier, "b.dat");
        const ConversionTableau c = convertirTableauCsv(d.store, dossier / "t.csv", kTranche);
        EXPECT_TRUE(c.ecrite && c.imagesRangees) << lignes;
        EXPECT_TRUE(d.messages.messages.empty()) << lignes;
        const std::string base = lireOctets(dossier / "b.dat");
        EXPECT_EQ(base.size(), lignes * sizeof(Fiche));
        EXPECT_TRUE(base == importeeEtEnregistree(dossier, dossier / "t.csv")) << lignes;
        EXPECT_EQ(contenu(dossier), (std::set<std::string>{"b.dat", "t.csv"})) << lignes;
    }
}

TEST(ConversionCsv, refusalAfterTheFirstSlices_leavesNoBaseNoTemporaryFileNoPictureDirectory) {
    DossierTemporaire dossier;
    ecrireOctets(dossier / "chat.jpg", "JPEG");
    std::string table = "titre,image\r\nchat,chat.jpg\r\n";
    for (int i = 0; i < 20; ++i) table += "t" + std::to_string(i) + ",\r\n";
    table += "\xE2\x9C\x93,\r\nfin,\r\n";  // row 23: no Windows-1252 code
    ecrireOctets(dossier / "t.csv", table);
    // As a new base, and over an older one that must stay as it was, with no version kept.
    for (const bool existante : {false, true}) {
        if (existante) ecrireOctets(dossier / "b.dat", "ancienne");
        Destination d(dossier, "b.dat");
        EXPECT_FALSE(convertirTableauCsv(d.store, dossier / "t.csv", kTranche).ecrite);
        ASSERT_EQ(d.messages.messages.size(), 1u);
        EXPECT_NE(d.messages.messages[0].find("ligne 23, titre : caract\xC3\xA8re"), std::string::npos)
            << d.messages.messages[0];
        std::set<std::string> attendu{"chat.jpg", "t.csv"};
        if (existante) attendu.insert("b.dat");
        EXPECT_EQ(contenu(dossier), attendu);
        if (existante) {
            EXPECT_EQ(lireOctets(dossier / "b.dat"), "ancienne");
        }
    }
}

TEST(ConversionCsv, picturesAreFiledOnceTheTableIsAccepted_aNameThatChangesIsWrittenIntoItsCard) {
    DossierTemporaire dossier;
    std::filesystem::create_directories(dossier / "b.rep");
    ecrireOctets(dossier / "b.rep/chat.jpg", "ancien chat");
    ecrireOctets(dossier / "chat.jpg", "nouveau chat");
    ecrireOctets(dossier / "a\\b.jpg", "nom qu'une fiche ne peut pas retrouver");
    std::string table = "titre,image\r\n";
    for (int i = 0; i < 9; ++i) table += "t" + std::to_string(i) + ",\r\n";
    table += "chat,chat.jpg\r\nsans,absente.jpg\r\ninrangeable,a\\b.jpg\r\nfin,\r\n";
    ecrireOctets(dossier / "t.csv", table);
    Destination d(dossier, "b.dat");
    const ConversionTableau c = convertirTableauCsv(d.store, dossier / "t.csv", kTranche);
    ASSERT_TRUE(c.ecrite);
    EXPECT_FALSE(c.imagesRangees);  // the name holding a backslash was told and left out
    ASSERT_EQ(d.messages.messages.size(), 1u);
    const std::string base = lireOctets(dossier / "b.dat");
    ASSERT_EQ(base.size(), 13 * sizeof(Fiche));
    auto carte = [&](std::size_t i) {
        Fiche f;
        std::memcpy(&f, base.data() + i * sizeof f, sizeof f);
        return f;
    };
    const std::string chat(texteChamp(carte(9).image));
    ASSERT_NE(chat, "\\chat.jpg");
    EXPECT_EQ(lireOctets(dossier / ("b.rep/" + chat.substr(1))), "nouveau chat");
    EXPECT_EQ(lireOctets(dossier / "b.rep/chat.jpg"), "ancien chat");
    EXPECT_EQ(texteChamp(carte(10).image), "\\absente.jpg");
    // Left out as the picture step leaves it: the field emptied, its older bytes after the zero.
    const Fiche inrangeable = carte(11);
    EXPECT_EQ(texteChamp(inrangeable.image), "");
    EXPECT_EQ(std::string(inrangeable.image + 1, 6), "a\\b.jp");
    EXPECT_EQ(texteChamp(carte(12).titre), "fin");
}

TEST(ConversionCsv, refusedCell_isToldBeforeABaseThatCannotBeWritten_andEachFailureLeavesNothing) {
    static int echecs = 0;
    struct Cas {
        const char* quoi;
        bool refusee;
        bool protegee;      // an older base, read-only
        bool disquePlein;   // every write fails
        const char* message;
    } cas[] = {
        {"refusée", true, false, false, "ligne 3, titre"},
        {"refusée, base protégée", true, true, false, "ligne 3, titre"},
        {"refusée, disque plein", true, false, true, "ligne 3, titre"},
        {"saine, base protégée", false, true, false, "est protégé"},
        {"saine, disque plein", false, false, true, "disque"},
    };
    for (const Cas& c : cas) {
        DossierTemporaire dossier;
        ecrireOctets(dossier / "chat.jpg", "JPEG");
        std::string table = "titre,image\r\nchat,chat.jpg\r\n";
        table += c.refusee ? "\xE2\x9C\x93,\r\n" : "ok,\r\n";
        for (int i = 0; i < 10; ++i) table += "t,\r\n";
        ecrireOctets(dossier / "t.csv", table);
        std::set<std::string> attendu{"chat.jpg", "t.csv"};
        if (c.protegee) {
            ecrireOctets(dossier / "b.dat", "ancienne");
            chmod((dossier / "b.dat").c_str(), 0444);
            attendu.insert("b.dat");
        }
        Destination d(dossier, "b.dat");
        AppelsSysteme appels = appelsSysteme();
        appels.ecrire = [](int, const void*, std::size_t) -> ssize_t {
            ++echecs;
            errno = ENOSPC;
            return -1;
        };
        if (c.disquePlein) d.store.appels = &appels;
        EXPECT_FALSE(convertirTableauCsv(d.store, dossier / "t.csv", kTranche).ecrite) << c.quoi;
        ASSERT_EQ(d.messages.messages.size(), 1u) << c.quoi;
        EXPECT_NE(d.messages.messages[0].find(c.message), std::string::npos) << c.quoi << " : " << d.messages.messages[0];
        EXPECT_EQ(contenu(dossier), attendu) << c.quoi;
    }
    EXPECT_GT(echecs, 0);
}

// The base fails at its last steps, after its pictures were filed: they go with it, and the
// picture directory is as it was (absent, or with its own pictures only).
TEST(ConversionCsv, baseFailingAtItsLastSteps_leavesNoPictureAndNoFolderItMade) {
    struct Cas {
        const char* quoi;
        bool repertoire;  // the picture directory exists already
        bool renommage;   // the rename fails, otherwise the flush
    } cas[] = {{"vidage", false, false}, {"renommage", false, true}, {"vidage, répertoire", true, false},
               {"renommage, répertoire", true, true}};
    for (const Cas& c : cas) {
        DossierTemporaire dossier;
        ecrireOctets(dossier / "chat.jpg", "JPEG");
        ecrireOctets(dossier / "t.csv", "titre,image\r\nchat,chat.jpg\r\n");
        if (c.repertoire) {
            std::filesystem::create_directory(dossier / "b.rep");
            ecrireOctets(dossier / "b.rep/chien.jpg", "chien");
        }
        const std::set<std::string> avant = contenu(dossier);
        Destination d(dossier, "b.dat");
        AppelsSysteme appels = appelsSysteme();
        if (c.renommage) {
            appels.renommer = [](const char*, const char*) { return errno = EACCES, -1; };
        } else {
            appels.synchroniser = [](int) { return errno = EIO, -1; };
        }
        d.store.appels = &appels;
        EXPECT_FALSE(convertirTableauCsv(d.store, dossier / "t.csv", kTranche).ecrite) << c.quoi;
        EXPECT_EQ(contenu(dossier), avant) << c.quoi;
        if (c.repertoire) {
            std::set<std::string> images;
            for (const auto& e : std::filesystem::directory_iterator(dossier / "b.rep")) images.insert(e.path().filename());
            EXPECT_EQ(images, std::set<std::string>{"chien.jpg"}) << c.quoi;
        }
    }
}
