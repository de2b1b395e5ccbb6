// Moving from card to card. None of these touches the list or the flags.

#include "ui/tform1.h"

void TForm1::debutClick() {
    store_.courante = 0;
    afficherFiche();
}

void TForm1::finClick() {
    store_.courante = store_.derniere < 0 ? 0 : store_.derniere;
    afficherFiche();
}

void TForm1::UpDownClick(bool haut) {
    if (haut) {
        if (store_.courante < store_.derniere) ++store_.courante;
    } else {
        if (store_.courante > 0) --store_.courante;
    }
    afficherFiche();
}
