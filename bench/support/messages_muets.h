#pragma once
// The messages of a benchmark: printed on the standard error, every question answered yes, so
// that a run never waits for anyone.

#include <cstdio>
#include <string>

#include "core/services.h"

class SansMessages : public Messages {
public:
    void message(const std::string& texte) override { std::fprintf(stderr, "message: %s\n", texte.c_str()); }
    int question(const std::string&, Boutons) override { return kOk; }
    int confirmation(const std::string&) override { return kOui; }
};
