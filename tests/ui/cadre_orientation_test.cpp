// The picture frame shows a phone photo upright, whatever EXIF orientation it carries, and
// stretches the upright picture (not the stored one) over its square.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/support/photo_orientee.h"
#include "ui/cadre_image.h"

class CadreOrientation : public ::testing::TestWithParam<int> {};

TEST_P(CadreOrientation, charger_photo_quartersWhereAViewerPutsThem) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    const QString chemin = dossier.path() + "/photo.jpg";
    ecrirePhotoOrientee(chemin, GetParam(), 96, 48);
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.charger(chemin.toStdString());
    const QImage vue = cadre.grab().toImage();
    ASSERT_EQ(vue.size(), QSize(178, 178));
    EXPECT_EQ(quartsFaux(vue, GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(ToutesLesOrientations, CadreOrientation, ::testing::Range(1, 9),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return "orientation" + std::to_string(i.param);
                         });
