#pragma once
// The contrast rule of core/contraste.h on Qt's colours and palettes, for every window of the
// program: the main window's described colours, the help pages, the dialogs.

#include <QColor>
#include <QPalette>

class QTextDocument;

// Whether described fixed colours are to be made readable: on a dark palette always, on a
// light one when the user asked for contrasted colours.
bool couleursAAjuster(const QPalette& palette, bool contrastees);

// couleur, or the colour of its hue lightened (dark background) or darkened (light
// background) until it reads on fond at 4.5:1.
QColor couleurLisible(const QColor& couleur, const QColor& fond);
// Black or white, whichever reads on a fixed background (a highlight).
QColor texteLisibleSur(const QColor& fond);
double contrasteEntre(const QColor& a, const QColor& b);

// Every run of text of document whose colour does not read on what lies behind it (its own
// background, its paragraph's, or the palette's base) takes the readable colour of its hue:
// the help pages' fixed colours and the links, drawn with the palette's link colour, stay
// readable on any desktop.
void rendreDocumentLisible(QTextDocument& document, const QPalette& palette);
