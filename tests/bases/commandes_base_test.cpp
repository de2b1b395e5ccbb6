// The commands on whole bases: the save prompt, new base, the two open commands, save and
// save as, along their main paths and every way they can be abandoned.

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "core/repertoire_images.h"
#include "core/textes.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"

namespace fs = std::filesystem;
using namespace bases_test;

namespace {

const std::vector<CarteTest> kTrois = {
    {10, "alpha", "a", ""}, {20, "beta", "b", ""}, {30, "gamma", "c", ""}};
const std::vector<CarteTest> kDeuxAnciennes = {{1, "ancienne un", "", ""}, {2, "ancienne deux", "", ""}};
const std::vector<CarteTest> kAutres = {{7, "sept", "", ""}, {8, "huit", "", ""}};

const char* const kAvant = "«avant»";  // what the path box showed before the command

// Every entry under a directory, relative, directories marked with a trailing '/'.
std::set<std::string> arbre(const std::string& racine) {
    std::set<std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(racine)) {
        std::string rel = fs::relative(e.path(), racine).string();
        r.insert(e.is_directory() ? rel + "/" : rel);
    }
    return r;
}

class CommandesBase : public FenetreTest {
protected:
    // A base file of the temporary folder holding these cards.
    std::string base(const std::string& nom, const std::vector<CarteTest>& cartes) {
        const std::string p = chemin(QString::fromStdString(nom));
        ecrireOctets(p, octetsBase(cartes));
        return p;
    }

    // The table holds kTrois, the third card current, shown and listed; the base is bound to
    // x.dat, whose file holds two older cards (so a write of the table shows), with its
    // picture directory x.rep.
    void baseLiee(int32_t modifiee) {
        remplir(kTrois);
        store().courante = 2;
        x = base("x.dat", kDeuxAnciennes);
        mkdir(chemin("x.rep").c_str(), 0755);
        store().cheminBase.affecter(x);
        store().repertoireImages.affecter(chemin("x.rep"));
        store().baseNommee = 1;
        store().modifiee = modifiee;
        fenetre->remplirListe();
        fenetre->afficherFiche();
        fenetre->chemin()->setText(kAvant);
    }

    // The same table, never bound to a file: the window as it starts without a base.
    void baseNonLiee(int32_t modifiee) {
        remplir(kTrois);
        store().courante = 2;
        store().modifiee = modifiee;
        fenetre->remplirListe();
        fenetre->afficherFiche();
        fenetre->chemin()->setText(kAvant);
    }

    std::vector<std::string> genres() const {
        std::vector<std::string> r;
        for (const Boite& b : plateforme.boites) r.push_back(b.genre);
        return r;
    }

    std::string x;
};

// ---------------------------------------------------------------------------------------
// The save prompt and the answer it gives the command that called it.

struct CasPrompt {
    const char* nom;
    int32_t modifiee;
    bool liee;
    bool fichierLectureSeule;        // the file the save goes to is read-only
    std::vector<int> reponses;
    std::vector<std::optional<std::string>> fichiers;  // names in the temporary folder
    int attendu;
    std::vector<std::string> genres;
    const char* ecritDans;  // file that must then hold the table, or nullptr
};

class Prompt : public CommandesBase, public ::testing::WithParamInterface<CasPrompt> {};

