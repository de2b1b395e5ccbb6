// End to end on a real CUPS queue: a cups-pdf queue of the tests' own, whose PDFs are read
// back. The host's default printer is never changed. Skipped, loudly, where CUPS cannot run.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <functional>
#include <QProcess>
#include <QTemporaryFile>
#include <QStandardPaths>
#include <cstdio>

#include "platform/imprimante_qt.h"
#include "print/commandes_impression.h"
#include "tests/print/lecture_pdf.h"
#include "tests/print/outils_impression.h"
#include "tests/support/annuler_progression.h"
#include "tests/support/ignorer.h"
#include "tests/support/plateforme_scriptee.h"

namespace {

// The queue the tests print to; the queue script creates it.
const QString kFile = QStringLiteral("BrevandouxTest");

// The scripted boxes, with the real printer code on the tests' queue.
class PlateformeCups : public PlateformeScriptee {
public:
    Imprimante& imprimante() override { return vraie; }
    ImprimanteQt vraie{FileCups{kFile}};
};

QString lancer(const QString& programme, const QStringList& arguments, int* code = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programme, arguments);
    const bool fini = p.waitForFinished(30000);
    if (code) *code = fini && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAll());
}

// Where cups-pdf writes, from its configuration ("Out ${HOME}/PDF" on Debian).
QString dossierSortie() {
    QString dossier = QDir::homePath() + "/PDF";
    QFile conf("/etc/cups/cups-pdf.conf");
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QString& ligne : QString::fromUtf8(conf.readAll()).split('\n')) {
            const QString l = ligne.trimmed();
            if (l.startsWith("Out ")) {
                dossier = l.mid(4).trimmed().replace("${HOME}", QDir::homePath());
            }
        }
    }
    return dossier;
}

QSet<QString> pdfsDans(const QString& dossier) {
    const QStringList noms = QDir(dossier).entryList({"*.pdf"}, QDir::Files);
    return QSet<QString>(noms.begin(), noms.end());
}

// Waits until the queue is empty and a new PDF is complete; empty text after the delay.
QString attendreNouveauPdf(const QString& dossier, const QSet<QString>& avant, int delaiMs) {
    const qint64 fin = QDateTime::currentMSecsSinceEpoch() + delaiMs;
    while (QDateTime::currentMSecsSinceEpoch() < fin) {
        if (lancer("lpstat", {"-o"}).trimmed().isEmpty()) {
            const QSet<QString> nouveaux = pdfsDans(dossier) - avant;
            if (!nouveaux.isEmpty()) return dossier + "/" + *nouveaux.begin();
        }
        QThread::msleep(100);
    }
    return {};
}

// The name CUPS holds for the last job of the tests' queue, as its IPP attribute (UTF-8).
QString nomDuDernierTravail() {
    int dernier = 0;
    const QStringList lignes = lancer("lpstat", {"-W", "completed", "-o", kFile}).split('\n');
    for (const QString& ligne : lignes) {
        const QRegularExpressionMatch m = QRegularExpression("^" + kFile + "-(\\d+)\\s").match(ligne);
        if (m.hasMatch()) dernier = std::max(dernier, m.captured(1).toInt());
    }
    if (dernier == 0) return {};
    QTemporaryFile requete;
    if (!requete.open()) return {};
    // Job names are private to their owner: the request names the user who printed.
    requete.write("{\n OPERATION Get-Job-Attributes\n GROUP operation-attributes-tag\n"
                  " ATTR charset attributes-charset utf-8\n"
                  " ATTR naturalLanguage attributes-natural-language en\n"
                  " ATTR uri printer-uri $uri\n ATTR name requesting-user-name $user\n"
                  " ATTR integer job-id $job\n ATTR keyword requested-attributes job-name\n"
                  " STATUS successful-ok\n DISPLAY job-name\n}\n");
    requete.close();
    QProcess p;
    p.start("ipptool", {"-c", "-d", "job=" + QString::number(dernier), "-d",
                        "user=" + QString::fromLocal8Bit(qgetenv("USER").isEmpty() ? "root" : qgetenv("USER")),
                        "ipp://localhost/printers/" + kFile, requete.fileName()});
    if (!p.waitForFinished(10000)) return {};
    // The CSV output: the column title, then the value, as the bytes CUPS holds.
    const QList<QByteArray> sortie = p.readAllStandardOutput().split('\n');
    if (sortie.size() < 2) return {};
    QByteArray valeur = sortie[1];
    if (valeur.startsWith('"') && valeur.endsWith('"')) valeur = valeur.mid(1, valeur.size() - 2);
    return QString::fromUtf8(valeur);
}

class ImpressionCups : public ::testing::Test {
protected:
    ImpressionCups() : store(plateforme) {}
    void SetUp() override {
        const QString script =
            // From the source tree itself: __FILE__ is relative to the build directory, and
            // ctest runs the suite from elsewhere.
            QStringLiteral(QT_TESTCASE_SOURCEDIR) + "/../scripts/cups-pdf.sh";
        int code = 0;
        const QString sortie = lancer("bash", {script, kFile}, &code);
        if (code != 0) {
            IGNORER("CUPS ne peut pas tourner ici, pas d'impression réelle : " +
                    sortie.trimmed().toStdString());
        }
        defautAvant = lancer("lpstat", {"-d"});
        dossier = dossierSortie();
        avant = pdfsDans(dossier);
        store.fiches.redimensionner(2);
        store.fiches[0] = carte(41, "Premi\xe8re fiche", "Une description\r\nsur deux lignes.");
        store.fiches[1] = carte(-1, "Seconde fiche", "Autre texte");
        store.derniere = 1;
    }

