// brevandoux-image shuts itself in before it decodes. Its test build (brevandoux-image-essai,
// same source) tries every forbidden act once confined and says what happened; both programs
// draw the metafile corpus and the test pictures, confined and not, to the same bytes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/metafichier_processus.h"
#include "tests/support/ignorer.h"

namespace {

const QString kEssai = QStringLiteral(BREVANDOUX_IMAGE_ESSAI_PROGRAMME);
const QString kLivre = QStringLiteral(BREVANDOUX_IMAGE_PROGRAMME);

const std::vector<std::string> kActes = {"ecrire",    "creer",  "supprimer",
                                         "lire-maison", "connecter", "lancer",
                                         "dedoubler", "tracer-parent", "signaler-parent"};

int versionLandlockDuNoyau() {
    const long v = syscall(SYS_landlock_create_ruleset, nullptr, 0, 1u);
    return v < 0 ? 0 : static_cast<int>(v);
}

// A TCP port on 127.0.0.1 that accepts connections while the object lives.
class Ecoute {
public:
    Ecoute() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t taille = sizeof a;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            listen(fd_, 4) == 0 && getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &taille) == 0) {
            port_ = ntohs(a.sin_port);
        }
    }
    ~Ecoute() {
        if (fd_ >= 0) close(fd_);
    }
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

struct Resultat {
    int code = -1;
    std::map<std::string, std::string> actes;  // act → "RÉUSSI" or "refusé (...)"
    QString erreur;
};

// A folder with the files the acts aim at, a file of the user's home, a listening port.
class Cibles {
public:
    Cibles() : maison_(QDir::home().filePath(QStringLiteral(".brevandoux-essai-XXXXXX"))) {
        ecrireFichier("existant", "avant");
        ecrireFichier("a-supprimer", "avant");
        if (maison_.open()) {
            maison_.write("secret");
            maison_.close();
        }
    }
    bool pretes() const { return dossier_.isValid() && !maison_.fileName().isEmpty() && ecoute_.port() > 0; }
    QString fichier(const char* nom) const { return dossier_.filePath(QString::fromLatin1(nom)); }
    QByteArray contenu(const char* nom) const {
        QFile f(fichier(nom));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    Resultat essayer(const QProcessEnvironment& env) const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(kEssai, {QStringLiteral("--essai-actes-interdits"), dossier_.path(),
                         maison_.fileName(), QString::number(ecoute_.port())});
        Resultat r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.erreur = QString::fromUtf8(p.readAllStandardError());
        for (const QString& ligne : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const qsizetype i = ligne.indexOf(QLatin1String(" : "));
            if (i > 0) r.actes[ligne.left(i).toStdString()] = ligne.mid(i + 3).toStdString();
        }
        return r;
    }

private:
    void ecrireFichier(const char* nom, const char* texte) {
        QFile f(fichier(nom));
        if (f.open(QIODevice::WriteOnly)) f.write(texte);
    }
    QTemporaryDir dossier_;
    QTemporaryFile maison_;
    Ecoute ecoute_;
};

QProcessEnvironment environnement(const char* confinement, const char* versionLandlock,
                                  const char* seccomp = nullptr) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("BREVANDOUX_ESSAI_CONFINEMENT"));
    env.remove(QStringLiteral("BREVANDOUX_ESSAI_VERSION_LANDLOCK"));
    env.remove(QStringLiteral("BREVANDOUX_ESSAI_SECCOMP"));
    if (seccomp != nullptr) env.insert(QStringLiteral("BREVANDOUX_ESSAI_SECCOMP"), QString::fromLatin1(seccomp));
    if (confinement != nullptr) env.insert(QStringLiteral("BREVANDOUX_ESSAI_CONFINEMENT"), QString::fromLatin1(confinement));
    if (versionLandlock != nullptr) {
        env.insert(QStringLiteral("BREVANDOUX_ESSAI_VERSION_LANDLOCK"), QString::fromLatin1(versionLandlock));
    }
    return env;
}

bool refuse(const Resultat& r, const std::string& acte) {
    const auto it = r.actes.find(acte);
    return it != r.actes.end() && it->second.rfind("refusé", 0) == 0;
}
bool reussi(const Resultat& r, const std::string& acte) {
    const auto it = r.actes.find(acte);
    return it != r.actes.end() && it->second == "RÉUSSI";
}

