#pragma once
// The one open base in memory: its card table, the search results, the flags and the path
// buffers the whole program shares.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/chemin.h"
#include "core/fiche.h"
#include "core/fichier_sur.h"
#include "core/sauvegardes.h"
#include "core/garde_base.h"
#include "core/historique.h"
#include "core/reglages_planche.h"
#include "core/services.h"
#include "core/table_fiches.h"

class MagasinFiches {
public:
    explicit MagasinFiches(Messages& messages);

    // Card table: fiches[0..derniere] are the cards of the base; at least one slot always
    // exists so that fiches[courante] can be read while the base holds no card.
    TableFiches fiches;
    int32_t derniere = 0;
    int32_t courante = 0;

    bool modifiee = false;
    bool baseNommee = false;
    int32_t ajoutEnCours = 0;

    TableFiches resultats;
    int32_t dernierResultat = 0;
    bool listeResultats = false;
    // What the result table holds: a search's matches, or the cards entered twice (by title,
    // or by title and description); printing and the exports head them by it.
    enum class SorteResultats { recherche, doublonsTitres, doublonsDescriptions };
    SorteResultats sorteResultats = SorteResultats::recherche;
    // For the duplicates, the index in the table of the card each result copies: their lines
    // stand for their own cards, which may share a number (see selectionLigne).
    std::vector<uint32_t> indexResultats;

    Chemin<513> cheminBase;
    Chemin<256> repertoireDepart;
    Chemin<256> imageDefaut;
    Chemin<256> repertoireImages;
    Chemin<256> imageChoisie;
    Chemin<256> cheminIni;

    int32_t nombreFiches() const { return derniere + 1; }
    Fiche& ficheCourante() { return fiches[static_cast<std::size_t>(courante)]; }

    void effacerBase();
    // Removes the current card. On a base without cards it does nothing; removing the only
    // card leaves a base without cards (derniere -1, one blank slot kept).
    void supprimerFiche();
    void ajouterPlace();
    // Smallest number at or above depart that no card other than fiches[sauf] carries,
    // counting upward with 32-bit wrap-around.
    int32_t numeroLibre(int32_t depart, int32_t sauf) const;
    // The numbering step of a validation: the number the card gets from the text in the
    // number box, minus sign included (a new card gets the next free one from there, a
    // modification keeps it as typed).
    int32_t numeroValide(const std::string& texteNumero) const;

    // Base files. Return 1 when done, 0 after telling the user why not.
    int chargerBase(const std::string& chemin);
    // Writing over an existing base first keeps the version it replaces beside it (see
    // core/sauvegardes.h); a version that cannot be kept is told, and the save goes on.
    int ecrireBase(const std::string& chemin);
    // The same for a base produced while it is written (see Contenu in core/fichier_sur.h): a
    // table converted as it is read. siEchec, when given, is called before a failure is told;
    // returning false, it has told the user why itself, and nothing more is said.
    int ecrireBase(const std::string& chemin, const Contenu& contenu, const std::function<bool()>& siEchec = {});
    // Appends the whole cards of another base file, numbered by their index in the table.
    // False after telling the user why the file could not be read. accepter, when given, is
    // called with the number of cards about to be appended before the table changes; false
    // leaves it as it was, and nothing more is said.
    bool ajouterBase(const std::string& chemin, const std::function<bool(std::size_t)>& accepter = {});
    // Replaces the table with the cards of a file in the sibling program's 772-byte format.
    void importerBase(const std::string& chemin);

    // How many earlier versions a save keeps beside the base (brevandoux.ini may say).
    int sauvegardes = kSauvegardesParDefaut;
    // The bases opened or saved last, newest first: every base read or written whole is noted.
    std::vector<std::string> recentes;
    // Whether the search ignores accents, ligatures and typographic marks, as brevandoux.ini
    // says; written back at quit only once the user has chosen (choixAccents).
    bool sansAccents = false;
    bool choixAccents = false;
    // Whether the list and the description grow with the window, the same way (choixFenetre).
    bool fenetreAgrandie = false;
    bool choixFenetre = false;
    // Whether the window's described colours are made readable on a light palette too (on a
    // dark one they always are), the same way (choixCouleurs).
    bool couleursContrastees = false;
    bool choixCouleurs = false;
    // Whether printing first shows its pages in a preview window, the same way (choixApercu).
    bool apercuImpression = false;
    bool choixApercu = false;
    // The board of pictures: its size, its thumbnails' size, whether it was open.
    ReglagesPlanche planche;
    // The base file as last read or written, and the window's hold on it.
    GardeBase garde;
    // The steps that changed the cards since the table was loaded, for undo and redo. Every
    // command that changes the cards records its step here; the commands that load another
    // table start it afresh, and a save marks the state written (core/historique.h).
    Historique historique;

    Messages& messages() { return messages_; }
    // Tests replace the system calls of the crash-safe writer to inject failures.
    const AppelsSysteme* appels = &appelsSysteme();

private:
    // The table as the base file holds it, right after reading or writing the file (the table
    // unchanged since): a read of that same file, unchanged too, is not done again.
    void noterTableDuFichier(const IdentiteFichier& fichier);
    bool tableDuFichier(const IdentiteFichier& fichier) const;
    struct TableDuFichier {
        IdentiteFichier fichier;
        uint64_t version = 0;
        int32_t derniere = -2;
    } tableDuFichier_;
    void signalerSauvegarde(const std::string& chemin, const VersionGardee& gardee);
    Messages& messages_;
    // The folder whose failure to keep a version was last told: a folder that keeps failing
    // is told once, not at every save.
    std::string sauvegardeEnEchec_;
};

// Writes the card table over the open base as MagasinFiches::ecrireBase does, after the guard's
// check that the file is still the one read or last written (GardeBase::accepterEcriture).
// Returns 1 when written, 0 when not (the user has been told why).
int ecrireBaseVerifiee(MagasinFiches& store, const std::string& chemin);
