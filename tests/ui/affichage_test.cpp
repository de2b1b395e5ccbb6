// Showing the current card: texts, counters and the picture rule.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "core/services.h"
#include "tests/support/fenetre_commune.h"
#include "ui/cadre_image.h"
#include "ui/liste_fiches.h"
#include "ui/memo.h"

namespace {

class Affichage : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        store().imageDefaut.affecter(ecrireImage("rien.jpg", Qt::gray));
    }
};

TEST_F(Affichage, afficherFiche_showsTheCurrentCardAndTheCounters) {
    remplir({{7, "Chat", "un", ""},
             {-1, "\xC9t\xE9 \x80", "ligne 1\r\nligne 2", ""},
             {3, "Lynx", "", ""}});
    struct Cas {
        int32_t courante;
        const char* numero;
        const char* titre;
        const char* description;
    };
    const Cas cas[] = {
        {1, "-1", "Été €", "ligne 1\nligne 2"},
        {2, "3", "Lynx", ""},
        {0, "7", "Chat", "un"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.courante);
        store().courante = c.courante;
        fenetre->afficherFiche();
        EXPECT_EQ(fenetre->numero()->text(), c.numero);
        EXPECT_EQ(fenetre->titre()->text(), QString::fromUtf8(c.titre));
        EXPECT_EQ(fenetre->description()->toPlainText(), QString::fromUtf8(c.description));
        EXPECT_EQ(fenetre->total()->text(), "2");
        EXPECT_EQ(fenetre->position()->text(), QString::number(c.courante));
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Affichage, afficherFiche_withOneCard_showsZeroForBothCounters) {
    remplir({{0, "", "", ""}});
    fenetre->position()->setText("typed");
    fenetre->afficherFiche();
    EXPECT_EQ(fenetre->total()->text(), "0");
    EXPECT_EQ(fenetre->position()->text(), "0");
}

TEST_F(Affichage, afficherFiche_onAnEmptyBase_showsSlotZeroAndMinusOne) {
    remplir({});
    store().fiches[0].numero = 12;
    fenetre->afficherFiche();
    EXPECT_EQ(fenetre->numero()->text(), "12");
    EXPECT_EQ(fenetre->total()->text(), "-1");
    EXPECT_EQ(fenetre->position()->text(), "0");
}

TEST_F(Affichage, afficherFiche_existingPicture_isLoaded) {
    ecrireImage("base.rep/chat.jpg", Qt::red);
    remplir({{1, "Chat", "", "\\chat.jpg"}});
    fenetre->afficherFiche();
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Affichage, afficherFiche_shortPictureName_showsThePlaceholderWithoutCheck) {
    // A file of that name exists, yet a name under five characters means "no picture".
    ecrireImage("base.rep/a.jpg", Qt::red);
    for (const char* nom : {"", "\\", "\\a", "\\a.j", "nope"}) {
        SCOPED_TRACE(nom);
        remplir({{1, "", "", nom}});
        fenetre->Imagevue()->setImage({});
        fenetre->afficherFiche();
        EXPECT_TRUE(proche(couleurCadre(), Qt::gray));
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Affichage, afficherFiche_missingPicture_showsNoticeAndKeepsThePreviousPicture) {
    ecrireImage("base.rep/chat.jpg", Qt::blue);
    remplir({{1, "Chat", "", "\\chat.jpg"}, {2, "Chien", "texte", "\\chien.jpg"}});
    fenetre->afficherFiche();
    store().courante = 1;
    for (int fois = 0; fois < 2; ++fois) {
        fenetre->afficherFiche();
        EXPECT_EQ(fenetre->titre()->text(), "Chien");
        EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
    }
    const std::string attendu = " " + repertoire + "/chien.jpg non disponible";
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"message", "brevandoux", attendu},
                                                     {"message", "brevandoux", attendu}}));
}

