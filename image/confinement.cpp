#include "image/confinement.h"

#include <dirent.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/services.h"
#include "image/filtre_appels.h"
#include "image/landlock.h"
#include "image/polices.h"

namespace {

[[noreturn]] void refus(const char* etape, int err) {
    throw Erreur(std::string("le convertisseur n'a pas pu s'isoler (") + etape + " : " +
                 std::strerror(err) + ")");
}

std::string environnement(const char* nom, const std::string& sinon) {
    const char* v = std::getenv(nom);
    return v != nullptr && v[0] == '/' ? std::string(v) : sinon;
}

// Where fontconfig, libwmf, librsvg and Qt read what they need: configuration, caches, fonts,
// data files. The user's own font folders and font cache are read, nothing else of theirs.
std::vector<std::string> lecturesPermises() {
    std::vector<std::string> chemins = cheminsFontconfig();
    chemins.insert(chemins.end(), {
        "/usr/share", "/usr/local/share/fonts", "/etc/fonts", "/etc/ld.so.cache",
        // where /usr/share/locale/locale.alias points
        "/etc/locale.alias",
        "/var/cache/fontconfig",
        // libwmf's map of the standard PostScript fonts
        "/var/lib/ghostscript",
        // the number of processors, which the C library and Qt read for their threads
        "/sys/devices/system/cpu",
    });
    // Its own /proc folder (its memory map, which the sanitizers read to report a fault),
    // not the other processes' ones.
    chemins.push_back("/proc/" + std::to_string(getpid()));
    const char* maison = std::getenv("HOME");
    if (maison != nullptr && maison[0] == '/') {
        const std::string m = maison;
        for (const char* relatif : {"/.fonts", "/.fonts.conf", "/.fonts.conf.d", "/.fontconfig"})
            chemins.push_back(m + relatif);
        chemins.push_back(environnement("XDG_CACHE_HOME", m + "/.cache") + "/fontconfig");
        chemins.push_back(environnement("XDG_CONFIG_HOME", m + "/.config") + "/fontconfig");
        chemins.push_back(environnement("XDG_DATA_HOME", m + "/.local/share") + "/fonts");
    }
    return chemins;
}

// Modules loaded late (Qt's image plugins, gdk-pixbuf's loaders, character set converters).
std::vector<std::string> executablesPermis() { return {"/usr/lib", "/usr/lib64"}; }

int nombreFils() {
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr) return -1;
    int n = 0;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') ++n;
    }
    closedir(d);
    return n;
}

}  // namespace

std::vector<std::string> confiner(const ReglagesConfinement& reglages) {
    if (!reglages.actif) return {};
    // Landlock binds the calling thread and those it starts: a thread started before would
    // stay free.
    const int fils = nombreFils();
    if (fils < 0) refus("/proc/self/task", errno);
    if (fils != 1) throw Erreur("le convertisseur n'a pas pu s'isoler (il a déjà plusieurs fils d'exécution)");
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) refus("PR_SET_NO_NEW_PRIVS", errno);

    const int version = std::min(versionLandlock(), reglages.versionLandlockMax);
    std::vector<std::string> manques = manquesLandlock(version);
    restreindreLandlock(version, lecturesPermises(), executablesPermis());
    if (reglages.seccomp && !filtrerAppels()) manques.push_back("le filtre seccomp des appels système");
    return manques;
}

void signalerManques(const std::vector<std::string>& manques) {
    if (manques.empty()) return;
    std::string ligne = "brevandoux-image : isolement partiel, le noyau n'offre pas ";
    for (std::size_t i = 0; i < manques.size(); ++i) {
        if (i > 0) ligne += i + 1 == manques.size() ? " ni " : ", ";
        ligne += manques[i];
    }
    std::fprintf(stderr, "%s\n", ligne.c_str());
}
