#pragma once
// The common part of turning a table cell into a card field, at memory speed: the bytes a
// field takes as they are (ASCII but the zero byte, and a line feed only right after a
// carriage return, or as CR LF where the rules say so) and, when latin is set, the UTF-8
// characters Windows-1252 has, as their one byte (the letters U+00A0..U+00FF sixteen or more
// at a time), or when octetsHauts is, every byte from 0x80 on. Everything else is left to the
// caller's byte-by-byte conversion, which also refuses.

#include <cstddef>
#include <vector>

// What a copy takes besides plain bytes, and the bytes it stops at besides those it never
// takes: a reader that finds a cell's end while copying it stops at the bytes that may end it.
struct ReglesCopie {
    bool latin = false;          // UTF-8 characters, as their Windows-1252 byte
    // Bytes 0x80..0xFF as they are, for a text already in Windows-1252; never with latin.
    bool octetsHauts = false;
    char arrets[3] = {0, 0, 0};  // a zero byte adds no stop: it is never taken
    // A line feed without its carriage return, as a description takes it: both. Spreadsheet
    // programs break lines inside a cell that way, several times in a description.
    bool retourAvantSaut = false;
};

struct CopieChamp {
    const unsigned char* p;  // the first byte not taken
    std::size_t n;           // bytes now in the field
    std::size_t haut;        // bytes of the field written, garbage past n included
};

// Takes bytes from p (debut being the cell's first byte, fin the byte after its last) while
// the field has room for 16 more, and stops at the first byte it does not take. The bytes
// from fin up to lisible may be read but are not taken. Field bytes from n up to haut may be
// overwritten with garbage, never past capacite: the caller clears them once the field is done.
using CopieurChamp = CopieChamp (*)(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                                    const unsigned char* lisible, char* champ, std::size_t n, std::size_t capacite,
                                    const ReglesCopie& regles);
// The fastest version this processor runs, chosen once at start-up: it is called for every
// cell of a table.
extern const CopieurChamp copierChamp;
// Every version this processor runs, the fastest first.
std::vector<CopieurChamp> copieursChamp();

// The same, a byte at a time: the reference, and what runs where the vector one cannot.
CopieChamp copierChampOctets(const unsigned char* debut, const unsigned char* p, const unsigned char* fin,
                             char* champ, std::size_t n, std::size_t capacite, const ReglesCopie& regles);
