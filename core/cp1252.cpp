#include "core/cp1252.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {
// Code points of bytes 0x80..0x9F; 0 where Windows-1252 assigns nothing.
constexpr std::array<char32_t, 32> kHaut = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t versUnicode(unsigned char octet) {
    if (octet >= 0x80 && octet <= 0x9F && kHaut[octet - 0x80] != 0) return kHaut[octet - 0x80];
    return octet;
}

// '?' when Windows-1252 has no code for c.
int versOctet(char32_t c) {
    const int octet = octetCp1252(c);
    return octet < 0 ? '?' : octet;
}


// Decodes one UTF-8 sequence at s[i], advancing i; returns U+FFFD for malformed input.
char32_t lireUtf8(std::string_view s, std::size_t& i) {
    const unsigned char c0 = static_cast<unsigned char>(s[i++]);
    if (c0 < 0x80) return c0;
    int suite;
    char32_t c;
    if ((c0 & 0xE0) == 0xC0) { suite = 1; c = c0 & 0x1F; }
    else if ((c0 & 0xF0) == 0xE0) { suite = 2; c = c0 & 0x0F; }
    else if ((c0 & 0xF8) == 0xF0) { suite = 3; c = c0 & 0x07; }
    else return 0xFFFD;
    for (int k = 0; k < suite; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return c;
}
}  // namespace

void ajouterUtf8(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int octetCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    // The unassigned codes round-trip through their C1 controls.
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) return static_cast<int>(c);
    // Bytes 0x80..0x9F; a switch, as text import converts one character at a time.
    switch (c) {
        case 0x0152: return 0x8C;
        case 0x0153: return 0x9C;
        case 0x0160: return 0x8A;
        case 0x0161: return 0x9A;
        case 0x0178: return 0x9F;
        case 0x017D: return 0x8E;
        case 0x017E: return 0x9E;
        case 0x0192: return 0x83;
        case 0x02C6: return 0x88;
        case 0x02DC: return 0x98;
        case 0x2013: return 0x96;
        case 0x2014: return 0x97;
        case 0x2018: return 0x91;
        case 0x2019: return 0x92;
        case 0x201A: return 0x82;
        case 0x201C: return 0x93;
        case 0x201D: return 0x94;
        case 0x201E: return 0x84;
        case 0x2020: return 0x86;
        case 0x2021: return 0x87;
        case 0x2022: return 0x95;
        case 0x2026: return 0x85;
        case 0x2030: return 0x89;
        case 0x2039: return 0x8B;
        case 0x203A: return 0x9B;
        case 0x20AC: return 0x80;
        case 0x2122: return 0x99;
        default: return -1;
    }
}

char32_t caractereCp1252(unsigned char octet) { return versUnicode(octet); }

int decoderUtf8(const unsigned char* p, const unsigned char* fin, char32_t& c) {
    const unsigned char c0 = p[0];
    if (c0 < 0x80) {
        c = c0;
        return 1;
    }
    int suite;
    unsigned char bas = 0x80, haut = 0xBF;  // bounds of the first continuation byte
    if (c0 >= 0xC2 && c0 <= 0xDF) {
        suite = 1;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        suite = 2;
        if (c0 == 0xE0) bas = 0xA0;
        if (c0 == 0xED) haut = 0x9F;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        suite = 3;
        if (c0 == 0xF0) bas = 0x90;
        if (c0 == 0xF4) haut = 0x8F;
    } else {
        return 0;
    }
    if (fin - p <= suite || p[1] < bas || p[1] > haut) return 0;
    char32_t v = c0 & (0x3F >> suite);
    for (int k = 1; k <= suite; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (p[k] & 0x3F);
    }
    c = v;
    return suite + 1;
}

// Bytes a text cell copies as they are: ASCII but the zero byte and the line feed (which
// may need its carriage return).
struct Simples {
    std::array<bool, 256> simple{};
    Simples() {
        for (int b = 1; b < 0x80; ++b) simple[static_cast<std::size_t>(b)] = b != '\n';
    }
    bool operator[](unsigned char b) const { return simple[b]; }
};
const Simples kSimple;

bool utf8Valide(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* fin = p + s.size();
    while (p < fin) {
        // Plain ASCII, eight bytes at a time: most tables are mostly ASCII.
        if (fin - p >= 8) {
            uint64_t mot;
            std::memcpy(&mot, p, 8);
            if ((mot & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        // Accented Latin letters, the most common characters past ASCII, take two bytes.
        if (p[0] >= 0xC2 && p[0] <= 0xDF && fin - p >= 2 && (p[1] & 0xC0) == 0x80) {
            p += 2;
            continue;
        }
        char32_t c;
        const int longueur = decoderUtf8(p, fin, c);
        if (longueur == 0) return false;
        p += longueur;
    }
    return true;
}

std::string utf8VersCp1252(std::string_view utf8) {
    std::string r;
    r.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) r += static_cast<char>(versOctet(lireUtf8(utf8, i)));
    return r;
}

std::string cp1252VersUtf8(std::string_view cp1252) {
    std::string r;
    r.reserve(cp1252.size() * 2);
    for (char c : cp1252) ajouterUtf8(r, versUnicode(static_cast<unsigned char>(c)));
    return r;
}

std::string lignesVersFiche(std::string_view texte) {
    std::string r;
    r.reserve(texte.size() + texte.size() / 16);
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (texte[i] == '\n' && (i == 0 || texte[i - 1] != '\r')) r += '\r';
        r += texte[i];
    }
    return r;
}

std::string lignesVersFenetre(std::string_view texte) {
    std::string r;
    r.reserve(texte.size());
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (texte[i] == '\r' && i + 1 < texte.size() && texte[i + 1] == '\n') continue;
        r += texte[i];
    }
    return r;
}

std::size_t octetsEnFiche(std::string_view utf8) {
    return utf8VersCp1252(lignesVersFiche(utf8)).size();
}

bool stockableEnFiche(char32_t c) { return c != 0 && (c == '?' || versOctet(c) != '?'); }

std::vector<char32_t> caracteresNonStockables(std::string_view utf8) {
    std::u32string texte;
    for (std::size_t i = 0; i < utf8.size();) texte += lireUtf8(utf8, i);
    return caracteresNonStockables(texte);
}

std::vector<char32_t> caracteresNonStockables(std::u32string_view texte) {
    std::vector<char32_t> r;
    for (const char32_t c : texte) {
        if (!stockableEnFiche(c) && std::find(r.begin(), r.end(), c) == r.end()) r.push_back(c);
    }
    return r;
}
