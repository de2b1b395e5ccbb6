#include "image/formats_ajoutes.h"

#include <libheif/heif.h>

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/services.h"
#include "platform/images.h"

namespace {

std::string nomFormat(const std::string& ext) {
    if (ext == "tif" || ext == "tiff") return "TIFF";
    if (ext == "heic" || ext == "heif") return "HEIF";
    if (ext == "webp") return "WebP";
    if (ext == "avif") return "AVIF";
    std::string n = ext;
    for (char& c : n) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return n;
}

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

struct Heif {
    heif_context* contexte = heif_context_alloc();
    heif_image_handle* poignee = nullptr;
    heif_image* image = nullptr;
    heif_decoding_options* options = heif_decoding_options_alloc();
    ~Heif() {
        if (image) heif_image_release(image);
        if (poignee) heif_image_handle_release(poignee);
        if (options) heif_decoding_options_free(options);
        if (contexte) heif_context_free(contexte);
    }
};

QImage lireAvecLibheif(const QByteArray& octets, const std::string& ext) {
    const std::string nom = nomFormat(ext);
    Heif h;
    if (!h.contexte || !h.options) throw Erreur("mémoire insuffisante");
    heif_error e = heif_context_read_from_memory_without_copy(
        h.contexte, octets.constData(), static_cast<size_t>(octets.size()), nullptr);
    if (e.code != heif_error_Ok) throw Erreur("ce n'est pas une image " + nom + " valide");
    e = heif_context_get_primary_image_handle(h.contexte, &h.poignee);
    if (e.code != heif_error_Ok) throw Erreur("ce n'est pas une image " + nom + " valide");
    const long long largeur = heif_image_handle_get_width(h.poignee);
    const long long hauteur = heif_image_handle_get_height(h.poignee);
    if (largeur <= 0 || hauteur <= 0) throw Erreur("ce n'est pas une image " + nom + " valide");
    if (largeur * hauteur > kPixelsMax) tropGrande(largeur, hauteur);
    // libheif applies the file's rotation and mirroring itself (ignore_transformations is 0).
    e = heif_decode_image(h.poignee, &h.image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                          h.options);
    if (e.code != heif_error_Ok) {
        if (e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype) {
            throw Erreur("ce type d'image " + nom + " n'est pas pris en charge");
        }
        throw Erreur("le fichier " + nom + " est tronqué ou endommagé");
    }
    int pas = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(h.image, heif_channel_interleaved, &pas);
    const int l = heif_image_get_width(h.image, heif_channel_interleaved);
    const int ht = heif_image_get_height(h.image, heif_channel_interleaved);
    if (!pixels || l <= 0 || ht <= 0 || pas < l * 4) {
        throw Erreur("le fichier " + nom + " est tronqué ou endommagé");
    }
    QImage image(l, ht, QImage::Format_RGBA8888);
    if (image.isNull()) throw Erreur("mémoire insuffisante");
    for (int y = 0; y < ht; ++y) {
        std::memcpy(image.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * pas,
                    static_cast<std::size_t>(l) * 4);
    }
    return image;
}

}  // namespace

QImage decoderFormatAjoute(const QByteArray& octets, const std::string& extension) {
    if (extension == "heic" || extension == "heif" || extension == "avif") {
        return lireAvecLibheif(octets, extension);
    }
    if (extension == "png" || extension == "gif" || extension == "webp" || extension == "tif" ||
        extension == "tiff") {
        return lireAvecQt(octets, extension);
    }
    throw Erreur("l'extension ." + extension + " n'est pas un format d'image connu");
}

QImage aLaTaille(const QImage& image, QSize cible) {
    // Transparent parts on white, as the frame shows them.
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull()) throw Erreur("mémoire insuffisante");
    opaque.fill(Qt::white);
    {
        QPainter peintre(&opaque);
        peintre.drawImage(0, 0, image);
    }
    if (cible.isValid() && !cible.isEmpty()) {
        return opaque.scaled(cible, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const long long pixels = static_cast<long long>(opaque.width()) * opaque.height();
    if (pixels <= kPixelsRenvoyesMax) return opaque;
    const double f = std::sqrt(static_cast<double>(kPixelsRenvoyesMax) / static_cast<double>(pixels));
    return opaque.scaled(std::max(1, static_cast<int>(opaque.width() * f)),
                         std::max(1, static_cast<int>(opaque.height() * f)), Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
}
