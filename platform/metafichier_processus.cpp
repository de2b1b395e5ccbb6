#include "platform/metafichier_processus.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "core/services.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BREVANDOUX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BREVANDOUX_ASAN 1
#endif
#ifdef BREVANDOUX_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// Set in the child only: it inherits the program's state, and must leave some of it alone.
volatile sig_atomic_t dansEnfant = 0;

}  // namespace

// libemf2svg shuts fontconfig down (FcFini) after looking fonts up. In the child, fontconfig's
// caches are still held by the program's own text drawing, and fontconfig aborts on them: the
// child would die after doing its work. The child ends soon anyway, so there the shutdown is
// skipped; elsewhere it is fontconfig's own.
extern "C" void FcFini() {
    if (dansEnfant) return;
    using Fonction = void (*)();
    static const Fonction vraie = reinterpret_cast<Fonction>(dlsym(RTLD_NEXT, "FcFini"));
    if (vraie != nullptr) vraie();
}

namespace {

// The first byte the child sends says whether the rest is the result or an error message.
constexpr char kReussite = 'O';
constexpr char kEchec = 'E';

bool toutEcrire(int fd, const char* donnees, std::size_t taille) {
    while (taille > 0) {
        const ssize_t n = write(fd, donnees, taille);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        donnees += n;
        taille -= static_cast<std::size_t>(n);
    }
    return true;
}

[[noreturn]] void enfant(int fd, const std::function<std::string()>& travail,
                         const LimitesProcessus& limites) {
    dansEnfant = 1;
    // The handlers inherited from the parent (a fuzzer's, a sanitizer's) would report the
    // child's crash as the parent's: a crash here is an ordinary outcome that the parent
    // reads from the exit status.
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM, SIGXCPU}) signal(s, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
#ifdef BREVANDOUX_ASAN
    __sanitizer_set_death_callback(nullptr);
#endif
    rlimit aucun{0, 0};
    setrlimit(RLIMIT_CORE, &aucun);
    const rlim_t secondes = static_cast<rlim_t>(limites.delai.count() / 1000 + 2);
    rlimit cpu{secondes, secondes};
    setrlimit(RLIMIT_CPU, &cpu);
#ifndef BREVANDOUX_ASAN
    // The address sanitizer reserves terabytes of shadow memory: no address-space limit
    // can hold under it, and the parent's time limit still bounds the child.
    rlimit memoire{limites.memoireMax, limites.memoireMax};
    setrlimit(RLIMIT_AS, &memoire);
#endif
    // The libraries write diagnostics of their own on the standard error; they are kept only
    // for whoever looks into a converter's failure.
    if (getenv("BREVANDOUX_TRACE_CONVERTISSEUR") == nullptr) {
        const int nul = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nul >= 0) dup2(nul, STDERR_FILENO);
    }

    std::string sortie;
    char statut = kReussite;
    try {
        sortie = travail();
    } catch (const std::exception& e) {
        statut = kEchec;
        sortie = e.what();
    } catch (...) {
        statut = kEchec;
        sortie = "erreur inconnue du convertisseur";
    }
    const bool ok = toutEcrire(fd, &statut, 1) && toutEcrire(fd, sortie.data(), sortie.size());
    // No destructor nor exit handler of the parent's libraries must run in the child.
    _exit(ok ? 0 : 3);
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

std::string executerIsole(const std::function<std::string()>& travail,
                          const LimitesProcessus& limites) {
    int tube[2];
    if (pipe2(tube, O_CLOEXEC) != 0)
        throw Erreur("impossible de lancer le convertisseur (" + std::string(std::strerror(errno)) +
                     ")");
    const pid_t pid = fork();
    if (pid < 0) {
        const int err = errno;
        close(tube[0]);
        close(tube[1]);
        throw Erreur("impossible de lancer le convertisseur (" + std::string(std::strerror(err)) +
                     ")");
    }
    if (pid == 0) {
        close(tube[0]);
        enfant(tube[1], travail, limites);
    }
    close(tube[1]);

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
        pollfd p{tube[0], POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(reste));
        if (r < 0 && errno != EINTR) {
            raison = "la lecture du convertisseur a échoué";
            break;
        }
        if (r <= 0) continue;
        const ssize_t n = read(tube[0], tampon, sizeof tampon);
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
    close(tube[0]);
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
    return recu.substr(1);
}
