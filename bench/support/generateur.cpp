#include "bench/support/generateur.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/cp1252.h"

namespace generateur {
namespace {

// Word lists are written in UTF-8 here for legibility and turned into Windows-1252 bytes
// once, so the cards carry the single-byte accents (0xE9 for é, 0x9C for œ, 0x80 for €...).
using Liste = std::vector<std::string>;

Liste enCp1252(std::initializer_list<std::string_view> mots) {
    Liste l;
    l.reserve(mots.size());
    for (std::string_view m : mots) l.push_back(utf8VersCp1252(m));
    return l;
}

struct Vocabulaire {
    Liste monuments = enCp1252({"Château", "Abbaye", "Église Saint-Étienne", "Cathédrale",
                                "Pont", "Moulin", "Forêt", "Musée", "Prieuré", "Marché",
                                "Halle", "Fontaine", "Phare", "Citadelle", "Basilique",
                                "Hôtel-Dieu", "Manoir", "Chapelle Notre-Dame"});
    Liste villes = enCp1252({"Chambord", "Vézelay", "Fontevraud", "Chenonceau", "Amboise",
                             "Besançon", "Nîmes", "Sète", "Orléans", "Évreux", "Angoulême",
                             "Béziers", "Montbéliard", "Pézenas", "Cluny", "Carcassonne",
                             "Saint-Émilion", "Rocamadour", "Bourges", "Quimper", "Gérardmer",
                             "Aigues-Mortes", "Compiègne", "Sées"});
    Liste recettes = enCp1252({"de la ratatouille", "du bœuf bourguignon", "des crêpes Suzette",
                               "de la tarte Tatin", "du gratin dauphinois", "de la crème brûlée",
                               "du coq au vin", "de la bouillabaisse", "des galettes bretonnes",
                               "du clafoutis aux cerises", "de la blanquette de veau",
                               "du pot-au-feu", "des œufs en meurette", "de la quiche lorraine",
                               "du far breton", "de la soupe à l’oignon", "des îles flottantes",
                               "du cassoulet de Castelnaudary", "de la pâte à choux"});
    Liste prenoms = enCp1252({"Hélène", "François", "Cécile", "Jérôme", "Agnès", "Noël",
                              "Loïc", "Benoît", "Léa", "Aurélie", "René", "Gaëlle", "Michèle",
                              "Frédéric", "Zoé", "Joël", "Françoise", "Anaïs", "Jean",
                              "Marie", "Pierre", "Élodie"});
    Liste noms = enCp1252({"Lefèvre", "Dupré", "Bérard", "Mérieux", "Lemaître", "Châtelain",
                           "Girardot", "Brûlé", "Côté", "Ménard", "Leclerc", "Thévenin",
                           "Duchêne", "Martin", "Bernard", "Moreau", "Lévêque", "Gaudé"});
    Liste objets = enCp1252({"Commode Louis XV", "Horloge comtoise", "Buffet provençal",
                             "Vase de Gallé", "Pendule en bronze doré", "Fauteuil crapaud",
                             "Secrétaire à abattant", "Bahut breton", "Lampe Art déco",
                             "Service en faïence de Gien", "Miroir vénitien",
                             "Coffre en chêne", "Timbre « Cérès » 1849", "Pièce de 5 francs Semeuse"});
    Liste livres = enCp1252({"Les Misérables", "Le Rouge et le Noir", "Madame Bovary",
                             "À la recherche du temps perdu", "L’Étranger", "Le Père Goriot",
                             "Les Fleurs du mal", "Notre-Dame de Paris", "Germinal",
                             "Le Comte de Monte-Cristo", "Bel-Ami", "La Peste", "Candide"});
    Liste sujets = enCp1252({"l’élevage des abeilles", "la taille des rosiers",
                             "les cèpes et girolles", "le greffage des pommiers",
                             "la généalogie des Lefèvre", "les impôts de l’année",
                             "l’entretien de la chaudière", "les vacances à Sète",
                             "la réunion du comité des fêtes", "le déménagement"});
    Liste mois = enCp1252({"janvier", "février", "mars", "avril", "mai", "juin", "juillet",
                           "août", "septembre", "octobre", "novembre", "décembre"});
    Liste etats = enCp1252({"très bon", "correct", "à restaurer", "médiocre", "excellent",
                            "quelques éclats", "rayé au dos", "comme neuf"});
    Liste ingredients = enCp1252({"tomates", "courgettes", "aubergines", "poivrons", "ail",
                                  "oignons", "crème fraîche", "beurre demi-sel", "œufs",
                                  "farine", "sucre de canne", "thym", "laurier", "échalotes",
                                  "vin rouge de Bourgogne", "lardons fumés", "gruyère râpé"});
    Liste rues = enCp1252({"de la République", "Victor-Hugo", "des Écoles", "du Château",
                           "Jean-Jaurès", "de l’Église", "des Prés", "Pasteur",
                           "du Général-de-Gaulle", "des Tanneurs"});
    Liste remarques = enCp1252({"À revoir l’été prochain.", "Prêté à mon beau-frère.",
                                "Ne pas oublier de rappeler le notaire.",
                                "Très agréable, mais bondé le dimanche.",
                                "Acheté à la brocante de Pâques.",
                                "Garantie jusqu’en décembre.", "Réservation conseillée.",
                                "Fermé le lundi ; entrée gratuite le premier dimanche.",
                                "Cf. la lettre du notaire, classeur bleu.",
                                "Goût un peu fort : réduire le sel."});
    Liste images = enCp1252({"chateau", "recette", "eglise", "vacances", "famille", "meuble",
                             "scan", "été", "noël", "carte_postale"});
};

const Vocabulaire& vocabulaire() {
    static const Vocabulaire v;
    return v;
}

const std::string& choisir(Alea& a, const Liste& l) {
    return l[a.sous(static_cast<uint32_t>(l.size()))];
}

std::string nombre(uint64_t v) { return std::to_string(v); }

// Independent streams for the parts of a card, so that a card's title can be redrawn from
// another card's index (a repeated title) without disturbing anything else.
uint64_t melange(uint64_t graine, uint64_t flux, uint64_t index) {
    Alea a(graine ^ (flux * 0xD1B54A32D192ED03ull));
    a.suivant();
    Alea b(a.suivant() + index * 0x9E3779B97F4A7C15ull);
    return b.suivant();
}
enum Flux : uint64_t { kCarte = 1, kTitre = 2 };

std::string titre(Alea& a) {
    const Vocabulaire& v = vocabulaire();
    std::string t;
    switch (a.sous(9)) {
        case 0:
        case 1: t = choisir(a, v.monuments) + " de " + choisir(a, v.villes); break;
        case 2:
        case 3: t = "Recette " + choisir(a, v.recettes); break;
        case 4: t = choisir(a, v.prenoms) + " " + choisir(a, v.noms); break;
        case 5:
            t = "Lettre de " + choisir(a, v.prenoms) + utf8VersCp1252(" à ") +
                choisir(a, v.prenoms);
            break;
        case 6: t = choisir(a, v.objets); break;
        case 7: t = utf8VersCp1252("Livre : « ") + choisir(a, v.livres) + utf8VersCp1252(" »"); break;
        default: t = "Notes sur " + choisir(a, v.sujets); break;
    }
    switch (a.sous(12)) {
        case 0: t += " (" + nombre(1900 + a.sous(126)) + ")"; break;
        case 1: t += utf8VersCp1252(" n° ") + nombre(1 + a.sous(500)); break;
        case 2: t += utf8VersCp1252(" — ") + choisir(a, v.villes); break;
        default: break;
    }
    // A few people typed far more than the box shows: up to the field's 255 characters.
    if (a.chance(10)) {
        while (t.size() < 255) t += ", " + choisir(a, v.villes);
    }
    if (t.size() > 255) t.resize(255);
    return t;
}

std::string ligne(Alea& a) {
    const Vocabulaire& v = vocabulaire();
    switch (a.sous(10)) {
        case 0:
            return utf8VersCp1252("Visité le ") + nombre(1 + a.sous(28)) + " " +
                   choisir(a, v.mois) + " " + nombre(1960 + a.sous(66)) + " avec " +
                   choisir(a, v.prenoms) + ".";
        case 1:
            return utf8VersCp1252("Prix d’achat : ") + nombre(1 + a.sous(2000)) + "," +
                   nombre(10 + a.sous(90)) + utf8VersCp1252(" € (") +
                   nombre(10 + a.sous(9000)) + " F).";
        case 2: return utf8VersCp1252("État : ") + choisir(a, v.etats) + ".";
        case 3:
            return utf8VersCp1252("Référence ") + static_cast<char>('A' + a.sous(26)) +
                   static_cast<char>('A' + a.sous(26)) + "-" + nombre(a.sous(100000)) + ".";
        case 4: return utf8VersCp1252("Voir aussi la fiche n° ") + nombre(1 + a.sous(5000)) + ".";
        case 5:
            return utf8VersCp1252("Ingrédients : ") + choisir(a, v.ingredients) + ", " +
                   choisir(a, v.ingredients) + " et " + choisir(a, v.ingredients) + ".";
        case 6:
            return utf8VersCp1252("Cuisson : ") + nombre(5 + a.sous(180)) +
                   utf8VersCp1252(" minutes à thermostat ") + nombre(3 + a.sous(6)) + ".";
        case 7:
            return "Offert par " + choisir(a, v.prenoms) + " " + choisir(a, v.noms) +
                   utf8VersCp1252(" à Noël ") + nombre(1950 + a.sous(76)) + ".";
        case 8:
            return "Adresse : " + nombre(1 + a.sous(120)) + ", rue " + choisir(a, v.rues) +
                   ", " + choisir(a, v.villes) + ".";
        default: return choisir(a, v.remarques);
    }
}

// A description of exactly `longueur` bytes (0..511): lines joined by CR LF, sometimes an
// empty line between paragraphs, cut where the length runs out.
std::string description(Alea& a, std::size_t longueur) {
    std::string d;
    while (d.size() < longueur) {
        if (!d.empty()) d += a.chance(120) ? "\r\n\r\n" : "\r\n";
        d += ligne(a);
    }
    d.resize(longueur);
    // A memo never holds half a line break.
    if (!d.empty() && d.back() == '\r') d.back() = '.';
    return d;
}

std::size_t longueurDescription(Alea& a) {
    const uint32_t t = a.sous(100);
    if (t < 10) return 0;
    if (t < 15) return 511;  // a full field: typing stopped at the box's limit
    if (t < 65) return 1 + a.sous(200);
    return 1 + a.sous(511);
}

std::string image(Alea& a) {
    const Vocabulaire& v = vocabulaire();
    switch (a.sous(5)) {
        case 0:
        case 1: return "\\photo" + nombre(a.sous(1000)) + ".jpg";
        case 2: {
            char tampon[32];
            std::snprintf(tampon, sizeof tampon, "\\IMG_%04u.JPG", a.sous(10000));
            return tampon;
        }
        case 3: return "\\" + choisir(a, v.images) + nombre(a.sous(100)) + ".jpg";
        default: return "\\scan" + nombre(a.sous(300)) + ".bmp";
    }
}

// Non-zero bytes, as an uninitialised slot or an older record leaves behind.
void remplirOctets(Alea& a, char* p, std::size_t n) {
    while (n > 0) {
        uint64_t x = a.suivant();
        for (int k = 0; k < 8 && n > 0; ++k, --n, x >>= 8) {
            const unsigned char o = static_cast<unsigned char>(x);
            *p++ = static_cast<char>(o == 0 ? 0xA5 : o);
        }
    }
}

// What a field holds before its current text is written: nothing (a fresh card), an older
// text of the same kind followed by junk, or junk only.
template <std::size_t N>
void remplirRestes(Alea& a, char (&champ)[N], const std::string& ancien) {
    const uint32_t t = a.sous(10);
    if (t < 2) {
        std::memset(champ, 0, N);
        return;
    }
    remplirOctets(a, champ, N);
    if (t < 6) {
        const std::size_t n = ancien.size() < N - 1 ? ancien.size() : N - 1;
        std::memcpy(champ, ancien.data(), n);
        champ[n] = '\0';
    }
}

template <std::size_t N>
void poser(char (&champ)[N], const std::string& texte) {
    // The generators keep within N - 1 bytes; the zero always lands inside the field.
    const std::size_t n = texte.size() < N - 1 ? texte.size() : N - 1;
    std::memcpy(champ, texte.data(), n);
    champ[n] = '\0';
}

std::string titreDeCarte(uint64_t graine, uint64_t index) {
    Alea a(melange(graine, kTitre, index));
    return titre(a);
}

void genererFiche(Fiche& f, uint64_t graine, uint64_t index) {
    Alea a(melange(graine, kCarte, index));

    // Numbers mostly follow the order of entry, from 1; some repeat an earlier one, some are
    // negative (typed as large numbers, read back beyond 2^31).
    int32_t numero = static_cast<int32_t>(index + 1);
    const uint32_t t = a.sous(1000);
    if (t < 10 && index > 0) {
        numero = static_cast<int32_t>(1 + a.suivant() % index);
    } else if (t < 15) {
        numero = -static_cast<int32_t>(1 + a.sous(100000));
    }
    f.numero = numero;

    // Older contents first; the current texts are written over them.
    remplirRestes(a, f.titre, titreDeCarte(graine, a.suivant() % (index + 1000)));
    Alea ancienne(a.suivant());
    remplirRestes(a, f.description, description(ancienne, longueurDescription(ancienne)));
    remplirRestes(a, f.image, image(a));

    // About one card in twelve repeats the title of an earlier one; one in two hundred has
    // none.
    std::string t2;
    const uint32_t u = a.sous(1000);
    if (u < 80 && index > 0) {
        t2 = titreDeCarte(graine, a.suivant() % index);
    } else if (u >= 995) {
        t2.clear();
    } else {
        t2 = titreDeCarte(graine, index);
    }
    poser(f.titre, t2);
    poser(f.description, description(a, longueurDescription(a)));
    poser(f.image, a.chance(300) ? image(a) : std::string());
}

}  // namespace

void genererFiches(Fiche* dest, std::size_t n, uint64_t graine, std::size_t premier) {
    for (std::size_t i = 0; i < n; ++i) genererFiche(dest[i], graine, premier + i);
}

uint64_t empreinteFiches(const Fiche* fiches, std::size_t n, uint64_t etat) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(fiches);
    uint64_t h = etat;
    // Eight bytes at a time; 1028 = 128 * 8 + 4, so the cut between calls (always at a card
    // boundary) may fall inside a word: words are taken per card to stay independent of it.
    for (std::size_t c = 0; c < n; ++c) {
        const unsigned char* q = p + c * sizeof(Fiche);
        for (std::size_t k = 0; k + 8 <= sizeof(Fiche); k += 8) {
            uint64_t w;
            std::memcpy(&w, q + k, 8);
            h = (h ^ w) * 0x9E3779B97F4A7C15ull;
            h ^= h >> 29;
        }
        uint32_t fin;
        std::memcpy(&fin, q + sizeof(Fiche) - 4, 4);
        h = (h ^ fin ^ 0xC2B2AE3D27D4EB4Full) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 32;
    }
    return h;
}

