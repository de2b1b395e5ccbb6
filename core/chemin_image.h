#pragma once
// Where a card's picture file lives: the base's picture directory followed by the name the
// card stores. The stored name is a separator and a bare file name ("\chat.jpg"); it is taken
// as file-system bytes, the way the picture step of a validation writes it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A stored name shorter than this means the card has no picture.
constexpr std::size_t kNomImageMin = 5;
// Capacity of the path buffers, terminating zero excluded.
constexpr std::size_t kCheminImageMax = 255;

inline bool aUneImage(std::string_view nom) { return nom.size() >= kNomImageMin; }

// The path as the user is told about it: the directory, then the name with its leading
// backslash turned into the directory separator. Nothing is checked.
std::string cheminImageAffiche(std::string_view repertoire, std::string_view nom);

// The path of the picture file, or nothing when the name could lead anywhere but to a file of
// the directory itself (no leading separator, a further separator, "..", no directory bound)
// or when the path would not fit a path buffer. Callers treat nothing as a missing picture.
std::optional<std::string> cheminImage(std::string_view repertoire, std::string_view nom);
