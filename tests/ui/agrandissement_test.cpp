// The option "agrandir la liste et la description avec la fenêtre": the layout as it grows with
// the window, as it comes back when the option is turned off, and what is remembered.

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <set>
#include <utility>

#include "tests/support/fenetre_commune.h"
#include "ui/cadre_image.h"

namespace {

// The controls of the client area, in the order the window creates them: the same order in
// every window, so that two windows can be compared control by control.
QList<QWidget*> controles(const TForm1& f) {
    return f.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

QList<QRect> places(const TForm1& f) {
    QList<QRect> r;
    for (const QWidget* w : controles(f)) r << w->geometry();
    return r;
}

// The pairs of controls that overlap (by their index in controles()).
std::set<std::pair<int, int>> chevauchements(const QList<QRect>& p) {
    std::set<std::pair<int, int>> paires;
    for (int i = 0; i < p.size(); ++i) {
        for (int j = i + 1; j < p.size(); ++j) {
            if (p[i].intersects(p[j])) paires.insert({i, j});
        }
    }
    return paires;
}

class Agrandir : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        fraiche = std::make_unique<TForm1>(plateforme);
        decrite = fraiche->size();
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }
    QAction* option() const { return fenetre->agrandirlalisteetladescriptionaveclafenetre1(); }
    void redimensionner(QSize taille) {
        fenetre->resize(taille);
        QCoreApplication::processEvents();
        ASSERT_EQ(fenetre->size(), taille);
    }
    QRect place(const char* nom) const {
        auto* w = fenetre->findChild<QWidget*>(QString::fromLatin1(nom));
        EXPECT_NE(w, nullptr) << nom;
        return w != nullptr ? w->geometry() : QRect();
    }

    // A window as it is built, never shown nor resized: the described layout.
    std::unique_ptr<TForm1> fraiche;
    QSize decrite;
};

TEST_F(Agrandir, option_isOffAtFirst_andResizingThenMovesNothing) {
    EXPECT_TRUE(option()->isCheckable());
    EXPECT_FALSE(option()->isChecked());
    EXPECT_EQ(decrite, QSize(709, 527));
    for (const QSize taille : {QSize(1200, 800), QSize(500, 300), QSize(1920, 1040)}) {
        SCOPED_TRACE(taille.width());
        redimensionner(taille);
        EXPECT_EQ(places(*fenetre), places(*fraiche));
    }
}

TEST_F(Agrandir, on_givesTheSurplusToTheCardMostAndTheListSome_buttonsKeepSizesAndOrder) {
    option()->trigger();
    ASSERT_TRUE(option()->isChecked());
    const QList<QRect> avant = places(*fraiche);
    const auto chevauchentAvant = chevauchements(avant);
    const auto decritePlace = [&](const char* nom) {
        return fraiche->findChild<QWidget*>(QString::fromLatin1(nom))->geometry();
    };
    // The window at 1280 x 800, 1920 x 1080 and 2560 x 1440 less a desktop's bars.
    for (const QSize taille : {QSize(1280, 760), QSize(1920, 1040), QSize(2560, 1400)}) {
        SCOPED_TRACE(QString("%1 x %2").arg(taille.width()).arg(taille.height()).toStdString());
        redimensionner(taille);
        const int dx = taille.width() - decrite.width(), dy = taille.height() - decrite.height();
        const QRect cadre = place("GroupBox1"), cadreAvant = decritePlace("GroupBox1");
        const QRect liste = place("medialist"), listeAvant = decritePlace("medialist");
        const QRect memo = place("description"), memoAvant = decritePlace("description");
        // The picture takes the largest share of the room, across and downward.
        EXPECT_GE(3 * (cadre.width() - cadreAvant.width()), dx);
        EXPECT_GE(cadre.width() - cadreAvant.width(), liste.width() - listeAvant.width());
        EXPECT_GT(cadre.height() - cadreAvant.height(), memo.height() - memoAvant.height());
        EXPECT_EQ(place("Imagevue").size() - decritePlace("Imagevue").size(), cadre.size() - cadreAvant.size());
        // The title box and the description as wide as the card area grows; the list wider.
        EXPECT_EQ(place("titre").width() - decritePlace("titre").width(), cadre.width() - cadreAvant.width());
        EXPECT_EQ(memo.width() - memoAvant.width(), cadre.width() - cadreAvant.width());
        EXPECT_GT(memo.height(), memoAvant.height());
        EXPECT_GE(liste.width(), listeAvant.width() + dx / 4);
        EXPECT_EQ(liste.height(), listeAvant.height() + dy);
        // Every button at its size, and the buttons in the same order across and downward.
        const QList<QPushButton*> boutons = fenetre->centralWidget()->findChildren<QPushButton*>();
        for (QPushButton* b : boutons) {
            const QRect r = b->geometry(), d = decritePlace(b->objectName().toLatin1().constData());
            EXPECT_EQ(r.size(), d.size()) << b->objectName().toStdString();
            for (QPushButton* c : boutons) {
                const QRect rc = c->geometry(), dc = decritePlace(c->objectName().toLatin1().constData());
                EXPECT_EQ(r.x() < rc.x(), d.x() < dc.x()) << b->objectName().toStdString() << " " << c->objectName().toStdString();
                EXPECT_EQ(r.y() < rc.y(), d.y() < dc.y()) << b->objectName().toStdString() << " " << c->objectName().toStdString();
            }
        }
        // No control comes over another (the described layout's one-pixel touches stay the
        // only ones), and all stay inside the client area, with the described margins on the
        // right and at the bottom.
        const QList<QRect> apres = places(*fenetre);
        EXPECT_EQ(chevauchements(apres), chevauchentAvant);
        const QRect client = fenetre->centralWidget()->rect();
        QRect tout, toutAvant;
        for (const QRect& r : apres) tout |= r;
        for (const QRect& r : avant) toutAvant |= r;
        EXPECT_TRUE(client.contains(tout));
        EXPECT_EQ(client.right() - tout.right(), fraiche->width() - 1 - toutAvant.right());
        EXPECT_EQ(tout.bottom() - toutAvant.bottom(), dy);
    }
}

