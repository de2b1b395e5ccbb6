#pragma once
// The printed pages written to a PDF file instead of a printer: A4 at the resolution of the
// printers the layout is drawn for, the very pages imprimerFiches draws.

#include <QString>
#include <string>

#include "core/fiche.h"

// Writes table[0..dernier] under the heading entete, as imprimerFiches prints them, into the
// PDF file cheminPdf. The file is drawn beside its destination under a hidden temporary name
// and renamed over it once whole, so an interrupted writing leaves any earlier file as it
// was. Returns an empty text on success, else the French reason.
QString imprimerVersPdf(const Fiche* table, int dernier, const QString& entete,
                        const std::string& cheminBase, const std::string& cheminPdf);
