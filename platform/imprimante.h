#pragma once
// The printer as the printing code sees it: one document at a time, drawn in the printer's
// own device units.

#include <QPainter>
#include <QString>

class Imprimante {
public:
    virtual ~Imprimante() = default;
    // Starts a document; false (with nothing printed) when no printer can take it. raison
    // then holds a French explanation.
    virtual bool commencer(const QString& titreDocument, QString& raison) = 0;
    virtual QPainter& surface() = 0;
    virtual int largeur() const = 0;   // page width in device units
    virtual int hauteur() const = 0;   // page height in device units
    virtual int numeroPage() const = 0;
    virtual void nouvellePage() = 0;
    // Ends the document; false with a French reason when the printer refused the job.
    virtual bool terminer(QString& raison) = 0;
    // Drops the document being printed.
    virtual void abandonner() = 0;
};
