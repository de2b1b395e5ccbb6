// Hostile bases and pictures met through the window: fields without a terminating zero,
// control characters, picture names that try to lead out of the picture directory, damaged
// or gigantic pictures, directories and fifos named like pictures, and a disk that runs out of
// room under the picture directory, the base or the configuration file. Each gives a defined
// French message or a defined skip, and the window goes on working.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <atomic>
#include <cstring>
#include <chrono>
#include <random>
#include <thread>

#include "core/services.h"
#include "core/textes.h"
#include "ui/liste_fiches.h"
#include "tests/support/disque_plein.h"
#include "tests/support/ignorer.h"
#include "tests/support/fenetre_commune.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"

namespace {

std::string lireTout(const std::string& chemin) {
    QFile f(QString::fromStdString(chemin));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

void ecrireTout(const std::string& chemin, const QByteArray& octets) {
    QFile f(QString::fromStdString(chemin));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << chemin;
    ASSERT_EQ(f.write(octets), octets.size());
}

std::string brut(const Fiche& f) { return std::string(reinterpret_cast<const char*>(&f), sizeof f); }

QByteArray encoder(const QImage& image, const char* format, bool progressif = false) {
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, format);
    if (progressif) ecrivain.setProgressiveScanWrite(true);
    EXPECT_TRUE(ecrivain.write(image)) << format;
    return octets;
}

QImage unie(QSize taille, QColor couleur) {
    QImage img(taille, QImage::Format_RGB32);
    img.fill(couleur);
    return img;
}

// Where the frame header (SOF0, SOF1 or SOF2) of a JPEG starts, found by walking the
// segments; -1 when there is none.
qsizetype debutTrame(const QByteArray& o) {
    qsizetype p = 2;
    while (p + 4 <= o.size() && static_cast<unsigned char>(o[p]) == 0xFF) {
        const auto type = static_cast<unsigned char>(o[p + 1]);
        if (type == 0xC0 || type == 0xC1 || type == 0xC2) return p;
        const int longueur = static_cast<unsigned char>(o[p + 2]) * 256 + static_cast<unsigned char>(o[p + 3]);
        p += 2 + longueur;
    }
    return -1;
}

// The reasons a picture load may give; all French.
bool raisonConnue(const std::string& raison) {
    static const char* const connues[] = {
        "le fichier JPEG est tronqué ou endommagé",
        "ce n'est pas une image JPEG valide",
        "ce type de JPEG n'est pas pris en charge",
        "l'image est trop grande",
        "ce n'est pas une image bmp valide",
        "ce n'est pas une image ico valide",
        "mémoire insuffisante",
    };
    for (const char* c : connues) {
        if (raison.rfind(c, 0) == 0) return true;
    }
    return false;
}

class Hostile : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        store().imageDefaut.affecter(ecrireImage("rien.jpg", Qt::gray));
        ecrireImage("base.rep/bon.jpg", Qt::green);
        // A picture outside the picture directory, which no stored name may reach.
        dehors = ecrireImage("dehors.jpg", Qt::red);
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }

    // Clicks as the user does, so that an error leaving a handler reaches the standard error
    // display through the event loop, as it does in the program.
    void cliquer(QPushButton* bouton) { QTest::mouseClick(bouton, Qt::LeftButton); }

    // The window goes on: the first card shows, with its picture, and nothing is reported.
    void continueDeMarcher() {
        const std::size_t avant = plateforme.boites.size();
        cliquer(fenetre->debut());
        EXPECT_EQ(store().courante, 0);
        EXPECT_EQ(fenetre->titre()->text(), "bon");
        EXPECT_TRUE(proche(couleurCadre(), Qt::green)) << couleurCadre().name().toStdString();
        EXPECT_EQ(plateforme.boites.size(), avant);
    }

    // Card 0 shows the good picture; card 1, the last one, carries the hostile name.
    void deuxCartes(const std::string& nom) {
        remplir({{1, "bon", "", "\\bon.jpg"}, {2, "hostile", "texte", nom}});
        fenetre->remplirListe();
    }

    // The path the notice of a missing picture shows for a stored name.
    std::string affiche(const std::string& nom) const {
        return nom.starts_with('\\') ? repertoire + "/" + nom.substr(1) : repertoire + nom;
    }

    std::string dehors;
};

