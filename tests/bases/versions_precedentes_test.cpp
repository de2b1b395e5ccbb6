// "versions précédentes…": versions made by the window's own saves, listed and compared against
// a reference; cards recovered and the base brought back; damaged versions and files listed
// with their reason; nothing ever written in the kept versions' folder or another file's
// folders; the dialog driven by the keyboard alone and named for screen readers.

#include <sys/stat.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "bases/controleur_base.h"
#include "bases/dialogue_versions.h"
#include "bases/modele_differences.h"
#include "core/chemin_image.h"
#include "core/comparaison_bases.h"
#include "core/historique.h"
#include "core/recuperation.h"
#include "core/textes.h"
#include "core/sauvegardes.h"
#include "tests/bases/fenetre_bases.h"
#include "tests/support/annuler_progression.h"

namespace fs = std::filesystem;
using namespace bases_test;

namespace {

// Every entry of a folder tree with its bytes, mode and modification time.
using EtatDossier = std::map<std::string, std::tuple<std::string, mode_t, long long>>;
EtatDossier etatDossier(const std::string& dossier) {
    EtatDossier etat;
    for (const auto& e : fs::recursive_directory_iterator(dossier)) {
        struct stat st;
        lstat(e.path().c_str(), &st);
        etat[e.path()] = {e.is_regular_file() ? lireOctets(e.path()) : "", st.st_mode,
                          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    return etat;
}

// The lines the dialog must list for two tables, the plain way: numbers in ascending order,
// the cards of one number paired in table order, the other table's card named when it has one.
struct Attendu {
    std::string resume;
    QStringList lignes;
};
Attendu reference(const std::vector<CarteTest>& autre, const std::vector<CarteTest>& ouverte) {
    std::map<int32_t, std::pair<std::vector<const CarteTest*>, std::vector<const CarteTest*>>> parNumero;
    for (const CarteTest& c : autre) parNumero[c.numero].first.push_back(&c);
    for (const CarteTest& c : ouverte) parNumero[c.numero].second.push_back(&c);
    int plus = 0, moins = 0, changees = 0;
    QStringList lignes;
    const auto ligne = [&lignes](const char* signe, const CarteTest& c) {
        lignes << QStringLiteral("%1 %2 « %3 »").arg(QString::fromUtf8(signe)).arg(c.numero).arg(QString::fromStdString(c.titre));
    };
    for (const auto& [numero, cotes] : parNumero) {
        const auto& [a, o] = cotes;
        for (std::size_t k = 0; k < std::max(a.size(), o.size()); ++k) {
            if (k >= o.size()) {
                ++plus;
                ligne("+", *a[k]);
            } else if (k >= a.size()) {
                ++moins;
                ligne("\u2212", *o[k]);
            } else if (a[k]->titre != o[k]->titre || a[k]->description != o[k]->description || a[k]->image != o[k]->image) {
                ++changees;
                ligne("~", *a[k]);
            }
        }
    }
    return {"+" + std::to_string(plus) + " \u2212" + std::to_string(moins) + " ~" + std::to_string(changees), lignes};
}

QStringList lignesDe(const DialogueVersions& d) {
    QStringList r;
    for (int i = 0; i < d.modele()->rowCount(); ++i) r << d.modele()->index(i).data().toString();
    return r;
}

const std::vector<CarteTest> kA = {{1, "un", "", ""}, {2, "deux", "", ""}};
const std::vector<CarteTest> kB = {{1, "un", "", ""}, {2, "deux bis", "chang\xe9" "e", ""}, {3, "trois", "", ""}};
const std::vector<CarteTest> kC = {{1, "un", "", ""}, {3, "trois", "", ""}, {3, "trois encore", "", ""},
                                   {4, "quatre", "", ""}};
const std::vector<CarteTest> kD = {{1, "un", "", ""}, {3, "trois", "", ""}, {5, "cinq", "", ""}};

class VersionsPrecedentes : public FenetreTest {
protected:
    ControleurBase& controleur() { return *fenetre->findChild<ControleurBase*>(); }
    QAction* commande() { return fenetre->commande("versionsprecedentes1"); }
    // Whether the menu offers the command, as the user finds it on opening the menu.
    bool offerte() {
        emit fenetre->fichier()->aboutToShow();
        return commande()->isEnabled();
    }

    // x.dat opened through the window, then saved three times through the window's save:
    // the versions kept are A, B and C (newest first C, B, A), the base holds D.
    void troisVersions() {
        x = chemin("x.dat");
        ecrireOctets(x, octetsBase(kA));
        ASSERT_EQ(mkdir(chemin("x.rep").c_str(), 0755), 0);
        controleur().ouvrirChemin(x);
        ASSERT_EQ(store().cheminBase.str(), x);
        EXPECT_FALSE(offerte());
        for (const auto* cartes : {&kB, &kC, &kD}) {
            remplir(*cartes);
            store().modifiee = true;
            ASSERT_TRUE(fenetre->savemybase()->isEnabled());
            fenetre->savemybase()->click();
            ASSERT_FALSE(store().modifiee);
        }
        ASSERT_EQ(sauvegardesDe(x).size(), 3u);
        ASSERT_EQ(cartesDuFichier(x), resume(kD));
        sauvegardes = dossierSauvegardes(x);
    }

    std::unique_ptr<DialogueVersions> ouvrirDialogue() {
        auto d = controleur().dialogueVersions();
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
        return d;
    }

    std::string x;
    std::string sauvegardes;
};

TEST_F(VersionsPrecedentes, realSaves_listedNewestFirst_comparedAsTheReferenceSays_folderUntouched) {
    troisVersions();
    EXPECT_TRUE(offerte());
    const EtatDossier avant = etatDossier(sauvegardes);
    auto d = ouvrirDialogue();
    ASSERT_EQ(d->versions()->count(), 3);
    const std::vector<std::pair<const std::vector<CarteTest>*, const char*>> attendues = {
        {&kC, "4 fiches"}, {&kB, "3 fiches"}, {&kA, "2 fiches"}};
    for (int i = 0; i < 3; ++i) {
        const QString texte = d->versions()->item(i)->text();
        // "dd/MM/yyyy HH:mm:ss — n fiches"
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d — ") +
                                       QString::fromUtf8(attendues[i].second) + "$")
                        .match(texte)
                        .hasMatch())
            << texte.toStdString();
        d->versions()->setCurrentRow(i);
        ASSERT_TRUE(d->compare());
        const Attendu r = reference(*attendues[i].first, kD);
        EXPECT_EQ(d->resume()->text().toStdString(), r.resume) << i;
        EXPECT_EQ(lignesDe(*d), r.lignes) << i;
    }
    d->close();
    EXPECT_EQ(etatDossier(sauvegardes), avant);
    EXPECT_EQ(cartesDuFichier(x), resume(kD));
}

TEST_F(VersionsPrecedentes, command_offeredOnlyWithVersions_inBrowseMode_andOpensTheDialog) {
    EXPECT_FALSE(offerte());  // no base
    troisVersions();
    EXPECT_TRUE(offerte());
    fenetre->modifClick();
    EXPECT_FALSE(offerte()) << "edit mode";
    fenetre->annulerClick();
    EXPECT_TRUE(offerte());
    // A new base, not yet named, has no versions of its own.
    store().baseNommee = false;
    EXPECT_FALSE(offerte());
    store().baseNommee = true;
    ASSERT_TRUE(offerte());

    // The menu item runs the dialog, modal; Escape closes it.
    bool vu = false;
    QTimer::singleShot(0, [&vu] {
        auto* d = qobject_cast<DialogueVersions*>(QApplication::activeModalWidget());
        vu = d != nullptr && d->versions()->count() == 3;
        if (d) QTest::keyClick(d, Qt::Key_Escape);
    });
    commande()->trigger();
    EXPECT_TRUE(vu);
}

// Random tables with many cards sharing a number, compared through "comparer avec une autre
// base…" with the open table: the summary and the lines equal the reference's.
TEST_F(VersionsPrecedentes, otherFiles_duplicatedNumbers_matchTheReference) {
    troisVersions();
    std::mt19937 g(11);
    const auto auHasard = [&g](std::size_t n) {
        std::vector<CarteTest> t;
        for (std::size_t i = 0; i < n; ++i) {
            t.push_back({static_cast<int32_t>(g() % 6) - 2, std::string(1 + g() % 2, 'a' + static_cast<char>(g() % 2)),
                         g() % 3 ? "" : "d", g() % 4 ? "" : "\\p.jpg"});
        }
        return t;
    };
    auto d = ouvrirDialogue();
    for (int essai = 0; essai < 30; ++essai) {
        const std::vector<CarteTest> autre = auHasard(g() % 10);
        const std::vector<CarteTest> ouverte = auHasard(g() % 10);
        remplir(ouverte);
        const std::string fichier = chemin(QStringLiteral("autre%1.dat").arg(essai));
        ecrireOctets(fichier, octetsBase(autre));
        plateforme.fichiers.push_back(fichier);
        d->comparerAutreClick();
        ASSERT_TRUE(d->compare()) << essai;
        EXPECT_TRUE(d->versions()->currentItem()->text().startsWith(QStringLiteral("autre base : "))) << essai;
        const Attendu r = reference(autre, ouverte);
        ASSERT_EQ(d->resume()->text().toStdString(), r.resume) << essai;
        ASSERT_EQ(lignesDe(*d), r.lignes) << essai;
        // Another file is no version of this base: only its cards can be taken.
        EXPECT_FALSE(d->revenir()->isEnabled());
    }
    // The dialog the window's "ouvrir base" shows, with its settings.
    ASSERT_FALSE(plateforme.dialogues.empty());
    EXPECT_EQ(plateforme.dialogues.back().filtre, QStringLiteral("bases Brevandoux|*.dat"));
    EXPECT_EQ(plateforme.dialogues.back().titre, TForm1::OpenDialog().titre);
}

TEST_F(VersionsPrecedentes, recovery_takesTheChosenCards_asOneChange_andComparesAgain) {
    troisVersions();
    const EtatDossier avant = etatDossier(sauvegardes);
    auto d = ouvrirDialogue();
    d->versions()->setCurrentRow(0);  // C against D: +4 "quatre", +3 "trois encore", −5
    ASSERT_EQ(lignesDe(*d), (QStringList{"+ 3 « trois encore »", "+ 4 « quatre »", "\u2212 5 « cinq »"}));
    EXPECT_FALSE(d->recuperer()->isEnabled());
    // A card only in the open base cannot be chosen.
    EXPECT_FALSE(d->modele()->flags(d->modele()->index(2)) & Qt::ItemIsUserCheckable);
    ASSERT_TRUE(d->modele()->setData(d->modele()->index(0), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(d->modele()->setData(d->modele()->index(1), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(d->recuperer()->isEnabled());
    d->recuperer()->click();

    // The card whose number 3 is taken gets the next free one above it, as a typed one does.
    EXPECT_EQ(cartesDeLaTable(store()),
              (std::vector<std::string>{"1:un:", "3:trois:", "5:cinq:", "4:trois encore:", "6:quatre:"}));
    EXPECT_TRUE(store().modifiee);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 5);
    EXPECT_EQ(store().courante, 3);
    EXPECT_EQ(fenetre->titre()->text(), "trois encore");
    // Compared again with the open base as it now stands.
    EXPECT_EQ(d->resume()->text().toStdString(), reference(kC, {{1, "un", "", ""}, {3, "trois", "", ""}, {5, "cinq", "", ""},
                                                                 {4, "trois encore", "", ""}, {6, "quatre", "", ""}})
                                                     .resume);
    EXPECT_FALSE(d->recuperer()->isEnabled());
    EXPECT_EQ(etatDossier(sauvegardes), avant);
    EXPECT_EQ(cartesDuFichier(x), resume(kD));

    // One step, which the menu names and undoes whole: back to the saved state.
    EXPECT_EQ(store().historique.nombre(), 1u);
    EXPECT_EQ(fenetre->commande("annuler1")->text(), "annuler la récupération de 2 fiches");
    fenetre->commande("annuler1")->trigger();
    EXPECT_EQ(cartesDeLaTable(store()), resume(kD));
    EXPECT_FALSE(store().modifiee);
}

// A recovery too large for the history to keep is told before it runs; Annuler recovers nothing.
TEST_F(VersionsPrecedentes, recovery_tooLargeToUndo_isToldFirst) {
    troisVersions();
    auto d = ouvrirDialogue();
    d->versions()->setCurrentRow(0);
    ASSERT_TRUE(d->modele()->setData(d->modele()->index(0), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(d->modele()->setData(d->modele()->index(1), Qt::Checked, Qt::CheckStateRole));
    store().historique = Historique(Historique::kEtapesMax, octetsRecuperation({}));
    plateforme.reponses.push_back(kAnnuler);
    d->recuperer()->click();
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kSansAnnulation});
    EXPECT_EQ(cartesDeLaTable(store()), resume(kD));
    EXPECT_FALSE(store().modifiee);
}

TEST_F(VersionsPrecedentes, recoveryFromAnotherFile_bringsItsPictures_leavesItsFoldersAlone) {
    troisVersions();
    // The other copy: its card 2 changed with a picture of the same name as one of the base.
    const std::string autre = chemin("copie.dat");
    ecrireOctets(autre, octetsBase({{1, "un", "", ""}, {2, "deux", "", "\\chat.jpg"}, {3, "trois", "", ""},
                                    {5, "cinq", "", ""}}));
    ASSERT_EQ(mkdir(chemin("copie.rep").c_str(), 0755), 0);
    ecrireImage("copie.rep/chat.jpg", Qt::red);
    ecrireImage("x.rep/chat.jpg", Qt::blue);
    const std::string photoCopie = lireOctets(chemin("copie.rep/chat.jpg"));
    const std::string photoBase = lireOctets(chemin("x.rep/chat.jpg"));
    ASSERT_NE(photoCopie, photoBase);
    const EtatDossier avantCopie = etatDossier(chemin("copie.rep"));
    const std::string octetsCopie = lireOctets(autre);
    const EtatDossier avantVersions = etatDossier(sauvegardes);

    auto d = ouvrirDialogue();
    plateforme.fichiers.push_back(autre);
    d->comparerAutreClick();
    ASSERT_EQ(lignesDe(*d), QStringList{"+ 2 « deux »"});
    d->differences()->setCurrentIndex(d->modele()->index(0));
    EXPECT_TRUE(d->texteAutre()->toPlainText().contains("image : chat.jpg"));
    EXPECT_EQ(d->texteOuverte()->toPlainText(), "(absente)");
    d->modele()->setData(d->modele()->index(0), Qt::Checked, Qt::CheckStateRole);
    d->recuperer()->click();

    ASSERT_EQ(store().derniere, 3);
    const std::string image(texteChamp(store().fiches[3].image));
    ASSERT_NE(image, "\\chat.jpg") << "same name, other picture: kept apart";
    EXPECT_EQ(lireOctets(cheminImage(chemin("x.rep"), image).value_or("")), photoCopie);
    EXPECT_EQ(lireOctets(chemin("x.rep/chat.jpg")), photoBase);
    // The window shows the recovered card with its picture.
    EXPECT_EQ(store().courante, 3);
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
    EXPECT_TRUE(plateforme.textes("erreur").empty());
    EXPECT_EQ(etatDossier(chemin("copie.rep")), avantCopie);
    EXPECT_EQ(lireOctets(autre), octetsCopie);
    EXPECT_EQ(etatDossier(sauvegardes), avantVersions);
}

TEST_F(VersionsPrecedentes, goingBack_asksAsOpenDoes_thenTheVersionIsTheModifiedTable_boundToTheBase_oneStep) {
    troisVersions();
    const EtatDossier avant = etatDossier(sauvegardes);
    remplir({{9, "non enregistrée", "", ""}});
    store().modifiee = true;
    auto d = ouvrirDialogue();
    d->versions()->setCurrentRow(1);  // B
    ASSERT_TRUE(d->revenir()->isEnabled());

    // Cancel at the save prompt: nothing changes, the dialog stays.
    plateforme.reponses.push_back(kAnnuler);
    d->revenir()->click();
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{kSauver});
    EXPECT_EQ(cartesDeLaTable(store()), std::vector<std::string>{"9:non enregistrée:"});
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(d->compare());
    EXPECT_EQ(etatDossier(sauvegardes), avant);

    // No: the changes are given up, and the version becomes the open table.
    plateforme.reponses.push_back(kNon);
    d->revenir()->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(cartesDeLaTable(store()), resume(kB));
    EXPECT_TRUE(store().modifiee);
    EXPECT_TRUE(store().baseNommee);
    EXPECT_EQ(store().cheminBase.str(), x);
    EXPECT_EQ(store().repertoireImages.str(), chemin("x.rep"));
    EXPECT_EQ(store().courante, 0);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 3);
    EXPECT_EQ(fenetre->titre()->text(), "un");
    EXPECT_EQ(etatDossier(sauvegardes), avant);
    EXPECT_EQ(cartesDuFichier(x), resume(kD));

    // One step, as a recovery is: undone, the table it replaced comes back; redone, the version.
    EXPECT_EQ(fenetre->annuler1()->text(), "annuler le retour à une version précédente");
    fenetre->annuler1()->trigger();
    EXPECT_EQ(cartesDeLaTable(store()), std::vector<std::string>{"9:non enregistrée:"});
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 1);
    fenetre->retablir1()->trigger();
    EXPECT_EQ(cartesDeLaTable(store()), resume(kB));
    EXPECT_TRUE(store().modifiee);

    // The next save makes it the base and keeps the one it replaces: nothing is lost.
    fenetre->savemybase()->click();
    EXPECT_EQ(cartesDuFichier(x), resume(kB));
    ASSERT_EQ(sauvegardesDe(x).size(), 4u);
    EXPECT_EQ(cartesDuFichier(sauvegardesDe(x).front()), resume(kD));
}

TEST_F(VersionsPrecedentes, damagedVersionsAndFiles_listedWithTheirReason_cannotBeChosen) {
    troisVersions();
    // A version cut short, listed between the others by its time.
    const std::string tronquee = sauvegardes + "/x-20000101-000000.dat";
    ecrireOctets(tronquee, std::string(1500, 'z'));
    const EtatDossier avant = etatDossier(sauvegardes);
    auto d = ouvrirDialogue();
    ASSERT_EQ(d->versions()->count(), 4);
    QListWidgetItem* ligne = d->versions()->item(3);
    EXPECT_TRUE(ligne->text().startsWith("01/01/2000 00:00:00 — illisible : le fichier est tronqué"))
        << ligne->text().toStdString();
    EXPECT_FALSE(ligne->flags() & (Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    d->versions()->setCurrentRow(2);
    ASSERT_TRUE(d->compare());
    // The keyboard does not stop on it, and a click does not choose it.
    QTest::keyClick(d->versions(), Qt::Key_Down);
    EXPECT_EQ(d->versions()->currentRow(), 2);
    QTest::mouseClick(d->versions()->viewport(), Qt::LeftButton, {}, d->versions()->visualItemRect(ligne).center());
    EXPECT_EQ(d->versions()->currentRow(), 2);
    EXPECT_EQ(d->resume()->text().toStdString(), reference(kA, kD).resume);

    // Other files that are no base: listed with the reason, the comparison on display kept.
    const std::string pasUneBase = chemin("notes.dat");
    ecrireOctets(pasUneBase, "quelques mots");
    plateforme.fichiers.push_back(pasUneBase);
    d->comparerAutreClick();
    plateforme.fichiers.push_back(chemin("absente.dat"));
    d->comparerAutreClick();
    plateforme.fichiers.push_back(chemin("x.rep"));
    d->comparerAutreClick();
    ASSERT_EQ(d->versions()->count(), 7);
    EXPECT_TRUE(d->versions()->item(4)->text().endsWith("notes.dat — illisible : le fichier est tronqué : sa taille "
                                                        "n'est pas un nombre entier de fiches de 1028 octets"));
    EXPECT_TRUE(d->versions()->item(5)->text().endsWith("illisible : le fichier n'existe pas"));
    EXPECT_TRUE(d->versions()->item(6)->text().contains("illisible : "));
    for (int i = 4; i < 7; ++i) EXPECT_EQ(d->versions()->item(i)->flags(), Qt::NoItemFlags) << i;
    EXPECT_EQ(d->versions()->currentRow(), 2);
    EXPECT_EQ(d->resume()->text().toStdString(), reference(kA, kD).resume);
    EXPECT_EQ(etatDossier(sauvegardes), avant);
    EXPECT_EQ(lireOctets(pasUneBase), "quelques mots");
}

TEST_F(VersionsPrecedentes, keyboardAlone_choosesComparesRecoversAndCloses) {
    troisVersions();
    auto d = ouvrirDialogue();
    ASSERT_EQ(QApplication::focusWidget(), d->versions());
    // The list takes the first version as the focus enters it; Down goes to the next.
    QTest::keyClick(d->versions(), Qt::Key_Down);
    ASSERT_TRUE(d->compare());
    EXPECT_EQ(d->versions()->currentRow(), 1);
    EXPECT_EQ(d->resume()->text().toStdString(), reference(kB, kD).resume);

    const auto tab = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); };
    const auto focus = [] { return QApplication::focusWidget(); };
    tab();
    EXPECT_EQ(focus(), d->comparerAutre());
    tab();
    ASSERT_EQ(focus(), d->differences());
    // The focus entering the list puts it on its first line.
    ASSERT_EQ(d->differences()->currentIndex().row(), 0);
    // B against D: card 2 only in the version, card 5 only in the open base.
    EXPECT_EQ(lignesDe(*d), (QStringList{"+ 2 « deux bis »", "\u2212 5 « cinq »"}));
    EXPECT_TRUE(d->texteAutre()->toPlainText().startsWith("n° 2\ndeux bis\n\nchangée\n\nimage : aucune"));
    QTest::keyClick(d->differences(), Qt::Key_Space);
    EXPECT_EQ(d->modele()->nombreChoisies(), 1u);
    // Enter in a list presses nothing.
    QTest::keyClick(d->differences(), Qt::Key_Return);
    EXPECT_EQ(store().derniere, 2);
    tab();
    EXPECT_EQ(focus(), d->rienChoisir()) << "every card that can be taken is chosen: not \"tout choisir\"";
    tab();
    EXPECT_EQ(focus(), d->texteAutre());
    tab();
    EXPECT_EQ(focus(), d->texteOuverte());
    tab();
    ASSERT_EQ(focus(), d->recuperer());
    QTest::keyClick(focus(), Qt::Key_Return);
    EXPECT_EQ(cartesDeLaTable(store()),
              (std::vector<std::string>{"1:un:", "3:trois:", "5:cinq:", "2:deux bis:"}));
    // Back to the list, compared again; the spent button is passed over.
    ASSERT_EQ(focus(), d->differences());
    EXPECT_EQ(lignesDe(*d), QStringList{"\u2212 5 « cinq »"});
    tab();
    tab();
    tab();
    EXPECT_EQ(focus(), d->revenir());
    tab();
    EXPECT_EQ(focus(), d->fermer());
    QTest::keyClick(focus(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(VersionsPrecedentes, everyControl_isNamedForScreenReaders) {
    troisVersions();
    auto d = ouvrirDialogue();
    d->versions()->setCurrentRow(0);
    QStringList sansNom;
    for (QWidget* w : d->findChildren<QWidget*>()) {
        if (w->isWindow() || w->focusPolicy() == Qt::NoFocus) continue;
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
        if (i == nullptr || i->text(QAccessible::Name).trimmed().isEmpty()) sansNom << w->objectName();
    }
    EXPECT_TRUE(sansNom.isEmpty()) << sansNom.join(", ").toStdString();
    const auto nom = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    EXPECT_EQ(nom(d->versions()), "versions de la base");
    EXPECT_EQ(nom(d->differences()), "fiches différentes");
    EXPECT_EQ(nom(d->texteAutre()), "fiche de la version");
    EXPECT_EQ(nom(d->texteOuverte()), "fiche de la base ouverte");
    EXPECT_EQ(nom(d->recuperer()), "récupérer les fiches choisies");
    EXPECT_EQ(nom(d->revenir()), "revenir à cette version");
    // The summary is read out in words, not as signs.
    EXPECT_EQ(nom(d->resume()), "comparaison : 2 seulement dans la version, 1 seulement dans la base ouverte, 0 changées");
    EXPECT_EQ(d->modele()->index(0).data(Qt::AccessibleTextRole).toString(), "fiche 3 « trois encore », ajoutée");
}

TEST_F(VersionsPrecedentes, reading_showsItsProgressOnlyAfterTheDelay_andCanBeStopped) {
    troisVersions();
    auto d = ouvrirDialogue();
    // A reading stopped at once by "Annuler": nothing compared, nothing changed.
    d->setDelaiProgression(0);
    enAnnulantLaProgression([&d] {
        d->versions()->setCurrentRow(2);
        return 0;
    });
    EXPECT_FALSE(d->compare());
    EXPECT_EQ(d->resume()->text(), "lecture interrompue");
    EXPECT_FALSE(d->revenir()->isEnabled());
    // Enter on the line reads it again; a reading shorter than the delay shows no dialog.
    d->setDelaiProgression(DialogueVersions::kDelaiProgression);
    bool montre = false;
    QTimer guet;
    QObject::connect(&guet, &QTimer::timeout, [&montre] {
        for (QWidget* w : QApplication::topLevelWidgets()) montre |= qobject_cast<QProgressDialog*>(w) && w->isVisible();
    });
    guet.start(0);
    QTest::keyClick(d->versions(), Qt::Key_Return);
    ASSERT_TRUE(d->compare());
    EXPECT_EQ(d->resume()->text().toStdString(), reference(kA, kD).resume);
    EXPECT_FALSE(montre);
}

// "tout choisir" by its key then recovery gives the base that choosing each card by hand gives;
// the legend and the count chosen say it in words.
TEST_F(VersionsPrecedentes, chooseAll_thenRecovery_equalsChoosingEach_legendAndCountInWords) {
    troisVersions();
    std::mt19937 g(44);
    const auto auHasard = [&g](std::size_t n) {
        std::vector<CarteTest> t;
        for (std::size_t i = 0; i < n; ++i) {
            t.push_back({static_cast<int32_t>(g() % 7), std::string(1 + g() % 2, 'a' + static_cast<char>(g() % 3)), "", ""});
        }
        return t;
    };
    auto d = ouvrirDialogue();
    d->versions()->setCurrentRow(0);  // C against D
    EXPECT_EQ(d->legende()->text(), "+ 2 fiches ajoutées, − 1 retirée, ~ 0 modifiée");
    for (int essai = 0; essai < 12; ++essai) {
        SCOPED_TRACE(essai);
        const std::vector<CarteTest> ouverte = auHasard(g() % 8);
        const std::string fichier = chemin(QStringLiteral("tout%1.dat").arg(essai));
        ecrireOctets(fichier, octetsBase(auHasard(g() % 8)));
        const auto comparerAvec = [&] {
            remplir(ouverte);
            // Another line first, so that the file is read and compared again.
            d->versions()->setCurrentRow(0);
            plateforme.fichiers.push_back(fichier);
            d->comparerAutreClick();
            ASSERT_TRUE(d->compare());
        };
        comparerAvec();
        std::size_t aPrendre = 0;
        for (int i = 0; i < d->modele()->rowCount(); ++i) {
            aPrendre += (d->modele()->flags(d->modele()->index(i)) & Qt::ItemIsUserCheckable) != 0;
        }
        if (aPrendre == 0) continue;
        // One by one.
        for (int i = 0; i < d->modele()->rowCount(); ++i) d->modele()->setData(d->modele()->index(i), Qt::Checked, Qt::CheckStateRole);
        d->recuperer()->click();
        const std::vector<std::string> unParUn = cartesDeLaTable(store());
        // All at once, by the keys; "ne rien choisir" first undoes a choice.
        comparerAvec();
        d->modele()->setData(d->modele()->index(0), Qt::Checked, Qt::CheckStateRole);
        QTest::keyClick(d.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(d->modele()->nombreChoisies(), 0u);
        EXPECT_EQ(d->nombreChoisies()->text(), "0 fiche choisie");
        d->versions()->setFocus();
        QTest::keyClick(d.get(), Qt::Key_T, Qt::AltModifier);
        // The mnemonic clicks a moment later.
        for (int i = 0; i < 50 && d->modele()->nombreChoisies() != aPrendre; ++i) QTest::qWait(20);
        EXPECT_EQ(d->modele()->nombreChoisies(), aPrendre);
        EXPECT_EQ(d->nombreChoisies()->text(),
                  aPrendre > 1 ? QStringLiteral("%1 fiches choisies").arg(aPrendre) : QStringLiteral("1 fiche choisie"));
        d->recuperer()->click();
        EXPECT_EQ(cartesDeLaTable(store()), unParUn);
    }
}

}  // namespace
