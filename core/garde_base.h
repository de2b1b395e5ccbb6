#pragma once
// Two windows on one base, or a base replaced by another program while it is open: neither
// may end in a silent overwrite.
//
// The open base's file is remembered as it was when it was read or last written. Before a
// save replaces it, one stat tells whether it is still that file; when it is not, the user
// chooses between writing anyway and keeping the file as it is.
//
// Each window also holds an advisory lock on its base file: a shared lock on one byte far
// past any real end of file, taken on the file itself. It needs no lock file, changes nothing
// in the file, and goes with the window's process however that ends (a crash, a kill), so a
// leftover lock cannot exist. A window that opens a base finds the locks of the others and
// says so once; it opens the base all the same.

#include <string>

#include "core/identite_fichier.h"

class Messages;

inline constexpr const char* kModifieeAilleurs =
    "La base %s a été modifiée par un autre programme depuis son ouverture. L'enregistrer "
    "quand même ? Les changements faits ailleurs seront perdus.";
inline constexpr const char* kNonEnregistreeAilleurs =
    "La base %s n'a pas été enregistrée : le fichier a été changé par un autre programme. Vos "
    "fiches sont toujours dans la fenêtre ; pour garder les deux versions, utilisez « Sauver "
    "base sous » et choisissez un autre nom.";
inline constexpr const char* kDejaOuverte =
    "La base %s est déjà ouverte dans une autre fenêtre de Brevandoux.";

class GardeBase {
public:
    GardeBase() = default;
    ~GardeBase();
    GardeBase(const GardeBase&) = delete;
    GardeBase& operator=(const GardeBase&) = delete;
    // A card store moved elsewhere takes its hold with it.
    GardeBase(GardeBase&& autre) noexcept;
    GardeBase& operator=(GardeBase&& autre) noexcept;

    // The base file was read: it becomes the remembered file, and the window holds it.
    // Whether another window holds it too is noted for signalerOuvertureAilleurs.
    void apresLecture(const std::string& chemin, const IdentiteFichier& lu);
    // The base was written: the new file replaced the old one; the window holds the new one.
    void apresEcriture(const std::string& chemin, const IdentiteFichier& ecrit);
    // The window no longer has this file as its base (it took its cards from elsewhere).
    void oublier();

    enum class Etat { kInchangee, kModifiee, kDisparue };
    // One stat of the file at chemin, compared with the remembered one. A path other than the
    // remembered file's is not this base's business: kInchangee.
    Etat etat(const std::string& chemin) const;

    // Whether writing the base to chemin may go on: yes when the file is still the one read
    // or last written, or when the user answers Oui to the question. On Non, says why
    // nothing is written and how to keep both versions.
    bool accepterEcriture(const std::string& chemin, Messages& messages) const;

    // Shows that another window held the base when it was last read, once: an open that
    // reads the file twice calls it when done.
    void signalerOuvertureAilleurs(Messages& messages);

    const std::string& chemin() const { return chemin_; }
    bool tenue() const { return verrou_ >= 0; }

private:
    void tenir(const std::string& chemin, const IdentiteFichier& id, bool chercherAutres);
    void lacher();

    std::string chemin_;
    IdentiteFichier identite_;
    int verrou_ = -1;
    IdentiteFichier fichierTenu_;
    bool aSignaler_ = false;
};

// Whether any window, this process's included, holds the file at chemin (false when it
// cannot be opened or its file system has no such locks). Looking takes no lock.
bool baseTenueAilleurs(const std::string& chemin);
