#pragma once
// A PDF document as a printer, through Qt Gui's PDF writer alone: the converter draws the
// printed pages without the print support and widget libraries.

#include <QPdfWriter>
#include <QString>
#include <memory>

#include "platform/imprimante_pages.h"

class ImprimantePdf : public ImprimantePages {
public:
    // A4 pages at resolution dots per inch, the layout a printer of that resolution gives.
    ImprimantePdf(QString fichier, int resolution);
    // The painter ends while its device is still there.
    ~ImprimantePdf() override { lacher(); }

    bool commencer(const QString& titreDocument, QString& raison) override;
    // The caller removes what was written: the file may be a descriptor's name it owns.
    void abandonner() override;

private:
    bool conclure(bool accepte, QString& raison) override;

    QString fichier_;
    int resolution_;
    std::unique_ptr<QPdfWriter> ecrivain_;
};
