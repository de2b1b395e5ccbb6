// The editing cycle: add, modify, choose a picture, validate, cancel, delete.

#include <QFile>
#include <QLineEdit>
#include <algorithm>
#include <string>
#include <vector>

#include "core/repertoire_images.h"
#include "core/chemin_image.h"
#include "core/etapes.h"
#include "core/cp1252.h"
#include "core/texte_nombre.h"
#include "core/textes.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/tform1.h"

namespace {
const char* const kPasDeFiche = textes::kPasDeFicheSelectionnee;
const char* const kImageTropLongue =
    "le chemin de l'image %s est trop long (plus de 255 caractères) : choisissez une image "
    "dont le chemin est plus court";
// Filled with: where the characters are, then the characters.
const char* const kUnNonStockable =
    "une base ne peut pas enregistrer ce caractère %s : %s. Remplacez-le ou retirez-le, puis "
    "validez de nouveau";
const char* const kNonStockables =
    "une base ne peut pas enregistrer ces caractères %s : %s. Remplacez-les ou retirez-les, "
    "puis validez de nouveau";
const char* const kDuTitre = "du titre";
const char* const kDeLaDescription = "de la description";
const char* const kDesDeux = "du titre et de la description";
// Filled with the length of the text.
const char* const kTitreTropLong =
    "le titre compte %s caractères, plus que les 255 qu'une fiche peut garder : "
    "raccourcissez-le, puis validez de nouveau";
const char* const kDescriptionTropLongue =
    "la description compte %s caractères (chaque saut de ligne en compte deux), plus que les "
    "511 qu'une fiche peut garder : raccourcissez-la, puis validez de nouveau";

constexpr std::size_t kTitreMax = sizeof(Fiche::titre) - 1;
constexpr std::size_t kDescriptionMax = sizeof(Fiche::description) - 1;

// The text of a box as code points; a lone surrogate stays as it is, so that it is named
// rather than turned into some other character.
std::u32string pointsDeCode(const QString& texte) {
    std::u32string r;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c.isHighSurrogate() && i + 1 < texte.size() && texte.at(i + 1).isLowSurrogate()) {
            r += static_cast<char32_t>(QChar::surrogateToUcs4(c, texte.at(i + 1)));
            ++i;
        } else {
            r += static_cast<char32_t>(c.unicode());
        }
    }
    return r;
}

// A character as the message names it: itself between guillemets, a combining mark on a
// dotted circle, and what would show as nothing by its code.
std::string nommer(char32_t c) {
    const auto u = static_cast<uint>(c);
    QString vu;
    switch (QChar::category(u)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        vu = QChar(0x25CC) + QString::fromUcs4(&c, 1);
        break;
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        vu = QStringLiteral("U+%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
        break;
    default:
        vu = QString::fromUcs4(&c, 1);
        break;
    }
    return "« " + vu.toStdString() + " »";
}

std::string remplir(const char* modele, const std::string& a, const std::string& b) {
    std::string r = avecChemin(modele, a);
    const std::size_t p = r.find("%s");
    if (p != std::string::npos) r.replace(p, 2, b);
    return r;
}
}  // namespace

std::string TForm1::refusDeSaisie() const {
    const QString texteTitre = titre()->text();
    const QString texteDescription = description()->texte();
    std::vector<std::string> refus;

    const std::vector<char32_t> dansTitre = caracteresNonStockables(pointsDeCode(texteTitre));
    const std::vector<char32_t> dansDescription =
        caracteresNonStockables(pointsDeCode(texteDescription));
    std::vector<char32_t> tous = dansTitre;
    for (const char32_t c : dansDescription) {
        if (std::find(tous.begin(), tous.end(), c) == tous.end()) tous.push_back(c);
    }
    if (!tous.empty()) {
        std::string noms;
        for (const char32_t c : tous) noms += (noms.empty() ? "" : ", ") + nommer(c);
        const std::string ou = dansDescription.empty() ? kDuTitre
                               : dansTitre.empty()     ? kDeLaDescription
                                                       : kDesDeux;
        refus.push_back(remplir(tous.size() == 1 ? kUnNonStockable : kNonStockables, ou, noms));
    }

    const std::size_t octetsTitre = utf8VersCp1252(texteTitre.toStdString()).size();
    if (octetsTitre > kTitreMax) {
        refus.push_back(avecChemin(kTitreTropLong, std::to_string(octetsTitre)));
    }
    const std::size_t octetsDescription = octetsEnFiche(texteDescription.toStdString());
    if (octetsDescription > kDescriptionMax) {
        refus.push_back(avecChemin(kDescriptionTropLongue, std::to_string(octetsDescription)));
    }

    std::string message;
    for (const std::string& r : refus) message += (message.empty() ? "" : "\n\n") + r;
    return message;
}

