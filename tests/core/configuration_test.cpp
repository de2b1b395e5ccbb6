#include "core/configuration.h"
#include "core/textes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/services.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

const std::string kIntrouvable =
    "le fichier de configuration %s n'a pas été trouvé.   ou est sur un disque protégé en "
    "écriture";
const std::string kNonSauvee = textes::kConfigurationNonSauvee;

class Configuration : public ::testing::Test {
protected:
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};
    std::string ini = dossier / "brevandoux.ini";

    void SetUp() override { ASSERT_TRUE(store.repertoireDepart.affecter(dossier.str())); }
};

TEST(composerCheminIni, startDirectoryThenFileName) {
    EXPECT_EQ(composerCheminIni("/home/moi"), "/home/moi/brevandoux.ini");
    EXPECT_EQ(composerCheminIni("/"), "/brevandoux.ini");
    EXPECT_EQ(composerCheminIni(""), "brevandoux.ini");
}

TEST_F(Configuration, lireConfig_missingFile_exactMessage_nothingRead) {
    EXPECT_EQ(lireConfig(store), std::nullopt);
    EXPECT_EQ(store.cheminIni.str(), ini);
    EXPECT_TRUE(store.cheminBase.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0],
              "le fichier de configuration " + ini +
                  " n'a pas été trouvé.   ou est sur un disque protégé en écriture");
    EXPECT_EQ(messages.messages[0].find('\n'), std::string::npos);
}

TEST_F(Configuration, lireConfig_readsAutoload_clearsReadOnly) {
    ecrireOctets(ini, "; mes réglages\r\n[Setup]\r\nautoload = /bases/films.dat\r\n");
    chmod(ini.c_str(), 0444);
    EXPECT_EQ(lireConfig(store), std::optional<std::string>("/bases/films.dat"));
    EXPECT_EQ(store.cheminBase.str(), "/bases/films.dat");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(modeDe(ini), 0644u);
    EXPECT_EQ(lireOctets(ini), "; mes réglages\r\n[Setup]\r\nautoload = /bases/films.dat\r\n");
}

TEST_F(Configuration, lireConfig_sectionOrKeyMissing_emptyShown_noMessage) {
    for (const char* contenu : {"", "[autre]\nautoload=/x.dat\n", "[setup]\nautre=/x.dat\n"}) {
        ecrireOctets(ini, contenu);
        ASSERT_TRUE(store.cheminBase.affecter("avant"));
        EXPECT_EQ(lireConfig(store), std::optional<std::string>("")) << contenu;
        EXPECT_TRUE(store.cheminBase.empty()) << contenu;
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Configuration, lireConfig_pathOver512Bytes_refusedNotCut) {
    const std::string limite = "/" + std::string(507, 'a') + ".dat";  // 512 bytes
    ASSERT_EQ(limite.size(), 512u);
    ecrireOctets(ini, "[setup]\nautoload=" + limite + "\n");
    EXPECT_EQ(lireConfig(store), limite);
    EXPECT_EQ(store.cheminBase.str(), limite);

    const std::string trop = "/" + std::string(508, 'a') + ".dat";
    ecrireOctets(ini, "[setup]\nautoload=" + trop + "\n");
    EXPECT_EQ(lireConfig(store), std::optional<std::string>(""));
    EXPECT_TRUE(store.cheminBase.empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Configuration, lireConfig_iniPathTooLongForBuffer_reportedMissing) {
    const std::string profond = "/" + std::string(250, 'r');
    ASSERT_TRUE(store.repertoireDepart.affecter(profond));
    EXPECT_EQ(lireConfig(store), std::nullopt);
    EXPECT_TRUE(store.cheminIni.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], avecChemin(kIntrouvable, profond + "/brevandoux.ini"));
    // Quitting then cannot save either, and says so.
    ecrireConfig(store);
    EXPECT_EQ(messages.messages.back(), kNonSauvee);
}

TEST(finitParDat, lastFourBytesExactly) {
    struct Cas {
        const char* chemin;
        bool attendu;
    };
    const Cas cas[] = {{"/b/films.dat", true}, {".dat", true},        {"x.dat", true},
                       {"/b/films.DAT", false}, {"/b/films.Dat", false}, {"dat", false},
                       {"", false},            {"/b/films.dat ", false}, {"/b/films.data", false},
                       {"/b/filmsdat", false}, {"/b/films.rep", false}};
    for (const Cas& c : cas) EXPECT_EQ(finitParDat(c.chemin), c.attendu) << c.chemin;
}

TEST_F(Configuration, peutChargerAutoload_datThatExistsAsPlainFile) {
    ecrireOctets(dossier / "films.dat", "");
    ecrireOctets(dossier / "FILMS.DAT", "");
    ecrireOctets(dossier / ".cachee.dat", "");
    mkdir((dossier / "rep.dat").c_str(), 0755);
    struct Cas {
        std::string chemin;
        bool attendu;
    };
    const Cas cas[] = {{dossier / "films.dat", true},     {dossier / "FILMS.DAT", false},
                       {dossier / "absente.dat", false},  {dossier / ".cachee.dat", false},
                       {dossier / "rep.dat", false},      {"", false}};
    for (const Cas& c : cas) {
        ASSERT_TRUE(store.cheminBase.affecter(c.chemin));
        EXPECT_EQ(peutChargerAutoload(store), c.attendu) << c.chemin;
    }
}

TEST_F(Configuration, ecrireConfig_missingFile_messageAndNotCreated) {
    ASSERT_EQ(lireConfig(store), std::nullopt);
    messages.messages.clear();
    ASSERT_TRUE(store.cheminBase.affecter("/b/films.dat"));
    ecrireConfig(store);
    EXPECT_EQ(messages.messages, std::vector<std::string>{kNonSauvee});
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(Configuration, ecrireConfig_readOnlyFile_updatedOtherBytesKept) {
    const std::string avant =
        "# garder\r\n[fenetre]\r\nautoload=autre\r\n\r\n[setup]\r\nautoload=/a.dat\r\nx=1";
    ecrireOctets(ini, avant);
    ASSERT_TRUE(lireConfig(store).has_value());
    chmod(ini.c_str(), 0444);
    ASSERT_TRUE(store.cheminBase.affecter("/b/livres.dat"));
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini),
              "# garder\r\n[fenetre]\r\nautoload=autre\r\n\r\n[setup]\r\nautoload=/b/livres.dat\r\nx=1");
    EXPECT_EQ(modeDe(ini) & S_IWUSR, static_cast<mode_t>(S_IWUSR));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Configuration, ecrireConfig_keyMissing_addedWithCurrentPath_andReadBackNextStart) {
    ecrireOctets(ini, "[setup]\nlangue=fr\n");
    ASSERT_TRUE(lireConfig(store).has_value());
    ASSERT_TRUE(store.cheminBase.affecter("/b/m\xE9moires.dat"));
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini), "[setup]\nlangue=fr\nautoload=/b/m\xE9moires.dat\n");

    MessagesEnregistres autres;
    MagasinFiches suivant(autres);
    ASSERT_TRUE(suivant.repertoireDepart.affecter(dossier.str()));
    EXPECT_EQ(lireConfig(suivant), std::optional<std::string>("/b/m\xE9moires.dat"));
    EXPECT_EQ(suivant.cheminBase.str(), "/b/m\xE9moires.dat");
}