// A photo twice as wide as high, in a frame grown out of its square, keeps its proportions and
// leaves bands above and below; at the described size, the option on or off, it fills the
// frame as it always has.
TEST_F(Agrandir, grownFrame_keepsThePicturesProportions_describedFrameStretchesIt) {
    QImage photo(200, 100, QImage::Format_RGB32);
    photo.fill(Qt::red);
    CadreImage* cadre = fenetre->Imagevue();
    cadre->setImage(photo);
    const auto hautRouge = [&] {
        const QImage vu = cadre->grab().toImage();
        EXPECT_EQ(vu.pixelColor(vu.width() / 2, vu.height() / 2), QColor(Qt::red));
        return vu.pixelColor(vu.width() / 2, 1) == QColor(Qt::red);
    };
    EXPECT_TRUE(hautRouge());
    option()->trigger();
    EXPECT_TRUE(hautRouge());
    redimensionner(QSize(1280, 760));
    ASSERT_LT(cadre->width(), 2 * cadre->height());
    EXPECT_FALSE(hautRouge());
    option()->trigger();
    EXPECT_TRUE(hautRouge());
}

TEST_F(Agrandir, on_keepsTheWindowAtLeastAtItsDescribedSize) {
    option()->trigger();
    EXPECT_EQ(fenetre->minimumSize(), decrite);
    fenetre->resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_GE(fenetre->width(), decrite.width());
    EXPECT_GE(fenetre->height(), decrite.height());
    EXPECT_EQ(places(*fenetre), places(*fraiche));
}

TEST_F(Agrandir, off_putsEveryControlAndTheWindowBackAtTheirDescribedPlaces) {
    const QSize minimumAvant = fenetre->minimumSize();
    option()->trigger();
    for (const bool maximisee : {false, true}) {
        SCOPED_TRACE(maximisee);
        if (!option()->isChecked()) option()->trigger();
        redimensionner(QSize(1500, 950));
        if (maximisee) {
            fenetre->showMaximized();
            QCoreApplication::processEvents();
            ASSERT_TRUE(fenetre->isMaximized());
        }
        ASSERT_NE(places(*fenetre), places(*fraiche));
        option()->trigger();
        QCoreApplication::processEvents();
        EXPECT_FALSE(fenetre->isMaximized());
        EXPECT_EQ(fenetre->size(), decrite);
        EXPECT_EQ(places(*fenetre), places(*fraiche));
        EXPECT_EQ(fenetre->minimumSize(), minimumAvant);
        // Off again, a resize moves nothing.
        redimensionner(QSize(1200, 900));
        EXPECT_EQ(places(*fenetre), places(*fraiche));
    }
}

TEST_F(Agrandir, grown_keepsTheTabOrder) {
    option()->trigger();
    redimensionner(QSize(1600, 1000));
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    fenetre->ButtonQuit()->setFocus();
    QStringList visites{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 22; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visites << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visites, (QStringList{"ButtonQuit", "numero", "debut", "fin", "listalfa", "newbase",
                                    "ouvrir", "sauver", "trialfa", "triref", "supprime", "total",
                                    "position", "medialist", "expression", "goButton", "titre",
                                    "description", "modif", "chemin", "ButtonPrintList",
                                    "ButtonImpFiche", "ButtonQuit"}));
}

TEST_F(Agrandir, showingTheRememberedState_isNoChoice_butTheUsersClickIs) {
    // As start-up shows what brevandoux.ini says: grown, yet nothing to write back.
    store().fenetreAgrandie = true;
    option()->setChecked(true);
    EXPECT_FALSE(store().choixFenetre);
    redimensionner(decrite + QSize(100, 50));
    EXPECT_NE(places(*fenetre), places(*fraiche));

    option()->trigger();
    EXPECT_FALSE(store().fenetreAgrandie);
    EXPECT_TRUE(store().choixFenetre);
    EXPECT_EQ(places(*fenetre), places(*fraiche));
    option()->trigger();
    EXPECT_TRUE(store().fenetreAgrandie);
    EXPECT_TRUE(store().choixFenetre);
}

}  // namespace
