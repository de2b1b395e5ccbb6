#pragma once

#include <QPrinter>
#include <QTemporaryFile>
#include <memory>

#include "platform/imprimante_pages.h"

// A CUPS queue named by the caller instead of the default printer (tests print to a queue of
// their own and leave the host's default alone).
struct FileCups {
    QString nom;
};

// The system's default printer, or the CUPS queue named by the caller.
class ImprimanteQt : public ImprimantePages {
public:
    ImprimanteQt() = default;
    explicit ImprimanteQt(FileCups file);
    // The painter ends while its device is still there.
    ~ImprimanteQt() override { lacher(); }

    bool commencer(const QString& titreDocument, QString& raison) override;
    void abandonner() override;

private:
    bool documentAccepte() const override;
    bool conclure(bool accepte, QString& raison) override;
    bool soumettre(QString& raison);

    QString fileDemandee_;  // empty: the default printer
    std::unique_ptr<QPrinter> imprimante_;
    // The document is drawn here and handed to CUPS only once complete.
    std::unique_ptr<QTemporaryFile> spool_;
    QString fileCups_;  // the CUPS queue that takes it
    QString titre_;
};
