#pragma once
// The scripted platform with a printer that prints: its pages go into a PDF file, drawn as a
// printer of that resolution draws them (print/imprimante_pdf.h). For the suites that may
// link the printed pages.

#include <memory>
#include <string>

#include "tests/support/plateforme_scriptee.h"

class PlateformeScripteePdf : public PlateformeScriptee {
public:
    std::string pdfImpression;  // where printing goes; empty: a printer that is missing
    int resolutionImpression = 1200;

    Imprimante& imprimante() override;
    // The preview window: its pages are drawn into pdfApercu (when given) as the preview
    // draws them, a box "apercu" is recorded, and the queued answer says whether the user
    // pressed "Imprimer" (the printer above then prints) or closed it. No answer queued fails.
    std::string pdfApercu;
    std::deque<bool> apercus;
    Imprimante* apercu(const DessinDocument& dessin) override;

private:
    std::unique_ptr<Imprimante> imprimantePdf_;
};