TEST_P(Prompt, demanderSauvegarde_answersAndSaves) {
    const CasPrompt& c = GetParam();
    if (c.liee) {
        baseLiee(c.modifiee);
    } else {
        baseNonLiee(c.modifiee);
    }
    const std::string ro = base("ro.dat", kDeuxAnciennes);
    if (c.fichierLectureSeule) {
        chmod(c.liee ? x.c_str() : ro.c_str(), 0444);
    }
    plateforme.reponses.assign(c.reponses.begin(), c.reponses.end());
    for (const auto& f : c.fichiers) plateforme.fichiers.push_back(f ? std::optional(chemin(QString::fromStdString(*f))) : std::nullopt);
    const std::vector<std::string> table = cartesDeLaTable(store());

    EXPECT_EQ(commandes(*fenetre).demanderSauvegarde(), c.attendu);

    EXPECT_EQ(genres(), c.genres);
    if (!c.genres.empty()) {
        EXPECT_EQ(plateforme.boites[0], (Boite{"question", "OuiNonAnnuler", kSauver}));
    }
    EXPECT_TRUE(plateforme.reponses.empty());
    EXPECT_TRUE(plateforme.fichiers.empty());
    if (c.ecritDans) {
        EXPECT_EQ(cartesDuFichier(chemin(c.ecritDans)), table);
    }
    if (c.liee && (!c.ecritDans || std::string(c.ecritDans) != "x.dat")) {
        EXPECT_EQ(cartesDuFichier(x), resume(kDeuxAnciennes)) << "x.dat was written";
    }
    if (c.fichierLectureSeule) {
        const std::string cible = c.liee ? x : ro;
        EXPECT_EQ(plateforme.textes("message").back(), protege(cible));
        EXPECT_EQ(cartesDuFichier(cible), resume(kDeuxAnciennes));
        EXPECT_EQ(store().modifiee, 1) << "a failed save keeps the changes marked";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Prompt,
    ::testing::Values(
        CasPrompt{"rienAModifier_noQuestion", 0, true, false, {}, {}, kNon, {}, nullptr},
        CasPrompt{"oui_baseLiee_writesItsFile", 1, true, false, {kOui}, {}, kOui, {"question"}, "x.dat"},
        CasPrompt{"non_writesNothing", 1, true, false, {kNon}, {}, kNon, {"question"}, nullptr},
        CasPrompt{"annuler_writesNothing", 1, true, false, {kAnnuler}, {}, kAnnuler, {"question"}, nullptr},
        CasPrompt{"oui_nonLiee_saveAsCancelled_goesOnAsNo", 1, false, false, {kOui}, {std::nullopt},
                  kOui, {"question", "enregistrer"}, nullptr},
        CasPrompt{"oui_nonLiee_saveAsNamed", 1, false, false, {kOui}, {"nom"}, kOui,
                  {"question", "enregistrer"}, "nom.dat"},
        CasPrompt{"oui_baseLiee_writeRefused_answersCancel", 1, true, true, {kOui}, {}, kAnnuler,
                  {"question", "message"}, nullptr},
        CasPrompt{"oui_nonLiee_saveAsWriteRefused_answersCancel", 1, false, true, {kOui, kOui},
                  {"ro.dat"}, kAnnuler, {"question", "enregistrer", "confirmation", "message"},
                  nullptr}),
    [](const auto& info) { return std::string(info.param.nom); });

// ---------------------------------------------------------------------------------------
// New base.

struct CasNouvelle {
    const char* nom;
    int32_t modifiee;
    bool savemybase;
    std::vector<int> reponses;
};

class NouvelleBase : public CommandesBase, public ::testing::WithParamInterface<CasNouvelle> {};

TEST_P(NouvelleBase, newbase_mainPath_writesOneBlankCardAndBinds) {
    const CasNouvelle& c = GetParam();
    baseLiee(c.modifiee);
    fenetre->savemybase()->setEnabled(c.savemybase);
    plateforme.reponses.assign(c.reponses.begin(), c.reponses.end());
    plateforme.fichiers.push_back(chemin("neuve.dat"));

    commandes(*fenetre).newbaseClick();

    const std::string neuve = chemin("neuve.dat");
    EXPECT_EQ(etatDe(*fenetre), (Etat{{"0::"}, 0, neuve, chemin("neuve.rep"), 1, c.modifiee,
                                      c.savemybase, neuve, 1}));
    EXPECT_EQ(lireOctets(neuve).size(), 1028u);
    EXPECT_EQ(cartesDuFichier(neuve), std::vector<std::string>{"0::"});
    EXPECT_TRUE(estRepertoire(chemin("neuve.rep")));
    std::vector<std::string> attendus;
    if (c.modifiee) attendus.push_back("question");
    attendus.insert(attendus.end(), {"message", "enregistrer"});
    EXPECT_EQ(genres(), attendus);
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{kCreation});
    EXPECT_EQ(cartesDuFichier(x), resume(kDeuxAnciennes)) << "No at the prompt writes nothing";
    ASSERT_EQ(plateforme.dialogues.size(), 1u);
    EXPECT_EQ(plateforme.dialogues[0].extension, "dat");
    EXPECT_EQ(plateforme.dialogues[0].filtre, "base d'archivage dat|*.dat");
    EXPECT_EQ(plateforme.dialogues[0].titre, "enregistrer la base");
}