TEST_F(Affichage, afficherFiche_nameLeavingThePictureDirectory_isTreatedAsMissing) {
    // Real pictures outside the directory that such names would reach.
    ecrireImage("dehors.jpg", Qt::red);
    ASSERT_TRUE(QDir(dossier.path()).mkdir("base.rep/sous"));
    ecrireImage("base.rep/sous/x.jpg", Qt::red);
    const std::string noms[] = {"\\..\\dehors.jpg", "\\../dehors.jpg", "\\sous/x.jpg",
                                "\\sous\\x.jpg", "/../dehors.jpg", "..\\dehors.jpg"};
    for (const std::string& nom : noms) {
        SCOPED_TRACE(nom);
        plateforme.oublier();
        remplir({{1, "", "", nom}});
        fenetre->Imagevue()->setImage({});
        fenetre->afficherFiche();
        EXPECT_TRUE(fenetre->Imagevue()->image().isNull());
        ASSERT_EQ(plateforme.textes("message").size(), 1u);
        EXPECT_TRUE(plateforme.textes("message")[0].ends_with(" non disponible"));
    }
}

TEST_F(Affichage, afficherFiche_unloadablePicture_throwsAfterTheTextsAreShown) {
    struct Cas {
        const char* nom;
        QByteArray contenu;
    };
    QFile vrai(QString::fromStdString(ecrireImage("vrai.jpg", Qt::green, {300, 300})));
    ASSERT_TRUE(vrai.open(QIODevice::ReadOnly));
    const QByteArray jpeg = vrai.readAll();
    QByteArray geant = jpeg;
    // Frame SOF0: height then width, both 60000.
    const qsizetype sof = geant.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    for (int k : {5, 7}) {
        geant[sof + k] = static_cast<char>(0xEA);
        geant[sof + k + 1] = static_cast<char>(0x60);
    }
    const Cas cas[] = {
        {"corrompu.jpg", QByteArray("ceci n'est pas une image, mais du texte")},
        {"tronque.jpg", jpeg.left(jpeg.size() / 2)},
        {"geant.jpg", geant},
        {"vide.jpg", QByteArray()},
        {"photo.txt", jpeg},
        {"faux.bmp", QByteArray("BM pas vraiment")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile f(dossier.filePath(QString("base.rep/") + c.nom));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.contenu);
        f.close();
        remplir({{9, "Titre", "desc", std::string("\\") + c.nom}});
        fenetre->Imagevue()->setImage({});
        EXPECT_THROW(fenetre->afficherFiche(), Erreur);
        EXPECT_EQ(fenetre->numero()->text(), "9");
        EXPECT_EQ(fenetre->titre()->text(), "Titre");
        EXPECT_EQ(fenetre->description()->toPlainText(), "desc");
        EXPECT_TRUE(fenetre->Imagevue()->image().isNull());
    }
}

