#pragma once
// The print commands of the main window: the list (whole base or search results), the current
// card and the cards chosen on the board. With "aperçu avant impression" checked, each shows
// its pages in the preview window first.

#include <QString>
#include <cstdint>
#include <vector>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"

class QWidget;

// "Imprimer la liste": the search results under "recherche pour l'expression " + expression
// while the list shows them, else the whole base under its path. A printer that is missing
// or refuses the job is reported through plateforme.erreur.
void imprimerListe(Plateforme& plateforme, MagasinFiches& store, const QString& expression,
                   QWidget* fenetre = nullptr);

// "Imprimer la fiche": the current card as stored, under "Fiche N°<courante> "; when the title
// box is empty, "pas de fiche sélectionnée" and nothing is printed.
void imprimerFiche(Plateforme& plateforme, MagasinFiches& store, const QString& texteTitre,
                   QWidget* fenetre = nullptr);

// "Fiche N°12 ": the heading of a card printed alone, index its place in the table.
QString enteteFiche(int32_t index);

// "imprimer les fiches choisies": each card at the chosen indices printed as "Imprimer la
// fiche" prints one (its own heading, starting its own page), in the order given, in one
// document. No index naming a card: "pas de fiche sélectionnée", nothing printed.
void imprimerChoisies(Plateforme& plateforme, MagasinFiches& store, const std::vector<uint32_t>& choisies,
                      QWidget* fenetre = nullptr);
