#include "image/rendu_emf.h"

#include <QPointF>
#include <QRegularExpression>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" {
#include <emf2svg.h>
}

#include "core/services.h"
#include "image/metafichier_commun.h"
#include "image/rendu_svg.h"
#include "image/reparation_svg.h"
#include "platform/metafichier.h"

namespace metafichier {

namespace {

constexpr std::uint32_t kEmfEnTete = 1;
constexpr std::uint32_t kEmfFin = 14;
constexpr std::uint32_t kEmfCommentaire = 70;
constexpr std::uint32_t kSignatureEmf = 0x464D4520;      // " EMF"
constexpr std::uint32_t kSignatureEmfPlus = 0x2B464D45;  // "EMF+"

struct AnalyseEmf {
    std::int32_t bornes[4]{};  // drawn area, inclusive device pixels
    std::int32_t cadre[4]{};   // picture frame, hundredths of a millimetre
    std::int32_t pixels[2]{};  // reference device size in pixels
    std::int32_t mm[2]{};      // and in millimetres
    qsizetype fin = 0;
    long enregistrements = 0;
    bool emfPlus = false;  // EMF+ records ride in comment records
};

AnalyseEmf analyserEmf(const QByteArray& o) {
    AnalyseEmf a;
    const qsizetype n = o.size();
    if (n < 88 || lire32(o, 0) != kEmfEnTete || lire32(o, 40) != kSignatureEmf) {
        refuser(n < 88 && n >= 8 && lire32(o, 0) == kEmfEnTete ? "le métafichier est tronqué"
                                                               : "ce n'est pas un métafichier EMF");
    }
    for (int i = 0; i < 4; ++i) {
        a.bornes[i] = lireS32(o, 8 + 4 * i);
        a.cadre[i] = lireS32(o, 24 + 4 * i);
    }
    for (int i = 0; i < 2; ++i) {
        a.pixels[i] = lireS32(o, 72 + 4 * i);
        a.mm[i] = lireS32(o, 80 + 4 * i);
    }
    qsizetype pos = 0;
    for (;;) {
        if (n - pos < 8) refuser("le métafichier est tronqué");
        const std::uint32_t type = lire32(o, pos);
        const std::uint32_t taille = lire32(o, pos + 4);
        if (taille < 8 || taille % 4 != 0)
            refuser("le métafichier contient un enregistrement de taille invalide");
        if (taille > static_cast<std::uint64_t>(n - pos)) refuser("le métafichier est tronqué");
        if (pos == 0 && taille < 88) refuser("l'en-tête du métafichier est invalide");
        if (++a.enregistrements > kEnregistrementsMetafichierMax) {
            refuser("le métafichier contient trop d'enregistrements");
        }
        if (type == kEmfCommentaire && taille >= 16 && lire32(o, pos + 12) == kSignatureEmfPlus) {
            a.emfPlus = true;
        }
        pos += static_cast<qsizetype>(taille);
        if (type == kEmfFin) break;
    }
    a.fin = pos;
    return a;
}

// The picture frame in the reference device's pixels, the unit libemf2svg draws in.
Boite cadreEmf(const AnalyseEmf& a) {
    if (a.pixels[0] <= 0 || a.pixels[1] <= 0 || a.mm[0] <= 0 || a.mm[1] <= 0) return {};
    const double kx = a.pixels[0] / (100.0 * a.mm[0]);
    const double ky = a.pixels[1] / (100.0 * a.mm[1]);
    if (a.cadre[2] <= a.cadre[0] || a.cadre[3] <= a.cadre[1]) return {};
    return entre(a.cadre[0] * kx, a.cadre[1] * ky, a.cadre[2] * kx, a.cadre[3] * ky);
}

Boite bornesEmf(const AnalyseEmf& a) {
    if (a.bornes[2] <= a.bornes[0] || a.bornes[3] <= a.bornes[1]) return {};
    return entre(a.bornes[0], a.bornes[1], a.bornes[2], a.bornes[3]);
}

// libemf2svg draws in device pixels, shifted by the drawn area's corner.
std::string emfEnSvg(std::string octets, bool emfPlus) {
    static char espaceDeNoms[] = "";
    generatorOptions options{};
    options.nameSpace = espaceDeNoms;
    options.verbose = false;
    options.emfplus = emfPlus;
    options.svgDelimiter = true;
    options.imgWidth = 0;
    options.imgHeight = 0;
    char* sortie = nullptr;
    std::size_t longueur = 0;
    const int ok = emf2svg(octets.data(), octets.size(), &sortie, &longueur, &options);
    std::string resultat = sortie != nullptr ? std::string(sortie, longueur) : std::string();
    std::free(sortie);
    if (!ok || resultat.empty()) throw Erreur("le dessin EMF est illisible");
    return resultat;
}

// libemf2svg wraps the drawing in translate(-left, -top) of the drawn area.
QPointF decalageEmf(const QByteArray& svg) {
    static const QRegularExpression translation(
        QStringLiteral("<svg[\\s>][^>]*>\\s*<g\\s+transform\\s*=\\s*\"translate\\(\\s*([-+0-9.eE]+)"
                       "\\s*,\\s*([-+0-9.eE]+)\\s*\\)\""));
    const QRegularExpressionMatch m = translation.match(QString::fromUtf8(svg.left(4096)));
    if (!m.hasMatch()) return {};
    bool okX = false, okY = false;
    const double x = m.captured(1).toDouble(&okX), y = m.captured(2).toDouble(&okY);
    if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y)) return {};
    return {x, y};
}

}  // namespace

