// The list commands of the window: sorting, the whole list, picking a line, searching.

#include <QLineEdit>

#include "core/cp1252.h"
#include "core/etapes.h"
#include "ui/liste_fiches.h"
#include "core/recherche.h"
#include "core/selection.h"
#include "core/tri.h"
#include "ui/tform1.h"

void TForm1::trialfaClick() {
    // The step keeps the order the sort applied, so that it can be undone.
    store_.historique.noter(trier(store_, GenreEtape::kTriAlphabetique), store_);
    store_.modifiee = true;
    // The card on display moved with the sort; showing it again keeps the display and the
    // card the commands act on the same. "Sauver base" stays as it was.
    montrerBase(kSansActiverSauvegarde);
}

void TForm1::trirefClick() {
    store_.historique.noter(trier(store_, GenreEtape::kTriNumerique), store_);
    store_.modifiee = true;
    montrerBase(kSansActiverSauvegarde);
}

void TForm1::listalfaClick() { remplirListe(); }

void TForm1::medialistClick(int ligne) {
    if (ligne < 0) return;
    if (selectionLigne(store_, static_cast<std::size_t>(ligne), medialist()->texteLigne(ligne).toStdString()) >= 0) {
        afficherFiche();
        if (store_.listeResultats) surlignerCorrespondance();
    }
}

void TForm1::goButtonClick() {
    viderAffichage();
    QString texte = expression()->text();
    if (store_.sansAccents) {
        // Marks a card cannot hold but a keyboard or a word processor may give, folded with
        // their kin: the reversed apostrophe and the narrow no-break space.
        texte.replace(QChar(0x201B), QChar(0x2018)).replace(QChar(0x202F), QChar(0x00A0));
    }
    derniereRecherche_ = utf8VersCp1252(texte.toStdString());
    rechercher(store_, derniereRecherche_, store_.sansAccents);
    medialist()->montrer(store_.resultats, store_.dernierResultat + 1);
    affichageVide_ = true;
}

void TForm1::rechercheSansAccents1Click(bool coche) {
    if (store_.sansAccents == coche) return;  // shown as brevandoux.ini said: not a choice
    store_.sansAccents = coche;
    store_.choixAccents = true;
}
