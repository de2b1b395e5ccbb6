#pragma once
// Counting the rows of a CSV table fast, to place each run's cards before reading them.
// Counts row ends outside quotes: in a table whose quoting is sound, that is the rows the
// reader reads (a table whose quoting is not sound is refused by the reading anyway).

#include <cstddef>
#include <string_view>
#include <vector>

struct LignesCsv {
    std::size_t lignes = 0;
    // Rows that may hold no card: those starting with a row end, a separator or "" (an empty
    // first cell). Every other row is a card.
    std::size_t douteuses = 0;
    // The quotes: their parity tells whether the byte after the rows is inside quotes.
    std::size_t guillemets = 0;
};

// The rows of s[debut, fin), s[debut] starting a row outside quotes; a last row without its
// row end counts.
LignesCsv compterLignesCsv(std::string_view s, std::size_t debut, std::size_t fin, char sep);
// The versions of compterLignesCsv this processor runs, the fastest (the one used) first.
using CompteurLignesCsv = LignesCsv (*)(std::string_view s, std::size_t debut, std::size_t fin, char sep);
std::vector<CompteurLignesCsv> compteursLignesCsv();
// The same, a byte at a time: the reference.
LignesCsv compterLignesCsvOctets(std::string_view s, std::size_t debut, std::size_t fin, char sep);

// The quotes in s[debut, fin): their parity tells whether s[fin] is inside quotes.
std::size_t compterGuillemets(std::string_view s, std::size_t debut, std::size_t fin);
