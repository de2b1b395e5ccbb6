#pragma once
// The words that differ between two texts, as the versions dialog marks them in a changed
// card's two texts: a word is a run of bytes other than spaces, tabs and line breaks; the
// words kept are those of a longest common sequence of words, the others are marked.

#include <cstddef>
#include <string_view>
#include <vector>

// A word of a text: its bytes [debut, fin).
struct Empan {
    std::size_t debut = 0, fin = 0;
    friend bool operator==(const Empan&, const Empan&) = default;
};

struct MotsDifferents {
    std::vector<Empan> avant;  // the words of avant missing from apres
    std::vector<Empan> apres;  // the words of apres missing from avant
};

// The words of a text, in order.
std::vector<Empan> motsDe(std::string_view texte);

// Beyond this many pairs of words (two texts of some thousands of words) the table of the
// common sequence is not built: the words between the common beginning and end are all marked.
inline constexpr std::size_t kPairesMax = std::size_t{1} << 22;

MotsDifferents motsDifferents(std::string_view avant, std::string_view apres);
