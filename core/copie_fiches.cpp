#include "core/copie_fiches.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <optional>

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "core/fiches_choisies.h"
#include "core/fichier_sur.h"
#include "core/lecture_base.h"
#include "core/magasin_fiches.h"
#include "core/place_image.h"
#include "core/repertoire_images.h"
#include "core/sauvegardes.h"
#include "core/textes.h"

namespace {

std::optional<IdentiteFichier> identite(const std::string& chemin) {
    struct stat st;
    if (chemin.empty() || stat(chemin.c_str(), &st) != 0) return std::nullopt;
    return IdentiteFichier::de(st);
}

// The open base under another spelling, a link to it, or the same name not yet written.
bool estLaBaseOuverte(const MagasinFiches& store, const std::string& cible) {
    const std::string& ouverte = store.cheminBase.str();
    if (ouverte.empty()) return false;
    const std::optional<IdentiteFichier> a = identite(cible), b = identite(ouverte);
    if (a && b) return a->memeFichier(*b);
    return cheminReel(cible) == cheminReel(ouverte);
}

// The picture of a copied card, brought into the target's picture directory; the card keeps
// the name it is found under there, or none when it could not be brought.
void rangerCopie(MagasinFiches& store, Fiche& fiche, const std::string& repertoire) {
    const std::string_view nom = texteChamp(fiche.image);
    if (!aUneImage(nom)) return;
    const std::optional<std::string> source = cheminImage(store.repertoireImages.str(), nom);
    // A picture already missing from the open base stays as missing in the other one.
    if (!source || !fichierExiste(*source)) return;
    const std::optional<PlaceImage> place = placeImage(repertoire, *source, std::string(nom));
    if (!place) {
        store.messages().message(avecChemin("aucun nom libre pour l'image %s dans " + repertoire, *source));
        ecrireChamp(fiche.image, "");
        return;
    }
    if (place->copier && !copierFichier(store.messages(), *source, place->chemin, *store.appels)) {
        ecrireChamp(fiche.image, "");
        return;
    }
    ecrireChamp(fiche.image, place->nom);
}

}  // namespace

std::size_t copierFichesVers(MagasinFiches& store, const std::vector<uint32_t>& choisies,
                             const std::string& cible) {
    if (estLaBaseOuverte(store, cible)) {
        store.messages().message(avecChemin(kCopieDansLaBaseOuverte, cible));
        return 0;
    }
    std::vector<Fiche> copies = copiesChoisies(store, choisies);
    if (copies.empty()) return 0;

    TableFiches existantes;
    std::size_t nombre = 0;
    if (existe(cible)) {
        const LectureFiches lu = lireBaseTelleQuelle(cible, existantes, nombre);
        if (lu != LectureFiches::kLues) {
            store.messages().message(avecChemin(textes::kErreurLecture, cible) +
                                     (lu == LectureFiches::kErreur ? raisonSysteme(errno)
                                                                   : std::string("ce n'est pas une base")));
            return 0;
        }
    }

    const std::string repertoire = cheminRepertoireImages(cible);
    bool avecImages = false;
    for (const Fiche& f : copies) avecImages = avecImages || aUneImage(texteChamp(f.image));
    if (avecImages) creerRepertoire(repertoire);
    for (std::size_t k = 0; k < copies.size(); ++k) {
        copies[k].numero = static_cast<int32_t>(nombre + k);
        rangerCopie(store, copies[k], repertoire);
    }

    VersionGardee gardee;
    const auto garder = [&](const std::string& reelle) {
        if (store.sauvegardes > 0) gardee = garderVersion(cible, reelle, std::time(nullptr));
    };
    const Morceau morceaux[] = {{existantes.data(), nombre * sizeof(Fiche)},
                                {copies.data(), copies.size() * sizeof(Fiche)}};
    const ResultatEcriture r = ecrireFichierSur(cible, morceaux, *store.appels, garder);
    if (!r.ok()) {
        if (!gardee.chemin.empty()) unlink(gardee.chemin.c_str());
        store.messages().message(r.etat == ResultatEcriture::kLectureSeule
                                     ? avecChemin(textes::kBaseProtegee, cible)
                                     : avecChemin(textes::kBaseNonSauvee, cible) + r.raison);
        return 0;
    }
    std::optional<std::string> raison;
    if (!gardee.raison.empty()) raison = gardee.raison;
    else if (!gardee.chemin.empty()) raison = elaguerSauvegardes(cible, store.sauvegardes);
    if (raison) {
        store.messages().message("La base " + cible + " a été enregistrée, mais " +
                                 (gardee.raison.empty() ? "les versions anciennes n'ont pas pu être retirées de "
                                                        : "sa version précédente n'a pas pu être gardée dans ") +
                                 dossierSauvegardes(cible) + " : " + *raison + ".");
    }
    return copies.size();
}
