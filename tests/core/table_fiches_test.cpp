// The card table's layout against a plain vector of whole cards, and the read that is not
// done twice.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/table_fiches.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/table_copiee.h"

namespace {

Fiche ficheNumero(uint32_t n) {
    Fiche f;
    std::memset(&f, static_cast<int>(n % 251), sizeof f);
    f.numero = static_cast<int32_t>(n);
    return f;
}

struct Retrait {
    std::vector<std::size_t> positions;
    FichesRetenues retenues;
    std::vector<Fiche> fiches;  // what the reference took out
};

TEST(TableFichesProprietes, randomChanges_giveTheReferenceCardsInItsOrder) {
    for (uint32_t graine = 1; graine <= 200; ++graine) {
        std::mt19937 g(graine);
        TableFiches table;
        std::vector<Fiche> ref;
        std::vector<Retrait> retraits;  // undone last first, as the history does
        uint32_t suivante = 1;
        std::string trace;
        for (int pas = 0; pas < 60; ++pas) {
            const std::size_t n = ref.size();
            switch (g() % 7) {
                case 0: {  // growth by redimensionner: zero cards, one block
                    const std::size_t k = g() % 5;
                    table.redimensionner(n + k);
                    Fiche* bloc = table.bloc(n, k);
                    ASSERT_TRUE(k == 0 || bloc != nullptr) << graine;
                    for (std::size_t i = 0; i < k; ++i) {
                        ASSERT_EQ(bloc[i].numero, 0) << graine;
                        bloc[i] = ficheNumero(suivante++);
                        ref.push_back(bloc[i]);
                    }
                    trace += "agrandir ";
                    break;
                }
                case 1:  // one more place, maybe in a freed slot
                    table.ajouterPlace();
                    EXPECT_EQ(table[n].numero, 0) << graine;
                    table[n] = ficheNumero(suivante++);
                    ref.push_back(table[n]);
                    trace += "ajouter ";
                    break;
                case 2:
                    if (n > 0 && retraits.empty()) {
                        const std::size_t garde = g() % n;
                        table.redimensionner(garde);
                        ref.resize(garde);
                        trace += "couper ";
                    }
                    break;
                case 3: {  // a set of places taken out, kept for undo
                    Retrait r;
                    for (std::size_t i = 0; i < n; ++i) {
                        if (g() % 3 == 0) r.positions.push_back(i);
                    }
                    for (auto it = r.positions.rbegin(); it != r.positions.rend(); ++it) {
                        r.fiches.insert(r.fiches.begin(), ref[*it]);
                        ref.erase(ref.begin() + static_cast<std::ptrdiff_t>(*it));
                    }
                    r.retenues = table.retirer(r.positions);
                    EXPECT_EQ(r.retenues.nombre(), r.positions.size());
                    retraits.push_back(std::move(r));
                    trace += "retirer ";
                    break;
                }
                case 4:
                    if (!retraits.empty()) {
                        Retrait& r = retraits.back();
                        table.reinserer(r.positions, r.retenues);
                        for (std::size_t k = 0; k < r.positions.size(); ++k) {
                            ref.insert(ref.begin() + static_cast<std::ptrdiff_t>(r.positions[k]), r.fiches[k]);
                        }
                        retraits.pop_back();
                        trace += "réinsérer ";
                    }
                    break;
                case 5: {  // sort-like reordering of the first places
                    std::vector<uint32_t> ordre(g() % (n + 1));
                    std::iota(ordre.begin(), ordre.end(), 0u);
                    std::shuffle(ordre.begin(), ordre.end(), g);
                    table.permuter(ordre);
                    std::vector<Fiche> avant = ref;
                    for (std::size_t k = 0; k < ordre.size(); ++k) ref[k] = avant[ordre[k]];
                    trace += "permuter ";
                    break;
                }
                default:  // a removal that will not be undone: its slots become free
                    if (!retraits.empty()) {
                        retraits.clear();
                        trace += "oublier ";
                    }
                    break;
            }
            ASSERT_EQ(table.places(), ref.size()) << graine << " : " << trace;
            const std::vector<Fiche> lues = fichesDe(table, ref.size());
            ASSERT_TRUE(ref.empty() || std::memcmp(lues.data(), ref.data(), ref.size() * sizeof(Fiche)) == 0)
                << graine << " : " << trace;
            // Scans that read the slots where they lie find every card once, at its place.
            const std::vector<uint32_t> places = table.placesDesCases(ref.size());
            std::size_t vues = 0;
            for (std::size_t c = 0; c < places.size(); ++c) {
                if (places[c] == TableFiches::kHors) continue;
                ++vues;
                ASSERT_EQ(std::as_const(table).cases()[c].numero, ref[places[c]].numero) << graine << " : " << trace;
            }
            ASSERT_EQ(vues, ref.size()) << graine << " : " << trace;
        }
    }
}

// --- The second read of an unchanged file ---------------------------------------------------

// Rewrites a card's title in the file in place, then gives the file back its size and time:
// the same file, as far as anything short of reading it can tell.
void changerSansTrace(const std::string& chemin, std::size_t index, const char* titre) {
    struct stat st;
    ASSERT_EQ(stat(chemin.c_str(), &st), 0);
    const int fd = open(chemin.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const auto ecrit = pwrite(fd, titre, std::strlen(titre) + 1, static_cast<off_t>(index * sizeof(Fiche) + 4));
    EXPECT_EQ(ecrit, static_cast<ssize_t>(std::strlen(titre) + 1));
    const timespec temps[2] = {st.st_atim, st.st_mtim};
    EXPECT_EQ(futimens(fd, temps), 0);
    close(fd);
}

TEST(RelectureBase, sameUnchangedFile_isNotReadAgain_aChangedOneIs) {
    DossierTemporaire dossier;
    const std::string chemin = dossier / "base.dat";
    std::string octets;
    for (uint32_t i = 0; i < 6; ++i) {
        const Fiche f = ficheNumero(i + 1);
        octets.append(reinterpret_cast<const char*>(&f), sizeof f);
    }
    ecrireOctets(chemin, octets);
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    store.sauvegardes = 0;
    ASSERT_EQ(store.chargerBase(chemin), 1);

    // Read, then written: each time the same file unchanged is taken from memory.
    for (const bool ecrire : {false, true}) {
        if (ecrire) {
            ASSERT_EQ(store.ecrireBase(chemin), 1);
        }
        changerSansTrace(chemin, 2, "invisible");
        store.courante = 3;
        ASSERT_EQ(store.chargerBase(chemin), 1);
        EXPECT_NE(std::string(store.fiches[2].titre), "invisible") << ecrire;
        EXPECT_EQ(store.courante, 0);
        EXPECT_EQ(store.derniere, 5);
        EXPECT_EQ(store.fiches[6].numero, 0);  // the blank slot after the cards
    }

    // A file that changed, or a table that changed since, is read again.
    ecrireOctets(chemin, octets.substr(0, 4 * sizeof(Fiche)));
    ASSERT_EQ(store.chargerBase(chemin), 1);
    EXPECT_EQ(store.derniere, 3);
    changerSansTrace(chemin, 1, "vu");
    store.fiches[0].numero = 99;
    ASSERT_EQ(store.chargerBase(chemin), 1);
    EXPECT_EQ(std::string(store.fiches[1].titre), "vu");
    EXPECT_EQ(store.fiches[0].numero, 1);

    // An open that fails leaves the table as it was.
    const std::vector<Fiche> avant = fichesDe(store.fiches, 4);
    EXPECT_EQ(store.chargerBase(dossier / "absente.dat"), 0);
    EXPECT_EQ(store.derniere, 3);
    const std::vector<Fiche> apres = fichesDe(store.fiches, 4);
    EXPECT_EQ(std::memcmp(avant.data(), apres.data(), 4 * sizeof(Fiche)), 0);
}

}  // namespace