TEST(ActesInterdits, confined_everyActFails_andNothingChanges) {
    if (versionLandlockDuNoyau() == 0) IGNORER("le noyau n'offre pas Landlock");
    const Cibles cibles;
    ASSERT_TRUE(cibles.pretes());
    const Resultat r = cibles.essayer(environnement(nullptr, nullptr));
    ASSERT_EQ(r.code, 0) << r.erreur.toStdString();
    for (const std::string& acte : kActes) {
        EXPECT_TRUE(refuse(r, acte)) << acte << " : " << (r.actes.count(acte) ? r.actes.at(acte) : "absent");
    }
    EXPECT_EQ(cibles.contenu("existant"), "avant");
    EXPECT_TRUE(QFile::exists(cibles.fichier("a-supprimer")));
    EXPECT_FALSE(QFile::exists(cibles.fichier("nouveau")));
    // On a kernel of version 6 or more, everything is set and nothing is said.
    if (versionLandlockDuNoyau() >= 6) {
        EXPECT_TRUE(r.erreur.isEmpty()) << r.erreur.toStdString();
    }
}

// The acts do what they say when nothing stops them: a refusal above is the confinement's.
TEST(ActesInterdits, unconfined_everyActSucceeds) {
    const Cibles cibles;
    ASSERT_TRUE(cibles.pretes());
    const Resultat r = cibles.essayer(environnement("non", nullptr));
    ASSERT_EQ(r.code, 0) << r.erreur.toStdString();
    for (const std::string& acte : kActes) {
        // Tracing one's parent needs root powers where Yama keeps to descendants.
        if (acte == "tracer-parent" && geteuid() != 0) continue;
        EXPECT_TRUE(reussi(r, acte)) << acte << " : " << (r.actes.count(acte) ? r.actes.at(acte) : "absent");
    }
    EXPECT_EQ(cibles.contenu("existant"), "avantx");
    EXPECT_FALSE(QFile::exists(cibles.fichier("a-supprimer")));
    EXPECT_TRUE(QFile::exists(cibles.fichier("nouveau")));
}

// Each Landlock version the kernel may offer, down to none: seccomp still refuses every act
// but reading, which Landlock alone forbids, and one line says what could not be set.
TEST(ActesInterdits, olderLandlockVersions_refuseWhatTheyCan_andSayWhatIsMissingOnce) {
    const int noyau = versionLandlockDuNoyau();
    for (int version = 0; version <= noyau; ++version) {
        SCOPED_TRACE("Landlock " + std::to_string(version));
        const Cibles cibles;
        ASSERT_TRUE(cibles.pretes());
        const Resultat r = cibles.essayer(environnement(nullptr, std::to_string(version).c_str()));
        ASSERT_EQ(r.code, 0) << r.erreur.toStdString();
        for (const std::string& acte : kActes) {
            if (acte == "lire-maison") {
                EXPECT_EQ(reussi(r, acte), version == 0);
                EXPECT_EQ(refuse(r, acte), version > 0);
            } else {
                EXPECT_TRUE(refuse(r, acte)) << acte;
            }
        }
        EXPECT_EQ(cibles.contenu("existant"), "avant");
        EXPECT_FALSE(QFile::exists(cibles.fichier("nouveau")));
        EXPECT_EQ(r.erreur.count(QLatin1String("isolement partiel")), version >= 6 ? 0 : 1) << r.erreur.toStdString();
        EXPECT_EQ(r.erreur.contains(QLatin1String("Landlock (fichiers")), version == 0);
        EXPECT_EQ(r.erreur.contains(QString::fromUtf8("règles réseau")), version > 0 && version < 4);
        EXPECT_EQ(r.erreur.contains(QLatin1String("signaux et des sockets")), version > 0 && version < 6);
    }
}

