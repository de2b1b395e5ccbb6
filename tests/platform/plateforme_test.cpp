#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdlib>
#include <string>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/textes.h"
#include "platform/application.h"
#include "platform/imprimante_qt.h"
#include "platform/plateforme_qt.h"
#include "platform/rapport_erreur.h"
#include "tests/support/plateforme_scriptee.h"

namespace {

TEST(DialogueFichier, defaultExtension_addedOnlyToNameWithoutOne) {
    struct Cas {
        const char* saisi;
        const char* extension;
        const char* attendu;
    };
    const Cas cas[] = {{"/tmp/notes", ".dat", "/tmp/notes.dat"},
                       {"/tmp/notes", "dat", "/tmp/notes.dat"},
                       {"/tmp/notes.txt", ".dat", "/tmp/notes.txt"},
                       {"/tmp/notes.dat", ".dat", "/tmp/notes.dat"},
                       {"/tmp/rep.v2/notes", ".dat", "/tmp/rep.v2/notes.dat"},
                       {"", ".dat", ""}};
    for (const Cas& c : cas) {
        EXPECT_EQ(avecExtensionParDefaut(QString::fromUtf8(c.saisi), QString::fromUtf8(c.extension)),
                  QString::fromUtf8(c.attendu))
            << c.saisi;
    }
}

TEST(DialogueFichier, filterBarsBecomeQtFilters) {
    EXPECT_EQ(filtreQt(QStringLiteral("base d'archivage dat|*.dat")),
              QStringLiteral("base d'archivage dat (*.dat)"));
    EXPECT_EQ(filtreQt(QStringLiteral("Images|*.jpg;*.bmp|Tout|*")),
              QStringLiteral("Images (*.jpg *.bmp);;Tout (*)"));
}

TEST(Application, toolkitTextsAreFrench) {
    QDialogButtonBox boutons(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
    EXPECT_EQ(boutons.button(QDialogButtonBox::Yes)->text().remove('&'), QStringLiteral("Oui"));
    EXPECT_EQ(boutons.button(QDialogButtonBox::No)->text().remove('&'), QStringLiteral("Non"));
    EXPECT_EQ(boutons.button(QDialogButtonBox::Cancel)->text().remove('&'), QStringLiteral("Annuler"));
}

TEST(Application, localeDuProgramme_isFrenchWhateverTheSystemGives) {
    const struct {
        const char* systeme;
        const char* attendue;
    } cas[] = {
        {"C", "fr_FR"}, {"en_US", "fr_FR"}, {"de_DE", "fr_FR"},
        {"fr_FR", "fr_FR"}, {"fr_CA", "fr_CA"}, {"fr_BE", "fr_BE"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.systeme);
        EXPECT_EQ(localeDuProgramme(QLocale(QString::fromLatin1(c.systeme))).name(),
                  QString::fromLatin1(c.attendue));
    }
}

TEST(Application, environnementFrancais_followsLcAllThenLcTimeThenLang) {
    const struct {
        const char* lcAll;
        const char* lcTime;
        const char* lang;
        bool francais;
    } cas[] = {
        {nullptr, nullptr, nullptr, false},        {"C", nullptr, "fr_FR.UTF-8", false},
        {nullptr, nullptr, "fr_FR.UTF-8", true},   {"", "", "fr_CA", true},
        {"en_US.UTF-8", nullptr, "fr_FR", false},  {nullptr, "fr_BE.UTF-8", "en_US", true},
        {nullptr, nullptr, "fr", true},            {nullptr, nullptr, "fr@euro", true},
        {nullptr, nullptr, "fry_NL", false},       {nullptr, nullptr, "POSIX", false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + " " + (c.lcTime ? c.lcTime : "-") + " " +
                     (c.lang ? c.lang : "-"));
        EXPECT_EQ(environnementFrancais(c.lcAll, c.lcTime, c.lang), c.francais);
    }
}

TEST(Application, datesSizesAndDialogWordsAreFrench_underAnyLocale) {
    // What the dialogs show is French whatever the tests run under (the C locale, usually):
    // the default locale, and the system locale the file dialogs use for dates and sizes.
    EXPECT_EQ(QLocale().language(), QLocale::French);
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 7), QStringLiteral("d MMMM yyyy")),
              QStringLiteral("7 décembre 2026"));
    EXPECT_EQ(QLocale::system().toString(QDate(2026, 12, 7), QStringLiteral("d MMM yyyy")),
              QStringLiteral("7 déc. 2026"));
    EXPECT_TRUE(QLocale::system().formattedDataSize(20 * 1024).endsWith(QStringLiteral("Kio")))
        << QLocale::system().formattedDataSize(20 * 1024).toStdString();
    EXPECT_EQ(QFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("Dossier"));
    // The environment given to child processes is the user's own again (checked when that
    // user's own is not French).
    if (!environnementFrancais(nullptr, std::getenv("LC_TIME"), std::getenv("LANG"))) {
        if (const char* lcAll = std::getenv("LC_ALL")) {
            EXPECT_STRNE(lcAll, "fr_FR.UTF-8");
        }
        if (const char* language = std::getenv("LANGUAGE")) {
            EXPECT_STRNE(language, "fr");
        }
    }
}

TEST(Application, errorEscapingAHandler_isShownAndTheProgramGoesOn) {
    auto* app = static_cast<Application*>(QCoreApplication::instance());
    PlateformeScriptee plateforme;
    app->setPlateforme(&plateforme);
    QObject cible;
    bool suite = false;
    QTimer::singleShot(0, &cible, [] { throw Erreur("l'image x.jpg n'a pas pu être chargée"); });
    QTimer::singleShot(5, &cible, [&] { suite = true; });
    QTRY_VERIFY_WITH_TIMEOUT(suite, 2000);
    app->setPlateforme(nullptr);
    ASSERT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(plateforme.boites[0], (Boite{"erreur", "brevandoux", "l'image x.jpg n'a pas pu être chargée"}));
}

