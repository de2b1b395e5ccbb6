#include "echange/export_pages.h"
#include "print/ecriture_pdf.h"

QString exportAnnule() { return pdfAnnule(); }

QString exporterPdf(VueFiches table, int dernier, const QString& entete,
                    const std::string& cheminBase, const std::string& cheminPdf,
                    const SuiviExport& suivi) {
    return ecrirePagesPdf(table, dernier, entete, cheminBase, cheminPdf, suivi);
}
