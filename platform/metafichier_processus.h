#pragma once
// Running brevandoux-image, the program that draws metafiles. The metafile libraries are old
// C code fed with files from elsewhere: a crash, an endless loop or a runaway allocation
// inside them must cost one picture, not the program.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

struct LimitesProcessus {
    std::chrono::milliseconds delai{5000};         // wall-clock time before the child is killed
    std::size_t sortieMax = 32u * 1024 * 1024;     // bytes the child may send back
    std::size_t memoireMax = 1024u * 1024 * 1024;  // address space of the child
};

// The drawing program (or its sibling nom, brevandoux-heif): beside the running program, else in ../libexec/brevandoux or
// ../lib/brevandoux from its folder. Empty when none is there.
std::string cheminProgrammeImage(const std::string& nom = "brevandoux-image");

// Runs the program with the arguments (after its own name), the bytes of entree as its
// standard input, and returns its answer on the standard output. Its first byte says how it
// went: 'O' and the result follow, or 'E' and a French reason, thrown here as an Erreur. A
// program that cannot start, crashes, runs out of time or sends too much gives an Erreur
// with a French reason. limites.delai and limites.sortieMax are kept here; the memory limit
// is the program's to set on itself, from its arguments.
std::string executerIsole(const std::string& programme, const std::vector<std::string>& arguments,
                          const std::string& entree, const LimitesProcessus& limites);
