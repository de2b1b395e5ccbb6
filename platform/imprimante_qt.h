#pragma once

#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <memory>

#include "platform/imprimante.h"

// A CUPS queue named by the caller instead of the default printer (tests print to a queue of
// their own and leave the host's default alone).
struct FileCups {
    QString nom;
};

// The system's default printer; or, for tests and previews, a PDF file at a fixed
// resolution drawn through the same code.
class ImprimanteQt : public Imprimante {
public:
    ImprimanteQt() = default;
    ImprimanteQt(const QString& fichierPdf, int resolution);
    explicit ImprimanteQt(FileCups file);

    bool commencer(const QString& titreDocument, QString& raison) override;
    QPainter& surface() override { return peintre_; }
    int largeur() const override;
    int hauteur() const override;
    int numeroPage() const override { return page_; }
    void nouvellePage() override;
    bool terminer(QString& raison) override;
    void abandonner() override;

private:
    QString fichierPdf_;
    int resolution_ = 0;
    QString fileDemandee_;  // empty: the default printer
    std::unique_ptr<QPrinter> imprimante_;
    // A real printer's document is drawn here and handed to CUPS only once complete.
    std::unique_ptr<QTemporaryFile> spool_;
    QString fileCups_;  // the CUPS queue that takes it
    QString titre_;
    bool soumettre(QString& raison);
    QPainter peintre_;
    int page_ = 0;
};
