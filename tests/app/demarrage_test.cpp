// Start-up: the configuration file of the start directory, the base it remembers, and the
// configuration written back at quit.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>
#include <optional>

#include "ui/liste_fiches.h"
#include "core/textes.h"
#include "tests/app/commandes_bases.h"
#include "tests/support/carte.h"
#include "tests/support/ignorer.h"
#include "tests/support/repertoire_courant.h"
#include "tests/support/fenetre_commune.h"
#include "ui/memo.h"

namespace {

const char* const kCreation =
    textes::kCreationRepertoireImages;

std::string avec(const char* modele, const std::string& chemin) {
    std::string texte = modele;
    texte.replace(texte.find("%s"), 2, chemin);
    return texte;
}

// Sets the immutable flag on a file for the life of the object.
struct Immuable {
    explicit Immuable(const std::string& chemin) : chemin(chemin) { pose = changer(true); }
    ~Immuable() {
        if (pose) changer(false);
    }
    bool changer(bool mettre) const {
        const int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        int drapeaux = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &drapeaux) == 0;
        if (ok) {
            drapeaux = mettre ? (drapeaux | FS_IMMUTABLE_FL) : (drapeaux & ~FS_IMMUTABLE_FL);
            ok = ioctl(fd, FS_IOC_SETFLAGS, &drapeaux) == 0;
        }
        close(fd);
        return ok;
    }
    std::string chemin;
    bool pose = false;
};

class Demarrage : public FenetreTest {
protected:
    void SetUp() override {
        FenetreTest::SetUp();
        // The start directory is the working directory the process has when it starts.
        repertoireCourant.emplace(dossier.path().toStdString());
        ASSERT_TRUE(repertoireCourant->ok());
        depart = dossier.path().toStdString();
        ini = depart + "/brevandoux.ini";
    }
    void TearDown() override {
        repertoireCourant.reset();
        FenetreTest::TearDown();
    }

    // A fresh window, started as the program starts it.
    void demarrer() {
        fenetre = std::make_unique<TForm1>(plateforme);
        brancherFenetre(*fenetre, plateforme);
        fenetre->FormCreate();
    }

    void ecrireOctets(const std::string& chemin, const std::string& octets) {
        QFile f(QString::fromStdString(chemin));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << chemin;
        ASSERT_EQ(f.write(octets.data(), static_cast<qint64>(octets.size())),
                  static_cast<qint64>(octets.size()));
    }
    std::string lireOctets(const std::string& chemin) {
        QFile f(QString::fromStdString(chemin));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << chemin;
        const QByteArray b = f.readAll();
        return std::string(b.constData(), static_cast<std::size_t>(b.size()));
    }

    // A base file holding these cards.
    std::string ecrireBase(const QString& nom, const std::vector<CarteTest>& cartes) {
        std::string octets;
        for (const CarteTest& c : cartes) {
            const Fiche f = carte(c.numero, c.titre, c.description, c.image);
            octets.append(reinterpret_cast<const char*>(&f), sizeof f);
        }
        const std::string chemin = this->chemin(nom);
        ecrireOctets(chemin, octets);
        return chemin;
    }

    void ecrireIni(const std::string& contenu) { ecrireOctets(ini, contenu); }

    std::optional<RepertoireCourant> repertoireCourant;
    std::string depart;
    std::string ini;
};

TEST_F(Demarrage, firstStartWithoutConfiguration_tellsShowsBlankCardZeroAndCannotSaveAtQuit) {
    demarrer();
    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"message", "brevandoux",
                                   "le fichier de configuration " + ini +
                                       " n'a pas été trouvé.   ou est sur un disque protégé en "
                                       "écriture"}}));
    EXPECT_EQ(store().derniere, 0);
    EXPECT_EQ(store().courante, 0);
    EXPECT_EQ(fenetre->numero()->text(), "0");
    EXPECT_EQ(fenetre->titre()->text(), "");
    EXPECT_EQ(fenetre->total()->text(), "0");
    EXPECT_EQ(fenetre->position()->text(), "0");
    EXPECT_EQ(fenetre->chemin()->text(), "");
    EXPECT_TRUE(store().cheminBase.empty());
    EXPECT_EQ(store().baseNommee, 0);
    EXPECT_TRUE(proche(couleurCadre(), QColor(200, 200, 200)));

    plateforme.oublier();
    EXPECT_TRUE(commandes(*fenetre).quitter());
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"message", "brevandoux",
                                                      textes::kConfigurationNonSauvee}}));
    // The configuration file is never created by the program.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ini)));
}

