// The picture formats added to the card file's own (PNG, GIF, WebP, TIFF, HEIC, AVIF): each
// decoded by the confined picture program from a file made in the test by ImageMagick,
// drawn as ImageMagick draws it, upright; damaged, truncated and oversized files refused
// with a French message, the described formats untouched.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <array>
#include <tuple>
#include <vector>

#include "core/services.h"
#include "platform/images.h"
#include "platform/metafichier_processus.h"
#include "tests/support/ignorer.h"
#include "tests/support/photo_orientee.h"

namespace {

const std::array<const char*, 8> kExtensions = {"png", "gif", "webp", "tif", "tiff", "heic", "heif", "avif"};

// The encoder ImageMagick uses for each extension (HEIC and AVIF through libheif).
QString formatMagick(const QString& ext) {
    if (ext == "heif") return "HEIC";
    if (ext == "tif") return "TIFF";
    return ext.toUpper();
}

bool lancer(const QString& programme, const QStringList& arguments, QString* erreur = nullptr) {
    QProcess p;
    p.start(programme, arguments);
    const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
                    p.exitCode() == 0;
    if (!ok && erreur) *erreur = QString::fromLocal8Bit(p.readAllStandardError());
    return ok;
}

class FormatsAjoutes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        if (QStandardPaths::findExecutable("convert").isEmpty()) {
            IGNORER("ImageMagick (convert) est absent : les images d'essai ne peuvent pas être faites");
        }
        // The stored picture: four quarters, large enough for HEVC's and AV1's blocks.
        source = dossier.filePath("source.png");
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QImage quarts = QImage::fromData(photoOrientee(0, 256, 128), "JPG");
        ASSERT_FALSE(quarts.isNull());
        // Pure colours, without the JPEG's ringing at the edges.
        QImage nette(256, 128, QImage::Format_RGB32);
        for (int q = 0; q < 4; ++q) {
            for (int y = (q < 2 ? 0 : 64); y < (q < 2 ? 64 : 128); ++y)
                for (int x = (q % 2 ? 128 : 0); x < (q % 2 ? 256 : 128); ++x)
                    nette.setPixelColor(x, y, kQuartsStockes[static_cast<std::size_t>(q)]);
        }
        ASSERT_TRUE(nette.save(&f, "PNG"));
    }
    // The source converted by ImageMagick, with extra options (orientation).
    QString faire(const QString& ext, const QStringList& options = {}) {
        const QString chemin = dossier.filePath("essai." + ext);
        QString erreur;
        const bool ok = lancer("convert", QStringList{source} + options +
                                              QStringList{formatMagick(ext) + ":" + chemin}, &erreur);
        EXPECT_TRUE(ok) << ext.toStdString() << " : " << erreur.toStdString();
        return chemin;
    }
    QTemporaryDir dossier;
    QString source;
};

std::string messageDe(const std::string& chemin) {
    try {
        chargerImage(chemin, QSize(178, 178));
    } catch (const Erreur& e) {
        return e.what();
    }
    return "(acceptée)";
}

// Mean difference per channel between two pictures of one size.
double ecartMoyen(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) return 255;
    double somme = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            somme += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    return somme / (3.0 * x.width() * x.height());
}


