#pragma once
// Phone photos as the benchmarks make them: a JPEG given the EXIF orientation a phone writes.

#include <QByteArray>

// APP1 "Exif", little-endian TIFF, IFD0 with the one Orientation entry.
inline QByteArray avecOrientation(QByteArray jpeg, int orientation) {
    const char tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                         static_cast<char>(orientation), 0, 0, 0, 0, 0, 0, 0};
    QByteArray segment("\xFF\xE1", 2);
    const int longueur = 2 + 6 + static_cast<int>(sizeof tiff);
    segment.append(static_cast<char>(longueur >> 8)).append(static_cast<char>(longueur & 0xFF));
    segment.append(QByteArray("Exif\0\0", 6)).append(tiff, sizeof tiff);
    jpeg.insert(2, segment);
    return jpeg;
}
