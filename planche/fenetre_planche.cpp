#include "planche/fenetre_planche.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "core/reglages_planche.h"
#include "planche/planche.h"

namespace {
// The board's size before the user gives it one: about five tiles across and three down.
constexpr QSize kTailleParDefaut(760, 560);
}  // namespace

FenetrePlanche::FenetrePlanche(Vignettes& vignettes, ReglagesPlanche& reglages, QWidget* parent)
    : QWidget(parent, Qt::Window), planche_(new Planche(vignettes, this)), reglages_(reglages) {
    setObjectName(QStringLiteral("fenetrePlanche"));
    setWindowTitle(QStringLiteral("planche des images"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->addWidget(planche_);
    if (reglages_.vignettes > 0) planche_->setTaille(reglages_.vignettes);
    resize(reglages_.largeur > 0 ? QSize(reglages_.largeur, reglages_.hauteur) : kTailleParDefaut);
}

void FenetrePlanche::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Only a size the user gave is remembered: the one set above, or a window manager's
    // placing it as it was, changes nothing.
    const QSize taille = event->size();
    const QSize retenue = reglages_.largeur > 0 ? QSize(reglages_.largeur, reglages_.hauteur) : kTailleParDefaut;
    if (!isVisible() || taille == retenue) return;
    reglages_.largeur = taille.width();
    reglages_.hauteur = taille.height();
    reglages_.choixDimensions = true;
}

void FenetrePlanche::closeEvent(QCloseEvent* event) {
    emit fermee();
    QWidget::closeEvent(event);
}

void FenetrePlanche::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
