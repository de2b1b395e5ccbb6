#pragma once
// Landlock, through its raw system calls: Debian 12's headers stop at an older version of it
// than the kernels the program runs on, so the constants it needs are its own.

#include <string>
#include <vector>

// The Landlock version the kernel offers; 0 when it has none or it is switched off.
int versionLandlock();

// What a Landlock version below the newest could not forbid, in French, for the one line the
// program writes about it.
std::vector<std::string> manquesLandlock(int version);

// Restricts this thread, and everything it starts later, to reading the folders and files
// of lectures (and executing those of executables): nothing may be written, created,
// removed or renamed anywhere, and from version 4 on no TCP port may be bound or connected,
// from version 6 on no signal or abstract socket reaches outside. Paths that do not exist are
// passed over. Throws Erreur when the kernel refuses a step of a version it claims.
void restreindreLandlock(int version, const std::vector<std::string>& lectures,
                         const std::vector<std::string>& executables);
