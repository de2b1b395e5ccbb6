#include "core/pli_accents.h"

namespace {

std::array<Pli, 256> construire() {
    std::array<Pli, 256> t{};
    for (int b = 0; b < 256; ++b) t[static_cast<std::size_t>(b)] = {{static_cast<char>(b), 0}, 1};
    auto un = [&](unsigned char b, char c) { t[b] = {{c, 0}, 1}; };
    auto deux = [&](unsigned char b, const char* c) { t[b] = {{c[0], c[1]}, 2}; };
    auto plage = [&](unsigned char de, unsigned char a, char c) {
        for (int b = de; b <= a; ++b) un(static_cast<unsigned char>(b), c);
    };
    for (int b = 'A'; b <= 'Z'; ++b) un(static_cast<unsigned char>(b), static_cast<char>(b + 32));
    // Letters of the code page's upper half, capitals and small ones alike.
    for (int decalage : {0, 0x20}) {
        const auto o = [&](int b) { return static_cast<unsigned char>(b + decalage); };
        plage(o(0xC0), o(0xC5), 'a');
        deux(o(0xC6), "ae");
        un(o(0xC7), 'c');
        plage(o(0xC8), o(0xCB), 'e');
        plage(o(0xCC), o(0xCF), 'i');
        un(o(0xD0), 'd');
        un(o(0xD1), 'n');
        plage(o(0xD2), o(0xD6), 'o');
        un(o(0xD8), 'o');
        plage(o(0xD9), o(0xDC), 'u');
        un(o(0xDD), 'y');
        deux(o(0xDE), "th");
    }
    deux(0xDF, "ss");
    un(0xFF, 'y');
    un(0x83, 'f');
    un(0x8A, 's');
    un(0x9A, 's');
    deux(0x8C, "oe");
    deux(0x9C, "oe");
    un(0x8E, 'z');
    un(0x9E, 'z');
    un(0x9F, 'y');
    // Typographic marks as typed on a keyboard.
    for (unsigned char b : {0x82, 0x91, 0x92}) un(b, '\'');
    for (unsigned char b : {0x84, 0x93, 0x94, 0xAB, 0xBB}) un(b, '"');
    un(0xA0, ' ');
    un(0x96, '-');
    un(0x97, '-');
    return t;
}

}  // namespace

const std::array<Pli, 256>& tablePlis() {
    static const std::array<Pli, 256> table = construire();
    return table;
}

std::string plierTexte(std::string_view cp1252) {
    const std::array<Pli, 256>& plis = tablePlis();
    std::string r;
    r.reserve(cp1252.size());
    for (const char c : cp1252) {
        const Pli& p = plis[static_cast<unsigned char>(c)];
        r.append(p.octets, p.taille);
    }
    return r;
}

void plierSansEspaces(std::string_view cp1252, std::string& plie) {
    const std::array<Pli, 256>& plis = tablePlis();
    // Written in place: a text folds to twice its bytes at the most (œ to oe), and this runs on
    // every card of a base when duplicates are looked for.
    plie.resize(2 * cp1252.size());
    char* const debut = plie.data();
    char* o = debut;
    bool espace = false;  // a run of spaces waits for the next other byte to be kept
    for (const char c : cp1252) {
        const Pli& p = plis[static_cast<unsigned char>(c)];
        if (p.taille == 1 && (p.octets[0] == ' ' || (p.octets[0] >= '\t' && p.octets[0] <= '\r'))) {
            espace = o != debut;
            continue;
        }
        if (espace) *o++ = ' ';
        espace = false;
        o[0] = p.octets[0];
        o[1] = p.octets[1];
        o += p.taille;
    }
    plie.resize(static_cast<std::size_t>(o - debut));
}
