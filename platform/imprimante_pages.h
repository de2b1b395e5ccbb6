#pragma once
// A printer that draws on one of Qt's paged devices (a printer's spool file, a PDF writer):
// the painter, the page count, the printable page and the end of a document are the same
// for all of them; each printer opens its own device and says what becomes of the document.

#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>

#include "platform/imprimante.h"

class ImprimantePages : public Imprimante {
public:
    QPainter& surface() override { return peintre_; }
    int largeur() const override;
    int hauteur() const override;
    int numeroPage() const override { return page_; }
    void nouvellePage() override;
    // Ends the painter, then lets the printer conclude the document.
    bool terminer(QString& raison) final;

protected:
    // Starts the document on appareil, laid out at resolution dots per inch: the printer owns
    // the device and keeps it until conclure() or abandonner(). False with the French reason
    // when the device refuses to be painted on.
    bool ouvrir(QPagedPaintDevice& appareil, int resolution, QString& raison);
    // Ends the painter of a document being dropped, before the printer lets its device go
    // (its destructor too: the device dies before this class's painter would end).
    void lacher();
    // Whether the device took the document it was given, once the painter has ended.
    virtual bool documentAccepte() const { return true; }
    // The painter has ended and the device can go. accepte: the device took the document,
    // which now goes where it is meant to (false with the French reason when it cannot);
    // otherwise the document is dropped, raison already saying why.
    virtual bool conclure(bool accepte, QString& raison) = 0;

private:
    QPainter peintre_;
    QPagedPaintDevice* appareil_ = nullptr;  // while a document is being drawn
    int resolution_ = 0;
    int page_ = 0;
};
