#include "core/import_tableau.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>
#include <utility>

#include "core/chemin.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"

namespace {
const char* const kSansRepertoire =
    "le tableau %s nomme des images, qui ne peuvent être rangées que dans le répertoire des "
    "images d'une base enregistrée : enregistrez d'abord la base. Aucune fiche n'a été ajoutée.";

bool estFichier(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

ImportTableau::ImportTableau(std::string chemin, std::size_t premiere)
    : chemin_(std::move(chemin)), premiere_(premiere), dossier_(dossierDe(chemin_)) {}

bool ImportTableau::charger() {
    const std::string memoire = "mémoire insuffisante pour importer le tableau " + chemin_;
    bool lu;
    try {
        lu = octets_.lire(chemin_);
    } catch (const std::bad_alloc&) {
        raison_ = memoire;
        return false;
    }
    if (!lu) {
        raison_ = "le tableau " + chemin_ + " n'a pas pu être lu : " + raisonSysteme(errno);
        return false;
    }
    DIR* d = opendir(dossier_.c_str());
    if (d == nullptr) return true;
    while (dirent* e = readdir(d)) noms_.insert(e->d_name);
    closedir(d);
    liste_ = true;
    return true;
}

// A name holding a slash is a path, relative to the table's folder unless it starts with one.
std::string ImportTableau::fichierImage(const std::string& nom) const {
    const bool chemin = nom.find('/') != std::string::npos;
    if (!chemin && liste_ && noms_.count(nom) == 0) return {};
    std::string source = nom.front() == '/' ? nom : dossier_ + "/" + nom;
    return estFichier(source) ? source : std::string();
}

void ImportTableau::noterImages(const TrancheCsv& t) {
    for (const std::size_t k : t.avecImage) {
        std::string champ(texteChamp(t.fiches[k - t.premiere].image));
        std::string source = fichierImage(champ.substr(1));
        if (source.empty()) continue;
        if (source.size() > Chemin<256>::kMaxLongueur) {
            if (!cheminTropLong_) {
                cheminTropLong_ = RefusCsv{t.lignes[k - t.premiere], "image",
                                           "le chemin de l'image " + source + " dépasse 255 caractères"};
            }
            continue;
        }
        images_.push_back({premiere_ + k, std::move(source), std::move(champ)});
    }
}

bool ImportTableau::lire(TableFiches& table, std::size_t place, std::size_t tailleTranche, bool memesPlaces,
                         const std::function<bool(const TrancheCsv&)>& ecrire) {
    PuitsCsv puits{tailleTranche, memesPlaces, [&](const TrancheCsv& t) {
                       // No further slice once the base could not count its cards.
                       if (premiere_ + t.premiere + t.nombre >= static_cast<std::size_t>(INT32_MAX)) {
                           tropDeFiches_ = true;
                           return false;
                       }
                       for (std::size_t k = 0; k < t.nombre; ++k) {
                           if (t.sansNumero[k]) t.fiches[k].numero = static_cast<int32_t>(premiere_ + t.premiere + k);
                       }
                       noterImages(t);
                       return !ecrire || ecrire(t);
                   }};
    try {
        lecture_ = lireTableauCsv(octets_.vue(), table, place, puits);
    } catch (const std::bad_alloc&) {
        octets_.liberer();
        raison_ = "mémoire insuffisante pour importer le tableau " + chemin_;
        return false;
    }
    octets_.liberer();
    if (premiere_ + lecture_.lues >= static_cast<std::size_t>(INT32_MAX)) tropDeFiches_ = true;
    return true;
}

bool ImportTableau::accepter(bool avecRepertoire) {
    if (tropDeFiches_) {
        raison_ = "le tableau " + chemin_ + " ajouterait trop de fiches à la base.";
        return false;
    }
    // A picture path is looked at only in a table whose cells were all accepted.
    if (lecture_.nombreRefus == 0 && cheminTropLong_) {
        lecture_.refus.push_back(*cheminTropLong_);
        ++lecture_.nombreRefus;
    }
    if (lecture_.nombreRefus > 0) {
        raison_ = messageRefusCsv(chemin_, lecture_);
        return false;
    }
    if (!images_.empty() && !avecRepertoire) {
        raison_ = avecChemin(kSansRepertoire, chemin_);
        return false;
    }
    return true;
}

bool importerTableauCsv(MagasinFiches& store, const std::string& chemin,
                        const std::function<bool(std::size_t)>& accepter) {
    Messages& messages = store.messages();
    const std::size_t premiere = static_cast<std::size_t>(store.derniere + 1);
    ImportTableau import(chemin, premiere);
    if (!import.charger()) {
        messages.message(import.raison());
        return false;
    }
    // What the table holds beyond its cards must come back as it was when nothing is added:
    // the slot of a base without cards is shown, and must stay a blank card.
    const auto remettre = [&] {
        store.fiches.redimensionner(std::max<std::size_t>(premiere, 1));
        if (premiere == 0) viderFiche(store.fiches[0]);
    };
    // The slices are read one after the other into the table, which must hold them all anyway.
    if (!import.lire(store.fiches, premiere, kTrancheCsv, false) ||
        !import.accepter(!store.repertoireImages.empty())) {
        remettre();
        messages.message(import.raison());
        return false;
    }
    if (accepter && !accepter(import.lues())) {
        remettre();
        return false;
    }
    store.fiches.redimensionner(std::max<std::size_t>(premiere + import.lues(), 1));
    store.derniere = static_cast<int32_t>(premiere + import.lues()) - 1;
    store.modifiee = true;

    // Pictures named by the table and found beside it are filed like a chosen picture.
    for (const ImageDuTableau& image : import.images()) rangerImageDe(store, image.index, image.source);
    return true;
}
