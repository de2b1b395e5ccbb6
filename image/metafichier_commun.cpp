#include "image/metafichier_commun.h"

#include "core/services.h"
#include "platform/images.h"

namespace metafichier {

namespace {

// Beyond this many pixels a side, a picture frame is not a drawing but a broken header.
constexpr double kCoteMax = 1'000'000.0;
// The size given to a picture whose own size is unknown (the card's picture frame).
constexpr int kCoteParDefaut = 178;
constexpr int kCoteNaturelMax = 2000;

}  // namespace

void refuser(const std::string& raison) { throw Erreur(raison); }

void verifierCotes(const Boite& b) {
    if (b.l > kCoteMax || b.h > kCoteMax || std::abs(b.x) > 1e12 || std::abs(b.y) > 1e12) {
        refuser("les dimensions du dessin sont absurdes");
    }
}

QSize tailleDeRendu(QSize cible, QSizeF naturelle) {
    if (cible.isValid() && !cible.isEmpty()) {
        if (static_cast<long long>(cible.width()) * cible.height() > kPixelsMax) {
            refuser("l'image demandée est trop grande");
        }
        return cible;
    }
    auto cote = [](double v) {
        if (!std::isfinite(v) || v <= 0) return kCoteParDefaut;
        return static_cast<int>(std::clamp(std::lround(v), 1L, static_cast<long>(kCoteNaturelMax)));
    };
    return {cote(naturelle.width()), cote(naturelle.height())};
}

}  // namespace metafichier
