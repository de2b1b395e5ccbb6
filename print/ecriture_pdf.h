#pragma once
// The printed pages written to a PDF document instead of a printer, with Qt Gui alone: for a
// machine without a printer, for exports and for the converter.

#include <QString>
#include <string>

#include "core/fiche.h"
#include "print/dessin_pages.h"

// The resolution the printed pages are laid out for: the positions of the layout are device
// units, so the PDF shows the pages exactly as a 1200 dpi printer prints them.
constexpr int kResolutionPdf = 1200;

// Writes exactly the pages dessinerFiches draws for table[0..dernier], entete and cheminBase
// (same layout, headings, page breaks and page numbers) to cheminPdf, A4, text selectable. The
// file is replaced crash-safely: a crash leaves the old file or the new one, whole. Returns an
// empty text on success, else a French reason. A run stopped by suivi leaves the file as it
// was and returns pdfAnnule().
QString ecrirePagesPdf(VueFiches table, int dernier, const QString& entete,
                       const std::string& cheminBase, const std::string& cheminPdf,
                       const SuiviPages& suivi = {});

// The same for several printouts in one document (dessinerTirages).
QString ecrireTiragesPdf(std::span<const Tirage> tirages, const std::string& cheminBase,
                         const std::string& cheminPdf, const SuiviPages& suivi = {});

// What a run the user stopped returns: not a failure, callers need not report it.
QString pdfAnnule();
