#include "platform/processus_lot.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/signaux_enfant.h"
#include "platform/protocole_lot.h"

extern char** environ;

namespace {

// The address space of a program: as much as the frame's converters get for one picture.
constexpr const char* kMemoire = "1073741824";

using Horloge = std::chrono::steady_clock;

enum class Lecture { Ok, Fin, Delai, Arret };

// Reads exactly taille bytes before the deadline, unless arret becomes readable first.
Lecture lire(int fd, char* dest, std::size_t taille, Horloge::time_point fin, int arret) {
    while (taille > 0) {
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(fin - Horloge::now()).count();
        if (reste <= 0) return Lecture::Delai;
        pollfd p[2] = {{fd, POLLIN, 0}, {arret, POLLIN, 0}};
        const int r = poll(p, arret >= 0 ? 2 : 1, static_cast<int>(reste));
        if (r < 0 && errno != EINTR) return Lecture::Fin;
        if (r <= 0) continue;
        if (arret >= 0 && (p[1].revents & POLLIN)) return Lecture::Arret;
        // Descriptors the program might send are not asked for: the kernel closes them.
        const ssize_t n = read(fd, dest, taille);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return Lecture::Fin;
        dest += n;
        taille -= static_cast<std::size_t>(n);
    }
    return Lecture::Ok;
}

bool envoyer(int socket, const char* demande, int fd) {
    iovec v{const_cast<char*>(demande), kTailleDemandeLot};
    alignas(cmsghdr) char controle[CMSG_SPACE(sizeof(int))] = {};
    msghdr m{};
    m.msg_iov = &v;
    m.msg_iovlen = 1;
    m.msg_control = controle;
    m.msg_controllen = sizeof controle;
    cmsghdr* c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &fd, sizeof(int));
    for (;;) {
        const ssize_t n = sendmsg(socket, &m, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        // The request is far smaller than the socket's buffer: it goes whole or not at all.
        return n == static_cast<ssize_t>(kTailleDemandeLot);
    }
}

std::uint32_t lire32(const char* o) {
    std::uint32_t v;
    std::memcpy(&v, o, 4);
    return v;
}

}  // namespace

ProcessusLot::ProcessusLot(std::string programme, std::chrono::milliseconds delai)
    : programme_(std::move(programme)), delai_(delai) {}

ProcessusLot::~ProcessusLot() { arreter(); }

bool ProcessusLot::demarrer(QString& raison) {
    if (programme_.empty()) {
        raison = QStringLiteral("le programme de dessin est introuvable à côté du programme");
        return false;
    }
    int paire[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, paire) != 0) {
        raison = QStringLiteral("impossible de lancer le programme de dessin (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, paire[1], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (getenv("BREVANDOUX_TRACE_CONVERTISSEUR") == nullptr) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributs;
    initialiserSignauxEnfant(attributs);
    std::string nom = programme_, mode = "--lot", memoire = kMemoire;
    char* argv[] = {nom.data(), mode.data(), memoire.data(), nullptr};
    pid_t pid = 0;
    const int lance = posix_spawn(&pid, programme_.c_str(), &actions, &attributs, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributs);
    close(paire[1]);
    if (lance != 0) {
        close(paire[0]);
        raison = QStringLiteral("impossible de lancer le programme de dessin (%1)").arg(QString::fromLocal8Bit(std::strerror(lance)));
        return false;
    }
    pid_ = pid;
    socket_ = paire[0];
    return true;
}

void ProcessusLot::arreter() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = 0;
}

