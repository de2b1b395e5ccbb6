// Opening a base known by its path (dropped on the window, or one of the recent bases): the
// steps of "ouvrir base" once its dialog has answered.

#include <QPushButton>

#include "ui/tform1.h"

void TForm1::ouvrirChemin(const std::string& chemin) {
    if (demanderSauvegarde() != kAnnuler) {
        if (lireBaseChoisie(chemin)) {
            store_.baseNommee = 1;
            savemybase()->setEnabled(true);
            afficherFiche();
            remplirListe();
        }
    }
    montrerChemin(store_.cheminBase.str());
}
