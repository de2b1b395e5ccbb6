// The contrast rule on the window's described colours and the backgrounds real palettes give.
#include <gtest/gtest.h>

#include "core/contraste.h"

namespace {

const Rgb kBlanc{255, 255, 255}, kNoir{0, 0, 0};
// The described colours: navy, red, yellow, blue, black.
const Rgb kDecrites[] = {{0, 0, 128}, {255, 0, 0}, {255, 255, 0}, {0, 0, 255}, {0, 0, 0}};
// Window and button colours of dark schemes (qt6ct's darker, Adwaita dark) and of light ones.
const Rgb kSombres[] = {{0x22, 0x20, 0x20}, {0x42, 0x42, 0x45}, {0x35, 0x35, 0x35}, {0x24, 0x24, 0x24}};
const Rgb kClairs[] = {{0xef, 0xef, 0xef}, {0xf6, 0xf5, 0xf4}, {0xff, 0xff, 0xe1}, {0xd4, 0xd0, 0xc8}};

// The order of the channels, which lightening or darkening within a hue keeps.
int ordre(Rgb c) { return (c.r > c.g) * 1 + (c.g > c.b) * 2 + (c.r > c.b) * 4 + (c.r == c.g) * 8 + (c.g == c.b) * 16; }

}  // namespace

TEST(Contraste, wcagDefinition_endsAndSymmetry) {
    EXPECT_DOUBLE_EQ(luminance(kNoir), 0.0);
    EXPECT_DOUBLE_EQ(luminance(kBlanc), 1.0);
    EXPECT_NEAR(contraste(kBlanc, kNoir), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(contraste(kDecrites[0], kClairs[0]), contraste(kClairs[0], kDecrites[0]));
    // The published figure for the darkest grey that reads on white.
    EXPECT_NEAR(contraste({0x76, 0x76, 0x76}, kBlanc), 4.54, 0.005);
    EXPECT_LT(contraste({0x77, 0x77, 0x77}, kBlanc), kContrasteLisible);
}

TEST(Contraste, everyDescribedColourOnEveryBackground_readsKeepsItsHueAndMovesTheRightWay) {
    for (const auto* fonds : {&kSombres, &kClairs}) {
        for (const Rgb fond : *fonds) {
            EXPECT_EQ(estSombre(fond), fonds == &kSombres);
            for (const Rgb c : kDecrites) {
                SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b) << " sur "
                                                << int(fond.r) << "," << int(fond.g) << "," << int(fond.b));
                const Rgb lisible = rendreLisible(c, fond);
                EXPECT_GE(contraste(lisible, fond), kContrasteLisible);
                if (contraste(c, fond) >= kContrasteLisible) {
                    EXPECT_EQ(lisible, c) << "a colour that reads stays as described";
                    continue;
                }
                EXPECT_EQ(ordre(lisible), ordre(c)) << "the hue is kept";
                if (estSombre(fond)) {
                    EXPECT_GT(luminance(lisible), luminance(c));
                } else {
                    EXPECT_LT(luminance(lisible), luminance(c));
                }
                // The nearest colour that reads: a little less far would not.
                EXPECT_LT(contraste(lisible, fond), kContrasteLisible + 1.0);
            }
        }
        EXPECT_EQ(texteSur(kSombres[0]), kBlanc);
        EXPECT_EQ(texteSur({255, 230, 80}), kNoir);
    }
}
