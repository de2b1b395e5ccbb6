#pragma once
// Making the thumbnail of one picture, as the desktop's thumbnail cache wants it: a valid
// thumbnail already in the cache is used; a failure note of the program for this version of
// the picture is honoured; otherwise the picture is drawn by the confined picture program,
// and the thumbnail (or the failure note) is written to the cache. Every file read here, the
// cache's included (another program may have written it), is decoded by the confined
// programs; this side only names, checks the keys, encodes its own pixels and writes.

#include <QImage>
#include <QString>

#include "platform/processus_lot.h"

// The confined programs of one thread: brevandoux-image, and brevandoux-heif for HEIC and AVIF.
struct ProgrammesDessin {
    ProcessusLot image;
    ProcessusLot heif;
};

struct ResultatVignette {
    QImage image;   // fitted in the size class, proportions kept; null on failure
    QString echec;  // French, why the picture cannot be drawn
    bool interrompu = false;  // stopped by arret: neither drawn nor refused
};

// The thumbnail of the picture at chemin for the size class (128, 256, 512 or 1024), the
// cache rooted at racine (racineVignettes()). arret as for ProcessusLot::dessiner.
ResultatVignette fabriquerVignette(const QString& chemin, int classe, const QString& racine,
                                   ProgrammesDessin& programmes, int arret = -1);