TEST_F(Configuration, ecrireConfig_emptyPath_storedEmpty) {
    ecrireOctets(ini, "[setup]\nautoload=/a.dat\n");
    ASSERT_TRUE(lireConfig(store).has_value());
    store.cheminBase.vider();
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini), "[setup]\nautoload=\n");
}

TEST_F(Configuration, ecrireConfig_pathWithLineBreak_keyEmptiedNotSplit) {
    ecrireOctets(ini, "[setup]\nautoload=/a.dat\n[b]\nk=v\n");
    ASSERT_TRUE(lireConfig(store).has_value());
    ASSERT_TRUE(store.cheminBase.affecter("/x.dat\n.dat"));
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini), "[setup]\nautoload=\n[b]\nk=v\n");
}

ssize_t ecrireDisquePlein(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(Configuration, ecrireConfig_cannotWrite_throwsUnableToWrite_fileKept) {
    const std::string avant = "[setup]\nautoload=/a.dat\n";
    ecrireOctets(ini, avant);
    ASSERT_TRUE(lireConfig(store).has_value());
    AppelsSysteme pannes = appelsSysteme();
    pannes.ecrire = ecrireDisquePlein;
    store.appels = &pannes;
    ASSERT_TRUE(store.cheminBase.affecter("/b.dat"));
    try {
        ecrireConfig(store);
        ADD_FAILURE() << "no error";
    } catch (const Erreur& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    EXPECT_EQ(lireOctets(ini), avant);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Configuration, ecrireConfig_iniIsDirectory_throwsUnableToWrite) {
    mkdir(ini.c_str(), 0755);
    ASSERT_TRUE(lireConfig(store).has_value());
    EXPECT_THROW(ecrireConfig(store), Erreur);
}

}  // namespace

TEST_F(Configuration, lireConfig_backupCount_readWhenTheUserAddedIt) {
    ecrireOctets(ini, "[setup]\nautoload=\n");
    lireConfig(store);
    EXPECT_EQ(store.sauvegardes, 5);
    ecrireOctets(ini, "[setup]\nautoload=\nsauvegardes = 12\n");
    lireConfig(store);
    EXPECT_EQ(store.sauvegardes, 12);
    ecrireOctets(ini, "[setup]\nsauvegardes=0\n");
    lireConfig(store);
    EXPECT_EQ(store.sauvegardes, 0);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Configuration, lireConfig_backupCountNotANumber_toldAndDefaultKept) {
    ecrireOctets(ini, "[setup]\nsauvegardes=beaucoup\n");
    lireConfig(store);
    EXPECT_EQ(store.sauvegardes, 5);
    EXPECT_EQ(messages.messages,
              std::vector<std::string>{"La valeur « beaucoup » de la clé sauvegardes de " + ini +
                                       " n'est pas un nombre de 0 à 1000 : 5 versions de la base "
                                       "sont gardées à chaque enregistrement."});
}

TEST_F(Configuration, recentBases_writtenAtQuit_otherBytesKept_readBackNextStart) {
    const std::string avant = "; à moi\r\n[setup]\r\nautoload=/a.dat\r\nsauvegardes=3\r\n[autre]\r\nk=v";
    ecrireOctets(ini, avant);
    lireConfig(store);
    EXPECT_TRUE(store.recentes.empty());
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini), avant) << "no key added while there is nothing to keep";

    store.recentes = {"/b/deux.dat", "/a.dat"};
    ecrireConfig(store);
    EXPECT_EQ(lireOctets(ini),
              "; à moi\r\n[setup]\r\nautoload=/a.dat\r\nsauvegardes=3\r\nrecentes=/b/deux.dat|/a.dat\r\n"
              "[autre]\r\nk=v");

    MagasinFiches suivant{messages};
    ASSERT_TRUE(suivant.repertoireDepart.affecter(dossier.str()));
    lireConfig(suivant);
    EXPECT_EQ(suivant.recentes, (std::vector<std::string>{"/b/deux.dat", "/a.dat"}));
    EXPECT_EQ(suivant.sauvegardes, 3);

    // A list emptied by the user's hand stays an empty key.
    suivant.recentes.clear();
    ecrireConfig(suivant);
    EXPECT_NE(lireOctets(ini).find("\r\nrecentes=\r\n"), std::string::npos);
}

