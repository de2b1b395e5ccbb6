#include "core/import_tableau.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/lecture_parallele.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"
#include "core/tableau_csv.h"

namespace {
const char* const kSansRepertoire =
    "le tableau %s nomme des images, qui ne peuvent être rangées que dans le répertoire des "
    "images d'une base enregistrée : enregistrez d'abord la base. Aucune fiche n'a été ajoutée.";

bool estFichier(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The names in the table's folder, read once: a large table names thousands of pictures,
// most of them not beside it, and one look-up per name would cost more than reading the table.
class DossierDuTableau {
public:
    explicit DossierDuTableau(std::string dossier) : dossier_(std::move(dossier)) {
        DIR* d = opendir(dossier_.c_str());
        if (d == nullptr) return;
        while (dirent* e = readdir(d)) noms_.insert(e->d_name);
        closedir(d);
        liste_ = true;
    }

    // The file a picture name (without its backslash) names, or nothing when there is none.
    // A name holding a slash is a path, relative to the folder unless it starts with one.
    std::optional<std::string> fichier(const std::string& nom) const {
        const bool chemin = nom.find('/') != std::string::npos;
        if (!chemin && liste_ && noms_.count(nom) == 0) return std::nullopt;
        std::string source = nom.front() == '/' ? nom : dossier_ + "/" + nom;
        if (!estFichier(source)) return std::nullopt;
        return source;
    }

private:
    std::string dossier_;
    bool liste_ = false;
    std::unordered_set<std::string> noms_;
};
}  // namespace

bool importerTableauCsv(MagasinFiches& store, const std::string& chemin) {
    Messages& messages = store.messages();
    OctetsFichier octets;
    bool lu;
    try {
        lu = octets.lire(chemin);
    } catch (const std::bad_alloc&) {
        messages.message("mémoire insuffisante pour importer le tableau " + chemin);
        return false;
    }
    if (!lu) {
        messages.message("le tableau " + chemin + " n'a pas pu être lu : " + raisonSysteme(errno));
        return false;
    }
    const std::size_t premiere = static_cast<std::size_t>(store.derniere + 1);
    // What the table holds beyond its cards must come back as it was when nothing is added:
    // the slot of a base without cards is shown, and must stay a blank card.
    auto annuler = [&] {
        store.fiches.redimensionner(std::max<std::size_t>(premiere, 1));
        if (premiere == 0) viderFiche(store.fiches[0]);
    };

    DossierDuTableau dossier(dossierDe(chemin));
    LectureCsv lecture;
    try {
        lecture = lireTableauCsv(octets.vue(), store.fiches, premiere);
    } catch (const std::bad_alloc&) {
        annuler();
        messages.message("mémoire insuffisante pour importer le tableau " + chemin);
        return false;
    }
    octets.liberer();
    if (premiere + lecture.lues >= static_cast<std::size_t>(INT32_MAX)) {
        annuler();
        messages.message("le tableau " + chemin + " ajouterait trop de fiches à la base.");
        return false;
    }

    // Pictures named by the table and found beside it are filed like a chosen picture.
    std::vector<std::pair<std::size_t, std::string>> images;
    for (const std::size_t k : lecture.avecImage) {
        if (lecture.nombreRefus != 0) break;
        std::optional<std::string> fichier =
            dossier.fichier(std::string(texteChamp(store.fiches[premiere + k].image).substr(1)));
        if (!fichier) continue;
        const std::string source = std::move(*fichier);
        if (source.size() > Chemin<256>::kMaxLongueur) {
            lecture.refus.push_back({lecture.lignes[k], "image",
                                     "le chemin de l'image " + source + " dépasse 255 caractères"});
            ++lecture.nombreRefus;
            break;
        }
        images.emplace_back(premiere + k, source);
    }
    if (lecture.nombreRefus > 0) {
        annuler();
        messages.message(messageRefusCsv(chemin, lecture));
        return false;
    }
    if (!images.empty() && store.repertoireImages.empty()) {
        annuler();
        messages.message(avecChemin(kSansRepertoire, chemin));
        return false;
    }

    for (std::size_t k = 0; k < lecture.lues; ++k) {
        if (lecture.sansNumero[k]) store.fiches[premiere + k].numero = static_cast<int32_t>(premiere + k);
    }
    store.fiches.redimensionner(std::max<std::size_t>(premiere + lecture.lues, 1));
    store.derniere = static_cast<int32_t>(premiere + lecture.lues) - 1;
    store.modifiee = true;

    if (!images.empty()) {
        const int32_t courante = store.courante;
        const std::string choisie = store.imageChoisie.str();
        for (const auto& [index, source] : images) {
            store.courante = static_cast<int32_t>(index);
            store.imageChoisie.affecter(source);
            rangerImage(store);
        }
        store.courante = courante;
        store.imageChoisie.affecter(choisie);
    }
    return true;
}
