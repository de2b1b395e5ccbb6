#pragma once
// The EXIF Orientation tag of a JPEG file: phones store the sensor's pixels as they were
// taken and say in this tag how a viewer must turn or mirror them to show the photo upright.

#include <QByteArray>
#include <QImage>

// The Orientation (1 to 8) of the first APP1 "Exif" segment before the picture data; 1
// (as stored) when the file has none, or when the segment is damaged or the value invalid.
int orientationExif(const QByteArray& jpeg);

// The picture turned and mirrored as the orientation asks, so that it reads upright.
QImage redresser(const QImage& image, int orientation);

// Orientations 5 to 8 give the stored picture a quarter turn: its width becomes the height.
inline bool echangeLesCotes(int orientation) { return orientation >= 5 && orientation <= 8; }
