#include "core/sauvegardes.h"

#include <dirent.h>
#include <ftw.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <tuple>

#include "core/descripteur.h"
#include "core/repertoire_images.h"

namespace {

// The base's name split into what comes before its extension and the extension with its dot.
// A leading dot does not start an extension.
std::pair<std::string, std::string> decouper(const std::string& nom) {
    const auto point = nom.rfind('.');
    if (point == std::string::npos || point == 0) return {nom, {}};
    return {nom.substr(0, point), nom.substr(point)};
}

bool chiffres(const std::string& s, std::size_t debut, std::size_t n) {
    if (debut + n > s.size()) return false;
    for (std::size_t i = debut; i < debut + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
    }
    return true;
}

struct Version {
    std::string horodatage;  // "AAAAMMJJ-HHMMSS", then the UTC offset when the name has one
    std::time_t instant;     // the moment itself, which never repeats when clocks go back
    long rang;
    std::string nom;
};

// The moment a name's local time and UTC offset stand for. Names written before the offset
// was added carry local time alone: read as the local time zone reads it today.
std::time_t instantDe(const std::string& champs, std::optional<long> decalage) {
    std::tm t{};
    std::sscanf(champs.c_str(), "%4d%2d%2d-%2d%2d%2d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                &t.tm_sec);
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    if (decalage) return timegm(&t) - *decalage;
    t.tm_isdst = -1;
    return mktime(&t);
}

// "+HHMM" or "-HHMM" at debut, as a count of seconds east of UTC.
std::optional<long> lireDecalage(const std::string& s, std::size_t debut) {
    if (debut + 5 > s.size() || (s[debut] != '+' && s[debut] != '-') || !chiffres(s, debut + 1, 4)) {
        return std::nullopt;
    }
    const long heures = std::stol(s.substr(debut + 1, 2));
    const long minutes = std::stol(s.substr(debut + 3, 2));
    if (heures > 14 || minutes > 59) return std::nullopt;
    const long secondes = heures * 3600 + minutes * 60;
    return s[debut] == '-' ? -secondes : secondes;
}

// A file name as nomSauvegarde makes them for this base, read back; also the names written
// before the UTC offset was added.
std::optional<Version> lireNom(const std::string& nom, const std::string& debut,
                               const std::string& extension) {
    const std::string prefixe = debut + "-";
    if (nom.size() < prefixe.size() + 15 + extension.size()) return std::nullopt;
    if (nom.compare(0, prefixe.size(), prefixe) != 0) return std::nullopt;
    if (nom.compare(nom.size() - extension.size(), extension.size(), extension) != 0) {
        return std::nullopt;
    }
    const std::size_t p = prefixe.size();
    if (!chiffres(nom, p, 8) || nom[p + 8] != '-' || !chiffres(nom, p + 9, 6)) return std::nullopt;
    std::string reste = nom.substr(p + 15, nom.size() - extension.size() - p - 15);
    std::string horodatage = nom.substr(p, 15);
    const std::optional<long> decalage = lireDecalage(reste, 0);
    if (decalage && (reste.size() == 5 || reste[5] == '-')) {
        horodatage += reste.substr(0, 5);
        reste.erase(0, 5);
    }
    long rang = 1;
    if (!reste.empty()) {
        if (reste[0] != '-' || reste.size() < 2 || reste.size() > 7 || reste[1] == '0' ||
            !chiffres(reste, 1, reste.size() - 1)) {
            return std::nullopt;
        }
        rang = std::stol(reste.substr(1));
        if (rang < 2) return std::nullopt;
    }
    const bool avecDecalage = horodatage.size() > 15;
    return Version{horodatage, instantDe(horodatage.substr(0, 15), avecDecalage ? decalage : std::nullopt), rang, nom};
}

std::vector<Version> versionsDe(const std::string& cheminBase) {
    const auto [debut, extension] = decouper(nomDe(cheminBase));
    std::vector<Version> versions;
    if (DIR* d = opendir(dossierSauvegardes(cheminBase).c_str())) {
        while (const dirent* e = readdir(d)) {
            if (auto v = lireNom(e->d_name, debut, extension)) versions.push_back(*v);
        }
        closedir(d);
    }
    // Newest first: by the moment, then by rank within one second, then by name.
    std::sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
        return std::tie(a.instant, a.rang, a.nom) > std::tie(b.instant, b.rang, b.nom);
    });
    return versions;
}

