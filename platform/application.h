#pragma once

#include <QApplication>
#include <QLocale>

class Plateforme;

// The application object: French toolkit texts, and the standard error display for errors
// that escape an event handler (the handler is abandoned, the program goes on).
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    void setPlateforme(Plateforme* plateforme) { plateforme_ = plateforme; }
    bool notify(QObject* destinataire, QEvent* evenement) override;
    // Shows an error through the platform, or on standard error when none is set yet.
    void montrerErreur(const std::string& texte);

private:
    Plateforme* plateforme_ = nullptr;
};

// Loads Qt's own French texts ("Oui", "Non", "Annuler", "Ouvrir"...).
void chargerTraductions(QCoreApplication& app);

// The locale the program works in: the system's when it is a French one (fr_CA keeps its own
// conventions), French of France otherwise, so that dates and the toolkit's words in the
// dialogs never come out in another language beside the program's French texts.
QLocale localeDuProgramme(const QLocale& systeme);
