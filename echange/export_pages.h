#pragma once
// Getting the cards "Imprimer la liste" would print out of the program: as a web page with
// its pictures beside it, or as the printed pages in a PDF document. Qt Gui only: the
// converter links these without any widget.

#include <QString>
#include <functional>
#include <string>

#include "core/fiche.h"
#include "core/table_fiches.h"

// Told, before the first card and after each, how many of the total cards are done; answers
// false to stop the export.
using SuiviExport = std::function<bool(int faites, int total)>;

// Each returns an empty QString on success, else a French reason; files written crash-safely.
// A web page export stopped by suivi leaves the disk as it was (no page, no picture added or
// replaced beside it) and returns exportAnnule().
QString exporterHtml(VueFiches table, int dernier, const QString& entete, const std::string& cheminBase,
                     const std::string& cheminPage, const SuiviExport& suivi = {});
// A PDF export stopped by suivi leaves the file as it was and also returns exportAnnule().
QString exporterPdf(VueFiches table, int dernier, const QString& entete, const std::string& cheminBase,
                    const std::string& cheminPdf, const SuiviExport& suivi = {});

// What an export the user stopped returns: not a failure, callers need not report it.
QString exportAnnule();
