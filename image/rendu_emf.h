#pragma once
// Drawing an EMF: libemf2svg turns it into SVG, librsvg draws that on the picture's frame.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace metafichier {

// As dessinerMetafichier (image/rendu_metafichier.h) for an EMF.
QImage dessinerEmf(const QByteArray& octets, QSize cible);

}  // namespace metafichier
