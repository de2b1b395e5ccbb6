#include "core/tableau_csv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <thread>

#include "core/cp1252.h"
#include "core/texte_nombre.h"

namespace {

constexpr std::string_view kDebut = "\xEF\xBB\xBFnumero,titre,description,image\r\n";

// The UTF-8 bytes of each Windows-1252 byte, built once: the writer converts a byte at a time.
struct TableUtf8 {
    std::array<std::array<char, 4>, 256> octets{};
    std::array<uint8_t, 256> tailles{};
    TableUtf8() {
        for (int b = 0; b < 256; ++b) {
            const char32_t c = caractereCp1252(static_cast<unsigned char>(b));
            auto& o = octets[static_cast<std::size_t>(b)];
            uint8_t& n = tailles[static_cast<std::size_t>(b)];
            if (c < 0x80) {
                o[0] = static_cast<char>(c);
                n = 1;
            } else if (c < 0x800) {
                o[0] = static_cast<char>(0xC0 | (c >> 6));
                o[1] = static_cast<char>(0x80 | (c & 0x3F));
                n = 2;
            } else {
                o[0] = static_cast<char>(0xE0 | (c >> 12));
                o[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                o[2] = static_cast<char>(0x80 | (c & 0x3F));
                n = 3;
            }
        }
    }
};
const TableUtf8 kUtf8;

bool declencheFormule(char c) { return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r'; }

// A text a spreadsheet would run (after its leading apostrophes, if any): see the header.
bool aMarquer(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && t[i] == '\'') ++i;
    return i < t.size() && declencheFormule(t[i]);
}

// Bytes that need more than a copy: anything a separator, a quote or a line break could be
// taken for, and the bytes above ASCII that change when converted.
struct Classes {
    std::array<bool, 256> special{};
    Classes() {
        for (int b = 0x80; b < 256; ++b) special[static_cast<std::size_t>(b)] = true;
        for (char c : {',', ';', '"', '\r', '\n'}) special[static_cast<unsigned char>(c)] = true;
    }
};
const Classes kClasses;

bool aGuillemeter(std::string_view t) {
    if (t.empty()) return false;
    if (t.front() == ' ' || t.back() == ' ') return true;
    for (char c : t) {
        if (c == ',' || c == ';' || c == '"' || c == '\r' || c == '\n') return true;
    }
    return false;
}

// Room a record may take at most: every byte of the three texts converted to three, the
// number, the separators, quotes and marks.
constexpr std::size_t kLigneMax = 16 + 3 * (255 + 511 + 255) + 16;

// A card text (Windows-1252) as one cell, written at o; returns the end.
char* ecrireTexte(char* o, std::string_view t) {
    bool simple = t.empty() || (t.front() != ' ' && t.back() != ' ');
    for (std::size_t i = 0; simple && i < t.size(); ++i) simple = !kClasses.special[static_cast<unsigned char>(t[i])];
    const bool marque = aMarquer(t);
    if (simple && !marque) {
        if (!t.empty()) std::memcpy(o, t.data(), t.size());
        return o + t.size();
    }
    const bool guillemets = aGuillemeter(t);
    if (guillemets) *o++ = '"';
    if (marque) *o++ = '\'';
    for (char c : t) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            if (c == '"') *o++ = '"';
            *o++ = c;
        } else {
            const auto& u = kUtf8.octets[b];
            o[0] = u[0];
            o[1] = u[1];
            o[2] = u[2];
            o += kUtf8.tailles[b];
        }
    }
    if (guillemets) *o++ = '"';
    return o;
}

