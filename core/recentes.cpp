#include "core/recentes.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace {
bool tenableSurUneLigne(const std::string& chemin) {
    return !chemin.empty() && chemin.find_first_of(std::string("|\r\n\0", 4)) == std::string::npos;
}
}  // namespace

void noterRecente(std::vector<std::string>& recentes, const std::string& chemin) {
    std::string absolu = chemin;
    if (!absolu.empty() && absolu.front() != '/') {
        char tampon[PATH_MAX];
        if (getcwd(tampon, sizeof tampon) == nullptr) return;
        const std::string dossier = tampon;
        absolu = (dossier == "/" ? "" : dossier) + "/" + absolu;
    }
    if (!tenableSurUneLigne(absolu)) return;
    recentes.erase(std::remove(recentes.begin(), recentes.end(), absolu), recentes.end());
    recentes.insert(recentes.begin(), absolu);
    if (recentes.size() > kRecentesMax) recentes.resize(kRecentesMax);
}

std::string recentesEnTexte(const std::vector<std::string>& recentes) {
    std::string texte;
    for (const std::string& r : recentes) {
        if (!texte.empty()) texte += '|';
        texte += r;
    }
    return texte;
}

std::vector<std::string> recentesDuTexte(const std::string& texte) {
    std::vector<std::string> recentes;
    std::size_t debut = 0;
    while (debut <= texte.size() && recentes.size() < kRecentesMax) {
        const std::size_t fin = std::min(texte.find('|', debut), texte.size());
        std::string chemin = texte.substr(debut, fin - debut);
        if (!chemin.empty() &&
            std::find(recentes.begin(), recentes.end(), chemin) == recentes.end()) {
            recentes.push_back(std::move(chemin));
        }
        debut = fin + 1;
    }
    return recentes;
}
