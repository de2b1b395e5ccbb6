#include "print/controleur_impression.h"

#include <QPushButton>

#include "print/commandes_impression.h"
#include "ui/commande.h"
#include "ui/tform1.h"

ControleurImpression::ControleurImpression(TForm1& fenetre, MagasinFiches& store,
                                           Plateforme& plateforme)
    : QObject(&fenetre), vue_(fenetre), fenetre_(fenetre), store_(store), plateforme_(plateforme) {
    relier(fenetre.ButtonPrintList(), &QPushButton::clicked, this,
           &ControleurImpression::ButtonPrintListClick, plateforme);
    relier(fenetre.ButtonImpFiche(), &QPushButton::clicked, this,
           &ControleurImpression::ButtonImpFicheClick, plateforme);
}

void ControleurImpression::ButtonPrintListClick() {
    imprimerListe(plateforme_, store_, vue_.texteRecherche(), &fenetre_);
}

void ControleurImpression::ButtonImpFicheClick() {
    imprimerFiche(plateforme_, store_, vue_.titreAffiche(), &fenetre_);
}
