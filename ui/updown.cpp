#include "ui/updown.h"

#include <QToolButton>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), haut_(new QToolButton(this)), bas_(new QToolButton(this)) {
    setFocusPolicy(Qt::NoFocus);
    for (QToolButton* b : {haut_, bas_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
    haut_->setObjectName(QStringLiteral("flecheHaut"));
    bas_->setObjectName(QStringLiteral("flecheBas"));
    haut_->setArrowType(Qt::UpArrow);
    bas_->setArrowType(Qt::DownArrow);
    connect(haut_, &QToolButton::clicked, this, [this] { presse(true); });
    connect(bas_, &QToolButton::clicked, this, [this] { presse(false); });
}

void TUpDown::resizeEvent(QResizeEvent*) {
    const int moitie = height() / 2;
    haut_->setGeometry(0, 0, width(), moitie);
    bas_->setGeometry(0, moitie, width(), height() - moitie);
}

void TUpDown::presse(bool haut) {
    position_ = std::clamp(position_ + (haut ? 1 : -1), 0, 100);
    emit clicked(haut);
}
