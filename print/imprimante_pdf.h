#pragma once
// A PDF document as a printer, through Qt Gui's PDF writer alone: the converter draws the
// printed pages without the print support and widget libraries.

#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <memory>

#include "platform/imprimante.h"

class ImprimantePdf : public Imprimante {
public:
    // A4 pages at resolution dots per inch, the layout a printer of that resolution gives.
    ImprimantePdf(QString fichier, int resolution);

    bool commencer(const QString& titreDocument, QString& raison) override;
    QPainter& surface() override { return peintre_; }
    int largeur() const override;
    int hauteur() const override;
    int numeroPage() const override { return page_; }
    void nouvellePage() override;
    bool terminer(QString& raison) override;
    // The caller removes what was written: the file may be a descriptor's name it owns.
    void abandonner() override;

private:
    QString fichier_;
    int resolution_;
    std::unique_ptr<QPdfWriter> ecrivain_;
    QPainter peintre_;
    int page_ = 0;
};
