#include "image/formats_ajoutes.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/services.h"
#include "platform/images.h"

std::string nomFormat(const std::string& ext) {
    if (ext == "tif" || ext == "tiff") return "TIFF";
    if (ext == "heic" || ext == "heif") return "HEIF";
    if (ext == "webp") return "WebP";
    if (ext == "avif") return "AVIF";
    std::string n = ext;
    for (char& c : n) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return n;
}

namespace {

[[noreturn]] void tropGrande(long long largeur, long long hauteur) {
    throw Erreur("l'image est trop grande (" + std::to_string(largeur) + " × " +
                 std::to_string(hauteur) + " pixels)");
}

QImage lireAvecQt(const QByteArray& octets, const std::string& ext) {
    const QByteArray format = ext == "tif" ? QByteArray("tiff") : QByteArray::fromStdString(ext);
    if (!QImageReader::supportedImageFormats().contains(format)) {
        throw Erreur("le format " + nomFormat(ext) + " n'est pas installé sur cet ordinateur");
    }
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, format);
    lecteur.setDecideFormatFromContent(false);
    if (!lecteur.canRead()) throw Erreur("ce n'est pas une image " + nomFormat(ext) + " valide");
    // The header's size, read before the pixels: a few bytes can announce gigabytes.
    const QSize taille = lecteur.size();
    if (!taille.isValid() || taille.isEmpty()) {
        throw Erreur("ce n'est pas une image " + nomFormat(ext) + " valide");
    }
    if (static_cast<long long>(taille.width()) * taille.height() > kPixelsMax) {
        tropGrande(taille.width(), taille.height());
    }
    lecteur.setAutoTransform(true);
    QImage image = lecteur.read();
    // Qt's GIF reader shows what it got of a cut file; a whole GIF ends with its trailer.
    const bool gifCoupe = ext == "gif" && !octets.endsWith(';');
    if (image.isNull() || gifCoupe) {
        throw Erreur("le fichier " + nomFormat(ext) + " est tronqué ou endommagé");
    }
    return image;
}

}  // namespace

QImage decoderFormatAjoute(const QByteArray& octets, const std::string& extension) {
    if (extension == "png" || extension == "gif" || extension == "webp" || extension == "tif" ||
        extension == "tiff") {
        return lireAvecQt(octets, extension);
    }
    throw Erreur("l'extension ." + extension + " n'est pas un format d'image connu");
}

QImage aLaTaille(const QImage& image, QSize cible) {
    QSize taille = image.size();
    if (cible.isValid() && !cible.isEmpty()) {
        taille = cible;
    } else {
        const long long pixels = static_cast<long long>(taille.width()) * taille.height();
        if (pixels > kPixelsRenvoyesMax) {
            const double f = std::sqrt(static_cast<double>(kPixelsRenvoyesMax) / static_cast<double>(pixels));
            taille = QSize(std::max(1, static_cast<int>(taille.width() * f)),
                           std::max(1, static_cast<int>(taille.height() * f)));
        }
    }
    // Scaled first, then laid on white (transparent parts show white, as in the frame): a
    // photo of 12 million pixels for a 178-pixel frame is never copied whole again.
    const QImage reduite = taille == image.size()
                               ? image
                               : image.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!reduite.hasAlphaChannel()) return reduite.convertToFormat(QImage::Format_RGB32);
    QImage opaque(taille, QImage::Format_RGB32);
    if (opaque.isNull()) throw Erreur("mémoire insuffisante");
    opaque.fill(Qt::white);
    QPainter peintre(&opaque);
    peintre.drawImage(0, 0, reduite);
    peintre.end();
    return opaque;
}
