#pragma once
// The versions of a base kept when a save replaces it: for X.dat, X.sauvegardes/X-AAAAMMJJ-
// HHMMSS.dat beside it, in the local time of the save. The version being replaced is kept by a
// hard link to its file, made just before the new file is renamed over it: nothing is copied,
// and the saving time does not grow with the base. Where the file system refuses the link,
// the file is copied instead.

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/fichier_sur.h"

// How many versions are kept when brevandoux.ini does not say.
inline constexpr int kSauvegardesParDefaut = 5;
// A count above this is a typing slip more likely than a wish.
inline constexpr int kSauvegardesMax = 1000;

// The folder of the kept versions of a base: the base's name without its extension, followed
// by ".sauvegardes", beside it. The name never ends in ".dat", so the base dialogs never offer
// the folder itself as a base.
std::string dossierSauvegardes(const std::string& cheminBase);

// The name of a kept version: the base's name less its extension, "-AAAAMMJJ-HHMMSS", "-N"
// from the second version of the same second on, then the extension.
std::string nomSauvegarde(const std::string& nomBase, const std::tm& quand, int rang);

// The kept versions of a base, newest first (by time, then by rank within one second). Only
// files named as nomSauvegarde names them count: nothing else of the folder is ever touched.
std::vector<std::string> sauvegardesDe(const std::string& cheminBase);

struct VersionGardee {
    std::string chemin;  // the kept version; empty when nothing was kept
    std::string raison;  // French, when a version was to be kept and could not be
};

// Keeps the file fichier (the one a save is about to replace; the real file behind cheminBase)
// as a new version of cheminBase. A base that does not exist yet has nothing to keep. The
// name is free when chosen: an existing version is never replaced. lier is the system's
// link(); tests refuse links through it.
VersionGardee garderVersion(const std::string& cheminBase, const std::string& fichier,
                            std::time_t quand, int (*lier)(const char*, const char*) = nullptr);

// Removes the oldest versions beyond the newest garder. French reason of the first failure.
std::optional<std::string> elaguerSauvegardes(const std::string& cheminBase, int garder);

// The count the key "sauvegardes" gives: digits only, 0 to kSauvegardesMax. Nothing for
// anything else.
std::optional<int> lireNombreSauvegardes(const std::string& valeur);
