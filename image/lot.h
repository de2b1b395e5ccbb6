#pragma once
// The batch mode of the picture programs, for thumbnails: one confined process draws many
// pictures, one after the other, from the files it is handed.
//
//   PROGRAMME --lot MEMOIRE
//
// The standard input is a Unix stream socket, the only way in and out. The process limits its
// memory to MEMOIRE bytes and shuts itself in before it reads anything: it can then read no
// file of the user's but the ones it is handed, already open for reading. Each request is
// kTailleDemandeLot bytes (the format, lower case, padded with zeros to 8 bytes, then the
// side of the box as a 32-bit number) carrying one open file descriptor (SCM_RIGHTS); each
// answer is a 32-bit length followed by that many bytes: 'O', 1 when the picture has
// transparency (0 otherwise), width, height and the length of the texts as 32-bit numbers,
// the PNG texts of the file ("key\0value\0"...), then the pixels as 0xAARRGGBB words, the
// picture fitting the box with its proportions kept (never enlarged); or 'E' and the French
// reason. A metafile ends the process once answered: libemf2svg shuts fontconfig down after
// each picture. The numbers are in the machine's order: both ends run on it.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstddef>
#include <functional>
#include <string>

#include "image/confinement.h"
#include "platform/protocole_lot.h"

struct Lot {
    std::function<bool(const std::string& format)> accepte;
    // Files larger than this are refused while they are read.
    std::function<qsizetype(const std::string& format)> tailleMax;
    // The picture, upright, at any size not smaller than needed to fill cible (it is fitted
    // afterwards); an Erreur says why not.
    std::function<QImage(const QByteArray& octets, const std::string& format, QSize cible)> dessiner;
    // Formats after which the process ends (finitLeLot for brevandoux-image).
    std::function<bool(const std::string& format)> dernier;
};

// Runs the mode with argv as the program received it; returns the exit code.
int executerLot(int argc, char** argv, const ReglagesConfinement& reglages, const Lot& lot);
