#include "print/pages_pdf.h"

QString imprimerVersPdf(const Fiche*, int, const QString&, const std::string&, const std::string&) {
    return QStringLiteral("l'enregistrement en PDF n'est pas encore disponible");
}
