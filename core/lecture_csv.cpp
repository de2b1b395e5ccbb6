// Reading a CSV table into cards (see tableau_csv.h for what is read and how): one pass over
// the bytes, a row at a time. A row is first cut into cells (RFC 4180 quoting), then the cells
// the columns name are converted into the card's fields. The encoding is decided before the
// first row from the whole table: UTF-8 when every byte is, else Windows-1252.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/cp1252.h"
#include "core/marque_csv.h"
#include "core/tableau_csv.h"

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

enum Colonne { kNumero, kTitre, kDescription, kImage };
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

std::string enUtf8(char32_t c) {
    std::string s;
    ajouterUtf8(s, c);
    return s;
}

std::string codePoint(char32_t c) {
    char t[16];
    std::snprintf(t, sizeof t, "U+%04X", static_cast<unsigned>(c));
    return t;
}

// A cell of the current row: a view of the table, or for a quoted cell with doubled quotes
// its unescaped text. The view of that text is taken when asked for: the cells move when a
// row longer than any before adds one, and a short text moves with its string.
struct Cellule {
    std::string_view vue;
    std::string tampon;
    bool echappee = false;
    std::string_view texte() const { return echappee ? std::string_view(tampon) : vue; }
};

class Lecteur {
public:
    Lecteur(std::string_view s, LectureCsv& r) : s_(s), r_(r) {}

    // Cuts the next row into cells; false when no row is left, or when a quote never closed
    // ends the reading (that row is then no card).
    bool lireLigne();
    // Takes the current row as the header when one of its cells names a column.
    bool lireEntete();
    bool ligneVide() const;
    // The current row into f, which holds zero bytes; its refusals are counted.
    void lireFiche(Fiche& f);

private:
    bool lireCellule(Cellule& c, std::size_t index);
    bool finCellule(char c) const { return c == r_.separateur || c == '\r' || c == '\n'; }
    const Cellule* celluleDe(Colonne col) const {
        const std::ptrdiff_t i = colonnes_[col];
        return i < 0 || static_cast<std::size_t>(i) >= nombre_ ? nullptr : &cellules_[static_cast<std::size_t>(i)];
    }
    void refuser(std::size_t index, std::string raison);
    void refuser(Colonne col, std::string raison) {
        refuser(static_cast<std::size_t>(colonnes_[col]), std::move(raison));
    }
    bool versChamp(std::string_view t, Colonne col, char* champ, std::size_t capacite);

    std::string_view s_;
    LectureCsv& r_;
    std::size_t pos_ = 0;
    std::size_t ligne_ = 0;  // the current row's number, the file's first being 1
    bool fini_ = false;
    std::vector<Cellule> cellules_;
    std::size_t nombre_ = 0;  // cells in the current row
    // The cell each column is read from (-1: none); without a header, the first three.
    std::array<std::ptrdiff_t, 4> colonnes_{0, 1, 2, -1};
};

void Lecteur::refuser(std::size_t index, std::string raison) {
    if (r_.refus.size() < kRefusGardes) {
        const auto i = std::find(colonnes_.begin(), colonnes_.end(), static_cast<std::ptrdiff_t>(index));
        std::string colonne = i != colonnes_.end() ? kNomsColonnes[i - colonnes_.begin()]
                                                    : "colonne " + std::to_string(index + 1);
        r_.refus.push_back({ligne_, std::move(colonne), std::move(raison)});
    }
    ++r_.nombreRefus;
}

bool Lecteur::lireLigne() {
    nombre_ = 0;
    if (pos_ >= s_.size() || fini_) return false;
    ++ligne_;
    for (;;) {
        if (nombre_ == cellules_.size()) cellules_.emplace_back();
        const std::size_t index = nombre_++;
        if (!lireCellule(cellules_[index], index)) return false;
        if (pos_ >= s_.size()) return true;
        const char c = s_[pos_++];
        if (c == r_.separateur) continue;
        // CR LF, LF or CR ends the row.
        if (c == '\r' && pos_ < s_.size() && s_[pos_] == '\n') ++pos_;
        return true;
    }
}

