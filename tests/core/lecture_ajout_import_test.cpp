#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "core/magasin_fiches.h"
#include "tests/support/texte_numerote.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

std::string carte(int32_t numero, const std::string& titre) {
    Fiche f{};
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.image, "\\" + titre + ".jpg");
    return std::string(reinterpret_cast<const char*>(&f), sizeof f);
}

std::string carteSoeur(int32_t numero, const std::string& titre, const std::string& description) {
    std::string r(772, '\0');
    std::memcpy(r.data(), &numero, 4);
    std::memcpy(r.data() + 4, titre.data(), std::min<std::size_t>(titre.size(), 256));
    std::memcpy(r.data() + 260, description.data(), std::min<std::size_t>(description.size(), 512));
    return r;
}

class AjoutImportTest : public ::testing::Test {
protected:
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};

    void base(int n) {
        std::string contenu;
        for (int i = 0; i < n; ++i) contenu += carte(100 + i, texteNumerote("b", i));
        ecrireOctets(dossier / "base.dat", contenu);
        ASSERT_EQ(store.chargerBase(dossier / "base.dat"), 1);
    }
};

TEST_F(AjoutImportTest, append_threeRecordsAndTail_numberedByIndex_picturesKept) {
    base(5);
    store.courante = 2;
    ecrireOctets(dossier / "autre.dat",
                 carte(42, "x") + carte(-7, "y") + carte(42, "z") + std::string(100, 'p'));
    ASSERT_TRUE(store.ajouterBase(dossier / "autre.dat"));
    EXPECT_EQ(store.derniere, 7);
    EXPECT_EQ(store.courante, 2);
    EXPECT_EQ(store.modifiee, 1);
    const char* titres[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(store.fiches[5 + i].numero, 5 + i);
        EXPECT_EQ(texteChamp(store.fiches[5 + i].titre), titres[i]);
        EXPECT_EQ(texteChamp(store.fiches[5 + i].image), std::string("\\") + titres[i] + ".jpg");
    }
    EXPECT_EQ(store.fiches[4].numero, 104);
}

TEST_F(AjoutImportTest, append_toNewBase_keepsBlankCardAtZero) {
    ecrireOctets(dossier / "autre.dat", carte(9, "x"));
    ASSERT_TRUE(store.ajouterBase(dossier / "autre.dat"));
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.fiches[0].numero, 0);
    EXPECT_EQ(store.fiches[1].numero, 1);
}

TEST_F(AjoutImportTest, append_emptyFile_changesNothingButModified) {
    base(2);
    ecrireOctets(dossier / "vide.dat", "");
    ASSERT_TRUE(store.ajouterBase(dossier / "vide.dat"));
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.modifiee, 1);
}

TEST_F(AjoutImportTest, append_toBaseWithoutCards_startsAtIndexZero) {
    ecrireOctets(dossier / "vide.dat", "");
    ASSERT_EQ(store.chargerBase(dossier / "vide.dat"), 1);
    ecrireOctets(dossier / "autre.dat", carte(9, "x") + carte(9, "y"));
    ASSERT_TRUE(store.ajouterBase(dossier / "autre.dat"));
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.fiches[0].numero, 0);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "x");
}

TEST_F(AjoutImportTest, append_missingOrDirectory_messagesAndTableUnchanged) {
    base(2);
    EXPECT_FALSE(store.ajouterBase(dossier / "absent.dat"));
    std::filesystem::create_directory(dossier / "rep.dat");
    EXPECT_FALSE(store.ajouterBase(dossier / "rep.dat"));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0], "le fichier de configuration " + (dossier / "absent.dat") +
                                        " n'a pas été trouvé.   \nou est sur un disque protégé en écriture");
    EXPECT_EQ(messages.messages[1], dossier / "rep.dat" + " non trouvé");
    EXPECT_EQ(store.derniere, 1);
    EXPECT_EQ(store.modifiee, 0);
}

TEST_F(AjoutImportTest, import_countsWholeSiblingRecords) {
    struct Cas {
        std::size_t queue;
        int records;
    };
    for (const Cas c : {Cas{0, 3}, Cas{84, 3}, Cas{0, 0}, Cas{771, 0}}) {
        std::string contenu;
        for (int i = 0; i < c.records; ++i) contenu += carteSoeur(-i, texteNumerote("t", i), "d\r\ne");
        contenu += std::string(c.queue, 'q');
        ecrireOctets(dossier / "soeur.dat", contenu);
        base(5);
        store.courante = 3;
        store.importerBase(dossier / "soeur.dat");
        EXPECT_EQ(store.derniere, c.records - 1);
        EXPECT_EQ(store.courante, 0);
        for (int i = 0; i < c.records; ++i) {
            EXPECT_EQ(store.fiches[i].numero, -i);
            EXPECT_EQ(texteChamp(store.fiches[i].titre), texteNumerote("t", i));
            EXPECT_EQ(texteChamp(store.fiches[i].description), "d\r\ne");
            EXPECT_EQ(texteChamp(store.fiches[i].image), "");
        }
        EXPECT_EQ(texteChamp(store.fiches[c.records].titre), "");  // blank slot after the cards
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(AjoutImportTest, import_fieldsWithoutZero_areCutToTheCardsRoom) {
    ecrireOctets(dossier / "soeur.dat", carteSoeur(1, std::string(256, 'T'), std::string(512, 'D')));
    store.importerBase(dossier / "soeur.dat");
    EXPECT_EQ(texteChamp(store.fiches[0].titre), std::string(255, 'T'));
    EXPECT_EQ(texteChamp(store.fiches[0].description), std::string(511, 'D'));
}

TEST_F(AjoutImportTest, import_readOnlyOrMissing_saysNotFound_tableUnchanged) {
    base(2);
    ecrireOctets(dossier / "soeur.dat", carteSoeur(1, "a", "b"));
    chmod((dossier / "soeur.dat").c_str(), 0444);
    store.importerBase(dossier / "soeur.dat");
    EXPECT_EQ(messages.messages.back(), dossier / "soeur.dat" + " non trouvé");
    EXPECT_EQ(modeDe(dossier / "soeur.dat"), 0444u);  // the import leaves attributes alone
    store.importerBase(dossier / "absent.dat");
    EXPECT_EQ(messages.messages.back(), dossier / "absent.dat" + " non trouvé");
    EXPECT_EQ(store.derniere, 1);
}

}  // namespace
