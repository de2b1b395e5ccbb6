// The board of pictures beside the window: it follows the list, names its tiles for a screen
// reader, makes a tile's very card the current card, and remembers what the user changed.

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/ini.h"
#include "core/textes.h"
#include "planche/controleur_planche.h"
#include "planche/fenetre_planche.h"
#include "planche/ordre_vignettes.h"
#include "planche/planche.h"
#include "tests/support/fenetre_commune.h"
#include "ui/liste_fiches.h"

namespace {

class PlancheTest : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        // Two cards share the number 5: a tile stands for its own card all the same.
        remplir({{12, "Ch\xe2teau de Chambord", "Loir-et-Cher", "\\chambord.jpg"},
                 {5, "abeille", "", ""},
                 {7, "z\xe8" "bre", "ray\xe9", ""},
                 {5, "abeille noire", "", ""}});
        fenetre->montrerBase();
        fenetre->show();
        fenetre->commande("planchedesimages1")->trigger();
        ASSERT_NE(fenetrePlanche(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetrePlanche()));
    }

    FenetrePlanche* fenetrePlanche() {
        return fenetre->findChild<ControleurPlanche*>()->fenetrePlanche();
    }
    Planche& planche() { return *fenetrePlanche()->planche(); }

    // What a screen reader is told of each tile, in the board's order. Without a screen reader
    // Qt does not tell its accessibility cache of the list's changes: asked afresh each time.
    QStringList nomsDesTuiles() {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(&planche())));
        QAccessibleInterface* vue = QAccessible::queryAccessibleInterface(&planche());
        QStringList noms;
        for (int i = 0; i < vue->childCount(); ++i) noms << vue->child(i)->text(QAccessible::Name);
        return noms;
    }

    int ligneMarquee() { return planche().ligneDeFiche(planche().ficheMarquee()); }

    QPoint centreTuile(int ligne) {
        return planche().visualRect(planche().model()->index(ligne, 0)).center();
    }
};

TEST_F(PlancheTest, followsDeleteUndoAndSearch_namingEachTileForAScreenReader) {
    EXPECT_EQ(nomsDesTuiles(), (QStringList{"fiche 12 « Château de Chambord »", "fiche 5 « abeille »",
                                            "fiche 7 « zèbre »", "fiche 5 « abeille noire »"}));
    EXPECT_EQ(ligneMarquee(), 0);

    fenetre->UpDownClick(true);  // the first card 5
    QTRY_COMPARE(ligneMarquee(), 1);
    plateforme.reponses.push_back(kOk);
    fenetre->supprime()->click();
    EXPECT_EQ(nomsDesTuiles(), (QStringList{"fiche 12 « Château de Chambord »", "fiche 7 « zèbre »",
                                            "fiche 5 « abeille noire »"}));

    fenetre->annuler1Click();
    EXPECT_EQ(nomsDesTuiles().value(1), "fiche 5 « abeille »");
    EXPECT_EQ(planche().model()->rowCount(), 4);
    QTRY_COMPARE(ligneMarquee(), 1);

    // The search results, and no card marked while the card area is blank.
    fenetre->expression()->setText(QStringLiteral("abeille"));
    fenetre->goButton()->click();
    EXPECT_EQ(nomsDesTuiles(), (QStringList{"fiche 5 « abeille »", "fiche 5 « abeille noire »"}));
    QTRY_COMPARE(planche().ficheMarquee(), -1);
}

TEST_F(PlancheTest, doubleClickOrEnter_makesThatVeryCardCurrent_refusedWhileEditing) {
    struct Cas {
        const char* geste;
        std::function<void(int ligne)> choisir;
    };
    const std::vector<Cas> cas = {
        {"double clic", [&](int ligne) {
             // As a desktop delivers it: press and release, then the double click and release.
             const QPoint ici = centreTuile(ligne);
             QTest::mouseClick(planche().viewport(), Qt::LeftButton, {}, ici);
             QMouseEvent deuxieme(QEvent::MouseButtonDblClick, ici, planche().viewport()->mapToGlobal(ici),
                                  Qt::LeftButton, Qt::LeftButton, {});
             QApplication::sendEvent(planche().viewport(), &deuxieme);
             QTest::mouseRelease(planche().viewport(), Qt::LeftButton, {}, ici);
         }},
        {"Entrée", [&](int ligne) {
             planche().setCurrentIndex(planche().model()->index(ligne, 0));
             QTest::keyClick(&planche(), Qt::Key_Return);
         }},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.geste);
        fenetre->debutClick();
        // The second card numbered 5, not the first one its number names.
        c.choisir(3);
        EXPECT_EQ(store().courante, 3);
        EXPECT_EQ(fenetre->titre()->text(), "abeille noire");
        EXPECT_EQ(fenetre->medialist()->indexSelectionne(), 3);
        QTRY_COMPARE(ligneMarquee(), 3);

        fenetre->modifClick();
        plateforme.oublier();
        c.choisir(2);
        EXPECT_EQ(store().courante, 3);
        EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{textes::kTerminerSaisie});
        plateforme.oublier();
        fenetre->annulerClick();
    }
}

