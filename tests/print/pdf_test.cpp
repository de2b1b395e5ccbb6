// The whole path to paper, through a printer writing a PDF at 1200 dpi: what lands on the
// pages, read back with poppler's tools.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <functional>

#include "print/commandes_impression.h"
#include "tests/print/lecture_pdf.h"
#include "tests/print/outils_impression.h"
#include "tests/support/annuler_progression.h"
#include "tests/support/plateforme_scriptee_pdf.h"

namespace {

constexpr int kLargeur = 9583;  // A4 at 1200 dpi, printable area
constexpr int kHauteur = 13699;

class ImpressionPdf : public ::testing::Test {
protected:
    ImpressionPdf() : store(plateforme) {}
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        pdf = dossier.path() + "/sortie.pdf";
        plateforme.pdfImpression = pdf.toStdString();
    }
    void base(const std::vector<Fiche>& fiches, const QString& chemin = {}) {
        store.fiches.redimensionner(std::max<std::size_t>(fiches.size(), 1));
        for (std::size_t i = 0; i < fiches.size(); ++i) store.fiches[i] = fiches[i];
        store.derniere = static_cast<int32_t>(fiches.size()) - 1;
        ASSERT_TRUE(store.cheminBase.affecter(chemin.toStdString()));
    }
    DocumentPdf lire() {
        DocumentPdf doc = lirePdf(pdf);
        EXPECT_TRUE(doc.lu) << doc.erreur.toStdString();
        return doc;
    }

    QTemporaryDir dossier;
    QString pdf;
    PlateformeScripteePdf plateforme;
    MagasinFiches store;
};

}  // namespace

TEST_F(ImpressionPdf, imprimerListe_fiveCardsWithPictures_textsAtTheirPlaces) {
    ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
    const QColor couleurs[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};
    std::vector<Fiche> fiches;
    for (int i = 0; i < 5; ++i) {
        ecrireJpeg(QString("%1/cartes.rep/p%2.jpg").arg(dossier.path()).arg(i), 320, 240, couleurs[i]);
        fiches.push_back(carte(i - 1, "Titre " + std::to_string(i),
                               "Ligne\r\nsuivante " + std::string(70, static_cast<char>('a' + i)),
                               "\\p" + std::to_string(i) + ".jpg"));
    }
    const QString chemin = dossier.path() + "/cartes.dat";
    base(fiches, chemin);

    imprimerListe(plateforme, store, {});

    EXPECT_TRUE(plateforme.boites.empty());
    const DocumentPdf doc = lire();
    EXPECT_EQ(doc.pages, 1);
    EXPECT_EQ(doc.ligne(1, 150, 150), chemin);
    for (int i = 0; i < 5; ++i) {
        const double y = 420 + 1200 * i;
        EXPECT_EQ(doc.ligne(1, 1250, y), QString("%1 Titre %2").arg(i - 1).arg(i));
        EXPECT_EQ(doc.ligne(1, 1250, y + 120),
                  "Ligne suivante " + QString(54, QChar('a' + i)));
        EXPECT_EQ(doc.ligne(1, 1250, y + 270), QString(16, QChar('a' + i)));
    }
    EXPECT_EQ(doc.ligne(1, kLargeur / 2, kHauteur - 90), "page 1");
    // Five pictures, each decoded no larger than its file.
    const QStringList images = sortieDe("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 2 + 5) << images.join('\n').toStdString();
    // Arial is printed with its metric twin when the system lacks it, never another shape.
    EXPECT_TRUE(sortieDe("pdffonts", {pdf}).contains("LiberationSans"));
}

TEST_F(ImpressionPdf, imprimerListe_fiftyCards_fivePagesEachWithItsNumber) {
    std::vector<Fiche> fiches;
    for (int i = 0; i < 50; ++i) fiches.push_back(carte(i, "carte" + std::to_string(i), std::string(500, 'x')));
    base(fiches);

    imprimerListe(plateforme, store, {});

    const DocumentPdf doc = lire();
    ASSERT_EQ(doc.pages, 5);
    for (int page = 1; page <= 5; ++page) {
        EXPECT_EQ(doc.ligne(page, kLargeur / 2, kHauteur - 90), QString("page %1").arg(page));
        const int premiere = 11 * (page - 1);
        // Two-digit numbers come so close to the title that pdftotext joins the words.
        EXPECT_EQ(doc.ligne(page, 1250, 120).remove(' '), QString("%1carte%1").arg(premiere));
    }
    EXPECT_EQ(doc.ligne(5, 1250, 120 + 1200 * 5).remove(' '), "49carte49");
    // Nothing is drawn below the footer line's top, whatever the page.
    for (const MotPdf& m : doc.mots) EXPECT_LE(m.y, kHauteur - 90 + 4) << m.texte.toStdString();
}

TEST_F(ImpressionPdf, imprimerFiche_currentCard_headingWithDegreeSign) {
    base({carte(5, "cinq"), carte(-1, "moins un", "d\xe9j\xe0 vu")});
    store.courante = 1;

    imprimerFiche(plateforme, store, "moins un");

    const DocumentPdf doc = lire();
    EXPECT_EQ(doc.pages, 1);
    EXPECT_EQ(doc.ligne(1, 150, 150), QString::fromUtf8("Fiche N°1"));
    EXPECT_EQ(doc.ligne(1, 1250, 420), "-1 moins un");
    EXPECT_EQ(doc.ligne(1, 1250, 540), QString::fromUtf8("déjà vu"));
    EXPECT_EQ(doc.ligne(1, kLargeur / 2, kHauteur - 90), "page 1");
}

TEST_F(ImpressionPdf, imprimerListe_annulerPressed_noFileLeft) {
    base(std::vector<Fiche>(100, carte(1, "c")));
    enAnnulantLaProgression([&] { imprimerListe(plateforme, store, {}); });

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(ImpressionPdf, documentTitle_readsAsThePageHeading) {
    // The title the document carries (and the job with it) is the heading itself, not its
    // Windows-1252 bytes read as another encoding.
    const QString chemin = dossier.path() + QString::fromUtf8("/Fiches d'été €.dat");
    base({carte(1, "premi\xe8re", "\x80uvre \x9c")}, chemin);
    struct Cas {
        const char* nom;
        std::function<void()> imprimer;
        QString titre;
    };
    const Cas cas[] = {
        {"fiche", [&] { imprimerFiche(plateforme, store, QString::fromUtf8("première")); },
         QString::fromUtf8("Fiche N°0 ")},
        {"base", [&] { imprimerListe(plateforme, store, {}); }, chemin},
        {"recherche", [&] {
             store.listeResultats = true;
             store.resultats.redimensionner(1);
             store.resultats[0] = store.fiches[0];
             store.dernierResultat = 0;
             imprimerListe(plateforme, store, QString::fromUtf8("œuvre « été » – 5 €"));
             store.listeResultats = false;
         },
         QString::fromUtf8("recherche pour l'expression œuvre « été » – 5 €")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile::remove(pdf);
        c.imprimer();
        ASSERT_TRUE(QFile::exists(pdf));
        const QString info = sortieDe("pdfinfo", {"-enc", "UTF-8", pdf});
        const QString ligne = info.split('\n').filter(QRegularExpression("^Title:")).value(0);
        EXPECT_EQ(ligne.mid(ligne.indexOf(':') + 1).trimmed(), c.titre.trimmed()) << info.toStdString();
        EXPECT_TRUE(sortieDe("pdftotext", {pdf, "-"}).contains(c.titre.trimmed()));
    }
}
