#pragma once
// Where a chosen picture goes in the picture directory. A file already there may be the
// picture of other cards: it is never replaced by different bytes. The new picture takes a
// free name made from its own (photo.jpg, then photo-2.jpg, photo-3.jpg...), and a file that
// already holds the very same bytes is used as it is.

#include <optional>
#include <string>
#include <string_view>

struct PlaceImage {
    std::string nom;     // what the card stores: a backslash and the file name
    std::string chemin;  // the file in the picture directory
    bool copier = true;  // false when that file already holds the picture's bytes
};

// nom is the name the picture would take ("\photo.jpg"), one whose path fits. Nothing when
// no free name fits the path limits among the first few thousand tried. A source that is not
// a readable regular file keeps its own name: copying it fails before any destination is
// touched.
std::optional<PlaceImage> placeImage(std::string_view repertoire, const std::string& source,
                                     const std::string& nom);

// The n-th name made from nom: "\photo.jpg", 2 -> "\photo-2.jpg"; the part before the
// extension is shortened (never inside a UTF-8 character) so that the name takes at most
// longueurMax bytes. Empty when even a one-byte stem would not fit.
std::string nomVariante(std::string_view nom, unsigned n, std::size_t longueurMax);

// True when both paths name regular files of the same bytes (or one file twice).
bool memesOctets(const std::string& a, const std::string& b);
