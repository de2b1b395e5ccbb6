// The main window's controls, its two modes and its default button.

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include "ui/liste_fiches.h"
#include "tests/support/fenetre_commune.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/updown.h"

namespace {

// The controls edit mode shuts, as the user knows them by name.
const char* const kControlesDuMode[] = {
    "ButtonImpFiche", "newbase", "debut",    "fin",      "UpDown",   "ButtonQuit",
    "nouvelle",       "listalfa", "ouvrir",  "sauver",   "trialfa",  "triref",
    "supprime",       "goButton", "ButtonPrintList", "modif", "savemybase", "medialist"};

QWidget* controle(TForm1& f, const char* nom) {
    auto* w = f.findChild<QWidget*>(QString::fromLatin1(nom));
    EXPECT_NE(w, nullptr) << nom;
    return w;
}

QColor fondDe(QWidget* w) { return w->palette().color(QPalette::Base); }
QColor infobulle() { return QApplication::palette().color(QPalette::ToolTipBase); }
QColor blanc() { return QApplication::palette().color(QPalette::Base); }

using FenetreInitiale = FenetreTest;

TEST_F(FenetreInitiale, window_hasItsCaptionNameAndIcon) {
    EXPECT_EQ(fenetre->windowTitle(), "Brevandoux");
    EXPECT_EQ(fenetre->objectName(), "Form1");
    EXPECT_FALSE(fenetre->windowIcon().isNull());
}

// The desktop's palette changed while the window is open: each box takes the new colours
// its mode gives it, and the old ones come back with the old palette.
TEST_F(FenetreInitiale, newDesktopPalette_boxesTakeItsColoursForTheirMode) {
    const QPalette avant = QApplication::palette();
    QPalette sombre = avant;
    sombre.setColor(QPalette::ToolTipBase, QColor(40, 40, 30));
    sombre.setColor(QPalette::Base, QColor(20, 20, 20));
    fenetre->verrouiller();
    QApplication::setPalette(sombre);
    QCoreApplication::processEvents();
    EXPECT_EQ(fondDe(fenetre->medialist()), QColor(40, 40, 30));
    EXPECT_EQ(fondDe(fenetre->titre()), QColor(20, 20, 20));
    fenetre->deverrouiller();
    EXPECT_EQ(fondDe(fenetre->titre()), QColor(40, 40, 30));
    QApplication::setPalette(avant);
    QCoreApplication::processEvents();
    EXPECT_EQ(fondDe(fenetre->medialist()), avant.color(QPalette::ToolTipBase));
    EXPECT_EQ(fondDe(fenetre->titre()), avant.color(QPalette::ToolTipBase));
}

TEST_F(FenetreInitiale, controls_sitAtTheirPlacesWithTheirCaptions) {
    struct Attendu {
        const char* nom;
        QRect rect;
        const char* texte;  // nullptr: not checked
    };
    const Attendu attendus[] = {
        {"Label2", {0, 0, 63, 16}, "Reference"},
        {"Label5", {286, 448, 100, 48}, "rechercher dans toutes les entrées"},
        {"numero", {0, 20, 60, 24}, "0"},
        {"titre", {69, 20, 178, 24}, "titre"},
        {"position", {276, 20, 40, 24}, "0"},
        {"total", {325, 20, 41, 24}, "0"},
        {"chemin", {394, 10, 296, 24}, ""},
        {"expression", {394, 453, 178, 24}, ""},
        {"description", {79, 276, 178, 178}, nullptr},
        {"medialist", {394, 49, 296, 346}, nullptr},
        {"UpDown", {7, 59, 61, 60}, nullptr},
        {"GroupBox1", {69, 49, 198, 208}, nullptr},
        {"Imagevue", {10, 20, 178, 178}, nullptr},
        {"ButtonQuit", {7, 454, 61, 30}, "&Quitter"},
        {"sauver", {271, 210, 119, 31}, "&Sauver base sous"},
        {"triref", {271, 286, 119, 30}, "Tri &referentiel"},
        {"nouvelle", {263, 325, 64, 31}, "Ajouter"},
        {"goButton", {581, 450, 109, 31}, "trou&ver"},
        {"ButtonImpFiche", {105, 460, 131, 24}, "Imprimer la fiche"},
    };
    for (const Attendu& a : attendus) {
        SCOPED_TRACE(a.nom);
        QWidget* w = controle(*fenetre, a.nom);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), a.rect);
        if (a.texte == nullptr) continue;
        const QString attendu = QString::fromUtf8(a.texte);
        if (auto* l = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(l->text(), attendu);
        }
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(e->text(), attendu);
        }
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), attendu);
        }
    }
    EXPECT_EQ(fenetre->Imagevue()->parentWidget(), fenetre->GroupBox1());
    EXPECT_EQ(fenetre->GroupBox1()->title(), "Vue");
    EXPECT_TRUE(fenetre->description()->toPlainText().isEmpty());
}

