// Converter benchmark: `brevandoux-convertir TABLE.csv BASE.dat` on the table bench_csv
// imports, beside sqlite3's .import of the same table into a new database file, in the same
// run. Goals: the converter takes at most sqlite3's time, and its peak memory stays within
// 1.5 times the table's size (the table is read whole; the cards are written a slice at a time).
// The base written is checked against the window's import of the same table.
//
//   bench_convertir [cards [folder [converter]]]   (default 1,000,000 cards, a fresh folder
//                                                   under /tmp, the converter built beside)
//
// Each measure is the best of three runs, after one that warms up the memory and the disk
// (a fresh machine's first large allocation is slow). Both are programs of their own, so their
// wall-clock times compare, and the peak memory is the converter's own (its rusage). Exit
// status: 0 goals met, 1 a goal missed, 2 a result was wrong or a step failed. On a machine
// shared with other work, judge the time goal on several runs, never on one.

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/support/generateur.h"
#include "bench/support/mesure.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/messages_erreur.h"
#include "core/tableau_csv.h"

namespace {

// The seed bench_csv draws its base from: the same table.
const uint64_t kGraine = 0xC5F0A11Eull;

struct Processus {
    double utilisateur = 1e300, systeme = 1e300;
    long pointeKo = 0;  // the largest peak resident memory of the runs
};

double secondes(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    if (n < 1) return 2;
    bool temporaire = false;
    const std::string dossier = mesure::dossierDeTravail(argc, argv, "bench-convertir", temporaire);
    if (dossier.empty()) return 2;
    const std::string convertisseur = argc > 3 ? argv[3] : BREVANDOUX_CONVERTIR;
    const std::string cheminCsv = dossier + "/table.csv";
    const std::string cheminBase = dossier + "/table.dat";
    const std::string baseSqlite = dossier + "/sqlite.db";
    bool ok = true;

    // The table, and the digest of the base the window's import of it gives, are made in a
    // child process: a spawned program's peak memory counts its parent's, which must stay
    // small for the converter's own to be read.
    uint64_t attendue = 0;
    int tube[2];
    if (pipe(tube) != 0) return 2;
    const pid_t enfant = fork();
    if (enfant < 0) return 2;
    if (enfant == 0) {
        close(tube[0]);
        uint64_t empreinte = 0;
        {
            TableFiches cartes(static_cast<std::size_t>(n));
            generateur::genererFiches(cartes.bloc(0, cartes.places()), static_cast<std::size_t>(n), kGraine);
            if (!ecrireTableauCsv(cheminCsv, cartes, static_cast<int32_t>(n - 1)).ok()) _exit(2);
        }
        MessagesSurErreur messages("bench_convertir");
        MagasinFiches store(messages);
        store.derniere = -1;
        if (!importerTableauCsv(store, cheminCsv) || store.derniere != n - 1) _exit(2);
        empreinte = generateur::empreinteTable(store.fiches, static_cast<std::size_t>(n));
        _exit(write(tube[1], &empreinte, sizeof empreinte) == sizeof empreinte ? 0 : 2);
    }
    close(tube[1]);
    const bool recue = read(tube[0], &attendue, sizeof attendue) == sizeof attendue;
    close(tube[0]);
    int etat = 0;
    if (waitpid(enfant, &etat, 0) != enfant || !WIFEXITED(etat) || WEXITSTATUS(etat) != 0 || !recue) return 2;
    const double tailleTableau = static_cast<double>(std::filesystem::file_size(cheminCsv));
    // The inputs reach the disk before anything is timed: a flush inside a timed write would
    // otherwise carry them too (ext4 commits other files' data with an fsync).
    sync();

    Processus p;
    const auto convertir = [&] {
        std::filesystem::remove(cheminBase);
        rusage u{};
        const bool fait = mesure::lancer({convertisseur, cheminCsv, cheminBase}, &u);
        p.utilisateur = std::min(p.utilisateur, secondes(u.ru_utime));
        p.systeme = std::min(p.systeme, secondes(u.ru_stime));
        p.pointeKo = std::max(p.pointeKo, u.ru_maxrss);
        return fait;
    };
    const bool avecSqlite = mesure::lancer({"sqlite3", "-version"});
    if (!avecSqlite) std::printf("sqlite3 absent : le convertisseur est mesuré seul, sans comparaison\n");
    const auto [tConvertir, tSqlite] = mesure::mesurerEnAlternance(
        convertir, avecSqlite ? mesure::importSqlite(cheminCsv, ',', baseSqlite) : [] { return true; }, ok);
    std::filesystem::remove(baseSqlite);
    try {
        if (generateur::empreinteFichier(cheminBase) != attendue ||
            std::filesystem::file_size(cheminBase) != static_cast<std::uintmax_t>(n) * sizeof(Fiche)) {
            std::fprintf(stderr, "la base écrite diffère de l'import du même tableau\n");
            ok = false;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        ok = false;
    }

    const double pointe = static_cast<double>(p.pointeKo) * 1024.0;
    const double rapportMemoire = pointe / tailleTableau;
    std::printf("%ld fiches, tableau de %.1f Mo\n", n, tailleTableau / 1e6);
    std::printf("convertisseur %7.3f s (utilisateur %.3f s, système %.3f s), pointe %.0f Mo = %.2f x le tableau, "
                "objectif <= 1.5\n",
                tConvertir.mur, p.utilisateur, p.systeme, pointe / 1e6, rapportMemoire);
    bool objectifs = rapportMemoire <= 1.5;
    if (avecSqlite) {
        const double rapport = tConvertir.mur / tSqlite.mur;
        std::printf("sqlite3 .import du même tableau %7.3f s   rapport %.2f, objectif <= 1\n", tSqlite.mur, rapport);
        objectifs = objectifs && rapport <= 1.0;
    }
    if (temporaire) std::filesystem::remove_all(dossier);
    if (!ok) return 2;
    return objectifs ? 0 : 1;
}
