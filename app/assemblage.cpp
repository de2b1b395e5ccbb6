#include "app/assemblage.h"

#include "bases/controleur_base.h"
#include "echange/controleur_echange.h"
#include "planche/controleur_planche.h"
#include "print/controleur_impression.h"
#include "ui/tform1.h"
#include "ui/vue_planche.h"

void brancherCommandes(TForm1& fenetre, Plateforme& plateforme) {
    new ControleurBase(fenetre, fenetre.store(), plateforme);
    new ControleurImpression(fenetre, fenetre.store(), plateforme);
    new ControleurEchange(fenetre, fenetre.store(), plateforme);
    new ControleurPlanche(vuePlanche(fenetre, plateforme), fenetre.commande("planchedesimages1"),
                          fenetre.store().planche, plateforme);
}
