#pragma once
// Printing a run of cards from the window: the drawn pages (print/dessin_pages.h) with the
// progress dialog of long runs.

#include <QString>
#include <string>

#include "core/fiche.h"
#include "core/table_fiches.h"
#include "platform/imprimante.h"
#include "print/dessin_pages.h"
#include "ui/progression.h"

class QWidget;

// Prints table[0..dernier] as dessinerFiches draws it. Runs longer than kFichesSansProgression
// show a progress dialog over fenetre whose "Annuler" drops the document (Annulee).
ResultatImpression imprimerFiches(Imprimante& imprimante, VueFiches table, int dernier,
                                  const QString& entete, const std::string& cheminBase,
                                  QWidget* fenetre = nullptr);
// The same for several printouts in one document (dessinerTirages).
ResultatImpression imprimerTirages(Imprimante& imprimante, std::span<const Tirage> tirages,
                                   const std::string& cheminBase, QWidget* fenetre = nullptr);
