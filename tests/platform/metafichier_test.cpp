// Metafile pictures: WMF and EMF files written here byte by byte with known shapes (a red
// rectangle, a blue filled ellipse, a black text on a white ground), drawn at the frame's and
// the printed page's sizes, and checked pixel by pixel; broken files give an Erreur.

#include "platform/metafichier.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/images.h"
#include "platform/metafichier_processus.h"

namespace {

// ---------------------------------------------------------------------------------------
// Writers

struct Octets {
    std::vector<std::uint8_t> b;
    void u8(unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
    void u16(int v) {
        u8(static_cast<unsigned>(v) & 0xFF);
        u8((static_cast<unsigned>(v) >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    }
    void set32(std::size_t i, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b[i + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    QByteArray qt() const {
        return QByteArray(reinterpret_cast<const char*>(b.data()),
                          static_cast<qsizetype>(b.size()));
    }
};

// Logical picture: 1000 × 1000 units. The shapes every test looks for.
constexpr int kRectG = 100, kRectH = 100, kRectD = 400, kRectB = 400;
constexpr int kEllG = 500, kEllH = 100, kEllD = 900, kEllB = 500;
constexpr int kTexteX = 100, kTexteY = 850, kTexteHauteur = 100;
const char* const kTexte = "Brevandoux";

struct OptionsWmf {
    bool placable = true;
    int gauche = 0, haut = 0, droite = 1000, bas = 1000;  // placeable bounds
    int unitesParPouce = 1440;
    int ox = 0, oy = 0;  // window origin; the shapes are moved with it
    bool origine = true;
    std::string texte = kTexte;  // in the Windows code page
};

// A WMF: placeable header, standard header, then the records of the three shapes.
QByteArray ecrireWmf(const OptionsWmf& opt = {}) {
    Octets r;
    int plusGrand = 0;
    auto enr = [&](int fonction, const std::vector<int>& params) {
        const int mots = 3 + static_cast<int>(params.size());
        plusGrand = std::max(plusGrand, mots);
        r.u32(static_cast<std::uint32_t>(mots));
        r.u16(fonction);
        for (int p : params) r.u16(p);
    };
    const int dx = opt.ox, dy = opt.oy;
    if (opt.origine) enr(0x020B, {dy, dx});  // SETWINDOWORG y, x
    enr(0x020C, {1000, 1000});               // SETWINDOWEXT
    // CREATEPENINDIRECT style, width (x, y), COLORREF; CREATEBRUSHINDIRECT style, COLORREF, hatch.
    enr(0x02FA, {0, 1, 0, 0x00FF, 0x0000});  // red pen      -> object 0
    enr(0x02FC, {0, 0x00FF, 0x0000, 0});     // red brush    -> object 1
    enr(0x012D, {0});                        // SELECTOBJECT
    enr(0x012D, {1});
    enr(0x041B, {kRectB + dy, kRectD + dx, kRectH + dy, kRectG + dx});  // RECTANGLE b, r, t, l
    enr(0x01F0, {0});                                                   // DELETEOBJECT
    enr(0x01F0, {1});
    enr(0x02FA, {0, 1, 0, 0x0000, 0x00FF});  // blue pen   -> object 0
    enr(0x02FC, {0, 0x0000, 0x00FF, 0});     // blue brush -> object 1
    enr(0x012D, {0});
    enr(0x012D, {1});
    enr(0x0418, {kEllB + dy, kEllD + dx, kEllH + dy, kEllG + dx});  // ELLIPSE b, r, t, l
    // CREATEFONTINDIRECT: height, width, escapement, orientation, weight, then byte fields
    // and a 32-byte face name.
    std::vector<int> police = {-kTexteHauteur, 0, 0, 0, 700, 0, 0, 0, 0};
    const std::string nom = "Arial";
    std::vector<std::uint8_t> face(nom.begin(), nom.end());
    face.resize(32, 0);
    for (std::size_t i = 0; i < face.size(); i += 2) police.push_back(face[i] | (face[i + 1] << 8));
    enr(0x02FB, police);  // -> object 2
    enr(0x012D, {2});
    enr(0x0209, {0, 0});  // SETTEXTCOLOR black
    enr(0x0102, {1});     // SETBKMODE transparent
    const std::string& t = opt.texte;
    std::vector<int> texte = {static_cast<int>(t.size())};
    for (std::size_t i = 0; i < t.size(); i += 2) {
        texte.push_back(static_cast<std::uint8_t>(t[i]) |
                        (i + 1 < t.size() ? static_cast<std::uint8_t>(t[i + 1]) << 8 : 0));
    }
    texte.push_back(kTexteY + dy);
    texte.push_back(kTexteX + dx);
    enr(0x0521, texte);  // TEXTOUT length, string, y, x
    enr(0x0000, {});     // EOF

    Octets f;
    if (opt.placable) {
        f.u32(0x9AC6CDD7);
        f.u16(0);
        f.u16(opt.gauche + dx);
        f.u16(opt.haut + dy);
        f.u16(opt.droite + dx);
        f.u16(opt.bas + dy);
        f.u16(opt.unitesParPouce);
        f.u32(0);
        int somme = 0;
        for (std::size_t i = 0; i < 20; i += 2) somme ^= f.b[i] | (f.b[i + 1] << 8);
        f.u16(somme);
    }
    f.u16(1);      // memory metafile
    f.u16(9);      // header size in words
    f.u16(0x300);  // version
    f.u32(static_cast<std::uint32_t>(9 + r.b.size() / 2));
    f.u16(3);  // objects
    f.u32(static_cast<std::uint32_t>(plusGrand));
    f.u16(0);
    f.b.insert(f.b.end(), r.b.begin(), r.b.end());
    return f.qt();
}

struct OptionsEmf {
    int bornes[4] = {0, 0, 319, 319};     // drawn area in device pixels, inclusive
    int cadre[4] = {0, 0, 10000, 10000};  // picture frame in hundredths of a millimetre
    std::u16string texte = u"Brevandoux";
};

// An EMF on a reference device of 3.2 pixels per millimetre: the 100 mm frame is 320
// pixels, so the logical picture is 1000 units at 3.2 units per pixel... drawn in pixels.
QByteArray ecrireEmf(const OptionsEmf& opt = {}) {
    auto px = [](int unites) { return unites * 320 / 1000; };
    Octets r;
    int enregistrements = 0;
    auto enr = [&](std::uint32_t type, const Octets& corps) {
        r.u32(type);
        r.u32(static_cast<std::uint32_t>(8 + corps.b.size()));
        r.b.insert(r.b.end(), corps.b.begin(), corps.b.end());
        ++enregistrements;
    };
    auto objet = [&](std::uint32_t type, std::uint32_t indice, std::vector<std::uint32_t> champs) {
        Octets c;
        c.u32(indice);
        for (auto v : champs) c.u32(v);
        enr(type, c);
    };
    auto boite = [&](std::uint32_t type, int g, int h, int d, int b) {
        Octets c;
        for (int v : {px(g), px(h), px(d), px(b)}) c.u32(static_cast<std::uint32_t>(v));
        enr(type, c);
    };
    objet(38, 1, {0, 1, 0, 0x0000FF});  // CREATEPEN style, width x, y, red
    objet(39, 2, {0, 0x0000FF, 0});     // CREATEBRUSHINDIRECT style, red, hatch
    objet(37, 1, {});                   // SELECTOBJECT
    objet(37, 2, {});
    boite(43, kRectG, kRectH, kRectD, kRectB);  // RECTANGLE
    objet(38, 3, {0, 1, 0, 0xFF0000});          // blue pen
    objet(39, 4, {0, 0xFF0000, 0});             // blue brush
    objet(37, 3, {});
    objet(37, 4, {});
    boite(42, kEllG, kEllH, kEllD, kEllB);  // ELLIPSE
    {
        Octets c;  // EXTCREATEFONTINDIRECTW: index, LOGFONTW
        c.u32(5);
        c.u32(static_cast<std::uint32_t>(-px(kTexteHauteur)));
        for (int v : {0, 0, 0, 700}) c.u32(static_cast<std::uint32_t>(v));
        for (int i = 0; i < 8; ++i) c.u8(0);
        const std::string nom = "Arial";
        for (int i = 0; i < 32; ++i)
            c.u16(i < static_cast<int>(nom.size()) ? nom[static_cast<std::size_t>(i)] : 0);
        enr(82, c);
    }
    objet(37, 5, {});
    objet(24, 0, {});  // SETTEXTCOLOR black
    objet(18, 1, {});  // SETBKMODE transparent
    {
        const std::u16string& t = opt.texte;
        const std::size_t n = t.size();
        Octets c;                                                           // EXTTEXTOUTW
        for (int v : {0, 0, -1, -1}) c.u32(static_cast<std::uint32_t>(v));  // bounds
        c.u32(1);                                                           // GM_COMPATIBLE
        c.u32(0x3F800000);                                                  // x scale 1.0f
        c.u32(0x3F800000);                                                  // y scale 1.0f
        c.u32(static_cast<std::uint32_t>(px(kTexteX)));
        c.u32(static_cast<std::uint32_t>(px(kTexteY)));
        c.u32(static_cast<std::uint32_t>(n));
        const std::uint32_t offTexte = 76;  // from the record start
        const std::uint32_t offDx = offTexte + static_cast<std::uint32_t>((n * 2 + 3) / 4 * 4);
        c.u32(offTexte);
        c.u32(0);                                                           // options
        for (int v : {0, 0, -1, -1}) c.u32(static_cast<std::uint32_t>(v));  // clip
        c.u32(offDx);
        for (char16_t u : t) c.u16(u);
        while ((8 + c.b.size()) % 4 != 0) c.u8(0);
        for (std::size_t i = 0; i < n; ++i)
            c.u32(static_cast<std::uint32_t>(px(kTexteHauteur) * 6 / 10));
        enr(84, c);
    }
    objet(14, 0, {0, 20});  // EOF: palette count, offset, size of this record
    Octets h;
    h.u32(1);
    h.u32(108);
    for (int v : opt.bornes) h.u32(static_cast<std::uint32_t>(v));
    for (int v : opt.cadre) h.u32(static_cast<std::uint32_t>(v));
    h.u32(0x464D4520);
    h.u32(0x10000);
    h.u32(static_cast<std::uint32_t>(108 + r.b.size()));
    h.u32(static_cast<std::uint32_t>(enregistrements + 1));
    h.u16(6);  // handles
    h.u16(0);
    h.u32(0);  // description
    h.u32(0);
    h.u32(0);  // palette
    h.u32(1024);
    h.u32(768);
    h.u32(320);
    h.u32(240);
    h.u32(0);  // pixel format
    h.u32(0);
    h.u32(0);  // OpenGL
    h.u32(320000);
    h.u32(240000);
    h.b.insert(h.b.end(), r.b.begin(), r.b.end());
    return h.qt();
}

// ---------------------------------------------------------------------------------------
// Helpers

class Metafichier : public ::testing::Test {
protected:
    QTemporaryDir dossier_;
    std::string ecrire(const QString& nom, const QByteArray& octets) {
        const QString chemin = dossier_.filePath(nom);
        QFile f(chemin);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(octets);
        return chemin.toStdString();
    }
    QImage charger(const QString& nom, const QByteArray& octets, QSize cible) {
        return chargerImage(ecrire(nom, octets), cible);
    }
};

// The pixel at logical point (x, y) of the 1000 × 1000 picture.
QColor a(const QImage& img, int x, int y) {
    return img.pixelColor(x * img.width() / 1000, y * img.height() / 1000);
}

bool proche(const QColor& c, int r, int g, int b, int tolerance = 40) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

::testing::AssertionResult couleur(const QImage& img, int x, int y, int r, int g, int b) {
    const QColor c = a(img, x, y);
    if (proche(c, r, g, b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "at (" << x << ", " << y << ") found " << c.name().toStdString() << ", expected rgb("
           << r << ", " << g << ", " << b << ")";
}

// Dark pixels among those of the text line's box.
int pixelsSombresDuTexte(const QImage& img) {
    int sombres = 0;
    for (int y = kTexteY * img.height() / 1000; y < (kTexteY + kTexteHauteur) * img.height() / 1000;
         ++y) {
        for (int x = kTexteX * img.width() / 1000; x < 900 * img.width() / 1000; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() < 100 && c.green() < 100 && c.blue() < 100) ++sombres;
        }
    }
    return sombres;
}

// Every check of the drawing: shapes where they were drawn, in their colours, on white.
void verifierDessin(const QImage& img, QSize attendue) {
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), attendue);
    EXPECT_TRUE(couleur(img, 250, 250, 255, 0, 0)) << "red rectangle";
    EXPECT_TRUE(couleur(img, 150, 380, 255, 0, 0)) << "red rectangle";
    EXPECT_TRUE(couleur(img, 700, 300, 0, 0, 255)) << "blue ellipse centre";
    EXPECT_TRUE(couleur(img, 560, 300, 0, 0, 255)) << "blue ellipse left part";
    // Inside the ellipse's bounding box but outside the ellipse: a filled box is wrong.
    EXPECT_TRUE(couleur(img, 530, 130, 255, 255, 255)) << "corner outside the ellipse";
    EXPECT_TRUE(couleur(img, 880, 480, 255, 255, 255)) << "corner outside the ellipse";
    for (auto [x, y] :
         {std::pair{950, 950}, {30, 30}, {950, 30}, {30, 600}, {450, 600}, {970, 700}}) {
        EXPECT_TRUE(couleur(img, x, y, 255, 255, 255)) << "background";
    }
    const int texte = pixelsSombresDuTexte(img);
    const int boite = (kTexteHauteur * img.height() / 1000) * (800 * img.width() / 1000);
    EXPECT_GT(texte, boite / 30) << "the text line has too few dark pixels";
    EXPECT_LT(texte, boite * 2 / 3) << "the text line is a dark block, not letters";
}

// ---------------------------------------------------------------------------------------
// WMF

TEST_F(Metafichier, chargerImage_wmfBlueEllipse_isBlueInside) {
    const QImage img = charger("dessin.wmf", ecrireWmf(), QSize(178, 178));
    verifierDessin(img, QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfPrintSize_isDrawnSharpAtThatSize) {
    const QImage img = charger("dessin.wmf", ecrireWmf(), QSize(1000, 1000));
    verifierDessin(img, QSize(1000, 1000));
    // A picture drawn small and enlarged has a blurred edge several pixels wide; drawn at
    // this size, the rectangle's left edge at x = 100 goes from white to red within 2 pixels.
    EXPECT_TRUE(proche(img.pixelColor(97, 250), 255, 255, 255, 8))
        << img.pixelColor(97, 250).name().toStdString();
    EXPECT_TRUE(proche(img.pixelColor(103, 250), 255, 0, 0, 8))
        << img.pixelColor(103, 250).name().toStdString();
}

TEST_F(Metafichier, chargerImage_wmfUppercaseExtension_isLoaded) {
    verifierDessin(charger("DESSIN.WMF", ecrireWmf(), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfWidthTarget_stretchesTheFrame) {
    const QImage img = charger("dessin.wmf", ecrireWmf(), QSize(300, 120));
    verifierDessin(img, QSize(300, 120));
}

TEST_F(Metafichier, chargerImage_wmfFrameAwayFromOrigin_drawsShapesInPlace) {
    OptionsWmf opt;
    opt.ox = 2000;
    opt.oy = -3000;
    verifierDessin(charger("loin.wmf", ecrireWmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfOtherUnitsPerInch_drawsSamePicture) {
    OptionsWmf opt;
    opt.unitesParPouce = 96;
    verifierDessin(charger("unites.wmf", ecrireWmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfWithoutPlaceableHeader_usesWindowExtent) {
    OptionsWmf opt;
    opt.placable = false;
    verifierDessin(charger("simple.wmf", ecrireWmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfInvalidTarget_usesOwnSize) {
    // 1000 units at 1440 a inch are 0.69 inch: 67 pixels at 96 dots per inch.
    const QImage img = charger("dessin.wmf", ecrireWmf(), QSize());
    EXPECT_EQ(img.size(), QSize(67, 67));
    EXPECT_TRUE(couleur(img, 700, 300, 0, 0, 255));
}

// ---------------------------------------------------------------------------------------
// EMF

TEST_F(Metafichier, chargerImage_emfBlueEllipse_isBlueInside) {
    verifierDessin(charger("dessin.emf", ecrireEmf(), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_emfPrintSize_isDrawnSharpAtThatSize) {
    const QImage img = charger("dessin.EMF", ecrireEmf(), QSize(1000, 1000));
    verifierDessin(img, QSize(1000, 1000));
    EXPECT_TRUE(proche(img.pixelColor(97, 250), 255, 255, 255, 8))
        << img.pixelColor(97, 250).name().toStdString();
    EXPECT_TRUE(proche(img.pixelColor(103, 250), 255, 0, 0, 8))
        << img.pixelColor(103, 250).name().toStdString();
}

TEST_F(Metafichier, chargerImage_emfBoundsSmallerThanFrame_keepsTheWholeFrame) {
    // The drawn-area bounds cover the rectangle only: the converter's own size would cut the
    // ellipse and the text off and enlarge the rectangle to the whole picture.
    OptionsEmf opt;
    const int b[4] = {32, 32, 128, 128};
    std::copy(std::begin(b), std::end(b), opt.bornes);
    verifierDessin(charger("bornes.emf", ecrireEmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_emfBoundsAwayFromFrame_keepsTheWholeFrame) {
    OptionsEmf opt;
    const int b[4] = {160, 32, 288, 160};  // the ellipse only
    std::copy(std::begin(b), std::end(b), opt.bornes);
    verifierDessin(charger("bornes.emf", ecrireEmf(opt), QSize(250, 178)), QSize(250, 178));
}

TEST_F(Metafichier, chargerImage_emfEmptyFrame_fallsBackOnBounds) {
    OptionsEmf opt;
    const int c[4] = {0, 0, 0, 0};
    std::copy(std::begin(c), std::end(c), opt.cadre);
    verifierDessin(charger("sanscadre.emf", ecrireEmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_wmfTextWithAccentsAndMarkup_isDrawn) {
    // Windows-1252 bytes, XML's special characters and a control character.
    OptionsWmf opt;
    opt.texte = "R&D \xE9t\xE9 <b>\x01\x80";
    verifierDessin(charger("texte.wmf", ecrireWmf(opt), QSize(178, 178)), QSize(178, 178));
}

TEST_F(Metafichier, chargerImage_emfTextWithAccentsAndControl_isDrawn) {
    OptionsEmf opt;
    opt.texte = u"R&D \u00E9t\u00E9 <b>\u0001]]>";
    verifierDessin(charger("texte.emf", ecrireEmf(opt), QSize(178, 178)), QSize(178, 178));
}

// ---------------------------------------------------------------------------------------
// Broken files

void attendreErreur(const std::string& chemin, const char* fragment) {
    try {
        chargerImage(chemin, QSize(178, 178));
        ADD_FAILURE() << chemin << " was loaded";
    } catch (const Erreur& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("l'image " + chemin + " n'a pas pu être chargée : "), std::string::npos)
            << m;
        EXPECT_NE(m.find(fragment), std::string::npos) << m;
    }
}

TEST_F(Metafichier, chargerImage_truncatedWmf_throwsErreur) {
    const QByteArray entier = ecrireWmf();
    for (qsizetype n : {qsizetype{0}, qsizetype{3}, qsizetype{21}, qsizetype{30}, entier.size() / 2,
                        entier.size() - 2}) {
        attendreErreur(ecrire("coupe.wmf", entier.left(n)), n < 4 ? "WMF" : "tronqué");
    }
}

TEST_F(Metafichier, chargerImage_truncatedEmf_throwsErreur) {
    const QByteArray entier = ecrireEmf();
    for (qsizetype n :
         {qsizetype{0}, qsizetype{40}, qsizetype{100}, entier.size() / 2, entier.size() - 4}) {
        attendreErreur(ecrire("coupe.emf", entier.left(n)), n < 8 ? "EMF" : "tronqué");
    }
}

TEST_F(Metafichier, chargerImage_garbage_throwsErreur) {
    QByteArray bruit;
    for (int i = 0; i < 4096; ++i) bruit.append(static_cast<char>((i * 7919 + 13) % 251));
    attendreErreur(ecrire("bruit.wmf", bruit), "WMF");
    attendreErreur(ecrire("bruit.emf", bruit), "EMF");
    // A picture of another kind under a metafile's name.
    attendreErreur(ecrire("autre.emf", ecrireWmf()), "EMF");
    attendreErreur(ecrire("autre.wmf", ecrireEmf()), "WMF");
}

TEST_F(Metafichier, chargerImage_wmfRecordOfSizeZero_throwsErreurAtOnce) {
    // A record that claims no length would have a reader play the same bytes forever.
    QByteArray o = ecrireWmf();
    const qsizetype premier = 22 + 18;
    o[premier] = 0;
    o[premier + 1] = 0;
    o[premier + 2] = 0;
    o[premier + 3] = 0;
    // Refused by the record check itself, before any converter could loop: a converter that
    // looped would be stopped by its time limit, with another message.
    attendreErreur(ecrire("boucle.wmf", o), "taille invalide");
}

TEST_F(Metafichier, chargerImage_emfRecordOfSizeZero_throwsErreur) {
    QByteArray o = ecrireEmf();
    for (int i = 108 + 4; i < 108 + 8; ++i) o[i] = 0;
    attendreErreur(ecrire("boucle.emf", o), "taille invalide");
}

TEST_F(Metafichier, chargerImage_emfHugeFrame_throwsErreur) {
    OptionsEmf opt;
    const int c[4] = {-2000000000, -2000000000, 2000000000, 2000000000};
    std::copy(std::begin(c), std::end(c), opt.cadre);
    attendreErreur(ecrire("enorme.emf", ecrireEmf(opt)), "absurdes");
}

TEST_F(Metafichier, chargerImage_wmfZeroUnitsPerInch_throwsErreur) {
    OptionsWmf opt;
    opt.unitesParPouce = 0;
    attendreErreur(ecrire("pouce.wmf", ecrireWmf(opt)), "unités par pouce");
}

TEST_F(Metafichier, chargerImage_wmfTooManyRecords_throwsErreur) {
    // The header, then far more no-op records (SETBKMODE) than the limit, then the end.
    QByteArray o = ecrireWmf().left(22 + 18);
    const char enr[] = {3 + 1, 0, 0, 0, 0x02, 0x01, 1, 0};
    for (long i = 0; i <= kEnregistrementsMetafichierMax; ++i) o.append(enr, sizeof enr);
    o.append("\x03\x00\x00\x00\x00\x00", 6);
    attendreErreur(ecrire("long.wmf", o), "trop d'enregistrements");
}

// ---------------------------------------------------------------------------------------
// The frame of a WMF as libwmf maps it

// A WMF of rectangles filled without outline, each given as its colour (0xBBGGRR) and box.
struct Rect {
    std::uint32_t couleur;
    int g, h, d, b;
};

struct OptionsCarte {
    bool placable = true;
    int boite[4] = {0, 0, 100, 100};  // placeable box
    int unitesParPouce = 96;
    int modeDeProjection = 0;         // none when 0
    bool fenetre = true;
    int ox = 0, oy = 0, ex = 100, ey = 100;
    bool vue = false;
    int vx = 0, vy = 0;  // viewport extent
};

QByteArray ecrireWmfRects(const OptionsCarte& opt, const std::vector<Rect>& rects) {
    Octets r;
    int plusGrand = 3;
    auto enr = [&](int fonction, const std::vector<int>& params) {
        const int mots = 3 + static_cast<int>(params.size());
        plusGrand = std::max(plusGrand, mots);
        r.u32(static_cast<std::uint32_t>(mots));
        r.u16(fonction);
        for (int p : params) r.u16(p);
    };
    if (opt.modeDeProjection != 0) enr(0x0103, {opt.modeDeProjection});
    if (opt.fenetre) {
        enr(0x020B, {opt.oy, opt.ox});
        enr(0x020C, {opt.ey, opt.ex});
    }
    if (opt.vue) enr(0x020E, {opt.vy, opt.vx});
    enr(0x02FA, {5, 0, 0, 0, 0});  // null pen -> object 0
    enr(0x012D, {0});
    for (const Rect& x : rects) {
        enr(0x02FC, {0, static_cast<int>(x.couleur & 0xFFFF), static_cast<int>(x.couleur >> 16), 0});
        enr(0x012D, {1});
        enr(0x041B, {x.b, x.d, x.h, x.g});
        enr(0x01F0, {1});
    }
    enr(0x0000, {});
    Octets f;
    if (opt.placable) {
        f.u32(0x9AC6CDD7);
        f.u16(0);
        for (int v : opt.boite) f.u16(v);
        f.u16(opt.unitesParPouce);
        f.u32(0);
        int somme = 0;
        for (std::size_t i = 0; i < 20; i += 2) somme ^= f.b[i] | (f.b[i + 1] << 8);
        f.u16(somme);
    }
    f.u16(1);
    f.u16(9);
    f.u16(0x300);
    f.u32(static_cast<std::uint32_t>(9 + r.b.size() / 2));
    f.u16(2);
    f.u32(static_cast<std::uint32_t>(plusGrand));
    f.u16(0);
    f.b.insert(f.b.end(), r.b.begin(), r.b.end());
    return f.qt();
}

constexpr std::uint32_t kBlanc = 0xFFFFFF, kBleu = 0xFF0000, kRouge = 0x0000FF;

// The pixel at a share (0 to 1) of the picture's width and height.
QColor au(const QImage& img, double x, double y) {
    return img.pixelColor(std::min(img.width() - 1, static_cast<int>(x * img.width())),
                          std::min(img.height() - 1, static_cast<int>(y * img.height())));
}

// The white window with a blue square from 10 % to 90 % of it: the frame must be the window.
void verifierCarreBleu(const QImage& img) {
    ASSERT_FALSE(img.isNull());
    for (auto [x, y] : {std::pair{0.5, 0.5}, {0.15, 0.15}, {0.85, 0.85}, {0.15, 0.85}}) {
        EXPECT_TRUE(proche(au(img, x, y), 0, 0, 255)) << x << ", " << y << ": " << au(img, x, y).name().toStdString();
    }
    for (auto [x, y] : {std::pair{0.04, 0.04}, {0.96, 0.96}, {0.04, 0.5}, {0.5, 0.96}}) {
        EXPECT_TRUE(proche(au(img, x, y), 255, 255, 255)) << x << ", " << y << ": " << au(img, x, y).name().toStdString();
    }
}

TEST_F(Metafichier, chargerImage_wmfAnisotropicWindow_isMappedAsLibwmfDrawsIt) {
    // libwmf maps this window onto its own 1024 × 1024 viewport, not the header's box.
    for (int mode : {8 /* MM_ANISOTROPIC */, 7 /* MM_ISOTROPIC */}) {
        SCOPED_TRACE(mode);
        OptionsCarte opt;
        opt.modeDeProjection = mode;
        verifierCarreBleu(charger("carte.wmf",
                                  ecrireWmfRects(opt, {{kBlanc, 0, 0, 100, 100}, {kBleu, 10, 10, 90, 90}}),
                                  QSize(178, 178)));
    }
}

TEST_F(Metafichier, chargerImage_wmfWindowOfItsOwn_overridesTheHeaderBox) {
    const std::vector<Rect> dessin = {{kBlanc, 1000, 2000, 1400, 2400}, {kBleu, 1040, 2040, 1360, 2360}};
    OptionsCarte opt;
    opt.ox = 1000;
    opt.oy = 2000;
    opt.ex = 400;
    opt.ey = 400;
    for (int mode : {0, 8}) {
        for (bool vue : {false, true}) {
            SCOPED_TRACE(std::to_string(mode) + (vue ? " with a viewport extent" : ""));
            opt.modeDeProjection = mode;
            opt.vue = vue;
            opt.vx = 3000;
            opt.vy = 1500;
            verifierCarreBleu(charger("fenetre.wmf", ecrireWmfRects(opt, dessin), QSize(178, 178)));
        }
    }
}

TEST_F(Metafichier, chargerImage_wmfNegativeWindowExtent_isTurnedAsLibwmfTurnsIt) {
    // The window runs from y = 100 up to y = 0: the red band at y 60 to 90 is at the top.
    OptionsCarte opt;
    opt.oy = 100;
    opt.ey = -100;
    for (int mode : {0, 8}) {
        SCOPED_TRACE(mode);
        opt.modeDeProjection = mode;
        const QImage img = charger("retourne.wmf",
                                   ecrireWmfRects(opt, {{kBlanc, 0, 0, 100, 100}, {kRouge, 10, 60, 90, 90}}),
                                   QSize(178, 178));
        EXPECT_TRUE(proche(au(img, 0.5, 0.25), 255, 0, 0)) << au(img, 0.5, 0.25).name().toStdString();
        EXPECT_TRUE(proche(au(img, 0.5, 0.75), 255, 255, 255)) << au(img, 0.5, 0.75).name().toStdString();
    }
}

TEST_F(Metafichier, chargerImage_wmfFrameMissingTheDrawing_showsTheDrawing) {
    // The header's box is far from everything drawn: the measured drawing stands for it.
    OptionsCarte opt;
    opt.fenetre = false;
    verifierCarreBleu(charger("ailleurs.wmf",
                              ecrireWmfRects(opt, {{kBlanc, 5000, 5000, 5100, 5100}, {kBleu, 5010, 5010, 5090, 5090}}),
                              QSize(178, 178)));
}

TEST_F(Metafichier, chargerImage_wmfDrawingSpillingOverItsFrame_isShownWhole) {
    // A red square half outside the window, on the right: all of it is shown, at the right.
    OptionsCarte opt;
    opt.modeDeProjection = 8;
    const QImage img = charger("deborde.wmf",
                               ecrireWmfRects(opt, {{kBleu, 10, 10, 50, 90}, {kRouge, 80, 30, 140, 70}}),
                               QSize(280, 178));
    EXPECT_TRUE(proche(au(img, 0.97, 0.5), 255, 0, 0)) << au(img, 0.97, 0.5).name().toStdString();
    EXPECT_TRUE(proche(au(img, 0.2, 0.5), 0, 0, 255)) << au(img, 0.2, 0.5).name().toStdString();
    EXPECT_TRUE(proche(au(img, 0.97, 0.05), 255, 255, 255)) << au(img, 0.97, 0.05).name().toStdString();
}

TEST_F(Metafichier, chargerImage_metafileShowingNothing_isRefused) {
    // White on white: the frame would look like a picture that is there.
    attendreErreur(ecrire("blanc.wmf", ecrireWmfRects({}, {{kBlanc, 0, 0, 100, 100}})), "ne montre rien");
}

// ---------------------------------------------------------------------------------------
// The program that runs the converters

TEST(ExecuterIsole, programFoundBesideTheProgram) {
    const std::string chemin = cheminProgrammeImage();
    ASSERT_FALSE(chemin.empty());
    EXPECT_EQ(access(chemin.c_str(), X_OK), 0);
    EXPECT_NE(chemin.find("brevandoux-image"), std::string::npos);
}

// A stand-in for the drawing program: a shell script, its arguments after it.
std::string sh(const std::string& script, const std::string& entree = {},
               const LimitesProcessus& limites = {}) {
    return executerIsole("/bin/sh", {"-c", script}, entree, limites);
}

TEST(ExecuterIsole, result_comesBack) {
    EXPECT_EQ(sh("printf O; head -c 200000 /dev/zero | tr '\\0' x"), std::string(200000, 'x'));
}

TEST(ExecuterIsole, input_reachesTheProgram) {
    const std::string entree(300000, 'y');  // more than a pipe holds
    EXPECT_EQ(sh("printf O; cat", entree), entree);
}

TEST(ExecuterIsole, erreurInChild_comesBackWithItsMessage) {
    try {
        sh("printf 'Eraison précise'");
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_STREQ(e.what(), "raison précise");
    }
}

TEST(ExecuterIsole, crashInChild_isAnErreur) {
    EXPECT_THROW(sh("kill -SEGV $$"), Erreur);
    EXPECT_THROW(sh("exit 3"), Erreur);
    EXPECT_THROW(sh("printf 'X?'"), Erreur);
}

TEST(ExecuterIsole, endlessChild_isKilledAfterItsTime) {
    QTemporaryDir dossier;
    const std::string fichierPid = dossier.filePath(QStringLiteral("pid")).toStdString();
    LimitesProcessus l;
    l.delai = std::chrono::milliseconds(300);
    try {
        sh("echo $$ > '" + fichierPid + "'; exec sleep 60", {}, l);
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_NE(std::string(e.what()).find("trop long"), std::string::npos) << e.what();
    }
    // The child is gone, killed and collected: not left running nor as a zombie.
    QFile f(QString::fromStdString(fichierPid));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const pid_t pid = static_cast<pid_t>(f.readAll().trimmed().toInt());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(ExecuterIsole, tooMuchOutput_isAnErreur) {
    LimitesProcessus l;
    l.sortieMax = 1000;
    EXPECT_THROW(sh("printf O; head -c 100000 /dev/zero", {}, l), Erreur);
}

TEST(ExecuterIsole, missingProgram_isAnErreurInFrench) {
    try {
        executerIsole({}, {}, {}, {});
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_NE(std::string(e.what()).find("introuvable"), std::string::npos) << e.what();
    }
    EXPECT_THROW(executerIsole("/nonexistent/brevandoux-image", {}, {}, {}), Erreur);
}

TEST_F(Metafichier, fontsUsedByTheProgram_doNotStopTheConversion) {
    // libemf2svg shuts fontconfig down after looking fonts up: in its own process now, it
    // cannot touch the fonts this program's text drawing holds.
    QImage texte(200, 20, QImage::Format_RGB32);
    {
        QPainter p(&texte);
        for (const char* famille : {"Helvetica", "Arial", "Nimbus Famille Inconnue", "Symbol"}) {
            p.setFont(QFont(QString::fromLatin1(famille), 12, QFont::Bold, true));
            p.drawText(2, 15, QStringLiteral("Abc \u00E9\u4E2D\u0416\u2603"));
        }
    }
    for (int i = 0; i < 2; ++i) {
        verifierDessin(charger("texte.emf", ecrireEmf(), QSize(178, 178)), QSize(178, 178));
    }
}

}  // namespace
