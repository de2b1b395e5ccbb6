// CSV benchmark: exporting a base as a CSV table beside writing the same bytes with the
// crash-safe writer alone (goal: within 3x), and importing that table, the same one with the
// lone line feeds spreadsheet programs write, and one in Windows-1252 with semicolons, beside
// sqlite3's .import of the same table into a new database (goal: within half its time), on
// generated bases. Without sqlite3 the imports are timed alone, and the benchmark says so.
//
//   bench_csv [cards [folder]]      (default 1,000,000 cards, a fresh folder under /tmp)
//
// Each measure is the best of three runs, after one run that warms up the memory (a fresh
// machine's first large allocation is slow); the two steps compared run in turn. Exit status:
// 0 goals met, 1 a goal missed, 2 a result was wrong or a step failed.
//
// On a virtual machine, one ratio far above the others in a run comes from the host rather
// than from the program: a host that takes freed memory back makes the next gigabyte handed
// out many times slower. Judge the goals on several runs, never on one.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/support/generateur.h"
#include "bench/support/mesure.h"
#include "core/cp1252.h"
#include "core/fichier_sur.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/messages_erreur.h"
#include "core/tableau_csv.h"

namespace {

const uint64_t kGraine = 0xC5F0A11Eull;

using mesure::lancer;
using mesure::mesurerEnAlternance;
using mesure::Temps;

// The cards as a spreadsheet program set for French writes them in its plain CSV: Windows-1252,
// semicolons, CR LF between rows and a lone line feed inside cells, quotes only where needed.
std::string tableauExcel(const Fiche* cartes, std::size_t n) {
    std::string s = "Numero;Titre;Description;Image\r\n";
    auto cellule = [&](std::string_view t) {
        if (t.find_first_of(";\"\r\n") == std::string_view::npos) {
            s += t;
            return;
        }
        s += '"';
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') continue;
            if (t[i] == '"') s += '"';
            s += t[i];
        }
        s += '"';
    };
    for (std::size_t i = 0; i < n; ++i) {
        s += std::to_string(cartes[i].numero);
        s += ';';
        cellule(texteChamp(cartes[i].titre));
        s += ';';
        cellule(texteChamp(cartes[i].description));
        s += ';';
        const std::string_view image = texteChamp(cartes[i].image);
        if (!image.empty()) cellule(image.substr(1));
        s += "\r\n";
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    if (n < 1) return 2;
    bool temporaire = false;
    const std::string dossier = mesure::dossierDeTravail(argc, argv, "bench-csv", temporaire);
    if (dossier.empty()) return 2;
    const std::string cheminCsv = dossier + "/table.csv";
    const std::string cheminReference = dossier + "/reference.csv";
    const std::string cheminTableur = dossier + "/tableur.csv";
    const std::string cheminExcel = dossier + "/excel.csv";
    bool ok = true;

    TableFiches cartes(static_cast<std::size_t>(n));
    generateur::genererFiches(cartes.bloc(0, cartes.places()), static_cast<std::size_t>(n), kGraine);
    const int32_t dernier = static_cast<int32_t>(n - 1);
    // The inputs reach the disk before anything is timed: a flush inside a timed write would
    // otherwise carry them too (ext4 commits other files' data with an fsync).
    sync();

    // Export, and the same bytes through the crash-safe writer alone.
    const std::string octets = tableauCsv(cartes, dernier);
    const Morceau morceau{octets.data(), octets.size()};
    const auto [tExport, tReference] = mesurerEnAlternance(
        [&] { return ecrireTableauCsv(cheminCsv, cartes, dernier).ok(); },
        [&] { return ecrireFichierSur(cheminReference, std::span<const Morceau>(&morceau, 1)).ok(); }, ok);
    if (std::filesystem::file_size(cheminCsv) != octets.size()) {
        std::fprintf(stderr, "le tableau écrit n'a pas la taille attendue\n");
        ok = false;
    }

    // The same table as a spreadsheet program on Linux writes it: a lone line feed ends each
    // row and breaks the lines inside cells.
    {
        std::string tableur;
        tableur.reserve(octets.size());
        for (std::size_t i = 0; i < octets.size(); ++i) {
            if (octets[i] != '\r' || i + 1 == octets.size() || octets[i + 1] != '\n') tableur += octets[i];
        }
        const Morceau m{tableur.data(), tableur.size()};
        if (!ecrireFichierSur(cheminTableur, std::span<const Morceau>(&m, 1)).ok()) ok = false;
        const std::string excel = tableauExcel(cartes.bloc(0, cartes.places()), static_cast<std::size_t>(n));
        const Morceau e{excel.data(), excel.size()};
        if (!ecrireFichierSur(cheminExcel, std::span<const Morceau>(&e, 1)).ok()) ok = false;
        sync();
    }

    // Importing each table into a base without cards, and sqlite3 importing the same table.
    MessagesSurErreur messages("bench_csv");
    // Each import gives its cards back before the next starts: holding the previous result
    // would make every import take memory the kernel has not handed out for a while, which on
    // a virtual machine costs more than the import itself.
    auto importer = [&](const std::string& chemin) {
        return [&, chemin] {
            MagasinFiches store(messages);
            store.derniere = -1;
            return importerTableauCsv(store, chemin) && store.derniere == dernier;
        };
    };
    const bool avecSqlite = lancer({"sqlite3", "-version"});
    if (!avecSqlite) std::printf("sqlite3 absent : les imports sont mesurés seuls, sans comparaison\n");
    struct Import {
        const char* nom;
        std::string chemin;
        char separateur;
        Temps temps, sqlite;
    };
    Import imports[] = {{"import CSV ", cheminCsv, ',', {}, {}},
                        {"import LF  ", cheminTableur, ',', {}, {}},
                        {"import 1252", cheminExcel, ';', {}, {}}};
    const std::string baseSqlite = dossier + "/sqlite.db";
    for (Import& i : imports) {
        if (avecSqlite) {
            std::tie(i.temps, i.sqlite) = mesurerEnAlternance(importer(i.chemin), mesure::importSqlite(i.chemin, i.separateur, baseSqlite), ok);
        } else {
            i.temps = mesurerEnAlternance(importer(i.chemin), [] { return true; }, ok).first;
        }
    }
    std::filesystem::remove(baseSqlite);
    for (const std::string& chemin : {cheminCsv, cheminTableur, cheminExcel}) {
        std::size_t differences = 0;
        MagasinFiches importee(messages);
        importee.derniere = -1;
        if (!importerTableauCsv(importee, chemin)) {
            ok = false;
            continue;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            const Fiche& a = cartes[i];
            const Fiche& b = importee.fiches[i];
            // Picture names are file-system bytes; older Windows-1252 ones come back as UTF-8.
            const bool imageEgale = !utf8Valide(texteChamp(a.image)) || texteChamp(a.image) == texteChamp(b.image);
            if (a.numero != b.numero || texteChamp(a.titre) != texteChamp(b.titre) ||
                texteChamp(a.description) != texteChamp(b.description) || !imageEgale) {
                ++differences;
            }
        }
        if (differences != 0) {
            std::fprintf(stderr, "%s : %zu fiche(s) importée(s) diffèrent de la base\n", chemin.c_str(), differences);
            ok = false;
        }
    }
    if (messages.nombre() != 0) ok = false;

    const double rExport = tExport.mur / tReference.mur;
    std::printf("%ld fiches, tableau de %.1f Mo ; temps réel (temps processeur)\n", n,
                static_cast<double>(octets.size()) / 1e6);
    std::printf("export CSV %7.3f s (%7.3f s)   écriture sûre des mêmes octets %7.3f s (%7.3f s)   "
                "rapport %.2f (%.2f), objectif <= 3\n",
                tExport.mur, tExport.processeur, tReference.mur, tReference.processeur, rExport,
                tExport.processeur / tReference.processeur);
    bool objectifs = rExport <= 3.0;
    for (const Import& i : imports) {
        if (!avecSqlite) {
            std::printf("%s %7.3f s (%7.3f s)\n", i.nom, i.temps.mur, i.temps.processeur);
            continue;
        }
        // sqlite3 runs in a process of its own: only its wall-clock time compares.
        const double rapport = i.temps.mur / i.sqlite.mur;
        std::printf("%s %7.3f s (%7.3f s)   sqlite3 .import du même tableau %7.3f s            "
                    "rapport %.2f, objectif <= 0.5\n",
                    i.nom, i.temps.mur, i.temps.processeur, i.sqlite.mur, rapport);
        objectifs = objectifs && rapport <= 0.5;
    }

    if (temporaire) std::filesystem::remove_all(dossier);
    if (!ok) return 2;
    return objectifs ? 0 : 1;
}
