#pragma once
// brevandoux-image shuts itself in before it reads the picture it is given: the decoders it
// runs are old C code fed with files from anywhere, and one taken over by a crafted file
// must find nothing to reach. Once confined, the process reads only the system's libraries,
// data files and fonts, writes and creates nothing, opens no socket, starts nothing and
// signals or traces no other process; what it already has open (its input, the pipe or file
// its answer goes to, the standard error) stays usable.

#include <string>
#include <vector>

struct ReglagesConfinement {
    bool actif = true;
    // The Landlock version used is the kernel's, at most this one (0 to do without it).
    int versionLandlockMax = 1 << 30;
    bool seccomp = true;
};

// Sets, in this order and each checked: no new privileges, Landlock, the seccomp filter.
// Must be called while the process has a single thread (Landlock holds for the calling
// thread and those it starts). Returns what the kernel could not set, in French, each once;
// empty when all is set. Throws Erreur with the French reason when a step the kernel offers
// fails: the process must not go on unconfined.
std::vector<std::string> confiner(const ReglagesConfinement& reglages);

// The one line of the standard error that says what could not be set; nothing when all was.
void signalerManques(const std::vector<std::string>& manques);
