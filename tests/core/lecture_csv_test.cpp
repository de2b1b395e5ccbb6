// Reading any table, sound, spoiled at one place, random soup or hostile: every card read holds
// zero bytes after each field's end, and a table that is accepted, written back and read again
// gives the same cards to the last byte.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/cp1252.h"
#include "core/import_tableau.h"
#include "core/magasin_fiches.h"
#include "core/tableau_csv.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"

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

Resultat lireCartes(const std::string& octets) {
    TableFiches table;
    Resultat r{lireTableauCsv(octets, table, 0), {}};
    EXPECT_EQ(table.places(), r.lecture.lues + 1);
    if (r.lecture.nombreRefus == 0) {
        for (std::size_t i = 0; i < r.lecture.lues; ++i) {
            r.cartes.emplace_back(reinterpret_cast<const char*>(&table[i]), sizeof(Fiche));
        }
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&table[r.lecture.lues]), sizeof(Fiche)),
                  std::string(sizeof(Fiche), '\0'));
    }
    return r;
}

// Tables meant to hurt: huge rows, many columns, many empty rows, quotes everywhere.
std::string tableHostile(std::mt19937& alea) {
    switch (alea() % 6) {
        case 0: return std::string(20000, ',');
        case 1: return std::string(30000, '\n') + "a,b,c";
        case 2: return "\"" + std::string(5000, '"') + "\"\r\n1,\"" + std::string(700, 'x') + "\"";
        case 3: return "titre;image\r\n" + std::string(600, '\xC3') + ";" + std::string(300, '/');
        case 4: return "\xEF\xBB\xBF" + std::string(alea() % 5, '"') + "\r\r\n\n,\"\"\"\"";
        default: {
            std::string s = "numero,titre,description,image\r\n";
            for (int i = 0; i < 200; ++i) s += "1,\"" + std::string(255, 'a') + "\",\"" + std::string(255, '\n') + "\",x\r\n";
            return s;
        }
    }
}

