#include "platform/metafichier.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "core/services.h"
#include "platform/images.h"
#include "platform/metafichier_processus.h"

namespace {

// The picture's own size, when no target is given, is at most this many pixels a side.
constexpr int kCoteNaturelMax = 2000;

std::uint32_t lire32(const std::string& o, std::size_t i) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(o[i + static_cast<std::size_t>(k)]);
    return v;
}

// Runs brevandoux-image --convertir on the bytes and reads its answer: width and height,
// then the pixels, row after row, as 0xffRRGGBB words. An empty cible asks for the
// picture's own size, which tailleNaturelle must accept.
template <typename Accepte>
QImage convertirDansProgramme(const std::string& programme, const std::string& format,
                              const QByteArray& octets, QSize cible, long long pixelsMax,
                              Accepte tailleNaturelle) {
    const bool cibleDonnee = cible.isValid() && !cible.isEmpty();
    LimitesProcessus limites;
    limites.sortieMax = static_cast<std::size_t>(8 + pixelsMax * 4);
    const std::string reponse = executerIsole(
        programme,
        {"--convertir", format, std::to_string(cibleDonnee ? cible.width() : 0),
         std::to_string(cibleDonnee ? cible.height() : 0), std::to_string(limites.memoireMax)},
        std::string(octets.constData(), static_cast<std::size_t>(octets.size())), limites);

    if (reponse.size() < 8) throw Erreur("le convertisseur a envoyé une réponse incomplète");
    const std::uint32_t l = lire32(reponse, 0), h = lire32(reponse, 4);
    const bool tailleAttendue =
        cibleDonnee ? (l == static_cast<std::uint32_t>(cible.width()) &&
                       h == static_cast<std::uint32_t>(cible.height()))
                    : tailleNaturelle(l, h);
    if (!tailleAttendue || reponse.size() != 8 + static_cast<std::size_t>(l) * h * 4) {
        throw Erreur("le convertisseur a envoyé une réponse incomplète");
    }
    QImage image(static_cast<int>(l), static_cast<int>(h), QImage::Format_RGB32);
    if (image.isNull()) throw Erreur("mémoire insuffisante");
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(image.scanLine(y), reponse.data() + 8 + static_cast<std::size_t>(y) * l * 4,
                    static_cast<std::size_t>(l) * 4);
    }
    return image;
}

}  // namespace

QImage rendreMetafichier(const QByteArray& octets, FormatMetafichier format, QSize cible) {
    if (octets.size() > kTailleMetafichierMax) throw Erreur("le métafichier est trop gros");
    const bool cibleDonnee = cible.isValid() && !cible.isEmpty();
    if (cibleDonnee && static_cast<long long>(cible.width()) * cible.height() > kPixelsMax) {
        throw Erreur("l'image demandée est trop grande");
    }
    const long long pixelsMax = cibleDonnee ? static_cast<long long>(cible.width()) * cible.height()
                                            : static_cast<long long>(kCoteNaturelMax) * kCoteNaturelMax;
    return convertirDansProgramme(cheminProgrammeImage(), format == FormatMetafichier::Wmf ? "wmf" : "emf", octets,
                                  cibleDonnee ? cible : QSize(), pixelsMax,
                                  [](std::uint32_t l, std::uint32_t h) {
                                      return l >= 1 && h >= 1 && l <= kCoteNaturelMax &&
                                             h <= kCoteNaturelMax;
                                  });
}

QImage rendreImageAjoutee(const QByteArray& octets, const std::string& extension, QSize cible) {
    if (octets.size() > kTailleImageAjouteeMax) throw Erreur("le fichier est trop gros");
    const bool cibleDonnee = cible.isValid() && !cible.isEmpty();
    if (cibleDonnee && static_cast<long long>(cible.width()) * cible.height() > kPixelsMax) {
        throw Erreur("l'image demandée est trop grande");
    }
    const long long pixelsMax = cibleDonnee ? static_cast<long long>(cible.width()) * cible.height()
                                            : kPixelsRenvoyesMax;
    const std::string nom = extension == "heic" || extension == "heif" || extension == "avif"
                                ? "brevandoux-heif"
                                : "brevandoux-image";
    const std::string programme = cheminProgrammeImage(nom);
    if (programme.empty()) {
        throw Erreur("le programme de dessin " + nom + " est introuvable à côté du programme");
    }
    return convertirDansProgramme(programme, extension, octets, cibleDonnee ? cible : QSize(), pixelsMax,
                                  [](std::uint32_t l, std::uint32_t h) {
                                      return l >= 1 && h >= 1 &&
                                             static_cast<long long>(l) * h <= kPixelsRenvoyesMax;
                                  });
}
