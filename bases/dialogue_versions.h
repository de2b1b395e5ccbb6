#pragma once
// The dialog of "versions précédentes…": the versions the open base keeps in X.sauvegardes/,
// newest first, and any other base file the user adds with "comparer avec une autre base…";
// the one chosen compared with the open base ("+a −r ~c" and the differing cards, a changed
// card's two texts side by side, the words that differ marked with the palette's highlight,
// each card's picture small beside its side's name); its chosen cards taken into the open base, or the base
// brought back to it.
//
// The dialog only reads: neither the kept versions nor another file or its folders are ever
// written, and the open base changes only through the two actions its owner gives it.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/comparaison_bases.h"
#include "core/magasin_fiches.h"
#include "core/versions_base.h"
#include "platform/plateforme.h"
#include "ui/progression.h"

class QLabel;
class QListView;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class ModeleDifferences;

class DialogueVersions : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        // Takes the chosen differences of autre into the open base as one step and shows the
        // base. cheminAutre: the file autre was read from (a kept version or another base).
        std::function<void(VueFiches autre, const std::vector<Difference>& choisies,
                           const std::string& cheminAutre)>
            recuperer;
        // Makes the version read the open table (the owner may move from it) once the user
        // has answered the save prompt; false when the user cancelled there.
        std::function<bool(BaseLue& version)> revenir;
    };

    // Lists the versions of the open base (store.cheminBase) at once; nothing is read yet.
    DialogueVersions(QWidget* parent, const MagasinFiches& store, Plateforme& plateforme, Actions actions);
    ~DialogueVersions() override;

    // The controls, under their names.
    QListWidget* versions() const { return versions_; }
    QPushButton* comparerAutre() const { return comparerAutre_; }
    QLabel* resume() const { return resume_; }
    QListView* differences() const { return differences_; }
    ModeleDifferences* modele() const { return modele_; }
    QPlainTextEdit* texteAutre() const { return texteAutre_; }
    QPlainTextEdit* texteOuverte() const { return texteOuverte_; }
    QPushButton* recuperer() const { return recuperer_; }
    QPushButton* revenir() const { return revenir_; }
    QPushButton* fermer() const { return fermer_; }
    QLabel* legende() const { return legende_; }
    QPushButton* toutChoisir() const { return toutChoisir_; }
    QPushButton* rienChoisir() const { return rienChoisir_; }
    QLabel* nombreChoisies() const { return nombreChoisies_; }
    QLabel* imageAutre() const { return imageAutre_; }
    QLabel* imageOuverte() const { return imageOuverte_; }

    // The filter of "comparer avec une autre base…": the bases of this program.
    static DialogueFichier dialogueAutreBase();

    // A reading that lasts longer than this shows its progress dialog ("Annuler" stops it).
    static constexpr int kDelaiProgression = ProgressionDifferee::kDelai;
    void setDelaiProgression(int ms) { delaiProgression_ = ms; }

    // The comparison on display; nothing compared when no line has been chosen or read.
    bool compare() const { return lue_ != nullptr; }
    const Comparaison& comparaison() const { return comparaison_; }

    // "comparer avec une autre base…": the window's open dialog, then the file added to the
    // list and chosen, or listed with the reason it cannot be read.
    void comparerAutreClick();
    void recupererClick();
    void revenirClick();

protected:
    // Enter presses the button that has the focus, and only that one: in a list it chooses a
    // line, never one of the actions behind the user's back. Escape closes, as in any dialog.
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    void creerControles();
    void remplirVersions();
    // A line: texte, then the count of cards, or the reason the file cannot be read.
    QListWidgetItem* ajouterLigne(const QString& texte, std::size_t fiches, const std::string& chemin, bool version,
                                  const std::string& raison);
    // Reads the line chosen and compares it with the open base.
    void choisir(QListWidgetItem* ligne);
    void comparer();
    void montrerDifference(int ligne);
    void actualiserBoutons();
    // The small picture of a card beside its side's name; none when it has none or it cannot
    // be drawn. repertoire: the folder its pictures are in.
    void montrerImage(QLabel* cadre, const Fiche* fiche, const std::string& repertoire);
    // The folder the picture of a card of the line compared is taken from, as recovery takes it.
    std::string repertoireImagesLu(const Fiche* fiche) const;

    const MagasinFiches& store_;
    Plateforme& plateforme_;
    Actions actions_;

    QLabel* etiquetteVersions_ = nullptr;
    QListWidget* versions_ = nullptr;
    QPushButton* comparerAutre_ = nullptr;
    QLabel* resume_ = nullptr;
    QLabel* etiquetteDifferences_ = nullptr;
    QListView* differences_ = nullptr;
    ModeleDifferences* modele_ = nullptr;
    QLabel* etiquetteAutre_ = nullptr;
    QPlainTextEdit* texteAutre_ = nullptr;
    QLabel* etiquetteOuverte_ = nullptr;
    QPlainTextEdit* texteOuverte_ = nullptr;
    QPushButton* recuperer_ = nullptr;
    QPushButton* revenir_ = nullptr;
    QPushButton* fermer_ = nullptr;
    QLabel* legende_ = nullptr;
    QPushButton* toutChoisir_ = nullptr;
    QPushButton* rienChoisir_ = nullptr;
    QLabel* nombreChoisies_ = nullptr;
    QLabel* imageAutre_ = nullptr;
    QLabel* imageOuverte_ = nullptr;

    // The table read for the line chosen, and that line.
    std::unique_ptr<BaseLue> lue_;
    QListWidgetItem* ligneLue_ = nullptr;
    Comparaison comparaison_;

    int delaiProgression_ = kDelaiProgression;
};
