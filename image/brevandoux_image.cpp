// brevandoux-image: draws one picture.
//
//   brevandoux-image FICHIER SORTIE.png LARGEUR HAUTEUR
//     draws a JPEG, bitmap, icon, WMF, EMF, PNG, GIF, WebP, TIFF, HEIC or AVIF picture as the
//     card's picture frame draws it, upright,
//     stretched to LARGEUR × HAUTEUR on white, into a PNG file. Exit 0 when drawn, 2 with the
//     French reason on the standard error when the picture is refused, 1 when the PNG cannot
//     be written. The picture and the PNG are opened first, then the program shuts itself in
//     (image/confinement.h) before it decodes anything: a refused picture leaves the PNG
//     empty, which can no longer be removed then. A metafile is drawn by the mode below in a
//     process of its own, confined as well, and this one shuts itself in before it reads
//     the answer.
//
//   brevandoux-image --convertir wmf|emf|png|gif|webp|tif|tiff|heic|heif|avif LARGEUR HAUTEUR MEMOIRE
//     what the program runs for each metafile and each picture of the added formats: the file's bytes on the standard input, the
//     answer on the standard output ('O', width, height and the pixels; or 'E' and the French
//     reason). The process limits its own memory to MEMOIRE bytes and its processor time,
//     then shuts itself in before it reads a byte of its input.
//
//   brevandoux-image --lot MEMOIRE
//     draws thumbnails of many pictures of the formats above but HEIC and AVIF, one after
//     the other, from the files handed to it (image/lot.h).

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFileInfo>
#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QImage>
#include <QPainter>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "core/services.h"
#include "image/confinement.h"
#include "image/conversion.h"
#include "image/formats_ajoutes.h"
#include "image/lot.h"
#include "image/rendu_metafichier.h"
#include "platform/images.h"

#ifdef BREVANDOUX_IMAGE_ESSAI
#include "tests/image/essai_confinement.h"
#endif

#ifdef BREVANDOUX_ASAN
// The leak checker stops the process's threads from a process it makes and traces them: the
// confinement refuses both, and a check at exit would end in a fatal error of its own. The
// program ends by _exit anyway; this covers a library that calls exit.
extern "C" int __lsan_is_turned_off() { return 1; }
#endif

namespace {

// The shipped program always confines itself fully; the test build of the same source reads
// its settings from the environment, to draw unconfined or as on a kernel without Landlock.
ReglagesConfinement reglagesConfinement() {
#ifdef BREVANDOUX_IMAGE_ESSAI
    return reglagesEssai();
#else
    return {};
#endif
}

bool estMetafichierFormat(const std::string& format) { return format == "wmf" || format == "emf"; }

// HEIC and AVIF go to brevandoux-heif: libheif's licence (LGPL 3) cannot be linked with
// libemf2svg's (GPL 2 only) in one program.
bool estQt(const std::string& format) {
    return estFormatAjoute("." + format) && !estFormatHeif("." + format);
}

int convertir(int argc, char** argv) {
    Conversion c;
    c.accepte = [](const std::string& f) { return estMetafichierFormat(f) || estQt(f); };
    c.tailleMax = [](const std::string& f) {
        return estMetafichierFormat(f) ? kTailleMetafichierMax : kTailleImageAjouteeMax;
    };
    c.tropGros = [](const std::string& f) {
        return std::string(estMetafichierFormat(f) ? "le métafichier est trop gros" : "le fichier est trop gros");
    };
    c.illisible = [](const std::string& f) {
        return std::string(estMetafichierFormat(f) ? "le métafichier n'a pas pu être lu"
                                                   : "le fichier n'a pas pu être lu");
    };
    // No application object: the drawing is librsvg's or Qt's readers', which Qt finds
    // without one; Qt only holds the pixels.
    c.dessiner = [](const QByteArray& octets, const std::string& f, QSize cible) {
        if (estMetafichierFormat(f)) {
            return dessinerMetafichier(octets, f == "wmf" ? FormatMetafichier::Wmf : FormatMetafichier::Emf,
                                       cible);
        }
        return aLaTaille(decoderFormatAjoute(octets, f), cible);
    };
    return executerConversion(argc, argv, reglagesConfinement(), c);
}

// Bitmaps and icons, as the frame reads them.
QImage lireBitmap(const QByteArray& octets, const std::string& format) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, format.c_str());
    lecteur.setDecideFormatFromContent(false);
    const QSize taille = lecteur.size();
    if (taille.isValid() && static_cast<long long>(taille.width()) * taille.height() > kPixelsMax) {
        throw Erreur("l'image est trop grande");
    }
    QImage image = lecteur.read();
    if (image.isNull()) throw Erreur("ce n'est pas une image " + nomFormat(format) + " valide");
    return image;
}

