#include "image/rendu_wmf.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

#include "core/services.h"
#include "image/analyse_wmf.h"
#include "image/metafichier_commun.h"
#include "image/rendu_svg.h"
#include "image/reparation_svg.h"

namespace metafichier {

namespace {

// Below this share of the measured drawing inside it, a WMF's frame is not the picture's.
constexpr double kPartVisibleMin = 0.5;
// Below this share, the drawing spills over its frame. libwmf's measure holds half of every
// pen's width and its own guess at the width of texts: a frame line drawn on the frame's edge
// or a text a little wider than guessed leaves more than this inside.
constexpr double kPartVisibleEntiere = 0.97;

// A libwmf session on bytes of a file; destroyed with its object.
class SessionWmf {
public:
    explicit SessionWmf(std::string& octets) {
        wmfAPI_Options options{};
        options.function = wmf_svg_function;
        const unsigned long drapeaux =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, drapeaux, &options) != wmf_E_None) {
            if (api_ != nullptr) wmf_api_destroy(api_);
            api_ = nullptr;
            throw Erreur("libwmf n'a pas pu démarrer");
        }
        if (wmf_mem_open(api_, reinterpret_cast<unsigned char*>(octets.data()),
                         static_cast<long>(octets.size())) != wmf_E_None) {
            wmf_api_destroy(api_);
            api_ = nullptr;
            throw Erreur("libwmf n'a pas pu ouvrir le dessin");
        }
    }
    ~SessionWmf() {
        if (api_ != nullptr) wmf_api_destroy(api_);
    }
    SessionWmf(const SessionWmf&) = delete;
    SessionWmf& operator=(const SessionWmf&) = delete;
    wmfAPI* api() const { return api_; }
    // The drawn area in the player's units, as libwmf measures it.
    bool mesurer(Boite& bornes) {
        wmfD_Rect r{};
        if (wmf_scan(api_, 0, &r) != wmf_E_None) return false;
        bornes = entre(r.TL.x, r.TL.y, r.BR.x, r.BR.y);
        return true;
    }

private:
    wmfAPI* api_ = nullptr;
};

void poser16(std::string& o, std::uint16_t v) {
    o += static_cast<char>(v & 0xFF);
    o += static_cast<char>(v >> 8);
}
void poser32(std::string& o, std::uint32_t v) {
    poser16(o, static_cast<std::uint16_t>(v & 0xFFFF));
    poser16(o, static_cast<std::uint16_t>(v >> 16));
}

// Where libwmf puts the logical point (x, y): the file's header and mapping records, then
// one pixel at that point, measured by libwmf itself. The measure spreads evenly around the
// point, so its middle is the point. The mapping rules stay libwmf's own, whatever they are.
bool placerPoint(const std::string& copie, const AnalyseWmf& a, int x, int y, QPointF& point) {
    std::string sonde(copie, 0, static_cast<std::size_t>(a.debut + 18));
    std::uint32_t plusGrand = 7;
    for (const auto& [debut, taille] : a.projection) {
        sonde.append(copie, static_cast<std::size_t>(debut), static_cast<std::size_t>(taille));
        plusGrand = std::max(plusGrand, static_cast<std::uint32_t>(taille / 2));
    }
    poser32(sonde, 7);
    poser16(sonde, kWmfPoint);
    poser16(sonde, 0);  // black
    poser16(sonde, 0);
    poser16(sonde, static_cast<std::uint16_t>(y));
    poser16(sonde, static_cast<std::uint16_t>(x));
    poser32(sonde, 3);
    poser16(sonde, kWmfFin);
    ecrire32(sonde, static_cast<std::size_t>(a.debut) + 6,
             static_cast<std::uint32_t>((sonde.size() - static_cast<std::size_t>(a.debut)) / 2));
    ecrire32(sonde, static_cast<std::size_t>(a.debut) + 12, plusGrand);
    SessionWmf session(sonde);
    Boite b;
    if (!session.mesurer(b) || !std::isfinite(b.x) || !std::isfinite(b.y)) return false;
    point = QPointF(b.x + b.l / 2, b.y + b.h / 2);
    return true;
}

// The picture's frame in libwmf's units: the file's own window when it sets one, as the
// programs that write these files expect, else the placeable header's box. libwmf maps
// both axes on their own, so two points give the whole mapping.
bool cadreWmf(const std::string& copie, const AnalyseWmf& a, Boite& cadre) {
    double g, h, d, b;
    if (a.fenetre.etendue && a.fenetre.ex != 0 && a.fenetre.ey != 0) {
        g = a.fenetre.ox;
        h = a.fenetre.oy;
        d = a.fenetre.ox + a.fenetre.ex;
        b = a.fenetre.oy + a.fenetre.ey;
    } else if (a.placable) {
        g = a.gauche;
        h = a.haut;
        d = a.droite;
        b = a.bas;
    } else {
        return false;
    }
    constexpr int kPas = 1000;
    QPointF p0, p1;
    if (!placerPoint(copie, a, 0, 0, p0) || !placerPoint(copie, a, kPas, kPas, p1)) return false;
    const double kx = (p1.x() - p0.x()) / kPas, ky = (p1.y() - p0.y()) / kPas;
    cadre = entre(p0.x() + g * kx, p0.y() + h * ky, p0.x() + d * kx, p0.y() + b * ky);
    return cadre.valide();
}