QImage dessinerEmf(const QByteArray& octets, QSize cible) {
    const AnalyseEmf a = analyserEmf(octets);
    Boite vue = cadreEmf(a);
    QSizeF naturelle;
    if (vue.valide()) {
        naturelle = QSizeF((a.cadre[2] - static_cast<double>(a.cadre[0])) * 96.0 / 2540.0,
                           (a.cadre[3] - static_cast<double>(a.cadre[1])) * 96.0 / 2540.0);
    } else {
        // Without a usable frame, the drawn area stands for it.
        vue = bornesEmf(a);
        if (!vue.valide()) refuser("le cadre du dessin est vide");
        naturelle = QSizeF(vue.l, vue.h);
    }
    verifierCotes(vue);
    const QSize taille = tailleDeRendu(cible, naturelle);

    // libemf2svg reads the header's byte and record counts: make them agree with the
    // records that were checked.
    std::string copie(octets.constData(), static_cast<std::size_t>(a.fin));
    ecrire32(copie, 48, static_cast<std::uint32_t>(a.fin));
    ecrire32(copie, 52, static_cast<std::uint32_t>(a.enregistrements));
    // EMF+ records are drawn again by the plain records that follow them in dual files,
    // which libemf2svg handles much more completely; files made of EMF+ records alone are
    // drawn from those. Both conversions come before Qt looks fonts up: libemf2svg shuts
    // fontconfig down when it is done.
    const std::string brut = emfEnSvg(copie, false);
    std::string plus;
    if (a.emfPlus) {
        try {
            plus = emfEnSvg(copie, true);
        } catch (const Erreur&) {
            // The plain records alone are then all there is.
        }
    }
    auto dessiner = [&](const std::string& texte) {
        const QByteArray svg = reparerSvgEmf(QByteArray::fromStdString(texte));
        Boite v = vue;
        const QPointF decalage = decalageEmf(svg);
        v.x += decalage.x();
        v.y += decalage.y();
        return dessinerSvg(cadrerSvg(svg, v, taille), taille);
    };
    QImage image = dessiner(brut);
    if (!plus.empty() && blanche(image)) image = dessiner(plus);
    if (blanche(image)) refuser("le dessin ne montre rien");
    return image;
}

}  // namespace metafichier
