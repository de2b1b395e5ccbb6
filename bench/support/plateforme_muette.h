#pragma once
// A platform that asks the user nothing and answers nothing: the benchmarks that build the
// window time what it does on its own.

#include <cstdio>

#include "platform/plateforme.h"

class PlateformeMuette : public Plateforme {
public:
    void message(const std::string&) override {}
    int question(const std::string&, Boutons) override { return kAnnuler; }
    int confirmation(const std::string&) override { return kAnnuler; }
    void erreur(const std::string& texte) override { std::fprintf(stderr, "%s\n", texte.c_str()); }
    std::optional<std::string> ouvrirFichier(const DialogueFichier&) override { return {}; }
    std::optional<std::string> enregistrerFichier(const DialogueFichier&) override { return {}; }
    std::optional<FichierFormat> enregistrerFichierFormat(const DialogueFichier&) override { return {}; }
    std::optional<std::string> ouvrirImage() override { return {}; }
    void copierTexte(const QString&) override {}
    QString texteDuPressePapiers() override { return {}; }
    Imprimante& imprimante() override { throw Erreur("pas d'imprimante ici"); }
    void afficherAide(const QString&, const QString&) override {}
};
