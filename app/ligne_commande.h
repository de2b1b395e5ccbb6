#pragma once
// The two options of the command line, answered before anything of the toolkit exists, so
// that they work without a display.

#include <string>

// What the command line asks for. Every other argument is left to the toolkit and to the
// program, which takes none of its own.
enum class Demande { Lancer, Version, Aide };

Demande demandeDe(int argc, const char* const* argv);

// The texts printed for --version and --help.
std::string texteVersion();
std::string texteAide();
