// Any bytes as a JPEG, bitmap or icon picture, or as one of the added formats (PNG, GIF,
// WebP, TIFF, HEIC, AVIF) given to their decoders as the picture program gives them: a
// picture or an Erreur, never a crash, an exit or an unbounded allocation.

#include <QGuiApplication>
#include <QImage>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/services.h"
#include "image/decodage_heif.h"
#include "image/formats_ajoutes.h"
#include "platform/images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    static int argc = 1;
    static char nom[] = "fuzz_image";
    static char* argv[] = {nom, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    if (taille == 0) return 0;
    // The first byte picks the format, the rest is the file.
    static const char* const extensions[] = {"jpg", "bmp", "ico", "jpeg", "png", "gif",
                                             "webp", "tif", "heic", "avif", "tiff", "heif"};
    const char* ext = extensions[donnees[0] % 12];
    const QByteArray octets(reinterpret_cast<const char*>(donnees + 1), static_cast<qsizetype>(taille - 1));
    try {
        if (donnees[0] % 12 >= 4) {
            const std::string e = ext;
            const bool heif = e == "heic" || e == "heif" || e == "avif";
            QImage img = aLaTaille(heif ? decoderHeif(octets, e) : decoderFormatAjoute(octets, e),
                                   QSize(178, 178));
            if (img.isNull()) std::abort();
        } else if (ext[0] == 'j') {
            QImage img = decoderJpeg(octets, QSize(178, 178));
            if (img.isNull()) std::abort();
        } else {
            // The loader chooses by extension: the bytes go to a file in memory-backed /dev/shm.
            const std::string chemin = "/dev/shm/fuzz-image-" + std::to_string(getpid()) + "." + ext;
            if (FILE* f = std::fopen(chemin.c_str(), "wb")) {
                std::fwrite(donnees + 1, 1, taille - 1, f);
                std::fclose(f);
            }
            chargerImage(chemin, QSize(178, 178));
        }
    } catch (const Erreur&) {
    }
    return 0;
}
