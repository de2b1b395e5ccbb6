// Undo and redo of the card table, checked against a reference that keeps a whole copy of the
// table after every step.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "core/historique.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/tableau_csv.h"
#include "core/tri.h"
#include "core/versions_base.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/table_copiee.h"

namespace {

using Table = std::vector<Fiche>;

Table tableDe(const MagasinFiches& s) {
    return fichesDe(s.fiches, static_cast<std::size_t>(s.derniere + 1));
}

void poserTable(MagasinFiches& s, const Table& t) {
    s.fiches.redimensionner(std::max<std::size_t>(t.size(), 1));
    if (t.empty()) viderFiche(s.fiches[0]);
    poserFiches(s.fiches, t.data(), t.size());
    s.derniere = static_cast<int32_t>(t.size()) - 1;
}

bool memesOctets(const Table& a, const Table& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Fiche)) == 0);
}

// A card of random bytes, with short titles from a small alphabet (so that sorts meet equal
// keys) and the bytes after each zero left random, as older contents are.
Fiche ficheAuHasard(std::mt19937& g) {
    Fiche f;
    auto* octets = reinterpret_cast<unsigned char*>(&f);
    for (std::size_t i = 0; i < sizeof f; ++i) octets[i] = static_cast<unsigned char>(g());
    f.numero = static_cast<int32_t>(g() % 12) - 2;
    const std::size_t lt = g() % 4;
    for (std::size_t i = 0; i < lt; ++i) f.titre[i] = "abA\xe9"[g() % 4];
    f.titre[lt] = '\0';
    f.description[g() % 20] = '\0';
    f.image[g() % 2 == 0 ? 0 : 6] = '\0';
    return f;
}

