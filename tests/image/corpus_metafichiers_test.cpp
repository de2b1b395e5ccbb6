// Real metafiles made by others, drawn by brevandoux-image and by independent converters from
// Debian (libwmf's wmf2svg, libemf2svg's emf2svg-conv, then rsvg-convert), compared after
// cropping each picture to its inked part: the references crop to the drawn bounds while we
// honour the file's frame, and only what is drawn must agree. The corpus lives outside the
// sources (BREVANDOUX_CORPUS_METAFICHIERS, else ../shared/corpus/metafiles beside them).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "image/reparation_svg.h"
#include "platform/metafichier_processus.h"
#include "tests/support/ignorer.h"

namespace {

constexpr int kCote = 400;     // both drawings are made at this size
constexpr int kGrille = 40;    // and compared on a grid of this many cells a side
// A cell is inked when this share of its pixels is; one pixel wide hairlines at 400 pixels
// over 10-pixel cells give 10 %.
constexpr double kEncreCellule = 0.05;
// Every inked cell of one drawing must have ink within one cell in the other, for this share
// of the cells: one cell is 2.5 % of the picture, the room left for the two renderers'
// different fonts, line joins and anti-aliasing.
constexpr double kAccordMin = 0.85;

struct Sortie {
    int code = -1;
    QByteArray erreur;
};

Sortie lancer(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments);
    Sortie s;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return s;
    }
    s.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    s.erreur = p.readAllStandardError();
    return s;
}

// Ink is what stands well apart from the white ground: the pale grey of a one-pixel grid line
// depends on where each renderer's anti-aliasing puts it, and would count on one side only.
int ecartAuBlanc(QRgb c) { return std::max({255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)}); }
bool encre(QRgb c) { return ecartAuBlanc(c) > 96; }

// Anything at all on the white ground.
bool blanche(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (ecartAuBlanc(image.pixel(x, y)) > 16) return false;
        }
    }
    return true;
}

// The inked cells of the picture cropped to its inked part, or nothing when it is blank.
std::vector<bool> grilleEncree(const QImage& image, QRect& bornes) {
    int g = image.width(), h = image.height(), d = -1, b = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!encre(image.pixel(x, y))) continue;
            g = std::min(g, x);
            d = std::max(d, x);
            h = std::min(h, y);
            b = std::max(b, y);
        }
    }
    if (d < 0) return {};
    bornes = QRect(QPoint(g, h), QPoint(d, b));
    std::vector<double> part(kGrille * kGrille, 0), total(kGrille * kGrille, 0);
    for (int y = h; y <= b; ++y) {
        for (int x = g; x <= d; ++x) {
            const int cx = std::min(kGrille - 1, (x - g) * kGrille / (d - g + 1));
            const int cy = std::min(kGrille - 1, (y - h) * kGrille / (b - h + 1));
            total[cy * kGrille + cx] += 1;
            if (encre(image.pixel(x, y))) part[cy * kGrille + cx] += 1;
        }
    }
    std::vector<bool> grille(kGrille * kGrille);
    for (std::size_t i = 0; i < grille.size(); ++i)
        grille[i] = total[i] > 0 && part[i] / total[i] >= kEncreCellule;
    return grille;
}

// Share of the inked cells of a that have ink within one cell in b.
double accord(const std::vector<bool>& a, const std::vector<bool>& b) {
    int encrees = 0, retrouvees = 0;
    for (int y = 0; y < kGrille; ++y) {
        for (int x = 0; x < kGrille; ++x) {
            if (!a[y * kGrille + x]) continue;
            ++encrees;
            bool vu = false;
            for (int dy = -1; dy <= 1 && !vu; ++dy) {
                for (int dx = -1; dx <= 1 && !vu; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    vu = xx >= 0 && yy >= 0 && xx < kGrille && yy < kGrille && b[yy * kGrille + xx];
                }
            }
            if (vu) ++retrouvees;
        }
    }
    return encrees == 0 ? 1.0 : static_cast<double>(retrouvees) / encrees;
}

QString corpus() {
    const QString dossier = qEnvironmentVariable("BREVANDOUX_CORPUS_METAFICHIERS");
    return dossier.isEmpty() ? QStringLiteral(BREVANDOUX_SOURCES "/../shared/corpus/metafiles")
                             : dossier;
}

