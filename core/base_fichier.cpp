// Reading and writing base files: a headerless sequence of 1028-byte cards.

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <new>
#include <vector>

#include "core/attributs.h"
#include "core/magasin_fiches.h"
#include "core/lecture_base.h"
#include "core/lecture_parallele.h"
#include "core/recentes.h"
#include "core/sauvegardes.h"
#include "core/textes.h"

namespace {
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
    const std::size_t capacite = (table.places() - premiere) * sizeof(Fiche);
    // The places from premiere on were just added: fresh slots that follow one another.
    if (table.bloc(premiere, table.places() - premiere) == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (capacite >= kLectureParallele) {
        const long long r = lireDeuxMoities(fd, reinterpret_cast<char*>(table.bloc(premiere, table.places() - premiere)), capacite);
        if (r < 0) return -1;
        lu = static_cast<std::size_t>(r);
        if (lu < capacite) return r;  // the file ended within the table
    }
    for (;;) {
        // Tables are sized one slot past the whole records: the read that meets the end of
        // the file lands there, so a file read in one go needs no growth.
        const std::size_t place = (table.places() - premiere) * sizeof(Fiche) - lu;
        if (place == 0) {
            table.redimensionner(table.places() + table.places() / 2 + 1);
            continue;
        }
        char* debut = reinterpret_cast<char*>(table.bloc(premiere, table.places() - premiere));
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

int ouvrirPourLecture(Messages& messages, const std::string& chemin, bool rendreModifiable,
                      struct stat& st) {
    if (rendreModifiable) {
        if (!lireAttributs(chemin)) {
            messages.message(avecChemin(textes::kBaseIntrouvable, chemin));
            return -1;
        }
        retirerLectureSeule(chemin);
    }
    const int fd = ouvrirBase(chemin, st);
    if (fd < 0) messages.message(avecChemin(textes::kBaseNonTrouvee, chemin));
    return fd;
}

LectureFiches lireFichesBase(int fd, TableFiches& table, std::size_t& nombre) {
    struct stat st;
    if (fstat(fd, &st) != 0) return LectureFiches::kErreur;
    if (!S_ISREG(st.st_mode)) return LectureFiches::kPasUnFichier;
    const auto attendues = static_cast<unsigned long long>(st.st_size) / sizeof(Fiche);
    if (attendues >= static_cast<unsigned long long>(INT32_MAX)) return LectureFiches::kTropDeFiches;
    table.redimensionner(static_cast<std::size_t>(attendues) + 1);
    const long long lu = lireDansTable(fd, table, 0);
    if (lu < 0) return LectureFiches::kErreur;
    const auto n = static_cast<unsigned long long>(lu) / sizeof(Fiche);
    if (n >= static_cast<unsigned long long>(INT32_MAX)) return LectureFiches::kTropDeFiches;
    // The slot after the last whole record is not a card; it is kept blank so that it can be
    // shown as a well-formed card when the base holds none.
    nombre = static_cast<std::size_t>(n);
    table.redimensionner(nombre + 1);
    std::memset(static_cast<void*>(&table[nombre]), 0, sizeof(Fiche));
    return LectureFiches::kLues;
}

LectureFiches lireBaseTelleQuelle(const std::string& chemin, TableFiches& table, std::size_t& nombre) {
    Descripteur fd(open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return LectureFiches::kErreur;
    return lireFichesBase(fd.get(), table, nombre);
}

int MagasinFiches::chargerBase(const std::string& chemin) {
    struct stat st;
    Descripteur fd(ouvrirPourLecture(messages_, chemin, true, st));
    if (fd.get() < 0) return 0;
    const IdentiteFichier lu = IdentiteFichier::de(st);
    const auto lue = [&] {
        courante = 0;
        dernierResultat = 0;
        garde.apresLecture(chemin, lu);
        noterTableDuFichier(lu);
        noterRecente(recentes, chemin);
        return 1;
    };
    if (tableDuFichier(lu)) {
        // The file is the one just read or written, unchanged, and so is the table: reading
        // it again would give the same cards, and hold a second table meanwhile.
        try {
            fiches.redimensionner(static_cast<std::size_t>(derniere) + 2);
        } catch (const std::bad_alloc&) {
            messages_.message(avecChemin("mémoire insuffisante pour ouvrir le fichier %s", chemin));
            return 0;
        }
        viderFiche(fiches[static_cast<std::size_t>(derniere) + 1]);
        return lue();
    }
    // Read into a new table, so that a failure leaves the open base as it was.
    TableFiches nouvelle;
    std::size_t n = 0;
    LectureFiches lecture;
    try {
        lecture = lireFichesBase(fd.get(), nouvelle, n);
    } catch (const std::bad_alloc&) {
        messages_.message(avecChemin("mémoire insuffisante pour ouvrir le fichier %s", chemin));
        return 0;
    }
    if (lecture == LectureFiches::kTropDeFiches) {
        messages_.message(avecChemin(kTropGrand, chemin));
        return 0;
    }
    if (lecture != LectureFiches::kLues) {
        messages_.message(avecChemin(textes::kErreurLecture, chemin) +
                          raisonSysteme(errno));
        return 0;
    }
    fiches = std::move(nouvelle);
    derniere = static_cast<int32_t>(n) - 1;
    // The steps kept slots of the table replaced: they cannot apply to this one.
    if (historique.nombre() > 0) historique.recommencer(*this);
    return lue();
}

namespace {
int ecrireFiches(int fd, const TableFiches& table, std::size_t nombre, const AppelsSysteme& a) {
    // Cards in slots that follow one another go out as one block from where they lie; the
    // others are gathered in order into a small buffer, never into a copy of the table.
    constexpr std::size_t kTampon = 256;
    std::vector<Fiche> tampon;
    std::size_t dansTampon = 0;
    const auto vider = [&]() {
        const int erreur = dansTampon ? ecrireTout(fd, tampon.data(), dansTampon * sizeof(Fiche), a) : 0;
        dansTampon = 0;
        return erreur;
    };
    for (std::size_t i = 0; i < nombre;) {
        std::size_t fin = i + 1;
        while (fin < nombre && table.caseDe(fin) == table.caseDe(fin - 1) + 1) ++fin;
        if (fin - i >= kTampon / 4) {
            if (const int erreur = vider()) return erreur;
            if (const int erreur = ecrireTout(fd, &table[i], (fin - i) * sizeof(Fiche), a)) return erreur;
        } else {
            if (tampon.empty()) tampon.resize(kTampon);
            for (; i < fin; ++i) {
                if (dansTampon == kTampon) {
                    if (const int erreur = vider()) return erreur;
                }
                tampon[dansTampon++] = table[i];
            }
        }
        i = fin;
    }
    return vider();
}
}  // namespace

int MagasinFiches::ecrireBase(const std::string& chemin) {
    const std::size_t nombre = static_cast<std::size_t>(derniere + 1);
    const int ecrite = ecrireBase(chemin, [this, nombre](int fd, const AppelsSysteme& a) {
        return ecrireFiches(fd, fiches, nombre, a);
    });
    struct stat st;
    if (ecrite && stat(chemin.c_str(), &st) == 0) noterTableDuFichier(IdentiteFichier::de(st));
    return ecrite;
}

void MagasinFiches::noterTableDuFichier(const IdentiteFichier& fichier) {
    tableDuFichier_ = {fichier, fiches.version(), derniere};
}

bool MagasinFiches::tableDuFichier(const IdentiteFichier& fichier) const {
    return tableDuFichier_.fichier == fichier && tableDuFichier_.version == fiches.version() &&
           tableDuFichier_.derniere == derniere;
}

int MagasinFiches::ecrireBase(const std::string& chemin, const Contenu& contenu,
                              const std::function<bool()>& siEchec) {
    VersionGardee gardee;
    const auto garder = [&](const std::string& cible) {
        if (sauvegardes <= 0) return;
        try {
            gardee = garderVersion(chemin, cible);
        } catch (const std::exception&) {
            gardee = {{}, "mémoire insuffisante"};
        }
    };
    const ResultatEcriture r = ecrireFichierSur(chemin, contenu, *appels, garder);
    if (!r.ok()) {
        // The base was not replaced: the version kept is the file still in place, and a
        // folder made for it alone goes too.
        if (!gardee.chemin.empty() && !gardee.dejaGardee) {
            unlink(gardee.chemin.c_str());
            rmdir(dossierSauvegardes(chemin).c_str());
        }
        if (siEchec && !siEchec()) return 0;
        messages_.message(r.etat == ResultatEcriture::kLectureSeule
                              ? avecChemin(textes::kBaseProtegee, chemin)
                              : avecChemin(textes::kBaseNonSauvee, chemin) + r.raison);
        return 0;
    }
    garde.apresEcriture(chemin, r.identite);
    noterRecente(recentes, chemin);
    if (sauvegardes > 0) signalerSauvegarde(chemin, gardee);
    return 1;
}

int ecrireBaseVerifiee(MagasinFiches& store, const std::string& chemin) {
    if (!store.garde.accepterEcriture(chemin, store.messages())) return 0;
    return store.ecrireBase(chemin);
}

void MagasinFiches::signalerSauvegarde(const std::string& chemin, const VersionGardee& gardee) {
    std::optional<std::string> raison;
    if (!gardee.raison.empty()) {
        raison = gardee.raison;
    } else if (!gardee.chemin.empty()) {
        raison = elaguerSauvegardes(chemin, sauvegardes);
    }
    const std::string dossier = dossierSauvegardes(chemin);
    if (!raison) {
        if (sauvegardeEnEchec_ == dossier) sauvegardeEnEchec_.clear();
        return;
    }
    if (sauvegardeEnEchec_ == dossier) return;
    sauvegardeEnEchec_ = dossier;
    messages_.message("La base " + chemin + " a été enregistrée, mais " +
                      (gardee.raison.empty() ? "les versions anciennes n'ont pas pu être retirées de "
                                             : "sa version précédente n'a pas pu être gardée dans ") +
                      dossier + " : " + *raison + ".");
}