TEST_F(FenetreInitiale, buttonsAndBoxes_startInBrowseModeWithSaveDisabled) {
    for (QWidget* w : {static_cast<QWidget*>(fenetre->image()), static_cast<QWidget*>(fenetre->valider()),
                       static_cast<QWidget*>(fenetre->annuler())}) {
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(fenetre->savemybase()->isEnabled());
    EXPECT_TRUE(fenetre->titre()->isReadOnly());
    EXPECT_TRUE(fenetre->description()->isReadOnly());
    EXPECT_TRUE(fenetre->chemin()->isReadOnly());
    for (QLineEdit* e : {fenetre->numero(), fenetre->position(), fenetre->total(), fenetre->expression()}) {
        EXPECT_FALSE(e->isReadOnly()) << e->objectName().toStdString();
    }
    EXPECT_EQ(fenetre->titre()->maxLength(), 255);
    EXPECT_EQ(fenetre->expression()->maxLength(), 255);
    EXPECT_EQ(fondDe(fenetre->numero()), infobulle());
    EXPECT_EQ(fondDe(fenetre->titre()), infobulle());
    EXPECT_EQ(fondDe(fenetre->description()), infobulle());
    EXPECT_EQ(fondDe(fenetre->medialist()), infobulle());
    EXPECT_EQ(fondDe(fenetre->expression()), blanc());
    EXPECT_FALSE(fenetre->goButton()->isDefault());
    EXPECT_EQ(fenetre->boutonParDefaut(), nullptr);
}

TEST_F(FenetreInitiale, looks_followTheLayout) {
    struct Aspect {
        const char* nom;
        QColor couleur;
        int pixels;
        bool gras;
        bool italique;
    };
    const Aspect aspects[] = {
        {"Label2", QColor(255, 0, 0), 15, false, false},
        {"Label1", QColor(0, 0, 128), 15, false, false},
        {"Label5", QColor(0, 0, 255), 15, false, false},
        {"valider", QColor(255, 0, 0), 15, true, false},
        {"image", QColor(0, 0, 128), 15, true, false},
        {"ButtonPrintList", QColor(0, 0, 0), 15, true, true},
        {"debut", QColor(), 14, false, false},
    };
    for (const Aspect& a : aspects) {
        SCOPED_TRACE(a.nom);
        QWidget* w = controle(*fenetre, a.nom);
        const QPalette::ColorRole role =
            qobject_cast<QPushButton*>(w) ? QPalette::ButtonText : QPalette::WindowText;
        if (a.couleur.isValid()) {
            EXPECT_EQ(w->palette().color(role), a.couleur);
        }
        EXPECT_EQ(w->font().pixelSize(), a.pixels);
        EXPECT_EQ(w->font().bold(), a.gras);
        EXPECT_EQ(w->font().italic(), a.italique);
    }
    EXPECT_TRUE(fenetre->Label5()->wordWrap());
}

TEST_F(FenetreInitiale, tabKey_visitsTheControlsInTheirOrder) {
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    fenetre->ButtonQuit()->setFocus();
    QStringList visites{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 22; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visites << QApplication::focusWidget()->objectName();
    }
    // Hidden Image, Valider and Annuler and the disabled "Sauver base" are skipped.
    EXPECT_EQ(visites, (QStringList{"ButtonQuit", "numero", "debut", "fin", "listalfa", "newbase",
                                    "ouvrir", "sauver", "trialfa", "triref", "supprime", "total",
                                    "position", "medialist", "expression", "goButton", "titre",
                                    "description", "modif", "chemin", "ButtonPrintList",
                                    "ButtonImpFiche", "ButtonQuit"}));
}

TEST_F(FenetreInitiale, rightClickInDescription_opensItsPopupMenuOnly) {
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    emit fenetre->titre()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_FALSE(fenetre->PopupMenu()->isVisible());
    emit fenetre->description()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(fenetre->PopupMenu()->isVisible());
    fenetre->PopupMenu()->hide();
}

// --- modes ---

using Modes = FenetreTest;

TEST_F(Modes, verrouiller_opensTheCardAndShutsTheEighteenControls) {
    fenetre->verrouiller();
    for (const char* nom : kControlesDuMode) EXPECT_FALSE(controle(*fenetre, nom)->isEnabled()) << nom;
    for (QWidget* w : {static_cast<QWidget*>(fenetre->image()), static_cast<QWidget*>(fenetre->valider()),
                       static_cast<QWidget*>(fenetre->annuler())}) {
        EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(fenetre->titre()->isReadOnly());
    EXPECT_FALSE(fenetre->description()->isReadOnly());
    EXPECT_EQ(fondDe(fenetre->titre()), blanc());
    EXPECT_EQ(fondDe(fenetre->description()), blanc());
    // Not touched by either mode.
    EXPECT_EQ(fondDe(fenetre->numero()), infobulle());
    EXPECT_FALSE(fenetre->numero()->isReadOnly());
    EXPECT_TRUE(fenetre->chemin()->isReadOnly());
    EXPECT_TRUE(fenetre->expression()->isEnabled());
    EXPECT_TRUE(fenetre->ouvrir1()->isEnabled());
    EXPECT_TRUE(fenetre->MainMenu1()->isEnabled());
}

TEST_F(Modes, deverrouiller_restoresBrowseModeAndEnablesSave) {
    for (int fois = 1; fois <= 2; ++fois) {
        SCOPED_TRACE(fois);
        fenetre->verrouiller();
        if (fois == 2) fenetre->verrouiller();
        fenetre->deverrouiller();
        if (fois == 2) fenetre->deverrouiller();
        for (const char* nom : kControlesDuMode) EXPECT_TRUE(controle(*fenetre, nom)->isEnabled()) << nom;
        EXPECT_TRUE(fenetre->image()->isHidden());
        EXPECT_TRUE(fenetre->valider()->isHidden());
        EXPECT_TRUE(fenetre->annuler()->isHidden());
        EXPECT_TRUE(fenetre->titre()->isReadOnly());
        EXPECT_TRUE(fenetre->description()->isReadOnly());
        EXPECT_EQ(fondDe(fenetre->titre()), infobulle());
        EXPECT_EQ(fondDe(fenetre->description()), infobulle());
    }
}

// --- default button ---

class BoutonParDefaut : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        QObject::connect(fenetre->goButton(), &QPushButton::clicked, [this] { ++recherches; });
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    }
    void entree(QWidget* w) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
    }
    int recherches = 0;
};

