#pragma once
// Deterministic bases that look like the ones people keep: French titles in Windows-1252 with
// accents and repeats, descriptions of 0 to 511 bytes broken by CR LF, a few negative and
// repeated numbers, a picture on about three cards in ten, and the leftovers of older texts
// after the zero of each field. The same seed gives the same bytes on every machine and
// library, because only our own integer arithmetic draws the numbers.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/fiche.h"
#include "core/table_fiches.h"

namespace generateur {

// splitmix64: tiny, fast, and fully specified, unlike std:: distributions.
class Alea {
public:
    explicit Alea(uint64_t graine) : etat_(graine) {}
    uint64_t suivant() {
        uint64_t z = (etat_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < borne (borne > 0). The modulo bias is negligible for these small ranges
    // and, unlike rejection, keeps the number of draws fixed.
    uint32_t sous(uint32_t borne) { return static_cast<uint32_t>(suivant() % borne); }
    // True with probability pourMille / 1000.
    bool chance(uint32_t pourMille) { return sous(1000) < pourMille; }

private:
    uint64_t etat_;
};

// Fills dest[0..n) with the cards of index premier .. premier + n - 1 of the base of this
// seed. Each card depends only on (graine, index), so a base can be produced in pieces.
void genererFiches(Fiche* dest, std::size_t n, uint64_t graine, std::size_t premier = 0);

// Writes a generated base of n cards to chemin (replacing it; no fsync: it is bench input).
// Returns the digest of the bytes written (see empreinteFiches). Throws std::runtime_error.
uint64_t ecrireBaseGeneree(const std::string& chemin, std::size_t n, uint64_t graine);

// A 64-bit digest of whole cards, chained from etat; the same bytes give the same value
// however they are cut into calls. Not cryptographic: it catches a byte changed or moved.
const uint64_t kEmpreinteInitiale = 0x6A09E667F3BCC908ull;
uint64_t empreinteFiches(const Fiche* fiches, std::size_t n, uint64_t etat = kEmpreinteInitiale);
// The same for the first n cards of a table, in the table's order.
inline uint64_t empreinteTable(const TableFiches& table, std::size_t n) {
    uint64_t h = kEmpreinteInitiale;
    for (std::size_t i = 0; i < n; ++i) h = empreinteFiches(&table[i], 1, h);
    return h;
}

// Digest of a file's whole cards (a trailing partial record is ignored, as readers do).
// Throws std::runtime_error when the file cannot be read.
uint64_t empreinteFichier(const std::string& chemin);

}  // namespace generateur
