#pragma once
// Comparing another card table (an earlier version, another copy of the base) with the open
// one. Cards are matched by number, and among the cards that share a number by their order in
// each table: the first 12 of one with the first 12 of the other, and so on. Two matched cards
// differ when their number, title, description or picture name differ (the bytes after each
// text's zero are not part of the card).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/fiche.h"
#include "core/table_fiches.h"

enum class Ecart {
    kSeulementAutre,    // "+": only in the other table
    kSeulementOuverte,  // "−": only in the open base
    kChangee,           // "~": in both, changed
};

struct Difference {
    Ecart genre;
    int64_t indexAutre;     // -1 for a card only in the open base
    int64_t indexOuverte;   // -1 for a card only in the other table
};

struct Comparaison {
    std::size_t seulementAutre = 0;
    std::size_t seulementOuverte = 0;
    std::size_t changees = 0;
    // By number, then by rank among the cards of one number.
    std::vector<Difference> differences;
};

Comparaison comparer(VueFiches autre, std::size_t nAutre, VueFiches ouverte, std::size_t nOuverte);

// "+a −r ~c" (UTF-8, with the minus sign U+2212).
std::string resume(const Comparaison& c);

// Same number and same texts, up to each one's zero.
bool memeFiche(const Fiche& a, const Fiche& b);
