#include "echange/export_pages.h"

QString exporterHtml(const Fiche*, int, const QString&, const std::string&, const std::string&) {
    return QStringLiteral("l'export en page web n'est pas encore disponible");
}
