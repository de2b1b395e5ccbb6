#pragma once
// A file system of 1 MB of its own (tmpfs), mounted for one test, that the test fills to run
// out of room on demand. Mounting needs root; where it is refused the test is skipped.

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

class DisquePlein {
public:
    DisquePlein() {
        char modele[] = "/tmp/brevandoux-plein-XXXXXX";
        if (mkdtemp(modele) == nullptr) {
            raison_ = std::string("mkdtemp : ") + std::strerror(errno);
            return;
        }
        dossier_ = modele;
        if (mount("tmpfs", dossier_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,mode=0755") != 0) {
            raison_ = "montage d'un tmpfs de 1 Mo impossible (" + std::string(std::strerror(errno)) +
                      ") : il faut être root";
            return;
        }
        monte_ = true;
    }
    ~DisquePlein() {
        if (monte_) umount2(dossier_.c_str(), MNT_DETACH);
        if (!dossier_.empty()) rmdir(dossier_.c_str());
    }
    DisquePlein(const DisquePlein&) = delete;
    DisquePlein& operator=(const DisquePlein&) = delete;

    bool monte() const { return monte_; }
    const std::string& raison() const { return raison_; }
    std::string operator/(const std::string& nom) const { return dossier_ + "/" + nom; }

    // Fills the file system with the file "remplissage" until a write is refused, then gives
    // back `reste` bytes (rounded to whole pages by tmpfs). Returns false when no write was
    // refused: the disk was not full.
    bool remplir(std::size_t reste = 0) {
        const std::string chemin = *this / "remplissage";
        const int fd = open(chemin.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        std::vector<char> bloc(4096, 'r');
        bool plein = false;
        for (int i = 0; i < 4096; ++i) {
            const ssize_t n = write(fd, bloc.data(), bloc.size());
            if (n < static_cast<ssize_t>(bloc.size())) {
                plein = true;
                break;
            }
        }
        struct stat st;
        if (plein && reste > 0 && fstat(fd, &st) == 0) {
            const off_t taille = std::max<off_t>(0, st.st_size - static_cast<off_t>(reste));
            plein = ftruncate(fd, taille) == 0;
        }
        close(fd);
        return plein;
    }
    void liberer() { unlink((*this / "remplissage").c_str()); }

    // Every entry of a directory of the disk, hidden ones included, sorted.
    std::vector<std::string> entrees(const std::string& sousDossier = "") const {
        std::vector<std::string> noms;
        const std::string d = sousDossier.empty() ? dossier_ : *this / sousDossier;
        if (DIR* r = opendir(d.c_str())) {
            while (dirent* e = readdir(r)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
                    noms.emplace_back(e->d_name);
                }
            }
            closedir(r);
        }
        std::sort(noms.begin(), noms.end());
        return noms;
    }

private:
    std::string dossier_;
    std::string raison_;
    bool monte_ = false;
};
