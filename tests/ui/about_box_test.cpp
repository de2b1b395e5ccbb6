#include "ui/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "tests/support/plateforme_scriptee.h"

namespace {

QColor couleur(const QWidget* w, QPalette::ColorRole role) { return w->palette().color(role); }

int boitesAProposVisibles() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<TAboutBox*>(w) != nullptr && w->isVisible()) ++n;
    }
    return n;
}

TEST(AboutBox, aboutBox_createdHidden_andNotModal) {
    TAboutBox boite;
    EXPECT_FALSE(boite.isVisible());
    EXPECT_FALSE(boite.isModal());
    EXPECT_EQ(boite.objectName(), QStringLiteral("AboutBox"));
}

TEST(AboutBox, aboutBox_caption_andFixedDialogFrame) {
    TAboutBox boite;
    EXPECT_EQ(boite.windowTitle(), QStringLiteral("A propos de Brevandoux"));
    EXPECT_EQ(boite.size(), QSize(298, 209));
    EXPECT_EQ(boite.minimumSize(), QSize(298, 209));
    EXPECT_EQ(boite.maximumSize(), QSize(298, 209));
    const Qt::WindowFlags f = boite.windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowContextHelpButtonHint));
}

TEST(AboutBox, aboutBox_colours_tealBoxGreenPanelBlueTexts) {
    TAboutBox boite;
    EXPECT_EQ(couleur(&boite, QPalette::Window), QColor(0, 128, 128));
    EXPECT_TRUE(boite.autoFillBackground());
    EXPECT_EQ(couleur(boite.Panel1, QPalette::Window), QColor(128, 255, 128));
    EXPECT_TRUE(boite.Panel1->autoFillBackground());
    EXPECT_EQ(boite.Panel1->frameShadow(), QFrame::Sunken);
    for (QLabel* l :
         {boite.ProductName, boite.Version, boite.Copyright, boite.Label1, boite.Comments}) {
        EXPECT_EQ(couleur(l, QPalette::WindowText), QColor(0, 0, 255))
            << l->objectName().toStdString();
    }
    EXPECT_TRUE(boite.ProductName->font().bold());
    EXPECT_FALSE(boite.Version->font().bold());
    EXPECT_TRUE(boite.Label1->font().underline());
    EXPECT_TRUE(boite.Comments->font().underline());
    EXPECT_FALSE(boite.Copyright->font().underline());
}

TEST(AboutBox, aboutBox_controls_atTheirPlaces) {
    TAboutBox boite;
    EXPECT_EQ(boite.Panel1->geometry(), QRect(8, 8, 281, 161));
    EXPECT_EQ(boite.ProgramIcon->geometry(), QRect(16, 8, 33, 57));
    EXPECT_EQ(boite.OKButton->geometry(), QRect(118, 178, 65, 26));
    EXPECT_EQ(boite.ProductName->pos(), QPoint(88, 16));
    EXPECT_EQ(boite.Version->pos(), QPoint(88, 40));
    EXPECT_EQ(boite.Copyright->pos(), QPoint(8, 80));
    EXPECT_EQ(boite.Label1->pos(), QPoint(8, 104));
    EXPECT_EQ(boite.Comments->pos(), QPoint(8, 136));
    EXPECT_TRUE(boite.Comments->wordWrap());
    for (QWidget* w :
         {static_cast<QWidget*>(boite.ProgramIcon), static_cast<QWidget*>(boite.ProductName),
          static_cast<QWidget*>(boite.Version), static_cast<QWidget*>(boite.Copyright),
          static_cast<QWidget*>(boite.Label1), static_cast<QWidget*>(boite.Comments)}) {
        EXPECT_EQ(w->parentWidget(), boite.Panel1) << w->objectName().toStdString();
    }
}

TEST(AboutBox, aboutBox_texts_fitInsideThePanelWithoutOverlap) {
    TAboutBox boite;
    EXPECT_EQ(boite.ProductName->text(), QStringLiteral("Brevandoux"));
    EXPECT_EQ(boite.Version->text(), QStringLiteral("version 1.0"));
    EXPECT_TRUE(boite.Copyright->text().contains(QStringLiteral("2026")));
    EXPECT_TRUE(boite.Copyright->text().contains(QStringLiteral("Brevandoux")));
    // Nothing made up: the licence and where to read it, no placeholder contact.
    EXPECT_EQ(boite.Label1->text(), QStringLiteral("Licence GNU GPL v2 ou ultérieure"));
    EXPECT_EQ(boite.Comments->text(), QStringLiteral("https://www.gnu.org/licenses/gpl-2.0.html"));
    for (QLabel* l : {boite.Copyright, boite.Label1, boite.Comments}) {
        EXPECT_FALSE(l->text().contains(QStringLiteral("example"))) << l->objectName().toStdString();
    }
    EXPECT_EQ(boite.OKButton->text(), QStringLiteral("OK"));

    const QRect interieur = boite.Panel1->contentsRect();
    const QList<QLabel*> textes = {boite.ProductName, boite.Version, boite.Copyright, boite.Label1,
                                   boite.Comments};
    for (QLabel* l : textes) {
        const std::string nom = l->objectName().toStdString();
        EXPECT_TRUE(interieur.contains(l->geometry())) << nom;
        if (l->wordWrap()) {
            EXPECT_GE(l->height(), l->heightForWidth(l->width())) << nom;
        } else {
            EXPECT_GE(l->width(), l->sizeHint().width()) << nom << " is cut";
        }
        for (QLabel* autre : textes) {
            if (autre != l) {
                EXPECT_FALSE(l->geometry().intersects(autre->geometry())) << nom;
            }
        }
    }
}

