// Times the picture frame showing a 12-megapixel phone photo stored sideways (EXIF
// Orientation 6) against the same file without the tag: turning the small decoded picture
// should cost next to nothing beside the decoding (goal: at most 1.2 times as long). Then
// the same photo as PNG and as HEIC (made by ImageMagick when it is there) through the
// confined picture program, as the frame loads them (goal: at most 0.5 s each).
// Usage: bench_photo [width height]

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "ui/cadre_image.h"

namespace {

// A picture with detail everywhere, so that the JPEG weighs what a photo weighs (a flat one
// would decode unrealistically fast).
QByteArray photo(int largeur, int hauteur) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    std::mt19937 hasard(12);
    for (int y = 0; y < hauteur; ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < largeur; ++x) {
            const unsigned bruit = hasard() & 0x3F;
            ligne[x] = qRgb(static_cast<int>((x * 255 / largeur + bruit) & 0xFF),
                            static_cast<int>((y * 255 / hauteur + bruit) & 0xFF),
                            static_cast<int>(((x ^ y) + bruit) & 0xFF));
        }
    }
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "JPG", 90);
    return octets;
}

// APP1 "Exif", little-endian TIFF, IFD0 with the one Orientation entry.
QByteArray avecOrientation(QByteArray jpeg, int orientation) {
    const char tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                         static_cast<char>(orientation), 0, 0, 0, 0, 0, 0, 0};
    QByteArray segment("\xFF\xE1", 2);
    const int longueur = 2 + 6 + static_cast<int>(sizeof tiff);
    segment.append(static_cast<char>(longueur >> 8)).append(static_cast<char>(longueur & 0xFF));
    segment.append(QByteArray("Exif\0\0", 6)).append(tiff, sizeof tiff);
    jpeg.insert(2, segment);
    return jpeg;
}

double meilleurTemps(CadreImage& cadre, const std::string& chemin) {
    double meilleur = 1e9;
    for (int essai = 0; essai < 7; ++essai) {
        QElapsedTimer chrono;
        chrono.start();
        cadre.charger(chemin);
        cadre.repaint();
        const double ms = static_cast<double>(chrono.nsecsElapsed()) / 1e6;
        if (ms < meilleur) meilleur = ms;
    }
    return meilleur;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int largeur = argc > 2 ? std::atoi(argv[1]) : 4000;
    const int hauteur = argc > 2 ? std::atoi(argv[2]) : 3000;
    if (largeur < 16 || hauteur < 16) return 2;
    QTemporaryDir dossier;
    if (!dossier.isValid()) return 2;
    const QByteArray sans = photo(largeur, hauteur);
    const QByteArray avec = avecOrientation(sans, 6);
    const std::string cheminSans = (dossier.path() + "/sans.jpg").toStdString();
    const std::string cheminAvec = (dossier.path() + "/avec.jpg").toStdString();
    for (const auto& [chemin, octets] : {std::pair{cheminSans, sans}, std::pair{cheminAvec, avec}}) {
        QFile f(QString::fromStdString(chemin));
        if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size()) return 2;
    }
    CadreImage cadre;
    cadre.resize(178, 178);
    cadre.show();
    cadre.charger(cheminAvec);  // warms the caches and the allocator first
    // The tag must really turn the picture, or the comparison would time the same work twice.
    const QImage tournee = cadre.image();
    cadre.charger(cheminSans);
    if (tournee.width() != cadre.image().height() || tournee.height() != cadre.image().width()) {
        std::fprintf(stderr, "la photo marquée Orientation 6 n'a pas été tournée\n");
        return 1;
    }
    const double tSans = meilleurTemps(cadre, cheminSans);
    const double tAvec = meilleurTemps(cadre, cheminAvec);
    const double rapport = tAvec / tSans;
    std::printf("cadre, photo JPEG %d × %d (%.1f Mo) : sans orientation %.1f ms, Orientation 6 "
                "%.1f ms, rapport %.2f (objectif ≤ 1,20)\n",
                largeur, hauteur, static_cast<double>(sans.size()) / 1e6, tSans, tAvec, rapport);
    bool dansLesTemps = rapport <= 1.2;

    if (QStandardPaths::findExecutable("convert").isEmpty()) {
        std::printf("PNG et HEIC : IGNORÉ, ImageMagick (convert) est absent\n");
        return dansLesTemps ? 0 : 1;
    }
    for (const char* ext : {"png", "heic"}) {
        const QString chemin = dossier.path() + "/photo." + ext;
        QProcess convertir;
        convertir.start("convert", {QString::fromStdString(cheminSans), chemin});
        if (!convertir.waitForFinished(600000) || convertir.exitCode() != 0) {
            std::fprintf(stderr, "convert n'a pas pu faire la photo %s\n", ext);
            return 2;
        }
        const double ms = meilleurTemps(cadre, chemin.toStdString());
        std::printf("cadre, photo %s %d × %d par le programme de dessin : %.1f ms (objectif ≤ 500 ms)\n",
                    ext, largeur, hauteur, ms);
        dansLesTemps = dansLesTemps && ms <= 500.0;
    }
    return dansLesTemps ? 0 : 1;
}
