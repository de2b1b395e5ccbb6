#pragma once
// The earlier versions a base keeps in X.sauvegardes/, and reading them, or any other base
// file, beside the open base for comparison.
//
// Nothing here writes: no file, no attribute, no folder is created or changed, neither in
// X.sauvegardes/ nor in another file's folder. (Opening a base as the open base does would
// clear its read-only attribute; these files are only read.)

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/etapes.h"
#include "core/table_fiches.h"

class MagasinFiches;

struct VersionBase {
    std::string chemin;
    // When the version's content was saved, local time, from its name (for names written
    // before, the time of the save that replaced it).
    std::tm quand{};
    // Whole cards, from the file's size.
    std::size_t fiches = 0;
    // French, why the version cannot be read ("elle est tronquée…"); empty when it can.
    std::string raison;
    bool lisible() const { return raison.empty(); }
};

// The kept versions of the base at cheminBase, newest first. Only their status is asked for:
// listing a folder of large versions is immediate.
std::vector<VersionBase> versionsBase(const std::string& cheminBase);

// Why the file at chemin cannot be read as a base, or empty when it can; fiches receives its
// whole cards. A base is a regular file whose size is a whole number of 1028-byte cards.
std::string raisonIlisible(const std::string& chemin, std::size_t& fiches);

// A base file read whole, apart from the open base.
struct BaseLue {
    TableFiches fiches;  // nombre cards, and one slot more
    std::size_t nombre = 0;
    std::string chemin;  // the file read
};

// Reads the base at chemin into lue; empty when done, otherwise the French reason (the reasons
// of raisonIlisible, a read error, "mémoire insuffisante", "lecture interrompue"). progression,
// when given, is called as the bytes come in (read so far, total) and stops the reading by
// returning false.
std::string lireBase(const std::string& chemin, BaseLue& lue,
                     const std::function<bool(uint64_t, uint64_t)>& progression = {});

// "revenir à cette version": the cards read become the open table, first card current, marked
// modified. The pictures the version keeps of its own (replaced in the base's directory since)
// are filed as recovered pictures are, so that its cards show them. The base stays bound to its own file (path, lock, picture directory untouched), so
// that the next save makes the version the base and keeps the table it replaces as a version.
// Returns the step that undoes it (the cards it replaced or cut, no more), for the caller to
// note; nothing when that step would not be gardable by store.historique, which the caller
// then tells with Historique::noterSansEtape.
std::unique_ptr<Etape> revenirA(MagasinFiches& store, BaseLue&& version);
// The octetsAuPlus of that step, for asking before it runs (Historique::gardable).
std::size_t octetsRevenirA(const MagasinFiches& store, const BaseLue& version);
