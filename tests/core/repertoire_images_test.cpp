#include "core/repertoire_images.h"
#include "core/textes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/chemin_image.h"
#include "core/fiche.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace fs = std::filesystem;

namespace {

const std::string kSansBase =
    "la base doit être enregistrée avant de pouvoir y ranger des images : la fiche est gardée "
    "sans image";

std::string inrangeable(const std::string& image) {
    return "l'image " + image +
           " ne peut pas être rangée dans le répertoire des images (chemin trop long ou nom non "
           "valable) : la fiche est gardée sans image";
}

std::string creation(const std::string& rep) {
    return "creation du repertoire " + rep +
           " car inexistant cette base ne contient pas encore d'images";
}

// Every entry under a directory, relative, directories marked with a trailing '/'.
std::set<std::string> arbre(const std::string& racine) {
    std::set<std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(racine)) {
        std::string rel = fs::relative(e.path(), racine).string();
        r.insert(e.is_directory() && !e.is_symlink() ? rel + "/" : rel);
    }
    return r;
}

std::string octetsAleatoires(std::size_t n, unsigned graine) {
    std::mt19937 alea(graine);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(alea());
    return s;
}

// Runs a step as the unprivileged user "nobody", so that permission bits hold (root ignores
// them). The step's verdict comes back through the exit status.
bool sansPrivileges(const std::function<bool()>& etape) {
    if (geteuid() != 0) return etape();
    pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        _exit(etape() ? 0 : 1);
    }
    int statut = 0;
    waitpid(pid, &statut, 0);
    return WIFEXITED(statut) && WEXITSTATUS(statut) == 0;
}

TEST(cheminRepertoireImages, lastFourCharactersBecomeRep) {
    struct Cas {
        const char* base;
        const char* attendu;
    };
    const Cas cas[] = {{"/bases/films.dat", "/bases/films.rep"},
                       {"/bases/notes.txt", "/bases/notes.rep"},
                       {"/bases/films.DAT", "/bases/films.rep"},
                       {"/b/sans", "/b/.rep"},
                       {"x.dat", "x.rep"},
                       {"abc", ""},
                       {"", ""}};
    for (const Cas& c : cas) EXPECT_EQ(cheminRepertoireImages(c.base), c.attendu) << c.base;
}

TEST(creerRepertoireImages, noticeOnlyWhenCreated) {
    DossierTemporaire d;
    BoitesEnregistrees p;
    const std::string rep = d / "films.rep";
    creerRepertoireImages(p, rep);
    EXPECT_TRUE(fs::is_directory(rep));
    EXPECT_EQ(p.textes("message"), std::vector<std::string>{creation(rep)});
    p.oublier();
    creerRepertoireImages(p, rep);                      // exists
    creerRepertoireImages(p, d / "absent/films.rep");  // cannot be created
    creerRepertoireImages(p, "");
    EXPECT_TRUE(p.boites.empty());
    EXPECT_FALSE(fs::exists(d / "absent"));
}

class Copie : public ::testing::Test {
protected:
    DossierTemporaire d;
    BoitesEnregistrees p;
    void SetUp() override { chmod(d.str().c_str(), 0755); }
};

TEST_F(Copie, copierFichier_exactBytes_replacingLongerFile_noTemporaryLeft) {
    for (std::size_t taille : {std::size_t(0), std::size_t(1), std::size_t(4096),
                               std::size_t(3 * 1024 * 1024 + 7)}) {
        const std::string source = octetsAleatoires(taille, static_cast<unsigned>(taille));
        ecrireOctets(d / "source.jpg", source);
        ecrireOctets(d / "copie.jpg", std::string(10000, 'x'));
        EXPECT_TRUE(copierFichier(p, d / "source.jpg", d / "copie.jpg")) << taille;
        EXPECT_EQ(lireOctets(d / "copie.jpg"), source) << taille;
        EXPECT_EQ(lireOctets(d / "source.jpg"), source) << taille;
        EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"source.jpg", "copie.jpg"}));
    }
    EXPECT_TRUE(p.boites.empty());
}

