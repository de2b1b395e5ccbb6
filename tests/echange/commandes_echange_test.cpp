// "exporter la base…" and "importer un tableau CSV…" through the menu, on the scripted platform.

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

#include "core/etapes.h"
#include "core/tableau_csv.h"
#include "core/textes.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/annuler_progression.h"

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

    // Runs the export as exporter does, watching its progress dialog, and cancels it once it
    // shows annulerA cards done (never when annulerA is negative). Then checks that the dialog
    // belonged to the window and said texte.
    void exporterEnSuivant(const std::string& chemin, int filtre, int annulerA, const char* texte) {
        QString titre, libelle;
        QWidget* parent = nullptr;
        Qt::WindowModality modalite = Qt::NonModal;
        QTimer minuterie;
        QObject::connect(&minuterie, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* d = qobject_cast<QProgressDialog*>(w);
                if (!d || !d->isVisible()) continue;
                titre = d->windowTitle();
                libelle = d->labelText();
                parent = d->parentWidget();
                modalite = d->windowModality();
                if (annulerA >= 0 && d->value() >= annulerA) d->cancel();
            }
        });
        minuterie.start(0);
        exporter(chemin, filtre);
        minuterie.stop();
        EXPECT_EQ(titre, "brevandoux");
        EXPECT_EQ(libelle, QString::fromUtf8(texte));
        EXPECT_EQ(parent, fenetre.get());
        EXPECT_EQ(modalite, Qt::WindowModal);
    }

    std::string b;
};

}  // namespace

TEST_F(Echange, exportCsv_writesTheWholeBaseInTableOrder_withTheChosenFiltersExtension) {
    exporter(chemin("liste"), 0);
    ASSERT_EQ(plateforme.dialogues.size(), 1u);
    EXPECT_EQ(filtreQt(plateforme.dialogues[0].filtre).toStdString(),
              "Tableau CSV (*.csv);;Page web (*.html);;Document PDF (*.pdf)");
    EXPECT_EQ(genres(plateforme), (std::vector<std::string>{"enregistrer"}));
    EXPECT_EQ(lireOctets(chemin("liste.csv")), tableauCsv(store().fiches, 3));
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
    EXPECT_EQ(lireOctets(chemin("x.csv")), tableauCsv(store().fiches, 3));
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
    EXPECT_EQ(lireOctets(chemin("e.csv")), tableauCsv(store().fiches, 3));
    EXPECT_FALSE(fenetre->valider()->isHidden());
}

// A long web page export shows its progress; "Annuler" pressed after some pictures were
// copied leaves no page and nothing added to or replaced in the pictures' folder, which goes
// away when the export made it. Not pressed, the folder gets the pictures beside its own files.
TEST_F(Echange, longHtmlExport_annulerLeavesTheDiskAsItWas_elseThePicturesJoinTheFolder) {
    std::vector<CarteTest> cartes;
    for (int i = 0; i < 50; ++i) cartes.push_back({i, "carte", "", "\\p" + std::to_string(i % 5) + ".jpg"});
    remplir(cartes);
    for (int i = 0; i < 5; ++i) ecrireImage(QStringLiteral("b.rep/p%1.jpg").arg(i), QColor(0, 50 * i, 0));
    const QString racine = QString::fromStdString(chemin("."));
    auto contenu = [](const QString& dossier) {
        return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    };
    const QStringList pagesImages = {"mien.txt", "p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"};
    struct Cas {
        const char* nom;
        bool dossierExistant, annuler;
    };
    for (const Cas c : {Cas{"nouveau dossier", false, true}, Cas{"dossier existant", true, true},
                        Cas{"sans annuler", true, false}}) {
        SCOPED_TRACE(c.nom);
        std::filesystem::remove_all(chemin("page_fichiers"));
        std::filesystem::remove(chemin("page.html"));
        if (c.dossierExistant) {
            std::filesystem::create_directory(chemin("page_fichiers"));
            ecrireOctets(chemin("page_fichiers/p0.jpg"), "ancien");
            ecrireOctets(chemin("page_fichiers/mien.txt"), "à moi");
        }
        const QStringList avant = contenu(racine);
        plateforme.oublier();

        // Once several pictures wait to be moved into place.
        exporterEnSuivant(chemin("page.html"), 1, c.annuler ? 10 : -1, textes::kProgressionPageWeb);
        // No message: stopping was the user's choice, not a failure.
        EXPECT_EQ(genres(plateforme), (std::vector<std::string>{"enregistrer"}));
        EXPECT_EQ(store().modifiee, 0);
        EXPECT_FALSE(fenetre->savemybase()->isEnabled());
        if (c.annuler) {
            EXPECT_EQ(contenu(racine), avant);
            if (c.dossierExistant) {
                EXPECT_EQ(contenu(racine + "/page_fichiers"), QStringList({"mien.txt", "p0.jpg"}));
                EXPECT_EQ(lireOctets(chemin("page_fichiers/p0.jpg")), "ancien");
                EXPECT_EQ(lireOctets(chemin("page_fichiers/mien.txt")), "à moi");
            }
        } else {
            EXPECT_EQ(lireOctets(chemin("page.html")).substr(0, 9), "<!DOCTYPE");
            EXPECT_EQ(contenu(racine + "/page_fichiers"), pagesImages);
            EXPECT_EQ(lireOctets(chemin("page_fichiers/p3.jpg")), lireOctets(chemin("b.rep/p3.jpg")));
            EXPECT_EQ(lireOctets(chemin("page_fichiers/p0.jpg")), lireOctets(chemin("b.rep/p0.jpg")));
            EXPECT_EQ(lireOctets(chemin("page_fichiers/mien.txt")), "à moi");
        }
    }
}