TEST_F(Demarrage, rememberedBase_isOpenedBoundAndListedWithItsPictureDirectoryCreated) {
    ecrireImage("chat.jpg", Qt::red);
    const std::string base = ecrireBase("chats.dat", {{4, "Chat", "ligne 1\r\nligne 2", ""},
                                                      {9, "Tigre", "", ""},
                                                      {2, "Lynx", "", ""}});
    ecrireIni("[setup]\r\nautoload=" + base + "\r\n");
    demarrer();

    const std::string repertoire = depart + "/chats.rep";
    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"message", "brevandoux", avec(kCreation, repertoire)}}));
    EXPECT_TRUE(QDir(QString::fromStdString(repertoire)).exists());
    EXPECT_EQ(store().repertoireImages.str(), repertoire);
    EXPECT_EQ(store().derniere, 2);
    EXPECT_EQ(store().courante, 0);
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 3);
    EXPECT_TRUE(fenetre->savemybase()->isEnabled());
    EXPECT_EQ(store().baseNommee, 1);
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(fenetre->chemin()->text(), QString::fromStdString(base));
    EXPECT_EQ(fenetre->numero()->text(), "4");
    EXPECT_EQ(fenetre->titre()->text(), "Chat");
    EXPECT_EQ(fenetre->description()->toPlainText(), "ligne 1\nligne 2");
    EXPECT_EQ(fenetre->total()->text(), "2");
}

TEST_F(Demarrage, rememberedBaseWithItsPictureDirectory_opensWithoutNoticeAndShowsThePicture) {
    ASSERT_TRUE(QDir(dossier.path()).mkdir("chats.rep"));
    ecrireImage("chats.rep/chat.jpg", Qt::blue);
    const std::string base = ecrireBase("chats.dat", {{1, "Chat", "", "\\chat.jpg"}});
    ecrireIni("[setup]\nautoload=" + base + "\n");
    demarrer();
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(store().baseNommee, 1);
    EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
}

