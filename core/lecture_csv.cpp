// Reading a CSV table into cards (see tableau_csv.h for what is read and how).
//
// A large table is read by several threads, each over its own run of rows. The runs start at
// row ends found by counting quotes: in a table whose quoting is sound, an even number of
// quotes before a byte means that byte is outside any quoted cell. The row ends outside quotes
// of each run are counted fast (lignes_csv), and each run gets a slot per row, so that every
// card goes straight to its place; the cards of a run then move down over the slots of the
// empty rows before it. A run that reads other rows than were counted, or a table with many
// rows that may be empty, is counted by the row reader itself instead. A table whose quoting
// is not sound is refused anyway, and its message must name the rows in order, so any refusal
// sends the reading back to one thread over the whole table. The same row reader does both,
// so the two readings cannot differ.
//
// Most rows are read in one pass: each cell goes into its field as it is scanned, the copy
// itself finding where the cell ends. A row where anything needs a closer look (a refusal, a
// leading apostrophe, a picture name from a Windows-1252 table) is read again the exact way,
// cells first and then fields, which alone refuses; the tests hold both ways to one result.
//
// UTF-8 is checked on the way rather than in a pass of its own: every byte of every cell goes
// through the converter or the checker. A byte that is not UTF-8 stops the reading, which then
// starts again in Windows-1252 (or, after a byte-order mark, refuses the table).

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/copie_champ.h"
#include "core/cp1252.h"
#include "core/lignes_csv.h"
#include "core/marque_csv.h"
#include "core/tableau_csv.h"

namespace {
uint64_t melanger(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ x >> 31;
}

// The 1 to 8 bytes at p, as the low bytes of a word, the others zero; read without going past
// them, and without assembling the word in memory (reading it back whole would stall).
uint64_t motPartiel(const char* p, std::size_t n, const char* debut) {
    uint64_t mot;
    if (p - debut >= static_cast<std::ptrdiff_t>(8 - n)) {  // the word that ends with them
        std::memcpy(&mot, p + n - 8, 8);
        return mot >> (8 * (8 - n));
    }
    if (n >= 4) {
        uint32_t bas, haut;
        std::memcpy(&bas, p, 4);
        std::memcpy(&haut, p + n - 4, 4);
        return bas | uint64_t{haut} << (8 * (n - 4));
    }
    const auto octet = [&](std::size_t i) { return uint64_t{static_cast<unsigned char>(p[i])} << (8 * i); };
    return octet(0) | octet(n / 2) | octet(n - 1);
}
}  // namespace

NomImage lireNomImage(std::string_view nom) {
    // Eight bytes at a time: a million names are looked at while the table is read.
    const uint64_t barres = 0x2F2F2F2F2F2F2F2Full, bas = 0x0101010101010101ull, hauts = 0x8080808080808080ull;
    uint64_t h = nom.size();
    uint64_t barre = 0;
    for (std::size_t i = 0; i < nom.size(); i += 8) {
        uint64_t mot;
        if (nom.size() - i >= 8) std::memcpy(&mot, nom.data() + i, 8);
        else mot = motPartiel(nom.data() + i, nom.size() - i, nom.data());
        // A zero byte where mot has a slash; the zero bytes above a short word have none.
        const uint64_t x = mot ^ barres;
        barre |= (x - bas) & ~x & hauts;
        h = melanger(h ^ mot) + i;
    }
    return {melanger(h), barre != 0};
}

uint64_t empreinteNom(std::string_view nom) { return lireNomImage(nom).empreinte; }

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

// Below this many bytes per run, starting threads costs more than it saves.
constexpr std::size_t kOctetsParThreadMin = std::size_t(1) << 20;
constexpr std::size_t kThreadsMax = 8;
// Runs per thread: a core slowed by other work then reads fewer runs instead of holding up
// the others at the end.
constexpr std::size_t kPartiesParThread = 4;

std::size_t coeurs() { return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kThreadsMax); }

