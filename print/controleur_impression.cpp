#include "print/controleur_impression.h"

#include <QAction>
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
    connect(fenetre.commande("apercuavantimpression1"), &QAction::toggled, this,
            &ControleurImpression::apercuavantimpression1Click);
}

void ControleurImpression::apercuavantimpression1Click(bool coche) {
    if (store_.apercuImpression == coche) return;  // shown as brevandoux.ini said: not a choice
    store_.apercuImpression = coche;
    store_.choixApercu = true;
}

void ControleurImpression::imprimerChoisies(const std::vector<uint32_t>& choisies) {
    ::imprimerChoisies(plateforme_, store_, choisies, &fenetre_);
}

void ControleurImpression::ButtonPrintListClick() {
    imprimerListe(plateforme_, store_, vue_.texteRecherche(), &fenetre_);
}

void ControleurImpression::ButtonImpFicheClick() {
    imprimerFiche(plateforme_, store_, vue_.titreAffiche(), &fenetre_);
}