Boite reunion(const Boite& a, const Boite& b) {
    return entre(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x + a.l, b.x + b.l),
                 std::max(a.y + a.h, b.y + b.h));
}

// The part of the measured drawing that the frame shows.
double partVisible(const Boite& cadre, const Boite& bornes) {
    const double l = std::min(cadre.x + cadre.l, bornes.x + bornes.l) - std::max(cadre.x, bornes.x);
    const double h = std::min(cadre.y + cadre.h, bornes.y + bornes.h) - std::max(cadre.y, bornes.y);
    if (!bornes.valide()) return 1;
    if (l <= 0 || h <= 0) return 0;
    return (l * h) / (bornes.l * bornes.h);
}

// libwmf draws the frame onto an SVG of the frame's proportions, 1000 units on its longer
// side; Qt SVG stretches it to the target afterwards, text included, as every picture of the
// frame is stretched.
std::string wmfEnSvg(std::string octets, const AnalyseWmf& a) {
    Boite cadre;
    const bool cadreConnu = cadreWmf(octets, a, cadre);
    SessionWmf session(octets);
    wmfAPI* api = session.api();
    Boite bornes;
    if (!session.mesurer(bornes)) throw Erreur("le dessin WMF est illisible");
    // A frame that misses the drawing is a frame the file's writer did not mean: the drawing
    // is then shown by its measured bounds, as libwmf's own tools show it. A drawing that
    // spills over its frame is shown whole, the frame grown to hold it.
    const double visible = cadreConnu ? partVisible(cadre, bornes) : 0;
    if (std::getenv("BREVANDOUX_TRACE_CONVERTISSEUR") != nullptr) {
        std::fprintf(stderr, "cadre %g %g %g %g (%s), dessin %g %g %g %g, part visible %g\n",
                     cadre.x, cadre.y, cadre.l, cadre.h, cadreConnu ? "connu" : "inconnu", bornes.x,
                     bornes.y, bornes.l, bornes.h, visible);
    }
    if (visible < kPartVisibleMin) {
        if (!bornes.valide()) throw Erreur("le dessin est vide");
        cadre = bornes;
    } else if (visible < kPartVisibleEntiere) {
        cadre = reunion(cadre, bornes);
    }
    verifierCotes(cadre);
    wmf_svg_t* svg = WMF_SVG_GetData(api);
    svg->out = wmf_stream_create(api, nullptr);
    if (svg->out == nullptr) throw Erreur("mémoire insuffisante");
    static char description[] = "Brevandoux";
    svg->Description = description;
    svg->bbox.TL.x = static_cast<float>(cadre.x);
    svg->bbox.TL.y = static_cast<float>(cadre.y);
    svg->bbox.BR.x = static_cast<float>(cadre.x + cadre.l);
    svg->bbox.BR.y = static_cast<float>(cadre.y + cadre.h);
    const double echelle = 1000.0 / std::max(cadre.l, cadre.h);
    svg->width = static_cast<unsigned>(std::max(1L, std::lround(cadre.l * echelle)));
    svg->height = static_cast<unsigned>(std::max(1L, std::lround(cadre.h * echelle)));
    // Embedded bitmaps go into the SVG itself rather than into files beside it.
    svg->flags |= WMF_SVG_INLINE_IMAGES;
    // wmf_play writes the drawn area into its rectangle: it must not be the device's frame.
    wmfD_Rect dessine = svg->bbox;
    const wmf_error_t joue = wmf_play(api, 0, &dessine);
    char* memoire = nullptr;
    unsigned long longueur = 0;
    wmf_stream_destroy(api, svg->out, &memoire, &longueur);
    std::string resultat = memoire != nullptr ? std::string(memoire, longueur) : std::string();
    if (joue != wmf_E_None || resultat.empty()) throw Erreur("le dessin WMF est illisible");
    return resultat;
}

}  // namespace

QImage dessinerWmf(const QByteArray& octets, QSize cible) {
    const AnalyseWmf a = analyserWmf(octets);
    QSizeF naturelle;
    if (a.placable) {
        naturelle = QSizeF(std::abs(a.droite - a.gauche) * 96.0 / a.unitesParPouce,
                           std::abs(a.bas - a.haut) * 96.0 / a.unitesParPouce);
    } else if (a.fenetre.etendue) {
        naturelle = QSizeF(std::abs(a.fenetre.ex), std::abs(a.fenetre.ey));
    }
    const QSize taille = tailleDeRendu(cible, naturelle);

    // libwmf gets the records up to the end record only, with the header's file and record
    // sizes made true: it trusts them for its buffers.
    std::string copie(octets.constData(), static_cast<std::size_t>(a.fin));
    ecrire32(copie, static_cast<std::size_t>(a.debut) + 6,
             static_cast<std::uint32_t>((a.fin - a.debut) / 2));
    ecrire32(copie, static_cast<std::size_t>(a.debut) + 12, a.plusGrandEnregistrement);
    const std::string svg = wmfEnSvg(copie, a);
    // libwmf already placed the frame on its whole declared size.
    QImage image = dessinerSvg(
        cadrerSvg(reparerSvgWmf(QByteArray::fromStdString(svg)), Boite{}, taille), taille);
    // A white frame would look like a picture that is there; the user is told instead.
    if (blanche(image)) refuser("le dessin ne montre rien");
    return image;
}

}  // namespace metafichier
