#include "platform/atelier_vignettes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "core/descripteur.h"
#include "platform/cache_vignettes.h"
#include "platform/images.h"

namespace {

bool connu(const QString& ext) {
    for (const char* e : {"jpg", "jpeg", "bmp", "ico", "wmf", "emf"}) {
        if (ext == QLatin1String(e)) return true;
    }
    return estFormatAjoute(("." + ext).toStdString());
}

// A thumbnail (or failure note) already in the cache, when its keys say it stands for this
// version of the picture. Decoded by the confined program: another program may have made it.
bool lireDuCache(const QString& fichier, int classe, const SourceVignette& source,
                 ProcessusLot& programme, int arret, ProcessusLot::Reponse& lue) {
    const Descripteur fd(open(QFile::encodeName(fichier).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return false;
    lue = programme.dessiner(fd.get(), "png", classe, arret);
    return lue.etat == ProcessusLot::Reponse::Dessinee && vignetteValable(lue.textes, source);
}

}  // namespace

ResultatVignette fabriquerVignette(const QString& chemin, int classe, const QString& racine,
                                   ProgrammesDessin& programmes, int arret) {
    ResultatVignette r;
    const QFileInfo info(chemin);
    const QString absolu = info.absoluteFilePath();
    const QString ext = info.suffix().toLower();
    if (!connu(ext)) {
        r.echec = QStringLiteral("l'extension .%1 n'est pas un format d'image connu").arg(ext);
        return r;
    }
    struct stat st;
    const QByteArray nomLocal = QFile::encodeName(absolu);
    if (stat(nomLocal.constData(), &st) != 0) {
        r.echec = QStringLiteral("le fichier est introuvable");
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.echec = QStringLiteral("ce n'est pas un fichier ordinaire");
        return r;
    }
    const SourceVignette source{absolu, uriFichier(absolu), static_cast<qint64>(st.st_mtime),
                                static_cast<qint64>(st.st_size)};
    const QString nom = nomVignette(source.uri);
    const QString dossier = racine + QLatin1Char('/') + dossierClasse(classe);
    const QString echecs = dossierEchecs(racine);
    ProcessusLot::Reponse lue;
    if (lireDuCache(dossier + QLatin1Char('/') + nom, classe, source, programmes.image, arret, lue)) {
        r.image = lue.image;
        return r;
    }
    if (lue.etat == ProcessusLot::Reponse::Interrompue) {
        r.interrompu = true;
        return r;
    }
    if (lireDuCache(echecs + QLatin1Char('/') + nom, 1, source, programmes.image, arret, lue)) {
        r.echec = lue.textes.value(QString::fromLatin1(kCleRaison));
        if (r.echec.isEmpty()) r.echec = QStringLiteral("l'image n'a pas pu être dessinée");
        return r;
    }
    if (lue.etat == ProcessusLot::Reponse::Interrompue) {
        r.interrompu = true;
        return r;
    }
    const Descripteur fd(open(nomLocal.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        r.echec = QStringLiteral("le fichier ne peut pas être lu");
        return r;
    }
    ProcessusLot& programme = estFormatHeif(nomLocal.toStdString()) ? programmes.heif : programmes.image;
    const ProcessusLot::Reponse dessin = programme.dessiner(fd.get(), ext.toStdString(), classe, arret);
    // Thumbnails of the cache's own files are not made: the standard forbids it.
    const bool dansLeCache = absolu.startsWith(racine + QLatin1Char('/'));
    switch (dessin.etat) {
        case ProcessusLot::Reponse::Dessinee:
            r.image = dessin.image;
            // A cache that cannot be written costs only the time to draw the picture again.
            if (const QByteArray png = pngVignette(r.image, source); !dansLeCache && !png.isEmpty()) {
                ecrireVignette(dossier, nom, png);
            }
            return r;
        case ProcessusLot::Reponse::Refusee:
            r.echec = dessin.raison;
            if (const QByteArray png = pngVignette({}, source, dessin.raison); !dansLeCache && !png.isEmpty()) {
                ecrireVignette(echecs, nom, png);
            }
            return r;
        case ProcessusLot::Reponse::Perdue:
            r.echec = dessin.raison;
            return r;
        case ProcessusLot::Reponse::Interrompue:
            r.interrompu = true;
            return r;
    }
    return r;
}
