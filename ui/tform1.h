#pragma once
// The main window, the view: the one window of the program, with the card store it works on,
// and the commands it carries out by itself (navigation, editing, the list, help, clipboard).
// Every control is reachable under its own name (objectName and accessor), so that each
// controller (bases/, print/, echange/) connects its commands to the buttons and menu items it
// serves; the window calls nothing of them. Their commands then see the window only as a Vue.

#include <QColor>
#include <QMainWindow>
#include <QPalette>
#include <array>
#include <functional>
#include <optional>
#include <vector>
#include <string>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"
#include "ui/menus.h"
#include "ui/vue.h"

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class CadreImage;
class ListeFiches;
class Memo;
class TUpDown;
class TAboutBox;
class Agrandissement;

class TForm1 : public QMainWindow, public Vue {
    Q_OBJECT
public:
    explicit TForm1(Plateforme& plateforme, QWidget* parent = nullptr);
    ~TForm1() override;

    MagasinFiches& store() { return store_; }

    // Window modes: edit mode shuts the buttons, the spinner and the list, and opens the
    // title and description; browse mode undoes it and always enables "Sauver base".
    void verrouiller();
    void deverrouiller();
    // Any change of the search text makes goButton the default button for good.
    void expressionChange();

    // The current card into the boxes, the counters and the picture frame.
    void afficherFiche();
    // Blank title and description, and the placeholder picture.
    void viderAffichage();
    // The list box from the whole card table.
    void remplirListe();
    // What the controllers see (ui/vue.h, ui/vue.cpp).
    void montrerBase(const Rafraichissement& comment = {}) override;
    void activerSauvegarde() override;
    void montrerChemin(const std::string& chemin) override;
    QString texteRecherche() const override;
    QString titreAffiche() const override;
    // Whether the window is in edit mode: the one way every command asks it.
    bool enSaisie() const override;

    // What the window asks its owner when it is asked to close (close box, session end):
    // true lets it close. Without one, it closes.
    void setFermeture(std::function<bool()> fermeture) { fermeture_ = std::move(fermeture); }
    // What opens a base named without the open dialog: dropped on the window, or chosen among
    // the recent bases. Without one, such a base is not opened.
    void setOuverture(std::function<void(const std::string& chemin)> ouverture) {
        ouverture_ = std::move(ouverture);
    }

    // The button that Enter presses from a single-line box or the list, when there is one.
    QPushButton* boutonParDefaut() const { return boutonParDefaut_; }

    // The file dialogs of the window, with their settings.
    static DialogueFichier SaveDialog();
    static DialogueFichier OpenDialog();

    // The About box, created hidden beside the window at start-up.
    void setAboutBox(TAboutBox* boite) { AboutBox_ = boite; }
    // True from a search until a card is shown again: the card area is blank, and the
    // commands that act on the current card refuse to.
    bool affichageVide() const { return affichageVide_; }

    // Start-up and the remembered base (ui/demarrage.cpp). chargerAutoload, also run by open
    // and save as, shows what the core's rouvrirBase read.
    void FormCreate();
    void chargerAutoload() override;

    // Navigation and editing (ui/navigation.cpp, ui/edition.cpp).
    void debutClick();
    void finClick();
    void UpDownClick(bool haut);
    void nouvelleClick();
    void modifClick();
    void imageClick();
    // What "Image" does with the file it got: also the end of a picture dropped on the frame.
    void prendreImage(const std::optional<std::string>& choisie);
    void validerClick();
    void annulerClick();
    void supprimeClick();
    void enregistrerFiche();
    // "dupliquer la fiche" and "rechercher les doublons…" (ui/commandes_doublons.cpp).
    void dupliquerlafiche1Click();
    void rechercherlesdoublons1Click();

    // Sorting, list selection and search: the window's own list (ui/commandes_liste.cpp).
    void trialfaClick();
    void trirefClick();
    void listalfaClick();
    void medialistClick(int ligne);
    void goButtonClick();
    // "rechercher sans tenir compte des accents", checked or not.
    void rechercheSansAccents1Click(bool coche);
    // "agrandir la liste et la description avec la fenêtre", checked or not (ui/agrandissement.cpp).
    void agrandirlalisteetladescriptionaveclafenetre1Click(bool coche);
    // "couleurs contrastées", checked or not (ui/couleurs_fenetre.cpp).
    void couleurscontrastees1Click(bool coche);
    // The first match of the last search in the card shown, highlighted without selecting it.
    void surlignerCorrespondance();

    // Undo and redo (ui/annulation.cpp): the step at the history's position, undone or
    // redone, then the whole base shown as montrerBase shows it. Only in browse mode.
    void annuler1Click();
    void retablir1Click();
    // The two items as the history and the mode stand: captions naming the step, enabled in
    // browse mode when there is a step. Run by every refresh of the base and by both modes.
    void actualiserAnnulation();

