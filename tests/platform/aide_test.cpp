#include "platform/aide.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include "platform/fenetre_aide.h"
#include "platform/plateforme_qt.h"
#include "tests/support/plateforme_scriptee.h"

namespace {

const QString kFichier = QStringLiteral("BREVANDOUX.HLP");
const QString kSommaire = QStringLiteral("SHM_contents0001");

void ecrire(const QString& chemin, const QByteArray& contenu) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

QString lire(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The page of the shipped help, as the program finds it.
QString pageLivree() { return trouverAide(kFichier); }

// Clicks the link whose text is given, as the user does.
void cliquerLien(QTextBrowser* navigateur, const QString& texte) {
    QTextDocument* doc = navigateur->document();
    const QTextCursor trouve = doc->find(texte);
    ASSERT_FALSE(trouve.isNull()) << texte.toStdString();
    QTextCursor milieu(doc);
    milieu.setPosition((trouve.selectionStart() + trouve.selectionEnd()) / 2);
    navigateur->setTextCursor(milieu);
    navigateur->ensureCursorVisible();
    const QPoint point = navigateur->cursorRect(milieu).center();
    ASSERT_FALSE(navigateur->anchorAt(point).isEmpty()) << texte.toStdString() << " is no link";
    QTest::mouseClick(navigateur->viewport(), Qt::LeftButton, {}, point);
}

// Answers the next modal box and keeps its title and text.
struct BoiteAttendue {
    QString titre;
    QString texte;
    void repondre() {
        QTimer::singleShot(0, [this] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (boite == nullptr) return;
            titre = boite->windowTitle();
            texte = boite->text();
            boite->button(QMessageBox::Ok)->click();
        });
    }
};

TEST(TrouverAide, trouverAide_findsThePageWithoutRegardToCase) {
    QTemporaryDir dossier;
    ecrire(dossier.filePath(QStringLiteral("brevandoux.txt")), "pas une page");
    ecrire(dossier.filePath(QStringLiteral("BrevanDoux.HTML")), "<html></html>");
    EXPECT_EQ(trouverAide(kFichier, {dossier.path()}),
              QFileInfo(dossier.filePath(QStringLiteral("BrevanDoux.HTML"))).absoluteFilePath());
    EXPECT_EQ(trouverAide(QStringLiteral("brevandoux.hlp"), {dossier.path()}),
              trouverAide(kFichier, {dossier.path()}));
}

TEST(TrouverAide, trouverAide_takesTheFirstFolderThatHasIt) {
    QTemporaryDir vide, premier, second;
    ecrire(premier.filePath(QStringLiteral("brevandoux.html")), "1");
    ecrire(second.filePath(QStringLiteral("brevandoux.html")), "2");
    EXPECT_EQ(trouverAide(kFichier, {vide.path(), premier.path(), second.path()}),
              premier.filePath(QStringLiteral("brevandoux.html")));
}

TEST(TrouverAide, trouverAide_missingFoldersOrPage_givesNothing) {
    QTemporaryDir dossier;
    ecrire(dossier.filePath(QStringLiteral("autre.html")), "<html></html>");
    EXPECT_TRUE(trouverAide(kFichier, {dossier.filePath(QStringLiteral("absent"))}).isEmpty());
    EXPECT_TRUE(trouverAide(kFichier, {dossier.path()}).isEmpty());
    EXPECT_TRUE(trouverAide(QString(), {dossier.path()}).isEmpty());
}

TEST(TrouverAide, trouverSujet_findsTheAnchorInTheHelpPageFirstThenInTheOthers) {
    QTemporaryDir dossier;
    const QString page = dossier.filePath(QStringLiteral("brevandoux.html"));
    ecrire(page, "<h1><a name=\"Sommaire1\"></a>Aide</h1><p id='commun'>x</p>");
    ecrire(dossier.filePath(QStringLiteral("a.html")), "<a name=\"commun\"></a><A NAME='Bases2'>");
    ecrire(dossier.filePath(QStringLiteral("notes.txt")), "<a name=\"texte\"></a>");

    QUrl attendu = QUrl::fromLocalFile(page);
    attendu.setFragment(QStringLiteral("Sommaire1"));
    EXPECT_EQ(trouverSujet(page, QStringLiteral("sommaire1")), attendu);
    attendu.setFragment(QStringLiteral("commun"));
    EXPECT_EQ(trouverSujet(page, QStringLiteral("commun")), attendu);

    const QUrl autre = trouverSujet(page, QStringLiteral("bases2"));
    EXPECT_EQ(autre.toLocalFile(),
              QFileInfo(dossier.filePath(QStringLiteral("a.html"))).absoluteFilePath());
    EXPECT_EQ(autre.fragment(), QStringLiteral("Bases2"));

    EXPECT_TRUE(trouverSujet(page, QStringLiteral("texte")).isEmpty());
    EXPECT_TRUE(trouverSujet(page, QStringLiteral("absent")).isEmpty());
    EXPECT_EQ(trouverSujet(page, QString()), QUrl::fromLocalFile(page));
}

TEST(AideLivree, shippedHelp_isFound_withItsContentsTopicInItsFirstPage) {
    const QString page = pageLivree();
    ASSERT_FALSE(page.isEmpty()) << "the help pages are not found";
    const QUrl sujet = trouverSujet(page, kSommaire);
    EXPECT_EQ(sujet.toLocalFile(), page);
    EXPECT_EQ(sujet.fragment(), kSommaire);
}

TEST(AideLivree, shippedHelp_hasATopicForEveryCommandGroup) {
    const QString page = pageLivree();
    ASSERT_FALSE(page.isEmpty());
    const QStringList sujets = {
        QStringLiteral("SHM_bases0002"),       QStringLiteral("SHM_fiches0003"),
        QStringLiteral("SHM_liste0004"),       QStringLiteral("SHM_impression0005"),
        QStringLiteral("SHM_importation0006"), QStringLiteral("SHM_configuration0007")};
    const QString sommaire = lire(page);
    for (const QString& s : sujets) {
        const QUrl adresse = trouverSujet(page, s);
        ASSERT_FALSE(adresse.isEmpty()) << s.toStdString();
        EXPECT_NE(adresse.toLocalFile(), page) << s.toStdString() << " has a page of its own";
        EXPECT_TRUE(sommaire.contains(adresse.fileName() + QLatin1Char('#') + s))
            << "the contents page links to " << s.toStdString();
    }
}

TEST(AideLivree, shippedHelp_everyLinkLeadsToAnExistingPageAndAnchor) {
    const QString page = pageLivree();
    ASSERT_FALSE(page.isEmpty());
    const QDir dossier = QFileInfo(page).absoluteDir();
    static const QRegularExpression lien(QStringLiteral("href=\"([^\"]*)\""));
    int liens = 0;
    for (const QFileInfo& f : dossier.entryInfoList({QStringLiteral("*.html")}, QDir::Files)) {
        const QString html = lire(f.absoluteFilePath());
        EXPECT_TRUE(html.contains(QStringLiteral("charset=utf-8"))) << f.fileName().toStdString();
        for (auto it = lien.globalMatch(html); it.hasNext();) {
            const QUrl cible =
                QUrl::fromLocalFile(f.absoluteFilePath()).resolved(QUrl(it.next().captured(1)));
            const std::string nom =
                f.fileName().toStdString() + " -> " + cible.toString().toStdString();
            ASSERT_TRUE(cible.isLocalFile()) << nom;
            ASSERT_TRUE(QFileInfo::exists(cible.toLocalFile())) << nom;
            if (cible.hasFragment()) {
                EXPECT_EQ(trouverSujet(cible.toLocalFile(), cible.fragment()).toLocalFile(),
                          cible.toLocalFile())
                    << nom;
            }
            ++liens;
        }
    }
    EXPECT_GT(liens, 20);
}

TEST(FenetreAide, ouvrirAide_opensTheHelpWindowAtTheContentsTopic) {
    QPointer<FenetreAide> fenetre;
    PlateformeScriptee messages;
    ouvrirAide(fenetre, dossiersAide(), kFichier, kSommaire, messages);
    ASSERT_FALSE(fenetre.isNull());
    EXPECT_TRUE(messages.boites.empty());
    EXPECT_TRUE(fenetre->isVisible());
    EXPECT_EQ(fenetre->windowTitle(), QStringLiteral("Aide de Brevandoux"));
    EXPECT_EQ(fenetre->source().toLocalFile(), pageLivree());
    EXPECT_EQ(fenetre->source().fragment(), kSommaire);
    EXPECT_TRUE(
        fenetre->navigateur()->toPlainText().contains(QStringLiteral("Aide de Brevandoux")));
    delete fenetre.data();
}

TEST(FenetreAide, fenetreAide_followingALink_showsTheOtherTopic_andBackReturns) {
    QPointer<FenetreAide> fenetre;
    PlateformeScriptee messages;
    ouvrirAide(fenetre, dossiersAide(), kFichier, kSommaire, messages);
    ASSERT_FALSE(fenetre.isNull());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.data()));
    QTextBrowser* navigateur = fenetre->navigateur();

    cliquerLien(navigateur, QStringLiteral("Les bases"));
    EXPECT_EQ(fenetre->source().fileName(), QStringLiteral("bases.html"));
    EXPECT_EQ(fenetre->source().fragment(), QStringLiteral("SHM_bases0002"));
    EXPECT_TRUE(navigateur->toPlainText().contains(QStringLiteral("répertoire d'images")));

    QPushButton* retour = nullptr;
    QPushButton* sommaire = nullptr;
    for (QPushButton* b : fenetre->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("&Précédent")) retour = b;
        if (b->text() == QStringLiteral("&Sommaire")) sommaire = b;
    }
    ASSERT_NE(retour, nullptr);
    ASSERT_NE(sommaire, nullptr);
    ASSERT_TRUE(retour->isEnabled());
    retour->click();
    EXPECT_EQ(fenetre->source().fileName(), QStringLiteral("brevandoux.html"));

    // From another page, "Sommaire" comes back to the first page of the help.
    cliquerLien(navigateur, QStringLiteral("Configuration"));
    EXPECT_EQ(fenetre->source().fileName(), QStringLiteral("configuration.html"));
    sommaire->click();
    EXPECT_EQ(fenetre->source().toLocalFile(), pageLivree());
    delete fenetre.data();
}

