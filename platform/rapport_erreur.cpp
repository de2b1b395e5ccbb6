#include "platform/rapport_erreur.h"

#include <cstdio>
#include <new>

#include "core/textes.h"
#include "platform/plateforme.h"

void afficherErreur(Plateforme* plateforme, const std::string& texte) {
    if (plateforme != nullptr) {
        plateforme->erreur(texte);
    } else {
        std::fprintf(stderr, "brevandoux: %s\n", texte.c_str());
    }
}

void signalerErreur(Plateforme* plateforme, const std::exception& erreur) {
    // What bad_alloc says ("std::bad_alloc") means nothing to the user.
    if (dynamic_cast<const std::bad_alloc*>(&erreur) != nullptr) {
        afficherErreur(plateforme, textes::kMemoireCommande);
    } else {
        afficherErreur(plateforme, erreur.what());
    }
}
