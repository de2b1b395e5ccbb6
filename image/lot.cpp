#include "image/lot.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/services.h"
#include "image/conversion.h"

namespace {

// One request: its bytes and the descriptor that came with them (-1 when none did). False at
// the end of the input.
bool recevoir(char (&demande)[kTailleDemandeLot], int& fd) {
    fd = -1;
    std::size_t recu = 0;
    while (recu < kTailleDemandeLot) {
        iovec v{demande + recu, kTailleDemandeLot - recu};
        alignas(cmsghdr) char controle[CMSG_SPACE(sizeof(int) * 4)];
        msghdr m{};
        m.msg_iov = &v;
        m.msg_iovlen = 1;
        m.msg_control = controle;
        m.msg_controllen = sizeof controle;
        const ssize_t n = recvmsg(STDIN_FILENO, &m, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR) continue;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
            const std::size_t nombre = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < nombre; ++i) {
                int recu_fd;
                std::memcpy(&recu_fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                // One descriptor a request; any other is not ours to keep.
                if (fd < 0) {
                    fd = recu_fd;
                } else {
                    close(recu_fd);
                }
            }
        }
        if (n <= 0) {
            if (fd >= 0) close(fd);
            return false;
        }
        recu += static_cast<std::size_t>(n);
    }
    return true;
}

QByteArray lireTout(int fd, qsizetype tailleMax) {
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) throw Erreur("le fichier ne peut pas être lu");
    if (!S_ISREG(st.st_mode)) throw Erreur("ce n'est pas un fichier ordinaire");
    if (st.st_size > tailleMax) throw Erreur("le fichier est trop gros");
    QByteArray octets;
    octets.reserve(static_cast<qsizetype>(st.st_size));
    char tampon[65536];
    for (;;) {
        const ssize_t n = read(fd, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Erreur("le fichier ne peut pas être lu");
        if (n == 0) break;
        octets.append(tampon, n);
        if (octets.size() > tailleMax) throw Erreur("le fichier est trop gros");
    }
    return octets;
}

void ajouter32(std::string& o, std::uint32_t v) { o.append(reinterpret_cast<const char*>(&v), 4); }

std::string dessiner(const Lot& lot, const std::string& format, std::uint32_t cote, int fd) {
    if (!lot.accepte(format)) throw Erreur("ce format d'image n'est pas pris en charge");
    if (cote < 1 || cote > static_cast<std::uint32_t>(kCoteLotMax)) throw Erreur("la taille demandée n'est pas valide");
    const QByteArray octets = lireTout(fd, lot.tailleMax(format));
    const int c = static_cast<int>(cote);
    QImage image = lot.dessiner(octets, format, QSize(c, c));
    if (image.isNull()) throw Erreur("l'image n'a pas pu être lue");
    std::string textes;
    for (const QString& cle : image.textKeys()) {
        if (!cle.startsWith(QLatin1String("Thumb::")) && !cle.startsWith(QLatin1String("X-Brevandoux::"))) continue;
        const QByteArray k = cle.toUtf8(), v = image.text(cle).toUtf8();
        if (textes.size() + static_cast<std::size_t>(k.size() + v.size()) + 2 > kTextesLotMax) break;
        textes.append(k.constData(), static_cast<std::size_t>(k.size())).push_back('\0');
        textes.append(v.constData(), static_cast<std::size_t>(v.size())).push_back('\0');
    }
    if (image.width() > c || image.height() > c) {
        image = image.scaled(c, c, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    const bool alpha = image.hasAlphaChannel();
    image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) throw Erreur("mémoire insuffisante");
    const auto l = static_cast<std::uint32_t>(image.width());
    const auto h = static_cast<std::uint32_t>(image.height());
    std::string reponse;
    reponse.reserve(14 + textes.size() + static_cast<std::size_t>(l) * h * 4);
    reponse += 'O';
    reponse += static_cast<char>(alpha ? 1 : 0);
    ajouter32(reponse, l);
    ajouter32(reponse, h);
    ajouter32(reponse, static_cast<std::uint32_t>(textes.size()));
    reponse += textes;
    for (int y = 0; y < image.height(); ++y) {
        reponse.append(reinterpret_cast<const char*>(image.constScanLine(y)), static_cast<std::size_t>(l) * 4);
    }
    return reponse;
}

}  // namespace

int executerLot(int argc, char** argv, const ReglagesConfinement& reglages, const Lot& lot) {
    long long memoire = 0;
    if (argc != 3 || !entier(argv[2], 1, 1LL << 50, memoire)) {
        std::fputs("brevandoux-image : arguments du mode lot invalides\n", stderr);
        return 2;
    }
    rlimit aucun{0, 0};
    setrlimit(RLIMIT_CORE, &aucun);
#ifndef BREVANDOUX_ASAN
    // No processor-time limit: the process lives for many pictures, and the window's side
    // kills it when one of them takes too long.
    rlimit as{static_cast<rlim_t>(memoire), static_cast<rlim_t>(memoire)};
    setrlimit(RLIMIT_AS, &as);
#endif
    try {
        signalerManques(confiner(reglages));
    } catch (const Erreur& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kSortieLotNonConfine;
    }
    for (;;) {
        char demande[kTailleDemandeLot];
        int fd = -1;
        if (!recevoir(demande, fd)) return 0;
        const std::string format(demande, strnlen(demande, 8));
        std::uint32_t cote = 0;
        std::memcpy(&cote, demande + 8, 4);
        std::string reponse;
        try {
            reponse = dessiner(lot, format, cote, fd);
        } catch (...) {
            reponse = reponseEchec();
        }
        if (fd >= 0) close(fd);
        std::string trame;
        ajouter32(trame, static_cast<std::uint32_t>(reponse.size()));
        if (!toutEcrire(STDIN_FILENO, trame.data(), trame.size(), true) ||
            !toutEcrire(STDIN_FILENO, reponse.data(), reponse.size(), true)) {
            return 3;
        }
        if (lot.dernier(format)) return 0;
    }
}
