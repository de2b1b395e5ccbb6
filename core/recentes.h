#pragma once
// The bases opened or saved last, newest first, as the "bases récentes" menu offers them and
// brevandoux.ini keeps them (key "recentes" of the section "setup", paths separated by '|').

#include <string>
#include <vector>

inline constexpr std::size_t kRecentesMax = 5;

// Puts a path at the head of the list, once, keeping the newest kRecentesMax. A relative path
// is made absolute from the current directory, so that it still names the same base after a
// change of directory. A path that the INI line cannot hold (a '|', a line break, a zero) is
// left out: the list would otherwise read back as other paths.
void noterRecente(std::vector<std::string>& recentes, const std::string& chemin);

// The list as the INI value holds it, and back. Empty items are dropped when reading, and
// the list is cut to kRecentesMax.
std::string recentesEnTexte(const std::vector<std::string>& recentes);
std::vector<std::string> recentesDuTexte(const std::string& texte);
