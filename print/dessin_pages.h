#pragma once
// Drawing a run of cards as one printer document: heading, then for each card its number,
// title, picture and description, and the page number at the foot of every page. Qt Gui only:
// the converter draws the same pages without any widget.

#include <QString>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/fiche.h"
#include "core/table_fiches.h"
#include "platform/imprimante.h"

struct ResultatImpression {
    enum Etat { Imprimee, Annulee, Echouee };
    Etat etat = Imprimee;
    QString raison;  // French, when the printer could not take or finish the document
};

// Told, before the first card and after each, how many of the total cards are done; answers
// false to stop the run.
using SuiviPages = std::function<bool(int faites, int total)>;

// Draws table[0..dernier] (dernier -1: the heading and the closing footer alone). entete
// empty: no heading, the first card goes on line 0. cheminBase is the base file's path; the
// pictures are looked for in the picture directory beside it. Pictures that are missing or
// cannot be decoded leave their rectangle empty. Nothing stays half-printed when the job
// fails or is stopped by suivi (Annulee).
ResultatImpression dessinerFiches(Imprimante& imprimante, VueFiches table, int dernier,
                                  const QString& entete, const std::string& cheminBase,
                                  const SuiviPages& suivi = {});

// One printout within a document: a run of cards under its heading, as dessinerFiches draws it.
struct Tirage {
    VueFiches table;
    int dernier;
    QString entete;
};

// Several printouts as one document (one print job): each starts on a new page and is laid
// out as dessinerFiches lays it out alone; the page numbers run on through the document.
ResultatImpression dessinerTirages(Imprimante& imprimante, std::span<const Tirage> tirages,
                                   const std::string& cheminBase, const SuiviPages& suivi = {});

// The file a card's stored picture name ("\name", file-system bytes) stands for in the picture
// directory beside the base, or an empty text when the name means no picture or could lead
// outside that directory.
std::string cheminImageImprimee(const std::string& cheminBase, std::string_view image);

// Description rows as printed: control characters become spaces, 70 characters a row, at
// most 8 rows, empty rows left out. Windows-1252 bytes, as stored.
std::vector<std::string> lignesDescription(std::string_view description);
