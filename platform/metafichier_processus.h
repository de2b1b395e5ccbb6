#pragma once
// Running a converter library in a child process. The metafile libraries are old C code fed
// with files from elsewhere: a crash, an endless loop or a runaway allocation inside them
// must cost one picture, not the program.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

struct LimitesProcessus {
    std::chrono::milliseconds delai{5000};         // wall-clock time before the child is killed
    std::size_t sortieMax = 32u * 1024 * 1024;     // bytes the child may send back
    std::size_t memoireMax = 1024u * 1024 * 1024;  // address space of the child
};

// Runs travail in a forked child and returns what it returned. An Erreur thrown by travail
// comes back as an Erreur with the same message; a child that crashes, runs out of time or
// sends too much gives an Erreur with a French reason. travail must only use code that is
// safe after fork in a process with threads (plain C libraries, no Qt).
std::string executerIsole(const std::function<std::string()>& travail,
                          const LimitesProcessus& limites);
