#pragma once
// Getting the cards "Imprimer la liste" would print out of the program: as a web page with
// its pictures beside it, or as the printed pages in a PDF document.

#include <QString>
#include <string>

#include "core/fiche.h"

// Each returns an empty QString on success, else a French reason; files written crash-safely.
QString exporterHtml(const Fiche* table, int dernier, const QString& entete, const std::string& cheminBase, const std::string& cheminPage);
QString exporterPdf(const Fiche* table, int dernier, const QString& entete, const std::string& cheminBase, const std::string& cheminPdf);
