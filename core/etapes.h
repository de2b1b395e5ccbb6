#pragma once
// The changes of the open base's cards as steps that can be undone and redone.
//
// A step keeps only what its change made: the card added, both states of a modified card, the
// deleted card's slot, the order a sort applied (4 bytes a card), the count of cards an append
// or an import put at the end; a change of whole cards (recovery, going back to a version) the
// cards it replaced. The slots of the cards an undone append removed are kept in the step, for
// redo, only while it stays undone, and the cards a change cut from the end only while it stays
// done.
//
// Undoing or redoing a step leaves courante on the card it touched, or on its place when that
// card is gone (the card now at that index, or the last card): an added card's undo shows the
// last card, a deletion's undo the card brought back, a sort's undo the card that was current
// before the sort (the sort kept the current card), an append's undo the last card left.
//
// Every step is all or nothing: what it needs is obtained before the table changes, so a
// failure (std::bad_alloc) leaves the table as it was.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/fiche.h"
#include "core/table_fiches.h"

class MagasinFiches;

enum class GenreEtape {
    kAjout,             // Valider after Ajouter
    kModification,      // Valider after Modifier, picture included
    kSuppression,
    kTriAlphabetique,
    kTriNumerique,
    kAjoutFiches,       // "Ajouter des fiches"
    kImportCsv,         // "importer un tableau CSV…"
    kRecuperation,      // cards taken from an earlier version or another base file
    kRetourVersion,     // "revenir à cette version"
    kSuppressionFiches, // the cards chosen on the board, deleted at once
};

class Etape {
public:
    virtual ~Etape() = default;
    virtual void annuler(MagasinFiches& store) = 0;
    virtual void refaire(MagasinFiches& store) = 0;
    // Memory the step holds, the step itself included; it changes when an undo keeps cards.
    virtual std::size_t octets() const = 0;
    // The most octets() will ever be, done or undone: what Historique::gardable is asked.
    virtual std::size_t octetsAuPlus() const { return octets(); }

    GenreEtape genre() const { return genre_; }
    // What the step did, for the menu's "annuler …" and "rétablir …": UTF-8, card titles
    // converted from Windows-1252, line breaks as blanks. "la suppression de la fiche 12
    // « Château de Chambord »", "le tri alphabétique", "l'ajout de 230 fiches".
    const std::string& description() const { return description_; }
    // Cards the table holds before and after the step: an undo or redo is refused on a table
    // of another size, which means the table was changed behind the history's back.
    std::size_t fichesAvant() const { return avant_; }
    std::size_t fichesApres() const { return apres_; }

protected:
    Etape(GenreEtape genre, std::string description, std::size_t avant, std::size_t apres)
        : genre_(genre), description_(std::move(description)), avant_(avant), apres_(apres) {}

private:
    GenreEtape genre_;
    std::string description_;
    std::size_t avant_;
    std::size_t apres_;
};

// --- Steps of changes the window has just made --------------------------------------------

// The card Valider after Ajouter has just put at the end of the table.
std::unique_ptr<Etape> etapeAjout(const MagasinFiches& store);
// The card at index after Valider after Modifier; avant is the card as it was before.
std::unique_ptr<Etape> etapeModification(const MagasinFiches& store, int32_t index, const Fiche& avant);
// The cards "Ajouter des fiches" (kAjoutFiches) or the CSV import (kImportCsv) have just put at
// the end of a table that held premiere cards.
std::unique_ptr<Etape> etapeAjoutFiches(const MagasinFiches& store, std::size_t premiere, GenreEtape genre);

// A change of whole cards, already made to a table that held avant cards: the cards it replaced
// in place (as they were before), and when the table shrank, the cards cut from its end as they
// were. Undo leaves courante on the place annulee, redo on the place refaite.
struct FicheRemplacee {
    std::size_t index;
    Fiche avant;
};
std::unique_ptr<Etape> etapeFiches(const MagasinFiches& store, GenreEtape genre, std::string description,
                                   std::size_t avant, std::vector<FicheRemplacee> remplacees,
                                   std::vector<Fiche> retirees, std::size_t annulee, std::size_t refaite);
// The octetsAuPlus of such a step, known before the change runs: remplacees cards replaced, and
// ecart cards appended or cut (kept in the step while out of the table).
std::size_t octetsEtapeFiches(std::size_t remplacees, std::size_t ecart);

// --- Changes made here, returning their step ------------------------------------------------

// Deletes the current card as supprimerFiche does. Nothing (no step) on a base without cards.
std::unique_ptr<Etape> supprimer(MagasinFiches& store);
// Sorts as triAlphabetique (kTriAlphabetique) or triNumerique (kTriNumerique) do.
std::unique_ptr<Etape> trier(MagasinFiches& store, GenreEtape tri);

// --- Shared by the steps -------------------------------------------------------------------

// "la fiche 12 « Château de Chambord »" (UTF-8), "la fiche 12" for a card without title; a
// title past kTitreDecrit characters is cut there and ends with "…".
inline constexpr std::size_t kTitreDecrit = 60;
std::string ficheDecrite(const Fiche& fiche);
// "de 230 fiches", "d'une fiche", "de 0 fiche".
std::string deFiches(std::size_t n);
// The index courante takes for a card that was at index and may be gone: the card now there,
// or the last one, or 0 on a base without cards.
int32_t placeDe(const MagasinFiches& store, std::size_t index);
// Cuts the table to its first n cards (a base without cards keeps one blank slot).
void garderPremieres(MagasinFiches& store, std::size_t n);
// Sizes the table as redimensionner does; one more place takes a slot a deleted card left free.
void agrandir(TableFiches& table, std::size_t places);
// Undoing and redoing cards put at the end: the cards of places avant..apres leave the order,
// their slots kept aside with the cards in them; then they come back at the same places.
FichesRetenues retenirDernieres(MagasinFiches& store, std::size_t avant, std::size_t apres);
void remettreDernieres(MagasinFiches& store, std::size_t avant, std::size_t apres, FichesRetenues& retenues);
