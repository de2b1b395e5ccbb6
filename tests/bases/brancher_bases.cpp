#include "bases/controleur_base.h"
#include "tests/support/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurBase(fenetre, fenetre.store(), plateforme);
}
