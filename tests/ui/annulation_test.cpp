// Undo and redo through the window: the menu "édition", its keys, captions naming the step, the
// whole base shown after each, and nothing offered while a card is being edited.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "core/textes.h"
#include "tests/support/fenetre_commune.h"
#include "ui/liste_fiches.h"
#include "ui/memo.h"

namespace {

class Annulation : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        remplir({{3, "z\xe8" "bre", "ray\xe9", ""}, {12, "Ch\xe2teau & Chambord", "Loir-et-Cher", ""}, {7, "abeille", "", ""}});
        fenetre->montrerBase();
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
        fenetre->medialist()->setFocus();
    }

    void touche(QKeySequence t, QWidget* cible = nullptr) {
        const QKeyCombination k = t[0];
        QTest::keyClick(cible ? cible : QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    }

    std::vector<std::string> titres() {
        std::vector<std::string> t;
        for (int i = 0; i <= store().derniere; ++i) t.emplace_back(texteChamp(store().fiches[static_cast<std::size_t>(i)].titre));
        return t;
    }

    // The list, the card on display and the counters show the whole table and fiches[courante].
    void verifierAffichage() {
        ASSERT_EQ(fenetre->medialist()->nombreLignes(), store().derniere + 1);
        const Fiche& f = store().ficheCourante();
        EXPECT_EQ(fenetre->titre()->text().toStdString(), cp1252VersUtf8(texteChamp(f.titre)));
        EXPECT_EQ(fenetre->numero()->text().toStdString(), std::to_string(f.numero));
        EXPECT_EQ(fenetre->position()->text().toStdString(), std::to_string(store().courante));
        EXPECT_EQ(fenetre->total()->text().toStdString(), std::to_string(store().derniere));
    }
};

