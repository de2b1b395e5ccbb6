#pragma once
// Windows vector pictures (WMF and EMF) for the picture frame and the printed page. They are
// drawn by brevandoux-image, a program of our own started for each picture, with a time and
// memory budget, at the size asked for, so that the picture stays sharp on paper.

#include <QByteArray>
#include <QImage>
#include <QSize>

enum class FormatMetafichier { Wmf, Emf };

// Metafiles larger than this are refused before any conversion.
constexpr qsizetype kTailleMetafichierMax = 32 * 1024 * 1024;
// Metafiles with more records than this are refused: drawing time grows with them.
constexpr long kEnregistrementsMetafichierMax = 200'000;

// Draws the metafile on a white picture of size cible; its picture frame fills the whole
// picture, stretched as every picture of the frame is. An invalid or empty cible gives the
// picture's own size at 96 dots per inch, within 1 and 2000 pixels a side. Throws Erreur
// with the French reason (without the file name) for bytes that are not a usable metafile,
// and when the drawing program cannot be found, crashes or runs out of time or memory.
QImage rendreMetafichier(const QByteArray& octets, FormatMetafichier format, QSize cible);
