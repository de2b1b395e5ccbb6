#pragma once
// The services the window asks of the system: boxes, dialogs, clipboard, printer, help.
// One real implementation over Qt (PlateformeQt) and one scripted double for the tests.

#include <QImage>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/services.h"
#include "platform/imprimante.h"

// A file dialog's settings. The filter is written "description|*.ext" as the window gives
// it; the default extension (without dot) is added only to a name typed without one.
struct DialogueFichier {
    QString extension;
    QString filtre;
    QString titre;
};

class Plateforme : public Messages {
public:
    // The standard error display: the message in a box titled "brevandoux".
    virtual void erreur(const std::string& texte) = 0;

    // Chosen paths are local file names (bytes as the file system has them); nothing when
    // the user cancels.
    virtual std::optional<std::string> ouvrirFichier(const DialogueFichier& d) = 0;
    virtual std::optional<std::string> enregistrerFichier(const DialogueFichier& d) = 0;
    // A save dialog offering several formats ("description|*.ext|description|*.ext"): the
    // path and the index of the filter the user left chosen; a name typed without an
    // extension gets the chosen filter's. The overwrite question is the caller's.
    struct FichierFormat {
        std::string chemin;
        int filtre = 0;
    };
    virtual std::optional<FichierFormat> enregistrerFichierFormat(const DialogueFichier& d) = 0;
    // The picture-open dialog, with a preview, offering the formats the frame can load.
    virtual std::optional<std::string> ouvrirImage() = 0;

    virtual void copierTexte(const QString& texte) = 0;
    virtual QString texteDuPressePapiers() = 0;

    // The system's current printer, ready for one document.
    virtual Imprimante& imprimante() = 0;
    // False when the system has no printer to print on at all, so that the pages can be
    // offered as a PDF file instead. A platform that cannot tell says true: printing then
    // reports its own failure.
    virtual bool imprimanteInstallee() { return true; }

    // "aperçu avant impression": shows the pages dessin draws, on the printer they would go
    // to, in a preview window. Returns the printer to print them on when the user presses
    // "Imprimer" there (the one chosen in the window, ready for one document; the caller draws
    // the same pages again on it), nothing when the preview is closed. A platform without a
    // preview prints at once.
    using DessinDocument = std::function<void(Imprimante&)>;
    virtual Imprimante* apercu(const DessinDocument& dessin) {
        (void)dessin;
        return &imprimante();
    }

    // Opens a help file at the topic of the given identifier.
    virtual void afficherAide(const QString& fichierAide, const QString& sujet) = 0;
};

// Adds the default extension to a file name typed without one ("notes" -> "notes.dat";
// "notes.txt" stays as it is).
QString avecExtensionParDefaut(const QString& chemin, const QString& extension);
// The extension (without dot) of filter number index of "description|*.ext|...", or nothing.
QString extensionDuFiltre(const QString& filtre, int index);
// "description|*.ext|..." -> the filter list a Qt dialog takes.
QString filtreQt(const QString& filtre);
