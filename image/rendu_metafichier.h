#pragma once
// Drawing a Windows vector picture (WMF or EMF) in this process: the bytes are checked, turned
// into SVG by libwmf or libemf2svg, and the SVG is drawn by librsvg at the size asked for.
// These are old C libraries fed with files from elsewhere: the program runs this code only
// in brevandoux-image, never in its own process.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "platform/metafichier.h"

// Draws the metafile on a white picture of size cible; its picture frame fills the whole
// picture, stretched as every picture of the frame is. An invalid or empty cible gives the
// picture's own size at 96 dots per inch, within 1 and 2000 pixels a side. Throws Erreur
// with the French reason (without the file name) for bytes that are not a usable metafile.
// One picture per process: libemf2svg shuts fontconfig down once done, which the fonts of
// text drawn before in the same process would not survive.
QImage dessinerMetafichier(const QByteArray& octets, FormatMetafichier format, QSize cible);
