#pragma once
// What reading a base, appending one and importing one share: opening the file as bases are
// opened, reading it in large blocks, and the messages that report failures.

#include <sys/stat.h>
#include <unistd.h>

#include <string>

class Messages;

#include "core/descripteur.h"
#include "core/table_fiches.h"

// Opens an existing regular, writable file for reading and writing; -1 otherwise. A fifo or a device
// would open but is no base, and reading one could block for ever.
int ouvrirBase(const std::string& chemin, struct stat& st);

// Reads until the end of the file into the table's bytes from slot premiere on, growing the
// table when the file is longer than its slots. Returns the bytes read, or -1 with errno.
long long lireDansTable(int fd, TableFiches& table, std::size_t premiere);

// The first steps of reading a base, appending one and importing one: a name that names
// nothing is reported as "introuvable" (kBaseIntrouvable); the file is made writable first
// when rendreModifiable (reading and appending, which open bases as bases are opened; the
// import reads the sibling program's file as it is); a file that cannot be opened as a base
// is reported as not found (kBaseNonTrouvee). Returns the descriptor, with the file's status
// in st, or -1 once reported.
int ouvrirPourLecture(Messages& messages, const std::string& chemin, bool rendreModifiable,
                      struct stat& st);

// What reading the cards of a base file gave.
enum class LectureFiches { kLues, kPasUnFichier, kTropDeFiches, kErreur /* errno says why */ };

// Reads the cards of the open base file fd into table, sized to them and one blank slot after
// them (a partial record at the end is no card; a file that grows meanwhile is read to its
// end); nombre: the cards. Throws std::bad_alloc when memory runs out.
LectureFiches lireFichesBase(int fd, TableFiches& table, std::size_t& nombre);

// The same for the base file at chemin left exactly as it is, as a script's source must be:
// opened read-only, so that its read-only mark stays (the program's own reading clears it),
// and without waiting on a fifo, which is no base.
LectureFiches lireBaseTelleQuelle(const std::string& chemin, TableFiches& table, std::size_t& nombre);
