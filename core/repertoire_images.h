#pragma once
// The picture directory beside each base, and the file copies that fill it.
//
// A card names its picture as a backslash followed by the file name ("\chat.jpg"), the form
// base files have always carried; on disk the picture is that name in the base's picture
// directory, joined with '/'.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/fichier_sur.h"

class MagasinFiches;
class Messages;

// The picture directory of a base path: the path without its last four characters, followed
// by ".rep" (films.dat -> films.rep, notes.txt -> notes.rep). A path shorter than four
// characters has no picture directory: the empty text.
std::string cheminRepertoireImages(const std::string& base);

// Binds the card store to the picture directory of the base at base: every command that gives
// the window a base file binds it here. A directory path too long for its buffer leaves the
// store unbound (empty), and false is returned: pictures are then refused with a message
// rather than filed in a cut path.
bool lierRepertoireImages(MagasinFiches& store, const std::string& base);

// What creating a directory did: made it, found it there already, or failed (errno says why).
enum class Creation { kCree, kExistait, kEchec };
// Creates one directory, without a word to the user; an empty path fails.
Creation creerRepertoire(const std::string& chemin);

// Creates a picture directory; when it did not exist, tells the user so. A directory that
// exists or cannot be created is passed over in silence.
void creerRepertoireImages(Messages& messages, const std::string& repertoire);

// Creates the picture directory of a base about to be written at base; when it is not made
// (mostly because it exists already), tells the user siEchec and goes on.
void creerRepertoireDeBase(Messages& messages, const std::string& base, const char* siEchec);

// Save as: the pictures follow the base to its new name. The new picture directory is created
// ("erreur de création de répertoire" when it is not made) and the open base's picture tree is
// copied into it; saving under the same name leaves them where they are. A base already at
// nouvelleBase is kept as a version first (when versions are kept), and every picture of its
// directory the copy replaces by different bytes is kept with its versions, so that each
// version keeps its own pictures. progression, when given, is called as the bytes are copied
// (copied, total) and stops the copy by returning false: false is then returned, the base is
// not to be written.
bool emporterImages(MagasinFiches& store, const std::string& nouvelleBase,
                    const std::function<bool(uint64_t, uint64_t)>& progression = {});

// The picture step of validating the current card: brings the picture imageChoisie into the
// picture directory, stores its name in the card and marks the base modified.
//
// While no base is bound (repertoireImages empty) there is no picture directory to copy
// into, and no other place is acceptable: a newly chosen picture is dropped, the card is kept
// without one and the user is told. A card keeping the picture name it already had keeps it.
// A picture the display could not find again from the stored name — a path over 255 bytes, a
// name holding a backslash or ".." — is likewise left out, with a message, rather than stored
// cut or stored to lead elsewhere. A picture already in the directory is never replaced by
// different bytes: the new one takes a free name made from its own (photo-2.jpg...), and a
// file already holding the same bytes is used without copying.
void rangerImage(MagasinFiches& store);

// Files the picture at source for the card at index as rangerImage does, leaving the current
// card and the chosen picture as they were. A source too long for the chosen picture's buffer
// leaves the card as it is.
void rangerImageDe(MagasinFiches& store, std::size_t index, const std::string& source);

// The cards debut to fin - 1 come from the table of another base file, cheminAutre (another
// copy of the base, or one of its kept versions): each picture they name that is in the
// picture directory of cheminAutre is filed as a chosen picture is (a different picture of the
// same name gets a name of its own, and the card takes it). A picture not there leaves the
// card's name as it is: a kept version names the pictures of the base's own directory, except
// those it keeps because they were replaced since. Nothing is written into the other directory.
void rangerImagesAutre(MagasinFiches& store, std::size_t debut, std::size_t fin, const std::string& cheminAutre);

// The directory a card read from the base file cheminAutre takes its picture nom from, by the
// rule rangerImagesAutre follows: the picture directory of cheminAutre when the picture is
// there, otherwise repertoireOuvert (the open base's, whose name the card keeps).
std::string repertoireImageAutre(const std::string& cheminAutre, const std::string& repertoireOuvert,
                                 std::string_view nom);

// Copies one file whole. The copy is written by ecrireFichierSur (through appels), in a hidden
// temporary file beside the destination renamed over it once complete, so a source that cannot be read or a destination that
// cannot be written ends the copy with both files as they were. The same file under two
// spellings of its path is left as it is. A read-only destination (owner write bit clear) is
// not replaced. Failures are reported to the user; returns true when the destination holds
// the source's bytes.
bool copierFichier(Messages& messages, const std::string& source, const std::string& destination,
                   const AppelsSysteme& appels = appelsSysteme());

// Copies the contents of the directory tree source into the directory destination (created
// when missing). Entries whose name begins with a dot are skipped, and so are fifos, sockets
// and devices. Nothing is deleted from the destination; files of the same name are replaced.
// A linked file is copied as a file; a linked directory is not entered, as it may lead
// anywhere on the disk or back up the tree. The destination is never copied into itself when
// it lies inside the source, and copying a directory onto itself does nothing. Files that could not be copied are reported in one message at the end.
// Returns the number of files that could not be copied. suivi, when given, is told of the
// progress and of the files about to be replaced.
struct SuiviCopie {
    // Called before a file of the destination is replaced by different bytes, with its path
    // inside the destination and the file itself; a French reason keeps the file as it is
    // (the copy of that one fails), empty lets the copy replace it. Files already holding the
    // same bytes are then not copied again.
    std::function<std::string(const std::string& relatif, const std::string& fichier)> avantRemplacement;
    // Called before each entry with the bytes copied and the total; false stops the copy.
    std::function<bool(uint64_t, uint64_t)> progression;
    bool interrompue = false;  // set when progression stopped the copy
};
std::size_t copierArbre(Messages& messages, const std::string& source, const std::string& destination,
                        SuiviCopie* suivi = nullptr);
