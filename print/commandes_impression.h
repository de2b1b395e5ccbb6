#pragma once
// The two print commands of the main window: the list (whole base or search results) and the
// current card.

#include <QString>

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
