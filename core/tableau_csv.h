#pragma once
// Cards as a CSV table (RFC 4180) that spreadsheet programs open and write.
//
// Written: UTF-8 with a byte-order mark, comma separator, CR LF between records, the header
// numero,titre,description,image; the number in signed decimal as the number box shows it;
// the texts converted from Windows-1252; a description keeps its CR LF inside quotes; the
// picture name without its leading backslash.
//
// Cells a spreadsheet would run as a formula (a text starting with = + - @, a tab or a CR)
// are written behind one apostrophe, the mark spreadsheets themselves use for "this is text".
// So that the round trip stays exact, a text that already starts with apostrophes followed
// by such a character gets one more, and the reader takes off exactly one apostrophe from a
// cell made of one or more apostrophes followed by such a character; every other cell is read
// as it is. The number column is never marked: it only ever holds an integer such as -5,
// which a spreadsheet reads as a number and cannot run, and the reader reads it as one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/fiche.h"
#include "core/fichier_sur.h"
#include "core/table_fiches.h"

// The first bytes of every table written: the byte-order mark and the header row.
std::string_view debutCsv();
// The whole table of cards [0..dernier] (dernier -1: the header alone).
std::string tableauCsv(VueFiches table, int32_t dernier);
// Writes that table to chemin crash-safely, building it a block at a time.
ResultatEcriture ecrireTableauCsv(const std::string& chemin, VueFiches table, int32_t dernier,
                                  const AppelsSysteme& appels = appelsSysteme());

// A row the reader refused: its number as a spreadsheet shows it (the header row is 1), the
// column (its header name, or its position), and why.
struct RefusCsv {
    std::size_t ligne;
    std::string colonne;
    std::string raison;
};

struct LectureCsv {
    std::size_t lues = 0;               // rows taken, in table[premiere ..]
    std::vector<uint8_t> sansNumero;    // per row: 1 when the number cell was missing or no number
    std::vector<std::size_t> lignes;    // per row: its row number in the file
    std::vector<std::size_t> avecImage; // the cards with a picture, in order
    std::vector<RefusCsv> refus;        // the first refused cells, in file order
    std::size_t nombreRefus = 0;        // all of them
    bool utf8 = true;                   // the encoding the bytes were read in
    char separateur = ',';
};

// How many refusals a reading keeps to report.
inline constexpr std::size_t kRefusGardes = 10;

// A slice of cards read, handed to a sink as soon as it is whole: its cards, and the details of
// its rows as LectureCsv gives them for a whole reading.
struct TrancheCsv {
    std::size_t premiere;                    // the reading's index of the slice's first card
    Fiche* fiches;                           // the slice's cards, in the table read into
    std::size_t nombre;
    std::span<const uint8_t> sansNumero;     // per card
    std::span<const std::size_t> lignes;     // per card
    std::span<const std::size_t> avecImage;  // the reading's indices of the cards with a picture
};

// A few thousand cards: a few megabytes, which stay in the processor's caches.
inline constexpr std::size_t kTrancheCsv = 2048;

// Where a reading hands its cards, a slice at a time. Without a sink (recevoir empty) the table
// is read whole in one go and the details stay in the LectureCsv returned.
struct PuitsCsv {
    std::size_t tailleTranche = kTrancheCsv;
    // true: each slice is read over the previous one, in the same slots (the sink has taken its
    // cards away), so that the table never holds more than one slice; false: each after the
    // previous ones, so that the table ends holding all the cards.
    bool memesPlaces = false;
    // Given each slice while no cell has been refused; the details of the LectureCsv returned
    // are then only those of the rows after the last slice. Returning false stops the reading.
    std::function<bool(const TrancheCsv&)> recevoir;
};

// Reads a CSV table into table[premiere ..] (with a sink, a slice at a time: see PuitsCsv),
// sized to the cards it holds and one blank slot after them, one card per row:
// comma or semicolon (the one the first row uses), UTF-8 with or without a byte-order mark
// or else Windows-1252; a first row naming the columns numero, titre, description, image (any
// case, any order, others ignored), or else the first three columns as number, title and
// description. Rows with no text at all are skipped. The picture cell is stored as a
// backslash followed by the cell's text, as file-system (UTF-8) bytes. A lone LF in a
// description becomes CR LF, the card's line break.
//
// Anything refused (a text over its field, a character Windows-1252 has no code for, a zero
// byte, broken quoting) is counted in refus, and the reading goes on to name the rows after it;
// the slots written are then not to be used. After each field's terminating zero, a card read
// holds zero bytes only.
LectureCsv lireTableauCsv(std::string_view octets, TableFiches& table, std::size_t premiere,
                          const PuitsCsv& puits = {});

// "numero" column reading: optional blanks, an optional sign, decimal digits within 32 bits.
bool lireNumeroCsv(std::string_view cellule, int32_t& numero);

// The one French message that lists the refused rows of a reading of chemin.
std::string messageRefusCsv(const std::string& chemin, const LectureCsv& lecture);
