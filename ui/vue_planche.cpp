// The window as the board of pictures sees it, over the window's public face.

#include "ui/vue_planche.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/textes.h"
#include "ui/liste_fiches.h"
#include "ui/tform1.h"

namespace {

class FenetrePourPlanche : public QObject, public VuePlanche {
public:
    FenetrePourPlanche(TForm1& fenetre, Plateforme& plateforme)
        : QObject(&fenetre), fenetre_(fenetre), plateforme_(plateforme) {}

    ModeleListe& modele() const override { return *fenetre_.medialist()->modele(); }

    int32_t ficheAffichee() const override {
        const MagasinFiches& store = fenetre_.store();
        if (fenetre_.affichageVide() || store.ajoutEnCours != 0 || store.derniere < 0) return -1;
        return store.courante;
    }

    bool choisirLigne(int ligne) override {
        // Edit mode shuts the list; the board, like the menus, stays open and says why not.
        if (!fenetre_.valider()->isHidden()) {
            plateforme_.message(textes::kTerminerSaisie);
            return false;
        }
        const int32_t index = modele().data(modele().index(ligne), ModeleListe::RoleIndexFiche).toInt();
        MagasinFiches& store = fenetre_.store();
        if (index < 0 || index > store.derniere) return false;
        store.courante = index;
        fenetre_.medialist()->selectionner(ligne);
        fenetre_.afficherFiche();
        if (store.listeResultats) fenetre_.surlignerCorrespondance();
        return true;
    }

    void amenerDevant() override {
        fenetre_.raise();
        fenetre_.activateWindow();
    }

    QWidget& fenetre() const override { return fenetre_; }

    void suivreAffichage(std::function<void()> rappel) override {
        // Showing a card writes its number and position; blanking the area clears the title.
        for (QLineEdit* boite : {fenetre_.numero(), fenetre_.position(), fenetre_.titre()}) {
            QObject::connect(boite, &QLineEdit::textChanged, this, [rappel] { rappel(); });
        }
    }

private:
    TForm1& fenetre_;
    Plateforme& plateforme_;
};

}  // namespace

VuePlanche& vuePlanche(TForm1& fenetre, Plateforme& plateforme) {
    return *new FenetrePourPlanche(fenetre, plateforme);
}
