#include "core/chemin_image.h"

namespace {
bool estSeparateur(char c) { return c == '\\' || c == '/'; }
}  // namespace

std::string cheminImageAffiche(std::string_view repertoire, std::string_view nom) {
    std::string chemin(repertoire);
    if (!nom.empty() && nom.front() == '\\') {
        chemin += '/';
        nom.remove_prefix(1);
    }
    chemin += nom;
    return chemin;
}

std::optional<std::string> cheminImage(std::string_view repertoire, std::string_view nom) {
    if (repertoire.empty() || nom.size() < 2 || !estSeparateur(nom.front())) return std::nullopt;
    const std::string_view fichier = nom.substr(1);
    for (char c : fichier) {
        if (estSeparateur(c) || c == '\0') return std::nullopt;
    }
    // "." and ".." name directories; a name merely holding ".." is refused as well, since
    // some systems read it as a step up.
    if (fichier == "." || fichier.find("..") != std::string_view::npos) return std::nullopt;
    std::string chemin = cheminImageAffiche(repertoire, nom);
    if (chemin.size() > kCheminImageMax) return std::nullopt;
    return chemin;
}
