// Holds a base open as a running window does, until it is killed: reads the base given as
// its one argument, prints "pret" on its standard output, then waits.

#include <unistd.h>

#include <string>

#include "core/magasin_fiches.h"

namespace {
class Muets : public Messages {
public:
    void message(const std::string& texte) override { (void)!write(2, texte.data(), texte.size()); }
    int question(const std::string&, Boutons) override { return kAnnuler; }
    int confirmation(const std::string&) override { return kAnnuler; }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Muets muets;
    MagasinFiches store(muets);
    if (!store.chargerBase(argv[1])) return 1;
    if (write(1, "pret\n", 5) != 5) return 1;
    for (;;) pause();
}