#if !defined(__SSE2__)
// Eight bytes at a time: whether any of them is zero, or equal to c.
constexpr uint64_t kUns = 0x0101010101010101ull;
constexpr uint64_t kHauts = 0x8080808080808080ull;
inline uint64_t octetNul(uint64_t v) { return (v - kUns) & ~v & kHauts; }
inline uint64_t octetEgal(uint64_t v, unsigned char c) { return octetNul(v ^ (kUns * c)); }
inline uint64_t mot(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
#endif

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

// Clears the bytes a fast copy wrote past a field's text (haut being the end of what it wrote):
// never more than 16, so one fixed-size store does where the field has room.
void effacerAuDela(char* champ, std::size_t n, std::size_t haut, std::size_t capacite) {
    if (haut <= n) return;
    if (n + 16 <= capacite) std::memset(champ + n, 0, 16);
    else std::memset(champ + n, 0, haut - n);
}

std::string enUtf8(char32_t c) {
    std::string s;
    ajouterUtf8(s, c);
    return s;
}

// What all the readers of one table share.
struct Contexte {
    std::string_view s;  // the table, without its byte-order mark
    char sep = ',';
    bool utf8 = true;
    // The bytes are taken for UTF-8 without having been checked: each is checked as it is
    // read, and the first that is not stops every reader.
    bool verifier = false;
    std::atomic<bool> invalide{false};
    std::array<std::ptrdiff_t, 4> colonnes{0, 1, 2, -1};
    std::array<bool, 256> arret{};  // bytes that end or spoil an unquoted cell
    bool directe = true;            // rows read in one pass where they can be
    const FiltreImages* images = nullptr;  // the picture names worth keeping; all without it

    Colonne colonneDe(std::size_t index) const {
        for (int k = 0; k < 4; ++k) {
            if (colonnes[static_cast<std::size_t>(k)] == static_cast<std::ptrdiff_t>(index)) return static_cast<Colonne>(k);
        }
        return Colonne::kAucune;
    }
};

// Where a reader puts what it reads: its cards and, per card, what the import needs after.
struct Sortie {
    Fiche* fiches = nullptr;
    std::size_t places = 0;
    uint8_t* sansNumero = nullptr;
    std::size_t* lignes = nullptr;
    std::vector<ImageLue> avecImage;  // cards (numbered from the reader's first) with a picture cell
};

// Reads the rows of s[debut, fin).
class Lecteur {
public:
    Lecteur(Contexte& c, std::size_t debut, std::size_t fin, std::size_t ligneAvant)
        : c_(c), s_(c.s), pos_(debut), fin_(fin), ligne_(ligneAvant) {}

    // The first row, taken as the header when it names a column; false when it does not.
    bool lireEntete();
    // Counts the rows and the cards (rows with some text) without reading their texts.
    void compter();
    // Reads the cards into sortie, which has room for them all (as counted).
    void lire(Sortie& sortie);

    std::size_t position() const { return pos_; }
    std::size_t lignes() const { return lignes_; }
    std::size_t fiches() const { return fiches_; }
    bool fini() const { return finLecture_; }
    std::vector<RefusCsv>& refus() { return refus_; }
    std::size_t nombreRefus() const { return nombreRefus_; }

private:
    // The cells of the current row; a quoted cell with doubled quotes is unescaped into a
    // buffer of its own, every other cell is a view of the input. The text of an unescaped
    // cell is found from the cell each time: a row longer than any before moves the cells.
    struct Cellule {
        std::string_view vue;
        std::string tampon;
        bool echappee = false;
        std::string_view texte() const { return echappee ? std::string_view(tampon) : vue; }
    };

    bool lireLigne();  // false at the end of the run
    // Reads the cell at pos into c; false when its quote is never closed, which ends the reading.
    bool lireCellule(Cellule& c, std::size_t& pos, std::size_t indexColonne);
    // Moves pos past the separator or the row end after a cell; true at the row's end.
    bool finDeCellule(std::size_t& pos);
    bool ligneVide() const;
    void refuser(Colonne col, std::size_t indexColonne, std::string raison);
    std::string nomColonne(Colonne col, std::size_t index) const;
    void verifierUtf8(std::string_view t) {
        if (c_.verifier && !utf8Valide(t)) c_.invalide.store(true, std::memory_order_relaxed);
    }
    // What a row read directly gives besides its card's bytes.
    struct LigneLue {
        bool vide = true;        // no cell has any text: not a card
        bool numero = false;     // the number cell held a number
        std::size_t image = 0;   // the picture field's length (0: no picture)
    };
    // Reads the next row straight into f, each text cell converted as it is scanned; false
    // when the row needs the exact reading (lireLigne, then versChamp), which alone refuses:
    // the reader is then as it was before, and only f's bytes changed.
    bool lireFicheDirecte(Fiche& f, LigneLue& ligne);
    // The cell at pos into the field of col, its end found by the copy itself; false when it
    // needs the exact reading. brute is the cell between its quotes, for emptiness; longueur
    // the field's length.
    bool celluleDirecte(std::size_t& pos, Colonne col, char* champ, std::size_t capacite, std::string_view& brute,
                        std::size_t& longueur);
    // A number cell that is only a number ([sign] digits up to the cell's end), read in place.
    bool numeroDirect(std::size_t& pos, int32_t& numero) const;
    // The number of a number cell read as text; a cell that is not one is checked as UTF-8.
    bool numeroDe(std::string_view cellule, int32_t& numero);
    // Keeps the card just read in its slot.
    void garder(Sortie& sortie, bool aNumero, std::size_t longueurImage);
    // Converts a text cell into the field bytes; false (after refusing) when it cannot be stored.
    // Bytes up to lisible may be read past the cell's end.
    bool versChamp(std::string_view cellule, const char* lisible, Colonne col, char* champ, std::size_t capacite,
                   bool description, bool image);

    Contexte& c_;
    std::string_view s_;
    std::size_t pos_;
    std::size_t fin_;
    std::size_t ligne_;  // number of the row being read (the file's first is 1)
    std::size_t lignes_ = 0;
    std::size_t fiches_ = 0;
    std::vector<Cellule> cellules_;
    std::size_t nbCellules_ = 0;
    std::array<Colonne, 8> colonnesLues_{};  // the column each of the first cells goes to
    // The copy's rules, [field][how the cell is read], set once for the reading: the copy reads
    // them from memory that stays put.
    enum { kTexte, kDescription, kImage };
    enum { kCelluleEntiere, kEntreGuillemets, kSansGuillemets };
    static std::size_t sorte(bool description, bool image) {
        return image ? kImage : description ? kDescription : kTexte;
    }
    std::array<std::array<ReglesCopie, 3>, 3> regles_{};
    bool finLecture_ = false;
    std::vector<RefusCsv> refus_;
    std::size_t nombreRefus_ = 0;
};

void Lecteur::refuser(Colonne col, std::size_t indexColonne, std::string raison) {
    if (refus_.size() < kRefusGardes) refus_.push_back({ligne_, nomColonne(col, indexColonne), std::move(raison)});
    ++nombreRefus_;
}

std::string Lecteur::nomColonne(Colonne col, std::size_t index) const {
    if (col != Colonne::kAucune) return kNomsColonnes[static_cast<int>(col)];
    return "colonne " + std::to_string(index + 1);
}

bool Lecteur::lireCellule(Cellule& c, std::size_t& pos, std::size_t indexColonne) {
    const std::size_t n = fin_;
    const char sep = c_.sep;
    const char* const s = s_.data();
    if (pos < n && s[pos] == '"') {
        c.tampon.clear();
        const std::size_t ouverture = ligne_;
        ++pos;
        std::size_t debut = pos;
        bool echappe = false;
        for (;;) {
            const void* q = pos < n ? std::memchr(s + pos, '"', n - pos) : nullptr;
            if (q == nullptr) {
                ligne_ = ouverture;
                refuser(c_.colonneDe(indexColonne), indexColonne, "guillemet ouvert et jamais refermé");
                finLecture_ = true;
                pos = n;
                return false;
            }
            const std::size_t g = static_cast<std::size_t>(static_cast<const char*>(q) - s);
            if (g + 1 < n && s[g + 1] == '"') {
                c.tampon.append(s + debut, g + 1 - debut);
                echappe = true;
                pos = g + 2;
                debut = pos;
                continue;
            }
            c.echappee = echappe;
            if (echappe) {
                c.tampon.append(s + debut, g - debut);
            } else {
                c.vue = std::string_view(s + debut, g - debut);
            }
            pos = g + 1;
            break;
        }
        if (pos < n && s[pos] != sep && s[pos] != '\r' && s[pos] != '\n') {
            refuser(c_.colonneDe(indexColonne), indexColonne, "texte après le guillemet qui ferme la cellule");
            while (pos < n && s[pos] != sep && s[pos] != '\r' && s[pos] != '\n') ++pos;
        }
    } else {
        const std::size_t debut = pos;
        // Sixteen bytes at a time up to the first that ends the cell or spoils it.
#if defined(__SSE2__)
        const __m128i separateur = _mm_set1_epi8(sep), retour = _mm_set1_epi8('\r'),
                      saut = _mm_set1_epi8('\n'), guillemets = _mm_set1_epi8('"');
        while (pos + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos));
            const unsigned arrets = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, separateur), _mm_cmpeq_epi8(v, retour)),
                             _mm_or_si128(_mm_cmpeq_epi8(v, saut), _mm_cmpeq_epi8(v, guillemets)))));
            if (arrets != 0) {
                pos += static_cast<std::size_t>(__builtin_ctz(arrets));
                break;
            }
            pos += 16;
        }
