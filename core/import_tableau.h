#pragma once
// Importing a CSV table into the open base, and exporting cards to one.

#include <string>

#include "core/fichier_sur.h"

class MagasinFiches;
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
bool importerTableauCsv(MagasinFiches& store, const std::string& chemin);
