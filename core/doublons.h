#pragma once
// Finding the cards entered twice: cards whose titles are the same once compared as the search
// that ignores accents compares them, with their spaces set aside (see plierSansEspaces in
// core/pli_accents.h): "L’Été  " and "l'ete" are one title, "Œuvre" and "oeuvre" too.
//
// A card without a title (empty, or spaces only) is in no group: blank titles are cards not
// yet named, not one card entered twice. With avecDescription the descriptions must be the
// same too, compared the same way (line breaks are spaces there, so a description that only
// differs by a trailing line break or by where its lines break is the same).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/fiche.h"
#include "core/table_fiches.h"

class MagasinFiches;

struct Doublons {
    // Indices of cards in the table: the cards of one group together in table order, the
    // groups in the order of their first card. Only groups of two cards or more.
    std::vector<uint32_t> fiches;
    // Where each group starts in fiches, then one more entry, fiches.size(): group g is
    // fiches[debuts[g]] up to fiches[debuts[g + 1]] excluded.
    std::vector<uint32_t> debuts{0};

    std::size_t nombreGroupes() const { return debuts.size() - 1; }
};

// The groups among the cards of the base (fiches[0..derniere]). Changes nothing.
Doublons chercherDoublons(const MagasinFiches& store, bool avecDescription);

// Puts copies of the cards found into the search result table, as a search leaves its
// matches: resultats[0..dernierResultat] in the order of d.fiches, a blank card after them,
// dernierResultat -1 when there are none, listeResultats set, and indexResultats naming the card
// each result copies. The card table is left alone.
// sorteResultats says whether the descriptions were compared too.
void doublonsEnResultats(MagasinFiches& store, const Doublons& d, bool avecDescription);
Doublons chercherDoublons(VueFiches fiches, std::size_t nombre, bool avecDescription);

// The same with the hash of the compared texts given: cards are grouped by a hash of their
// folded title, then checked to have the same folded texts. Tests pass a poor hash to see that
// cards sharing a hash but not their texts stay apart.
using HachageTexte = uint64_t (*)(std::string_view);
Doublons chercherDoublons(VueFiches fiches, std::size_t nombre, bool avecDescription, HachageTexte hacher);
