#include "core/configuration.h"

#include "core/attributs.h"
#include "core/magasin_fiches.h"
#include "core/ini.h"
#include "core/recentes.h"
#include "core/sauvegardes.h"
#include "core/textes.h"

namespace {
const char* const kSection = "setup";
const char* const kCle = "autoload";
const char* const kNomIni = "brevandoux.ini";
const char* const kCleSauvegardes = "sauvegardes";
const char* const kCleRecentes = "recentes";
const char* const kCleAccents = "accents";
const char* const kIgnorer = "ignorer";
const char* const kRespecter = "respecter";
// No INI line can hold it: tells a missing key from an empty one.
const char* const kAbsente = "\n";

// The settings the user may add beside the remembered base.
void lireReglages(MagasinFiches& store, const std::string& ini) {
    const std::string nombre = lireCleIni(ini, kSection, kCleSauvegardes, kAbsente);
    if (nombre != kAbsente) {
        if (const std::optional<int> n = lireNombreSauvegardes(nombre)) {
            store.sauvegardes = *n;
        } else {
            store.messages().message(
                "La valeur « " + nombre + " » de la clé sauvegardes de " + ini +
                " n'est pas un nombre de 0 à " + std::to_string(kSauvegardesMax) + " : " +
                std::to_string(kSauvegardesParDefaut) +
                " versions de la base sont gardées à chaque enregistrement.");
        }
    }
    store.recentes = recentesDuTexte(lireCleIni(ini, kSection, kCleRecentes, ""));
    // Any other value is the exact search, as when the key is missing.
    const std::string accents = lireCleIni(ini, kSection, kCleAccents, "");
    store.sansAccents = accents == kIgnorer;
}
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
        store.messages().message(avecChemin(textes::kIniIntrouvable, ini));
        return std::nullopt;
    }
    retirerLectureSeule(ini);
    const std::string valeur = lireCleIni(ini, kSection, kCle, "");
    if (!store.cheminBase.affecter(valeur)) store.cheminBase.vider();
    lireReglages(store, ini);
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
        store.messages().message(textes::kConfigurationNonSauvee);
        return;
    }
    retirerLectureSeule(ini);
    std::string valeur = store.cheminBase.str();
    if (valeur.find_first_of("\r\n") != std::string::npos) valeur.clear();
    ecrireCleIni(ini, kSection, kCle, valeur, *store.appels);
    // The key is added only once there is something to keep in it.
    const std::string recentes = recentesEnTexte(store.recentes);
    if (!recentes.empty() || lireCleIni(ini, kSection, kCleRecentes, kAbsente) != kAbsente) {
        ecrireCleIni(ini, kSection, kCleRecentes, recentes, *store.appels);
    }
    if (store.choixAccents) {
        ecrireCleIni(ini, kSection, kCleAccents, store.sansAccents ? kIgnorer : kRespecter, *store.appels);
    }
}
