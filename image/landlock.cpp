#include "image/landlock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/descripteur.h"
#include "core/services.h"

// The numbers are the same on every architecture.
#ifndef SYS_landlock_create_ruleset
#define SYS_landlock_create_ruleset 444
#endif
#ifndef SYS_landlock_add_rule
#define SYS_landlock_add_rule 445
#endif
#ifndef SYS_landlock_restrict_self
#define SYS_landlock_restrict_self 446
#endif

namespace {

// The kernel's structures, as they stand in version 7; older kernels read only the fields
// they know and accept the zeros after them.
struct AttributsRegles {
    std::uint64_t accesFichiers;
    std::uint64_t accesReseau;
    std::uint64_t perimetre;
};

struct RegleChemin {
    std::uint64_t accesPermis;
    std::int32_t dossierParent;
} __attribute__((packed));

constexpr std::uint32_t kDemanderVersion = 1u << 0;
constexpr int kRegleChemin = 1;

constexpr std::uint64_t kExecuter = 1ull << 0;
constexpr std::uint64_t kEcrireFichier = 1ull << 1;
constexpr std::uint64_t kLireFichier = 1ull << 2;
constexpr std::uint64_t kLireDossier = 1ull << 3;
// Version 1 knows the thirteen first rights, from executing to making a symbolic link.
constexpr std::uint64_t kAccesVersion1 = (1ull << 13) - 1;
constexpr std::uint64_t kReferencer = 1ull << 13;         // version 2: links and renames across folders
constexpr std::uint64_t kTronquer = 1ull << 14;           // version 3
constexpr std::uint64_t kIoctlPeripherique = 1ull << 15;  // version 5
// The rights that mean something on a file (the others are rights on a folder's entries).
constexpr std::uint64_t kAccesFichier = kExecuter | kEcrireFichier | kLireFichier | kTronquer |
                                        kIoctlPeripherique;

constexpr std::uint64_t kLierTcp = 1ull << 0;       // version 4
constexpr std::uint64_t kConnecterTcp = 1ull << 1;  // version 4

constexpr std::uint64_t kSocketsAbstraites = 1ull << 0;  // version 6
constexpr std::uint64_t kSignaux = 1ull << 1;            // version 6

[[noreturn]] void refus(const char* etape, int err) {
    throw Erreur(std::string("le convertisseur n'a pas pu s'isoler (Landlock, ") + etape + " : " +
                 std::strerror(err) + ")");
}

std::uint64_t accesFichiers(int version) {
    std::uint64_t acces = kAccesVersion1;
    if (version >= 2) acces |= kReferencer;
    if (version >= 3) acces |= kTronquer;
    if (version >= 5) acces |= kIoctlPeripherique;
    return acces;
}

void permettre(int ensemble, const std::string& chemin, std::uint64_t acces) {
    const Descripteur d{open(chemin.c_str(), O_PATH | O_CLOEXEC)};
    if (d.get() < 0) {
        // Not every machine has every font folder or cache: what is missing needs no rule.
        if (errno == ENOENT || errno == ENOTDIR || errno == EACCES || errno == ELOOP) return;
        refus(chemin.c_str(), errno);
    }
    struct stat st;
    if (fstat(d.get(), &st) != 0) refus(chemin.c_str(), errno);
    RegleChemin regle{S_ISDIR(st.st_mode) ? acces : (acces & kAccesFichier), d.get()};
    if (syscall(SYS_landlock_add_rule, ensemble, kRegleChemin, &regle, 0) != 0) {
        refus(chemin.c_str(), errno);
    }
}

}  // namespace

int versionLandlock() {
    const long v = syscall(SYS_landlock_create_ruleset, nullptr, 0, kDemanderVersion);
    return v < 0 ? 0 : static_cast<int>(v);
}

std::vector<std::string> manquesLandlock(int version) {
    std::vector<std::string> manques;
    if (version <= 0) return {"Landlock (fichiers, réseau et signaux)"};
    if (version < 4) manques.push_back("les règles réseau de Landlock");
    if (version < 6) manques.push_back("le cloisonnement des signaux et des sockets abstraites de Landlock");
    return manques;
}

void restreindreLandlock(int version, const std::vector<std::string>& lectures,
                         const std::vector<std::string>& executables) {
    if (version <= 0) return;
    AttributsRegles attributs{};
    attributs.accesFichiers = accesFichiers(version);
    // No rule for any port: every TCP bind and connect is refused.
    if (version >= 4) attributs.accesReseau = kLierTcp | kConnecterTcp;
    if (version >= 6) attributs.perimetre = kSocketsAbstraites | kSignaux;
    // A kernel of version 1 to 3 reads only the first field (4 and 5 the first two): the size
    // told is the size it knows, so that an older kernel never sees fields it refuses.
    const std::size_t taille = version >= 6 ? sizeof attributs
                               : version >= 4 ? 2 * sizeof(std::uint64_t)
                                              : sizeof(std::uint64_t);
    const long ensemble = syscall(SYS_landlock_create_ruleset, &attributs, taille, 0u);
    if (ensemble < 0) refus("création des règles", errno);
    const Descripteur d{static_cast<int>(ensemble)};
    for (const std::string& chemin : lectures) permettre(d.get(), chemin, kLireFichier | kLireDossier);
    for (const std::string& chemin : executables) {
        permettre(d.get(), chemin, kLireFichier | kLireDossier | kExecuter);
    }
    if (syscall(SYS_landlock_restrict_self, d.get(), 0u) != 0) refus("mise en place", errno);
}
