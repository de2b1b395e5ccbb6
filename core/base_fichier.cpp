// Reading and writing base files: a headerless sequence of 1028-byte cards.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>

#include "core/attributs.h"
#include "core/card_store.h"

namespace {
const char* const kIntrouvable =
    "le fichier de configuration %s n'a pas été trouvé.   \nou est sur un disque protégé en "
    "écriture";
const char* const kNonTrouve = "%s non trouvé";
const char* const kProtege = "le fichier %s n'a pas pu être sauvegardé.   \ncar il est protégé en écriture";
const char* const kNonSauve = "le fichier %s n'a pas pu être sauvegardé.   \n";

class Descripteur {
public:
    explicit Descripteur(int fd) : fd_(fd) {}
    ~Descripteur() {
        if (fd_ >= 0) close(fd_);
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads until the end of the file into a table sized from the file's length, growing it if
// the file turns out longer. Returns the number of bytes read, or -1 with errno set.
long long lireTout(int fd, TableFiches& table) {
    std::size_t lu = 0;
    for (;;) {
        // Sized for one slot more than the whole records: the read that meets the end of the
        // file lands there, so a file read in one go needs no growth.
        std::size_t place = table.places() * sizeof(Fiche) - lu;
        if (place == 0) {
            table.redimensionner(table.places() + table.places() / 2 + 1);
            continue;
        }
        const std::size_t bloc = std::min<std::size_t>(place, std::size_t(1) << 30);
        ssize_t n = read(fd, reinterpret_cast<char*>(table.data()) + lu, bloc);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) return static_cast<long long>(lu);
        lu += static_cast<std::size_t>(n);
    }
}
}  // namespace

int CardStore::chargerBase(const std::string& chemin) {
    if (!lireAttributs(chemin)) {
        messages_.message(avecChemin(kIntrouvable, chemin));
        return 0;
    }
    retirerLectureSeule(chemin);

    struct stat st;
    // A fifo or a device opens but is no base; reading one could block for ever.
    if (stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        messages_.message(avecChemin(kNonTrouve, chemin));
        return 0;
    }
    Descripteur fd(open(chemin.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        messages_.message(avecChemin(kNonTrouve, chemin));
        return 0;
    }

    const unsigned long long attendues = static_cast<unsigned long long>(st.st_size) / sizeof(Fiche);
    if (attendues >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin(
            "le fichier %s contient trop de fiches pour être ouvert (plus de 2 147 483 646).", chemin));
        return 0;
    }
    TableFiches nouvelle;
    long long lu;
    try {
        nouvelle.redimensionner(static_cast<std::size_t>(attendues) + 1);
        lu = lireTout(fd.get(), nouvelle);
    } catch (const std::bad_alloc&) {
        messages_.message(avecChemin("mémoire insuffisante pour ouvrir le fichier %s", chemin));
        return 0;
    }
    if (lu < 0) {
        messages_.message(avecChemin("erreur de lecture du fichier %s : ", chemin) +
                          raisonSysteme(errno));
        return 0;
    }
    const unsigned long long n = static_cast<unsigned long long>(lu) / sizeof(Fiche);
    if (n >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin(
            "le fichier %s contient trop de fiches pour être ouvert (plus de 2 147 483 646).", chemin));
        return 0;
    }
    // The slot after the last whole record is not a card; it is kept blank so that it can be
    // shown as a well-formed card when the base holds none.
    nouvelle.redimensionner(static_cast<std::size_t>(n) + 1);
    std::memset(static_cast<void*>(&nouvelle[static_cast<std::size_t>(n)]), 0, sizeof(Fiche));

    fiches = std::move(nouvelle);
    derniere = static_cast<int32_t>(n) - 1;
    courante = 0;
    dernierResultat = 0;
    return 1;
}

int CardStore::ecrireBase(const std::string& chemin) {
    const Morceau morceau{fiches.data(), static_cast<std::size_t>(derniere + 1) * sizeof(Fiche)};
    const ResultatEcriture r = ecrireFichierSur(chemin, std::span(&morceau, 1), *appels);
    if (r.etat == ResultatEcriture::kLectureSeule) {
        messages_.message(avecChemin(kProtege, chemin));
        return 0;
    }
    if (!r.ok()) {
        messages_.message(avecChemin(kNonSauve, chemin) + r.raison);
        return 0;
    }
    return 1;
}
