// The list box of cards and its filling.

#include <QIdentityProxyModel>
#include <QSignalSpy>

#include "ui/liste_fiches.h"
#include "tests/support/fenetre_commune.h"

namespace {

QStringList lignes(const ListeFiches& l) {
    QStringList r;
    for (int i = 0; i < l.nombreLignes(); ++i) r << l.texteLigne(i);
    return r;
}

using RemplirListe = FenetreTest;

TEST_F(RemplirListe, lines_areNumberSpaceTitle) {
    struct Cas {
        std::vector<CarteTest> cartes;
        QStringList attendu;
    };
    const Cas cas[] = {
        {{{0, "", "", ""}}, {"0 "}},
        {{{-1, "Chat", "", ""}}, {"4294967295 Chat"}},
        {{{-2147483647 - 1, "x", "", ""}}, {"2147483648 x"}},
        {{{12, " Lynx ", "", ""}, {5, "\xC9t\xE9 \x80", "", ""}}, {"12  Lynx ", QString::fromUtf8("5 Été €")}},
        {{{4294, std::string(255, 'T'), "", ""}}, {"4294 " + QString(255, 'T')}},
        {{}, {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.cartes.size());
        remplir(c.cartes);
        store().listeResultats = true;
        fenetre->remplirListe();
        EXPECT_EQ(lignes(*fenetre->medialist()), c.attendu);
        EXPECT_FALSE(store().listeResultats);
        EXPECT_EQ(fenetre->medialist()->indexSelectionne(), -1);
    }
}

TEST_F(RemplirListe, resultTable_isShownInTheSameLineFormat) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}});
    fenetre->remplirListe();
    store().resultats.redimensionner(3);
    store().resultats[0].numero = -1;
    ecrireChamp(store().resultats[0].titre, "trouv\xE9");
    store().resultats[1].numero = 8;
    ecrireChamp(store().resultats[1].titre, "b");
    fenetre->medialist()->montrer(store().resultats, 2);
    EXPECT_EQ(lignes(*fenetre->medialist()), (QStringList{"4294967295 trouvé", "8 b"}));
    fenetre->medialist()->vider();
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 0);
}

TEST_F(RemplirListe, tableShrunkBeforeTheRefill_showsNothingPastItsEnd) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}, {3, "c", "", ""}});
    fenetre->remplirListe();
    store().courante = 2;
    store().supprimerFiche();
    EXPECT_EQ(fenetre->medialist()->texteLigne(2), "");
    EXPECT_EQ(fenetre->medialist()->texteLigne(1), "2 b");
    // Drawing the stale list must not read past the table.
    fenetre->show();
    fenetre->medialist()->viewport()->repaint();
}

TEST_F(RemplirListe, userPickingALine_isReportedWithItsRow) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}, {3, "c", "", ""}});
    fenetre->remplirListe();
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    ListeFiches* liste = fenetre->medialist();
    QSignalSpy clics(liste, &ListeFiches::clique);

    const QRect ligne1 = liste->visualRect(liste->model()->index(1, 0));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, ligne1.center());
    ASSERT_EQ(clics.size(), 1);
    EXPECT_EQ(clics.at(0).at(0).toInt(), 1);
    EXPECT_EQ(liste->indexSelectionne(), 1);
    EXPECT_EQ(ligne1.height(), ModeleListe::kHauteurLigne);

    QTest::keyClick(liste, Qt::Key_Down);
    ASSERT_EQ(clics.size(), 2);
    EXPECT_EQ(clics.at(1).at(0).toInt(), 2);
    // At the last line the selection does not move: nothing to report.
    QTest::keyClick(liste, Qt::Key_Down);
    EXPECT_EQ(clics.size(), 2);

    // A refill forgets the selection without reporting a pick.
    fenetre->remplirListe();
    EXPECT_EQ(liste->indexSelectionne(), -1);
    EXPECT_EQ(clics.size(), 2);
}

// Counts the lines the view asks for, between the list's own model and its view.
class LignesDemandees : public QIdentityProxyModel {
public:
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) ++affichees;
        return QIdentityProxyModel::data(index, role);
    }
    mutable int affichees = 0;
};

TEST_F(RemplirListe, manyCards_fillWithoutBuildingEveryLine) {
    // The benchmark (bench_liste) times a million; here the count of lines built tells.
    constexpr std::size_t kCartes = 200'000;
    store().fiches.redimensionner(kCartes);
    for (std::size_t i = 0; i < kCartes; ++i) {
        store().fiches[i].numero = static_cast<int32_t>(i);
        ecrireChamp(store().fiches[i].titre, "titre");
    }
    store().derniere = static_cast<int32_t>(kCartes) - 1;
    LignesDemandees compteur;
    compteur.setSourceModel(fenetre->medialist()->modele());
    fenetre->medialist()->setModel(&compteur);
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    compteur.affichees = 0;
    fenetre->remplirListe();
    QCoreApplication::processEvents();  // the view lays its lines out
    fenetre->medialist()->viewport()->repaint();
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), static_cast<int>(kCartes));
    EXPECT_EQ(compteur.rowCount(), static_cast<int>(kCartes));
    // Only the lines on screen are built: a few dozen, asked for a few times at most, never
    // one per card.
    const int visibles = fenetre->medialist()->viewport()->height() / ModeleListe::kHauteurLigne + 1;
    EXPECT_GT(compteur.affichees, 0);
    EXPECT_LE(compteur.affichees, 4 * visibles) << visibles << " lignes visibles";
    EXPECT_EQ(fenetre->medialist()->texteLigne(199'999), "199999 titre");
    fenetre->medialist()->setModel(fenetre->medialist()->modele());
}

}  // namespace