TEST_F(BoutonParDefaut, enterBeforeTheSearchTextChanged_pressesNothing) {
    entree(fenetre->numero());
    entree(fenetre->expression());
    EXPECT_EQ(recherches, 0);
}

TEST_F(BoutonParDefaut, enterAfterTheSearchTextChanged_pressesGoFromEverySingleLineBoxAndTheList) {
    QTest::keyClicks(fenetre->expression(), "chat");
    EXPECT_EQ(fenetre->boutonParDefaut(), fenetre->goButton());
    EXPECT_TRUE(fenetre->goButton()->isDefault());
    int attendu = 0;
    for (QWidget* w : {static_cast<QWidget*>(fenetre->numero()), static_cast<QWidget*>(fenetre->expression()),
                       static_cast<QWidget*>(fenetre->position()), static_cast<QWidget*>(fenetre->total()),
                       static_cast<QWidget*>(fenetre->chemin()), static_cast<QWidget*>(fenetre->titre()),
                       static_cast<QWidget*>(fenetre->medialist())}) {
        entree(w);
        EXPECT_EQ(recherches, ++attendu) << w->objectName().toStdString();
    }
    // The keypad's Enter too.
    QTest::keyClick(fenetre->numero(), Qt::Key_Enter);
    EXPECT_EQ(recherches, attendu + 1);
}

TEST_F(BoutonParDefaut, enterInEditMode_pressesNothingUntilBrowseModeReturns) {
    fenetre->verrouiller();
    QTest::keyClicks(fenetre->expression(), "x");
    entree(fenetre->numero());
    EXPECT_EQ(recherches, 0);
    fenetre->deverrouiller();
    entree(fenetre->numero());
    EXPECT_EQ(recherches, 1);
}

