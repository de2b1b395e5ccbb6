#include "core/lecture_parallele.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <thread>

#include "core/descripteur.h"

// Reads [debut, debut + taille) of the file at offset decalage, until the range is full or
// the file ends. Returns the bytes read, or -1 with errno set.
long long lirePlage(int fd, char* debut, std::size_t taille, off_t decalage) {
    std::size_t lu = 0;
    while (lu < taille) {
        const ssize_t n = pread(fd, debut + lu, std::min<std::size_t>(taille - lu, std::size_t(1) << 30),
                                decalage + static_cast<off_t>(lu));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        lu += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(lu);
}

long long lireDeuxMoities(int fd, char* debut, std::size_t taille) {
    const std::size_t moitie = taille / 2 / (std::size_t(2) << 20) * (std::size_t(2) << 20);
    long long secondeLue = 0;
    int erreurSeconde = 0;
    std::thread seconde([&] {
        secondeLue = lirePlage(fd, debut + moitie, taille - moitie, static_cast<off_t>(moitie));
        if (secondeLue < 0) erreurSeconde = errno;
    });
    const long long premiereLue = lirePlage(fd, debut, moitie, 0);
    const int erreurPremiere = errno;
    seconde.join();
    if (premiereLue < 0) {
        errno = erreurPremiere;
        return -1;
    }
    if (secondeLue < 0) {
        errno = erreurSeconde;
        return -1;
    }
    // A file that ended within the first half has nothing valid past it.
    const long long lu = static_cast<std::size_t>(premiereLue) < moitie ? premiereLue : premiereLue + secondeLue;
    if (lseek(fd, static_cast<off_t>(lu), SEEK_SET) < 0) return -1;
    return lu;
}

bool OctetsFichier::lire(const std::string& chemin) {
    liberer();
    // Non-blocking, so that a fifo cannot hang the reading; it is refused below.
    Descripteur fd(open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // One byte more than the size, so that a file read whole is seen to end without growing.
    zone_.redimensionner(static_cast<std::size_t>(st.st_size) + 1);
    char* donnees = static_cast<char*>(zone_.data());
    if (zone_.octets() >= kLectureParallele) {
        const long long lu = lireDeuxMoities(fd.get(), donnees, zone_.octets());
        if (lu < 0) return false;
        taille_ = static_cast<std::size_t>(lu);
        if (taille_ < zone_.octets()) return true;
    }
    for (;;) {
        if (taille_ == zone_.octets()) {  // the file grew
            zone_.redimensionner(taille_ + taille_ / 2);
            donnees = static_cast<char*>(zone_.data());
        }
        const ssize_t n = read(fd.get(), donnees + taille_, zone_.octets() - taille_);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        taille_ += static_cast<std::size_t>(n);
    }
}
