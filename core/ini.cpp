#include "core/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/services.h"
#include "core/textes.h"

namespace {

constexpr std::string_view kMarqueOrdre = "\xEF\xBB\xBF";

bool blanc(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view rogner(std::string_view t) {
    while (!t.empty() && blanc(t.front())) t.remove_prefix(1);
    while (!t.empty() && blanc(t.back())) t.remove_suffix(1);
    return t;
}

char minuscule(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool memeNom(std::string_view a, std::string_view b) {
    a = rogner(a);
    b = rogner(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (minuscule(a[i]) != minuscule(b[i])) return false;
    }
    return true;
}

// One line of the text, as offsets into it. The text of a line excludes its ending ("\n" or
// "\r\n"); the last line may have no ending.
struct Ligne {
    std::size_t debut;
    std::size_t finTexte;
    std::size_t fin;
};

std::vector<Ligne> decouper(const std::string& c) {
    std::vector<Ligne> lignes;
    std::size_t debut = c.compare(0, kMarqueOrdre.size(), kMarqueOrdre) == 0 ? kMarqueOrdre.size() : 0;
    while (debut < c.size()) {
        std::size_t nl = c.find('\n', debut);
        if (nl == std::string::npos) {
            lignes.push_back({debut, c.size(), c.size()});
            break;
        }
        std::size_t finTexte = nl > debut && c[nl - 1] == '\r' ? nl - 1 : nl;
        lignes.push_back({debut, finTexte, nl + 1});
        debut = nl + 1;
    }
    return lignes;
}

enum class Genre { Vide, Commentaire, Section, Cle, Autre };

struct Analyse {
    Genre genre = Genre::Vide;
    std::string_view nom;
    // For a key: the value's bounds, as offsets into the whole text.
    std::size_t debutValeur = 0;
    std::size_t finValeur = 0;
};

Analyse analyser(const std::string& c, const Ligne& l) {
    std::string_view texte(c.data() + l.debut, l.finTexte - l.debut);
    std::size_t i = 0;
    while (i < texte.size() && blanc(texte[i])) ++i;
    Analyse a;
    if (i == texte.size()) return a;
    if (texte[i] == ';' || texte[i] == '#') {
        a.genre = Genre::Commentaire;
        return a;
    }
    if (texte[i] == '[') {
        std::size_t fermante = texte.rfind(']');
        if (fermante != std::string_view::npos && fermante > i) {
            a.genre = Genre::Section;
            a.nom = rogner(texte.substr(i + 1, fermante - i - 1));
            return a;
        }
    }
    std::size_t egal = texte.find('=');
    if (egal == std::string_view::npos) {
        a.genre = Genre::Autre;
        return a;
    }
    a.genre = Genre::Cle;
    a.nom = rogner(texte.substr(0, egal));
    std::size_t d = egal + 1;
    std::size_t f = texte.size();
    while (d < f && blanc(texte[d])) ++d;
    while (f > d && blanc(texte[f - 1])) --f;
    a.debutValeur = l.debut + d;
    a.finValeur = l.debut + f;
    return a;
}

// Where a key stands in a text, or where it would go.
struct Emplacement {
    std::optional<std::size_t> section;    // index of the header line
    std::optional<std::size_t> cle;        // index of the key's line
    Analyse analyseCle;
    std::size_t derniereUtile = 0;         // last line of the section neither blank nor comment
};

Emplacement localiser(const std::string& c, const std::vector<Ligne>& lignes,
                      const std::string& section, const std::string& cle) {
    Emplacement e;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        Analyse a = analyser(c, lignes[i]);
        if (!e.section) {
            if (a.genre == Genre::Section && memeNom(a.nom, section)) {
                e.section = i;
                e.derniereUtile = i;
            }
            continue;
        }
        if (a.genre == Genre::Section) break;  // the section ends at the next header
        if (a.genre == Genre::Vide || a.genre == Genre::Commentaire) continue;
        e.derniereUtile = i;
        if (a.genre == Genre::Cle && memeNom(a.nom, cle)) {
            e.cle = i;
            e.analyseCle = a;
            break;
        }
    }
    return e;
}

std::string finDeLigne(const std::string& c) {
    std::size_t nl = c.find('\n');
    return nl != std::string::npos && nl > 0 && c[nl - 1] == '\r' ? "\r\n" : "\n";
}

bool tientSurUneLigne(std::string_view t) {
    return t.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

void verifier(const std::string& section, const std::string& cle, const std::string& valeur) {
    std::string_view s = rogner(section);
    std::string_view k = rogner(cle);
    if (s.empty() || !tientSurUneLigne(section) || s.find(']') != std::string_view::npos) {
        throw std::invalid_argument("invalid INI section name");
    }
    if (k.empty() || !tientSurUneLigne(cle) || k.find('=') != std::string_view::npos ||
        k.front() == '[' || k.front() == ';' || k.front() == '#') {
        throw std::invalid_argument("invalid INI key name");
    }
    if (!tientSurUneLigne(valeur)) throw std::invalid_argument("INI value spans lines");
}

enum class Lecture { Lu, Absent, Echec };

Lecture lireFichier(const std::string& chemin, std::string& contenu) {
    // Non-blocking, so that a fifo standing where the file should be cannot hang the reader.
    int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? Lecture::Absent : Lecture::Echec;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Lecture::Echec;
    }
    contenu.clear();
    char tampon[8192];
    for (;;) {
        ssize_t n = read(fd, tampon, sizeof tampon);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return Lecture::Echec;
        }
        if (n == 0) break;
        contenu.append(tampon, static_cast<std::size_t>(n));
    }
    close(fd);
    return Lecture::Lu;
}

}  // namespace

