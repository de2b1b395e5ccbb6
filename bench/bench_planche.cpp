// Times the thumbnails of the board, cache cold: N picture files (phone-size JPEGs, some
// turned by their EXIF orientation, with a few hundred PNG screenshots and HEIC photos among
// them) made into the desktop's thumbnail cache by the Vignettes class, against vipsthumbnail
// making the same thumbnails (PNG, same size) of the same files, two calls of half the files
// each at the same time, one thread each (its fastest use, with the same parallelism of 2). Goal: at most 1.5
// times vipsthumbnail's time. Then, cache warm and memory empty, the time until the first
// screen of 60 tiles is delivered (goal of the board: 0.3 s), and demander() over a million
// cards without pictures.
// The N files are hard links to a few dozen distinct pictures (each path is its own picture
// for the thumbnail cache; generating thousands of 12-megapixel photos would take an hour and
// tens of gigabytes).
// Usage: bench_planche [N [folder [pixels]]]  (N 10000, pixels 256; the distinct pictures are
// kept in folder and made again only when missing)

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "bench/support/exif.h"
#include "platform/cache_vignettes.h"
#include "platform/vignettes.h"

namespace {

constexpr int kJpeg = 24, kPng = 4, kHeic = 3;

// A picture with detail everywhere, so that it weighs what a photo weighs.
QImage photo(int largeur, int hauteur, unsigned graine, int bruit) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    std::mt19937 hasard(graine);
    for (int y = 0; y < hauteur; ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < largeur; ++x) {
            const unsigned b = hasard() % static_cast<unsigned>(bruit);
            ligne[x] = qRgb(static_cast<int>((x * 255 / largeur + b + graine * 40) & 0xFF),
                            static_cast<int>((y * 255 / hauteur + b) & 0xFF),
                            static_cast<int>((((x / 7) ^ (y / 5)) + b) & 0xFF));
        }
    }
    return image;
}

bool ecrire(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(octets) == octets.size();
}

