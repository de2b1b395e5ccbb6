// Filling the list box with the whole card table.

#include "ui/liste_fiches.h"
#include "ui/tform1.h"

void TForm1::remplirListe() {
    // The lines are built when the list draws them, from the table as it then stands.
    medialist_->montrer(store_.fiches, store_.derniere + 1);
    store_.listeResultats = false;
}
