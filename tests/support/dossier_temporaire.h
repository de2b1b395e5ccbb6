#pragma once
// A fresh directory per test, removed afterwards, with small file helpers.

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class DossierTemporaire {
public:
    DossierTemporaire() {
        char modele[] = "/tmp/brevandoux-test-XXXXXX";
        chemin_ = mkdtemp(modele);
    }
    ~DossierTemporaire() {
        std::error_code ec;
        std::filesystem::remove_all(chemin_, ec);
    }
    std::string operator/(const std::string& nom) const { return chemin_ + "/" + nom; }
    const std::string& str() const { return chemin_; }

private:
    std::string chemin_;
};

inline void ecrireOctets(const std::string& chemin, const std::string& octets) {
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
}

inline std::string lireOctets(const std::string& chemin) {
    // One read of the whole file: the kill test compares 100 MB files dozens of times.
    std::ifstream f(chemin, std::ios::binary | std::ios::ate);
    if (!f) return {};
    std::string octets(static_cast<std::size_t>(f.tellg()), '\0');
    f.seekg(0);
    f.read(octets.data(), static_cast<std::streamsize>(octets.size()));
    return octets;
}

inline mode_t modeDe(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
