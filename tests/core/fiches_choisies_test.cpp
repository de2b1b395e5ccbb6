// The chosen cards: deleting them as one step against a reference, and copying them into
// another base (pictures of the same name, the kept version, the open base refused).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "tests/support/table_copiee.h"
#include "core/copie_fiches.h"
#include "core/fiches_choisies.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"
#include "core/sauvegardes.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/texte_numerote.h"

namespace {

Fiche carte(std::size_t i) {
    Fiche f{};
    f.numero = static_cast<int32_t>(i * 7);
    ecrireChamp(f.titre, texteNumerote("t", i));
    ecrireChamp(f.description, texteNumerote("d", i));
    return f;
}

void remplir(MagasinFiches& s, const std::vector<Fiche>& fiches) {
    s.fiches.redimensionner(std::max<std::size_t>(fiches.size(), 1));
    if (fiches.empty()) viderFiche(s.fiches[0]);
    for (std::size_t i = 0; i < fiches.size(); ++i) s.fiches[i] = fiches[i];
    s.derniere = static_cast<int32_t>(fiches.size()) - 1;
}

std::vector<Fiche> table(const MagasinFiches& s) {
    return fichesDe(s.fiches, static_cast<std::size_t>(s.nombreFiches()));
}

bool memes(const std::vector<Fiche>& a, const std::vector<Fiche>& b) {
    // Two empty tables may have no memory at all, which memcmp may not be given.
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Fiche)) == 0);
}

TEST(FichesChoisies, deleteUndoRedo_matchesAReference_overRandomChoices) {
    std::mt19937 alea(46);
    for (int essai = 0; essai < 300; ++essai) {
        MessagesEnregistres messages;
        MagasinFiches s(messages);
        const std::size_t n = alea() % 40;
        std::vector<Fiche> depart;
        for (std::size_t i = 0; i < n; ++i) depart.push_back(carte(i));
        remplir(s, depart);
        // Indices in any order, repeated, some past the end: only the cards named count.
        std::vector<uint32_t> choisies;
        const std::size_t k = alea() % (n + 3);
        for (std::size_t j = 0; j < k; ++j) choisies.push_back(static_cast<uint32_t>(alea() % (n + 2)));
        const std::set<uint32_t> visees(choisies.begin(), choisies.end());
        std::vector<Fiche> attendu;
        std::size_t premiere = n;
        for (std::size_t i = 0; i < n; ++i) {
            if (visees.count(static_cast<uint32_t>(i))) premiere = std::min(premiere, i);
            else attendu.push_back(depart[i]);
        }

        std::unique_ptr<Etape> etape = supprimerChoisies(s, choisies);
        if (premiere == n) {
            EXPECT_EQ(etape, nullptr);
            EXPECT_TRUE(memes(table(s), depart));
            continue;
        }
        ASSERT_NE(etape, nullptr);
        EXPECT_EQ(etape->genre(), GenreEtape::kSuppressionFiches);
        EXPECT_TRUE(memes(table(s), attendu)) << essai;
        EXPECT_EQ(s.courante, placeDe(s, premiere));
        s.historique.noter(std::move(etape), s);
        for (int tour = 0; tour < 2; ++tour) {
            ASSERT_TRUE(s.historique.annuler(s));
            EXPECT_TRUE(memes(table(s), depart)) << essai;
            EXPECT_EQ(s.courante, static_cast<int32_t>(premiere));
            ASSERT_TRUE(s.historique.retablir(s));
            EXPECT_TRUE(memes(table(s), attendu)) << essai;
        }
        if (attendu.empty()) {
            EXPECT_EQ(s.derniere, -1);
        }
    }
}

TEST(FichesChoisies, question_namesTheCount) {
    EXPECT_EQ(questionSupprimerChoisies(12), "Supprimer ces 12 fiches ?");
    EXPECT_EQ(questionSupprimerChoisies(1), "Supprimer cette fiche ?");
}

class CopieFiches : public ::testing::Test {
protected:
    void SetUp() override {
        remplir(store, {carte(0), carte(1), carte(2)});
        ASSERT_TRUE(store.cheminBase.affecter(dossier / "a.dat"));
        ASSERT_TRUE(lierRepertoireImages(store, dossier / "a.dat"));
        std::filesystem::create_directory(dossier / "a.rep");
        ecrireOctets(dossier / "a.rep/photo.jpg", "photo de a");
        ecrireOctets(dossier / "a.rep/photo-2.jpg", "autre photo de a");
        ecrireChamp(store.fiches[0].image, "\\photo-2.jpg");
        ecrireChamp(store.fiches[1].image, "\\photo.jpg");
        ecrireChamp(store.fiches[2].image, "\\photo.jpg");
        ASSERT_EQ(store.ecrireBase(dossier / "a.dat"), 1);
        avant = lireOctets(dossier / "a.dat");
    }
    MessagesEnregistres messages;
    MagasinFiches store{messages};
    DossierTemporaire dossier;
    std::string avant;
};