TEST_F(Demarrage, chargerAutoloadOverUnsavedCards_replacesThemOrLeavesEverythingAsItWas) {
    // The open and save-as commands run it too, over a table the user has been changing.
    const std::string base = ecrireBase("chats.dat", {{5, "Chat", "", ""}, {6, "Tigre", "", ""}});
    ecrireBase("MAJ.DAT", {{5, "Chat", "", ""}});
    ASSERT_TRUE(QDir(dossier.path()).mkdir("chats.rep"));
    struct Cas {
        std::string chemin;
        bool ouvre;
    };
    for (const Cas& c : {Cas{chemin("MAJ.DAT"), false}, Cas{base, true}}) {
        SCOPED_TRACE(c.chemin);
        remplir({{1, "brouillon", "", ""}});
        store().modifiee = 1;
        store().repertoireImages.vider();
        store().cheminBase.affecter(c.chemin);
        fenetre->chargerAutoload();
        EXPECT_EQ(store().modifiee, c.ouvre ? 0 : 1);
        EXPECT_EQ(store().baseNommee, c.ouvre ? 1 : 0);
        EXPECT_EQ(store().derniere, c.ouvre ? 1 : 0);
        EXPECT_EQ(texteChamp(store().fiches[0].titre), c.ouvre ? "Chat" : "brouillon");
        EXPECT_EQ(store().repertoireImages.empty(), !c.ouvre);
    }
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Demarrage, rememberedPathNotAnOpenableBase_opensNothingSilentlyAndShowsThePath) {
    ecrireBase("MAJ.DAT", {{1, "Chat", "", ""}});
    ecrireBase(".cachee.dat", {{1, "Chat", "", ""}});
    ecrireBase("texte.txt", {{1, "Chat", "", ""}});
    ASSERT_TRUE(QDir(dossier.path()).mkdir("dossier.dat"));
    const std::string cas[] = {
        chemin("MAJ.DAT"),      // the extension test counts letter case
        chemin("absente.dat"),  // no such file
        chemin(".cachee.dat"),  // a hidden file
        chemin("dossier.dat"),  // a directory
        chemin("texte.txt"),    // not a .dat path at all
        "dat",                  // shorter than the extension it needs
    };
    for (const std::string& chemin : cas) {
        SCOPED_TRACE(chemin);
        plateforme.oublier();
        ecrireIni("[setup]\r\nautoload=" + chemin + "\r\n");
        demarrer();
        EXPECT_TRUE(plateforme.boites.empty());
        EXPECT_EQ(fenetre->chemin()->text(), QString::fromStdString(chemin));
        EXPECT_EQ(store().cheminBase.str(), chemin);
        EXPECT_EQ(store().baseNommee, 0);
        EXPECT_TRUE(store().repertoireImages.empty());
        EXPECT_FALSE(fenetre->savemybase()->isEnabled());
        EXPECT_EQ(fenetre->medialist()->nombreLignes(), 0);
        EXPECT_EQ(fenetre->titre()->text(), "");
    }
    // No picture directory appeared beside any of them.
    EXPECT_TRUE(QDir(dossier.path()).entryList({"*.rep"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST_F(Demarrage, configurationWithoutSectionOrKey_opensNothingAndGetsTheKeyAtQuit) {
    struct Cas {
        const char* nom;
        std::string avant;
        std::string apres;  // with /b/nouveau.dat remembered at quit
    };
    const Cas cas[] = {
        {"empty file", "", "[setup]\nautoload=/b/nouveau.dat\n"},
        {"other section only", "[autre]\r\nautoload=x.dat\r\n",
         "[autre]\r\nautoload=x.dat\r\n[setup]\r\nautoload=/b/nouveau.dat\r\n"},
        {"section without the key", "[setup]\r\nlangue=fr\r\n\r\n[fin]\r\n",
         "[setup]\r\nlangue=fr\r\nautoload=/b/nouveau.dat\r\n\r\n[fin]\r\n"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        plateforme.oublier();
        ecrireIni(c.avant);
        demarrer();
        EXPECT_TRUE(plateforme.boites.empty());
        EXPECT_TRUE(store().cheminBase.empty());
        EXPECT_EQ(fenetre->chemin()->text(), "");
        EXPECT_EQ(store().baseNommee, 0);
        // As the open command leaves it after binding another base.
        store().cheminBase.affecter("/b/nouveau.dat");
        EXPECT_TRUE(commandes(*fenetre).quitter());
        EXPECT_TRUE(plateforme.boites.empty());
        EXPECT_EQ(lireOctets(ini), c.apres);
    }
}

TEST_F(Demarrage, readOnlyConfiguration_losesItsReadOnlyBitAtStartAndIsUpdatedAtQuit) {
    ecrireIni("[setup]\nautoload=\n");
    ASSERT_EQ(chmod(ini.c_str(), 0444), 0);
    demarrer();
    struct stat st;
    ASSERT_EQ(stat(ini.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    store().cheminBase.affecter("/b/x.dat");
    EXPECT_TRUE(commandes(*fenetre).quitter());
    EXPECT_EQ(lireOctets(ini), "[setup]\nautoload=/b/x.dat\n");
    EXPECT_TRUE(plateforme.boites.empty());
}

TEST_F(Demarrage, quitOnRealWorldConfigurations_changesOnlyTheAutoloadLine) {
    struct Cas {
        const char* nom;
        std::string avant;   // the text before the changed line
        std::string ligne;   // the autoload line as the user left it
        std::string apres;   // the text after it
        std::string nouvelle;  // what the line becomes
    };
    const std::string v = "/home/anne/bases/films 2.dat";
    const Cas cas[] = {
        {"comments and other sections, CR LF",
         "; Brevandoux\r\n# réglages\r\n[fenetre]\r\nx=10\r\n\r\n[setup]\r\n; la base\r\n",
         "autoload=/ancien/chemin.dat\r\n", "plein=oui\r\n\r\n[impression]\r\npolice=Arial\r\n",
         "autoload=" + v + "\r\n"},
        {"odd spacing and letter case",
         "\t[ SETUP ]  \n", "  AutoLoad = vieux.dat   \n", "[setup]\nautoload=second.dat\n",
         "  AutoLoad = " + v + "   \n"},
        {"no final line ending", "[setup]\r\n", "autoload=a.dat", "", "autoload=" + v},
        {"empty value with trailing blanks", "[x]\n[setup]\n", "autoload=   \n", "; fin\n",
         "autoload=" + v + "\n"},
        {"byte order mark", "\xEF\xBB\xBF[setup]\r\n", "autoload=b.dat\r\n", "",
         "autoload=" + v + "\r\n"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        plateforme.oublier();
        ecrireIni(c.avant + c.ligne + c.apres);
        demarrer();
        EXPECT_TRUE(plateforme.boites.empty());
        store().cheminBase.affecter(v);
        EXPECT_TRUE(commandes(*fenetre).quitter());
        EXPECT_EQ(lireOctets(ini), c.avant + c.nouvelle + c.apres);
    }
}

TEST_F(Demarrage, rememberedPathFromAnOddlySpacedFile_isReadWithoutItsBlanks) {
    const std::string base = ecrireBase("chats.dat", {{1, "Chat", "", ""}});
    ecrireIni("; commentaire\r\n[autre]\r\nautoload=faux.dat\r\n  [Setup]\r\n  AUTOLOAD\t=  " + base +
              "  \r\n");
    ASSERT_TRUE(QDir(dossier.path()).mkdir("chats.rep"));
    demarrer();
    EXPECT_EQ(store().cheminBase.str(), base);
    EXPECT_EQ(store().baseNommee, 1);
    EXPECT_EQ(fenetre->titre()->text(), "Chat");
}

TEST_F(Demarrage, rememberedBaseThatCannotBeOpenedForWriting_isReportedAndNotBound) {
    const std::string base = ecrireBase("chats.dat", {{1, "Chat", "", ""}});
    ASSERT_TRUE(QDir(dossier.path()).mkdir("chats.rep"));
    // Root opens any file for writing whatever its mode; an immutable one it cannot.
    Immuable immuable(base);
    if (!immuable.pose) IGNORER("le système de fichiers ne peut pas rendre un fichier immuable (droits de root nécessaires)");
    ecrireIni("[setup]\nautoload=" + base + "\n");
    fenetre = std::make_unique<TForm1>(plateforme);
    brancherFenetre(*fenetre, plateforme);
    store().modifiee = 1;
    fenetre->FormCreate();
    EXPECT_EQ(plateforme.boites,
              (std::vector<Boite>{{"message", "brevandoux", base + " non trouvé"}}));
    EXPECT_EQ(store().baseNommee, 0);
    EXPECT_EQ(store().modifiee, 1);
    EXPECT_FALSE(fenetre->savemybase()->isEnabled());
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 0);
    EXPECT_EQ(fenetre->titre()->text(), "");
    EXPECT_EQ(fenetre->chemin()->text(), QString::fromStdString(base));
}

TEST_F(Demarrage, missingPlaceholder_goesToTheErrorDisplayAndTheWindowStaysUsable) {
    ASSERT_TRUE(QFile::remove(dossier.filePath("rien.jpg")));
    ASSERT_TRUE(QDir(dossier.path()).mkdir("chats.rep"));
    ecrireImage("chats.rep/tigre.jpg", Qt::red);
    const std::string base =
        ecrireBase("chats.dat", {{1, "Chat", "sans image", ""}, {2, "Tigre", "", "\\tigre.jpg"}});
    ecrireIni("[setup]\nautoload=" + base + "\n");
    demarrer();
    ASSERT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(plateforme.boites[0].genre, "erreur");
    EXPECT_NE(plateforme.boites[0].texte.find(depart + "/rien.jpg"), std::string::npos)
        << plateforme.boites[0].texte;
    // The texts come before the picture, so the card is on display.
    EXPECT_EQ(fenetre->titre()->text(), "Chat");
    EXPECT_EQ(fenetre->medialist()->nombreLignes(), 2);

    plateforme.oublier();
    fenetre->UpDownClick(true);
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_EQ(fenetre->titre()->text(), "Tigre");
    EXPECT_TRUE(proche(couleurCadre(), Qt::red));
}

TEST_F(Demarrage, startDirectoryTooLongForItsBuffer_isRefusedWithAMessage) {
    // Nested so that the whole path passes 255 bytes while each name stays legal.
    QString relatif;
    for (int i = 0; i < 6; ++i) relatif += QString(50, QChar('a' + i)) + "/";
    ASSERT_TRUE(QDir(dossier.path()).mkpath(relatif));
    const QString long_ = dossier.filePath(relatif.chopped(1));
    ASSERT_GT(long_.toLocal8Bit().size(), 255);
    ASSERT_EQ(chdir(long_.toLocal8Bit().constData()), 0);
    // A configuration there names a base that exists: neither may be read through a path
    // that is not the start directory's.
    const std::string iniLong = (long_ + "/brevandoux.ini").toStdString();
    const std::string contenuIni = "[setup]\nautoload=x.dat\n";
    ecrireOctets(iniLong, contenuIni);
    ecrireOctets((long_ + "/x.dat").toStdString(), std::string(sizeof(Fiche), '\0'));
    fenetre = std::make_unique<TForm1>(plateforme);
    brancherFenetre(*fenetre, plateforme);
    fenetre->FormCreate();
    ASSERT_EQ(plateforme.boites.size(), 1u);
    EXPECT_EQ(plateforme.boites[0].genre, "message");
    EXPECT_TRUE(plateforme.boites[0].texte.starts_with("le répertoire de départ " +
                                                       long_.toStdString() + " est trop long"));
    EXPECT_TRUE(store().repertoireDepart.empty());
    EXPECT_TRUE(store().cheminBase.empty());
    EXPECT_EQ(store().baseNommee, 0);

    plateforme.oublier();
    store().cheminBase.affecter("/b/autre.dat");
    EXPECT_TRUE(commandes(*fenetre).quitter());
    EXPECT_EQ(plateforme.textes("message"),
              std::vector<std::string>{textes::kConfigurationNonSauvee});
    EXPECT_EQ(lireOctets(iniLong), contenuIni);
}

}  // namespace

TEST_F(Demarrage, optionsChoiceInTheConfiguration_showsTheItemChecked_andIsWrittenOnlyOnceChanged) {
    const struct {
        QAction* (TForm1::*item)() const;
        const char* cle;
        const char* coche;
        const char* decoche;
        bool MagasinFiches::*valeur;
    } options[] = {
        {&TForm1::rechercheSansAccents1, "accents", "ignorer", "respecter", &MagasinFiches::sansAccents},
        {&TForm1::agrandirlalisteetladescriptionaveclafenetre1, "fenetre", "agrandie", "fixe",
         &MagasinFiches::fenetreAgrandie},
        {&TForm1::couleurscontrastees1, "couleurs", "contrastees", "decrites", &MagasinFiches::couleursContrastees},
        {&TForm1::apercuavantimpression1, "apercu", "oui", "non", &MagasinFiches::apercuImpression},
    };
    for (const auto& o : options) {
        for (const bool coche : {true, false}) {
            SCOPED_TRACE(std::string(o.cle) + (coche ? " coché" : " décoché"));
            const auto ligne = [&](bool valeur) {
                return std::string("[setup]\nautoload=\n") + o.cle + "=" + (valeur ? o.coche : o.decoche) + "\n";
            };
            ecrireIni(ligne(coche));
            demarrer();
            EXPECT_EQ(((*fenetre).*o.item)()->isChecked(), coche);
            EXPECT_EQ(store().*o.valeur, coche);
            EXPECT_TRUE(commandes(*fenetre).quitter());
            EXPECT_EQ(lireOctets(ini), ligne(coche)) << "shown as remembered, not chosen again";

            demarrer();
            ((*fenetre).*o.item)()->trigger();
            EXPECT_EQ(store().*o.valeur, !coche);
            EXPECT_TRUE(commandes(*fenetre).quitter());
            EXPECT_EQ(lireOctets(ini), ligne(!coche));
        }
    }
}

TEST_F(Demarrage, windowRememberedGrown_growsTheListFromTheStart) {
    ecrireIni("[setup]\nautoload=\nfenetre=agrandie\n");
    demarrer();
    const QRect liste = fenetre->medialist()->geometry();
    fenetre->show();
    fenetre->resize(fenetre->size() + QSize(200, 100));
    QCoreApplication::processEvents();
    // The list keeps the right edge and the bottom at the window's, and grows; the card too.
    const QRect apres = fenetre->medialist()->geometry();
    EXPECT_EQ(apres.right(), liste.right() + 200);
    EXPECT_EQ(apres.height(), liste.height() + 100);
    EXPECT_GT(apres.width(), liste.width());
    EXPECT_GT(fenetre->findChild<QWidget*>("GroupBox1")->width(), 198);
}