INSTANTIATE_TEST_SUITE_P(Cas, NouvelleBase,
                         ::testing::Values(CasNouvelle{"sansModification_boutonInactif", 0, false, {}},
                                           CasNouvelle{"sansModification_boutonActif", 0, true, {}},
                                           CasNouvelle{"nonAuPrompt_boutonInactif", 1, false, {kNon}},
                                           CasNouvelle{"nonAuPrompt_boutonActif", 1, true, {kNon}}),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST_F(CommandesBase, newbase_nameForms_getTheirPictureDirectory) {
    struct Cas {
        const char* tape;
        const char* fichier;
        const char* repertoire;
    };
    for (const Cas& c : {Cas{"notes", "notes.dat", "notes.rep"}, Cas{"notes.txt", "notes.txt", "notes.rep"},
                         Cas{"films.DAT", "films.DAT", "films.rep"}}) {
        SCOPED_TRACE(c.tape);
        fs::remove_all(chemin("notes.rep"));
        plateforme.fichiers.push_back(chemin(c.tape));
        commandes(*fenetre).newbaseClick();
        EXPECT_EQ(store().cheminBase.str(), chemin(c.fichier));
        EXPECT_EQ(store().repertoireImages.str(), chemin(c.repertoire));
        EXPECT_TRUE(estRepertoire(chemin(c.repertoire)));
        EXPECT_EQ(lireOctets(chemin(c.fichier)).size(), 1028u);
        EXPECT_EQ(store().baseNommee, 1);
        EXPECT_EQ(fenetre->chemin()->text().toStdString(), chemin(c.fichier));
    }
}

TEST_F(CommandesBase, newbase_cancelAtPrompt_onlyBlanksPath) {
    baseLiee(1);
    Etat attendu = etatDe(*fenetre);
    attendu.chemin = "";
    plateforme.reponses = {kAnnuler};

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNonAnnuler", kSauver},
                                                     {"message", "brevandoux", kCreation}}));
}

// The dialog cancelled, or the overwrite refused: the table is blank and unbound while the
// paths still name the previous base; the next save asks for a name.
struct CasAbandon {
    const char* nom;
    std::optional<const char*> choisi;
    std::vector<int> reponses;
};

class NouvelleAbandonnee : public CommandesBase, public ::testing::WithParamInterface<CasAbandon> {};

TEST_P(NouvelleAbandonnee, newbase_abandonedAfterBlanking_leavesUnboundBlankTable) {
    const CasAbandon& c = GetParam();
    baseLiee(0);
    fenetre->savemybase()->setEnabled(true);
    const std::string cible = base("existe.dat", kAutres);
    plateforme.fichiers.push_back(c.choisi ? std::optional(chemin(*c.choisi)) : std::nullopt);
    plateforme.reponses.assign(c.reponses.begin(), c.reponses.end());

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(etatDe(*fenetre), (Etat{{"0::"}, 0, x, chemin("x.rep"), 0, 0, true, "", 1}));
    EXPECT_EQ(cartesDuFichier(cible), resume(kAutres));
    EXPECT_FALSE(existe(chemin("existe.rep")));
    EXPECT_EQ(cartesDuFichier(x), resume(kDeuxAnciennes));
    if (c.choisi) {
        EXPECT_EQ(plateforme.boites.back(), (Boite{"confirmation", "Confirmation", kEcraser}));
    }
    EXPECT_TRUE(plateforme.reponses.empty());

    // Bound to nothing, the blank table is saved under a name asked for.
    plateforme.oublier();
    plateforme.fichiers.push_back(std::nullopt);
    commandes(*fenetre).savemybaseClick();
    EXPECT_EQ(genres(), std::vector<std::string>{"enregistrer"});
    EXPECT_EQ(cartesDuFichier(x), resume(kDeuxAnciennes));
    EXPECT_EQ(fenetre->chemin()->text().toStdString(), x);
}