int lot(int argc, char** argv) {
    Lot l;
    l.accepte = [](const std::string& f) {
        return f == "jpg" || f == "jpeg" || f == "bmp" || f == "ico" || estMetafichierFormat(f) || estQt(f);
    };
    l.tailleMax = [](const std::string& f) {
        return estMetafichierFormat(f) ? kTailleMetafichierMax : kTailleImageAjouteeMax;
    };
    l.dessiner = [](const QByteArray& octets, const std::string& f, QSize cible) {
#ifdef BREVANDOUX_IMAGE_ESSAI
        // A picture that takes the decoder over, as far as the window can tell: the process dies.
        if (octets.startsWith("PIEGE")) std::abort();
#endif
        if (f == "jpg" || f == "jpeg") return decoderJpeg(octets, cible);
        if (f == "bmp" || f == "ico") return lireBitmap(octets, f);
        // At the drawing's own size, fitted afterwards: its proportions are not known before.
        if (estMetafichierFormat(f)) {
            return dessinerMetafichier(octets, f == "wmf" ? FormatMetafichier::Wmf : FormatMetafichier::Emf, QSize());
        }
        return decoderFormatAjoute(octets, f);
    };
    l.dernier = finitLeLot;
    return executerLot(argc, argv, reglagesConfinement(), l);
}

int dessiner(int argc, char** argv) {
    long long largeur = 0, hauteur = 0;
    if (argc != 5 || !entier(argv[3], 1, 100'000, largeur) ||
        !entier(argv[4], 1, 100'000, hauteur)) {
        std::fputs("usage : brevandoux-image FICHIER SORTIE.png LARGEUR HAUTEUR\n", stderr);
        return 2;
    }
    const QSize taille(static_cast<int>(largeur), static_cast<int>(hauteur));
    if (largeur * hauteur > kPixelsMax) {
        std::fputs("brevandoux-image : l'image demandée est trop grande\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QGuiApplication app(argcQt, argv);
    std::unique_ptr<QFile> fichier;
    try {
        fichier = ouvrirImage(argv[1]);
    } catch (const Erreur& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    QFile png;
    const int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !png.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) close(fd);
        std::fprintf(stderr, "brevandoux-image : impossible d'écrire %s\n", argv[2]);
        return 1;
    }
    QImage image;
    try {
        // A metafile, a HEIC or an AVIF goes to a process of its own, which this one could no
        // longer start.
        if (estMetafichier(argv[1]) || estFormatHeif(argv[1])) {
            image = decoderImage(argv[1], *fichier, taille);
            signalerManques(confiner(reglagesConfinement()));
        } else if (estFormatAjoute(argv[1])) {
            // Already shut in: decoded here rather than by a process of its own.
            signalerManques(confiner(reglagesConfinement()));
            try {
                const QByteArray octets = fichier->readAll();
                image = decoderFormatAjoute(
                    octets, QFileInfo(fichier->fileName()).suffix().toLower().toStdString());
            } catch (const Erreur& e) {
                throw Erreur("l'image " + std::string(argv[1]) + " n'a pas pu être chargée : " +
                             e.what());
            }
        } else {
            signalerManques(confiner(reglagesConfinement()));
            image = decoderImage(argv[1], *fichier, taille);
        }
    } catch (const Erreur& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    // As the picture frame draws it: stretched, smoothed, on white.
    QImage sortie(taille, QImage::Format_RGB32);
    if (sortie.isNull()) {
        std::fputs("brevandoux-image : mémoire insuffisante\n", stderr);
        return 2;
    }
    sortie.fill(Qt::white);
    {
        QPainter peintre(&sortie);
        peintre.setRenderHint(QPainter::SmoothPixmapTransform);
        peintre.drawImage(sortie.rect(), image);
    }
    if (!sortie.save(&png, "PNG") || !png.flush()) {
        std::fprintf(stderr, "brevandoux-image : impossible d'écrire %s\n", argv[2]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt's remarks (an SVG attribute it skips, a missing runtime folder) are not the
    // program's answer, which goes on the standard error alone.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
        if (type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(m));
    });
    const std::string mode = argc >= 2 ? argv[1] : "";
#ifdef BREVANDOUX_IMAGE_ESSAI
    if (mode == "--essai-actes-interdits") {
        const int code = essayerActesInterdits(argc, argv, reglagesConfinement());
        std::fflush(nullptr);
        _exit(code);
    }
#endif
    const int code = mode == "--convertir" ? convertir(argc, argv)
                     : mode == "--lot"     ? lot(argc, argv)
                                           : dessiner(argc, argv);
    // The process ends here, without the exit handlers of the libraries it loaded: what they
    // keep for the life of the process goes with it, and a leak checker has nothing to say.
    std::fflush(nullptr);
    _exit(code);
}
