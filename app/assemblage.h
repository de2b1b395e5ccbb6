#pragma once
// The program's window as it runs: the view with every controller of its commands. Adding a
// group of commands means one more controller here.

class TForm1;
class Plateforme;

// Builds the controllers of the base, print and exchange commands over fenetre and its card
// store. They belong to the window and end with it.
void brancherCommandes(TForm1& fenetre, Plateforme& plateforme);
