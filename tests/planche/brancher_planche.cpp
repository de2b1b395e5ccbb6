#include "planche/controleur_planche.h"
#include "tests/support/fenetre_commune.h"
#include "ui/vue_planche.h"

// The board alone over the view, as the program connects it.
void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurPlanche(vuePlanche(fenetre, plateforme), fenetre.commande("planchedesimages1"),
                          fenetre.store().planche, plateforme);
}