// Sound, spoiled, soup or hostile, by the seed.
std::string tableAuHasard(unsigned graine) {
    std::mt19937 alea(graine);
    switch (graine % 4) {
        case 0: return tableSaine(alea, 1 + alea() % 60);
        case 1: return tableAbimee(alea, tableSaine(alea, 1 + alea() % 60));
        case 2: return soupe(alea, alea() % 400);
        default: return graine % 8 == 3 ? tableHostile(alea) : tableAbimee(alea, soupe(alea, alea() % 100));
    }
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

TEST(LectureCsv, anyTable_leavesOnlyZerosAfterEachField_andAnAcceptedOneReadsBackTheSame) {
    int saines = 0, refusees = 0, windows1252 = 0, pointsVirgules = 0;
    for (unsigned graine = 1; graine <= 300; ++graine) {
        const std::string octets = tableAuHasard(graine);
        const std::string quoi = "graine " + std::to_string(graine);
        const Resultat lu = lireCartes(octets);
        const LectureCsv& l = lu.lecture;
        EXPECT_EQ(l.nombreRefus == 0, l.refus.empty()) << quoi;
        EXPECT_LE(l.refus.size(), kRefusGardes) << quoi;
        if (!l.utf8) ++windows1252;
        if (l.nombreRefus != 0) {
            ++refusees;
            continue;
        }
        ++saines;
        if (l.separateur == ';') ++pointsVirgules;
        ASSERT_EQ(l.sansNumero.size(), l.lues) << quoi;
        ASSERT_EQ(l.lignes.size(), l.lues) << quoi;
        EXPECT_TRUE(std::is_sorted(l.lignes.begin(), l.lignes.end())) << quoi;
        std::vector<Fiche> fiches(l.lues);
        for (std::size_t i = 0; i < l.lues; ++i) {
            attendreZerosApresChaqueChamp(lu.cartes[i], i);
            std::memcpy(&fiches[i], lu.cartes[i].data(), sizeof(Fiche));
            EXPECT_EQ(fiches[i].image[0] != 0,
                      std::find(l.avecImage.begin(), l.avecImage.end(), i) != l.avecImage.end())
                << quoi << ", fiche " << i;
        }
        // What the exporter writes of them reads back as the same cards, byte for byte.
        const Resultat relu = lireCartes(tableauCsv(fiches.data(), static_cast<int32_t>(l.lues) - 1));
        ASSERT_EQ(relu.lecture.nombreRefus, 0u) << quoi;
        ASSERT_EQ(relu.lecture.lues, l.lues) << quoi;
        for (std::size_t i = 0; i < l.lues; ++i) EXPECT_EQ(relu.cartes[i], lu.cartes[i]) << quoi << ", fiche " << i;
    }
    // The tables must reach every way through the reading.
    EXPECT_GT(saines, 60);
    EXPECT_GT(refusees, 60);
    EXPECT_GT(windows1252, 10);
    EXPECT_GT(pointsVirgules, 20);
}

TEST(LectureCsv, readingInSlices_handsOverWhatOneReadingGives_andNothingFromARefusedRowOn) {
    for (unsigned graine = 1; graine <= 120; ++graine) {
        const std::string octets = tableAuHasard(graine);
        const Resultat entier = lireCartes(octets);
        const LectureCsv& e = entier.lecture;
        for (const std::size_t taille : {1, 3, 7, 64}) {
            for (const bool memesPlaces : {false, true}) {
                const std::string quoi = "graine " + std::to_string(graine) + ", tranches de " +
                                         std::to_string(taille) + (memesPlaces ? " aux mêmes places" : "");
                Resultat r;
                std::vector<std::size_t> avecImage;
                PuitsCsv puits{taille, memesPlaces, [&](const TrancheCsv& t) {
                                   EXPECT_EQ(t.premiere, r.cartes.size()) << quoi;
                                   EXPECT_TRUE(t.nombre > 0 && t.nombre <= taille) << quoi;
                                   EXPECT_TRUE(t.sansNumero.size() == t.nombre && t.lignes.size() == t.nombre) << quoi;
                                   for (std::size_t k = 0; k < t.nombre; ++k) {
                                       r.cartes.emplace_back(reinterpret_cast<const char*>(&t.fiches[k]), sizeof(Fiche));
                                   }
                                   r.lecture.sansNumero.insert(r.lecture.sansNumero.end(), t.sansNumero.begin(), t.sansNumero.end());
                                   r.lecture.lignes.insert(r.lecture.lignes.end(), t.lignes.begin(), t.lignes.end());
                                   avecImage.insert(avecImage.end(), t.avecImage.begin(), t.avecImage.end());
                                   return true;
                               }};
                TableFiches table;
                const LectureCsv l = lireTableauCsv(octets, table, 0, puits);
                EXPECT_EQ(l.lues, e.lues) << quoi;
                EXPECT_EQ(l.nombreRefus, e.nombreRefus) << quoi;
                ASSERT_EQ(l.refus.size(), e.refus.size()) << quoi;
                for (std::size_t i = 0; i < l.refus.size(); ++i) {
                    EXPECT_EQ(l.refus[i].ligne, e.refus[i].ligne) << quoi;
                    EXPECT_EQ(l.refus[i].raison, e.refus[i].raison) << quoi;
                }
                EXPECT_EQ(table.places(), memesPlaces ? 1 : l.lues + 1) << quoi;
                EXPECT_TRUE(l.sansNumero.empty() && l.lignes.empty() && l.avecImage.empty()) << quoi;
                if (e.nombreRefus != 0) {
                    // Only whole slices before the first refused row were handed over.
                    for (const std::size_t ligne : r.lecture.lignes) EXPECT_LT(ligne, e.refus[0].ligne) << quoi;
                    continue;
                }
                EXPECT_EQ(r.cartes, entier.cartes) << quoi;
                EXPECT_EQ(r.lecture.sansNumero, e.sansNumero) << quoi;
                EXPECT_EQ(r.lecture.lignes, e.lignes) << quoi;
                EXPECT_EQ(avecImage, e.avecImage) << quoi;
            }
        }
    }
}

TEST(LectureCsv, sinkSayingStop_endsTheReadingAfterItsSlice) {
    std::string octets = "titre\r\n";
    // Appended piece by piece: GCC 12 at -O3 warns falsely on "text" + std::to_string.
    for (int i = 0; i < 50; ++i) {
        octets += 't';
        octets += std::to_string(i);
        octets += "\r\n";
    }
    int tranches = 0;
    TableFiches table;
    const LectureCsv l = lireTableauCsv(octets, table, 0, PuitsCsv{8, true, [&](const TrancheCsv&) {
                                                                  return ++tranches < 2;
                                                              }});
    EXPECT_EQ(tranches, 2);
    EXPECT_EQ(l.lues, 16u);
}

TEST(LectureCsv, rowNumbersAndCards_followTheFileOrder) {
    // Empty rows and quoted line breaks: row numbers count records, not lines.
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
    const Resultat refus = lireCartes(octets);
    ASSERT_EQ(refus.lecture.nombreRefus, 1u);
    EXPECT_EQ(refus.lecture.refus[0].ligne, 42u);
    EXPECT_EQ(refus.lecture.refus[0].colonne, "description");

    octets.resize(octets.size() - std::string("fin,\"😀\"\r\n").size());
    const Resultat lu = lireCartes(octets);
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
    const Resultat r = lireCartes("\"a\"\"b\",\"c\"\"\",x,y,z,w,v,u,t\r\n");
    ASSERT_EQ(r.lecture.lues, 1u);
    Fiche f;
    std::memcpy(&f, r.cartes[0].data(), sizeof f);
    EXPECT_EQ(texteChamp(f.titre), "c\"");
    EXPECT_EQ(f.numero, 0);
    EXPECT_EQ(r.lecture.sansNumero[0], 1);
}

// Every character from U+0080 to U+00FF and the few beyond that Windows-1252 has: a title
// holds its code-page byte, and a character the code page lacks (the C1 controls it uses for
// € … Ÿ) is refused and named.
TEST(LectureCsv, utf8Characters_areStoredAsTheirWindows1252Byte_orRefusedWhenItHasNone) {
    for (char32_t c = 0x80; c <= 0x2122; c = c < 0xFF ? c + 1 : c + 0x11) {
        std::string table = "titre\r\n";
        ajouterUtf8(table, c);
        const Resultat r = lireCartes(table);
        const int octet = octetCp1252(c);
        if (octet < 0) {
            ASSERT_EQ(r.lecture.nombreRefus, 1u) << std::hex << static_cast<unsigned>(c);
            EXPECT_NE(r.lecture.refus[0].raison.find("qu'une base ne peut pas contenir"), std::string::npos);
            continue;
        }
        ASSERT_EQ(r.lecture.nombreRefus, 0u) << std::hex << static_cast<unsigned>(c);
        Fiche f;
        std::memcpy(&f, r.cartes[0].data(), sizeof f);
        EXPECT_EQ(texteChamp(f.titre), std::string(1, static_cast<char>(octet))) << std::hex << static_cast<unsigned>(c);
    }
}
