// The menus as the user sees them, and the two documents that list their keys.

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QShortcut>

#include <ostream>
#include <string_view>
#include <vector>

#include "platform/aide.h"
#include "ui/menus.h"
#include "tests/support/fenetre_commune.h"

namespace {

using Menus = FenetreTest;

QString texte(std::string_view t) { return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())); }

// What the user can reach, in the order the bar and then the pop-up menu show it: each menu,
// then each of its items, with the keys as Qt writes them in English.
struct Atteint {
    QString nom, legende, touches;
    bool menu = false, cochable = false, sousMenu = false;
    bool operator==(const Atteint&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Atteint& a) {
    return o << a.nom.toStdString() << "=" << a.legende.toStdString() << " " << a.touches.toStdString()
             << (a.menu ? " menu" : "") << (a.cochable ? " cochable" : "") << (a.sousMenu ? " sous-menu" : "");
}

void parcourir(QMenu* menu, std::vector<Atteint>& vus) {
    vus.push_back({menu->objectName(), menu->title(), {}, true});
    for (QAction* a : menu->actions()) {
        QStringList touches;
        for (const QKeySequence& t : a->shortcuts()) touches << t.toString(QKeySequence::PortableText);
        vus.push_back({a->objectName(), a->text(), touches.join(QStringLiteral("; ")), false, a->isCheckable(),
                       a->menu() != nullptr && a->menu()->objectName() == a->objectName()});
    }
}

// Every row of the table is shown where it belongs, named and captioned, with its keys; and
// no key chooses two things (menu items, or the buttons' own keys).
TEST_F(Menus, everyRowOfTheTable_isReachableNamedAndKeyed_andNoKeyIsUsedTwice) {
    std::vector<Atteint> vus;
    for (QAction* a : fenetre->MainMenu1()->actions()) {
        ASSERT_NE(a->menu(), nullptr) << a->text().toStdString();
        EXPECT_EQ(a->text(), a->menu()->title());
        parcourir(a->menu(), vus);
    }
    parcourir(fenetre->PopupMenu(), vus);

    std::vector<Atteint> table;
    QStringList noms;
    for (const menus::Entree& e : menus::kEntrees) {
        const bool menu = e.sorte == menus::Sorte::Menu || e.sorte == menus::Sorte::Contextuel;
        // The keys as the window reads them, so that a row the toolkit cannot read shows here.
        QStringList touches;
        for (const QKeySequence& t : QKeySequence::listFromString(texte(e.touches), QKeySequence::PortableText)) {
            touches << t.toString(QKeySequence::PortableText);
        }
        table.push_back({texte(e.nom), texte(e.legende), touches.join(QStringLiteral("; ")), menu,
                         e.sorte == menus::Sorte::Cochable, e.sorte == menus::Sorte::SousMenu});
        EXPECT_FALSE(e.nom.empty());
        EXPECT_TRUE(!e.legende.empty() || e.sorte == menus::Sorte::Contextuel) << e.nom;
        EXPECT_FALSE(noms.contains(texte(e.nom))) << "nom en double : " << e.nom;
        noms << texte(e.nom);
    }
    EXPECT_EQ(vus, table);

    QStringList prises;
    for (const QAction* a : fenetre->findChildren<QAction*>()) {
        for (const QKeySequence& t : a->shortcuts()) prises << t.toString(QKeySequence::PortableText);
    }
    for (const QShortcut* r : fenetre->findChildren<QShortcut*>()) prises << r->key().toString(QKeySequence::PortableText);
    ASSERT_FALSE(prises.isEmpty());
    for (const QString& t : prises) EXPECT_EQ(prises.count(t), 1) << "touche en double : " << t.toStdString();
}

// The keys as the menus print them, in French ("Maj" for Shift), several joined by ", ".
QString touchesAffichees(const QAction* a) {
    QStringList touches;
    for (const QKeySequence& t : a->shortcuts()) touches << t.toString(QKeySequence::NativeText);
    return touches.join(QStringLiteral(", "));
}

struct Ligne {
    QString touches;
    QString commande;
};

// The rows of a two-column table of keys, as the document writes them.
std::vector<Ligne> lignesDuTableau(const QString& texte, const QRegularExpression& ligne) {
    std::vector<Ligne> lignes;
    for (auto it = ligne.globalMatch(texte); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        lignes.push_back({m.captured(1).trimmed(), m.captured(2).simplified()});
    }
    return lignes;
}

QString lire(const QString& chemin) {
    QFile f(chemin);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << chemin.toStdString();
    return QString::fromUtf8(f.readAll());
}

// The part of a text from a heading to the end mark after it.
QString section(const QString& texte, const QString& debut, const QString& fin) {
    const qsizetype d = texte.indexOf(debut);
    EXPECT_GE(d, 0) << debut.toStdString();
    const qsizetype f = texte.indexOf(fin, d + debut.size());
    return texte.mid(d, f < 0 ? -1 : f - d);
}

// The README's table under "## Keyboard" and the help's table under "Les touches" list the
// keyed menu commands, in the menus' order, each row the keys then the command's caption (a
// remark may follow it); and both name the buttons' keys (Inser, Suppr) as whole keys.
TEST_F(Menus, theReadmeAndTheHelp_listEveryKeyedCommandAsTheMenusShowIt) {
    std::vector<Ligne> menus;
    for (QAction* m : fenetre->MainMenu1()->actions()) {
        for (QAction* a : m->menu()->actions()) {
            if (!a->shortcuts().isEmpty()) menus.push_back({touchesAffichees(a), a->text()});
        }
    }
    ASSERT_FALSE(menus.empty());

    const QString aide = lire(trouverAide(QStringLiteral("BREVANDOUX.HLP")));
    const QString readme = lire(QStringLiteral(BREVANDOUX_SOURCES "/README.md"));
    const struct {
        const char* document;
        std::vector<Ligne> lignes;
    } documents[] = {
        {"README.md",
         lignesDuTableau(section(readme, QStringLiteral("\n## Keyboard"), QStringLiteral("\n#")),
                         QRegularExpression(QStringLiteral("^\\| ([^|]+) \\| ([^|]+) \\|$"),
                                            QRegularExpression::MultilineOption))},
        {"l'aide",
         lignesDuTableau(section(aide, QStringLiteral("Les touches</h2>"), QStringLiteral("</table>")),
                         QRegularExpression(QStringLiteral("<td class=\"touche\">([^<]+)</td><td>([^<]+)"),
                                            QRegularExpression::DotMatchesEverythingOption))},
    };
    for (const auto& d : documents) {
        SCOPED_TRACE(d.document);
        std::vector<Ligne> lignes = d.lignes;
        // The README's table has a heading (its rule has no spaces and is not read).
        if (!lignes.empty() && lignes.front().touches == QStringLiteral("Key")) lignes.erase(lignes.begin());
        ASSERT_EQ(lignes.size(), menus.size());
        for (std::size_t i = 0; i < menus.size(); ++i) {
            EXPECT_EQ(lignes[i].touches, menus[i].touches);
            EXPECT_TRUE(lignes[i].commande.startsWith(menus[i].commande))
                << lignes[i].commande.toStdString() << " / " << menus[i].commande.toStdString();
        }
    }

    const QList<QShortcut*> boutons = fenetre->findChildren<QShortcut*>();
    ASSERT_EQ(boutons.size(), 2);
    for (QShortcut* r : boutons) {
        const QString texte = r->key().toString(QKeySequence::NativeText);
        EXPECT_TRUE(aide.contains(QStringLiteral("<td class=\"touche\">") + texte + QStringLiteral("</td>")))
            << texte.toStdString();
        const QRegularExpression cle(QStringLiteral("(?<![\\w+])") + QRegularExpression::escape(texte) +
                                     QStringLiteral("(?![\\w+])"));
        EXPECT_TRUE(readme.contains(cle)) << texte.toStdString();
    }
}

}  // namespace
