// Quitting: the three ways of asking, the save prompt's answers, and the configuration file
// present, missing or impossible to write.

#include <QAction>
#include <sys/stat.h>

#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "core/textes.h"
#include "ui/memo.h"

using namespace bases_test;

namespace {

enum class Voie { kBouton, kMenu, kFermeture };
enum class Reponse { kAucune, kOui, kNon, kAnnuler };  // kAucune: nothing to save, no question
enum class Config { kPresente, kAbsente, kProtegee };

const char* nom(Voie v) { return v == Voie::kBouton ? "bouton" : v == Voie::kMenu ? "menu" : "fermeture"; }
const char* nom(Reponse r) {
    switch (r) {
        case Reponse::kAucune: return "rienASauver";
        case Reponse::kOui: return "oui";
        case Reponse::kNon: return "non";
        default: return "annuler";
    }
}
const char* nom(Config c) {
    return c == Config::kPresente ? "configPresente" : c == Config::kAbsente ? "configAbsente" : "configProtegee";
}

const std::vector<CarteTest> kTable = {{1, "un", "", ""}, {2, "deux", "", ""}, {3, "trois", "", ""}};
const std::vector<CarteTest> kFichier = {{1, "un", "", ""}};
const char* const kIniAvant = "[setup]\nautoload=/ailleurs/autre.dat\n";
const char* const kNonSauvee = textes::kConfigurationNonSauvee;

class Quitter : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        ini = chemin("brevandoux.ini");
        store().cheminIni.affecter(ini);
        x = chemin("x.dat");
        ecrireOctets(x, octetsBase(kFichier));
        mkdir(chemin("x.rep").c_str(), 0755);
        remplir(kTable);
        store().cheminBase.affecter(x);
        store().repertoireImages.affecter(chemin("x.rep"));
        store().baseNommee = 1;
        fenetre->remplirListe();
        fenetre->afficherFiche();
    }

    // Asks to quit the way the user does, inside the message loop; true when the
    // application was told to terminate. `fermee` gets the outcome of a close request.
    bool demander(Voie v, bool& fermee) {
        fermee = false;
        return termineApplication([&] {
            switch (v) {
                case Voie::kBouton: fenetre->ButtonQuit()->click(); break;
                case Voie::kMenu: fenetre->quitter1()->trigger(); break;
                case Voie::kFermeture: fermee = fenetre->close(); break;
            }
        });
    }

    std::string autoload() const { return lireCleIni(ini, "setup", "autoload", "<absente>"); }

    std::string ini;
    std::string x;
};

using CasQuitter = std::tuple<Voie, Reponse, Config>;

class MatriceQuitter : public Quitter, public ::testing::WithParamInterface<CasQuitter> {};

