#include "tests/support/plateforme_scriptee.h"

#include <gtest/gtest.h>

#include "core/textes.h"

namespace {
std::string boutons(Boutons b) {
    switch (b) {
        case Boutons::Ok: return "Ok";
        case Boutons::OkAnnuler: return "OkAnnuler";
        case Boutons::OuiNon: return "OuiNon";
        default: return "OuiNonAnnuler";
    }
}

// A printer that is missing: every document is refused.
class ImprimanteAbsente : public Imprimante {
public:
    bool commencer(const QString&, QString& raison) override {
        raison = QStringLiteral("aucune imprimante n'est installée");
        return false;
    }
    QPainter& surface() override { return peintre_; }
    int largeur() const override { return 0; }
    int hauteur() const override { return 0; }
    int numeroPage() const override { return 0; }
    void nouvellePage() override {}
    bool terminer(QString& raison) override {
        raison = QStringLiteral("aucune imprimante n'est installée");
        return false;
    }
    void abandonner() override {}

private:
    QPainter peintre_;
};
}  // namespace

void PlateformeScriptee::message(const std::string& texte) {
    boites.push_back({"message", "brevandoux", texte});
}

int PlateformeScriptee::question(const std::string& texte, Boutons b) {
    boites.push_back({"question", boutons(b), texte});
    if (reponses.empty()) {
        ADD_FAILURE() << "question sans réponse prévue : " << texte;
        throw BoiteSansReponse(texte);
    }
    int r = reponses.front();
    reponses.pop_front();
    return r;
}

int PlateformeScriptee::confirmation(const std::string& texte) {
    boites.push_back({"confirmation", textes::kTitreConfirmation, texte});
    if (reponses.empty()) {
        ADD_FAILURE() << "confirmation sans réponse prévue : " << texte;
        throw BoiteSansReponse(texte);
    }
    int r = reponses.front();
    reponses.pop_front();
    return r;
}

void PlateformeScriptee::erreur(const std::string& texte) {
    boites.push_back({"erreur", "brevandoux", texte});
}

std::optional<std::string> PlateformeScriptee::fichier(const std::string& genre,
                                                       const std::string& titre) {
    boites.push_back({genre, titre, {}});
    if (fichiers.empty()) {
        ADD_FAILURE() << "dialogue " << genre << " sans réponse prévue";
        throw BoiteSansReponse(genre);
    }
    auto r = fichiers.front();
    fichiers.pop_front();
    return r;
}

std::optional<std::string> PlateformeScriptee::ouvrirFichier(const DialogueFichier& d) {
    dialogues.push_back(d);
    return fichier("ouvrir", d.titre.toStdString());
}

std::optional<std::string> PlateformeScriptee::enregistrerFichier(const DialogueFichier& d) {
    dialogues.push_back(d);
    auto r = fichier("enregistrer", d.titre.toStdString());
    if (r) {
        r = avecExtensionParDefaut(QString::fromStdString(*r), d.extension).toStdString();
    }
    return r;
}

std::optional<Plateforme::FichierFormat> PlateformeScriptee::enregistrerFichierFormat(
    const DialogueFichier& d) {
    dialogues.push_back(d);
    auto r = fichier("enregistrer", d.titre.toStdString());
    if (!r) return std::nullopt;
    if (filtres.empty()) {
        ADD_FAILURE() << "dialogue enregistrer sans filtre prévu";
        throw BoiteSansReponse("filtre");
    }
    const int filtre = filtres.front();
    filtres.pop_front();
    return FichierFormat{
        avecExtensionParDefaut(QString::fromStdString(*r), extensionDuFiltre(d.filtre, filtre)).toStdString(),
        filtre};
}

std::optional<std::string> PlateformeScriptee::ouvrirImage() { return fichier("image", {}); }

Imprimante& PlateformeScriptee::imprimante() {
    imprimante_ = std::make_unique<ImprimanteAbsente>();
    return *imprimante_;
}

void PlateformeScriptee::afficherAide(const QString& fichierAide, const QString& sujet) {
    boites.push_back({"aide", fichierAide.toStdString(), sujet.toStdString()});
}

std::vector<std::string> PlateformeScriptee::textes(const std::string& genre) const {
    std::vector<std::string> r;
    for (const Boite& b : boites) {
        if (b.genre == genre) r.push_back(b.texte);
    }
    return r;
}
