#include "core/images_en_attente.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/fichier_sur.h"
#include "core/place_image.h"

namespace {

std::vector<std::string> noms(const std::string& dossier) {
    std::vector<std::string> n;
    if (DIR* d = opendir(dossier.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) n.emplace_back(e->d_name);
        }
        closedir(d);
    }
    return n;
}

bool memeFichier(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return lstat(a.c_str(), &sa) == 0 && lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

ImagesEnAttente::ImagesEnAttente(std::string repertoire) : repertoire_(std::move(repertoire)) {}

ImagesEnAttente::~ImagesEnAttente() {
    if (dossier_.empty() || renomme_) return;
    for (const std::string& nom : noms(dossier_)) {
        const std::string chemin = dossier_ + "/" + nom;
        if (unlink(chemin.c_str()) != 0) rmdir(chemin.c_str());
    }
    rmdir(dossier_.c_str());
}

int ImagesEnAttente::preparer() {
    const std::string parent = dossierDe(repertoire_);
    const std::string prefixe = prefixeTemporaire(nomDe(repertoire_));
    supprimerTemporairesAnciens(parent, prefixe);
    for (int essai = 0; dossier_.empty(); ++essai) {
        const std::string dossier = nomTemporaire(parent, prefixe);
        // Renamed into place, the folder is the picture directory: the usual mode.
        if (mkdir(dossier.c_str(), 0777) != 0) return errno;
        verrou_.emplace(open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (verrou_->get() < 0) {
            const int erreur = errno;
            rmdir(dossier.c_str());
            return erreur;
        }
        // Removed by another run before it was locked: another name.
        if (verrouillerTemporaire(verrou_->get()) || essai >= 10) dossier_ = dossier;
    }
    struct stat st;
    existait_ = stat(repertoire_.c_str(), &st) == 0;
    if (!existait_) return 0;
    for (const std::string& nom : noms(repertoire_)) {
        const std::string de = repertoire_ + "/" + nom, vers = dossier_ + "/" + nom;
        if (link(de.c_str(), vers.c_str()) != 0 && mkdir(vers.c_str(), 0700) != 0) return errno;
        repris_.insert(nom);
    }
    return 0;
}

int ImagesEnAttente::poser() {
    if (dossier_.empty()) return 0;
    if (!existait_) {
        if (noms(dossier_).empty()) return 0;
        if (rename(dossier_.c_str(), repertoire_.c_str()) != 0) return errno;
        renomme_ = true;
        return 0;
    }
    for (const std::string& nom : noms(dossier_)) {
        if (repris_.count(nom) != 0) continue;
        const std::string de = dossier_ + "/" + nom, vers = repertoire_ + "/" + nom;
        if (link(de.c_str(), vers.c_str()) == 0) {
            poses_.push_back(nom);
            continue;
        }
        const int erreur = errno;
        // Put there meanwhile by someone else: the same picture will do, another will not.
        if (erreur == EEXIST && memesOctets(de, vers)) continue;
        retirer();
        return erreur;
    }
    return 0;
}

void ImagesEnAttente::retirer() {
    if (renomme_) {
        // The lock follows the folder: renamed back, it is still this run's, and goes with it.
        if (rename(repertoire_.c_str(), dossier_.c_str()) == 0) renomme_ = false;
        return;
    }
    for (const std::string& nom : poses_) {
        const std::string vers = repertoire_ + "/" + nom;
        if (memeFichier(dossier_ + "/" + nom, vers)) unlink(vers.c_str());
    }
    poses_.clear();
}
