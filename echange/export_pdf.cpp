#include "echange/export_pages.h"
#include "print/pages_pdf.h"

QString exportAnnule() { return pdfAnnule(); }

QString exporterPdf(const Fiche* table, int dernier, const QString& entete,
                    const std::string& cheminBase, const std::string& cheminPdf) {
    return imprimerVersPdf(table, dernier, entete, cheminBase, cheminPdf);
}
