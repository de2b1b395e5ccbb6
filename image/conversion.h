#pragma once
// The conversion mode shared by the picture programs (brevandoux-image, brevandoux-heif):
//   PROGRAMME --convertir FORMAT LARGEUR HAUTEUR MEMOIRE
// the file's bytes on the standard input, the answer on the standard output ('O', width,
// height and the pixels as 0xffRRGGBB words; or 'E' and the French reason). The process
// limits its own memory to MEMOIRE bytes and its processor time, then shuts itself in
// before it reads a byte of its input.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstddef>
#include <functional>
#include <string>

#include "image/confinement.h"

// Set in builds with AddressSanitizer, whose leak checker cannot run confined.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BREVANDOUX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BREVANDOUX_ASAN 1
#endif

struct Conversion {
    std::function<bool(const std::string& format)> accepte;
    // Files larger than this are refused while they are read.
    std::function<qsizetype(const std::string& format)> tailleMax;
    std::function<std::string(const std::string& format)> tropGros;
    std::function<std::string(const std::string& format)> illisible;
    // The picture drawn at cible (empty: its own size), in any format; an Erreur says why not.
    std::function<QImage(const QByteArray& octets, const std::string& format, QSize cible)> dessiner;
};

// Runs the mode with argv as the program received it; returns the exit code.
int executerConversion(int argc, char** argv, const ReglagesConfinement& reglages,
                       const Conversion& conversion);

// Within a catch block: the answer telling the drawing failed, 'E' and the French reason of the
// exception being handled. One that is not the drawing's (nor an exception) goes on.
std::string reponseEchec();

// Writes all of the bytes to fd (a socket when prise), through interruptions; false on failure.
bool toutEcrire(int fd, const char* donnees, std::size_t taille, bool prise = false);

// Reads a whole decimal argument within [min, max].
bool entier(const char* texte, long long min, long long max, long long& valeur);
