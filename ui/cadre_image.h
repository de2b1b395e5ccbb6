#pragma once
// The picture frame: shows one picture stretched to the frame's size, proportions ignored (or,
// in a frame grown with the window, as large as it fits with its proportions, centred),
// decoded for the screen's own pixels (the frame's size times its device pixel ratio) and
// decoded again when that changes (the window moved to another screen).
// Its accessible description says which picture it shows, for a screen reader: the file's
// name, "aucune image" for the placeholder, or why the last picture asked for is not shown.

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "ui/images_cadre.h"

class CadreImage : public QWidget {
    Q_OBJECT
public:
    explicit CadreImage(QWidget* parent = nullptr);

    // Loads a picture file chosen by its extension. Throws Erreur when it cannot be loaded;
    // the frame then keeps the picture it showed, and its description gives the reason.
    void charger(const std::string& chemin);
    // A picture that is not there to load: the frame keeps what it showed, its description
    // says that this one is not available.
    void indisponible(const std::string& chemin);
    // The path of the placeholder picture, asked at each load: loading it describes the frame
    // as showing no picture.
    void setImageVide(std::function<std::string()> imageVide) { imageVide_ = std::move(imageVide); }
    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    // The pictures of the cards beside the current one, decoded ahead in the background;
    // replaces those given before.
    void setVoisins(const std::vector<std::string>& chemins);
    // The size a picture is decoded at: the frame's, in the screen's pixels.
    QSize tailleDemandee() const;
    ImagesCadre& images() { return images_; }
    // Whether the picture keeps its proportions rather than taking the frame's.
    void setProportionsGardees(bool gardees);

    // The built-in picture the frame shows until the first display.
    static QImage imageDeDepart();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rechargerSiBesoin();

    QImage image_;
    std::function<std::string()> imageVide_;
    ImagesCadre images_;
    // The file shown and the size it was decoded at, to decode it again for another screen.
    std::string chemin_;
    QSize tailleChargee_;
    bool rechargementPrevu_ = false;
    bool proportionsGardees_ = false;
};

// Registers the built-in pictures and the window icon (once).
void chargerRessources();