TEST_F(Hostile, hostileBase_fieldsWithoutZero_loadShowListSearchAndSortWithoutOverrun) {
    // Three cards whose every field is full: titles differ by their last byte only, each
    // description ends with "XY" and each picture name begins with a backslash, so that a
    // read past a field would find text that is not in it.
    std::string octets;
    const char derniers[] = {'S', 'Q', 'R'};
    for (int i = 0; i < 3; ++i) {
        Fiche f;
        f.numero = 10 + i;
        std::memset(f.titre, 'T', sizeof f.titre);
        f.titre[255] = derniers[i];
        std::memset(f.description, 'd', sizeof f.description);
        f.description[510] = 'X';
        f.description[511] = 'Y';
        f.image[0] = '\\';
        std::memset(f.image + 1, 'p', sizeof f.image - 1);
        octets += brut(f);
    }
    const std::string base = FenetreTest::chemin("pleine.dat");
    ecrireTout(base, QByteArray::fromStdString(octets));
    plateforme.fichiers.push_back(base);
    cliquer(fenetre->ouvrir());
    // Opening binds the picture directory of that base.
    repertoire = FenetreTest::chemin("pleine.rep");
    ASSERT_EQ(store().repertoireImages.str(), repertoire);

    ASSERT_EQ(store().derniere, 2);
    const QString titre = QString(255, 'T') + 'S';
    EXPECT_TRUE(titre.startsWith(fenetre->titre()->text()));
    EXPECT_GE(fenetre->titre()->text().size(), 255);
    EXPECT_EQ(fenetre->description()->toPlainText(), QString(510, 'd') + "XY");
    EXPECT_EQ(fenetre->medialist()->texteLigne(1), "11 " + QString(255, 'T') + 'Q');
    // The picture name fills its field: its path does not fit a path buffer, and it is
    // reported missing rather than cut to another name.
    const std::string nomImage = "\\" + std::string(255, 'p');
    const std::vector<std::string> messages = plateforme.textes("message");
    EXPECT_NE(std::find(messages.begin(), messages.end(), " " + affiche(nomImage) + " non disponible"),
              messages.end());

    // The search sees each field up to its end and no further.
    struct Cas {
        const char* motif;
        int trouvees;
    };
    for (const Cas& c : {Cas{"tq", 1}, Cas{"ddxy", 3}, Cas{"xy\\", 0}, Cas{"sd", 0}, Cas{"ttr", 1},
                         Cas{"pp", 0}}) {
        SCOPED_TRACE(c.motif);
        fenetre->expression()->setText(c.motif);
        cliquer(fenetre->goButton());
        EXPECT_EQ(fenetre->medialist()->nombreLignes(), c.trouvees);
    }

    // Sorting by title orders them by their last byte.
    cliquer(fenetre->trialfa());
    EXPECT_EQ(store().fiches[0].titre[255], 'Q');
    EXPECT_EQ(store().fiches[1].titre[255], 'R');
    EXPECT_EQ(store().fiches[2].titre[255], 'S');

    // Saved back, the cards keep every byte.
    store().cheminBase.affecter(base);
    store().baseNommee = 1;
    store().modifiee = 1;
    fenetre->savemybase()->setEnabled(true);
    cliquer(fenetre->savemybase());
    const std::string relu = lireTout(base);
    ASSERT_EQ(relu.size(), octets.size());
    EXPECT_EQ(relu.substr(0, sizeof(Fiche)), octets.substr(sizeof(Fiche), sizeof(Fiche)));
    EXPECT_TRUE(plateforme.textes("erreur").empty());
}

