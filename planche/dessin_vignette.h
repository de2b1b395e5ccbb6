#pragma once
// How a tile is drawn: the thumbnail (or a plain square with the title when there is none),
// the card's number and its title cut with "…" below, the chosen tiles highlighted and the
// window's current card framed.

#include <QStyledItemDelegate>

class DessinVignette : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A tile's size for thumbnails of that side in that font.
    static QSize tailleTuile(int cote, const QFontMetrics& metriques);
};