// The picture name is file-system bytes: written as they are when they are UTF-8 (the
// system's file names), else read as the older Windows-1252 names.
char* ecrireNomImage(char* o, std::string_view nom) {
    if (!nom.empty() && nom.front() == '\\') nom.remove_prefix(1);
    if (!utf8Valide(nom)) return ecrireTexte(o, nom);
    const bool guillemets = aGuillemeter(nom);
    if (guillemets) *o++ = '"';
    if (aMarquer(nom)) *o++ = '\'';
    for (char c : nom) {
        if (c == '"') *o++ = '"';
        *o++ = c;
    }
    if (guillemets) *o++ = '"';
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
    o = ecrireTexte(o, texteChamp(f.titre));
    *o++ = ',';
    o = ecrireTexte(o, texteChamp(f.description));
    *o++ = ',';
    o = ecrireNomImage(o, texteChamp(f.image));
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

int ecrireTout(int fd, const char* donnees, std::size_t taille, const AppelsSysteme& appels) {
    while (taille > 0) {
        const ssize_t n = appels.ecrire(fd, donnees, taille);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        donnees += n;
        taille -= static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

std::string_view debutCsv() { return kDebut; }

void ajouterLigneCsv(std::string& s, const Fiche& f) {
    const std::size_t avant = s.size();
    s.resize(avant + kLigneMax);
    s.resize(static_cast<std::size_t>(ecrireLigne(s.data() + avant, f) - s.data()));
}

std::string tableauCsv(const Fiche* table, int32_t dernier) {
    std::string s(kDebut);
    for (int32_t i = 0; i <= dernier; ++i) ajouterLigneCsv(s, table[i]);
    return s;
}

ResultatEcriture ecrireTableauCsv(const std::string& chemin, const Fiche* table, int32_t dernier,
                                  const AppelsSysteme& appels) {
    return ecrireFichierSur(
        chemin,
        [&](int fd, const AppelsSysteme& a) {
            if (int e = ecrireTout(fd, kDebut.data(), kDebut.size(), a)) return e;
            // Converting the texts takes most of the time, so two runs of cards are converted at
            // once, one by a second thread, then written in order. Both are done before the
            // next pair starts, and before this call returns: nothing runs beyond it.
            constexpr std::size_t kParRun = 2048;
            const std::size_t total = static_cast<std::size_t>(dernier + 1);
            const std::unique_ptr<char[]> premier(new char[kParRun * kLigneMax]);
            const std::unique_ptr<char[]> second(new char[kParRun * kLigneMax]);
            auto convertir = [table, total](char* o, std::size_t debut) {
                const std::size_t fin = std::min(total, debut + kParRun);
                for (std::size_t i = debut; i < fin; ++i) o = ecrireLigne(o, table[i]);
                return o;
            };
            for (std::size_t debut = 0; debut < total; debut += 2 * kParRun) {
                char* finSecond = second.get();
                std::thread aide;
                if (debut + kParRun < total) {
                    aide = std::thread([&] { finSecond = convertir(second.get(), debut + kParRun); });
                }
                char* finPremier = convertir(premier.get(), debut);
                if (aide.joinable()) aide.join();
                if (int e = ecrireTout(fd, premier.get(), static_cast<std::size_t>(finPremier - premier.get()), a)) return e;
                if (int e = ecrireTout(fd, second.get(), static_cast<std::size_t>(finSecond - second.get()), a)) return e;
            }
            return 0;
        },
        appels);
}

// ---------------------------------------------------------------------------------------
// Reading

bool lireNumeroCsv(std::string_view c, int32_t& numero) {
    while (!c.empty() && c.front() == ' ') c.remove_prefix(1);
    while (!c.empty() && c.back() == ' ') c.remove_suffix(1);
    bool negatif = false;
    if (!c.empty() && (c.front() == '-' || c.front() == '+')) {
        negatif = c.front() == '-';
        c.remove_prefix(1);
    }
    if (c.empty() || c.size() > 10) return false;
    int64_t v = 0;
    for (char ch : c) {
        if (ch < '0' || ch > '9') return false;
        v = v * 10 + (ch - '0');
    }
    if (negatif) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    numero = static_cast<int32_t>(v);
    return true;
}

namespace {

enum class Colonne { kNumero, kTitre, kDescription, kImage, kAucune };
const char* const kNomsColonnes[] = {"numero", "titre", "description", "image"};

std::string minusculesAscii(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    std::string r(t);
    for (char& c : r) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return r;
}

// The separator is the one of the two the first row uses more, outside quotes.
char detecterSeparateur(std::string_view s) {
    std::size_t virgules = 0, pointsVirgules = 0;
    bool dedans = false;
    for (char c : s) {
        if (c == '"') dedans = !dedans;
        else if (!dedans && (c == '\n' || c == '\r')) break;
        else if (!dedans && c == ',') ++virgules;
        else if (!dedans && c == ';') ++pointsVirgules;
    }
    return pointsVirgules > virgules ? ';' : ',';
}

std::string codePoint(char32_t c) {
    char t[16];
    std::snprintf(t, sizeof t, "U+%04X", static_cast<unsigned>(c));
    return t;
}

std::string enUtf8(char32_t c) {
    std::string s;
    ajouterUtf8(s, c);
    return s;
}

// One character of well-formed UTF-8 at p (the whole input has been checked).
char32_t decoder(const unsigned char*& p) {
    const unsigned char c = *p++;
    if (c < 0x80) return c;
    int suite = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t v = c & (0x3F >> suite);
    while (suite-- > 0) v = (v << 6) | (*p++ & 0x3F);
    return v;
}

class Lecteur {
public:
    Lecteur(std::string_view octets, TableFiches& table, std::size_t premiere)
        : s_(octets), table_(table), premiere_(premiere) {}

    LectureCsv lire();

private:
    // The cells of the current row; a quoted cell with doubled quotes is unescaped into a
    // buffer of its own, every other cell is a view of the input.
    struct Cellule {
        std::string_view texte;
        std::string tampon;
    };

    bool lireLigne();  // false at the end of the input
    void refuser(Colonne col, std::size_t indexColonne, std::string raison);
    void traiterEntete();
    void traiterLigne();
    // Converts a text cell into the field bytes; false (after refusing) when it cannot be stored.
    bool versChamp(std::string_view cellule, Colonne col, std::size_t indexColonne, char* champ,
                   std::size_t capacite, bool description, bool image);
    std::string nomColonne(Colonne col, std::size_t index) const;

    std::string_view s_;
    std::size_t pos_ = 0;
    TableFiches& table_;
    std::size_t premiere_;
    LectureCsv r_;
    char sep_ = ',';
    std::vector<Cellule> cellules_;
    std::size_t nbCellules_ = 0;
    std::size_t ligne_ = 0;  // number of the row being read (1 for the first)
    bool finLecture_ = false;
    std::array<std::ptrdiff_t, 4> colonnes_{0, 1, 2, -1};
    std::array<bool, 256> arret_{};  // bytes that end or spoil an unquoted cell
};

void Lecteur::refuser(Colonne col, std::size_t indexColonne, std::string raison) {
    if (r_.refus.size() < kRefusGardes) r_.refus.push_back({ligne_, nomColonne(col, indexColonne), std::move(raison)});
    ++r_.nombreRefus;
}

std::string Lecteur::nomColonne(Colonne col, std::size_t index) const {
    if (col != Colonne::kAucune) return kNomsColonnes[static_cast<int>(col)];
    return "colonne " + std::to_string(index + 1);
}

bool Lecteur::lireLigne() {
    nbCellules_ = 0;
    if (pos_ >= s_.size()) return false;
    ++ligne_;
    const std::size_t n = s_.size();
    for (;;) {
        if (nbCellules_ == cellules_.size()) cellules_.emplace_back();
        Cellule& c = cellules_[nbCellules_++];
        c.tampon.clear();
        const std::size_t indexColonne = nbCellules_ - 1;
        auto colonneDe = [&] {
            for (int k = 0; k < 4; ++k) {
                if (colonnes_[static_cast<std::size_t>(k)] == static_cast<std::ptrdiff_t>(indexColonne)) {
                    return static_cast<Colonne>(k);
                }
            }
            return Colonne::kAucune;
        };
        if (pos_ < n && s_[pos_] == '"') {
            const std::size_t ouverture = ligne_;
            ++pos_;
            std::size_t debut = pos_;
            bool echappe = false;
            for (;;) {
                const void* q = pos_ < n ? std::memchr(s_.data() + pos_, '"', n - pos_) : nullptr;
                if (q == nullptr) {
                    ligne_ = ouverture;
                    refuser(colonneDe(), indexColonne, "guillemet ouvert et jamais refermé");
                    finLecture_ = true;
                    pos_ = n;
                    return true;
                }
                const std::size_t g = static_cast<std::size_t>(static_cast<const char*>(q) - s_.data());
                if (g + 1 < n && s_[g + 1] == '"') {
                    c.tampon.append(s_.data() + debut, g + 1 - debut);
                    echappe = true;
                    pos_ = g + 2;
                    debut = pos_;
                    continue;
                }
                if (echappe) {
                    c.tampon.append(s_.data() + debut, g - debut);
                    c.texte = c.tampon;
                } else {
                    c.texte = s_.substr(debut, g - debut);
                }
                pos_ = g + 1;
                break;
            }
            if (pos_ < n && s_[pos_] != sep_ && s_[pos_] != '\r' && s_[pos_] != '\n') {
                refuser(colonneDe(), indexColonne, "texte après le guillemet qui ferme la cellule");
                while (pos_ < n && s_[pos_] != sep_ && s_[pos_] != '\r' && s_[pos_] != '\n') ++pos_;
            }
        } else {
            const std::size_t debut = pos_;
            bool guillemet = false;
            while (pos_ < n) {
                const char ch = s_[pos_];
                if (arret_[static_cast<unsigned char>(ch)]) {
                    if (ch != '"') break;
                    guillemet = true;
                }
                ++pos_;
            }
            c.texte = s_.substr(debut, pos_ - debut);
            if (guillemet) refuser(colonneDe(), indexColonne, "guillemet dans une cellule qui ne commence pas par un guillemet");
        }
        if (pos_ >= n) return true;
        if (s_[pos_] == sep_) {
            ++pos_;
            continue;
        }
        // CR LF, LF or CR ends the row.
        if (s_[pos_] == '\r' && pos_ + 1 < n && s_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        return true;
    }
}

void Lecteur::traiterEntete() {
    std::array<std::ptrdiff_t, 4> trouvees{-1, -1, -1, -1};
    bool entete = false;
    for (std::size_t i = 0; i < nbCellules_; ++i) {
        const std::string nom = minusculesAscii(cellules_[i].texte);
        for (int k = 0; k < 4; ++k) {
            if (nom == kNomsColonnes[k] && trouvees[static_cast<std::size_t>(k)] < 0) {
                trouvees[static_cast<std::size_t>(k)] = static_cast<std::ptrdiff_t>(i);
                entete = true;
            }
        }
    }
    if (entete) {
        colonnes_ = trouvees;
    } else {
        traiterLigne();  // no header: the first row is a card
    }
}

bool Lecteur::versChamp(std::string_view t, Colonne col, std::size_t indexColonne, char* champ,
                        std::size_t capacite, bool description, bool image) {
    // One apostrophe marks a text a spreadsheet would otherwise run: see the header.
    if (!t.empty() && t.front() == '\'' && aMarquer(t)) t.remove_prefix(1);
    std::size_t n = 0;
    if (image) champ[n++] = '\\';
    const std::size_t limite = capacite - 1;
    auto poser = [&](char octet) {
        if (n < limite) champ[n] = octet;
        ++n;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(t.data());
    const auto* fin = p + t.size();
    while (p < fin) {
        // Runs of plain ASCII are copied whole.
        const unsigned char* q = p;
        while (q < fin && *q != 0 && *q < 0x80 && *q != '\n') ++q;
        if (q > p) {
            const std::size_t run = static_cast<std::size_t>(q - p);
            if (n < limite) std::memcpy(champ + n, p, std::min(run, limite - n));
            n += run;
            p = q;
            if (p == fin) break;
        }
        const unsigned char b = *p;
        if (b == 0) {
            refuser(col, indexColonne, "caractère nul, qu'une fiche ne peut pas contenir");
            return false;
        }
        if (description && b == '\n' && (p == reinterpret_cast<const unsigned char*>(t.data()) || p[-1] != '\r')) {
            poser('\r');
        }
        if (b < 0x80) {
            poser(static_cast<char>(b));
            ++p;
        } else if (image) {
            // File names stay file-system bytes (UTF-8); from a Windows-1252 table they are
            // converted to UTF-8.
            if (r_.utf8) {
                poser(static_cast<char>(b));
            } else {
                for (char o : enUtf8(caractereCp1252(b))) poser(o);
            }
            ++p;
        } else if (!r_.utf8) {
            poser(static_cast<char>(b));
            ++p;
        } else {
            const char32_t c = decoder(p);
            const int octet = octetCp1252(c);
            if (octet < 0) {
                refuser(col, indexColonne,
                        "caractère « " + enUtf8(c) + " » (" + codePoint(c) +
                            ") qu'une base ne peut pas contenir (Windows-1252)");
                return false;
            }
            poser(static_cast<char>(octet));
        }
    }
    if (n > limite) {
        const std::size_t max = image ? limite - 1 : limite;
        const std::size_t longueur = image ? n - 1 : n;
        refuser(col, indexColonne,
                "texte de " + std::to_string(longueur) + " caractères, plus que les " +
                    std::to_string(max) + " que peut contenir le champ" +
                    (description ? " (chaque saut de ligne en compte deux)" : ""));
        return false;
    }
    if (image && n == 1) n = 0;  // no picture
    champ[n] = '\0';
    return true;
}

void Lecteur::traiterLigne() {
    bool vide = true;
    for (std::size_t i = 0; i < nbCellules_ && vide; ++i) vide = cellules_[i].texte.empty();
    if (vide) return;

    const std::size_t index = premiere_ + r_.lues;
    if (index + 1 >= table_.places()) table_.redimensionner(table_.places() + table_.places() / 2 + 16);
    Fiche& f = table_[index];
    auto cellule = [&](Colonne col) -> std::string_view {
        const std::ptrdiff_t i = colonnes_[static_cast<std::size_t>(col)];
        if (i < 0 || static_cast<std::size_t>(i) >= nbCellules_) return {};
        return cellules_[static_cast<std::size_t>(i)].texte;
    };
    auto indexDe = [&](Colonne col) { return static_cast<std::size_t>(colonnes_[static_cast<std::size_t>(col)]); };

    std::string_view numero = cellule(Colonne::kNumero);
    if (!numero.empty() && numero.front() == '\'' && aMarquer(numero)) numero.remove_prefix(1);
    int32_t valeur = 0;
    const bool aNumero = lireNumeroCsv(numero, valeur);
    f.numero = aNumero ? valeur : 0;
    r_.sansNumero.push_back(aNumero ? 0 : 1);
    r_.lignes.push_back(ligne_);
    versChamp(cellule(Colonne::kTitre), Colonne::kTitre, indexDe(Colonne::kTitre), f.titre, sizeof f.titre, false, false);
    versChamp(cellule(Colonne::kDescription), Colonne::kDescription, indexDe(Colonne::kDescription),
              f.description, sizeof f.description, true, false);
    versChamp(cellule(Colonne::kImage), Colonne::kImage, indexDe(Colonne::kImage), f.image, sizeof f.image, false, true);
    ++r_.lues;
}

LectureCsv Lecteur::lire() {
    // A byte-order mark says UTF-8; without one, UTF-8 is taken when the whole table is
    // well-formed UTF-8 (Windows-1252 texts with accents almost never are).
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") {
        s_.remove_prefix(3);
        r_.utf8 = true;
    } else {
        r_.utf8 = utf8Valide(s_);
    }
    if (r_.utf8 && !utf8Valide(s_)) {
        // A byte-order mark over bytes that are not UTF-8: nothing can be read safely.
        ligne_ = 1;
        refuser(Colonne::kAucune, 0, "le fichier commence comme de l'UTF-8 mais n'en est pas");
        return std::move(r_);
    }
    sep_ = detecterSeparateur(s_);
    r_.separateur = sep_;
    for (char c : {sep_, '\r', '\n', '"'}) arret_[static_cast<unsigned char>(c)] = true;
    bool premiere = true;
    while (!finLecture_ && lireLigne()) {
        if (finLecture_) break;
        if (premiere) {
            traiterEntete();
            premiere = false;
        } else {
            traiterLigne();
        }
    }
    return std::move(r_);
}

}  // namespace

LectureCsv lireTableauCsv(std::string_view octets, TableFiches& table, std::size_t premiere) {
    if (table.places() < premiere + 1) table.redimensionner(premiere + 1);
    Lecteur l(octets, table, premiere);
    return l.lire();
}

std::string messageRefusCsv(const std::string& chemin, const LectureCsv& lecture) {
    std::string m = "le tableau " + chemin + " n'a pas été importé, aucune fiche n'a été ajoutée :";
    for (const RefusCsv& r : lecture.refus) {
        m += "\nligne " + std::to_string(r.ligne) + ", " + r.colonne + " : " + r.raison;
    }
    if (lecture.nombreRefus > lecture.refus.size()) {
        m += "\n… et " + std::to_string(lecture.nombreRefus - lecture.refus.size()) + " autre(s) erreur(s)";
    }
    return m;
}
