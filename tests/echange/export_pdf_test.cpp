// The PDF export against the pages "Imprimer la liste" prints, both read back with poppler's
// pdftotext: the same words at the same places on the same pages.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/magasin_fiches.h"
#include "echange/export_pages.h"
#include "print/commandes_impression.h"
#include "print/pages_pdf.h"
#include "tests/echange/outils_echange.h"
#include "tests/print/lecture_pdf.h"
#include "tests/support/annuler_progression.h"
#include "tests/support/disque_plein.h"
#include "tests/support/ignorer.h"
#include "tests/support/plateforme_scriptee_pdf.h"

namespace {

class ExportPdf : public ::testing::Test {
protected:
    ExportPdf() : store(plateforme) {}
    void SetUp() override { ASSERT_TRUE(dossier.isValid()); }
    void remplir(const std::vector<Fiche>& fiches, const std::string& chemin) {
        store.fiches.redimensionner(std::max<std::size_t>(fiches.size(), 1));
        for (std::size_t i = 0; i < fiches.size(); ++i) store.fiches[i] = fiches[i];
        store.derniere = static_cast<int32_t>(fiches.size()) - 1;
        ASSERT_TRUE(store.cheminBase.affecter(chemin));
    }
    // Each page's text as pdftotext lays it out.
    static QStringList textesDesPages(const QString& pdf, int pages) {
        QStringList r;
        for (int p = 1; p <= pages; ++p) {
            r << sortieDe("pdftotext", {"-layout", "-f", QString::number(p), "-l", QString::number(p), pdf, "-"});
        }
        return r;
    }
    QStringList fichiers() const {
        return QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dossier;
    PlateformeScripteePdf plateforme;
    MagasinFiches store;
};

}  // namespace

TEST_F(ExportPdf, exporterPdf_sameWordsPlacesAndPagesAsPrintedList) {
    ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
    ecrireJpeg(dossier.path() + "/cartes.rep/rouge.jpg", 40, 30, Qt::red);
    ecrireImage(dossier.path() + "/cartes.rep/bleu.bmp", "BMP", 20, 20, Qt::blue);
    struct Cas {
        const char* nom;
        std::string cheminBase;  // also the heading; empty: no heading
        int cartes;
        int pages;
    };
    const std::vector<Cas> cas = {
        {"with heading, several pages", (dossier.path() + "/cartes.dat").toStdString(), 25, 3},
        {"without heading", "", 12, 2},
        {"empty base", (dossier.path() + "/cartes.dat").toStdString(), 0, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        std::vector<Fiche> fiches;
        for (int i = 0; i < c.cartes; ++i) {
            fiches.push_back(carte(i * 1000 - 7, "Titre \xe9t\xe9 \x80 <" + std::to_string(i) + ">",
                                   "d\xe9" "but\r\n" + std::string(80, static_cast<char>('a' + i % 26)),
                                   i % 3 == 0 ? "\\rouge.jpg" : i % 3 == 1 ? "\\bleu.bmp" : "\\absente.jpg"));
        }
        remplir(fiches, c.cheminBase);
        const QString imprime = dossier.path() + "/imprime.pdf";
        const QString exporte = dossier.path() + "/exporte.pdf";
        plateforme.pdfImpression = imprime.toStdString();
        imprimerListe(plateforme, store, {});
        ASSERT_TRUE(plateforme.boites.empty());

        ASSERT_EQ(exporterPdf(&store.fiches[0], store.derniere,
                              QString::fromStdString(c.cheminBase), c.cheminBase,
                              exporte.toStdString()),
                  "");

        const DocumentPdf attendu = lirePdf(imprime);
        const DocumentPdf lu = lirePdf(exporte);
        ASSERT_TRUE(attendu.lu && lu.lu) << lu.erreur.toStdString();
        EXPECT_EQ(attendu.pages, c.pages);
        EXPECT_EQ(lu.pages, attendu.pages);
        ASSERT_EQ(lu.mots.size(), attendu.mots.size());
        for (std::size_t i = 0; i < lu.mots.size(); ++i) {
            EXPECT_EQ(lu.mots[i].page, attendu.mots[i].page);
            EXPECT_EQ(lu.mots[i].texte, attendu.mots[i].texte);
            EXPECT_NEAR(lu.mots[i].x, attendu.mots[i].x, 0.5);
            EXPECT_NEAR(lu.mots[i].y, attendu.mots[i].y, 0.5);
        }
        EXPECT_EQ(textesDesPages(exporte, lu.pages), textesDesPages(imprime, attendu.pages));
        // Selectable text: the words are text in the document, the heading and numbers included.
        if (!c.cheminBase.empty()) {
            EXPECT_EQ(lu.ligne(1, 150, 150), QString::fromStdString(c.cheminBase));
        }
        for (int p = 1; p <= lu.pages; ++p) {
            EXPECT_EQ(lu.ligne(p, 9583 / 2, 13699 - 90), QString("page %1").arg(p));
        }
        if (c.cartes > 0) {
            EXPECT_EQ(lu.ligne(1, 1250, c.cheminBase.empty() ? 120 : 420),
                      QString::fromUtf8("-7 Titre été € <0>"));
        }
        EXPECT_EQ(sortieDe("pdfimages", {"-list", exporte}), sortieDe("pdfimages", {"-list", imprime}));
    }
    EXPECT_EQ(fichiers(), QStringList({"exporte.pdf", "imprime.pdf"}));
}

TEST_F(ExportPdf, imprimerVersPdf_existingFile_replacedWholeWithNoLeftover) {
    const QString pdf = dossier.path() + "/liste.pdf";
    ecrireOctets(pdf, QByteArray(300000, 'v'));
    const Fiche fiche = carte(3, "trois");

    ASSERT_EQ(imprimerVersPdf(&fiche, 0, "Fiche N\xb0" "0 ", {}, pdf.toStdString()), "");

    const DocumentPdf lu = lirePdf(pdf);
    ASSERT_TRUE(lu.lu) << lu.erreur.toStdString();
    EXPECT_EQ(lu.pages, 1);
    EXPECT_EQ(lu.ligne(1, 1250, 420), "3 trois");
    EXPECT_FALSE(lireOctets(pdf).contains(QByteArray(50, 'v')));
    EXPECT_EQ(fichiers(), QStringList({"liste.pdf"}));
}

TEST_F(ExportPdf, imprimerVersPdf_cannotWrite_frenchReasonAndOldFileKept) {
    const Fiche fiche = carte(1, "un");
    const QString pdf = dossier.path() + "/liste.pdf";
    ecrireOctets(pdf, "ancien");
    ASSERT_EQ(chmod(pdf.toLocal8Bit().constData(), 0444), 0);
    EXPECT_EQ(imprimerVersPdf(&fiche, 0, {}, {}, pdf.toStdString()), pdf + " est en lecture seule");
    EXPECT_EQ(lireOctets(pdf), "ancien");

    const QString manque = dossier.path() + "/manque/liste.pdf";
    EXPECT_EQ(imprimerVersPdf(&fiche, 0, {}, {}, manque.toStdString()),
              manque + " ne peut pas être écrit : le répertoire n'existe pas");
    EXPECT_EQ(imprimerVersPdf(&fiche, 0, {}, {}, ""), "aucun nom de fichier PDF n'est donné");
}

TEST_F(ExportPdf, imprimerVersPdf_diskFills_oldFileKeptNoLeftoverAndSaid) {
    DisquePlein disque;
    if (!disque.monte()) IGNORER(disque.raison());
    const std::string pdf = disque / "liste.pdf";
    ecrireOctets(QString::fromStdString(pdf), "ancien");
    ASSERT_TRUE(disque.remplir(8192));
    // Pages of text run past the room left.
    std::vector<Fiche> fiches;
    for (int i = 0; i < 400; ++i) fiches.push_back(carte(i, "titre " + std::to_string(i), std::string(500, static_cast<char>('a' + i % 26))));

    const QString raison = imprimerVersPdf(fiches.data(), 399, "plein", {}, pdf);

    EXPECT_EQ(raison, QString::fromStdString(pdf) + " ne peut pas être écrit : le disque est plein");
    EXPECT_EQ(lireOctets(QString::fromStdString(pdf)), "ancien");
    EXPECT_EQ(QDir(QString::fromStdString(disque / "")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"liste.pdf", "remplissage"}));
}

TEST_F(ExportPdf, imprimerVersPdf_annulerPressed_oldFileKeptAndCancellationTold) {
    const QString pdf = dossier.path() + "/liste.pdf";
    ecrireOctets(pdf, "ancien");
    const std::vector<Fiche> fiches(100, carte(1, "c"));
    const QString raison = enAnnulantLaProgression(
        [&] { return imprimerVersPdf(fiches.data(), 99, "liste", {}, pdf.toStdString()); });

    EXPECT_EQ(raison, pdfAnnule());
    EXPECT_EQ(lireOctets(pdf), "ancien");
    EXPECT_EQ(fichiers(), QStringList({"liste.pdf"}));
}
