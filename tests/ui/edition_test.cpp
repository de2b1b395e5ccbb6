// Navigation and the editing cycle: add, modify, picture, validate, cancel, delete.

#include <sys/stat.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "tests/support/texte_numerote.h"
#include "core/services.h"
#include "core/textes.h"
#include "ui/liste_fiches.h"
#include "tests/support/fenetre_commune.h"
#include "ui/memo.h"

namespace {

const char* const kPasDeFiche = textes::kPasDeFicheSelectionnee;
const char* const kSupprimer = textes::kSupprimerFiche;

class Edition : public FenetreAvecImages {
protected:
    std::vector<int32_t> numeros() {
        std::vector<int32_t> n;
        for (int32_t i = 0; i <= store().derniere; ++i) n.push_back(store().fiches[i].numero);
        return n;
    }
    std::vector<std::string> titres() {
        std::vector<std::string> t;
        for (int32_t i = 0; i <= store().derniere; ++i) {
            t.emplace_back(texteChamp(store().fiches[i].titre));
        }
        return t;
    }
    bool enEdition() const { return !fenetre->valider()->isHidden(); }
    QByteArray contenu(const std::string& chemin) {
        QFile f(QString::fromStdString(chemin));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << chemin;
        return f.readAll();
    }
};

// ---- Navigation ----------------------------------------------------------------------------

using Navigation = Edition;

TEST_F(Navigation, eachButtonAndArrow_movesWithinTheTableAndStopsAtItsEdges) {
    struct Cas {
        const char* nom;
        int32_t depart;
        void (TForm1::*action)();
        bool fleche;  // action is then UpDownClick with haut = monte
        bool monte;
        int32_t attendue;
    };
    const Cas cas[] = {
        {"up on the last", 3, nullptr, true, true, 3},
        {"up in the middle", 1, nullptr, true, true, 2},
        {"down on the first", 0, nullptr, true, false, 0},
        {"down in the middle", 2, nullptr, true, false, 1},
        {"Debut from the last", 3, &TForm1::debutClick, false, false, 0},
        {"Fin from the first", 0, &TForm1::finClick, false, false, 3},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        remplir({{10, "A", "", ""}, {11, "B", "", ""}, {12, "C", "", ""}, {13, "D", "", ""}});
        fenetre->remplirListe();
        store().courante = c.depart;
        fenetre->medialist()->selectionner(1);
        if (c.fleche) {
            fenetre->UpDownClick(c.monte);
        } else {
            (fenetre.get()->*c.action)();
        }
        EXPECT_EQ(store().courante, c.attendue);
        EXPECT_EQ(fenetre->numero()->text(), QString::number(10 + c.attendue));
        EXPECT_EQ(fenetre->position()->text(), QString::number(c.attendue));
        EXPECT_EQ(fenetre->total()->text(), "3");
        // Navigation leaves the list and the flags alone.
        EXPECT_EQ(fenetre->medialist()->indexSelectionne(), 1);
        EXPECT_EQ(store().modifiee, 0);
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Navigation, finThenDown_showsTheLastCardButOne) {
    remplir({{1, "A", "", ""}, {2, "B", "", ""}, {3, "C", "", ""}});
    fenetre->finClick();
    fenetre->UpDownClick(false);
    EXPECT_EQ(store().courante, 1);
    EXPECT_EQ(fenetre->titre()->text(), "B");
}

TEST_F(Navigation, onABaseWithoutCards_everyMoveStaysOnSlotZero) {
    remplir({});
    for (auto action : {&TForm1::finClick, &TForm1::debutClick}) {
        (fenetre.get()->*action)();
        EXPECT_EQ(store().courante, 0);
    }
    for (bool haut : {true, false}) {
        fenetre->UpDownClick(haut);
        EXPECT_EQ(store().courante, 0);
    }
    EXPECT_EQ(fenetre->total()->text(), "-1");
    EXPECT_EQ(fenetre->position()->text(), "0");
}

// ---- Adding and numbering ------------------------------------------------------------------

TEST_F(Edition, ajouterThenValider_numbersTheNewCardFromWhatWasTyped) {
    struct Cas {
        std::vector<int32_t> pris;
        const char* propose;
        const char* tape;  // nullptr: the proposed number left as it is
        int32_t attendu;
    };
    const Cas cas[] = {
        {{0, 1, 3}, "2", nullptr, 2},
        {{7, 8, 0}, "1", "7", 9},
        {{7, 8}, "0", "12abc", 12},
        {{0, 1, 2}, "3", "abc", 3},
        {{5}, "0", "", 0},
        {{}, "0", "5", 5},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape ? c.tape : "(proposed)");
        std::vector<CarteTest> cartes;
        for (int32_t n : c.pris) cartes.push_back({n, texteNumerote("t", n), "", ""});
        remplir(cartes);
        fenetre->remplirListe();
        store().modifiee = 0;

        fenetre->nouvelleClick();
        EXPECT_TRUE(enEdition());
        EXPECT_EQ(fenetre->numero()->text(), c.propose);
        EXPECT_EQ(fenetre->titre()->text(), "");
        if (c.tape) fenetre->numero()->setText(c.tape);
        fenetre->titre()->setText("Nouvelle");
        fenetre->validerClick();

        const int32_t n = static_cast<int32_t>(c.pris.size());
        EXPECT_FALSE(enEdition());
        EXPECT_EQ(store().derniere, n);
        EXPECT_EQ(store().courante, n);
        EXPECT_EQ(store().fiches[n].numero, c.attendu);
        EXPECT_EQ(texteChamp(store().fiches[n].titre), "Nouvelle");
        EXPECT_EQ(texteChamp(store().fiches[n].image), "");
        EXPECT_EQ(fenetre->numero()->text(), QString::number(c.attendu));
        EXPECT_EQ(fenetre->medialist()->nombreLignes(), n + 1);
        EXPECT_EQ(store().modifiee, 1);
        EXPECT_EQ(store().ajoutEnCours, 0);
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Edition, ajouterThenAnnuler_leavesTheTableAndShowsThePreviousCard) {
    remplir({{1, "Chat", "miaou", ""}, {2, "Chien", "ouaf", ""}});
    fenetre->remplirListe();
    store().courante = 1;
    fenetre->afficherFiche();
    fenetre->nouvelleClick();
    fenetre->titre()->setText("Brouillon");
    fenetre->numero()->setText("44");
    fenetre->annulerClick();
    EXPECT_FALSE(enEdition());
    EXPECT_EQ(numeros(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(titres(), (std::vector<std::string>{"Chat", "Chien"}));
    EXPECT_EQ(store().courante, 1);
    EXPECT_EQ(fenetre->numero()->text(), "2");
    EXPECT_EQ(fenetre->titre()->text(), "Chien");
    EXPECT_EQ(fenetre->description()->toPlainText(), "ouaf");
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 2);
}

TEST_F(Edition, ajouterWithoutItsPlaceholder_failsBeforeEnteringEditMode) {
    remplir({{1, "Chat", "", ""}});
    store().imageDefaut.affecter(chemin("absent.jpg"));
    EXPECT_THROW(fenetre->nouvelleClick(), Erreur);
    EXPECT_FALSE(enEdition());
}

// ---- Typed texts ---------------------------------------------------------------------------

TEST_F(Edition, validerClick_storesTheTextsInWindows1252WithCrLfLineBreaks) {
    struct Cas {
        QString titre;
        QString description;
        std::string titreAttendu;
        std::string descriptionAttendue;
    };
    const Cas cas[] = {
        {"Été à Noël €", "ligne 1\nligne 2\n\nfin", "\xC9t\xE9 \xE0 No\xEBl \x80",
         "ligne 1\r\nligne 2\r\n\r\nfin"},
        // Characters Windows-1252 lacks are not stored as '?': the card stays as it was.
        {QString::fromUtf8("Œuvre ☃ 日本"), QString::fromUtf8("ça → là"), "Chat", ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.titreAttendu);
        remplir({{1, "Chat", "", ""}});
        fenetre->modifClick();
        fenetre->titre()->setText(c.titre);
        fenetre->description()->setPlainText(c.description);
        fenetre->validerClick();
        EXPECT_EQ(texteChamp(store().fiches[0].titre), c.titreAttendu);
        EXPECT_EQ(texteChamp(store().fiches[0].description), c.descriptionAttendue);
        fenetre->annulerClick();
    }
}

// ---- Modifying -----------------------------------------------------------------------------

TEST_F(Edition, modifierThenValider_storesTheTypedNumberWithoutAnyCheck) {
    struct Cas {
        const char* tape;
        int32_t attendu;
    };
    const Cas cas[] = {{"1", 1}, {"5xyz", 5}, {"abc", 0}, {"3", 3}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape);
        remplir({{1, "Chat", "", ""}, {2, "Chien", "", ""}, {3, "Lynx", "", ""}});
        store().courante = 1;
        fenetre->afficherFiche();
        fenetre->modifClick();
        EXPECT_TRUE(enEdition());
        EXPECT_EQ(store().ajoutEnCours, 0);
        fenetre->numero()->setText(c.tape);
        fenetre->titre()->setText("Loup");
        fenetre->validerClick();
        EXPECT_EQ(store().derniere, 2);
        EXPECT_EQ(numeros(), (std::vector<int32_t>{1, c.attendu, 3}));
        EXPECT_EQ(titres(), (std::vector<std::string>{"Chat", "Loup", "Lynx"}));
        EXPECT_EQ(fenetre->numero()->text(), QString::number(c.attendu));
        EXPECT_EQ(store().courante, 1);
    }
}

TEST_F(Edition, modifierAfterAnAbandonedAdd_fillsTheCurrentCardNotANewOne) {
    remplir({{1, "Chat", "", ""}});
    fenetre->nouvelleClick();
    fenetre->annulerClick();
    fenetre->modifClick();
    fenetre->titre()->setText("Chat noir");
    fenetre->validerClick();
    EXPECT_EQ(store().derniere, 0);
    EXPECT_EQ(titres(), (std::vector<std::string>{"Chat noir"}));
}

// ---- Pictures ------------------------------------------------------------------------------

TEST_F(Edition, pictureChosenForANewCard_isCopiedIntoANewPictureDirectoryOnValidation) {
    ASSERT_TRUE(QDir(repertoire.c_str()).removeRecursively());
    ASSERT_TRUE(QDir(dossier.path()).mkdir("ailleurs"));
    const std::string source = ecrireImage("ailleurs/chat.jpg", Qt::red, {120, 90});
    remplir({{1, "Chien", "", ""}});
    fenetre->nouvelleClick();
    plateforme.fichiers.push_back(source);
    fenetre->imageClick();
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
    // Nothing is copied before the card is validated.
    EXPECT_FALSE(QDir(repertoire.c_str()).exists());
    fenetre->titre()->setText("Chat");
    fenetre->validerClick();

    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"image", "", ""},
                                  {"message", "brevandoux",
                                   "creation du repertoire " + repertoire +
                                       " car inexistant cette base ne contient pas encore "
                                       "d'images"}}));
    EXPECT_EQ(texteChamp(store().fiches[1].image), "\\chat.jpg");
    EXPECT_EQ(contenu(repertoire + "/chat.jpg"), contenu(source));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(source)));
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
}

