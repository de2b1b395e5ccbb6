// Layout of the printed cards, read back from a printer that records what is drawn on it.

#include "print/imprimer_fiches.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProgressDialog>

#include "tests/print/outils_impression.h"

namespace {

ResultatImpression imprimer(ImprimanteEnregistreuse& imp, const std::vector<Fiche>& fiches,
                            const QString& entete, const std::string& cheminBase = {}) {
    return imprimerFiches(imp, fiches.data(), static_cast<int>(fiches.size()) - 1, entete,
                          cheminBase);
}

void attendreA(const ImprimanteEnregistreuse& imp, const QString& texte, int page, double x,
               double y) {
    const TexteTrace* t = trouver(imp, texte);
    ASSERT_NE(t, nullptr) << "texte absent : " << texte.toStdString();
    EXPECT_EQ(t->page, page) << texte.toStdString();
    EXPECT_DOUBLE_EQ(t->ligneDeBase.x(), x) << texte.toStdString();
    EXPECT_DOUBLE_EQ(haut(imp, *t), y) << texte.toStdString();
}

}  // namespace

TEST(ImprimerFiches, imprimerFiches_oneCardWithHeading_placesEveryElementAtItsPosition) {
    QTemporaryDir dossier;
    ASSERT_TRUE(QDir(dossier.path()).mkdir("b.rep"));
    ecrireJpeg(dossier.path() + "/b.rep/p.jpg", 64, 48, Qt::red);
    const std::string base = (dossier.path() + "/b.dat").toStdString();
    ImprimanteEnregistreuse imp;
    const std::vector<Fiche> f = {carte(7, "Titre", std::string(75, 'd'), "\\p.jpg")};

    const ResultatImpression r = imprimer(imp, f, "Entête", base);

    EXPECT_EQ(r.etat, ResultatImpression::Imprimee);
    EXPECT_TRUE(imp.termine);
    attendreA(imp, "Entête", 1, 150, 150);
    attendreA(imp, "7", 1, 1250, 420);
    attendreA(imp, "Titre", 1, 1450, 420);
    attendreA(imp, QString(70, 'd'), 1, 1250, 540);
    attendreA(imp, QString(5, 'd'), 1, 1250, 690);
    attendreA(imp, "page 1", 1, 9583 / 2, 13699 - 90);
    ASSERT_EQ(imp.images().size(), 1u);
    EXPECT_EQ(imp.images()[0].rectangle, QRectF(200, 420, 1000, 1000));
    EXPECT_EQ(imp.textes().size(), 6u);
    EXPECT_EQ(imp.pages(), 1);
}

TEST(ImprimerFiches, imprimerFiches_everyText_inArialTenPoints) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, cartes(2), "entête");
    ASSERT_FALSE(imp.textes().empty());
    for (const TexteTrace& t : imp.textes()) {
        EXPECT_EQ(t.police.family(), "Arial") << t.texte.toStdString();
        EXPECT_EQ(t.police.pointSizeF(), 10.0) << t.texte.toStdString();
    }
}

TEST(ImprimerFiches, imprimerFiches_noHeading_firstCardOnLineZero) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, {carte(1, "seul", "texte")}, "");
    attendreA(imp, "1", 1, 1250, 120);
    attendreA(imp, "seul", 1, 1450, 120);
    attendreA(imp, "texte", 1, 1250, 240);
    EXPECT_EQ(imp.textes().size(), 4u);  // number, title, one row, footer
    EXPECT_EQ(imp.titreDocument, "brevandoux");
}

TEST(ImprimerFiches, imprimerFiches_numbers_printInSignedDecimal) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, {carte(-1, "a"), carte(INT32_MIN, "b"), carte(0, "c")}, "");
    attendreA(imp, "-1", 1, 1250, 120);
    attendreA(imp, "-2147483648", 1, 1250, 1320);
    attendreA(imp, "0", 1, 1250, 2520);
}

TEST(ImprimerFiches, imprimerFiches_windows1252Texts_printAsTheirCharacters) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, {carte(1, "caf\xe9 \x80 \x9c", "\xab ol\xe9 \xbb")}, "");
    EXPECT_NE(trouver(imp, QString::fromUtf8("café € œ")), nullptr);
    EXPECT_NE(trouver(imp, QString::fromUtf8("« olé »")), nullptr);
}

