// Files dropped on the window, the recent bases of the menu "fichier", and the versions kept
// by the window's save commands.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "core/configuration.h"
#include "core/sauvegardes.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/repertoire_courant.h"

namespace fs = std::filesystem;
using namespace bases_test;

namespace {

const std::vector<CarteTest> kTrois = {{10, "alpha", "a", ""}, {20, "beta", "b", ""}, {30, "gamma", "c", ""}};
const std::vector<CarteTest> kDeux = {{7, "sept", "", ""}, {8, "huit", "", ""}};

class Depot : public FenetreTest {
protected:
    std::string base(const std::string& nom, const std::vector<CarteTest>& cartes) {
        const std::string p = chemin(QString::fromStdString(nom));
        ecrireOctets(p, octetsBase(cartes));
        return p;
    }

    // A point of the window: the centre of the picture frame, or a place far from it.
    QPoint surLeCadre() const {
        return fenetre->Imagevue()->mapTo(fenetre.get(), fenetre->Imagevue()->rect().center());
    }
    QPoint loinDuCadre() const { return fenetre->medialist()->mapTo(fenetre.get(), QPoint(20, 20)); }

    // Carries the files over the window to a point and lets them go, as the system's drag and
    // drop delivers them: to the widget under the point, which passes them up to the window.
    // Returns whether the window took the drop; the command it runs is done on return.
    bool deposer(const QList<QUrl>& urls, QPoint point) {
        QMimeData donnees;
        donnees.setUrls(urls);
        QWidget* sous = fenetre->childAt(point);
        if (sous == nullptr) sous = fenetre.get();
        const QPoint local = sous->mapFrom(fenetre.get(), point);
        QDragEnterEvent entree(local, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sous, &entree);
        if (!entree.isAccepted()) return false;
        QDragMoveEvent mouvement(local, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sous, &mouvement);
        if (!mouvement.isAccepted()) return false;
        QDropEvent depot(QPointF(local), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sous, &depot);
        QCoreApplication::processEvents();
        return depot.isAccepted();
    }
    bool deposer(const std::string& fichier, QPoint point) {
        return deposer({QUrl::fromLocalFile(QString::fromStdString(fichier))}, point);
    }

