// A save killed at any moment leaves the base whole: either the old content or the new one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

#include "core/magasin_fiches.h"
#include "core/sauvegardes.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

constexpr int kFiches = 100000;

void remplir(MagasinFiches& s, char motif) {
    s.fiches.redimensionner(kFiches);
    s.derniere = kFiches - 1;
    std::memset(static_cast<void*>(s.fiches.bloc(0, kFiches)), motif, std::size_t(kFiches) * sizeof(Fiche));
}

TEST(SauvegardeTuee, killedAtRandomMoments_baseIsAlwaysOldOrNewWhole) {
    DossierTemporaire dossier;
    const std::string base = dossier / "base.dat";
    MessagesEnregistres messages;
    MagasinFiches a(messages), b(messages);
    remplir(a, 'A');
    remplir(b, 'B');
    ASSERT_EQ(a.ecrireBase(base), 1);
    const std::string contenuA = lireOctets(base);
    ASSERT_EQ(b.ecrireBase(dossier / "b.dat"), 1);
    const std::string contenuB = lireOctets(dossier / "b.dat");
    std::filesystem::remove(dossier / "b.dat");

    // Kills land anywhere within about three saves, however fast this machine saves.
    const auto avant = std::chrono::steady_clock::now();
    ASSERT_EQ(a.ecrireBase(base), 1);
    const auto uneSauvegarde = std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now() - avant).count();
    const unsigned fenetre = static_cast<unsigned>(std::max<long long>(3 * uneSauvegarde, 1000));

    std::mt19937 alea(20261207);
    int vusA = 0, vusB = 0;
    for (int tue = 0; tue < 50; ++tue) {
        const pid_t enfant = fork();
        ASSERT_GE(enfant, 0);
        if (enfant == 0) {
            for (int i = 0;; ++i) (i % 2 ? a : b).ecrireBase(base);
        }
        usleep(alea() % fenetre);
        kill(enfant, SIGKILL);
        int etat = 0;
        waitpid(enfant, &etat, 0);
        ASSERT_TRUE(WIFSIGNALED(etat));
        const std::string lu = lireOctets(base);
        const bool estA = lu == contenuA, estB = lu == contenuB;
        ASSERT_TRUE(estA || estB) << "base damaged after kill " << tue << " (" << lu.size() << " bytes)";
        vusA += estA;
        vusB += estB;
    }
    // The kills must have landed both before and after a save completed for the test to mean
    // much.
    EXPECT_GT(vusA, 0);
    EXPECT_GT(vusB, 0);

    // Leftovers of killed saves are hidden, and the next save of the base removes them.
    ASSERT_EQ(a.ecrireBase(base), 1);
    for (const auto& e : std::filesystem::directory_iterator(dossier.str())) {
        EXPECT_TRUE(e.path().filename() == "base.dat" || e.path().filename() == "base.sauvegardes")
            << e.path();
    }
    // The versions kept along the way are whole too, and as many as are to be kept.
    const auto versions = sauvegardesDe(base);
    EXPECT_EQ(versions.size(), static_cast<std::size_t>(kSauvegardesParDefaut));
    for (const auto& e : std::filesystem::directory_iterator(dossier / "base.sauvegardes")) {
        EXPECT_NE(std::find(versions.begin(), versions.end(), e.path().string()), versions.end())
            << "not a version: " << e.path();
    }
    for (const auto& v : versions) {
        const std::string lu = lireOctets(v);
        EXPECT_TRUE(lu == contenuA || lu == contenuB) << "damaged version " << v;
    }
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
