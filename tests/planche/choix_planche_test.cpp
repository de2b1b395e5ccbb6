// Choosing cards on the board as in a file manager, the count it shows, the same cards chosen
// after a sort or a delete, and its context menu of commands on them.

#include <QAction>
#include <QPushButton>
#include <QTest>

#include "planche/choix_planche.h"
#include "planche/controleur_planche.h"
#include "planche/fenetre_planche.h"
#include "planche/planche.h"
#include "tests/support/fenetre_commune.h"

namespace {

class ChoixPlancheTest : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        remplir({{12, "Ch\xe2teau", "", ""}, {5, "abeille", "", ""}, {7, "z\xe8" "bre", "", ""},
                 {5, "abeille noire", "", ""}, {1, "mouche", "", ""}});
        fenetre->montrerBase();
        fenetre->show();
        fenetre->commande("planchedesimages1")->trigger();
        fenetrePlanche = fenetre->findChild<ControleurPlanche*>()->fenetrePlanche();
        ASSERT_NE(fenetrePlanche, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetrePlanche));
        choix = new ChoixPlanche(*fenetrePlanche);
    }
    Planche& planche() { return *fenetrePlanche->planche(); }
    void cliquer(int ligne, Qt::KeyboardModifiers touches = {}) {
        const QModelIndex i = planche().model()->index(ligne, 0);
        QTest::mouseClick(planche().viewport(), Qt::LeftButton, touches, planche().visualRect(i).center());
    }
    // The titles of the chosen cards, in the board's order.
    std::vector<std::string> titres() {
        std::vector<std::string> r;
        for (uint32_t i : choix->choisies()) r.emplace_back(cp1252VersUtf8(texteChamp(store().fiches[i].titre)));
        return r;
    }
    using T = std::vector<std::string>;
    FenetrePlanche* fenetrePlanche = nullptr;
    ChoixPlanche* choix = nullptr;
};

TEST_F(ChoixPlancheTest, clickCtrlShiftCtrlASpaceAndShiftArrows_chooseAsAFileManager) {
    // The board opens on the card on display, chosen.
    EXPECT_EQ(choix->bilan(), "1 fiche choisie");
    planche().clearSelection();
    EXPECT_EQ(choix->bilan(), "aucune fiche choisie");
    EXPECT_FALSE(choix->supprimer()->isEnabled());
    cliquer(1);
    cliquer(3, Qt::ControlModifier);
    EXPECT_EQ(titres(), (T{"abeille", "abeille noire"}));
    EXPECT_EQ(choix->bilan(), "2 fiches choisies");
    cliquer(1, Qt::ControlModifier);  // chosen again: let go
    EXPECT_EQ(titres(), (T{"abeille noire"}));
    cliquer(0, Qt::ShiftModifier);  // from the last tile clicked
    EXPECT_EQ(titres(), (T{"Château", "abeille", "abeille noire"}));
    cliquer(2);  // a plain click chooses that tile alone
    EXPECT_EQ(titres(), (T{"zèbre"}));
    QTest::keyClick(&planche(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(titres(), (T{"zèbre", "abeille noire"}));
    QTest::keyClick(&planche(), Qt::Key_Space);  // the tile under the cursor, let go
    EXPECT_EQ(titres(), (T{"zèbre"}));
    QTest::keyClick(&planche(), Qt::Key_Space);
    EXPECT_EQ(titres(), (T{"zèbre", "abeille noire"}));
    QTest::keyClick(&planche(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(choix->choisies().size(), 5u);
    EXPECT_EQ(choix->bilan(), "5 fiches choisies");
    EXPECT_TRUE(choix->supprimer()->isEnabled());
}

TEST_F(ChoixPlancheTest, afterASortOrADelete_theSameCardsStayChosen) {
    planche().clearSelection();
    cliquer(2);
    cliquer(4, Qt::ControlModifier);
    fenetre->trialfaClick();
    EXPECT_EQ(titres(), (T{"mouche", "zèbre"}));
    EXPECT_EQ(choix->bilan(), "2 fiches choisies");
    // "Supprimer" takes the card on display, which is not one of them.
    fenetre->debutClick();
    plateforme.reponses.push_back(kOk);
    fenetre->supprime()->click();
    EXPECT_EQ(store().nombreFiches(), 4);
    EXPECT_EQ(titres(), (T{"mouche", "zèbre"}));
}

TEST_F(ChoixPlancheTest, contextMenu_namesItsCommandsWithTheirKeys_andGivesTheChosenCards) {
    const std::vector<std::pair<QAction*, QString>> attendues = {
        {choix->supprimer(), "supprimer les fiches choisies"},
        {choix->imprimer(), "imprimer les fiches choisies"},
        {choix->exporter(), "exporter les fiches choisies…"},
        {choix->copier(), "copier les fiches choisies dans une autre base…"},
    };
    EXPECT_EQ(planche().contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(planche().actions().size(), 4);
    EXPECT_EQ(choix->supprimer()->shortcut(), QKeySequence(Qt::Key_Delete));
    std::vector<std::vector<uint32_t>> recues;
    auto noter = [&](const std::vector<uint32_t>& c) { recues.push_back(c); };
    QObject::connect(choix, &ChoixPlanche::supprimerChoisies, noter);
    QObject::connect(choix, &ChoixPlanche::imprimerChoisies, noter);
    QObject::connect(choix, &ChoixPlanche::exporterChoisies, noter);
    QObject::connect(choix, &ChoixPlanche::copierChoisies, noter);
    cliquer(3);
    cliquer(0, Qt::ControlModifier);
    for (const auto& [action, texte] : attendues) {
        EXPECT_EQ(action->text(), texte);
        EXPECT_FALSE(action->shortcut().isEmpty()) << texte.toStdString();
        action->trigger();
    }
    // The key works on the board.
    QTest::keyClick(&planche(), Qt::Key_Delete);
    ASSERT_EQ(recues.size(), 5u);
    for (const auto& c : recues) EXPECT_EQ(c, (std::vector<uint32_t>{0, 3}));
}

}  // namespace
