// The picture frame on today's screens and with today's photos: drawn with the screen's own
// pixels (the suite runs once more with QT_SCALE_FACTOR=2), pictures kept once decoded, a
// changed file decoded again, and the neighbours' pictures decoded ahead, dropped when the
// card changes.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <map>
#include <mutex>
#include <random>

#include "platform/images.h"
#include "ui/cadre_image.h"

namespace {

// A photo with detail at every scale: noise over slow waves.
QImage photoDetaillee(int cote) {
    QImage image(cote, cote, QImage::Format_RGB32);
    std::mt19937 hasard(7);
    for (int y = 0; y < cote; ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < cote; ++x) {
            const int onde = static_cast<int>(60 * std::sin(x / 9.0) * std::cos(y / 13.0));
            const int v = std::clamp(128 + onde + static_cast<int>(hasard() % 90) - 45, 0, 255);
            ligne[x] = qRgb(v, (v * 3 + x) & 0xFF, 255 - v);
        }
    }
    return image;
}

// Mean absolute Laplacian of the grey levels: how much fine detail a picture shows.
double detail(const QImage& image) {
    const QImage gris = image.convertToFormat(QImage::Format_Grayscale8);
    double somme = 0;
    for (int y = 1; y + 1 < gris.height(); ++y) {
        for (int x = 1; x + 1 < gris.width(); ++x) {
            const auto p = [&](int dx, int dy) { return static_cast<int>(gris.constScanLine(y + dy)[x + dx]); };
            somme += std::abs(4 * p(0, 0) - p(-1, 0) - p(1, 0) - p(0, -1) - p(0, 1));
        }
    }
    return somme / ((gris.width() - 2.0) * (gris.height() - 2.0));
}

void ecrire(const QString& chemin, const QImage& image) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&f, "JPG", 95));
}

// Counts the decodings of each file, wherever they run.
struct Compteur {
    std::mutex verrou;
    std::map<std::string, int> fois;
    ImagesCadre::Decodeur decodeur() {
        return [this](const std::string& chemin, QSize cible) {
            {
                const std::lock_guard<std::mutex> garde(verrou);
                ++fois[chemin];
            }
            return chargerImage(chemin, cible);
        };
    }
    int de(const QString& chemin) {
        const std::lock_guard<std::mutex> garde(verrou);
        return fois[chemin.toStdString()];
    }
};

}  // namespace

