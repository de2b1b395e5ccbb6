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
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline mode_t modeDe(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
