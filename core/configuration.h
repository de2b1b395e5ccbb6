#pragma once
// The configuration file "brevandoux.ini" of the start directory: it remembers, in the key
// "autoload" of the section "setup", the base to reopen at the next start; in the same
// section, "recentes" the recent bases, "accents" ("ignorer" or "respecter") whether the
// search ignores accents and "fenetre" ("agrandie" or "fixe") whether the list and the
// description grow with the window, and "couleurs" ("contrastees" or "decrites") whether the
// window's colours are made readable on a light desktop too, these three once the user has
// chosen; "apercu" ("oui" or "non") whether printing shows a preview first, likewise.

#include <optional>
#include <string>

class MagasinFiches;

// The configuration file's path for a start directory.
std::string composerCheminIni(const std::string& repertoireDepart);

// Start-up reading: sets cheminIni, clears the file's read-only attribute and reads the
// remembered base path into cheminBase. Returns the text the path box is to show, or nothing
// when the file is missing (after telling the user) and the box is to stay as it is.
//
// Too long for its buffer, a path is refused rather than cut: a cut path could name another
// base than the one remembered, and reopen it. A start directory whose configuration path
// does not fit cheminIni makes the file unusable, reported as missing; a remembered path
// over 512 bytes leaves cheminBase empty, so no base is reopened, and the box shows that
// empty cheminBase.
std::optional<std::string> lireConfig(MagasinFiches& store);

// The test of a base path for reopening: its last four bytes are exactly ".dat" (letter case
// counts; a shorter path fails).
bool finitParDat(const std::string& chemin);

// Whether chargerAutoload is to reopen cheminBase: it ends in ".dat" and names an existing
// plain file that is not hidden.
bool peutChargerAutoload(const MagasinFiches& store);

// Quit-time writing of cheminBase into the configuration file. A missing file is reported
// and not created. Throws Erreur "Unable to write to <cheminIni>" when the file is there but
// cannot be updated. A cheminBase holding a line break cannot stand on one INI line: the key
// is then emptied, so that the next start reopens nothing rather than part of that path.
void ecrireConfig(MagasinFiches& store);
