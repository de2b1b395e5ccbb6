// The list commands of the window: sorting, the whole list, picking a line, searching, and
// the guards that keep a blank card area from being modified or deleted.

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextCursor>
#include <QPushButton>
#include <algorithm>

#include "ui/liste_fiches.h"
#include "ui/memo.h"
#include "core/textes.h"
#include "tests/support/fenetre_commune.h"

namespace {

class CommandesListe : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        remplir({{3, "Z\xE8" "bre", "rayures", ""},
                 {1, "abeille", "miel et ECOLE", ""},
                 {2, "", "carte sans titre", ""},
                 {1, "Moineau", "\xE9" "cole du village", ""}});
        fenetre->remplirListe();
        fenetre->afficherFiche();
        plateforme.oublier();
    }
    std::vector<std::string> lignes() {
        std::vector<std::string> r;
        for (int i = 0; i < fenetre->medialist()->nombreLignes(); ++i) {
            r.push_back(fenetre->medialist()->texteLigne(i).toStdString());
        }
        return r;
    }
};

TEST_F(CommandesListe, sorts_keepTheCardOnDisplay_setModified_refillTheList) {
    store().courante = 1;  // abeille
    fenetre->afficherFiche();
    fenetre->trialfaClick();
    EXPECT_EQ(store().modifiee, 1);
    EXPECT_EQ(texteChamp(store().ficheCourante().titre), "abeille");
    EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("abeille"));
    // Bytes compared as they are: the empty title first, capitals before small letters.
    EXPECT_EQ(lignes(), (std::vector<std::string>{"2 ", "1 Moineau", "3 Zèbre", "1 abeille"}));

    store().modifiee = 0;
    fenetre->trirefClick();
    EXPECT_EQ(store().modifiee, 1);
    EXPECT_EQ(texteChamp(store().ficheCourante().titre), "abeille");
    EXPECT_EQ(fenetre->position()->text().toInt(), store().courante);
    EXPECT_EQ(lignes().size(), 4u);
}

TEST_F(CommandesListe, search_listsEachMatchOnce_inTableOrder_andBlanksTheCard) {
    fenetre->expression()->setText(QStringLiteral("ecole"));
    fenetre->goButtonClick();
    // The accented é of "école" is not folded to e.
    EXPECT_EQ(lignes(), (std::vector<std::string>{"1 abeille"}));
    EXPECT_TRUE(store().listeResultats);
    EXPECT_EQ(store().dernierResultat, 0);
    EXPECT_TRUE(fenetre->titre()->text().isEmpty());
    EXPECT_TRUE(fenetre->affichageVide());

    fenetre->expression()->setText(QStringLiteral("introuvable"));
    fenetre->goButtonClick();
    EXPECT_TRUE(lignes().empty());
    EXPECT_EQ(store().dernierResultat, -1);

    fenetre->listalfaClick();
    EXPECT_EQ(lignes().size(), 4u);
    EXPECT_FALSE(store().listeResultats);
}

TEST_F(CommandesListe, blankCardAfterSearch_modifyAndDeleteRefuse_untilALineIsPicked) {
    fenetre->expression()->setText(QStringLiteral("a"));
    fenetre->goButtonClick();
    plateforme.reponses = {kOk, kOk};
    fenetre->modifClick();
    fenetre->supprimeClick();
    EXPECT_EQ(plateforme.textes("question"),
              (std::vector<std::string>{textes::kPasDeFicheSelectionnee, textes::kPasDeFicheSelectionnee}));
    EXPECT_FALSE(fenetre->valider()->isVisibleTo(fenetre.get()));
    EXPECT_EQ(store().derniere, 3);

    // Picking the line of the card without a title: it is shown and can be modified.
    const auto l = lignes();
    const int ligne = static_cast<int>(std::find(l.begin(), l.end(), "2 ") - l.begin());
    ASSERT_LT(ligne, static_cast<int>(l.size()));
    fenetre->medialistClick(ligne);
    EXPECT_EQ(store().courante, 2);
    EXPECT_FALSE(fenetre->affichageVide());
    plateforme.oublier();
    fenetre->modifClick();
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_TRUE(fenetre->valider()->isVisibleTo(fenetre.get()));
}

