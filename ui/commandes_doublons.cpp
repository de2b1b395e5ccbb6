// The commands of the "édition" menu that keep a collection clean: starting a new card from
// the one on display, and listing the cards entered twice.

#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "core/doublons.h"
#include "core/texte_nombre.h"
#include "core/textes.h"
#include "ui/liste_fiches.h"
#include "ui/tform1.h"

namespace {
// "3 groupes de doublons, 7 fiches"; a group holds two cards or more.
std::string bilanDoublons(const Doublons& d) {
    if (d.nombreGroupes() == 0) return textes::kAucunDoublon;
    const std::size_t groupes = d.nombreGroupes();
    return std::to_string(groupes) + (groupes == 1 ? " groupe" : " groupes") + " de doublons, " +
           std::to_string(d.fiches.size()) + " fiches";
}
}  // namespace

bool TForm1::horsSaisie() {
    if (!enSaisie()) return true;
    plateforme_.message(textes::kTerminerSaisie);
    return false;
}

void TForm1::dupliquerlafiche1Click() {
    // As "Modifier": only a card on display, and a base without cards has none.
    if (!horsSaisie() || store_.derniere < 0 || !ficheSelectionnee()) return;
    // The boxes and the frame from the stored card, whatever they showed.
    afficherFiche();
    // The copy names the same file: validating finds it already in the picture directory
    // and copies nothing.
    reprendreImage();
    // From here on the copy is a card being added: "Valider" appends it, "Annuler" drops it.
    store_.ajoutEnCours = 1;
    numero()->setText(QString::fromStdString(enDecimal(store_.numeroLibre(0, -1))));
    verrouiller();
}

void TForm1::rechercherlesdoublons1Click() {
    // As "trouver", which edit mode shuts: the list stays as it is until the edit ends.
    if (!horsSaisie()) return;
    const int reponse = plateforme_.question(textes::kExigerDescriptions, Boutons::OuiNonAnnuler);
    if (reponse != kOui && reponse != kNon) return;
    const bool avecDescription = reponse == kOui;
    const Doublons trouves = chercherDoublons(store_, avecDescription);
    // Shown as a search shows its matches: the card area blank until a line is picked, and
    // "Imprimer la liste" and the exports taking the copies.
    viderAffichage();
    doublonsEnResultats(store_, trouves, avecDescription);
    // No text was searched: picking a line highlights nothing.
    derniereRecherche_.clear();
    medialist()->montrer(store_.resultats, store_.dernierResultat + 1);
    affichageVide_ = true;
    plateforme_.message(bilanDoublons(trouves));
}
