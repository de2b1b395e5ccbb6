#include "core/recentes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

using Liste = std::vector<std::string>;

TEST(noterRecente, newestFirst_onceEach_fiveAtMost) {
    Liste r;
    for (const char* c : {"/a.dat", "/b.dat", "/a.dat", "/c.dat", "/d.dat", "/e.dat", "/f.dat"}) {
        noterRecente(r, c);
    }
    EXPECT_EQ(r, (Liste{"/f.dat", "/e.dat", "/d.dat", "/c.dat", "/a.dat"}));
    noterRecente(r, "/c.dat");
    EXPECT_EQ(r, (Liste{"/c.dat", "/f.dat", "/e.dat", "/d.dat", "/a.dat"}));
}

TEST(noterRecente, relativePathMadeAbsolute_unstorablePathsLeftOut) {
    char ici[PATH_MAX];
    ASSERT_NE(getcwd(ici, sizeof ici), nullptr);
    Liste r;
    noterRecente(r, "x.dat");
    EXPECT_EQ(r, Liste{std::string(ici) + "/x.dat"});
    for (const std::string& c : Liste{"/a|b.dat", "/a\nb.dat", "/a\rb.dat", std::string("/a\0b.dat", 8), std::string()}) {
        noterRecente(r, c);
    }
    EXPECT_EQ(r.size(), 1u);
}

TEST(recentesTexte, roundTripAndTolerantReading) {
    const Liste l{"/x/une base.dat", "/y/é.dat"};
    EXPECT_EQ(recentesEnTexte(l), "/x/une base.dat|/y/é.dat");
    EXPECT_EQ(recentesDuTexte(recentesEnTexte(l)), l);
    EXPECT_EQ(recentesDuTexte(""), Liste{});
    EXPECT_EQ(recentesDuTexte("||/a.dat||/a.dat|/b.dat|"), (Liste{"/a.dat", "/b.dat"}));
    EXPECT_EQ(recentesDuTexte("/1|/2|/3|/4|/5|/6|/7"), (Liste{"/1", "/2", "/3", "/4", "/5"}));
}
