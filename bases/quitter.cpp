// Quitting, whichever way it is asked for: the save prompt, the configuration, the end.

#include <QApplication>
#include <QTimer>

#include "core/configuration.h"
#include "bases/controleur_base.h"

bool ControleurBase::quitter() {
    if (demanderSauvegarde() == kAnnuler) return false;
    // An INI file that cannot be written throws here: the quit stops, the program goes on.
    ecrireConfig(store_);
    termine_ = true;
    // The message loop ends once this handler has returned; the window's close that follows
    // must not run the quit a second time.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return true;
}

void ControleurBase::ButtonQuitClick() { quitter(); }

void ControleurBase::quitter1Click() { quitter(); }

// The window's close box and the session's end come here, through the window's fermeture.
bool ControleurBase::FormCloseQuery() {
    if (termine_) return true;
    // An edit in progress is dropped: only what was validated counts.
    return quitter();
}
