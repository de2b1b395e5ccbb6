// The board's thumbnails in the desktop's thumbnail cache: the standard's names and keys
// against the desktop's own (URIs as GLib's gio writes them, MD5 by Python's hashlib), stale
// thumbnails made again, failure notes written and honoured, hostile pictures drawn by the
// confined program only, and the class's queue. Each test has its own XDG_CACHE_HOME.

#include <sys/stat.h>
#include <sys/time.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "platform/atelier_vignettes.h"
#include "platform/cache_vignettes.h"
#include "platform/metafichier_processus.h"
#include "platform/vignettes.h"
#include "tests/support/ignorer.h"
#include "tests/support/photo_orientee.h"

namespace {

TEST(NomsVignettes, uriAndFileName_areTheDesktopsOwn) {
    const struct {
        const char* chemin;
        const char* uri;  // as `gio info` prints it
        const char* md5;  // hashlib.md5(uri)
    } cas[] = {
        {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png", "c6ee772d9e49320e97ec29a7eb5b1697"},
        {"/tmp/vt/Château de Chambord.JPG", "file:///tmp/vt/Ch%C3%A2teau%20de%20Chambord.JPG",
         "cab3005a5353cc9508c4488d2efb7fbc"},
        {"/tmp/vt/a b/é&=@+$,;#?[]%'!~*()/x y.jpg",
         "file:///tmp/vt/a%20b/%C3%A9&=@+$,%3B%23%3F%5B%5D%25'!~*()/x%20y.jpg", "9acc5e83880ffe3edeb08b2fac3e9cee"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(uriFichier(QString::fromUtf8(c.chemin)), QLatin1String(c.uri));
        EXPECT_EQ(nomVignette(QLatin1String(c.uri)), QLatin1String(c.md5) + ".png");
    }
    const std::pair<int, const char*> classes[] = {{1, "normal"},   {128, "normal"},   {129, "large"},
                                                   {512, "x-large"}, {513, "xx-large"}, {5000, "xx-large"}};
    for (const auto& [pixels, dossier] : classes) EXPECT_EQ(dossierClasse(classeVignette(pixels)), dossier) << pixels;
}

class CacheVignettes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        if (qEnvironmentVariableIsSet("XDG_CACHE_HOME")) ancien = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dossier.filePath("cache")));
        racine = racineVignettes();
        ASSERT_EQ(racine, dossier.filePath("cache/thumbnails"));
    }
    void TearDown() override {
        if (ancien.isNull()) {
            qunsetenv("XDG_CACHE_HOME");
        } else {
            qputenv("XDG_CACHE_HOME", ancien);
        }
    }

    QString photo(const QString& nom, int orientation = 0, int l = 400, int h = 200) {
        const QString chemin = dossier.filePath(nom);
        ecrirePhotoOrientee(chemin, orientation, l, h);
        return chemin;
    }
    SourceVignette source(const QString& chemin) const {
        struct stat st {};
        stat(QFile::encodeName(chemin).constData(), &st);
        return {chemin, uriFichier(chemin), static_cast<qint64>(st.st_mtime), static_cast<qint64>(st.st_size)};
    }
    QString fichierVignette(const QString& chemin, const QString& sous = "large") const {
        return racine + "/" + sous + "/" + nomVignette(uriFichier(chemin));
    }
    QString fichierEchec(const QString& chemin) const {
        return dossierEchecs(racine) + "/" + nomVignette(uriFichier(chemin));
    }
    static void changerDate(const QString& chemin, long secondes) {
        const timeval t[2] = {{secondes, 0}, {secondes, 0}};
        ASSERT_EQ(utimes(QFile::encodeName(chemin).constData(), t), 0);
    }
    static int mode(const QString& chemin) {
        struct stat st {};
        return stat(QFile::encodeName(chemin).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
    }

    QTemporaryDir dossier;
    QByteArray ancien;
    QString racine;
    ProgrammesDessin programmes{ProcessusLot(cheminProgrammeImage("brevandoux-image")),
                                ProcessusLot(cheminProgrammeImage("brevandoux-heif"))};
};

