// The board's commands on the chosen cards that change bases, through the controller: one
// question naming the count, one step, refused in edit mode; the copy leaves the open base be.

#include "core/copie_fiches.h"
#include "core/fiches_choisies.h"
#include "core/textes.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"

using namespace bases_test;

namespace {

using ChoisiesBases = FenetreTest;

TEST_F(ChoisiesBases, deleteChosen_asksOnceWithTheCount_isOneStep_refusedInEditMode) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}, {3, "c", "", ""}, {4, "d", "", ""}});
    fenetre->remplirListe();
    fenetre->afficherFiche();
    plateforme.reponses.push_back(kAnnuler);
    commandes(*fenetre).supprimerChoisies({3, 1});
    EXPECT_EQ(plateforme.textes("question"), (std::vector<std::string>{"Supprimer ces 2 fiches ?"}));
    EXPECT_EQ(store().nombreFiches(), 4);

    plateforme.reponses.push_back(kOk);
    commandes(*fenetre).supprimerChoisies({3, 1});
    ASSERT_EQ(store().nombreFiches(), 2);
    EXPECT_EQ(texteChamp(store().fiches[1].titre), "c");
    EXPECT_EQ(store().historique.nombre(), 1u);
    EXPECT_EQ(fenetre->annuler1()->text().toStdString(), "annuler la suppression de 2 fiches");
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 2);

    fenetre->modifClick();
    ASSERT_TRUE(fenetre->enSaisie());
    plateforme.oublier();
    commandes(*fenetre).supprimerChoisies({0});
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(store().nombreFiches(), 2);
}

// A deletion too large for the history to keep is told after the count's question: Annuler
// deletes nothing, OK deletes the cards and nothing before can be undone any more.
TEST_F(ChoisiesBases, deleteChosen_tooLargeToUndo_isToldFirst) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}, {3, "c", "", ""}, {4, "d", "", ""}});
    fenetre->remplirListe();
    fenetre->afficherFiche();
    store().historique = Historique(Historique::kEtapesMax, octetsSuppressionChoisies(4, 1));
    plateforme.reponses.push_back(kOk);
    commandes(*fenetre).supprimerChoisies({3});
    ASSERT_EQ(store().nombreFiches(), 3);
    EXPECT_EQ(plateforme.textes("question"), (std::vector<std::string>{"Supprimer cette fiche ?"}));

    for (const int reponse : {kAnnuler, kOk}) {
        plateforme.oublier();
        plateforme.reponses = {kOk, reponse};
        commandes(*fenetre).supprimerChoisies({0, 1});
        EXPECT_EQ(plateforme.textes("question"),
                  (std::vector<std::string>{"Supprimer ces 2 fiches ?", textes::kSansAnnulation}));
        EXPECT_EQ(store().nombreFiches(), reponse == kOk ? 1 : 3);
        EXPECT_EQ(fenetre->annuler1()->isEnabled(), reponse != kOk);
    }
}

TEST_F(ChoisiesBases, copyChosen_intoAnotherBase_tellsTheCount_intoTheOpenBase_refused) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}});
    const std::string a = chemin("a.dat");
    ecrireOctets(a, octetsBase({{1, "a", "", ""}, {2, "b", "", ""}}));
    store().cheminBase.affecter(a);
    plateforme.fichiers.push_back(chemin("autre.dat"));
    commandes(*fenetre).copierChoisies({1});
    EXPECT_EQ(cartesDuFichier(chemin("autre.dat")).size(), 1u);
    EXPECT_EQ(plateforme.textes("message"), (std::vector<std::string>{"1 fiche copiée dans " + chemin("autre.dat")}));
    EXPECT_EQ(plateforme.dialogues.back().titre.toStdString(), "copier les fiches choisies dans une autre base");

    plateforme.oublier();
    plateforme.fichiers.push_back(a);
    commandes(*fenetre).copierChoisies({0, 1});
    ASSERT_EQ(plateforme.textes("message").size(), 1u);
    EXPECT_EQ(plateforme.textes("message")[0], avecChemin(kCopieDansLaBaseOuverte, a));
    EXPECT_EQ(lireOctets(a), octetsBase({{1, "a", "", ""}, {2, "b", "", ""}}));
    EXPECT_FALSE(store().modifiee);
}

}  // namespace
