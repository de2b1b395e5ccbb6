#include "ui/images_cadre.h"

#include <sys/stat.h>

#include <QPromise>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>

#include "core/services.h"
#include "platform/images.h"

namespace {

// The frame stretches its picture over its whole square: a picture decoded larger than that
// (libjpeg's scales go by eighths) is brought to the frame's device pixels once, so that it is
// kept small and drawn without a second scaling; a smaller one is stretched when drawn.
QImage pourLeCadre(const ImagesCadre::Decodeur& decodeur, const std::string& chemin, QSize cible,
                   qreal ratio) {
    QImage image = decodeur(chemin, cible);
    if (cible.isValid() && !cible.isEmpty() &&
        (image.width() > cible.width() || image.height() > cible.height())) {
        image = image.scaled(image.size().boundedTo(cible), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

}  // namespace

size_t qHash(const ImagesCadre::Cle& cle, size_t graine) {
    return qHashMulti(graine, cle.appareil, cle.inode, cle.taille, cle.modification, cle.largeur,
                      cle.hauteur);
}

ImagesCadre::ImagesCadre(QObject* parent)
    : QObject(parent), decodeur_(chargerImage), cache_(kMemoireMax) {
    fil_.setMaxThreadCount(1);
    // A picture decoded ahead is needed again within seconds or not at all.
    fil_.setExpiryTimeout(30'000);
    connect(&veilleur_, &QFutureWatcherBase::finished, this, &ImagesCadre::termine);
}

ImagesCadre::~ImagesCadre() {
    // The thread holds nothing of ours but its own copies; its end is waited for here.
    attente_.clear();
    fil_.waitForDone();
}

std::optional<ImagesCadre::Cle> ImagesCadre::identite(const std::string& chemin, QSize cible) {
    struct stat st;
    if (stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    Cle cle;
    cle.appareil = st.st_dev;
    cle.inode = st.st_ino;
    cle.taille = st.st_size;
    cle.modification = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    cle.largeur = cible.width();
    cle.hauteur = cible.height();
    return cle;
}

void ImagesCadre::garder(const Cle& cle, const QImage& image) {
    // QCache refuses (and frees) a picture larger than its whole budget: it is shown, not kept.
    cache_.insert(cle, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
    pic_ = std::max(pic_, cache_.totalCost());
}

QImage ImagesCadre::image(const std::string& chemin, QSize cible, qreal ratio) {
    const std::optional<Cle> cle = identite(chemin, cible);
    if (cle) {
        if (const QImage* gardee = cache_.object(*cle)) {
            if (gardee->devicePixelRatio() == ratio) return *gardee;
        }
        if (enCours_ && enCours_->cle == *cle) {
            // The very picture is on its way: waiting for it is shorter than starting again.
            enCours_->voulu = true;
            veilleur_.waitForFinished();
            termine();
            if (const QImage* gardee = cache_.object(*cle)) {
                if (gardee->devicePixelRatio() == ratio) return *gardee;
            }
        }
    }
    // A missing or unreadable file goes to the decoder, which says why in French.
    QImage image = pourLeCadre(decodeur_, chemin, cible, ratio);
    if (cle) garder(*cle, image);
    return image;
}

void ImagesCadre::prevoir(const std::vector<std::string>& chemins, QSize cible, qreal ratio) {
    attente_.clear();
    ratio_ = ratio;
    if (enCours_) enCours_->voulu = false;
    for (const std::string& chemin : chemins) {
        const std::optional<Cle> cle = identite(chemin, cible);
        if (!cle) continue;
        if (enCours_ && enCours_->cle == *cle) {
            enCours_->voulu = true;
            continue;
        }
        attente_.push_back({chemin, *cle});
    }
    // Started from the event loop: the current card's own picture, decoded right after this
    // call, comes first.
    if (!lancementPrevu_ && !attente_.empty()) {
        lancementPrevu_ = true;
        QTimer::singleShot(0, this, [this] {
            lancementPrevu_ = false;
            lancer();
        });
    }
}

void ImagesCadre::lancer() {
    if (enCours_) return;  // the one decoding in progress starts the next when it ends
    while (!attente_.empty() && cache_.contains(attente_.front().cle)) attente_.pop_front();
    if (attente_.empty()) return;
    Demande demande = std::move(attente_.front());
    attente_.pop_front();
    enCours_ = EnCours{demande.cle, true};
    // Shared: the thread pool of Qt 6.4 takes only copyable work.
    auto promesse = std::make_shared<QPromise<QImage>>();
    promesse->start();
    veilleur_.setFuture(promesse->future());
    fil_.start([promesse, decodeur = decodeur_, chemin = std::move(demande.chemin),
                cible = QSize(demande.cle.largeur, demande.cle.hauteur), ratio = ratio_] {
        QImage image;
        try {
            image = pourLeCadre(decodeur, chemin, cible, ratio);
        } catch (const Erreur&) {
            // Left to the foreground, which reports it if the user comes to this card.
        }
        promesse->addResult(std::move(image));
        promesse->finish();
    });
}

void ImagesCadre::termine() {
    // Called by the watcher, or earlier by image() when it waited: the second call finds
    // nothing to do.
    if (!enCours_ || !veilleur_.future().isFinished()) return;
    const EnCours fini = *enCours_;
    enCours_.reset();
    const QFuture<QImage> resultat = veilleur_.future();
    if (fini.voulu && resultat.resultCount() > 0 && !resultat.result().isNull()) {
        garder(fini.cle, resultat.result());
    }
    if (!attente_.empty() && !lancementPrevu_) {
        lancementPrevu_ = true;
        QTimer::singleShot(0, this, [this] {
            lancementPrevu_ = false;
            lancer();
        });
    }
}
