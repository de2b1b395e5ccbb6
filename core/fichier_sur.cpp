#include "core/fichier_sur.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "core/descripteur.h"
#include "core/textes.h"

namespace {

int ouvrirPosix(const char* chemin, int drapeaux, mode_t mode) {
    return ::open(chemin, drapeaux, mode);
}

ssize_t copierNoyauPosix(int de, int vers, std::size_t taille) {
    return ::copy_file_range(de, nullptr, vers, nullptr, taille, 0);
}

const AppelsSysteme kAppelsPosix{ouvrirPosix, ::write, ::fsync, ::rename,
                                 ::close, ::read, copierNoyauPosix};

ResultatEcriture echec(int erreur) {
    return {ResultatEcriture::kEchec, raisonSysteme(erreur), {}};
}

}  // namespace

int ecrireTout(int fd, const void* donnees, std::size_t taille, const AppelsSysteme& appels) {
    const char* p = static_cast<const char*>(donnees);
    std::size_t reste = taille;
    while (reste > 0) {
        // Bounded chunks: some file systems refuse single writes past 2 GB.
        std::size_t bloc = reste < (std::size_t(1) << 30) ? reste : (std::size_t(1) << 30);
        ssize_t n = appels.ecrire(fd, p, bloc);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOSPC;
        p += n;
        reste -= static_cast<std::size_t>(n);
    }
    return 0;
}

const AppelsSysteme& appelsSysteme() { return kAppelsPosix; }

std::string dossierDe(const std::string& chemin) {
    auto pos = chemin.rfind('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return chemin.substr(0, pos);
}

std::string nomDe(const std::string& chemin) {
    auto pos = chemin.rfind('/');
    return pos == std::string::npos ? chemin : chemin.substr(pos + 1);
}

namespace {

// Removes a folder's files, then the folder (a killed run's pictures waiting in it).
void supprimerDossierTemporaire(int dfd, const std::string& chemin) {
    const int copie = dup(dfd);
    if (copie < 0) return;
    if (DIR* d = fdopendir(copie)) {
        while (dirent* e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
                unlinkat(dfd, e->d_name, 0);
            }
        }
        closedir(d);
    } else {
        close(copie);
    }
    rmdir(chemin.c_str());
}

}  // namespace

bool verrouillerTemporaire(int fd) {
    // Blocking: a remover holds the lock only for as long as it takes to remove the name.
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    // Removed between its creation and this lock, it is no longer anybody's to write.
    struct stat st;
    return fstat(fd, &st) == 0 && st.st_nlink > 0;
}

