#include "platform/vignettes.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCache>
#include <QSet>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/atelier_vignettes.h"
#include "platform/cache_vignettes.h"
#include "platform/metafichier_processus.h"

namespace {

// Decoded thumbnails kept in memory, in bytes: a few screens of tiles at twice the size.
constexpr qsizetype kMemoireImages = 64 * 1024 * 1024;
// Failures kept in memory, in pictures.
constexpr qsizetype kEchecsMax = 10000;
// One thread, and one drawing program busy, for each of the machine's two cores: the decoding
// is the work, and the window's side only encodes and writes the small result.
constexpr int kFils = 2;

struct Tache {
    QString chemin;
    int classe = 0;
    int pixels = 0;
};

QString cle(const QString& chemin, int classe) { return QString::number(classe) + QLatin1Char('|') + chemin; }

}  // namespace

struct Vignettes::Etat {
    Vignettes* q;
    const QString racine = racineVignettes();
    const std::string programmeImage = cheminProgrammeImage("brevandoux-image");
    const std::string programmeHeif = cheminProgrammeImage("brevandoux-heif");

    // The window's thread only.
    QCache<QString, QImage> images{kMemoireImages};
    QCache<QString, QString> echecs{kEchecsMax};
    QSet<QString> attendues;  // asked for and not delivered yet: queued or being drawn

    // Shared with the drawing threads.
    std::mutex verrou;
    std::condition_variable reveil;
    std::deque<Tache> file;
    std::atomic<bool> fin{false};
    // Readable once the object goes: wakes a thread waiting for its program.
    const int arret = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::vector<std::thread> fils;

    explicit Etat(Vignettes* v) : q(v) {}

    void travailler() {
        ProgrammesDessin programmes{ProcessusLot(programmeImage), ProcessusLot(programmeHeif)};
        for (;;) {
            Tache t;
            {
                std::unique_lock<std::mutex> l(verrou);
                reveil.wait(l, [this] { return fin || !file.empty(); });
                if (fin) return;
                t = std::move(file.front());
                file.pop_front();
            }
            ResultatVignette r = fabriquerVignette(t.chemin, t.classe, racine, programmes, arret);
            if (fin || r.interrompu) return;
            QMetaObject::invokeMethod(
                q, [this, t, r] { livrer(t, r); }, Qt::QueuedConnection);
        }
    }

    void livrer(const Tache& t, const ResultatVignette& r) {
        attendues.remove(cle(t.chemin, t.classe));
        if (!r.image.isNull()) {
            images.insert(cle(t.chemin, t.classe), new QImage(r.image), r.image.sizeInBytes());
            echecs.remove(t.chemin);
        } else {
            echecs.insert(t.chemin, new QString(r.echec));
        }
        emit q->prete(t.chemin, t.pixels);
    }
};

Vignettes::Vignettes(QObject* parent) : QObject(parent), etat_(std::make_unique<Etat>(this)) {}

Vignettes::~Vignettes() {
    {
        const std::lock_guard<std::mutex> l(etat_->verrou);
        etat_->fin = true;
    }
    etat_->reveil.notify_all();
    if (etat_->arret >= 0) {
        const std::uint64_t un = 1;
        [[maybe_unused]] const ssize_t n = write(etat_->arret, &un, sizeof un);
    }
    for (std::thread& f : etat_->fils) f.join();
    if (etat_->arret >= 0) close(etat_->arret);
}

void Vignettes::demander(const QStringList& chemins, int pixels) {
    Etat& e = *etat_;
    const int classe = classeVignette(pixels);
    std::deque<Tache> abandonnees;
    {
        const std::lock_guard<std::mutex> l(e.verrou);
        abandonnees.swap(e.file);
    }
    for (const Tache& t : abandonnees) e.attendues.remove(cle(t.chemin, t.classe));
    // Only as many pictures as the memory cache can hold: further ones would push out those
    // on screen, which come first.
    const qsizetype parTuile = static_cast<qsizetype>(classe) * classe * 3;
    qsizetype budget = kMemoireImages;
    std::deque<Tache> nouvelle;
    for (const QString& chemin : chemins) {
        if (chemin.isEmpty()) continue;
        budget -= parTuile;
        if (budget < 0) break;
        const QString k = cle(chemin, classe);
        if (e.images.contains(k) || e.echecs.contains(chemin) || e.attendues.contains(k)) continue;
        e.attendues.insert(k);
        nouvelle.push_back({chemin, classe, pixels});
    }
    if (nouvelle.empty()) return;
    {
        const std::lock_guard<std::mutex> l(e.verrou);
        e.file = std::move(nouvelle);
    }
    e.reveil.notify_all();
    // The threads, and the programs they drive, start with the first picture asked for.
    while (e.fils.size() < static_cast<std::size_t>(kFils)) e.fils.emplace_back([&e] { e.travailler(); });
}

QImage Vignettes::image(const QString& chemin, int pixels) const {
    const QImage* i = etat_->images.object(cle(chemin, classeVignette(pixels)));
    return i != nullptr ? *i : QImage();
}

QString Vignettes::echec(const QString& chemin) const {
    const QString* raison = etat_->echecs.object(chemin);
    return raison != nullptr ? *raison : QString();
}