TEST(FenetreAide, ouvrirAide_again_keepsOneWindowAndGoesToTheTopic) {
    QPointer<FenetreAide> fenetre;
    PlateformeScriptee messages;
    ouvrirAide(fenetre, dossiersAide(), kFichier, QStringLiteral("SHM_liste0004"), messages);
    ASSERT_FALSE(fenetre.isNull());
    FenetreAide* premiere = fenetre.data();
    EXPECT_EQ(fenetre->source().fileName(), QStringLiteral("liste.html"));
    ouvrirAide(fenetre, dossiersAide(), kFichier, kSommaire, messages);
    EXPECT_EQ(fenetre.data(), premiere);
    EXPECT_EQ(fenetre->source().fileName(), QStringLiteral("brevandoux.html"));
    EXPECT_TRUE(messages.boites.empty());
    delete fenetre.data();
}

TEST(FenetreAide, ouvrirAide_missingHelpFile_saysSoInFrench_andOpensNothing) {
    QTemporaryDir dossier;
    QPointer<FenetreAide> fenetre;
    PlateformeScriptee messages;
    ouvrirAide(fenetre, {dossier.filePath(QStringLiteral("absent")), dossier.path()}, kFichier,
               kSommaire, messages);
    EXPECT_TRUE(fenetre.isNull());
    ASSERT_EQ(messages.boites.size(), 1u);
    EXPECT_EQ(messages.boites[0].genre, "message");
    EXPECT_EQ(messages.boites[0].texte,
              "Le fichier d'aide BREVANDOUX.HLP est introuvable : l'aide de Brevandoux n'est pas "
              "installée.");
}

