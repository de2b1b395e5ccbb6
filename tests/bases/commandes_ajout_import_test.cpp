// Appending the cards of another base, and importing a base of the sibling program's older
// 772-byte format, through the menu commands.

#include <sys/stat.h>

#include "core/etapes.h"
#include "tests/bases/commandes_bases.h"
#include "tests/bases/fenetre_bases.h"
#include "ui/memo.h"

using namespace bases_test;

namespace {

const std::vector<CarteTest> kCinq = {{100, "a", "", ""}, {101, "b", "", ""}, {102, "c", "", ""},
                                      {103, "d", "", ""}, {104, "e", "", ""}};
const std::vector<CarteTest> kTroisAjoutees = {{42, "x", "dx", "\\px.jpg"}, {-1, "y", "dy", ""},
                                               {42, "z", "dz", "\\pz.jpg"}};

// One record of the sibling format: number, 256-byte title, 512-byte description.
std::string ficheImport(int32_t numero, const std::string& titre, const std::string& description) {
    std::string r(772, '\0');
    std::memcpy(r.data(), &numero, 4);
    std::memcpy(r.data() + 4, titre.data(), std::min<std::size_t>(titre.size(), 256));
    std::memcpy(r.data() + 260, description.data(), std::min<std::size_t>(description.size(), 512));
    return r;
}

std::string troisImportees() {
    return ficheImport(9, "premier", "un") + ficheImport(-3, "second", "deux") +
           ficheImport(9, "troisi\xe8me", "trois");
}

class AjoutImport : public FenetreTest {
protected:
    // A bound base of five cards, the third current, with no unsaved change.
    void SetUp() override {
        FenetreTest::SetUp();
        remplir(kCinq);
        store().courante = 2;
        b = chemin("b.dat");
        ecrireOctets(b, octetsBase(kCinq));
        store().cheminBase.affecter(b);
        store().repertoireImages.affecter(chemin("b.rep"));
        store().baseNommee = 1;
        fenetre->remplirListe();
        fenetre->afficherFiche();
        fenetre->chemin()->setText(QString::fromStdString(b));
    }

    std::string b;
};

// ---------------------------------------------------------------------------------------
// Append.

TEST_F(AjoutImport, append_threeRecordsAndStrayBytes_numberedByIndex) {
    const std::string autre = chemin("autre.dat");
    ecrireOctets(autre, octetsBase(kTroisAjoutees, 100));
    Etat attendu = etatDe(*fenetre);
    attendu.cartes.insert(attendu.cartes.end(), {"5:x:\\px.jpg", "6:y:", "7:z:\\pz.jpg"});
    attendu.modifiee = 1;
    attendu.savemybase = true;
    attendu.lignes = 8;
    plateforme.fichiers.push_back(autre);

    commandes(*fenetre).Ajouterdesfiches1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(fenetre->medialist()->texteLigne(7).toStdString(), "7 z");
    EXPECT_EQ(fenetre->total()->text(), "7");
    EXPECT_EQ(fenetre->position()->text(), "2");
    EXPECT_EQ(texteChamp(store().fiches[6].description), "dy");
    EXPECT_EQ(genres(plateforme), std::vector<std::string>{"ouvrir"});
    EXPECT_EQ(plateforme.dialogues[0].filtre, "données caldoverne|*.dat");
    EXPECT_EQ(lireOctets(b), octetsBase(kCinq)) << "appended cards reach the file only on save";
    EXPECT_EQ(lireOctets(autre).size(), 3 * 1028u + 100);
}

TEST_F(AjoutImport, append_toNewBase_keepsBlankCardFirst) {
    store().effacerBase();
    fenetre->remplirListe();
    const std::string autre = chemin("autre.dat");
    ecrireOctets(autre, octetsBase(kTroisAjoutees));
    plateforme.fichiers.push_back(autre);

    commandes(*fenetre).Ajouterdesfiches1Click();

    EXPECT_EQ(cartesDeLaTable(store()),
              (std::vector<std::string>{"0::", "1:x:\\px.jpg", "2:y:", "3:z:\\pz.jpg"}));
    EXPECT_EQ(store().courante, 0);
}

// An empty file adds nothing, but the command still marks the base and enables saving.
TEST_F(AjoutImport, append_emptyFile_marksModified) {
    const std::string vide = chemin("vide.dat");
    ecrireOctets(vide, "");
    Etat attendu = etatDe(*fenetre);
    attendu.modifiee = 1;
    attendu.savemybase = true;
    plateforme.fichiers.push_back(vide);

    commandes(*fenetre).Ajouterdesfiches1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_TRUE(plateforme.textes("message").empty());
}

// The history holds room for the undone append of six cards, not also for the deletion before
// it: undoing the append drops that older step, never the append, which can then be redone. An
// append of seven, too large to be kept at all, is told before it runs; Annuler appends nothing.
TEST_F(AjoutImport, append_pastTheHistorysRoom_undoKeepsTheStep_tooLargeToKeep_isToldFirst) {
    store().historique = Historique(Historique::kEtapesMax, octetsEtapeFiches(0, 6) + sizeof(Fiche) / 2);
    const auto ajouter = [&](int n, std::vector<int> reponses) {
        const std::string autre = chemin(QStringLiteral("ajout%1.dat").arg(n));
        ecrireOctets(autre, octetsBase(std::vector<CarteTest>(static_cast<std::size_t>(n), {7, "a", "", ""})));
        plateforme.fichiers.push_back(autre);
        plateforme.reponses.assign(reponses.begin(), reponses.end());
        plateforme.oublier();
        commandes(*fenetre).Ajouterdesfiches1Click();
    };
    plateforme.reponses.push_back(kOk);
    fenetre->supprimeClick();
    ajouter(6, {});
    EXPECT_TRUE(plateforme.textes("question").empty());
    ASSERT_EQ(store().derniere, 9);

    fenetre->annuler1()->trigger();
    EXPECT_EQ(store().derniere, 3);
    EXPECT_EQ(fenetre->retablir1()->text(), "rétablir l'ajout de 6 fiches");
    EXPECT_EQ(fenetre->annuler1()->text(), QString::fromUtf8(Historique::kPlusRienAAnnuler));
    fenetre->retablir1()->trigger();
    EXPECT_EQ(store().derniere, 9);

    ajouter(7, {kAnnuler});
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kSansAnnulation});
    EXPECT_EQ(store().derniere, 9);
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler l'ajout de 6 fiches");

    ajouter(7, {kOk});
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kSansAnnulation});
    EXPECT_EQ(store().derniere, 16);
    EXPECT_FALSE(fenetre->annuler1()->isEnabled());
    EXPECT_EQ(fenetre->annuler1()->text(), QString::fromUtf8(Historique::kPlusRienAAnnuler));
    EXPECT_TRUE(store().modifiee);
}

