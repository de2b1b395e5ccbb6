#pragma once
// Sorting the card table by title or by number.
//
// The order is the one the card file has always produced with its exchange sort, equal keys
// included: that sort is not stable, and users who sort twice or sort a base with duplicate
// numbers see its particular tie order, so it is kept exactly. It is computed here in
// O(n log n) instead of the exchange sort's n² comparisons; the cards stay where they lie and
// only the table's order (4 bytes a card) is rewritten.

#include <cstdint>
#include <vector>

class MagasinFiches;
struct Fiche;

// Reorders fiches[0..derniere] by title: bytes compared as unsigned values up to the first
// zero (or the end of the field), case-sensitive, no locale. courante follows the card that
// was current, so that the card on display and the card the commands act on stay the same;
// the new courante is returned.
int32_t triAlphabetique(MagasinFiches& store);

// The same by numero, as signed 32-bit numbers.
int32_t triNumerique(MagasinFiches& store);

// The same sorts, telling the order applied in ordre: the card now at slot k was at slot
// ordre[k] (empty when the table had fewer than two cards), which is what undoing needs.
int32_t triAlphabetiqueOrdre(MagasinFiches& store, std::vector<uint32_t>& ordre);
int32_t triNumeriqueOrdre(MagasinFiches& store, std::vector<uint32_t>& ordre);
