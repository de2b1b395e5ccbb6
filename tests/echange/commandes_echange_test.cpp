// "exporter la base…" and "importer un tableau CSV…" through the menu, on the scripted platform.

#include <sys/stat.h>

#include <QMenu>

#include "core/tableau_csv.h"
#include "tests/bases/fenetre_bases.h"

using namespace bases_test;

namespace {

const std::vector<CarteTest> kQuatre = {{100, "abricot", "fruit\r\norange", "\\abricot.jpg"},
                                        {-5, "=bien", "", ""},
                                        {7, "banane", "jaune, longue", ""},
                                        {3, "cerise", "rouge", ""}};

class Echange : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        remplir(kQuatre);
        b = chemin("b.dat");
        ecrireOctets(b, octetsBase(kQuatre));
        store().cheminBase.affecter(b);
        store().repertoireImages.affecter(chemin("b.rep"));
        store().baseNommee = 1;
        std::filesystem::create_directory(chemin("b.rep"));
        ecrireImage(QStringLiteral("b.rep/abricot.jpg"), QColor(250, 150, 0));
        fenetre->remplirListe();
        fenetre->afficherFiche();
    }

    // Runs the export through its menu item, the dialog answering path and filter.
    void exporter(const std::string& chemin, int filtre) {
        plateforme.fichiers.push_back(chemin);
        plateforme.filtres.push_back(filtre);
        fenetre->exporterlabase1()->trigger();
    }

    std::string b;
};

}  // namespace

TEST_F(Echange, menuFichier_hasBothItemsRightAfterAjouterDesFiches) {
    std::vector<std::string> legendes;
    for (QAction* a : fenetre->fichier()->actions()) legendes.push_back(a->text().toStdString());
    EXPECT_EQ(legendes, (std::vector<std::string>{"ouvrir base", "nouvelle base", "enregister base",
                                                  "enregistrer base sous", "importer base caldoverne",
                                                  "Ajouter des fiches", "exporter la base…",
                                                  "importer un tableau CSV…", "bases récentes", "quitter"}));
    EXPECT_EQ(fenetre->exporterlabase1()->objectName(), "exporterlabase1");
    EXPECT_EQ(fenetre->importeruntableauCSV1()->objectName(), "importeruntableauCSV1");
}

TEST_F(Echange, exportCsv_writesTheWholeBaseInTableOrder_withTheChosenFiltersExtension) {
    exporter(chemin("liste"), 0);
    ASSERT_EQ(plateforme.dialogues.size(), 1u);
    EXPECT_EQ(filtreQt(plateforme.dialogues[0].filtre).toStdString(),
              "Tableau CSV (*.csv);;Page web (*.html);;Document PDF (*.pdf)");
    EXPECT_EQ(genres(plateforme), (std::vector<std::string>{"enregistrer"}));
    EXPECT_EQ(lireOctets(chemin("liste.csv")), tableauCsv(store().fiches.data(), 3));
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_FALSE(fenetre->savemybase()->isEnabled());
}

TEST_F(Echange, exportAfterASearch_writesTheResultsOnly) {
    fenetre->expression()->setText(QStringLiteral("jaune"));
    fenetre->goButtonClick();
    ASSERT_TRUE(store().listeResultats);
    exporter(chemin("r.csv"), 0);
    EXPECT_EQ(lireOctets(chemin("r.csv")), std::string(debutCsv()) + "7,banane,\"jaune, longue\",\r\n");
}

TEST_F(Echange, exportHtmlAndPdf_goByTheFilter_orByTheTypedExtension) {
    struct Cas {
        std::string nom;
        int filtre;
        std::string fichier;
        std::string debut;
    } cas[] = {
        {"page", 1, "page.html", "<!DOCTYPE"},
        {"doc", 2, "doc.pdf", "%PDF"},
        {"tape.pdf", 0, "tape.pdf", "%PDF"},
        {"tape.csv", 2, "tape.csv", "\xEF\xBB\xBFnumero"},
    };
    for (const Cas& c : cas) {
        plateforme.oublier();
        exporter(chemin(QString::fromStdString(c.nom)), c.filtre);
        EXPECT_TRUE(plateforme.textes("message").empty()) << c.nom << " : " << plateforme.textes("message")[0];
        const std::string o = lireOctets(chemin(QString::fromStdString(c.fichier)));
        EXPECT_EQ(o.substr(0, c.debut.size()), c.debut) << c.nom;
    }
    EXPECT_EQ(store().modifiee, 0);
}

