#pragma once
// The pictures of the frame: the last ones decoded, kept by file and size, and those of the
// cards beside the current one, decoded ahead in the background, so that browsing never
// waits for a picture already met or next in line.
//
// The background runs on one thread of its own (a QThreadPool of one): never more than one
// decoding at a time, and it is started only from the event loop, never while a picture the
// user waits for is being decoded. It is given paths alone, never the card store. A picture
// decoded ahead that fails is forgotten: the foreground decodes it again and reports why.

#include <QCache>
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ImagesCadre : public QObject {
    Q_OBJECT
public:
    // Reads a picture file at a requested size (device pixels); may run on the background
    // thread, so it must touch no shared state. Throws Erreur.
    using Decodeur = std::function<QImage(const std::string& chemin, QSize cible)>;

    // Bytes of decoded pictures kept at most.
    static constexpr qsizetype kMemoireMax = 64 * 1024 * 1024;

    explicit ImagesCadre(QObject* parent = nullptr);
    ~ImagesCadre() override;

    // The picture at cible, device pixel ratio set to ratio: from the kept ones, from the
    // background decoding of that very picture (waited for), or decoded now. Throws Erreur.
    QImage image(const std::string& chemin, QSize cible, qreal ratio);
    // The pictures to decode ahead, in order; replaces those asked for before. The one being
    // decoded is kept only if it is still asked for.
    void prevoir(const std::vector<std::string>& chemins, QSize cible, qreal ratio);

    void setDecodeur(Decodeur decodeur) { decodeur_ = std::move(decodeur); }
    qsizetype memoire() const { return cache_.totalCost(); }
    qsizetype memoireMaximale() const { return pic_; }
    // True while nothing is decoded or left to decode in the background.
    bool auRepos() const { return !enCours_ && attente_.empty(); }

    // What tells one version of a file at one size from another.
    struct Cle {
        std::uint64_t appareil = 0, inode = 0;
        std::int64_t taille = 0, modification = 0;
        int largeur = 0, hauteur = 0;
        bool operator==(const Cle&) const = default;
    };

private:
    struct Demande {
        std::string chemin;
        Cle cle;
    };
    struct EnCours {
        Cle cle;
        bool voulu = true;  // still asked for; otherwise its picture is thrown away
    };

    static std::optional<Cle> identite(const std::string& chemin, QSize cible);
    void garder(const Cle& cle, const QImage& image);
    void lancer();
    void termine();

    Decodeur decodeur_;
    QCache<Cle, QImage> cache_;
    qsizetype pic_ = 0;
    QThreadPool fil_;
    QFutureWatcher<QImage> veilleur_;
    std::optional<EnCours> enCours_;
    std::deque<Demande> attente_;
    qreal ratio_ = 1.0;
    bool lancementPrevu_ = false;
};

size_t qHash(const ImagesCadre::Cle& cle, size_t graine = 0);
