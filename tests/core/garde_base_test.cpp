// Two card stores on one base file, a base replaced or removed by another program, and the
// lock that tells a second window the base is open: never a silent overwrite.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "core/magasin_fiches.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

extern char** environ;

namespace {

std::string avec(const char* modele, const std::string& chemin) { return avecChemin(modele, chemin); }

// Appends a card, as validating one does, and marks the table changed.
void ajouter(MagasinFiches& s, int32_t numero, const std::string& titre) {
    s.ajouterPlace();
    Fiche& f = s.ficheCourante();
    std::memset(&f, 0, sizeof f);
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    s.modifiee = 1;
}

std::set<std::string> contenuDu(const std::string& dossier) {
    std::set<std::string> noms;
    for (const auto& e : std::filesystem::directory_iterator(dossier)) noms.insert(e.path().filename());
    return noms;
}

class DeuxFenetres : public ::testing::Test {
protected:
    void SetUp() override {
        base = dossier / "x.dat";
        Fiche f;
        std::memset(&f, 0, sizeof f);
        f.numero = 1;
        ecrireChamp(f.titre, "commune");
        ecrireOctets(base, std::string(reinterpret_cast<const char*>(&f), sizeof f));
    }

    DossierTemporaire dossier;
    std::string base;
    MessagesEnregistres messagesA, messagesB;
    MagasinFiches a{messagesA};
    MagasinFiches b{messagesB};
};

TEST_F(DeuxFenetres, saveOverAnotherStoresSave_asksFirst_NonKeepsTheFirstsCards_OuiWritesTheSeconds) {
    for (const int reponse : {kNon, kOui}) {
        SCOPED_TRACE(reponse == kOui ? "Oui" : "Non");
        SetUp();
        ASSERT_EQ(a.chargerBase(base), 1);
        ASSERT_EQ(b.chargerBase(base), 1);
        ajouter(a, 2, "de A");
        ajouter(b, 3, "de B");
        ASSERT_EQ(ecrireBaseVerifiee(a, base), 1);
        EXPECT_TRUE(messagesA.questions.empty());
        const std::string deA = lireOctets(base);

        messagesB.reponses = {reponse};
        const int ecrit = ecrireBaseVerifiee(b, base);
        ASSERT_EQ(messagesB.questions, std::vector<std::string>{avec(kModifieeAilleurs, base)});
        if (reponse == kNon) {
            EXPECT_EQ(ecrit, 0);
            EXPECT_EQ(lireOctets(base), deA);
            EXPECT_EQ(messagesB.messages, std::vector<std::string>{avec(kNonEnregistreeAilleurs, base)});
            EXPECT_NE(messagesB.messages[0].find("« Sauver base sous »"), std::string::npos);
            EXPECT_EQ(b.modifiee, 1);
            // Declining is not forgetting: the next save asks again.
            messagesB.reponses = {kNon};
            EXPECT_EQ(ecrireBaseVerifiee(b, base), 0);
            EXPECT_EQ(messagesB.questions.size(), 2u);
            EXPECT_EQ(lireOctets(base), deA);
        } else {
            EXPECT_EQ(ecrit, 1);
            EXPECT_TRUE(messagesB.messages.empty());
            EXPECT_EQ(lireOctets(base).size(), 2 * sizeof(Fiche));
            EXPECT_EQ(lireOctets(base).substr(sizeof(Fiche) + 4, 4), std::string("de B"));
            // B wrote last: B may save again without a question, A may not.
            ASSERT_EQ(ecrireBaseVerifiee(b, base), 1);
            EXPECT_EQ(messagesB.questions.size(), 1u);
            EXPECT_EQ(a.garde.etat(base), GardeBase::Etat::kModifiee);
        }
        a.garde.oublier();
        b.garde.oublier();
        messagesA = {};
        messagesB = {};
    }
}

TEST_F(DeuxFenetres, fileChangedByAnotherProgram_isSeenByOneStat) {
    struct Cas {
        const char* nom;
        std::function<void(const std::string&)> changer;
        GardeBase::Etat attendu;
    };
    const auto autreContenu = [](const std::string& chemin, const std::string& octets) {
        const std::string tmp = chemin + ".copie";
        ecrireOctets(tmp, octets);
        ASSERT_EQ(rename(tmp.c_str(), chemin.c_str()), 0);
    };
    const Cas cas[] = {
        {"nothing", [](const std::string&) {}, GardeBase::Etat::kInchangee},
        {"renamedOverWithSameBytes",
         [&](const std::string& c) { autreContenu(c, lireOctets(c)); }, GardeBase::Etat::kModifiee},
        {"removed", [](const std::string& c) { ASSERT_EQ(unlink(c.c_str()), 0); }, GardeBase::Etat::kDisparue},
        {"grownInPlace",
         [](const std::string& c) {
             const int fd = open(c.c_str(), O_WRONLY | O_APPEND);
             ASSERT_EQ(write(fd, "z", 1), 1);
             close(fd);
         },
         GardeBase::Etat::kModifiee},
        // Same size, same file: only the time tells; one nanosecond is enough.
        {"rewrittenInPlaceOneNanosecondLater",
         [](const std::string& c) {
             struct stat st;
             ASSERT_EQ(stat(c.c_str(), &st), 0);
             timespec t[2] = {st.st_atim, st.st_mtim};
             t[1].tv_nsec = (t[1].tv_nsec + 1) % 1000000000;
             ASSERT_EQ(utimensat(AT_FDCWD, c.c_str(), t, 0), 0);
         },
         GardeBase::Etat::kModifiee},
        {"attributesChangedOnly", [](const std::string& c) { ASSERT_EQ(chmod(c.c_str(), 0600), 0); },
         GardeBase::Etat::kInchangee},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        SetUp();
        messagesA = {};
        ASSERT_EQ(a.chargerBase(base), 1);
        ajouter(a, 9, "de A");
        const std::string avant = lireOctets(base);
        c.changer(base);
        const std::string change = lireOctets(base);
        EXPECT_EQ(a.garde.etat(base), c.attendu);
        // Another path is never this base's business.
        EXPECT_EQ(a.garde.etat(dossier / "autre.dat"), GardeBase::Etat::kInchangee);

        if (c.attendu == GardeBase::Etat::kInchangee) {
            EXPECT_EQ(ecrireBaseVerifiee(a, base), 1);
            EXPECT_TRUE(messagesA.questions.empty());
            continue;
        }
        messagesA.reponses = {kNon};
        EXPECT_EQ(ecrireBaseVerifiee(a, base), 0);
        EXPECT_EQ(messagesA.questions, std::vector<std::string>{avec(kModifieeAilleurs, base)});
        EXPECT_EQ(lireOctets(base), change);
        EXPECT_EQ(std::filesystem::exists(base), c.attendu != GardeBase::Etat::kDisparue);
        messagesA.reponses = {kOui};
        EXPECT_EQ(ecrireBaseVerifiee(a, base), 1);
        EXPECT_EQ(lireOctets(base).size(), 2 * sizeof(Fiche));
        // Written over: the file is ours again.
        EXPECT_EQ(ecrireBaseVerifiee(a, base), 1);
        EXPECT_EQ(messagesA.questions.size(), 2u);
    }
}

TEST_F(DeuxFenetres, oneStoreAlone_neverAsks_afterItsOwnSavesAndSavesAs) {
    ASSERT_EQ(a.chargerBase(base), 1);
    const std::string y = dossier / "y.dat";
    for (int i = 0; i < 5; ++i) {
        ajouter(a, 10 + i, "encore");
        ASSERT_EQ(ecrireBaseVerifiee(a, base), 1) << i;
    }
    // Save as elsewhere, read back as the save-as does, then plain saves there.
    ASSERT_EQ(a.ecrireBase(y), 1);
    ASSERT_EQ(a.chargerBase(y), 1);
    ajouter(a, 20, "y");
    ASSERT_EQ(ecrireBaseVerifiee(a, y), 1);
    // The base the store left is no longer guarded: a change there is not its business.
    ecrireOctets(base, "autre");
    EXPECT_EQ(a.garde.etat(base), GardeBase::Etat::kInchangee);
    ASSERT_EQ(ecrireBaseVerifiee(a, y), 1);
    EXPECT_TRUE(messagesA.questions.empty());
    EXPECT_TRUE(messagesA.messages.empty());
}

TEST_F(DeuxFenetres, secondReader_isToldOnce_theLockFollowsSaves_andEndsWithItsHolder) {
    ASSERT_EQ(a.chargerBase(base), 1);
    a.garde.signalerOuvertureAilleurs(messagesA);
    EXPECT_TRUE(messagesA.messages.empty());
    EXPECT_TRUE(baseTenueAilleurs(base));

    // An open reads the base twice; the notice comes once.
    ASSERT_EQ(b.chargerBase(base), 1);
    ASSERT_EQ(b.chargerBase(base), 1);
    b.garde.signalerOuvertureAilleurs(messagesB);
    b.garde.signalerOuvertureAilleurs(messagesB);
    EXPECT_EQ(messagesB.messages, std::vector<std::string>{avec(kDejaOuverte, base)});

    // A's save puts a new file in place: A holds that one, so a third window is told.
    b.garde.oublier();
    ajouter(a, 2, "de A");
    ASSERT_EQ(ecrireBaseVerifiee(a, base), 1);
    MessagesEnregistres messagesC;
    {
        MagasinFiches c(messagesC);
        ASSERT_EQ(c.chargerBase(base), 1);
        c.garde.signalerOuvertureAilleurs(messagesC);
        EXPECT_EQ(messagesC.messages, std::vector<std::string>{avec(kDejaOuverte, base)});
    }
    // A window that closes its base lets the next one open it without a word.
    a.garde.oublier();
    EXPECT_FALSE(baseTenueAilleurs(base));
    messagesC = {};
    MagasinFiches d(messagesC);
    ASSERT_EQ(d.chargerBase(base), 1);
    d.garde.signalerOuvertureAilleurs(messagesC);
    EXPECT_TRUE(messagesC.messages.empty());
}

TEST_F(DeuxFenetres, movedStore_keepsItsHoldAndWhatItRemembers) {
    ASSERT_EQ(a.chargerBase(base), 1);
    ajouter(a, 2, "de A");
    auto deplace = std::make_unique<MagasinFiches>(std::move(a));
    a.garde.oublier();  // the moved-from store has nothing left to release
    EXPECT_TRUE(baseTenueAilleurs(base));
    ASSERT_EQ(ecrireBaseVerifiee(*deplace, base), 1);
    EXPECT_TRUE(baseTenueAilleurs(base)) << "the hold followed the save";
    deplace.reset();
    EXPECT_FALSE(baseTenueAilleurs(base));
    EXPECT_TRUE(messagesA.questions.empty());
}

TEST_F(DeuxFenetres, holdingABase_changesNothingOnDisk) {
    struct stat avant;
    ASSERT_EQ(stat(base.c_str(), &avant), 0);
    const std::string octets = lireOctets(base);
    const std::set<std::string> fichiers = contenuDu(dossier.str());
    ASSERT_EQ(a.chargerBase(base), 1);
    ASSERT_EQ(b.chargerBase(base), 1);
    ASSERT_TRUE(a.garde.tenue());
    ASSERT_TRUE(b.garde.tenue());
    struct stat apres;
    ASSERT_EQ(stat(base.c_str(), &apres), 0);
    EXPECT_EQ(lireOctets(base), octets);
    EXPECT_EQ(apres.st_size, avant.st_size);
    EXPECT_EQ(apres.st_mtim.tv_sec, avant.st_mtim.tv_sec);
    EXPECT_EQ(apres.st_mtim.tv_nsec, avant.st_mtim.tv_nsec);
    EXPECT_EQ(contenuDu(dossier.str()), fichiers);
}

// A process holding the base, started as a second program would be.
class Detenteur {
public:
    explicit Detenteur(const std::string& base) {
        int tube[2];
        if (pipe2(tube, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, tube[1], 1);
        char* argv[] = {const_cast<char*>(TENIR_BASE), const_cast<char*>(base.c_str()), nullptr};
        if (posix_spawn(&pid_, TENIR_BASE, &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(tube[1]);
        char lu[8] = {};
        pret_ = pid_ > 0 && read(tube[0], lu, 5) == 5 && std::string(lu) == "pret\n";
        close(tube[0]);
    }
    ~Detenteur() { tuer(); }
    bool pret() const { return pret_; }
    // Ends it as a crash or a kill would: nothing of its own runs.
    void tuer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        int etat = 0;
        waitpid(pid_, &etat, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool pret_ = false;
};

TEST_F(DeuxFenetres, lockOfAKilledProcess_isIgnored_andLeavesNoFile) {
    const std::set<std::string> fichiers = contenuDu(dossier.str());
    Detenteur autre(base);
    ASSERT_TRUE(autre.pret());
    // Alive, it is seen.
    EXPECT_TRUE(baseTenueAilleurs(base));
    ASSERT_EQ(a.chargerBase(base), 1);
    a.garde.signalerOuvertureAilleurs(messagesA);
    EXPECT_EQ(messagesA.messages, std::vector<std::string>{avec(kDejaOuverte, base)});
    a.garde.oublier();
    messagesA = {};

    autre.tuer();
    EXPECT_FALSE(baseTenueAilleurs(base));
    ASSERT_EQ(a.chargerBase(base), 1);
    a.garde.signalerOuvertureAilleurs(messagesA);
    ajouter(a, 2, "après");
    EXPECT_EQ(ecrireBaseVerifiee(a, base), 1);
    EXPECT_TRUE(messagesA.messages.empty());
    EXPECT_TRUE(messagesA.questions.empty());
    // No lock file: only the folder where the save kept the version it replaced.
    std::set<std::string> attendus = fichiers;
    attendus.insert("x.sauvegardes");
    EXPECT_EQ(contenuDu(dossier.str()), attendus);
}

}  // namespace
