// The words marked in a changed card's two texts, against a plain longest common sequence.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/mots_differents.h"

namespace {

std::vector<std::string> decouper(const std::string& t) {
    std::vector<std::string> mots;
    std::string mot;
    for (const char c : t + " ") {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (!mot.empty()) mots.push_back(mot);
            mot.clear();
        } else {
            mot += c;
        }
    }
    return mots;
}

// The length of the longest common sequence of words, the textbook way.
std::size_t lcs(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            t[i][j] = a[i - 1] == b[j - 1] ? t[i - 1][j - 1] + 1 : std::max(t[i - 1][j], t[i][j - 1]);
        }
    }
    return t[a.size()][b.size()];
}

// The words of texte left unmarked, each mark being exactly one of its words.
std::vector<std::string> nonMarques(const std::string& texte, const std::vector<Empan>& marques) {
    std::vector<std::string> restes;
    std::size_t m = 0;
    for (const Empan& e : motsDe(texte)) {
        if (m < marques.size() && marques[m] == e) {
            ++m;
            continue;
        }
        restes.push_back(texte.substr(e.debut, e.fin - e.debut));
    }
    EXPECT_EQ(m, marques.size()) << "every mark is a word of the text, in order";
    return restes;
}

void verifier(const std::string& a, const std::string& b) {
    SCOPED_TRACE(a + " | " + b);
    const MotsDifferents d = motsDifferents(a, b);
    const std::vector<std::string> ra = nonMarques(a, d.avant), rb = nonMarques(b, d.apres);
    EXPECT_EQ(ra, rb) << "the words left unmarked are common to both, in the same order";
    EXPECT_EQ(ra.size(), lcs(decouper(a), decouper(b))) << "and as many as can be";
}

}  // namespace

TEST(MotsDifferents, chosenPairs_marksTheWordsAReferenceDiffFinds) {
    const char* const paires[][2] = {
        {"n° 3\nLe chat noir\n\nimage : chat.jpg", "n° 3\nLe chat blanc\n\nimage : chat.jpg"},
        {"un deux trois", "un deux trois"},
        {"", "tout est nouveau"},
        {"a b c d e", "e d c b a"},
        {"café  au\tlait\r\nchaud", "café au lait froid"},
        {"x y x y x", "y x y"},
    };
    for (const auto& p : paires) verifier(p[0], p[1]);
    const MotsDifferents d = motsDifferents("Le chat noir", "Le chat blanc");
    ASSERT_EQ(d.avant.size(), 1u);
    EXPECT_EQ((std::string("Le chat noir").substr(d.avant[0].debut, 4)), "noir");
}

TEST(MotsDifferents, randomPairs_agreeWithTheReference) {
    std::mt19937 alea(44);
    const char* const vocabulaire[] = {"a", "b", "c", "dé", "e"};
    const auto texte = [&] {
        std::string t;
        const int n = static_cast<int>(alea() % 12);
        for (int i = 0; i < n; ++i) t += std::string(vocabulaire[alea() % 5]) + (alea() % 4 ? " " : "\n");
        return t;
    };
    for (int i = 0; i < 400; ++i) verifier(texte(), texte());
}
