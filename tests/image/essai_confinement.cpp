#include "tests/image/essai_confinement.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "core/services.h"

extern char** environ;

namespace {

// Each act returns 0 when done, else the errno that stopped it.
int fait(bool reussi) { return reussi ? 0 : (errno != 0 ? errno : EIO); }

int ecrire(const std::string& dossier) {
    const int fd = open((dossier + "/existant").c_str(), O_WRONLY | O_APPEND);
    if (fd < 0) return errno;
    const bool ok = write(fd, "x", 1) == 1;
    const int err = errno;
    close(fd);
    errno = err;
    return fait(ok);
}

int creer(const std::string& dossier) {
    const int fd = open((dossier + "/nouveau").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return errno;
    close(fd);
    return 0;
}

int supprimer(const std::string& dossier) {
    return fait(unlink((dossier + "/a-supprimer").c_str()) == 0);
}

int lireMaison(const std::string& fichier) {
    const int fd = open(fichier.c_str(), O_RDONLY);
    if (fd < 0) return errno;
    char c;
    const bool ok = read(fd, &c, 1) == 1;
    const int err = errno;
    close(fd);
    errno = err;
    return fait(ok);
}

int connecter(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return errno;
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_port = htons(static_cast<std::uint16_t>(port));
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) == 0;
    const int err = errno;
    close(s);
    errno = err;
    return fait(ok);
}

int lancer() {
    char nom[] = "/bin/true";
    char* argv[] = {nom, nullptr};
    pid_t pid = -1;
    const int r = posix_spawn(&pid, nom, nullptr, nullptr, argv, environ);
    if (r != 0) return r;
    int statut = 0;
    if (waitpid(pid, &statut, 0) != pid) return errno;
    // posix_spawn reports a refused exec through the child's exit status 127.
    return WIFEXITED(statut) && WEXITSTATUS(statut) == 0 ? 0 : EACCES;
}

int dedoubler() {
    const pid_t pid = fork();
    if (pid < 0) return errno;
    if (pid == 0) _exit(0);
    int statut = 0;
    waitpid(pid, &statut, 0);
    return 0;
}

int tracerParent() {
    // Seized, not attached: the parent is not stopped, and is let go when this process ends.
    return fait(ptrace(PTRACE_SEIZE, getppid(), nullptr, nullptr) == 0);
}

int signalerParent() { return fait(kill(getppid(), 0) == 0); }

}  // namespace

ReglagesConfinement reglagesEssai() {
    ReglagesConfinement r;
    const char* actif = std::getenv("BREVANDOUX_ESSAI_CONFINEMENT");
    r.actif = actif == nullptr || std::strcmp(actif, "non") != 0;
    const char* version = std::getenv("BREVANDOUX_ESSAI_VERSION_LANDLOCK");
    if (version != nullptr && version[0] != '\0') r.versionLandlockMax = std::atoi(version);
    const char* seccomp = std::getenv("BREVANDOUX_ESSAI_SECCOMP");
    r.seccomp = seccomp == nullptr || std::strcmp(seccomp, "non") != 0;
    return r;
}

int essayerActesInterdits(int argc, char** argv, const ReglagesConfinement& reglages) {
    if (argc != 5) {
        std::fputs("usage : --essai-actes-interdits DOSSIER FICHIER_MAISON PORT\n", stderr);
        return 2;
    }
    const std::string dossier = argv[2], maison = argv[3];
    const int port = std::atoi(argv[4]);
    try {
        signalerManques(confiner(reglages));
    } catch (const Erreur& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
    const std::pair<const char*, std::function<int()>> actes[] = {
        {"ecrire", [&] { return ecrire(dossier); }},
        {"creer", [&] { return creer(dossier); }},
        {"supprimer", [&] { return supprimer(dossier); }},
        {"lire-maison", [&] { return lireMaison(maison); }},
        {"connecter", [&] { return connecter(port); }},
        {"lancer", [] { return lancer(); }},
        {"dedoubler", [] { return dedoubler(); }},
        {"tracer-parent", [] { return tracerParent(); }},
        {"signaler-parent", [] { return signalerParent(); }},
    };
    for (const auto& [nom, acte] : actes) {
        errno = 0;
        const int err = acte();
        if (err == 0) {
            std::printf("%s : RÉUSSI\n", nom);
        } else {
            std::printf("%s : refusé (%s)\n", nom, std::strerror(err));
        }
        std::fflush(stdout);
    }
    return 0;
}
