#pragma once
// What the controllers (bases/, print/, echange/) see of the window once their commands are
// connected: a few queries and the one refresh, never its widgets. A command that changed the
// cards calls montrerBase once at its end, whatever it changed.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

// How Vue::montrerBase shows the base.
struct Rafraichissement {
    // The card that becomes current (kept within the table); otherwise the current one.
    std::optional<int32_t> courante;
    // "Sauver base" is enabled; a base just emptied for "nouvelle base" leaves it as it was,
    // since nothing has been given to save yet.
    bool activerSauvegarde = true;
};

// The refresh of a command that leaves "Sauver base" as it was.
inline constexpr Rafraichissement kSansActiverSauvegarde{.courante = {}, .activerSauvegarde = false};

class Vue {
public:
    // Shows the base after a change of its cards: the list shows the whole table (a search
    // result on display is replaced by it), then the current card is shown.
    virtual void montrerBase(const Rafraichissement& comment = {}) = 0;
    // Reopens the base named by the store's path when it is a ".dat" file that exists, and
    // shows it when it could be read.
    virtual void chargerAutoload() = 0;
    // Enables "Sauver base" alone, the card and the list left as they are.
    virtual void activerSauvegarde() = 0;
    // Shows a path (file-system bytes) in the path box; the empty text blanks it.
    virtual void montrerChemin(const std::string& chemin) = 0;

    // The search text as typed.
    virtual QString texteRecherche() const = 0;
    // The title box as it stands: empty while the card area is blank (after a search), and for
    // a card without a title.
    virtual QString titreAffiche() const = 0;
    // While a card is being added or modified: the commands that change the cards are then
    // refused, as the buttons that run them are disabled.
    virtual bool enSaisie() const = 0;

protected:
    ~Vue() = default;
};