std::string repeter(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

int32_t placeDans(const Table& t, std::size_t index) {
    return t.empty() ? 0 : static_cast<int32_t>(std::min(index, t.size() - 1));
}

// The reference: whole tables, and where each undo and redo leaves the current card.
struct EtatRef {
    Table table;
    int32_t courante;
};
struct EtapeRef {
    Table avant, apres;
    int32_t couranteAnnulee, couranteRetablie;
};

class Reference {
public:
    Reference(const Table& t, int32_t courante, std::size_t etapesMax)
        : etat{t, courante}, etapesMax_(etapesMax) {}
    EtatRef etat;
    bool modifiee = false;

    void noter(const Table& apres, int32_t couranteApres, int32_t couranteAnnulee, int32_t couranteRetablie) {
        etapes_.resize(position_);
        if (enregistree_ && *enregistree_ > position_) enregistree_.reset();
        etapes_.push_back({etat.table, apres, couranteAnnulee, couranteRetablie});
        ++position_;
        if (etapes_.size() > etapesMax_) {
            etapes_.erase(etapes_.begin());
            --position_;
            if (enregistree_) enregistree_ = *enregistree_ == 0 ? std::nullopt : std::optional(*enregistree_ - 1);
        }
        etat = {apres, couranteApres};
        suivre();
    }
    bool annuler() {
        if (position_ == 0) return false;
        const EtapeRef& e = etapes_[--position_];
        etat = {e.avant, e.couranteAnnulee};
        suivre();
        return true;
    }
    bool retablir() {
        if (position_ == etapes_.size()) return false;
        const EtapeRef& e = etapes_[position_++];
        etat = {e.apres, e.couranteRetablie};
        suivre();
        return true;
    }
    void enregistrer() {
        enregistree_ = position_;
        suivre();
    }

private:
    void suivre() { modifiee = !enregistree_ || *enregistree_ != position_; }
    std::vector<EtapeRef> etapes_;
    std::size_t position_ = 0;
    std::optional<std::size_t> enregistree_ = 0;
    std::size_t etapesMax_;
};

// The smallest number at or above depart that no other card carries.
int32_t numeroLibre(const Table& t, int32_t depart, std::size_t sauf) {
    for (int32_t n = depart;; ++n) {
        bool pris = false;
        for (std::size_t i = 0; i < t.size(); ++i) pris |= i != sauf && t[i].numero == n;
        if (!pris) return n;
    }
}

class Session {
public:
    Session(uint32_t graine, std::size_t etapesMax, const DossierTemporaire& dossier)
        : g_(graine), historique_(etapesMax) {
        Table t;
        for (uint32_t i = 0, n = g_() % 6; i < n; ++i) t.push_back(ficheAuHasard(g_));
        poserTable(store_, t);
        ref_.emplace(t, 0, etapesMax);
        for (int k = 0; k < 3; ++k) {
            std::string octets;
            for (int i = 0; i < k * k; ++i) {
                const Fiche f = ficheAuHasard(g_);
                octets.append(reinterpret_cast<const char*>(&f), sizeof f);
            }
            fichiers_.push_back(dossier / ("ajout" + std::to_string(graine) + "-" + std::to_string(k) + ".dat"));
            ecrireOctets(fichiers_.back(), octets);
        }
        // A table to import, and the base file each save writes.
        std::vector<Fiche> importees(1 + g_() % 3);
        for (std::size_t k = 0; k < importees.size(); ++k) {
            importees[k] = Fiche{};
            importees[k].numero = static_cast<int32_t>(g_() % 8);
            ecrireChamp(importees[k].titre, std::string(1 + k, 'c'));
        }
        tableau_ = dossier / ("import" + std::to_string(graine) + ".csv");
        ecrireOctets(tableau_, tableauCsv(importees.data(), static_cast<int32_t>(importees.size()) - 1));
        base_ = dossier / ("base" + std::to_string(graine) + ".dat");
    }

    // One random action; returns its name for the failure message.
    const char* pas() {
        const Table avant = ref_->etat.table;
        const std::size_t n = avant.size();
        switch (g_() % 13) {
            case 0: {  // Ajouter, then Valider with a typed number
                Fiche f = ficheAuHasard(g_);
                const int32_t tape = static_cast<int32_t>(g_() % 8);
                store_.ajoutEnCours = 1;
                store_.ajouterPlace();
                f.numero = store_.numeroValide(std::to_string(tape));
                store_.ficheCourante() = f;
                store_.ajoutEnCours = 0;
                historique_.noter(etapeAjout(store_), store_);
                Table apres = avant;
                f.numero = numeroLibre(apres, tape, n);
                apres.push_back(f);
                ref_->noter(apres, static_cast<int32_t>(n), placeDans(avant, n), static_cast<int32_t>(n));
                return "ajout";
            }
            case 1: {  // Modifier, then Valider: texts and picture name rewritten in place
                if (n == 0) return "rien";
                const auto i = static_cast<int32_t>(g_() % n);
                store_.courante = i;
                const Fiche ancienne = store_.ficheCourante();
                Fiche& f = store_.ficheCourante();
                f.numero = static_cast<int32_t>(g_() % 10);
                ecrireChamp(f.titre, std::string(g_() % 3, 'b'));
                ecrireChamp(f.image, g_() % 2 ? "\\x.jpg" : "");
                historique_.noter(etapeModification(store_, i, ancienne), store_);
                Table apres = avant;
                apres[static_cast<std::size_t>(i)] = f;
                ref_->noter(apres, i, i, i);
                return "modification";
            }
            case 2: {
                if (n == 0) {
                    EXPECT_EQ(supprimer(store_), nullptr);
                    return "suppression sans fiche";
                }
                const auto i = static_cast<std::size_t>(g_() % n);
                store_.courante = static_cast<int32_t>(i);
                historique_.noter(supprimer(store_), store_);
                Table apres = avant;
                apres.erase(apres.begin() + static_cast<std::ptrdiff_t>(i));
                ref_->noter(apres, placeDans(apres, i), static_cast<int32_t>(i), placeDans(apres, i));
                return "suppression";
            }
            case 3:
            case 4: {
                const bool alpha = g_() % 2 == 0;
                store_.courante = n == 0 ? 0 : static_cast<int32_t>(g_() % n);
                const int32_t courante = store_.courante;
                // The reference sorts its own copy with the sort itself, which its own tests check.
                MessagesEnregistres m;
                MagasinFiches copie(m);
                poserTable(copie, avant);
                copie.courante = courante;
                const int32_t apres = alpha ? triAlphabetique(copie) : triNumerique(copie);
                historique_.noter(trier(store_, alpha ? GenreEtape::kTriAlphabetique : GenreEtape::kTriNumerique), store_);
                ref_->etat.courante = courante;
                ref_->noter(tableDe(copie), apres, courante, apres);
                return alpha ? "tri alphabétique" : "tri numérique";
            }
            case 5: {  // "Ajouter des fiches"
                const std::string& fichier = fichiers_[g_() % fichiers_.size()];
                if (!store_.ajouterBase(fichier)) return "ajout de fiches refusé";
                historique_.noter(etapeAjoutFiches(store_, n, GenreEtape::kAjoutFiches), store_);
                const std::string octets = lireOctets(fichier);
                Table apres = avant;
                for (std::size_t k = 0; k * sizeof(Fiche) < octets.size(); ++k) {
                    Fiche f;
                    std::memcpy(&f, octets.data() + k * sizeof f, sizeof f);
                    f.numero = static_cast<int32_t>(apres.size());
                    apres.push_back(f);
                }
                ref_->noter(apres, ref_->etat.courante, placeDans(avant, n), placeDans(apres, n));
                return "ajout de fiches";
            }
            case 10: {  // "revenir à cette version": some cards kept, others not, another length
                Table apres;
                for (std::size_t i = 0, m = g_() % 7; i < m; ++i) {
                    apres.push_back(i < n && g_() % 2 ? avant[i] : ficheAuHasard(g_));
                }
                BaseLue version;
                version.fiches.redimensionner(apres.size() + 1);
                poserFiches(version.fiches, apres.data(), apres.size());
                version.nombre = apres.size();
                const int32_t courante = store_.courante;
                historique_.noter(revenirA(store_, std::move(version)), store_);
                ref_->noter(apres, 0, courante, 0);
                return "retour à une version";
            }
            case 6:
            case 7:
                EXPECT_EQ(historique_.annuler(store_), ref_->annuler());
                return "annuler";
            case 8:
                EXPECT_EQ(historique_.retablir(store_), ref_->retablir());
                return "rétablir";
            case 9: {
                // The file written holds the reference's cards, in its order, byte for byte.
                store_.sauvegardes = 0;
                if (store_.ecrireBase(base_) != 1) return "enregistrement refusé";
                historique_.marquerEnregistre(store_);
                ref_->enregistrer();
                const Table& t = ref_->etat.table;
                EXPECT_EQ(lireOctets(base_), std::string(reinterpret_cast<const char*>(t.data()), t.size() * sizeof(Fiche)));
                return "enregistrer";
            }
            case 11: {  // "importer un tableau CSV…", against the same import into a copy
                MessagesEnregistres m;
                MagasinFiches copie(m);
                poserTable(copie, avant);
                if (!importerTableauCsv(store_, tableau_)) return "importation refusée";
                historique_.noter(etapeAjoutFiches(store_, n, GenreEtape::kImportCsv), store_);
                EXPECT_TRUE(importerTableauCsv(copie, tableau_));
                ref_->noter(tableDe(copie), ref_->etat.courante, placeDans(avant, n), placeDans(tableDe(copie), n));
                return "importation";
            }
            default: {  // moving through the cards changes nothing else
                const int32_t i = n == 0 ? 0 : static_cast<int32_t>(g_() % n);
                store_.courante = i;
                ref_->etat.courante = i;
                return "navigation";
            }
        }
    }

    void verifier(const std::string& contexte) {
        ASSERT_TRUE(memesOctets(tableDe(store_), ref_->etat.table)) << contexte;
        ASSERT_EQ(store_.courante, ref_->etat.courante) << contexte;
        ASSERT_EQ(store_.modifiee != 0, ref_->modifiee) << contexte;
        ASSERT_GE(store_.fiches.places(), 1u) << contexte;
        if (store_.derniere < 0) {
            ASSERT_EQ(store_.fiches[0].titre[0], '\0') << contexte;
        }
    }

private:
    std::mt19937 g_;
    MessagesEnregistres messages_;
    MagasinFiches store_{messages_};
    Historique historique_;
    std::optional<Reference> ref_;
    std::vector<std::string> fichiers_;
    std::string tableau_;
    std::string base_;
};

TEST(HistoriqueProprietes, randomSessions_tableCurrentCardAndFlag_followTheReference) {
    DossierTemporaire dossier;
    // A small limit makes the oldest steps drop within a session; the large one never does.
    for (const std::size_t etapesMax : {std::size_t(4), Historique::kEtapesMax}) {
        for (uint32_t graine = 1; graine <= 150; ++graine) {
            Session s(graine, etapesMax, dossier);
            std::string trace;
            for (int k = 0; k < 80; ++k) {
                trace += s.pas();
                trace += ' ';
                s.verifier("graine " + std::to_string(graine) + " limite " + std::to_string(etapesMax) + " : " + trace);
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

// --- Cases ----------------------------------------------------------------------------------

class HistoriqueTest : public ::testing::Test {
protected:
    void SetUp() override {
        Table t;
        for (int32_t i = 0; i < 5; ++i) {
            Fiche f{};
            f.numero = 10 - i;
            ecrireChamp(f.titre, std::string(1, static_cast<char>('e' - i)));
            t.push_back(f);
        }
        poserTable(store, t);
    }
    MessagesEnregistres messages;
    MagasinFiches store{messages};
    Historique historique;
};

TEST_F(HistoriqueTest, captions_nameTheStep_andAreBareWithNothingToDo) {
    EXPECT_EQ(historique.libelleAnnuler(), "annuler");
    EXPECT_EQ(historique.libelleRetablir(), "rétablir");
    store.courante = 2;
    ecrireChamp(store.ficheCourante().titre, "Ch\xe2teau de\r\nChambord");
    store.ficheCourante().numero = 12;
    historique.noter(supprimer(store), store);
    EXPECT_EQ(historique.libelleAnnuler(), "annuler la suppression de la fiche 12 « Château de  Chambord »");
    historique.annuler(store);
    EXPECT_EQ(historique.libelleRetablir(), "rétablir la suppression de la fiche 12 « Château de  Chambord »");

    struct Cas {
        std::unique_ptr<Etape> etape;
        const char* description;
    };
    Fiche sansTitre{};
    sansTitre.numero = -3;
    store.ficheCourante() = sansTitre;
    Cas cas[] = {
        {trier(store, GenreEtape::kTriAlphabetique), "le tri alphabétique"},
        {trier(store, GenreEtape::kTriNumerique), "le tri numérique"},
        {etapeAjoutFiches(store, 0, GenreEtape::kAjoutFiches), "l'ajout de 5 fiches"},
        {etapeAjoutFiches(store, 4, GenreEtape::kAjoutFiches), "l'ajout d'une fiche"},
        {etapeAjoutFiches(store, 5, GenreEtape::kImportCsv), "l'importation de 0 fiche"},
        {etapeModification(store, 0, store.fiches[0]), "la modification de la fiche -3"},
        {etapeAjout(store), "l'ajout de la fiche 10 « e »"},
    };
    for (const Cas& c : cas) EXPECT_EQ(c.etape->description(), c.description);

    // A long title is cut after 60 characters (accented ones counted once), not a byte more.
    struct Titre {
        std::string cp1252;
        std::string decrit;
    };
    const Titre titres[] = {
        {std::string(60, '\xe9'), "la fiche 7 « " + repeter("é", 60) + " »"},
        {std::string(61, '\xe9'), "la fiche 7 « " + repeter("é", 60) + "… »"},
        {std::string(255, 'x'), "la fiche 7 « " + std::string(60, 'x') + "… »"},
    };
    for (const Titre& t : titres) {
        Fiche f{};
        f.numero = 7;
        ecrireChamp(f.titre, t.cp1252);
        EXPECT_EQ(ficheDecrite(f), t.decrit);
    }
    store.courante = 0;
    historique.noter(etapeModification(store, 0, store.fiches[0]), store);
    EXPECT_EQ(historique.libelleRetablir(), "rétablir");
}

TEST_F(HistoriqueTest, modifiedFlag_followsTheSavedState_untilItIsCutOff) {
    historique.recommencer(store);
    EXPECT_FALSE(historique.modifie());
    historique.noter(trier(store, GenreEtape::kTriNumerique), store);
    EXPECT_EQ(store.modifiee, 1);
    historique.annuler(store);
    EXPECT_EQ(store.modifiee, 0);
    historique.retablir(store);
    historique.marquerEnregistre(store);
    EXPECT_EQ(store.modifiee, 0);
    historique.annuler(store);
    EXPECT_EQ(store.modifiee, 1);
    // A new change after the undo cuts the saved state off: no position is clean any more.
    historique.noter(supprimer(store), store);
    historique.annuler(store);
    EXPECT_EQ(store.modifiee, 1);
    // A table loaded while modified (the new-base command keeps the flag) starts dirty.
    store.modifiee = 1;
    historique.recommencer(store);
    EXPECT_TRUE(historique.modifie());
    EXPECT_EQ(historique.nombre(), 0u);
}

TEST_F(HistoriqueTest, pastTheLimits_oldestStepsGo_andTheHistorySaysSo) {
    Historique petit(3, Historique::kOctetsMax);
    for (int k = 0; k < 5; ++k) petit.noter(trier(store, GenreEtape::kTriAlphabetique), store);
    EXPECT_EQ(petit.nombre(), 3u);
    EXPECT_TRUE(petit.etapesOubliees());
    int annulees = 0;
    while (petit.annuler(store)) ++annulees;
    EXPECT_EQ(annulees, 3);
    EXPECT_EQ(store.modifiee, 1);  // the saved state went with the first steps
    // The menu then says why nothing can be undone; a fresh history is bare again.
    EXPECT_EQ(petit.libelleAnnuler(), Historique::kPlusRienAAnnuler);
    EXPECT_EQ(petit.libelleRetablir(), "rétablir le tri alphabétique");
    petit.recommencer(store);
    EXPECT_EQ(petit.libelleAnnuler(), "annuler");

    // By bytes: a modification keeps two cards; room for two of them only.
    Historique leger(100, 2 * etapeModification(store, 0, store.fiches[0])->octets());
    for (int k = 0; k < 4; ++k) leger.noter(etapeModification(store, 0, store.fiches[0]), store);
    EXPECT_EQ(leger.nombre(), 2u);
    EXPECT_LE(leger.octets(), 2 * etapeModification(store, 0, store.fiches[0])->octets());
    EXPECT_TRUE(leger.etapesOubliees());

    // An undone append holds its cards: one past the room is not kept at all (the user was
    // asked first), rather than dropped with every other step the first time it is undone.
    const Table avant = tableDe(store);
    Historique serre(100, 3 * sizeof(Fiche));
    serre.noter(supprimer(store), store);
    poserTable(store, avant);
    Table t = avant;
    for (int k = 0; k < 5; ++k) t.push_back(avant[0]);
    poserTable(store, t);
    EXPECT_FALSE(serre.gardable(octetsEtapeFiches(0, 5)));
    serre.noter(etapeAjoutFiches(store, avant.size(), GenreEtape::kAjoutFiches), store);
    EXPECT_FALSE(serre.annuler(store));
    EXPECT_TRUE(memesOctets(tableDe(store), t));
    EXPECT_EQ(serre.libelleAnnuler(), Historique::kPlusRienAAnnuler);
    EXPECT_TRUE(store.modifiee);
}

TEST_F(HistoriqueTest, tableChangedBehindTheHistory_undoIsRefusedAndHistoryCleared) {
    historique.noter(supprimer(store), store);
    store.ajouterPlace();  // not noted
    EXPECT_FALSE(historique.annuler(store));
    EXPECT_EQ(historique.nombre(), 0u);
    EXPECT_EQ(store.derniere, 4);
}

TEST_F(HistoriqueTest, deletingTheOnlyCard_undoBringsItBack_redoLeavesABlankSlot) {
    const Table une{store.fiches[3]};
    poserTable(store, une);
    store.courante = 0;
    historique.noter(supprimer(store), store);
    EXPECT_EQ(store.derniere, -1);
    historique.annuler(store);
    EXPECT_TRUE(memesOctets(tableDe(store), une));
    historique.retablir(store);
    EXPECT_EQ(store.derniere, -1);
    EXPECT_EQ(store.courante, 0);
    EXPECT_EQ(store.fiches[0].titre[0], '\0');
}

}  // namespace