INSTANTIATE_TEST_SUITE_P(Cas, NouvelleAbandonnee,
                         ::testing::Values(CasAbandon{"dialogueAnnule", std::nullopt, {}},
                                           CasAbandon{"ecrasementNon", "existe.dat", {kNon}},
                                           CasAbandon{"ecrasementAnnule", "existe.dat", {kAnnuler}}),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST_F(CommandesBase, newbase_overExistingFileAndDirectory_warnsThenWrites1028Bytes) {
    baseLiee(0);
    const std::string existe = base("existe.dat", kTrois);
    ASSERT_EQ(mkdir(chemin("existe.rep").c_str(), 0755), 0);
    ecrireOctets(chemin("existe.rep/garde.jpg"), "image");
    plateforme.fichiers.push_back(existe);
    plateforme.reponses = {kOui};

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"message", "brevandoux", kCreation},
                                  {"enregistrer", "enregistrer la base", ""},
                                  {"confirmation", "Confirmation", kEcraser},
                                  {"message", "brevandoux", textes::kRepertoireDejaExistant}}));
    EXPECT_EQ(lireOctets(existe).size(), 1028u);
    EXPECT_EQ(cartesDuFichier(existe), std::vector<std::string>{"0::"});
    EXPECT_EQ(lireOctets(chemin("existe.rep/garde.jpg")), "image");
    EXPECT_EQ(store().cheminBase.str(), existe);
    EXPECT_EQ(store().repertoireImages.str(), chemin("existe.rep"));
    EXPECT_EQ(store().baseNommee, 1);
}

TEST_F(CommandesBase, newbase_yesOnUnboundBase_saveAsCancelled_goesOnAsNo) {
    baseNonLiee(1);
    plateforme.reponses = {kOui};
    plateforme.fichiers = {std::nullopt, chemin("neuve")};

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(genres(), (std::vector<std::string>{"question", "enregistrer", "message", "enregistrer"}));
    EXPECT_EQ(cartesDeLaTable(store()), std::vector<std::string>{"0::"});
    EXPECT_EQ(store().cheminBase.str(), chemin("neuve.dat"));
    EXPECT_EQ(lireOctets(chemin("neuve.dat")).size(), 1028u);
    EXPECT_EQ(store().modifiee, 1) << "new base leaves the flag as it was";
}

TEST_F(CommandesBase, newbase_yesAndSaveFails_keepsTheCards) {
    baseLiee(1);
    chmod(x.c_str(), 0444);
    Etat attendu = etatDe(*fenetre);
    attendu.chemin = "";
    plateforme.reponses = {kOui};

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNonAnnuler", kSauver},
                                                     {"message", "brevandoux", protege(x)},
                                                     {"message", "brevandoux", kCreation}}));
}

TEST_F(CommandesBase, newbase_yesOnBoundBase_writesItBeforeBlanking) {
    baseLiee(1);
    plateforme.reponses = {kOui};
    plateforme.fichiers.push_back(chemin("neuve.dat"));

    commandes(*fenetre).newbaseClick();

    EXPECT_EQ(cartesDuFichier(x), (std::vector<std::string>{"10:alpha:", "20:beta:", "30:gamma:"}));
    EXPECT_EQ(store().cheminBase.str(), chemin("neuve.dat"));
}

// ---------------------------------------------------------------------------------------
// Open, button form and menu form.

struct Forme {
    const char* nom;
    void (ControleurBase::*commande)();
    bool menu;
};
const Forme kBouton{"bouton", &ControleurBase::ouvrirClick, false};
const Forme kMenu{"menu", &ControleurBase::ouvrir1Click, true};

struct CasOuvrir {
    const char* nom;
    bool liee;
    int32_t modifiee;
    bool lectureSeule;  // x.dat cannot be written
    std::vector<int> reponses;
    bool dialogue;                   // whether the open dialog is run
    std::optional<const char*> choisi;  // the name chosen in it
    // Turns the state before the command into the state expected after it.
    std::function<void(Etat&, const Forme&, const std::function<std::string(const char*)>&)> attendu;
    std::vector<std::string> messages;  // %d stands for the temporary folder
};

class Ouvrir : public CommandesBase,
               public ::testing::WithParamInterface<std::tuple<Forme, CasOuvrir>> {};

