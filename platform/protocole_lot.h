#pragma once
// The sizes of the batch mode's messages (image/lot.h describes the mode), shared by the
// picture programs and the window's side.

#include <cstddef>
#include <string>

// A request: the format padded with zeros to 8 bytes, then the side of the box (32 bits).
constexpr std::size_t kTailleDemandeLot = 12;
// The largest side of a thumbnail box.
constexpr int kCoteLotMax = 1024;
// Texts of a PNG kept in an answer, at most.
constexpr std::size_t kTextesLotMax = 65536;
// The largest answer: the pixels of a full box, the texts, the numbers before them.
constexpr std::size_t kTailleReponseLotMax =
    static_cast<std::size_t>(kCoteLotMax) * kCoteLotMax * 4 + kTextesLotMax + 64;
// The exit code of a program that could not shut itself in: no picture is to blame.
constexpr int kSortieLotNonConfine = 3;

// A metafile ends the program once answered: libemf2svg shuts fontconfig down after each
// picture, which the fonts of the next one would not survive.
inline bool finitLeLot(const std::string& format) { return format == "wmf" || format == "emf"; }