TEST_F(Hostile, hostileBase_descriptionOfControlCharacters_isShownAndEditedWithinItsField) {
    // 512 control bytes without a zero, the unassigned Windows-1252 codes in the title.
    Fiche f;
    f.numero = 3;
    for (std::size_t k = 0; k < sizeof f.description; ++k) {
        f.description[k] = static_cast<char>(1 + k % 31);
    }
    ecrireChamp(f.titre, "\x81\x8D\x8F\x90\x9D\x7F\x01\x1B\t");
    f.image[0] = '\0';
    Fiche bon{};
    bon.numero = 1;
    ecrireChamp(bon.titre, "bon");
    ecrireChamp(bon.image, "\\bon.jpg");
    const std::string base = FenetreTest::chemin("controle.dat");
    ecrireTout(base, QByteArray::fromStdString(brut(bon) + brut(f)));
    // The picture directory the base will be bound to, with its picture.
    repertoire = FenetreTest::chemin("controle.rep");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(repertoire)));
    ecrireImage("controle.rep/bon.jpg", Qt::green);
    plateforme.fichiers.push_back(base);
    cliquer(fenetre->ouvrir());
    ASSERT_EQ(store().derniere, 1);

    cliquer(fenetre->fin());
    EXPECT_EQ(store().courante, 1);
    EXPECT_FALSE(fenetre->description()->toPlainText().isEmpty());

    // Modified and validated as it stands: its lone CR and LF become CR LF pairs, which no
    // longer fit the field. Nothing is cut behind the user's back: they are told, and stay
    // in edit mode with the card unchanged.
    cliquer(fenetre->modif());
    ASSERT_FALSE(fenetre->valider()->isHidden());
    const Fiche avant = store().fiches[1];
    plateforme.oublier();
    cliquer(fenetre->valider());
    ASSERT_EQ(plateforme.textes("message").size(), 1u);
    EXPECT_NE(plateforme.textes("message")[0].find("la description compte"), std::string::npos);
    EXPECT_FALSE(fenetre->valider()->isHidden());
    EXPECT_EQ(std::memcmp(&avant, &store().fiches[1], sizeof avant), 0);
    // The user shortens it; then the texts come back within their fields.
    QTextCursor fin = fenetre->description()->textCursor();
    fin.movePosition(QTextCursor::End);
    fin.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 80);
    fin.removeSelectedText();
    cliquer(fenetre->valider());
    EXPECT_TRUE(fenetre->valider()->isHidden());
    const Fiche& apres = store().fiches[1];
    EXPECT_LT(strnlen(apres.description, sizeof apres.description), sizeof apres.description);
    EXPECT_LT(strnlen(apres.titre, sizeof apres.titre), sizeof apres.titre);
    EXPECT_EQ(apres.numero, 3);
    // Line breaks are CR LF pairs in a card, never a lone byte of either.
    const std::string_view d = texteChamp(apres.description);
    for (std::size_t k = 0; k < d.size(); ++k) {
        if (d[k] == '\r') {
            EXPECT_TRUE(k + 1 < d.size() && d[k + 1] == '\n') << k;
        }
        if (d[k] == '\n') {
            EXPECT_TRUE(k > 0 && d[k - 1] == '\r') << k;
        }
    }
    EXPECT_TRUE(plateforme.textes("erreur").empty());
    continueDeMarcher();
}

TEST_F(Hostile, hostilePictureNames_areNeverFollowedOutOfThePictureDirectory) {
    ASSERT_TRUE(QDir(dossier.path()).mkdir("base.rep/sous"));
    ecrireImage("base.rep/sous/x.jpg", Qt::red);
    // A real picture whose name is as long as a file name may be: its path does not fit.
    const std::string longNom = std::string(250, 'n') + ".jpg";
    ecrireImage(QString::fromStdString("base.rep/" + longNom), Qt::red);
    const std::string noms[] = {
        "\\..\\dehors.jpg",
        "\\../dehors.jpg",
        "\\..",
        "\\.",
        "\\" + dehors,
        dehors,
        "/../dehors.jpg",
        "..\\dehors.jpg",
        "\\sous\\x.jpg",
        "\\sous/x.jpg",
        "\\\\serveur\\partage\\dehors.jpg",
        "C:\\dehors.jpg",
        "\\" + longNom,
        "\\" + std::string(254, 'p'),
    };
    for (const std::string& nom : noms) {
        SCOPED_TRACE(nom);
        // Each name on its own: nothing a previous one let in.
        QFile::remove(QString::fromStdString(repertoire + "/dehors.jpg"));
        QFile::remove(QString::fromStdString(repertoire + "/x.jpg"));
        plateforme.oublier();
        deuxCartes(nom);
        cliquer(fenetre->debut());
        cliquer(fenetre->fin());
        EXPECT_EQ(fenetre->titre()->text(), "hostile");
        if (nom.size() < 5) {
            // Too short to be a picture name: the placeholder, without a word.
            EXPECT_TRUE(proche(couleurCadre(), Qt::gray));
            EXPECT_TRUE(plateforme.boites.empty());
        } else {
            EXPECT_TRUE(proche(couleurCadre(), Qt::green)) << "image lue hors du répertoire";
            EXPECT_EQ(plateforme.boites,
                      (std::vector<Boite>{{"message", "brevandoux", " " + affiche(nom) + " non disponible"}}));
        }

        // Modified and validated without a new picture: nothing outside is copied in.
        plateforme.oublier();
        cliquer(fenetre->modif());
        cliquer(fenetre->valider());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(repertoire + "/dehors.jpg")));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(repertoire + "/x.jpg")));
        EXPECT_FALSE(proche(couleurCadre(), Qt::red)) << "image lue hors du répertoire";
        EXPECT_TRUE(plateforme.textes("erreur").empty());
        continueDeMarcher();
    }
}