TEST_F(Edition, modifierThenValiderKeepingThePicture_copiesNothing) {
    const std::string image = ecrireImage("base.rep/chat.jpg", Qt::blue);
    // An old date, so that any rewrite of the file would show.
    const utimbuf ancienne{1000000000, 1000000000};
    ASSERT_EQ(utime(image.c_str(), &ancienne), 0);
    struct stat avant;
    ASSERT_EQ(stat(image.c_str(), &avant), 0);
    remplir({{1, "Chat", "", "\\chat.jpg"}});
    fenetre->afficherFiche();
    fenetre->modifClick();
    EXPECT_EQ(store().imageChoisie.str(), image);
    fenetre->titre()->setText("Chat bleu");
    fenetre->validerClick();

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(texteChamp(store().fiches[0].image), "\\chat.jpg");
    EXPECT_EQ(texteChamp(store().fiches[0].titre), "Chat bleu");
    struct stat apres;
    ASSERT_EQ(stat(image.c_str(), &apres), 0);
    EXPECT_EQ(apres.st_ino, avant.st_ino);
    EXPECT_EQ(apres.st_mtime, avant.st_mtime);
    EXPECT_EQ(QDir(repertoire.c_str()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"chat.jpg"});
}

TEST_F(Edition, modifierThenValiderWithoutPicture_leavesItWithoutOneAndCreatesTheDirectory) {
    ASSERT_TRUE(QDir(repertoire.c_str()).removeRecursively());
    remplir({{1, "Chat", "", ""}});
    fenetre->modifClick();
    EXPECT_TRUE(store().imageChoisie.empty());
    fenetre->validerClick();
    EXPECT_EQ(texteChamp(store().fiches[0].image), "");
    EXPECT_TRUE(QDir(repertoire.c_str()).exists());
    EXPECT_EQ(plateforme.textes("message").size(), 1u);
}

