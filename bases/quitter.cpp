// Quitting, whichever way it is asked for: the save prompt, the configuration, the end.

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include "core/configuration.h"
#include "platform/rapport_erreur.h"
#include "ui/tform1.h"

bool TForm1::quitter() {
    if (demanderSauvegarde() == kAnnuler) return false;
    // An INI file that cannot be written throws here: the quit stops, the program goes on.
    ecrireConfig(store_);
    termine_ = true;
    // The message loop ends once this handler has returned; the window's close that follows
    // must not run the quit a second time.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return true;
}

void TForm1::ButtonQuitClick() { quitter(); }

void TForm1::quitter1Click() { quitter(); }

bool TForm1::FormCloseQuery() {
    if (termine_) return true;
    // An edit in progress is dropped: only what was validated counts.
    return quitter();
}

void TForm1::closeEvent(QCloseEvent* evenement) {
    bool accepte = false;
    // The configuration could not be written: the window stays open.
    executerEnSignalant(&plateforme_, [&] { accepte = FormCloseQuery(); });
    if (accepte) {
        evenement->accept();
    } else {
        evenement->ignore();
    }
}
