#pragma once
// The printed pages written to a PDF document from the window, with the printing's progress
// dialog for long runs.

#include <QString>
#include <string>

#include "core/fiche.h"
#include "print/ecriture_pdf.h"

class QWidget;

// ecrirePagesPdf, with the printing's progress dialog for runs longer than
// kFichesSansProgression: its "Annuler" leaves the file as it was and returns pdfAnnule().
QString imprimerVersPdf(VueFiches table, int dernier, const QString& entete,
                        const std::string& cheminBase, const std::string& cheminPdf,
                        QWidget* fenetre = nullptr);
QString imprimerTiragesVersPdf(std::span<const Tirage> tirages, const std::string& cheminBase,
                               const std::string& cheminPdf, QWidget* fenetre = nullptr);