bool Lecteur::lireCellule(Cellule& c, std::size_t index) {
    const char* const s = s_.data();
    const std::size_t n = s_.size();
    c.echappee = false;
    if (pos_ < n && s[pos_] == '"') {
        c.tampon.clear();
        std::size_t debut = ++pos_;
        for (;;) {
            const void* q = pos_ < n ? std::memchr(s + pos_, '"', n - pos_) : nullptr;
            if (q == nullptr) {
                refuser(index, "guillemet ouvert et jamais refermé");
                fini_ = true;
                pos_ = n;
                return false;
            }
            const std::size_t g = static_cast<std::size_t>(static_cast<const char*>(q) - s);
            if (g + 1 < n && s[g + 1] == '"') {  // a doubled quote is one quote of the text
                c.tampon.append(s + debut, g + 1 - debut);
                c.echappee = true;
                debut = pos_ = g + 2;
                continue;
            }
            if (c.echappee) c.tampon.append(s + debut, g - debut);
            else c.vue = std::string_view(s + debut, g - debut);
            pos_ = g + 1;
            break;
        }
        if (pos_ < n && !finCellule(s[pos_])) {
            refuser(index, "texte après le guillemet qui ferme la cellule");
            while (pos_ < n && !finCellule(s[pos_])) ++pos_;
        }
        return true;
    }
    const std::size_t debut = pos_;
    bool guillemet = false;
    for (; pos_ < n && !finCellule(s[pos_]); ++pos_) guillemet = guillemet || s[pos_] == '"';
    c.vue = std::string_view(s + debut, pos_ - debut);
    if (guillemet) refuser(index, "guillemet dans une cellule qui ne commence pas par un guillemet");
    return true;
}

bool Lecteur::lireEntete() {
    std::array<std::ptrdiff_t, 4> trouvees{-1, -1, -1, -1};
    bool entete = false;
    for (std::size_t i = 0; i < nombre_; ++i) {
        const std::string nom = minusculesAscii(cellules_[i].texte());
        for (std::size_t k = 0; k < 4; ++k) {
            if (nom == kNomsColonnes[k] && trouvees[k] < 0) {
                trouvees[k] = static_cast<std::ptrdiff_t>(i);
                entete = true;
            }
        }
    }
    if (entete) colonnes_ = trouvees;
    return entete;
}

bool Lecteur::ligneVide() const {
    for (std::size_t i = 0; i < nombre_; ++i) {
        if (!cellules_[i].texte().empty()) return false;
    }
    return true;
}

// A cell's text into a card field. The field is filled up to its last byte, which stays the
// terminating zero; past that the bytes are only counted, so that the message says how long
// the text is.
bool Lecteur::versChamp(std::string_view t, Colonne col, char* champ, std::size_t capacite) {
    const bool description = col == kDescription, image = col == kImage;
    // One apostrophe marks a text a spreadsheet would otherwise run: see tableau_csv.h.
    if (!t.empty() && t.front() == '\'' && aMarquerCsv(t)) t.remove_prefix(1);
    const std::size_t limite = capacite - 1;
    std::size_t n = 0;
    auto poser = [&](char octet) {
        if (n < limite) champ[n] = octet;
        ++n;
    };
    if (image) poser('\\');
    const auto* const debut = reinterpret_cast<const unsigned char*>(t.data());
    const auto* const fin = debut + t.size();
    for (const unsigned char* p = debut; p < fin;) {
        const unsigned char b = *p;
        if (b < 0x80) {
            if (b == 0) {
                refuser(col, "caractère nul, qu'une fiche ne peut pas contenir");
                return false;
            }
            // Spreadsheet programs break lines in a cell with a lone LF: a card's is CR LF.
            if (description && b == '\n' && (p == debut || p[-1] != '\r')) poser('\r');
            poser(static_cast<char>(b));
            ++p;
        } else if (!r_.utf8) {
            // Picture names are file-system bytes (UTF-8): from a Windows-1252 table they are
            // converted; texts keep their Windows-1252 byte.
            if (image) {
                for (const char o : enUtf8(caractereCp1252(b))) poser(o);
            } else {
                poser(static_cast<char>(b));
            }
            ++p;
        } else {
            // The whole table was checked as UTF-8: a character's length is in its first byte.
            const int longueur = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            char32_t car = b & (0x7Fu >> longueur);
            for (int k = 1; k < longueur; ++k) car = car << 6 | (p[k] & 0x3Fu);
            if (image) {
                for (int k = 0; k < longueur; ++k) poser(static_cast<char>(p[k]));
            } else if (const int octet = car >= 0xA0 && car <= 0xFF ? static_cast<int>(car) : octetCp1252(car);
                       octet >= 0) {
                poser(static_cast<char>(octet));
            } else {
                refuser(col, "caractère « " + enUtf8(car) + " » (" + codePoint(car) +
                                 ") qu'une base ne peut pas contenir (Windows-1252)");
                return false;
            }
            p += longueur;
        }
    }
    if (n > limite) {
        const std::size_t max = image ? limite - 1 : limite;
        const std::size_t longueurTexte = image ? n - 1 : n;
        refuser(col, "texte de " + std::to_string(longueurTexte) + " caractères, plus que les " +
                         std::to_string(max) + " que peut contenir le champ" +
                         (description ? " (chaque saut de ligne en compte deux)" : ""));
        return false;
    }
    if (image && n == 1) n = 0;  // no picture
    champ[n] = '\0';  // the rest of the field is still the slot's zero bytes
    return true;
}

