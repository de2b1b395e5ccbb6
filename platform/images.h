#pragma once
// Loading a picture file for the picture frame and the printed page, chosen by extension.

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <string>

// Pictures whose header announces more pixels than this are refused before decoding.
constexpr long long kPixelsMax = 100'000'000;

// Loads the picture, decoded no larger than needed to cover cible (JPEG is decoded at a
// reduced scale when it can); a WMF or EMF metafile is drawn at exactly cible on white. Throws Erreur with a French message when the file cannot be
// read, is not a picture of its extension, is too large, or has an unknown extension.
QImage chargerImage(const std::string& chemin, QSize cible);

// chargerImage in two steps, for brevandoux-image, which shuts itself off from the files once
// its own are open: ouvrirImage makes the checks of chargerImage on the name and the file and
// opens it; decoderImage reads it and decodes it, chemin naming it in the messages.
std::unique_ptr<QFile> ouvrirImage(const std::string& chemin);
QImage decoderImage(const std::string& chemin, QFile& fichier, QSize cible);

// A PNG, GIF, WebP, TIFF, HEIC or AVIF file by its extension: decoded by brevandoux-image.
bool estFormatAjoute(const std::string& chemin);
// Among those, HEIC and AVIF: decoded by brevandoux-heif.
bool estFormatHeif(const std::string& chemin);

// A WMF or EMF file by its extension: drawn by brevandoux-image in a process of its own.
bool estMetafichier(const std::string& chemin);

// Decodes JPEG bytes with libjpeg-turbo, turned upright as its EXIF Orientation asks (cible
// is the size wanted once upright); every libjpeg error becomes an Erreur.
QImage decoderJpeg(const QByteArray& octets, QSize cible);

// The filter of the picture-open dialog ("description|*.jpg;*.bmp|...").
QString filtreImages();