TEST_P(MatriceQuitter, quit_followsPromptAndConfiguration) {
    const auto [voie, reponse, config] = GetParam();
    if (config != Config::kAbsente) ecrireOctets(ini, kIniAvant);
    std::optional<Immuable> gel;
    if (config == Config::kProtegee) {
        gel.emplace(ini);
        if (!gel->ok()) IGNORER("le système de fichiers ne peut pas rendre un fichier immuable (droits de root nécessaires)");
    }
    store().modifiee = reponse == Reponse::kAucune ? 0 : 1;
    if (reponse == Reponse::kOui) plateforme.reponses.push_back(kOui);
    if (reponse == Reponse::kNon) plateforme.reponses.push_back(kNon);
    if (reponse == Reponse::kAnnuler) plateforme.reponses.push_back(kAnnuler);

    bool fermee = false;
    const bool termine = demander(voie, fermee);

    const bool annule = reponse == Reponse::kAnnuler;
    const bool attenduTermine = !annule && config != Config::kProtegee;
    EXPECT_EQ(termine, attenduTermine);
    if (voie == Voie::kFermeture) {
        EXPECT_EQ(fermee, attenduTermine) << "the close is refused exactly when the quit stops";
    }

    // The prompt, and the base written on Yes only.
    std::vector<Boite> attendues;
    if (reponse != Reponse::kAucune) attendues.push_back({"question", "OuiNonAnnuler", kSauver});
    if (!annule && config == Config::kAbsente) attendues.push_back({"message", "brevandoux", kNonSauvee});
    if (!annule && config == Config::kProtegee) {
        attendues.push_back({"erreur", "brevandoux", "Unable to write to " + ini});
    }
    EXPECT_EQ(plateforme.boites, attendues);
    EXPECT_EQ(cartesDuFichier(x), resume(reponse == Reponse::kOui ? kTable : kFichier));

    // The configuration: written with the base's path unless the quit was cancelled; never
    // created; left whole when it cannot be written.
    gel.reset();
    if (config == Config::kAbsente) {
        EXPECT_FALSE(existe(ini));
    } else if (config == Config::kPresente && !annule) {
        EXPECT_EQ(autoload(), x);
    } else {
        EXPECT_EQ(lireOctets(ini), kIniAvant);
    }

    // The table is still there for a program that goes on.
    EXPECT_EQ(cartesDeLaTable(store()), resume(kTable));
    EXPECT_EQ(store().modifiee, reponse == Reponse::kAucune ? 0 : 1);

    if (attenduTermine && voie != Voie::kFermeture) {
        // The window's close that follows the end asks nothing more.
        plateforme.oublier();
        EXPECT_TRUE(fenetre->close());
        EXPECT_TRUE(plateforme.boites.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, MatriceQuitter,
    ::testing::Combine(::testing::Values(Voie::kBouton, Voie::kMenu, Voie::kFermeture),
                       ::testing::Values(Reponse::kAucune, Reponse::kOui, Reponse::kNon, Reponse::kAnnuler),
                       ::testing::Values(Config::kPresente, Config::kAbsente, Config::kProtegee)),
    [](const auto& info) {
        return std::string(nom(std::get<0>(info.param))) + "_" + nom(std::get<1>(info.param)) + "_" +
               nom(std::get<2>(info.param));
    });

// After a refusal the program goes on: once the file can be written again, the next close
// goes through and records the base.
// The modified flag follows the history: delete a card, save, sort, then undo some steps.
// Back at the state saved, quitting asks nothing; before it or after it, it asks.
TEST_F(Quitter, afterUndoingBackToTheSavedState_quitAsksNothing) {
    const struct {
        int annulations;
        bool question;
    } cas[] = {{0, true}, {1, false}, {2, true}};
    ecrireOctets(ini, kIniAvant);
    for (const auto& c : cas) {
        SCOPED_TRACE(c.annulations);
        remplir(kTable);
        store().historique.recommencer(store());
        fenetre->montrerBase();
        plateforme.reponses.push_back(kOk);
        fenetre->supprime()->click();
        fenetre->enregister1()->trigger();
        ASSERT_EQ(cartesDuFichier(x).size(), 2u);
        ASSERT_FALSE(store().modifiee);
        fenetre->trialfa()->click();
        for (int k = 0; k < c.annulations; ++k) fenetre->annuler1()->trigger();
        plateforme.oublier();
        if (c.question) plateforme.reponses.push_back(kNon);
        bool fermee = false;
        EXPECT_TRUE(demander(Voie::kMenu, fermee));
        const std::vector<Boite> question = {{"question", "OuiNonAnnuler", kSauver}};
        EXPECT_EQ(plateforme.boites, c.question ? question : std::vector<Boite>{});
        EXPECT_EQ(cartesDuFichier(x).size(), 2u);
    }
}

TEST_F(Quitter, close_afterUnwritableConfiguration_goesOnThenEnds) {
    ecrireOctets(ini, kIniAvant);
    Immuable gel(ini);
    if (!gel.ok()) IGNORER("le système de fichiers ne peut pas rendre un fichier immuable (droits de root nécessaires)");
    bool fermee = true;
    EXPECT_FALSE(demander(Voie::kFermeture, fermee));
    EXPECT_FALSE(fermee);
    EXPECT_EQ(plateforme.textes("erreur"), std::vector<std::string>{"Unable to write to " + ini});

    gel.lever();
    plateforme.oublier();
    EXPECT_TRUE(demander(Voie::kFermeture, fermee));
    EXPECT_TRUE(fermee);
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(autoload(), x);
}

// A save asked for at the prompt that fails stops the quit: the cards are not dropped.
TEST_F(Quitter, quit_yesAndSaveFails_programGoesOn) {
    for (Voie v : {Voie::kBouton, Voie::kMenu, Voie::kFermeture}) {
        SCOPED_TRACE(nom(v));
        ecrireOctets(ini, kIniAvant);
        chmod(x.c_str(), 0444);
        store().modifiee = 1;
        plateforme.oublier();
        plateforme.reponses = {kOui};
        bool fermee = true;

        EXPECT_FALSE(demander(v, fermee));

        EXPECT_FALSE(fermee);
        EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{protege(x)});
        EXPECT_EQ(lireOctets(ini), kIniAvant);
        EXPECT_EQ(store().modifiee, 1);
        chmod(x.c_str(), 0644);
    }
}

// Yes on a base never named runs the save-as dialog; cancelling it quits as after No.
TEST_F(Quitter, quit_yesOnUnboundBase_saveAsCancelled_quitsAsAfterNo) {
    ecrireOctets(ini, kIniAvant);
    store().cheminBase.vider();
    store().baseNommee = 0;
    store().modifiee = 1;
    plateforme.reponses = {kOui};
    plateforme.fichiers = {std::nullopt};
    bool fermee = false;

    EXPECT_TRUE(demander(Voie::kMenu, fermee));

    EXPECT_EQ(plateforme.textes("enregistrer").size(), 1u);
    EXPECT_EQ(autoload(), "");
}

// Quitting while a card is being added or modified drops the edit; with nothing validated
// there is nothing to save and no question.
class QuitterEnEdition : public Quitter, public ::testing::WithParamInterface<std::tuple<Voie, bool>> {};

TEST_P(QuitterEnEdition, quit_inEditMode_dropsTheEdit) {
    const auto [voie, ajout] = GetParam();
    ecrireOctets(ini, kIniAvant);
    store().modifiee = 0;
    if (ajout) {
        fenetre->nouvelleClick();
    } else {
        fenetre->modifClick();
    }
    fenetre->titre()->setText("brouillon");
    fenetre->description()->setPlainText("jamais validé");
    ASSERT_FALSE(fenetre->ButtonQuit()->isEnabled()) << "edit mode shuts the quit button";
    bool fermee = false;

    EXPECT_TRUE(demander(voie, fermee));

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(cartesDeLaTable(store()), resume(kTable));
    EXPECT_EQ(cartesDuFichier(x), resume(kFichier));
    EXPECT_EQ(autoload(), x);
}

INSTANTIATE_TEST_SUITE_P(Cas, QuitterEnEdition,
                         ::testing::Combine(::testing::Values(Voie::kMenu, Voie::kFermeture),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(nom(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_ajout" : "_modification");
                         });

// A new base whose save dialog was cancelled leaves cheminBase on the previous base, and
// that is what the configuration remembers.
TEST_F(Quitter, quit_afterNewBaseDialogCancelled_recordsPreviousPath) {
    ecrireOctets(ini, kIniAvant);
    plateforme.fichiers = {std::nullopt};
    commandes(*fenetre).newbaseClick();
    plateforme.oublier();
    bool fermee = false;

    EXPECT_TRUE(demander(Voie::kBouton, fermee));

    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(autoload(), x);
}

}  // namespace