TEST_F(Annulation, deleteThenKeys_undoAndRedo_captionsNameTheCard_andTheWholeListReturns) {
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());
    EXPECT_FALSE(fenetre->retablir1()->isEnabled());
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler");
    EXPECT_EQ(fenetre->retablir1()->text(), "rétablir");

    fenetre->UpDownClick(true);  // the card 12
    plateforme.reponses.push_back(kOk);
    fenetre->supprime()->click();
    ASSERT_EQ(titres(), (std::vector<std::string>{"z\xe8" "bre", "abeille"}));
    EXPECT_TRUE(store().modifiee);
    // The title's "&" is shown, not taken for a mnemonic.
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler la suppression de la fiche 12 « Château && Chambord »");
    EXPECT_TRUE(fenetre->annuler1()->isEnabled());
    EXPECT_FALSE(fenetre->retablir1()->isEnabled());

    // A search result on display gives way to the whole list.
    fenetre->expression()->setText(QStringLiteral("abeille"));
    fenetre->goButton()->click();
    ASSERT_EQ(fenetre->medialist()->nombreLignes(), 1);
    fenetre->medialist()->setFocus();

    touche(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(titres(), (std::vector<std::string>{"z\xe8" "bre", "Ch\xe2teau & Chambord", "abeille"}));
    EXPECT_EQ(store().courante, 1);
    EXPECT_FALSE(store().modifiee);
    ASSERT_NO_FATAL_FAILURE(verifierAffichage());
    EXPECT_FALSE(fenetre->affichageVide());
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());
    EXPECT_EQ(fenetre->retablir1()->text(), "rétablir la suppression de la fiche 12 « Château && Chambord »");

    // Both redo keys.
    touche(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    EXPECT_EQ(store().derniere, 1);
    EXPECT_TRUE(store().modifiee);
    touche(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(store().derniere, 2);
    touche(QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_EQ(titres(), (std::vector<std::string>{"z\xe8" "bre", "abeille"}));
    ASSERT_NO_FATAL_FAILURE(verifierAffichage());
    // Nothing more to redo: the key does nothing.
    touche(QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_EQ(store().derniere, 1);
}

TEST_F(Annulation, addModifyAndSort_eachOneStep_undoneInTurn_toTheTableAsItWas) {
    const std::vector<std::string> depart = titres();
    fenetre->nouvelleClick();
    fenetre->titre()->setText(QStringLiteral("nouvelle"));
    fenetre->validerClick();
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler l'ajout de la fiche 0 « nouvelle »");

    fenetre->debutClick();
    fenetre->modifClick();
    fenetre->titre()->setText(QStringLiteral("rayures"));
    fenetre->validerClick();
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler la modification de la fiche 3 « rayures »");

    fenetre->trialfaClick();
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler le tri alphabétique");
    fenetre->trirefClick();
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler le tri numérique");

    // Each undo leaves on display the card its step touched.
    fenetre->annuler1()->trigger();  // the numeric sort
    EXPECT_EQ(fenetre->retablir1()->text(), "rétablir le tri numérique");
    fenetre->annuler1()->trigger();  // the alphabetical sort
    fenetre->annuler1()->trigger();  // the modification
    EXPECT_EQ(store().courante, 0);
    EXPECT_EQ(std::string(texteChamp(store().ficheCourante().titre)), "z\xe8" "bre");
    ASSERT_NO_FATAL_FAILURE(verifierAffichage());
    fenetre->annuler1()->trigger();  // the addition
    EXPECT_EQ(titres(), depart);
    EXPECT_EQ(store().courante, 2);  // the card added is gone: the last one is shown
    ASSERT_NO_FATAL_FAILURE(verifierAffichage());
    EXPECT_FALSE(store().modifiee);
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());

    // A new change cuts the undone steps off.
    fenetre->trirefClick();
    EXPECT_FALSE(fenetre->retablir1()->isEnabled());
    EXPECT_EQ(fenetre->retablir1()->text(), "rétablir");
}

TEST_F(Annulation, editMode_offersNoStep_andCtrlZIsTheBoxsOwnUndo) {
    fenetre->trialfaClick();
    const std::vector<std::string> triee = titres();
    ASSERT_TRUE(fenetre->annuler1()->isEnabled());

    fenetre->modifClick();
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());
    EXPECT_FALSE(fenetre->retablir1()->isEnabled());
    // The menu, opened in edit mode, still offers nothing.
    emit fenetre->edition1()->aboutToShow();
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());

    const QString titre = fenetre->titre()->text();
    fenetre->titre()->setFocus();
    fenetre->titre()->end(false);
    QTest::keyClicks(fenetre->titre(), QStringLiteral("xyz"));
    ASSERT_EQ(fenetre->titre()->text(), titre + QStringLiteral("xyz"));
    touche(QKeySequence(Qt::CTRL | Qt::Key_Z), fenetre->titre());
    EXPECT_EQ(fenetre->titre()->text(), titre);
    touche(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), fenetre->titre());
    EXPECT_EQ(fenetre->titre()->text(), titre + QStringLiteral("xyz"));

    const QString description = fenetre->description()->texte();
    fenetre->description()->setFocus();
    fenetre->description()->moveCursor(QTextCursor::End);
    QTest::keyClicks(fenetre->description(), QStringLiteral("abc"));
    ASSERT_EQ(fenetre->description()->texte(), description + QStringLiteral("abc"));
    touche(QKeySequence(Qt::CTRL | Qt::Key_Z), fenetre->description());
    EXPECT_EQ(fenetre->description()->texte(), description);

    // The base's step was not undone behind the boxes.
    EXPECT_EQ(titres(), triee);
    EXPECT_EQ(store().historique.position(), 1u);
    // Called directly (a stray trigger), the command refuses too.
    fenetre->annuler1Click();
    EXPECT_EQ(titres(), triee);

    fenetre->annulerClick();
    EXPECT_TRUE(fenetre->annuler1()->isEnabled());
}

TEST_F(Annulation, undoingAnAddedCard_keepsItsPictureFile) {
    const std::string photo = ecrireImage("photo.png", Qt::red);
    fenetre->nouvelleClick();
    fenetre->titre()->setText(QStringLiteral("avec image"));
    fenetre->prendreImage(photo);
    fenetre->validerClick();
    const std::string rangee = repertoire + "/photo.png";
    ASSERT_TRUE(QFile::exists(QString::fromStdString(rangee)));
    fenetre->annuler1()->trigger();
    EXPECT_EQ(store().derniere, 2);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(rangee)));
    fenetre->retablir1()->trigger();
    EXPECT_EQ(std::string(texteChamp(store().ficheCourante().image)), "\\photo.png");
}

TEST_F(Annulation, stepsDroppedForRoom_theMenuSaysNothingMoreCanBeUndone) {
    for (std::size_t k = 0; k < Historique::kEtapesMax + 1; ++k) fenetre->trirefClick();
    int annules = 0;
    while (fenetre->annuler1()->isEnabled()) {
        fenetre->annuler1()->trigger();
        ++annules;
    }
    EXPECT_EQ(annules, static_cast<int>(Historique::kEtapesMax));
    EXPECT_EQ(fenetre->annuler1()->text(), QString::fromUtf8(Historique::kPlusRienAAnnuler));
    EXPECT_TRUE(store().modifiee);  // the state read went with the oldest step
}

}  // namespace
