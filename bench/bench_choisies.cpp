// The cards chosen on the board, on a generated base (1,000,000 cards unless told):
//
//  - deleting 100,000 chosen cards scattered over the base, as one step (goal: at most 1 s),
//    and undoing it (goal: at most the same 1 s); both checked against the table's bytes;
//  - exporting 100,000 chosen cards as CSV against exporting the whole base (goal: at most
//    0.15 of it);
//  - copying 10,000 chosen cards with a picture each into a new base, against `cp` of those
//    pictures plus the crash-safe write of that base's cards (goal: at most twice that).
//
//   bench_choisies [cards [folder]]
//
// Exit status: 0 all goals met, 1 a goal missed, 2 a result was wrong or a step failed.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/messages_muets.h"
#include "core/copie_fiches.h"
#include "core/fiches_choisies.h"
#include "core/fichier_sur.h"
#include "core/magasin_fiches.h"
#include "core/tableau_csv.h"
#include "support/generateur.h"
#include "support/mesure.h"

namespace {

int code = 0;

void objectif(const char* quoi, double mesure, double limite, const char* unite) {
    const bool tenu = mesure <= limite;
    std::printf("  %-58s %9.3f %s (objectif <= %.3f) %s\n", quoi, mesure, unite, limite, tenu ? "tenu" : "MANQUÉ");
    if (!tenu && code == 0) code = 1;
}

// k indices of [0, n) drawn without repeats, in the order drawn.
std::vector<uint32_t> tirer(std::size_t n, std::size_t k, uint64_t graine) {
    generateur::Alea alea(graine);
    std::vector<bool> pris(n);
    std::vector<uint32_t> r;
    while (r.size() < k) {
        const uint32_t i = alea.sous(static_cast<uint32_t>(n));
        if (!pris[i]) {
            pris[i] = true;
            r.push_back(i);
        }
    }
    return r;
}

uint64_t empreinte(const MagasinFiches& s) {
    return generateur::empreinteTable(s.fiches, static_cast<std::size_t>(s.derniere + 1));
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    if (n < 100) return 2;
    bool temporaire = false;
    const std::string dossier = mesure::dossierDeTravail(argc, argv, "bench-choisies", temporaire);
    if (dossier.empty()) return 2;
    bool ok = true;
    SansMessages messages;
    MagasinFiches store(messages);
    store.fiches.redimensionner(static_cast<std::size_t>(n));
    generateur::genererFiches(store.fiches.bloc(0, static_cast<std::size_t>(n)), static_cast<std::size_t>(n), 0x46);
    store.derniere = static_cast<int32_t>(n - 1);
    const uint64_t origine = empreinte(store);
    const std::size_t dixieme = static_cast<std::size_t>(n) / 10;
    const std::vector<uint32_t> choisies = tirer(static_cast<std::size_t>(n), dixieme, 1);
    std::printf("%ld fiches, %zu choisies\n", n, choisies.size());

    // Delete and undo, in turn: each undo gives the next delete its whole table back.
    std::unique_ptr<Etape> etape;
    const auto [tSuppression, tAnnulation] = mesure::mesurerEnAlternance(
        [&] {
            etape = supprimerChoisies(store, choisies);
            return etape && store.nombreFiches() == n - static_cast<long>(dixieme);
        },
        [&] {
            etape->annuler(store);
            return empreinte(store) == origine;
        },
        ok);
    // Judged by processor time: on a machine shared with other work the wall clock mostly
    // measures the others.
    std::printf("  suppression : %.3f s au mur, annulation : %.3f s au mur\n", tSuppression.mur, tAnnulation.mur);
    objectif("suppression de 10 % des fiches, choisies (processeur)", tSuppression.processeur, 1.0, "s");
    objectif("son annulation (processeur)", tAnnulation.processeur, 1.0, "s");

    // Export: the chosen cards against the whole base.
    const std::string csvTout = dossier + "/tout.csv", csvChoisies = dossier + "/choisies.csv";
    const auto [tChoisies, tTout] = mesure::mesurerEnAlternance(
        [&] {
            std::vector<uint32_t> cases;
            const VueFiches vue = vueChoisies(store, choisies, cases);
            return ecrireTableauCsv(csvChoisies, vue, static_cast<int32_t>(cases.size()) - 1).ok();
        },
        [&] { return ecrireTableauCsv(csvTout, store.fiches, store.derniere).ok(); }, ok);
    std::printf("  export de la base entière : %.3f s au mur, %.3f s de processeur ; des choisies : %.3f s, %.3f s\n",
                tTout.mur, tTout.processeur, tChoisies.mur, tChoisies.processeur);
    objectif("export des choisies / export de la base entière (processeur)", tChoisies.processeur / tTout.processeur,
             0.15, "");

    // Copy: 10,000 cards with a picture each, against cp of those pictures and the base's write.
    const std::size_t nCopie = std::min<std::size_t>(10'000, static_cast<std::size_t>(n));
    const std::vector<uint32_t> aCopier = tirer(static_cast<std::size_t>(n), nCopie, 2);
    const std::string rep = dossier + "/source.rep";
    std::filesystem::create_directories(rep);
    store.cheminBase.affecter(dossier + "/source.dat");
    store.repertoireImages.affecter(rep);
    std::vector<std::string> cp = {"cp", "-t", ""};
    std::string octets(24 * 1024, '\0');
    generateur::Alea alea(3);
    for (std::size_t k = 0; k < nCopie; ++k) {
        const std::string nom = "photo" + std::to_string(k) + ".jpg";
        for (char& c : octets) c = static_cast<char>(alea.suivant());
        const Morceau m{octets.data(), octets.size()};
        if (!ecrireFichierSur(rep + "/" + nom, std::span<const Morceau>(&m, 1)).ok()) ok = false;
        ecrireChamp(store.fiches[aCopier[k]].image, "\\" + nom);
        cp.push_back(rep + "/" + nom);
    }
    sync();
    int tour = 0;
    const auto [tCopie, tReference] = mesure::mesurerEnAlternance(
        [&] {
            const std::string cible = dossier + "/copie" + std::to_string(++tour) + ".dat";
            const bool fait = copierFichesVers(store, aCopier, cible) == nCopie;
            return fait;
        },
        [&] {
            const std::string cible = dossier + "/reference" + std::to_string(++tour);
            std::filesystem::create_directories(cible + ".rep");
            cp[2] = cible + ".rep";
            const std::vector<Fiche> copies = copiesChoisies(store, aCopier);
            const Morceau m{copies.data(), copies.size() * sizeof(Fiche)};
            return mesure::lancer(cp) && ecrireFichierSur(cible + ".dat", std::span<const Morceau>(&m, 1)).ok();
        },
        ok);
    // Writing files: the wall clock, the disk's time included, is what is compared.
    std::printf("  cp des images + écriture de la base : %.3f s, copie : %.3f s (au mur)\n", tReference.mur, tCopie.mur);
    objectif("copie de 10 000 fiches avec images / (cp + écriture)", tCopie.mur / tReference.mur, 2.0, "");

    if (temporaire) std::filesystem::remove_all(dossier);
    if (!ok) {
        std::printf("RÉSULTAT FAUX : une étape a échoué\n");
        return 2;
    }
    return code;
}
