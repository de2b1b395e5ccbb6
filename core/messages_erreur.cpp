#include "core/messages_erreur.h"

#include <cstdio>
#include <utility>

MessagesSurErreur::MessagesSurErreur(std::string programme) : programme_(std::move(programme)) {}

void MessagesSurErreur::ecrire(const std::string& texte) const {
    std::fprintf(stderr, "%s : %s\n", programme_.c_str(), texte.c_str());
}

void MessagesSurErreur::message(const std::string& texte) {
    ecrire(texte);
    ++nombre_;
}

void MessagesSurErreur::avis(Avis, const std::string&) {}

int MessagesSurErreur::question(const std::string& texte, Boutons) {
    message(texte);
    return kAnnuler;
}

int MessagesSurErreur::confirmation(const std::string& texte) { return question(texte, Boutons::Ok); }
