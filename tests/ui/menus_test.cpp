// The menus as the user sees them, and the two documents that list their keys.

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QShortcut>

#include "platform/aide.h"
#include "tests/support/fenetre_commune.h"

namespace {

using Menus = FenetreTest;

// One line per menu, then one per item: object name, caption, keys as Qt writes them in
// English, "☐" for an unchecked item, "▸" for a submenu (then also its own object name).
QStringList lignesDe(QMenu* menu) {
    QStringList lignes{menu->objectName() + QStringLiteral("=") + menu->title()};
    for (QAction* a : menu->actions()) {
        QString l = QStringLiteral("  ") + a->objectName() + QStringLiteral("=") + a->text();
        if (!a->shortcuts().isEmpty()) {
            QStringList touches;
            for (const QKeySequence& t : a->shortcuts()) touches << t.toString(QKeySequence::PortableText);
            l += QStringLiteral("  ") + touches.join(QStringLiteral("; "));
        }
        if (a->isCheckable()) l += a->isChecked() ? QStringLiteral("  ☑") : QStringLiteral("  ☐");
        if (a->menu() != nullptr) l += QStringLiteral("  ▸") + a->menu()->objectName();
        lignes << l;
    }
    return lignes;
}

TEST_F(Menus, barAndPopup_holdTheirItemsInOrder_withNamesCaptionsAndKeys) {
    EXPECT_EQ(fenetre->MainMenu1()->objectName(), "MainMenu1");
    QStringList vu;
    for (QAction* a : fenetre->MainMenu1()->actions()) vu << lignesDe(a->menu());
    vu << lignesDe(fenetre->PopupMenu());
    const QStringList attendu = {
        "fichier=fichier",
        "  ouvrir1=ouvrir base  Ctrl+O",
        "  nouveau1=nouvelle base  Ctrl+N",
        "  enregister1=enregister base  Ctrl+S",
        "  enregistrersous1=enregistrer base sous  Ctrl+Shift+S",
        "  convertircaldoverne1=importer base caldoverne  Ctrl+I",
        "  Ajouterdesfiches1=Ajouter des fiches  Ctrl+Shift+A",
        "  exporterlabase1=exporter la base…  Ctrl+E",
        "  importeruntableauCSV1=importer un tableau CSV…  Ctrl+Shift+I",
        "  versionsprecedentes1=versions précédentes…",
        "  basesrecentes1=bases récentes  ▸basesrecentes1",
        "  quitter1=quitter  Ctrl+Q",
        "edition1=édition",
        "  annuler1=annuler  Ctrl+Z",
        "  retablir1=rétablir  Ctrl+Shift+Z; Ctrl+Y",
        "  dupliquerlafiche1=dupliquer la fiche  Ctrl+D",
        "  rechercherlesdoublons1=rechercher les doublons…",
        "affichage1=affichage",
        "  planchedesimages1=planche des images  Ctrl+G",
        "options1=options",
        "  rechercheSansAccents1=rechercher sans tenir compte des accents  Ctrl+Shift+R  ☐",
        "  agrandirlalisteetladescriptionaveclafenetre1=agrandir la liste et la description avec la fenêtre  ☐",
        "  apercuavantimpression1=aperçu avant impression  ☐",
        "aide1=aide",
        "  aidesurcaldoverne1=aide sur Brevandoux  F1",
        "  propos1=à propos  Shift+F1",
        "PopupMenu=",
        "  couper1=Couper",
        "  Copier1=Copier",
        "  Coler1=Coller",
    };
    EXPECT_EQ(vu, attendu);
    // The menu bar shows the menus' captions.
    QStringList barre;
    for (QAction* a : fenetre->MainMenu1()->actions()) barre << a->text();
    EXPECT_EQ(barre, (QStringList{"fichier", "édition", "affichage", "options", "aide"}));
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
