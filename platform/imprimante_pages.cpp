#include "platform/imprimante_pages.h"

#include <QPageLayout>

bool ImprimantePages::ouvrir(QPagedPaintDevice& appareil, int resolution, QString& raison) {
    if (!peintre_.begin(&appareil)) {
        raison = QStringLiteral("l'imprimante a refusé le document");
        return false;
    }
    appareil_ = &appareil;
    resolution_ = resolution;
    page_ = 1;
    return true;
}

int ImprimantePages::largeur() const {
    return appareil_ != nullptr ? appareil_->pageLayout().paintRectPixels(resolution_).width() : 0;
}

int ImprimantePages::hauteur() const {
    return appareil_ != nullptr ? appareil_->pageLayout().paintRectPixels(resolution_).height() : 0;
}

void ImprimantePages::nouvellePage() {
    if (appareil_ != nullptr && appareil_->newPage()) ++page_;
}

bool ImprimantePages::terminer(QString& raison) {
    if (appareil_ == nullptr) {
        raison = QStringLiteral("aucun document n'est en cours d'impression");
        return false;
    }
    const bool fini = peintre_.end();
    const bool accepte = fini && documentAccepte();
    appareil_ = nullptr;
    if (!accepte) raison = QStringLiteral("l'imprimante a refusé le document");
    return conclure(accepte, raison) && accepte;
}

void ImprimantePages::lacher() {
    if (peintre_.isActive()) peintre_.end();
    appareil_ = nullptr;
}