// System calls that fail, for the copy's failure paths. A kernel copy that is not supported
// sends the copy through the buffer, whose reads and writes can then fail in turn.
ssize_t noyauAbsent(int, int, std::size_t) {
    errno = ENOSYS;
    return -1;
}
ssize_t noyauPlein(int, int, std::size_t) {
    errno = ENOSPC;
    return -1;
}
// Copies a first block, then finds the disk full: the temporary file holds part of the picture.
ssize_t noyauPleinEnCours(int de, int vers, std::size_t taille) {
    if (lseek(vers, 0, SEEK_CUR) == 0) return copy_file_range(de, nullptr, vers, nullptr, std::min<std::size_t>(taille, 4096), 0);
    errno = ENOSPC;
    return -1;
}
ssize_t lireEnErreur(int, void*, std::size_t) {
    errno = EIO;
    return -1;
}
ssize_t ecrirePlein(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}
ssize_t ecrireRien(int, const void*, std::size_t) { return 0; }
// Writes at most 1000 bytes a call: a copy must carry on after short writes.
ssize_t ecrireCourt(int fd, const void* donnees, std::size_t taille) {
    return write(fd, donnees, std::min<std::size_t>(taille, 1000));
}
int ouvrirRefuse(const char*, int, mode_t) {
    errno = EACCES;
    return -1;
}
int synchroniserEnErreur(int) {
    errno = EIO;
    return -1;
}
int fermerEnErreur(int fd) {
    close(fd);
    errno = EIO;
    return -1;
}
int renommerRefuse(const char*, const char*) {
    errno = EROFS;
    return -1;
}

TEST_F(Copie, copierFichier_failingSystemCall_leavesDestinationAndNoTemporary) {
    struct Cas {
        const char* nom;
        std::function<void(AppelsSysteme&)> panne;
        const char* raison;
    };
    const Cas cas[] = {
        {"ouvrir", [](AppelsSysteme& a) { a.ouvrir = ouvrirRefuse; }, textes::kAccesRefuse},
        {"noyau", [](AppelsSysteme& a) { a.copierNoyau = noyauPlein; }, textes::kDisquePlein},
        {"noyau en cours", [](AppelsSysteme& a) { a.copierNoyau = noyauPleinEnCours; },
         textes::kDisquePlein},
        {"lire",
         [](AppelsSysteme& a) {
             a.copierNoyau = noyauAbsent;
             a.lire = lireEnErreur;
         },
         textes::kErreurEntreeSortie},
        {"ecrire",
         [](AppelsSysteme& a) {
             a.copierNoyau = noyauAbsent;
             a.ecrire = ecrirePlein;
         },
         textes::kDisquePlein},
        {"ecrire rien",
         [](AppelsSysteme& a) {
             a.copierNoyau = noyauAbsent;
             a.ecrire = ecrireRien;
         },
         textes::kDisquePlein},
        {"synchroniser", [](AppelsSysteme& a) { a.synchroniser = synchroniserEnErreur; },
         textes::kErreurEntreeSortie},
        {"fermer", [](AppelsSysteme& a) { a.fermer = fermerEnErreur; },
         textes::kErreurEntreeSortie},
        {"renommer", [](AppelsSysteme& a) { a.renommer = renommerRefuse; },
         textes::kLectureSeule},
    };
    const std::string source = octetsAleatoires(200000, 11);
    const std::string ancienne = std::string(10000, 'x');
    for (const Cas& c : cas) {
        ecrireOctets(d / "source.jpg", source);
        ecrireOctets(d / "copie.jpg", ancienne);
        chmod((d / "copie.jpg").c_str(), 0640);
        AppelsSysteme appels = appelsSysteme();
        c.panne(appels);
        p.oublier();
        EXPECT_FALSE(copierFichier(p, d / "source.jpg", d / "copie.jpg", appels)) << c.nom;
        EXPECT_EQ(lireOctets(d / "copie.jpg"), ancienne) << c.nom;
        EXPECT_EQ(modeDe(d / "copie.jpg"), 0640u) << c.nom;
        EXPECT_EQ(lireOctets(d / "source.jpg"), source) << c.nom;
        EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"source.jpg", "copie.jpg"})) << c.nom;
        EXPECT_EQ(p.textes("message"),
                  std::vector<std::string>{"le fichier " + d / "source.jpg" +
                                           " n'a pas pu être copié vers " + d / "copie.jpg" +
                                           " : " + c.raison})
            << c.nom;
    }
}

