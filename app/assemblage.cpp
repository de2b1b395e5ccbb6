#include "app/assemblage.h"

#include "bases/controleur_base.h"
#include "echange/controleur_echange.h"
#include "planche/choix_planche.h"
#include "planche/controleur_planche.h"
#include "platform/rapport_erreur.h"
#include "print/controleur_impression.h"
#include "ui/tform1.h"
#include "ui/vue_planche.h"

namespace {
// The board's commands on its chosen cards run as the window's commands run: an error leaving
// one is shown and the program goes on.
template <class Controleur>
void relierChoix(ChoixPlanche* choix, void (ChoixPlanche::*signal)(const std::vector<uint32_t>&),
                 Controleur* controleur, void (Controleur::*commande)(const std::vector<uint32_t>&),
                 Plateforme& plateforme) {
    QObject::connect(choix, signal, controleur, [controleur, commande, &plateforme](const std::vector<uint32_t>& c) {
        executerEnSignalant(&plateforme, [&] { (controleur->*commande)(c); });
    });
}
}  // namespace

void brancherCommandes(TForm1& fenetre, Plateforme& plateforme) {
    auto* base = new ControleurBase(fenetre, fenetre.store(), plateforme);
    auto* impression = new ControleurImpression(fenetre, fenetre.store(), plateforme);
    auto* echange = new ControleurEchange(fenetre, fenetre.store(), plateforme);
    auto* planche = new ControleurPlanche(vuePlanche(fenetre, plateforme), fenetre.commande("planchedesimages1"),
                                          fenetre.store().planche, plateforme);
    QObject::connect(planche, &ControleurPlanche::ouverte, planche, [=, &plateforme](FenetrePlanche& f) {
        auto* choix = new ChoixPlanche(f);
        relierChoix(choix, &ChoixPlanche::supprimerChoisies, base, &ControleurBase::supprimerChoisies, plateforme);
        relierChoix(choix, &ChoixPlanche::imprimerChoisies, impression, &ControleurImpression::imprimerChoisies,
                    plateforme);
        relierChoix(choix, &ChoixPlanche::exporterChoisies, echange, &ControleurEchange::exporterChoisies, plateforme);
        relierChoix(choix, &ChoixPlanche::copierChoisies, base, &ControleurBase::copierChoisies, plateforme);
    });
}
