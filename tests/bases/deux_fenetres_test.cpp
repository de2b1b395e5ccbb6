// Two windows on one base, as two running programs would have them: the second is told the
// base is open elsewhere, and no save writes over the other's work without asking.

#include <unistd.h>

#include <QAction>
#include <sys/stat.h>

#include "core/garde_base.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/repertoire_courant.h"
#include "ui/memo.h"

using namespace bases_test;

namespace {

const std::vector<CarteTest> kDepart = {{1, "commune", "", ""}};

class DeuxFenetres : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        x = chemin("x.dat");
        ecrireOctets(x, octetsBase(kDepart));
        mkdir(chemin("x.rep").c_str(), 0755);
        ini = chemin("brevandoux.ini");
        ecrireOctets(ini, "[setup]\nautoload=\n");
        store().cheminIni.affecter(ini);
        autre = std::make_unique<TForm1>(p2);
        brancherFenetre(*autre, p2);
        autre->store().imageDefaut.affecter(store().imageDefaut.str());
        autre->store().cheminIni.affecter(ini);
    }
    void TearDown() override {
        autre.reset();
        FenetreTest::TearDown();
    }

    static void ouvrir(TForm1& f, PlateformeScriptee& p, const std::string& base) {
        p.fichiers.push_back(base);
        commandes(f).ouvrirClick();
    }
    // A card typed and validated, as the user adds one.
    static void ajouter(TForm1& f, const char* titre) {
        f.nouvelleClick();
        f.titre()->setText(titre);
        f.validerClick();
    }

    std::string x;
    std::string ini;
    PlateformeScriptee p2;
    std::unique_ptr<TForm1> autre;
};

class DeuxFenetresReponse : public DeuxFenetres, public ::testing::WithParamInterface<int> {};

TEST_P(DeuxFenetresReponse, secondWindow_isToldOnce_andItsSaveAsksBeforeWritingOverTheFirsts) {
    const int reponse = GetParam();
    {
        ouvrir(*fenetre, plateforme, x);
        EXPECT_EQ(genres(plateforme), std::vector<std::string>{"ouvrir"});
        ouvrir(*autre, p2, x);
        EXPECT_EQ(p2.boites, (std::vector<Boite>{{"ouvrir", "", ""},
                                                 {"message", "brevandoux", avecChemin(kDejaOuverte, x)}}));
        EXPECT_EQ(cartesDeLaTable(autre->store()), resume(kDepart)) << "opened all the same";

        ajouter(*fenetre, "de la première");
        ajouter(*autre, "de la seconde");
        commandes(*fenetre).savemybaseClick();
        const std::string dePremiere = lireOctets(x);
        EXPECT_EQ(cartesDuFichier(x), cartesDeLaTable(store()));

        p2.oublier();
        p2.reponses = {reponse};
        commandes(*autre).savemybaseClick();
        ASSERT_FALSE(p2.boites.empty());
        EXPECT_EQ(p2.boites[0], (Boite{"question", "OuiNon", avecChemin(kModifieeAilleurs, x)}));
        if (reponse == kNon) {
            EXPECT_EQ(lireOctets(x), dePremiere);
            EXPECT_EQ(p2.textes("message"), std::vector<std::string>{avecChemin(kNonEnregistreeAilleurs, x)});
            EXPECT_EQ(autre->store().modifiee, 1);
        } else {
            EXPECT_EQ(cartesDuFichier(x), cartesDeLaTable(autre->store()));
            EXPECT_EQ(p2.boites.size(), 1u);
            EXPECT_EQ(autre->store().modifiee, 0);
        }
        // The first window never hears of any of it until it saves again.
        EXPECT_EQ(genres(plateforme), std::vector<std::string>{"ouvrir"});
    }
}

INSTANTIATE_TEST_SUITE_P(Reponses, DeuxFenetresReponse, ::testing::Values(kNon, kOui),
                         [](const auto& info) { return std::string(info.param == kOui ? "Oui" : "Non"); });

TEST_F(DeuxFenetres, quitAfterTheOtherWindowSaved_Non_keepsTheWindowOpenWithItsCards) {
    ouvrir(*fenetre, plateforme, x);
    ouvrir(*autre, p2, x);
    ajouter(*fenetre, "de la première");
    ajouter(*autre, "de la seconde");
    commandes(*fenetre).savemybaseClick();
    const std::string dePremiere = lireOctets(x);
    const std::vector<std::string> cartesSeconde = cartesDeLaTable(autre->store());

    p2.oublier();
    p2.reponses = {kOui, kNon};
    EXPECT_FALSE(termineApplication([&] { autre->quitter1()->trigger(); }));
    EXPECT_EQ(p2.boites, (std::vector<Boite>{{"question", "OuiNonAnnuler", kSauver},
                                             {"question", "OuiNon", avecChemin(kModifieeAilleurs, x)},
                                             {"message", "brevandoux", avecChemin(kNonEnregistreeAilleurs, x)}}));
    EXPECT_EQ(lireOctets(x), dePremiere);
    EXPECT_EQ(cartesDeLaTable(autre->store()), cartesSeconde);
    EXPECT_EQ(autre->store().modifiee, 1);
    EXPECT_EQ(lireCleIni(ini, "setup", "autoload", "?"), "") << "the quit stopped before the configuration";

    // The close box the same way: the window stays.
    p2.oublier();
    p2.reponses = {kOui, kNon};
    EXPECT_FALSE(autre->close());
    EXPECT_EQ(lireOctets(x), dePremiere);

    // Oui writes the second window's cards, and the quit goes through.
    p2.oublier();
    p2.reponses = {kOui, kOui};
    EXPECT_TRUE(termineApplication([&] { autre->quitter1()->trigger(); }));
    EXPECT_EQ(cartesDuFichier(x), cartesSeconde);
    EXPECT_EQ(lireCleIni(ini, "setup", "autoload", "?"), x);
}

