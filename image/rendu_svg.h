#pragma once
// Drawing the SVG that libwmf and libemf2svg write: framed on the picture's own frame and
// drawn by librsvg at the size asked for.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "image/metafichier_commun.h"

namespace metafichier {

// Gives the root element the size to draw at and a viewBox that is exactly the picture
// frame: the converters declare a size of their own, which may leave part of the drawing
// out. Without a frame (vue not valide), the declared size is the frame.
QByteArray cadrerSvg(const QByteArray& svg, Boite vue, QSize taille);

// Draws the SVG on a white picture of size taille; refuses an SVG librsvg cannot draw.
QImage dessinerSvg(const QByteArray& svg, QSize taille);

// Whether a picture shows next to nothing on its white ground: a drawing whose mapping
// squeezes it into a point leaves a dot or two of its line ends there.
bool blanche(const QImage& image);

}  // namespace metafichier
