#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(cp1252, everyCodePoint_hasAByteOnlyWhenOneByteShowsIt) {
    std::vector<int> octetDe(0x110000, -1);
    for (int b = 0; b < 256; ++b) octetDe[caractereCp1252(static_cast<unsigned char>(b))] = b;
    for (char32_t c = 0; c < 0x110000; ++c) {
        ASSERT_EQ(octetCp1252(c), octetDe[c]) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(cp1252, lineBreaks_crlfInCard_plainInWindow) {
    EXPECT_EQ(lignesVersFiche("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(lignesVersFiche("a\r\nb"), "a\r\nb");  // already CR LF: not doubled
    EXPECT_EQ(lignesVersFenetre("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(lignesVersFenetre("a\rb"), "a\rb");
    EXPECT_EQ(octetsEnFiche("é\nx"), 4u);
}

TEST(cp1252, nonStockables_eachOnceInOrder_storableOnesNever) {
    struct Cas {
        const char* texte;
        std::vector<char32_t> attendus;
    };
    const Cas cas[] = {
        {"", {}},
        {"é œ Œ € ’ « » … – — ™ Ÿ ? \t\x7f", {}},
        {"Łódź", {0x141, 0x17A}},
        {"źŁódźŁ", {0x17A, 0x141}},
        {"a😀b😀", {0x1F600}},
        {"αβ漢", {0x3B1, 0x3B2, 0x6F22}},
        // A decomposed accent: the base letter is storable, the combining mark is not.
        {"e\xcc\x81", {0x301}},
        {"\xff\xfe", {0xFFFD}},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(caracteresNonStockables(c.texte), c.attendus) << c.texte;
    }
    // The zero would end the field early.
    EXPECT_EQ(caracteresNonStockables(std::string_view("a\0b", 3)), std::vector<char32_t>{0});
    // The unassigned codes come back through their C1 controls: storable.
    EXPECT_TRUE(caracteresNonStockables(cp1252VersUtf8("\x81\x8d\x8f\x90\x9d")).empty());
}

TEST(cp1252, nonStockables_agreeWithTheConversion) {
    // Every code point below 0x3000: storable exactly when it converts to a byte other than
    // '?' (or is '?' itself), and is not the zero.
    for (char32_t c = 1; c < 0x3000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string u;
        if (c < 0x80) {
            u = std::string(1, static_cast<char>(c));
        } else if (c < 0x800) {
            u = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            u = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
        }
        const std::string octet = utf8VersCp1252(u);
        const bool stockable = octet != "?" || c == '?';
        const auto code = static_cast<uint32_t>(c);
        EXPECT_EQ(caracteresNonStockables(u).empty(), stockable) << std::hex << code;
        if (stockable) {
            EXPECT_EQ(cp1252VersUtf8(octet), u) << std::hex << code;
        }
    }
}
