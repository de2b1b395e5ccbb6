#include "image/conversion.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "core/services.h"

namespace {

// Processor time of a conversion: the caller kills it after 5 s of wall-clock time anyway.
constexpr rlim_t kSecondesProcesseur = 7;


void limiter(std::size_t memoire) {
    rlimit aucun{0, 0};
    setrlimit(RLIMIT_CORE, &aucun);
    rlimit cpu{kSecondesProcesseur, kSecondesProcesseur};
    setrlimit(RLIMIT_CPU, &cpu);
#ifndef BREVANDOUX_ASAN
    // The address sanitizer reserves terabytes of shadow memory: no address-space limit can
    // hold under it, and the caller's time limit still bounds the process.
    rlimit as{memoire, memoire};
    setrlimit(RLIMIT_AS, &as);
#else
    (void)memoire;
#endif
}

}  // namespace

bool toutEcrire(int fd, const char* donnees, std::size_t taille, bool prise) {
    while (taille > 0) {
        // On a socket, a reader gone is an error to return, not a SIGPIPE that kills.
        const ssize_t n = prise ? send(fd, donnees, taille, MSG_NOSIGNAL) : write(fd, donnees, taille);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        donnees += n;
        taille -= static_cast<std::size_t>(n);
    }
    return true;
}

bool entier(const char* texte, long long min, long long max, long long& valeur) {
    char* fin = nullptr;
    errno = 0;
    const long long v = std::strtoll(texte, &fin, 10);
    if (errno != 0 || fin == texte || *fin != '\0' || v < min || v > max) return false;
    valeur = v;
    return true;
}

std::string reponseEchec() {
    try {
        throw;
    } catch (const Erreur& e) {
        return std::string("E") + e.what();
    } catch (const std::bad_alloc&) {
        return "Ele dessin demande trop de mémoire";
    } catch (const std::exception& e) {
        return std::string("Eerreur inattendue du convertisseur : ") + e.what();
    }
}

int executerConversion(int argc, char** argv, const ReglagesConfinement& reglages,
                       const Conversion& conversion) {
    long long largeur = 0, hauteur = 0, memoire = 0;
    const std::string format = argc == 6 ? argv[2] : "";
    if (argc != 6 || !conversion.accepte(format) || !entier(argv[3], 0, 1'000'000, largeur) ||
        !entier(argv[4], 0, 1'000'000, hauteur) || !entier(argv[5], 1, 1LL << 50, memoire)) {
        std::fputs("brevandoux-image : arguments de conversion invalides\n", stderr);
        return 2;
    }
    limiter(static_cast<std::size_t>(memoire));

    std::string reponse;
    try {
        signalerManques(confiner(reglages));
        QByteArray octets;
        const qsizetype tailleMax = conversion.tailleMax(format);
        char tampon[65536];
        for (;;) {
            const ssize_t n = read(STDIN_FILENO, tampon, sizeof tampon);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw Erreur(conversion.illisible(format));
            if (n == 0) break;
            octets.append(tampon, n);
            if (octets.size() > tailleMax) throw Erreur(conversion.tropGros(format));
        }
        const QImage image =
            conversion.dessiner(octets, format, QSize(static_cast<int>(largeur), static_cast<int>(hauteur)))
                .convertToFormat(QImage::Format_RGB32);
        const auto l = static_cast<std::uint32_t>(image.width());
        const auto h = static_cast<std::uint32_t>(image.height());
        reponse.reserve(9 + static_cast<std::size_t>(l) * h * 4);
        reponse += 'O';
        reponse.append(reinterpret_cast<const char*>(&l), 4);
        reponse.append(reinterpret_cast<const char*>(&h), 4);
        for (int y = 0; y < image.height(); ++y) {
            reponse.append(reinterpret_cast<const char*>(image.constScanLine(y)),
                           static_cast<std::size_t>(l) * 4);
        }
    } catch (...) {
        reponse = reponseEchec();
    }
    return toutEcrire(STDOUT_FILENO, reponse.data(), reponse.size()) ? 0 : 3;
}
