#include "fuzz/support/fichier_memoire.h"

#include <sys/mman.h>
#include <unistd.h>

FichierMemoire::FichierMemoire(const uint8_t* donnees, std::size_t taille, const char* nom)
    : fd_(memfd_create(nom, MFD_CLOEXEC)) {
    std::size_t ecrit = 0;
    while (fd_ >= 0 && ecrit < taille) {
        ssize_t n = write(fd_, donnees + ecrit, taille - ecrit);
        if (n <= 0) break;
        ecrit += static_cast<std::size_t>(n);
    }
    chemin_ = "/proc/self/fd/" + std::to_string(fd_);
}

FichierMemoire::~FichierMemoire() {
    if (fd_ >= 0) close(fd_);
}
