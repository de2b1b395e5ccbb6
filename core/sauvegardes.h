#pragma once
// The versions of a base kept when a save replaces it: for X.dat, X.sauvegardes/X-AAAAMMJJ-
// HHMMSS+HHMM.dat beside it, in the local time its content was saved and that time's offset
// from UTC (names without the offset, written before it was added, are read too). The version being replaced is kept by a
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

// The name of a kept version: the base's name less its extension, "-AAAAMMJJ-HHMMSS", the
// offset from UTC quand carries ("+0100"), "-N" from the second version of the same second
// on, then the extension.
std::string nomSauvegarde(const std::string& nomBase, const std::tm& quand, int rang);

// The kept versions of a base, newest first (by the moment their names stand for, which does
// not repeat when clocks go back, then by rank within one second). Only files named as
// nomSauvegarde names them count: nothing else of the folder is ever touched.
std::vector<std::string> sauvegardesDe(const std::string& cheminBase);

// The same, each with the moment its name stands for.
struct VersionDatee {
    std::string chemin;
    std::time_t instant;
};
std::vector<VersionDatee> sauvegardesDatees(const std::string& cheminBase);

struct VersionGardee {
    std::string chemin;  // the kept version; empty when nothing was kept
    std::string raison;  // French, when a version was to be kept and could not be
    bool dejaGardee = false;  // the file was kept before: chemin is that earlier version
};

// Keeps the file fichier (the one a save is about to replace; the real file behind cheminBase)
// as a new version of cheminBase, named after the time its content was saved (its
// modification time). A base that does not exist yet has nothing to keep, and a file kept
// already is not kept again. The name is free when chosen: an existing version is never
// replaced. lier is the system's link(); tests refuse links through it.
VersionGardee garderVersion(const std::string& cheminBase, const std::string& fichier,
                            int (*lier)(const char*, const char*) = nullptr);

// Removes the oldest versions beyond the newest garder, each with the pictures kept for it.
// French reason of the first failure.
std::optional<std::string> elaguerSauvegardes(const std::string& cheminBase, int garder);

// Before the picture at actuelle, relatif inside the picture directory of cheminBase, is
// replaced by different bytes: every kept version of cheminBase without a picture of its own
// under that name gets the bytes it named until now, in its own picture directory (the
// version's path without its extension, followed by ".rep", as for any base). A version's
// picture is then looked up there first, then in the base's directory. Empty when done,
// otherwise the French reason; the picture must then not be replaced.
std::string garderImageRemplacee(const std::string& cheminBase, const std::string& relatif,
                                 const std::string& actuelle);

// The count the key "sauvegardes" gives: digits only, 0 to kSauvegardesMax. Nothing for
// anything else.
std::optional<int> lireNombreSauvegardes(const std::string& valeur);