TEST(AboutBox, aboutBox_programIcon_showsTheEmblemAtItsOwnSize) {
    TAboutBox boite;
    EXPECT_FALSE(boite.ProgramIcon->hasScaledContents());
    const QPixmap p = boite.ProgramIcon->pixmap();
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(p.deviceIndependentSize().toSize(), QSize(35, 61));
}

TEST(AboutBox, emblem_drawsACardFileInItsVisiblePart) {
    for (qreal ratio : {1.0, 2.0}) {
        const QPixmap p = dessinerEmbleme(ratio);
        EXPECT_EQ(p.size(), QSize(35, 61) * ratio);
        const QImage image = p.toImage();
        // The frame shows 33 x 57 pixels of it: most of the drawing must be there.
        int peints = 0;
        for (int y = 0; y < 57 * ratio; ++y) {
            for (int x = 0; x < 33 * ratio; ++x) {
                if (qAlpha(image.pixel(x, y)) > 0) ++peints;
            }
        }
        EXPECT_GT(peints, 33 * 57 * ratio * ratio / 2) << ratio;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corner stays transparent";
    }
}

TEST(AboutBox, montrerAPropos_twice_givesOneBoxRaised) {
    TAboutBox boite;
    QPointer<TAboutBox> garde(&boite);
    montrerAPropos(boite);
    ASSERT_TRUE(boite.isVisible());
    montrerAPropos(boite);
    EXPECT_TRUE(boite.isVisible());
    EXPECT_EQ(boitesAProposVisibles(), 1);
    EXPECT_FALSE(garde.isNull());
    boite.hide();
}

TEST(AboutBox, aboutBox_whenShown_okHasFocusAndIsDefault) {
    TAboutBox boite;
    montrerAPropos(boite);
    EXPECT_TRUE(boite.OKButton->isDefault());
    EXPECT_EQ(boite.focusWidget(), boite.OKButton);
    boite.hide();
}

TEST(AboutBox, aboutBox_enter_hidesIt) {
    TAboutBox boite;
    montrerAPropos(boite);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&boite));
    QTest::keyClick(&boite, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boite.isVisible(); }, 2000));
}

TEST(AboutBox, aboutBox_okButton_hidesIt_andTheSameBoxComesBack) {
    TAboutBox boite;
    montrerAPropos(boite);
    QTest::mouseClick(boite.OKButton, Qt::LeftButton);
    EXPECT_FALSE(boite.isVisible());
    montrerAPropos(boite);
    EXPECT_TRUE(boite.isVisible());
    boite.hide();
}

TEST(AboutBox, aboutBox_closeBox_hidesWithoutDestroying) {
    auto* boite = new TAboutBox;
    QPointer<TAboutBox> garde(boite);
    montrerAPropos(*boite);
    EXPECT_TRUE(boite->close());
    QCoreApplication::processEvents();
    ASSERT_FALSE(garde.isNull());
    EXPECT_FALSE(boite->isVisible());
    montrerAPropos(*boite);
    EXPECT_TRUE(boite->isVisible());
    delete boite;
}

TEST(AboutBox, aboutBox_centredOnTheScreen) {
    TAboutBox boite;
    montrerAPropos(boite);
    const QRect ecran = boite.screen()->availableGeometry();
    const QPoint ecart = boite.frameGeometry().center() - ecran.center();
    EXPECT_LE(std::abs(ecart.x()), 1);
    EXPECT_LE(std::abs(ecart.y()), 1);
    // Moved away and shown again, it comes back to the centre.
    boite.hide();
    boite.move(0, 0);
    montrerAPropos(boite);
    const QPoint ecart2 = boite.frameGeometry().center() - ecran.center();
    EXPECT_LE(std::abs(ecart2.x()), 1);
    EXPECT_LE(std::abs(ecart2.y()), 1);
    boite.hide();
}

TEST(AideGenerale, afficherAideGenerale_asksTheContentsTopicOfTheHelpFile) {
    PlateformeScriptee plateforme;
    afficherAideGenerale(plateforme);
    ASSERT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(plateforme.boites[0], (Boite{"aide", "BREVANDOUX.HLP", "SHM_contents0001"}));
}

}  // namespace
