#pragma once
// Readability of text on a background, by the WCAG rule: the relative luminance of each
// colour, and their ratio (L1 + 0.05) / (L2 + 0.05), at least 4.5 for ordinary text (level AA).
// The window's described colours (navy, red, yellow on the system's colours) are kept while
// they read; on a dark desktop, or when the user asks for contrasted colours, each one keeps
// its hue and is lightened or darkened until it reads.

#include <cstdint>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr double kContrasteLisible = 4.5;

// The relative luminance, 0 (black) to 1 (white).
double luminance(Rgb c);
// The contrast of two colours, 1 to 21, whichever is the lighter.
double contraste(Rgb a, Rgb b);
// A dark background: white text reads better on it than black text.
bool estSombre(Rgb fond);

// The colour of the same hue and saturation, lighter on a dark background and darker on a
// light one, whose contrast with fond first reaches cible; the colour itself when it already
// does. Black or white (the furthest it can go) when no lightness of that hue reaches it.
Rgb rendreLisible(Rgb couleur, Rgb fond, double cible = kContrasteLisible);

// Black or white, whichever reads better on fond (a text drawn on a fixed highlight).
Rgb texteSur(Rgb fond);
