#include "image/rendu_metafichier.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}
#include <cairo.h>
#include <librsvg/rsvg.h>

#include "core/services.h"
#include "image/reparation_svg.h"
#include "platform/images.h"

namespace {

// Beyond this many pixels a side, a picture frame is not a drawing but a broken header.
constexpr double kCoteMax = 1'000'000.0;
// The size given to a picture whose own size is unknown (the card's picture frame).
constexpr int kCoteParDefaut = 178;
constexpr int kCoteNaturelMax = 2000;
// Below this share of the measured drawing inside it, a WMF's frame is not the picture's.
constexpr double kPartVisibleMin = 0.5;
// Below this share, the drawing spills over its frame. libwmf's measure holds half of every
// pen's width and its own guess at the width of texts: a frame line drawn on the frame's edge
// or a text a little wider than guessed leaves more than this inside.
constexpr double kPartVisibleEntiere = 0.97;

std::uint16_t lire16(const QByteArray& o, qsizetype i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(o[i]) |
                                      (static_cast<unsigned char>(o[i + 1]) << 8));
}
std::int16_t lireS16(const QByteArray& o, qsizetype i) {
    return static_cast<std::int16_t>(lire16(o, i));
}
std::uint32_t lire32(const QByteArray& o, qsizetype i) {
    return static_cast<std::uint32_t>(lire16(o, i)) |
           (static_cast<std::uint32_t>(lire16(o, i + 2)) << 16);
}
std::int32_t lireS32(const QByteArray& o, qsizetype i) {
    return static_cast<std::int32_t>(lire32(o, i));
}
void ecrire32(std::string& o, std::size_t i, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        o[i + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

[[noreturn]] void refuser(const std::string& raison) { throw Erreur(raison); }

// A rectangle in double coordinates; valide when it has an area.
struct Boite {
    double x = 0, y = 0, l = 0, h = 0;
    bool valide() const { return std::isfinite(l) && std::isfinite(h) && l > 0 && h > 0; }
};

Boite entre(double x0, double y0, double x1, double y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

void verifierCotes(const Boite& b) {
    if (b.l > kCoteMax || b.h > kCoteMax || std::abs(b.x) > 1e12 || std::abs(b.y) > 1e12) {
        refuser("les dimensions du dessin sont absurdes");
    }
}

QSize tailleDeRendu(QSize cible, QSizeF naturelle) {
    if (cible.isValid() && !cible.isEmpty()) {
        if (static_cast<long long>(cible.width()) * cible.height() > kPixelsMax) {
            refuser("l'image demandée est trop grande");
        }
        return cible;
    }
    auto cote = [](double v) {
        if (!std::isfinite(v) || v <= 0) return kCoteParDefaut;
        return static_cast<int>(std::clamp(std::lround(v), 1L, static_cast<long>(kCoteNaturelMax)));
    };
    return {cote(naturelle.width()), cote(naturelle.height())};
}

// ---------------------------------------------------------------------------------------
// WMF

constexpr std::uint32_t kCleWmfPlacable = 0x9AC6CDD7;
constexpr std::uint16_t kWmfFin = 0x0000;
constexpr std::uint16_t kWmfSauverDc = 0x001E;
constexpr std::uint16_t kWmfRestaurerDc = 0x0127;
constexpr std::uint16_t kWmfModeDeProjection = 0x0103;
constexpr std::uint16_t kWmfOrigineFenetre = 0x020B;
constexpr std::uint16_t kWmfEtendueFenetre = 0x020C;
constexpr std::uint16_t kWmfOrigineVue = 0x020D;
constexpr std::uint16_t kWmfEtendueVue = 0x020E;
constexpr std::uint16_t kWmfDecalerFenetre = 0x020F;
constexpr std::uint16_t kWmfDecalerVue = 0x0211;
constexpr std::uint16_t kWmfEchelleFenetre = 0x0410;
constexpr std::uint16_t kWmfEchelleVue = 0x0412;
constexpr std::uint16_t kWmfPoint = 0x041F;

// The records that change how logical units become the player's units.
bool enregistrementDeProjection(std::uint16_t f) {
    switch (f) {
        case kWmfSauverDc:
        case kWmfRestaurerDc:
        case kWmfModeDeProjection:
        case kWmfOrigineFenetre:
        case kWmfEtendueFenetre:
        case kWmfOrigineVue:
        case kWmfEtendueVue:
        case kWmfDecalerFenetre:
        case kWmfDecalerVue:
        case kWmfEchelleFenetre:
        case kWmfEchelleVue: return true;
        default: return false;
    }
}

// The records that put ink on the page: the mapping in force at the first of them is the
// picture's own.
bool enregistrementDeDessin(std::uint16_t f) {
    switch (f) {
        case 0x0213:  // LINETO
        case 0x0325:  // POLYLINE
        case 0x0324:  // POLYGON
        case 0x0538:  // POLYPOLYGON
        case 0x041B:  // RECTANGLE
        case 0x061C:  // ROUNDRECT
        case 0x0418:  // ELLIPSE
        case 0x0817:  // ARC
        case 0x081A:  // PIE
        case 0x0830:  // CHORD
        case 0x0521:  // TEXTOUT
        case 0x0A32:  // EXTTEXTOUT
        case 0x041F:  // SETPIXEL
        case 0x061D:  // PATBLT
        case 0x0922:  // BITBLT
        case 0x0940:  // DIBBITBLT
        case 0x0B23:  // STRETCHBLT
        case 0x0B41:  // DIBSTRETCHBLT
        case 0x0F43:  // STRETCHDIB
        case 0x0D33:  // SETDIBTODEV
        case 0x0419:  // FLOODFILL
        case 0x0548:  // EXTFLOODFILL
        case 0x0228:  // FILLREGION
        case 0x0429:  // FRAMEREGION
        case 0x012A:  // INVERTREGION
        case 0x012B:  // PAINTREGION
            return true;
        default: return false;
    }
}

struct FenetreWmf {
    double ox = 0, oy = 0, ex = 0, ey = 0;
    bool etendue = false;  // the file gave the window an extent
};

struct AnalyseWmf {
    bool placable = false;
    std::int16_t gauche = 0, haut = 0, droite = 0, bas = 0;
    std::uint16_t unitesParPouce = 0;
    FenetreWmf fenetre;                         // in force at the first drawing record
    std::vector<std::pair<qsizetype, qsizetype>> projection;  // records before that one
    qsizetype debut = 0;                        // the standard header, after the placeable one
    qsizetype fin = 0;                          // just after the end-of-file record
    std::uint32_t plusGrandEnregistrement = 9;  // in 16-bit words, as the header counts
};

AnalyseWmf analyserWmf(const QByteArray& o) {
    AnalyseWmf a;
    const qsizetype n = o.size();
    if (n >= 4 && lire32(o, 0) == kCleWmfPlacable) {
        if (n < 22) refuser("le métafichier est tronqué");
        a.placable = true;
        a.gauche = lireS16(o, 6);
        a.haut = lireS16(o, 8);
        a.droite = lireS16(o, 10);
        a.bas = lireS16(o, 12);
        a.unitesParPouce = lire16(o, 14);
        if (a.unitesParPouce == 0)
            refuser("l'en-tête du métafichier est invalide (unités par pouce nulles)");
        if (a.gauche == a.droite || a.haut == a.bas) refuser("le cadre du dessin est vide");
        a.debut = 22;
    }
    if (n - a.debut < 18)
        refuser(a.placable ? "le métafichier est tronqué" : "ce n'est pas un métafichier WMF");
    const std::uint16_t type = lire16(o, a.debut);
    const std::uint16_t tailleEnTete = lire16(o, a.debut + 2);
    if ((type != 1 && type != 2) || tailleEnTete != 9) refuser("ce n'est pas un métafichier WMF");

    qsizetype pos = a.debut + 18;
    long compte = 0;
    bool dessinVu = false;
    FenetreWmf fenetre;
    std::vector<FenetreWmf> pile;  // the window is part of what SAVEDC keeps
    for (;;) {
        if (n - pos < 6) refuser("le métafichier est tronqué");
        const std::uint32_t mots = lire32(o, pos);
        const std::uint16_t fonction = lire16(o, pos + 4);
        // A record shorter than its own header would make a reader loop on the same bytes.
        if (mots < 3) refuser("le métafichier contient un enregistrement de taille invalide");
        if (mots > static_cast<std::uint64_t>(n - pos) / 2) refuser("le métafichier est tronqué");
        if (++compte > kEnregistrementsMetafichierMax)
            refuser("le métafichier contient trop d'enregistrements");
        a.plusGrandEnregistrement = std::max(a.plusGrandEnregistrement, mots);
        if (!dessinVu && enregistrementDeDessin(fonction)) {
            dessinVu = true;
            a.fenetre = fenetre;
        }
        if (!dessinVu && enregistrementDeProjection(fonction)) {
            a.projection.emplace_back(pos, static_cast<qsizetype>(mots) * 2);
            // The parameters come in reverse order: y, then x.
            const double y = mots >= 4 ? lireS16(o, pos + 6) : 0;
            const double x = mots >= 5 ? lireS16(o, pos + 8) : 0;
            switch (fonction) {
                case kWmfSauverDc: pile.push_back(fenetre); break;
                case kWmfRestaurerDc:
                    if (!pile.empty()) {
                        fenetre = pile.back();
                        pile.pop_back();
                    }
                    break;
                case kWmfOrigineFenetre:
                    fenetre.ox = x;
                    fenetre.oy = y;
                    break;
                case kWmfDecalerFenetre:
                    fenetre.ox += x;
                    fenetre.oy += y;
                    break;
                case kWmfEtendueFenetre:
                    fenetre.ex = x;
                    fenetre.ey = y;
                    fenetre.etendue = true;
                    break;
                case kWmfEchelleFenetre:
                    if (mots >= 7 && lireS16(o, pos + 8) != 0 && lireS16(o, pos + 12) != 0) {
                        fenetre.ey = std::trunc(fenetre.ey * lireS16(o, pos + 10) / lireS16(o, pos + 8));
                        fenetre.ex = std::trunc(fenetre.ex * lireS16(o, pos + 14) / lireS16(o, pos + 12));
                    }
                    break;
                default: break;
            }
        }
        pos += static_cast<qsizetype>(mots) * 2;
        if (fonction == kWmfFin) break;
    }
    if (!dessinVu) a.fenetre = fenetre;
    a.fin = pos;
    return a;
}

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

// ---------------------------------------------------------------------------------------
// EMF

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

// ---------------------------------------------------------------------------------------
// SVG

// Gives the root element the size to draw at and a viewBox that is exactly the picture
// frame: the converters declare a size of their own, which may leave part of the drawing
// out. Without a frame (vue not valide), the declared size is the frame.
QByteArray cadrerSvg(const QByteArray& svg, Boite vue, QSize taille) {
    static const QRegularExpression racine(QStringLiteral("<svg[\\s>]"));
    const QString texte = QString::fromUtf8(svg);
    const QRegularExpressionMatch m = racine.match(texte);
    if (!m.hasMatch()) refuser("le convertisseur n'a pas produit de dessin");
    const qsizetype debut = m.capturedStart();
    const qsizetype fin = texte.indexOf(QLatin1Char('>'), debut);
    if (fin < 0) refuser("le convertisseur n'a pas produit de dessin");
    QString balise = texte.mid(debut, fin - debut);
    if (balise.endsWith(QLatin1Char('/'))) balise.chop(1);
    if (!vue.valide()) {
        static const QRegularExpression largeur(QStringLiteral("\\swidth\\s*=\\s*\"([0-9.]+)\""));
        static const QRegularExpression hauteur(QStringLiteral("\\sheight\\s*=\\s*\"([0-9.]+)\""));
        vue = Boite{0, 0, largeur.match(balise).captured(1).toDouble(),
                    hauteur.match(balise).captured(1).toDouble()};
        if (!vue.valide()) refuser("le convertisseur n'a pas produit de dessin");
    }
    static const QRegularExpression attributs(QStringLiteral(
        "\\s(width|height|viewBox|preserveAspectRatio)\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
    balise.remove(attributs);
    balise +=
        QStringLiteral(
            " width=\"%1\" height=\"%2\" viewBox=\"%3 %4 %5 %6\" preserveAspectRatio=\"none\"")
            .arg(taille.width())
            .arg(taille.height())
            .arg(vue.x, 0, 'g', 10)
            .arg(vue.y, 0, 'g', 10)
            .arg(vue.l, 0, 'g', 10)
            .arg(vue.h, 0, 'g', 10);
    return (texte.left(debut) + balise + texte.mid(fin)).toUtf8();
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

// librsvg draws the SVG: unlike Qt SVG, it honours the clipping paths that libemf2svg writes
// for every clipping region of a file, and SVG's own rules for texts and markers.
QImage dessinerSvg(const QByteArray& svg, QSize taille) {
    GError* erreur = nullptr;
    RsvgHandle* document = rsvg_handle_new_from_data(
        reinterpret_cast<const guint8*>(svg.constData()), static_cast<gsize>(svg.size()), &erreur);
    if (erreur != nullptr) g_error_free(erreur);
    if (document == nullptr) refuser("le dessin converti est illisible");
    std::unique_ptr<RsvgHandle, void (*)(gpointer)> garde(document, g_object_unref);
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, taille.width(), taille.height()),
        cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) refuser("mémoire insuffisante");
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> cr(cairo_create(surface.get()), cairo_destroy);
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const RsvgRectangle vue{0, 0, static_cast<double>(taille.width()),
                            static_cast<double>(taille.height())};
    const gboolean dessine = rsvg_handle_render_document(document, cr.get(), &vue, &erreur);
    if (erreur != nullptr) g_error_free(erreur);
    if (!dessine) refuser("le dessin converti est illisible");
    cairo_surface_flush(surface.get());
    QImage image(taille, QImage::Format_RGB32);
    if (image.isNull()) refuser("mémoire insuffisante");
    const unsigned char* donnees = cairo_image_surface_get_data(surface.get());
    const int pas = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < taille.height(); ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(donnees + static_cast<std::ptrdiff_t>(y) * pas);
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < taille.width(); ++x) ligne[x] = 0xFF000000u | (source[x] & 0xFFFFFFu);
    }
    return image;
}

// Whether a picture shows next to nothing on its white ground: a drawing whose mapping
// squeezes it into a point leaves a dot or two of its line ends there.
bool blanche(const QImage& image) {
    const long long seuil = std::max(4LL, static_cast<long long>(image.width()) * image.height() / 2000);
    long long visibles = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = ligne[x];
            if (std::max({255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)}) > 16 && ++visibles >= seuil) {
                return false;
            }
        }
    }
    return true;
}

QImage rendreWmf(const QByteArray& octets, QSize cible) {
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

QImage rendreEmf(const QByteArray& octets, QSize cible) {
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

}  // namespace

QImage dessinerMetafichier(const QByteArray& octets, FormatMetafichier format, QSize cible) {
    if (octets.size() > kTailleMetafichierMax) refuser("le métafichier est trop gros");
    return format == FormatMetafichier::Wmf ? rendreWmf(octets, cible) : rendreEmf(octets, cible);
}
