#include "app/assemblage.h"

#include "bases/controleur_base.h"
#include "echange/controleur_echange.h"
#include "print/controleur_impression.h"
#include "ui/tform1.h"

void brancherCommandes(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurBase(fenetre, fenetre.store(), plateforme);
    new ControleurImpression(fenetre, fenetre.store(), plateforme);
    new ControleurEchange(fenetre, fenetre.store(), plateforme);
}