// The dialog cancelled, a missing file, a file that cannot be opened for reading and
// writing: nothing changes but the message.
TEST_F(AjoutImport, append_failures_changeNothing) {
    const std::string absent = chemin("absent.dat");
    const std::string gele = chemin("gele.dat");
    ecrireOctets(gele, octetsBase(kTroisAjoutees));
    Immuable gel(gele);
    if (!gel.ok()) IGNORER("le système de fichiers ne peut pas rendre un fichier immuable (droits de root nécessaires)");
    struct Cas {
        const char* nom;
        std::optional<std::string> choisi;
        std::vector<std::string> messages;
    };
    for (const Cas& c : {Cas{"dialogueAnnule", std::nullopt, {}},
                         Cas{"absent", absent, {introuvable(absent)}},
                         Cas{"nonOuvrable", gele, {nonTrouve(gele)}},
                         Cas{"repertoire", chemin("b.rep"), {nonTrouve(chemin("b.rep"))}}}) {
        SCOPED_TRACE(c.nom);
        mkdir(chemin("b.rep").c_str(), 0755);
        plateforme.oublier();
        const Etat avant = etatDe(*fenetre);
        plateforme.fichiers.push_back(c.choisi);

        commandes(*fenetre).Ajouterdesfiches1Click();

        EXPECT_EQ(etatDe(*fenetre), avant);
        EXPECT_EQ(plateforme.textes("message"), c.messages);
    }
}

