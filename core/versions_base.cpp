#include "core/versions_base.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/descripteur.h"
#include "core/fichier_sur.h"
#include "core/lecture_base.h"
#include "core/lecture_parallele.h"
#include "core/magasin_fiches.h"
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

// The time nomSauvegarde wrote into the version's name, after the base's stem and a dash.
std::tm quandDe(const std::string& nomVersion, const std::string& nomBase) {
    const auto point = nomBase.rfind('.');
    const std::size_t debut = (point == std::string::npos || point == 0 ? nomBase.size() : point) + 1;
    std::tm t{};
    if (nomVersion.size() >= debut + 15 &&
        std::sscanf(nomVersion.c_str() + debut, "%4d%2d%2d-%2d%2d%2d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                    &t.tm_hour, &t.tm_min, &t.tm_sec) == 6) {
        t.tm_year -= 1900;
        t.tm_mon -= 1;
        t.tm_isdst = -1;
    }
    return t;
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
    const std::string nomBase = nomDe(cheminBase);
    for (const std::string& chemin : sauvegardesDe(cheminBase)) {
        VersionBase v;
        v.chemin = chemin;
        v.quand = quandDe(nomDe(chemin), nomBase);
        v.raison = raisonIlisible(chemin, v.fiches);
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
    lue.fiches.redimensionner(lue.nombre + 1);
    std::memset(static_cast<void*>(&lue.fiches[lue.nombre]), 0, sizeof(Fiche));
    return {};
}

void revenirA(MagasinFiches& store, BaseLue&& version) {
    store.fiches = std::move(version.fiches);
    store.derniere = static_cast<int32_t>(version.nombre) - 1;
    store.courante = 0;
    store.dernierResultat = 0;
    store.modifiee = true;
    version = BaseLue();
}
