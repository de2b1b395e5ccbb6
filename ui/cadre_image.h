#pragma once
// The picture frame: shows one picture stretched to the frame's size, proportions ignored.

#include <QImage>
#include <QWidget>
#include <string>

class CadreImage : public QWidget {
    Q_OBJECT
public:
    explicit CadreImage(QWidget* parent = nullptr);

    // Loads a picture file chosen by its extension. Throws Erreur when it cannot be loaded;
    // the frame then keeps the picture it showed.
    void charger(const std::string& chemin);
    void setImage(const QImage& image);
    const QImage& image() const { return image_; }

    // The built-in picture the frame shows until the first display.
    static QImage imageDeDepart();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// Registers the built-in pictures and the window icon (once).
void chargerRessources();