// y.dat and y.DAT hold kAutres; y.rep does not exist yet.
TEST_P(Ouvrir, open_leavesTheDocumentedState) {
    const auto& [forme, c] = GetParam();
    if (c.liee) {
        baseLiee(c.modifiee);
    } else {
        baseNonLiee(c.modifiee);
    }
    if (c.lectureSeule) chmod(x.c_str(), 0444);
    base("y.dat", kAutres);
    base("y.DAT", kAutres);
    base("y.txt", kAutres);
    plateforme.reponses.assign(c.reponses.begin(), c.reponses.end());
    if (c.dialogue) plateforme.fichiers.push_back(c.choisi ? std::optional(chemin(*c.choisi)) : std::nullopt);
    Etat attendu = etatDe(*fenetre);
    c.attendu(attendu, forme, [this](const char* nom) { return chemin(nom); });

    (commandes(*fenetre).*forme.commande)();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    std::vector<std::string> messages;
    for (std::string m : c.messages) {
        if (auto p = m.find("%d"); p != std::string::npos) m.replace(p, 2, dossier.path().toStdString());
        messages.push_back(m);
    }
    EXPECT_EQ(plateforme.textes("message"), messages);
    EXPECT_EQ(plateforme.textes("ouvrir").size(), c.dialogue ? 1u : 0u);
    EXPECT_TRUE(plateforme.reponses.empty());
    if (c.dialogue) {
        EXPECT_EQ(plateforme.dialogues.back().extension, "dat");
        EXPECT_EQ(plateforme.dialogues.back().filtre, "données caldoverne|*.dat");
        EXPECT_EQ(plateforme.dialogues.back().titre, "");
    }
}

const std::vector<std::string> kCartesY = {"7:sept:", "8:huit:"};

void ouvertLie(Etat& e, const std::string& y, const std::string& rep) {
    e.cartes = kCartesY;
    e.courante = 0;
    e.cheminBase = y;
    e.repertoireImages = rep;
    e.baseNommee = 1;
    e.modifiee = 0;
    e.savemybase = true;
    e.chemin = y;
    e.lignes = 2;
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Ouvrir,
    ::testing::Combine(
        ::testing::Values(kBouton, kMenu),
        ::testing::Values(
            CasOuvrir{"datExistant_sansModification", true, 0, false, {}, true, "y.dat",
                      [](Etat& e, const Forme&, const auto& p) {
                          ouvertLie(e, p("y.dat"),
                                    p("y.rep"));
                      },
                      {creationRepertoire("%d/y.rep")}},
            CasOuvrir{"datExistant_ouiAuPrompt_ecritPuisOuvre", true, 1, false, {kOui}, true, "y.dat",
                      [](Etat& e, const Forme&, const auto& p) {
                          ouvertLie(e, p("y.dat"),
                                    p("y.rep"));
                      },
                      {creationRepertoire("%d/y.rep")}},
            // A path that fails the ".dat" test is read, but only the menu form binds it, and
            // only the button form clears the flag.
            CasOuvrir{"majuscules_nonAuPrompt", false, 1, false, {kNon}, true, "y.DAT",
                      [](Etat& e, const Forme& f, const auto& p) {
                          e.cartes = kCartesY;
                          e.courante = 0;
                          e.cheminBase = e.chemin = p("y.DAT");
                          e.baseNommee = f.menu ? 1 : 0;
                          e.modifiee = f.menu ? 1 : 0;
                          e.savemybase = true;
                          e.lignes = 2;
                      },
                      {}},
            CasOuvrir{"txt_sansModification", true, 0, false, {}, true, "y.txt",
                      [](Etat& e, const Forme&, const auto& p) {
                          e.cartes = kCartesY;
                          e.courante = 0;
                          e.cheminBase = e.chemin = p("y.txt");
                          e.savemybase = true;
                          e.lignes = 2;
                      },
                      {}},
            // A file that cannot be read leaves the open base bound to its own file.
            CasOuvrir{"fichierAbsent", true, 0, false, {}, true, "absent.dat",
                      [](Etat& e, const Forme&, const auto&) { e.chemin = e.cheminBase; },
                      {introuvable("%d/absent.dat")}},
            CasOuvrir{"dialogueAnnule", true, 1, false, {kNon}, true, std::nullopt,
                      [](Etat& e, const Forme&, const auto&) { e.chemin = e.cheminBase; }, {}},
            CasOuvrir{"annulerAuPrompt", true, 1, false, {kAnnuler}, false, std::nullopt,
                      [](Etat& e, const Forme& f, const auto&) {
                          if (f.menu) e.chemin = e.cheminBase;
                      },
                      {}},
            CasOuvrir{"ouiEtEcritureRefusee", true, 1, true, {kOui}, false, std::nullopt,
                      [](Etat& e, const Forme& f, const auto&) {
                          if (f.menu) e.chemin = e.cheminBase;
                      },
                      {"le fichier %d/x.dat n'a pas pu être sauvegardé.   \ncar il est protégé en écriture"}})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).nom) + "_" + std::get<1>(info.param).nom;
    });

