#include "platform/cache_vignettes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/fichier_sur.h"

#ifndef BREVANDOUX_VERSION
#error "BREVANDOUX_VERSION comes from the project's version"
#endif

int classeVignette(int pixels) {
    for (const int classe : {128, 256, 512}) {
        if (pixels <= classe) return classe;
    }
    return 1024;
}

QString dossierClasse(int classe) {
    switch (classe) {
        case 128: return QStringLiteral("normal");
        case 256: return QStringLiteral("large");
        case 512: return QStringLiteral("x-large");
        default: return QStringLiteral("xx-large");
    }
}

QString racineVignettes() {
    // A relative XDG_CACHE_HOME is to be ignored, as every desktop program does.
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString cache = xdg.startsWith(QLatin1Char('/')) ? xdg : QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/thumbnails");
}

QString dossierEchecs(const QString& racine) {
    return racine + QStringLiteral("/fail/brevandoux-" BREVANDOUX_VERSION);
}

QString uriFichier(const QString& cheminAbsolu) {
    static constexpr char kPermis[] = "-_.!~*'()/&=:@+$,";
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray uri("file://");
    for (const char c : QFile::encodeName(cheminAbsolu)) {
        const auto u = static_cast<unsigned char>(c);
        const bool garde = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                           (u != 0 && std::strchr(kPermis, c) != nullptr);
        if (garde) {
            uri.append(c);
        } else {
            uri.append('%').append(kHex[u >> 4]).append(kHex[u & 0xF]);
        }
    }
    return QString::fromLatin1(uri);
}

QString nomVignette(const QString& uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

bool vignetteValable(const QHash<QString, QString>& textes, const SourceVignette& source) {
    bool ok = false;
    if (textes.value(QStringLiteral("Thumb::URI")) != source.uri) return false;
    if (textes.value(QStringLiteral("Thumb::MTime")).toLongLong(&ok) != source.mtime || !ok) return false;
    const auto taille = textes.constFind(QStringLiteral("Thumb::Size"));
    return taille == textes.constEnd() || (taille->toLongLong(&ok) == source.taille && ok);
}

QByteArray pngVignette(const QImage& image, const SourceVignette& source, const QString& raison) {
    QImage png = raison.isEmpty() ? image : QImage(1, 1, QImage::Format_ARGB32);
    if (png.isNull()) return {};
    if (!raison.isEmpty()) {
        png.fill(Qt::transparent);
        png.setText(QString::fromLatin1(kCleRaison), raison);
    }
    png.setText(QStringLiteral("Thumb::URI"), source.uri);
    png.setText(QStringLiteral("Thumb::MTime"), QString::number(source.mtime));
    png.setText(QStringLiteral("Thumb::Size"), QString::number(source.taille));
    png.setText(QStringLiteral("Software"), QStringLiteral("Brevandoux " BREVANDOUX_VERSION));
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, "png");
    // A light compression: the thumbnail is made again at will, the time is the user's.
    ecrivain.setQuality(80);
    if (!ecrivain.write(png)) return {};
    return octets;
}

namespace {

// Makes the missing folders of the path, each 0700 (those there are left as they are).
int creerDossiers(const QByteArray& chemin) {
    for (qsizetype i = 1; i <= chemin.size(); ++i) {
        if (i < chemin.size() && chemin[i] != '/') continue;
        const QByteArray partie = chemin.left(i);
        if (mkdir(partie.constData(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

}  // namespace

QString ecrireVignette(const QString& dossier, const QString& nom, const QByteArray& octets) {
    const QByteArray d = QFile::encodeName(dossier);
    if (const int e = creerDossiers(d); e != 0) return QString::fromStdString(raisonSysteme(e));
    QByteArray temporaire = d + '/' + QFile::encodeName(nom) + ".XXXXXX";
    const int fd = mkostemp(temporaire.data(), O_CLOEXEC);
    if (fd < 0) return QString::fromStdString(raisonSysteme(errno));
    // No fsync: a thumbnail lost in a crash is made again; the rename keeps readers from ever
    // seeing half a file.
    int e = fchmod(fd, 0600) != 0 ? errno : 0;
    if (e == 0) e = ecrireTout(fd, octets.constData(), static_cast<std::size_t>(octets.size()), appelsSysteme());
    if (close(fd) != 0 && e == 0) e = errno;
    if (e == 0 && rename(temporaire.constData(), (d + '/' + QFile::encodeName(nom)).constData()) != 0) e = errno;
    if (e != 0) {
        unlink(temporaire.constData());
        return QString::fromStdString(raisonSysteme(e));
    }
    return {};
}
