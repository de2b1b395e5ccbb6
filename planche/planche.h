#pragma once
// The board of pictures: the lines of the list as tiles, each a thumbnail with the card's
// number and title below, in the list's order. A list view laid out in lines of tiles of one
// size, so that a million lines cost nothing until they are shown; its selection model is the
// one any command on the chosen tiles reads.

#include <QCache>
#include <QListView>
#include <QPixmap>
#include <array>
#include <cstdint>

class Vignettes;

class Planche : public QListView {
    Q_OBJECT
public:
    // The sides of the thumbnails the user steps through, in logical pixels.
    static constexpr std::array<int, 4> kTailles = {80, 128, 192, 256};
    static constexpr int kTailleParDefaut = 128;

    explicit Planche(Vignettes& vignettes, QWidget* parent = nullptr);

    // Follows the model's changes to ask for the thumbnails of what comes into sight.
    void setModel(QAbstractItemModel* modele) override;

    int taille() const { return taille_; }
    // Takes the nearest of kTailles and lays the tiles out again.
    void setTaille(int cote);

    // The card (its index in the card table) the window shows, marked on its tile; -1 for none.
    void setFicheMarquee(int32_t index);
    int32_t ficheMarquee() const { return ficheMarquee_; }

    // The side of the thumbnails in device pixels, as they are asked for and drawn.
    int pixels() const;
    // The thumbnail of a picture ready to draw at pixels(), or a null pixmap.
    QPixmap vignette(const QString& chemin) const;
    // The row of the tile of a card, -1 when it has none on the board.
    int ligneDeFiche(int32_t index) const;

signals:
    // Double click or Enter on a tile: its card is to become the window's current card.
    void choisie(int ligne);
    // The user changed the size of the thumbnails.
    void tailleChoisie(int cote);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // One step through kTailles, as the user asked.
    void changerTaille(int pas);
    void appliquerTaille();
    // Asks for the thumbnails of the tiles on screen, then of the next screens; run once per
    // turn of the event loop however many changes asked for it.
    void planifierDemande();
    void demander();

    Vignettes& vignettes_;
    int taille_ = kTailleParDefaut;
    int32_t ficheMarquee_ = -1;
    int dernierDefilement_ = 0;
    int sens_ = 1;
    bool demandePrevue_ = false;
    int molette_ = 0;  // wheel turn not yet worth a step
    // The thumbnails drawn at the board's size, bounded in bytes (kilobytes as cost).
    mutable QCache<QString, QPixmap> dessinees_;
};
