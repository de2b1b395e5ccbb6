#pragma once
// The folders fontconfig reads on this machine: those its configuration names for fonts and
// caches, and its configuration files, wherever they are (fonts under /opt, a cache elsewhere):
// text must draw with the same fonts confined as not.

#include <string>
#include <vector>

// Read from a configuration fontconfig loads for the purpose, without scanning any font;
// empty when it cannot load one.
std::vector<std::string> cheminsFontconfig();
