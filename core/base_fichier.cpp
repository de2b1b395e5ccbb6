// Reading and writing base files: a headerless sequence of 1028-byte cards.

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <new>

#include "core/attributs.h"
#include "core/card_store.h"
#include "core/lecture_base.h"

namespace {
const char* const kProtege =
    "le fichier %s n'a pas pu être sauvegardé.   \ncar il est protégé en écriture";
const char* const kNonSauve = "le fichier %s n'a pas pu être sauvegardé.   \n";
const char* const kTropGrand =
    "le fichier %s contient trop de fiches pour être ouvert (plus de 2 147 483 646).";
}  // namespace

int ouvrirBase(const std::string& chemin, struct stat& st) {
    if (stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    // Opening for writing fails on a read-only file, also for root.
    if ((st.st_mode & S_IWUSR) == 0) return -1;
    int fd = open(chemin.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

long long lireDansTable(int fd, TableFiches& table, std::size_t premiere) {
    std::size_t lu = 0;
    for (;;) {
        // Tables are sized one slot past the whole records: the read that meets the end of
        // the file lands there, so a file read in one go needs no growth.
        const std::size_t place = (table.places() - premiere) * sizeof(Fiche) - lu;
        if (place == 0) {
            table.redimensionner(table.places() + table.places() / 2 + 1);
            continue;
        }
        char* debut = reinterpret_cast<char*>(table.data() + premiere);
        const std::size_t bloc = std::min<std::size_t>(place, std::size_t(1) << 30);
        const ssize_t n = read(fd, debut + lu, bloc);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) return static_cast<long long>(lu);
        lu += static_cast<std::size_t>(n);
    }
}

int CardStore::chargerBase(const std::string& chemin) {
    if (!lireAttributs(chemin)) {
        messages_.message(avecChemin(kBaseIntrouvable, chemin));
        return 0;
    }
    retirerLectureSeule(chemin);

    struct stat st;
    Descripteur fd(ouvrirBase(chemin, st));
    if (fd.get() < 0) {
        messages_.message(avecChemin(kBaseNonTrouvee, chemin));
        return 0;
    }
    const auto attendues = static_cast<unsigned long long>(st.st_size) / sizeof(Fiche);
    if (attendues >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin(kTropGrand, chemin));
        return 0;
    }
    // Read into a new table, so that a failure leaves the open base as it was.
    TableFiches nouvelle;
    long long lu;
    try {
        nouvelle.redimensionner(static_cast<std::size_t>(attendues) + 1);
        lu = lireDansTable(fd.get(), nouvelle, 0);
    } catch (const std::bad_alloc&) {
        messages_.message(avecChemin("mémoire insuffisante pour ouvrir le fichier %s", chemin));
        return 0;
    }
    if (lu < 0) {
        messages_.message(avecChemin("erreur de lecture du fichier %s : ", chemin) +
                          raisonSysteme(errno));
        return 0;
    }
    const auto n = static_cast<unsigned long long>(lu) / sizeof(Fiche);
    if (n >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin(kTropGrand, chemin));
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
