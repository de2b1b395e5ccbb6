#pragma once
// Windows vector pictures (WMF and EMF) for the picture frame and the printed page. They are
// drawn by brevandoux-image, a program of our own started for each picture, with a time and
// memory budget, at the size asked for, so that the picture stays sharp on paper.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string>

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

// The pictures of the formats added to the card file's own (PNG, GIF, WebP, TIFF, HEIC,
// AVIF), decoded by brevandoux-image too, under the same limits. Without a target they come
// back at their own size, scaled down keeping their proportions beyond this many pixels.
constexpr long long kPixelsRenvoyesMax = 16'000'000;
// Files of those formats larger than this are refused before they are sent.
constexpr qsizetype kTailleImageAjouteeMax = 256 * 1024 * 1024;

// Decodes the bytes of a picture of that extension (lower case, no dot) in brevandoux-image,
// turned upright, at exactly cible when it is valid and not empty. Throws Erreur with the
// French reason (without the file name) as rendreMetafichier does.
QImage rendreImageAjoutee(const QByteArray& octets, const std::string& extension, QSize cible);
