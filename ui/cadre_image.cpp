#include "ui/cadre_image.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <cmath>

#include "core/services.h"
#include "core/textes.h"
#include "platform/images.h"

namespace {
// A plain widget is announced as an unnamed pane; the frame is a picture, and its description
// says which one.
class CadreAccessible : public QAccessibleWidget {
public:
    explicit CadreAccessible(QWidget* cadre) : QAccessibleWidget(cadre, QAccessible::Graphic) {}
};

QAccessibleInterface* fabrique(const QString& classe, QObject* objet) {
    if (classe == QLatin1String("CadreImage") && objet != nullptr && objet->isWidgetType()) {
        return new CadreAccessible(static_cast<QWidget*>(objet));
    }
    return nullptr;
}

// The last part of a path, in the file system's encoding.
QString nomFichier(const std::string& chemin) {
    const std::size_t barre = chemin.find_last_of('/');
    const std::string nom = barre == std::string::npos ? chemin : chemin.substr(barre + 1);
    return QFile::decodeName(QByteArray::fromStdString(nom));
}
}  // namespace

void chargerRessources() {
    // The built-in pictures sit in a static library: their registration must be pulled in.
    static const bool faite = [] {
        Q_INIT_RESOURCE(brevandoux);
        return true;
    }();
    (void)faite;
}

CadreImage::CadreImage(QWidget* parent) : QWidget(parent) {
    // Before the frame's first accessibility event, which makes and keeps its interface.
    static const bool presentee = [] {
        QAccessible::installFactory(fabrique);
        return true;
    }();
    (void)presentee;
    setFocusPolicy(Qt::NoFocus);
    image_ = imageDeDepart();
    setAccessibleDescription(QStringLiteral("image de départ"));
}

QImage CadreImage::imageDeDepart() {
    chargerRessources();
    QFile f(QStringLiteral(":/brevandoux/depart.jpg"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return decoderJpeg(f.readAll(), QSize());
}

QSize CadreImage::tailleDemandee() const {
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::ceil(width() * ratio)), static_cast<int>(std::ceil(height() * ratio)));
}

void CadreImage::charger(const std::string& chemin) {
    // Decoded at least as large as the frame asks for in the screen's pixels, so that
    // stretching never blurs a picture that has the pixels.
    const QSize taille = tailleDemandee();
    try {
        setImage(images_.image(chemin, taille, devicePixelRatioF()));
    } catch (const Erreur& e) {
        setAccessibleDescription(QString::fromStdString(e.what()));
        throw;
    }
    chemin_ = chemin;
    tailleChargee_ = taille;
    setAccessibleDescription(imageVide_ && chemin == imageVide_() ? QStringLiteral("aucune image")
                                                                  : nomFichier(chemin));
}

void CadreImage::indisponible(const std::string& chemin) {
    // The words of the message the user is shown, about the file's name alone.
    const std::string texte = avecChemin(textes::kImageNonDisponible,
                                         nomFichier(chemin).toStdString());
    setAccessibleDescription(QString::fromStdString(texte).trimmed());
}

void CadreImage::setImage(const QImage& image) {
    image_ = image;
    // A picture given as such has no file to decode again for another screen.
    chemin_.clear();
    update();
}

void CadreImage::setVoisins(const std::vector<std::string>& chemins) {
    images_.prevoir(chemins, tailleDemandee(), devicePixelRatioF());
}

void CadreImage::setProportionsGardees(bool gardees) {
    if (gardees == proportionsGardees_) return;
    proportionsGardees_ = gardees;
    update();
}

void CadreImage::rechargerSiBesoin() {
    if (chemin_.empty() || rechargementPrevu_ || tailleDemandee() == tailleChargee_) return;
    // Not while painting: the picture is decoded again from the event loop, then drawn.
    rechargementPrevu_ = true;
    QTimer::singleShot(0, this, [this] {
        rechargementPrevu_ = false;
        if (tailleDemandee() == tailleChargee_) return;
        const QSize taille = tailleDemandee();
        try {
            image_ = images_.image(chemin_, taille, devicePixelRatioF());
            update();
        } catch (const Erreur&) {
            // The file was shown a moment ago and has gone or changed since: the frame keeps
            // it at the old resolution; the next card display reports what is wrong.
        }
        tailleChargee_ = taille;
    });
}

void CadreImage::paintEvent(QPaintEvent*) {
    rechargerSiBesoin();
    if (image_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!proportionsGardees_) {
        p.drawImage(rect(), image_);
        return;
    }
    QRect cible(QPoint(), image_.size().scaled(size(), Qt::KeepAspectRatio));
    cible.moveCenter(rect().center());
    p.drawImage(cible, image_);
}
