#pragma once
// What the test build of brevandoux-image adds to it (never compiled into the shipped
// program): confinement settings read from the environment, and a mode that tries every act
// the confinement forbids.
//
//   BREVANDOUX_ESSAI_CONFINEMENT=non          draws unconfined
//   BREVANDOUX_ESSAI_VERSION_LANDLOCK=N       uses Landlock version N at most (0: none)
//   BREVANDOUX_ESSAI_SECCOMP=non              installs no seccomp filter (Landlock alone)
//
//   brevandoux-image-essai --essai-actes-interdits DOSSIER FICHIER_MAISON PORT
//     confines itself, then tries each act and writes one line per act on the standard
//     output, "acte : refusé (raison)" or "acte : RÉUSSI". DOSSIER holds the files "existant"
//     (written to) and "a-supprimer" (removed); "nouveau" is created there. FICHIER_MAISON is
//     read; PORT on 127.0.0.1 is connected to. Exit 0 once all were tried, 3 when the
//     confinement failed.

#include "image/confinement.h"

ReglagesConfinement reglagesEssai();
int essayerActesInterdits(int argc, char** argv, const ReglagesConfinement& reglages);