TEST(ImprimerFiches, imprimerFiches_fiveCards_eightLinesApartOnOnePage) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, cartes(5), "");
    for (int i = 0; i < 5; ++i) {
        attendreA(imp, QString::number(100 + i), 1, 1250, 120 + 1200 * i);
        attendreA(imp, QString("description%1").arg(i), 1, 1250, 240 + 1200 * i);
    }
    EXPECT_EQ(tous(imp, "page").size(), 1u);
    EXPECT_EQ(imp.pages(), 1);
}

TEST(ImprimerFiches, imprimerFiches_emptyRun_printsHeadingAndFooterOnly) {
    ImprimanteEnregistreuse imp;
    const Fiche vide = carte(5, "jamais");
    const ResultatImpression r = imprimerFiches(imp, &vide, -1, "recherche pour l'expression x", {});
    EXPECT_EQ(r.etat, ResultatImpression::Imprimee);
    ASSERT_EQ(imp.textes().size(), 2u);
    attendreA(imp, "recherche pour l'expression x", 1, 150, 150);
    attendreA(imp, "page 1", 1, 9583 / 2, 13699 - 90);
}

TEST(ImprimerFiches, imprimerFiches_emptyRunWithoutHeading_printsFooterOnly) {
    ImprimanteEnregistreuse imp;
    const Fiche vide = carte(5, "jamais");
    imprimerFiches(imp, &vide, -1, "", {});
    ASSERT_EQ(imp.textes().size(), 1u);
    EXPECT_EQ(imp.textes()[0].texte, "page 1");
}

TEST(ImprimerFiches, imprimerFiches_emptyDescription_printsNoRow) {
    ImprimanteEnregistreuse imp;
    imprimer(imp, {carte(1, "t", "")}, "");
    EXPECT_EQ(imp.textes().size(), 3u);  // number, title, footer
}

TEST(ImprimerFiches, imprimerFiches_descriptionWithLineBreaks_rowsRunOnAcrossThem) {
    ImprimanteEnregistreuse imp;
    const std::string texte = "ligne un\r\nligne deux\tfin" + std::string(60, 'x');
    imprimer(imp, {carte(1, "t", texte)}, "");
    const std::string attendu = "ligne un  ligne deux fin" + std::string(46, 'x');
    attendreA(imp, QString::fromStdString(attendu), 1, 1250, 240);
    attendreA(imp, QString(14, 'x'), 1, 1250, 390);
}

TEST(ImprimerFiches, imprimerFiches_longestDescription_printsEightRows) {
    std::string texte;
    for (int i = 0; i < 511; ++i) texte += static_cast<char>('a' + i % 26);
    ImprimanteEnregistreuse imp;
    imprimer(imp, {carte(1, "t", texte)}, "");
    for (int r = 0; r < 8; ++r) {
        const std::string rangee = texte.substr(static_cast<std::size_t>(70 * r), 70);
        attendreA(imp, QString::fromStdString(rangee), 1, 1250, 240 + 150 * r);
    }
    EXPECT_EQ(imp.textes().size(), 11u);
}

TEST(LignesDescription, lignesDescription_seventyCharacters_oneRow) {
    EXPECT_EQ(lignesDescription(std::string(70, 'a')), std::vector<std::string>{std::string(70, 'a')});
}

TEST(LignesDescription, lignesDescription_seventyOneCharacters_secondRowHoldsOne) {
    const auto r = lignesDescription(std::string(70, 'a') + "b");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], "b");
}

TEST(LignesDescription, lignesDescription_controlCharacters_becomeSpacesHighBytesStay) {
    std::string texte;
    for (int c = 1; c <= 31; ++c) texte += static_cast<char>(c);
    texte += "\x7f\x80\xff";
    const auto r = lignesDescription(texte);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], std::string(31, ' ') + "\x7f\x80\xff");
}

TEST(LignesDescription, lignesDescription_fieldWithoutZero_stopsAtEightRows) {
    const auto r = lignesDescription(std::string(600, 'z'));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[7], std::string(70, 'z'));
}

TEST(LignesDescription, lignesDescription_empty_noRow) { EXPECT_TRUE(lignesDescription("").empty()); }
