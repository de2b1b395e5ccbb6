#pragma once
// Importing a CSV table into the open base, and the steps around the one reading of a table
// that the import and the converter (a table written as a new base while it is read) share.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/fichier_sur.h"
#include "core/lecture_parallele.h"
#include "core/tableau_csv.h"

class MagasinFiches;
class Messages;
struct Fiche;

// Appends the rows of the CSV table at chemin after the last card, as appending a base does:
// a row whose number is missing or is no number gets its index in the table. A picture cell
// naming an existing file (relative to the table's folder) brings that file into the picture
// directory as the picture step of a validation does; a name that names no file is kept as
// the card's picture name. Marks the base modified.
//
// All or nothing: a row that cannot be stored (see lireTableauCsv), a table naming pictures
// while the base has no picture directory yet, or a file that cannot be read leaves the
// table as it was, after one message to the user. Returns true when the rows were added.
// accepter, when given, is called with the number of cards about to be added once the table
// is read and accepted, before the base changes; false leaves it as it was, nothing more said.
bool importerTableauCsv(MagasinFiches& store, const std::string& chemin,
                        const std::function<bool(std::size_t)>& accepter = {});

// A picture a table names that lies beside it, to be filed once the whole table is accepted.
struct ImageDuTableau {
    std::size_t index;   // the card's index in the base
    std::string source;  // the file
    std::string champ;   // the card's picture field as read: a backslash and the name
};

// What importing a table does around the reading, whatever keeps the cards. Each step that
// fails gives the one message to tell the user (raison), which the caller tells once it has
// put back what it changed.
class ImportTableau {
public:
    // premiere: the index in the base that the table's first card takes.
    ImportTableau(std::string chemin, std::size_t premiere);

    // Reads the table's bytes.
    bool charger();
    // Reads the rows into table[place ..] a slice at a time (tailleTranche cards; memesPlaces as
    // PuitsCsv says). In each slice the cards without a number get their index in the base and
    // the pictures found beside the table are noted; then ecrire, when given, takes the slice
    // (false stops the reading). The table's bytes are given back at the end.
    bool lire(TableFiches& table, std::size_t place, std::size_t tailleTranche, bool memesPlaces,
              const std::function<bool(const TrancheCsv&)>& ecrire = {});
    // After the reading: whether the cards can be added (not too many of them, no cell refused,
    // no picture path too long, no picture while no picture directory is bound).
    bool accepter(bool avecRepertoire);

    std::size_t lues() const { return lecture_.lues; }
    const std::vector<ImageDuTableau>& images() const { return images_; }
    const std::string& raison() const { return raison_; }

private:
    // The file a picture name (without its backslash) names beside the table, or "".
    std::string fichierImage(const std::string& nom) const;
    void noterImages(const TrancheCsv& tranche);

    std::string chemin_;
    std::size_t premiere_;
    OctetsFichier octets_;
    // The names in the table's folder, read once: a large table names thousands of pictures,
    // most of them not beside it, and one look-up per name would cost more than reading it.
    std::string dossier_;
    std::unordered_set<std::string> noms_;
    bool liste_ = false;
    LectureCsv lecture_;
    std::vector<ImageDuTableau> images_;
    std::optional<RefusCsv> cheminTropLong_;  // the first picture path too long to store
    bool tropDeFiches_ = false;
    std::string raison_;
};
