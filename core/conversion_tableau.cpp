#include "core/conversion_tableau.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/images_en_attente.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"

namespace {

// How much is written before the disk is asked to start on it.
constexpr off_t kEnvoi = off_t(32) << 20;

// Passes everything on, counting the problems told: the pictures that could not be filed.
class MessagesComptes : public Messages {
public:
    explicit MessagesComptes(Messages& autres) : autres_(autres) {}
    void message(const std::string& texte) override {
        ++nombre_;
        autres_.message(texte);
    }
    void avis(Avis genre, const std::string& texte) override { autres_.avis(genre, texte); }
    int question(const std::string& texte, Boutons boutons) override {
        ++nombre_;
        return autres_.question(texte, boutons);
    }
    int confirmation(const std::string& texte) override {
        ++nombre_;
        return autres_.confirmation(texte);
    }
    int nombre() const { return nombre_; }

private:
    Messages& autres_;
    int nombre_ = 0;
};

// Files the pictures found beside the table, each as the picture step of a validation does, in
// a store of one card; a card whose picture field it changes (a free name taken, a picture left
// out) gets the new field written over its own in the file. Returns 0, or the error number that
// stopped the writing; rangees says whether every picture was filed.
int rangerImages(MagasinFiches& store, const std::string& repertoire, const std::vector<ImageDuTableau>& images,
                 int fd, const AppelsSysteme& appels, bool& rangees) {
    MessagesComptes comptes(store.messages());
    MagasinFiches rangement(comptes);
    if (!rangement.repertoireImages.affecter(repertoire)) return ENAMETOOLONG;
    Fiche& f = rangement.fiches[0];
    for (const ImageDuTableau& image : images) {
        // The field as the reading left it: the text, then zero bytes.
        char lu[sizeof f.image] = {};
        ecrireChamp(lu, image.champ);
        std::memcpy(f.image, lu, sizeof lu);
        rangerImageDe(rangement, 0, image.source);
        if (std::memcmp(f.image, lu, sizeof lu) == 0) continue;
        const off_t position = static_cast<off_t>(image.index * sizeof(Fiche) + offsetof(Fiche, image));
        if (lseek(fd, position, SEEK_SET) < 0) return errno;
        if (const int erreur = ecrireTout(fd, f.image, sizeof f.image, appels)) return erreur;
    }
    rangees = comptes.nombre() == 0;
    return 0;
}

}  // namespace

ConversionTableau convertirTableauCsv(MagasinFiches& store, const std::string& source, std::size_t tailleTranche) {
    Messages& messages = store.messages();
    ConversionTableau fait;
    ImportTableau import(source, 0);
    if (!import.charger()) {
        messages.message(import.raison());
        return fait;
    }
    bool lue = false, refusee = false;
    ImagesEnAttente attente(store.repertoireImages.str());
    // Reads the table, writing each slice into fd (none when -1), and once it is accepted files
    // its pictures. A write that fails leaves the reading going, so that a refused cell is told
    // rather than the failure.
    const auto convertir = [&](int fd, const AppelsSysteme& appels) {
        lue = true;
        int erreur = 0;
        TableFiches tranche;
        off_t ecrits = 0, envoyes = 0;
        const auto ecrire = [&](const TrancheCsv& t) {
            if (fd < 0 || erreur != 0) return true;
            erreur = ecrireTout(fd, t.fiches, t.nombre * sizeof(Fiche), appels);
            ecrits += static_cast<off_t>(t.nombre * sizeof(Fiche));
            // The disk starts on what is written while the rest is read, rather than all of it
            // waiting for the final flush: the kernel begins writing back the pages advised.
            if (ecrits - envoyes >= kEnvoi) {
                posix_fadvise(fd, envoyes, ecrits - envoyes, POSIX_FADV_DONTNEED);
                envoyes = ecrits;
            }
            return true;
        };
        if (!import.lire(tranche, 0, tailleTranche, true, ecrire) ||
            !import.accepter(!store.repertoireImages.empty())) {
            messages.message(import.raison());
            refusee = true;
            return ECANCELED;
        }
        if (fd < 0 || erreur != 0 || import.images().empty()) return erreur;
        // The pictures wait beside the directory until the base is whole.
        if (const int e = attente.preparer()) return e;
        if (const int e = rangerImages(store, attente.dossier(), import.images(), fd, appels, fait.imagesRangees)) {
            return e;
        }
        // The base made durable now, so that the pictures put in place next wait for its
        // rename only, not for its flush.
        if (appels.synchroniser(fd) != 0) return errno;
        return attente.poser();
    };
    const auto siEchec = [&] {
        attente.retirer();
        // The base could not be written before the table was read: a refused cell still comes first.
        if (!lue) convertir(-1, appelsSysteme());
        return !refusee;
    };
    fait.ecrite = store.ecrireBase(store.cheminBase.str(), convertir, siEchec) == 1;
    return fait;
}
