#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/doublons.h"
#include "core/magasin_fiches.h"
#include "core/pli_accents.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/table_copiee.h"

namespace {

Fiche carte(const std::string& titre, const std::string& description = "") {
    Fiche f;
    std::memset(&f, 0, sizeof f);
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.description, description);
    std::memcpy(f.titre + std::strlen(f.titre) + 1, "ancien", 7);  // older bytes after the zero
    return f;
}

// The plainest reading of the rule: each text folded letter by letter, cut into words at the
// spaces and joined again by one space; cards compared two by two.
std::string plierNaif(std::string_view texte) {
    std::istringstream mots(plierTexte(texte));
    std::string mot, r;
    while (mots >> mot) {
        if (!r.empty()) r += ' ';
        r += mot;
    }
    return r;
}

Doublons doublonsNaifs(const std::vector<Fiche>& fiches, bool avecDescription) {
    std::vector<std::string> titres, cles;
    for (const Fiche& f : fiches) {
        titres.push_back(plierNaif(texteChamp(f.titre)));
        std::string cle = titres.back();
        if (avecDescription) {
            cle += '\n';
            cle += plierNaif(texteChamp(f.description));
        }
        cles.push_back(std::move(cle));
    }
    Doublons d;
    std::vector<bool> pris(fiches.size());
    for (std::size_t i = 0; i < fiches.size(); ++i) {
        if (pris[i] || titres[i].empty()) continue;
        std::vector<uint32_t> groupe{static_cast<uint32_t>(i)};
        for (std::size_t j = i + 1; j < fiches.size(); ++j) {
            if (!pris[j] && cles[j] == cles[i]) {
                pris[j] = true;
                groupe.push_back(static_cast<uint32_t>(j));
            }
        }
        if (groupe.size() < 2) continue;
        d.fiches.insert(d.fiches.end(), groupe.begin(), groupe.end());
        d.debuts.push_back(static_cast<uint32_t>(d.fiches.size()));
    }
    return d;
}

void attendreCommeLaReference(const std::vector<Fiche>& fiches, bool avecDescription, HachageTexte hacher = nullptr) {
    const Doublons attendu = doublonsNaifs(fiches, avecDescription);
    const Doublons d = hacher ? chercherDoublons(fiches.data(), fiches.size(), avecDescription, hacher)
                              : chercherDoublons(fiches.data(), fiches.size(), avecDescription);
    EXPECT_EQ(d.fiches, attendu.fiches);
    EXPECT_EQ(d.debuts, attendu.debuts);
}

// A hash that sends most texts into a few buckets: grouping must come from the texts.
uint64_t hachagePauvre(std::string_view t) { return t.size() % 3; }

}  // namespace

TEST(chercherDoublons, titlesFallTogetherExactlyWhenTheyAreTheSameFolded) {
    const struct {
        const char* a;
        const char* b;
        bool ensemble;
    } cas[] = {
        {"\xC9t\xE9", "ete", true},                          // Été
        {"L\x92\xC9t\xE9", "l'ete", true},                   // L’Été
        {"\x8C" "uvre compl\xE8te", "OEUVRE COMPLETE", true},  // Œuvre complète
        {"c\x9C" "ur", "coeur", true},
        {"c\x9C" "ur", "cur", false},
        {"Stra\xDF" "e", "strasse", true},
        {"\xC6r\xF8", "aero", true},
        {"\xAB" "oui\xBB", "\"oui\"", true},
        {"mi\x96temps", "mi-temps", true},
        {"  Le   Chat ", "le chat", true},
        {"le\xA0" "chat", "le chat", true},
        {"le\tchat", "le chat", true},
        {"lechat", "le chat", false},
        {"chat", "chats", false},
        {"chat", "chat.", false},
        {"l'ete", "l ete", false},
        {"", "", false},  // no title: no duplicate
        {"   ", "", false},
        {"\xA0", " ", false},
        {"x", "y", false},
    };
    std::vector<Fiche> toutes;
    for (const auto& c : cas) {
        const std::vector<Fiche> deux{carte(c.a), carte(c.b)};
        const Doublons d = chercherDoublons(deux.data(), deux.size(), false);
        EXPECT_EQ(d.nombreGroupes(), c.ensemble ? 1u : 0u) << c.a << " / " << c.b;
        attendreCommeLaReference(deux, false);
        toutes.insert(toutes.end(), deux.begin(), deux.end());
    }
    // All at once: groups of several pairs, "chat" and "le chat" meeting across the rows.
    attendreCommeLaReference(toutes, false);
    attendreCommeLaReference(toutes, false, hachagePauvre);
}

