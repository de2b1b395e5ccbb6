#pragma once
// The printed pages written to a PDF document instead of a printer: for a machine without a
// printer, and for exports.

#include <QString>
#include <string>

#include "core/fiche.h"

// Writes exactly the pages imprimerFiches prints for table[0..dernier], entete and cheminBase
// (same layout, headings, page breaks and page numbers) to cheminPdf, A4, text selectable. The
// file is replaced crash-safely: a crash leaves the old file or the new one, whole. Returns an
// empty text on success, else a French reason. Runs longer than kFichesSansProgression show
// the printing's progress dialog; its "Annuler" leaves the file as it was and returns
// pdfAnnule().
QString imprimerVersPdf(const Fiche* table, int dernier, const QString& entete,
                        const std::string& cheminBase, const std::string& cheminPdf);

// What imprimerVersPdf returns when the user stopped it: not a failure, callers need not report it.
QString pdfAnnule();