ProcessusLot::Reponse ProcessusLot::dessiner(int fd, const std::string& format, int cote, int arret) {
    Reponse r;
    char demande[kTailleDemandeLot] = {};
    std::memcpy(demande, format.data(), std::min<std::size_t>(format.size(), 8));
    const auto c = static_cast<std::uint32_t>(cote);
    std::memcpy(demande + 8, &c, 4);
    // A program that ended since its last picture (a metafile ends it) is started again once.
    bool envoye = false;
    for (int essai = 0; essai < 2 && !envoye; ++essai) {
        if (socket_ < 0 && !demarrer(r.raison)) return r;
        envoye = envoyer(socket_, demande, fd);
        if (!envoye) arreter();
    }
    if (!envoye) {
        r.raison = QStringLiteral("le programme de dessin ne répond pas");
        return r;
    }
    const auto fin = Horloge::now() + delai_;
    char tete[4];
    Lecture lecture = lire(socket_, tete, 4, fin, arret);
    std::vector<char> corps;
    if (lecture == Lecture::Ok) {
        const std::uint32_t taille = lire32(tete);
        if (taille == 0 || taille > kTailleReponseLotMax) {
            lecture = Lecture::Fin;
        } else {
            corps.resize(taille);
            lecture = lire(socket_, corps.data(), taille, fin, arret);
        }
    }
    if (lecture != Lecture::Ok) {
        if (lecture == Lecture::Arret) {
            arreter();
            r.etat = Reponse::Interrompue;
            return r;
        }
        if (lecture == Lecture::Delai) {
            arreter();
            r.raison = QStringLiteral("le dessin est trop long");
            return r;
        }
        // The program ended in the middle of the picture: the picture is to blame, unless
        // the program could not even shut itself in.
        close(socket_);
        socket_ = -1;
        kill(pid_, SIGKILL);
        int statut = 0;
        while (waitpid(pid_, &statut, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
        if (WIFEXITED(statut) && WEXITSTATUS(statut) == kSortieLotNonConfine) {
            r.raison = QStringLiteral("le programme de dessin n'a pas pu s'isoler");
            return r;
        }
        r.etat = Reponse::Refusee;
        r.raison = WIFSIGNALED(statut) && WTERMSIG(statut) != SIGKILL
                       ? QStringLiteral("le convertisseur s'est arrêté sur une erreur (signal %1)").arg(WTERMSIG(statut))
                       : QStringLiteral("le convertisseur s'est arrêté sur une erreur");
        return r;
    }
    if (finitLeLot(format)) arreter();
    const char* o = corps.data();
    const std::size_t n = corps.size();
    if (o[0] == 'E') {
        r.etat = Reponse::Refusee;
        r.raison = QString::fromUtf8(o + 1, static_cast<qsizetype>(n - 1));
        return r;
    }
    const auto invalide = [&] {
        arreter();
        r.etat = Reponse::Perdue;
        r.raison = QStringLiteral("le programme de dessin a envoyé une réponse invalide");
        return r;
    };
    if (o[0] != 'O' || n < 14) return invalide();
    const bool alpha = o[1] != 0;
    const std::uint32_t l32 = lire32(o + 2), h32 = lire32(o + 6), t32 = lire32(o + 10);
    if (l32 < 1 || h32 < 1 || l32 > static_cast<std::uint32_t>(kCoteLotMax) ||
        h32 > static_cast<std::uint32_t>(kCoteLotMax) || t32 > kTextesLotMax ||
        n != 14 + t32 + static_cast<std::size_t>(l32) * h32 * 4) {
        return invalide();
    }
    // The texts: key, zero, value, zero, as many as there are.
    const char* t = o + 14;
    const char* finTextes = t + t32;
    while (t < finTextes) {
        const char* z1 = static_cast<const char*>(std::memchr(t, 0, static_cast<std::size_t>(finTextes - t)));
        if (z1 == nullptr) return invalide();
        const char* z2 = static_cast<const char*>(std::memchr(z1 + 1, 0, static_cast<std::size_t>(finTextes - z1 - 1)));
        if (z2 == nullptr) return invalide();
        r.textes.insert(QString::fromUtf8(t, z1 - t), QString::fromUtf8(z1 + 1, z2 - z1 - 1));
        t = z2 + 1;
    }
    const int l = static_cast<int>(l32), h = static_cast<int>(h32);
    QImage image(l, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        r.raison = QStringLiteral("mémoire insuffisante");
        return r;
    }
    for (int y = 0; y < h; ++y) {
        std::memcpy(image.scanLine(y), finTextes + static_cast<std::size_t>(y) * l32 * 4, l32 * 4u);
    }
    r.etat = Reponse::Dessinee;
    r.image = std::move(image);
    return r;
}
