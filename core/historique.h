#pragma once
// The history of the open base's changes: the steps done, which can be undone in turn, and the
// steps undone, which can be redone until a new change cuts them off.
//
// Why not Qt's QUndoStack: its only limit is a count of commands, settable only while it is
// empty, and a step here can weigh anything from 1 KB to a gigabyte (the cards of an undone
// append), so the history must be trimmed by bytes; and the core, which owns the reversible
// operations and is tested without Qt, would lose its history to the layer above. What is
// needed besides the steps themselves is a list, a position and a saved position.
//
// The modified flag follows the history: back at the state last read or saved, the base is
// unmodified; anywhere else it is modified. Once the saved state has left the history (its
// steps dropped for room, or cut off by a new change after undos), no position is clean again
// until the next save.
//
// Use (the window, in browse mode):
//   new change made by the window:  historique.noter(etapeAjout(store), store);
//   change made here:               historique.noter(supprimer(store), store);
//   Ctrl+Z / Ctrl+Maj+Z:            historique.annuler(store) / historique.retablir(store),
//                                   then refresh the whole list and show fiches[courante];
//   menu captions:                  libelleAnnuler() / libelleRetablir();
//   after a save:                   historique.marquerEnregistre(store);
//   after open, new base, import of the sibling format:
//                                   historique.recommencer(store).
//   before a change of many cards:  accepterSansAnnulation(historique, messages, octets), below.

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "core/etapes.h"

class MagasinFiches;
class Messages;

class Historique {
public:
    static constexpr const char* kPlusRienAAnnuler = "annuler (plus rien ne peut être annulé)";
    static constexpr std::size_t kEtapesMax = 100;
    static constexpr std::size_t kOctetsMax = std::size_t(256) << 20;

    explicit Historique(std::size_t etapesMax = kEtapesMax, std::size_t octetsMax = kOctetsMax)
        : etapesMax_(etapesMax), octetsMax_(octetsMax) {}

    // Records a change already made to the table (a null step is ignored): the steps undone
    // are dropped, the oldest ones too when past the limits, and the base is marked modified.
    // A step that memory cannot hold, or that is not gardable, empties the history rather than
    // leave it describing another table: the change stays, marked modified, and nothing before
    // it can be undone.
    void noter(std::unique_ptr<Etape> etape, MagasinFiches& store);
    // Whether a step holding at most octets (Etape::octetsAuPlus) can be kept: one past the room
    // would have to be dropped as soon as it holds its cards, the first time it is undone. Asked
    // before a large change runs, so that the user is told first that it cannot be undone.
    bool gardable(std::size_t octets) const { return octets <= octetsMax_; }
    // Records a change made without a step (one too large to be kept): as noter does with a
    // step it cannot hold.
    void noterSansEtape(MagasinFiches& store);
    // Undo and redo the step at the position; false when there is none. A step refused because
    // the table no longer has the size it left (changed behind the history's back) clears the
    // history and returns false. std::bad_alloc leaves table and history as they were.
    bool annuler(MagasinFiches& store);
    bool retablir(MagasinFiches& store);

    const Etape* aAnnuler() const { return position_ > 0 ? etapes_[position_ - 1].get() : nullptr; }
    const Etape* aRetablir() const { return position_ < etapes_.size() ? etapes_[position_].get() : nullptr; }
    // "annuler la suppression de la fiche 12 « … »", or the bare "annuler" with nothing to
    // undo; the same with "rétablir". UTF-8; a menu must still escape its mnemonic marker.
    // With nothing left to undo because the oldest steps were dropped for room, the caption
    // says so: kPlusRienAAnnuler.
    std::string libelleAnnuler() const;
    std::string libelleRetablir() const;

    // The current state is the one written to the base file.
    void marquerEnregistre(MagasinFiches& store);
    // A new table was loaded: no step, and the current state is clean unless store.modifiee.
    void recommencer(MagasinFiches& store);

    bool modifie() const { return !enregistree_ || *enregistree_ != position_; }
    // True once steps were dropped for room: undoing the last one left reaches no further.
    bool etapesOubliees() const { return oubliees_; }
    std::size_t nombre() const { return etapes_.size(); }
    std::size_t position() const { return position_; }
    std::size_t octets() const;

private:
    // Drops steps past the limits, never the one at index garde (the step just noted, undone
    // or redone).
    void elaguer(std::size_t garde);
    void suivre(MagasinFiches& store) const;
    std::size_t etapesMax_;
    std::size_t octetsMax_;
    std::deque<std::unique_ptr<Etape>> etapes_;
    // etapes_[0..position_) are done; state k is the table after the first k steps.
    std::size_t position_ = 0;
    std::optional<std::size_t> enregistree_ = 0;  // the state the base file holds, if reachable
    bool oubliees_ = false;
};

// Before a change whose step would hold at most octets: when the history could not keep it,
// tells the user that the change will not be undoable and asks whether to go on. True to go on,
// at once when the step can be kept.
bool accepterSansAnnulation(const Historique& historique, Messages& messages, std::size_t octets);