bool TForm1::ficheSelectionnee() {
    if (!affichageVide_) return true;
    plateforme_.question(kPasDeFiche, Boutons::Ok);
    return false;
}

void TForm1::nouvelleClick() {
    viderAffichage();
    store_.imageChoisie.vider();
    store_.ajoutEnCours = 1;
    numero()->setText(QString::fromStdString(enDecimal(store_.numeroLibre(0, -1))));
    verrouiller();
}

void TForm1::modifClick() {
    // A base without cards has nothing to modify; after a search no card is on display.
    if (store_.derniere < 0 || !ficheSelectionnee()) return;
    reprendreImage();
    verrouiller();
    store_.ajoutEnCours = 0;
}

void TForm1::reprendreImage() {
    const std::string_view nom = texteChamp(store_.ficheCourante().image);
    const std::string_view repertoire = store_.repertoireImages.str();
    if (nom.empty()) {
        store_.imageChoisie.vider();
    } else if (!repertoire.empty() && !cheminImage(repertoire, nom)) {
        // A stored name that the display would not follow ("..", a further separator, an
        // absolute path) is not followed here either: validating would copy whatever file it
        // reaches outside the picture directory into it. The card keeps no picture unless
        // one is chosen.
        store_.imageChoisie.vider();
    } else if (!store_.imageChoisie.affecter(cheminImageAffiche(repertoire, nom))) {
        store_.imageChoisie.vider();
    }
}

void TForm1::imageClick() { prendreImage(plateforme_.ouvrirImage()); }

void TForm1::prendreImage(const std::optional<std::string>& choisie) {
    if (choisie) {
        if (!store_.imageChoisie.affecter(*choisie)) {
            plateforme_.message(avecChemin(kImageTropLongue, *choisie));
        } else {
            // A picture that cannot be shown leaves the rest of the command undone: the
            // choice stays, the base is not marked modified.
            Imagevue()->charger(*choisie);
        }
    }
    store_.modifiee = true;
}

void TForm1::validerClick() {
    // Nothing reaches the card before the user knows what it could not hold: the window stays
    // in edit mode with the texts as they are.
    if (const std::string refus = refusDeSaisie(); !refus.empty()) {
        plateforme_.message(refus);
        return;
    }
    // A modification's step keeps the card as it was; a base without cards has no card to
    // modify (the boxes go into its blank slot, which no step follows).
    const bool ajout = store_.ajoutEnCours != 0;
    const bool suivie = ajout || store_.derniere >= 0;
    const Fiche avant = store_.ficheCourante();
    if (ajout) store_.ajouterPlace();
    enregistrerFiche();
    store_.modifiee = true;
    store_.ajoutEnCours = 0;
    if (suivie) {
        store_.historique.noter(ajout ? etapeAjout(store_) : etapeModification(store_, store_.courante, avant),
                                store_);
    }
    deverrouiller();
    montrerBase();
}

void TForm1::enregistrerFiche() {
    Fiche& c = store_.ficheCourante();
    const int32_t n = store_.numeroValide(numero()->text().toStdString());
    if (store_.ajoutEnCours) numero()->setText(QString::fromStdString(enDecimal(n)));
    c.numero = n;
    ecrireChamp(c.titre, utf8VersCp1252(titre()->text().toStdString()));
    ecrireChamp(c.description,
                utf8VersCp1252(lignesVersFiche(description()->texte().toStdString())));
    rangerImage(store_);
}

void TForm1::annulerClick() {
    afficherFiche();
    deverrouiller();
}

void TForm1::supprimeClick() {
    if (store_.derniere < 0 || !ficheSelectionnee()) return;
    afficherFiche();
    if (plateforme_.question(textes::kSupprimerFiche, Boutons::OkAnnuler) == kOk) {
        std::unique_ptr<Etape> etape = supprimer(store_);
        store_.modifiee = true;
        store_.historique.noter(std::move(etape), store_);
    }
    montrerBase(kSansActiverSauvegarde);
}
