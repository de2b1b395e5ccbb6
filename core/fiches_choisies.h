#pragma once
// Operations on a set of cards the user has chosen (on the board of pictures), named by their
// indices in the card table: deleting them as one step, and taking them out in the order given.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/etapes.h"
#include "core/fiche.h"
#include "core/table_fiches.h"

class MagasinFiches;

// The chosen indices that name a card of the table, each once, in the order first given.
std::vector<uint32_t> indicesValides(const MagasinFiches& store, const std::vector<uint32_t>& choisies);

// "Supprimer cette fiche ?" for one card, "Supprimer ces 12 fiches ?" for more.
std::string questionSupprimerChoisies(std::size_t n);

// Deletes the chosen cards in one pass (not one deletion after another) and returns the step
// that undoes and redoes it (kSuppressionFiches); nothing when no index names a card. courante
// goes to the place of the first deleted card.
std::unique_ptr<Etape> supprimerChoisies(MagasinFiches& store, const std::vector<uint32_t>& choisies);
// The most that step holds when it deletes `choisies` of `fiches` cards, known before it runs
// (Historique::gardable): the deleted cards stay in memory while it can be undone.
std::size_t octetsSuppressionChoisies(std::size_t fiches, std::size_t choisies);

// The chosen cards (as indicesValides keeps them) seen in place, without copying them: cases
// receives their slots and must outlive the view, which is valid while the table is unchanged.
VueFiches vueChoisies(const MagasinFiches& store, const std::vector<uint32_t>& choisies,
                      std::vector<uint32_t>& cases);

// Copies of the chosen cards, in the order given, for printing and exporting them alone.
std::vector<Fiche> copiesChoisies(const MagasinFiches& store, const std::vector<uint32_t>& choisies);
