// The printed pages written to PDF by a program without widgets (a converter run from a
// script): a long run, which shows a progress dialog in the window, must print without one
// instead of aborting the program.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include "print/pages_pdf.h"
#include "tests/print/lecture_pdf.h"
#include "tests/print/outils_impression.h"

TEST(SansFenetres, imprimerVersPdf_longRunWithoutWidgets_printsAllPages) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    const QString pdf = dossier.path() + "/liste.pdf";
    std::vector<Fiche> fiches;
    for (int i = 0; i < 50; ++i) fiches.push_back(carte(i, "carte" + std::to_string(i)));

    ASSERT_EQ(imprimerVersPdf(fiches.data(), 49, {}, {}, pdf.toStdString()), "");

    const DocumentPdf doc = lirePdf(pdf);
    ASSERT_TRUE(doc.lu) << doc.erreur.toStdString();
    EXPECT_EQ(doc.pages, 5);
    EXPECT_EQ(doc.ligne(5, 9583 / 2, 13699 - 90), "page 5");
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
