// brevandoux-convertir as a script runs it: exit codes, the destination never replaced
// without --remplacer, and the round trip base -> table -> base.

#include <gtest/gtest.h>
#include <spawn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/fiche.h"
#include "core/tableau_csv.h"
#include "tests/support/carte.h"
#include "tests/support/dossier_temporaire.h"

extern char** environ;

namespace {

struct Sortie {
    int code = -1;
    std::string erreurs;
};

// Starts the converter with these arguments, its standard error into fichierErreurs.
pid_t lancer(const std::vector<std::string>& arguments, const std::string& fichierErreurs) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, fichierErreurs.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {BREVANDOUX_CONVERTIR};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, BREVANDOUX_CONVERTIR, &actions, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "le convertisseur n'a pas pu être lancé";
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs the converter with these arguments, its standard error captured.
Sortie convertir(const std::vector<std::string>& arguments, const DossierTemporaire& dossier) {
    const std::string fichierErreurs = dossier / "stderr.txt";
    Sortie s;
    const pid_t pid = lancer(arguments, fichierErreurs);
    if (pid < 0) return s;
    int statut = 0;
    waitpid(pid, &statut, 0);
    s.code = WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut);
    s.erreurs = lireOctets(fichierErreurs);
    return s;
}

std::string base(const std::vector<Fiche>& fiches) {
    return std::string(reinterpret_cast<const char*>(fiches.data()), fiches.size() * sizeof(Fiche));
}

}  // namespace

TEST(Convertir, exitCodes_zeroDoneOneBadInputTwoUsage) {
    DossierTemporaire d;
    ecrireOctets(d / "b.dat", base({carte(1, "un", "")}));
    ecrireOctets(d / "mauvais.csv", "numero,titre\r\n1,\"jamais ferm\xC3\xA9\r\n");
    ecrireOctets(d / "existe.csv", "ancien");
    struct Cas {
        std::vector<std::string> arguments;
        int code;
        const char* message;  // part of standard error
    } cas[] = {
        {{"--help"}, 0, ""},
        {{d / "b.dat", d / "b.csv"}, 0, ""},
        {{}, 2, "il faut une source et une destination"},
        {{d / "b.dat"}, 2, "il faut une source et une destination"},
        {{d / "b.dat", d / "x.csv", d / "y.csv"}, 2, "il faut une source"},
        {{d / "b.dat", d / "x.txt"}, 2, "non prévue"},
        {{d / "b.csv", d / "x.csv"}, 2, "non prévue"},
        {{"--vite", d / "b.dat", d / "x.csv"}, 2, "option inconnue : --vite"},
        {{d / "absente.dat", d / "x.csv"}, 1, "il n'existe pas"},
        {{d / "mauvais.csv", d / "m.dat"}, 1, "ligne 2, titre : guillemet ouvert"},
        {{d / "b.dat", d / "existe.csv"}, 1, "n'est remplacée qu'avec --remplacer"},
    };
    for (const Cas& c : cas) {
        const Sortie s = convertir(c.arguments, d);
        std::string ligne;
        for (const auto& a : c.arguments) ligne += a + " ";
        EXPECT_EQ(s.code, c.code) << ligne << "\n" << s.erreurs;
        EXPECT_NE(s.erreurs.find(c.message), std::string::npos) << ligne << "\n" << s.erreurs;
    }
    EXPECT_EQ(lireOctets(d / "existe.csv"), "ancien");
    EXPECT_FALSE(std::filesystem::exists(d / "m.dat"));
    EXPECT_FALSE(std::filesystem::exists(d / "x.csv"));
}

TEST(Convertir, remplacer_replacesTheDestination) {
    DossierTemporaire d;
    ecrireOctets(d / "b.dat", base({carte(1, "un", "")}));
    ecrireOctets(d / "existe.csv", "ancien");
    const Sortie s = convertir({d / "b.dat", d / "existe.csv", "--remplacer"}, d);
    EXPECT_EQ(s.code, 0) << s.erreurs;
    EXPECT_EQ(lireOctets(d / "existe.csv"), std::string(debutCsv()) + "1,un,,\r\n");
}

TEST(Convertir, baseToTableToBase_keepsNumbersAndTexts_andFilesNamedPictures) {
    DossierTemporaire d;
    std::vector<Fiche> cartes = {carte(-5, "=SOMME(A1)", "un\r\ndeux; \"trois\"", "\\chat.jpg"),
                                 carte(7, "caf\xE9 \x80", "", ""), carte(0, "", "-moins", "\\absent.png")};
    ecrireOctets(d / "b.dat", base(cartes));
    ASSERT_EQ(convertir({d / "b.dat", d / "t.csv"}, d).code, 0);
    // The table lies beside one of the pictures: that one is filed into the new base's folder.
    ecrireOctets(d / "chat.jpg", "JPEG");
    const Sortie s = convertir({d / "t.csv", d / "nouvelle.dat"}, d);
    ASSERT_EQ(s.code, 0) << s.erreurs;
    EXPECT_EQ(s.erreurs, "");
    const std::string o = lireOctets(d / "nouvelle.dat");
    ASSERT_EQ(o.size(), cartes.size() * sizeof(Fiche));
    for (std::size_t i = 0; i < cartes.size(); ++i) {
        Fiche f;
        std::memcpy(&f, o.data() + i * sizeof f, sizeof f);
        EXPECT_EQ(f.numero, cartes[i].numero);
        EXPECT_EQ(texteChamp(f.titre), texteChamp(cartes[i].titre));
        EXPECT_EQ(texteChamp(f.description), texteChamp(cartes[i].description));
        EXPECT_EQ(texteChamp(f.image), texteChamp(cartes[i].image));
    }
    EXPECT_EQ(lireOctets(d / "nouvelle.rep/chat.jpg"), "JPEG");
}

