#pragma once
// Pictures filed for a base that is not written yet (the converter's): they wait in a hidden
// folder beside the picture directory, held by their writer's lock, and join the directory
// only once the base is whole, just before it is renamed into place. A run that fails takes
// them back out; a killed run leaves only the hidden folder, which the next run removes.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/descripteur.h"

class ImagesEnAttente {
public:
    // repertoire: the picture directory the pictures are meant for.
    explicit ImagesEnAttente(std::string repertoire);
    ~ImagesEnAttente();
    ImagesEnAttente(const ImagesEnAttente&) = delete;
    ImagesEnAttente& operator=(const ImagesEnAttente&) = delete;

    // Makes the waiting folder, locked. When the directory exists, the folder starts with its
    // names (each file linked, anything else stood for by an empty folder), so that filing a
    // picture there finds the names taken and the same bytes already present as it would in
    // the directory. Returns 0, or the error number that stopped it.
    int preparer();
    // Where the pictures are filed meanwhile (empty until prepared).
    const std::string& dossier() const { return dossier_; }

    // The pictures filed into the directory: the whole folder renamed when the directory did
    // not exist, otherwise each new picture linked under its name. 0, or the error number
    // that stopped it (what was put is then taken out again).
    int poser();
    // Takes out what poser put in: the base it was for could not be put in place.
    void retirer();

private:
    std::string repertoire_;
    std::string dossier_;
    std::optional<Descripteur> verrou_;  // holds the folder's lock
    bool existait_ = false;
    std::set<std::string> repris_;    // the directory's own names, in the folder
    std::vector<std::string> poses_;  // the names linked into the directory
    bool renomme_ = false;            // the folder became the directory
};
