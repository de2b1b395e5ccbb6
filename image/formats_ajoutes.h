#pragma once
// Decoding the picture formats people have today beside the card file's own ones: PNG and
// GIF (Qt's readers), WebP and TIFF (Qt's image format plugins), HEIC and AVIF (libheif).
// Only brevandoux-image calls this, once it has shut itself in: these decoders are large
// and fed with files from anywhere.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string>

#include "platform/metafichier.h"

// Decodes the bytes of a picture of that extension (lower case, without the dot), turned
// upright as the file asks (TIFF orientation tag, HEIF rotation and mirror), first frame of
// an animation. A header announcing more than kPixelsMax pixels is refused before anything
// is allocated for the pixels. Throws Erreur with the French reason (without the file name).
QImage decoderFormatAjoute(const QByteArray& octets, const std::string& extension);

// The decoded picture at the size it travels at: exactly cible when it is given (the frame
// and the page stretch it there anyway), else its own size, scaled down keeping its
// proportions when it has more than kPixelsRenvoyesMax pixels.
QImage aLaTaille(const QImage& image, QSize cible);