TEST_F(Hostile, hostilePictureFiles_truncatedOrBitFlipped_loadOrGiveAFrenchError_windowCarriesOn) {
    struct Format {
        const char* extension;
        QByteArray octets;
    };
    const Format formats[] = {
        {"jpg", encoder(unie({64, 40}, Qt::blue), "JPEG")},
        {"jpg", encoder(unie({64, 40}, Qt::blue), "JPEG", true)},
        {"bmp", encoder(unie({30, 20}, Qt::blue), "BMP")},
        {"ico", encoder(unie({32, 32}, Qt::blue), "ICO")},
    };
    std::mt19937 hasard(7);
    int chargees = 0;
    int refusees = 0;
    for (const Format& format : formats) {
        ASSERT_FALSE(format.octets.isEmpty());
        std::vector<QByteArray> variantes;
        const qsizetype n = format.octets.size();
        for (qsizetype t : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(10), n / 4, n / 2, n - 2, n - 1}) {
            variantes.push_back(format.octets.left(t));
        }
        for (int v = 0; v < 120; ++v) {
            QByteArray o = format.octets;
            for (int k = 1 + static_cast<int>(hasard() % 6); k > 0; --k) {
                o[static_cast<qsizetype>(hasard() % static_cast<uint32_t>(n))] ^= static_cast<char>(1 + hasard() % 255);
            }
            variantes.push_back(o);
        }
        const std::string nom = std::string("v.") + format.extension;
        const std::string chemin = repertoire + "/" + nom;
        deuxCartes("\\" + nom);
        for (std::size_t v = 0; v < variantes.size(); ++v) {
            SCOPED_TRACE(std::string(format.extension) + " variante " + std::to_string(v));
            ecrireTout(chemin, variantes[v]);
            cliquer(fenetre->debut());
            plateforme.oublier();
            cliquer(fenetre->fin());
            EXPECT_EQ(fenetre->titre()->text(), "hostile");
            if (plateforme.boites.empty()) {
                ++chargees;
            } else {
                ++refusees;
                ASSERT_EQ(plateforme.boites.size(), 1u);
                ASSERT_EQ(plateforme.boites[0].genre, "erreur");
                const std::string debut = "l'image " + chemin + " n'a pas pu être chargée : ";
                const std::string& texte = plateforme.boites[0].texte;
                ASSERT_EQ(texte.substr(0, debut.size()), debut);
                EXPECT_TRUE(raisonConnue(texte.substr(debut.size()))) << texte;
                // The frame keeps the picture it showed.
                EXPECT_TRUE(proche(couleurCadre(), Qt::green));
            }
            continueDeMarcher();
        }
    }
    // Both outcomes happened: the damage was real, and some of it was harmless.
    EXPECT_GT(refusees, 100);
    EXPECT_GT(chargees, 10);
    RecordProperty("chargees", chargees);
    RecordProperty("refusees", refusees);
}