// The options of the menu "options", each remembered under its own key of [setup].
struct OptionIni {
    const char* cle;
    const char* coche;
    const char* decoche;
    bool MagasinFiches::*valeur;
    bool MagasinFiches::*choisie;
};
const OptionIni kOptionsIni[] = {
    {"accents", "ignorer", "respecter", &MagasinFiches::sansAccents, &MagasinFiches::choixAccents},
    {"fenetre", "agrandie", "fixe", &MagasinFiches::fenetreAgrandie, &MagasinFiches::choixFenetre},
    {"couleurs", "contrastees", "decrites", &MagasinFiches::couleursContrastees, &MagasinFiches::choixCouleurs},
    {"apercu", "oui", "non", &MagasinFiches::apercuImpression, &MagasinFiches::choixApercu},
};

TEST_F(Configuration, optionsChoice_writtenOnlyOnceChosen_otherBytesKept_readBackNextStart) {
    for (const OptionIni& o : kOptionsIni) {
        SCOPED_TRACE(o.cle);
        const std::string cle = o.cle;
        // The checked value in another letter case, and in another section.
        std::string autreCasse = o.coche;
        autreCasse[0] = static_cast<char>(autreCasse[0] - 'a' + 'A');
        const std::string avant = "; à moi\n[SETUP]\nautoload=/a.dat\n" + cle + "=" + autreCasse +
                                  "\n[autre]\n" + cle + "=" + o.coche + "\n";
        ecrireOctets(ini, avant);
        MagasinFiches magasin{messages};
        ASSERT_TRUE(magasin.repertoireDepart.affecter(dossier.str()));
        lireConfig(magasin);
        EXPECT_FALSE(magasin.*o.valeur) << "a value the program never writes leaves the item unchecked";
        ecrireConfig(magasin);
        EXPECT_EQ(lireOctets(ini), avant) << "kept while the user has not chosen";

        for (const bool choix : {true, false}) {
            magasin.*o.valeur = choix;
            magasin.*o.choisie = true;
            ecrireConfig(magasin);
            EXPECT_EQ(lireOctets(ini), "; à moi\n[SETUP]\nautoload=/a.dat\n" + cle + "=" +
                                           (choix ? o.coche : o.decoche) + "\n[autre]\n" + cle + "=" +
                                           o.coche + "\n");
            MagasinFiches suivant{messages};
            ASSERT_TRUE(suivant.repertoireDepart.affecter(dossier.str()));
            lireConfig(suivant);
            EXPECT_EQ(suivant.*o.valeur, choix);
            // Each option is its own line: the others are neither read as chosen nor written.
            for (const OptionIni& autre : kOptionsIni) {
                if (&autre != &o) {
                    EXPECT_FALSE(suivant.*autre.valeur) << autre.cle;
                }
            }
        }
        // Without the key, nothing is added until the user chooses.
        ecrireOctets(ini, "[setup]\nautoload=/a.dat\n");
        MagasinFiches autre{messages};
        ASSERT_TRUE(autre.repertoireDepart.affecter(dossier.str()));
        lireConfig(autre);
        EXPECT_FALSE(autre.*o.valeur);
        ecrireConfig(autre);
        EXPECT_EQ(lireOctets(ini), "[setup]\nautoload=/a.dat\n");
    }
    EXPECT_TRUE(messages.messages.empty());
}