// Landlock on its own, where a seccomp filter is refused: files, TCP, signals and tracing
// outside its domain are its to forbid; making a process is not, and starting a program
// fails only because nothing may be executed outside the system's library folders.
TEST(ActesInterdits, landlockAlone_refusesEveryActButForking) {
    if (versionLandlockDuNoyau() < 6) IGNORER("le noyau n'offre pas Landlock 6 (réseau, signaux)");
    const Cibles cibles;
    ASSERT_TRUE(cibles.pretes());
    const Resultat r = cibles.essayer(environnement(nullptr, nullptr, "non"));
    ASSERT_EQ(r.code, 0) << r.erreur.toStdString();
    for (const std::string& acte : kActes) {
        if (acte == "dedoubler") {
            EXPECT_TRUE(reussi(r, acte));
        } else {
            EXPECT_TRUE(refuse(r, acte)) << acte << " : " << (r.actes.count(acte) ? r.actes.at(acte) : "absent");
        }
    }
    EXPECT_EQ(cibles.contenu("existant"), "avant");
    EXPECT_TRUE(QFile::exists(cibles.fichier("a-supprimer")));
    EXPECT_FALSE(QFile::exists(cibles.fichier("nouveau")));
}

TEST(ActesInterdits, shippedProgram_hasNoTestMode) {
    const Cibles cibles;
    QProcess p;
    p.start(kLivre, {QStringLiteral("--essai-actes-interdits"), cibles.fichier("x"),
                     QStringLiteral("y"), QStringLiteral("1")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().startsWith("usage : brevandoux-image"));
}

QString corpus() {
    const QString dossier = qEnvironmentVariable("BREVANDOUX_CORPUS_METAFICHIERS");
    return dossier.isEmpty() ? QStringLiteral(BREVANDOUX_SOURCES "/../shared/corpus/metafiles") : dossier;
}

// The answer of a program to a metafile as the window gets it, or the French reason.
std::string reponse(const std::string& programme, const QByteArray& octets, const char* format,
                    const std::vector<std::pair<const char*, const char*>>& env) {
    for (const auto& [nom, valeur] : env) setenv(nom, valeur, 1);
    std::string r;
    try {
        // Appended rather than built with operator+, which GCC 12 at -O3 warns about wrongly.
        r = "O";
        r += executerIsole(programme, {"--convertir", format, "300", "200", "1073741824"},
                           std::string(octets.constData(), static_cast<std::size_t>(octets.size())),
                           LimitesProcessus{});
    } catch (const Erreur& e) {
        r = std::string("E") + e.what();
    }
    for (const auto& [nom, valeur] : env) unsetenv(nom);
    return r;
}

TEST(ConfinementInvisible, everyCorpusMetafile_drawsTheSameBytesConfinedUnconfinedAndWithoutLandlock) {
    const QDir dossier(corpus());
    const QStringList fichiers =
        dossier.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")}, QDir::Files, QDir::Name);
    if (fichiers.isEmpty()) IGNORER("pas de corpus de métafichiers dans " + corpus().toStdString());
    int dessines = 0;
    for (const QString& nom : fichiers) {
        SCOPED_TRACE(nom.toStdString());
        QFile f(dossier.filePath(nom));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray octets = f.readAll();
        const char* format = nom.endsWith(QLatin1String(".wmf")) ? "wmf" : "emf";
        const std::string confine = reponse(kLivre.toStdString(), octets, format, {});
        const std::string libre =
            reponse(kEssai.toStdString(), octets, format, {{"BREVANDOUX_ESSAI_CONFINEMENT", "non"}});
        const std::string sansLandlock =
            reponse(kEssai.toStdString(), octets, format, {{"BREVANDOUX_ESSAI_VERSION_LANDLOCK", "0"}});
        EXPECT_TRUE(confine == libre) << "confined: " << confine.substr(0, 200) << "\nunconfined: " << libre.substr(0, 200);
        EXPECT_TRUE(sansLandlock == libre) << "without Landlock: " << sansLandlock.substr(0, 200);
        if (confine[0] == 'O') ++dessines;
    }
    // The corpus is made of pictures that draw: a confinement that broke every drawing alike
    // would compare equal above.
    EXPECT_GT(dessines, fichiers.size() * 3 / 4);
}

QImage dessinLigneDeCommande(const QString& programme, const QString& fichier, const QString& sortie,
                             const QProcessEnvironment& env, int& code, QByteArray& erreur) {
    QFile::remove(sortie);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(programme, {fichier, sortie, QStringLiteral("240"), QStringLiteral("160")});
    code = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    erreur = p.readAllStandardError();
    return code == 0 ? QImage(sortie) : QImage();
}

TEST(ConfinementInvisible, testPictures_fromTheCommandLine_drawTheSamePixelsConfinedAndUnconfined) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    // Pictures of each decoder run in the confined process itself, drawn here.
    QImage motif(97, 61, QImage::Format_RGB32);
    motif.fill(Qt::white);
    {
        QPainter p(&motif);
        p.setPen(QPen(Qt::darkRed, 3));
        p.drawEllipse(5, 5, 80, 45);
        p.fillRect(40, 20, 30, 30, Qt::darkCyan);
    }
    QStringList fichiers;
    for (const char* format : {"jpg", "bmp", "ico"}) {
        const QString chemin = dossier.filePath(QStringLiteral("motif.") + QLatin1String(format));
        ASSERT_TRUE((format[0] == 'i' ? motif.scaled(48, 48) : motif).save(chemin, format)) << format;
        fichiers << chemin;
    }
    fichiers << QStringLiteral(BREVANDOUX_SOURCES "/assets/rien.jpg")
             << QStringLiteral(BREVANDOUX_SOURCES "/assets/depart.jpg");
    // A metafile, which goes to a confined process of its own, and a file refused.
    const QStringList metafichiers = QDir(corpus()).entryList({QStringLiteral("*.wmf")}, QDir::Files, QDir::Name);
    if (!metafichiers.isEmpty()) fichiers << QDir(corpus()).filePath(metafichiers.first());
    const QString abime = dossier.filePath(QStringLiteral("abime.jpg"));
    {
        QFile f(abime);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xff\xd8\xff\xe0 pas une image");
    }
    fichiers << abime;

    for (const QString& fichier : fichiers) {
        SCOPED_TRACE(fichier.toStdString());
        int codeConfine = -1, codeLibre = -1;
        QByteArray erreurConfine, erreurLibre;
        const QImage confine = dessinLigneDeCommande(kLivre, fichier, dossier.filePath(QStringLiteral("a.png")),
                                                     environnement(nullptr, nullptr), codeConfine, erreurConfine);
        const QImage libre = dessinLigneDeCommande(kEssai, fichier, dossier.filePath(QStringLiteral("b.png")),
                                                   environnement("non", nullptr), codeLibre, erreurLibre);
        EXPECT_EQ(codeConfine, codeLibre);
        EXPECT_EQ(erreurConfine, erreurLibre);
        EXPECT_EQ(codeConfine, fichier == abime ? 2 : 0) << erreurConfine.toStdString();
        EXPECT_TRUE(confine == libre);
        if (fichier != abime) {
            EXPECT_EQ(confine.size(), QSize(240, 160));
        }
    }
}