namespace {
struct FermerFichier {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Fichier = std::unique_ptr<std::FILE, FermerFichier>;
const std::size_t kParLot = 4096;
}  // namespace

uint64_t ecrireBaseGeneree(const std::string& chemin, std::size_t n, uint64_t graine) {
    std::FILE* brut = std::fopen(chemin.c_str(), "wb");
    if (brut == nullptr) throw std::runtime_error("cannot create " + chemin);
    Fichier f(brut);
    std::vector<Fiche> lot(kParLot);
    uint64_t h = kEmpreinteInitiale;
    for (std::size_t fait = 0; fait < n;) {
        const std::size_t k = n - fait < kParLot ? n - fait : kParLot;
        genererFiches(lot.data(), k, graine, fait);
        h = empreinteFiches(lot.data(), k, h);
        if (std::fwrite(lot.data(), sizeof(Fiche), k, f.get()) != k) {
            throw std::runtime_error("cannot write " + chemin);
        }
        fait += k;
    }
    if (std::fclose(f.release()) != 0) throw std::runtime_error("cannot write " + chemin);
    return h;
}

uint64_t empreinteFichier(const std::string& chemin) {
    std::FILE* brut = std::fopen(chemin.c_str(), "rb");
    if (brut == nullptr) throw std::runtime_error("cannot open " + chemin);
    Fichier f(brut);
    std::vector<Fiche> lot(kParLot);
    uint64_t h = kEmpreinteInitiale;
    for (;;) {
        const std::size_t k = std::fread(lot.data(), sizeof(Fiche), kParLot, f.get());
        h = empreinteFiches(lot.data(), k, h);
        if (k < kParLot) break;
    }
    if (std::ferror(f.get())) throw std::runtime_error("cannot read " + chemin);
    return h;
}

}  // namespace generateur