// ---------------------------------------------------------------------------------------
// Save, from the button and from the menu item.

struct Sauver {
    const char* nom;
    void (ControleurBase::*commande)();
};

struct CasSauver {
    const char* nom;
    const char* cheminBase;  // in the temporary folder; "" for a base never named
    int32_t baseNommee;
    bool lectureSeule;
    std::vector<std::optional<std::string>> fichiers;
    std::vector<std::string> genres;
    const char* ecritDans;     // the file that must then hold the table, or nullptr
    int32_t modifieeApres;
    const char* message;       // the one message expected (%d: the temporary folder), or nullptr
};

class Sauvegarder : public CommandesBase,
                    public ::testing::WithParamInterface<std::tuple<Sauver, CasSauver>> {};

TEST_P(Sauvegarder, save_writesOnlyWhatCanBeWritten) {
    const auto& [sauver, c] = GetParam();
    baseNonLiee(1);
    std::string cb;
    if (*c.cheminBase) {
        cb = base(c.cheminBase, kDeuxAnciennes);
        store().cheminBase.affecter(cb);
        store().repertoireImages.affecter(cheminRepertoireImages(cb));
        if (c.lectureSeule) chmod(cb.c_str(), 0444);
    }
    store().baseNommee = c.baseNommee;
    for (const auto& f : c.fichiers) {
        plateforme.fichiers.push_back(f ? std::optional(chemin(QString::fromStdString(*f))) : std::nullopt);
    }
    const std::vector<std::string> table = cartesDeLaTable(store());

    (commandes(*fenetre).*sauver.commande)();

    EXPECT_EQ(genres(), c.genres);
    EXPECT_EQ(store().modifiee, c.modifieeApres);
    if (c.ecritDans) {
        EXPECT_EQ(cartesDuFichier(chemin(c.ecritDans)), table);
    }
    if (!cb.empty() && (!c.ecritDans || chemin(c.ecritDans) != cb)) {
        EXPECT_EQ(cartesDuFichier(cb), resume(kDeuxAnciennes)) << "the base's file was written";
    }
    if (c.message) {
        std::string m = c.message;
        if (auto p = m.find("%d"); p != std::string::npos) m.replace(p, 2, dossier.path().toStdString());
        EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{m});
    } else {
        EXPECT_TRUE(plateforme.textes("message").empty());
    }
    EXPECT_TRUE(plateforme.fichiers.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Sauvegarder,
    ::testing::Combine(
        ::testing::Values(Sauver{"bouton", &ControleurBase::savemybaseClick}, Sauver{"menu", &ControleurBase::enregister1Click}),
        ::testing::Values(
            CasSauver{"baseLiee_writesAndClears", "b.dat", 1, false, {}, {}, "b.dat", 0, nullptr},
            CasSauver{"majuscules_refusedWithMessage", "b.DAT", 1, false, {}, {"message"}, nullptr, 1,
                      "la base %d/b.DAT n'a pas été enregistrée : son nom ne finit pas par .dat. "
                      "Utilisez « Sauver base sous » pour l'enregistrer sous un autre nom."},
            CasSauver{"jamaisNommee_dialogCancelled_keepsFlag", "", 0, false, {std::nullopt},
                      {"enregistrer"}, nullptr, 1, nullptr},
            CasSauver{"jamaisNommee_named", "", 0, false, {"n"}, {"enregistrer"}, "n.dat", 0, nullptr},
            CasSauver{"nonLiee_dialogCancelled_keepsFlag", "b.dat", 0, false, {std::nullopt},
                      {"enregistrer"}, nullptr, 1, nullptr},
            CasSauver{"baseLiee_writeRefused_keepsFlag", "b.dat", 1, true, {}, {"message"}, nullptr, 1,
                      "le fichier %d/b.dat n'a pas pu être sauvegardé.   \ncar il est protégé en écriture"})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).nom) + "_" + std::get<1>(info.param).nom;
    });

