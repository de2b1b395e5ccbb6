#include "core/sauvegardes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <tuple>

#include "core/descripteur.h"

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
    std::string horodatage;  // "AAAAMMJJ-HHMMSS", in the order of time
    long rang;
    std::string nom;
};

// A file name as nomSauvegarde makes them for this base, read back.
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
    const std::string reste = nom.substr(p + 15, nom.size() - extension.size() - p - 15);
    long rang = 1;
    if (!reste.empty()) {
        if (reste[0] != '-' || reste.size() < 2 || reste.size() > 7 || reste[1] == '0' ||
            !chiffres(reste, 1, reste.size() - 1)) {
            return std::nullopt;
        }
        rang = std::stol(reste.substr(1));
        if (rang < 2) return std::nullopt;
    }
    return Version{nom.substr(p, 15), rang, nom};
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
    if (rang > 1) {
        // Appended in two steps: GCC 12 at -O3 warns falsely on "text" + std::to_string.
        nom += '-';
        nom += std::to_string(rang);
    }
    return nom + extension;
}

std::vector<std::string> sauvegardesDe(const std::string& cheminBase) {
    const std::string dossier = dossierSauvegardes(cheminBase);
    const auto [debut, extension] = decouper(nomDe(cheminBase));
    std::vector<Version> versions;
    if (DIR* d = opendir(dossier.c_str())) {
        while (const dirent* e = readdir(d)) {
            if (auto v = lireNom(e->d_name, debut, extension)) versions.push_back(*v);
        }
        closedir(d);
    }
    std::sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
        return std::tie(a.horodatage, a.rang) > std::tie(b.horodatage, b.rang);
    });
    std::vector<std::string> chemins;
    for (const Version& v : versions) chemins.push_back(dossier + "/" + v.nom);
    return chemins;
}

VersionGardee garderVersion(const std::string& cheminBase, const std::string& fichier,
                            std::time_t quand, int (*lier)(const char*, const char*)) {
    if (lier == nullptr) lier = ::link;
    struct stat st;
    if (stat(fichier.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const std::string dossier = dossierSauvegardes(cheminBase);
    if (mkdir(dossier.c_str(), 0777) != 0 && errno != EEXIST) return {{}, raisonSysteme(errno)};
    struct stat sd;
    if (stat(dossier.c_str(), &sd) != 0) return {{}, raisonSysteme(errno)};
    if (!S_ISDIR(sd.st_mode)) return {{}, "ce n'est pas un répertoire"};

    std::tm local{};
    localtime_r(&quand, &local);
    const std::string nomBase = nomDe(cheminBase);
    // Within one second the ranks follow the order of the saves, also after the pruning has
    // removed the first ones: a new version takes the rank after the highest still there.
    const auto [debut, extension] = decouper(nomBase);
    const std::string horodatage = nomSauvegarde(nomBase, local, 1).substr(debut.size() + 1, 15);
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
    }
    return raison;
}

std::optional<int> lireNombreSauvegardes(const std::string& valeur) {
    if (valeur.empty() || valeur.size() > 4 || !chiffres(valeur, 0, valeur.size())) return std::nullopt;
    const int n = std::stoi(valeur);
    if (n > kSauvegardesMax) return std::nullopt;
    return n;
}
