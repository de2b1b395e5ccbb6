#include "planche/dessin_vignette.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

#include "planche/planche.h"
#include "ui/liste_fiches.h"

namespace {
constexpr int kMarge = 6;  // around the thumbnail, inside the tile
constexpr int kEcart = 4;  // between tiles
}  // namespace

QSize DessinVignette::tailleTuile(int cote, const QFontMetrics& metriques) {
    return {cote + 2 * (kMarge + kEcart), cote + 2 * kMarge + 2 * metriques.lineSpacing() + 2 * kEcart + kMarge};
}

QSize DessinVignette::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const auto* planche = qobject_cast<const Planche*>(option.widget);
    return tailleTuile(planche ? planche->taille() : Planche::kTailleParDefaut, option.fontMetrics);
}

void DessinVignette::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* planche = qobject_cast<const Planche*>(option.widget);
    const int cote = planche ? planche->taille() : Planche::kTailleParDefaut;
    const QPalette& palette = option.palette;
    const QRect tuile = option.rect.adjusted(kEcart, kEcart, -kEcart, -kEcart);
    const bool choisie = option.state & QStyle::State_Selected;
    const bool active = option.state & QStyle::State_Active;
    const QPalette::ColorGroup groupe = active ? QPalette::Active : QPalette::Inactive;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (choisie) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette.brush(groupe, QPalette::Highlight));
        painter->drawRoundedRect(tuile, 4, 4);
    }

    const QRect carre(tuile.left() + (tuile.width() - cote) / 2, tuile.top() + kMarge, cote, cote);
    const QString titre = index.data(ModeleListe::RoleTitre).toString();
    const QString chemin = index.data(ModeleListe::RoleImage).toString();
    const QPixmap image = chemin.isEmpty() || planche == nullptr ? QPixmap() : planche->vignette(chemin);
    if (!image.isNull()) {
        // Drawn at device pixels: its logical size is its pixel size over the screen's ratio.
        const QSizeF taille = image.deviceIndependentSize();
        const QPointF coin(carre.left() + (cote - taille.width()) / 2, carre.top() + (cote - taille.height()) / 2);
        painter->drawPixmap(coin, image);
    } else {
        // A plain tile: the title stands for the picture.
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette.brush(groupe, QPalette::AlternateBase));
        painter->drawRoundedRect(carre, 3, 3);
        painter->setPen(palette.color(groupe, QPalette::Text));
        // A word wider than the small tiles is broken rather than cut at the square's edge.
        QTextOption disposition(Qt::AlignCenter);
        disposition.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter->save();
        painter->setClipRect(carre);
        painter->drawText(QRectF(carre.adjusted(kMarge, kMarge, -kMarge, -kMarge)), titre, disposition);
        painter->restore();
    }

    // Below: the number, then the title cut with "…".
    const QFontMetrics& m = option.fontMetrics;
    const QRect ligne1(tuile.left() + kMarge, carre.bottom() + 1 + kMarge, tuile.width() - 2 * kMarge, m.height());
    const QRect ligne2 = ligne1.translated(0, m.lineSpacing());
    painter->setPen(palette.color(groupe, choisie ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(ligne1, Qt::AlignHCenter | Qt::AlignVCenter,
                      m.elidedText(index.data(ModeleListe::RoleNumero).toString(), Qt::ElideRight, ligne1.width()));
    painter->drawText(ligne2, Qt::AlignHCenter | Qt::AlignVCenter, m.elidedText(titre, Qt::ElideRight, ligne2.width()));

    // The window's current card: a frame of the highlight colour, thick enough to see beside a
    // chosen tile.
    if (planche != nullptr && planche->ficheMarquee() >= 0 &&
        index.data(ModeleListe::RoleIndexFiche).toInt() == planche->ficheMarquee()) {
        QPen cadre(palette.color(groupe, choisie ? QPalette::Text : QPalette::Highlight), 3);
        painter->setPen(cadre);
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(tuile).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
    if (option.state & QStyle::State_HasFocus) {
        QPen pointille(palette.color(groupe, choisie ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine);
        painter->setPen(pointille);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(tuile).adjusted(3.5, 3.5, -3.5, -3.5));
    }
    painter->restore();
}
