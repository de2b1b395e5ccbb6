#pragma once
// The menus of the window, declared once, in the order the user sees them: each row is a menu
// or one of its items, with its object name, its caption and its keys. The window builds its
// menu bar and its pop-up menu from this table alone; a controller reaches an item by its
// object name (TForm1::commande), checked against the table when it compiles.

#include <cstddef>
#include <iterator>
#include <string_view>

namespace menus {

enum class Sorte {
    Menu,        // a menu of the bar; the rows after it, up to the next menu, are its items
    Contextuel,  // the pop-up menu of the description, outside the bar; its items follow it
    Commande,    // an item that runs a command
    Cochable,    // an item that each choice checks or unchecks
    SousMenu,    // a submenu whose items the window fills itself (the recent bases)
};

struct Entree {
    Sorte sorte;
    std::string_view nom;      // object name (of the menu, or of the item's QAction)
    std::string_view legende;  // caption, UTF-8
    // The keys that choose the item, as Qt writes them in English ("Ctrl+Shift+S"), several
    // separated by "; ". The menu shows the first beside the caption, in French ("Ctrl+Maj+S").
    // They work in both modes of the window, since the menus stay available in edit mode.
    std::string_view touches = {};
};

inline constexpr Entree kEntrees[] = {
    {Sorte::Menu, "fichier", "fichier"},
    {Sorte::Commande, "ouvrir1", "ouvrir base", "Ctrl+O"},
    {Sorte::Commande, "nouveau1", "nouvelle base", "Ctrl+N"},
    {Sorte::Commande, "enregister1", "enregister base", "Ctrl+S"},
    {Sorte::Commande, "enregistrersous1", "enregistrer base sous", "Ctrl+Shift+S"},
    {Sorte::Commande, "convertircaldoverne1", "importer base caldoverne", "Ctrl+I"},
    {Sorte::Commande, "Ajouterdesfiches1", "Ajouter des fiches", "Ctrl+Shift+A"},
    {Sorte::Commande, "exporterlabase1", "exporter la base…", "Ctrl+E"},
    {Sorte::Commande, "importeruntableauCSV1", "importer un tableau CSV…", "Ctrl+Shift+I"},
    {Sorte::Commande, "versionsprecedentes1", "versions précédentes…"},
    {Sorte::SousMenu, "basesrecentes1", "bases récentes"},
    {Sorte::Commande, "quitter1", "quitter", "Ctrl+Q"},

    // Undo and redo of the changes of the cards; their captions name the step (the window
    // sets them from the history, ui/annulation.cpp).
    {Sorte::Menu, "edition1", "édition"},
    {Sorte::Commande, "annuler1", "annuler", "Ctrl+Z"},
    {Sorte::Commande, "retablir1", "rétablir", "Ctrl+Shift+Z; Ctrl+Y"},
    {Sorte::Commande, "dupliquerlafiche1", "dupliquer la fiche", "Ctrl+D"},
    {Sorte::Commande, "rechercherlesdoublons1", "rechercher les doublons…"},

    // The board of pictures (planche/), a window of its own beside this one.
    {Sorte::Menu, "affichage1", "affichage"},
    {Sorte::Commande, "planchedesimages1", "planche des images", "Ctrl+G"},

    {Sorte::Menu, "options1", "options"},
    {Sorte::Cochable, "rechercheSansAccents1", "rechercher sans tenir compte des accents", "Ctrl+Shift+R"},
    {Sorte::Cochable, "agrandirlalisteetladescriptionaveclafenetre1",
     "agrandir la liste et la description avec la fenêtre"},
    {Sorte::Cochable, "couleurscontrastees1", "couleurs contrastées"},
    {Sorte::Cochable, "apercuavantimpression1", "aperçu avant impression"},

    {Sorte::Menu, "aide1", "aide"},
    {Sorte::Commande, "aidesurcaldoverne1", "aide sur Brevandoux", "F1"},
    {Sorte::Commande, "propos1", "à propos", "Shift+F1"},

    {Sorte::Contextuel, "PopupMenu", ""},
    {Sorte::Commande, "couper1", "Couper"},
    {Sorte::Commande, "Copier1", "Copier"},
    {Sorte::Commande, "Coler1", "Coller"},
};

inline constexpr std::size_t kNombreEntrees = std::size(kEntrees);

// A row of the table named by its object name. A name missing from the table stops the
// compilation (the search throws while the compiler evaluates it), so a misspelt item in the
// wiring of a controller never reaches a run.
class Nom {
public:
    // Implicit, so that an item is named by its plain name: commande("quitter1").
    consteval Nom(const char* nom) : rang_(chercher(nom)) {}
    std::size_t rang() const { return rang_; }

private:
    static consteval std::size_t chercher(std::string_view nom) {
        for (std::size_t i = 0; i < kNombreEntrees; ++i) {
            if (kEntrees[i].nom == nom) return i;
        }
        throw "absent de la table des menus";
    }
    std::size_t rang_;
};

}  // namespace menus
