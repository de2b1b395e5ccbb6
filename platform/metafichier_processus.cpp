#include "platform/metafichier_processus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/signaux_enfant.h"
#include "core/descripteur.h"
#include "core/services.h"

extern char** environ;

namespace {

constexpr char kReussite = 'O';
constexpr char kEchec = 'E';

bool executable(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           access(chemin.c_str(), X_OK) == 0;
}

[[noreturn]] void impossible(int err) {
    throw Erreur("impossible de lancer le convertisseur (" + std::string(std::strerror(err)) + ")");
}

// The bytes to convert, in a file of memory that the child reads as its standard input:
// the child may stop reading at any time without the parent blocking or getting SIGPIPE.
int entreeEnMemoire(const std::string& entree) {
    const int fd = memfd_create("brevandoux-image", MFD_CLOEXEC);
    if (fd < 0) impossible(errno);
    std::size_t fait = 0;
    while (fait < entree.size()) {
        const ssize_t n = write(fd, entree.data() + fait, entree.size() - fait);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            close(fd);
            impossible(err);
        }
        fait += static_cast<std::size_t>(n);
    }
    if (lseek(fd, 0, SEEK_SET) != 0) {
        const int err = errno;
        close(fd);
        impossible(err);
    }
    return fd;
}

// Kills the child if it still runs and collects its status.
int terminer(pid_t pid, bool tuer) {
    if (tuer) kill(pid, SIGKILL);
    int statut = 0;
    while (waitpid(pid, &statut, 0) < 0 && errno == EINTR) {
    }
    return statut;
}

}  // namespace

std::string cheminProgrammeImage(const std::string& nom) {
    char tampon[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", tampon, sizeof tampon - 1);
    if (n <= 0) return {};
    std::string dossier(tampon, static_cast<std::size_t>(n));
    dossier.erase(dossier.rfind('/') + 1);
    for (const char* relatif : {"", "../libexec/brevandoux/", "../lib/brevandoux/"}) {
        const std::string chemin = dossier + relatif + nom;
        if (executable(chemin)) return chemin;
    }
    return {};
}

std::string executerIsole(const std::string& programme, const std::vector<std::string>& arguments,
                          const std::string& entree, const LimitesProcessus& limites) {
    if (programme.empty()) {
        throw Erreur("le programme de dessin brevandoux-image est introuvable à côté du programme");
    }
    Descripteur memoire{entreeEnMemoire(entree)};
    int tube[2];
    if (pipe2(tube, O_CLOEXEC) != 0) impossible(errno);
    Descripteur lecture{tube[0]}, ecriture{tube[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, memoire.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ecriture.get(), STDOUT_FILENO);
    // The libraries write diagnostics of their own on the standard error; they are kept only
    // for whoever looks into a converter's failure.
    if (getenv("BREVANDOUX_TRACE_CONVERTISSEUR") == nullptr) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributs;
    initialiserSignauxEnfant(attributs);

    std::vector<char*> argv;
    std::string nom = programme;
    argv.push_back(nom.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int lance =
        posix_spawn(&pid, programme.c_str(), &actions, &attributs, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributs);
    if (lance != 0) impossible(lance);
    ecriture.fermer();
    memoire.fermer();

    using Horloge = std::chrono::steady_clock;
    const auto fin = Horloge::now() + limites.delai;
    std::string recu;
    const char* raison = nullptr;
    char tampon[65536];
    for (;;) {
        const auto reste =
            std::chrono::duration_cast<std::chrono::milliseconds>(fin - Horloge::now()).count();
        if (reste <= 0) {
            raison = "le dessin est trop long à convertir";
            break;
        }
        pollfd p{lecture.get(), POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(reste));
        if (r < 0 && errno != EINTR) {
            raison = "la lecture du convertisseur a échoué";
            break;
        }
        if (r <= 0) continue;
        const ssize_t n = read(lecture.get(), tampon, sizeof tampon);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            raison = "la lecture du convertisseur a échoué";
            break;
        }
        if (n == 0) break;
        recu.append(tampon, static_cast<std::size_t>(n));
        if (recu.size() > limites.sortieMax + 1) {
            raison = "le dessin converti est trop gros";
            break;
        }
    }
    lecture.fermer();
    if (raison != nullptr) {
        terminer(pid, true);
        throw Erreur(raison);
    }
    // The child closes its end only by exiting; a short wait covers the time it takes to go.
    int statut = 0;
    for (;;) {
        const pid_t w = waitpid(pid, &statut, WNOHANG);
        if (w == pid) break;
        if (w < 0 && errno != EINTR) break;
        if (Horloge::now() >= fin) {
            statut = terminer(pid, true);
            break;
        }
        usleep(1000);
    }
    if (WIFSIGNALED(statut)) {
        const int s = WTERMSIG(statut);
        if (s == SIGKILL || s == SIGXCPU)
            throw Erreur("le dessin est trop long ou trop gros à convertir");
        throw Erreur("le convertisseur s'est arrêté sur une erreur (signal " + std::to_string(s) +
                     ")");
    }
    if (!WIFEXITED(statut) || WEXITSTATUS(statut) != 0 || recu.empty()) {
        throw Erreur("le convertisseur s'est arrêté sur une erreur");
    }
    if (recu[0] == kEchec) throw Erreur(recu.substr(1));
    if (recu[0] != kReussite) throw Erreur("le convertisseur s'est arrêté sur une erreur");
    return recu.substr(1);
}
