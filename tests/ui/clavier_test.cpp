// Every keyed command of the menus and the two card buttons without a letter of their own are
// reachable from the keyboard, each key pressing exactly one command.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <map>

#include "tests/support/fenetre_commune.h"

namespace {

class Clavier : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
        liste()->setFocus();
    }

    // The commands' own handlers are replaced by counters: this checks which command a key
    // reaches, not what the command then does.
    void compterAction(QAction* a) {
        QObject::disconnect(a, &QAction::triggered, fenetre.get(), nullptr);
        QObject::connect(a, &QAction::triggered, [this, a] { ++declenches[a->objectName()]; });
    }
    void compterBouton(QPushButton* b) {
        QObject::disconnect(b, &QPushButton::clicked, fenetre.get(), nullptr);
        QObject::connect(b, &QPushButton::clicked, [this, b] { ++declenches[b->objectName()]; });
    }
    void presser(const QKeySequence& touche, QWidget* cible = nullptr) {
        const QKeyCombination k = touche[0];
        QTest::keyClick(cible ? cible : QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    }

    QWidget* liste() const { return fenetre->findChild<QWidget*>(QStringLiteral("medialist")); }

    std::map<QString, int> declenches;
};

// The keyed commands of the menu bar, in the menus' order; the menus themselves, their
// captions and their keys are pinned in menus_test.cpp. Undo and redo, enabled only with a
// step to undo or redo and never in edit mode, have their keys checked in annulation_test.cpp.
QList<QAction*> commandesAvecTouches(const TForm1& fenetre) {
    QList<QAction*> commandes;
    for (QAction* menu : fenetre.menuBar()->actions()) {
        for (QAction* a : menu->menu()->actions()) {
            if (a == fenetre.annuler1() || a == fenetre.retablir1()) continue;
            if (!a->shortcuts().isEmpty()) commandes << a;
        }
    }
    return commandes;
}

TEST_F(Clavier, eachMenuKey_triggersItsOwnCommandOnly_inBothModes) {
    const QList<QAction*> commandes = commandesAvecTouches(*fenetre);
    ASSERT_FALSE(commandes.isEmpty());
    for (QAction* a : commandes) compterAction(a);
    std::map<QString, int> attendu;
    const auto toutPresser = [&](const char* mode) {
        for (QAction* a : commandes) {
            for (const QKeySequence& touche : a->shortcuts()) {
                presser(touche);
                ++attendu[a->objectName()];
                EXPECT_EQ(declenches, attendu) << a->objectName().toStdString() << mode;
            }
        }
    };
    toutPresser("");
    // Edit mode shuts the buttons, never the menus.
    fenetre->verrouiller();
    fenetre->numero()->setFocus();
    toutPresser(" en mode édition");
}

TEST_F(Clavier, insertPressesAjouter_deletePressesSupprimer_onlyInBrowseMode) {
    compterBouton(fenetre->nouvelle());
    compterBouton(fenetre->supprime());
    presser(QKeySequence(Qt::Key_Insert));
    presser(QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(declenches, (std::map<QString, int>{{"nouvelle", 1}, {"supprime", 1}}));

    fenetre->verrouiller();
    presser(QKeySequence(Qt::Key_Insert));
    presser(QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(declenches, (std::map<QString, int>{{"nouvelle", 1}, {"supprime", 1}}));
}

TEST_F(Clavier, deleteInAnEditableBox_deletesTextNotTheCard) {
    compterBouton(fenetre->supprime());
    for (QLineEdit* boite : {fenetre->numero(), fenetre->expression()}) {
        boite->setFocus();
        boite->setText(QStringLiteral("12"));
        boite->setCursorPosition(0);
        presser(QKeySequence(Qt::Key_Delete), boite);
        EXPECT_EQ(boite->text(), QStringLiteral("2")) << boite->objectName().toStdString();
    }
    EXPECT_TRUE(declenches.empty());
}

TEST_F(Clavier, altS_pressesSauverBaseSousAlone) {
    compterBouton(fenetre->sauver());
    compterBouton(fenetre->supprime());
    presser(QKeySequence(Qt::ALT | Qt::Key_S));
    // Mnemonics click a moment later (animateClick).
    QTRY_COMPARE(declenches[QStringLiteral("sauver")], 1);
    QTest::qWait(300);
    EXPECT_EQ(declenches, (std::map<QString, int>{{"sauver", 1}}));
    // The captions are untouched: both still show their letter.
    EXPECT_EQ(fenetre->sauver()->text(), QStringLiteral("&Sauver base sous"));
    EXPECT_EQ(fenetre->supprime()->text(), QStringLiteral("&Supprimer"));
}

TEST_F(Clavier, eachButtonLetter_pressesOneButton) {
    // Every Alt+letter of the browse mode, each reaching exactly its button.
    const std::pair<Qt::Key, const char*> lettres[] = {
        {Qt::Key_Q, "ButtonQuit"}, {Qt::Key_F, "fin"},        {Qt::Key_L, "listalfa"},
        {Qt::Key_N, "newbase"},    {Qt::Key_O, "ouvrir"},     {Qt::Key_A, "trialfa"},
        {Qt::Key_R, "triref"},     {Qt::Key_M, "modif"},      {Qt::Key_V, "goButton"},
    };
    for (const auto& [touche, nom] : lettres) {
        auto* b = fenetre->findChild<QPushButton*>(QString::fromLatin1(nom));
        ASSERT_NE(b, nullptr) << nom;
        compterBouton(b);
    }
    int total = 0;
    for (const auto& [touche, nom] : lettres) {
        liste()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), touche, Qt::AltModifier);
        ++total;
        QTRY_COMPARE(declenches[QString::fromLatin1(nom)], 1);
        int somme = 0;
        for (const auto& [n, c] : declenches) somme += c;
        EXPECT_EQ(somme, total) << nom;
    }
}

}  // namespace