#else
        while (pos + 8 <= n) {
            const uint64_t v = mot(s + pos);
            const uint64_t arrets = octetEgal(v, static_cast<unsigned char>(sep)) | octetEgal(v, '\r') |
                                    octetEgal(v, '\n') | octetEgal(v, '"');
            if (arrets != 0) {
                pos += static_cast<std::size_t>(__builtin_ctzll(arrets) / 8);
                break;
            }
            pos += 8;
        }
#endif
        bool guillemet = false;
        while (pos < n) {
            const char ch = s[pos];
            if (c_.arret[static_cast<unsigned char>(ch)]) {
                if (ch != '"') break;
                guillemet = true;
            }
            ++pos;
        }
        c.echappee = false;
        c.vue = std::string_view(s + debut, pos - debut);
        if (guillemet) {
            refuser(c_.colonneDe(indexColonne), indexColonne,
                    "guillemet dans une cellule qui ne commence pas par un guillemet");
        }
    }
    return true;
}

inline bool Lecteur::finDeCellule(std::size_t& pos) {
    const char* const s = s_.data();
    if (pos >= fin_) return true;
    if (s[pos] == c_.sep) {
        ++pos;
        return false;
    }
    // CR LF, LF or CR ends the row.
    if (s[pos] == '\r' && pos + 1 < fin_ && s[pos + 1] == '\n') ++pos;
    ++pos;
    return true;
}

bool Lecteur::lireLigne() {
    nbCellules_ = 0;
    if (pos_ >= fin_ || finLecture_) return false;
    ++ligne_;
    ++lignes_;
    std::size_t pos = pos_;  // kept in a register: this loop sees every byte outside quotes
    for (;;) {
        if (nbCellules_ == cellules_.size()) cellules_.emplace_back();
        Cellule& c = cellules_[nbCellules_++];
        if (!lireCellule(c, pos, nbCellules_ - 1) || finDeCellule(pos)) break;
    }
    pos_ = pos;
    return true;
}

bool Lecteur::ligneVide() const {
    for (std::size_t i = 0; i < nbCellules_; ++i) {
        if (!cellules_[i].texte().empty()) return false;
    }
    return true;
}

bool Lecteur::lireEntete() {
    if (!lireLigne()) return false;
    std::array<std::ptrdiff_t, 4> trouvees{-1, -1, -1, -1};
    bool entete = false;
    for (std::size_t i = 0; i < nbCellules_; ++i) {
        verifierUtf8(cellules_[i].texte());
        const std::string nom = minusculesAscii(cellules_[i].texte());
        for (int k = 0; k < 4; ++k) {
            if (nom == kNomsColonnes[k] && trouvees[static_cast<std::size_t>(k)] < 0) {
                trouvees[static_cast<std::size_t>(k)] = static_cast<std::ptrdiff_t>(i);
                entete = true;
            }
        }
    }
    if (entete) c_.colonnes = trouvees;
    return entete;
}

void Lecteur::compter() {
    while (lireLigne()) {
        if (finLecture_) break;  // a row cut by an unclosed quote is not a card
        if (!ligneVide()) ++fiches_;
    }
}

