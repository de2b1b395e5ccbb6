#pragma once
// The core's messages for a program without windows (the converter, the benchmarks): each
// problem one line on standard error under the program's name, and counted. Questions are
// answered Cancel: nothing is replaced without a user to agree. Notices are left out: a
// script is told only what went wrong.

#include <string>

#include "core/services.h"

class MessagesSurErreur : public Messages {
public:
    explicit MessagesSurErreur(std::string programme);

    void message(const std::string& texte) override;
    void avis(Avis genre, const std::string& texte) override;
    int question(const std::string& texte, Boutons boutons) override;
    int confirmation(const std::string& texte) override;

    // A line of the program's own, under its name, not counted.
    void ecrire(const std::string& texte) const;
    // The problems told so far.
    int nombre() const { return nombre_; }

private:
    std::string programme_;
    int nombre_ = 0;
};
