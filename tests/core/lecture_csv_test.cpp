// Reading a CSV table in several runs of rows at once must give exactly what one reading from
// the first row to the last gives, and converting rows as they are scanned what the exact
// reading of their cells gives: the same cards to the last byte, the same refusals in the
// same order, the same encoding. Tables are sound, spoiled at one place, or random soup.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/tableau_csv.h"
#include "tests/core/dossier_temporaire.h"
#include "tests/core/messages_enregistres.h"

namespace {

// UTF-8 pieces of texts, storable or not, and the bytes that make rows and cells.
const std::vector<std::string> kTextes = {
    "a", "Zo", "1", " ", "é", "€", "’", "œ", "«", "\xC2\xA0", "'", "=", "-", "ñ", "Château de Vézelay",
    "12345678", "x\r\ny", "\n", "\r\n\r\n", ",", ";", "\"", "\"\"", "\t", "images/photo.jpg"};
const std::vector<std::string> kSoupe = {
    "a", "é", "\xE9", "€", "😀", "\xFF", ",", ";", "\"", "\"\"", "\r\n", "\n", "\r", "'", "=", " ",
    std::string(1, '\0'), "texte assez long pour un mot", "\xC3", "numero", "titre"};

std::string choisir(std::mt19937& alea, const std::vector<std::string>& morceaux) {
    return morceaux[std::uniform_int_distribution<std::size_t>(0, morceaux.size() - 1)(alea)];
}

std::string cellule(std::mt19937& alea, char sep, std::size_t longueur) {
    std::string t;
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, longueur)(alea);
    while (t.size() < n) t += choisir(alea, kTextes);
    const bool guillemets = t.find_first_of(std::string("\"\r\n") + sep) != std::string::npos ||
                            std::uniform_int_distribution<int>(0, 4)(alea) == 0;
    if (!guillemets) return t;
    std::string q = "\"";
    for (char c : t) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// A table as a spreadsheet would write it: header or not, comma or semicolon, BOM or not,
// empty rows here and there, rows shorter or longer than the header (without one, some end
// with the description).
std::string tableSaine(std::mt19937& alea, std::size_t lignes) {
    const char sep = std::uniform_int_distribution<int>(0, 1)(alea) ? ',' : ';';
    std::string s = std::uniform_int_distribution<int>(0, 1)(alea) ? "\xEF\xBB\xBF" : "";
    const bool entete = std::uniform_int_distribution<int>(0, 3)(alea) != 0;
    if (entete) s += std::string("Titre") + sep + "autre" + sep + "NUMERO" + sep + "description" + sep + "image\r\n";
    const char* fins[] = {"\r\n", "\n", "\r"};
    for (std::size_t i = 0; i < lignes; ++i) {
        const int forme = std::uniform_int_distribution<int>(0, 19)(alea);
        if (forme == 0) {
            s += std::string(4, sep);  // no text at all
        } else {
            const int cellules = forme == 1 ? 2 : forme == 2 ? 7 : forme == 3 ? 3 : 5;
            for (int k = 0; k < cellules; ++k) {
                if (k > 0) s += sep;
                const char* const nombres[] = {"-12", "+7", " 5", "12345678901", "2147483648", "-2147483648", "'-3"};
                if (k == 2 && forme > 16) s += nombres[alea() % 7];
                else s += k == 2 && forme > 4 ? std::to_string(alea() % 2000) : cellule(alea, sep, k == 3 ? 120 : 30);
            }
        }
        if (i + 1 < lignes || forme % 2) s += fins[std::uniform_int_distribution<int>(0, 9)(alea) == 0 ? 1 + alea() % 2 : 0];
    }
    return s;
}

// The same table spoiled at one random place.
std::string tableAbimee(std::mt19937& alea, std::string s) {
    if (s.empty()) return s;
    const std::string defauts[] = {"\"", "\xFF", "😀", std::string(1, '\0'), "\"x", std::string(300, 'w')};
    const std::size_t ou = std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(alea);
    return s.insert(ou, defauts[alea() % 6]);
}

std::string soupe(std::mt19937& alea, std::size_t morceaux) {
    std::string s;
    for (std::size_t i = 0; i < morceaux; ++i) s += choisir(alea, kSoupe);
    return s;
}

struct Resultat {
    LectureCsv lecture;
    std::vector<std::string> cartes;  // each card read, all its bytes
};

Resultat lireEnParties(const std::string& octets, std::size_t parties, bool directe = true) {
    TableFiches table;
    Resultat r{lireTableauCsv(octets, table, 0, parties, directe), {}};
    if (r.lecture.nombreRefus == 0) {
        for (std::size_t i = 0; i < r.lecture.lues; ++i) {
            r.cartes.emplace_back(reinterpret_cast<const char*>(&table[i]), sizeof(Fiche));
        }
    }
    return r;
}

void attendreMemeLecture(const Resultat& attendu, const Resultat& lu, const std::string& quoi) {
    const LectureCsv& a = attendu.lecture;
    const LectureCsv& b = lu.lecture;
    ASSERT_EQ(a.nombreRefus, b.nombreRefus) << quoi;
    ASSERT_EQ(a.refus.size(), b.refus.size()) << quoi;
    for (std::size_t i = 0; i < a.refus.size(); ++i) {
        EXPECT_EQ(a.refus[i].ligne, b.refus[i].ligne) << quoi;
        EXPECT_EQ(a.refus[i].colonne, b.refus[i].colonne) << quoi;
        EXPECT_EQ(a.refus[i].raison, b.refus[i].raison) << quoi;
    }
    if (a.nombreRefus != 0) return;
    EXPECT_EQ(a.utf8, b.utf8) << quoi;
    EXPECT_EQ(a.separateur, b.separateur) << quoi;
    ASSERT_EQ(a.lues, b.lues) << quoi;
    EXPECT_EQ(a.sansNumero, b.sansNumero) << quoi;
    EXPECT_EQ(a.lignes, b.lignes) << quoi;
    ASSERT_EQ(a.avecImage.size(), b.avecImage.size()) << quoi;
    for (std::size_t i = 0; i < a.avecImage.size(); ++i) {
        EXPECT_EQ(a.avecImage[i].fiche, b.avecImage[i].fiche) << quoi;
        EXPECT_EQ(a.avecImage[i].empreinte, b.avecImage[i].empreinte) << quoi;
        EXPECT_EQ(a.avecImage[i].chemin, b.avecImage[i].chemin) << quoi;
    }
    for (std::size_t i = 0; i < a.lues; ++i) ASSERT_EQ(attendu.cartes[i], lu.cartes[i]) << quoi << ", fiche " << i;
}

// After each field's terminating zero, a card read holds only zero bytes.
void attendreZerosApresChaqueChamp(const std::string& carte, std::size_t i) {
    Fiche f;
    std::memcpy(&f, carte.data(), sizeof f);
    for (const auto& [champ, taille] : {std::pair<const char*, std::size_t>{f.titre, sizeof f.titre},
                                        {f.description, sizeof f.description},
                                        {f.image, sizeof f.image}}) {
        const std::size_t n = strnlen(champ, taille);
        for (std::size_t k = n; k < taille; ++k) ASSERT_EQ(champ[k], '\0') << "fiche " << i << ", octet " << k;
    }
}

}  // namespace

