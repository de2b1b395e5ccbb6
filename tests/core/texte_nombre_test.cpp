#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "core/texte_nombre.h"

TEST(lireEntier, leadingDigitsOnly_wrapModulo2pow32) {
    struct Cas {
        const char* texte;
        uint32_t attendu;
    };
    const Cas cas[] = {{"12abc", 12u}, {"abc", 0u}, {"-5", 0u}, {" 7", 0u}, {"", 0u},
                       {"4294967295", 4294967295u}, {"4294967296", 0u}, {"4294967297", 1u},
                       {"2147483648", 2147483648u}, {"007", 7u}, {"99999999999", 1215752191u}};
    for (const Cas& c : cas) EXPECT_EQ(lireEntier(c.texte), c.attendu) << c.texte;
    EXPECT_EQ(static_cast<int32_t>(lireEntier("2147483648")), INT32_MIN);
}

TEST(entierEnTexte, writesUnsignedDigits_negativeAsPlus2pow32) {
    char tampon[16];
    std::memset(tampon, 'x', sizeof tampon);
    entierEnTexte(0, tampon, 10);
    EXPECT_STREQ(tampon, "0");
    entierEnTexte(static_cast<uint32_t>(-1), tampon, 10);
    EXPECT_STREQ(tampon, "4294967295");
    EXPECT_EQ(tampon[10], '\0');
    entierEnTexte(1234567890u, tampon, 10);
    EXPECT_STREQ(tampon, "1234567890");
    entierEnTexte(5u, tampon, 2);
    EXPECT_STREQ(tampon, "101");
    entierEnTexte(10u, tampon, 10);
    EXPECT_STREQ(tampon, "10");
}

TEST(enDecimal, signedDecimal) {
    EXPECT_EQ(enDecimal(-1), "-1");
    EXPECT_EQ(enDecimal(INT32_MIN), "-2147483648");
    EXPECT_EQ(enDecimal(42), "42");
}

TEST(lireNombreSigne, readsAnOptionalMinus_digitsAsLireEntier) {
    struct Cas {
        const char* texte;
        int32_t attendu;
    };
    const Cas cas[] = {{"-1", -1}, {"-5abc", -5}, {"-", 0}, {"--5", 0}, {"- 5", 0}, {"+5", 0},
                       {" -5", 0}, {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MAX},
                       {"-4294967296", 0}, {"12abc", 12}, {"4294967295", -1}, {"", 0}};
    for (const Cas& c : cas) {
        EXPECT_EQ(static_cast<int32_t>(lireNombreSigne(c.texte)), c.attendu) << c.texte;
    }
    // Without a minus, exactly lireEntier's reading.
    for (const char* t : {"0", "7x", "99999999999", "2147483648", "abc", " 3"}) {
        EXPECT_EQ(lireNombreSigne(t), lireEntier(t)) << t;
    }
}

TEST(lireNombreSigne, everySignedDecimalReadsBackToItsValue) {
    // Property over the whole 32-bit range: the edges, and a spread of values between.
    std::vector<int32_t> valeurs = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX, INT32_MAX - 1};
    uint32_t x = 0x9E3779B9u;
    for (int i = 0; i < 100000; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        valeurs.push_back(static_cast<int32_t>(x));
    }
    for (const int32_t v : valeurs) {
        ASSERT_EQ(static_cast<int32_t>(lireNombreSigne(enDecimal(v).c_str())), v) << v;
    }
}
