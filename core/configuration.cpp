#include "core/configuration.h"

#include "core/attributs.h"
#include "core/magasin_fiches.h"
#include "core/ini.h"
#include "core/recentes.h"
#include "core/reglages_planche.h"
#include "core/sauvegardes.h"
#include "core/textes.h"

namespace {
const char* const kSection = "setup";
const char* const kCle = "autoload";
const char* const kNomIni = "brevandoux.ini";
const char* const kCleSauvegardes = "sauvegardes";
const char* const kCleRecentes = "recentes";
// The options of the menu "options", each a key of two values, read at start and written
// back only once the user has chosen (so that a file the user never changed stays as it is).
struct Option {
    const char* cle;
    const char* coche;     // the value of the checked item
    const char* decoche;
    bool MagasinFiches::*valeur;
    bool MagasinFiches::*choisie;
};
const Option kOptions[] = {
    {"accents", "ignorer", "respecter", &MagasinFiches::sansAccents, &MagasinFiches::choixAccents},
    {"fenetre", "agrandie", "fixe", &MagasinFiches::fenetreAgrandie, &MagasinFiches::choixFenetre},
    {"couleurs", "contrastees", "decrites", &MagasinFiches::couleursContrastees, &MagasinFiches::choixCouleurs},
    {"apercu", "oui", "non", &MagasinFiches::apercuImpression, &MagasinFiches::choixApercu},
};
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
    // Any other value leaves the item unchecked, as when the key is missing: the exact
    // search, the layout as it always was.
    for (const Option& o : kOptions) store.*o.valeur = lireCleIni(ini, kSection, o.cle, "") == o.coche;
    lireReglagesPlanche(store.planche, ini);
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
    for (const Option& o : kOptions) {
        if (store.*o.choisie) ecrireCleIni(ini, kSection, o.cle, store.*o.valeur ? o.coche : o.decoche, *store.appels);
    }
    ecrireReglagesPlanche(store.planche, ini, *store.appels);
}
