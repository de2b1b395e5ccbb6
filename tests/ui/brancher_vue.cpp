// The view's suite tests the window alone: no controller is connected, and anything of the
// window that called a command above it would fail to link here.

#include "tests/support/fenetre_commune.h"

void brancherFenetre(TForm1&, Plateforme&) {}