std::string valeurCle(const std::string& contenu, const std::string& section,
                      const std::string& cle, const std::string& defaut) {
    const std::vector<Ligne> lignes = decouper(contenu);
    Emplacement e = localiser(contenu, lignes, section, cle);
    if (!e.cle) return defaut;
    return contenu.substr(e.analyseCle.debutValeur, e.analyseCle.finValeur - e.analyseCle.debutValeur);
}

std::string remplacerCle(const std::string& contenu, const std::string& section,
                         const std::string& cle, const std::string& valeur) {
    verifier(section, cle, valeur);
    const std::vector<Ligne> lignes = decouper(contenu);
    const Emplacement e = localiser(contenu, lignes, section, cle);
    const std::string fin = finDeLigne(contenu);

    if (e.cle) {
        // The blanks after '=' stay when they led to a value; an empty value had nothing to
        // lead to, and its trailing blanks go with it.
        const Analyse& a = e.analyseCle;
        std::size_t debut = a.debutValeur;
        if (a.debutValeur == a.finValeur) debut = contenu.find('=', lignes[*e.cle].debut) + 1;
        return contenu.substr(0, debut) + valeur + contenu.substr(a.finValeur);
    }

    const std::string ligneCle = cle + "=" + valeur;
    if (e.section) {
        const Ligne& l = lignes[e.derniereUtile];
        if (l.fin == l.finTexte) {
            // The file's last line, without ending: the new line becomes the last one and,
            // like the line it follows, ends without a newline.
            return contenu + fin + ligneCle;
        }
        return contenu.substr(0, l.fin) + ligneCle + fin + contenu.substr(l.fin);
    }

    const bool finaleManquante = !contenu.empty() && contenu.back() != '\n';
    std::string resultat = contenu;
    if (finaleManquante) resultat += fin;
    resultat += "[" + section + "]" + fin + ligneCle;
    if (!finaleManquante) resultat += fin;
    return resultat;
}

std::string lireCleIni(const std::string& chemin, const std::string& section,
                       const std::string& cle, const std::string& defaut) {
    std::string contenu;
    if (lireFichier(chemin, contenu) != Lecture::Lu) return defaut;
    return valeurCle(contenu, section, cle, defaut);
}

void ecrireCleIni(const std::string& chemin, const std::string& section, const std::string& cle,
                  const std::string& valeur, const AppelsSysteme& appels) {
    const std::string erreur = avecChemin(textes::kEcritureImpossible, chemin);
    std::string contenu;
    const Lecture lecture = lireFichier(chemin, contenu);
    // A file that exists but cannot be read must not be replaced by one holding only the key.
    if (lecture == Lecture::Echec) throw Erreur(erreur);
    std::string nouveau;
    try {
        nouveau = remplacerCle(contenu, section, cle, valeur);
    } catch (const std::invalid_argument&) {
        throw Erreur(erreur);
    }
    if (lecture == Lecture::Lu && nouveau == contenu) return;
    const Morceau morceau{nouveau.data(), nouveau.size()};
    if (!ecrireFichierSur(chemin, std::span<const Morceau>(&morceau, 1), appels).ok()) {
        throw Erreur(erreur);
    }
}
