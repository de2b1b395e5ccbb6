#include "core/attributs.h"

#include <sys/stat.h>

namespace {
bool nomCache(const std::string& chemin) {
    auto pos = chemin.find_last_of('/');
    std::string nom = pos == std::string::npos ? chemin : chemin.substr(pos + 1);
    return !nom.empty() && nom[0] == '.' && nom != "." && nom != "..";
}
}  // namespace

std::optional<Attributs> lireAttributs(const std::string& chemin) {
    struct stat st;
    if (chemin.empty() || stat(chemin.c_str(), &st) != 0) return std::nullopt;
    Attributs a;
    a.repertoire = S_ISDIR(st.st_mode);
    a.systeme = !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
    a.lectureSeule = (st.st_mode & S_IWUSR) == 0;
    a.cache = nomCache(chemin);
    return a;
}

bool ecrireAttributs(const std::string& chemin, const Attributs& attributs) {
    struct stat st;
    if (stat(chemin.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode_t voulu = attributs.lectureSeule ? (mode & ~mode_t(S_IWUSR)) : (mode | S_IWUSR);
    return voulu == mode || chmod(chemin.c_str(), voulu) == 0;
}

void retirerLectureSeule(const std::string& chemin) {
    if (auto a = lireAttributs(chemin)) {
        a->lectureSeule = false;
        ecrireAttributs(chemin, *a);
    }
}

bool existe(const std::string& chemin) {
    struct stat st;
    return lstat(chemin.c_str(), &st) == 0;
}

bool fichierExiste(const std::string& chemin) {
    auto a = lireAttributs(chemin);
    return a && !a->repertoire && !a->systeme && !a->cache;
}
