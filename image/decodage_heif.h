#pragma once
// HEIC and AVIF pictures, decoded by libheif (with libde265 and dav1d) in brevandoux-heif, a
// program of its own: libheif is under the LGPL version 3, which cannot be linked into
// brevandoux-image beside libemf2svg (GPL version 2 only).

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string>

// Decodes a HEIC, HEIF or AVIF picture (extension in lower case, without the dot), turned
// and mirrored as the file's own transformations ask. A file declaring a picture of more
// than kPixelsMax pixels (its tiles, thumbnails and canvases included) is refused before
// anything is decoded. When the file carries a thumbnail that
// covers cible once turned, with the picture's proportions, the smallest such thumbnail is
// decoded instead (turned by its own transformations, as the main picture is by its own).
// Throws Erreur with the French reason.
QImage decoderHeif(const QByteArray& octets, const std::string& extension, QSize cible = QSize());
