#pragma once
// A printer that keeps what is drawn on it (texts with their font and position, pictures
// with their rectangle), page by page, and can be told to refuse a document.

#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRectF>
#include <functional>
#include <vector>

#include "platform/imprimante.h"

struct TexteTrace {
    int page;
    QString texte;
    QPointF ligneDeBase;
    QFont police;
};

struct ImageTracee {
    int page;
    QRectF rectangle;
    QSize taille;
    QImage image;
};

class MoteurEnregistreur : public QPaintEngine {
public:
    MoteurEnregistreur() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF&) override {
        images.push_back({page, r, pm.size(), pm.toImage()});
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF&,
                   Qt::ImageConversionFlags) override {
        images.push_back({page, r, image.size(), image});
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        textes.push_back({page, item.text(), p, item.font()});
        if (pendantLeDessin) pendantLeDessin();
    }
    Type type() const override { return QPaintEngine::User; }

    int page = 1;
    std::vector<TexteTrace> textes;
    std::vector<ImageTracee> images;
    std::function<void()> pendantLeDessin;
};

class FeuilleEnregistreuse : public QPaintDevice {
public:
    FeuilleEnregistreuse(int largeur, int hauteur, int resolution)
        : largeur_(largeur), hauteur_(hauteur), resolution_(resolution) {}
    QPaintEngine* paintEngine() const override { return &moteur; }
    mutable MoteurEnregistreur moteur;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth: return largeur_;
            case PdmHeight: return hauteur_;
            case PdmWidthMM: return largeur_ * 254 / (resolution_ * 10);
            case PdmHeightMM: return hauteur_ * 254 / (resolution_ * 10);
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY: return resolution_;
            case PdmNumColors: return 0x7fffffff;
            case PdmDepth: return 32;
            case PdmDevicePixelRatio: return 1;
            case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
            default: return 0;
        }
    }

private:
    int largeur_, hauteur_, resolution_;
};

class ImprimanteEnregistreuse : public Imprimante {
public:
    // The page of the A4 cups-pdf queue and of the PDF printer at 1200 dpi.
    explicit ImprimanteEnregistreuse(int largeur = 9583, int hauteur = 13699)
        : feuille(largeur, hauteur, 1200), largeur_(largeur), hauteur_(hauteur) {}

    bool commencer(const QString& titre, QString& raison) override {
        ++documents;
        titreDocument = titre;
        if (refuserDebut) {
            raison = QStringLiteral("aucune imprimante n'est installée");
            return false;
        }
        return peintre_.begin(&feuille);
    }
    QPainter& surface() override { return peintre_; }
    int largeur() const override { return largeur_; }
    int hauteur() const override { return hauteur_; }
    int numeroPage() const override { return feuille.moteur.page; }
    void nouvellePage() override {
        // A failure injected here leaves through the program's own frames only: an exception
        // thrown inside the paint engine would unwind through Qt's, which are not built for it.
        if (avantNouvellePage) avantNouvellePage();
        ++feuille.moteur.page;
    }
    bool terminer(QString& raison) override {
        peintre_.end();
        if (refuserFin) {
            raison = QStringLiteral("l'imprimante a refusé le document");
            return false;
        }
        termine = true;
        return true;
    }
    void abandonner() override {
        abandonne = true;
        if (peintre_.isActive()) peintre_.end();
    }

    const std::vector<TexteTrace>& textes() const { return feuille.moteur.textes; }
    const std::vector<ImageTracee>& images() const { return feuille.moteur.images; }
    int pages() const { return feuille.moteur.page; }

    FeuilleEnregistreuse feuille;
    bool refuserDebut = false;
    bool refuserFin = false;
    bool termine = false;
    bool abandonne = false;
    int documents = 0;
    QString titreDocument;
    std::function<void()> avantNouvellePage;

private:
    int largeur_, hauteur_;
    QPainter peintre_;
};
