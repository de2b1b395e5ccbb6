#include "print/pages_pdf.h"

#include <functional>

#include "ui/progression.h"

QString imprimerVersPdf(VueFiches table, int dernier, const QString& entete,
                        const std::string& cheminBase, const std::string& cheminPdf,
                        QWidget* fenetre) {
    Progression progression(QStringLiteral("Impression des fiches…"), fenetre);
    return ecrirePagesPdf(table, dernier, entete, cheminBase, cheminPdf, std::ref(progression));
}

QString imprimerTiragesVersPdf(std::span<const Tirage> tirages, const std::string& cheminBase,
                               const std::string& cheminPdf, QWidget* fenetre) {
    Progression progression(QStringLiteral("Impression des fiches…"), fenetre);
    return ecrireTiragesPdf(tirages, cheminBase, cheminPdf, std::ref(progression));
}