TEST(PlateformeQt, yesNoQuestion_hasOuiAndNonOnly_EscapeAndEnterMeanNon) {
    struct Cas {
        const char* geste;
        std::function<void(QMessageBox&)> faire;
        int attendu;
    };
    const Cas cas[] = {
        {"Escape", [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, kNon},
        {"Entrée", [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }, kNon},
        {"clic sur Oui", [](QMessageBox& b) { b.button(QMessageBox::Yes)->click(); }, kOui},
    };
    for (const Cas& c : cas) {
        PlateformeQt plateforme;
        QStringList boutons;
        QString texte;
        QTimer::singleShot(0, [&] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (boite == nullptr) return;
            texte = boite->text();
            for (QAbstractButton* bouton : boite->buttons()) boutons << bouton->text().remove('&');
            c.faire(*boite);
        });
        EXPECT_EQ(plateforme.question("La base a été modifiée", Boutons::OuiNon), c.attendu) << c.geste;
        boutons.sort();
        EXPECT_EQ(boutons, (QStringList{QStringLiteral("Non"), QStringLiteral("Oui")})) << c.geste;
        EXPECT_EQ(texte, QStringLiteral("La base a été modifiée"));
    }
}

// The title each kind of box shows, read from the box itself: French, or none of its own.
TEST(PlateformeQt, boxTitles_areTheProgramsOrFrench) {
    struct Cas {
        const char* genre;
        std::function<void(PlateformeQt&)> ouvrir;
        QString titre;
    };
    const Cas cas[] = {
        {"message", [](PlateformeQt& p) { p.message("x"); }, QStringLiteral("brevandoux")},
        {"question", [](PlateformeQt& p) { p.question("x", Boutons::OkAnnuler); }, QString()},
        {"confirmation", [](PlateformeQt& p) { p.confirmation("x"); }, QStringLiteral("Confirmation")},
    };
    for (const Cas& c : cas) {
        PlateformeQt plateforme;
        QString titre = QStringLiteral("(aucune boîte)");
        QTimer::singleShot(0, [&] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (boite == nullptr) return;
            titre = boite->windowTitle();
            boite->reject();
        });
        c.ouvrir(plateforme);
        EXPECT_EQ(titre, c.titre) << c.genre;
    }
}

TEST(PlateformeScriptee, recordsBoxesAndAnswersFromItsQueue) {
    PlateformeScriptee p;
    p.reponses = {kOui, kAnnuler};
    p.message("bonjour");
    EXPECT_EQ(p.question("Sauver les modifications ?", Boutons::OuiNonAnnuler), kOui);
    EXPECT_EQ(p.confirmation("ecraser la base du même nom ?"), kAnnuler);
    ASSERT_EQ(p.boites.size(), 3u);
    EXPECT_EQ(p.boites[2], (Boite{"confirmation", "Confirmation", "ecraser la base du même nom ?"}));
    p.fichiers = {std::string("/tmp/notes")};
    EXPECT_EQ(p.enregistrerFichier({".dat", "base d'archivage dat|*.dat", "enregistrer la base"}),
              std::optional<std::string>("/tmp/notes.dat"));
}

}  // namespace

TEST(ImprimanteQt, namedQueueThatDoesNotExist_refusedWithItsName) {
    ImprimanteQt imprimante(FileCups{QStringLiteral("BrevandouxFileAbsente")});
    QString raison;
    EXPECT_FALSE(imprimante.commencer(QStringLiteral("essai"), raison));
    EXPECT_EQ(raison, QStringLiteral("l'imprimante BrevandouxFileAbsente n'est pas installée"));
    EXPECT_EQ(imprimante.numeroPage(), 0);
}

// Every edge where the toolkit calls the program reports through the one reporter: the text
// the user reads for each kind of error, and nothing for a command that ends well.
TEST(RapportErreur, eachErrorLeavingACommand_isShownOnceInFrench) {
    struct Cas {
        const char* nom;
        std::function<void()> commande;
        std::vector<std::string> attendus;
    };
    const Cas cas[] = {
        {"sans erreur", [] {}, {}},
        {"Erreur", [] { throw Erreur("le fichier x.dat est illisible"); }, {"le fichier x.dat est illisible"}},
        {"runtime_error", [] { throw std::runtime_error("Unable to write to /x.ini"); }, {"Unable to write to /x.ini"}},
        {"bad_alloc", [] { throw std::bad_alloc(); }, {textes::kMemoireCommande}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        PlateformeScriptee plateforme;
        const bool fini = executerEnSignalant(&plateforme, c.commande);
        EXPECT_EQ(fini, c.attendus.empty());
        EXPECT_EQ(plateforme.textes("erreur"), c.attendus);
        EXPECT_EQ(plateforme.boites.size(), c.attendus.size());
    }
}

TEST(RapportErreur, withoutPlatform_errorGoesToStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(executerEnSignalant(nullptr, [] { throw std::bad_alloc(); }));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("brevandoux: ") + textes::kMemoireCommande + "\n");
}

TEST(RapportErreur, exceptionOfAnotherKind_isNotSwallowed) {
    PlateformeScriptee plateforme;
    EXPECT_THROW(executerEnSignalant(&plateforme, [] { throw 7; }), int);
    EXPECT_TRUE(plateforme.boites.empty());
}
