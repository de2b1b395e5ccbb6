#include "core/sauvegardes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/ignorer.h"

namespace {

// A table of n cards whose titles carry the version, so every version has other bytes.
void remplir(MagasinFiches& s, int n, const std::string& version) {
    s.fiches.redimensionner(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        Fiche& f = s.fiches[static_cast<std::size_t>(i)];
        std::memset(&f, 0, sizeof f);
        f.numero = i;
        ecrireChamp(f.titre, version + " " + std::to_string(i));
    }
    s.derniere = n - 1;
}

// A file's whole bytes, compared whole but shown short: size and a digest.
std::string empreinte(const std::string& octets) {
    return std::to_string(octets.size()) + ":" + std::to_string(std::hash<std::string>{}(octets));
}

std::vector<std::string> contenus(const std::vector<std::string>& chemins) {
    std::vector<std::string> r;
    for (const auto& c : chemins) r.push_back(empreinte(lireOctets(c)));
    return r;
}

ino_t inode(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 ? st.st_ino : 0;
}

class Sauvegardes : public ::testing::Test {
protected:
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};
    std::string base = dossier / "films.dat";

    // Saves a new version of the base; returns the bytes written.
    std::string sauver(const std::string& version, int n = 3) {
        remplir(store, n, version);
        EXPECT_EQ(store.ecrireBase(base), 1);
        return empreinte(lireOctets(base));
    }
};

TEST(dossierSauvegardes, besideTheBaseNamedAfterItNeverEndingInDat) {
    EXPECT_EQ(dossierSauvegardes("/home/moi/films.dat"), "/home/moi/films.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("films.dat"), "films.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("/films.dat"), "/films.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("/b/notes.txt"), "/b/notes.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("/b/notes"), "/b/notes.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("/b/x.dat.dat"), "/b/x.dat.sauvegardes");
    EXPECT_EQ(dossierSauvegardes("/a.b/x"), "/a.b/x.sauvegardes");
}

TEST(nomSauvegarde, localTimeThenRankThenExtension) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    t.tm_gmtoff = 3600;
    EXPECT_EQ(nomSauvegarde("films.dat", t, 1), "films-20261207-090503+0100.dat");
    EXPECT_EQ(nomSauvegarde("films.dat", t, 2), "films-20261207-090503+0100-2.dat");
    t.tm_gmtoff = -(5 * 3600 + 30 * 60);
    EXPECT_EQ(nomSauvegarde("notes", t, 1), "notes-20261207-090503-0530");
}

TEST(lireNombreSauvegardes, digitsOnlyWithinBounds) {
    const struct {
        const char* texte;
        std::optional<int> attendu;
    } cas[] = {{"0", 0},          {"5", 5},          {"12", 12},           {"1000", 1000},
               {"1001", {}},      {"", {}},          {"-1", {}},           {"3 ", {}},
               {"trois", {}},     {"99999999999", {}}, {"+4", {}}};
    for (const auto& c : cas) EXPECT_EQ(lireNombreSauvegardes(c.texte), c.attendu) << c.texte;
}

TEST_F(Sauvegardes, twoSaves_keepTheTwoPreviousVersionsByteForByte) {
    const std::string v1 = sauver("premiere");
    EXPECT_TRUE(sauvegardesDe(base).empty()) << "a new base has no earlier version";
    const std::string v2 = sauver("deuxieme");
    const std::string v3 = sauver("troisieme", 5);

    const auto versions = sauvegardesDe(base);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(contenus(versions), (std::vector<std::string>{v2, v1}));
    EXPECT_EQ(empreinte(lireOctets(base)), v3);
    EXPECT_TRUE(messages.messages.empty());
    for (const auto& v : versions) {
        EXPECT_EQ(v.rfind(dossier / "films.sauvegardes/films-", 0), 0u) << v;
        EXPECT_EQ(v.substr(v.size() - 4), ".dat");
    }
}

TEST_F(Sauvegardes, versionIsTheOldFileItselfNotACopy) {
    sauver("premiere");
    const ino_t ancien = inode(base);
    sauver("deuxieme");
    ASSERT_EQ(sauvegardesDe(base).size(), 1u);
    EXPECT_EQ(inode(sauvegardesDe(base)[0]), ancien);
}

