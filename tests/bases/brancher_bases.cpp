#include "bases/controleur_base.h"
#include "tests/ui/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurBase(fenetre, fenetre.store(), plateforme);
}
