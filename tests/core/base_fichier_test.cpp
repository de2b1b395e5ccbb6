#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/attributs.h"
#include "core/fichier_sur.h"
#include "core/textes.h"
#include "core/magasin_fiches.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

// Every mask the process is given while this suite runs: the writer's threads share one, so a
// mask set for a moment is the mask of whatever another thread creates in that moment.
std::atomic<int> masquesDifferents{0};
std::atomic<mode_t> masqueAttendu{0};
extern "C" mode_t umask(mode_t masque) {
    if (masque != masqueAttendu.load()) ++masquesDifferents;
    return static_cast<mode_t>(syscall(SYS_umask, masque));
}

namespace {

std::string carte(int32_t numero, const std::string& titre, char remplissage = 'x') {
    Fiche f;
    std::memset(&f, remplissage, sizeof f);
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.description, "ligne 1\r\nligne 2");
    ecrireChamp(f.image, "\\chat.jpg");
    return std::string(reinterpret_cast<const char*>(&f), sizeof f);
}

class BaseFichierTest : public ::testing::Test {
protected:
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};
};

TEST_F(BaseFichierTest, load_countsWholeRecords_partialRecordIsIgnored) {
    struct Cas {
        std::size_t octets;
        int32_t derniere;
    };
    const Cas cas[] = {{0, -1}, {500, -1}, {1028, 0}, {2 * 1028 + 100, 1}, {3 * 1028, 2}};
    for (const Cas& c : cas) {
        std::string contenu;
        while (contenu.size() + 1028 <= c.octets) contenu += carte(7, "abc");
        contenu += std::string(c.octets - contenu.size(), 'z');
        ecrireOctets(dossier / "b.dat", contenu);
        store.courante = 1;
        store.dernierResultat = 5;
        ASSERT_EQ(store.chargerBase(dossier / "b.dat"), 1) << c.octets;
        EXPECT_EQ(store.derniere, c.derniere) << c.octets;
        EXPECT_EQ(store.courante, 0);
        EXPECT_EQ(store.dernierResultat, 0);
        EXPECT_EQ(store.fiches.places(), static_cast<std::size_t>(c.derniere + 2));
        // The slot past the last card is a blank, well-formed card.
        const Fiche& apres = store.fiches[static_cast<std::size_t>(c.derniere + 1)];
        EXPECT_EQ(apres.numero, 0);
        EXPECT_EQ(texteChamp(apres.titre), "");
        EXPECT_EQ(texteChamp(apres.image), "");
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BaseFichierTest, load_fieldWithoutZero_endsAtFieldEnd) {
    std::string c = carte(1, "x");
    std::memset(c.data() + 4, 'T', 256);  // title without terminating zero
    ecrireOctets(dossier / "b.dat", c);
    ASSERT_EQ(store.chargerBase(dossier / "b.dat"), 1);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), std::string(256, 'T'));
    EXPECT_EQ(texteChamp(store.fiches[0].description), "ligne 1\r\nligne 2");
}

TEST_F(BaseFichierTest, load_missingFile_showsMessageWithLineBreak_tableUnchanged) {
    store.fiches[0].numero = 77;
    EXPECT_EQ(store.chargerBase(dossier / "absent.dat"), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "le fichier de configuration " + (dossier / "absent.dat") +
                                        " n'a pas été trouvé.   \nou est sur un disque protégé en écriture");
    EXPECT_EQ(store.fiches[0].numero, 77);
    EXPECT_EQ(store.derniere, 0);
}

TEST_F(BaseFichierTest, load_directoryOrFifo_saysNotFound_neverBlocks) {
    std::filesystem::create_directory(dossier / "rep.dat");
    ASSERT_EQ(mkfifo((dossier / "tube.dat").c_str(), 0644), 0);
    for (const std::string nom : {"rep.dat", "tube.dat"}) {
        messages.messages.clear();
        EXPECT_EQ(store.chargerBase(dossier / nom), 0);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0], dossier / nom + " non trouvé");
    }
}

TEST_F(BaseFichierTest, load_readOnlyFile_succeedsAndClearsReadOnly) {
    ecrireOctets(dossier / "b.dat", carte(3, "lu"));
    chmod((dossier / "b.dat").c_str(), 0444);
    EXPECT_EQ(store.chargerBase(dossier / "b.dat"), 1);
    EXPECT_EQ(store.fiches[0].numero, 3);
    EXPECT_TRUE(modeDe(dossier / "b.dat") & S_IWUSR);
}

TEST_F(BaseFichierTest, saveThenLoad_isByteForByteTheSame_bytesAfterZeroIncluded) {
    const std::string contenu = carte(1, "abcdef", 'q') + carte(-1, "", 'r') + carte(INT32_MIN, "z", 's');
    ecrireOctets(dossier / "a.dat", contenu);
    ASSERT_EQ(store.chargerBase(dossier / "a.dat"), 1);
    ASSERT_EQ(store.ecrireBase(dossier / "b.dat"), 1);
    EXPECT_EQ(lireOctets(dossier / "b.dat"), contenu);
}

