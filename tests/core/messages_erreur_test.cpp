// The core's messages for programs without windows, notices told apart by kind, directory
// creation as a value, and the one test of whether a name is taken.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/attributs.h"
#include "core/messages_erreur.h"
#include "core/repertoire_images.h"
#include "core/textes.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

namespace {

// What a call writes on standard error, caught through a file put in its place.
template <class F>
std::string erreurDe(F&& appel) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    const int ancien = dup(2);
    dup2(fileno(capture), 2);
    appel();
    std::fflush(stderr);
    dup2(ancien, 2);
    close(ancien);
    std::string texte;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;) texte += static_cast<char>(c);
    std::fclose(capture);
    return texte;
}

// Records the notices apart from the plain messages.
class AvisEnregistres : public MessagesEnregistres {
public:
    std::vector<std::pair<Avis, std::string>> avisRecus;
    void avis(Avis genre, const std::string& texte) override { avisRecus.emplace_back(genre, texte); }
};

}  // namespace

TEST(MessagesSurErreur, problems_areWrittenUnderTheProgramName_andCounted_noticesAreNot) {
    MessagesSurErreur messages("outil");
    Messages& vu = messages;  // as the core calls it
    const std::string sortie = erreurDe([&] {
        vu.message("premier problème");
        vu.avis(Avis::kRepertoireImagesCree, "creation du repertoire x");
        EXPECT_EQ(vu.question("remplacer ?", Boutons::OuiNon), kAnnuler);
        EXPECT_EQ(vu.confirmation("ecraser ?"), kAnnuler);
        messages.ecrire("ligne du programme");
    });
    EXPECT_EQ(sortie,
              "outil : premier problème\noutil : remplacer ?\noutil : ecraser ?\n"
              "outil : ligne du programme\n");
    EXPECT_EQ(messages.nombre(), 3);
}

TEST(Avis, creatingAPictureDirectory_isANoticeOfItsKind_andByDefaultAPlainMessage) {
    DossierTemporaire dossier;
    AvisEnregistres parGenre;
    creerRepertoireImages(parGenre, dossier / "a.rep");
    ASSERT_EQ(parGenre.avisRecus.size(), 1u);
    EXPECT_EQ(parGenre.avisRecus[0].first, Avis::kRepertoireImagesCree);
    EXPECT_EQ(parGenre.avisRecus[0].second, avecChemin(textes::kCreationRepertoireImages, dossier / "a.rep"));
    EXPECT_TRUE(parGenre.messages.empty());

    // A window's messages get the same words in a plain box; an existing directory, nothing.
    MessagesEnregistres boites;
    creerRepertoireImages(boites, dossier / "b.rep");
    creerRepertoireImages(boites, dossier / "b.rep");
    EXPECT_EQ(boites.messages,
              std::vector<std::string>({avecChemin(textes::kCreationRepertoireImages, dossier / "b.rep")}));
}

TEST(Existe, aNameIsTaken_byAFileADirectoryOrAnyLinkEvenDangling) {
    DossierTemporaire dossier;
    ecrireOctets(dossier / "fichier", "x");
    ASSERT_EQ(mkdir((dossier / "dossier").c_str(), 0700), 0);
    ASSERT_EQ(symlink("nulle-part", (dossier / "lien-pendant").c_str()), 0);
    ASSERT_EQ(symlink("fichier", (dossier / "lien").c_str()), 0);
    struct Cas {
        const char* nom;
        bool pris;
    };
    for (const Cas& c : {Cas{"fichier", true}, Cas{"dossier", true}, Cas{"lien-pendant", true},
                         Cas{"lien", true}, Cas{"absent", false}, Cas{"absent/sous", false}}) {
        EXPECT_EQ(existe(dossier / c.nom), c.pris) << c.nom;
    }
}

TEST(CreerRepertoire, saysWhetherItMadeTheDirectoryFoundItOrFailed) {
    DossierTemporaire dossier;
    EXPECT_EQ(creerRepertoire(dossier / "r"), Creation::kCree);
    EXPECT_EQ(creerRepertoire(dossier / "r"), Creation::kExistait);
    EXPECT_EQ(creerRepertoire(dossier / "manque/r"), Creation::kEchec);
    EXPECT_EQ(creerRepertoire(""), Creation::kEchec);
    ecrireOctets(dossier / "fichier", "x");
    // A file of that name is there: nothing was made, and that is told apart from a failure.
    EXPECT_EQ(creerRepertoire(dossier / "fichier"), Creation::kExistait);
}
