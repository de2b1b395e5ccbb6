#pragma once
// A CSV table turned into a new base file while it is read (the converter's work): a slice of
// cards at a time goes into the crash-safe writer's temporary file, so that the card table
// never exists whole in memory.

#include <cstddef>
#include <string>

#include "core/tableau_csv.h"

class MagasinFiches;

struct ConversionTableau {
    bool ecrite = false;        // the base is in place, whole
    bool imagesRangees = true;  // every picture found beside the table is in the picture directory
};

// Writes the cards of the CSV table source as the base store.cheminBase, the store being a base
// without cards bound to it (its picture directory in store.repertoireImages). Does what
// importing the table into that base and then saving it does: the same reading, numbers,
// refusals and messages, the pictures found beside the table filed, the version replaced kept.
//
// All or nothing: until the whole table is read and accepted, only the writer's hidden
// temporary file exists, and it goes when a cell is refused or anything fails. The pictures
// wait in a hidden folder (ImagesEnAttente) and join the picture directory, made only when a
// picture is filed, just before the base is put in place; a failure takes them out again. A cell refused is told before a base that
// could not be written, as when the table was read whole first.
ConversionTableau convertirTableauCsv(MagasinFiches& store, const std::string& source,
                                      std::size_t tailleTranche = kTrancheCsv);