TEST_F(BoutonParDefaut, enterInDescription_insertsALineBreakAndNeverSearches) {
    fenetre->expression()->setText("x");
    fenetre->verrouiller();
    fenetre->deverrouiller();
    fenetre->verrouiller();
    fenetre->goButton()->setEnabled(true);  // even with the search button available
    fenetre->description()->setFocus();
    QTest::keyClicks(fenetre->description(), "ab");
    QTest::keyClick(fenetre->description(), Qt::Key_Return);
    QTest::keyClicks(fenetre->description(), "c");
    EXPECT_EQ(fenetre->description()->toPlainText(), "ab\nc");
    EXPECT_EQ(recherches, 0);
    // Read-only in browse mode: Enter still does not search.
    fenetre->deverrouiller();
    entree(fenetre->description());
    EXPECT_EQ(recherches, 0);
}

// --- description limit ---

class LimiteDescription : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
        fenetre->verrouiller();
        memo()->setFocus();
    }
    Memo* memo() { return fenetre->description(); }
    std::size_t octets() { return octetsEnFiche(memo()->toPlainText().toStdString()); }
    void coller(const QString& texte) {
        auto* donnees = new QMimeData;
        donnees->setText(texte);
        QApplication::clipboard()->setMimeData(donnees);
        memo()->paste();
    }
};

TEST_F(LimiteDescription, typing_stopsAt511Bytes) {
    memo()->setPlainText(QString(509, 'a'));
    memo()->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo(), "bcd");
    EXPECT_EQ(memo()->toPlainText(), QString(509, 'a') + "bc");
    EXPECT_EQ(octets(), 511u);
}

TEST_F(LimiteDescription, lineBreak_countsAsTwoBytes) {
    struct Cas {
        int avant;
        bool accepte;
    };
    for (const Cas c : {Cas{509, true}, Cas{510, false}}) {
        SCOPED_TRACE(c.avant);
        memo()->setPlainText(QString(c.avant, 'a'));
        memo()->moveCursor(QTextCursor::End);
        QTest::keyClick(memo(), Qt::Key_Return);
        EXPECT_EQ(memo()->toPlainText().contains('\n'), c.accepte);
        EXPECT_LE(octets(), 511u);
    }
}

TEST_F(LimiteDescription, typingOverASelection_countsWhatItReplaces) {
    memo()->setPlainText(QString(511, 'a'));
    memo()->selectAll();
    QTest::keyClicks(memo(), "z");
    EXPECT_EQ(memo()->toPlainText(), "z");
}

TEST_F(LimiteDescription, pasting_keepsTheStartThatFits) {
    struct Cas {
        int avant;
        QString colle;
        QString attendu;
    };
    const Cas cas[] = {
        {500, QString(20, 'b'), QString(500, 'a') + QString(11, 'b')},
        // CR LF from other programs is one line break, two bytes.
        {505, "x\r\ny\r\nz", QString(505, 'a') + "x\ny\n"},
        {509, "x\r\ny", QString(509, 'a') + "x"},
        {508, "x\r\ny", QString(508, 'a') + "x\n"},
        {511, "q", QString(511, 'a')},
        // Accented letters take one byte each, as Windows-1252 stores them.
        {506, QString::fromUtf8("éèàçùô"), QString(506, 'a') + QString::fromUtf8("éèàçù")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.colle.toStdString());
        memo()->setPlainText(QString(c.avant, 'a'));
        memo()->moveCursor(QTextCursor::End);
        coller(c.colle);
        EXPECT_EQ(memo()->toPlainText().toStdString(), c.attendu.toStdString());
        EXPECT_LE(octets(), 511u);
    }
}

// --- spinner ---

TEST(UpDown, arrows_reportWhichOneWasPressedEvenAtTheLimits) {
    TUpDown spin;
    spin.resize(61, 60);
    spin.show();
    QSignalSpy espion(&spin, &TUpDown::clicked);
    EXPECT_LT(spin.flecheHaut()->geometry().top(), spin.flecheBas()->geometry().top());
    spin.flecheHaut()->click();
    spin.flecheBas()->click();
    spin.flecheBas()->click();
    spin.flecheBas()->click();  // past 0
    ASSERT_EQ(espion.size(), 4);
    EXPECT_TRUE(espion.at(0).at(0).toBool());
    EXPECT_FALSE(espion.at(1).at(0).toBool());
    EXPECT_FALSE(espion.at(3).at(0).toBool());
    EXPECT_EQ(spin.position(), 0);
}

}  // namespace