TEST_F(DeuxFenetres, saveAsOntoItsOwnFile_afterTheOtherWindowSaved_asksToo) {
    ouvrir(*fenetre, plateforme, x);
    ouvrir(*autre, p2, x);
    ajouter(*fenetre, "de la première");
    ajouter(*autre, "de la seconde");
    commandes(*fenetre).savemybaseClick();
    const std::string dePremiere = lireOctets(x);

    p2.oublier();
    p2.fichiers.push_back(x);
    p2.reponses = {kOui, kNon};  // overwrite the file of the same name: yes; write over the change: no
    commandes(*autre).enregistrersous1Click();
    EXPECT_EQ(p2.boites, (std::vector<Boite>{{"enregistrer", "enregistrer la base", ""},
                                             {"confirmation", "Confirmation", kEcraser},
                                             {"question", "OuiNon", avecChemin(kModifieeAilleurs, x)},
                                             {"message", "brevandoux", avecChemin(kNonEnregistreeAilleurs, x)}}));
    EXPECT_EQ(lireOctets(x), dePremiere);
    EXPECT_EQ(autre->store().modifiee, 1);

    // Under another name both versions are kept, and nothing is asked.
    p2.oublier();
    const std::string y = chemin("y.dat");
    p2.fichiers.push_back(y);
    commandes(*autre).enregistrersous1Click();
    EXPECT_EQ(genres(p2), std::vector<std::string>{"enregistrer"});
    EXPECT_EQ(lireOctets(x), dePremiere);
    EXPECT_EQ(cartesDuFichier(y), cartesDeLaTable(autre->store()));
    EXPECT_EQ(autre->store().modifiee, 0);
}

TEST_F(DeuxFenetres, oneWindowAlone_neverSeesTheQuestion_afterSaveSaveAsAndSaveAtQuit) {
    ouvrir(*fenetre, plateforme, x);
    const std::string y = chemin("y.dat");
    for (int tour = 0; tour < 2; ++tour) {
        ajouter(*fenetre, "encore");
        commandes(*fenetre).savemybaseClick();
    }
    ajouter(*fenetre, "vers y");
    plateforme.fichiers.push_back(y);
    commandes(*fenetre).enregistrersous1Click();
    ajouter(*fenetre, "dans y");
    commandes(*fenetre).enregister1Click();
    // Save as onto its own file: the overwrite question only.
    ajouter(*fenetre, "sur soi");
    plateforme.fichiers.push_back(y);
    plateforme.reponses = {kOui};
    commandes(*fenetre).enregistrersous1Click();
    ajouter(*fenetre, "avant de quitter");
    plateforme.reponses = {kOui};
    EXPECT_TRUE(termineApplication([&] { fenetre->ButtonQuit()->click(); }));

    EXPECT_EQ(cartesDuFichier(y), cartesDeLaTable(store()));
    EXPECT_EQ(store().derniere, 6);
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{kSauver});
    EXPECT_EQ(plateforme.textes("confirmation"), std::vector<std::string>{kEcraser});
    // Saving as onto its own name finds the picture directory there already.
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{"erreur de création de répertoire"});
}

TEST_F(DeuxFenetres, startUpReopen_ofABaseOpenElsewhere_isToldOnceAndOpens) {
    ouvrir(*fenetre, plateforme, x);
    ecrireOctets(ini, "[setup]\nautoload=" + x + "\n");
    {
        const RepertoireCourant depart(dossier.path().toStdString());
        ASSERT_TRUE(depart.ok());
        autre = std::make_unique<TForm1>(p2);
        brancherFenetre(*autre, p2);
        autre->FormCreate();
    }

    EXPECT_EQ(p2.boites, (std::vector<Boite>{{"message", "brevandoux", avecChemin(kDejaOuverte, x)}}));
    EXPECT_EQ(cartesDeLaTable(autre->store()), resume(kDepart));
    EXPECT_EQ(autre->store().baseNommee, 1);
    EXPECT_EQ(genres(plateforme), std::vector<std::string>{"ouvrir"});
}

TEST_F(DeuxFenetres, appendingFromABaseOpenElsewhere_saysNothing) {
    ouvrir(*fenetre, plateforme, x);
    const std::string y = chemin("y.dat");
    ecrireOctets(y, octetsBase({{5, "cinq", "", ""}}));
    ouvrir(*autre, p2, y);
    p2.oublier();
    p2.fichiers.push_back(x);
    commandes(*autre).Ajouterdesfiches1Click();
    EXPECT_EQ(genres(p2), std::vector<std::string>{"ouvrir"});
    EXPECT_EQ(autre->store().derniere, 1);
    // Its own base is still its own: saving asks nothing.
    commandes(*autre).savemybaseClick();
    EXPECT_EQ(genres(p2), std::vector<std::string>{"ouvrir"});
    EXPECT_EQ(cartesDuFichier(y), cartesDeLaTable(autre->store()));
}

}  // namespace
