// Files dropped on the window. A base file (".dat") dropped anywhere is handed to the base
// commands (setOuverture), which open it as "ouvrir base" opens it; a picture dropped on the
// picture frame while a card is being edited is taken as "Image" takes the file it is given.
// The window refuses everything else, without a message: the pointer already says no while
// the file is carried.

#include <sys/stat.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "ui/cadre_image.h"
#include "ui/tform1.h"

namespace {
// The formats the picture frame loads, as the picture dialog offers them.
bool extensionImage(const QString& nom) {
    const QString ext = QFileInfo(nom).suffix().toLower();
    for (const char* e : {"jpg", "jpeg", "bmp", "ico", "wmf", "emf", "png", "gif", "webp", "tif",
                          "tiff", "heic", "heif", "avif"}) {
        if (ext == QLatin1String(e)) return true;
    }
    return false;
}

// The one local file carried, when one is; several files at once are refused.
std::optional<QString> fichierPorte(const QMimeData* donnees) {
    if (donnees == nullptr || !donnees->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = donnees->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    return urls.front().toLocalFile();
}
}  // namespace

std::optional<TForm1::Depot> TForm1::depotPossible(const QMimeData* donnees,
                                                   const QPoint& point) const {
    const std::optional<QString> nom = fichierPorte(donnees);
    if (!nom) return std::nullopt;
    const std::string chemin = QFile::encodeName(*nom).toStdString();
    struct stat st;
    if (stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    // The ".dat" test of the open command: the exact bytes, letter case included.
    if (nom->endsWith(QLatin1String(".dat"))) return Depot{Depot::Base, chemin};
    // The frame takes pictures only in edit mode.
    if (extensionImage(*nom) && enSaisie() &&
        Imagevue_->rect().contains(Imagevue_->mapFrom(this, point))) {
        return Depot{Depot::Image, chemin};
    }
    return std::nullopt;
}

void TForm1::dragEnterEvent(QDragEnterEvent* evenement) {
    // A picture may enter the window far from the frame: it is let in when the frame would
    // take it, and each move then says whether it can be dropped where it is.
    const QPoint cadre = Imagevue_->mapTo(this, Imagevue_->rect().center());
    if (depotPossible(evenement->mimeData(), cadre)) {
        evenement->acceptProposedAction();
    } else {
        evenement->ignore();
    }
}

void TForm1::dragMoveEvent(QDragMoveEvent* evenement) {
    if (depotPossible(evenement->mimeData(), evenement->position().toPoint())) {
        evenement->acceptProposedAction();
    } else {
        evenement->ignore();
    }
}

void TForm1::dropEvent(QDropEvent* evenement) {
    const std::optional<Depot> depot = depotPossible(evenement->mimeData(), evenement->position().toPoint());
    if (!depot) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
    // The command may ask questions and open boxes: it runs once the drop is over, so that the
    // application the file came from is not held in its drag meanwhile.
    QTimer::singleShot(0, this, [this, d = *depot] {
        if (d.genre == Depot::Base) {
            if (ouverture_) gerer([&] { ouverture_(d.chemin); });
        } else if (enSaisie()) {
            gerer([&] { prendreImage(d.chemin); });
        }
    });
}
