// Any text as an INI file: after setting a key, every line but the one changed is as it was,
// and reading the key back gives the value written.

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "core/ini.h"

namespace {
bool blanc(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    const std::string entree(reinterpret_cast<const char*>(donnees), taille);
    // The last three NUL-separated pieces, when present, are the section, key and value.
    std::string contenu = entree, section = "setup", cle = "autoload", valeur = "/base.dat";
    const auto fin = entree.rfind('\0');
    if (fin != std::string::npos) {
        const auto milieu = entree.rfind('\0', fin == 0 ? 0 : fin - 1);
        if (milieu != std::string::npos && milieu < fin) {
            contenu = entree.substr(0, milieu);
            section = entree.substr(milieu + 1, fin - milieu - 1);
            valeur = entree.substr(fin + 1);
        }
    }
    (void)valeurCle(contenu, section, cle, "defaut");
    std::string resultat;
    try {
        resultat = remplacerCle(contenu, section, cle, valeur);
    } catch (const std::invalid_argument&) {
        return 0;  // a name or value that cannot stand on one line is refused
    }
    std::string attendu = valeur;
    while (!attendu.empty() && blanc(attendu.front())) attendu.erase(0, 1);
    while (!attendu.empty() && blanc(attendu.back())) attendu.pop_back();
    if (valeurCle(resultat, section, cle, "\x01" "absent") != attendu) std::abort();

    // Only one line of the old text may differ: what lies between the common beginning and
    // the common end of both texts holds at most one line break of the old text.
    std::size_t debut = 0;
    while (debut < contenu.size() && debut < resultat.size() && contenu[debut] == resultat[debut]) ++debut;
    std::size_t finCommune = 0;
    while (finCommune < contenu.size() - debut && finCommune < resultat.size() - debut &&
           contenu[contenu.size() - 1 - finCommune] == resultat[resultat.size() - 1 - finCommune]) {
        ++finCommune;
    }
    std::size_t sauts = 0;
    for (std::size_t i = debut; i < contenu.size() - finCommune; ++i) sauts += contenu[i] == '\n';
    if (sauts > 1) std::abort();
    return 0;
}
