#include "print/imprimante_pdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <utility>

namespace {
// The margins Qt's PDF printer gives a page by default, in points: the pages are laid out
// exactly as the printer's PDF output lays them out.
constexpr double kMargePoints = 10.0;
}  // namespace

ImprimantePdf::ImprimantePdf(QString fichier, int resolution)
    : fichier_(std::move(fichier)), resolution_(resolution) {}

bool ImprimantePdf::commencer(const QString& titreDocument, QString& raison) {
    if (peintre_.isActive()) abandonner();
    ecrivain_ = std::make_unique<QPdfWriter>(fichier_);
    ecrivain_->setResolution(resolution_);
    ecrivain_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMargePoints, kMargePoints, kMargePoints,
                                                   kMargePoints),
                                         QPageLayout::Point));
    ecrivain_->setTitle(titreDocument);
    if (!peintre_.begin(ecrivain_.get())) {
        raison = QStringLiteral("l'imprimante a refusé le document");
        ecrivain_.reset();
        return false;
    }
    page_ = 1;
    return true;
}

int ImprimantePdf::largeur() const {
    return ecrivain_ ? ecrivain_->pageLayout().paintRectPixels(resolution_).width() : 0;
}

int ImprimantePdf::hauteur() const {
    return ecrivain_ ? ecrivain_->pageLayout().paintRectPixels(resolution_).height() : 0;
}

void ImprimantePdf::nouvellePage() {
    if (ecrivain_ && ecrivain_->newPage()) ++page_;
}

bool ImprimantePdf::terminer(QString& raison) {
    if (!ecrivain_) {
        raison = QStringLiteral("aucun document n'est en cours d'impression");
        return false;
    }
    const bool ok = peintre_.end();
    ecrivain_.reset();
    if (!ok) {
        raison = QStringLiteral("l'imprimante a refusé le document");
        return false;
    }
    return true;
}

void ImprimantePdf::abandonner() {
    if (peintre_.isActive()) peintre_.end();
    ecrivain_.reset();
}