TEST_F(CacheVignettes, missingThumbnail_isDrawnUprightAndWrittenWithTheKeysAndPrivateModes) {
    const QString chemin = photo("couchée.jpg", 6);
    const ResultatVignette r = fabriquerVignette(chemin, 256, racine, programmes);
    ASSERT_TRUE(r.echec.isEmpty()) << r.echec.toStdString();
    // 400 × 200 stored sideways: 200 × 400 once upright, fitted in 256.
    EXPECT_EQ(r.image.size(), QSize(128, 256));
    EXPECT_EQ(quartsFaux(r.image, 6), "");
    const QImage ecrite(fichierVignette(chemin));
    ASSERT_FALSE(ecrite.isNull());
    EXPECT_EQ(ecrite.size(), r.image.size());
    EXPECT_EQ(ecrite.text("Thumb::URI"), uriFichier(chemin));
    EXPECT_EQ(ecrite.text("Thumb::MTime").toLongLong(), source(chemin).mtime);
    EXPECT_EQ(mode(fichierVignette(chemin)), 0600);
    EXPECT_EQ(mode(racine), 0700);
    EXPECT_EQ(mode(racine + "/large"), 0700);
    // Nothing left beside it: the temporary file was renamed.
    EXPECT_EQ(QDir(racine + "/large").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A thumbnail made by another program is used when its keys match this version of the picture,
// and made again when they do not.
TEST_F(CacheVignettes, thumbnailInTheCache_usedWhenValid_madeAgainWhenStale) {
    const QString chemin = photo("photo.jpg", 0, 600, 300);
    changerDate(chemin, 1'600'000'000);
    QImage etrangere(20, 10, QImage::Format_RGB32);
    etrangere.fill(Qt::magenta);
    for (const long mtime : {1'600'000'000L, 1'500'000'000L}) {
        SourceVignette s = source(chemin);
        s.mtime = mtime;
        ASSERT_TRUE(ecrireVignette(racine + "/normal", nomVignette(s.uri), pngVignette(etrangere, s)).isEmpty());
        const ResultatVignette r = fabriquerVignette(chemin, 128, racine, programmes);
        const bool valable = mtime == 1'600'000'000L;
        EXPECT_EQ(r.image.size(), valable ? QSize(20, 10) : QSize(128, 64)) << mtime;
        const QImage apres(fichierVignette(chemin, "normal"));
        EXPECT_EQ(apres.size(), r.image.size());
        EXPECT_EQ(apres.text("Thumb::MTime"), "1600000000");
    }
}

TEST_F(CacheVignettes, brokenPicture_failureNoted_andHonouredUntilThePictureChanges) {
    const QString cassee = dossier.filePath("cassée.jpg");
    QFile f(cassee);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(photoOrientee(0, 400, 200).left(300));
    f.close();
    const ResultatVignette r = fabriquerVignette(cassee, 256, racine, programmes);
    EXPECT_TRUE(r.image.isNull());
    EXPECT_TRUE(r.echec.contains("JPEG")) << r.echec.toStdString();
    const QImage note(fichierEchec(cassee));
    ASSERT_FALSE(note.isNull());
    EXPECT_EQ(note.text("Thumb::URI"), uriFichier(cassee));
    EXPECT_EQ(note.text(kCleRaison), r.echec);
    EXPECT_EQ(mode(fichierEchec(cassee)), 0600);
    EXPECT_FALSE(QFile::exists(fichierVignette(cassee)));

    // A note for this very version of a sound picture: it is not tried.
    const QString saine = photo("saine.jpg");
    ASSERT_TRUE(ecrireVignette(dossierEchecs(racine), nomVignette(uriFichier(saine)),
                               pngVignette({}, source(saine), "raison notée")).isEmpty());
    EXPECT_EQ(fabriquerVignette(saine, 256, racine, programmes).echec, "raison notée");
    EXPECT_FALSE(QFile::exists(fichierVignette(saine)));
    // Once it changes, it is.
    changerDate(saine, 1'700'000'000);
    const ResultatVignette apres = fabriquerVignette(saine, 256, racine, programmes);
    EXPECT_TRUE(apres.echec.isEmpty()) << apres.echec.toStdString();
    EXPECT_FALSE(apres.image.isNull());
    EXPECT_TRUE(QFile::exists(fichierVignette(saine)));
}

// A picture that takes its decoder over (the test build of the program dies on it) costs that
// picture only: the window goes on, the failure is noted, the next picture is drawn by a new
// program. The programs run confined, and their decoders never enter the window's process.
TEST_F(CacheVignettes, hostilePicture_isDrawnByTheConfinedProgramOnly) {
    ProgrammesDessin essai{ProcessusLot(BREVANDOUX_IMAGE_ESSAI_PROGRAMME), ProcessusLot({})};
    const QString piege = dossier.filePath("piège.png");
    QFile f(piege);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PIEGE");
    f.close();
    const ResultatVignette r = fabriquerVignette(piege, 128, racine, essai);
    EXPECT_TRUE(r.image.isNull());
    EXPECT_TRUE(r.echec.contains("signal")) << r.echec.toStdString();
    EXPECT_TRUE(QFile::exists(fichierEchec(piege)));
    EXPECT_FALSE(fabriquerVignette(photo("suivante.jpg"), 128, racine, essai).image.isNull());

    ASSERT_FALSE(fabriquerVignette(photo("confinée.jpg"), 128, racine, programmes).image.isNull());
    QFile etat(QStringLiteral("/proc/%1/status").arg(programmes.image.processus()));
    ASSERT_TRUE(etat.open(QIODevice::ReadOnly));
    const QByteArray lignes = etat.readAll();
    EXPECT_TRUE(lignes.contains("NoNewPrivs:\t1")) << lignes.toStdString();
    EXPECT_TRUE(lignes.contains("Seccomp:\t2")) << lignes.toStdString();

    if (QStandardPaths::findExecutable("convert").isEmpty()) IGNORER("ImageMagick (convert) est absent");
    for (const char* ext : {"webp", "tiff", "heic"}) {
        const QString chemin = dossier.filePath(QStringLiteral("image.") + ext);
        ASSERT_EQ(QProcess::execute("convert", {photo("source.jpg"), chemin}), 0) << ext;
        EXPECT_FALSE(fabriquerVignette(chemin, 256, racine, programmes).image.isNull()) << ext;
    }
    QFile cartes("/proc/self/maps");
    ASSERT_TRUE(cartes.open(QIODevice::ReadOnly));
    const QByteArray chargees = cartes.readAll();
    // (Qt's PNG writer loads all of Qt's image plugins, without decoding anything with them:
    // the libraries looked for are those only the picture programs load.)
    for (const char* bibliotheque : {"libheif", "libde265", "libx265", "libwmf", "librsvg", "libemf2svg"}) {
        EXPECT_FALSE(chargees.contains(bibliotheque)) << bibliotheque;
    }
}

// The class: thumbnails and failures come through prete(); a new demander() drops what was
// queued and not started; what is in memory is not asked again.
TEST_F(CacheVignettes, demander_deliversInTheBackground_andDropsQueuedWork) {
    const QString grande = photo("grande.jpg", 0, 3000, 2000);
    QStringList file;
    for (int i = 0; i < 40; ++i) {
        const QString lien = dossier.filePath(QStringLiteral("lien%1.jpg").arg(i));
        ASSERT_TRUE(QFile::link(grande, lien) || QFile::copy(grande, lien));
        file << lien;
    }
    const QString cassee = dossier.filePath("cassée.png");
    ASSERT_TRUE(QFile(cassee).open(QIODevice::WriteOnly));
    Vignettes v;
    QSignalSpy pretes(&v, &Vignettes::prete);
    v.demander(file, 200);
    v.demander({grande, QString(), cassee}, 200);
    QTRY_VERIFY_WITH_TIMEOUT(!v.image(grande, 200).isNull() && !v.echec(cassee).isEmpty(), 30000);
    EXPECT_EQ(v.image(grande, 256).width(), 256);
    EXPECT_TRUE(v.image(grande, 100).isNull());
    EXPECT_TRUE(v.echec(grande).isEmpty());
    QTest::qWait(1000);
    // At most the two pictures the threads had started when the queue was replaced.
    EXPECT_LE(pretes.size(), 4);
    const qsizetype avant = pretes.size();
    v.demander({grande, cassee}, 256);
    QTest::qWait(300);
    EXPECT_EQ(pretes.size(), avant);
}

}  // namespace
