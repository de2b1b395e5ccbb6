#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/copie_champ.h"
#include "core/cp1252.h"

namespace {

// What the copy may take from the cell's start, one character at a time: the field bytes it
// gives, and after which input and field byte each character ends.
struct Prises {
    std::string octets;
    std::vector<std::size_t> fins;     // input bytes taken once each character is
    std::vector<std::size_t> sorties;  // field bytes written once each character is
};

Prises reference(const std::string& cellule, std::size_t depart, bool latin, bool octetsHauts,
                 const std::string& arrets, bool retourAvantSaut) {
    Prises r;
    r.fins.push_back(depart);
    r.sorties.push_back(0);
    const auto* s = reinterpret_cast<const unsigned char*>(cellule.data());
    std::size_t i = depart;
    while (i < cellule.size()) {
        const unsigned char b = s[i];
        if (arrets.find(static_cast<char>(b)) != std::string::npos) break;
        if (b != 0 && b < 0x80 && (b != '\n' || (i > 0 && s[i - 1] == '\r'))) {
            r.octets += static_cast<char>(b);
            i += 1;
        } else if (b >= 0x80 && octetsHauts) {
            r.octets += static_cast<char>(b);
            i += 1;
        } else if (b == '\n' && retourAvantSaut) {
            r.octets += "\r\n";
            i += 1;
        } else if (char32_t c; latin && b >= 0x80 && decoderUtf8(s + i, s + cellule.size(), c) > 0 &&
                                octetCp1252(c) >= 0) {
            r.octets += static_cast<char>(octetCp1252(c));
            i += static_cast<std::size_t>(decoderUtf8(s + i, s + cellule.size(), c));
        } else {
            break;
        }
        r.fins.push_back(i);
        r.sorties.push_back(r.octets.size());
    }
    return r;
}

std::string utf8De(char32_t c) {
    if (c < 0x800) return {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    return {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
}

}  // namespace

// Cells of plain text, line breaks (CR LF or a lone LF, kept or taken as CR LF), letters, cut
// or stray UTF-8 bytes (or Windows-1252 bytes taken as they are) and zero bytes, copied from
// any point of any field, with the stops of a quoted cell, of an unquoted one or none:
// what is taken is what the character-by-character reading gives, it stops only at the
// cell's end, a byte it does not take, or a field with less than 16 bytes of room, and it
// writes nowhere outside the field.
TEST(copieChamp, anyCell_takesWhatTheByteReadingTakes_andStaysInsideTheField) {
    const unsigned char alphabet[] = {'a', 'Z', ' ', ',', '"', '\r', '\n', 0,    0xC3, 0xC2, 0xA9, 0x80,
                                      0x9F, 0xA0, 0xBF, 0xE2, 0x82, 0xAC, 0xFF, 'e', 'e', 'e', 'e', 0xC3, ';'};
    // Every character Windows-1252 has beyond U+00FF, and characters a byte away from one.
    std::vector<std::string> plusLongs;
    for (unsigned b = 0x80; b < 0xA0; ++b) {
        const char32_t c = caractereCp1252(static_cast<unsigned char>(b));
        if (c > 0xFF) plusLongs.push_back(utf8De(c));
    }
    for (const char* voisin : {"\xE2\x80\x80", "\xE2\x80\xBF", "\xE2\x82\xAB", "\xE2\x84\xA1", "\xE2\x81\x99",
                               "\xE2\x80\xAC", "\xE2\x82\xA2", "\xC5\x80", "\xC5\xBF", "\xC6\x91", "\xC6\x86",
                               "\xCB\x87", "\xCB\x9D", "\xCB\x92", "\xC4\x93", "\xE2\x80"}) {
        plusLongs.push_back(voisin);
    }
    std::mt19937 alea(20261207);
    const std::size_t capacites[] = {16, 17, 31, 256, 512};
    // Every version this processor runs, then the byte copy itself.
    const std::vector<CopieurChamp> versions = copieursChamp();
    std::size_t arretsSurPlace = 0, arretsSurOctet = 0, finsDeCellule = 0;
    for (int essai = 0; essai < 20000; ++essai) {
        std::string cellule;
        const std::size_t longueur = alea() % 300;
        const bool accents = alea() % 2 == 0;
        const bool sauts = alea() % 4 == 0;  // a lone line feed every few bytes, up to the field's end
        for (std::size_t i = 0; i < longueur; ++i) {
            const unsigned r = alea() % 100;
            if (sauts && r < 15) cellule += '\n';
            else if (r < 70) cellule += static_cast<char>('a' + r % 26);
            else if (accents && r < 85) cellule += "\xC3\xA9";
            else if (r < 88) cellule += "\r\n";
            else if (r < 90) cellule += '\n';
            else if (accents && r < 93) cellule += plusLongs[alea() % plusLongs.size()];
            else cellule += static_cast<char>(alphabet[alea() % sizeof alphabet]);
        }
        // Bytes past the cell that may be read, not taken: continuation bytes that would end
        // a character begun in the cell.
        std::string tampon = cellule;
        for (std::size_t i = alea() % 100; i > 0; --i) tampon += "\xA9\x99\xAC\x93\xA2"[alea() % 5];
        ReglesCopie regles;
        regles.latin = alea() % 4 != 0;
        regles.octetsHauts = !regles.latin && alea() % 2 == 0;
        regles.retourAvantSaut = alea() % 2 == 0;
        const std::string jeux[] = {"", "\"", ",\r\"", ";\r\""};
        const std::string arrets = jeux[alea() % 4];
        std::copy(arrets.begin(), arrets.end(), regles.arrets);
        const std::size_t capacite = capacites[alea() % 5];
        const std::size_t n0 = alea() % (capacite + 1);
        // From the cell's start, or from inside it as after a character the caller took: at
        // any byte, or at a line feed whose carriage return is behind.
        std::size_t depart = 0;
        const std::size_t crlf = cellule.find("\r\n");
        if (alea() % 2 == 0) depart = alea() % (cellule.size() + 1);
        else if (crlf != std::string::npos && alea() % 2 == 0) depart = crlf + 1;
        const Prises attendu = reference(cellule, depart, regles.latin, regles.octetsHauts, arrets, regles.retourAvantSaut);
        const auto* debut = reinterpret_cast<const unsigned char*>(tampon.data());
        const auto* fin = debut + cellule.size();

        for (std::size_t version = 0; version <= versions.size(); ++version) {
            std::string champ(capacite + 32, '\x55');  // the field, then bytes that must stay
            CopieChamp r = version < versions.size()
                               ? versions[version](debut, debut + depart, fin, debut + tampon.size(),
                                                   champ.data() + 16, n0, capacite, regles)
                               : copierChampOctets(debut, debut + depart, fin, champ.data() + 16, n0, capacite, regles);
            const std::size_t pris = static_cast<std::size_t>(r.p - debut);  // counted from the cell's start
            const auto ou = std::find(attendu.fins.begin(), attendu.fins.end(), pris);
            ASSERT_NE(ou, attendu.fins.end()) << "stops inside a character, essai " << essai;
            const std::size_t caracteres = static_cast<std::size_t>(ou - attendu.fins.begin());
            const std::size_t ecrits = attendu.sorties[caracteres];
            ASSERT_EQ(r.n - n0, ecrits) << essai;
            EXPECT_EQ(champ.substr(16 + n0, ecrits), attendu.octets.substr(0, ecrits)) << essai;
            const bool auBout = caracteres + 1 == attendu.fins.size();
            if (pris == cellule.size()) ++finsDeCellule;
            else if (r.n + 16 > capacite) ++arretsSurPlace;
            else {
                ASSERT_TRUE(auBout) << "stops at a byte it takes, essai " << essai;
                ++arretsSurOctet;
            }
            ASSERT_GE(r.haut, r.n);
            ASSERT_LE(r.haut, capacite);
            EXPECT_EQ(champ.substr(0, 16 + n0), std::string(16 + n0, '\x55')) << essai;
            EXPECT_EQ(champ.substr(16 + r.haut), std::string(capacite + 16 - r.haut, '\x55')) << essai;
        }
    }
    EXPECT_GT(arretsSurPlace, 1000u);
    EXPECT_GT(arretsSurOctet, 1000u);
    EXPECT_GT(finsDeCellule, 1000u);
}