bool Lecteur::versChamp(std::string_view t, const char* lisible, Colonne col, char* champ, std::size_t capacite,
                        bool description, bool image) {
    const std::size_t indexColonne = static_cast<std::size_t>(c_.colonnes[static_cast<std::size_t>(col)]);
    // One apostrophe marks a text a spreadsheet would otherwise run: see the header.
    if (!t.empty() && t.front() == '\'' && aMarquerCsv(t)) t.remove_prefix(1);
    std::size_t n = 0;
    if (image) champ[n++] = '\\';
    const std::size_t limite = capacite - 1;
    auto poser = [&](char octet) {
        if (n < limite) champ[n] = octet;
        ++n;
    };
    const bool utf8 = c_.utf8;
    const auto* debut = reinterpret_cast<const unsigned char*>(t.data());
    const auto* p = debut;
    const auto* fin = p + t.size();
    const auto* lisibles = reinterpret_cast<const unsigned char*>(lisible);
    std::size_t haut = 0;  // field bytes the fast copy wrote, garbage past n included
    auto nettoyer = [&] { effacerAuDela(champ, n, haut, capacite); };
    while (p < fin) {
        // Plain ASCII, CR LF and, from UTF-8, the characters Windows-1252 has go at memory
        // speed; the loop below takes one character at a time only where the copy stops.
        const CopieChamp copie =
            copierChamp(debut, p, fin, lisibles, champ, n, capacite,
                        regles_[sorte(description, image)][kCelluleEntiere]);
        p = copie.p;
        n = copie.n;
        haut = std::max(haut, copie.haut);
        if (p == fin) break;
        const unsigned char b = *p;
        if (b < 0x80) {
            if (b == 0) {
                refuser(col, indexColonne, "caractère nul, qu'une fiche ne peut pas contenir");
                nettoyer();
                return false;
            }
            if (description && b == '\n' && (p == debut || p[-1] != '\r')) poser('\r');
            poser(static_cast<char>(b));
            ++p;
            continue;
        }
        if (!utf8) {
            // Picture names are file-system bytes (UTF-8): from a Windows-1252 table they are
            // converted; texts keep their Windows-1252 byte.
            if (image) {
                for (char o : enUtf8(caractereCp1252(b))) poser(o);
            } else {
                poser(static_cast<char>(b));
            }
            ++p;
            continue;
        }
        char32_t car;
        const int longueur = decoderUtf8(p, fin, car);
        if (longueur == 0) {
            c_.invalide.store(true, std::memory_order_relaxed);
            nettoyer();
            return false;
        }
        if (image) {
            for (int k = 0; k < longueur; ++k) poser(static_cast<char>(p[k]));
        } else {
            const int octet = octetCp1252(car);
            if (octet < 0) {
                refuser(col, indexColonne,
                        "caractère « " + enUtf8(car) + " » (" + codePoint(car) +
                            ") qu'une base ne peut pas contenir (Windows-1252)");
                nettoyer();
                return false;
            }
            poser(static_cast<char>(octet));
        }
        p += longueur;
    }
    if (n > limite) {
        const std::size_t max = image ? limite - 1 : limite;
        const std::size_t longueurTexte = image ? n - 1 : n;
        refuser(col, indexColonne,
                "texte de " + std::to_string(longueurTexte) + " caractères, plus que les " + std::to_string(max) +
                    " que peut contenir le champ" + (description ? " (chaque saut de ligne en compte deux)" : ""));
        nettoyer();
        return false;
    }
    if (image && n == 1) n = 0;  // no picture
    nettoyer();
    champ[n] = '\0';
    return true;
}

bool Lecteur::celluleDirecte(std::size_t& pos, Colonne col, char* champ, std::size_t capacite,
                             std::string_view& brute, std::size_t& longueur) {
    const char* const s = s_.data();
    const char sep = c_.sep;
    const bool description = col == Colonne::kDescription, image = col == Colonne::kImage;
    if (pos >= fin_ || s[pos] == sep || s[pos] == '\r' || s[pos] == '\n') {
        // An empty cell, as most picture cells are: the field stays as the slot is, zero bytes.
        brute = {};
        longueur = 0;
        return true;
    }
    const bool entreGuillemets = s[pos] == '"';
    const std::size_t debutBrut = entreGuillemets ? pos + 1 : pos;
    // Whether a leading apostrophe is a mark to take off depends on the whole cell.
    if (debutBrut < fin_ && s[debutBrut] == '\'') return false;
    const ReglesCopie& regles =
        regles_[sorte(description, image)][entreGuillemets ? kEntreGuillemets : kSansGuillemets];
    const auto* debut = reinterpret_cast<const unsigned char*>(s + debutBrut);
    const auto* fin = reinterpret_cast<const unsigned char*>(s + fin_);
    const auto* lisible = reinterpret_cast<const unsigned char*>(s + s_.size());
    const auto* p = debut;
    const auto* finBrute = fin;
    const std::size_t limite = capacite - 1;
    std::size_t n = 0, haut = 0;
    if (image) champ[n++] = '\\';
    auto poser = [&](char octet) {
        if (n < limite) champ[n] = octet;
        ++n;
    };
    bool lue = false;
    for (;;) {
        const CopieChamp copie = copierChamp(debut, p, fin, lisible, champ, n, capacite, regles);
        p = copie.p;
        n = copie.n;
        haut = std::max(haut, copie.haut);
        if (p == fin) {
            lue = !entreGuillemets;  // else a quote never closed
            break;
        }
        const unsigned char b = *p;
        if (b == '"') {
            if (!entreGuillemets) break;
            if (fin - p >= 2 && p[1] == '"') {
                poser('"');
                p += 2;
                continue;
            }
            finBrute = p++;
            lue = p == fin || *p == sep || *p == '\r' || *p == '\n';
            break;
        }
        if (!entreGuillemets && (b == sep || b == '\r' || b == '\n')) {
            finBrute = p;
            lue = true;
            break;
        }
        if (b == 0) break;
        int octets = 1;
        if (b >= 0x80) {
            // What the copy leaves of a UTF-8 text is refused; a picture name keeps its UTF-8
            // bytes, or from a Windows-1252 table is converted by the exact reading. A text of
            // such a table keeps its bytes.
            char32_t car;
            if (image ? !c_.utf8 || (octets = decoderUtf8(p, fin, car)) == 0 : c_.utf8) break;
        } else if (description && b == '\n' && (p == debut || p[-1] != '\r')) {
            poser('\r');
        }
        for (int k = 0; k < octets; ++k) poser(static_cast<char>(p[k]));
        p += octets;
    }
    if (!lue || n > limite) return false;
    if (image && n == 1) n = 0;  // no picture
    effacerAuDela(champ, n, haut, capacite);
    champ[n] = '\0';
    longueur = n;
    brute = std::string_view(s + debutBrut, static_cast<std::size_t>(finBrute - debut));
    pos = static_cast<std::size_t>(reinterpret_cast<const char*>(p) - s);
    return true;
}

