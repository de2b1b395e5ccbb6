// Every command of the menus and the two card buttons without a letter of their own are
// reachable from the keyboard, each key pressing exactly one command.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTest>
#include <map>

#include "platform/aide.h"
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

// The commands of a menu: its separators and submenus (the recent bases, whose entries
// change with the user's files) are not commands of their own.
QList<QAction*> commandesDe(QMenu* menu) {
    QList<QAction*> commandes;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && a->menu() == nullptr) commandes << a;
    }
    return commandes;
}

// Every key the window shows: those of the menu commands, then the buttons' shortcuts.
QList<QKeySequence> touchesDe(const TForm1& fenetre) {
    QList<QKeySequence> touches;
    for (QAction* menu : fenetre.menuBar()->actions()) {
        for (QAction* a : commandesDe(menu->menu())) touches << a->shortcut();
    }
    for (QShortcut* r : fenetre.findChildren<QShortcut*>()) touches << r->key();
    return touches;
}

struct RaccourciMenu {
    const char* action;
    QKeySequence touche;
    const char* affiche;  // as the menu shows it
};

const RaccourciMenu kMenus[] = {
    {"ouvrir1", QKeySequence(Qt::CTRL | Qt::Key_O), "Ctrl+O"},
    {"nouveau1", QKeySequence(Qt::CTRL | Qt::Key_N), "Ctrl+N"},
    {"enregister1", QKeySequence(Qt::CTRL | Qt::Key_S), "Ctrl+S"},
    {"enregistrersous1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "Ctrl+Shift+S"},
    {"convertircaldoverne1", QKeySequence(Qt::CTRL | Qt::Key_I), "Ctrl+I"},
    {"Ajouterdesfiches1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), "Ctrl+Shift+A"},
    {"exporterlabase1", QKeySequence(Qt::CTRL | Qt::Key_E), "Ctrl+E"},
    {"importeruntableauCSV1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I), "Ctrl+Shift+I"},
    {"quitter1", QKeySequence(Qt::CTRL | Qt::Key_Q), "Ctrl+Q"},
    {"rechercheSansAccents1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), "Ctrl+Shift+R"},
    {"aidesurcaldoverne1", QKeySequence(Qt::Key_F1), "F1"},
    {"propos1", QKeySequence(Qt::SHIFT | Qt::Key_F1), "Shift+F1"},
};

TEST_F(Clavier, everyMenuCommand_hasItsKeyShownInTheMenu) {
    QList<QAction*> actions;
    for (QAction* menu : fenetre->menuBar()->actions()) actions << commandesDe(menu->menu());
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(kMenus)));
    for (const RaccourciMenu& r : kMenus) {
        SCOPED_TRACE(r.action);
        auto* a = fenetre->findChild<QAction*>(QString::fromLatin1(r.action));
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(actions.contains(a));
        EXPECT_EQ(a->shortcut(), r.touche);
        // The menu prints the key beside the caption (translated: "Maj" for Shift in French).
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(r.affiche));
        EXPECT_FALSE(a->shortcut().toString(QKeySequence::NativeText).isEmpty());
    }
}

TEST_F(Clavier, eachMenuKey_triggersItsOwnCommandOnly_inBothModes) {
    for (const RaccourciMenu& r : kMenus) compterAction(fenetre->findChild<QAction*>(QString::fromLatin1(r.action)));
    std::map<QString, int> attendu;
    for (const RaccourciMenu& r : kMenus) {
        presser(r.touche);
        ++attendu[QString::fromLatin1(r.action)];
        EXPECT_EQ(declenches, attendu) << r.action;
    }
    // Edit mode shuts the buttons, never the menus.
    fenetre->verrouiller();
    fenetre->numero()->setFocus();
    for (const RaccourciMenu& r : kMenus) {
        presser(r.touche);
        ++attendu[QString::fromLatin1(r.action)];
        EXPECT_EQ(declenches, attendu) << r.action << " en mode édition";
    }
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

TEST_F(Clavier, theHelp_listsEveryKeyAsTheMenusShowIt) {
    const QString page = trouverAide(QStringLiteral("BREVANDOUX.HLP"));
    ASSERT_FALSE(page.isEmpty());
    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString aide = QString::fromUtf8(f.readAll());
    const QList<QKeySequence> touches = touchesDe(*fenetre);
    ASSERT_EQ(touches.size(), static_cast<qsizetype>(std::size(kMenus) + 2));
    for (const QKeySequence& t : touches) {
        // French words, as the menus print them: "Maj", "Inser", "Suppr".
        const QString texte = t.toString(QKeySequence::NativeText);
        EXPECT_TRUE(aide.contains(QStringLiteral("<td class=\"touche\">") + texte + QStringLiteral("</td>")))
            << texte.toStdString();
    }
}

// The README tells the keys too: each one the menus and shortcuts show, as a whole key (F1
// alone is not found inside Maj+F1).
TEST_F(Clavier, theReadme_namesEveryKeyAsTheMenusShowIt) {
    QFile f(QStringLiteral(BREVANDOUX_SOURCES "/README.md"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(f.readAll());
    const QList<QKeySequence> touches = touchesDe(*fenetre);
    ASSERT_EQ(touches.size(), static_cast<qsizetype>(std::size(kMenus) + 2));
    for (const QKeySequence& t : touches) {
        const QString texte = t.toString(QKeySequence::NativeText);
        const QRegularExpression cle(QStringLiteral("(?<![\\w+])") + QRegularExpression::escape(texte) +
                                     QStringLiteral("(?![\\w+])"));
        EXPECT_TRUE(readme.contains(cle)) << texte.toStdString();
    }
}

}  // namespace