TEST(Convertir, tableOfOneSliceOneCardOverOrNone_givesTheBaseTheImportGives) {
    for (const std::size_t lignes : {std::size_t(0), kTrancheCsv, kTrancheCsv + 1}) {
        DossierTemporaire d;
        std::string table = "numero,titre\r\n";
        for (std::size_t i = 0; i < lignes; ++i) table += (i % 2 ? std::to_string(i * 3) : "") + ",t" + std::to_string(i) + "\r\n";
        ecrireOctets(d / "t.csv", table);
        const Sortie s = convertir({d / "t.csv", d / "b.dat"}, d);
        ASSERT_EQ(s.code, 0) << lignes << "\n" << s.erreurs;
        const std::string o = lireOctets(d / "b.dat");
        ASSERT_EQ(o.size(), lignes * sizeof(Fiche)) << lignes;
        for (std::size_t i = 0; i < lignes; ++i) {
            Fiche f;
            std::memcpy(&f, o.data() + i * sizeof f, sizeof f);
            EXPECT_EQ(f.numero, static_cast<int32_t>(i % 2 ? i * 3 : i)) << i;
            EXPECT_EQ(texteChamp(f.titre), "t" + std::to_string(i)) << i;
        }
    }
}

TEST(Convertir, refusalAfterTheFirstSlices_leavesNothingBehind) {
    DossierTemporaire d;
    ecrireOctets(d / "chat.jpg", "JPEG");
    std::string table = "titre,image\r\nchat,chat.jpg\r\n";
    for (std::size_t i = 0; i < 3 * kTrancheCsv; ++i) table += "t,\r\n";
    table += "\"jamais ferm\xC3\xA9\r\n";
    ecrireOctets(d / "t.csv", table);
    const Sortie s = convertir({d / "t.csv", d / "b.dat"}, d);
    EXPECT_EQ(s.code, 1);
    EXPECT_NE(s.erreurs.find("ligne " + std::to_string(3 * kTrancheCsv + 3) + ", titre : guillemet ouvert"),
              std::string::npos)
        << s.erreurs;
    std::vector<std::string> noms;
    for (const auto& e : std::filesystem::directory_iterator(d.str())) noms.push_back(e.path().filename());
    std::sort(noms.begin(), noms.end());
    EXPECT_EQ(noms, (std::vector<std::string>{"chat.jpg", "stderr.txt", "t.csv"}));
}

// Killed while it copies a picture: no picture, no folder and nothing visible is left, and the
// next run removes what the killed one left hidden.
TEST(Convertir, killedWhileFilingAPicture_leavesNothingVisible_theNextRunCleansUp) {
    DossierTemporaire d;
    // Large enough for its copy to be caught in the middle, and of bytes that must be copied.
    std::string octets(std::size_t(96) << 20, '\0');
    std::mt19937_64 alea(43);
    for (std::size_t i = 0; i + 8 <= octets.size(); i += 8) {
        const std::uint64_t v = alea();
        std::memcpy(&octets[i], &v, 8);
    }
    ecrireOctets(d / "chat.jpg", octets);
    ecrireOctets(d / "t.csv", "titre,image\r\nchat,chat.jpg\r\n");
    const std::set<std::string> avant = {"chat.jpg", "t.csv"};
    const auto copieEnCours = [&] {
        std::error_code e;
        for (auto it = std::filesystem::recursive_directory_iterator(d.str(), e);
             !e && it != std::filesystem::recursive_directory_iterator(); it.increment(e)) {
            if (it->path().filename().string().rfind(".chat.jpg.brevandoux-tmp-", 0) == 0) return true;
        }
        return false;
    };
    const pid_t pid = lancer({d / "t.csv", d / "b.dat"}, "/dev/null");
    ASSERT_GT(pid, 0);
    int statut = 0;
    while (waitpid(pid, &statut, WNOHANG) == 0) {
        if (copieEnCours()) {
            kill(pid, SIGKILL);
            waitpid(pid, &statut, 0);
            break;
        }
    }
    ASSERT_TRUE(WIFSIGNALED(statut)) << "la copie n'a pas été surprise";
    std::set<std::string> visibles;
    for (const auto& e : std::filesystem::directory_iterator(d.str())) {
        if (e.path().filename().string()[0] != '.') visibles.insert(e.path().filename());
    }
    EXPECT_EQ(visibles, avant);

    const Sortie s = convertir({d / "t.csv", d / "b.dat"}, d);
    ASSERT_EQ(s.code, 0) << s.erreurs;
    std::set<std::string> tout;
    for (const auto& e : std::filesystem::recursive_directory_iterator(d.str())) {
        tout.insert(std::filesystem::relative(e.path(), d.str()));
    }
    EXPECT_EQ(tout, (std::set<std::string>{"b.dat", "b.rep", "b.rep/chat.jpg", "chat.jpg", "stderr.txt", "t.csv"}));
}
