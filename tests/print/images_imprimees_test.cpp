// Pictures on the printed page: found in the picture directory beside the base, decoded at
// the printed size, skipped when missing or damaged.

#include <gtest/gtest.h>

#include <QFile>

#include "print/imprimer_fiches.h"
#include "tests/print/outils_impression.h"

namespace {

class ImagesImprimees : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        ASSERT_TRUE(QDir(dossier.path()).mkdir("base.rep"));
        base = (dossier.path() + "/base.dat").toStdString();
        rep = dossier.path() + "/base.rep/";
    }
    QTemporaryDir dossier;
    std::string base;
    QString rep;
};

}  // namespace

TEST_F(ImagesImprimees, imprimerFiches_pictureInDirectory_stretchedIntoItsRectangle) {
    ecrireJpeg(rep + "large.jpg", 300, 100, Qt::blue);
    ecrireJpeg(rep + "haute.jpg", 50, 400, Qt::green);
    ImprimanteEnregistreuse imp;
    const std::vector<Fiche> f = {carte(1, "a", "", "\\large.jpg"), carte(2, "b", "", "\\haute.jpg")};
    imprimerFiches(imp, f.data(), 1, "h", base);
    ASSERT_EQ(imp.images().size(), 2u);
    EXPECT_EQ(imp.images()[0].rectangle, QRectF(200, 420, 1000, 1000));
    EXPECT_EQ(imp.images()[1].rectangle, QRectF(200, 1620, 1000, 1000));
}

TEST_F(ImagesImprimees, imprimerFiches_largePicture_decodedNearThePrintedSize) {
    ecrireJpeg(rep + "photo.jpg", 4000, 3000, Qt::gray);
    ImprimanteEnregistreuse imp;
    const Fiche f = carte(1, "a", "", "\\photo.jpg");
    imprimerFiches(imp, &f, 0, "", base);
    ASSERT_EQ(imp.images().size(), 1u);
    const QSize taille = imp.images()[0].taille;
    // Scaled decoding: the smallest eighth of the picture that still covers 1000 x 1000.
    EXPECT_EQ(taille, QSize(1500, 1125));
}

TEST_F(ImagesImprimees, imprimerFiches_missingPicture_restOfTheCardPrinted) {
    ImprimanteEnregistreuse imp;
    const Fiche f = carte(3, "sans image", "sa description", "\\absente.jpg");
    EXPECT_EQ(imprimerFiches(imp, &f, 0, "", base).etat, ResultatImpression::Imprimee);
    EXPECT_TRUE(imp.images().empty());
    EXPECT_NE(trouver(imp, "sans image"), nullptr);
    EXPECT_NE(trouver(imp, "sa description"), nullptr);
}

TEST_F(ImagesImprimees, imprimerFiches_damagedPicture_rectangleEmptyDocumentGoesOn) {
    QFile abimee(rep + "abimee.jpg");
    ASSERT_TRUE(abimee.open(QIODevice::WriteOnly));
    abimee.write("ceci n'est pas un JPEG");
    abimee.close();
    ecrireJpeg(rep + "bonne.jpg", 80, 80, Qt::red);
    ImprimanteEnregistreuse imp;
    const std::vector<Fiche> f = {carte(1, "a", "", "\\abimee.jpg"), carte(2, "b", "", "\\bonne.jpg")};
    EXPECT_EQ(imprimerFiches(imp, f.data(), 1, "", base).etat, ResultatImpression::Imprimee);
    ASSERT_EQ(imp.images().size(), 1u);
    EXPECT_EQ(imp.images()[0].rectangle.top(), 1320);
    EXPECT_NE(trouver(imp, "page 1"), nullptr);
    EXPECT_TRUE(imp.termine);
}

TEST_F(ImagesImprimees, imprimerFiches_shortPictureName_meansNoPicture) {
    ecrireJpeg(dossier.path() + "/base.rep/a.j", 10, 10, Qt::red);  // "\a.j" is 4 characters
    ImprimanteEnregistreuse imp;
    const Fiche f = carte(1, "a", "", "\\a.j");
    imprimerFiches(imp, &f, 0, "", base);
    EXPECT_TRUE(imp.images().empty());
}

TEST_F(ImagesImprimees, imprimerFiches_nameLeavingTheDirectory_notFollowed) {
    ecrireJpeg(dossier.path() + "/dehors.jpg", 10, 10, Qt::red);
    ImprimanteEnregistreuse imp;
    const std::vector<Fiche> f = {carte(1, "a", "", "\\..\\dehors.jpg"),
                                  carte(2, "b", "", "\\../dehors.jpg")};
    imprimerFiches(imp, f.data(), 1, "", base);
    EXPECT_TRUE(imp.images().empty());
}

TEST(CheminImageImprimee, cheminImageImprimee_storedName_joinedToPictureDirectory) {
    EXPECT_EQ(cheminImageImprimee("/d/notes.dat", "\\photo.jpg"), "/d/notes.rep/photo.jpg");
}

TEST(CheminImageImprimee, cheminImageImprimee_nameBytes_keptAsTheFileSystemHasThem) {
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "\\\xc3\xa9t\xc3\xa9.jpg"), "/d/b.rep/\xc3\xa9t\xc3\xa9.jpg");
}

TEST(CheminImageImprimee, cheminImageImprimee_unsafeOrShortNames_noPath) {
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "\\a.j"), "");
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", ""), "");
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "photo.jpg"), "");
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "\\sous/photo.jpg"), "");
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "\\sous\\photo.jpg"), "");
    EXPECT_EQ(cheminImageImprimee("/d/b.dat", "\\a..b.jpg"), "");
}

TEST(CheminImageImprimee, cheminImageImprimee_shortBasePath_directoryFromWhatIsLeft) {
    // No base bound: the path is "rep" and the name, relative to the working directory.
    EXPECT_EQ(cheminImageImprimee("", "\\photo.jpg"), "rep/photo.jpg");
    EXPECT_EQ(cheminImageImprimee("ab", "\\photo.jpg"), "rep/photo.jpg");
}