// The appended file's read-only attribute is cleared on disk, and stays cleared.
TEST_F(AjoutImport, append_readOnlyFile_readAndLeftWritable) {
    const std::string autre = chemin("autre.dat");
    ecrireOctets(autre, octetsBase(kTroisAjoutees));
    chmod(autre.c_str(), 0444);
    plateforme.fichiers.push_back(autre);

    commandes(*fenetre).Ajouterdesfiches1Click();

    EXPECT_EQ(store().derniere, 7);
    struct stat st;
    ASSERT_EQ(stat(autre.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

// ---------------------------------------------------------------------------------------
// Import.

TEST_F(AjoutImport, import_wholeRecordsOnly_bindsToTheFile) {
    for (std::size_t taille : {2316u, 2400u}) {
        SCOPED_TRACE(taille);
        SetUp();
        plateforme.oublier();
        const std::string vieux = chemin("vieux.dat");
        std::string octets = troisImportees();
        octets.resize(taille, '\x77');
        ecrireOctets(vieux, octets);
        plateforme.fichiers.push_back(vieux);

        commandes(*fenetre).convertircaldoverne1Click();

        EXPECT_EQ(etatDe(*fenetre), (Etat{{"9:premier:", "-3:second:", "9:troisi\xe8me:"}, 0, vieux,
                                          chemin("vieux.rep"), 1, 0, true, vieux, 3}));
        EXPECT_EQ(texteChamp(store().fiches[1].description), "deux");
        EXPECT_EQ(fenetre->titre()->text(), "premier");
        EXPECT_EQ(lireOctets(vieux), octets) << "the import reads, it does not convert";
        EXPECT_FALSE(existe(chemin("vieux.rep"))) << "made only when a picture is filed";
        EXPECT_EQ(genres(plateforme), std::vector<std::string>{"ouvrir"});
        fenetre.reset();
    }
}

// A title or a description that fills its whole field without a zero ends at the room of
// the card's field; the number is copied as it is.
TEST_F(AjoutImport, import_fieldsWithoutZero_cutToTheirRoom) {
    const std::string plein = chemin("plein.dat");
    ecrireOctets(plein, ficheImport(INT32_MIN, std::string(256, 'T'), std::string(512, 'D')));
    plateforme.fichiers.push_back(plein);

    commandes(*fenetre).convertircaldoverne1Click();

    ASSERT_EQ(store().derniere, 0);
    EXPECT_EQ(store().fiches[0].numero, INT32_MIN);
    EXPECT_EQ(texteChamp(store().fiches[0].titre), std::string(255, 'T'));
    EXPECT_EQ(texteChamp(store().fiches[0].description), std::string(511, 'D'));
    EXPECT_EQ(texteChamp(store().fiches[0].image), "");
}

TEST_F(AjoutImport, import_emptyFile_baseWithoutCards) {
    const std::string vide = chemin("vide.dat");
    ecrireOctets(vide, "");
    plateforme.fichiers.push_back(vide);

    commandes(*fenetre).convertircaldoverne1Click();

    EXPECT_EQ(store().derniere, -1);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 0);
    EXPECT_EQ(store().cheminBase.str(), vide);
}

// A read-only sibling file cannot be opened: the table stays, but the command binds the base
// to that path and shows it all the same.
TEST_F(AjoutImport, import_readOnlyFile_tableKeptPathBound) {
    const std::string vieux = chemin("vieux.dat");
    ecrireOctets(vieux, troisImportees());
    chmod(vieux.c_str(), 0444);
    Etat attendu = etatDe(*fenetre);
    attendu.cheminBase = attendu.chemin = vieux;
    attendu.repertoireImages = chemin("vieux.rep");
    attendu.savemybase = true;
    plateforme.fichiers.push_back(vieux);

    commandes(*fenetre).convertircaldoverne1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu);
    EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{nonTrouve(vieux)});
    struct stat st;
    ASSERT_EQ(stat(vieux.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u) << "the import leaves attributes alone";
}

TEST_F(AjoutImport, import_dialogCancelled_showsPath) {
    fenetre->chemin()->setText("autre chose");
    Etat attendu = etatDe(*fenetre);
    attendu.chemin = b;
    plateforme.fichiers.push_back(std::nullopt);

    commandes(*fenetre).convertircaldoverne1Click();

    EXPECT_EQ(etatDe(*fenetre), attendu);
}

// Unsaved changes are offered a save before the table is replaced.
TEST_F(AjoutImport, import_withUnsavedChanges_asksFirst) {
    const std::string vieux = chemin("vieux.dat");
    ecrireOctets(vieux, troisImportees());
    struct Cas {
        int reponse;
        bool importe;
        bool ecrit;
    };
    for (const Cas& c : {Cas{kAnnuler, false, false}, Cas{kNon, true, false}, Cas{kOui, true, true}}) {
        SCOPED_TRACE(c.reponse);
        SetUp();
        store().modifiee = 1;
        ecrireChamp(store().fiches[0].titre, "changé");
        const Etat avant = etatDe(*fenetre);
        plateforme.oublier();
        plateforme.reponses = {c.reponse};
        if (c.importe) plateforme.fichiers.push_back(vieux);

        commandes(*fenetre).convertircaldoverne1Click();

        EXPECT_EQ(plateforme.boites.at(0), (Boite{"question", "OuiNonAnnuler", kSauver}));
        if (c.importe) {
            EXPECT_EQ(store().cheminBase.str(), vieux);
            EXPECT_EQ(store().derniere, 2);
        } else {
            EXPECT_EQ(etatDe(*fenetre), avant);
            EXPECT_EQ(genres(plateforme), std::vector<std::string>{"question"});
        }
        EXPECT_EQ(cartesDuFichier(b).at(0), c.ecrit ? "100:changé:" : "100:a:");
        fenetre.reset();
    }
}

// Saving right after an import converts the sibling file in place.
TEST_F(AjoutImport, import_thenSave_convertsFileInPlace) {
    const std::string vieux = chemin("vieux.dat");
    ecrireOctets(vieux, troisImportees());
    plateforme.fichiers.push_back(vieux);
    commandes(*fenetre).convertircaldoverne1Click();

    commandes(*fenetre).savemybaseClick();

    EXPECT_EQ(lireOctets(vieux).size(), 3 * 1028u);
    EXPECT_EQ(cartesDuFichier(vieux), (std::vector<std::string>{"9:premier:", "-3:second:", "9:troisi\xe8me:"}));
}

}  // namespace