TEST_F(BaseFichierTest, save_shortenedTitle_keepsOldBytesAfterZero) {
    ecrireOctets(dossier / "a.dat", carte(1, "abcdef"));
    ASSERT_EQ(store.chargerBase(dossier / "a.dat"), 1);
    ecrireChamp(store.fiches[0].titre, "ab");
    ASSERT_EQ(store.ecrireBase(dossier / "a.dat"), 1);
    const std::string octets = lireOctets(dossier / "a.dat");
    EXPECT_EQ(octets.substr(4, 7), std::string("ab\0def\0", 7));
    ASSERT_EQ(store.chargerBase(dossier / "a.dat"), 1);
    EXPECT_EQ(texteChamp(store.fiches[0].titre), "ab");
}

TEST_F(BaseFichierTest, save_sizesFollowTheTable) {
    ecrireOctets(dossier / "a.dat", carte(1, "a") + carte(2, "b") + carte(3, "c") + carte(4, "d") + carte(5, "e"));
    ASSERT_EQ(store.chargerBase(dossier / "a.dat"), 1);
    ASSERT_EQ(store.ecrireBase(dossier / "cinq.dat"), 1);
    EXPECT_EQ(lireOctets(dossier / "cinq.dat").size(), 5u * 1028);
    store.effacerBase();
    ASSERT_EQ(store.ecrireBase(dossier / "a.dat"), 1);
    EXPECT_EQ(lireOctets(dossier / "a.dat").size(), 1028u);
    store.derniere = -1;
    ASSERT_EQ(store.ecrireBase(dossier / "a.dat"), 1);
    EXPECT_EQ(lireOctets(dossier / "a.dat").size(), 0u);
}

TEST_F(BaseFichierTest, save_readOnlyTarget_refusedWithMessage_fileUntouched) {
    ecrireOctets(dossier / "a.dat", "ancien");
    chmod((dossier / "a.dat").c_str(), 0444);
    EXPECT_EQ(store.ecrireBase(dossier / "a.dat"), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "le fichier " + (dossier / "a.dat") +
                                        " n'a pas pu être sauvegardé.   \ncar il est protégé en écriture");
    EXPECT_EQ(lireOctets(dossier / "a.dat"), "ancien");
    EXPECT_EQ(modeDe(dossier / "a.dat"), 0444u);
}

TEST_F(BaseFichierTest, save_directoryTarget_refusedWithFrenchReason) {
    std::filesystem::create_directory(dossier / "rep.dat");
    EXPECT_EQ(store.ecrireBase(dossier / "rep.dat"), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find(textes::kEstUnRepertoire), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dossier / "rep.dat"));
}

TEST_F(BaseFichierTest, save_keepsPermissionBits_andFollowsSymlink) {
    ecrireOctets(dossier / "vrai.dat", "ancien");
    chmod((dossier / "vrai.dat").c_str(), 0640);
    std::filesystem::create_symlink("vrai.dat", dossier / "lien.dat");
    ASSERT_EQ(store.ecrireBase(dossier / "lien.dat"), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dossier / "lien.dat"));
    EXPECT_EQ(lireOctets(dossier / "vrai.dat").size(), 1028u);
    EXPECT_EQ(modeDe(dossier / "vrai.dat"), 0640u);
}

TEST_F(BaseFichierTest, save_neverChangesTheProcessMask_newFileGetsTheUsualMode) {
    masqueAttendu = 027;
    const mode_t avant = umask(027);
    masquesDifferents = 0;
    ecrireOctets(dossier / "ancienne.dat", "ancien");
    chmod((dossier / "ancienne.dat").c_str(), 0600);
    EXPECT_EQ(store.ecrireBase(dossier / "nouvelle.dat"), 1);
    EXPECT_EQ(store.ecrireBase(dossier / "ancienne.dat"), 1);
    EXPECT_EQ(masquesDifferents, 0);
    masqueAttendu = avant;
    umask(avant);
    EXPECT_EQ(modeDe(dossier / "nouvelle.dat"), 0640u);
    EXPECT_EQ(modeDe(dossier / "ancienne.dat"), 0600u);
}