TEST_F(Copie, copierFichier_throughBufferAndShortWrites_exactBytesModeKept) {
    AppelsSysteme appels = appelsSysteme();
    appels.copierNoyau = noyauAbsent;
    appels.ecrire = ecrireCourt;
    for (std::size_t taille : {std::size_t(0), std::size_t(999), std::size_t(3 * 1024 * 1024 + 7)}) {
        const std::string source = octetsAleatoires(taille, static_cast<unsigned>(taille) + 1);
        ecrireOctets(d / "source.jpg", source);
        ecrireOctets(d / "copie.jpg", std::string(10, 'x'));
        chmod((d / "copie.jpg").c_str(), 0604);
        EXPECT_TRUE(copierFichier(p, d / "source.jpg", d / "copie.jpg", appels)) << taille;
        EXPECT_EQ(lireOctets(d / "copie.jpg"), source) << taille;
        EXPECT_EQ(modeDe(d / "copie.jpg"), 0604u) << taille;
        EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"source.jpg", "copie.jpg"})) << taille;
    }
    EXPECT_TRUE(p.boites.empty());
}

TEST_F(Copie, copierFichier_sameFileUnderOtherSpelling_leftWhole) {
    const std::string contenu = octetsAleatoires(50000, 7);
    mkdir((d / "rep").c_str(), 0755);
    ecrireOctets(d / "rep/chat.jpg", contenu);
    ASSERT_EQ(symlink("rep/chat.jpg", (d / "lien.jpg").c_str()), 0);
    ASSERT_EQ(link((d / "rep/chat.jpg").c_str(), (d / "dur.jpg").c_str()), 0);
    struct stat avant;
    ASSERT_EQ(stat((d / "rep/chat.jpg").c_str(), &avant), 0);
    const std::string autres[] = {d / "rep/./chat.jpg", d / "rep/../rep/chat.jpg",
                                  d / "lien.jpg", d / "dur.jpg"};
    for (const std::string& autre : autres) {
        EXPECT_TRUE(copierFichier(p, d / "rep/chat.jpg", autre)) << autre;
        EXPECT_TRUE(copierFichier(p, autre, d / "rep/chat.jpg")) << autre;
        EXPECT_EQ(lireOctets(d / "rep/chat.jpg"), contenu) << autre;
    }
    // Still the very same file, hard link included: it was never replaced.
    struct stat apres;
    ASSERT_EQ(stat((d / "rep/chat.jpg").c_str(), &apres), 0);
    EXPECT_EQ(apres.st_ino, avant.st_ino);
    EXPECT_EQ(apres.st_nlink, 2u);
    EXPECT_TRUE(fs::is_symlink(d / "lien.jpg"));
    EXPECT_TRUE(p.boites.empty());
}

TEST_F(Copie, copierFichier_sourceMissingOrDirectory_destinationKept_userTold) {
    ecrireOctets(d / "copie.jpg", "ancienne");
    mkdir((d / "dossier").c_str(), 0755);
    for (const std::string& source : {d / "absente.jpg", d / "dossier"}) {
        p.oublier();
        EXPECT_FALSE(copierFichier(p, source, d / "copie.jpg")) << source;
        ASSERT_EQ(p.textes("message").size(), 1u) << source;
        EXPECT_EQ(p.textes("message")[0].rfind("le fichier " + source + " n'a pas pu être copié vers " +
                                                   d / "copie.jpg" + " : ",
                                               0),
                  0u);
        EXPECT_EQ(lireOctets(d / "copie.jpg"), "ancienne");
    }
    EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"copie.jpg", "dossier/"}));
}

