#include "image/decodage_heif.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/services.h"
#include "image/formats_ajoutes.h"
#include "image/surfaces_heif.h"
#include "platform/images.h"

namespace {

struct Heif {
    heif_context* contexte = heif_context_alloc();
    heif_image_handle* poignee = nullptr;
    heif_decoding_options* options = heif_decoding_options_alloc();
    ~Heif() {
        if (poignee) heif_image_handle_release(poignee);
        if (options) heif_decoding_options_free(options);
        if (contexte) heif_context_free(contexte);
    }
};

void refuserSiTropGrande(std::uint64_t largeur, std::uint64_t hauteur) {
    // Sides read from the file fit 32 bits: their product cannot overflow.
    if (largeur * hauteur > static_cast<std::uint64_t>(kPixelsMax)) {
        throw Erreur("l'image est trop grande (" + std::to_string(largeur) + " × " +
                     std::to_string(hauteur) + " pixels)");
    }
}

// The picture of the handle, decoded with the file's rotation and mirroring applied (libheif
// does it itself: ignore_transformations is 0).
QImage decoderPoignee(heif_image_handle* poignee, heif_decoding_options* options, const std::string& nom) {
    heif_image* brute = nullptr;
    const heif_error e =
        heif_decode_image(poignee, &brute, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options);
    const std::unique_ptr<heif_image, void (*)(const heif_image*)> image(brute, heif_image_release);
    if (e.code != heif_error_Ok) {
        if (e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype) {
            throw Erreur("ce type d'image " + nom + " n'est pas pris en charge");
        }
        throw Erreur("le fichier " + nom + " est tronqué ou endommagé");
    }
    int pas = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &pas);
    const int l = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ht = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || l <= 0 || ht <= 0 || pas < l * 4) {
        throw Erreur("le fichier " + nom + " est tronqué ou endommagé");
    }
    QImage resultat(l, ht, QImage::Format_RGBA8888);
    if (resultat.isNull()) throw Erreur("mémoire insuffisante");
    for (int y = 0; y < ht; ++y) {
        std::memcpy(resultat.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * pas,
                    static_cast<std::size_t>(l) * 4);
    }
    return resultat;
}

// A thumbnail stands for the main picture only when, turned as the file says, it has the same
// proportions (within a pixel of rounding): a thumbnail whose rotation the file left out
// would show the photo on its side.
bool memesProportions(long long l1, long long h1, long long l2, long long h2) {
    return std::llabs(l1 * h2 - l2 * h1) <= std::max(l1, h1) + std::max(l2, h2);
}

// The smallest thumbnail that covers cible once turned, or none.
heif_image_handle* vignetteSuffisante(heif_image_handle* principale, QSize cible) {
    if (!cible.isValid() || cible.isEmpty()) return nullptr;
    const int nombre = heif_image_handle_get_number_of_thumbnails(principale);
    if (nombre <= 0) return nullptr;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(nombre));
    heif_image_handle_get_list_of_thumbnail_IDs(principale, ids.data(), nombre);
    const long long l = heif_image_handle_get_width(principale);
    const long long h = heif_image_handle_get_height(principale);
    heif_image_handle* choisie = nullptr;
    for (const heif_item_id id : ids) {
        heif_image_handle* vignette = nullptr;
        if (heif_image_handle_get_thumbnail(principale, id, &vignette).code != heif_error_Ok) continue;
        const int lv = heif_image_handle_get_width(vignette);
        const int hv = heif_image_handle_get_height(vignette);
        const bool couvre = lv >= cible.width() && hv >= cible.height() && memesProportions(l, h, lv, hv);
        if (couvre && (!choisie || static_cast<long long>(lv) * hv <
                                       static_cast<long long>(heif_image_handle_get_width(choisie)) *
                                           heif_image_handle_get_height(choisie))) {
            if (choisie) heif_image_handle_release(choisie);
            choisie = vignette;
        } else {
            heif_image_handle_release(vignette);
        }
    }
    return choisie;
}

QImage lireAvecLibheif(const QByteArray& octets, const std::string& ext, QSize cible) {
    const std::string nom = nomFormat(ext);
    Heif h;
    if (!h.contexte || !h.options) throw Erreur("mémoire insuffisante");
    // libheif's own limit, on the sides of every item it reads ('ispe'): no side of a picture
    // within the pixel limit reaches it.
    heif_context_set_maximum_image_size_limit(h.contexte, static_cast<int>(kPixelsMax));
    heif_error e = heif_context_read_from_memory_without_copy(
        h.contexte, octets.constData(), static_cast<size_t>(octets.size()), nullptr);
    if (e.code != heif_error_Ok) throw Erreur("ce n'est pas une image " + nom + " valide");
    // The pixel limit holds for every picture libheif could build, before it builds any: the
    // tiles and canvas of a grid are allocated as declared, whatever the grid's 'ispe' says.
    const auto surfaces = surfacesHeif(
        {reinterpret_cast<const std::uint8_t*>(octets.constData()), static_cast<std::size_t>(octets.size())});
    if (!surfaces) throw Erreur("ce n'est pas une image " + nom + " valide");
    for (const SurfaceHeif& s : *surfaces) refuserSiTropGrande(s.largeur, s.hauteur);
    e = heif_context_get_primary_image_handle(h.contexte, &h.poignee);
    if (e.code != heif_error_Ok) throw Erreur("ce n'est pas une image " + nom + " valide");
    const long long largeur = heif_image_handle_get_width(h.poignee);
    const long long hauteur = heif_image_handle_get_height(h.poignee);
    if (largeur <= 0 || hauteur <= 0) throw Erreur("ce n'est pas une image " + nom + " valide");
    refuserSiTropGrande(static_cast<std::uint64_t>(largeur), static_cast<std::uint64_t>(hauteur));
    // A phone stores a small picture beside the photo: when it has the pixels asked for, it
    // is decoded instead of the twelve million of the photo. A damaged one is no reason to
    // refuse a photo that may be sound.
    if (heif_image_handle* vignette = vignetteSuffisante(h.poignee, cible)) {
        const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> garde(
            vignette, heif_image_handle_release);
        try {
            return decoderPoignee(vignette, h.options, nom);
        } catch (const Erreur&) {
        }
    }
    return decoderPoignee(h.poignee, h.options, nom);
}

}  // namespace

QImage decoderHeif(const QByteArray& octets, const std::string& extension, QSize cible) {
    return lireAvecLibheif(octets, extension, cible);
}
