#include "core/configuration.h"

#include "core/attributs.h"
#include "core/magasin_fiches.h"
#include "core/ini.h"

namespace {
const char* const kIniIntrouvable =
    "le fichier de configuration %s n'a pas été trouvé.   ou est sur un disque protégé en "
    "écriture";
const char* const kNonSauvee = "la configuration n'a pas pu être sauvée";
const char* const kSection = "setup";
const char* const kCle = "autoload";
const char* const kNomIni = "brevandoux.ini";
}  // namespace

std::string composerCheminIni(const std::string& repertoireDepart) {
    // Without a start directory the name alone designates the file in the current directory;
    // a start directory "/" needs no second separator.
    if (repertoireDepart.empty()) return kNomIni;
    if (repertoireDepart.back() == '/') return repertoireDepart + kNomIni;
    return repertoireDepart + "/" + kNomIni;
}

std::optional<std::string> lireConfig(MagasinFiches& store) {
    const std::string ini = composerCheminIni(store.repertoireDepart.str());
    if (!store.cheminIni.affecter(ini)) store.cheminIni.vider();
    if (store.cheminIni.empty() || !lireAttributs(ini)) {
        store.messages().message(avecChemin(kIniIntrouvable, ini));
        return std::nullopt;
    }
    retirerLectureSeule(ini);
    const std::string valeur = lireCleIni(ini, kSection, kCle, "");
    if (!store.cheminBase.affecter(valeur)) store.cheminBase.vider();
    return store.cheminBase.str();
}

bool finitParDat(const std::string& chemin) {
    return chemin.size() >= 4 && chemin.compare(chemin.size() - 4, 4, ".dat") == 0;
}

bool peutChargerAutoload(const MagasinFiches& store) {
    return finitParDat(store.cheminBase.str()) && fichierExiste(store.cheminBase.str());
}

void ecrireConfig(MagasinFiches& store) {
    const std::string& ini = store.cheminIni.str();
    if (ini.empty() || !lireAttributs(ini)) {
        store.messages().message(kNonSauvee);
        return;
    }
    retirerLectureSeule(ini);
    std::string valeur = store.cheminBase.str();
    if (valeur.find_first_of("\r\n") != std::string::npos) valeur.clear();
    ecrireCleIni(ini, kSection, kCle, valeur, *store.appels);
}
