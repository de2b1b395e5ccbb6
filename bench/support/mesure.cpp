#include "bench/support/mesure.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>

extern "C" char** environ;

namespace mesure {
namespace {

double tempsProcesseur() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

Temps chronometrer(const std::function<bool()>& etape, bool& ok) {
    const auto t0 = std::chrono::steady_clock::now();
    const double p0 = tempsProcesseur();
    ok = etape() && ok;
    Temps t;
    t.processeur = tempsProcesseur() - p0;
    t.mur = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return t;
}

std::pair<Temps, Temps> mesurerEnAlternance(const std::function<bool()>& etape,
                                            const std::function<bool()>& reference, bool& ok, int essais) {
    Temps meilleurs[2];
    for (int essai = 0; essai <= essais; ++essai) {
        for (int k = 0; k < 2; ++k) {
            const Temps t = chronometrer(k == 0 ? etape : reference, ok);
            if (essai > 0) {
                meilleurs[k].mur = std::min(meilleurs[k].mur, t.mur);
                meilleurs[k].processeur = std::min(meilleurs[k].processeur, t.processeur);
            }
        }
    }
    return {meilleurs[0], meilleurs[1]};
}

bool lancer(const std::vector<std::string>& arguments, rusage* usage) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int etat = 0;
    rusage u{};
    while (wait4(pid, &etat, 0, &u) < 0) {
        if (errno != EINTR) return false;
    }
    if (usage != nullptr) *usage = u;
    return WIFEXITED(etat) && WEXITSTATUS(etat) == 0;
}

std::string dossierDeTravail(int argc, char** argv, const std::string& nom, bool& temporaire) {
    temporaire = argc <= 2;
    if (!temporaire) return argv[2];
    std::string modele = "/tmp/" + nom + "-XXXXXX";
    return mkdtemp(modele.data()) != nullptr ? modele : std::string();
}

std::function<bool()> importSqlite(const std::string& table, char separateur, const std::string& base) {
    return [=] {
        std::filesystem::remove(base);
        return lancer({"sqlite3", "-batch", base, "-cmd", ".mode csv", "-cmd", std::string(".separator ") + separateur,
                       ".import " + table + " fiches"});
    };
}

}  // namespace mesure
