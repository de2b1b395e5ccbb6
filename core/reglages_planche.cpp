#include "core/reglages_planche.h"

#include <charconv>

#include "core/ini.h"

namespace {
const char* const kSection = "planche";
const char* const kDimensions = "dimensions";
const char* const kVignettes = "vignettes";
const char* const kOuverte = "ouverte";
// Beyond any screen: a value past it is a typing slip, not a size.
constexpr int kMaximum = 100000;

// A whole number from 1 to kMaximum spelt with digits only, 0 otherwise.
int lireTaille(const std::string& texte) {
    int valeur = 0;
    const char* fin = texte.data() + texte.size();
    const auto [ou, erreur] = std::from_chars(texte.data(), fin, valeur);
    return erreur == std::errc() && ou == fin && valeur > 0 && valeur <= kMaximum ? valeur : 0;
}
}  // namespace

void lireReglagesPlanche(ReglagesPlanche& reglages, const std::string& ini) {
    const std::string dimensions = lireCleIni(ini, kSection, kDimensions, "");
    const std::size_t x = dimensions.find('x');
    if (x != std::string::npos) {
        const int largeur = lireTaille(dimensions.substr(0, x));
        const int hauteur = lireTaille(dimensions.substr(x + 1));
        if (largeur > 0 && hauteur > 0) {
            reglages.largeur = largeur;
            reglages.hauteur = hauteur;
        }
    }
    reglages.vignettes = lireTaille(lireCleIni(ini, kSection, kVignettes, ""));
    reglages.ouverte = lireCleIni(ini, kSection, kOuverte, "") == "oui";
}

void ecrireReglagesPlanche(const ReglagesPlanche& reglages, const std::string& ini, const AppelsSysteme& appels) {
    if (reglages.choixDimensions && reglages.largeur > 0 && reglages.hauteur > 0) {
        ecrireCleIni(ini, kSection, kDimensions,
                     std::to_string(reglages.largeur) + "x" + std::to_string(reglages.hauteur), appels);
    }
    if (reglages.choixVignettes && reglages.vignettes > 0) {
        ecrireCleIni(ini, kSection, kVignettes, std::to_string(reglages.vignettes), appels);
    }
    if (reglages.choixOuverte) ecrireCleIni(ini, kSection, kOuverte, reglages.ouverte ? "oui" : "non", appels);
}