void supprimerTemporairesAnciens(const std::string& dossier, const std::string& prefixe) {
    DIR* d = opendir(dossier.c_str());
    if (d == nullptr) return;
    while (dirent* e = readdir(d)) {
        std::string nom = e->d_name;
        if (nom.compare(0, prefixe.size(), prefixe) != 0) continue;
        const std::string chemin = dossier + "/" + nom;
        // A running writer holds a lock on its temporary file or folder as long as it may use
        // it: only what nobody holds is a leftover.
        Descripteur fd(open(chemin.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        if (fd.get() < 0) {
            if (errno == ELOOP) unlink(chemin.c_str());  // a link is nobody's temporary file
            continue;
        }
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        struct stat st, vu;
        if (fstat(fd.get(), &st) != 0 || lstat(chemin.c_str(), &vu) != 0 || st.st_ino != vu.st_ino ||
            st.st_dev != vu.st_dev) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            supprimerDossierTemporaire(fd.get(), chemin);
        } else {
            unlink(chemin.c_str());
        }
    }
    closedir(d);
}


std::string raisonSysteme(int erreur) {
    switch (erreur) {
        case ENOSPC: return textes::kDisquePlein;
        case EDQUOT: return "le quota du disque est dépassé";
        case EACCES:
        case EPERM: return textes::kAccesRefuse;
        case EROFS: return textes::kLectureSeule;
        case EIO: return textes::kErreurEntreeSortie;
        case EISDIR: return textes::kEstUnRepertoire;
        case ENOENT: return "le répertoire n'existe pas";
        case ENOTDIR: return "un élément du chemin n'est pas un répertoire";
        case ENAMETOOLONG: return "le nom est trop long";
        case EFBIG: return "le fichier est trop grand";
        default: return "erreur système n° " + std::to_string(erreur);
    }
}

std::string prefixeTemporaire(const std::string& nomFichier) {
    return "." + nomFichier + ".brevandoux-tmp-";
}

std::string nomTemporaire(const std::string& dossier, const std::string& prefixe) {
    static std::atomic<unsigned> compteur{0};
    return dossier + "/" + prefixe + std::to_string(getpid()) + "-" + std::to_string(compteur++);
}

std::string cheminReel(const std::string& chemin) {
    std::string courant = chemin;
    // A bounded number of hops: a loop of links ends as the path it reached.
    for (int saut = 0; saut < 40; ++saut) {
        struct stat st;
        if (lstat(courant.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return courant;
        char cible[PATH_MAX];
        ssize_t n = readlink(courant.c_str(), cible, sizeof cible - 1);
        if (n <= 0) return courant;
        cible[n] = '\0';
        courant = cible[0] == '/' ? std::string(cible) : dossierDe(courant) + "/" + cible;
    }
    return courant;
}

ResultatEcriture ecrireFichierSur(const std::string& chemin, std::span<const Morceau> morceaux,
                                  const AppelsSysteme& appels, const AvantRemplacement& avant) {
    return ecrireFichierSur(
        chemin,
        [morceaux](int fd, const AppelsSysteme& a) {
            for (const Morceau& m : morceaux) {
                if (int erreur = ecrireTout(fd, m.donnees, m.taille, a)) return erreur;
            }
            return 0;
        },
        appels, avant);
}

int copierDescripteur(int source, int fd, const AppelsSysteme& appels) {
    bool noyau = true;
    std::vector<char> tampon;
    for (;;) {
        if (noyau) {
            ssize_t n = appels.copierNoyau(source, fd, std::size_t(1) << 30);
            if (n > 0) continue;
            if (n == 0) return 0;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
                errno != EBADF) {
                return errno;
            }
            noyau = false;
            tampon.resize(std::size_t(1) << 20);
        }
        ssize_t lu = appels.lire(source, tampon.data(), tampon.size());
        if (lu < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (lu == 0) return 0;
        if (int erreur = ecrireTout(fd, tampon.data(), static_cast<std::size_t>(lu), appels)) {
            return erreur;
        }
    }
}

ResultatEcriture ecrireFichierSur(const std::string& chemin, const Contenu& contenu,
                                  const AppelsSysteme& appels, const AvantRemplacement& avant) {
    const std::string cible = cheminReel(chemin);
    // A new file gets its mode as any new file does, from the kernel (the process's mask, a
    // folder's default permissions): the mask is shared by all threads, so it is never set,
    // even for a moment, to be read. A replaced file keeps its mode, and its temporary file is
    // private until then.
    std::optional<mode_t> mode;
    struct stat st;
    if (stat(cible.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return echec(EISDIR);
        if (!S_ISREG(st.st_mode)) return {ResultatEcriture::kEchec, textes::kPasUnFichierOrdinaire, {}};
        if ((st.st_mode & S_IWUSR) == 0) return {ResultatEcriture::kLectureSeule, {}, {}};
        mode = st.st_mode & 07777;
    }

    const std::string dossier = dossierDe(cible);
    const std::string prefixe = prefixeTemporaire(nomDe(cible));
    supprimerTemporairesAnciens(dossier, prefixe);

    std::string temporaire;
    int fd = -1;
    // A name removed by another writer before it was locked is given up for a new one.
    for (int essai = 0; fd < 0; ++essai) {
        temporaire = nomTemporaire(dossier, prefixe);
        fd = appels.ouvrir(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? 0600 : 0666);
        if (fd < 0) return echec(errno);
        if (!verrouillerTemporaire(fd) && essai < 10) {
            appels.fermer(fd);
            fd = -1;
        }
    }
    // Holds the lock until the file is renamed or removed, after fd itself is closed.
    Descripteur verrou(dup(fd));

    auto abandonner = [&](int erreur) {
        appels.fermer(fd);
        unlink(temporaire.c_str());
        return echec(erreur);
    };
    if (int erreur = contenu(fd, appels)) return abandonner(erreur);
    if (mode && fchmod(fd, *mode) != 0) return abandonner(errno);
    if (appels.synchroniser(fd) != 0) return abandonner(errno);
    // Taken from the new file itself before it replaces the target, so that nothing renamed
    // over it afterwards can be mistaken for it. Neither closing nor renaming changes it.
    ResultatEcriture fait;
    struct stat ecrit;
    if (fstat(fd, &ecrit) == 0) fait.identite = IdentiteFichier::de(ecrit);
    if (appels.fermer(fd) != 0) {
        int erreur = errno;
        unlink(temporaire.c_str());
        return echec(erreur);
    }
    if (avant) avant(cible);
    if (appels.renommer(temporaire.c_str(), cible.c_str()) != 0) {
        int erreur = errno;
        unlink(temporaire.c_str());
        return echec(erreur);
    }
    synchroniserDossier(dossier);
    return fait;
}

void synchroniserDossier(const std::string& dossier) {
    const int dfd = open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}