TEST_F(Sauvegardes, countIsHonoured_oldestRemoved) {
    for (const int garder : {0, 1, 3, 5, 7}) {
        SCOPED_TRACE(garder);
        std::filesystem::remove_all(dossier / "films.sauvegardes");
        std::filesystem::remove(base);
        store.sauvegardes = garder;
        std::vector<std::string> ecrites;
        for (int i = 0; i < 9; ++i) ecrites.push_back(sauver("version " + std::to_string(i)));
        // Newest first: the versions before the last save, as many as asked for.
        std::vector<std::string> attendues;
        for (int i = 7; i >= 0 && static_cast<int>(attendues.size()) < garder; --i) {
            attendues.push_back(ecrites[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(contenus(sauvegardesDe(base)), attendues);
        EXPECT_EQ(garder == 0, !std::filesystem::exists(dossier / "films.sauvegardes"));
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Sauvegardes, pruning_touchesOnlyVersionFiles) {
    sauver("premiere");
    std::filesystem::create_directories(dossier / "films.sauvegardes");
    const std::vector<std::string> autres = {"notes.txt", "films-copie.dat", "films-20200101-000000.bak",
                                             "autre-20200101-000000.dat", "films-2020010-000000.dat"};
    for (const auto& nom : autres) ecrireOctets(dossier / ("films.sauvegardes/" + nom), "x");
    store.sauvegardes = 1;
    for (int i = 0; i < 4; ++i) sauver("v" + std::to_string(i));
    EXPECT_EQ(sauvegardesDe(base).size(), 1u);
    for (const auto& nom : autres) EXPECT_TRUE(std::filesystem::exists(dossier / ("films.sauvegardes/" + nom))) << nom;
}

TEST_F(Sauvegardes, sameSecond_freeNamesNeverOverwritten_newestFirst) {
    sauver("premiere");
    const std::time_t t = 1796000000;
    std::vector<std::string> chemins;
    for (int i = 0; i < 12; ++i) {
        // Twelve files whose contents were saved in the same second.
        const std::string fichier = dossier / ("contenu" + std::to_string(i));
        ecrireOctets(fichier, std::to_string(i));
        const struct timespec temps[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, fichier.c_str(), temps, 0), 0);
        const VersionGardee g = garderVersion(base, fichier);
        ASSERT_TRUE(g.raison.empty()) << g.raison;
        chemins.push_back(g.chemin);
    }
    std::tm local{};
    localtime_r(&t, &local);
    EXPECT_EQ(nomDe(chemins[0]), nomSauvegarde("films.dat", local, 1));
    EXPECT_EQ(nomDe(chemins[1]), nomSauvegarde("films.dat", local, 2));
    EXPECT_EQ(nomDe(chemins[11]), nomSauvegarde("films.dat", local, 12));
    // -10 comes after -9 in time, although not in the order of the letters.
    const auto versions = sauvegardesDe(base);
    ASSERT_EQ(versions.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(versions[i], chemins[11 - i]);
}

TEST_F(Sauvegardes, linksRefused_theFileIsCopied) {
    const std::string v1 = sauver("premiere");
    const VersionGardee g = garderVersion(base, base, [](const char*, const char*) {
        errno = EPERM;
        return -1;
    });
    ASSERT_TRUE(g.raison.empty()) << g.raison;
    EXPECT_EQ(empreinte(lireOctets(g.chemin)), v1);
    EXPECT_NE(inode(g.chemin), inode(base));
    // No temporary file of the copy is left beside the version.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dossier / "films.sauvegardes"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(Sauvegardes, folderCannotBeMade_saveGoesOn_toldOncePerFolder) {
    sauver("premiere");
    ecrireOctets(dossier / "films.sauvegardes", "un fichier à la place du dossier");
    const std::string v2 = sauver("deuxieme");
    const std::string v3 = sauver("troisieme");
    EXPECT_EQ(empreinte(lireOctets(base)), v3);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0],
              "La base " + base + " a été enregistrée, mais sa version précédente n'a pas pu être "
              "gardée dans " + dossier / "films.sauvegardes" + " : ce n'est pas un répertoire.");
    // Once it works again, a later failure is told again.
    std::filesystem::remove(dossier / "films.sauvegardes");
    sauver("quatrieme");
    EXPECT_EQ(contenus(sauvegardesDe(base)), std::vector<std::string>{v3});
    std::filesystem::remove_all(dossier / "films.sauvegardes");
    ecrireOctets(dossier / "films.sauvegardes", "");
    sauver("cinquieme");
    EXPECT_EQ(messages.messages.size(), 2u);
}

TEST_F(Sauvegardes, saveThatFails_leavesNoExtraVersion) {
    const std::string v1 = sauver("premiere");
    AppelsSysteme pannes = appelsSysteme();
    pannes.renommer = [](const char*, const char*) {
        errno = EIO;
        return -1;
    };
    store.appels = &pannes;
    remplir(store, 4, "perdue");
    EXPECT_EQ(store.ecrireBase(base), 0);
    EXPECT_EQ(empreinte(lireOctets(base)), v1);
    EXPECT_TRUE(sauvegardesDe(base).empty());
}

TEST_F(Sauvegardes, baseThroughALink_versionOfTheRealFileBesideTheLink) {
    std::filesystem::create_directories(dossier / "ailleurs");
    const std::string reel = dossier / "ailleurs/vraie.dat";
    ecrireOctets(reel, std::string(1028, 'a'));
    ASSERT_EQ(symlink(reel.c_str(), base.c_str()), 0);
    sauver("nouvelle");
    const auto versions = sauvegardesDe(base);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(lireOctets(versions[0]), std::string(1028, 'a'));
    EXPECT_TRUE(std::filesystem::is_symlink(base));
}

// Root ignores permission bits: only an immutable folder truly refuses new names, and only a
// file system with that flag can make one.
TEST_F(Sauvegardes, immutableBackupFolder_saveGoesOn_saidOnce) {
    sauver("premiere");
    sauver("deuxieme");
    const std::string rep = dossier / "films.sauvegardes";
    const int fd = open(rep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int drapeaux = 0;
    const bool gele = ioctl(fd, FS_IOC_GETFLAGS, &drapeaux) == 0 &&
                      (drapeaux |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &drapeaux) == 0);
    if (!gele) {
        close(fd);
        IGNORER("ce système de fichiers ne peut pas rendre un dossier immuable (chattr +i) ; "
                "le dossier en lecture seule n'est pas vérifié ici");
    }
    const auto avant = contenus(sauvegardesDe(base));
    const std::string v3 = sauver("troisieme");
    const std::string v4 = sauver("quatrieme");
    drapeaux &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &drapeaux);
    close(fd);
    EXPECT_EQ(empreinte(lireOctets(base)), v4);
    EXPECT_EQ(contenus(sauvegardesDe(base)), avant);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("a été enregistrée, mais sa version précédente n'a pas pu être gardée"),
              std::string::npos);
}

}  // namespace
