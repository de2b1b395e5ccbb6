#pragma once
// Cards, pictures and a scratch folder for the printing tests.

#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/fiche.h"
#include "tests/print/imprimante_enregistreuse.h"
#include "tests/support/carte.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

inline std::vector<Fiche> cartes(int nombre) {
    std::vector<Fiche> v;
    for (int i = 0; i < nombre; ++i) {
        v.push_back(carte(100 + i, "titre" + std::to_string(i), "description" + std::to_string(i)));
    }
    return v;
}

// Top of a drawn text's line, as the layout places texts.
inline double haut(const ImprimanteEnregistreuse& imp, const TexteTrace& t) {
    return t.ligneDeBase.y() - QFontMetrics(t.police, &imp.feuille).ascent();
}

inline const TexteTrace* trouver(const ImprimanteEnregistreuse& imp, const QString& texte) {
    for (const TexteTrace& t : imp.textes()) {
        if (t.texte == texte) return &t;
    }
    return nullptr;
}

inline std::vector<const TexteTrace*> tous(const ImprimanteEnregistreuse& imp,
                                           const QString& debut) {
    std::vector<const TexteTrace*> r;
    for (const TexteTrace& t : imp.textes()) {
        if (t.texte.startsWith(debut)) r.push_back(&t);
    }
    return r;
}

// A JPEG picture of one colour.
inline void ecrireJpeg(const QString& chemin, int largeur, int hauteur, QColor couleur) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    image.fill(couleur);
    ASSERT_TRUE(image.save(chemin, "JPG")) << chemin.toStdString();
}