bool lancer(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments);
    return p.waitForFinished(1800000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The distinct pictures, made when missing: JPEG photos (one in three stored sideways), PNG
// screenshots, HEIC photos with the 512-pixel thumbnail phones store beside them.
QStringList originaux(const QString& dossier, bool& heic) {
    QStringList liste;
    for (int i = 0; i < kJpeg; ++i) {
        const QString chemin = QString("%1/original%2.jpg").arg(dossier).arg(i);
        if (!QFile::exists(chemin)) {
            const QImage p = i % 2 ? photo(4032, 3024, static_cast<unsigned>(i), 48) : photo(4000, 3000, static_cast<unsigned>(i), 32);
            QByteArray octets;
            QBuffer tampon(&octets);
            tampon.open(QIODevice::WriteOnly);
            if (!p.save(&tampon, "JPG", 88)) return {};
            if (!ecrire(chemin, i % 3 == 0 ? avecOrientation(octets, 6) : octets)) return {};
        }
        liste << chemin;
    }
    for (int i = 0; i < kPng; ++i) {
        const QString chemin = QString("%1/original%2.png").arg(dossier).arg(i);
        if (!QFile::exists(chemin)) {
            QImage p = photo(1170, 2532, static_cast<unsigned>(100 + i), 4);
            if (!p.save(chemin, "PNG")) return {};
        }
        liste << chemin;
    }
    heic = !QStandardPaths::findExecutable("heif-enc").isEmpty();
    for (int i = 0; heic && i < kHeic; ++i) {
        const QString chemin = QString("%1/original%2.heic").arg(dossier).arg(i);
        if (!QFile::exists(chemin) &&
            !lancer("heif-enc", {"-q", "50", "-t", "512", QString("%1/original%2.jpg").arg(dossier).arg(i), "-o", chemin})) {
            return {};
        }
        liste << chemin;
    }
    return liste;
}

double processeurEnfants() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double processeurSoi() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

int compterFichiers(const QString& dossier) {
    int n = 0;
    for (QDirIterator it(dossier, QDir::Files); it.hasNext(); it.next()) ++n;
    return n;
}

// Asks for every picture as a board scrolled at full speed would: the first window of 300,
// then, each time 100 more are delivered, the window starting at the first not yet delivered.
// Returns the number delivered drawn; echecs receives the failures.
int toutFaire(Vignettes& v, const QStringList& chemins, int pixels, QStringList& echecs) {
    std::vector<char> fait(static_cast<std::size_t>(chemins.size()), 0);
    QHash<QString, int> indices;
    for (int i = 0; i < chemins.size(); ++i) indices.insert(chemins[i], i);
    int livres = 0, dessines = 0, premier = 0, depuis = 0;
    QEventLoop boucle;
    const auto relancer = [&] {
        while (premier < chemins.size() && fait[static_cast<std::size_t>(premier)]) ++premier;
        v.demander(chemins.mid(premier, 300), pixels);
        depuis = 0;
    };
    QObject::connect(&v, &Vignettes::prete, &boucle, [&](const QString& chemin, int) {
        const int i = indices.value(chemin, -1);
        if (i < 0 || fait[static_cast<std::size_t>(i)]) return;
        fait[static_cast<std::size_t>(i)] = 1;
        ++livres;
        if (v.image(chemin, pixels).isNull()) {
            echecs << chemin + " : " + v.echec(chemin);
        } else {
            ++dessines;
        }
        if (livres == chemins.size()) {
            boucle.quit();
        } else if (++depuis >= 100) {
            relancer();
        }
    });
    relancer();
    boucle.exec();
    return dessines;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Each line as soon as it is known: the run is long.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const auto charge = [] {
        QFile f("/proc/loadavg");
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed()) : QString("?");
    };
    std::printf("charge de la machine (/proc/loadavg) au départ : %s\n", qPrintable(charge()));
    const int nombre = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int pixels = argc > 3 ? std::atoi(argv[3]) : 256;
    if (nombre < 1 || pixels < 1 || pixels > 1024) return 2;
    QTemporaryDir temporaire;
    if (!temporaire.isValid()) return 2;
    const QString gardes = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporaire.path();
    if (!QDir().mkpath(gardes)) return 2;
    bool heic = false;
    QElapsedTimer chrono;
    chrono.start();
    const QStringList sources = originaux(gardes, heic);
    if (sources.isEmpty()) {
        std::fprintf(stderr, "les images d'essai n'ont pas pu être faites\n");
        return 2;
    }
    std::printf("images distinctes prêtes en %.1f s (%d JPEG, %d PNG, %d HEIC%s)\n", chrono.elapsed() / 1000.0,
                kJpeg, kPng, heic ? kHeic : 0, heic ? "" : " : heif-enc est absent");

    // The N files: about 3 % PNG and 3 % HEIC, the rest JPEG, spread evenly.
    const QString images = temporaire.path() + "/images";
    QDir().mkpath(images);
    QStringList chemins;
    int png = 0, heif = 0;
    for (int i = 0; i < nombre; ++i) {
        QString source;
        if (i % 33 == 5) {
            source = sources[kJpeg + (png++ % kPng)];
        } else if (heic && i % 33 == 20) {
            source = sources[kJpeg + kPng + (heif++ % kHeic)];
        } else {
            source = sources[i % kJpeg];
        }
        const QString chemin = QString("%1/p%2.%3").arg(images).arg(i, 5, 10, QChar('0')).arg(QFileInfo(source).suffix());
        if (link(QFile::encodeName(source).constData(), QFile::encodeName(chemin).constData()) != 0) return 2;
        chemins << chemin;
    }
    std::printf("%d fichiers : %d JPEG, %d PNG, %d HEIC ; vignettes de %d pixels (dossier %s)\n", nombre,
                nombre - png - heif, png, heif, pixels, qPrintable(dossierClasse(classeVignette(pixels))));

    // vipsthumbnail: two calls of half the files each, side by side.
    double tVips = -1, cpuVips = 0;
    const QString vips = QStandardPaths::findExecutable("vipsthumbnail");
    if (vips.isEmpty()) {
        std::printf("vipsthumbnail : IGNORÉ, il est absent (paquet libvips-tools) : pas de rapport\n");
    } else {
        const QString sortie = temporaire.path() + "/vips";
        QDir().mkpath(sortie);
        const double c0 = processeurEnfants();
        chrono.restart();
        QProcess p[2];
        // One thread each, as each of the class's two programs: the same parallelism of 2 (its
        // own default, a thread per core in each call, would weigh twice as much on a machine
        // shared with other work, where the processor goes to whoever has more threads).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIPS_CONCURRENCY", "1");
        for (int k = 0; k < 2; ++k) {
            p[k].setProcessEnvironment(env);
            QStringList arguments{"-s", QString::number(pixels), "-o", sortie + "/%s.png"};
            arguments += chemins.mid(k * nombre / 2, (k + 1) * nombre / 2 - k * nombre / 2);
            p[k].start(vips, arguments);
        }
        bool ok = true;
        for (QProcess& q : p) ok = q.waitForFinished(-1) && q.exitStatus() == QProcess::NormalExit && q.exitCode() == 0 && ok;
        tVips = chrono.elapsed() / 1000.0;
        cpuVips = processeurEnfants() - c0;
        const int faits = compterFichiers(sortie);
        std::printf("vipsthumbnail (2 appels de %d fichiers, VIPS_CONCURRENCY=1) : %.2f s, processeur %.2f s, %d vignettes%s\n", nombre / 2,
                    tVips, cpuVips, faits, ok ? "" : " (ERREUR)");
        if (!ok || faits != nombre) return 1;
    }

    // The class, cache cold.
    const QString cache = temporaire.path() + "/cache";
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    QStringList echecs;
    double tNous = 0, cpuNous = 0;
    {
        const double c0 = processeurEnfants() + processeurSoi();
        chrono.restart();
        int dessines = 0;
        {
            Vignettes v;
            dessines = toutFaire(v, chemins, pixels, echecs);
            tNous = chrono.elapsed() / 1000.0;
        }
        cpuNous = processeurEnfants() + processeurSoi() - c0;
        const int ecrites = compterFichiers(cache + "/thumbnails/" + dossierClasse(classeVignette(pixels)));
        std::printf("Vignettes (2 programmes confinés en lot) : %.2f s, processeur %.2f s (fenêtre et programmes), "
                    "%d dessinées, %d écrites dans le cache\n",
                    tNous, cpuNous, dessines, ecrites);
        for (int i = 0; i < echecs.size() && i < 5; ++i) std::printf("  échec : %s\n", qPrintable(echecs[i]));
        if (dessines != nombre || ecrites != nombre) return 1;
    }
    bool dansLesTemps = true;
    if (tVips > 0) {
        std::printf("rapport au temps de vipsthumbnail : %.2f (objectif ≤ 1,50) ; au processeur : %.2f\n", tNous / tVips,
                    cpuNous / cpuVips);
        dansLesTemps = tNous <= 1.5 * tVips;
    }

    // Cache warm, memory empty: the first screen.
    {
        chrono.restart();
        Vignettes v;
        QStringList ecran = chemins.mid(0, 60);
        QStringList rien;
        toutFaire(v, ecran, pixels, rien);
        std::printf("cache chaud : premier écran de %lld tuiles livré en %.3f s (programmes lancés compris)\n",
                    static_cast<long long>(ecran.size()), chrono.nsecsElapsed() / 1e9);
    }
    // A million cards without pictures: nothing to do, and at once.
    {
        Vignettes v;
        const QStringList vides(1'000'000, QString());
        chrono.restart();
        v.demander(vides, pixels);
        std::printf("demander() sur 1 000 000 fiches sans image : %.1f ms\n", chrono.nsecsElapsed() / 1e6);
    }
    std::printf("charge de la machine à la fin : %s\n", qPrintable(charge()));
    return dansLesTemps ? 0 : 1;
}
