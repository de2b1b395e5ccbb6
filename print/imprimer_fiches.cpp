#include "print/imprimer_fiches.h"

#include <functional>

ResultatImpression imprimerFiches(Imprimante& imprimante, VueFiches table, int dernier,
                                  const QString& entete, const std::string& cheminBase,
                                  QWidget* fenetre) {
    Progression progression(QStringLiteral("Impression des fiches…"), fenetre);
    return dessinerFiches(imprimante, table, dernier, entete, cheminBase, std::ref(progression));
}

ResultatImpression imprimerTirages(Imprimante& imprimante, std::span<const Tirage> tirages,
                                   const std::string& cheminBase, QWidget* fenetre) {
    Progression progression(QStringLiteral("Impression des fiches…"), fenetre);
    return dessinerTirages(imprimante, tirages, cheminBase, std::ref(progression));
}