bool Lecteur::numeroDirect(std::size_t& pos, int32_t& numero) const {
    const char* const s = s_.data();
    std::size_t i = pos;
    const bool negatif = i < fin_ && s[i] == '-';
    if (i < fin_ && (s[i] == '-' || s[i] == '+')) ++i;
    const std::size_t chiffres = i;
    int64_t v = 0;
    while (i < fin_ && i - chiffres < 10 && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
    if (i == chiffres) return false;
    if (i < fin_ && s[i] != c_.sep && s[i] != '\r' && s[i] != '\n') return false;
    if (negatif) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    numero = static_cast<int32_t>(v);
    pos = i;
    return true;
}

bool Lecteur::numeroDe(std::string_view cellule, int32_t& numero) {
    if (!cellule.empty() && cellule.front() == '\'' && aMarquerCsv(cellule)) cellule.remove_prefix(1);
    if (lireNumeroCsv(cellule, numero)) return true;
    verifierUtf8(cellule);  // a number is ASCII
    return false;
}

bool Lecteur::lireFicheDirecte(Fiche& f, LigneLue& ligne) {
    nbCellules_ = 0;
    ++ligne_;
    ++lignes_;
    ligne = {};
    std::ptrdiff_t celluleNumero = -1;
    std::size_t pos = pos_;
    for (;;) {
        if (nbCellules_ == cellules_.size()) cellules_.emplace_back();
        const std::size_t index = nbCellules_++;
        Cellule& c = cellules_[index];
        const Colonne col = index < colonnesLues_.size() ? colonnesLues_[index] : c_.colonneDe(index);
        if (col == Colonne::kTitre || col == Colonne::kDescription || col == Colonne::kImage) {
            char* champ = col == Colonne::kTitre ? f.titre : col == Colonne::kDescription ? f.description : f.image;
            const std::size_t capacite = col == Colonne::kTitre         ? sizeof f.titre
                                         : col == Colonne::kDescription ? sizeof f.description
                                                                        : sizeof f.image;
            std::size_t longueur = 0;
            c.echappee = false;
            if (!celluleDirecte(pos, col, champ, capacite, c.vue, longueur)) return false;
            if (col == Colonne::kImage) ligne.image = longueur;
            ligne.vide = ligne.vide && c.vue.empty();
        } else if (col == Colonne::kNumero && numeroDirect(pos, f.numero)) {
            ligne.numero = true;
            ligne.vide = false;
        } else {
            const std::size_t refus = nombreRefus_;
            if (!lireCellule(c, pos, index) || nombreRefus_ != refus) return false;
            ligne.vide = ligne.vide && c.texte().empty();
            if (col == Colonne::kNumero) celluleNumero = static_cast<std::ptrdiff_t>(index);
            else if (c_.verifier) verifierUtf8(c.texte());
        }
        if (finDeCellule(pos)) break;
    }
    if (celluleNumero >= 0 && !ligne.vide) {
        int32_t valeur = 0;
        ligne.numero = numeroDe(cellules_[static_cast<std::size_t>(celluleNumero)].texte(), valeur);
        f.numero = ligne.numero ? valeur : 0;
    }
    pos_ = pos;
    return true;
}

void Lecteur::garder(Sortie& sortie, bool aNumero, std::size_t longueurImage) {
    sortie.sansNumero[fiches_] = aNumero ? 0 : 1;
    sortie.lignes[fiches_] = ligne_;
    if (longueurImage != 0) {
        // The name is looked at while it is at hand: the import checks the pictures of a
        // million cards from these alone.
        const std::string_view nom(sortie.fiches[fiches_].image + 1, longueurImage - 1);
        const NomImage lu = lireNomImage(nom);
        if (lu.chemin || c_.images == nullptr || c_.images->peutContenir(lu.empreinte)) {
            sortie.avecImage.push_back({fiches_, lu.empreinte, lu.chemin});
        }
    }
    ++fiches_;
}

void Lecteur::lire(Sortie& sortie) {
    const auto& colonnes = c_.colonnes;
    for (std::size_t i = 0; i < colonnesLues_.size(); ++i) colonnesLues_[i] = c_.colonneDe(i);
    for (const std::size_t champ : {kTexte, kDescription, kImage}) {
        // Picture names keep their UTF-8 bytes (from a Windows-1252 table, the exact reading
        // converts them); texts of such a table keep theirs. A description's line feed is the
        // end of an unquoted cell, and within quotes a line break.
        const bool latin = c_.utf8 && champ != kImage, hauts = !c_.utf8 && champ != kImage,
                   saut = champ == kDescription;
        regles_[champ] = {{
            {.latin = latin, .octetsHauts = hauts, .arrets = {}, .retourAvantSaut = saut},
            {.latin = latin, .octetsHauts = hauts, .arrets = {'"', '"', '"'}, .retourAvantSaut = saut},
            {.latin = latin, .octetsHauts = hauts, .arrets = {c_.sep, '\r', '"'}, .retourAvantSaut = false},
        }};
    }
    auto estLue = [&](std::size_t i) {
        for (std::ptrdiff_t k : colonnes) {
            if (k == static_cast<std::ptrdiff_t>(i)) return true;
        }
        return false;
    };
    for (;;) {
        if (c_.verifier && c_.invalide.load(std::memory_order_relaxed)) return;
        // Most rows are read in one pass into their slot, which is still zero bytes; a row the
        // direct reading gives up is read again the exact way, from a slot cleared again.
        if (c_.directe && fiches_ < sortie.places && pos_ < fin_ && !finLecture_) {
            const std::size_t pos = pos_, ligne = ligne_, lignes = lignes_, refus = refus_.size(),
                              nombreRefus = nombreRefus_;
            Fiche& f = sortie.fiches[fiches_];
            LigneLue lue;
            if (lireFicheDirecte(f, lue)) {
                if (!lue.vide) garder(sortie, lue.numero, lue.image);
                continue;
            }
            pos_ = pos;
            ligne_ = ligne;
            lignes_ = lignes;
            refus_.erase(refus_.begin() + static_cast<std::ptrdiff_t>(refus), refus_.end());
            nombreRefus_ = nombreRefus;
            finLecture_ = false;
            std::memset(static_cast<void*>(&f), 0, sizeof f);
        }
        if (!lireLigne() || finLecture_) break;
        if (ligneVide()) continue;
        if (fiches_ >= sortie.places) {
            // The rows were counted by this same reader: more of them now means the bytes
            // changed under it.
            refuser(Colonne::kAucune, 0, "le tableau a changé pendant sa lecture");
            finLecture_ = true;
            return;
        }
        Fiche& f = sortie.fiches[fiches_];
        auto indexDe = [&](Colonne col) -> std::ptrdiff_t {
            const std::ptrdiff_t i = colonnes[static_cast<std::size_t>(col)];
            return i < 0 || static_cast<std::size_t>(i) >= nbCellules_ ? -1 : i;
        };
        auto champ = [&](Colonne col, char* octets, std::size_t capacite, bool description, bool image) {
            const std::ptrdiff_t i = indexDe(col);
            if (i < 0) return versChamp({}, nullptr, col, octets, capacite, description, image);
            const Cellule& c = cellules_[static_cast<std::size_t>(i)];
            return versChamp(c.texte(), c.echappee ? c.tampon.data() + c.tampon.size() : s_.data() + s_.size(), col,
                             octets, capacite, description, image);
        };
        const std::ptrdiff_t iNumero = indexDe(Colonne::kNumero);
        int32_t valeur = 0;
        const bool aNumero =
            iNumero >= 0 ? numeroDe(cellules_[static_cast<std::size_t>(iNumero)].texte(), valeur) : false;
        f.numero = aNumero ? valeur : 0;
        if (c_.verifier) {
            for (std::size_t i = 0; i < nbCellules_; ++i) {
                if (!estLue(i)) verifierUtf8(cellules_[i].texte());
            }
        }
        champ(Colonne::kTitre, f.titre, sizeof f.titre, false, false);
        champ(Colonne::kDescription, f.description, sizeof f.description, true, false);
        champ(Colonne::kImage, f.image, sizeof f.image, false, true);
        garder(sortie, aNumero, texteChamp(f.image).size());
    }
}

// The start of the first row that begins at or after cible, dedans telling whether s[cible]
// is inside quotes.
std::size_t debutDeLigne(std::string_view s, std::size_t cible, bool dedans) {
    for (std::size_t p = cible; p < s.size(); ++p) {
        const char c = s[p];
        if (c == '"') {
            dedans = !dedans;
        } else if (!dedans && (c == '\r' || c == '\n')) {
            ++p;
            if (c == '\r' && p < s.size() && s[p] == '\n') ++p;
            return p;
        }
    }
    return s.size();
}

// Whether s[cible] is inside quotes, guessed from the first quote after it that is not one of
// two side by side: in a sound table a quote that opens a cell follows a separator or a row
// end, and one that closes it is followed by one. Outside quotes when that does not tell.
bool dedansSelonLaSuite(std::string_view s, std::size_t cible, char sep) {
    const std::size_t fin = std::min(s.size(), cible + 4096);
    auto borne = [&](std::size_t i) { return s[i] == sep || s[i] == '\r' || s[i] == '\n'; };
    for (std::size_t i = cible; i < fin; ++i) {
        if (s[i] != '"') continue;
        if (i + 1 < s.size() && s[i + 1] == '"') {
            ++i;
            continue;
        }
        const bool ouvre = i == 0 || borne(i - 1);
        const bool ferme = i + 1 == s.size() || borne(i + 1);
        return ferme && !ouvre;
    }
    return false;
}

// Runs f(0 .. n-1) on this thread and up to one more per core, each taking the next task
// once done with one; an exception any task throws comes back here once they are all done.
// Where the system will not start a thread, the others take its tasks: slower, the same result.
template <typename F>
void enParallele(std::size_t n, F f) {
    if (n == 0) return;
    std::vector<std::exception_ptr> erreurs(n);
    std::atomic<std::size_t> suivante{0};
    auto travailler = [&] {
        for (std::size_t i = suivante.fetch_add(1); i < n; i = suivante.fetch_add(1)) {
            try {
                f(i);
            } catch (...) {
                erreurs[i] = std::current_exception();
            }
        }
    };
    const std::size_t autres = std::min(n, coeurs()) - 1;
    std::vector<std::thread> threads;
    threads.reserve(autres);
    try {
        while (threads.size() < autres) threads.emplace_back(travailler);
    } catch (const std::system_error&) {
    }
    travailler();
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : erreurs) {
        if (e) std::rethrow_exception(e);
    }
}