TEST(CadreEcran, charger_detailedPhoto_drawnWithTheDetailOfThePhotoAtTheScreensSize) {
    // An eighth just over the frame's side: libjpeg's 1/8 scale would do for the logical size
    // and blur on a 2× screen.
    QTemporaryDir dossier;
    const QString chemin = dossier.path() + "/photo.jpg";
    const QImage photo = photoDetaillee(1480);
    ecrire(chemin, photo);
    CadreImage cadre;
    cadre.resize(178, 178);
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        ASSERT_DOUBLE_EQ(cadre.devicePixelRatioF(), 2.0);
    }
    const QSize appareil = cadre.tailleDemandee();
    EXPECT_EQ(appareil, QSize(178, 178) * cadre.devicePixelRatioF());
    cadre.charger(chemin.toStdString());
    const QImage vue = cadre.grab().toImage();
    ASSERT_EQ(vue.size(), appareil);
    // The photo decoded by the same decoder and resized to the screen's pixels, and as a
    // frame asking for its logical size alone would show it: stretched from that size.
    const std::string nom = chemin.toStdString();
    const double reference =
        detail(chargerImage(nom, appareil).scaled(appareil, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const double floue = detail(chargerImage(nom, QSize(178, 178))
                                    .scaled(QSize(178, 178), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .scaled(appareil, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    EXPECT_GT(detail(vue), 0.9 * reference) << "référence " << reference << ", étirée " << floue;
    if (cadre.devicePixelRatioF() >= 2.0) {
        EXPECT_GT(detail(vue), 1.5 * floue) << "étirée " << floue;
    }
}

TEST(CadreEcran, charger_sameFileTwice_decodedOnce_changedFile_decodedAgain) {
    QTemporaryDir dossier;
    const QString a = dossier.path() + "/a.jpg", b = dossier.path() + "/b.jpg";
    ecrire(a, photoDetaillee(400));
    QImage rouge(300, 300, QImage::Format_RGB32);
    rouge.fill(Qt::red);
    ecrire(b, rouge);
    Compteur compteur;
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.images().setDecodeur(compteur.decodeur());
    cadre.charger(a.toStdString());
    cadre.charger(b.toStdString());
    cadre.charger(a.toStdString());
    cadre.charger(b.toStdString());
    EXPECT_EQ(compteur.de(a), 1);
    EXPECT_EQ(compteur.de(b), 1);
    EXPECT_GT(cadre.images().memoire(), 0);

    // Rewritten in place (same name, same inode): the new picture is shown.
    QImage bleue(300, 300, QImage::Format_RGB32);
    bleue.fill(Qt::blue);
    ecrire(b, bleue);
    cadre.charger(b.toStdString());
    EXPECT_EQ(compteur.de(b), 2);
    const QRgb centre = cadre.image().pixel(cadre.image().width() / 2, cadre.image().height() / 2);
    EXPECT_GT(qBlue(centre), 200);
    EXPECT_LT(qRed(centre), 60);
}

TEST(CadreEcran, setVoisins_cardChangedBeforeTheyStart_onlyTheNewNeighboursDecoded) {
    QTemporaryDir dossier;
    std::vector<QString> chemins;
    for (int i = 0; i < 4; ++i) {
        chemins.push_back(dossier.path() + "/" + QString::number(i) + ".jpg");
        ecrire(chemins.back(), photoDetaillee(300 + i));
    }
    Compteur compteur;
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.images().setDecodeur(compteur.decodeur());
    // Two card changes within one turn of the event loop, as a held arrow key gives.
    cadre.setVoisins({chemins[0].toStdString(), chemins[1].toStdString()});
    cadre.setVoisins({chemins[2].toStdString(), chemins[3].toStdString()});
    QTRY_VERIFY(cadre.images().auRepos());
    EXPECT_EQ(compteur.de(chemins[0]), 0);
    EXPECT_EQ(compteur.de(chemins[1]), 0);
    EXPECT_EQ(compteur.de(chemins[2]), 1);
    EXPECT_EQ(compteur.de(chemins[3]), 1);
    // The next card's picture is there when the user comes to it.
    cadre.charger(chemins[2].toStdString());
    cadre.charger(chemins[3].toStdString());
    EXPECT_EQ(compteur.de(chemins[2]), 1);
    EXPECT_EQ(compteur.de(chemins[3]), 1);
}

TEST(CadreEcran, charger_pictureBeingDecodedAhead_waitsForItInsteadOfDecodingTwice) {
    QTemporaryDir dossier;
    const QString chemin = dossier.path() + "/suivante.jpg";
    ecrire(chemin, photoDetaillee(1200));
    Compteur compteur;
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.images().setDecodeur(compteur.decodeur());
    cadre.setVoisins({chemin.toStdString()});
    // The user comes to the card as soon as its decoding ahead has started.
    QTRY_COMPARE(compteur.de(chemin), 1);
    cadre.charger(chemin.toStdString());
    EXPECT_EQ(compteur.de(chemin), 1);
    EXPECT_FALSE(cadre.image().isNull());
}

TEST(CadreEcran, frameAsksForMorePixels_pictureDecodedAgainAtTheNewSize) {
    // What a move to a screen of another ratio does, by the frame's size: the picture shown
    // is decoded again for the pixels now asked for.
    QTemporaryDir dossier;
    const QString chemin = dossier.path() + "/photo.jpg";
    ecrire(chemin, photoDetaillee(1480));
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.show();
    cadre.charger(chemin.toStdString());
    EXPECT_EQ(cadre.image().size(), cadre.tailleDemandee());
    cadre.resize(300, 300);
    cadre.repaint();
    QTRY_COMPARE(cadre.image().size(), cadre.tailleDemandee());
    EXPECT_EQ(cadre.tailleDemandee(), QSize(300, 300) * cadre.devicePixelRatioF());
}