TEST_F(Copie, copierFichier_unreadableSource_destinationKept) {
    ecrireOctets(d / "secret.jpg", "image");
    chmod((d / "secret.jpg").c_str(), 0000);
    mkdir((d / "rep").c_str(), 0777);
    ecrireOctets(d / "rep/copie.jpg", "ancienne");
    chmod((d / "rep/copie.jpg").c_str(), 0666);
    EXPECT_TRUE(sansPrivileges([&] {
        BoitesEnregistrees q;
        return !copierFichier(q, d / "secret.jpg", d / "rep/copie.jpg") &&
               q.textes("message").size() == 1;
    }));
    EXPECT_EQ(lireOctets(d / "rep/copie.jpg"), "ancienne");
    EXPECT_EQ(arbre(d / "rep"), std::set<std::string>{"copie.jpg"});
}

TEST_F(Copie, copierFichier_unwritableDestination_bothFilesKept) {
    ecrireOctets(d / "source.jpg", "nouvelle");
    mkdir((d / "protege").c_str(), 0755);  // root's: nobody cannot create files in it
    ecrireOctets(d / "protege/copie.jpg", "ancienne");
    EXPECT_TRUE(sansPrivileges([&] {
        BoitesEnregistrees q;
        return !copierFichier(q, d / "source.jpg", d / "protege/copie.jpg") &&
               q.textes("message").size() == 1;
    }));
    EXPECT_EQ(lireOctets(d / "protege/copie.jpg"), "ancienne");
    EXPECT_EQ(lireOctets(d / "source.jpg"), "nouvelle");
    EXPECT_EQ(arbre(d / "protege"), std::set<std::string>{"copie.jpg"});
}

TEST_F(Copie, copierFichier_readOnlyDestination_notReplaced) {
    ecrireOctets(d / "source.jpg", "nouvelle");
    ecrireOctets(d / "copie.jpg", "ancienne");
    chmod((d / "copie.jpg").c_str(), 0444);
    EXPECT_FALSE(copierFichier(p, d / "source.jpg", d / "copie.jpg"));
    EXPECT_EQ(lireOctets(d / "copie.jpg"), "ancienne");
    ASSERT_EQ(p.textes("message").size(), 1u);
    EXPECT_NE(p.textes("message")[0].find("protégé en écriture"), std::string::npos);
}

TEST_F(Copie, copierFichier_destinationMissingDirectory_nothingCreated) {
    ecrireOctets(d / "source.jpg", "x");
    EXPECT_FALSE(copierFichier(p, d / "source.jpg", d / "absent/copie.jpg"));
    EXPECT_EQ(arbre(d.str()), std::set<std::string>{"source.jpg"});
}

TEST_F(Copie, copierFichier_destinationSymlink_linkKeptTargetReplaced) {
    ecrireOctets(d / "source.jpg", "nouvelle");
    ecrireOctets(d / "cible.jpg", "ancienne");
    ASSERT_EQ(symlink("cible.jpg", (d / "lien.jpg").c_str()), 0);
    EXPECT_TRUE(copierFichier(p, d / "source.jpg", d / "lien.jpg"));
    EXPECT_TRUE(fs::is_symlink(d / "lien.jpg"));
    EXPECT_EQ(lireOctets(d / "cible.jpg"), "nouvelle");
}

class Arbre : public Copie {
protected:
    void fichier(const std::string& rel, const std::string& contenu) {
        fs::create_directories(fs::path(d / rel).parent_path());
        ecrireOctets(d / rel, contenu);
    }
};

