// Where a card's picture file is looked for.

#include <gtest/gtest.h>

#include "core/chemin_image.h"

namespace {

TEST(CheminImage, storedName_isAppendedWithItsBackslashAsSeparator) {
    struct Cas {
        const char* repertoire;
        const char* nom;
        const char* attendu;  // nullptr: refused
    };
    const Cas cas[] = {
        {"/b/base.rep", "\\chat.jpg", "/b/base.rep/chat.jpg"},
        {"/b/base.rep", "/chat.jpg", "/b/base.rep/chat.jpg"},
        {"/b/base.rep", "\\un chat été.jpg", "/b/base.rep/un chat été.jpg"},
        {"/b/base.rep", "\\..", nullptr},
        {"/b/base.rep", "\\.", nullptr},
        {"/b/base.rep", "\\..\\x.jpg", nullptr},
        {"/b/base.rep", "\\../x.jpg", nullptr},
        {"/b/base.rep", "\\a\\x.jpg", nullptr},
        {"/b/base.rep", "\\a/x.jpg", nullptr},
        {"/b/base.rep", "\\x..jpg", nullptr},
        {"/b/base.rep", "chat.jpg", nullptr},
        {"/b/base.rep", "\\", nullptr},
        {"", "\\chat.jpg", nullptr},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.repertoire) + " + " + c.nom);
        const auto chemin = cheminImage(c.repertoire, c.nom);
        if (c.attendu == nullptr) {
            EXPECT_FALSE(chemin.has_value()) << *chemin;
        } else {
            ASSERT_TRUE(chemin.has_value());
            EXPECT_EQ(*chemin, c.attendu);
        }
    }
}

TEST(CheminImage, pathLongerThanABuffer_isRefused) {
    const std::string repertoire = "/" + std::string(244, 'r');
    EXPECT_TRUE(cheminImage(repertoire, "\\abcdefghi").has_value());   // 255 characters
    EXPECT_FALSE(cheminImage(repertoire, "\\abcdefghij").has_value()); // 256
}

TEST(CheminImage, pathForTheUser_isTheComposedPathEvenWhenRefused) {
    EXPECT_EQ(cheminImageAffiche("/b/base.rep", "\\chat.jpg"), "/b/base.rep/chat.jpg");
    EXPECT_EQ(cheminImageAffiche("/b/base.rep", "\\..\\x.jpg"), "/b/base.rep/..\\x.jpg");
    EXPECT_EQ(cheminImageAffiche("/b/base.rep", "chat.jpg"), "/b/base.repchat.jpg");
}

TEST(CheminImage, namesUnderFiveCharacters_meanNoPicture) {
    EXPECT_FALSE(aUneImage(""));
    EXPECT_FALSE(aUneImage("\\a.j"));
    EXPECT_TRUE(aUneImage("\\a.jp"));
}

}  // namespace
