#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ini.h"
#include "core/services.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/ignorer.h"

namespace fs = std::filesystem;

namespace {

struct CasRemplacement {
    const char* nom;
    std::string avant;
    std::string section;
    std::string cle;
    std::string valeur;
    std::string apres;
};

const CasRemplacement kRemplacements[] = {
    {"keyPresent_onlyValueChanges", "[setup]\nautoload=/a.dat\n", "setup", "autoload", "/b.dat",
     "[setup]\nautoload=/b.dat\n"},
    {"crlfFile_endingsKept", "; config\r\n[setup]\r\nautoload=old\r\nx=1\r\n", "setup",
     "autoload", "new", "; config\r\n[setup]\r\nautoload=new\r\nx=1\r\n"},
    {"oddSpacing_keyTextAndBlanksBeforeValueKept", "[ SeTuP ]\n  AutoLoad  =  old  \n", "setup",
     "autoload", "new", "[ SeTuP ]\n  AutoLoad  =  new  \n"},
    {"emptyValueWithTrailingBlanks_valueRightAfterEquals", "[setup]\nautoload=   \n", "setup",
     "autoload", "v", "[setup]\nautoload=v\n"},
    {"emptyValue_filled", "[setup]\nautoload=\n", "setup", "autoload", "/x.dat",
     "[setup]\nautoload=/x.dat\n"},
    {"setEmpty_valueRemoved", "[setup]\nautoload=/x.dat\n", "setup", "autoload", "",
     "[setup]\nautoload=\n"},
    {"missingFinalNewline_keptMissing", "[setup]\nautoload=a", "setup", "autoload", "bb",
     "[setup]\nautoload=bb"},
    {"keyInOtherSectionFirst_onlyTargetSectionChanged",
     "[other]\nautoload=keep\n\n[setup]\nautoload=old\n[last]\nautoload=keep2\n", "setup",
     "autoload", "new", "[other]\nautoload=keep\n\n[setup]\nautoload=new\n[last]\nautoload=keep2\n"},
    {"duplicateKey_firstOneChanged", "[setup]\nautoload=1\nautoload=2\n", "setup", "autoload",
     "9", "[setup]\nautoload=9\nautoload=2\n"},
    {"duplicateSection_firstOneChanged", "[setup]\na=1\n[setup]\nautoload=2\n", "setup",
     "autoload", "9", "[setup]\na=1\nautoload=9\n[setup]\nautoload=2\n"},
    {"commentedKey_isNotTheKey", "[setup]\n;autoload=c\n#autoload=d\n", "setup", "autoload",
     "v", "[setup]\nautoload=v\n;autoload=c\n#autoload=d\n"},
    {"keyMissing_addedAfterLastKeyBeforeBlankAndComment",
     "[setup]\nx=1\n\n; about the next one\n[next]\ny=2\n", "setup", "autoload", "v",
     "[setup]\nx=1\nautoload=v\n\n; about the next one\n[next]\ny=2\n"},
    {"keyMissing_crlfFileGetsCrlfLine", "[setup]\r\nx=1\r\n[b]\r\n", "setup", "autoload", "v",
     "[setup]\r\nx=1\r\nautoload=v\r\n[b]\r\n"},
    {"keyMissing_lastLineWithoutNewline_staysWithout", "[setup]\nx=1", "setup", "autoload", "v",
     "[setup]\nx=1\nautoload=v"},
    {"keyMissing_crlfLastLineWithoutNewline", "[setup]\r\nx=1", "setup", "autoload", "v",
     "[setup]\r\nx=1\r\nautoload=v"},
    {"keyMissing_emptySection_afterHeader", "[setup]\n[b]\n", "setup", "autoload", "v",
     "[setup]\nautoload=v\n[b]\n"},
    {"keyMissing_headerIsLastLine", "[setup]", "setup", "autoload", "v", "[setup]\nautoload=v"},
    {"sectionMissing_appendedAtEnd", "; only a comment\n[other]\nk=v\n", "setup", "autoload",
     "/a.dat", "; only a comment\n[other]\nk=v\n[setup]\nautoload=/a.dat\n"},
    {"sectionMissing_crlf", "[other]\r\nk=v\r\n", "setup", "autoload", "x",
     "[other]\r\nk=v\r\n[setup]\r\nautoload=x\r\n"},
    {"sectionMissing_noFinalNewline_staysWithout", "[other]\nk=v", "setup", "autoload", "x",
     "[other]\nk=v\n[setup]\nautoload=x"},
    {"emptyFile_sectionAndKey", "", "setup", "autoload", "x", "[setup]\nautoload=x\n"},
    {"keyBeforeAnySection_belongsToNone", "autoload=top\n", "setup", "autoload", "x",
     "autoload=top\n[setup]\nautoload=x\n"},
    {"byteOrderMark_firstHeaderStillFound", "\xEF\xBB\xBF[setup]\nautoload=a\n", "setup",
     "autoload", "b", "\xEF\xBB\xBF[setup]\nautoload=b\n"},
    {"valueBytesAsGiven_highBytesAndSemicolon", "[setup]\nautoload=a\n", "setup", "autoload",
     "/m\xE9moire;#=.dat", "[setup]\nautoload=/m\xE9moire;#=.dat\n"},
    {"headerWithTrailingComment", "[setup] ; main\nautoload=a\n", "setup", "autoload", "b",
     "[setup] ; main\nautoload=b\n"},
    {"lineWithoutEquals_notAKey_keyAddedAfterIt", "[setup]\nautoload\n", "setup", "autoload",
     "v", "[setup]\nautoload\nautoload=v\n"},
    {"mixedEndings_styleOfFirstEnding", "[a]\nk=1\r\n[setup]\r\n", "setup", "autoload", "v",
     "[a]\nk=1\r\n[setup]\r\nautoload=v\n"},
};

class Remplacement : public ::testing::TestWithParam<CasRemplacement> {};

TEST_P(Remplacement, remplacerCle_changesOnlyThatLine_byteExact) {
    const CasRemplacement& c = GetParam();
    EXPECT_EQ(remplacerCle(c.avant, c.section, c.cle, c.valeur), c.apres);
    EXPECT_EQ(valeurCle(c.apres, c.section, c.cle, "<defaut>"), c.valeur);
}

INSTANTIATE_TEST_SUITE_P(ini, Remplacement, ::testing::ValuesIn(kRemplacements),
                         [](const ::testing::TestParamInfo<CasRemplacement>& i) {
                             return std::string(i.param.nom);
                         });

TEST(valeurCle, readsFirstMatch_caseInsensitive_trimmed_orDefault) {
    struct Cas {
        std::string contenu;
        std::string attendu;
    };
    const Cas cas[] = {
        {"[setup]\nautoload=/a.dat\n", "/a.dat"},
        {"[SETUP]\r\nAUTOLOAD = /a b.dat \r\n", "/a b.dat"},
        {"\t[ setup ]\t\n\tautoload\t=\t/t.dat\t\n", "/t.dat"},
        {"[setup]\nautoload=\n", ""},
        {"[setup]\nautoload=1\nautoload=2\n", "1"},
        {"[setup]\nother=1\n[setup]\nautoload=2\n", "<defaut>"},
        {"[other]\nautoload=x\n", "<defaut>"},
        {"autoload=x\n[setup]\n", "<defaut>"},
        {"[setup]\n;autoload=x\n", "<defaut>"},
        {"[setup\nautoload=x\n", "<defaut>"},
        {"", "<defaut>"},
        {"[setup]\nautoload=\"q\"", "\"q\""},
        {"[setup]\nautoload=a=b", "a=b"},
        {"[setup]\nautoload=x\r", "x"},
        {"[setupx]\nautoload=x\n", "<defaut>"},
        {"[setup]\nautoloadx=x\n", "<defaut>"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(valeurCle(c.contenu, "setup", "autoload", "<defaut>"), c.attendu) << c.contenu;
    }
}

TEST(remplacerCle, nameOrValueNotOnOneLine_refused) {
    struct Cas {
        std::string section, cle, valeur;
    };
    const Cas cas[] = {{"setup", "autoload", "a\nb"},  {"setup", "autoload", "a\rb"},
                       {"setup", "autoload", std::string("a\0b", 3)},
                       {"se]tup", "autoload", "v"},     {"", "autoload", "v"},
                       {"setup", "auto=load", "v"},     {"setup", " ", "v"},
                       {"setup", ";autoload", "v"},     {"set\nup", "autoload", "v"}};
    for (const Cas& c : cas) {
        EXPECT_THROW(remplacerCle("[setup]\n", c.section, c.cle, c.valeur), std::invalid_argument)
            << c.section << "/" << c.cle;
    }
}

// Splits at '\n', keeping any '\r', so line endings are compared too.
std::vector<std::string> lignes(const std::string& t) {
    std::vector<std::string> r;
    std::size_t debut = 0;
    for (;;) {
        std::size_t nl = t.find('\n', debut);
        r.push_back(t.substr(debut, nl == std::string::npos ? std::string::npos : nl - debut));
        if (nl == std::string::npos) return r;
        debut = nl + 1;
    }
}

// Random INI texts built from real-world line shapes: whatever the text, the key reads back
// as written, every other key reads as before, and the text differs from the original by
// one replaced line or by one or two inserted lines, all other lines byte for byte equal.
TEST(remplacerCle, randomTexts_onlyOneLineTouched_otherKeysUnchanged) {
    const std::vector<std::string> formes = {
        "[setup]", "[ Setup ]", "[other]", "[x]", "autoload=/a.dat", "AutoLoad = b",
        "other=1", "k = v ; w", "", "   ", "; comment", "# autoload=no", "junk line",
        "[broken", "autoload=", "=nokey", "\tautoload\t=\t/t\t"};
    const std::vector<std::pair<std::string, std::string>> sondes = {
        {"setup", "other"}, {"other", "autoload"}, {"other", "other"}, {"x", "k"},
        {"setup", "k"}, {"x", "autoload"}};
    std::mt19937 alea(12345);
    for (int essai = 0; essai < 3000; ++essai) {
        const bool crlf = alea() % 2;
        std::string avant;
        const int n = static_cast<int>(alea() % 9);
        for (int i = 0; i < n; ++i) {
            avant += formes[alea() % formes.size()];
            if (i + 1 < n || alea() % 3) avant += crlf ? "\r\n" : "\n";
        }
        const std::string valeur = alea() % 4 ? "/v" + std::to_string(essai) + ".dat" : "";
        const std::string apres = remplacerCle(avant, "setup", "autoload", valeur);
        SCOPED_TRACE(::testing::Message() << "avant:\n" << avant << "\napres:\n" << apres);

        ASSERT_EQ(valeurCle(apres, "setup", "autoload", "<d>"), valeur);
        for (const auto& [s, k] : sondes) {
            ASSERT_EQ(valeurCle(apres, s, k, "<d>"), valeurCle(avant, s, k, "<d>")) << s << "/" << k;
        }
        if (apres == avant) {
            // Only a key already holding that value leaves the text as it was.
            ASSERT_EQ(valeurCle(avant, "setup", "autoload", "<d>"), valeur);
            continue;
        }
        const std::string fin = crlf && avant.find('\n') != std::string::npos ? "\r\n" : "\n";
        if (!avant.empty() && avant.back() != '\n' && apres.size() > avant.size() &&
            apres.compare(0, avant.size(), avant) == 0 &&
            apres.compare(avant.size(), fin.size(), fin) == 0) {
            // Added after a last line without newline: the text gains one or two lines and
            // still ends without a newline.
            const auto ajout = lignes(apres.substr(avant.size() + fin.size()));
            ASSERT_TRUE(ajout.size() == 1 || ajout.size() == 2);
            if (ajout.size() == 2) {
                ASSERT_EQ(ajout[0], "[setup]" + fin.substr(0, fin.size() - 1));
            }
            continue;
        }
        const auto la = lignes(avant);
        const auto lb = lignes(apres);
        std::size_t p = 0;
        while (p < la.size() && p < lb.size() && la[p] == lb[p]) ++p;
        std::size_t s = 0;
        while (s < la.size() - p && s < lb.size() - p &&
               la[la.size() - 1 - s] == lb[lb.size() - 1 - s]) {
            ++s;
        }
        const std::size_t retirees = la.size() - p - s;
        const std::size_t ajoutees = lb.size() - p - s;
        const bool remplacee = retirees == 1 && ajoutees == 1;
        const bool inseree = retirees == 0 && (ajoutees == 1 || ajoutees == 2);
        ASSERT_TRUE(remplacee || inseree) << retirees << " removed, " << ajoutees << " added";
        // A line of the new text keeps the file's ending style, unless it is the last line.
        for (std::size_t i = p; i < p + ajoutees; ++i) {
            if (i + 1 == lb.size()) continue;
            const bool finCr = !lb[i].empty() && lb[i].back() == '\r';
            if (inseree) {
                ASSERT_EQ(finCr, crlf && avant.find('\n') != std::string::npos) << i;
            }
        }
    }
}

std::vector<std::string> noms(const DossierTemporaire& d) {
    std::vector<std::string> r;
    for (const auto& e : fs::directory_iterator(d.str())) r.push_back(e.path().filename());
    std::sort(r.begin(), r.end());
    return r;
}

const std::string kFichierReel =
    "; Brevandoux\r\n"
    "# written by hand\r\n"
    "\r\n"
    "[Fenetre]\r\n"
    "gauche = 10\r\n"
    "\r\n"
    "[Setup]\r\n"
    "  autoload = C:\\anciennes\\bases\\films.dat  \r\n"
    "langue=fr\r\n"
    "[Autre]\r\n"
    "autoload=ne pas toucher";

TEST(lireCleIni, realFile_valueTrimmed_missingGivesDefault) {
    DossierTemporaire d;
    ecrireOctets(d / "brevandoux.ini", kFichierReel);
    EXPECT_EQ(lireCleIni(d / "brevandoux.ini", "setup", "autoload", ""),
              "C:\\anciennes\\bases\\films.dat");
    EXPECT_EQ(lireCleIni(d / "brevandoux.ini", "autre", "autoload", ""), "ne pas toucher");
    EXPECT_EQ(lireCleIni(d / "brevandoux.ini", "setup", "absente", "def"), "def");
    EXPECT_EQ(lireCleIni(d / "brevandoux.ini", "absente", "autoload", "def"), "def");
    EXPECT_EQ(lireCleIni(d / "manquant.ini", "setup", "autoload", "def"), "def");
    EXPECT_EQ(lireCleIni(d.str(), "setup", "autoload", "def"), "def");
}

TEST(ecrireCleIni, realCrlfFile_onlyValueLineChanges_modeKept) {
    DossierTemporaire d;
    const std::string ini = d / "brevandoux.ini";
    ecrireOctets(ini, kFichierReel);
    chmod(ini.c_str(), 0640);
    ecrireCleIni(ini, "setup", "autoload", "/home/moi/bases/livres.dat");
    std::string attendu = kFichierReel;
    const std::string ancien = "C:\\anciennes\\bases\\films.dat";
    attendu.replace(attendu.find(ancien), ancien.size(), "/home/moi/bases/livres.dat");
    EXPECT_EQ(lireOctets(ini), attendu);
    struct stat st;
    ASSERT_EQ(stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(noms(d), std::vector<std::string>{"brevandoux.ini"});
}

TEST(ecrireCleIni, missingFile_createdWithSectionAndKey) {
    DossierTemporaire d;
    ecrireCleIni(d / "neuf.ini", "setup", "autoload", "/a.dat");
    EXPECT_EQ(lireOctets(d / "neuf.ini"), "[setup]\nautoload=/a.dat\n");
}

TEST(ecrireCleIni, symlinkedFile_linkKeptTargetUpdated) {
    DossierTemporaire d;
    ecrireOctets(d / "vrai.ini", "[setup]\nautoload=a\n");
    ASSERT_EQ(symlink("vrai.ini", (d / "lien.ini").c_str()), 0);
    ecrireCleIni(d / "lien.ini", "setup", "autoload", "b");
    EXPECT_TRUE(fs::is_symlink(d / "lien.ini"));
    EXPECT_EQ(lireOctets(d / "vrai.ini"), "[setup]\nautoload=b\n");
}

void attendreErreurEcriture(const std::string& chemin, const std::string& valeur,
                            const AppelsSysteme& appels = appelsSysteme()) {
    try {
        ecrireCleIni(chemin, "setup", "autoload", valeur, appels);
        ADD_FAILURE() << "no error for " << chemin;
    } catch (const Erreur& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + chemin).c_str());
    }
}

ssize_t ecrireDisquePlein(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}
int renommerRefuse(const char*, const char*) {
    errno = EACCES;
    return -1;
}

TEST(ecrireCleIni, writeFails_throwsUnableToWrite_fileUntouched_noTemporaryLeft) {
    DossierTemporaire d;
    const std::string ini = d / "brevandoux.ini";
    AppelsSysteme disquePlein = appelsSysteme();
    disquePlein.ecrire = ecrireDisquePlein;
    AppelsSysteme renommage = appelsSysteme();
    renommage.renommer = renommerRefuse;
    for (const AppelsSysteme* appels : {&disquePlein, &renommage}) {
        ecrireOctets(ini, kFichierReel);
        attendreErreurEcriture(ini, "/nouveau.dat", *appels);
        EXPECT_EQ(lireOctets(ini), kFichierReel);
        EXPECT_EQ(noms(d), std::vector<std::string>{"brevandoux.ini"});
    }
}

TEST(ecrireCleIni, readOnlyFile_throwsAndKeepsFile_unlessValueAlreadyThere) {
    DossierTemporaire d;
    const std::string ini = d / "ro.ini";
    ecrireOctets(ini, "[setup]\nautoload=a\n");
    chmod(ini.c_str(), 0444);
    attendreErreurEcriture(ini, "b");
    EXPECT_EQ(lireOctets(ini), "[setup]\nautoload=a\n");
    // Nothing to change, nothing to write: no error stops the caller.
    EXPECT_NO_THROW(ecrireCleIni(ini, "SETUP", " autoload ", "a"));
}

TEST(ecrireCleIni, directoryOrUnwritableValue_throwsUnableToWrite) {
    DossierTemporaire d;
    attendreErreurEcriture(d.str(), "x");
    ecrireOctets(d / "a.ini", "[setup]\n");
    attendreErreurEcriture(d / "a.ini", "ligne\ncoupee");
    EXPECT_EQ(lireOctets(d / "a.ini"), "[setup]\n");
    attendreErreurEcriture(d / "absent/a.ini", "x");
}

TEST(ecrireCleIni, immutableFile_throwsAndKeepsFile) {
    DossierTemporaire d;
    const std::string ini = d / "fige.ini";
    ecrireOctets(ini, kFichierReel);
    if (std::system(("chattr +i " + ini + " 2>/dev/null").c_str()) != 0) {
        IGNORER("chattr +i n'est pas possible ici (droits de root nécessaires)");
    }
    attendreErreurEcriture(ini, "/autre.dat");
    // Left immutable, the file could not be removed with its folder.
    if (std::system(("chattr -i " + ini).c_str()) != 0) ADD_FAILURE() << "chattr -i " << ini << " failed";
    EXPECT_EQ(lireOctets(ini), kFichierReel);
}

}  // namespace
