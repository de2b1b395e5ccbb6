#include "image/rendu_metafichier.h"

#include "core/services.h"
#include "image/rendu_emf.h"
#include "image/rendu_wmf.h"

QImage dessinerMetafichier(const QByteArray& octets, FormatMetafichier format, QSize cible) {
    if (octets.size() > kTailleMetafichierMax) throw Erreur("le métafichier est trop gros");
    return format == FormatMetafichier::Wmf ? metafichier::dessinerWmf(octets, cible)
                                            : metafichier::dessinerEmf(octets, cible);
}