TEST_F(Arbre, copierArbre_skipsDotEntries_recreatesSubdirectories_keepsOthers) {
    fichier("src/a.jpg", "A");
    fichier("src/b.bmp", "B");
    fichier("src/.cache/x.jpg", "X");
    fichier("src/.cachee.jpg", "H");
    fichier("src/sous/c.jpg", "C");
    fichier("src/sous/plus/d.jpg", "D");
    fichier("src/sous/.git/e", "E");
    fs::create_directories(d / "src/vide");
    fichier("dst/a.jpg", "ancienne plus longue");
    fichier("dst/autre.jpg", "O");
    EXPECT_EQ(copierArbre(p, d / "src", d / "dst"), 0u);
    EXPECT_EQ(arbre(d / "dst"),
              (std::set<std::string>{"a.jpg", "b.bmp", "autre.jpg", "sous/", "sous/c.jpg",
                                     "sous/plus/", "sous/plus/d.jpg", "vide/"}));
    EXPECT_EQ(lireOctets(d / "dst/a.jpg"), "A");
    EXPECT_EQ(lireOctets(d / "dst/sous/plus/d.jpg"), "D");
    EXPECT_EQ(lireOctets(d / "dst/autre.jpg"), "O");
    EXPECT_TRUE(p.boites.empty());
}

TEST_F(Arbre, copierArbre_destinationInsideSource_notCopiedIntoItself) {
    const std::pair<std::string, std::string> cas[] = {{"src1", "src1/copie"},
                                                        {"src2", "src2/sous/copie"}};
    for (const auto& [src, dst] : cas) {
        fichier(src + "/x.jpg", "X");
        fichier(src + "/sous/y.jpg", "Y");
        EXPECT_EQ(copierArbre(p, d / src, d / dst), 0u) << dst;
        EXPECT_EQ(arbre(d / dst), (std::set<std::string>{"x.jpg", "sous/", "sous/y.jpg"})) << dst;
    }
    EXPECT_TRUE(p.boites.empty());
}

TEST_F(Arbre, copierArbre_sameDirectory_orMissingSource_doesNothing) {
    fichier("src/x.jpg", "X");
    fichier("src/sous/y.jpg", "Y");
    const auto avant = arbre(d / "src");
    copierArbre(p, d / "src", d / "src");
    copierArbre(p, d / "src", d / "src/.");
    copierArbre(p, d / "src/sous/..", d / "src");
    EXPECT_EQ(arbre(d / "src"), avant);
    EXPECT_EQ(copierArbre(p, d / "absente", d / "dst"), 0u);
    EXPECT_FALSE(fs::exists(d / "dst"));
    EXPECT_TRUE(p.boites.empty());
}

TEST_F(Arbre, copierArbre_linkedDirectoryNotEntered_linkedFileCopied_fifoSkipped) {
    fichier("src/x.jpg", "X");
    fichier("ailleurs/gros.jpg", "G");
    ASSERT_EQ(symlink((d / "ailleurs").c_str(), (d / "src/lienrep").c_str()), 0);
    ASSERT_EQ(symlink("..", (d / "src/boucle").c_str()), 0);
    ASSERT_EQ(symlink((d / "ailleurs/gros.jpg").c_str(), (d / "src/lien.jpg").c_str()), 0);
    ASSERT_EQ(mkfifo((d / "src/tube").c_str(), 0644), 0);
    EXPECT_EQ(copierArbre(p, d / "src", d / "dst"), 0u);
    EXPECT_EQ(arbre(d / "dst"), (std::set<std::string>{"x.jpg", "lien.jpg"}));
    EXPECT_FALSE(fs::is_symlink(d / "dst/lien.jpg"));
    EXPECT_EQ(lireOctets(d / "dst/lien.jpg"), "G");
}

