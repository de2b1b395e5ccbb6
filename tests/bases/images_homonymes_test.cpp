// Pictures of the same file name from different folders: each card keeps its own picture,
// through save, quit, restart and save as; the very same bytes are not copied twice.

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <filesystem>

#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/repertoire_courant.h"
#include "ui/cadre_image.h"

using namespace bases_test;

namespace {

ino_t inode(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 ? st.st_ino : 0;
}

QStringList contenu(const std::string& repertoire) {
    return QDir(QString::fromStdString(repertoire)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

using ImagesHomonymes = FenetreTest;

TEST_F(ImagesHomonymes, twoPicturesCalledAlike_eachCardKeepsItsOwn_throughSaveRestartAndSaveAs) {
    const std::string d = dossier.path().toStdString();
    RepertoireCourant cwd(d);
    ASSERT_TRUE(cwd.ok());
    ecrireOctets(d + "/brevandoux.ini", "[setup]\nautoload=\n");
    for (const char* sous : {"/a", "/b", "/c", "/bases", "/ailleurs"}) {
        ASSERT_TRUE(std::filesystem::create_directory(d + sous));
    }
    const QColor rouge(220, 30, 30), bleu(20, 40, 210);
    const std::string a = ecrireImage("a/photo.jpg", rouge);
    const std::string b = ecrireImage("b/photo.jpg", bleu);
    // The same bytes as a's, from a third folder.
    const std::string c = d + "/c/photo.jpg";
    ecrireOctets(c, lireOctets(a));
    ASSERT_NE(lireOctets(a), lireOctets(b));

    fenetre->FormCreate();
    plateforme.fichiers.push_back(d + "/bases/films");
    commandes(*fenetre).newbaseClick();
    const std::string films = d + "/bases/films.dat";
    const std::string rep = d + "/bases/films.rep";
    ASSERT_EQ(store().repertoireImages.str(), rep);

    auto ajouter = [&](const char* titre, const std::string& image) {
        fenetre->nouvelleClick();
        fenetre->titre()->setText(titre);
        plateforme.fichiers.push_back(image);
        fenetre->imageClick();
        fenetre->validerClick();
        EXPECT_TRUE(fenetre->valider()->isHidden()) << titre;
    };
    ajouter("A", a);
    EXPECT_TRUE(proche(couleurCadre(), rouge));
    const ino_t inodeA = inode(rep + "/photo.jpg");

    // B's picture is called like A's: A's is left alone, B's takes a name of its own.
    ajouter("B", b);
    EXPECT_TRUE(proche(couleurCadre(), bleu));
    EXPECT_EQ(lireOctets(rep + "/photo.jpg"), lireOctets(a));
    EXPECT_EQ(lireOctets(rep + "/photo-2.jpg"), lireOctets(b));

    // C's picture holds A's very bytes: A's file serves, nothing is copied.
    ajouter("C", c);
    EXPECT_TRUE(proche(couleurCadre(), rouge));
    EXPECT_EQ(contenu(rep), (QStringList{"photo-2.jpg", "photo.jpg"}));
    EXPECT_EQ(inode(rep + "/photo.jpg"), inodeA);

    const std::vector<std::string> attendues = {"0::", "1:A:\\photo.jpg", "2:B:\\photo-2.jpg",
                                                "3:C:\\photo.jpg"};
    EXPECT_EQ(cartesDeLaTable(store()), attendues);
    commandes(*fenetre).savemybaseClick();
    EXPECT_EQ(cartesDuFichier(films), attendues);
    EXPECT_TRUE(plateforme.textes("erreur").empty());

    plateforme.oublier();
    EXPECT_TRUE(termineApplication([&] { fenetre->quitter1()->trigger(); }));
    fenetre.reset();

    // The next run reopens the base: each card shows its own picture.
    PlateformeScriptee p2;
    auto* app = dynamic_cast<Application*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->setPlateforme(&p2);
    {
        TForm1 f2(p2);
        brancherFenetre(f2, p2);
        f2.FormCreate();
        EXPECT_EQ(cartesDeLaTable(f2.store()), attendues);
        const QColor couleurs[] = {rouge, bleu, rouge};
        for (int i = 0; i < 3; ++i) {
            f2.UpDownClick(true);
            EXPECT_EQ(f2.store().courante, i + 1);
            EXPECT_TRUE(proche(couleurAuCentre(f2), couleurs[i])) << i;
        }
        EXPECT_TRUE(p2.boites.empty()) << p2.boites[0].texte;
        EXPECT_EQ(lireOctets(rep + "/photo.jpg"), lireOctets(a));
        EXPECT_EQ(lireOctets(rep + "/photo-2.jpg"), lireOctets(b));

        // Save as carries both pictures, names as stored.
        const std::string copie = d + "/ailleurs/copie.dat";
        p2.fichiers.push_back(copie);
        commandes(f2).enregistrersous1Click();
        EXPECT_EQ(cartesDuFichier(copie), attendues);
        EXPECT_EQ(lireOctets(d + "/ailleurs/copie.rep/photo.jpg"), lireOctets(a));
        EXPECT_EQ(lireOctets(d + "/ailleurs/copie.rep/photo-2.jpg"), lireOctets(b));
        f2.debutClick();
        f2.UpDownClick(true);
        f2.UpDownClick(true);
        EXPECT_EQ(f2.titre()->text(), "B");
        EXPECT_TRUE(proche(couleurAuCentre(f2), bleu));
        EXPECT_TRUE(termineApplication([&] { f2.ButtonQuit()->click(); }));
    }
    app->setPlateforme(&plateforme);
}

}  // namespace
