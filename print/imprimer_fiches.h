#pragma once
// Printing a run of cards as one printer document: heading, then for each card its number,
// title, picture and description, and the page number at the foot of every page.

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/fiche.h"
#include "platform/imprimante.h"

class QProgressDialog;
class QWidget;

struct ResultatImpression {
    enum Etat { Imprimee, Annulee, Echouee };
    Etat etat = Imprimee;
    QString raison;  // French, when the printer could not take or finish the document
};

// Runs longer than this show a progress dialog whose "Annuler" drops the document.
constexpr int kFichesSansProgression = 40;

// The progress dialog of a run of nombre cards, already showing 0, window-modal over fenetre
// (application-modal without one). None for a run of at most kFichesSansProgression cards, nor
// in a program without widgets (a converter run from a script), where a dialog would abort it.
std::unique_ptr<QProgressDialog> dialogueProgression(const QString& texte, int nombre,
                                                     QWidget* fenetre);

// Prints table[0..dernier] (dernier -1: the heading and the closing footer alone). entete
// empty: no heading, the first card goes on line 0. cheminBase is the base file's path; the
// pictures are looked for in the picture directory beside it. Pictures that are missing or
// cannot be decoded leave their rectangle empty. Nothing stays half-printed when the job
// fails or is cancelled.
ResultatImpression imprimerFiches(Imprimante& imprimante, const Fiche* table, int dernier,
                                  const QString& entete, const std::string& cheminBase,
                                  QWidget* fenetre = nullptr);

// The file a card's stored picture name ("\name", file-system bytes) stands for in the picture
// directory beside the base, or an empty text when the name means no picture or could lead
// outside that directory.
std::string cheminImageImprimee(const std::string& cheminBase, std::string_view image);

// Description rows as printed: control characters become spaces, 70 characters a row, at
// most 8 rows, empty rows left out. Windows-1252 bytes, as stored.
std::vector<std::string> lignesDescription(std::string_view description);
