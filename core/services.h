#pragma once
// How the core speaks to the user. The window layer implements these with real boxes; the
// tests implement them with a script. Texts are UTF-8.

#include <stdexcept>
#include <string>

// Button sets of a question box, and the codes a box returns.
enum class Boutons { Ok, OkAnnuler, OuiNonAnnuler, OuiNon };
enum Reponse : int { kOk = 1, kAnnuler = 2, kOui = 6, kNon = 7 };

// The notices of the core: what it did that went well but that the user is told of. A caller
// that treats them apart from problems (a script's converter) knows them by kind, not by text.
enum class Avis {
    kRepertoireImagesCree,  // a base's picture directory did not exist and was made
};

class Messages {
public:
    virtual ~Messages() = default;
    // Plain message: title "brevandoux", one OK button.
    virtual void message(const std::string& texte) = 0;
    // A notice of the given kind, already put in words; by default shown as a plain message.
    virtual void avis(Avis genre, const std::string& texte) {
        (void)genre;
        message(texte);
    }
    // Question box: no title of its own, the caller's buttons; returns a Reponse code.
    virtual int question(const std::string& texte, Boutons boutons) = 0;
    // Confirmation dialog titled "Confirmation", question icon, Yes/No/Cancel; returns a Reponse.
    virtual int confirmation(const std::string& texte) = 0;
};

// An error that leaves the handler that raised it; the event loop shows its message in the
// standard error box and the program goes on.
class Erreur : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Formats a message that holds one %s.
std::string avecChemin(const std::string& modele, const std::string& chemin);
