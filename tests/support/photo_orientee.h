#pragma once
// Phone-like JPEG files made in the test: a stored picture of four coloured quarters with an
// APP1 "Exif" segment carrying an Orientation tag, and what a photo viewer shows for each
// orientation, to be compared with sampled pixels.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <array>
#include <cstdint>

// The stored quarters: top-left, top-right, bottom-left, bottom-right.
inline const std::array<QColor, 4> kQuartsStockes = {QColor(Qt::red), QColor(Qt::blue),
                                                     QColor(Qt::green), QColor(Qt::yellow)};

// Where a viewer puts the stored quarters (indexes into kQuartsStockes, displayed top-left,
// top-right, bottom-left, bottom-right), orientation by orientation, as the EXIF standard
// describes them: 2 mirrored left-right, 3 half turn, 4 mirrored top-bottom, 5 transposed,
// 6 quarter turn clockwise, 7 transverse, 8 quarter turn counter-clockwise.
inline std::array<int, 4> quartsVus(int orientation) {
    switch (orientation) {
        case 2: return {1, 0, 3, 2};
        case 3: return {3, 2, 1, 0};
        case 4: return {2, 3, 0, 1};
        case 5: return {0, 2, 1, 3};
        case 6: return {2, 0, 3, 1};
        case 7: return {3, 1, 2, 0};
        case 8: return {1, 3, 0, 2};
        default: return {0, 1, 2, 3};
    }
}

// An APP1 Exif segment holding IFD0 with one Orientation entry, in either byte order.
inline QByteArray segmentExif(int orientation, bool grosBoutiste) {
    QByteArray tiff;
    const auto mot = [&](std::uint16_t v) {
        if (grosBoutiste) tiff.append(char(v >> 8)).append(char(v & 0xFF));
        else tiff.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto long_ = [&](std::uint32_t v) {
        if (grosBoutiste) { mot(std::uint16_t(v >> 16)); mot(std::uint16_t(v)); }
        else { mot(std::uint16_t(v)); mot(std::uint16_t(v >> 16)); }
    };
    tiff.append(grosBoutiste ? "MM" : "II");
    mot(42);
    long_(8);
    mot(2);  // two entries: one before the orientation, as cameras write them
    mot(0x010F), mot(2), long_(4), tiff.append("abc", 4);  // Make, ASCII, 4 bytes inline
    mot(0x0112), mot(3), long_(1), mot(std::uint16_t(orientation)), mot(0);
    long_(0);
    QByteArray s("\xFF\xE1", 2);
    const int longueur = 2 + 6 + static_cast<int>(tiff.size());
    s.append(char(longueur >> 8)).append(char(longueur & 0xFF));
    s.append(QByteArray("Exif\0\0", 6)).append(tiff);
    return s;
}

// The stored picture (largeur × hauteur, four quarters) as JPEG bytes; with an orientation,
// an Exif segment right after the start marker, as phones write it.
inline QByteArray photoOrientee(int orientation, int largeur = 64, int hauteur = 32,
                                bool grosBoutiste = false) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    QPainter p(&image);
    const int l = largeur / 2, h = hauteur / 2;
    p.fillRect(0, 0, l, h, kQuartsStockes[0]);
    p.fillRect(l, 0, largeur - l, h, kQuartsStockes[1]);
    p.fillRect(0, h, l, hauteur - h, kQuartsStockes[2]);
    p.fillRect(l, h, largeur - l, hauteur - h, kQuartsStockes[3]);
    p.end();
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&tampon, "JPG", 95));
    if (orientation > 0) octets.insert(2, segmentExif(orientation, grosBoutiste));
    return octets;
}

inline void ecrirePhotoOrientee(const QString& chemin, int orientation, int largeur = 64,
                                int hauteur = 32) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << chemin.toStdString();
    const QByteArray octets = photoOrientee(orientation, largeur, hauteur);
    ASSERT_EQ(f.write(octets), octets.size());
}

inline bool procheDe(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 60 && std::abs(a.green() - b.green()) < 60 &&
           std::abs(a.blue() - b.blue()) < 60;
}

// Samples the middle of each quarter of the rectangle r of the picture and says which
// quarters are not the colour a viewer shows there (empty when all four are right).
inline std::string quartsFaux(const QImage& image, int orientation, QRect r = {}) {
    if (r.isNull()) r = image.rect();
    const std::array<int, 4> vus = quartsVus(orientation);
    std::string fautes;
    for (int q = 0; q < 4; ++q) {
        const int x = r.x() + r.width() * (q % 2 == 0 ? 1 : 3) / 4;
        const int y = r.y() + r.height() * (q < 2 ? 1 : 3) / 4;
        const QColor vu = image.pixelColor(x, y);
        if (!procheDe(vu, kQuartsStockes[vus[q]])) {
            fautes += "quart " + std::to_string(q) + " (" + std::to_string(x) + "," +
                      std::to_string(y) + ") est " + vu.name().toStdString() + " au lieu de " +
                      kQuartsStockes[vus[q]].name().toStdString() + "; ";
        }
    }
    return fautes;
}
