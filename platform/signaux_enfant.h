#pragma once
// The spawn attributes of a picture program: the window's signal handlers (a fuzzer's, a
// sanitizer's) and its blocked signals are not the child's, so a crash there is an ordinary
// outcome, read from its exit status.

#include <signal.h>
#include <spawn.h>

inline void initialiserSignauxEnfant(posix_spawnattr_t& attributs) {
    posix_spawnattr_init(&attributs);
    sigset_t aucun, defaut;
    sigemptyset(&aucun);
    sigemptyset(&defaut);
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM, SIGXCPU, SIGPIPE, SIGTERM}) sigaddset(&defaut, s);
    posix_spawnattr_setsigmask(&attributs, &aucun);
    posix_spawnattr_setsigdefault(&attributs, &defaut);
    posix_spawnattr_setflags(&attributs, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}
