#pragma once
// What brevandoux.ini remembers of the board of pictures, in its section "planche": its size
// ("dimensions", as "900x700"), the side of its thumbnails ("vignettes", in pixels) and
// whether it was open ("ouverte", "oui" or "non"). Each key is written only once the user has
// changed what it holds, so that a file the user never changed stays as it is.

#include <string>

#include "core/fichier_sur.h"

struct ReglagesPlanche {
    // 0 while nothing was remembered: the board takes its own size.
    int largeur = 0;
    int hauteur = 0;
    int vignettes = 0;  // 0: the board's default
    bool ouverte = false;
    // Set by the board when the user changes the matching setting.
    bool choixDimensions = false;
    bool choixVignettes = false;
    bool choixOuverte = false;
};

// Reads the section from an INI file; a missing or unreadable value leaves its default.
void lireReglagesPlanche(ReglagesPlanche& reglages, const std::string& ini);

// Writes the settings the user changed. Throws as ecrireCleIni does.
void ecrireReglagesPlanche(const ReglagesPlanche& reglages, const std::string& ini, const AppelsSysteme& appels);