TEST(LectureCsv, runsReadAtOnce_giveExactlyWhatOneReadingGives) {
    int saines = 0, refusees = 0, windows1252 = 0;
    for (unsigned graine = 1; graine <= 150; ++graine) {
        std::mt19937 alea(graine);
        std::string octets;
        switch (graine % 3) {
            case 0: octets = tableSaine(alea, 1 + alea() % 60); break;
            case 1: octets = tableAbimee(alea, tableSaine(alea, 1 + alea() % 60)); break;
            default: octets = soupe(alea, alea() % 400); break;
        }
        const Resultat une = lireEnParties(octets, 1);
        if (une.lecture.nombreRefus == 0) ++saines; else ++refusees;
        if (!une.lecture.utf8) ++windows1252;
        for (std::size_t i = 0; i < une.cartes.size(); ++i) attendreZerosApresChaqueChamp(une.cartes[i], i);
        // Each row converted as it is scanned gives what the exact reading of its cells gives.
        attendreMemeLecture(lireEnParties(octets, 1, false), une, "graine " + std::to_string(graine) + ", exacte");
        // Given the names a folder holds, a reading keeps the pictures named by a path and
        // those the folder may hold, and no other.
        if (une.lecture.nombreRefus == 0) {
            FiltreImages dossier;
            for (std::size_t i = 0; i < une.lecture.avecImage.size(); i += 2) {
                dossier.ajouter(une.lecture.avecImage[i].empreinte);
            }
            std::vector<std::size_t> attendues, gardees;
            for (const ImageLue& image : une.lecture.avecImage) {
                if (image.chemin || dossier.peutContenir(image.empreinte)) attendues.push_back(image.fiche);
            }
            for (const bool directe : {true, false}) {
                TableFiches table;
                gardees.clear();
                for (const ImageLue& image : lireTableauCsv(octets, table, 0, 3, directe, &dossier).avecImage) {
                    gardees.push_back(image.fiche);
                }
                EXPECT_EQ(gardees, attendues) << "graine " << graine;
            }
        }
        for (std::size_t parties : {2, 3, 7}) {
            std::string quoi = "graine ";
            quoi += std::to_string(graine);
            quoi += ", ";
            quoi += std::to_string(parties);
            quoi += " parties";
            attendreMemeLecture(une, lireEnParties(octets, parties), quoi);
        }
    }
    // The tables must reach every way through the reading.
    EXPECT_GT(saines, 40);
    EXPECT_GT(refusees, 40);
    EXPECT_GT(windows1252, 10);
}