// The peak resident size of this process (VmHWM), in kB, reset to the current size before a
// step and read after it: what the step itself claimed at its height.
bool remettrePicMemoire() {
    const int fd = open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool fait = write(fd, "5", 1) == 1;
    close(fd);
    return fait;
}
long long champStatusKo(const char* champ) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& ligne : status.readAll().split('\n')) {
        if (ligne.startsWith(champ)) return ligne.mid(static_cast<qsizetype>(std::strlen(champ))).trimmed().split(' ')[0].toLongLong();
    }
    return -1;
}

TEST_F(Hostile, hostilePicture_announcing65000By65000Pixels_isRefusedAtOnce) {
    QByteArray jpeg = encoder(unie({300, 300}, Qt::blue), "JPEG");
    QByteArray progressif = encoder(unie({300, 300}, Qt::blue), "JPEG", true);
    // The frame header (SOF0 or SOF2): precision, then height and width, big-endian.
    for (QByteArray* o : {&jpeg, &progressif}) {
        const qsizetype sof = debutTrame(*o);
        ASSERT_GT(sof, 0);
        for (int k : {5, 7}) {
            (*o)[sof + k] = static_cast<char>(0xFD);
            (*o)[sof + k + 1] = static_cast<char>(0xE8);
        }
    }
    // A bitmap header announcing the same: width and height at offsets 18 and 22.
    QByteArray bmp = encoder(unie({30, 20}, Qt::blue), "BMP");
    for (int k : {18, 22}) {
        const int32_t geant = 65000;
        std::memcpy(bmp.data() + k, &geant, 4);
    }
    const std::pair<const char*, QByteArray> cas[] = {
        {"geant.jpg", jpeg}, {"geant2.jpg", progressif}, {"geant.bmp", bmp}};
    for (const auto& [nom, octets] : cas) {
        SCOPED_TRACE(nom);
        ecrireTout(repertoire + "/" + nom, octets);
        deuxCartes(std::string("\\") + nom);
        cliquer(fenetre->debut());
        plateforme.oublier();
        // Refused from the header, before any pixel is allocated: decoding even an eighth of
        // 65000 x 65000 would take hundreds of megabytes.
        ASSERT_TRUE(remettrePicMemoire());
        const long long avant = champStatusKo("VmRSS:");
        cliquer(fenetre->fin());
        const long long pic = champStatusKo("VmHWM:");
        ASSERT_GT(avant, 0);
        EXPECT_LT(pic - avant, 64 * 1024) << "pic " << pic << " kB, avant " << avant << " kB";
        ASSERT_EQ(plateforme.textes("erreur").size(), 1u);
        const std::string texte = plateforme.textes("erreur")[0];
        if (std::string(nom).ends_with(".jpg")) {
            EXPECT_NE(texte.find("l'image est trop grande (65000 × 65000 pixels)"), std::string::npos) << texte;
        } else {
            // The bitmap reader turns it down without saying why.
            EXPECT_TRUE(texte.ends_with(" : l'image est trop grande") ||
                        texte.ends_with(" : ce n'est pas une image bmp valide"))
                << texte;
        }
        // The error stops at the handler's edge, whoever emitted the signal: nothing is thrown
        // through the toolkit.
        plateforme.oublier();
        EXPECT_NO_THROW(fenetre->fin()->click());
        EXPECT_EQ(plateforme.textes("erreur").size(), 1u);
        continueDeMarcher();
    }
}

