#include "app/assemblage.h"
#include "tests/support/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    brancherCommandes(fenetre, plateforme);
}
