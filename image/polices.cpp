#include "image/polices.h"

#include <fontconfig/fontconfig.h>

namespace {

void ajouter(FcStrList* liste, std::vector<std::string>& chemins) {
    if (liste == nullptr) return;
    while (const FcChar8* chemin = FcStrListNext(liste)) {
        chemins.emplace_back(reinterpret_cast<const char*>(chemin));
    }
    FcStrListDone(liste);
}

}  // namespace

std::vector<std::string> cheminsFontconfig() {
    std::vector<std::string> chemins;
    // A configuration of its own, destroyed here: the libraries' default one is left alone.
    FcConfig* config = FcInitLoadConfig();
    if (config == nullptr) return chemins;
    ajouter(FcConfigGetFontDirs(config), chemins);
    ajouter(FcConfigGetCacheDirs(config), chemins);
    ajouter(FcConfigGetConfigFiles(config), chemins);
    FcConfigDestroy(config);
    return chemins;
}