TEST_F(CommandesBase, save_boundBase_changesNothingElse) {
    baseLiee(1);
    Etat attendu = etatDe(*fenetre);
    attendu.modifiee = 0;

    commandes(*fenetre).savemybaseClick();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(cartesDuFichier(x), resume(kTrois));
    EXPECT_TRUE(plateforme.boites.empty());
}

// ---------------------------------------------------------------------------------------
// Save as, and the pictures that follow the base.

class SauverSous : public CommandesBase {
protected:
    // x.rep holds two pictures, one in a sub-folder, and a dot-folder that is never copied.
    void images() {
        ecrireOctets(chemin("x.rep/chat.jpg"), "chat");
        ASSERT_EQ(mkdir(chemin("x.rep/vieux").c_str(), 0755), 0);
        ecrireOctets(chemin("x.rep/vieux/chien.jpg"), "chien");
        ASSERT_EQ(mkdir(chemin("x.rep/.cache").c_str(), 0755), 0);
        ecrireOctets(chemin("x.rep/.cache/tmp"), "tmp");
    }
};

TEST_F(SauverSous, saveAs_newName_writesReadsBackAndCarriesPictures) {
    baseLiee(1);
    images();
    plateforme.fichiers.push_back(chemin("y"));

    commandes(*fenetre).enregistrersous1Click();

    const std::string y = chemin("y.dat");
    EXPECT_EQ(etatDe(*fenetre), (Etat{resume(kTrois), 0, y, chemin("y.rep"), 1, 0, true, y, 3}));
    EXPECT_EQ(cartesDuFichier(y), resume(kTrois));
    EXPECT_EQ(cartesDuFichier(x), resume(kDeuxAnciennes));
    EXPECT_EQ(arbre(chemin("y.rep")), (std::set<std::string>{"chat.jpg", "vieux/", "vieux/chien.jpg"}));
    EXPECT_EQ(lireOctets(chemin("y.rep/vieux/chien.jpg")), "chien");
    EXPECT_EQ(fenetre->titre()->text(), "alpha") << "the first card is shown";
    EXPECT_EQ(genres(), std::vector<std::string>{"enregistrer"});
    ASSERT_EQ(plateforme.dialogues.size(), 1u);
    EXPECT_EQ(plateforme.dialogues[0].titre, "enregistrer la base");
}

TEST_F(SauverSous, saveAs_dialogCancelled_showsPathKeepsChanges) {
    baseNonLiee(1);
    store().cheminBase.affecter(chemin("x.dat"));
    Etat attendu = etatDe(*fenetre);
    attendu.chemin = chemin("x.dat");
    attendu.savemybase = true;
    plateforme.fichiers.push_back(std::nullopt);

    commandes(*fenetre).enregistrersous1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu);
}

// Any answer but Yes to the overwrite question stops at once: nothing written, the path box
// not refreshed; the handler still enables the button.
TEST_F(SauverSous, saveAs_overwriteAnswers) {
    for (int reponse : {kNon, kAnnuler, kOui}) {
        SCOPED_TRACE(reponse);
        baseNonLiee(1);
        store().cheminBase.vider();
        const std::string cible = base("existe.dat", kAutres);
        fs::remove_all(chemin("existe.rep"));
        if (reponse == kOui) {
            ASSERT_EQ(mkdir(chemin("existe.rep").c_str(), 0755), 0);
        }
        plateforme.oublier();
        plateforme.fichiers.push_back(cible);
        plateforme.reponses = {reponse};
        Etat avant = etatDe(*fenetre);

        commandes(*fenetre).enregistrersous1Click();

        if (reponse == kOui) {
            EXPECT_EQ(etatDe(*fenetre), (Etat{resume(kTrois), 0, cible, chemin("existe.rep"), 1, 0,
                                              true, cible, 3}));
            EXPECT_EQ(cartesDuFichier(cible), resume(kTrois));
            EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{textes::kErreurCreationRepertoire});
        } else {
            avant.savemybase = true;
            EXPECT_EQ(etatDe(*fenetre), avant);
            EXPECT_EQ(cartesDuFichier(cible), resume(kAutres));
            EXPECT_FALSE(existe(chemin("existe.rep")));
            EXPECT_TRUE(plateforme.textes("message").empty());
        }
        EXPECT_EQ(plateforme.boites[1], (Boite{"confirmation", "Confirmation", kEcraser}));
        fenetre->savemybase()->setEnabled(false);
    }
}

