// Reopening the base named by the store's path, and binding a base to its picture directory,
// without the window.

#include "core/ouverture_base.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"
#include "core/textes.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/dossier_temporaire.h"

namespace fs = std::filesystem;

namespace {

std::string creation(const std::string& rep) {
    return "creation du repertoire " + rep +
           " car inexistant cette base ne contient pas encore d'images";
}

// A base file of n cards titled t0, t1...
void ecrireBaseDe(const std::string& chemin, int n) {
    BoitesEnregistrees muettes;
    MagasinFiches s(muettes);
    s.fiches.redimensionner(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        // Appended: GCC 12 at -O3 warns falsely on "text" + std::to_string.
        std::string titre = "t";
        titre += std::to_string(i);
        ecrireChamp(s.fiches[static_cast<std::size_t>(i)].titre, titre);
    }
    s.derniere = n - 1;
    ASSERT_EQ(s.ecrireBase(chemin), 1);
}

TEST(rouvrirBase, opensOnlyAnExistingDatFile_bindsCreatesReadsAndMarks_orChangesNothing) {
    DossierTemporaire d;
    ecrireBaseDe(d / "films.dat", 3);
    ecrireBaseDe(d / "notes.DAT", 2);
    ASSERT_EQ(mkdir((d / "dossier.dat").c_str(), 0777), 0);
    // A directory name of 250 bytes: the base path fits its buffer, its picture directory's
    // does not (255 bytes at most).
    const std::string long_ = d / std::string(250, 'x');
    ASSERT_EQ(mkdir(long_.c_str(), 0777), 0);
    ecrireBaseDe(long_ + "/b.dat", 1);
    ASSERT_EQ(mkdir((d / "rangee.rep").c_str(), 0777), 0);
    ecrireBaseDe(d / "rangee.dat", 4);

    struct Cas {
        std::string base;
        bool ouverte;
        std::string repertoire;  // bound after, when opened
        int32_t derniere;        // after, when opened
        std::vector<std::string> messages;
    };
    const std::vector<Cas> cas = {
        {d / "films.dat", true, d / "films.rep", 2, {creation(d / "films.rep")}},
        {d / "rangee.dat", true, d / "rangee.rep", 3, {}},
        {long_ + "/b.dat", true, "", 0, {}},
        {d / "notes.DAT", false, "", 0, {}},
        {d / "absente.dat", false, "", 0, {}},
        {d / "dossier.dat", false, "", 0, {}},
        {"", false, "", 0, {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.base);
        BoitesEnregistrees boites;
        MagasinFiches s(boites);
        s.cheminBase.affecter(c.base);
        s.repertoireImages.affecter("/avant.rep");
        s.modifiee = true;
        s.baseNommee = false;
        s.courante = 0;
        EXPECT_EQ(rouvrirBase(s), c.ouverte);
        EXPECT_EQ(boites.textes("message"), c.messages);
        if (c.ouverte) {
            EXPECT_EQ(s.repertoireImages.str(), c.repertoire);
            if (!c.repertoire.empty()) {
                EXPECT_TRUE(fs::is_directory(c.repertoire));
            }
            EXPECT_EQ(s.derniere, c.derniere);
            EXPECT_FALSE(s.modifiee);
            EXPECT_TRUE(s.baseNommee);
        } else {
            EXPECT_EQ(s.repertoireImages.str(), "/avant.rep");
            EXPECT_EQ(s.derniere, 0);
            EXPECT_TRUE(s.modifiee);
            EXPECT_FALSE(s.baseNommee);
        }
    }
}

TEST(emporterImages, copiesThePicturesToTheNewNamesDirectory_orLeavesThemUnderTheSameName) {
    DossierTemporaire d;
    ASSERT_EQ(mkdir((d / "a.rep").c_str(), 0777), 0);
    ecrireOctets(d / "a.rep/chat.jpg", "miaou");
    struct Cas {
        std::string nouvelle;
        bool repertoireExistait;
        std::vector<std::string> messages;
    };
    const Cas cas[] = {
        {d / "b.dat", false, {}},
        {d / "c.dat", true, {textes::kErreurCreationRepertoire}},
        {d / "a.dat", true, {textes::kErreurCreationRepertoire}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nouvelle);
        const std::string rep = cheminRepertoireImages(c.nouvelle);
        if (c.repertoireExistait && !fs::exists(rep)) {
            ASSERT_EQ(mkdir(rep.c_str(), 0777), 0);
        }
        BoitesEnregistrees boites;
        MagasinFiches s(boites);
        s.cheminBase.affecter(d / "a.dat");
        emporterImages(s, c.nouvelle);
        EXPECT_EQ(boites.textes("message"), c.messages);
        EXPECT_EQ(lireOctets(rep + "/chat.jpg"), "miaou");
        EXPECT_EQ(s.cheminBase.str(), d / "a.dat") << "the store stays on its base";
    }
}

}  // namespace
