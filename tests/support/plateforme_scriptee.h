#pragma once
// The scripted platform: records every box and dialog, answers from queues, and fails the
// running test at once when a box that needs an answer finds none queued.

#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/plateforme.h"

struct Boite {
    std::string genre;  // "message", "question", "confirmation", "erreur", "ouvrir",
                        // "enregistrer", "image", "aide"
    std::string titre;
    std::string texte;
    bool operator==(const Boite&) const = default;
};

// Thrown when a box needs an answer and none is queued: the test has already failed.
struct BoiteSansReponse : std::logic_error {
    using std::logic_error::logic_error;
};

class PlateformeScriptee : public Plateforme {
public:
    std::vector<Boite> boites;
    std::deque<int> reponses;                             // question and confirmation
    std::deque<std::optional<std::string>> fichiers;      // file and picture dialogs
    std::deque<int> filtres;                              // filter left chosen, per path given
                                                          // to a dialog offering formats
    std::vector<DialogueFichier> dialogues;               // settings each file dialog got
    QString pressePapiers;
    // False: the system has no printer at all, and the print commands offer a PDF instead.
    bool avecImprimante = true;

    void message(const std::string& texte) override;
    int question(const std::string& texte, Boutons boutons) override;
    int confirmation(const std::string& texte) override;
    void erreur(const std::string& texte) override;
    std::optional<std::string> ouvrirFichier(const DialogueFichier& d) override;
    std::optional<std::string> enregistrerFichier(const DialogueFichier& d) override;
    std::optional<FichierFormat> enregistrerFichierFormat(const DialogueFichier& d) override;
    std::optional<std::string> ouvrirImage() override;
    void copierTexte(const QString& texte) override { pressePapiers = texte; }
    QString texteDuPressePapiers() override { return pressePapiers; }
    // A printer that is missing: every document is refused (tests/support/
    // plateforme_scriptee_pdf.h has one that prints).
    Imprimante& imprimante() override;
    bool imprimanteInstallee() override { return avecImprimante; }
    void afficherAide(const QString& fichierAide, const QString& sujet) override;

    // The texts of the boxes of one kind, in order.
    std::vector<std::string> textes(const std::string& genre) const;
    // Forgets the boxes recorded so far.
    void oublier() { boites.clear(); }

private:
    std::optional<std::string> fichier(const std::string& genre, const std::string& titre);
    std::unique_ptr<Imprimante> imprimante_;
};
