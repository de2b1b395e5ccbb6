#pragma once
// INI files read and updated in place. The configuration file belongs to the user as much as
// to the program: updating one key rewrites that key's line only, and every other byte —
// comments, blank lines, other sections and keys, their order, CR LF or LF line endings, a
// missing final newline — stays exactly as it was.
//
// Reading rules, those of the classic INI readers:
// - a line is a section header when its first non-blank character is '[' and a ']' follows;
//   the name lies between the '[' and the last ']';
// - a line whose first non-blank character is ';' or '#' is a comment;
// - any other line holding '=' is a key: the name before the first '=', the value after it;
// - names and values lose their surrounding blanks (space, tab, CR), so a value that begins
//   or ends with blanks does not come back whole;
// - section and key names match without regard to ASCII letter case;
// - the first matching section wins, and within it the first matching key; keys standing
//   before any section belong to none;
// - a UTF-8 byte order mark at the start of the file is not part of the first line.
// Values are bytes, taken as they are: no quotes are removed, no code page is converted.

#include <string>

#include "core/fichier_sur.h"

// The value of a key in an INI text, or defaut when the section or the key is missing.
std::string valeurCle(const std::string& contenu, const std::string& section,
                      const std::string& cle, const std::string& defaut);

// The INI text with the key set to valeur. An existing key keeps its line up to the '=' and
// its line ending; a missing key is added as "cle=valeur" after the last line of its section
// that is neither blank nor a comment; a missing section is added at the end of the text.
// Added lines take the text's line ending style (LF for a text without line endings).
// Throws std::invalid_argument for a name or value that cannot be held on one INI line.
std::string remplacerCle(const std::string& contenu, const std::string& section,
                         const std::string& cle, const std::string& valeur);

// The value of a key in an INI file; defaut also when the file cannot be read.
std::string lireCleIni(const std::string& chemin, const std::string& section,
                       const std::string& cle, const std::string& defaut);

// Sets a key in an INI file, creating the file when it does not exist. The file is replaced
// crash-safely, so an interruption leaves the old file or the new one, whole. A file already
// holding that value is left alone. When the file cannot be read or written (a read-only
// file — missing owner write bit — included), throws Erreur "Unable to write to <chemin>"
// and the file is unchanged.
void ecrireCleIni(const std::string& chemin, const std::string& section, const std::string& cle,
                  const std::string& valeur, const AppelsSysteme& appels = appelsSysteme());