    // About box, help and clipboard (ui/aide_presse_papiers.cpp).
    void propos1Click();
    void aidesurcaldoverne1Click();
    void couper1Click();
    void Copier1Click();
    void Coler1Click();

    // Controls, under their names.
    QLabel* Label1() const { return Label1_; }
    QLabel* Label2() const { return Label2_; }
    QLabel* Label3() const { return Label3_; }
    QLabel* Label4() const { return Label4_; }
    QLabel* Label5() const { return Label5_; }
    QLabel* etiquettePosition() const { return etiquettePosition_; }

    QLineEdit* numero() const { return numero_; }
    QLineEdit* titre() const { return titre_; }
    QLineEdit* position() const { return position_; }
    QLineEdit* total() const { return total_; }
    QLineEdit* chemin() const { return chemin_; }
    QLineEdit* expression() const { return expression_; }
    Memo* description() const { return description_; }
    ListeFiches* medialist() const { return medialist_; }
    TUpDown* UpDown() const { return UpDown_; }
    QGroupBox* GroupBox1() const { return GroupBox1_; }
    CadreImage* Imagevue() const { return Imagevue_; }

    QPushButton* ButtonQuit() const { return ButtonQuit_; }
    QPushButton* debut() const { return debut_; }
    QPushButton* fin() const { return fin_; }
    QPushButton* listalfa() const { return listalfa_; }
    QPushButton* newbase() const { return newbase_; }
    QPushButton* ouvrir() const { return ouvrir_; }
    QPushButton* savemybase() const { return savemybase_; }
    QPushButton* sauver() const { return sauver_; }
    QPushButton* trialfa() const { return trialfa_; }
    QPushButton* triref() const { return triref_; }
    QPushButton* nouvelle() const { return nouvelle_; }
    QPushButton* modif() const { return modif_; }
    QPushButton* supprime() const { return supprime_; }
    QPushButton* image() const { return image_; }
    QPushButton* valider() const { return valider_; }
    QPushButton* annuler() const { return annuler_; }
    QPushButton* goButton() const { return goButton_; }
    QPushButton* ButtonPrintList() const { return ButtonPrintList_; }
    QPushButton* ButtonImpFiche() const { return ButtonImpFiche_; }

    QMenuBar* MainMenu1() const;
    // The menus and their items, as ui/menus.h declares them: commande("quitter1") is the
    // item's QAction, menu("fichier") the menu (also a submenu or the pop-up menu).
    QAction* commande(menus::Nom nom) const { return menus_[nom.rang()]; }
    QMenu* menu(menus::Nom nom) const;
    QMenu* fichier() const { return menu("fichier"); }
    QAction* ouvrir1() const { return commande("ouvrir1"); }
    QAction* nouveau1() const { return commande("nouveau1"); }
    QAction* enregister1() const { return commande("enregister1"); }
    QAction* enregistrersous1() const { return commande("enregistrersous1"); }
    QAction* convertircaldoverne1() const { return commande("convertircaldoverne1"); }
    QAction* Ajouterdesfiches1() const { return commande("Ajouterdesfiches1"); }
    QAction* exporterlabase1() const { return commande("exporterlabase1"); }
    QAction* importeruntableauCSV1() const { return commande("importeruntableauCSV1"); }
    QAction* quitter1() const { return commande("quitter1"); }
    // The submenu "bases récentes", just before "quitter", and its refilling from the list
    // of the card store (ui/recentes_menu.cpp).
    QMenu* basesrecentes1() const { return menu("basesrecentes1"); }
    void remplirRecentes();
    QMenu* edition1() const { return menu("edition1"); }
    QAction* annuler1() const { return commande("annuler1"); }
    QAction* retablir1() const { return commande("retablir1"); }
    QAction* dupliquerlafiche1() const { return commande("dupliquerlafiche1"); }
    QAction* rechercherlesdoublons1() const { return commande("rechercherlesdoublons1"); }
    QMenu* options1() const { return menu("options1"); }
    QAction* rechercheSansAccents1() const { return commande("rechercheSansAccents1"); }
    QAction* agrandirlalisteetladescriptionaveclafenetre1() const {
        return commande("agrandirlalisteetladescriptionaveclafenetre1");
    }
    QAction* couleurscontrastees1() const { return commande("couleurscontrastees1"); }
    QAction* apercuavantimpression1() const { return commande("apercuavantimpression1"); }
    QMenu* aide1() const { return menu("aide1"); }
    QAction* aidesurcaldoverne1() const { return commande("aidesurcaldoverne1"); }
    QAction* propos1() const { return commande("propos1"); }

