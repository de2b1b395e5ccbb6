#include "core/repertoire_images.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/chemin_image.h"
#include "core/descripteur.h"
#include "core/fiche.h"
#include "core/fichier_sur.h"
#include "core/place_image.h"
#include "core/sauvegardes.h"
#include "core/services.h"
#include "core/textes.h"

namespace {

const char* const kSansBase =
    "la base doit être enregistrée avant de pouvoir y ranger des images : la fiche est gardée "
    "sans image";
const char* const kInrangeable =
    "l'image %s ne peut pas être rangée dans le répertoire des images (chemin trop long ou nom "
    "non valable) : la fiche est gardée sans image";
const char* const kSansNomLibre =
    "l'image %s n'a pas pu être rangée dans le répertoire des images : aucun nom libre n'a été "
    "trouvé à côté des images du même nom déjà présentes. La fiche est gardée sans image";

std::string raisonFichier(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? raisonSysteme(EISDIR) : textes::kPasUnFichierOrdinaire;
}

// Copies one file; nothing when done, otherwise why not (in French).
std::optional<std::string> copier(const std::string& source, const std::string& destination,
                                  const AppelsSysteme& appels) {
    // Non-blocking, so that a fifo given as source cannot hang the copy; it is refused below.
    Descripteur src(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (src.get() < 0) return raisonSysteme(errno);
    struct stat ss;
    if (fstat(src.get(), &ss) != 0) return raisonSysteme(errno);
    if (!S_ISREG(ss.st_mode)) return raisonFichier(ss);

    // A destination that is a symbolic link stays one: the file it leads to is replaced.
    const std::string cible = cheminReel(destination);
    struct stat sd;
    if (stat(cible.c_str(), &sd) == 0) {
        // One file under two spellings: replacing it by itself would be the only way to harm
        // it, and it already holds the source's bytes.
        if (sd.st_dev == ss.st_dev && sd.st_ino == ss.st_ino) return std::nullopt;
        if (!S_ISREG(sd.st_mode)) return raisonFichier(sd);
        if ((sd.st_mode & S_IWUSR) == 0) return "il est protégé en écriture";
    } else if (errno != ENOENT) {
        return raisonSysteme(errno);
    }

    // The file is written whole beside the destination, then renamed over it; a replaced
    // file keeps its permissions, a new one gets the usual ones.
    const ResultatEcriture r = ecrireFichierSur(
        cible, [&src](int fd, const AppelsSysteme& a) { return copierDescripteur(src.get(), fd, a); },
        appels);
    if (r.etat == ResultatEcriture::kLectureSeule) return "il est protégé en écriture";
    if (!r.ok()) return r.raison;
    return std::nullopt;
}

std::string messageEchec(const std::string& source, const std::string& destination,
                         const std::string& raison) {
    return "le fichier " + source + " n'a pas pu être copié vers " + destination + " : " + raison;
}

struct Identite {
    dev_t dev;
    ino_t ino;
    bool operator==(const Identite&) const = default;
};

struct CopieArbre {
    std::optional<Identite> destination;
    std::size_t echecs = 0;
    std::string premierEchec;
    void echec(const std::string& de, const std::string& vers, const std::string& raison) {
        if (echecs++ == 0) premierEchec = messageEchec(de, vers, raison);
    }
};

// One entry of the tree to copy: a directory to make, or a file to copy.
struct Entree {
    std::string de;
    std::string vers;
    std::string relatif;  // inside the destination
    bool repertoire;
    uint64_t taille;
};

// The entries of the tree, each directory before its contents, so that the bytes to copy are
// known before the first is copied.
void lister(const CopieArbre& c, const std::string& source, const std::string& destination,
            const std::string& relatif, std::vector<Entree>& entrees) {
    std::vector<std::string> noms;
    if (DIR* d = opendir(source.c_str())) {
        while (dirent* e = readdir(d)) {
            // Hidden entries, "." and ".." among them, are not part of the tree.
            if (e->d_name[0] != '.') noms.emplace_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(noms.begin(), noms.end());
    for (const std::string& nom : noms) {
        const std::string de = source + "/" + nom;
        const std::string vers = destination + "/" + nom;
        const std::string rel = relatif.empty() ? nom : relatif + "/" + nom;
        struct stat st;
        if (lstat(de.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            // A linked picture is copied as a file; a linked directory is not entered, as it
            // may lead anywhere on the disk, or back up the tree.
            if (stat(de.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (c.destination && *c.destination == Identite{st.st_dev, st.st_ino}) continue;
            entrees.push_back({de, vers, rel, true, 0});
            lister(c, de, vers, rel, entrees);
        } else if (S_ISREG(st.st_mode)) {
            entrees.push_back({de, vers, rel, false, static_cast<uint64_t>(st.st_size)});
        }
    }
}

// Copies one file of the tree; a file of the destination about to get different bytes is
// first offered to suivi.
void copierEntree(CopieArbre& c, const Entree& e, const SuiviCopie* suivi) {
    if (suivi && suivi->avantRemplacement) {
        const std::string cible = cheminReel(e.vers);
        struct stat sd;
        if (stat(cible.c_str(), &sd) == 0 && S_ISREG(sd.st_mode)) {
            if (memesOctets(e.de, cible)) return;
            if (std::string raison = suivi->avantRemplacement(e.relatif, cible); !raison.empty()) {
                // Appended rather than concatenated: GCC 12 at -O3 warns falsely on "text" + string.
                std::string pourquoi = "l'image qu'il remplacerait n'a pas pu être gardée avec les versions de la base (";
                pourquoi += raison;
                pourquoi += ')';
                c.echec(e.de, e.vers, pourquoi);
                return;
            }
        }
    }
    if (auto raison = copier(e.de, e.vers, appelsSysteme())) c.echec(e.de, e.vers, *raison);
}

}  // namespace

std::string cheminRepertoireImages(const std::string& base) {
    if (base.size() < 4) return {};
    return base.substr(0, base.size() - 4) + ".rep";
}

bool lierRepertoireImages(MagasinFiches& store, const std::string& base) {
    if (store.repertoireImages.affecter(cheminRepertoireImages(base))) return true;
    store.repertoireImages.vider();
    return false;
}

Creation creerRepertoire(const std::string& chemin) {
    if (chemin.empty()) return Creation::kEchec;
    if (mkdir(chemin.c_str(), 0777) == 0) return Creation::kCree;
    return errno == EEXIST ? Creation::kExistait : Creation::kEchec;
}

void creerRepertoireImages(Messages& messages, const std::string& repertoire) {
    if (creerRepertoire(repertoire) == Creation::kCree) {
        messages.avis(Avis::kRepertoireImagesCree,
                      avecChemin(textes::kCreationRepertoireImages, repertoire));
    }
}

void creerRepertoireDeBase(Messages& messages, const std::string& base, const char* siEchec) {
    if (creerRepertoire(cheminRepertoireImages(base)) != Creation::kCree) messages.message(siEchec);
}

bool emporterImages(MagasinFiches& store, const std::string& nouvelleBase,
                    const std::function<bool(uint64_t, uint64_t)>& progression) {
    creerRepertoireDeBase(store.messages(), nouvelleBase, textes::kErreurCreationRepertoire);
    const std::string nouveau = cheminRepertoireImages(nouvelleBase);
    const std::string ancien = cheminRepertoireImages(store.cheminBase.str());
    if (ancien.empty() || ancien == nouveau) return true;
    // The base about to be replaced becomes a version before its pictures are replaced, so
    // that they are kept with it; the save that follows finds it kept already. A version that
    // cannot be kept is told by that save.
    if (store.sauvegardes > 0) garderVersion(nouvelleBase, cheminReel(nouvelleBase));
    SuiviCopie suivi;
    suivi.avantRemplacement = [&nouvelleBase](const std::string& relatif, const std::string& fichier) {
        return garderImageRemplacee(nouvelleBase, relatif, fichier);
    };
    suivi.progression = progression;
    copierArbre(store.messages(), ancien, nouveau, &suivi);
    return !suivi.interrompue;
}

void rangerImage(MagasinFiches& store) {
    Messages& messages = store.messages();
    const std::string repertoire = store.repertoireImages.str();
    creerRepertoireImages(messages, repertoire);

    const std::string choisie = store.imageChoisie.str();
    Fiche& fiche = store.ficheCourante();
    store.modifiee = true;
    const std::string nom = nomDe(choisie);
    if (nom.empty()) {
        ecrireChamp(fiche.image, "");
        return;
    }
    const std::string champ = "\\" + nom;

    if (repertoire.empty()) {
        if (texteChamp(fiche.image) != champ) {
            messages.message(kSansBase);
            ecrireChamp(fiche.image, "");
        }
        return;
    }

    // The destination is where the display will look for the picture from the stored name.
    const std::optional<std::string> destination = cheminImage(repertoire, champ);
    if (!destination) {
        messages.message(avecChemin(kInrangeable, choisie));
        ecrireChamp(fiche.image, "");
        return;
    }
    if (choisie == *destination) {
        ecrireChamp(fiche.image, champ);
        return;
    }
    // A picture of that name already in the directory may be other cards' picture.
    const std::optional<PlaceImage> place = placeImage(repertoire, choisie, champ);
    if (!place) {
        messages.message(avecChemin(kSansNomLibre, choisie));
        ecrireChamp(fiche.image, "");
        return;
    }
    if (place->copier) copierFichier(messages, choisie, place->chemin);
    // Stored whatever the copy did: the card keeps the name its picture was given.
    ecrireChamp(fiche.image, place->nom);
}

void rangerImageDe(MagasinFiches& store, std::size_t index, const std::string& source) {
    const int32_t courante = store.courante;
    const std::string choisie = store.imageChoisie.str();
    if (store.imageChoisie.affecter(source)) {
        store.courante = static_cast<int32_t>(index);
        rangerImage(store);
    }
    store.courante = courante;
    store.imageChoisie.affecter(choisie);
}

void rangerImagesAutre(MagasinFiches& store, std::size_t debut, std::size_t fin, const std::string& cheminAutre) {
    const std::string repertoire = cheminRepertoireImages(cheminAutre);
    struct stat sr;
    // Most kept versions have no picture of their own: their cards are not looked at.
    if (repertoire.empty() || stat(repertoire.c_str(), &sr) != 0 || !S_ISDIR(sr.st_mode)) return;
    for (std::size_t i = debut; i < fin; ++i) {
        const std::string nom(texteChamp(store.fiches[i].image));
        if (!aUneImage(nom)) continue;
        const std::optional<std::string> source = cheminImage(repertoire, nom);
        struct stat st;
        if (!source || stat(source->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;  // shown as any missing picture is
        rangerImageDe(store, i, *source);
    }
}

std::string repertoireImageAutre(const std::string& cheminAutre, const std::string& repertoireOuvert,
                                 std::string_view nom) {
    const std::string repertoire = cheminRepertoireImages(cheminAutre);
    const std::optional<std::string> source = repertoire.empty() ? std::nullopt : cheminImage(repertoire, nom);
    struct stat st;
    if (source && stat(source->c_str(), &st) == 0 && S_ISREG(st.st_mode)) return repertoire;
    return repertoireOuvert;
}

bool copierFichier(Messages& messages, const std::string& source, const std::string& destination,
                   const AppelsSysteme& appels) {
    if (auto raison = copier(source, destination, appels)) {
        messages.message(messageEchec(source, destination, *raison));
        return false;
    }
    return true;
}

std::size_t copierArbre(Messages& messages, const std::string& source, const std::string& destination,
                        SuiviCopie* suivi) {
    struct stat ss;
    if (stat(source.c_str(), &ss) != 0 || !S_ISDIR(ss.st_mode)) return 0;
    mkdir(destination.c_str(), 0777);
    CopieArbre c;
    struct stat sd;
    if (stat(destination.c_str(), &sd) == 0) {
        if (sd.st_dev == ss.st_dev && sd.st_ino == ss.st_ino) return 0;
        c.destination = Identite{sd.st_dev, sd.st_ino};
    }
    std::vector<Entree> entrees;
    lister(c, source, destination, {}, entrees);
    uint64_t total = 0, fait = 0;
    for (const Entree& e : entrees) total += e.taille;
    for (const Entree& e : entrees) {
        if (suivi && suivi->progression && !suivi->progression(fait, total)) {
            suivi->interrompue = true;
            break;
        }
        if (e.repertoire) {
            mkdir(e.vers.c_str(), 0777);  // an existing directory is filled as it is
        } else {
            copierEntree(c, e, suivi);
            fait += e.taille;
        }
    }
    if (c.echecs > 0) {
        messages.message(std::to_string(c.echecs) + " fichier(s) de " + source +
                         " n'ont pas pu être copiés vers " + destination + " ; premier échec : " +
                         c.premierEchec);
    }
    return c.echecs;
}
