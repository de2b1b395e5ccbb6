// A HEIC file's thumbnail stands in for the photo when it has the pixels asked for, and only
// then: files are made here with libheif, the photo red and its thumbnail made from a blue
// picture, so that the colour tells which one was decoded.

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QByteArray>
#include <QImage>
#include <cstring>

#include "image/decodage_heif.h"

namespace {

heif_image* unie(int largeur, int hauteur, QRgb couleur) {
    heif_image* image = nullptr;
    heif_image_create(largeur, hauteur, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, largeur, hauteur, 8);
    int pas = 0;
    uint8_t* p = heif_image_get_plane(image, heif_channel_interleaved, &pas);
    for (int y = 0; y < hauteur; ++y) {
        for (int x = 0; x < largeur; ++x) {
            uint8_t* px = p + y * pas + x * 3;
            px[0] = static_cast<uint8_t>(qRed(couleur));
            px[1] = static_cast<uint8_t>(qGreen(couleur));
            px[2] = static_cast<uint8_t>(qBlue(couleur));
        }
    }
    return image;
}

heif_error ecrire(heif_context*, const void* donnees, size_t taille, void* tampon) {
    static_cast<QByteArray*>(tampon)->append(static_cast<const char*>(donnees), static_cast<qsizetype>(taille));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// A red photo of largeur × hauteur stored as the sensor saw it, turned as orientation says
// (EXIF numbering), with a blue thumbnail of at most cote pixels turned the same way when
// vignetteTournee, else left as stored.
QByteArray heic(int largeur, int hauteur, int cote, int orientation = 1, bool vignetteTournee = true) {
    heif_context* contexte = heif_context_alloc();
    heif_encoder* codeur = nullptr;
    heif_context_get_encoder_for_format(contexte, heif_compression_HEVC, &codeur);
    heif_encoder_set_lossy_quality(codeur, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_image* photo = unie(largeur, hauteur, qRgb(220, 20, 20));
    heif_image* bleue = unie(largeur, hauteur, qRgb(20, 20, 220));
    heif_image_handle* principale = nullptr;
    heif_context_encode_image(contexte, photo, codeur, options, &principale);
    heif_image_handle* vignette = nullptr;
    if (!vignetteTournee) options->image_orientation = heif_orientation_normal;
    heif_context_encode_thumbnail(contexte, bleue, principale, codeur, options, cote, &vignette);
    QByteArray octets;
    heif_writer ecrivain{1, ecrire};
    heif_context_write(contexte, &ecrivain, &octets);
    if (vignette) heif_image_handle_release(vignette);
    heif_image_handle_release(principale);
    heif_image_release(photo);
    heif_image_release(bleue);
    heif_encoding_options_free(options);
    heif_encoder_release(codeur);
    heif_context_free(contexte);
    return octets;
}

bool bleue(const QImage& image) {
    const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
    return qBlue(centre) > 150 && qRed(centre) < 100;
}

}  // namespace

struct CasVignette {
    const char* nom;
    QSize cible;
    bool vignette;
};

class VignetteHeif : public ::testing::TestWithParam<CasVignette> {};

// The photo is 640 × 480, its thumbnail 320 × 240.
TEST_P(VignetteHeif, decoderHeif_thumbnailOnlyWhenItCoversTheTarget) {
    static const QByteArray fichier = heic(640, 480, 320);
    const CasVignette& cas = GetParam();
    const QImage image = decoderHeif(fichier, "heic", cas.cible);
    EXPECT_EQ(bleue(image), cas.vignette);
    EXPECT_EQ(image.size(), cas.vignette ? QSize(320, 240) : QSize(640, 480));
}

INSTANTIATE_TEST_SUITE_P(
    Tailles, VignetteHeif,
    ::testing::Values(CasVignette{"cadre1x", QSize(178, 178), true},
                      CasVignette{"tailleExacte", QSize(320, 240), true},
                      CasVignette{"cadre2x", QSize(356, 356), false},
                      CasVignette{"unPixelDeTropEnHauteur", QSize(320, 241), false},
                      CasVignette{"sansCible", QSize(), false}),
    [](const ::testing::TestParamInfo<CasVignette>& i) { return std::string(i.param.nom); });

TEST(VignetteHeifOrientee, decoderHeif_turnedPhoto_thumbnailTurnedAsThePhoto) {
    // Stored 640 × 480, shown 480 × 640 (Orientation 6): the thumbnail comes upright too.
    const QImage image = decoderHeif(heic(640, 480, 320, 6), "heic", QSize(178, 178));
    EXPECT_TRUE(bleue(image));
    EXPECT_EQ(image.size(), QSize(240, 320));
}

TEST(VignetteHeifOrientee, decoderHeif_thumbnailLeftUnturned_mainPictureInstead) {
    // A thumbnail without the photo's rotation would show it on its side.
    const QImage image = decoderHeif(heic(640, 480, 320, 6, false), "heic", QSize(178, 178));
    EXPECT_FALSE(bleue(image));
    EXPECT_EQ(image.size(), QSize(480, 640));
}
