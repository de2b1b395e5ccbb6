// Phone photos on paper and in the exports: every EXIF orientation is drawn upright on the
// printed page, in the PDF export (read back as pixels by poppler) and on the web page
// (the JPEG copied with its tag, read back by a reader that honours it, as browsers do).

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "echange/export_pages.h"
#include "platform/orientation_exif.h"
#include "print/imprimer_fiches.h"
#include "tests/echange/outils_echange.h"
#include "tests/print/imprimante_enregistreuse.h"
#include "tests/print/lecture_pdf.h"
#include "tests/support/ignorer.h"
#include "tests/support/photo_orientee.h"

namespace {

class OrientationPages : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
        base = (dossier.path() + "/cartes.dat").toStdString();
        // Stored wider than high, so that a missing quarter turn also shows in the shape.
        ecrirePhotoOrientee(dossier.path() + "/cartes.rep/photo.jpg", GetParam(), 96, 48);
        fiches = {carte(1, "photo", "d", "\\photo.jpg")};
    }
    QTemporaryDir dossier;
    std::string base;
    std::vector<Fiche> fiches;
};

std::string nomOrientation(const ::testing::TestParamInfo<int>& info) {
    return "orientation" + std::to_string(info.param);
}

}  // namespace

TEST_P(OrientationPages, imprimerFiches_photo_drawnUprightInItsSquare) {
    ImprimanteEnregistreuse imp;
    imprimerFiches(imp, fiches.data(), 0, "h", base);
    ASSERT_EQ(imp.images().size(), 1u);
    const QImage& dessinee = imp.images()[0].image;
    EXPECT_EQ(dessinee.size(), echangeLesCotes(GetParam()) ? QSize(48, 96) : QSize(96, 48));
    EXPECT_EQ(quartsFaux(dessinee, GetParam()), "");
}

TEST_P(OrientationPages, exporterPdf_photo_pixelsOfThePageUpright) {
    const QString pdf = dossier.path() + "/liste.pdf";
    ASSERT_EQ(exporterPdf(fiches.data(), 0, "cartes", base, pdf.toStdString()), "");
    // 100 dpi: one pixel for 12 device units of the 1200 dpi page.
    const QString prefixe = dossier.path() + "/rendu";
    sortieDe("pdftoppm", {"-r", "100", "-f", "1", "-l", "1", "-singlefile", "-png", pdf, prefixe});
    const QImage page(prefixe + ".png");
    ASSERT_FALSE(page.isNull()) << "pdftoppm n'a rien rendu";
    const QPointF origine = origineZoneImprimable();
    // The picture's square: 1000 units at (200, 420) of the printable area, first card under
    // the heading.
    const QRect carre(qRound((200 + origine.x()) / 12), qRound((420 + origine.y()) / 12), 83, 83);
    EXPECT_EQ(quartsFaux(page, GetParam(), carre), "");
}

TEST_P(OrientationPages, exporterHtml_photo_copiedWithItsTagAndShownUpright) {
    const QString page = dossier.path() + "/page.html";
    ASSERT_EQ(exporterHtml(fiches.data(), 0, "cartes", base, page.toStdString()), "");
    QImageReader lecteur(dossier.path() + "/page_fichiers/photo.jpg", "jpeg");
    lecteur.setAutoTransform(true);
    const QImage vue = lecteur.read();
    ASSERT_FALSE(vue.isNull()) << lecteur.errorString().toStdString();
    EXPECT_EQ(quartsFaux(vue, GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(ToutesLesOrientations, OrientationPages, ::testing::Range(1, 9), nomOrientation);

// A picture the page cannot show as it is (TIFF) is converted to PNG: turned upright first,
// since the PNG carries no orientation of its own.
TEST(OrientationPagesConverties, exporterHtml_tiffStoredTurned_convertedUpright) {
    if (QStandardPaths::findExecutable("convert").isEmpty()) {
        IGNORER("ImageMagick (convert) est absent : le TIFF d'essai ne peut pas être fait");
    }
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
    const QString jpeg = dossier.filePath("stockee.jpg");
    QFile f(jpeg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(photoOrientee(0, 96, 48));
    f.close();
    const QString tiff = dossier.filePath("cartes.rep/photo.tif");
    sortieDe("convert", {jpeg, "-orient", "RightTop", tiff});
    ASSERT_TRUE(QFile::exists(tiff));
    const std::string base = dossier.filePath("cartes.dat").toStdString();
    const std::vector<Fiche> fiches = {carte(1, "photo", "d", "\\photo.tif")};
    const QString page = dossier.filePath("page.html");
    ASSERT_EQ(exporterHtml(fiches.data(), 0, "cartes", base, page.toStdString()), "");
    const QImage vue(dossier.filePath("page_fichiers/photo.tif.png"), "PNG");
    ASSERT_EQ(vue.size(), QSize(48, 96));
    EXPECT_EQ(quartsFaux(vue, 6), "");
}

// A PNG (one of the formats added beside the described ones) takes the same paths: drawn by
// the picture program on the printed page, in the PDF and converted on the web page.
TEST(FormatAjoutePages, png_printedExportedAndConverted_quartersInPlace) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
    const QImage quarts = QImage::fromData(photoOrientee(0, 96, 48), "JPG");
    ASSERT_TRUE(quarts.save(dossier.filePath("cartes.rep/capture.png"), "PNG"));
    const std::string base = dossier.filePath("cartes.dat").toStdString();
    const std::vector<Fiche> fiches = {carte(1, "capture", "d", "\\capture.png")};

    ImprimanteEnregistreuse imp;
    imprimerFiches(imp, fiches.data(), 0, "h", base);
    ASSERT_EQ(imp.images().size(), 1u);
    EXPECT_EQ(quartsFaux(imp.images()[0].image, 1), "");

    const QString page = dossier.filePath("page.html");
    ASSERT_EQ(exporterHtml(fiches.data(), 0, "cartes", base, page.toStdString()), "");
    const QImage convertie(dossier.filePath("page_fichiers/capture.png.png"), "PNG");
    ASSERT_EQ(convertie.size(), QSize(96, 48));
    EXPECT_EQ(quartsFaux(convertie, 1), "");
}
