#pragma once
// Connecting a control of the window to a command of a controller, as the window connects its
// own: an error leaving the command is shown in the standard error display and the program
// goes on (Qt leaves an exception thrown out of a slot undefined).

#include <QObject>

#include "platform/plateforme.h"
#include "platform/rapport_erreur.h"

// The command runs for every emission of signal, whatever the signal's arguments; the
// connection ends with the controller.
template <class Emetteur, class Signal, class Controleur>
void relier(Emetteur* emetteur, Signal signal, Controleur* controleur,
            void (Controleur::*commande)(), Plateforme& plateforme) {
    QObject::connect(emetteur, signal, controleur, [controleur, commande, &plateforme] {
        executerEnSignalant(&plateforme, [&] { (controleur->*commande)(); });
    });
}
