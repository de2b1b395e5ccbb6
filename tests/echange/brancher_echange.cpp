#include "echange/controleur_echange.h"
#include "tests/ui/fenetre_commune.h"

void brancherFenetre(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurEchange(fenetre, fenetre.store(), plateforme);
}
