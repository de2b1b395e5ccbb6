#pragma once

#include <QPointer>
#include <QStringList>
#include <memory>

#include "platform/plateforme.h"

class QWidget;
class FenetreAide;

// The real services, over Qt widgets and the system's printer.
class PlateformeQt : public Plateforme {
public:
    PlateformeQt();
    ~PlateformeQt() override;
    // Boxes and dialogs are centred on this window.
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& texte) override;
    int question(const std::string& texte, Boutons boutons) override;
    int confirmation(const std::string& texte) override;
    void erreur(const std::string& texte) override;
    std::optional<std::string> ouvrirFichier(const DialogueFichier& d) override;
    std::optional<std::string> enregistrerFichier(const DialogueFichier& d) override;
    std::optional<FichierFormat> enregistrerFichierFormat(const DialogueFichier& d) override;
    std::optional<std::string> ouvrirImage() override;
    void copierTexte(const QString& texte) override;
    QString texteDuPressePapiers() override;
    Imprimante& imprimante() override;
    bool imprimanteInstallee() override;
    Imprimante* apercu(const DessinDocument& dessin) override;
    void afficherAide(const QString& fichierAide, const QString& sujet) override;
    // Where the help is looked for (dossiersAide() unless changed), and its window once
    // opened.
    void setDossiersAide(const QStringList& dossiers) { dossiersAide_ = dossiers; }
    FenetreAide* fenetreAide() const;

private:
    QWidget* parent_ = nullptr;
    std::unique_ptr<Imprimante> imprimante_;
    // The printer chosen in the last preview, for the document it was chosen for.
    std::unique_ptr<Imprimante> imprimanteChoisie_;
    QPointer<FenetreAide> aide_;
    QStringList dossiersAide_;
};