// Watches the commands of a test: one that has not returned after two seconds is taken as
// blocked on the fifo, which is then opened for writing to free it, and the hang is counted.
class GardeFifo {
public:
    explicit GardeFifo(std::vector<std::string> tubes) : tubes_(std::move(tubes)), fil_([this] { garder(); }) {}
    ~GardeFifo() {
        fin_ = true;
        fil_.join();
    }
    template <class F>
    void surveiller(F&& commande) {
        debut_ = maintenant();
        commande();
        debut_ = 0;
    }
    int blocages() const { return blocages_; }

private:
    static long long maintenant() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void garder() {
        while (!fin_) {
            const long long debut = debut_;
            if (debut != 0 && maintenant() - debut > 2000) {
                for (const std::string& t : tubes_) {
                    const int fd = open(t.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0) {
                        ++blocages_;
                        close(fd);
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    std::vector<std::string> tubes_;
    std::atomic<bool> fin_{false};
    std::atomic<long long> debut_{0};
    std::atomic<int> blocages_{0};
    std::thread fil_;
};

TEST_F(Hostile, hostilePicture_directoryOrFifoWithAPictureName_isSkippedOrRefused_neverBlocks) {
    const std::string tube = repertoire + "/tube.jpg";
    const std::string repert = repertoire + "/dossier.jpg";
    ASSERT_EQ(mkfifo(tube.c_str(), 0644), 0);
    ASSERT_EQ(mkdir(repert.c_str(), 0755), 0);
    const std::string ailleurs = FenetreTest::chemin("ailleurs");
    ASSERT_EQ(mkdir(ailleurs.c_str(), 0755), 0);
    const std::string tubeAilleurs = ailleurs + "/tube.jpg";
    const std::string repertAilleurs = ailleurs + "/dossier.bmp";
    ASSERT_EQ(mkfifo(tubeAilleurs.c_str(), 0644), 0);
    ASSERT_EQ(mkdir(repertAilleurs.c_str(), 0755), 0);
    GardeFifo garde({tube, tubeAilleurs});

    // Named by a card: not a plain file, so the picture is reported missing.
    for (const std::string nom : {"\\tube.jpg", "\\dossier.jpg"}) {
        SCOPED_TRACE(nom);
        deuxCartes(nom);
        cliquer(fenetre->debut());
        plateforme.oublier();
        garde.surveiller([&] { cliquer(fenetre->fin()); });
        EXPECT_EQ(plateforme.boites,
                  (std::vector<Boite>{{"message", "brevandoux", " " + affiche(nom) + " non disponible"}}));
        EXPECT_TRUE(proche(couleurCadre(), Qt::green));
        continueDeMarcher();
    }

    // Chosen in the picture dialog: the preview refuses it, the copy refuses it, nothing is
    // created in the picture directory.
    struct Cas {
        std::string choisi;
        std::string raisonApercu;
        std::string raisonCopie;
    };
    const Cas cas[] = {
        {tubeAilleurs, textes::kPasUnFichierOrdinaire, textes::kPasUnFichierOrdinaire},
        {repertAilleurs, textes::kPasUnFichierOrdinaire, textes::kEstUnRepertoire},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.choisi);
        deuxCartes("");
        cliquer(fenetre->fin());
        plateforme.oublier();
        cliquer(fenetre->modif());
        plateforme.fichiers.push_back(c.choisi);
        garde.surveiller([&] { cliquer(fenetre->image()); });
        ASSERT_EQ(plateforme.textes("erreur").size(), 1u);
        EXPECT_EQ(plateforme.textes("erreur")[0],
                  "l'image " + c.choisi + " n'a pas pu être chargée : " + c.raisonApercu);
        const std::string nom = c.choisi.substr(c.choisi.rfind('/') + 1);
        plateforme.oublier();
        garde.surveiller([&] { cliquer(fenetre->valider()); });
        const std::vector<std::string> messages = plateforme.textes("message");
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0], "le fichier " + c.choisi + " n'a pas pu être copié vers " + repertoire +
                                   "/" + nom + " : " + c.raisonCopie);
        const QStringList entrees = QDir(QString::fromStdString(repertoire))
                                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        EXPECT_EQ(entrees, (QStringList{"bon.jpg", "dossier.jpg", "tube.jpg"}));
        continueDeMarcher();
    }
    EXPECT_EQ(garde.blocages(), 0);
}

class HostileDisquePlein : public Hostile {
protected:
    void SetUp() override {
        if (!disque.monte()) IGNORER(disque.raison());
        Hostile::SetUp();
    }
    DisquePlein disque;
};

TEST_F(HostileDisquePlein, fullDisk_pictureCopy_frenchMessage_noPartialFileLeft) {
    ASSERT_EQ(mkdir((disque / "base.rep").c_str(), 0755), 0);
    const std::string rep = disque / "base.rep";
    store().repertoireImages.affecter(rep);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(repertoire + "/bon.jpg"), QString::fromStdString(rep + "/bon.jpg")));
    repertoire = rep;
    // 600 kB of picture for 100 kB of room.
    const std::string grande = ecrireImage("grande.bmp", Qt::blue, {500, 400}, "BMP");
    ASSERT_GT(QFileInfo(QString::fromStdString(grande)).size(), 500 * 1024);
    deuxCartes("");
    ASSERT_TRUE(disque.remplir(100 * 1024));

