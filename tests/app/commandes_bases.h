#pragma once
// The base commands connected to a window (brancherCommandes made them its child).

#include "bases/controleur_base.h"
#include "ui/tform1.h"

inline ControleurBase& commandes(TForm1& fenetre) { return *fenetre.findChild<ControleurBase*>(); }