// The SVG with a viewBox of its declared size, stretched to the size asked for as ours is
// (rsvg-convert would otherwise keep the proportions and cut what goes past); with marge 1,
// on a canvas three times as large around it: the converters' declared size may leave part
// of the drawing out, and what they leave out is no fault of ours when we show it.
QByteArray avecVue(const QByteArray& svg, int marge) {
    static const QRegularExpression racine(QStringLiteral("<svg\\b[^>]*>"));
    static const QRegularExpression largeur(QStringLiteral("\\swidth=\"([0-9.]+)\""));
    static const QRegularExpression hauteur(QStringLiteral("\\sheight=\"([0-9.]+)\""));
    QString texte = QString::fromUtf8(svg);
    const QRegularExpressionMatch m = racine.match(texte);
    if (!m.hasMatch() || m.captured().contains(QLatin1String("viewBox"))) return marge == 0 ? svg : QByteArray();
    QString balise = m.captured();
    const double l = largeur.match(balise).captured(1).toDouble();
    const double h = hauteur.match(balise).captured(1).toDouble();
    if (l <= 0 || h <= 0) return marge == 0 ? svg : QByteArray();
    const int k = 2 * marge + 1;
    balise.replace(largeur, QStringLiteral(" width=\"%1\"").arg(k * l));
    balise.replace(hauteur, QStringLiteral(" height=\"%1\" viewBox=\"%2 %3 %4 %5\" "
                                           "preserveAspectRatio=\"none\"")
                                .arg(k * h).arg(-marge * l).arg(-marge * h).arg(k * l).arg(k * h));
    texte.replace(m.capturedStart(), m.capturedLength(), balise);
    return texte.toUtf8();
}

// For an EMF, the reference's SVG cut to the file's own frame (the header's frame in
// hundredths of a millimetre, on the reference device), where emf2svg-conv cuts it to the
// drawn area: what we show of a file that draws past its frame, or leaves room inside it.
QByteArray avecCadreEmf(const QByteArray& svg, const QString& fichier) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray o = f.read(88);
    if (o.size() < 88) return {};
    auto s32 = [&](int i) {
        return static_cast<qint32>(static_cast<quint32>(static_cast<unsigned char>(o[i])) |
                                   static_cast<quint32>(static_cast<unsigned char>(o[i + 1])) << 8 |
                                   static_cast<quint32>(static_cast<unsigned char>(o[i + 2])) << 16 |
                                   static_cast<quint32>(static_cast<unsigned char>(o[i + 3])) << 24);
    };
    if (s32(80) <= 0 || s32(84) <= 0) return {};
    const double kx = s32(72) / (100.0 * s32(80)), ky = s32(76) / (100.0 * s32(84));
    const double x = s32(24) * kx - s32(8), y = s32(28) * ky - s32(12);
    const double l = (s32(32) - s32(24)) * kx, h = (s32(36) - s32(28)) * ky;
    if (l <= 0 || h <= 0) return {};
    static const QRegularExpression racine(QStringLiteral("<svg\\b[^>]*>"));
    static const QRegularExpression taille(QStringLiteral("\\s(width|height)=\"[0-9.]+\""));
    QString texte = QString::fromUtf8(svg);
    const QRegularExpressionMatch m = racine.match(texte);
    if (!m.hasMatch() || m.captured().contains(QLatin1String("viewBox"))) return {};
    QString balise = m.captured();
    balise.remove(taille);
    balise.insert(4, QStringLiteral(" width=\"%1\" height=\"%2\" viewBox=\"%3 %4 %1 %2\" "
                                    "preserveAspectRatio=\"none\"").arg(l).arg(h).arg(x).arg(y));
    texte.replace(m.capturedStart(), m.capturedLength(), balise);
    return texte.toUtf8();
}

