#pragma once
// The commands on whole bases: new, open (button, menu, a base dropped on the window or
// chosen among the recent bases), save, save as, append, import, and the quit, whichever way
// it is asked for.

#include <QObject>
#include <cstdint>
#include <vector>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"
#include "ui/progression.h"
#include "ui/vue.h"

class DialogueVersions;
class QWidget;
class TForm1;

class ControleurBase : public QObject {
    Q_OBJECT
public:
    // Connects the buttons and menu items of fenetre to the commands below, takes the bases
    // the window asks to open, and answers its close requests with the quit.
    ControleurBase(TForm1& fenetre, MagasinFiches& store, Plateforme& plateforme);

    // demanderSauvegarde answers Yes, No or Cancel; a save that was asked for and failed
    // answers Cancel, so that nothing goes on to drop the changes it could not write.
    int demanderSauvegarde();
    enum class Sauvegarde { kEcrite, kEchouee, kAbandonnee };
    Sauvegarde sauverSous();
    // A copy of pictures that lasts longer than this shows its progress dialog.
    void setDelaiProgression(int ms) { delaiProgression_ = ms; }

    void newbaseClick();
    void ouvrirClick();
    void ouvrir1Click();
    void savemybaseClick();
    void enregister1Click();
    void enregistrersous1Click();
    // Opens a base named without the open dialog (dropped on the window, chosen among the
    // recent bases) as the menu item "ouvrir base" opens the chosen file, save prompt included.
    void ouvrirChemin(const std::string& chemin);

    // Appending and importing (bases/commandes_ajout_import.cpp).
    void Ajouterdesfiches1Click();
    void convertircaldoverne1Click();

    // The cards chosen on the board, given by their indices in the table
    // (bases/commandes_choisies.cpp). Deleting them asks once, naming their count, and is one
    // undoable step; it is refused in edit mode, as "Supprimer" is. Copying them into another
    // base leaves the open base as it is.
    void supprimerChoisies(const std::vector<uint32_t>& choisies);
    void copierChoisies(const std::vector<uint32_t>& choisies);

    // Earlier versions and other copies of the base (bases/commandes_versions.cpp). The
    // command is offered when the open base has kept versions, in browse mode; the dialog's
    // actions are those of this controller.
    void versionsprecedentes1Click();
    std::unique_ptr<DialogueVersions> dialogueVersions();

    // Quit (bases/quitter.cpp). quitter() is false when the user cancelled.
    bool quitter();
    void ButtonQuitClick();
    void quitter1Click();
    bool FormCloseQuery();

private:
    // Where the button "&Ouvrir base" and the menu item "ouvrir base" differ; a base dropped
    // or chosen among the recent bases opens as the menu item opens it.
    struct FormeOuverture {
        // The path box shows the base path again after Cancel at the save prompt.
        bool cheminApresAnnulation;
        // The table is bound to any chosen path; otherwise only when chargerAutoload binds it.
        bool lierToujours;
        // The command itself marks the cards just read as unmodified.
        bool effacerModifiee;
    };
    static constexpr FormeOuverture kFormeBouton{false, false, true};
    static constexpr FormeOuverture kFormeMenu{true, true, false};
    // The one open: the save prompt, the path chosen (after the prompt), the reading, the
    // display.
    void ouvrirBase(const FormeOuverture& forme,
                    const std::function<std::optional<std::string>()>& choisir);
    // The reading step of the open; false when the base could not be read.
    bool lireBaseChoisie(const std::string& choisi);

    // Whether "versions précédentes…" has something to show: checked each time the menu
    // opens, so that every save that keeps a version and every base opened is taken into
    // account, whichever command made them.
    bool versionsAMontrer() const;
    // The refresh after a change made from the versions dialog (bases/commandes_versions.cpp).
    void montrerBase();

    // The window, as its commands see it once connected, and as the parent of their dialogs.
    Vue& vue_;
    QWidget& fenetre_;
    MagasinFiches& store_;
    Plateforme& plateforme_;
    // Set once the quit has gone through: the close that follows must not ask again.
    bool termine_ = false;
    int delaiProgression_ = ProgressionDifferee::kDelai;
};