TEST_F(PlancheTest, tileRoles_pictureResolvedInThePictureDirectory_emptyWithout) {
    const ModeleListe& modele = *fenetre->medialist()->modele();
    EXPECT_EQ(modele.index(0).data(ModeleListe::RoleImage).toString(),
              QString::fromStdString(repertoire + "/chambord.jpg"));
    EXPECT_TRUE(modele.index(1).data(ModeleListe::RoleImage).toString().isEmpty());
    // A missing picture says so in its tooltip, after the whole title.
    EXPECT_EQ(planche().model()->index(0, 0).data(Qt::ToolTipRole).toString(),
              QString::fromStdString("Château de Chambord\n" + repertoire + "/chambord.jpg non disponible"));
}

TEST_F(PlancheTest, sizesChangedByTheUser_rememberedOnlyOnceChanged) {
    const std::string ini = chemin("brevandoux.ini");
    {
        QFile f(QString::fromStdString(ini));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[setup]\nautoload=\n");
    }
    // Opening it again from the menu changes nothing remembered but that it is open.
    ReglagesPlanche& r = store().planche;
    ecrireReglagesPlanche(r, ini, appelsSysteme());
    EXPECT_EQ(lireCleIni(ini, "planche", "vignettes", "absente"), "absente");
    EXPECT_EQ(lireCleIni(ini, "planche", "dimensions", "absente"), "absente");
    EXPECT_EQ(lireCleIni(ini, "planche", "ouverte", "absente"), "oui");

    const int avant = planche().taille();
    QTest::keyClick(&planche(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(planche().taille(), avant);
    QWheelEvent molette(QPointF(10, 10), QPointF(10, 10), {}, {0, -240}, Qt::NoButton, Qt::ControlModifier,
                        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(planche().viewport(), &molette);
    EXPECT_EQ(planche().taille(), Planche::kTailles[0]);
    fenetrePlanche()->resize(640, 480);
    fenetrePlanche()->close();
    ecrireReglagesPlanche(r, ini, appelsSysteme());

    ReglagesPlanche relus;
    lireReglagesPlanche(relus, ini);
    EXPECT_EQ(relus.vignettes, Planche::kTailles[0]);
    EXPECT_EQ(std::pair(relus.largeur, relus.hauteur), std::pair(640, 480));
    EXPECT_FALSE(relus.ouverte);
}

// The thumbnails asked for: every tile once, the screen first, then ahead in the direction of
// the scroll, never a tile outside the board.
TEST(OrdreVignettes, screenFirst_thenAhead_eachTileOnceWithinTheBoard) {
    const std::vector<EcranPlanche> ecrans = {
        {.premiere = 0, .lignes = 3, .colonnes = 4, .total = 100, .sens = 1},
        {.premiere = 10, .lignes = 3, .colonnes = 4, .total = 100, .sens = 1},
        {.premiere = 10, .lignes = 3, .colonnes = 4, .total = 100, .sens = -1},
        {.premiere = 2, .lignes = 5, .colonnes = 3, .total = 20, .sens = -1},
        {.premiere = 0, .lignes = 2, .colonnes = 5, .total = 3, .sens = 1},
    };
    for (const EcranPlanche& e : ecrans) {
        SCOPED_TRACE(e.premiere * 10 + e.sens);
        const std::vector<int> ordre = ordreVignettes(e);
        const int debut = e.premiere * e.colonnes;
        const int aLEcran = std::min(e.total, (e.premiere + e.lignes) * e.colonnes) - debut;
        ASSERT_GE(static_cast<int>(ordre.size()), aLEcran);
        for (int i = 0; i < aLEcran; ++i) EXPECT_EQ(ordre[static_cast<std::size_t>(i)], debut + i);
        std::vector<int> tries = ordre;
        std::sort(tries.begin(), tries.end());
        EXPECT_EQ(std::adjacent_find(tries.begin(), tries.end()), tries.end());
        EXPECT_TRUE(std::all_of(ordre.begin(), ordre.end(), [&](int l) { return l >= 0 && l < e.total; }));
        // The first tile after the screen lies ahead in the scroll's direction.
        if (ordre.size() > static_cast<std::size_t>(aLEcran)) {
            const int suivante = ordre[static_cast<std::size_t>(aLEcran)];
            EXPECT_EQ(suivante >= debut + aLEcran, e.sens > 0) << suivante;
        }
    }
}

}  // namespace
