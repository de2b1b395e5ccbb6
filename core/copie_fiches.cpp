#include "core/copie_fiches.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <map>
#include <optional>
#include <set>

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "core/descripteur.h"
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

// The pictures of the copied cards, brought into the target's picture directory in one batch:
// each new file is written under a hidden temporary name, the whole file system is flushed
// once, then each is renamed to its place and the directory flushed once. A crash leaves
// either whole pictures or hidden leftovers; one flush per picture would cost ten thousand
// flushes for ten thousand cards.
class RangementImages {
public:
    RangementImages(MagasinFiches& store, std::string repertoire)
        : store_(store), repertoire_(std::move(repertoire)), masque_(umask(0)) {
        umask(masque_);
    }
    ~RangementImages() {
        for (const Envoi& e : envois_) unlink(e.temporaire.c_str());
    }

    // The card keeps the name its picture takes there, or none when it cannot be brought.
    void ranger(Fiche& fiche) {
        const std::string nom(texteChamp(fiche.image));
        if (!aUneImage(nom)) return;
        const std::optional<std::string> source = cheminImage(store_.repertoireImages.str(), nom);
        // A picture already missing from the open base stays as missing in the other one.
        if (!source || !fichierExiste(*source)) return;
        if (auto deja = ranges_.find(*source); deja != ranges_.end()) {
            ecrireChamp(fiche.image, deja->second);
            return;
        }
        std::optional<PlaceImage> place = placeImage(repertoire_, *source, nom);
        // A name given in this batch is not on disk yet: put the batch in place, then look again.
        if (place && place->copier && prises_.count(place->nom)) {
            terminer();
            place = placeImage(repertoire_, *source, nom);
        }
        std::string stocke;
        if (!place) {
            store_.messages().message(avecChemin("aucun nom libre pour l'image %s dans " + repertoire_, *source));
        } else if (!place->copier || envoyer(*source, *place)) {
            stocke = place->nom;
        }
        ranges_[*source] = stocke;
        ecrireChamp(fiche.image, stocke);
    }

    // Puts the pictures written so far in place.
    void terminer() {
        if (envois_.empty()) return;
        Descripteur dossier(open(repertoire_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dossier.get() >= 0) syncfs(dossier.get());
        for (const Envoi& e : envois_) {
            if (rename(e.temporaire.c_str(), e.destination.c_str()) != 0) {
                store_.messages().message(echec(e.source, e.destination, raisonSysteme(errno)));
                unlink(e.temporaire.c_str());
            }
        }
        envois_.clear();
        prises_.clear();
        synchroniserDossier(repertoire_);
    }

private:
    struct Envoi {
        std::string source, temporaire, destination;
    };

    static std::string echec(const std::string& source, const std::string& destination, const std::string& raison) {
        return "le fichier " + source + " n'a pas pu être copié vers " + destination + " : " + raison;
    }

    bool envoyer(const std::string& source, const PlaceImage& place) {
        std::string temporaire = repertoire_ + "/" + prefixeTemporaire(nomDe(place.chemin)) + "XXXXXX";
        Descripteur src(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        Descripteur fd(src.get() < 0 ? -1 : mkostemp(temporaire.data(), O_CLOEXEC));
        int erreur = src.get() < 0 || fd.get() < 0 ? errno : copierDescripteur(src.get(), fd.get(), *store_.appels);
        // The usual permissions of a new file, as the crash-safe writer gives them.
        if (erreur == 0 && fchmod(fd.get(), 0666 & ~masque_) != 0) erreur = errno;
        if (erreur != 0) {
            if (fd.get() >= 0) unlink(temporaire.c_str());
            store_.messages().message(echec(source, place.chemin, raisonSysteme(erreur)));
            return false;
        }
        envois_.push_back({source, std::move(temporaire), place.chemin});
        prises_.insert(place.nom);
        return true;
    }

    MagasinFiches& store_;
    std::string repertoire_;
    mode_t masque_;
    std::vector<Envoi> envois_;
    std::set<std::string> prises_;               // names given to the files not yet in place
    std::map<std::string, std::string> ranges_;  // source picture -> name stored
};

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
    {
        RangementImages images(store, repertoire);
        for (std::size_t k = 0; k < copies.size(); ++k) {
            copies[k].numero = static_cast<int32_t>(nombre + k);
            images.ranger(copies[k]);
        }
        // The pictures are in place before the base that names them is written.
        images.terminer();
    }

    VersionGardee gardee;
    const auto garder = [&](const std::string& reelle) {
        if (store.sauvegardes > 0) gardee = garderVersion(cible, reelle);
    };
    const Morceau morceaux[] = {{nombre > 0 ? existantes.bloc(0, nombre) : nullptr, nombre * sizeof(Fiche)},
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