struct Partie {
    std::size_t debut, fin;
    std::size_t ligneAvant;    // rows before it
    std::size_t fichesAvant;   // slot of its first card
    std::size_t lignes = 0, fiches = 0;
    std::size_t places = 0;    // slots for its cards
    std::size_t guillemets = 0;
    bool refusee = false;
};

class Lecture {
public:
    Lecture(std::string_view octets, TableFiches& table, std::size_t premiere, std::size_t parties, bool directe,
            const FiltreImages* images)
        : table_(table), premiere_(premiere), partiesVoulues_(parties) {
        c_.directe = directe;
        c_.images = images;
        if (octets.substr(0, 3) == "\xEF\xBB\xBF") {
            octets.remove_prefix(3);
            marque_ = true;
        }
        c_.s = octets;
    }

    LectureCsv lire();

private:
    // Cuts the table from debut into about nombre parts, each starting a row. Each cut is
    // placed from the quotes before it, counted, or else from the bytes after it (deviner),
    // which saves reading the whole table once: compterLignes then tells whether each guess
    // was right.
    void decouper(std::size_t debut, std::size_t ligneAvant, std::size_t nombre, bool deviner = false);
    // Whether every part starts outside quotes, after an even number of them: the rows counted
    // are then the rows.
    bool coupesHorsGuillemets() const;
    // Gives each part a slot per row, from rows counted fast; false when too many rows may
    // be empty for that.
    bool compterLignes();
    // Gives each part a slot per card, from its rows read; false when one was refused.
    bool compter();
    // Reads every part into the table; false when a part refused something.
    bool lireParties(LectureCsv& r);
    void preparerTable(std::size_t fiches);
    LectureCsv refusMarque();