    QMenu* PopupMenu() const { return menu("PopupMenu"); }
    QAction* couper1() const { return commande("couper1"); }
    QAction* Copier1() const { return commande("Copier1"); }
    QAction* Coler1() const { return commande("Coler1"); }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    // A request to close the window, from its close box or from the session, asks the owner's
    // fermeture (the quit) whether it may close.
    void closeEvent(QCloseEvent* evenement) override;
    // Files dropped on the window (ui/depot.cpp): a base anywhere, a picture on the frame in
    // edit mode; anything else is refused without a word.
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dragMoveEvent(QDragMoveEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;
    // A palette changed by the desktop makes the described colours readable again on it.
    void changeEvent(QEvent* evenement) override;

private:
    // Tells the picture frame the pictures of the next and previous cards (ui/voisins.cpp).
    void prechargerVoisins();
    void creerControles();
    void creerMenus();
    void ordreTabulation();
    void connecterGestionnaires();
    void creerMenuRecentes();
    // Runs a handler as the window's own connections do: an error leaving it is shown in the
    // standard error display and the program goes on.
    void gerer(const std::function<void()>& gestionnaire);
    // What a drop at a point of the window would do; nothing when it is refused.
    struct Depot {
        enum Genre { Base, Image } genre;
        std::string chemin;
    };
    std::optional<Depot> depotPossible(const QMimeData* donnees, const QPoint& point) const;
    void raccourcisBoutons();
    // The controls that edit mode disables, in the order it disables them.
    std::array<QWidget*, 18> controlesDuMode() const;
    // Refuses, with a message, a command that would start a card or replace the list in the
    // middle of an edit (the menus stay available in edit mode, the buttons it shuts do not).
    bool horsSaisie();

    // Why "Valider" cannot store the title and description as they stand (characters a base
    // cannot hold, a text longer than its field), in French; empty when it can.
    std::string refusDeSaisie() const;
    // imageChoisie from the current card's picture, so that validating without choosing
    // another keeps it (and copies nothing); empty when it has none or names no file of the
    // picture directory.
    void reprendreImage();
    // Refuses, with the box the print command also uses, to act on a blank card area.
    bool ficheSelectionnee();
    // The described fixed colours of the controls, as they are (light palette) or made
    // readable (dark palette, or "couleurs contrastées"), on what lies behind each text.
    void appliquerCouleurs();
    // The boxes' backgrounds taken again from a new desktop palette, each from the role it
    // was given for the mode it is in.
    void reprendreFonds();
    struct CouleurDecrite {
        QWidget* controle;
        QPalette::ColorRole texte;
        QPalette::ColorRole fond;
        QColor decrite;
    };
    std::vector<CouleurDecrite> couleursDecrites_;

    Plateforme& plateforme_;
    MagasinFiches store_;
    TAboutBox* AboutBox_ = nullptr;
    bool affichageVide_ = false;
    std::function<bool()> fermeture_;
    std::function<void(const std::string&)> ouverture_;
    QPushButton* boutonParDefaut_ = nullptr;
    Agrandissement* agrandissement_ = nullptr;

    QLabel* Label1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* Label3_ = nullptr;
    QLabel* Label4_ = nullptr;
    QLabel* Label5_ = nullptr;
    QLabel* etiquettePosition_ = nullptr;

    QLineEdit* numero_ = nullptr;
    QLineEdit* titre_ = nullptr;
    QLineEdit* position_ = nullptr;
    QLineEdit* total_ = nullptr;
    QLineEdit* chemin_ = nullptr;
    QLineEdit* expression_ = nullptr;
    Memo* description_ = nullptr;
    ListeFiches* medialist_ = nullptr;
    TUpDown* UpDown_ = nullptr;
    QGroupBox* GroupBox1_ = nullptr;
    CadreImage* Imagevue_ = nullptr;

    QPushButton* ButtonQuit_ = nullptr;
    QPushButton* debut_ = nullptr;
    QPushButton* fin_ = nullptr;
    QPushButton* listalfa_ = nullptr;
    QPushButton* newbase_ = nullptr;
    QPushButton* ouvrir_ = nullptr;
    QPushButton* savemybase_ = nullptr;
    QPushButton* sauver_ = nullptr;
    QPushButton* trialfa_ = nullptr;
    QPushButton* triref_ = nullptr;
    QPushButton* nouvelle_ = nullptr;
    QPushButton* modif_ = nullptr;
    QPushButton* supprime_ = nullptr;
    QPushButton* image_ = nullptr;
    QPushButton* valider_ = nullptr;
    QPushButton* annuler_ = nullptr;
    QPushButton* goButton_ = nullptr;
    QPushButton* ButtonPrintList_ = nullptr;
    QPushButton* ButtonImpFiche_ = nullptr;

    // Each row of the menu table as built: an item's QAction, a menu's menuAction().
    std::array<QAction*, menus::kNombreEntrees> menus_{};
    // The last search's text, as searched (Windows-1252), for the highlight of its results.
    std::string derniereRecherche_;
};
