#include "image/analyse_wmf.h"

#include <algorithm>
#include <cmath>

#include "image/metafichier_commun.h"
#include "platform/metafichier.h"

namespace metafichier {

namespace {

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

}  // namespace

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

}  // namespace metafichier
