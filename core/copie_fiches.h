#pragma once
// "copier les fiches choisies dans une autre base…": the chosen cards go to the end of another
// base file (created when it does not exist), numbered as appending numbers them (by their
// index in that base), with their pictures filed into that base's picture directory as a
// validation files one (a different picture of the same name takes a name of its own, the very
// same bytes are not copied twice). That file is written crash-safely, keeping the version it
// replaces as a save keeps one. The open base and its table are not touched.

#include <cstdint>
#include <string>
#include <vector>

class MagasinFiches;

// Told when the target is the open base itself.
inline constexpr char kCopieDansLaBaseOuverte[] =
    "Les fiches choisies sont déjà dans la base ouverte %s : choisissez une autre base.";

// Returns the count of cards copied; 0 after telling the user why nothing was (the target the
// open base, a target that cannot be read or written). Pictures that cannot be copied are told
// and their cards are copied without them.
std::size_t copierFichesVers(MagasinFiches& store, const std::vector<uint32_t>& choisies,
                             const std::string& cible);
