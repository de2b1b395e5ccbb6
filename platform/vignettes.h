#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

// Thumbnails of pictures for the board, drawn by the confined picture program and shared with
// the desktop's thumbnail cache.
class Vignettes : public QObject {
    Q_OBJECT
public:
    explicit Vignettes(QObject* parent = nullptr);
    ~Vignettes() override;

    // Asks for the thumbnails of these pictures (absolute paths of picture files), the most
    // wanted first, for tiles of `pixels` device pixels (the size class of the cache is chosen
    // from it: 128, 256, 512 or 1024). Replaces whatever was asked before and not yet started
    // (scrolling away drops queued work). Pictures already in the bounded memory cache are
    // not asked again. Returns at once; the work is done in the background.
    void demander(const QStringList& chemins, int pixels);

    // The decoded thumbnail of this picture at the size class for `pixels`, if it is in the
    // bounded memory cache; a null QImage otherwise. Its devicePixelRatio is left at 1: the
    // caller sets it.
    QImage image(const QString& chemin, int pixels) const;

    // Why the picture could not be drawn (French, for a tooltip), or an empty string when it
    // was drawn or is not known yet.
    QString echec(const QString& chemin) const;

signals:
    // The thumbnail of `chemin` (or its failure) for the size class of `pixels` is now
    // available through image() / echec().
    void prete(const QString& chemin, int pixels);
};
