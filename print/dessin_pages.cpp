#include "print/dessin_pages.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRectF>

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/services.h"
#include "core/texte_nombre.h"
#include "platform/images.h"

namespace {

// Positions in the printer's device units, whatever its resolution.
constexpr int kPasLigne = 150;         // distance between two text lines
constexpr int kLignesParFiche = 8;     // a card's lines; the next card starts this much lower
constexpr int kLignesEntete = 2;       // lines the heading takes above the first card
constexpr int kXEntete = 150, kYEntete = 150;
constexpr int kXNumero = 1250, kXTitre = 1450, kXDescription = 1250;
constexpr int kYPremiereLigne = 120;   // y of line 0
constexpr int kDecalageDescription = 120;  // row 0 sits this much below the card's line
constexpr int kGaucheImage = 200, kCoteImage = 1000;
constexpr int kMargePied = 90;         // the footer's top lies this far above the page's foot
constexpr int kCaracteresParRangee = 70;
constexpr int kRangeesMax = 8;

QString depuisFiche(std::string_view cp1252) {
    return QString::fromStdString(cp1252VersUtf8(cp1252));
}

// Texts are placed by the top of their line, as the layout gives them, not by the baseline
// Qt draws from.
class Page {
public:
    explicit Page(QPainter& p) : peintre_(p), ascendante_(p.fontMetrics().ascent()) {}
    void texte(int x, int y, const QString& s) { peintre_.drawText(x, y + ascendante_, s); }

private:
    QPainter& peintre_;
    int ascendante_;
};

int yLigne(int ligne) { return kPasLigne * ligne + kYPremiereLigne; }

void imprimerImage(QPainter& peintre, const std::string& chemin, int haut) {
    if (chemin.empty() || !fichierExiste(chemin)) return;
    QImage image;
    try {
        // Decoded at the printed size only: a photograph at full resolution would cost far
        // more memory and time than the 1000-unit square needs.
        image = chargerImage(chemin, QSize(kCoteImage, kCoteImage));
    } catch (const Erreur&) {
        // A damaged picture must not cost the user the rest of the document: its rectangle
        // stays empty.
        return;
    }
    peintre.drawImage(QRectF(kGaucheImage, haut, kCoteImage, kCoteImage), image);
}

void imprimerFiche(QPainter& peintre, Page& page, const Fiche& fiche, int ligne,
                   const std::string& cheminBase) {
    const int y = yLigne(ligne);
    page.texte(kXNumero, y, QString::fromStdString(enDecimal(fiche.numero)));
    page.texte(kXTitre, y, depuisFiche(texteChamp(fiche.titre)));
    imprimerImage(peintre, cheminImageImprimee(cheminBase, texteChamp(fiche.image)), y);
    const std::vector<std::string> rangees = lignesDescription(texteChamp(fiche.description));
    for (std::size_t r = 0; r < rangees.size(); ++r) {
        page.texte(kXDescription, y + kDecalageDescription + kPasLigne * static_cast<int>(r),
                   depuisFiche(rangees[r]));
    }
}

// Drops the document if the printing stops on an exception, so that no half document is left
// queued.
struct Abandon {
    Imprimante& imprimante;
    bool actif = true;
    ~Abandon() {
        if (actif) imprimante.abandonner();
    }
};

}  // namespace

std::string cheminImageImprimee(const std::string& cheminBase, std::string_view image) {
    if (!aUneImage(image)) return {};
    // The picture directory is the base path with "rep" in place of its last three
    // characters ("x.dat" -> "x.rep").
    std::string repertoire =
        cheminBase.size() >= 3 ? cheminBase.substr(0, cheminBase.size() - 3) : std::string();
    repertoire += "rep";
    return cheminImage(repertoire, image).value_or(std::string());
}

std::vector<std::string> lignesDescription(std::string_view description) {
    std::string texte(description);
    for (char& c : texte) {
        const auto octet = static_cast<unsigned char>(c);
        if (octet >= 1 && octet <= 31) c = ' ';
    }
    std::vector<std::string> rangees;
    for (std::size_t debut = 0; debut < texte.size() && rangees.size() < kRangeesMax;
         debut += kCaracteresParRangee) {
        rangees.push_back(texte.substr(debut, kCaracteresParRangee));
    }
    return rangees;
}

ResultatImpression dessinerFiches(Imprimante& imprimante, VueFiches table, int dernier,
                                  const QString& entete, const std::string& cheminBase,
                                  const SuiviPages& suivi) {
    const Tirage tirage{table, dernier, entete};
    return dessinerTirages(imprimante, std::span<const Tirage>(&tirage, 1), cheminBase, suivi);
}

ResultatImpression dessinerTirages(Imprimante& imprimante, std::span<const Tirage> tirages,
                                   const std::string& cheminBase, const SuiviPages& suivi) {
    QString raison;
    const QString& premier = tirages.empty() ? QString() : tirages.front().entete;
    const QString titre = premier.isEmpty() ? QStringLiteral("brevandoux") : premier;
    if (!imprimante.commencer(titre, raison)) {
        return {ResultatImpression::Echouee, raison};
    }
    Abandon abandon{imprimante};

    QPainter& peintre = imprimante.surface();
    const int largeur = imprimante.largeur();
    const int hauteur = imprimante.hauteur();
    QFont police(QStringLiteral("Arial"));
    police.setPointSize(10);
    peintre.setFont(police);
    Page page(peintre);
    const int hauteurTexte = peintre.fontMetrics().height();

    // A card takes its eight lines, its picture and its description rows; it goes on a new
    // page when the lowest of them would reach the footer, so that no card is ever split.
    const int yPied = hauteur - kMargePied;
    auto basFiche = [&](int ligne) {
        const int basDescription = yLigne(ligne) + kDecalageDescription +
                                   kPasLigne * (kRangeesMax - 1) + hauteurTexte;
        const int basLignes = yLigne(ligne + kLignesParFiche);
        return std::max(basDescription, basLignes);
    };
    auto piedDePage = [&] {
        page.texte(largeur / 2, yPied, QStringLiteral("page %1").arg(imprimante.numeroPage()));
    };

    int nombre = 0;
    for (const Tirage& t : tirages) nombre += t.dernier + 1;
    int faites = 0;
    if (suivi && !suivi(0, nombre)) return {ResultatImpression::Annulee, {}};
    for (std::size_t t = 0; t < tirages.size(); ++t) {
        // Each printout after the first starts a page of its own, as it would on its own.
        if (t > 0) {
            piedDePage();
            imprimante.nouvellePage();
        }
        const Tirage& tirage = tirages[t];
        int ligne = 0;
        bool pageOccupee = false;
        if (!tirage.entete.isEmpty()) {
            page.texte(kXEntete, kYEntete, tirage.entete);
            ligne = kLignesEntete;
            pageOccupee = true;
        }
        for (int k = 0; k <= tirage.dernier; ++k) {
            // On a page too short for any card, each card still gets a page of its own.
            if (pageOccupee && basFiche(ligne) > yPied) {
                piedDePage();
                imprimante.nouvellePage();
                ligne = 0;
            }
            imprimerFiche(peintre, page, tirage.table[k], ligne, cheminBase);
            ligne += kLignesParFiche;
            pageOccupee = true;
            if (suivi && !suivi(++faites, nombre)) return {ResultatImpression::Annulee, {}};
        }
    }
    piedDePage();

    abandon.actif = false;
    if (!imprimante.terminer(raison)) {
        return {ResultatImpression::Echouee, raison};
    }
    return {ResultatImpression::Imprimee, {}};
}
