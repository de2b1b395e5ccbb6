#pragma once
// "t" + std::to_string(i), built by appending: GCC 12 at -O3 reports a -Wrestrict false
// positive on operator+(const char*, std::string&&), which stops builds that treat warnings
// as errors.

#include <string>

inline std::string texteNumerote(const char* prefixe, long long n) {
    std::string texte(prefixe);
    texte += std::to_string(n);
    return texte;
}
