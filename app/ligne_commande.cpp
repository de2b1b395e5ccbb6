#include "app/ligne_commande.h"

#include <cstring>

#ifndef BREVANDOUX_VERSION
#error "BREVANDOUX_VERSION comes from the project's version"
#endif

Demande demandeDe(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) break;
        // After "--" nothing is an option any more.
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Demande::Aide;
        if (std::strcmp(argv[i], "--version") == 0) return Demande::Version;
    }
    return Demande::Lancer;
}

std::string texteVersion() { return "brevandoux " BREVANDOUX_VERSION "\n"; }

std::string texteAide() {
    return "Usage : brevandoux [--help | --version]\n"
           "\n"
           "Brevandoux, micro banque de données : des fiches numérotées avec un titre, une\n"
           "description et une image, que l'on parcourt, trie, recherche et imprime.\n"
           "\n"
           "Le programme lit brevandoux.ini (la base à rouvrir) et rien.jpg (l'image des\n"
           "fiches sans image) dans le dossier où il est lancé. Le lanceur brevandoux-lanceur\n"
           "prépare ce dossier dans $XDG_DATA_HOME/brevandoux (par défaut\n"
           "~/.local/share/brevandoux), avec une base d'exemple au premier lancement, et y\n"
           "lance le programme.\n"
           "\n"
           "Options :\n"
           "  -h, --help   affiche cette aide et quitte\n"
           "  --version    affiche la version et quitte\n"
           "\n"
           "Aide complète : menu « aide », « aide sur Brevandoux » (touche F1) ; man brevandoux.\n";
}
