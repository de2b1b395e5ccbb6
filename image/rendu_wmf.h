#pragma once
// Drawing a WMF: libwmf turns it into SVG on the picture's own frame, librsvg draws that.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace metafichier {

// As dessinerMetafichier (image/rendu_metafichier.h) for a WMF.
QImage dessinerWmf(const QByteArray& octets, QSize cible);

}  // namespace metafichier
