#include "platform/imprimante_qt.h"

#include <QPrinterInfo>

ImprimanteQt::ImprimanteQt(const QString& fichierPdf, int resolution)
    : fichierPdf_(fichierPdf), resolution_(resolution) {}

bool ImprimanteQt::commencer(const QString& titreDocument, QString& raison) {
    if (peintre_.isActive()) peintre_.end();
    if (fichierPdf_.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            raison = QStringLiteral("aucune imprimante n'est installée");
            return false;
        }
        imprimante_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        imprimante_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        imprimante_->setOutputFormat(QPrinter::PdfFormat);
        imprimante_->setOutputFileName(fichierPdf_);
        imprimante_->setResolution(resolution_);
        imprimante_->setPageSize(QPageSize(QPageSize::A4));
    }
    imprimante_->setDocName(titreDocument);
    if (!peintre_.begin(imprimante_.get())) {
        raison = QStringLiteral("l'imprimante a refusé le document");
        imprimante_.reset();
        return false;
    }
    page_ = 1;
    return true;
}

int ImprimanteQt::largeur() const {
    return imprimante_ ? imprimante_->pageLayout().paintRectPixels(imprimante_->resolution()).width() : 0;
}

int ImprimanteQt::hauteur() const {
    return imprimante_ ? imprimante_->pageLayout().paintRectPixels(imprimante_->resolution()).height() : 0;
}

void ImprimanteQt::nouvellePage() {
    if (imprimante_ && imprimante_->newPage()) ++page_;
}

bool ImprimanteQt::terminer(QString& raison) {
    if (!imprimante_) {
        raison = QStringLiteral("aucun document n'est en cours d'impression");
        return false;
    }
    const bool ok = peintre_.end();
    const bool erreur = imprimante_->printerState() == QPrinter::Error;
    imprimante_.reset();
    if (!ok || erreur) {
        raison = QStringLiteral("l'imprimante a refusé le document");
        return false;
    }
    return true;
}

void ImprimanteQt::abandonner() {
    if (imprimante_) imprimante_->abort();
    if (peintre_.isActive()) peintre_.end();
    imprimante_.reset();
}
