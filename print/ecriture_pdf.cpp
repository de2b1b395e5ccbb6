#include "print/ecriture_pdf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/fichier_sur.h"
#include "print/imprimante_pdf.h"

namespace {

// Qt's PDF writer does not report every failed write (a full disk leaves a document without
// its end): a document that was really finished ends with its end-of-file marker.
// The writer's descriptor is write-only: the file is read back through a descriptor of its own.
bool documentComplet(const QString& chemin) {
    const int fd = open(chemin.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    char fin[32] = {};
    ssize_t lu = -1;
    if (fstat(fd, &st) == 0 && st.st_size >= 5) {
        const off_t debut = st.st_size > static_cast<off_t>(sizeof fin) ? st.st_size - sizeof fin : 0;
        lu = pread(fd, fin, sizeof fin, debut);
    }
    close(fd);
    if (lu <= 0) return false;
    const std::string queue(fin, static_cast<std::size_t>(lu));
    return queue.find("%%EOF") != std::string::npos;
}

// The usual reason a document ends short.
bool disquePlein(int fd) {
    struct statvfs sv;
    return fstatvfs(fd, &sv) == 0 && sv.f_bavail == 0;
}

}  // namespace

QString pdfAnnule() { return QStringLiteral("l'enregistrement a été annulé"); }

QString ecrirePagesPdf(VueFiches table, int dernier, const QString& entete,
                       const std::string& cheminBase, const std::string& cheminPdf,
                       const SuiviPages& suivi) {
    const Tirage tirage{table, dernier, entete};
    return ecrireTiragesPdf(std::span<const Tirage>(&tirage, 1), cheminBase, cheminPdf, suivi);
}

QString ecrireTiragesPdf(std::span<const Tirage> tirages, const std::string& cheminBase,
                         const std::string& cheminPdf, const SuiviPages& suivi) {
    if (cheminPdf.empty()) return QStringLiteral("aucun nom de fichier PDF n'est donné");
    QString raisonImpression;
    bool annulee = false;
    // The pages are drawn straight into the temporary file the crash-safe writer opened beside
    // the target, reached again through its descriptor: no copy, and an interrupted drawing
    // leaves only a hidden leftover that the next write of the same file removes.
    const ResultatEcriture ecrit = ecrireFichierSur(
        cheminPdf, [&](int fd, const AppelsSysteme&) {
            const QString parDescripteur = QStringLiteral("/proc/self/fd/%1").arg(fd);
            ImprimantePdf imprimante(parDescripteur, kResolutionPdf);
            const ResultatImpression r =
                dessinerTirages(imprimante, tirages, cheminBase, suivi);
            if (r.etat == ResultatImpression::Annulee) {
                annulee = true;
                return ECANCELED;
            }
            if (r.etat == ResultatImpression::Echouee) {
                raisonImpression = r.raison;
                return EIO;
            }
            if (!documentComplet(parDescripteur)) return disquePlein(fd) ? ENOSPC : EIO;
            return 0;
        });
    if (ecrit.ok()) return {};
    if (annulee) return pdfAnnule();
    const QString nom = QString::fromStdString(cheminPdf);
    if (ecrit.etat == ResultatEcriture::kLectureSeule) {
        return QStringLiteral("%1 est en lecture seule").arg(nom);
    }
    QString raison = !raisonImpression.isEmpty() ? raisonImpression
                                                 : QString::fromStdString(ecrit.raison);
    return QStringLiteral("%1 ne peut pas être écrit : %2").arg(nom, raison);
}
