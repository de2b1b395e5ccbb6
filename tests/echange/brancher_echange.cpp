#include "echange/controleur_echange.h"
#include "tests/support/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurEchange(fenetre, fenetre.store(), plateforme);
}