TEST_F(CopieFiches, intoAnExistingBase_appendsCards_filesPicturesApart_keepsAVersion) {
    const std::vector<Fiche> autres = {carte(10), carte(11)};
    std::string octets(reinterpret_cast<const char*>(autres.data()), autres.size() * sizeof(Fiche));
    ecrireOctets(dossier / "b.dat", octets);
    std::filesystem::create_directory(dossier / "b.rep");
    ecrireOctets(dossier / "b.rep/photo.jpg", "une autre photo");

    ASSERT_EQ(copierFichesVers(store, {2, 0, 1}, dossier / "b.dat"), 3u);
    EXPECT_TRUE(messages.messages.empty());

    const std::string b = lireOctets(dossier / "b.dat");
    ASSERT_EQ(b.size(), 5 * sizeof(Fiche));
    EXPECT_EQ(b.substr(0, octets.size()), octets);
    const Fiche* f = reinterpret_cast<const Fiche*>(b.data());
    // In the order chosen, numbered by their place there, as appending numbers them.
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(f[2 + k].numero, static_cast<int32_t>(2 + k));
    EXPECT_EQ(texteChamp(f[2].titre), texteChamp(store.fiches[2].titre));
    EXPECT_EQ(texteChamp(f[3].titre), texteChamp(store.fiches[0].titre));
    // The picture of the same name but other bytes is kept apart, once for both cards.
    EXPECT_EQ(texteChamp(f[2].image), "\\photo-2.jpg");
    EXPECT_EQ(texteChamp(f[4].image), "\\photo-2.jpg");
    // The name the first took here is the second's own name there: it gets another.
    EXPECT_NE(texteChamp(f[3].image), "\\photo-2.jpg");
    EXPECT_EQ(lireOctets(dossier / ("b.rep/" + std::string(texteChamp(f[3].image)).substr(1))), "autre photo de a");
    EXPECT_EQ(lireOctets(dossier / "b.rep/photo.jpg"), "une autre photo");
    EXPECT_EQ(lireOctets(dossier / "b.rep/photo-2.jpg"), "photo de a");
    // The version replaced is kept as a save keeps one; the open base is untouched.
    const std::vector<std::string> versions = sauvegardesDe(dossier / "b.dat");
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(lireOctets(versions[0]), octets);
    EXPECT_EQ(lireOctets(dossier / "a.dat"), avant);
    EXPECT_EQ(store.nombreFiches(), 3);
    EXPECT_EQ(texteChamp(store.fiches[1].image), "\\photo.jpg");
    EXPECT_FALSE(store.modifiee);
}

TEST_F(CopieFiches, intoANewName_createsTheBase) {
    ASSERT_EQ(copierFichesVers(store, {1}, dossier / "neuve.dat"), 1u);
    const std::string b = lireOctets(dossier / "neuve.dat");
    ASSERT_EQ(b.size(), sizeof(Fiche));
    EXPECT_EQ(texteChamp(reinterpret_cast<const Fiche*>(b.data())->image), "\\photo.jpg");
    EXPECT_EQ(lireOctets(dossier / "neuve.rep/photo.jpg"), "photo de a");
}

TEST_F(CopieFiches, intoTheOpenBase_underAnySpelling_isRefusedAndWritesNothing) {
    std::filesystem::create_symlink(dossier / "a.dat", dossier / "lien.dat");
    for (const std::string& cible : {dossier / "a.dat", dossier.str() + "/./a.dat", dossier / "lien.dat"}) {
        messages.messages.clear();
        EXPECT_EQ(copierFichesVers(store, {0, 1}, cible), 0u) << cible;
        ASSERT_EQ(messages.messages.size(), 1u) << cible;
        EXPECT_NE(messages.messages[0].find("déjà dans la base ouverte"), std::string::npos);
        EXPECT_EQ(lireOctets(dossier / "a.dat"), avant);
    }
    EXPECT_TRUE(sauvegardesDe(dossier / "a.dat").empty());
}

}  // namespace
