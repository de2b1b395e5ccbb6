// Pictures and kept versions through the window: a picture follows the card the window shows
// when a command replaces the table during an edit; "Sauver base sous" onto an existing base
// keeps that base's replaced pictures with its versions, shows its copy's progress and can be
// stopped; versions are named, ordered and pruned by when their content was saved.

#include <fcntl.h>
#include <sys/stat.h>

#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "bases/dialogue_versions.h"
#include "bases/modele_differences.h"
#include "core/chemin_image.h"
#include "core/sauvegardes.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/annuler_progression.h"

using namespace bases_test;

namespace {

void dater(const std::string& chemin, std::time_t quand) {
    const struct timespec temps[2] = {{quand, 0}, {quand, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, chemin.c_str(), temps, 0), 0);
}

// The time zone for as long as it lives.
class Fuseau {
public:
    explicit Fuseau(const char* tz) {
        if (const char* a = std::getenv("TZ")) avant_ = a;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Fuseau() {
        if (avant_) {
            setenv("TZ", avant_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> avant_;
};

class ImagesVersions : public FenetreTest {
protected:
    ControleurBase& controleur() { return commandes(*fenetre); }

    // x.dat holds a card whose picture chat.jpg is red; y.dat, open, holds a changed card with
    // a blue picture of the same name.
    void deuxBases() {
        x = chemin("x.dat");
        ASSERT_EQ(mkdir(chemin("x.rep").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(chemin("y.rep").c_str(), 0755), 0);
        ecrireImage("x.rep/chat.jpg", rouge);
        ecrireImage("y.rep/chat.jpg", bleu);
        ecrireOctets(x, octetsBase({{1, "chat roux", "", "\\chat.jpg"}}));
        ecrireOctets(chemin("y.dat"), octetsBase({{1, "chat bleu", "", "\\chat.jpg"}}));
        controleur().ouvrirChemin(chemin("y.dat"));
        ASSERT_TRUE(proche(couleurCadre(), bleu));
        octetsX = lireOctets(x);
        rougeX = lireOctets(chemin("x.rep/chat.jpg"));
    }

    const QColor rouge{220, 30, 30}, bleu{20, 40, 210};
    std::string x, octetsX, rougeX;
};

TEST_F(ImagesVersions, baseOpenedDuringAnEdit_validerFilesThePictureTheWindowShowsForTheCard) {
    deuxBases();
    fenetre->modifClick();
    ecrireOctets(chemin("z.dat"), octetsBase({{1, "sans image", "", ""}}));
    controleur().ouvrirChemin(chemin("z.dat"));
    ASSERT_FALSE(fenetre->valider()->isHidden());
    fenetre->validerClick();
    // The card shown had no picture: it gets none, and y's picture is not copied.
    EXPECT_EQ(cartesDeLaTable(store()), std::vector<std::string>{"1:sans image:"});
    EXPECT_FALSE(existe(chemin("z.rep/chat.jpg")));
}

TEST_F(ImagesVersions, saveAsOverABase_itsVersionShowsRecoversAndGoesBackWithItsOwnPicture) {
    deuxBases();
    plateforme.fichiers.push_back(x);
    plateforme.reponses.push_back(kOui);
    fenetre->enregistrersous1()->trigger();
    ASSERT_EQ(cartesDuFichier(x), std::vector<std::string>{"1:chat bleu:\\chat.jpg"});
    // The folder's contents as save as leaves them: the picture of the same name is replaced.
    ASSERT_NE(lireOctets(chemin("x.rep/chat.jpg")), rougeX);
    ASSERT_EQ(sauvegardesDe(x).size(), 1u);
    EXPECT_EQ(lireOctets(sauvegardesDe(x).front()), octetsX);

    auto d = controleur().dialogueVersions();
    d->versions()->setCurrentRow(0);
    ASSERT_EQ(d->modele()->rowCount(), 1);
    d->modele()->setData(d->modele()->index(0), Qt::Checked, Qt::CheckStateRole);
    d->recuperer()->click();
    const std::string image(texteChamp(store().fiches[0].image));
    EXPECT_EQ(lireOctets(cheminImage(chemin("x.rep"), image).value_or("")), rougeX) << image;
    EXPECT_TRUE(proche(couleurCadre(), rouge));
    fenetre->commande("annuler1")->trigger();
    ASSERT_TRUE(proche(couleurCadre(), bleu));

    d->versions()->setCurrentRow(0);
    d->revenir()->click();
    EXPECT_EQ(fenetre->titre()->text(), "chat roux");
    EXPECT_TRUE(proche(couleurCadre(), rouge));
    EXPECT_TRUE(plateforme.textes("erreur").empty());
}

TEST_F(ImagesVersions, saveAsCopy_showsItsProgress_annulerLeavesTheBaseUnsaved) {
    deuxBases();
    store().modifiee = true;
    controleur().setDelaiProgression(0);
    plateforme.fichiers.push_back(x);
    plateforme.reponses.push_back(kOui);
    enAnnulantLaProgression([this] {
        fenetre->enregistrersous1()->trigger();
        return 0;
    });
    EXPECT_EQ(lireOctets(x), octetsX);
    EXPECT_EQ(lireOctets(chemin("x.rep/chat.jpg")), rougeX);
    EXPECT_EQ(store().cheminBase.str(), chemin("y.dat"));
    EXPECT_TRUE(store().modifiee);
}

// When the clocks go back (here at 03:00 summer time, 01:00 UTC), 02:10 winter time comes after
// 02:30 summer time.
TEST_F(ImagesVersions, versions_namedWhenTheirContentWasSaved_orderedAndPrunedAcrossTheClockChange) {
    const Fuseau paris("CET-1CEST,M3.5.0,M10.5.0/3");
    x = chemin("x.dat");
    ASSERT_EQ(mkdir(chemin("x.rep").c_str(), 0755), 0);
    ecrireOctets(x, octetsBase({{1, "zero", "", ""}}));
    store().sauvegardes = 2;
    const std::time_t t0 = 1792888200;        // 2026-10-25 00:30 UTC: 02:30 summer time
    const std::time_t contenus[] = {t0, t0 + 2400, t0 + 3000};  // then 02:10 and 02:20 winter time
    for (int k = 0; k < 3; ++k) {
        dater(x, contenus[k]);
        controleur().ouvrirChemin(x);
        std::string titre = "version ";
        titre += std::to_string(k + 1);
        remplir({{1, titre, "", ""}});
        store().modifiee = true;
        fenetre->savemybase()->click();
        ASSERT_FALSE(store().modifiee);
    }
    // A version named before the offset was added is still read.
    ecrireOctets(dossierSauvegardes(x) + "/x-20261024-120000.dat", octetsBase({{1, "ancienne", "", ""}}));
    auto d = controleur().dialogueVersions();
    QStringList lignes;
    for (int i = 0; i < d->versions()->count(); ++i) lignes << d->versions()->item(i)->text();
    EXPECT_EQ(lignes, (QStringList{"25/10/2026 02:20:00 — 1 fiche", "25/10/2026 02:10:00 — 1 fiche",
                                   "24/10/2026 12:00:00 — 1 fiche"}));
    d->versions()->setCurrentRow(0);
    ASSERT_EQ(d->modele()->rowCount(), 1);
    EXPECT_EQ(d->modele()->index(0).data().toString(), "~ 1 « version 2 »");
}

}  // namespace
