#include "planche/controleur_planche.h"

#include <QAction>
#include <QTimer>

#include "core/reglages_planche.h"
#include "planche/fenetre_planche.h"
#include "planche/modele_planche.h"
#include "planche/planche.h"
#include "platform/rapport_erreur.h"
#include "platform/vignettes.h"
#include "ui/commande.h"
#include "ui/liste_fiches.h"
#include "ui/vue_planche.h"

ControleurPlanche::ControleurPlanche(VuePlanche& vue, QAction* planchedesimages1, ReglagesPlanche& reglages,
                                     Plateforme& plateforme)
    : QObject(&vue.fenetre()), vue_(vue), reglages_(reglages), plateforme_(plateforme) {
    relier(planchedesimages1, &QAction::triggered, this, &ControleurPlanche::planchedesimages1Click, plateforme);
    // Read once the window's command has ended: a search blanks the card area only after it
    // has cleared the boxes.
    vue_.suivreAffichage([this] {
        if (marquagePrevu_) return;
        marquagePrevu_ = true;
        QTimer::singleShot(0, this, [this] {
            marquagePrevu_ = false;
            if (fenetre_) fenetre_->planche()->setFicheMarquee(vue_.ficheAffichee());
        });
    });
    // The settings are read when the window starts, after its controllers are made.
    QTimer::singleShot(0, this, [this] {
        if (reglages_.ouverte && !fenetre_) executerEnSignalant(&plateforme_, [this] { ouvrir(); });
    });
}

FenetrePlanche* ControleurPlanche::fenetrePlanche() const { return fenetre_; }

void ControleurPlanche::planchedesimages1Click() {
    if (!reglages_.ouverte) {
        reglages_.ouverte = true;
        reglages_.choixOuverte = true;
    }
    if (fenetre_) {
        fenetre_->raise();
        fenetre_->activateWindow();
        return;
    }
    ouvrir();
}

void ControleurPlanche::ouvrir() {
    if (vignettes_ == nullptr) {
        vignettes_ = new Vignettes(this);
        modele_ = new ModelePlanche(*vignettes_, this);
        modele_->setSourceModel(&vue_.modele());
    }
    fenetre_ = new FenetrePlanche(*vignettes_, reglages_, &vue_.fenetre());
    Planche* planche = fenetre_->planche();
    planche->setModel(modele_);
    planche->setFicheMarquee(vue_.ficheAffichee());
    connect(planche, &Planche::choisie, this, &ControleurPlanche::choisir);
    connect(planche, &Planche::tailleChoisie, this, [this](int cote) {
        reglages_.vignettes = cote;
        reglages_.choixVignettes = true;
    });
    connect(fenetre_, &FenetrePlanche::fermee, this, [this] {
        reglages_.ouverte = false;
        reglages_.choixOuverte = true;
    });
    emit ouverte(*fenetre_);
    fenetre_->show();
    // The board opens on the card the window shows.
    const int ligne = planche->ligneDeFiche(vue_.ficheAffichee());
    if (ligne >= 0) {
        planche->setCurrentIndex(modele_->index(ligne, 0));
        planche->scrollTo(modele_->index(ligne, 0), QAbstractItemView::PositionAtCenter);
    }
}

void ControleurPlanche::choisir(int ligne) {
    executerEnSignalant(&plateforme_, [&] {
        if (vue_.choisirLigne(ligne)) vue_.amenerDevant();
    });
}
