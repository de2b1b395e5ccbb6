#include "core/contraste.h"

#include <algorithm>
#include <cmath>

namespace {

double lineaire(uint8_t canal) {
    const double c = canal / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Hue, saturation and lightness, each 0 to 1.
struct Tsl {
    double t = 0, s = 0, l = 0;
};

Tsl enTsl(Rgb c) {
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double haut = std::max({r, g, b}), bas = std::min({r, g, b});
    Tsl x;
    x.l = (haut + bas) / 2;
    const double d = haut - bas;
    if (d == 0) return x;
    x.s = x.l > 0.5 ? d / (2 - haut - bas) : d / (haut + bas);
    if (haut == r) {
        x.t = (g - b) / d + (g < b ? 6 : 0);
    } else if (haut == g) {
        x.t = (b - r) / d + 2;
    } else {
        x.t = (r - g) / d + 4;
    }
    x.t /= 6;
    return x;
}

double canalTsl(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 1.0 / 2) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

uint8_t octet(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

Rgb deTsl(Tsl x) {
    if (x.s == 0) return {octet(x.l), octet(x.l), octet(x.l)};
    const double q = x.l < 0.5 ? x.l * (1 + x.s) : x.l + x.s - x.l * x.s;
    const double p = 2 * x.l - q;
    return {octet(canalTsl(p, q, x.t + 1.0 / 3)), octet(canalTsl(p, q, x.t)), octet(canalTsl(p, q, x.t - 1.0 / 3))};
}

}  // namespace

double luminance(Rgb c) { return 0.2126 * lineaire(c.r) + 0.7152 * lineaire(c.g) + 0.0722 * lineaire(c.b); }

double contraste(Rgb a, Rgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool estSombre(Rgb fond) { return contraste(fond, {255, 255, 255}) > contraste(fond, {0, 0, 0}); }

Rgb rendreLisible(Rgb couleur, Rgb fond, double cible) {
    if (contraste(couleur, fond) >= cible) return couleur;
    const Tsl depart = enTsl(couleur);
    const bool eclaircir = estSombre(fond);
    // The lightness moves one way only, and the contrast grows along it: the first step that
    // reads is the colour nearest the described one.
    constexpr int kPas = 255;
    for (int i = 1; i <= kPas; ++i) {
        Tsl x = depart;
        const double f = static_cast<double>(i) / kPas;
        x.l = eclaircir ? depart.l + (1 - depart.l) * f : depart.l * (1 - f);
        const Rgb essai = deTsl(x);
        if (contraste(essai, fond) >= cible) return essai;
    }
    return eclaircir ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
}

Rgb texteSur(Rgb fond) { return estSombre(fond) ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }
