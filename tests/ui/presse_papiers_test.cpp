// The description's pop-up menu: copy, cut and paste, in browse and edit mode.

#include <QTextCursor>

#include "core/cp1252.h"
#include "tests/support/fenetre_commune.h"
#include "ui/memo.h"

namespace {

class PressePapiers : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        remplir({{1, "carte", "premi\xE8re ligne\r\nseconde ligne", ""}});
        fenetre->afficherFiche();
        plateforme.oublier();
    }
    Memo& memo() { return *fenetre->description(); }
    // Selects characters [debut, fin) of the description.
    void selectionner(int debut, int fin) {
        QTextCursor c = memo().textCursor();
        c.setPosition(debut);
        c.setPosition(fin, QTextCursor::KeepAnchor);
        memo().setTextCursor(c);
    }
};

TEST_F(PressePapiers, copy_takesTheSelectionInBothModes_andNothingWithoutOne) {
    for (bool edition : {false, true}) {
        if (edition) fenetre->modifClick();
        plateforme.pressePapiers = QStringLiteral("avant");
        selectionner(0, 0);
        fenetre->Copier1Click();
        EXPECT_EQ(plateforme.pressePapiers, QStringLiteral("avant"));
        selectionner(3, 17);  // across the line break
        fenetre->Copier1Click();
        EXPECT_EQ(plateforme.pressePapiers, QStringLiteral("mière ligne\nse"));
        EXPECT_EQ(memo().toPlainText(), QStringLiteral("première ligne\nseconde ligne"));
    }
    EXPECT_EQ(store().modifiee, 0);
}

TEST_F(PressePapiers, cut_inEditMode_removesOnlyTheSelection) {
    fenetre->modifClick();
    selectionner(0, 9);
    fenetre->couper1Click();
    EXPECT_EQ(plateforme.pressePapiers, QStringLiteral("première "));
    EXPECT_EQ(memo().toPlainText(), QStringLiteral("ligne\nseconde ligne"));
    EXPECT_EQ(store().modifiee, 0);
    // The card itself changes only when the edit is validated.
    EXPECT_EQ(texteChamp(store().fiches[0].description), "premi\xE8re ligne\r\nseconde ligne");
}

TEST_F(PressePapiers, cut_inBrowseMode_copiesAndKeepsTheText) {
    selectionner(0, 9);
    fenetre->couper1Click();
    EXPECT_EQ(plateforme.pressePapiers, QStringLiteral("première "));
    EXPECT_EQ(memo().toPlainText(), QStringLiteral("première ligne\nseconde ligne"));
}

TEST_F(PressePapiers, paste_inBrowseMode_changesNothing) {
    plateforme.pressePapiers = QStringLiteral("collé");
    fenetre->Coler1Click();
    EXPECT_EQ(memo().toPlainText(), QStringLiteral("première ligne\nseconde ligne"));
}

TEST_F(PressePapiers, paste_inEditMode_replacesTheSelectionAtTheCaret) {
    fenetre->modifClick();
    plateforme.pressePapiers = QStringLiteral("ÉTÉ\r\n2");
    selectionner(0, 8);
    fenetre->Coler1Click();
    EXPECT_EQ(memo().toPlainText(), QStringLiteral("ÉTÉ\n2 ligne\nseconde ligne"));
    EXPECT_EQ(store().modifiee, 0);
}

TEST_F(PressePapiers, paste_staysWithinTheCardsRoom_lineBreaksCountingTwo) {
    fenetre->modifClick();
    memo().setPlainText(QString(500, QLatin1Char('a')));
    memo().moveCursor(QTextCursor::End);
    // 11 bytes are left: "\n" takes two of them in the card.
    plateforme.pressePapiers = QStringLiteral("bcd\nefghijklmnop");
    fenetre->Coler1Click();
    const std::string texte = memo().toPlainText().toStdString();
    EXPECT_EQ(octetsEnFiche(texte), 511u);
    EXPECT_EQ(texte.substr(500), "bcd\nefghij");
}

TEST_F(PressePapiers, pastedCharactersWithoutCp1252Code_areNamedAtValider_cardUnchanged) {
    fenetre->modifClick();
    memo().clear();
    plateforme.pressePapiers = QStringLiteral("ok 日本 €");
    fenetre->Coler1Click();
    fenetre->validerClick();
    EXPECT_EQ(texteChamp(store().fiches[0].description), "premi\xE8re ligne\r\nseconde ligne");
    EXPECT_EQ(plateforme.textes("message"),
              std::vector<std::string>{"une base ne peut pas enregistrer ces caractères de la "
                                       "description : « 日 », « 本 ». Remplacez-les ou "
                                       "retirez-les, puis validez de nouveau"});
    EXPECT_EQ(memo().toPlainText(), QStringLiteral("ok 日本 €"));
    // Once they are gone, the rest is stored.
    memo().clear();
    plateforme.pressePapiers = QStringLiteral("ok €");
    fenetre->Coler1Click();
    fenetre->validerClick();
    EXPECT_EQ(texteChamp(store().fiches[0].description), "ok \x80");
}

}  // namespace
