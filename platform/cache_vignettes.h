#pragma once
// The desktop's thumbnail cache, as the freedesktop thumbnail standard lays it out: the folder
// of each size, the file named by the MD5 of the picture's URI, the keys that say which
// picture and which version of it a thumbnail shows, and the atomic writing with private modes.
// Names and keys only: the thumbnails themselves are decoded by the confined picture programs.

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>

// The size classes of the standard: 128 (normal), 256 (large), 512 (x-large), 1024
// (xx-large). The smallest one at least as large as pixels (the largest beyond it).
int classeVignette(int pixels);
// The folder name of a size class ("normal", "large", "x-large", "xx-large").
QString dossierClasse(int classe);

// $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails.
QString racineVignettes();
// The folder of the program's failure notes under the root: fail/brevandoux-VERSION.
QString dossierEchecs(const QString& racine);

// The picture's file:// URI, each byte outside the letters, digits and -_.!~*'()/&=:@+$, of its
// UTF-8 path written %XX, as the desktop's libraries write it.
QString uriFichier(const QString& cheminAbsolu);
// The MD5 of the URI in lower-case hexadecimal, followed by ".png".
QString nomVignette(const QString& uri);

// A picture as the thumbnail keys name it.
struct SourceVignette {
    QString chemin;  // absolute
    QString uri;
    qint64 mtime = 0;   // seconds
    qint64 taille = 0;  // bytes
};

// Whether the texts of a thumbnail (or of a failure note) say they stand for this version of
// the picture: same Thumb::URI, same Thumb::MTime, and same Thumb::Size when it is given.
bool vignetteValable(const QHash<QString, QString>& textes, const SourceVignette& source);

// The key under which the program keeps, in its failure notes, why a picture was refused.
inline const char* const kCleRaison = "X-Brevandoux::Raison";

// The PNG of a thumbnail with its keys; a failure note when raison is not empty (a 1 × 1
// transparent picture then). Empty when it cannot be encoded.
QByteArray pngVignette(const QImage& image, const SourceVignette& source, const QString& raison = {});

// Writes the bytes to dossier/nom through a temporary name renamed over it, the file 0600,
// the folders made 0700 as needed. Returns the French reason of a failure, else empty.
QString ecrireVignette(const QString& dossier, const QString& nom, const QByteArray& octets);