TEST_F(Edition, imageThenAnnuler_keepsTheOldPictureAndLeavesTheBaseMarkedModified) {
    ecrireImage("base.rep/chat.jpg", Qt::blue);
    const std::string autre = ecrireImage("rouge.jpg", Qt::red);
    struct Cas {
        const char* nom;
        std::optional<std::string> choisie;
        QColor pendant;
    };
    const Cas cas[] = {{"picture chosen", autre, Qt::red}, {"dialog cancelled", std::nullopt, Qt::blue}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        remplir({{1, "Chat", "", "\\chat.jpg"}});
        store().modifiee = 0;
        fenetre->afficherFiche();
        fenetre->modifClick();
        plateforme.fichiers.push_back(c.choisie);
        fenetre->imageClick();
        EXPECT_TRUE(proche(couleurCadre(), c.pendant));
        EXPECT_EQ(store().modifiee, 1);
        fenetre->annulerClick();
        EXPECT_FALSE(enEdition());
        EXPECT_EQ(store().modifiee, 1);
        EXPECT_EQ(texteChamp(store().fiches[0].image), "\\chat.jpg");
        EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(repertoire + "/rouge.jpg")));
}

TEST_F(Edition, validatingWithAPictureWhileNoBaseIsBound_keepsTheCardWithoutItAndSaysSo) {
    store().repertoireImages.vider();
    const std::string source = ecrireImage("chat.jpg", Qt::red);
    const QStringList avant = QDir(dossier.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    remplir({});
    fenetre->nouvelleClick();
    plateforme.fichiers.push_back(source);
    fenetre->imageClick();
    fenetre->titre()->setText("Chat");
    fenetre->description()->setPlainText("gris");
    fenetre->validerClick();

    ASSERT_EQ(plateforme.textes("message").size(), 1u);
    EXPECT_NE(plateforme.textes("message")[0].find("la base doit être enregistrée"), std::string::npos);
    EXPECT_EQ(store().derniere, 0);
    EXPECT_EQ(texteChamp(store().fiches[0].titre), "Chat");
    EXPECT_EQ(texteChamp(store().fiches[0].description), "gris");
    EXPECT_EQ(texteChamp(store().fiches[0].image), "");
    // The picture was written nowhere: the folder holds what it held.
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), avant);
    EXPECT_TRUE(QDir(repertoire.c_str()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// ---- Deleting ------------------------------------------------------------------------------

TEST_F(Edition, supprimerAnsweredOk_removesTheCurrentCard) {
    struct Cas {
        const char* nom;
        std::vector<CarteTest> cartes;
        int32_t courante;
        std::vector<std::string> restent;
        int32_t nouvelleCourante;
        QString titreMontre;
    };
    const std::vector<CarteTest> trois = {{1, "A", "", ""}, {2, "B", "", ""}, {3, "C", "", ""}};
    const Cas cas[] = {
        {"last", trois, 2, {"A", "B"}, 1, "B"},
        {"middle", trois, 1, {"A", "C"}, 1, "C"},
        {"first", trois, 0, {"B", "C"}, 0, "B"},
        {"only", {{1, "A", "", ""}}, 0, {}, 0, ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        plateforme.oublier();
        remplir(c.cartes);
        fenetre->remplirListe();
        store().modifiee = 0;
        store().courante = c.courante;
        plateforme.reponses.push_back(kOk);
        fenetre->supprimeClick();
        EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OkAnnuler", kSupprimer}}));
        EXPECT_EQ(titres(), c.restent);
        EXPECT_EQ(store().derniere, static_cast<int32_t>(c.restent.size()) - 1);
        EXPECT_EQ(store().courante, c.nouvelleCourante);
        EXPECT_EQ(store().modifiee, 1);
        EXPECT_EQ(fenetre->titre()->text(), c.titreMontre);
        EXPECT_EQ(fenetre->medialist()->nombreLignes(), static_cast<int>(c.restent.size()));
        EXPECT_EQ(fenetre->total()->text(), QString::number(store().derniere));
    }
}

TEST_F(Edition, supprimerAnsweredAnnuler_changesNothing) {
    remplir({{1, "A", "", ""}, {2, "B", "", ""}});
    fenetre->remplirListe();
    store().courante = 1;
    plateforme.reponses.push_back(kAnnuler);
    fenetre->supprimeClick();
    EXPECT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(titres(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(store().courante, 1);
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(fenetre->titre()->text(), "B");
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 2);
}

TEST_F(Edition, supprimerAndModifierOnABaseWithoutCards_doNothing) {
    remplir({});
    fenetre->supprimeClick();
    fenetre->modifClick();
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_FALSE(enEdition());
    EXPECT_EQ(store().derniere, -1);
    EXPECT_EQ(store().modifiee, 0);
}

// ---- After a search ------------------------------------------------------------------------

TEST_F(Edition, afterASearch_modifierAndSupprimerRefuseUntilACardIsShownAgain) {
    remplir({{1, "Chat", "", ""}, {2, "Chien", "", ""}});
    fenetre->remplirListe();
    fenetre->expression()->setText("ch");
    fenetre->goButtonClick();
    ASSERT_TRUE(fenetre->affichageVide());
    plateforme.reponses = {kOk, kOk};
    fenetre->modifClick();
    fenetre->supprimeClick();
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "Ok", kPasDeFiche},
                                                     {"question", "Ok", kPasDeFiche}}));
    EXPECT_FALSE(enEdition());
    EXPECT_EQ(titres(), (std::vector<std::string>{"Chat", "Chien"}));
    EXPECT_EQ(store().modifiee, 0);

    // Navigation shows a card again, and the commands act on it.
    plateforme.oublier();
    fenetre->debutClick();
    plateforme.reponses.push_back(kOk);
    fenetre->supprimeClick();
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OkAnnuler", kSupprimer}}));
    EXPECT_EQ(titres(), (std::vector<std::string>{"Chien"}));
}

}  // namespace
