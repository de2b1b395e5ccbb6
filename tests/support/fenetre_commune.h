#pragma once
// A main window over a scripted platform, with helpers to fill its card table.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "core/cp1252.h"
#include "core/fiche.h"
#include "platform/application.h"
#include "tests/support/plateforme_scriptee.h"
#include "ui/tform1.h"

// The controllers a suite connects to each window it builds, as the program does: none in the
// suite of the view, the base commands in that of bases/, all of them in that of app/.
// Defined once in each suite that builds windows.
void brancherFenetre(TForm1& fenetre, Plateforme& plateforme);

// Readable failures for texts of the window.
inline void PrintTo(const QString& texte, std::ostream* os) { *os << '"' << texte.toStdString() << '"'; }

struct CarteTest {
    int32_t numero;
    std::string titre;        // Windows-1252 bytes
    std::string description;  // Windows-1252 bytes, CR LF line breaks
    std::string image;
};

class FenetreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        fenetre = std::make_unique<TForm1>(plateforme);
        brancherFenetre(*fenetre, plateforme);
        // The placeholder a start directory holds, so that blanking the card area works.
        store().imageDefaut.affecter(ecrireImage("rien.jpg", QColor(200, 200, 200)));
        // Errors escaping an event handler go to the scripted platform.
        if (auto* app = dynamic_cast<Application*>(QCoreApplication::instance())) {
            app->setPlateforme(&plateforme);
        }
    }
    void TearDown() override {
        if (auto* app = dynamic_cast<Application*>(QCoreApplication::instance())) {
            app->setPlateforme(nullptr);
        }
        fenetre.reset();
    }

    MagasinFiches& store() { return fenetre->store(); }

    void remplir(const std::vector<CarteTest>& cartes) {
        const std::size_t n = cartes.empty() ? 1 : cartes.size();
        store().fiches.redimensionner(n);
        for (std::size_t i = 0; i < cartes.size(); ++i) {
            Fiche& f = store().fiches[i];
            f.numero = cartes[i].numero;
            ecrireChamp(f.titre, cartes[i].titre);
            ecrireChamp(f.description, cartes[i].description);
            ecrireChamp(f.image, cartes[i].image);
        }
        store().derniere = static_cast<int32_t>(cartes.size()) - 1;
        store().courante = 0;
    }

    std::string chemin(const QString& nom) const { return dossier.filePath(nom).toStdString(); }

    // Writes a plain-colour picture in the format its extension names.
    std::string ecrireImage(const QString& nom, QColor couleur, QSize taille = {64, 40},
                            const char* format = nullptr) {
        QImage img(taille, QImage::Format_RGB32);
        img.fill(couleur);
        EXPECT_TRUE(img.save(dossier.filePath(nom), format)) << nom.toStdString();
        return chemin(nom);
    }

    // The colour at the centre of the picture frame.
    QColor couleurCadre() const;

    PlateformeScriptee plateforme;
    QTemporaryDir dossier;
    std::unique_ptr<TForm1> fenetre;
};

// A window whose base has a picture directory, "base.rep" in the test's folder, as the view's
// suites that show, edit and describe cards want it.
class FenetreAvecImages : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        ASSERT_TRUE(QDir(dossier.path()).mkdir("base.rep"));
        repertoire = chemin("base.rep");
        store().repertoireImages.affecter(repertoire);
    }
    std::string repertoire;
};

#include "ui/cadre_image.h"

// The colour at the centre of a window's picture frame.
inline QColor couleurAuCentre(const TForm1& fenetre) {
    const QImage& img = fenetre.Imagevue()->image();
    if (img.isNull()) return {};
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

inline QColor FenetreTest::couleurCadre() const { return couleurAuCentre(*fenetre); }

// JPEG blurs colours a little.
inline bool proche(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}