// Removes a tree without following links; what cannot be removed stays.
void retirerArbre(const std::string& chemin) {
    nftw(
        chemin.c_str(),
        [](const char* c, const struct stat*, int genre, struct FTW*) {
            if (genre == FTW_DP) {
                rmdir(c);
            } else {
                unlink(c);
            }
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

// Copies a file into a new version file, through the crash-safe writer so that a version is
// never left half-written.
std::string copier(const std::string& fichier, const std::string& destination) {
    Descripteur source(open(fichier.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) return raisonSysteme(errno);
    const ResultatEcriture r = ecrireFichierSur(
        destination, [&source](int fd, const AppelsSysteme& a) { return copierDescripteur(source.get(), fd, a); });
    return r.ok() ? std::string() : r.raison.empty() ? "la copie a échoué" : r.raison;
}

}  // namespace

std::string dossierSauvegardes(const std::string& cheminBase) {
    const std::string dossier = dossierDe(cheminBase);
    const std::string debut = decouper(nomDe(cheminBase)).first + ".sauvegardes";
    if (cheminBase.find('/') == std::string::npos) return debut;
    return dossier == "/" ? "/" + debut : dossier + "/" + debut;
}

std::string nomSauvegarde(const std::string& nomBase, const std::tm& quand, int rang) {
    const auto [debut, extension] = decouper(nomBase);
    char horodatage[96];
    std::snprintf(horodatage, sizeof horodatage, "-%04d%02d%02d-%02d%02d%02d",
                  quand.tm_year + 1900, quand.tm_mon + 1, quand.tm_mday, quand.tm_hour,
                  quand.tm_min, quand.tm_sec);
    std::string nom = debut + horodatage;
    // The offset from UTC makes the name one moment, also in the hour that repeats when the
    // clocks go back.
    const long decalage = quand.tm_gmtoff;
    const long minutes = (decalage < 0 ? -decalage : decalage) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02ld%02ld", decalage < 0 ? '-' : '+', minutes / 60 % 100, minutes % 60);
    nom += zone;
    if (rang > 1) {
        // Appended in two steps: GCC 12 at -O3 warns falsely on "text" + std::to_string.
        nom += '-';
        nom += std::to_string(rang);
    }
    return nom + extension;
}

std::vector<std::string> sauvegardesDe(const std::string& cheminBase) {
    const std::string dossier = dossierSauvegardes(cheminBase);
    std::vector<std::string> chemins;
    for (const Version& v : versionsDe(cheminBase)) chemins.push_back(dossier + "/" + v.nom);
    return chemins;
}

std::vector<VersionDatee> sauvegardesDatees(const std::string& cheminBase) {
    const std::string dossier = dossierSauvegardes(cheminBase);
    std::vector<VersionDatee> r;
    for (const Version& v : versionsDe(cheminBase)) r.push_back({dossier + "/" + v.nom, v.instant});
    return r;
}

VersionGardee garderVersion(const std::string& cheminBase, const std::string& fichier,
                            int (*lier)(const char*, const char*)) {
    if (lier == nullptr) lier = ::link;
    struct stat st;
    if (stat(fichier.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const std::string dossier = dossierSauvegardes(cheminBase);
    // A file kept already (save as keeps the base it replaces before its pictures) is not
    // kept twice.
    for (const std::string& v : sauvegardesDe(cheminBase)) {
        struct stat sv;
        if (stat(v.c_str(), &sv) == 0 && sv.st_dev == st.st_dev && sv.st_ino == st.st_ino) return {v, {}, true};
    }
    if (mkdir(dossier.c_str(), 0777) != 0 && errno != EEXIST) return {{}, raisonSysteme(errno)};
    struct stat sd;
    if (stat(dossier.c_str(), &sd) != 0) return {{}, raisonSysteme(errno)};
    if (!S_ISDIR(sd.st_mode)) return {{}, "ce n'est pas un répertoire"};

    // Named after the moment its content was saved, not the moment it was replaced.
    const std::time_t quand = st.st_mtim.tv_sec;
    std::tm local{};
    localtime_r(&quand, &local);
    const std::string nomBase = nomDe(cheminBase);
    // Within one second the ranks follow the order of the saves, also after the pruning has
    // removed the first ones: a new version takes the rank after the highest still there.
    const auto [debut, extension] = decouper(nomBase);
    const std::string horodatage = lireNom(nomSauvegarde(nomBase, local, 1), debut, extension)->horodatage;
    int premier = 1;
    if (DIR* d = opendir(dossier.c_str())) {
        while (const dirent* e = readdir(d)) {
            const auto v = lireNom(e->d_name, debut, extension);
            if (v && v->horodatage == horodatage && v->rang >= premier) premier = static_cast<int>(v->rang) + 1;
        }
        closedir(d);
    }
    bool copie = false;
    for (int rang = premier; rang < premier + 10000; ++rang) {
        const std::string destination = dossier + "/" + nomSauvegarde(nomBase, local, rang);
        if (!copie) {
            if (lier(fichier.c_str(), destination.c_str()) == 0) return {destination, {}};
            if (errno == EEXIST) continue;
            // Links refused (a file system without them, a folder on another disk): copy.
            copie = true;
        }
        struct stat existant;
        if (lstat(destination.c_str(), &existant) == 0) continue;
        if (std::string raison = copier(fichier, destination); !raison.empty()) return {{}, raison};
        return {destination, {}};
    }
    return {{}, "aucun nom libre"};
}

std::optional<std::string> elaguerSauvegardes(const std::string& cheminBase, int garder) {
    const std::vector<std::string> versions = sauvegardesDe(cheminBase);
    std::optional<std::string> raison;
    for (std::size_t i = static_cast<std::size_t>(std::max(garder, 0)); i < versions.size(); ++i) {
        if (unlink(versions[i].c_str()) != 0 && !raison) raison = raisonSysteme(errno);
        // The pictures kept for that version alone go with it.
        retirerArbre(cheminRepertoireImages(versions[i]));
    }
    return raison;
}

std::string garderImageRemplacee(const std::string& cheminBase, const std::string& relatif,
                                 const std::string& actuelle) {
    for (const std::string& version : sauvegardesDe(cheminBase)) {
        const std::string repertoire = cheminRepertoireImages(version);
        const std::string destination = repertoire + "/" + relatif;
        struct stat st;
        // A version that has its own picture under that name already keeps it.
        if (lstat(destination.c_str(), &st) == 0) continue;
        for (std::size_t p = repertoire.size(); p != std::string::npos; p = destination.find('/', p + 1)) {
            const std::string dossier = destination.substr(0, p);
            if (mkdir(dossier.c_str(), 0777) != 0 && errno != EEXIST) return raisonSysteme(errno);
        }
        // A link costs nothing; where links are refused, the bytes are copied.
        if (link(actuelle.c_str(), destination.c_str()) == 0) continue;
        if (std::string raison = copier(actuelle, destination); !raison.empty()) return raison;
    }
    return {};
}

std::optional<int> lireNombreSauvegardes(const std::string& valeur) {
    if (valeur.empty() || valeur.size() > 4 || !chiffres(valeur, 0, valeur.size())) return std::nullopt;
    const int n = std::stoi(valeur);
    if (n > kSauvegardesMax) return std::nullopt;
    return n;
}