// Little-endian and big-endian words for the hand-made headers below.
void le16(QByteArray& b, unsigned v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void le32(QByteArray& b, unsigned v) { le16(b, v & 0xFFFF), le16(b, v >> 16); }
void be32(QByteArray& b, unsigned v) {
    b.append(char(v >> 24)).append(char((v >> 16) & 0xFF)).append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
}

unsigned crc32(const QByteArray& b) {
    unsigned c = 0xFFFFFFFFu;
    for (const char o : b) {
        c ^= static_cast<unsigned char>(o);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void morceauPng(QByteArray& png, const char* type, const QByteArray& donnees) {
    be32(png, static_cast<unsigned>(donnees.size()));
    const QByteArray corps = QByteArray(type) + donnees;
    png.append(corps);
    be32(png, crc32(corps));
}

QByteArray enteteBombePng() {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    be32(ihdr, 20000), be32(ihdr, 20000);
    ihdr.append(char(8)).append(char(6)).append(3, char(0));  // 8-bit RGBA
    morceauPng(png, "IHDR", ihdr);
    morceauPng(png, "IDAT", QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    morceauPng(png, "IEND", {});
    return png;
}

QByteArray enteteBombeGif() {
    QByteArray gif("GIF89a");
    le16(gif, 20000), le16(gif, 20000);
    gif.append(char(0x80)).append(2, char(0));  // a global table of 2 colours
    gif.append(QByteArray("\0\0\0\xff\xff\xff", 6));
    gif.append(',');
    le16(gif, 0), le16(gif, 0), le16(gif, 20000), le16(gif, 20000);
    gif.append(char(0)).append(char(2)).append(QByteArray("\x02\x44\x01\x00", 4)).append(';');
    return gif;
}

QByteArray enteteBombeTiff() {
    QByteArray t("II*\0", 4);
    le32(t, 8);
    struct Entree { unsigned tag, type, valeur; };
    const Entree entrees[] = {{256, 4, 20000}, {257, 4, 20000}, {258, 3, 8}, {259, 3, 1},
                              {262, 3, 1},     {273, 4, 200},   {277, 3, 1}, {278, 4, 20000},
                              {279, 4, 400000000}};
    le16(t, sizeof entrees / sizeof entrees[0]);
    for (const Entree& e : entrees) {
        le16(t, e.tag), le16(t, e.type), le32(t, 1);
        if (e.type == 3) le16(t, e.valeur), le16(t, 0);
        else le32(t, e.valeur);
    }
    le32(t, 0);
    t.append(QByteArray(300 - t.size(), '\0'));
    return t;
}

}  // namespace

TEST_F(FormatsAjoutes, chargerImage_everyAddedFormat_drawnAsImageMagickDrawsIt) {
    for (const char* e : kExtensions) {
        const QString ext = e;
        SCOPED_TRACE(e);
        const QString chemin = faire(ext);
        const QImage image = chargerImage(chemin.toStdString(), QSize(100, 50));
        ASSERT_EQ(image.size(), QSize(100, 50));
        EXPECT_EQ(quartsFaux(image, 1), "");
        // ImageMagick reads it back on its own and scales it to the same size.
        const QString reference = dossier.filePath("reference.png");
        ASSERT_TRUE(lancer("convert", {chemin, "-resize", "100x50!", reference}));
        EXPECT_LT(ecartMoyen(image, QImage(reference)), 12.0);
    }
}

TEST_F(FormatsAjoutes, brevandouxImage_everyAddedFormat_drawnUprightFromTheCommandLine) {
    const std::string programme = cheminProgrammeImage();
    ASSERT_FALSE(programme.empty());
    for (const char* e : kExtensions) {
        SCOPED_TRACE(e);
        const QString chemin = faire(e);
        const QString png = dossier.filePath(QString("dessin_%1.png").arg(e));
        QString erreur;
        ASSERT_TRUE(lancer(QString::fromStdString(programme), {chemin, png, "60", "90"}, &erreur))
            << erreur.toStdString();
        const QImage dessin(png);
        ASSERT_EQ(dessin.size(), QSize(60, 90));
        EXPECT_EQ(quartsFaux(dessin, 1), "");
    }
    // A TIFF that says it is stored turned: drawn as a viewer shows it.
    const QString tourne = faire("tif", {"-orient", "RightTop"});
    const QString png = dossier.filePath("tourne.png");
    ASSERT_TRUE(lancer(QString::fromStdString(programme), {tourne, png, "90", "60"}));
    EXPECT_EQ(quartsFaux(QImage(png), 6), "");
}

TEST_F(FormatsAjoutes, chargerImage_tiffWithOrientationTag_shownUpright) {
    for (const int o : {3, 6, 8}) {
        SCOPED_TRACE(o);
        static const char* kNoms[] = {"", "TopLeft", "TopRight", "BottomRight", "BottomLeft",
                                      "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
        const QString chemin = faire("tiff", {"-orient", kNoms[o]});
        const QImage image = chargerImage(chemin.toStdString(), QSize());
        EXPECT_EQ(image.size(), (o >= 5) ? QSize(128, 256) : QSize(256, 128));
        EXPECT_EQ(quartsFaux(image, o), "");
    }
}

TEST_F(FormatsAjoutes, chargerImage_damagedOrTruncatedFile_refusedWithAFrenchMessage) {
    for (const char* e : kExtensions) {
        SCOPED_TRACE(e);
        const QString chemin = faire(e);
        QFile f(chemin);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bon = f.readAll();
        f.close();
        const std::string debut = "l'image " + chemin.toStdString() + " n'a pas pu être chargée : ";
        // Truncated: the header and the start of the pixels only.
        const QString tronque = dossier.filePath(QString("tronque.") + e);
        QFile t(tronque);
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write(bon.left(bon.size() / 2));
        t.close();
        const std::string m1 = messageDe(tronque.toStdString());
        EXPECT_EQ(m1.rfind("l'image " + tronque.toStdString() + " n'a pas pu être chargée : ", 0), 0u) << m1;
        // Damaged: the file's kind announced, nothing of it after.
        const QString casse = dossier.filePath(QString("casse.") + e);
        QFile c(casse);
        ASSERT_TRUE(c.open(QIODevice::WriteOnly));
        c.write(bon.left(12) + QByteArray(4000, '\x5a'));
        c.close();
        const std::string m2 = messageDe(casse.toStdString());
        EXPECT_EQ(m2.rfind("l'image " + casse.toStdString() + " n'a pas pu être chargée : ", 0), 0u) << m2;
    }
    // The window's own loading goes on working after the refusals.
    EXPECT_EQ(quartsFaux(chargerImage(faire("png").toStdString(), QSize(40, 40)), 1), "");
}

TEST_F(FormatsAjoutes, chargerImage_headerAnnouncingTooManyPixels_refusedBeforeDecoding) {
    // A few hundred bytes announcing hundreds of millions of pixels (over a gigabyte once
    // decoded): refused from the header, with the size, the picture program staying small.
    std::vector<std::tuple<QString, QByteArray, QString>> cas = {
        {"png", enteteBombePng(), "20000 × 20000"},
        {"gif", enteteBombeGif(), "20000 × 20000"},
        {"tiff", enteteBombeTiff(), "20000 × 20000"},
    };
    // WebP, HEIC and AVIF made small by ImageMagick, their size fields then rewritten: the
    // VP8 frame header's 14-bit sides, the HEIF "ispe" property.
    for (const char* ext : {"webp", "heic", "avif"}) {
        const QString chemin = dossier.filePath(QString("petite.") + ext);
        ASSERT_TRUE(lancer("convert", {"-size", "64x64", "xc:red", formatMagick(ext) + ":" + chemin}));
        QFile f(chemin);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray octets = f.readAll();
        if (QString(ext) == "webp") {
            const qsizetype debut = octets.indexOf(QByteArray("\x9d\x01\x2a", 3));
            ASSERT_GT(debut, 0);
            octets[debut + 3] = char(0xFF), octets[debut + 4] = char(0x3F);
            octets[debut + 5] = char(0xFF), octets[debut + 6] = char(0x3F);
            cas.emplace_back(ext, octets, "16383 × 16383");
        } else {
            const qsizetype ispe = octets.indexOf("ispe");
            ASSERT_GT(ispe, 0);
            QByteArray taille;
            be32(taille, 20000), be32(taille, 20000);
            octets.replace(ispe + 8, 8, taille);
            cas.emplace_back(ext, octets, "20000 × 20000");
        }
    }
    for (const auto& [ext, octets, cotes] : cas) {
        SCOPED_TRACE(ext.toStdString());
        const QString chemin = dossier.filePath("bombe." + ext);
        QFile f(chemin);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(octets);
        f.close();
        const std::string m = messageDe(chemin.toStdString());
        EXPECT_NE(m.find("l'image est trop grande (" + cotes.toStdString() + " pixels)"), std::string::npos) << m;
    }
    // The largest child this test process has waited for (the picture programs and
    // ImageMagick on 64-pixel pictures) stayed far below one decoded bomb.
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 300L * 1024) << "Kio";
}

TEST(FormatsDecrits, filtreImages_describedFormatsFirstThenTheAddedOnes) {
    const QString filtre = filtreImages();
    EXPECT_TRUE(filtre.startsWith(
        "Toutes les images|*.jpg;*.jpeg;*.bmp;*.ico;*.wmf;*.emf;*.png;*.gif;*.webp;*.tif;*.tiff;"
        "*.heic;*.heif;*.avif|Images JPEG|*.jpg;*.jpeg|Bitmaps|*.bmp|Icônes|*.ico|"
        "Métafichiers|*.wmf;*.emf|"));
    for (const char* e : kExtensions) EXPECT_TRUE(filtre.contains(QString("*.") + e)) << e;
    // An extension that is still no known picture keeps its message.
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath("image.xcf");
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("gimp xcf");
    f.close();
    EXPECT_EQ(messageDe(chemin.toStdString()),
              "l'image " + chemin.toStdString() + " n'a pas pu être chargée : l'extension .xcf n'est pas un format d'image connu");
}