TEST_F(CommandesListe, pickingALine_selectsTheFirstCardWithItsNumber) {
    fenetre->medialistClick(3);  // "1 Moineau": number 1 is first carried by abeille
    EXPECT_EQ(store().courante, 1);
    EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("abeille"));
    fenetre->medialistClick(-1);
    EXPECT_EQ(store().courante, 1);
}

TEST_F(CommandesListe, searchIgnoringAccents_isUncheckedAndUnchosenAtFirst) {
    EXPECT_FALSE(fenetre->rechercheSansAccents1()->isChecked());
    EXPECT_FALSE(store().sansAccents);
    EXPECT_FALSE(store().choixAccents);
}

TEST_F(CommandesListe, searchIgnoringAccents_findsEveryEcole_andUncheckedSearchesAsBefore) {
    fenetre->rechercheSansAccents1()->trigger();
    EXPECT_TRUE(store().sansAccents);
    EXPECT_TRUE(store().choixAccents);
    fenetre->expression()->setText(QStringLiteral("\u00C9COLE"));  // ÉCOLE
    fenetre->goButtonClick();
    EXPECT_EQ(lignes(), (std::vector<std::string>{"1 abeille", "1 Moineau"}));
    fenetre->expression()->setText(QStringLiteral("zebre"));
    fenetre->goButtonClick();
    EXPECT_EQ(lignes(), (std::vector<std::string>{"3 Z\u00E8bre"}));

    fenetre->rechercheSansAccents1()->trigger();
    fenetre->expression()->setText(QStringLiteral("ecole"));
    fenetre->goButtonClick();
    EXPECT_EQ(lignes(), (std::vector<std::string>{"1 abeille"}));
}

TEST_F(CommandesListe, pickedResult_showsItsFirstMatchHighlighted_withNothingSelected) {
    fenetre->rechercheSansAccents1()->trigger();
    fenetre->expression()->setText(QStringLiteral("ecole"));
    fenetre->goButtonClick();
    fenetre->medialistClick(1);  // "1 Moineau" among the results: the first card numbered 1 is abeille
    ASSERT_EQ(texteChamp(store().ficheCourante().titre), "abeille");
    auto surlignages = fenetre->description()->extraSelections();
    ASSERT_EQ(surlignages.size(), 1);
    EXPECT_EQ(surlignages[0].cursor.selectedText(), QStringLiteral("ECOLE"));
    EXPECT_EQ(surlignages[0].cursor.selectionStart(), 8);
    EXPECT_FALSE(fenetre->description()->textCursor().hasSelection());
    EXPECT_FALSE(fenetre->titre()->hasSelectedText());

    // A match after a line break: the box shows CR LF as one character.
    store().fiches[3].numero = 4;
    ecrireChamp(store().fiches[3].description, "ligne\r\nune \xC9" "cole");
    fenetre->goButtonClick();
    fenetre->medialistClick(1);
    ASSERT_EQ(texteChamp(store().ficheCourante().titre), "Moineau");
    surlignages = fenetre->description()->extraSelections();
    ASSERT_EQ(surlignages.size(), 1);
    EXPECT_EQ(surlignages[0].cursor.selectedText(), QStringLiteral("\u00C9cole"));
    EXPECT_EQ(surlignages[0].cursor.selectionStart(), 10);

    // A match in the title alone leaves the description plain, and the title's text as it is.
    fenetre->expression()->setText(QStringLiteral("zebre"));
    fenetre->goButtonClick();
    fenetre->medialistClick(0);
    EXPECT_TRUE(fenetre->description()->extraSelections().isEmpty());
    EXPECT_EQ(fenetre->titre()->text(), QStringLiteral("Z\u00E8bre"));
    EXPECT_FALSE(fenetre->titre()->hasSelectedText());
    EXPECT_TRUE(fenetre->titre()->isReadOnly());

    // Whole-list picks highlight nothing.
    fenetre->listalfaClick();
    fenetre->medialistClick(3);
    EXPECT_TRUE(fenetre->description()->extraSelections().isEmpty());
}

}  // namespace