    void SetUp() override {
        FenetreTest::SetUp();
        fenetre->resize(709, 527);
        remplir(kTrois);
        fenetre->remplirListe();
        fenetre->afficherFiche();
    }
};

TEST_F(Depot, baseDroppedAnywhere_opensAsOuvrirBase) {
    const std::string b = base("autre.dat", kDeux);
    for (const QPoint p : {loinDuCadre(), surLeCadre()}) {
        plateforme.oublier();
        store().modifiee = 0;
        ASSERT_TRUE(deposer(b, p));
        EXPECT_TRUE(plateforme.boites.empty() || genres(plateforme) == std::vector<std::string>{"message"})
            << "only the picture directory's creation notice";
        EXPECT_EQ(cartesDeLaTable(store()), resume(kDeux));
        EXPECT_EQ(store().cheminBase.str(), b);
        EXPECT_EQ(store().baseNommee, 1);
        EXPECT_TRUE(fenetre->savemybase()->isEnabled());
        EXPECT_EQ(fenetre->chemin()->text().toStdString(), b);
    }
}

TEST_F(Depot, baseDropped_withChanges_savePromptFirst_cancelKeepsEverything) {
    const std::string b = base("autre.dat", kDeux);
    store().modifiee = 1;
    plateforme.reponses = {kAnnuler};
    ASSERT_TRUE(deposer(b, loinDuCadre()));
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNonAnnuler", kSauver}}));
    EXPECT_EQ(cartesDeLaTable(store()), resume(kTrois));
    EXPECT_EQ(store().modifiee, 1);

    plateforme.oublier();
    plateforme.reponses = {kNon};
    ASSERT_TRUE(deposer(b, loinDuCadre()));
    EXPECT_EQ(plateforme.boites.at(0), (Boite{"question", "OuiNonAnnuler", kSauver}));
    EXPECT_EQ(cartesDeLaTable(store()), resume(kDeux));
}

TEST_F(Depot, pictureDroppedOnTheFrameInEditMode_takenAsImageTakesIt) {
    const std::string rouge = ecrireImage("rouge.jpg", Qt::red);
    const std::string bleue = ecrireImage("bleue.BMP", Qt::blue, {64, 40}, "BMP");
    fenetre->modifClick();
    store().modifiee = 0;
    ASSERT_TRUE(deposer(rouge, surLeCadre()));
    EXPECT_EQ(store().imageChoisie.str(), rouge);
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
    EXPECT_EQ(store().modifiee, 1);
    ASSERT_TRUE(deposer(bleue, surLeCadre()));
    EXPECT_EQ(store().imageChoisie.str(), bleue);
    EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
    EXPECT_TRUE(plateforme.boites.empty());
    // Validating files it as a picture chosen with "Image" would be.
    store().repertoireImages.affecter(chemin("x.rep"));
    fenetre->validerClick();
    EXPECT_EQ(texteChamp(store().ficheCourante().image), "\\bleue.BMP");
    EXPECT_TRUE(existe(chemin("x.rep/bleue.BMP")));
}

TEST_F(Depot, pictureRefused_inBrowseMode_awayFromTheFrame_orUnknown) {
    const std::string rouge = ecrireImage("rouge.jpg", Qt::red);
    ecrireOctets(chemin("notes.txt"), "texte");
    ecrireOctets(chemin("faux.DAT"), octetsBase(kDeux));
    const QColor avant = couleurCadre();

    EXPECT_FALSE(deposer(rouge, surLeCadre())) << "browse mode";
    fenetre->modifClick();
    store().modifiee = 0;
    EXPECT_FALSE(deposer(rouge, loinDuCadre())) << "edit mode, not on the frame";
    EXPECT_FALSE(deposer(chemin("notes.txt"), surLeCadre()));
    EXPECT_FALSE(deposer(chemin("faux.DAT"), surLeCadre()));
    EXPECT_FALSE(deposer(chemin("absente.jpg"), surLeCadre()));
    fs::create_directory(chemin("dossier.dat"));
    EXPECT_FALSE(deposer(chemin("dossier.dat"), loinDuCadre()));
    EXPECT_FALSE(deposer({QUrl::fromLocalFile(QString::fromStdString(rouge)),
                          QUrl::fromLocalFile(QString::fromStdString(rouge))},
                         surLeCadre()))
        << "two files at once";
    EXPECT_FALSE(deposer({QUrl("https://exemple.org/image.jpg")}, surLeCadre()));

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_TRUE(store().imageChoisie.empty());
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(couleurCadre(), avant);
    EXPECT_EQ(cartesDeLaTable(store()), resume(kTrois));
}

TEST_F(Depot, recentBases_submenuEmptyAndGreyedAtFirst) {
    EXPECT_TRUE(fenetre->basesrecentes1()->actions().isEmpty());
    EXPECT_FALSE(fenetre->basesrecentes1()->menuAction()->isEnabled());
}

TEST_F(Depot, recentBases_keptAcrossARestart_missingGreyed_choiceOpens) {
    // The program reads its configuration from the directory it starts in.
    const RepertoireCourant ici(dossier.path().toStdString());
    ASSERT_TRUE(ici.ok());
    const std::string ini = chemin("brevandoux.ini");
    ecrireOctets(ini, "[setup]\r\nautoload=\r\n");
    fenetre->FormCreate();
    plateforme.oublier();

    const std::string a = base("a.dat", kDeux);
    const std::string b = base("b.dat", kTrois);
    const std::string c = chemin("c.dat");
    for (const std::string& p : {a, b}) {
        plateforme.fichiers = {p};
        commandes(*fenetre).ouvrir1Click();
    }
    plateforme.fichiers = {c};
    commandes(*fenetre).enregistrersous1Click();  // saved under a new name: c is noted too
    ASSERT_TRUE(termineApplication([&] { commandes(*fenetre).quitter1Click(); }));
    EXPECT_EQ(lireOctets(ini), "[setup]\r\nautoload=" + c + "\r\nrecentes=" + c + "|" + b + "|" + a + "\r\n");

    // The next run.
    fs::remove(a);
    fenetre = std::make_unique<TForm1>(plateforme);
    brancherFenetre(*fenetre, plateforme);
    fenetre->FormCreate();
    fenetre->remplirRecentes();
    const QList<QAction*> recentes = fenetre->basesrecentes1()->actions();
    ASSERT_EQ(recentes.size(), 3);
    EXPECT_EQ(recentes[0]->text().toStdString(), c);
    EXPECT_EQ(recentes[1]->text().toStdString(), b);
    EXPECT_EQ(recentes[2]->text().toStdString(), a);
    EXPECT_TRUE(recentes[0]->isEnabled());
    EXPECT_TRUE(recentes[1]->isEnabled());
    EXPECT_FALSE(recentes[2]->isEnabled()) << "a base no longer on the disk is greyed";

    plateforme.oublier();
    fenetre->store().modifiee = 1;
    plateforme.reponses = {kNon};
    recentes[1]->trigger();
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNonAnnuler", kSauver}}));
    EXPECT_EQ(cartesDeLaTable(fenetre->store()), resume(kTrois));
    EXPECT_EQ(fenetre->store().cheminBase.str(), b);
    EXPECT_EQ(fenetre->store().recentes, (std::vector<std::string>{b, c, a}));
}

TEST_F(Depot, windowSaves_keepThePreviousVersions_folderNotCopiedNorOffered) {
    const std::string x = base("x.dat", kDeux);
    const std::string v1 = lireOctets(x);
    fs::create_directory(chemin("x.rep"));
    plateforme.fichiers = {x};
    commandes(*fenetre).ouvrir1Click();
    plateforme.oublier();

    // "Sauver base".
    remplir(kTrois);
    store().modifiee = 1;
    commandes(*fenetre).savemybaseClick();
    const std::string v2 = lireOctets(x);
    // "Sauver base sous" over the same file, after the overwrite question.
    remplir({{1, "un", "", ""}});
    plateforme.fichiers = {x};
    plateforme.reponses = {kOui};
    commandes(*fenetre).enregistrersous1Click();
    const std::string v3 = lireOctets(x);
    // The save at the quit prompt.
    remplir({{2, "deux", "", ""}});
    store().modifiee = 1;
    plateforme.reponses = {kOui};
    store().cheminIni.affecter(chemin("absent.ini"));
    ASSERT_TRUE(termineApplication([&] { commandes(*fenetre).quitter1Click(); }));

    std::vector<std::string> versions;
    for (const auto& v : sauvegardesDe(x)) versions.push_back(lireOctets(v));
    EXPECT_EQ(versions, (std::vector<std::string>{v3, v2, v1}));
    // Only what these commands always say; nothing about the versions.
    EXPECT_EQ(plateforme.textes("message"),
              (std::vector<std::string>{"erreur de création de répertoire", "la configuration n'a pas pu être sauvée"}));

    // Save as elsewhere carries the picture directory, never the versions.
    plateforme.fichiers = {chemin("y.dat")};
    commandes(*fenetre).enregistrersous1Click();
    EXPECT_TRUE(estRepertoire(chemin("y.rep")));
    EXPECT_FALSE(existe(chemin("y.rep/x.sauvegardes")));
    EXPECT_FALSE(existe(chemin("x.rep/x.sauvegardes")));
    // At the bases' own level the open dialog's filter matches the bases, not the folder.
    QStringList offertes = QDir(dossier.path()).entryList({"*.dat"}, QDir::AllEntries | QDir::NoDotAndDotDot);
    offertes.sort();
    EXPECT_EQ(offertes, (QStringList{"x.dat", "y.dat"}));
    EXPECT_TRUE(TForm1::OpenDialog().filtre.endsWith("|*.dat"));
}

}  // namespace
