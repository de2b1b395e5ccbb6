#pragma once
// Fuzz inputs as files without touching the disk: an anonymous memory file reached through
// its /proc path, which the program opens as any other file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/services.h"

class FichierMemoire {
public:
    FichierMemoire(const uint8_t* donnees, std::size_t taille, const char* nom = "entree.dat");
    ~FichierMemoire();
    FichierMemoire(const FichierMemoire&) = delete;
    FichierMemoire& operator=(const FichierMemoire&) = delete;
    const std::string& chemin() const { return chemin_; }

private:
    int fd_;
    std::string chemin_;
};

// Messages that go nowhere: the fuzzers look for crashes, not for texts.
class MessagesMuets : public Messages {
public:
    void message(const std::string&) override {}
    int question(const std::string&, Boutons) override { return kAnnuler; }
    int confirmation(const std::string&) override { return kAnnuler; }
};
