// Undo, redo and comparison on a generated base (1,000,000 cards unless told):
//
//  - undoing a sort (each kind) against the sort itself (goal: at most the sort's time);
//  - deleting a card (first, middle and last), undoing and redoing that, adding a card,
//    modifying one and undoing that (goal: at most 10 ms each; the list's refresh is the
//    window's and not counted here);
//  - the peak memory of twenty sorts noted in the history against the same twenty sorts
//    without history, each in its own child process (goal: at most 100 MB more);
//  - comparing two bases read whole, the other one changed in places and sorted by title
//    (goal: at most 1 s), its counts checked against the changes made.
//
// Every undo and redo is checked to give the table's exact bytes back.
//
//   bench_historique [cards [folder [comparaison]]]
//
// The third argument runs the comparison alone ("" or "-" for the default folder).
//
// Exit status: 0 all goals met, 1 a goal missed, 2 a result was wrong or a step failed.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/support/messages_muets.h"
#include "core/comparaison_bases.h"
#include "core/historique.h"
#include "core/magasin_fiches.h"
#include "core/tri.h"
#include "core/versions_base.h"
#include "support/generateur.h"

namespace {

double maintenant() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double picMo() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

int code = 0;

void faux(const char* quoi) {
    std::printf("RÉSULTAT FAUX : %s\n", quoi);
    code = 2;
}

void objectif(const char* quoi, double mesure, double limite, const char* unite) {
    const bool tenu = mesure <= limite;
    std::printf("  %-52s %9.2f %s (objectif <= %.2f) %s\n", quoi, mesure, unite, limite, tenu ? "tenu" : "MANQUÉ");
    if (!tenu && code == 0) code = 1;
}

void generer(MagasinFiches& store, std::size_t n) {
    store.fiches = TableFiches(n + 1);
    generateur::genererFiches(store.fiches.bloc(0, n), n, 0x5EED);
    store.derniere = static_cast<int32_t>(n) - 1;
    store.courante = static_cast<int32_t>(n / 3);
}

uint64_t empreinte(const MagasinFiches& s) {
    return generateur::empreinteTable(s.fiches, static_cast<std::size_t>(s.derniere + 1));
}

// Processor time of the whole process (all threads), user and system: on a machine shared with
// other work, the wall time grows with the load while this does not.
double tempsProcesseur() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <class F>
double chrono(F&& f) {
    const double t0 = maintenant();
    f();
    return maintenant() - t0;
}

void mesurerTris(MagasinFiches& store) {
    for (const GenreEtape genre : {GenreEtape::kTriAlphabetique, GenreEtape::kTriNumerique}) {
        const char* nom = genre == GenreEtape::kTriAlphabetique ? "alphabétique" : "numérique";
        Historique h;
        h.recommencer(store);
        const uint64_t avant = empreinte(store);
        const int32_t courante = store.courante;
        std::unique_ptr<Etape> etape;
        const double tri = chrono([&] { etape = trier(store, genre); });
        const uint64_t trie = empreinte(store);
        h.noter(std::move(etape), store);
        const double annulation = chrono([&] { h.annuler(store); });
        if (empreinte(store) != avant || store.courante != courante) faux("le tri annulé ne rend pas la table");
        const double retablissement = chrono([&] { h.retablir(store); });
        if (empreinte(store) != trie) faux("le tri rétabli ne rend pas la table triée");
        h.annuler(store);
        std::printf("tri %s : %.0f ms ; annulé en %.0f ms ; rétabli en %.0f ms\n", nom, tri * 1e3, annulation * 1e3,
                    retablissement * 1e3);
        objectif((std::string("annuler le tri ") + nom + " / durée du tri").c_str(), annulation / tri, 1.0, "  ");
        objectif((std::string("annuler le tri ") + nom).c_str(), annulation * 1e3, 50.0, "ms");
        objectif((std::string("rétablir le tri ") + nom).c_str(), retablissement * 1e3, 50.0, "ms");
    }
}

void mesurerSuppressionsModification(MagasinFiches& store) {
    const std::size_t n = static_cast<std::size_t>(store.derniere + 1);
    const uint64_t avant = empreinte(store);
    for (const std::size_t index : {std::size_t(0), n / 2, n - 1}) {
        Historique h;
        store.courante = static_cast<int32_t>(index);
        std::unique_ptr<Etape> etape;
        const double suppression = chrono([&] { etape = supprimer(store); });
        h.noter(std::move(etape), store);
        const double annulation = chrono([&] { h.annuler(store); });
        if (empreinte(store) != avant || store.courante != static_cast<int32_t>(index)) {
            faux("la suppression annulée ne rend pas la table");
        }
        const double retablissement = chrono([&] { h.retablir(store); });
        if (static_cast<std::size_t>(store.derniere + 1) != n - 1) faux("la suppression rétablie ne retire pas la fiche");
        h.annuler(store);
        const std::string quoi = "annuler la suppression de la fiche d'index " + std::to_string(index);
        std::printf("suppression à l'index %zu : %.2f ms ; rétablie en %.2f ms\n", index, suppression * 1e3,
                    retablissement * 1e3);
        objectif(("supprimer la fiche d'index " + std::to_string(index)).c_str(), suppression * 1e3, 10.0, "ms");
        objectif(quoi.c_str(), annulation * 1e3, 10.0, "ms");
        objectif(("rétablir la suppression de la fiche d'index " + std::to_string(index)).c_str(),
                 retablissement * 1e3, 10.0, "ms");
    }
    {
        // Adding a card as Valider after Ajouter does, then undoing and redoing it.
        Historique h;
        int32_t numero = 0;
        const double numerotation = chrono([&] { numero = store.numeroLibre(1, -1); });
        const double ajout = chrono([&] {
            store.ajouterPlace();
            Fiche& f = store.fiches[static_cast<std::size_t>(store.derniere)];
            f.numero = numero;
            ecrireChamp(f.titre, "fiche ajoutée");
            h.noter(etapeAjout(store), store);
        });
        std::printf("numéro libre pour l'ajout (numeroLibre) : %.2f ms\n", numerotation * 1e3);
        const double annulationAjout = chrono([&] { h.annuler(store); });
        if (empreinte(store) != avant) faux("l'ajout annulé ne rend pas la table");
        const double retablissementAjout = chrono([&] { h.retablir(store); });
        if (static_cast<std::size_t>(store.derniere + 1) != n + 1) faux("l'ajout rétabli ne remet pas la fiche");
        h.annuler(store);
        std::printf("ajout : annulé en %.2f ms, rétabli en %.2f ms\n", annulationAjout * 1e3, retablissementAjout * 1e3);
        objectif("ajouter une fiche", ajout * 1e3, 10.0, "ms");
    }
    Historique h;
    const auto index = static_cast<int32_t>(n / 2);
    const Fiche ancienne = store.fiches[static_cast<std::size_t>(index)];
    const double modification = chrono([&] {
        ecrireChamp(store.fiches[static_cast<std::size_t>(index)].titre, "titre modifié");
        h.noter(etapeModification(store, index, ancienne), store);
    });
    objectif("modifier une fiche", modification * 1e3, 10.0, "ms");
    const double annulation = chrono([&] { h.annuler(store); });
    if (empreinte(store) != avant) faux("la modification annulée ne rend pas la table");
    objectif("annuler une modification", annulation * 1e3, 10.0, "ms");
}

// Peak memory of a child that generates the base and sorts it twenty times, alternating the
// two sorts so that each one moves the cards, noting the sorts in a history or not.
double picVingtTris(std::size_t n, bool noter, std::size_t& octetsHistorique) {
    int tube[2];
    if (pipe(tube) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(tube[0]);
        SansMessages m;
        MagasinFiches store(m);
        generer(store, n);
        Historique h;
        for (int k = 0; k < 20; ++k) {
            const GenreEtape genre = k % 2 ? GenreEtape::kTriNumerique : GenreEtape::kTriAlphabetique;
            if (noter) {
                h.noter(trier(store, genre), store);
            } else {
                genre == GenreEtape::kTriNumerique ? triNumerique(store) : triAlphabetique(store);
            }
        }
        const double resultat[2] = {picMo(), static_cast<double>(h.octets())};
        const bool ok = write(tube[1], resultat, sizeof resultat) == sizeof resultat;
        _exit(ok && h.nombre() == (noter ? 20u : 0u) ? 0 : 3);
    }
    close(tube[1]);
    double resultat[2] = {-1, 0};
    const bool lu = read(tube[0], resultat, sizeof resultat) == sizeof resultat;
    close(tube[0]);
    int statut = 0;
    waitpid(pid, &statut, 0);
    if (!lu || !WIFEXITED(statut) || WEXITSTATUS(statut) != 0) return -1;
    octetsHistorique = static_cast<std::size_t>(resultat[1]);
    return resultat[0];
}

void mesurerMemoire(std::size_t n) {
    std::size_t sans = 0;
    std::size_t avec = 0;
    const double picSans = picVingtTris(n, false, sans);
    const double picAvec = picVingtTris(n, true, avec);
    if (picSans < 0 || picAvec < 0) {
        faux("un processus de mesure de la mémoire a échoué");
        return;
    }
    std::printf("vingt tris : pic %.0f Mo sans historique, %.0f Mo avec (l'historique tient %.1f Mo)\n", picSans,
                picAvec, static_cast<double>(avec) / (1 << 20));
    objectif("mémoire ajoutée au pic par vingt tris dans l'historique", picAvec - picSans, 100.0, "Mo");
}

void mesurerComparaison(MagasinFiches& store, const std::string& dossier) {
    const std::size_t n = static_cast<std::size_t>(store.derniere + 1);
    // Unique numbers, so that the counts expected follow from the changes made.
    for (std::size_t i = 0; i < n; ++i) store.fiches[i].numero = static_cast<int32_t>(i);
    const std::string ouverte = dossier + "/ouverte.dat";
    const std::string autre = dossier + "/autre.dat";
    if (store.ecrireBase(ouverte) != 1) return faux("écriture de la base");
    // The other copy: every hundredth card changed, every two hundredth removed, 5,000 cards
    // of new numbers added, the whole sorted by title.
    std::size_t changees = 0;
    std::size_t retirees = 0;
    std::size_t gardees = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 200 == 0) {
            ++retirees;
            continue;
        }
        store.fiches[gardees] = store.fiches[i];
        if (i % 100 == 0) {
            ecrireChamp(store.fiches[gardees].description, "changée");
            ++changees;
        }
        ++gardees;
    }
    store.derniere = static_cast<int32_t>(gardees) - 1;
    const std::size_t ajoutees = 5000;
    const std::size_t avantAjout = static_cast<std::size_t>(store.derniere + 1);
    store.fiches.redimensionner(avantAjout + ajoutees);
    generateur::genererFiches(store.fiches.bloc(avantAjout, ajoutees), ajoutees, 0xA0D7);
    for (std::size_t k = 0; k < ajoutees; ++k) store.fiches[avantAjout + k].numero = static_cast<int32_t>(n + k);
    store.derniere = static_cast<int32_t>(avantAjout + ajoutees) - 1;
    triAlphabetique(store);
    store.sauvegardes = 0;
    if (store.ecrireBase(autre) != 1) return faux("écriture de l'autre base");

    BaseLue a;
    BaseLue o;
    std::string raison;
    const double lecture = chrono([&] {
        raison = lireBase(autre, a);
        if (raison.empty()) raison = lireBase(ouverte, o);
    });
    if (!raison.empty()) return faux(("lecture : " + raison).c_str());
    Comparaison c;
    const double processeur = tempsProcesseur();
    const double comparaison = chrono([&] { c = comparer(a.fiches, a.nombre, o.fiches, o.nombre); });
    std::printf("comparaison : %s (attendu +%zu \u2212%zu ~%zu) en %.0f ms, %.0f ms de processeur ; lecture des deux "
                "bases %.0f ms\n",
                resume(c).c_str(), ajoutees, retirees, changees, comparaison * 1e3,
                (tempsProcesseur() - processeur) * 1e3, lecture * 1e3);
    if (c.seulementAutre != ajoutees || c.seulementOuverte != retirees || c.changees != changees) {
        faux("la comparaison ne trouve pas les changements faits");
    }
    objectif("comparer deux bases lues", comparaison, 1.0, "s");
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t n = 1000000;
    if (argc > 1) n = std::strtoull(argv[1], nullptr, 10);
    if (n < 1000) {
        std::fprintf(stderr, "usage: %s [cards (1000 or more) [folder]]\n", argv[0]);
        return 2;
    }
    std::string dossier;
    const bool seule = argc > 3 && std::string(argv[3]) == "comparaison";
    const bool dossierAMoi = argc <= 2 || std::string(argv[2]).empty() || std::string(argv[2]) == "-";
    if (!dossierAMoi) {
        dossier = argv[2];
    } else {
        char modele[] = "/tmp/brevandoux-bench-XXXXXX";
        if (mkdtemp(modele) == nullptr) return 2;
        dossier = modele;
    }
    std::printf("%zu fiches (%.0f Mo)\n", n, static_cast<double>(n) * sizeof(Fiche) / 1e6);
    {
        SansMessages m;
        MagasinFiches store(m);
        generer(store, n);
        if (!seule) {
            mesurerTris(store);
            mesurerSuppressionsModification(store);
        }
        mesurerComparaison(store, dossier);
    }
    if (!seule) mesurerMemoire(n);
    if (dossierAMoi) std::filesystem::remove_all(dossier);
    return code;
}