    Contexte c_;
    TableFiches& table_;
    std::size_t premiere_;
    std::size_t partiesVoulues_;
    bool marque_ = false;
    std::vector<Partie> parties_;
    std::vector<RefusCsv> refusEntete_;
    std::size_t nombreRefusEntete_ = 0;
    bool malPlacee_ = false;  // a part read other rows than were counted
};

void Lecture::decouper(std::size_t debut, std::size_t ligneAvant, std::size_t nombre, bool deviner) {
    parties_.clear();
    const std::size_t n = c_.s.size();
    if (debut >= n) return;
    nombre = std::max<std::size_t>(nombre, 1);
    // Even shares; whether each share starts inside quotes comes from the quotes before it,
    // each share's counted at once.
    std::vector<std::size_t> bornes(nombre + 1), guillemets(nombre);
    for (std::size_t k = 0; k <= nombre; ++k) bornes[k] = debut + (n - debut) / nombre * k;
    bornes[nombre] = n;
    if (!deviner) {
        enParallele(nombre - 1,
                    [&](std::size_t k) { guillemets[k] = compterGuillemets(c_.s, bornes[k], bornes[k + 1]); });
    }
    std::size_t guillemetsAvant = 0;
    for (std::size_t k = 0; k < nombre; ++k) {
        std::size_t fin = n;
        if (k + 1 < nombre) {
            guillemetsAvant += guillemets[k];
            const bool dedans =
                deviner ? dedansSelonLaSuite(c_.s, bornes[k + 1], c_.sep) : guillemetsAvant % 2 == 1;
            fin = debut >= bornes[k + 1] ? debut : debutDeLigne(c_.s, bornes[k + 1], dedans);
        }
        if (fin > debut) parties_.push_back({debut, fin, ligneAvant, 0});
        debut = fin;
    }
}

bool Lecture::compterLignes() {
    std::vector<LignesCsv> comptes(parties_.size());
    enParallele(parties_.size(),
                [&](std::size_t k) {
                    comptes[k] = compterLignesCsv(c_.s, parties_[k].debut, parties_[k].fin, c_.sep);
                });
    std::size_t lignes = parties_.empty() ? 0 : parties_.front().ligneAvant, places = 0, douteuses = 0;
    for (std::size_t k = 0; k < parties_.size(); ++k) {
        Partie& p = parties_[k];
        p.ligneAvant = lignes;
        p.fichesAvant = places;
        p.lignes = p.places = comptes[k].lignes;
        p.guillemets = comptes[k].guillemets;
        lignes += p.lignes;
        places += p.places;
        douteuses += comptes[k].douteuses;
    }
    // A slot is a card's worth of memory: rows that turn out empty are not worth many of them.
    return douteuses <= places / 64 + 64;
}

bool Lecture::coupesHorsGuillemets() const {
    std::size_t guillemets = 0;
    for (const Partie& p : parties_) {
        if (guillemets % 2 != 0) return false;
        guillemets += p.guillemets;
    }
    return true;
}

bool Lecture::compter() {
    enParallele(parties_.size(), [&](std::size_t k) {
        Partie& p = parties_[k];
        Lecteur l(c_, p.debut, p.fin, 0);
        l.compter();
        p.lignes = l.lignes();
        p.fiches = l.fiches();
        p.refusee = l.nombreRefus() > 0;
    });
    std::size_t lignes = parties_.empty() ? 0 : parties_.front().ligneAvant, fiches = 0;
    bool sain = true;
    for (Partie& p : parties_) {
        p.ligneAvant = lignes;
        p.fichesAvant = fiches;
        p.places = p.fiches;
        lignes += p.lignes;
        fiches += p.fiches;
        sain = sain && !p.refusee;
    }
    return sain;
}

void Lecture::preparerTable(std::size_t fiches) {
    // Slots a previous reading wrote go, so that every card starts from zero bytes.
    table_.redimensionner(premiere_);
    table_.redimensionner(premiere_ + fiches + 1);
}

