#pragma once
// Replacing a file so that a crash, a kill or a full disk leaves either the old content or
// the new one, whole: a temporary file beside the target, written and flushed, then renamed
// over it.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "core/identite_fichier.h"

// The system calls the writer makes; tests substitute failing ones.
struct AppelsSysteme {
    int (*ouvrir)(const char* chemin, int drapeaux, mode_t mode);
    ssize_t (*ecrire)(int fd, const void* donnees, std::size_t taille);
    int (*synchroniser)(int fd);
    int (*renommer)(const char* de, const char* vers);
    int (*fermer)(int fd);
    ssize_t (*lire)(int fd, void* tampon, std::size_t taille);
    // copy_file_range from the current offsets of both files.
    ssize_t (*copierNoyau)(int de, int vers, std::size_t taille);
};
const AppelsSysteme& appelsSysteme();

struct Morceau {
    const void* donnees;
    std::size_t taille;
};

struct ResultatEcriture {
    enum Etat { kOk, kLectureSeule, kEchec } etat = kOk;
    std::string raison;  // French, for kEchec: why the file could not be written
    IdentiteFichier identite;  // for kOk: the file now in place (unknown if it could not be read)
    bool ok() const { return etat == kOk; }
};

// Leftover temporary files of an interrupted save are hidden (their names begin with a dot)
// and are removed by the next save of the same file, unless a running writer still holds them.
// Called with the real target once the new content is whole on disk, just before it is renamed
// over the target: the last moment the old file can still be reached.
using AvantRemplacement = std::function<void(const std::string& cible)>;

ResultatEcriture ecrireFichierSur(const std::string& chemin, std::span<const Morceau> morceaux,
                                  const AppelsSysteme& appels = appelsSysteme(),
                                  const AvantRemplacement& avant = {});

// A content produced while it is written, for contents too large to hold in memory: it writes
// itself into the open temporary file fd through appels, and returns 0 when whole, otherwise
// the error number that stopped it (the target is then left as it was).
using Contenu = std::function<int(int fd, const AppelsSysteme& appels)>;
ResultatEcriture ecrireFichierSur(const std::string& chemin, const Contenu& contenu,
                                  const AppelsSysteme& appels = appelsSysteme(),
                                  const AvantRemplacement& avant = {});

// Writes all of a buffer through appels (in chunks some file systems need, again after an
// interruption); 0, or the error number that stopped it.
int ecrireTout(int fd, const void* donnees, std::size_t taille, const AppelsSysteme& appels);

// The content of an open file, from its current offset to its end: the kernel copies without
// a round trip through user space (and shares extents where the file system can); where it
// cannot, a bounded buffer takes over. Returns 0, or the error number that stopped it.
int copierDescripteur(int source, int fd, const AppelsSysteme& appels);

// Makes the renames already done in a folder durable (fsync of the folder). A failure cannot
// undo them, so it is not reported.
void synchroniserDossier(const std::string& dossier);

// The French words for a system error number.
std::string raisonSysteme(int erreur);

// The real file a path designates, following symbolic links, also when that file does not
// exist yet. The path itself when nothing needs following.
std::string cheminReel(const std::string& chemin);

// The folder of a path ("." for a bare name, "/" at the root) and its last component.
std::string dossierDe(const std::string& chemin);
std::string nomDe(const std::string& chemin);

// Removes the files and folders of a folder whose names begin with the prefix and that no
// running writer holds (verrouillerTemporaire): the leftovers of interrupted or killed writes.
void supprimerTemporairesAnciens(const std::string& dossier, const std::string& prefixe);

// Takes the lock by which a writer holds its temporary file or folder (open at fd) for as
// long as fd, or a copy of it, stays open. False when the name was removed before it was
// locked: it is then nobody's, and another name is to be made.
bool verrouillerTemporaire(int fd);

// Prefix of the temporary files made for a target file name.
std::string prefixeTemporaire(const std::string& nomFichier);
// A name not yet used by this process: dossier/prefixe, then the process and a counter.
std::string nomTemporaire(const std::string& dossier, const std::string& prefixe);
