// The "édition" commands that keep a collection clean: duplicating the card on display, and
// listing the cards entered twice as a search lists its matches.

#include <sys/stat.h>
#include <utime.h>

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "core/textes.h"
#include "tests/support/fenetre_commune.h"
#include "ui/liste_fiches.h"
#include "ui/memo.h"
#include "tests/support/table_copiee.h"

namespace {

class Dupliquer : public FenetreAvecImages {
protected:
    bool enEdition() const { return !fenetre->valider()->isHidden(); }
    QStringList fichiersImages() const {
        return QDir(QString::fromStdString(repertoire)).entryList(QDir::Files | QDir::Hidden);
    }
};

// With and without a picture, validated and cancelled: a validated copy is a new last card
// with the next free number and the same texts and picture name; a cancelled one adds nothing;
// the picture directory keeps its one file, untouched.
TEST_F(Dupliquer, validatedAddsOneCardSharingThePicture_cancelledAddsNothing) {
    const std::string image = ecrireImage("base.rep/chat.jpg", Qt::blue);
    const utimbuf ancienne{1000000000, 1000000000};  // any rewrite of the file would show
    ASSERT_EQ(utime(image.c_str(), &ancienne), 0);
    struct stat avant;
    ASSERT_EQ(stat(image.c_str(), &avant), 0);

    for (const char* nomImage : {"\\chat.jpg", ""}) {
        for (const bool valide : {true, false}) {
            SCOPED_TRACE(std::string(nomImage) + (valide ? " validée" : " annulée"));
            remplir({{0, "Chat", "noir\r\net blanc", ""}, {1, "Chien", "", ""}, {5, "Merle", "", ""}});
            ecrireChamp(store().fiches[0].image, nomImage);
            fenetre->afficherFiche();
            store().modifiee = false;
            plateforme.oublier();

            fenetre->dupliquerlafiche1()->trigger();
            ASSERT_TRUE(enEdition());
            EXPECT_EQ(fenetre->numero()->text(), QStringLiteral("2"));
            EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("Chat"));
            EXPECT_EQ(fenetre->description()->texte(), QStringLiteral("noir\net blanc"));
            EXPECT_EQ(store().derniere, 2);  // nothing added before "Valider"
            EXPECT_EQ(proche(couleurCadre(), Qt::blue), *nomImage != 0);

            if (valide) {
                fenetre->validerClick();
                ASSERT_EQ(store().derniere, 3);
                const Fiche& copie = store().fiches[3];
                EXPECT_EQ(copie.numero, 2);
                EXPECT_EQ(texteChamp(copie.titre), "Chat");
                EXPECT_EQ(texteChamp(copie.description), "noir\r\net blanc");
                EXPECT_EQ(texteChamp(copie.image), nomImage);
                EXPECT_EQ(store().courante, 3);
                EXPECT_TRUE(store().modifiee);
                EXPECT_EQ(fenetre->medialist()->nombreLignes(), 4);
            } else {
                fenetre->annulerClick();
                EXPECT_EQ(store().derniere, 2);
                EXPECT_EQ(store().courante, 0);
                EXPECT_EQ(fenetre->numero()->text(), QStringLiteral("0"));
            }
            EXPECT_FALSE(enEdition());
            EXPECT_TRUE(plateforme.boites.empty());
            EXPECT_EQ(fichiersImages(), QStringList{"chat.jpg"});
            struct stat apres;
            ASSERT_EQ(stat(image.c_str(), &apres), 0);
            EXPECT_EQ(apres.st_ino, avant.st_ino);
            EXPECT_EQ(apres.st_mtime, avant.st_mtime);
        }
    }
}

// Only a card on display is duplicated: not after a search blanked the card area (told as
// "Modifier" tells it), not on a base without cards; and neither command runs in the middle
// of an edit, which they would overwrite or hide.
TEST_F(Dupliquer, refused_onABlankCardArea_onABaseWithoutCards_andInEditMode) {
    remplir({{0, "Chat", "", ""}});
    fenetre->afficherFiche();
    fenetre->expression()->setText(QStringLiteral("chat"));
    fenetre->goButtonClick();
    plateforme.reponses = {kOk};
    fenetre->dupliquerlafiche1Click();
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kPasDeFicheSelectionnee});
    EXPECT_FALSE(enEdition());

    remplir({});
    fenetre->afficherFiche();
    plateforme.oublier();
    fenetre->dupliquerlafiche1Click();
    EXPECT_FALSE(enEdition());
    EXPECT_TRUE(plateforme.boites.empty());

    remplir({{0, "Chat", "", ""}});
    fenetre->remplirListe();
    fenetre->afficherFiche();
    fenetre->modifClick();
    fenetre->titre()->setText(QStringLiteral("Chat noir"));
    plateforme.oublier();
    fenetre->dupliquerlafiche1()->trigger();
    fenetre->rechercherlesdoublons1()->trigger();
    EXPECT_EQ(plateforme.textes("message"),
              (std::vector<std::string>{textes::kTerminerSaisie, textes::kTerminerSaisie}));
    EXPECT_EQ(plateforme.textes("question").size(), 0u);
    EXPECT_EQ(store().ajoutEnCours, 0);  // still the modification it was
    EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("Chat noir"));
    EXPECT_FALSE(store().listeResultats);
    fenetre->validerClick();
    EXPECT_EQ(store().derniere, 0);
    EXPECT_EQ(texteChamp(store().fiches[0].titre), "Chat noir");
}