TEST_F(Arbre, copierArbre_failures_countedAndReportedOnce) {
    fichier("src/a.jpg", "A");
    fichier("src/sous/b.jpg", "B");
    fichier("src/sous/c.jpg", "C");
    fichier("dst/sous", "a file where the directory should go");
    EXPECT_EQ(copierArbre(p, d / "src", d / "dst"), 2u);
    ASSERT_EQ(p.textes("message").size(), 1u);
    EXPECT_EQ(p.textes("message")[0].rfind("2 fichier(s) de " + d / "src" +
                                               " n'ont pas pu être copiés vers " + d / "dst",
                                           0),
              0u);
    EXPECT_EQ(lireOctets(d / "dst/a.jpg"), "A");
    EXPECT_EQ(lireOctets(d / "dst/sous"), "a file where the directory should go");
}

class Rangement : public ::testing::Test {
protected:
    DossierTemporaire d;
    BoitesEnregistrees p;
    MagasinFiches store{p};
    std::string rep = d / "films.rep";

    void SetUp() override {
        fs::create_directories(d / "photos");
        ecrireOctets(d / "photos/chat.jpg", "un chat");
        ASSERT_TRUE(store.repertoireImages.affecter(rep));
    }
    std::string image() { return std::string(texteChamp(store.ficheCourante().image)); }
};

TEST_F(Rangement, newPictureFromElsewhere_directoryCreatedOnce_copied_nameStored) {
    ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/chat.jpg"));
    rangerImage(store);
    EXPECT_EQ(p.textes("message"), std::vector<std::string>{creation(rep)});
    EXPECT_EQ(lireOctets(rep + "/chat.jpg"), "un chat");
    EXPECT_EQ(image(), "\\chat.jpg");
    EXPECT_EQ(store.modifiee, 1);
    p.oublier();
    store.modifiee = 0;
    rangerImage(store);
    EXPECT_TRUE(p.boites.empty());
    EXPECT_EQ(store.modifiee, 1);
}

TEST_F(Rangement, keptPicture_notCopiedAgain_nameUnchanged) {
    fs::create_directories(rep);
    ecrireOctets(rep + "/chat.jpg", "celui du répertoire");
    ecrireChamp(store.ficheCourante().image, "\\chat.jpg");
    ASSERT_TRUE(store.imageChoisie.affecter(cheminImageAffiche(rep, image())));
    rangerImage(store);
    EXPECT_TRUE(p.boites.empty());
    EXPECT_EQ(image(), "\\chat.jpg");
    EXPECT_EQ(lireOctets(rep + "/chat.jpg"), "celui du répertoire");
    EXPECT_EQ(arbre(rep), std::set<std::string>{"chat.jpg"});
}

TEST_F(Rangement, samePictureNameFromElsewhere_keepsDirectoryCopy_takesAFreeName) {
    fs::create_directories(rep);
    // Another card's picture: never replaced by different bytes.
    ecrireOctets(rep + "/chat.jpg", "ancien chat, plus long");
    ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/chat.jpg"));
    rangerImage(store);
    EXPECT_EQ(lireOctets(rep + "/chat.jpg"), "ancien chat, plus long");
    EXPECT_EQ(lireOctets(rep + "/chat-2.jpg"), "un chat");
    EXPECT_EQ(image(), "\\chat-2.jpg");
    EXPECT_TRUE(p.boites.empty());
    // The same bytes again, for another card: the file already there serves.
    rangerImage(store);
    EXPECT_EQ(image(), "\\chat-2.jpg");
    EXPECT_EQ(arbre(rep), (std::set<std::string>{"chat.jpg", "chat-2.jpg"}));
}

TEST_F(Rangement, noPicture_imageEmptied_nothingCopied_directoryStillCreated) {
    ecrireChamp(store.ficheCourante().image, "\\ancienne.jpg");
    rangerImage(store);
    EXPECT_EQ(image(), "");
    EXPECT_EQ(store.modifiee, 1);
    EXPECT_EQ(arbre(rep), std::set<std::string>{});
    EXPECT_EQ(p.textes("message"), std::vector<std::string>{creation(rep)});
}