TEST_F(Affichage, afficherFiche_loadsEveryPictureFormatOfTheFrame) {
    struct Cas {
        const char* nom;
        const char* format;
        QColor couleur;
        QSize taille;
    };
    const Cas cas[] = {
        {"a.jpg", "JPEG", Qt::red, {640, 480}},
        {"b.jpeg", "JPEG", Qt::green, {20, 30}},
        {"c.bmp", "BMP", Qt::blue, {50, 50}},
        {"d.ico", "ICO", Qt::yellow, {32, 32}},
        {"E.JPG", "JPEG", Qt::magenta, {178, 178}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ecrireImage(QString("base.rep/") + c.nom, c.couleur, c.taille, c.format);
        remplir({{1, "", "", std::string("\\") + c.nom}});
        fenetre->afficherFiche();
        EXPECT_TRUE(proche(couleurCadre(), c.couleur)) << couleurCadre().name().toStdString();
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Affichage, failedLoadInAHandler_reachesTheStandardErrorDisplay) {
    remplir({{1, "Titre", "", ""}});
    // "Début" shows the first card, whose missing placeholder cannot be loaded.
    store().imageDefaut.affecter(chemin("absent.jpg"));
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    QTest::mouseClick(fenetre->debut(), Qt::LeftButton);
    ASSERT_EQ(plateforme.textes("erreur").size(), 1u);
    EXPECT_NE(plateforme.textes("erreur")[0].find("absent.jpg"), std::string::npos);
    EXPECT_EQ(fenetre->titre()->text(), "Titre");
}

TEST_F(Affichage, viderAffichage_blanksTheTextsAndLeavesTheNumbers) {
    ecrireImage("base.rep/chat.jpg", Qt::blue);
    remplir({{5, "Chat", "desc", "\\chat.jpg"}, {6, "B", "", ""}});
    store().courante = 0;
    fenetre->afficherFiche();
    fenetre->viderAffichage();
    EXPECT_EQ(fenetre->titre()->text(), "");
    EXPECT_EQ(fenetre->description()->toPlainText(), "");
    EXPECT_EQ(fenetre->numero()->text(), "5");
    EXPECT_EQ(fenetre->total()->text(), "1");
    EXPECT_EQ(fenetre->position()->text(), "0");
    EXPECT_TRUE(proche(couleurCadre(), Qt::gray));
    EXPECT_EQ(store().courante, 0);
}

TEST_F(Affichage, viderAffichage_missingPlaceholder_throwsWithTheBoxesBlank) {
    remplir({{5, "Chat", "desc", ""}});
    fenetre->afficherFiche();
    store().imageDefaut.affecter(chemin("absent.jpg"));
    EXPECT_THROW(fenetre->viderAffichage(), Erreur);
    EXPECT_EQ(fenetre->titre()->text(), "");
    EXPECT_EQ(fenetre->description()->toPlainText(), "");
}

// The one refresh the controllers call after a change of cards: whatever the list showed (the
// results of a search, a blank card area), it ends showing the whole table and a card, the
// one asked for when there is such a card.
TEST_F(Affichage, montrerBase_replacesSearchResultsWithTheWholeList_andShowsTheCardAsked) {
    remplir({{7, "Chat", "", ""}, {8, "Chien", "", ""}, {9, "Lynx", "", ""}});
    struct Cas {
        const char* nom;
        Rafraichissement comment;
        int32_t courante;  // before
        int32_t montree;   // after
        bool sauvegarde;
    };
    const Cas cas[] = {
        {"current card kept", {}, 1, 1, true},
        {"card asked", {.courante = 2, .activerSauvegarde = true}, 0, 2, true},
        {"card past the last", {.courante = 9, .activerSauvegarde = true}, 0, 2, true},
        {"card before the first", {.courante = -4, .activerSauvegarde = true}, 1, 0, true},
        {"save button left as it was", kSansActiverSauvegarde, 1, 1, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        fenetre->savemybase()->setEnabled(false);
        store().courante = c.courante;
        fenetre->expression()->setText("Chi");
        fenetre->goButtonClick();
        ASSERT_TRUE(store().listeResultats);
        ASSERT_EQ(fenetre->titreAffiche(), "");
        fenetre->montrerBase(c.comment);
        EXPECT_FALSE(store().listeResultats);
        EXPECT_FALSE(fenetre->affichageVide());
        EXPECT_EQ(fenetre->medialist()->nombreLignes(), 3);
        EXPECT_EQ(store().courante, c.montree);
        EXPECT_EQ(fenetre->position()->text(), QString::number(c.montree));
        EXPECT_EQ(fenetre->titreAffiche(), fenetre->titre()->text());
        EXPECT_FALSE(fenetre->titreAffiche().isEmpty());
        EXPECT_EQ(fenetre->savemybase()->isEnabled(), c.sauvegarde);
        EXPECT_EQ(fenetre->texteRecherche(), "Chi");
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST(CadreImage, atStart_showsTheBuiltInColourPicture) {
    CadreImage cadre;
    const QImage depart = cadre.image();
    ASSERT_FALSE(depart.isNull());
    EXPECT_EQ(depart.size(), QSize(48, 48));
    EXPECT_FALSE(depart.allGray());
}

TEST(CadreImage, paint_stretchesThePictureToTheFrameIgnoringProportions) {
    CadreImage cadre;
    cadre.resize(178, 178);
    QImage img(4, 1, QImage::Format_RGB32);
    img.setPixelColor(0, 0, Qt::red);
    img.setPixelColor(1, 0, Qt::red);
    img.setPixelColor(2, 0, Qt::blue);
    img.setPixelColor(3, 0, Qt::blue);
    cadre.setImage(img);
    const QImage vue = cadre.grab().toImage();
    EXPECT_TRUE(proche(vue.pixelColor(10, 5), Qt::red));
    EXPECT_TRUE(proche(vue.pixelColor(10, 170), Qt::red));
    EXPECT_TRUE(proche(vue.pixelColor(170, 170), Qt::blue));
    EXPECT_TRUE(proche(vue.pixelColor(170, 5), Qt::blue));
}

}  // namespace
