// Phone photos drawn upright: the EXIF Orientation tag read by our own bounded reader, the
// decoded picture turned as a photo viewer turns it, and hostile segments ignored safely.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <random>

#include "platform/images.h"
#include "platform/orientation_exif.h"
#include "tests/support/photo_orientee.h"

namespace {

// A reader that is not ours: Qt's JPEG plugin honours the tag when asked to.
QImage luParQt(const QByteArray& octets) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, "jpeg");
    lecteur.setAutoTransform(true);
    return lecteur.read();
}

}  // namespace

TEST(OrientationExif, decoderJpeg_everyOrientationBothByteOrders_quartersWhereAViewerPutsThem) {
    for (const bool gros : {false, true}) {
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE("orientation " + std::to_string(o) + (gros ? " MM" : " II"));
            const QByteArray octets = photoOrientee(o, 64, 32, gros);
            EXPECT_EQ(orientationExif(octets), o);
            const QImage image = decoderJpeg(octets, QSize());
            EXPECT_EQ(image.size(), echangeLesCotes(o) ? QSize(32, 64) : QSize(64, 32));
            EXPECT_EQ(quartsFaux(image, o), "");
            const QImage reference = luParQt(octets);
            ASSERT_EQ(reference.size(), image.size());
            EXPECT_EQ(quartsFaux(reference, o), "") << "la référence elle-même";
        }
    }
}

TEST(OrientationExif, chargerImage_turnedPhoto_decodedAtAScaleCoveringTheUprightTarget) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    // Stored 1600 × 400, upright 400 × 1600. The upright target 100 × 400 is the stored
    // 400 × 100: a quarter scale covers it. Compared without turning the target, the stored
    // 400 rows could never cover 400 × 8 / 8 at less than full scale.
    const QString chemin = dossier.path() + "/portrait.jpg";
    ecrirePhotoOrientee(chemin, 6, 1600, 400);
    const QImage image = chargerImage(chemin.toStdString(), QSize(100, 400));
    EXPECT_EQ(image.size(), QSize(100, 400));
    EXPECT_EQ(quartsFaux(image, 6), "");
}

TEST(OrientationExif, orientationExif_filesWithoutAUsableTag_readAsStored) {
    const QByteArray sans = photoOrientee(0);
    EXPECT_EQ(orientationExif(sans), 1);
    const auto avecValeur = [](int v) { return photoOrientee(v); };
    EXPECT_EQ(orientationExif(avecValeur(9)), 1);
    EXPECT_EQ(orientationExif(avecValeur(0xFFFF)), 1);
    EXPECT_EQ(orientationExif(QByteArray()), 1);
    EXPECT_EQ(orientationExif(QByteArray("\xFF\xD8", 2)), 1);
    EXPECT_EQ(orientationExif(QByteArray("not a jpeg at all")), 1);

    QByteArray exif = photoOrientee(6);
    // Offsets inside the segment: 2 (SOI) + 4 (marker, length) + 6 ("Exif\0\0") = TIFF at 12.
    constexpr int kTiff = 12;
    QByteArray mauvais = exif;
    mauvais[kTiff + 4] = char(0xF0);  // IFD0 far beyond the segment
    EXPECT_EQ(orientationExif(mauvais), 1);
    mauvais = exif;
    // 65535 entries announced, none of them the orientation: the walk stops at the end.
    mauvais[kTiff + 8] = char(0xFF), mauvais[kTiff + 9] = char(0xFF);
    mauvais[kTiff + 22] = 0x13;
    EXPECT_EQ(orientationExif(mauvais), 1);
    mauvais = exif;
    mauvais[kTiff + 2] = 43;  // not TIFF's magic number
    EXPECT_EQ(orientationExif(mauvais), 1);
    mauvais = exif;
    mauvais[kTiff + 10 + 12 + 2] = 4;  // orientation stored as LONG: not the standard's SHORT
    EXPECT_EQ(orientationExif(mauvais), 1);
    mauvais = exif;
    mauvais[4] = 0, mauvais[5] = 1;  // segment length below its own length field
    EXPECT_EQ(orientationExif(mauvais), 1);
    mauvais = exif;
    mauvais[4] = char(0xFF), mauvais[5] = char(0xFF);  // segment longer than the file
    EXPECT_EQ(orientationExif(mauvais), 1);
}

TEST(OrientationExif, orientationExif_everyTruncationAndRandomDamage_staysWithinTheBytes) {
    // Run under the address sanitizer in CI: any read past the end is a failure there.
    const QByteArray exif = photoOrientee(8);
    for (qsizetype n = 0; n <= 80; ++n) {
        const int o = orientationExif(QByteArray(exif.constData(), n));
        EXPECT_TRUE(o == 1 || o == 8) << n;
    }
    std::mt19937 hasard(30);
    for (int essai = 0; essai < 20000; ++essai) {
        QByteArray abime = exif.left(80);
        const int coups = 1 + static_cast<int>(hasard() % 4);
        for (int c = 0; c < coups; ++c) abime[2 + hasard() % 78] = static_cast<char>(hasard());
        // Copied to a buffer of its own size, so that the sanitizer sees its exact end.
        const QByteArray juste(abime.constData(), abime.size());
        const int o = orientationExif(juste);
        EXPECT_GE(o, 1);
        EXPECT_LE(o, 8);
    }
}

TEST(OrientationExif, decoderJpeg_tagAfterThePictureData_isNotSought) {
    // A tag only counts before the scan: a segment smuggled after it is never read.
    QByteArray octets = photoOrientee(0);
    octets.insert(octets.size() - 2, segmentExif(6, false));
    EXPECT_EQ(orientationExif(octets), 1);
}
