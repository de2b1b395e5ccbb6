// brevandoux-heif: decodes one HEIC or AVIF picture for the main program and for
// brevandoux-image, in the conversion mode of image/conversion.h:
//
//   brevandoux-heif --convertir heic|heif|avif LARGEUR HAUTEUR MEMOIRE
//   brevandoux-heif --lot MEMOIRE   (thumbnails of many pictures, image/lot.h)
//
// A program of its own because libheif (LGPL version 3) may not be linked with libemf2svg
// (GPL version 2 only), which brevandoux-image links; it shuts itself in the same way.

#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "image/confinement.h"
#include "image/conversion.h"
#include "image/decodage_heif.h"
#include "image/formats_ajoutes.h"
#include "image/lot.h"
#include "platform/images.h"
#include "platform/metafichier.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" int __lsan_is_turned_off() { return 1; }
#endif
#elif defined(__SANITIZE_ADDRESS__)
extern "C" int __lsan_is_turned_off() { return 1; }
#endif

int main(int argc, char** argv) {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
        if (type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(m));
    });
    int code = 2;
    if (argc >= 2 && std::string(argv[1]) == "--convertir") {
        Conversion c;
        c.accepte = [](const std::string& f) { return estFormatHeif("." + f); };
        c.tailleMax = [](const std::string&) { return kTailleImageAjouteeMax; };
        c.tropGros = [](const std::string&) { return std::string("le fichier est trop gros"); };
        c.illisible = [](const std::string&) { return std::string("le fichier n'a pas pu être lu"); };
        c.dessiner = [](const QByteArray& octets, const std::string& f, QSize cible) {
            return aLaTaille(decoderHeif(octets, f, cible), cible);
        };
        code = executerConversion(argc, argv, ReglagesConfinement{}, c);
    } else if (argc >= 2 && std::string(argv[1]) == "--lot") {
        Lot l;
        l.accepte = [](const std::string& f) { return estFormatHeif("." + f); };
        l.tailleMax = [](const std::string&) { return kTailleImageAjouteeMax; };
        l.dessiner = [](const QByteArray& octets, const std::string& f, QSize cible) {
            return decoderHeif(octets, f, cible);
        };
        l.dernier = [](const std::string&) { return false; };
        code = executerLot(argc, argv, ReglagesConfinement{}, l);
    } else {
        std::fputs("usage : brevandoux-heif --convertir heic|heif|avif LARGEUR HAUTEUR MEMOIRE | --lot MEMOIRE\n", stderr);
    }
    std::fflush(nullptr);
    _exit(code);
}