QImage rsvg(const QByteArray& svg, const QTemporaryDir& dossier, int largeur, int hauteur) {
    const QString chemin = dossier.filePath(QStringLiteral("reference.svg"));
    const QString png = dossier.filePath(QStringLiteral("reference.png"));
    QFile::remove(png);
    QFile sortie(chemin);
    if (svg.isEmpty() || !sortie.open(QIODevice::WriteOnly)) return {};
    sortie.write(svg);
    sortie.close();
    const Sortie rendu = lancer(QStringLiteral("rsvg-convert"),
                                {QStringLiteral("-b"), QStringLiteral("white"), QStringLiteral("-w"),
                                 QString::number(largeur), QStringLiteral("-h"), QString::number(hauteur),
                                 QStringLiteral("-o"), png, chemin});
    if (rendu.code != 0) return {};
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

// The reference drawn so that its ink covers as many pixels as ours: thin lines and small
// texts keep or lose their dark pixels with the scale they are drawn at, on both sides alike.
QImage aLaMemeEchelle(const QByteArray& svg, const QTemporaryDir& dossier, int cote,
                      const QRect& bornesNous) {
    QImage premiere = rsvg(svg, dossier, cote, cote);
    QRect bornes;
    if (premiere.isNull() || grilleEncree(premiere, bornes).empty()) return premiere;
    auto mesure = [&](int nous, int ref) {
        return std::clamp(static_cast<int>(static_cast<long long>(cote) * nous / ref), cote / 4, 4000);
    };
    return rsvg(svg, dossier, mesure(bornesNous.width(), bornes.width()),
                mesure(bornesNous.height(), bornes.height()));
}

// The reference's SVG, repaired as we repair ours; empty when its converter refuses the file.
QByteArray reference(const QString& fichier, const QTemporaryDir& dossier) {
    const bool wmf = fichier.endsWith(QLatin1String(".wmf"), Qt::CaseInsensitive);
    const QString brut = dossier.filePath(QStringLiteral("reference-brute.svg"));
    QFile::remove(brut);
    const Sortie conversion =
        wmf ? lancer(QStringLiteral("wmf2svg"), {QStringLiteral("--inline"), QStringLiteral("-o"), brut, fichier})
            : lancer(QStringLiteral("emf2svg-conv"), {QStringLiteral("-i"), fichier, QStringLiteral("-o"), brut});
    QFile entree(brut);
    if (conversion.code != 0 || !entree.open(QIODevice::ReadOnly)) return {};
    const QByteArray octets = entree.readAll();
    return wmf ? reparerSvgWmf(octets) : reparerSvgEmf(octets);
}

TEST(CorpusMetafichiers, everyFileTheReferenceDraws_isDrawnAlikeAndWhole) {
    const QDir dossier(corpus());
    const QStringList fichiers = dossier.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")},
                                                   QDir::Files, QDir::Name);
    if (fichiers.isEmpty()) IGNORER("pas de corpus de métafichiers dans " + corpus().toStdString());
    for (const char* outil : {"wmf2svg", "emf2svg-conv", "rsvg-convert"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(outil)).isEmpty()) {
            IGNORER(std::string(outil) + " manque (scripts/install-deps.sh)");
        }
    }
    const std::string programme = cheminProgrammeImage();
    ASSERT_FALSE(programme.empty());
    QTemporaryDir temporaire;
    // Set to a folder to keep both drawings of every file there, side by side.
    const QString garder = qEnvironmentVariable("BREVANDOUX_CORPUS_SORTIE");

    int dessines = 0, blancs = 0, coupes = 0, refusesParTous = 0, refusesParNous = 0;
    for (const QString& nom : fichiers) {
        SCOPED_TRACE(nom.toStdString());
        const QString fichier = dossier.filePath(nom);
        const QString png = temporaire.filePath(QStringLiteral("nous.png"));
        QFile::remove(png);
        const Sortie nous = lancer(QString::fromStdString(programme),
                                   {fichier, png, QString::number(kCote), QString::number(kCote)});
        const QImage notre = nous.code == 0 ? QImage(png).convertToFormat(QImage::Format_RGB32) : QImage();
        QRect bornesRef, bornesNous;
        const std::vector<bool> grilleNous = notre.isNull() ? std::vector<bool>{} : grilleEncree(notre, bornesNous);
        const QByteArray svgRef = reference(fichier, temporaire);
        const QRect mesure = grilleNous.empty() ? QRect(0, 0, kCote, kCote) : bornesNous;
        const QImage ref = aLaMemeEchelle(avecVue(svgRef, 0), temporaire, kCote, mesure);
        const std::vector<bool> grilleRef = ref.isNull() ? std::vector<bool>{} : grilleEncree(ref, bornesRef);
        if (!garder.isEmpty()) {
            const QImage vue = ref.isNull() ? ref : ref.scaled(kCote, kCote);
            QImage cote(2 * kCote + 10, kCote, QImage::Format_RGB32);
            cote.fill(Qt::gray);
            for (int y = 0; y < kCote; ++y) {
                for (int x = 0; x < kCote; ++x) {
                    if (!notre.isNull()) cote.setPixel(x, y, notre.pixel(x, y));
                    if (!ref.isNull()) cote.setPixel(kCote + 10 + x, y, vue.pixel(x, y));
                }
            }
            cote.save(garder + QLatin1Char('/') + nom + QStringLiteral(".png"));
        }

        if (ref.isNull() || grilleRef.empty()) {
            // The reference draws nothing: we may draw it, or refuse it in French, never show
            // a blank frame as if all were well.
            if (nous.code != 0) {
                ++refusesParTous;
                EXPECT_EQ(nous.code, 2);
                EXPECT_TRUE(nous.erreur.contains("n'a pas pu être chargée : ")) << nous.erreur.toStdString();
            } else {
                EXPECT_FALSE(grilleNous.empty()) << "drawn blank";
                ++dessines;
            }
            std::printf("%-45s référence : rien   nous : %s\n", qPrintable(nom),
                        nous.code == 0 ? "dessiné" : nous.erreur.trimmed().constData());
            continue;
        }
        if (nous.code != 0) {
            ++refusesParNous;
            ADD_FAILURE() << "refused: " << nous.erreur.toStdString();
            continue;
        }
        if (blanche(notre)) {
            ++blancs;
            ADD_FAILURE() << "blank where the reference draws";
            continue;
        }
        ASSERT_FALSE(grilleNous.empty()) << "only pale ink where the reference draws dark ink";

        // Against the reference as its converter bounds it, against all it drew when those
        // bounds cut the drawing, or against it cut to the file's frame: whichever agrees best.
        double refDansNous = accord(grilleRef, grilleNous);
        double nousDansRef = accord(grilleNous, grilleRef);
        const bool emf = fichier.endsWith(QLatin1String(".emf"), Qt::CaseInsensitive);
        for (int variante = 0; variante < 2; ++variante) {
            if (std::min(refDansNous, nousDansRef) >= kAccordMin) break;
            // Three times as large when uncut, so that its drawing is as large as ours.
            const QImage autre =
                variante == 0 ? aLaMemeEchelle(avecVue(svgRef, 1), temporaire, 3 * kCote, mesure)
                : emf         ? aLaMemeEchelle(avecCadreEmf(svgRef, fichier), temporaire, kCote, mesure)
                              : QImage();
            QRect bornesAutre;
            const std::vector<bool> grilleAutre =
                autre.isNull() ? std::vector<bool>{} : grilleEncree(autre, bornesAutre);
            if (grilleAutre.empty()) continue;
            const double a = accord(grilleAutre, grilleNous), b = accord(grilleNous, grilleAutre);
            if (std::min(a, b) > std::min(refDansNous, nousDansRef)) {
                refDansNous = a;
                nousDansRef = b;
            }
        }
        std::printf("%-45s ref→nous %.2f  nous→ref %.2f\n", qPrintable(nom), refDansNous, nousDansRef);
        // A frame that cuts the drawing off loses part of the reference's ink, and what is
        // left, enlarged to the same size, no longer lies where the reference's ink lies.
        if (refDansNous < kAccordMin || nousDansRef < kAccordMin) {
            ++coupes;
            ADD_FAILURE() << "drawn unlike the reference: " << refDansNous << " of its ink found, "
                          << nousDansRef << " of ours in it";
        } else {
            ++dessines;
        }
    }
    std::printf("corpus : %d fichiers, %d dessinés comme la référence, %d blancs, %d coupés ou "
                "différents, %d refusés par nous seuls, %d refusés par tous\n",
                static_cast<int>(fichiers.size()), dessines, blancs, coupes, refusesParNous,
                refusesParTous);
}

}  // namespace
