#pragma once
// Decoding the picture formats people have today beside the card file's own ones: PNG and
// GIF (Qt's readers), WebP and TIFF (Qt's image format plugins) here; HEIC and AVIF
// (libheif) in image/decodage_heif.h. Only the confined picture programs call this, once
// they have shut themselves in: these decoders are large and fed with files from anywhere.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string>

#include "platform/metafichier.h"

// Decodes the bytes of a PNG, GIF, WebP or TIFF picture of that extension (lower case,
// without the dot), turned upright as the file asks (TIFF orientation tag), first frame of
// an animation. A header announcing more than kPixelsMax pixels is refused before anything
// is allocated for the pixels. Throws Erreur with the French reason (without the file name).
QImage decoderFormatAjoute(const QByteArray& octets, const std::string& extension);

// The decoded picture at the size it travels at: exactly cible when it is given (the frame
// and the page stretch it there anyway), else its own size, scaled down keeping its
// proportions when it has more than kPixelsRenvoyesMax pixels.
QImage aLaTaille(const QImage& image, QSize cible);

// The format's name in the messages ("PNG", "WebP", "TIFF", "HEIF"...).
std::string nomFormat(const std::string& extension);
