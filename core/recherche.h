#pragma once
// Searching the titles and descriptions of the base.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/fiche.h"

class MagasinFiches;

// Lower-cases a zero-terminated text in place: 'A' to 'Z' only; accented capitals stay.
void enMinuscules(char* texte);

// Finds every card whose description or title contains the expression, capital and small
// unaccented letters taken as equal (the expression is used as typed, spaces included, up to
// a zero byte if it holds one). Each card is listed once, in table order, whichever of its
// texts matched; an empty expression finds nothing.
//
// Fills resultats with copies of the matching cards in slots 0..dernierResultat, which is -1
// when nothing matched (the slot after the last copy is a blank card, never a stale one), and
// sets listeResultats. The card table, courante and modifiee are left alone. Returns the
// number of matches.
int32_t rechercher(MagasinFiches& store, const std::string& expression);

// The same with the option that ignores accents, ligatures and typographic marks: both the
// expression and the cards' texts are compared folded (see core/pli_accents.h), so "ete" finds "Été",
// "oeuvre" finds "Œuvre" and "l'ete" finds "l’été". Without it, exactly the search above.
int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents);

// Where the first match of a search lies in a card: in the description if it holds one, else
// in the title; debut and fin are byte offsets in that field, fin after the last byte that
// takes part in the match (a ligature matched by half is taken whole).
struct Correspondance {
    enum Champ { aucun, description, titre } champ = aucun;
    int32_t debut = 0;
    int32_t fin = 0;
};
Correspondance premiereCorrespondance(const Fiche& f, const std::string& expression, bool sansAccents);

// The scans the search can use: byte by byte, or 16 or 32 starts at a time with SSE2 or AVX2.
// rechercher takes the fastest the processor has; the others are there so that tests and
// measurements can run each one.
enum class Balayage { meilleur, octets, sse2, avx2 };
bool balayageDisponible(Balayage choix);
// rechercher with the given scan; finds nothing when the processor lacks it. Each scan has its
// version for the search that ignores accents.
int32_t rechercher(MagasinFiches& store, const std::string& expression, Balayage choix);
int32_t rechercher(MagasinFiches& store, const std::string& expression, bool sansAccents, Balayage choix);
