#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/lignes_csv.h"

TEST(lignesCsv, rowsAndDoubtfulRows_countedAsTheReaderSeesThem) {
    struct Cas {
        const char* texte;
        std::size_t lignes, douteuses;
    };
    const Cas cas[] = {
        {"", 0, 0},
        {"a", 1, 0},
        {"a,b\r\nc,d\r\n", 2, 0},
        {"a\nb\rc", 3, 0},                       // LF, CR, and a last row without its end
        {"\"x\r\ny\",z\r\n1\r\n", 2, 0},         // line break inside quotes
        {"\"a\"\"\r\n\"\"b\"\n", 1, 0},          // doubled quotes keep the parity
        {"\r\n\r\n,,\r\n\"\",x\r\nz\r\n", 5, 4},  // blank, separators only, empty quoted first cell
        {"\"\"\"q\"\"\"\n", 1, 1},               // starts with "": doubtful, though it is a card
    };
    std::vector<CompteurLignesCsv> versions = compteursLignesCsv();
    versions.push_back(compterLignesCsvOctets);
    for (const Cas& c : cas) {
        const std::string s = c.texte;
        for (CompteurLignesCsv compter : versions) {
            const LignesCsv r = compter(s, 0, s.size(), ',');
            EXPECT_EQ(r.lignes, c.lignes) << s;
            EXPECT_EQ(r.douteuses, c.douteuses) << s;
        }
    }
}

// Tables of any length, rich in quotes, row ends and separators falling on every position of
// the sixty-four-byte blocks, counted from any row start: every block version's count is the
// byte count.
TEST(lignesCsv, anyTable_blockCountsEqualByteCounts) {
    const std::vector<CompteurLignesCsv> versions = compteursLignesCsv();
    const char alphabet[] = {'a', 'b', ',', ';', '"', '"', '\r', '\n', '\n', 'e'};
    std::mt19937 alea(71207);
    for (int essai = 0; essai < 3000; ++essai) {
        std::string s;
        const std::size_t longueur = alea() % 400;
        for (std::size_t i = 0; i < longueur; ++i) s += alphabet[alea() % sizeof alphabet];
        const char sep = alea() % 2 ? ',' : ';';
        const std::size_t debut = s.empty() ? 0 : alea() % s.size();
        const std::size_t fin = debut + (s.size() > debut ? alea() % (s.size() - debut + 1) : 0);
        const LignesCsv reference = compterLignesCsvOctets(s, debut, fin, sep);
        for (CompteurLignesCsv compter : versions) {
            const LignesCsv vite = compter(s, debut, fin, sep);
            ASSERT_EQ(vite.lignes, reference.lignes) << essai;
            ASSERT_EQ(vite.douteuses, reference.douteuses) << essai;
            ASSERT_EQ(vite.guillemets, reference.guillemets) << essai;
        }
        ASSERT_EQ(reference.guillemets,
                  debut < fin ? static_cast<std::size_t>(std::count(s.begin() + debut, s.begin() + fin, '"')) : 0)
            << essai;
        const LignesCsv choisie = compterLignesCsv(s, debut, fin, sep);
        ASSERT_EQ(choisie.lignes, reference.lignes) << essai;
        ASSERT_EQ(compterGuillemets(s, debut, fin),
                  static_cast<std::size_t>(std::count(s.begin() + debut, s.begin() + fin, '"')))
            << essai;
    }
}