// A name that fails the ".dat" test is written and becomes the base's path, but is not
// reopened: the picture directory stays the previous one.
TEST_F(SauverSous, saveAs_txtName_writtenButPicturesStayBound) {
    baseLiee(1);
    store().baseNommee = 0;
    plateforme.fichiers.push_back(chemin("notes.txt"));

    commandes(*fenetre).enregistrersous1Click();

    const std::string notes = chemin("notes.txt");
    EXPECT_EQ(etatDe(*fenetre), (Etat{resume(kTrois), 0, notes, chemin("x.rep"), 1, 0, true, notes, 3}));
    EXPECT_EQ(cartesDuFichier(notes), resume(kTrois));
    EXPECT_TRUE(estRepertoire(chemin("notes.rep")));
}

TEST_F(SauverSous, saveAs_sameName_leavesPicturesAsTheyAre) {
    baseLiee(1);
    images();
    const std::set<std::string> avant = arbre(chemin("x.rep"));
    plateforme.fichiers.push_back(x);
    plateforme.reponses = {kOui};

    commandes(*fenetre).enregistrersous1Click();

    EXPECT_EQ(arbre(chemin("x.rep")), avant);
    EXPECT_EQ(lireOctets(chemin("x.rep/chat.jpg")), "chat");
    EXPECT_EQ(cartesDuFichier(x), resume(kTrois));
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{textes::kErreurCreationRepertoire});
    EXPECT_EQ(store().modifiee, 0);
}

TEST_F(SauverSous, saveAs_insideOldPictureDirectory_notCopiedIntoItself) {
    baseLiee(1);
    images();
    plateforme.fichiers.push_back(chemin("x.rep/z.dat"));

    commandes(*fenetre).enregistrersous1Click();

    EXPECT_EQ(arbre(chemin("x.rep/z.rep")), (std::set<std::string>{"chat.jpg", "vieux/", "vieux/chien.jpg"}));
    EXPECT_EQ(store().cheminBase.str(), chemin("x.rep/z.dat"));
    EXPECT_EQ(store().repertoireImages.str(), chemin("x.rep/z.rep"));
    EXPECT_EQ(cartesDuFichier(chemin("x.rep/z.dat")), resume(kTrois));
}

TEST_F(SauverSous, saveAs_writeRefused_keepsPathAndTable) {
    baseLiee(1);
    store().baseNommee = 0;
    const std::string cible = base("ro.dat", kAutres);
    chmod(cible.c_str(), 0444);
    Etat attendu = etatDe(*fenetre);
    attendu.savemybase = true;
    plateforme.fichiers.push_back(cible);
    plateforme.reponses = {kOui};

    commandes(*fenetre).enregistrersous1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu) << "no read-back, no binding, the changes stay marked";
    EXPECT_EQ(cartesDuFichier(cible), resume(kAutres));
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{protege(cible)});
}

// The shared flow, as the save prompt and the save of an unbound base use it.
TEST_F(SauverSous, sauverSous_reportsWhatHappened) {
    baseNonLiee(1);
    plateforme.fichiers = {std::nullopt, chemin("a.dat"), chemin("a.dat")};
    plateforme.reponses = {kNon};
    EXPECT_EQ(commandes(*fenetre).sauverSous(), ControleurBase::Sauvegarde::kAbandonnee);
    EXPECT_EQ(commandes(*fenetre).sauverSous(), ControleurBase::Sauvegarde::kEcrite);
    EXPECT_EQ(commandes(*fenetre).sauverSous(), ControleurBase::Sauvegarde::kAbandonnee) << "overwrite refused";
    chmod(chemin("a.dat").c_str(), 0444);
    plateforme.fichiers = {chemin("a.dat")};
    plateforme.reponses = {kOui};
    EXPECT_EQ(commandes(*fenetre).sauverSous(), ControleurBase::Sauvegarde::kEchouee);
}

}  // namespace