TEST(LectureCsv, rowNumbersAndCardsAcrossRuns_followTheFileOrder) {
    // Empty rows and quoted line breaks near the cuts: row numbers count records, not lines.
    std::string octets = "titre,description\r\n";
    for (int i = 0; i < 40; ++i) {
        if (i % 5 == 0) {
            octets += ",\r\n";
        } else {
            octets += 't';
            octets += std::to_string(i);
            octets += ",\"l1\r\nl2\"\r\n";
        }
    }
    octets += "fin,\"😀\"\r\n";  // refused, on the last row
    const Resultat refus = lireEnParties(octets, 4);
    ASSERT_EQ(refus.lecture.nombreRefus, 1u);
    EXPECT_EQ(refus.lecture.refus[0].ligne, 42u);
    EXPECT_EQ(refus.lecture.refus[0].colonne, "description");

    octets.resize(octets.size() - std::string("fin,\"😀\"\r\n").size());
    const Resultat lu = lireEnParties(octets, 4);
    ASSERT_EQ(lu.lecture.lues, 32u);
    EXPECT_EQ(lu.lecture.lignes.front(), 3u);
    EXPECT_EQ(lu.lecture.lignes.back(), 41u);
    Fiche derniere;
    std::memcpy(&derniere, lu.cartes.back().data(), sizeof derniere);
    EXPECT_EQ(texteChamp(derniere.titre), "t39");
    EXPECT_EQ(texteChamp(derniere.description), "l1\r\nl2");
}

TEST(LectureCsv, fifoOrFolderNamedAsTable_isRefusedAtOnce) {
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    ASSERT_EQ(mkfifo((dossier / "tube.csv").c_str(), 0644), 0);
    EXPECT_FALSE(importerTableauCsv(store, dossier / "tube.csv"));
    std::filesystem::create_directory(dossier / "dossier.csv");
    EXPECT_FALSE(importerTableauCsv(store, dossier / "dossier.csv"));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].rfind("le tableau " + (dossier / "tube.csv") + " n'a pas pu être lu : ", 0), 0u);
    EXPECT_EQ(store.derniere, 0);
}

TEST(LectureCsv, shortEscapedCell_keepsItsText_whenItsRowIsTheLongestYet) {
    // The cells of a row are kept from one row to the next; a row with more cells than any
    // before must not move the unescaped text of the cells already read.
    const Resultat r = lireEnParties("\"a\"\"b\",\"c\"\"\",x,y,z,w,v,u,t\r\n", 1);
    ASSERT_EQ(r.lecture.lues, 1u);
    Fiche f;
    std::memcpy(&f, r.cartes[0].data(), sizeof f);
    EXPECT_EQ(texteChamp(f.titre), "c\"");
    EXPECT_EQ(f.numero, 0);
    EXPECT_EQ(r.lecture.sansNumero[0], 1);
}