    // The host's default printer is the same after the test as before it.
    void TearDown() override {
        if (!defautAvant.isNull()) {
            EXPECT_EQ(lancer("lpstat", {"-d"}), defautAvant);
        }
    }

    PlateformeCups plateforme;
    MagasinFiches store;
    QString defautAvant;
    QString dossier;
    QSet<QString> avant;
};

}  // namespace

TEST_F(ImpressionCups, imprimerFiche_cupsPdfQueue_pdfHoldsTheCard) {
    imprimerFiche(plateforme, store, "Première fiche");
    EXPECT_TRUE(plateforme.boites.empty()) << plateforme.boites[0].texte;

    const QString pdf = attendreNouveauPdf(dossier, avant, 20000);
    ASSERT_FALSE(pdf.isEmpty()) << "aucun PDF dans " << dossier.toStdString();
    const QString texte = sortieDe("pdftotext", {pdf, "-"});
    EXPECT_TRUE(texte.contains(QString::fromUtf8("Fiche N°0"))) << texte.toStdString();
    EXPECT_TRUE(texte.contains(QString::fromUtf8("Première fiche"))) << texte.toStdString();
    // pdftotext shows the two spaces of the former line break as one.
    // pdftotext shows the two spaces left by the line break as one.
    EXPECT_TRUE(texte.contains("Une description sur deux lignes.")) << texte.toStdString();
    EXPECT_TRUE(texte.contains("page 1")) << texte.toStdString();
    EXPECT_FALSE(texte.contains("Seconde fiche"));
    QFile::remove(pdf);
}

TEST_F(ImpressionCups, imprimerListe_cupsPdfQueue_pdfHoldsEveryCard) {
    imprimerListe(plateforme, store, {});
    EXPECT_TRUE(plateforme.boites.empty());

    const QString pdf = attendreNouveauPdf(dossier, avant, 20000);
    ASSERT_FALSE(pdf.isEmpty()) << "aucun PDF dans " << dossier.toStdString();
    const DocumentPdf doc = lirePdf(pdf, {});
    EXPECT_EQ(doc.pages, 1);
    const QString texte = sortieDe("pdftotext", {pdf, "-"});
    EXPECT_TRUE(texte.contains(QString::fromUtf8("Première fiche"))) << texte.toStdString();
    EXPECT_TRUE(texte.contains("Seconde fiche")) << texte.toStdString();
    EXPECT_TRUE(texte.contains("-1")) << texte.toStdString();
    QFile::remove(pdf);
}

TEST_F(ImpressionCups, imprimerListe_queueRejectingJobs_errorShownNothingPrinted) {
    lancer("cupsreject", {kFile});
    imprimerListe(plateforme, store, {});
    lancer("cupsaccept", {kFile});

    const auto erreurs = plateforme.textes("erreur");
    ASSERT_EQ(erreurs.size(), 1u);
    EXPECT_NE(erreurs[0].find("L'impression n'a pas pu se faire : l'imprimante BrevandouxTest a refusé le document"),
              std::string::npos)
        << erreurs[0];
    EXPECT_TRUE(attendreNouveauPdf(dossier, avant, 1500).isEmpty());
}

TEST_F(ImpressionCups, imprimerListe_annulerPressed_nothingReachesTheQueue) {
    store.fiches.redimensionner(100);
    for (int i = 0; i < 100; ++i) store.fiches[static_cast<std::size_t>(i)] = carte(i, "c");
    store.derniere = 99;
    // "Annuler" is pressed as soon as the progress dialog shows.
    enAnnulantLaProgression([&] { imprimerListe(plateforme, store, {}); });

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_TRUE(attendreNouveauPdf(dossier, avant, 2000).isEmpty())
        << "un document annulé a été imprimé";
}

TEST_F(ImpressionCups, jobTitles_reachCupsInUtf8_readingAsTheirPageHeadings) {
    if (QStandardPaths::findExecutable("ipptool").isEmpty()) {
        IGNORER("ipptool manque (paquet cups-ipp-utils) : titres des travaux non vérifiés");
    }
    const std::string base = (QDir::tempPath() + QString::fromUtf8("/Fiches d'été €.dat")).toStdString();
    struct Cas {
        const char* nom;
        std::function<void()> imprimer;
        QString titre;
    };
    const Cas cas[] = {
        {"fiche", [&] { imprimerFiche(plateforme, store, "Première fiche"); },
         QString::fromUtf8("Fiche N°0 ")},
        {"recherche", [&] {
             store.listeResultats = true;
             store.resultats.redimensionner(1);
             store.resultats[0] = store.fiches[0];
             store.dernierResultat = 0;
             imprimerListe(plateforme, store, QString::fromUtf8("été « œuvre » – 5 €"));
             store.listeResultats = false;
         },
         QString::fromUtf8("recherche pour l'expression été « œuvre » – 5 €")},
        {"base", [&] {
             store.cheminBase.affecter(base);
             imprimerListe(plateforme, store, {});
         },
         QString::fromStdString(base)},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const QSet<QString> avantCas = pdfsDans(dossier);
        c.imprimer();
        EXPECT_TRUE(plateforme.boites.empty());
        const QString pdf = attendreNouveauPdf(dossier, avantCas, 20000);
        ASSERT_FALSE(pdf.isEmpty()) << "aucun PDF dans " << dossier.toStdString();
        // The page shows the heading; the job carries the same text, in the charset IPP
        // requires of names (UTF-8), not the card's Windows-1252 nor UTF-8 read as Latin-1.
        const QString texte = sortieDe("pdftotext", {pdf, "-"});
        EXPECT_TRUE(texte.contains(c.titre.trimmed())) << texte.toStdString();
        EXPECT_EQ(nomDuDernierTravail(), c.titre);
        QFile::remove(pdf);
    }
}