TEST_F(Echange, exportOverAnExistingFile_onlyAfterTheConfirmation) {
    ecrireOctets(chemin("x.csv"), "ancien");
    plateforme.reponses.push_back(kNon);
    exporter(chemin("x.csv"), 0);
    EXPECT_EQ(plateforme.textes("confirmation"), (std::vector<std::string>{"ecraser le fichier du même nom ?"}));
    EXPECT_EQ(lireOctets(chemin("x.csv")), "ancien");
    plateforme.reponses.push_back(kOui);
    exporter(chemin("x.csv"), 0);
    EXPECT_EQ(lireOctets(chemin("x.csv")), tableauCsv(store().fiches.data(), 3));
}

TEST_F(Echange, exportToAReadOnlyFile_isRefusedWithAMessage) {
    ecrireOctets(chemin("ro.csv"), "ancien");
    chmod(chemin("ro.csv").c_str(), 0444);
    plateforme.reponses.push_back(kOui);
    exporter(chemin("ro.csv"), 0);
    ASSERT_EQ(plateforme.textes("message").size(), 1u);
    EXPECT_NE(plateforme.textes("message")[0].find("protégé en écriture"), std::string::npos);
    EXPECT_EQ(lireOctets(chemin("ro.csv")), "ancien");
}

TEST_F(Echange, exportInEditMode_worksAndLeavesEditMode) {
    fenetre->nouvelleClick();
    exporter(chemin("e.csv"), 0);
    EXPECT_EQ(lireOctets(chemin("e.csv")), tableauCsv(store().fiches.data(), 3));
    EXPECT_FALSE(fenetre->valider()->isHidden());
}

TEST_F(Echange, cancelledDialogs_doNothing) {
    plateforme.fichiers.push_back(std::nullopt);
    fenetre->exporterlabase1()->trigger();
    plateforme.fichiers.push_back(std::nullopt);
    const Etat avant = etatDe(*fenetre);
    fenetre->importeruntableauCSV1()->trigger();
    EXPECT_EQ(etatDe(*fenetre), avant);
    EXPECT_EQ(genres(plateforme), (std::vector<std::string>{"enregistrer", "ouvrir"}));
}

TEST_F(Echange, importCsv_appendsAfterTheLastCard_marksModified_refillsTheList) {
    ecrireOctets(chemin("t.csv"), "\xEF\xBB\xBFtitre;numero\r\npoire;\r\nprune;9\r\n");
    store().courante = 1;
    Etat attendu = etatDe(*fenetre);
    attendu.cartes.insert(attendu.cartes.end(), {"4:poire:", "9:prune:"});
    attendu.modifiee = 1;
    attendu.savemybase = true;
    attendu.lignes = 6;
    plateforme.fichiers.push_back(chemin("t.csv"));
    fenetre->importeruntableauCSV1()->trigger();
    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(plateforme.dialogues.back().filtre.toStdString(), "Tableau CSV|*.csv");
    EXPECT_EQ(fenetre->medialist()->texteLigne(5).toStdString(), "9 prune");
    EXPECT_EQ(fenetre->titre()->text().toStdString(), "=bien");
}

TEST_F(Echange, importOfABadTable_changesNothing_andSaysWhichRows) {
    ecrireOctets(chemin("t.csv"), "numero,titre\r\n1,ok\r\n2,\"jamais fermé\r\n");
    const Etat avant = etatDe(*fenetre);
    plateforme.fichiers.push_back(chemin("t.csv"));
    fenetre->importeruntableauCSV1()->trigger();
    EXPECT_EQ(etatDe(*fenetre), avant);
    ASSERT_EQ(plateforme.textes("message").size(), 1u);
    EXPECT_NE(plateforme.textes("message")[0].find("ligne 3, titre : guillemet ouvert et jamais refermé"),
              std::string::npos)
        << plateforme.textes("message")[0];
}
