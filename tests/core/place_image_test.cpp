#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/chemin_image.h"
#include "core/place_image.h"
#include "tests/support/dossier_temporaire.h"

namespace {

class PlaceImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        rep = dossier / "base.rep";
        ASSERT_EQ(mkdir(rep.c_str(), 0777), 0);
        ASSERT_EQ(mkdir((dossier / "ailleurs").c_str(), 0777), 0);
    }
    DossierTemporaire dossier;
    std::string rep;
};

}  // namespace

TEST_F(PlaceImageTest, freeName_keepsItsOwnName) {
    ecrireOctets(dossier / "ailleurs/photo.jpg", "B");
    const auto p = placeImage(rep, dossier / "ailleurs/photo.jpg", "\\photo.jpg");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->nom, "\\photo.jpg");
    EXPECT_EQ(p->chemin, rep + "/photo.jpg");
    EXPECT_TRUE(p->copier);
}

TEST_F(PlaceImageTest, takenByOtherBytes_nextFreeNameMadeFromItsOwn) {
    ecrireOctets(rep + "/photo.jpg", "A");
    ecrireOctets(rep + "/photo-2.jpg", "C");
    ecrireOctets(dossier / "ailleurs/photo.jpg", "B");
    const auto p = placeImage(rep, dossier / "ailleurs/photo.jpg", "\\photo.jpg");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->nom, "\\photo-3.jpg");
    EXPECT_EQ(p->chemin, rep + "/photo-3.jpg");
    EXPECT_TRUE(p->copier);
    // Nothing was written by the choice itself.
    EXPECT_EQ(lireOctets(rep + "/photo.jpg"), "A");
    EXPECT_EQ(lireOctets(rep + "/photo-2.jpg"), "C");
}

TEST_F(PlaceImageTest, sameBytesAlreadyThere_reusedWithoutCopy) {
    struct Cas {
        const char* existants[2];
        const char* attendu;
    };
    // The same bytes under the name itself, or under a name made from it earlier.
    for (const Cas& c : {Cas{{"B", nullptr}, "\\photo.jpg"}, Cas{{"A", "B"}, "\\photo-2.jpg"}}) {
        SCOPED_TRACE(c.attendu);
        unlink((rep + "/photo.jpg").c_str());
        unlink((rep + "/photo-2.jpg").c_str());
        ecrireOctets(rep + "/photo.jpg", c.existants[0]);
        if (c.existants[1]) ecrireOctets(rep + "/photo-2.jpg", c.existants[1]);
        ecrireOctets(dossier / "ailleurs/photo.jpg", "B");
        const auto p = placeImage(rep, dossier / "ailleurs/photo.jpg", "\\photo.jpg");
        ASSERT_TRUE(p);
        EXPECT_EQ(p->nom, c.attendu);
        EXPECT_FALSE(p->copier);
    }
}

TEST_F(PlaceImageTest, somethingElseUnderTheName_neverChosen) {
    // A directory, and a link leading nowhere, are not pictures to overwrite either.
    ASSERT_EQ(mkdir((rep + "/photo.jpg").c_str(), 0777), 0);
    ASSERT_EQ(symlink("/nulle/part", (rep + "/photo-2.jpg").c_str()), 0);
    ecrireOctets(dossier / "ailleurs/photo.jpg", "B");
    const auto p = placeImage(rep, dossier / "ailleurs/photo.jpg", "\\photo.jpg");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->nom, "\\photo-3.jpg");
}

TEST_F(PlaceImageTest, nameAtThePathLimit_madeNameShortenedToFit) {
    // The directory and the name fill the 255 bytes of a path buffer exactly.
    const std::size_t place = kCheminImageMax - rep.size() - 1;  // bytes for the file name
    const std::string nomFichier = std::string(place - 4, 'n') + ".jpg";
    ecrireOctets(rep + "/" + nomFichier, "A");
    ecrireOctets(dossier / "ailleurs/x.jpg", "B");
    const auto p = placeImage(rep, dossier / "ailleurs/x.jpg", "\\" + nomFichier);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->nom, "\\" + std::string(place - 6, 'n') + "-2.jpg");
    EXPECT_LE(p->chemin.size(), kCheminImageMax);
    EXPECT_TRUE(cheminImage(rep, p->nom));
}

TEST(nomVariante, extensionKept_stemCutOnCharacterBoundaries) {
    EXPECT_EQ(nomVariante("\\photo.jpg", 2, 255), "\\photo-2.jpg");
    EXPECT_EQ(nomVariante("\\photo.jpg", 10, 255), "\\photo-10.jpg");
    EXPECT_EQ(nomVariante("\\archive.tar.gz", 2, 255), "\\archive.tar-2.gz");
    EXPECT_EQ(nomVariante("\\sans", 3, 255), "\\sans-3");
    EXPECT_EQ(nomVariante("\\.cache", 2, 255), "\\.cache-2");
    // "été" is 5 bytes in UTF-8: cut to 3, the "é" of 2 bytes stays whole or goes.
    EXPECT_EQ(nomVariante("\\\xc3\xa9t\xc3\xa9.jpg", 2, 1 + 3 + 6), "\\\xc3\xa9t-2.jpg");
    EXPECT_EQ(nomVariante("\\\xc3\xa9t\xc3\xa9.jpg", 2, 1 + 2 + 6), "\\\xc3\xa9-2.jpg");
    EXPECT_EQ(nomVariante("\\\xc3\xa9t\xc3\xa9.jpg", 2, 1 + 1 + 6), "");
    EXPECT_EQ(nomVariante("\\photo.jpg", 2, 7), "");
}

TEST(memesOctets, sameBytesSameFile_differentSizeOrBytes) {
    DossierTemporaire d;
    ecrireOctets(d / "a", std::string(200000, 'x') + "1");
    ecrireOctets(d / "b", std::string(200000, 'x') + "1");
    ecrireOctets(d / "c", std::string(200000, 'x') + "2");
    ecrireOctets(d / "e", "");
    ecrireOctets(d / "f", "");
    EXPECT_TRUE(memesOctets(d / "a", d / "b"));
    EXPECT_TRUE(memesOctets(d / "a", d / "a"));
    EXPECT_FALSE(memesOctets(d / "a", d / "c"));
    EXPECT_FALSE(memesOctets(d / "a", d / "e"));
    EXPECT_TRUE(memesOctets(d / "e", d / "f"));
    EXPECT_FALSE(memesOctets(d / "a", d / "absent"));
    EXPECT_FALSE(memesOctets(d.str(), d.str()));
}
