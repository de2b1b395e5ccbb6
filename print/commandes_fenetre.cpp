// The window's two print buttons.

#include <QLineEdit>

#include "print/commandes_impression.h"
#include "ui/tform1.h"

void TForm1::ButtonPrintListClick() { imprimerListe(plateforme_, store_, expression()->text(), this); }

void TForm1::ButtonImpFicheClick() { imprimerFiche(plateforme_, store_, titre()->text(), this); }
