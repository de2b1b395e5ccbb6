#pragma once
// Taking chosen cards of another table (an earlier version, another copy of the base) into the
// open base, as one step that can be undone.
//
// A changed card replaces the open card it was matched with. A card only in the other table
// is added at the end with its own number, or, when that number is taken, with the next free
// one above it, as a typed number is when a new card is validated (cards added earlier in the
// same recovery count as taken). Cards only in the open base are not the other table's to give
// and are passed over.

#include <memory>
#include <string>
#include <vector>

#include "core/comparaison_bases.h"
#include "core/etapes.h"
#include "core/table_fiches.h"

class MagasinFiches;

// Applies the chosen differences (indexes into the table autre) and returns the step, nothing
// when no chosen card could be taken. cheminAutre is the other base file (a kept version or
// another copy): the recovered cards' pictures come from its picture directory as
// rangerImagesAutre says.
std::unique_ptr<Etape> recuperer(MagasinFiches& store, VueFiches autre, const std::vector<Difference>& choisies,
                                 const std::string& cheminAutre);

// The octetsAuPlus of the step recuperer would make of these choices (Historique::gardable).
std::size_t octetsRecuperation(const std::vector<Difference>& choisies);

// The numbers the added cards of a recovery get: for each wanted number in turn, the smallest
// at or above it (counting upward with 32-bit wrap-around) that neither a card of the table nor
// an earlier answer carries. The same as numeroLibre for each, without rescanning the table.
std::vector<int32_t> numerosLibres(const MagasinFiches& store, const std::vector<int32_t>& voulus);