class RechercheDoublons : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        remplir({{1, "Le Chat", "noir", ""},
                 {2, "Merle", "", ""},
                 {3, "le chat ", "blanc", ""},
                 {4, "", "", ""},
                 {5, "\x8C" "uvre", "", ""},  // Œuvre
                 {6, "", "", ""},
                 {7, "oeuvre", "", ""},
                 {8, "LE CHAT", "noir", ""}});
        fenetre->remplirListe();
        fenetre->afficherFiche();
        plateforme.oublier();
    }
    std::vector<std::string> lignes() {
        std::vector<std::string> r;
        for (int i = 0; i < fenetre->medialist()->nombreLignes(); ++i) {
            r.push_back(utf8VersCp1252(fenetre->medialist()->texteLigne(i).toStdString()));
        }
        return r;
    }
    // The search through its menu item, the question answered with reponse.
    void chercher(int reponse) {
        plateforme.reponses = {reponse};
        fenetre->rechercherlesdoublons1()->trigger();
    }
};

TEST_F(RechercheDoublons, listsEachGroupTogether_inOrderOfItsFirstCard_asASearchShowsItsResults) {
    const std::string avant = octetsDe(store().fiches, 8);
    chercher(kNon);

    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"question", "OuiNonAnnuler", textes::kExigerDescriptions},
                                  {"message", "brevandoux", "2 groupes de doublons, 5 fiches"}}));
    EXPECT_EQ(lignes(), (std::vector<std::string>{"1 Le Chat", "3 le chat ", "8 LE CHAT",
                                                  "5 \x8C" "uvre", "7 oeuvre"}));
    // The results are copies in the result table, where printing and the exports read them.
    EXPECT_TRUE(store().listeResultats);
    ASSERT_EQ(store().dernierResultat, 4);
    EXPECT_EQ(store().resultats[4].numero, 7);
    EXPECT_EQ(store().resultats[5].titre[0], 0);
    // The card area is blank, and nothing changed in the base.
    EXPECT_TRUE(fenetre->affichageVide());
    EXPECT_TRUE(fenetre->titre()->text().isEmpty());
    EXPECT_EQ(avant, octetsDe(store().fiches, 8));
    EXPECT_EQ(store().derniere, 7);
    EXPECT_FALSE(store().modifiee);

    // A picked line shows its card, which the card commands then act on.
    fenetre->medialistClick(2);
    EXPECT_EQ(store().courante, 7);
    EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("LE CHAT"));
    EXPECT_FALSE(fenetre->affichageVide());

    // "Liste complète" brings the whole base back.
    fenetre->listalfa()->click();
    EXPECT_EQ(lignes().size(), 8u);
    EXPECT_FALSE(store().listeResultats);
}

// With descriptions, only cards whose descriptions match too; one group is told in the singular.
TEST_F(RechercheDoublons, withDescriptions_onlyCardsWhoseDescriptionsMatchToo) {
    chercher(kOui);
    EXPECT_EQ(lignes(), (std::vector<std::string>{"1 Le Chat", "8 LE CHAT", "5 \x8C" "uvre", "7 oeuvre"}));
    ecrireChamp(store().fiches[4].titre, "Pinson");
    chercher(kOui);
    EXPECT_EQ(plateforme.textes("message"),
              (std::vector<std::string>{"2 groupes de doublons, 4 fiches", "1 groupe de doublons, 2 fiches"}));
}

TEST_F(RechercheDoublons, noneFound_saysSo_withAnEmptyList) {
    remplir({{1, "Chat", "", ""}, {2, "", "", ""}, {3, "", "", ""}});
    chercher(kNon);
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{textes::kAucunDoublon});
    EXPECT_TRUE(lignes().empty());
    EXPECT_EQ(store().dernierResultat, -1);
    EXPECT_TRUE(store().listeResultats);
}

TEST_F(RechercheDoublons, cancelled_changesNothing) {
    chercher(kAnnuler);
    EXPECT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(lignes().size(), 8u);
    EXPECT_FALSE(store().listeResultats);
    EXPECT_FALSE(fenetre->affichageVide());
}

// Two cards of one number, as a table imported twice leaves them: each line of the duplicates
// shows its own card, and "Supprimer" deletes the card shown. The whole list and a search's
// results keep reading a line by its number (the first card carrying it).
TEST_F(RechercheDoublons, sameNumber_eachLineShowsAndDeletesItsOwnCard_otherListsByNumber) {
    remplir({{1, "Alpha", "premier", ""}, {2, "Beta", "", ""}, {1, "Alpha", "second", ""}});
    fenetre->expression()->setText(QStringLiteral("Alpha"));
    fenetre->goButtonClick();
    fenetre->medialistClick(1);
    EXPECT_EQ(store().courante, 0);
    fenetre->remplirListe();
    fenetre->medialistClick(2);
    EXPECT_EQ(store().courante, 0);

    chercher(kNon);
    ASSERT_EQ(lignes(), (std::vector<std::string>{"1 Alpha", "1 Alpha"}));
    fenetre->medialistClick(1);
    EXPECT_EQ(store().courante, 2);
    EXPECT_EQ(fenetre->description()->texte(), QStringLiteral("second"));
    plateforme.reponses = {kOk};
    fenetre->supprimeClick();
    ASSERT_EQ(store().derniere, 1);
    EXPECT_EQ(texteChamp(store().fiches[0].description), "premier");
}

// A card picked from the duplicates is not highlighted with an older search's text.
TEST_F(RechercheDoublons, pickedLine_highlightsNothingOfAnEarlierSearch) {
    fenetre->expression()->setText(QStringLiteral("noir"));
    fenetre->goButtonClick();
    chercher(kNon);
    fenetre->medialistClick(0);
    EXPECT_TRUE(fenetre->description()->extraSelections().isEmpty());
}

}  // namespace
