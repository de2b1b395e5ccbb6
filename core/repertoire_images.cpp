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
};

void copierContenu(CopieArbre& c, const std::string& source, const std::string& destination) {
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
        struct stat st;
        if (lstat(de.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            // A linked picture is copied as a file; a linked directory is not entered, as it
            // may lead anywhere on the disk, or back up the tree.
            if (stat(de.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (c.destination && *c.destination == Identite{st.st_dev, st.st_ino}) continue;
            mkdir(vers.c_str(), 0777);  // an existing directory is filled as it is
            copierContenu(c, de, vers);
        } else if (S_ISREG(st.st_mode)) {
            if (auto raison = copier(de, vers, appelsSysteme())) {
                if (c.echecs++ == 0) c.premierEchec = messageEchec(de, vers, *raison);
            }
        }
    }
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

void emporterImages(MagasinFiches& store, const std::string& nouvelleBase) {
    creerRepertoireDeBase(store.messages(), nouvelleBase, textes::kErreurCreationRepertoire);
    const std::string nouveau = cheminRepertoireImages(nouvelleBase);
    const std::string ancien = cheminRepertoireImages(store.cheminBase.str());
    if (!ancien.empty() && ancien != nouveau) copierArbre(store.messages(), ancien, nouveau);
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

bool copierFichier(Messages& messages, const std::string& source, const std::string& destination,
                   const AppelsSysteme& appels) {
    if (auto raison = copier(source, destination, appels)) {
        messages.message(messageEchec(source, destination, *raison));
        return false;
    }
    return true;
}

std::size_t copierArbre(Messages& messages, const std::string& source, const std::string& destination) {
    struct stat ss;
    if (stat(source.c_str(), &ss) != 0 || !S_ISDIR(ss.st_mode)) return 0;
    mkdir(destination.c_str(), 0777);
    CopieArbre c;
    struct stat sd;
    if (stat(destination.c_str(), &sd) == 0) {
        if (sd.st_dev == ss.st_dev && sd.st_ino == ss.st_ino) return 0;
        c.destination = Identite{sd.st_dev, sd.st_ino};
    }
    copierContenu(c, source, destination);
    if (c.echecs > 0) {
        messages.message(std::to_string(c.echecs) + " fichier(s) de " + source +
                         " n'ont pas pu être copiés vers " + destination + " ; premier échec : " +
                         c.premierEchec);
    }
    return c.echecs;
}
