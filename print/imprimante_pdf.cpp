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
    if (surface().isActive()) abandonner();
    ecrivain_ = std::make_unique<QPdfWriter>(fichier_);
    ecrivain_->setResolution(resolution_);
    ecrivain_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMargePoints, kMargePoints, kMargePoints,
                                                   kMargePoints),
                                         QPageLayout::Point));
    ecrivain_->setTitle(titreDocument);
    if (!ouvrir(*ecrivain_, resolution_, raison)) {
        ecrivain_.reset();
        return false;
    }
    return true;
}

bool ImprimantePdf::conclure(bool accepte, QString&) {
    ecrivain_.reset();
    return accepte;
}

void ImprimantePdf::abandonner() {
    lacher();
    ecrivain_.reset();
}
