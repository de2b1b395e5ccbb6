#pragma once
// Picking a card from a line of the list.

#include <cstdint>
#include <string_view>

class MagasinFiches;

// The number a list line starts with: the leading digits of its first 257 characters, read
// as an unsigned 32-bit value with wrap-around and taken back as the signed card number
// (a line of 4294967295 names card -1).
int32_t numeroDeLigne(std::string_view ligne);

// Makes the first card of the table (lowest index) whose number is the one the line starts
// with the current card, and returns its index; returns -1 and changes nothing when no card
// carries that number. The line is tied to its card by the number alone, so a line of the
// whole-base list and a line of search results are read the same way.
int32_t selectionListe(MagasinFiches& store, std::string_view ligne);

// The index of the first card of the table (lowest index) carrying that number, -1 when none:
// the card a line of search results stands for.
int32_t premiereFiche(const MagasinFiches& store, int32_t numero);
