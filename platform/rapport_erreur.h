#pragma once
// The one reporter of errors that leave a command: a signal's handler, an event the toolkit
// delivers, the window's close, the start-up. The command is abandoned, the user reads why in
// French in the standard error display, and the program goes on.

#include <exception>
#include <string>
#include <utility>

class Plateforme;

// Shows a text in the platform's standard error display, or on standard error when there is
// no platform yet (before the window exists).
void afficherErreur(Plateforme* plateforme, const std::string& texte);

// Shows an error that left a command: its own text, or, when memory ran out, a French
// sentence saying the command was abandoned.
void signalerErreur(Plateforme* plateforme, const std::exception& erreur);

// Runs a command; a standard exception leaving it is shown and false returned. Qt leaves an
// exception thrown through its frames undefined, so every edge where the toolkit calls into
// the program goes through here.
template <class F>
bool executerEnSignalant(Plateforme* plateforme, F&& commande) {
    try {
        std::forward<F>(commande)();
        return true;
    } catch (const std::exception& e) {
        signalerErreur(plateforme, e);
        return false;
    }
}