    cliquer(fenetre->fin());
    plateforme.oublier();
    cliquer(fenetre->modif());
    plateforme.fichiers.push_back(grande);
    cliquer(fenetre->image());
    EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
    cliquer(fenetre->valider());
    const std::vector<std::string> messages = plateforme.textes("message");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "le fichier " + grande + " n'a pas pu être copié vers " + rep +
                               "/grande.bmp : le disque est plein");
    EXPECT_EQ(disque.entrees("base.rep"), std::vector<std::string>{"bon.jpg"});
    EXPECT_TRUE(plateforme.textes("erreur").empty());
    continueDeMarcher();

    // With room again, choosing the picture once more files it.
    disque.liberer();
    cliquer(fenetre->fin());
    plateforme.oublier();
    cliquer(fenetre->modif());
    plateforme.fichiers.push_back(grande);
    cliquer(fenetre->image());
    cliquer(fenetre->valider());
    EXPECT_TRUE(plateforme.textes("message").empty());
    EXPECT_EQ(disque.entrees("base.rep"), (std::vector<std::string>{"bon.jpg", "grande.bmp"}));
    EXPECT_TRUE(proche(couleurCadre(), Qt::blue));
}

TEST_F(HostileDisquePlein, fullDisk_saveAndQuitFromTheWindow_reportInFrench_loseNothing) {
    const std::string base = disque / "notes.dat";
    const std::string ini = disque / "brevandoux.ini";
    const std::string iniAncien = "[setup]\nautoload=" + base + "\n";
    ecrireTout(ini, QByteArray::fromStdString(iniAncien));
    store().cheminIni.affecter(ini);
    deuxCartes("");
    store().cheminBase.affecter(base);
    store().baseNommee = 1;
    ASSERT_EQ(store().ecrireBase(base), 1);
    const std::string ancien = lireTout(base);

    // Many more cards than the room left.
    remplir(std::vector<CarteTest>(400, CarteTest{7, "nouvelle", std::string(300, 'n'), ""}));
    store().modifiee = 1;
    fenetre->savemybase()->setEnabled(true);
    ASSERT_TRUE(disque.remplir(64 * 1024));
    plateforme.oublier();
    cliquer(fenetre->savemybase());
    EXPECT_EQ(plateforme.textes("message"),
              std::vector<std::string>{"le fichier " + base + " n'a pas pu être sauvegardé.   \nle disque est plein"});
    EXPECT_EQ(lireTout(base), ancien);
    EXPECT_EQ(store().modifiee, 1) << "des modifications non écrites ne sont plus signalées";

    // Quitting asks to save; the save fails again, and the quit stops with the cards kept.
    plateforme.oublier();
    plateforme.reponses.push_back(kOui);
    cliquer(fenetre->ButtonQuit());
    EXPECT_EQ(plateforme.textes("question"), std::vector<std::string>{textes::kSauverModifications});
    EXPECT_EQ(lireTout(base), ancien);
    EXPECT_EQ(store().derniere, 399);
    EXPECT_TRUE(fenetre->isVisible());

    // Without changes to save, the quit stops at the configuration file it cannot write.
    disque.liberer();
    ASSERT_TRUE(disque.remplir());
    store().modifiee = 0;
    store().cheminBase.affecter(disque / "autre.dat");
    plateforme.oublier();
    cliquer(fenetre->ButtonQuit());
    EXPECT_EQ(plateforme.textes("erreur"), std::vector<std::string>{"Unable to write to " + ini});
    EXPECT_EQ(lireTout(ini), iniAncien);
    QTest::qWait(20);
    EXPECT_TRUE(fenetre->isVisible());
    EXPECT_EQ(disque.entrees(), (std::vector<std::string>{"brevandoux.ini", "notes.dat", "remplissage"}));
}

}  // namespace
