#include "app/assemblage.h"
#include "tests/ui/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    brancherCommandes(fenetre, plateforme);
}
