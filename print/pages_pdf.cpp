#include "print/pages_pdf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "core/fichier_sur.h"
#include "platform/imprimante_qt.h"
#include "print/imprimer_fiches.h"

namespace {
// The resolution of the A4 printers the page layout is measured on.
constexpr int kResolution = 1200;

QString texte(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

QString imprimerVersPdf(const Fiche* table, int dernier, const QString& entete,
                        const std::string& cheminBase, const std::string& cheminPdf) {
    const std::string cible = cheminReel(cheminPdf);
    struct stat st;
    if (stat(cible.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return QStringLiteral("ce n'est pas un fichier ordinaire");
        if ((st.st_mode & S_IWUSR) == 0) return QStringLiteral("le fichier est protégé en écriture");
    }
    const std::string dossier = dossierDe(cible);
    const std::string prefixe = prefixeTemporaire(nomDe(cible));
    supprimerTemporairesAnciens(dossier, prefixe);
    const std::string temporaire = dossier + "/" + prefixe + std::to_string(getpid());
    // The temporary name must be ours alone before the printer writes to it.
    const int fd = open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return texte(raisonSysteme(errno));
    close(fd);

    ResultatImpression r;
    {
        ImprimanteQt pdf(QFile::decodeName(QByteArray::fromStdString(temporaire)), kResolution);
        r = imprimerFiches(pdf, table, dernier, entete, cheminBase);
    }
    auto abandonner = [&](const QString& raison) {
        unlink(temporaire.c_str());
        return raison;
    };
    if (r.etat != ResultatImpression::Imprimee) {
        return abandonner(r.raison.isEmpty() ? QStringLiteral("l'écriture a été abandonnée") : r.raison);
    }
    const int ecrit = open(temporaire.c_str(), O_RDONLY | O_CLOEXEC);
    if (ecrit < 0) return abandonner(texte(raisonSysteme(errno)));
    struct stat stTemp;
    const bool vide = fstat(ecrit, &stTemp) != 0 || stTemp.st_size == 0;
    const bool synchronise = fsync(ecrit) == 0;
    const int erreur = errno;
    close(ecrit);
    if (vide) return abandonner(QStringLiteral("le fichier PDF est resté vide"));
    if (!synchronise) return abandonner(texte(raisonSysteme(erreur)));
    // The file takes the mode the user's files get, not the private one of the temporary.
    const mode_t masque = umask(0);
    umask(masque);
    chmod(temporaire.c_str(), 0666 & ~masque);
    if (rename(temporaire.c_str(), cible.c_str()) != 0) return abandonner(texte(raisonSysteme(errno)));
    const int dfd = open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return {};
}
