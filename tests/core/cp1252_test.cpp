#include <gtest/gtest.h>

#include "core/cp1252.h"

TEST(cp1252, unicodeToCp1252_mapsAccentsAndEuro_unmappableBecomesQuestionMark) {
    struct Cas {
        std::string utf8, cp1252;
    };
    const Cas cas[] = {
        {"école", "\xE9" "cole"},
        {"€ œ Ÿ “x”", "\x80 \x9C \x9F \x93x\x94"},
        {"日本", "??"},
        {"a\xFF" "b", "a?b"},          // malformed byte
        {"\xC3", "?"},                 // truncated sequence
        {"😀", "?"},
        {"", ""},
    };
    for (const Cas& c : cas) EXPECT_EQ(utf8VersCp1252(c.utf8), c.cp1252) << c.utf8;
}

TEST(cp1252, everyByteRoundTripsThroughUnicode) {
    std::string tous;
    for (int b = 1; b < 256; ++b) tous += static_cast<char>(b);
    EXPECT_EQ(utf8VersCp1252(cp1252VersUtf8(tous)), tous);
    EXPECT_EQ(cp1252VersUtf8("\x80"), "€");
    EXPECT_EQ(cp1252VersUtf8("\xE7" "a"), "ça");
}

TEST(cp1252, lineBreaks_crlfInCard_plainInWindow) {
    EXPECT_EQ(lignesVersFiche("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(lignesVersFiche("a\r\nb"), "a\r\nb");  // already CR LF: not doubled
    EXPECT_EQ(lignesVersFenetre("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(lignesVersFenetre("a\rb"), "a\rb");
    EXPECT_EQ(octetsEnFiche("é\nx"), 4u);
}
