#pragma once
// The cards of a table put in the order of their titles.
//
// Collections repeat titles a great deal ("Lettre de …", the same book or stamp entered again),
// and comparing two equal titles reads both to their end. So equal titles are first gathered
// into one entry each, by hashing; only the distinct titles are sorted, and the cards follow
// their title's rank in one counting pass, which keeps equal titles in table order.

#include <cstdint>
#include <vector>

#include "core/table_fiches.h"

struct OrdreTitres {
    // The positions 0..n-1 of the cards, by title (bytes compared as unsigned values up to the
    // first zero or the end of the field), equal titles by position.
    std::vector<uint32_t> ordre;
    // Where each run of equal titles starts in ordre, then n.
    std::vector<uint32_t> bornes;
};

OrdreTitres ordonnerParTitre(VueFiches fiches, uint32_t n);
