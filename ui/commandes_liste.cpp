// The list commands of the window: sorting, the whole list, picking a line, searching.

#include <QLineEdit>

#include "core/cp1252.h"
#include "ui/liste_fiches.h"
#include "core/recherche.h"
#include "core/selection.h"
#include "core/tri.h"
#include "ui/tform1.h"

void TForm1::trialfaClick() {
    triAlphabetique(store_);
    store_.modifiee = 1;
    remplirListe();
    // The card on display moved with the sort; showing it again keeps the display and the
    // card the commands act on the same.
    afficherFiche();
}

void TForm1::trirefClick() {
    triNumerique(store_);
    store_.modifiee = 1;
    remplirListe();
    afficherFiche();
}

void TForm1::listalfaClick() { remplirListe(); }

void TForm1::medialistClick(int ligne) {
    if (ligne < 0) return;
    if (selectionListe(store_, medialist()->texteLigne(ligne).toStdString()) >= 0) afficherFiche();
}

void TForm1::goButtonClick() {
    viderAffichage();
    rechercher(store_, utf8VersCp1252(expression()->text().toStdString()));
    medialist()->montrer(store_.resultats, store_.dernierResultat + 1);
    affichageVide_ = true;
}