// Each step of the writer fails in turn: the old file must stay exactly as it was, and no
// temporary file may be left behind.
TEST_F(BaseFichierTest, save_failureAtEachStep_leavesOldFileAndNoTemporary) {
    ecrireOctets(dossier / "a.dat", "ancien contenu");
    static int etape;
    static int ecritures;
    static const AppelsSysteme* reel;
    reel = &appelsSysteme();
    static AppelsSysteme faux = *reel;
    // Step 1 fails the first write; step 2 accepts a short write and fails the next one.
    faux.ecrire = [](int fd, const void* d, std::size_t n) -> ssize_t {
        if (etape == 1 || (etape == 2 && ecritures++ > 0)) {
            errno = ENOSPC;
            return -1;
        }
        return reel->ecrire(fd, d, etape == 2 && n > 10 ? 10 : n);
    };
    faux.synchroniser = [](int fd) { return etape == 3 ? (errno = EIO, -1) : reel->synchroniser(fd); };
    faux.renommer = [](const char* a, const char* b) {
        return etape == 4 ? (errno = EACCES, -1) : reel->renommer(a, b);
    };
    faux.ouvrir = [](const char* c, int f, mode_t m) {
        return etape == 5 ? (errno = ENOSPC, -1) : reel->ouvrir(c, f, m);
    };
    store.appels = &faux;
    const char* raisons[] = {"", textes::kDisquePlein, textes::kDisquePlein, "erreur d'entrée-sortie",
                             textes::kAccesRefuse, textes::kDisquePlein};
    for (etape = 1; etape <= 5; ++etape) {
        ecritures = 0;
        messages.messages.clear();
        EXPECT_EQ(store.ecrireBase(dossier / "a.dat"), 0) << etape;
        EXPECT_EQ(lireOctets(dossier / "a.dat"), "ancien contenu") << etape;
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find(raisons[etape]), std::string::npos) << messages.messages[0];
        int fichiers = 0;
        for (auto& e : std::filesystem::directory_iterator(dossier.str())) {
            (void)e;
            ++fichiers;
        }
        EXPECT_EQ(fichiers, 1) << "temporary left at step " << etape;
    }
}

// A second writer of the same file starts while the first is writing (its temporary file then
// looks like a killed writer's leftover), and a killed writer left a file and a folder.
TEST_F(BaseFichierTest, twoWritersOfOneFile_neitherRemovesTheOthersTemporary_leftoversGo) {
    const std::string cible = dossier / "a.dat";
    ecrireOctets(dossier / ".a.dat.brevandoux-tmp-999-0", "restes");
    std::filesystem::create_directory(dossier / ".a.dat.brevandoux-tmp-999-1");
    ecrireOctets(dossier / ".a.dat.brevandoux-tmp-999-1/chat.jpg", "restes");
    ResultatEcriture second;
    const ResultatEcriture premier = ecrireFichierSur(cible, [&](int fd, const AppelsSysteme& a) {
        second = ecrireFichierSur(cible, [](int f, const AppelsSysteme& b) { return ecrireTout(f, "B", 1, b); });
        return ecrireTout(fd, "A", 1, a);
    });
    EXPECT_TRUE(second.ok()) << second.raison;
    EXPECT_TRUE(premier.ok()) << premier.raison;
    EXPECT_EQ(lireOctets(cible), "A");
    std::vector<std::string> restes;
    for (const auto& e : std::filesystem::directory_iterator(dossier.str())) restes.push_back(e.path().filename());
    EXPECT_EQ(restes, std::vector<std::string>{"a.dat"});
}

TEST_F(BaseFichierTest, save_removesStaleTemporariesOfThatBaseOnly) {
    ecrireOctets(dossier / ".a.dat.brevandoux-tmp-999-0", "restes");
    ecrireOctets(dossier / ".b.dat.brevandoux-tmp-999-0", "autre base");
    ASSERT_EQ(store.ecrireBase(dossier / "a.dat"), 1);
    EXPECT_FALSE(std::filesystem::exists(dossier / ".a.dat.brevandoux-tmp-999-0"));
    EXPECT_TRUE(std::filesystem::exists(dossier / ".b.dat.brevandoux-tmp-999-0"));
    // A leftover temporary is hidden, so it is never taken for a base.
    EXPECT_FALSE(fichierExiste(dossier / ".b.dat.brevandoux-tmp-999-0"));
}

TEST_F(BaseFichierTest, attributes_mapToPermissionsNamesAndFileKinds) {
    ecrireOctets(dossier / "plain.dat", "");
    ecrireOctets(dossier / "ro.dat", "");
    chmod((dossier / "ro.dat").c_str(), 0444);
    ecrireOctets(dossier / ".cache.dat", "");
    std::filesystem::create_directory(dossier / "rep");
    mkfifo((dossier / "tube").c_str(), 0644);
    struct Cas {
        std::string nom;
        bool existe, lectureSeule, cache, systeme, repertoire;
    };
    const Cas cas[] = {{"plain.dat", true, false, false, false, false},
                       {"ro.dat", true, true, false, false, false},
                       {".cache.dat", false, false, true, false, false},
                       {"rep", false, false, false, false, true},
                       {"tube", false, false, false, true, false}};
    for (const Cas& c : cas) {
        auto a = lireAttributs(dossier / c.nom);
        ASSERT_TRUE(a) << c.nom;
        EXPECT_EQ(fichierExiste(dossier / c.nom), c.existe) << c.nom;
        EXPECT_EQ(a->lectureSeule, c.lectureSeule) << c.nom;
        EXPECT_EQ(a->cache, c.cache) << c.nom;
        EXPECT_EQ(a->systeme, c.systeme) << c.nom;
        EXPECT_EQ(a->repertoire, c.repertoire) << c.nom;
    }
    EXPECT_FALSE(lireAttributs(dossier / "absent"));
    EXPECT_FALSE(fichierExiste(dossier / "absent"));
    retirerLectureSeule(dossier / "ro.dat");
    EXPECT_EQ(modeDe(dossier / "ro.dat"), 0644u);
}

}  // namespace
