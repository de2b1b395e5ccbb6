#pragma once

#include <QApplication>
#include <QLocale>
#include <memory>

class Plateforme;
class LocaleSystemeFrancaise;

// The application object: French toolkit texts, and the standard error display for errors
// that escape an event handler (the handler is abandoned, the program goes on).
class Application : public QApplication {
public:
    // When the environment names no French locale, the toolkit is made to see French as the
    // system's locale too: its file dialogs format dates and sizes with the system's locale,
    // not the default one. The C library keeps the user's own locale.
    Application(int& argc, char** argv);
    void setPlateforme(Plateforme* plateforme) { plateforme_ = plateforme; }
    bool notify(QObject* destinataire, QEvent* evenement) override;
    // Shows an error through the platform, or on standard error when none is set yet.
    void montrerErreur(const std::string& texte);

private:
    Application(int& argc, char** argv, std::unique_ptr<LocaleSystemeFrancaise> locale);
    Plateforme* plateforme_ = nullptr;
};

// Loads Qt's own French texts ("Oui", "Non", "Annuler", "Ouvrir"...).
void chargerTraductions(QCoreApplication& app);

// The locale the program works in: the system's when it is a French one (fr_CA keeps its own
// conventions), French of France otherwise, so that dates and the toolkit's words in the
// dialogs never come out in another language beside the program's French texts.
QLocale localeDuProgramme(const QLocale& systeme);

// Whether the locale the environment gives to dates (LC_ALL, else LC_TIME, else LANG; null or
// empty values skipped) is a French one.
bool environnementFrancais(const char* lcAll, const char* lcTime, const char* lang);
