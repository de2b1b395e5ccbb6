// The whole life of a base: created, filled with cards and pictures, saved, remembered at
// quit, reopened by the next start, and saved elsewhere with its pictures.

#include <unistd.h>

#include <QAction>
#include <filesystem>

#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/repertoire_courant.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"

using namespace bases_test;

namespace {

struct Carte {
    const char* titre;
    const char* description;
    const char* image;
    QColor couleur;
};
const Carte kCartes[] = {{"chat", "un chat roux", "rouge.jpg", QColor(220, 30, 30)},
                         {"pré", "un pré", "vert.jpg", QColor(30, 200, 40)},
                         {"mer", "la mer\nbleue", "bleu.jpg", QColor(20, 40, 210)}};

using VieBase = FenetreTest;

TEST_F(VieBase, newFillSaveQuitRestartSaveAs_cardsAndPicturesFollow) {
    const std::string d = dossier.path().toStdString();
    RepertoireCourant cwd(d);
    ASSERT_TRUE(cwd.ok());
    const std::string ini = d + "/brevandoux.ini";
    ecrireOctets(ini, "[setup]\nautoload=\n");
    ASSERT_TRUE(std::filesystem::create_directory(d + "/sources"));
    ASSERT_TRUE(std::filesystem::create_directory(d + "/bases"));
    ASSERT_TRUE(std::filesystem::create_directory(d + "/ailleurs"));
    std::vector<std::string> sources;
    for (const Carte& c : kCartes) {
        sources.push_back(ecrireImage(QString("sources/") + c.image, c.couleur));
    }

    // First run: start-up in the start directory, with nothing to reopen.
    fenetre->FormCreate();
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(store().cheminIni.str(), ini);

    // A new base, typed without its extension.
    plateforme.fichiers.push_back(d + "/bases/films");
    commandes(*fenetre).newbaseClick();
    const std::string films = d + "/bases/films.dat";
    ASSERT_EQ(store().cheminBase.str(), films);
    ASSERT_EQ(store().repertoireImages.str(), d + "/bases/films.rep");

    // Three cards, each with a picture from elsewhere.
    for (std::size_t i = 0; i < std::size(kCartes); ++i) {
        fenetre->nouvelleClick();
        fenetre->titre()->setText(kCartes[i].titre);
        fenetre->description()->setPlainText(kCartes[i].description);
        plateforme.fichiers.push_back(sources[i]);
        fenetre->imageClick();
        fenetre->validerClick();
        EXPECT_TRUE(proche(couleurCadre(), kCartes[i].couleur)) << kCartes[i].titre;
    }
    const std::vector<std::string> attendues = {"0::", "1:chat:\\rouge.jpg", "2:pr\xe9:\\vert.jpg",
                                                "3:mer:\\bleu.jpg"};
    EXPECT_EQ(cartesDeLaTable(store()), attendues);
    EXPECT_EQ(texteChamp(store().fiches[3].description), "la mer\r\nbleue");
    EXPECT_EQ(store().modifiee, 1);

    commandes(*fenetre).savemybaseClick();
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(cartesDuFichier(films), attendues);

    // Quit: nothing left to save, the configuration remembers the base.
    plateforme.oublier();
    EXPECT_TRUE(termineApplication([&] { fenetre->quitter1()->trigger(); }));
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(lireCleIni(ini, "setup", "autoload", ""), films);
    fenetre.reset();

    // Next run, in the same start directory.
    PlateformeScriptee p2;
    auto* app = dynamic_cast<Application*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->setPlateforme(&p2);
    {
        TForm1 f2(p2);
        brancherFenetre(f2, p2);
        f2.FormCreate();
        EXPECT_TRUE(p2.boites.empty());
        EXPECT_EQ(etatDe(f2), (Etat{attendues, 0, films, d + "/bases/films.rep", 1, 0, true, films, 4}));
        for (std::size_t i = 0; i < std::size(kCartes); ++i) {
            EXPECT_EQ(lireOctets(d + "/bases/films.rep/" + kCartes[i].image), lireOctets(sources[i]));
        }
        f2.finClick();
        EXPECT_EQ(f2.titre()->text(), "mer");
        EXPECT_TRUE(proche(couleurAuCentre(f2), kCartes[2].couleur));

        // Save as elsewhere: the pictures go along into the new picture directory.
        p2.fichiers.push_back(d + "/ailleurs/copie.dat");
        commandes(f2).enregistrersous1Click();
        const std::string copie = d + "/ailleurs/copie.dat";
        EXPECT_EQ(etatDe(f2), (Etat{attendues, 0, copie, d + "/ailleurs/copie.rep", 1, 0, true, copie, 4}));
        EXPECT_EQ(cartesDuFichier(copie), attendues);
        for (std::size_t i = 0; i < std::size(kCartes); ++i) {
            EXPECT_EQ(lireOctets(d + "/ailleurs/copie.rep/" + kCartes[i].image), lireOctets(sources[i]));
        }
        EXPECT_EQ(genres(p2), std::vector<std::string>{"enregistrer"});

        // The pictures now come from the new directory alone.
        std::filesystem::remove_all(d + "/bases/films.rep");
        std::filesystem::remove_all(d + "/sources");
        f2.UpDownClick(true);
        EXPECT_EQ(f2.titre()->text(), "chat");
        EXPECT_TRUE(proche(couleurAuCentre(f2), kCartes[0].couleur));

        EXPECT_TRUE(termineApplication([&] { f2.ButtonQuit()->click(); }));
        EXPECT_EQ(lireCleIni(ini, "setup", "autoload", ""), copie);
    }
    app->setPlateforme(&plateforme);
}

}  // namespace
