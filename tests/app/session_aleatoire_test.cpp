// A long session of random user commands against the window, each step checked against a
// plain model of the card table built from the documented rules, not from the program's code:
// a vector of cards, the literal exchange sort, a linear search with ASCII case folding, and
// base files read back with a reader of its own. Undo and redo are among the commands, checked
// against a history of whole copies: each state of the table keeps its model and the exact
// bytes the program held in it, and the saved state decides the modified flag.

#include <sys/stat.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "ui/liste_fiches.h"
#include "core/textes.h"
#include "tests/support/fenetre_commune.h"
#include "ui/memo.h"
#include "ui/updown.h"
#include "tests/support/table_copiee.h"

namespace {

struct Carte {
    uint64_t id;  // follows the card through sorts
    int32_t numero;
    std::string titre;        // Windows-1252 bytes up to the field's zero
    std::string description;  // Windows-1252 bytes, CR LF line breaks
};

// A typed text: what the window holds and the bytes the card will hold.
struct Texte {
    QString fenetre;
    std::string octets;
    void ajouter(const char* utf8, std::string_view cp1252) {
        fenetre += QString::fromUtf8(utf8);
        octets += cp1252;
    }
};

// Words that make searches find something, in several letter cases and with accents whose
// capitals the search must not fold.
const std::pair<const char*, const char*> kMots[] = {
    {"chat", "chat"},         {"CHAT", "CHAT"},       {"Chien", "Chien"},
    {"\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},                {"\xC3\x89T\xC3\x89", "\xC9T\xC9"},
    {"\xC3\xA9\x63ole", "\xE9\x63ole"},                 {"ECOLE", "ECOLE"},
    {"lynx", "lynx"},         {"Z\xC3\xA8\x62re", "Z\xE8\x62re"}, {"Z\xC3\x88\x42RE", "Z\xC8\x42RE"},
    {"caf\xC3\xA9s", "caf\xE9s"},  {"CAF\xC3\x89S", "CAF\xC9S"},
    {"abc", "abc"},           {"Abc", "Abc"},         {"ABC", "ABC"},
    {"42", "42"},             {"\xE2\x82\xAC", "\x80"}, {"\xC5\x93uvre", "\x9Cuvre"},
};

uint32_t lireChiffres(const std::string& texte) {
    uint32_t n = 0;
    for (char c : texte) {
        if (c < '0' || c > '9') break;
        n = n * 10u + static_cast<uint32_t>(c - '0');
    }
    return n;
}

// The number box read back as it shows a number: an optional minus, then the digits.
uint32_t lireNombre(const std::string& texte) {
    if (!texte.empty() && texte[0] == '-') return 0u - lireChiffres(texte.substr(1));
    return lireChiffres(texte);
}

std::string minuscules(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return s;
}

std::string sansCr(const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        r += s[i];
    }
    return r;
}

std::string lire(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string champ(const char* debut, std::size_t taille) {
    return std::string(debut, strnlen(debut, taille));
}

// Whole 1028-byte records of a base file.
std::vector<Carte> lireBase(const std::string& chemin, uint64_t& prochainId) {
    const std::string octets = lire(chemin);
    std::vector<Carte> cartes;
    for (std::size_t p = 0; p + 1028 <= octets.size(); p += 1028) {
        int32_t numero;
        std::memcpy(&numero, octets.data() + p, 4);
        cartes.push_back({prochainId++, numero, champ(octets.data() + p + 4, 256),
                          champ(octets.data() + p + 260, 512)});
    }
    return cartes;
}

// Whole 772-byte records of the sibling format; texts are cut to the fields of a card.
std::vector<Carte> lireAncien(const std::string& chemin, uint64_t& prochainId) {
    const std::string octets = lire(chemin);
    std::vector<Carte> cartes;
    for (std::size_t p = 0; p + 772 <= octets.size(); p += 772) {
        int32_t numero;
        std::memcpy(&numero, octets.data() + p, 4);
        cartes.push_back({prochainId++, numero, champ(octets.data() + p + 4, 256).substr(0, 255),
                          champ(octets.data() + p + 260, 512).substr(0, 511)});
    }
    return cartes;
}

// "la fiche 12 « titre »" as the menu names a card: the title in UTF-8, cut after 60
// characters with "…".
std::string ficheDecrite(const Carte& c) {
    std::string d = "la fiche ";
    d += std::to_string(c.numero);
    if (c.titre.empty()) return d;
    std::string t;
    int caracteres = 0;
    for (char b : c.titre) {
        if (caracteres++ == 60) {
            t += "…";
            break;
        }
        t += cp1252VersUtf8(std::string(1, b));
    }
    return d + " « " + t + " »";
}

std::string deFiches(std::size_t n) {
    if (n == 1) return "d'une fiche";
    std::string d = "de ";
    d += std::to_string(n);
    d += n == 0 ? " fiche" : " fiches";
    return d;
}

// A state of the table the history can come back to.
struct Etat {
    std::vector<Carte> table;
    int32_t courante;  // where an undo (for the state before) or a redo (after) leaves it
    uint64_t id;
};
struct EtapeRef {
    Etat avant;
    Etat apres;
    std::string description;
};

class SessionAleatoire : public FenetreTest {
protected:
    // The history as whole copies.
    std::vector<EtapeRef> faites;
    std::vector<EtapeRef> defaites;  // the last one undone at the back
    uint64_t etatId = 1;
    uint64_t prochainEtat = 2;
    std::optional<uint64_t> etatEnregistre = 1;  // the state the base file holds
    bool oubliees = false;
    std::map<uint64_t, std::string> octetsEtat;  // each state's bytes, as first seen
    int annulations = 0;
    int retablissements = 0;

    // The save prompt's own save of a bound base leaves the flag set until the next change of
    // the history.
    bool apresInvite = false;
    bool modifieRef() const { return apresInvite || etatEnregistre != etatId; }

    // The change just made to the model, from the table avant, is one step.
    void noterEtape(std::vector<Carte> avant, int32_t courantAnnule, int32_t courantRefait, std::string description) {
        EtapeRef e{{std::move(avant), courantAnnule, etatId}, {modele, courantRefait, prochainEtat++}, std::move(description)};
        etatId = e.apres.id;
        apresInvite = false;
        defaites.clear();
        faites.push_back(std::move(e));
        if (faites.size() > Historique::kEtapesMax) {
            faites.erase(faites.begin());
            oubliees = true;
        }
    }
    // Another table was loaded: no step, clean unless the base stays marked modified.
    void recommencer(bool modifiee) {
        apresInvite = false;
        faites.clear();
        defaites.clear();
        oubliees = false;
        etatId = prochainEtat++;
        etatEnregistre.reset();
        if (!modifiee) etatEnregistre = etatId;
    }
    void enregistre() {
        etatEnregistre = etatId;
        apresInvite = false;
    }

    std::string octetsTable() const {
        const MagasinFiches& s = fenetre->store();
        return octetsDe(s.fiches, static_cast<std::size_t>(s.derniere + 1));
    }

    static QString legende(const std::string& texte) {
        return QString::fromStdString(texte).replace(QLatin1Char('&'), QStringLiteral("&&"));
    }

    void annulerRetablir(bool annuler) {
        std::vector<EtapeRef>& depuis = annuler ? faites : defaites;
        std::vector<EtapeRef>& vers = annuler ? defaites : faites;
        QAction* action = annuler ? fenetre->annuler1() : fenetre->retablir1();
        ASSERT_EQ(action->isEnabled(), !depuis.empty());
        if (pile(50)) {
            action->trigger();
        } else {
            // The keys reach the item from the list, where the focus rests in browse mode.
            fenetre->medialist()->setFocus();
            QTest::keyClick(fenetre->medialist(), Qt::Key_Z,
                            annuler ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        }
        if (depuis.empty()) return;
        EtapeRef e = std::move(depuis.back());
        depuis.pop_back();
        const Etat& etat = annuler ? e.avant : e.apres;
        modele = etat.table;
        courante = etat.courante;
        etatId = etat.id;
        apresInvite = false;
        vers.push_back(std::move(e));
        ++(annuler ? annulations : retablissements);
        toutMontrer();
    }

    // What the undo and redo items say, and the flag, as the history of copies says.
    void verifierHistorique() {
        const QString annuler = faites.empty()
            ? QString::fromUtf8(oubliees ? Historique::kPlusRienAAnnuler : "annuler")
            : legende("annuler " + faites.back().description);
        const QString retablir = defaites.empty() ? QStringLiteral("rétablir")
                                                  : legende("rétablir " + defaites.back().description);
        ASSERT_EQ(fenetre->annuler1()->text(), annuler);
        ASSERT_EQ(fenetre->retablir1()->text(), retablir);
        ASSERT_EQ(fenetre->annuler1()->isEnabled(), !faites.empty());
        ASSERT_EQ(fenetre->retablir1()->isEnabled(), !defaites.empty());
        ASSERT_EQ(fenetre->store().modifiee, modifieRef());
        // A state come back to holds the very bytes it held.
        const auto [vu, nouveau] = octetsEtat.try_emplace(etatId, octetsTable());
        if (!nouveau) {
            ASSERT_TRUE(vu->second == octetsTable()) << "état " << etatId;
        }
    }

    std::mt19937 hasard{20240611u};
    std::vector<Carte> modele;
    int32_t courante = 0;
    uint64_t prochainId = 1;
    bool vide = false;  // the card area blanked by a search
    bool listeResultats = false;
    std::vector<Carte> resultats;
    std::string cibleInvite;  // the file the save prompt will write, if any

    static bool finitParDat(const std::string& c) {
        return c.size() >= 4 && c.compare(c.size() - 4, 4, ".dat") == 0;
    }

    int tirer(int n) { return std::uniform_int_distribution<int>(0, n - 1)(hasard); }
    bool pile(int pourcent) { return tirer(100) < pourcent; }

    std::string chemin(const char* nom) { return FenetreTest::chemin(nom); }
    bool existe(const std::string& c) {
        struct stat st;
        return stat(c.c_str(), &st) == 0;
    }

    Texte texteAleatoire(int mots, bool lignes) {
        Texte t;
        const int n = tirer(mots + 1);
        for (int i = 0; i < n; ++i) {
            if (i > 0) {
                if (lignes && pile(20)) {
                    t.fenetre += QLatin1Char('\n');
                    t.octets += "\r\n";
                } else {
                    t.ajouter(" ", " ");
                }
            }
            if (pile(15)) {
                // Any printable character the card format holds, outside the word list.
                for (int k = tirer(4) + 1; k > 0; --k) {
                    const int c = 0x21 + tirer(0x7E - 0x21 + 1);
                    const char b = static_cast<char>(c);
                    t.fenetre += QLatin1Char(b);
                    t.octets += b;
                }
            } else {
                const auto& mot = kMots[tirer(std::size(kMots))];
                t.ajouter(mot.first, mot.second);
            }
        }
        return t;
    }

    // The number text the user types, or the proposed one.
    std::string numeroTape(const std::string& propose) {
        switch (tirer(9)) {
            case 0: return std::to_string(tirer(12));
            case 1: return "4294967295";   // -1 once wrapped
            case 2: return "2147483647";   // the next free one wraps to negative numbers
            case 3: return "12abc";
            case 4: return "abc";
            case 5: return "99999999999";  // wraps modulo 2^32
            case 6: return "-" + std::to_string(tirer(12));
            default: return propose;
        }
    }

    int32_t numeroLibre(uint32_t depart) const {
        std::set<int32_t> pris;
        for (const Carte& c : modele) pris.insert(c.numero);
        uint32_t n = depart;
        while (pris.count(static_cast<int32_t>(n))) ++n;
        return static_cast<int32_t>(n);
    }

    QString ligne(const Carte& c) const {
        return QString::fromStdString(std::to_string(static_cast<uint32_t>(c.numero)) + " " +
                                      cp1252VersUtf8(c.titre));
    }

    // The exchange sort as the card file has always done it, on the model.
    template <class Avant>
    void triEchange(Avant avant, const char* description) {
        const std::vector<Carte> table = modele;
        const int32_t courantAvant = courante;
        const uint64_t suivie = modele.empty() ? 0 : modele[static_cast<std::size_t>(courante)].id;
        const std::size_t n = modele.size();
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j) {
                if (j < i && avant(modele[i], modele[j])) std::swap(modele[i], modele[j]);
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (modele[i].id == suivie) courante = static_cast<int32_t>(i);
        }
        noterEtape(table, courantAvant, courante, description);
    }

    void toutMontrer() {
        listeResultats = false;
        vide = false;
    }

    // The card table, the current card, the list and the card area, as the model says.
    void verifier() {
        const MagasinFiches& s = fenetre->store();
        ASSERT_EQ(s.derniere + 1, static_cast<int32_t>(modele.size()));
        for (std::size_t i = 0; i < modele.size(); ++i) {
            SCOPED_TRACE("fiche " + std::to_string(i));
            const Fiche& f = s.fiches[i];
            ASSERT_EQ(f.numero, modele[i].numero);
            ASSERT_EQ(std::string(texteChamp(f.titre)), modele[i].titre);
            ASSERT_EQ(std::string(texteChamp(f.description)), modele[i].description);
        }
        ASSERT_EQ(s.courante, modele.empty() ? 0 : courante);

        const std::vector<Carte>& montrees = listeResultats ? resultats : modele;
        ASSERT_EQ(fenetre->medialist()->nombreLignes(), static_cast<int>(montrees.size()));
        for (std::size_t i = 0; i < montrees.size(); ++i) {
            ASSERT_EQ(fenetre->medialist()->texteLigne(static_cast<int>(i)), ligne(montrees[i])) << i;
        }

        if (vide) {
            ASSERT_EQ(fenetre->titre()->text(), "");
            ASSERT_EQ(fenetre->description()->toPlainText(), "");
        } else {
            const Carte blanche{0, 0, "", ""};
            const Carte& c = modele.empty() ? blanche : modele[static_cast<std::size_t>(courante)];
            ASSERT_EQ(fenetre->numero()->text().toStdString(), std::to_string(c.numero));
            ASSERT_EQ(fenetre->titre()->text().toStdString(), cp1252VersUtf8(c.titre));
            ASSERT_EQ(fenetre->description()->toPlainText().toStdString(),
                      cp1252VersUtf8(sansCr(c.description)));
            ASSERT_EQ(fenetre->total()->text().toStdString(),
                      std::to_string(static_cast<int32_t>(modele.size()) - 1));
            ASSERT_EQ(fenetre->position()->text().toStdString(), std::to_string(courante));
        }
        ASSERT_TRUE(fenetre->valider()->isHidden()) << "la fenêtre est restée en édition";
        ASSERT_NO_FATAL_FAILURE(verifierHistorique());
        ASSERT_TRUE(plateforme.reponses.empty()) << "réponse préparée mais jamais demandée";
        ASSERT_TRUE(plateforme.fichiers.empty()) << "fichier préparé mais jamais demandé";
    }

    void verifierFichier(const std::string& c) {
        SCOPED_TRACE("fichier " + c);
        const std::string octets = lire(c);
        ASSERT_EQ(octets.size(), modele.size() * 1028);
        uint64_t ids = 0;
        const std::vector<Carte> relues = lireBase(c, ids);
        for (std::size_t i = 0; i < modele.size(); ++i) {
            ASSERT_EQ(relues[i].numero, modele[i].numero);
            ASSERT_EQ(relues[i].titre, modele[i].titre);
            ASSERT_EQ(relues[i].description, modele[i].description);
        }
        // The very bytes of the table in the state written.
        const auto vu = octetsEtat.try_emplace(etatId, octetsTable()).first;
        ASSERT_TRUE(octets == vu->second);
    }

    std::string baseAuHasard() {
        static const char* const noms[] = {"b1.dat", "b2.dat", "b3.dat"};
        return chemin(noms[tirer(3)]);
    }

    // Prepares the answers of the save-as flow; true when it will write the base.
    bool preparerSauverSous(std::string& cible) {
        if (pile(10)) {
            plateforme.fichiers.push_back(std::nullopt);
            return false;
        }
        cible = baseAuHasard();
        plateforme.fichiers.push_back(cible);
        if (existe(cible)) {
            const bool ecraser = !pile(10);
            plateforme.reponses.push_back(ecraser ? kOui : kNon);
            return ecraser;
        }
        return true;
    }

    // A written save-as: the file holds the table, which is read back, first card current.
    void apresSauverSous(const std::string& cible) {
        verifierFichier(cible);
        courante = 0;
        toutMontrer();
    }

    // Prepares the answer of the save prompt from the program's own flags (the subject here
    // is the card table, not the flags); false when the command is cancelled.
    bool preparerInvite(std::function<void()>& apres) {
        cibleInvite.clear();
        if (!fenetre->store().modifiee) return true;
        const int r = tirer(10);
        if (r == 0) {
            plateforme.reponses.push_back(kAnnuler);
            return false;
        }
        const MagasinFiches& s = fenetre->store();
        const bool lie = s.baseNommee != 0;
        // A bound base that is not a ".dat" (an imported file) is not saved over here: the
        // session would then import its own cards in the other format.
        if (r <= 2 && (!lie || finitParDat(s.cheminBase.str()))) {
            plateforme.reponses.push_back(kOui);
            if (lie) {
                enregistre();
                apresInvite = true;
                const std::string cible = s.cheminBase.str();
                // Checked after the command: the command must not write over it meanwhile.
                cibleInvite = cible;
                apres = [this, cible] { verifierFichier(cible); };
            } else {
                std::string cible;
                if (preparerSauverSous(cible)) {
                    enregistre();
                    cibleInvite = cible;
                    apres = [this, cible] { apresSauverSous(cible); };
                }
            }
            return true;
        }
        plateforme.reponses.push_back(kNon);
        return true;
    }

    void ajouter() {
        fenetre->nouvelle()->click();
        const std::string propose = fenetre->numero()->text().toStdString();
        ASSERT_EQ(propose, std::to_string(numeroLibre(0)));
        ASSERT_FALSE(fenetre->valider()->isHidden());
        const std::string tape = numeroTape(propose);
        const Texte titre = texteAleatoire(4, false);
        const Texte description = texteAleatoire(12, true);
        fenetre->numero()->setText(QString::fromStdString(tape));
        fenetre->titre()->setText(titre.fenetre);
        fenetre->description()->setPlainText(description.fenetre);
        if (pile(10)) {
            fenetre->annuler()->click();
            vide = false;
            return;
        }
        fenetre->valider()->click();
        const std::vector<Carte> avant = modele;
        modele.push_back({prochainId++, numeroLibre(lireNombre(tape)), titre.octets, description.octets});
        courante = static_cast<int32_t>(modele.size()) - 1;
        noterEtape(avant, std::max<int32_t>(0, static_cast<int32_t>(avant.size()) - 1), courante,
                   "l'ajout de " + ficheDecrite(modele.back()));
        toutMontrer();
    }

    void modifier() {
        const bool refusee = vide && !modele.empty();
        if (refusee) plateforme.reponses.push_back(kOk);
        fenetre->modif()->click();
        if (modele.empty() || refusee) {
            ASSERT_TRUE(fenetre->valider()->isHidden());
            if (refusee) {
                ASSERT_EQ(plateforme.boites.back().texte, textes::kPasDeFicheSelectionnee);
            }
            return;
        }
        ASSERT_FALSE(fenetre->valider()->isHidden());
        Carte& c = modele[static_cast<std::size_t>(courante)];
        std::string tape = std::to_string(c.numero);
        if (pile(50)) tape = numeroTape(tape);
        fenetre->numero()->setText(QString::fromStdString(tape));
        Texte titre{QString::fromStdString(cp1252VersUtf8(c.titre)), c.titre};
        Texte description{QString::fromStdString(cp1252VersUtf8(sansCr(c.description))), c.description};
        if (pile(70)) titre = texteAleatoire(4, false);
        if (pile(70)) description = texteAleatoire(12, true);
        fenetre->titre()->setText(titre.fenetre);
        fenetre->description()->setPlainText(description.fenetre);
        if (pile(10)) {
            fenetre->annuler()->click();
            return;
        }
        fenetre->valider()->click();
        const std::vector<Carte> avant = modele;
        c.numero = static_cast<int32_t>(lireNombre(tape));
        c.titre = titre.octets;
        c.description = description.octets;
        noterEtape(avant, courante, courante, "la modification de " + ficheDecrite(c));
        toutMontrer();
    }

    void supprimer() {
        if (modele.empty()) {
            fenetre->supprime()->click();
            return;
        }
        if (vide) {
            plateforme.reponses.push_back(kOk);
            fenetre->supprime()->click();
            ASSERT_EQ(plateforme.boites.back().texte, textes::kPasDeFicheSelectionnee);
            return;
        }
        const bool ok = pile(75);
        plateforme.reponses.push_back(ok ? kOk : kAnnuler);
        fenetre->supprime()->click();
        ASSERT_EQ(plateforme.boites.back(), (Boite{"question", "OkAnnuler", textes::kSupprimerFiche}));
        if (ok) {
            const std::vector<Carte> avant = modele;
            const int32_t index = courante;
            modele.erase(modele.begin() + courante);
            courante = std::min<int32_t>(courante, std::max<int32_t>(0, static_cast<int32_t>(modele.size()) - 1));
            noterEtape(avant, index, courante, "la suppression de " + ficheDecrite(avant[static_cast<std::size_t>(index)]));
        }
        toutMontrer();
    }

    void rechercher() {
        Texte motif;
        const int genre = tirer(10);
        if (genre == 0) {
            // Nothing typed: nothing found.
        } else if (genre <= 6 && !modele.empty()) {
            // A piece of a card's text, its unaccented letters in another case.
            const Carte& c = modele[static_cast<std::size_t>(tirer(static_cast<int>(modele.size())))];
            const std::string source = pile(50) ? c.titre : c.description;
            if (!source.empty()) {
                const std::size_t debut = static_cast<std::size_t>(tirer(static_cast<int>(source.size())));
                const std::size_t longueur = static_cast<std::size_t>(1 + tirer(6));
                for (char b : source.substr(debut, longueur)) {
                    // The one-line box holds no line break: stop at one.
                    if (b == '\r' || b == '\n') break;
                    if (b >= 'a' && b <= 'z' && pile(50)) b = static_cast<char>(b - 32);
                    motif.fenetre += QString::fromStdString(cp1252VersUtf8(std::string(1, b)));
                    motif.octets += b;
                }
            }
        } else {
            motif = texteAleatoire(1, false);
        }
        fenetre->expression()->setText(motif.fenetre);
        fenetre->goButton()->click();

        resultats.clear();
        const std::string m = minuscules(motif.octets);
        if (!m.empty()) {
            for (const Carte& c : modele) {
                if (minuscules(c.description).find(m) != std::string::npos ||
                    minuscules(c.titre).find(m) != std::string::npos) {
                    resultats.push_back(c);
                }
            }
        }
        listeResultats = true;
        vide = true;
    }

    void choisirLigne() {
        const int lignes = fenetre->medialist()->nombreLignes();
        if (lignes == 0) return;
        const int l = tirer(lignes);
        const int32_t numero = (listeResultats ? resultats : modele)[static_cast<std::size_t>(l)].numero;
        fenetre->medialist()->selectionner(l);
        emit fenetre->medialist()->clique(l);
        for (std::size_t i = 0; i < modele.size(); ++i) {
            if (modele[i].numero == numero) {
                courante = static_cast<int32_t>(i);
                vide = false;
                return;
            }
        }
    }

    void naviguer() {
        const int32_t fin = std::max<int32_t>(0, static_cast<int32_t>(modele.size()) - 1);
        switch (tirer(4)) {
            case 0:
                fenetre->debut()->click();
                courante = 0;
                break;
            case 1:
                fenetre->fin()->click();
                courante = fin;
                break;
            case 2:
                emit fenetre->UpDown()->clicked(true);
                if (courante < fin) ++courante;
                break;
            default:
                emit fenetre->UpDown()->clicked(false);
                if (courante > 0) --courante;
                break;
        }
        vide = false;
    }

    void sauver() {
        const MagasinFiches& s = fenetre->store();
        const std::string actuel = s.cheminBase.str();
        const bool dat = finitParDat(actuel);
        if (!actuel.empty() && !dat) {
            fenetre->enregister1()->trigger();
            return;
        }
        if (!actuel.empty() && s.baseNommee) {
            fenetre->enregister1()->trigger();
            enregistre();
            verifierFichier(actuel);
            return;
        }
        std::string cible;
        const bool ecrit = preparerSauverSous(cible);
        fenetre->enregister1()->trigger();
        if (ecrit) {
            enregistre();
            apresSauverSous(cible);
        }
    }

    void sauverSous() {
        std::string cible;
        const bool ecrit = preparerSauverSous(cible);
        if (pile(50)) {
            fenetre->enregistrersous1()->trigger();
        } else {
            fenetre->sauver()->click();
        }
        if (ecrit) {
            enregistre();
            apresSauverSous(cible);
        }
    }

    void ouvrir() {
        std::function<void()> apres;
        if (!preparerInvite(apres)) {
            fenetre->ouvrir()->click();
            return;
        }
        const int genre = tirer(10);
        std::optional<std::string> choisi;
        if (genre == 0) {
            choisi = std::nullopt;
        } else if (genre == 1) {
            choisi = chemin("absente.dat");
        } else {
            choisi = baseAuHasard();
        }
        plateforme.fichiers.push_back(choisi);
        if (pile(50)) {
            fenetre->ouvrir()->click();
        } else {
            fenetre->ouvrir1()->trigger();
        }
        if (apres) apres();
        if (choisi && existe(*choisi)) {
            modele = lireBase(*choisi, prochainId);
            courante = 0;
            recommencer(false);
            toutMontrer();
        }
    }

    void ajouterFichier() {
        const std::string choisi = pile(10) ? chemin("absente.dat") : baseAuHasard();
        plateforme.fichiers.push_back(choisi);
        fenetre->Ajouterdesfiches1()->trigger();
        if (!existe(choisi)) return;
        std::vector<Carte> ajout = lireBase(choisi, prochainId);
        const std::vector<Carte> avant = modele;
        for (Carte& c : ajout) {
            c.numero = static_cast<int32_t>(modele.size());
            modele.push_back(c);
        }
        const auto premiere = static_cast<int32_t>(avant.size());
        noterEtape(avant, std::max(premiere - 1, 0),
                   std::min(premiere, std::max(static_cast<int32_t>(modele.size()) - 1, 0)),
                   "l'ajout " + deFiches(ajout.size()));
        toutMontrer();
    }

    void importer() {
        std::function<void()> apres;
        if (!preparerInvite(apres)) {
            fenetre->convertircaldoverne1()->trigger();
            return;
        }
        const std::optional<std::string> choisi =
            pile(10) ? std::nullopt : std::optional(chemin(pile(50) ? "ancien1.cal" : "ancien2.cal"));
        plateforme.fichiers.push_back(choisi);
        fenetre->convertircaldoverne1()->trigger();
        if (apres) apres();
        if (choisi) {
            modele = lireAncien(*choisi, prochainId);
            courante = 0;
            recommencer(modifieRef());
            toutMontrer();
        }
    }

    void nouvelleBase() {
        std::function<void()> apres;
        const bool continuer = preparerInvite(apres);
        std::string cible;
        bool ecrit = false;
        if (continuer) {
            if (pile(20)) {
                plateforme.fichiers.push_back(std::nullopt);
            } else {
                // Not the file the prompt saves to, whose contents are checked afterwards.
                do {
                    cible = baseAuHasard();
                } while (cible == cibleInvite);
                plateforme.fichiers.push_back(cible);
                ecrit = true;
                if (existe(cible)) {
                    ecrit = !pile(10);
                    plateforme.reponses.push_back(ecrit ? kOui : kNon);
                }
            }
        }
        fenetre->newbase()->click();
        if (apres) apres();
        if (!continuer) return;
        modele = {{prochainId++, 0, "", ""}};
        courante = 0;
        recommencer(modifieRef());
        toutMontrer();
        if (ecrit) verifierFichier(cible);
    }

    // A sibling-format file of random cards: printable texts, some filling their field
    // without a terminating zero, and a partial record at the end.
    void ecrireAncien(const char* nom, int cartes) {
        std::string octets;
        for (int i = 0; i < cartes; ++i) {
            std::string r(772, '\0');
            const int32_t numero = static_cast<int32_t>(hasard()) % 50;
            std::memcpy(r.data(), &numero, 4);
            const std::size_t lt = pile(10) ? 256 : static_cast<std::size_t>(tirer(30));
            const std::size_t ld = pile(10) ? 512 : static_cast<std::size_t>(tirer(120));
            for (std::size_t k = 0; k < lt; ++k) r[4 + k] = static_cast<char>('A' + tirer(58));
            for (std::size_t k = 0; k < ld; ++k) r[260 + k] = static_cast<char>(' ' + tirer(95));
            octets += r;
        }
        octets += std::string(100, 'x');
        std::ofstream(chemin(nom), std::ios::binary).write(octets.data(), static_cast<std::streamsize>(octets.size()));
    }
};

TEST_F(SessionAleatoire, nineHundredRandomCommands_undoAndRedoIncluded_matchTheModelAfterEveryStep) {
    ecrireAncien("ancien1.cal", 25);
    ecrireAncien("ancien2.cal", 7);
    // The window starts with one blank card.
    modele = {{prochainId++, 0, "", ""}};
    fenetre->afficherFiche();
    fenetre->remplirListe();
    // Shown, so that the undo and redo keys reach their items.
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    ASSERT_NO_FATAL_FAILURE(verifier());

    std::map<std::string, int> comptes;
    std::size_t plusGrande = 0;
    constexpr int kEtapes = 900;
    for (int etape = 0; etape < kEtapes; ++etape) {
        // One command in four is an undo or a redo, so that the history is walked back over
        // several steps and forward again; a redo mostly when there is one.
        const int u = tirer(4);
        const int t = u != 0 ? tirer(100) : pile(defaites.empty() ? 80 : 45) ? 100 : 101;
        SCOPED_TRACE("étape " + std::to_string(etape) + ", tirage " + std::to_string(t));
        std::string nom;
        // Appending doubles the table at worst: it is kept for tables of modest size.
        if (t >= 100) {
            nom = t == 100 ? "annuler" : "rétablir";
            annulerRetablir(t == 100);
        } else if (t < 24) {
            nom = "ajouter";
            ajouter();
        } else if (t < 36) {
            nom = "modifier";
            modifier();
        } else if (t < 46) {
            nom = "supprimer";
            supprimer();
        } else if (t < 51) {
            nom = "tri alphabétique";
            fenetre->trialfa()->click();
            triEchange([](const Carte& a, const Carte& b) { return a.titre < b.titre; }, "le tri alphabétique");
            toutMontrer();
        } else if (t < 56) {
            nom = "tri référentiel";
            fenetre->triref()->click();
            triEchange([](const Carte& a, const Carte& b) { return a.numero < b.numero; }, "le tri numérique");
            toutMontrer();
        } else if (t < 66) {
            nom = "rechercher";
            rechercher();
        } else if (t < 76) {
            nom = "choisir une ligne";
            choisirLigne();
        } else if (t < 83) {
            nom = "naviguer";
            naviguer();
        } else if (t < 87) {
            nom = "sauver";
            sauver();
        } else if (t < 90) {
            nom = "sauver sous";
            sauverSous();
        } else if (t < 94) {
            nom = "ouvrir";
            ouvrir();
        } else if (t < 96 && modele.size() < 300) {
            nom = "ajouter des fiches";
            ajouterFichier();
        } else if (t < 99) {
            nom = "importer";
            importer();
        } else {
            nom = "nouvelle base";
            nouvelleBase();
        }
        ++comptes[nom];
        SCOPED_TRACE(nom);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_NO_FATAL_FAILURE(verifier());
        plateforme.oublier();
        plusGrande = std::max(plusGrande, modele.size());
    }
    // Every kind of command ran, most of them many times.
    std::ostringstream resume;
    for (const auto& [nom, n] : comptes) resume << nom << " " << n << "; ";
    RecordProperty("commandes", resume.str());
    EXPECT_EQ(comptes.size(), 16u) << resume.str();
    // Undo and redo actually walked the history, not only met an empty one.
    RecordProperty("annulations", annulations);
    RecordProperty("retablissements", retablissements);
    EXPECT_GT(annulations, 60) << resume.str();
    EXPECT_GT(retablissements, 20) << resume.str();
    EXPECT_GT(comptes["ajouter"], 100) << resume.str();
    // Sorts and searches worked on tables of some size.
    RecordProperty("plus_grande_table", static_cast<int>(plusGrande));
    EXPECT_GT(plusGrande, 30u);
    EXPECT_TRUE(plateforme.textes("erreur").empty());
}

}  // namespace