TEST_F(Echange, longPdfExport_saysItExportsOverTheWindow_andAnnulerWritesNothingAndSaysNothing) {
    remplir(std::vector<CarteTest>(50, {1, "carte", "", ""}));
    exporterEnSuivant(chemin("liste.pdf"), 2, 0, textes::kProgressionPdf);
    EXPECT_EQ(genres(plateforme), (std::vector<std::string>{"enregistrer"}));
    EXPECT_FALSE(existe(chemin("liste.pdf")));
    EXPECT_EQ(store().modifiee, 0);
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

// The import is one step: undone, the table is as it was and nothing is left to save; a
// refused table records nothing.
TEST_F(Echange, importCsv_isOneStep_undoneAndRedoneWhole_aRefusedTableRecordsNothing) {
    ecrireOctets(chemin("t.csv"), "\xEF\xBB\xBFtitre;numero\r\npoire;\r\nprune;9\r\n");
    ecrireOctets(chemin("mauvais.csv"), "numero,titre\r\n1,\"jamais ferm\xC3\xA9\r\n");
    const Etat avant = etatDe(*fenetre);
    plateforme.fichiers.push_back(chemin("mauvais.csv"));
    fenetre->importeruntableauCSV1()->trigger();
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());
    plateforme.fichiers.push_back(chemin("t.csv"));
    fenetre->importeruntableauCSV1()->trigger();
    const Etat importe = etatDe(*fenetre);
    EXPECT_EQ(fenetre->annuler1()->text().toStdString(), "annuler l'importation de 2 fiches");
    fenetre->annuler1()->trigger();
    EXPECT_EQ(etatDe(*fenetre).cartes, avant.cartes);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), avant.lignes);
    EXPECT_EQ(store().courante, store().derniere);  // the last card left
    EXPECT_EQ(store().modifiee, avant.modifiee);
    EXPECT_EQ(fenetre->retablir1()->text().toStdString(), "rétablir l'importation de 2 fiches");
    fenetre->retablir1()->trigger();
    EXPECT_EQ(etatDe(*fenetre).cartes, importe.cartes);
    EXPECT_TRUE(store().modifiee);

    // A table whose step would be past the history's room is told before its cards are added.
    store().historique = Historique(Historique::kEtapesMax, octetsEtapeFiches(0, 1));
    plateforme.oublier();
    plateforme.fichiers.push_back(chemin("t.csv"));
    plateforme.reponses.push_back(kAnnuler);
    fenetre->importeruntableauCSV1()->trigger();
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kSansAnnulation});
    EXPECT_EQ(etatDe(*fenetre).cartes, importe.cartes);
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

#include <regex>

#include "echange/controleur_echange.h"

// The chosen cards are written exactly as exporting a base holding only them, in every format.
TEST_F(Echange, exportOfChosenCards_equalsTheExportOfABaseHoldingOnlyThem) {
    auto* controleur = fenetre->findChild<ControleurEchange*>();
    ASSERT_NE(controleur, nullptr);
    std::filesystem::create_directory(chemin("choisies"));
    std::filesystem::create_directory(chemin("seules"));
    const char* noms[] = {"e.csv", "e.html", "e.pdf"};
    for (int filtre = 0; filtre < 3; ++filtre) {
        plateforme.fichiers.push_back(chemin(QStringLiteral("choisies/") + noms[filtre]));
        plateforme.filtres.push_back(filtre);
        controleur->exporterChoisies({2, 0, 9, 2});
    }
    remplir({kQuatre[2], kQuatre[0]});
    for (int filtre = 0; filtre < 3; ++filtre) exporter(chemin(QStringLiteral("seules/") + noms[filtre]), filtre);
    EXPECT_TRUE(plateforme.textes("message").empty());
    // A PDF carries the second it was made.
    const std::regex date("/CreationDate \\(D:[^)]*\\)");
    for (const char* nom : noms) {
        const std::string a = lireOctets(chemin(QStringLiteral("choisies/") + nom));
        const std::string b = lireOctets(chemin(QStringLiteral("seules/") + nom));
        EXPECT_GT(a.size(), 100u) << nom;
        EXPECT_EQ(std::regex_replace(a, date, ""), std::regex_replace(b, date, "")) << nom;
    }
    EXPECT_EQ(lireOctets(chemin("choisies/e_fichiers/abricot.jpg")).size(),
              lireOctets(chemin("seules/e_fichiers/abricot.jpg")).size());
}