bool Lecture::lireParties(LectureCsv& r) {
    const std::size_t total = parties_.empty() ? 0 : parties_.back().fichesAvant + parties_.back().places;
    preparerTable(total);
    r.sansNumero.assign(total, 0);
    r.lignes.assign(total, 0);
    std::vector<Sortie> sorties(parties_.size());
    std::vector<Lecteur> lecteurs;
    lecteurs.reserve(parties_.size());
    for (const Partie& p : parties_) lecteurs.emplace_back(c_, p.debut, p.fin, p.ligneAvant);
    enParallele(parties_.size(), [&](std::size_t k) {
        const Partie& p = parties_[k];
        Sortie& o = sorties[k];
        o.fiches = table_.data() + premiere_ + p.fichesAvant;
        o.places = p.places;
        o.sansNumero = r.sansNumero.data() + p.fichesAvant;
        o.lignes = r.lignes.data() + p.fichesAvant;
        lecteurs[k].lire(o);
    });
    r.refus = refusEntete_;
    r.nombreRefus = nombreRefusEntete_;
    malPlacee_ = false;
    std::vector<std::size_t> premieresImages(parties_.size()), decalages(parties_.size());
    std::size_t images = 0;
    // Each part's cards move down over the slots of the empty rows before them.
    std::size_t lues = 0;
    for (std::size_t k = 0; k < parties_.size(); ++k) {
        const Partie& p = parties_[k];
        Lecteur& l = lecteurs[k];
        for (RefusCsv& refus : l.refus()) {
            if (r.refus.size() < kRefusGardes) r.refus.push_back(std::move(refus));
        }
        r.nombreRefus += l.nombreRefus();
        if (l.lignes() != p.lignes) malPlacee_ = true;
        const std::size_t fiches = l.fiches();
        if (p.fichesAvant != lues && fiches > 0) {
            std::memmove(table_.data() + premiere_ + lues, table_.data() + premiere_ + p.fichesAvant,
                         fiches * sizeof(Fiche));
            std::memmove(r.sansNumero.data() + lues, r.sansNumero.data() + p.fichesAvant, fiches);
            std::memmove(r.lignes.data() + lues, r.lignes.data() + p.fichesAvant, fiches * sizeof(std::size_t));
        }
        premieresImages[k] = images;
        decalages[k] = lues;
        images += sorties[k].avecImage.size();
        lues += fiches;
    }
    // Half a million pictures or so are worth both cores.
    r.avecImage.resize(images);
    enParallele(parties_.size(), [&](std::size_t k) {
        ImageLue* vers = r.avecImage.data() + premieresImages[k];
        for (ImageLue image : sorties[k].avecImage) {
            image.fiche += decalages[k];
            *vers++ = image;
        }
    });
    if (lues < total) {
        table_.redimensionner(premiere_ + lues + 1);
        std::memset(static_cast<void*>(table_.data() + premiere_ + lues), 0, sizeof(Fiche));
        r.sansNumero.resize(lues);
        r.lignes.resize(lues);
    }
    r.lues = lues;
    return r.nombreRefus == 0 && !malPlacee_;
}

LectureCsv Lecture::refusMarque() {
    // A byte-order mark over bytes that are not UTF-8: nothing can be read safely.
    preparerTable(0);
    LectureCsv refus;
    refus.refus.push_back({1, "colonne 1", "le fichier commence comme de l'UTF-8 mais n'en est pas"});
    refus.nombreRefus = 1;
    return refus;
}

LectureCsv Lecture::lire() {
    LectureCsv r;
    const std::size_t n = c_.s.size();
    c_.sep = detecterSeparateur(c_.s);
    r.separateur = c_.sep;
    for (char c : {c_.sep, '\r', '\n', '"'}) c_.arret[static_cast<unsigned char>(c)] = true;

    // The bytes are taken for UTF-8 and checked on the way; see the top of this file.
    c_.utf8 = true;
    c_.verifier = true;

    Lecteur entete(c_, 0, n, 0);
    const bool aEntete = entete.lireEntete();
    if (aEntete || entete.fini()) {
        // A first row that is a card is read again with the others, refusals included.
        refusEntete_ = std::move(entete.refus());
        nombreRefusEntete_ = entete.nombreRefus();
    }
    const std::size_t debut = aEntete ? entete.position() : 0;
    const std::size_t ligneAvant = aEntete ? 1 : 0;
    if (entete.fini()) {
        // An unclosed quote in the first row: nothing after it can be read.
        preparerTable(0);
        r.refus = refusEntete_;
        r.nombreRefus = nombreRefusEntete_;
        r.utf8 = !c_.invalide.load();
        return r;
    }

    std::size_t nombre = partiesVoulues_;
    if (nombre == 0) {
        const std::size_t parties = coeurs() == 1 ? 1 : coeurs() * kPartiesParThread;
        nombre = std::clamp<std::size_t>((n - debut) / kOctetsParThreadMin, 1, parties);
    }
    decouper(debut, ligneAvant, nombre, true);
    bool comptees = compterLignes();
    if (!coupesHorsGuillemets()) {  // a cut guessed wrong
        decouper(debut, ligneAvant, nombre);
        comptees = compterLignes();
    }
    if (!comptees && !compter() && parties_.size() > 1) {
        decouper(debut, ligneAvant, 1);
        compter();
    }

    bool lue = lireParties(r);
    if (c_.invalide.load()) {
        if (marque_) return refusMarque();
        c_.utf8 = false;
        c_.verifier = false;
        lue = lireParties(r);
    }
    // Rows refused: a reading that checked UTF-8 on the way may have stopped before a byte
    // that decides the encoding, and later parts may have started at a wrong row; so the
    // table is read again on one thread, which names the rows in order, with the encoding
    // decided from the whole table.
    if (!lue && (parties_.size() > 1 || c_.verifier || malPlacee_)) {
        const bool valide = utf8Valide(c_.s);
        if (marque_ && !valide) return refusMarque();
        c_.utf8 = valide;
        c_.verifier = false;
        decouper(debut, ligneAvant, 1);
        compter();
        lireParties(r);
    }
    r.utf8 = c_.utf8;
    return r;
}

}  // namespace

LectureCsv lireTableauCsv(std::string_view octets, TableFiches& table, std::size_t premiere, std::size_t parties,
                          bool directe, const FiltreImages* images) {
    Lecture l(octets, table, premiere, parties, directe, images);
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