// Files found to exhaust the program's memory, kept with the reason each must be refused for,
// at once: the reason is given before anything is decoded.
TEST(ConfinementInvisible, filesThatOnceTookAllMemory_refusedAtOnceWithTheUsualReason) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    const struct {
        const char* fichier;
        const char* raison;
    } cas[] = {
        // A 64 × 48 grid whose data, read past the end of its box as libheif reads it,
        // declares a canvas of 14441 × 27759.
        {"heic-grille-800mo.heic", "l'image est trop grande (14441 × 27759 pixels)\n"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.fichier);
        int code = -1;
        QByteArray erreur;
        const std::string chemin = std::string(BREVANDOUX_SOURCES "/tests/image/regressions/") + c.fichier;
        dessinLigneDeCommande(kLivre, QString::fromStdString(chemin), dossier.filePath(QStringLiteral("a.png")),
                              environnement(nullptr, nullptr), code, erreur);
        EXPECT_EQ(code, 2);
        // Appended rather than built with operator+, which GCC 12 at -O3 warns about wrongly.
        std::string attendu = "l'image ";
        attendu += chemin;
        attendu += " n'a pas pu être chargée : ";
        attendu += c.raison;
        EXPECT_EQ(erreur.toStdString(), attendu);
    }
}

}  // namespace
