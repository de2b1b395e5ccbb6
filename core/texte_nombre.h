#pragma once
// Number/text conversions with the card file's own rules (no sign, 32-bit wrap-around).

#include <cstdint>
#include <string>

// Leading decimal digits read as unsigned 32-bit, wrapping modulo 2^32; no sign, no blanks.
uint32_t lireEntier(const char* texte);

// Writes valeur in the given base (up to 10) into tampon with its terminating zero; tampon
// holds at least 11 bytes for base 10.
void entierEnTexte(uint32_t valeur, char* tampon, uint32_t base);

// Signed decimal, as the number box and the printed page show numbers.
std::string enDecimal(int32_t valeur);

// The number a number box shows: an optional leading minus, then the digits as lireEntier
// reads them (same wrap-around). Every text enDecimal writes reads back to its own value.
uint32_t lireNombreSigne(const char* texte);
