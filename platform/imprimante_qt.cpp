#include "platform/imprimante_qt.h"

#include <QDir>
#include <QPrinterInfo>
#include <QProcess>
#include <utility>

ImprimanteQt::ImprimanteQt(FileCups file) : fileDemandee_(std::move(file.nom)) {}

bool ImprimanteQt::commencer(const QString& titreDocument, QString& raison) {
    if (surface().isActive()) abandonner();
    const QPrinterInfo info = fileDemandee_.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                      : QPrinterInfo::printerInfo(fileDemandee_);
    if (info.isNull()) {
        raison = fileDemandee_.isEmpty()
                     ? QStringLiteral("aucune imprimante n'est installée")
                     : QStringLiteral("l'imprimante %1 n'est pas installée").arg(fileDemandee_);
        return false;
    }
    imprimante_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Qt's CUPS engine sends whatever was drawn when the painter ends, even after an abort,
    // and never learns whether the queue accepted the job. Drawing into a spool file of our
    // own (not named .pdf, so the printer's engine and page stay) and submitting it at the
    // end lets a cancelled document vanish and a refusal be told.
    spool_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                              QStringLiteral("/brevandoux-XXXXXX.prn"));
    if (!spool_->open()) {
        raison = QStringLiteral("le fichier temporaire d'impression ne peut pas être créé");
        spool_.reset();
        imprimante_.reset();
        return false;
    }
    spool_->close();
    imprimante_->setOutputFileName(spool_->fileName());
    fileCups_ = info.printerName();
    imprimante_->setDocName(titreDocument);
    titre_ = titreDocument;
    if (!ouvrir(*imprimante_, imprimante_->resolution(), raison)) {
        imprimante_.reset();
        spool_.reset();
        return false;
    }
    return true;
}

bool ImprimanteQt::documentAccepte() const {
    return imprimante_->printerState() != QPrinter::Error;
}

bool ImprimanteQt::conclure(bool accepte, QString& raison) {
    imprimante_.reset();
    if (!accepte) {
        spool_.reset();
        return false;
    }
    return soumettre(raison);
}

bool ImprimanteQt::soumettre(QString& raison) {
    const std::unique_ptr<QTemporaryFile> spool = std::move(spool_);
    QProcess lp;
    lp.start(QStringLiteral("lp"), {QStringLiteral("-d"), fileCups_, QStringLiteral("-t"), titre_,
                                    QStringLiteral("--"), spool->fileName()});
    if (!lp.waitForStarted()) {
        raison = QStringLiteral("la commande lp de CUPS est introuvable");
        return false;
    }
    if (!lp.waitForFinished(60000) || lp.exitStatus() != QProcess::NormalExit ||
        lp.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
        raison = QStringLiteral("l'imprimante %1 a refusé le document").arg(fileCups_);
        if (!detail.isEmpty()) raison += QStringLiteral(" (") + detail + QStringLiteral(")");
        return false;
    }
    return true;
}

void ImprimanteQt::abandonner() {
    if (imprimante_) imprimante_->abort();
    lacher();
    imprimante_.reset();
    spool_.reset();
}
