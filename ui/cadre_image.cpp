#include "ui/cadre_image.h"

#include <QFile>
#include <QPainter>

#include "platform/images.h"

void chargerRessources() {
    // The built-in pictures sit in a static library: their registration must be pulled in.
    static const bool faite = [] {
        Q_INIT_RESOURCE(brevandoux);
        return true;
    }();
    (void)faite;
}

CadreImage::CadreImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    image_ = imageDeDepart();
}

QImage CadreImage::imageDeDepart() {
    chargerRessources();
    QFile f(QStringLiteral(":/brevandoux/depart.jpg"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return decoderJpeg(f.readAll(), QSize());
}

void CadreImage::charger(const std::string& chemin) {
    // Decoded at least as large as the frame asks for, so that stretching never blurs a
    // picture that has the pixels.
    setImage(chargerImage(chemin, size()));
}

void CadreImage::setImage(const QImage& image) {
    image_ = image;
    update();
}

void CadreImage::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), image_);
}
