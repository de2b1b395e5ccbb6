// The two print commands: what they print, under which heading, and what the user is told.

#include "print/commandes_impression.h"
#include "core/doublons.h"
#include "core/recherche.h"
#include "core/textes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/print/outils_impression.h"
#include "tests/support/plateforme_scriptee.h"

namespace {

class PlateformeEnregistreuse : public PlateformeScriptee {
public:
    Imprimante& imprimante() override { return papier; }
    ImprimanteEnregistreuse papier;
};

void remplir(TableFiches& table, int32_t& dernier, const std::vector<Fiche>& fiches) {
    table.redimensionner(std::max<std::size_t>(fiches.size(), 1));
    for (std::size_t i = 0; i < fiches.size(); ++i) table[i] = fiches[i];
    dernier = static_cast<int32_t>(fiches.size()) - 1;
}

class CommandesImpression : public ::testing::Test {
protected:
    CommandesImpression() : store(plateforme) {
        remplir(store.fiches, store.derniere,
                {carte(10, "premier"), carte(20, "second"), carte(30, "troisi\xe8me")});
    }
    PlateformeEnregistreuse plateforme;
    MagasinFiches store;
};

}  // namespace

TEST_F(CommandesImpression, imprimerFiche_firstCardCurrent_headingCountsFromZero) {
    store.courante = 0;
    imprimerFiche(plateforme, store, "premier");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    ASSERT_FALSE(p.textes().empty());
    EXPECT_EQ(p.textes()[0].texte, QString::fromUtf8("Fiche N°0 "));
    EXPECT_NE(trouver(p, "10"), nullptr);
    EXPECT_TRUE(p.termine);
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(CommandesImpression, imprimerFiche_printsTheStoredCardNotTheBoxes) {
    store.courante = 2;
    imprimerFiche(plateforme, store, "titre changé dans la boîte");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    EXPECT_NE(trouver(p, QString::fromUtf8("Fiche N°2 ")), nullptr);
    EXPECT_NE(trouver(p, "30"), nullptr);
    EXPECT_NE(trouver(p, QString::fromUtf8("troisième")), nullptr);
    EXPECT_EQ(trouver(p, "premier"), nullptr);
    EXPECT_EQ(trouver(p, "second"), nullptr);
    EXPECT_EQ(tous(p, "page").size(), 1u);
}

TEST_F(CommandesImpression, imprimerFiche_emptyTitleBox_saysNoCardSelectedAndPrintsNothing) {
    plateforme.reponses.push_back(kOk);
    imprimerFiche(plateforme, store, "");
    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"question", "Ok", textes::kPasDeFicheSelectionnee}}));
    EXPECT_EQ(plateforme.papier.documents, 0);
}

TEST_F(CommandesImpression, imprimerFiche_titleOfSpaces_isASelection) {
    imprimerFiche(plateforme, store, " ");
    EXPECT_EQ(plateforme.papier.documents, 1);
}

TEST_F(CommandesImpression, imprimerListe_wholeBase_underTheBasePath) {
    ASSERT_TRUE(store.cheminBase.affecter("/home/u/fichier é.dat"));
    imprimerListe(plateforme, store, "ignorée");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    ASSERT_FALSE(p.textes().empty());
    EXPECT_EQ(p.textes()[0].texte, QString::fromUtf8("/home/u/fichier é.dat"));
    EXPECT_EQ(haut(p, *trouver(p, "10")), 420);
    EXPECT_NE(trouver(p, "20"), nullptr);
    EXPECT_NE(trouver(p, "30"), nullptr);
}

TEST_F(CommandesImpression, imprimerListe_unnamedBase_noHeadingFirstCardOnLineZero) {
    imprimerListe(plateforme, store, "x");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    ASSERT_FALSE(p.textes().empty());
    EXPECT_EQ(p.textes()[0].texte, "10");
    EXPECT_EQ(haut(p, p.textes()[0]), 120);
}

TEST_F(CommandesImpression, imprimerListe_afterSearch_resultsUnderTheCurrentExpression) {
    remplir(store.resultats, store.dernierResultat, {carte(20, "second"), carte(30, "troisi\xe8me")});
    store.listeResultats = true;
    imprimerListe(plateforme, store, "nouvelle expression");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    EXPECT_EQ(p.textes()[0].texte, "recherche pour l'expression nouvelle expression");
    EXPECT_EQ(trouver(p, "10"), nullptr);
    EXPECT_NE(trouver(p, "20"), nullptr);
    EXPECT_NE(trouver(p, "30"), nullptr);
}

TEST_F(CommandesImpression, imprimerListe_searchWithoutResult_headingAndFooterOnly) {
    remplir(store.resultats, store.dernierResultat, {});
    store.listeResultats = true;
    imprimerListe(plateforme, store, "rien");
    const ImprimanteEnregistreuse& p = plateforme.papier;
    ASSERT_EQ(p.textes().size(), 2u);
    EXPECT_EQ(p.textes()[0].texte, "recherche pour l'expression rien");
    EXPECT_EQ(p.textes()[1].texte, "page 1");
}

// The cards entered twice print as a search's results do, under a heading that names them
// rather than the search box's text; a search afterwards prints under its expression again.
TEST_F(CommandesImpression, imprimerListe_afterTheDuplicateSearch_printsThemUnderTheirOwnHeading) {
    remplir(store.fiches, store.derniere,
            {carte(10, "Chat"), carte(20, "merle"), carte(30, "chat "), carte(40, "Merle")});
    for (const bool avecDescription : {false, true}) {
        PlateformeEnregistreuse sortie;
        doublonsEnResultats(store, chercherDoublons(store, avecDescription), avecDescription);
        imprimerListe(sortie, store, "ancienne expression");
        const ImprimanteEnregistreuse& p = sortie.papier;
        ASSERT_FALSE(p.textes().empty());
        EXPECT_EQ(p.textes()[0].texte, QString::fromUtf8(avecDescription ? textes::kDoublonsDescriptions
                                                                          : textes::kDoublonsTitres));
        for (const char* numero : {"10", "20", "30", "40"}) EXPECT_NE(trouver(p, numero), nullptr) << numero;
    }
    rechercher(store, "merle");
    imprimerListe(plateforme, store, "merle");
    ASSERT_FALSE(plateforme.papier.textes().empty());
    EXPECT_EQ(plateforme.papier.textes()[0].texte, "recherche pour l'expression merle");
    EXPECT_EQ(trouver(plateforme.papier, "10"), nullptr);
}

TEST_F(CommandesImpression, imprimerListe_jobRefused_toldInTheErrorDisplay) {
    plateforme.papier.refuserFin = true;
    imprimerListe(plateforme, store, "");
    EXPECT_EQ(plateforme.textes("erreur"),
              std::vector<std::string>{
                  "L'impression n'a pas pu se faire : l'imprimante a refusé le document."});
}

TEST(CommandesSansImprimante, imprimerListe_noPrinter_errorShownNothingPrinted) {
    PlateformeScriptee plateforme;  // no PDF file: the printer is missing
    MagasinFiches store(plateforme);
    remplir(store.fiches, store.derniere, {carte(1, "un")});
    imprimerListe(plateforme, store, "");
    imprimerFiche(plateforme, store, "un");
    EXPECT_EQ(plateforme.textes("erreur"),
              (std::vector<std::string>(2, "L'impression n'a pas pu se faire : aucune imprimante "
                                           "n'est installée.")));
    EXPECT_EQ(plateforme.boites.size(), 2u);
}
