// Writing cards as a CSV table (see tableau_csv.h for the format).

#include "core/tableau_csv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "core/cp1252.h"
#include "core/marque_csv.h"

namespace {

constexpr std::string_view kDebut = "\xEF\xBB\xBFnumero,titre,description,image\r\n";

// What each byte of a text becomes in a cell: up to three bytes (a Windows-1252 byte as
// UTF-8, a quote doubled), and whether it makes the cell need quotes. Converting is then a
// look-up and a four-byte store per byte, with no branch.
struct Conversion {
    struct Entree {
        char octets[4];
        uint8_t taille;
        uint8_t guillemets;
    };
    std::array<Entree, 256> entrees{};

    explicit Conversion(bool depuisCp1252) {
        for (int b = 0; b < 256; ++b) {
            Entree& e = entrees[static_cast<std::size_t>(b)];
            std::string u;
            if (depuisCp1252) {
                ajouterUtf8(u, caractereCp1252(static_cast<unsigned char>(b)));
            } else {
                u = std::string(1, static_cast<char>(b));  // file-system bytes, already UTF-8
            }
            if (b == '"') u = "\"\"";
            std::memcpy(e.octets, u.data(), u.size());
            e.taille = static_cast<uint8_t>(u.size());
            e.guillemets = b == ',' || b == ';' || b == '"' || b == '\r' || b == '\n';
        }
    }
};
const Conversion kDepuisCp1252(true);
const Conversion kTelQuel(false);

// Room a record may take at most: every byte of the three texts converted to three, the
// number, the separators, quotes and marks, and the bytes a last four-byte store spills.
constexpr std::size_t kLigneMax = 16 + 3 * (255 + 511 + 255) + 16;

// A text as one cell, written at o; returns its end. The text is converted two bytes on, where
// an opening quote and the apostrophe mark may go, then moved back when they do not.
char* ecrireCellule(char* o, std::string_view t, const Conversion& conversion) {
    char* q = o + 2;
    uint8_t guillemets = 0;
    for (const char c : t) {
        const Conversion::Entree& e = conversion.entrees[static_cast<unsigned char>(c)];
        std::memcpy(q, e.octets, 4);
        q += e.taille;
        guillemets |= e.guillemets;
    }
    const bool entreGuillemets = guillemets != 0 || (!t.empty() && (t.front() == ' ' || t.back() == ' '));
    const bool marque = aMarquerCsv(t);
    const std::size_t prefixe = static_cast<std::size_t>(entreGuillemets) + static_cast<std::size_t>(marque);
    const auto longueur = static_cast<std::size_t>(q - (o + 2));
    if (prefixe != 2) std::memmove(o + prefixe, o + 2, longueur);
    if (entreGuillemets) *o++ = '"';
    if (marque) *o++ = '\'';
    o += longueur;
    if (entreGuillemets) *o++ = '"';
    return o;
}

char* ecrireNombre(char* o, int32_t numero) {
    uint32_t v = static_cast<uint32_t>(numero);
    if (numero < 0) {
        *o++ = '-';
        v = 0u - v;
    }
    char tampon[10];
    int n = 0;
    do {
        tampon[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *o++ = tampon[--n];
    return o;
}

char* ecrireLigne(char* o, const Fiche& f) {
    o = ecrireNombre(o, f.numero);
    *o++ = ',';
    o = ecrireCellule(o, texteChamp(f.titre), kDepuisCp1252);
    *o++ = ',';
    o = ecrireCellule(o, texteChamp(f.description), kDepuisCp1252);
    *o++ = ',';
    // The picture name is file-system bytes: written as they are when they are UTF-8 (the
    // system's file names), else read as the older Windows-1252 names.
    std::string_view nom = texteChamp(f.image);
    if (!nom.empty() && nom.front() == '\\') nom.remove_prefix(1);
    o = ecrireCellule(o, nom, utf8Valide(nom) ? kTelQuel : kDepuisCp1252);
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

constexpr std::size_t kParBloc = 1024;  // cards converted, then written, at a time
constexpr std::size_t kAvance = 32;     // cards read ahead

}  // namespace

std::string_view debutCsv() { return kDebut; }

std::string tableauCsv(VueFiches table, int32_t dernier) {
    std::string s(kDebut);
    for (int32_t i = 0; i <= dernier; ++i) {
        const std::size_t avant = s.size();
        s.resize(avant + kLigneMax);
        s.resize(static_cast<std::size_t>(ecrireLigne(s.data() + avant, table[i]) - s.data()));
    }
    return s;
}

ResultatEcriture ecrireTableauCsv(const std::string& chemin, VueFiches table, int32_t dernier,
                                  const AppelsSysteme& appels) {
    return ecrireFichierSur(
        chemin,
        [&](int fd, const AppelsSysteme& a) {
            if (int e = ecrireTout(fd, kDebut.data(), kDebut.size(), a)) return e;
            const std::size_t total = static_cast<std::size_t>(dernier + 1);
            std::unique_ptr<char[]> tampon(new (std::nothrow) char[kParBloc * kLigneMax]);
            if (!tampon) return ENOMEM;
            for (std::size_t debut = 0; debut < total; debut += kParBloc) {
                char* o = tampon.get();
                for (std::size_t i = debut; i < std::min(total, debut + kParBloc); ++i) {
                    // Cards picked here and there in the table are not where the processor
                    // expects the next read: ask for a card a few ahead while this one is written.
                    if (i + kAvance < total) {
                        const char* suivante = reinterpret_cast<const char*>(&table[i + kAvance]);
                        for (std::size_t k = 0; k < sizeof(Fiche); k += 64) __builtin_prefetch(suivante + k);
                    }
                    o = ecrireLigne(o, table[i]);
                }
                if (int e = ecrireTout(fd, tampon.get(), static_cast<std::size_t>(o - tampon.get()), a)) return e;
            }
            return 0;
        },
        appels);
}
