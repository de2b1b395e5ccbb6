// Every text of the window, the About box, the help pages and the versions dialog reads at
// 4.5:1 on what lies behind it: on the dark palettes the desktops give (this suite is run again
// under qt6ct's darker scheme and under GTK's Adwaita dark, see tests/CMakeLists.txt), and on
// the light one with "couleurs contrastées" on.

#include <QAbstractItemView>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextEdit>
#include <cmath>

#include "bases/controleur_base.h"
#include "bases/dialogue_versions.h"
#include "bases/modele_differences.h"
#include "platform/fenetre_aide.h"
#include "tests/bases/fenetre_bases.h"
#include "ui/about_box.h"

using namespace bases_test;

namespace {

struct Lu {
    QString ou;
    QColor texte, fond;
};

// The WCAG ratio, computed here from its definition.
double ratio(const QColor& a, const QColor& b) {
    const auto l = [](const QColor& c) {
        const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = l(a), y = l(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor ou(const QBrush& b, const QColor& sinon) { return b.style() == Qt::NoBrush ? sinon : b.color(); }

// Each run of a document with its colour and what lies behind it, and the marks over it.
void lireDocument(const QString& nom, const QTextDocument& d, const QPalette& p,
                  const QList<QTextEdit::ExtraSelection>& marques, std::vector<Lu>& r) {
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        const QColor fondBloc = ou(b.blockFormat().background(), p.color(QPalette::Base));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (it.fragment().text().trimmed().isEmpty()) continue;
            r.push_back({nom + " « " + it.fragment().text().left(20) + " »", ou(f.foreground(), p.color(QPalette::Text)),
                         ou(f.background(), fondBloc)});
        }
    }
    for (const QTextEdit::ExtraSelection& s : marques) {
        r.push_back({nom + " marque", ou(s.format.foreground(), p.color(QPalette::Text)),
                     ou(s.format.background(), p.color(QPalette::Base))});
    }
}

// The colours every enabled text of a window is drawn with (hidden controls too: they show in
// the other mode). Disabled controls are left out, as the rule leaves them.
std::vector<Lu> lire(QWidget& racine) {
    std::vector<Lu> r;
    QList<QWidget*> tous = racine.findChildren<QWidget*>();
    tous.prepend(&racine);
    for (QWidget* w : tous) {
        if (!w->isEnabled()) continue;
        const QPalette p = w->palette();
        const QString nom = racine.objectName() + "/" + (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
        const auto ajouter = [&](QPalette::ColorRole texte, QPalette::ColorRole fond) {
            r.push_back({nom, p.color(QPalette::Active, texte), p.color(QPalette::Active, fond)});
        };
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (!l->text().isEmpty()) ajouter(QPalette::WindowText, QPalette::Window);
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            if (!b->text().isEmpty()) ajouter(QPalette::ButtonText, QPalette::Button);
        } else if (qobject_cast<QGroupBox*>(w)) {
            ajouter(QPalette::WindowText, QPalette::Window);
        } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
            lireDocument(nom, *t->document(), p, t->extraSelections(), r);
        } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
            lireDocument(nom, *t->document(), p, t->extraSelections(), r);
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w)) {
            ajouter(QPalette::Text, QPalette::Base);
        }
    }
    return r;
}

class ContrastePalettes : public FenetreTest {
protected:
    void SetUp() override {
        const bool sombre = qgetenv("BREVANDOUX_PALETTE") == "sombre";
        const QColor fondFenetre = QApplication::palette().color(QPalette::Window);
        if (sombre && fondFenetre.lightnessF() >= 0.5) {
            IGNORER("le thème sombre de " + qgetenv("QT_QPA_PLATFORMTHEME").toStdString() +
                    " n'a pas été chargé (couleur de fenêtre " + fondFenetre.name().toStdString() + ")");
        }
        if (!sombre && fondFenetre.lightnessF() < 0.5) IGNORER("la palette de ce bureau n'est pas claire");
        FenetreTest::SetUp();
        if (!sombre) {
            // Nothing changes on a light palette until the user asks.
            EXPECT_EQ(fenetre->findChild<QWidget*>("Label1")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
            fenetre->couleurscontrastees1()->trigger();
            EXPECT_TRUE(store().couleursContrastees);
        }
    }
    void verifier(QWidget& w, std::size_t auMoins) {
        const std::vector<Lu> lus = lire(w);
        EXPECT_GE(lus.size(), auMoins) << w.objectName().toStdString();
        for (const Lu& l : lus) {
            EXPECT_GE(ratio(l.texte, l.fond), 4.5)
                << l.ou.toStdString() << " : " << l.texte.name().toStdString() << " sur " << l.fond.name().toStdString();
        }
    }
};

TEST_F(ContrastePalettes, windowAboutHelpAndVersions_everyTextReads) {
    // A card found by a search, its word highlighted.
    remplir({{1, "chat", "le chat noir", ""}, {2, "chien", "le chien blanc", ""}});
    fenetre->listalfaClick();
    fenetre->expression()->setText("noir");
    fenetre->goButtonClick();
    fenetre->medialistClick(0);
    ASSERT_FALSE(fenetre->findChild<QPlainTextEdit*>("description")->extraSelections().isEmpty());
    verifier(*fenetre, 30);

    TAboutBox apropos(fenetre.get());
    verifier(apropos, 6);

    FenetreAide aide;
    const QDir pages(QStringLiteral(BREVANDOUX_SOURCES "/assets/aide"));
    for (const QString& page : pages.entryList({QStringLiteral("*.html")})) {
        SCOPED_TRACE(page.toStdString());
        aide.ouvrir(QUrl::fromLocalFile(pages.filePath(page)), {});
        verifier(aide, 20);
    }
    aide.close();

    // The versions dialog comparing a changed card, its differing words marked.
    const std::string autre = chemin("autre.dat");
    ecrireOctets(autre, octetsBase({{1, "chat", "le chat gris", ""}, {3, "souris", "", ""}}));
    plateforme.fichiers.push_back(autre);
    auto d = fenetre->findChild<ControleurBase*>()->dialogueVersions();
    d->comparerAutreClick();
    ASSERT_TRUE(d->compare());
    d->differences()->setCurrentIndex(d->modele()->index(0));
    ASSERT_EQ(d->texteAutre()->extraSelections().size(), 1);
    EXPECT_EQ(d->texteAutre()->extraSelections()[0].cursor.selectedText(), "gris");
    verifier(*d, 10);
}

}  // namespace
