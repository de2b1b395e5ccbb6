#pragma once
// The changes of the open base's cards as steps that can be undone and redone.
//
// A step keeps only what its change made: the card added, both states of a modified card, the
// deleted card, the order a sort applied (4 bytes a card), the count of cards an append or an
// import put at the end. The cards an undone append removed are kept in the step, for redo,
// only while it stays undone.
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
    kSuppressionFiches, // the cards chosen on the board, deleted at once
};

class Etape {
public:
    virtual ~Etape() = default;
    virtual void annuler(MagasinFiches& store) = 0;
    virtual void refaire(MagasinFiches& store) = 0;
    // Memory the step holds, the step itself included; it changes when an undo keeps cards.
    virtual std::size_t octets() const = 0;

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
