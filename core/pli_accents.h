#pragma once
// Windows-1252 texts as the search that ignores accents compares them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// What one byte is compared as: one or two bytes.
struct Pli {
    char octets[2];
    uint8_t taille;
};

// Every letter small and without its accent (Š to s, Ÿ to y, ƒ to f), œ æ ß þ as oe ae ss th,
// ‘ ’ ‚ as an apostrophe, « » “ ” „ as a straight quote, the no-break space as a space, – and —
// as a hyphen; any other byte as it is.
const std::array<Pli, 256>& tablePlis();

// A whole text folded, byte by byte through the table.
std::string plierTexte(std::string_view cp1252);

// A text folded as above with its spaces set aside, as cards entered twice are compared: every
// run of spaces, tabs and line breaks (the no-break space among them) taken as one space, none
// kept at either end. Written into plie, which is emptied first (so that a caller folding many
// texts reuses one buffer).
void plierSansEspaces(std::string_view cp1252, std::string& plie);
