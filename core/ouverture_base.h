#pragma once
// Reopening the base named by cheminBase: what start-up does with the remembered base, and what
// open and save as do with the base just read or written. The model's steps; the window then
// shows the result.

class MagasinFiches;

// Only a path ending in ".dat" that names an existing plain file is opened; any other changes
// nothing and says nothing. Otherwise the base is bound to its picture directory, which is
// created (the user is told when it did not exist), and read. A base that cannot be read is
// neither bound nor marked (chargerBase has said why): saving would write the cards on display
// over a file the user never saw. A base read has no unsaved change and is named: a save
// writes to its file. True when the base was read.
bool rouvrirBase(MagasinFiches& store);
