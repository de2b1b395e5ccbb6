#include "core/services.h"

std::string avecChemin(const std::string& modele, const std::string& chemin) {
    std::string texte = modele;
    auto pos = texte.find("%s");
    if (pos != std::string::npos) texte.replace(pos, 2, chemin);
    return texte;
}