TEST(chercherDoublons, titleFillingItsField_endsAtTheFieldEnd) {
    Fiche pleine = carte("");
    std::memset(pleine.titre, 'a', sizeof pleine.titre);  // no zero: the title is 256 letters
    Fiche autre = pleine;
    std::memcpy(autre.description, "autre texte", 12);  // what follows the field is not the title
    Fiche courte = carte(std::string(255, 'a'));
    Fiche espacee = pleine;
    espacee.titre[0] = ' ';  // 255 letters once the leading space is set aside: the short one
    espacee.titre[255] = 'A';
    const std::vector<Fiche> fiches{pleine, courte, autre, espacee};
    const Doublons d = chercherDoublons(fiches.data(), fiches.size(), false);
    EXPECT_EQ(d.fiches, (std::vector<uint32_t>{0, 2, 1, 3}));
    EXPECT_EQ(d.debuts, (std::vector<uint32_t>{0, 2, 4}));
    attendreCommeLaReference(fiches, false);
    attendreCommeLaReference(fiches, true);
}

TEST(chercherDoublons, withDescriptions_bothTextsMustBeTheSameFolded) {
    const struct {
        const char *titreA, *descriptionA, *titreB, *descriptionB;
        bool sansOption, avecOption;
    } cas[] = {
        {"Livre", "Un roman\r\n", "livre", "un  roman", true, true},
        {"Livre", "ligne une\r\nligne deux", "livre", "ligne une ligne deux", true, true},
        {"Livre", "", "livre", "", true, true},
        {"Livre", "tome 1", "livre", "tome 2", true, false},
        {"Livre", "m\xEAme", "Disque", "meme", false, false},
        {"", "m\xEAme", "", "meme", false, false},  // no title: no duplicate, whatever the texts
    };
    for (const auto& c : cas) {
        const std::vector<Fiche> deux{carte(c.titreA, c.descriptionA), carte(c.titreB, c.descriptionB)};
        EXPECT_EQ(chercherDoublons(deux.data(), 2, false).nombreGroupes(), c.sansOption ? 1u : 0u) << c.descriptionA;
        EXPECT_EQ(chercherDoublons(deux.data(), 2, true).nombreGroupes(), c.avecOption ? 1u : 0u) << c.descriptionA;
    }
}

// Bases of cards made from a few pieces, so that titles meet often, checked against the
// reference with the real hash and with one that puts unlike texts together.
TEST(chercherDoublons, randomBases_groupsAsTheReference_cardsTogether_groupsByFirstCard) {
    std::mt19937 alea(39);
    const std::vector<std::string> morceaux = {"a", "A", "\xE0", "e", "\xC9", "oe", "\x9C", " ", "  ", "\xA0",
                                               "'", "\x92", "\t", "\r\n", "b", "ss", "\xDF"};
    const auto texte = [&](std::size_t n) {
        std::string t;
        for (std::size_t k = alea() % (n + 1); k > 0; --k) t += morceaux[alea() % morceaux.size()];
        return t;
    };
    std::size_t groupes = 0;
    for (int essai = 0; essai < 40; ++essai) {
        std::vector<Fiche> fiches;
        for (int i = 0; i < 150; ++i) fiches.push_back(carte(texte(4), texte(3)));
        for (bool avecDescription : {false, true}) {
            attendreCommeLaReference(fiches, avecDescription);
            attendreCommeLaReference(fiches, avecDescription, hachagePauvre);
            groupes += chercherDoublons(fiches.data(), fiches.size(), avecDescription).nombreGroupes();
        }
    }
    EXPECT_GT(groupes, 400u);  // the bases did hold duplicates
}

TEST(chercherDoublons, ofTheBase_readsItsCardsOnly_andChangesNothing) {
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    store.derniere = -1;
    EXPECT_EQ(chercherDoublons(store, false).nombreGroupes(), 0u);
    for (const char* titre : {"Pomme", "poire", "POMME", "Poire ", "pomme"}) {
        store.ajouterPlace();
        store.fiches[static_cast<std::size_t>(store.derniere)] = carte(titre);
    }
    store.ajouterPlace();
    store.fiches[static_cast<std::size_t>(store.derniere)] = carte("poire");
    --store.derniere;  // a slot past the last card is not a card
    const std::string avant = octetsDe(store.fiches, static_cast<std::size_t>(store.nombreFiches()));
    const Doublons d = chercherDoublons(store, false);
    EXPECT_EQ(d.fiches, (std::vector<uint32_t>{0, 2, 4, 1, 3}));
    EXPECT_EQ(d.debuts, (std::vector<uint32_t>{0, 3, 5}));
    EXPECT_EQ(avant, octetsDe(store.fiches, static_cast<std::size_t>(store.nombreFiches())));
    EXPECT_TRUE(messages.messages.empty());
}