TEST_F(Rangement, copyFails_userTold_nameStoredAnyway) {
    ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/disparue.jpg"));
    rangerImage(store);
    ASSERT_EQ(p.textes("message").size(), 2u);
    EXPECT_EQ(p.textes("message")[1].rfind("le fichier " + d / "photos/disparue.jpg", 0), 0u);
    EXPECT_EQ(image(), "\\disparue.jpg");
}

TEST_F(Rangement, pathTooLongForDisplay_leftOutWithMessage_nothingCopied) {
    // The picked path just fits its buffer; in the picture directory it would not.
    const std::string nom = std::string(255 - d.str().size() - 8 - 4, 'n') + ".jpg";
    ecrireOctets(d / "photos" + "/" + nom, "long");
    ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/" + nom));
    ASSERT_GT((rep + "/" + nom).size(), 255u);
    rangerImage(store);
    ASSERT_EQ(p.textes("message").size(), 2u);
    EXPECT_EQ(p.textes("message")[1], inrangeable(d / "photos/" + nom));
    EXPECT_EQ(image(), "");
    EXPECT_EQ(arbre(rep), std::set<std::string>{});
}

TEST_F(Rangement, nameTheDisplayWouldRefuse_leftOutWithMessage_nothingCopied) {
    for (const std::string nom : {"a\\b.jpg", "chat..jpg"}) {
        p.oublier();
        ecrireOctets(d / "photos/" + nom, "x");
        ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/" + nom));
        rangerImage(store);
        EXPECT_EQ(p.textes("message").back(), inrangeable(d / "photos/" + nom));
        EXPECT_EQ(image(), "") << nom;
        EXPECT_EQ(arbre(rep), std::set<std::string>{}) << nom;
    }
}

// Changes the current directory for one test and puts it back.
class DansDossier {
public:
    explicit DansDossier(const std::string& chemin) : avant_(fs::current_path()) {
        fs::current_path(chemin);
    }
    ~DansDossier() { fs::current_path(avant_); }

private:
    fs::path avant_;
};

TEST_F(Rangement, noBaseBound_pictureDropped_cardKept_nothingWrittenAnywhere) {
    store.repertoireImages.vider();
    fs::create_directories(d / "courant");
    DansDossier ici(d / "courant");
    ASSERT_TRUE(store.imageChoisie.affecter(d / "photos/chat.jpg"));
    ecrireChamp(store.ficheCourante().titre, "Minou");
    rangerImage(store);
    EXPECT_EQ(p.textes("message"), std::vector<std::string>{kSansBase});
    EXPECT_EQ(image(), "");
    EXPECT_EQ(texteChamp(store.ficheCourante().titre), "Minou");
    EXPECT_EQ(store.modifiee, 1);
    EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"photos/", "photos/chat.jpg", "courant/"}));
    EXPECT_FALSE(fs::exists("/chat.jpg"));
}

TEST_F(Rangement, noBaseBound_cardKeepingItsOwnPictureName_keepsIt) {
    store.repertoireImages.vider();
    ecrireChamp(store.ficheCourante().image, "\\chat.jpg");
    ASSERT_TRUE(store.imageChoisie.affecter(cheminImageAffiche("", image())));
    rangerImage(store);
    EXPECT_TRUE(p.boites.empty());
    EXPECT_EQ(image(), "\\chat.jpg");
    EXPECT_EQ(arbre(d.str()), (std::set<std::string>{"photos/", "photos/chat.jpg"}));
}

TEST_F(Rangement, noBaseBound_noPicture_noMessage) {
    store.repertoireImages.vider();
    rangerImage(store);
    EXPECT_TRUE(p.boites.empty());
    EXPECT_EQ(image(), "");
    EXPECT_EQ(store.modifiee, 1);
}

}  // namespace
