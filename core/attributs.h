#pragma once
// File attributes as the program understands them on Linux: read-only is the owner's missing
// write bit, hidden is a name beginning with a dot, system is anything neither a regular file
// nor a directory (socket, device, fifo).

#include <optional>
#include <string>

struct Attributs {
    bool lectureSeule = false;
    bool cache = false;
    bool systeme = false;
    bool repertoire = false;
};

// Nothing when the path names nothing.
std::optional<Attributs> lireAttributs(const std::string& chemin);
// Only the read-only bit is applied (the owner's write bit). True when it was set.
bool ecrireAttributs(const std::string& chemin, const Attributs& attributs);
// Clears the read-only attribute; the outcome is not reported, as callers go on either way.
void retirerLectureSeule(const std::string& chemin);
// An existing regular file whose name does not begin with a dot.
bool fichierExiste(const std::string& chemin);
// Whether the name is taken in its directory, whatever it names, a dangling symbolic link
// included (lstat): what asks before writing over a file. The crash-safe writer replaces the
// name itself, so a link that points nowhere is still something the write would replace.
bool existe(const std::string& chemin);