void Lecteur::lireFiche(Fiche& f) {
    int32_t numero = 0;
    bool aNumero = false;
    if (const Cellule* c = celluleDe(kNumero)) {
        std::string_view t = c->texte();
        if (!t.empty() && t.front() == '\'' && aMarquerCsv(t)) t.remove_prefix(1);
        aNumero = lireNumeroCsv(t, numero);
    }
    f.numero = numero;
    auto champ = [&](Colonne col, char* octets, std::size_t capacite) {
        const Cellule* c = celluleDe(col);
        return versChamp(c != nullptr ? c->texte() : std::string_view(), col, octets, capacite);
    };
    champ(kTitre, f.titre, sizeof f.titre);
    champ(kDescription, f.description, sizeof f.description);
    const bool image = champ(kImage, f.image, sizeof f.image) && f.image[0] != '\0';
    if (image) r_.avecImage.push_back(r_.lues);
    r_.sansNumero.push_back(aNumero ? 0 : 1);
    r_.lignes.push_back(ligne_);
    ++r_.lues;
}

}  // namespace

LectureCsv lireTableauCsv(std::string_view octets, TableFiches& table, std::size_t premiere, const PuitsCsv& puits) {
    LectureCsv r;
    const bool marque = octets.substr(0, 3) == "\xEF\xBB\xBF";
    if (marque) octets.remove_prefix(3);
    r.separateur = detecterSeparateur(octets);
    r.utf8 = utf8Valide(octets);
    // Slots a previous reading wrote go, so that every card starts from zero bytes.
    table.redimensionner(premiere);
    table.redimensionner(premiere + 1);
    if (marque && !r.utf8) {
        // A byte-order mark over bytes that are not UTF-8: nothing can be read safely.
        r.refus.push_back({1, "colonne 1", "le fichier commence comme de l'UTF-8 mais n'en est pas"});
        r.nombreRefus = 1;
        return r;
    }
    Lecteur lecteur(octets, r);
    bool ligne = lecteur.lireLigne();
    if (ligne && lecteur.lireEntete()) ligne = lecteur.lireLigne();

    // Card i of the reading lies in table[premiere + i - base]; the slice being read starts at
    // card debutTranche. Without a sink the reading is one slice that stays in the table.
    const bool tranches = static_cast<bool>(puits.recevoir);
    const std::size_t taille = tranches ? std::max<std::size_t>(puits.tailleTranche, 1) : SIZE_MAX;
    std::size_t base = 0, debutTranche = 0;
    bool suite = true;
    auto livrer = [&] {
        // Once a cell is refused the cards are not to be used: the reading only goes on to name
        // the rows after it.
        if (r.nombreRefus == 0) {
            TrancheCsv t{debutTranche, table.bloc(premiere + (debutTranche - base), r.lues - debutTranche), r.lues - debutTranche,
                         r.sansNumero, r.lignes, r.avecImage};
            suite = puits.recevoir(t);
        }
        r.sansNumero.clear();
        r.lignes.clear();
        r.avecImage.clear();
        if (puits.memesPlaces) {
            // The next slice is read over this one, from zero bytes as every card is.
            std::memset(static_cast<void*>(table.bloc(premiere, r.lues - base)), 0, (r.lues - base) * sizeof(Fiche));
            base = r.lues;
        }
        debutTranche = r.lues;
    };
    for (; ligne && suite; ligne = lecteur.lireLigne()) {
        if (lecteur.ligneVide()) continue;
        // One slot beyond the cards stays blank, as the import expects of a table read.
        const std::size_t place = premiere + (r.lues - base);
        if (place + 1 >= table.places()) table.redimensionner(std::max(place + 2, place + place / 2));
        lecteur.lireFiche(table[place]);
        if (r.lues - debutTranche == taille) livrer();
    }
    if (tranches && suite && r.lues > debutTranche) livrer();
    table.redimensionner(premiere + (r.lues - base) + 1);
    return r;
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
