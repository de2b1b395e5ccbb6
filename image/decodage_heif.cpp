#include "image/decodage_heif.h"

#include <libheif/heif.h>

#include <cstring>

#include "core/services.h"
#include "image/formats_ajoutes.h"
#include "platform/images.h"

namespace {

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
    if (largeur * hauteur > kPixelsMax) {
        throw Erreur("l'image est trop grande (" + std::to_string(largeur) + " × " +
                     std::to_string(hauteur) + " pixels)");
    }
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

QImage decoderHeif(const QByteArray& octets, const std::string& extension) {
    return lireAvecLibheif(octets, extension);
}
