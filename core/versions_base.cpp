#include "core/versions_base.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>

#include "core/chemin_image.h"
#include "core/descripteur.h"
#include "core/fichier_sur.h"
#include "core/lecture_base.h"
#include "core/lecture_parallele.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"
#include "core/sauvegardes.h"
#include "core/textes.h"

namespace {

std::string raisonOuverture(int erreur) {
    return erreur == ENOENT ? "le fichier n'existe pas" : raisonSysteme(erreur);
}

// Why a file of this status is no base; empty when it is one.
std::string raisonStatut(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return textes::kEstUnRepertoire;
    if (!S_ISREG(st.st_mode)) return "ce n'est pas un fichier de base";
    if (st.st_size % static_cast<off_t>(sizeof(Fiche)) != 0) {
        return "le fichier est tronqué : sa taille n'est pas un nombre entier de fiches de 1028 octets";
    }
    return {};
}

// Opens for reading only; without blocking, so that a fifo cannot hang the listing.
int ouvrir(const std::string& chemin, struct stat& st, std::string& raison) {
    const int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        raison = raisonOuverture(errno);
        return -1;
    }
    if (fstat(fd, &st) != 0) {
        raison = raisonSysteme(errno);
    } else {
        raison = raisonStatut(st);
    }
    return fd;
}

}  // namespace

std::string raisonIlisible(const std::string& chemin, std::size_t& fiches) {
    struct stat st;
    std::string raison;
    Descripteur fd(ouvrir(chemin, st, raison));
    fiches = raison.empty() ? static_cast<std::size_t>(st.st_size) / sizeof(Fiche) : 0;
    return raison;
}

std::vector<VersionBase> versionsBase(const std::string& cheminBase) {
    std::vector<VersionBase> versions;
    for (const VersionDatee& d : sauvegardesDatees(cheminBase)) {
        VersionBase v;
        v.chemin = d.chemin;
        localtime_r(&d.instant, &v.quand);
        v.raison = raisonIlisible(d.chemin, v.fiches);
        versions.push_back(std::move(v));
    }
    return versions;
}

std::string lireBase(const std::string& chemin, BaseLue& lue,
                     const std::function<bool(uint64_t, uint64_t)>& progression) {
    struct stat st;
    std::string raison;
    Descripteur fd(ouvrir(chemin, st, raison));
    if (!raison.empty()) return raison;
    const auto taille = static_cast<std::size_t>(st.st_size);
    long long lu = 0;
    try {
        lue.fiches.redimensionner(taille / sizeof(Fiche) + 1);
        if (!progression) {
            lu = lireDansTable(fd.get(), lue.fiches, 0);
        } else {
            // In pieces, so that the window can show the progress and offer to stop.
            constexpr std::size_t kMorceau = std::size_t(32) << 20;
            char* debut = reinterpret_cast<char*>(lue.fiches.bloc(0, lue.fiches.places()));
            while (static_cast<std::size_t>(lu) < taille) {
                if (!progression(static_cast<uint64_t>(lu), taille)) return "lecture interrompue";
                const std::size_t morceau = std::min(kMorceau, taille - static_cast<std::size_t>(lu));
                const long long r = lirePlage(fd.get(), debut + lu, morceau, static_cast<off_t>(lu));
                if (r < 0) {
                    lu = -1;
                    break;
                }
                lu += r;
                if (static_cast<std::size_t>(r) < morceau) break;  // the file got shorter
            }
        }
    } catch (const std::bad_alloc&) {
        lue = BaseLue();
        return "mémoire insuffisante";
    }
    if (lu < 0) {
        const int erreur = errno;
        lue = BaseLue();
        return raisonSysteme(erreur);
    }
    // Cards past the last whole record are ignored, as when a base is opened.
    lue.nombre = static_cast<std::size_t>(lu) / sizeof(Fiche);
    lue.chemin = chemin;
    lue.fiches.redimensionner(lue.nombre + 1);
    std::memset(static_cast<void*>(&lue.fiches[lue.nombre]), 0, sizeof(Fiche));
    return {};
}

namespace {
// The cards at index i of both tables differ in some byte, the bytes after a text's zero included:
// what undoing must bring back exactly.
bool differentes(const Fiche& a, const Fiche& b) { return std::memcmp(&a, &b, sizeof(Fiche)) != 0; }
}  // namespace

std::size_t octetsRevenirA(const MagasinFiches& store, const BaseLue& version) {
    const auto ouvertes = static_cast<std::size_t>(store.derniere + 1);
    const std::size_t communes = std::min(ouvertes, version.nombre);
    std::size_t remplacees = 0;
    for (std::size_t i = 0; i < communes; ++i) remplacees += differentes(store.fiches[i], version.fiches[i]);
    return octetsEtapeFiches(remplacees, std::max(ouvertes, version.nombre) - communes);
}

std::unique_ptr<Etape> revenirA(MagasinFiches& store, BaseLue&& version) {
    const auto ouvertes = static_cast<std::size_t>(store.derniere + 1);
    const int32_t courante = store.courante;
    const bool avecEtape = store.historique.gardable(octetsRevenirA(store, version));
    std::vector<FicheRemplacee> remplacees;
    std::vector<Fiche> retirees;
    // Cards equal in both tables whose picture the version keeps in its own directory: filing it
    // may rename it, and the step must then bring the card back too.
    std::vector<FicheRemplacee> memes;
    if (avecEtape) {
        const std::string repertoireVersion = cheminRepertoireImages(version.chemin);
        struct stat sr;
        const bool imagesPropres =
            !repertoireVersion.empty() && stat(repertoireVersion.c_str(), &sr) == 0 && S_ISDIR(sr.st_mode);
        for (std::size_t i = 0; i < std::min(ouvertes, version.nombre); ++i) {
            if (differentes(store.fiches[i], version.fiches[i])) {
                remplacees.push_back({i, store.fiches[i]});
            } else if (imagesPropres && aUneImage(texteChamp(store.fiches[i].image)) &&
                       repertoireImageAutre(version.chemin, {}, texteChamp(store.fiches[i].image)) == repertoireVersion) {
                memes.push_back({i, store.fiches[i]});
            }
        }
        if (ouvertes > version.nombre) {
            retirees.reserve(ouvertes - version.nombre);
            for (std::size_t i = version.nombre; i < ouvertes; ++i) retirees.push_back(store.fiches[i]);
        }
    }
    // The version's cards are written into the table rather than replacing it: the steps
    // before this one keep slots of this very table, which undoing them puts back.
    const std::size_t n = version.nombre;
    if (n < ouvertes) garderPremieres(store, n);
    else store.fiches.redimensionner(std::max<std::size_t>(n, 1));
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= ouvertes || differentes(store.fiches[i], version.fiches[i])) store.fiches[i] = version.fiches[i];
    }
    store.derniere = static_cast<int32_t>(n) - 1;
    store.courante = 0;
    store.dernierResultat = 0;
    store.modifiee = true;
    rangerImagesAutre(store, 0, version.nombre, version.chemin);
    version = BaseLue();
    if (!avecEtape) return nullptr;
    for (FicheRemplacee& m : memes) {
        if (differentes(store.fiches[m.index], m.avant)) remplacees.push_back(std::move(m));
    }
    std::sort(remplacees.begin(), remplacees.end(),
              [](const FicheRemplacee& a, const FicheRemplacee& b) { return a.index < b.index; });
    return etapeFiches(store, GenreEtape::kRetourVersion, "le retour à une version précédente", ouvertes,
                       std::move(remplacees), std::move(retirees), static_cast<std::size_t>(courante), 0);
}
