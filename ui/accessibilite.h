#pragma once
// What a screen reader is told of the main window: a name for every control that shows no
// caption of its own, the labels tied to the boxes they name, and the picture frame presented
// as a picture (ui/cadre_image.cpp). Nothing of it shows on the screen.

class TForm1;

// Called once, when the window's controls are all built.
void rendreAccessible(TForm1& fenetre);