TEST(FenetreAide, ouvrirAide_unknownTopic_saysSo_andOpensTheFirstPage) {
    QPointer<FenetreAide> fenetre;
    PlateformeScriptee messages;
    ouvrirAide(fenetre, dossiersAide(), kFichier, QStringLiteral("SHM_absent9999"), messages);
    ASSERT_EQ(messages.boites.size(), 1u);
    EXPECT_EQ(messages.boites[0].texte,
              "La rubrique SHM_absent9999 n'existe pas dans le fichier d'aide BREVANDOUX.HLP.");
    ASSERT_FALSE(fenetre.isNull());
    EXPECT_EQ(fenetre->source().toLocalFile(), pageLivree());
    delete fenetre.data();
}

TEST(PlateformeQtAide, afficherAide_missingHelp_showsAFrenchMessageBox) {
    QTemporaryDir dossier;
    PlateformeQt plateforme;
    plateforme.setDossiersAide({dossier.path()});
    BoiteAttendue boite;
    boite.repondre();
    plateforme.afficherAide(kFichier, kSommaire);
    EXPECT_EQ(boite.titre, QStringLiteral("brevandoux"));
    EXPECT_TRUE(boite.texte.contains(QStringLiteral("BREVANDOUX.HLP est introuvable")));
    EXPECT_EQ(plateforme.fenetreAide(), nullptr);
}

TEST(PlateformeQtAide, afficherAide_opensItsHelpWindowAtTheTopic) {
    PlateformeQt plateforme;
    plateforme.afficherAide(kFichier, QStringLiteral("SHM_impression0005"));
    ASSERT_NE(plateforme.fenetreAide(), nullptr);
    EXPECT_TRUE(plateforme.fenetreAide()->isVisible());
    EXPECT_EQ(plateforme.fenetreAide()->source().fileName(), QStringLiteral("impression.html"));
}

}  // namespace
