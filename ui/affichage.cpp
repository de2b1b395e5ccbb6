// Showing the current card: the boxes, the two counters and the picture frame.

#include <QColor>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/recherche.h"
#include "core/texte_nombre.h"
#include "core/textes.h"
#include "platform/couleurs.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/tform1.h"

namespace {
QString texteFenetre(std::string_view cp1252) { return QString::fromStdString(cp1252VersUtf8(cp1252)); }
}  // namespace

void TForm1::afficherFiche() {
    affichageVide_ = false;
    const Fiche& c = store_.ficheCourante();
    numero_->setText(QString::fromStdString(enDecimal(c.numero)));
    titre_->setText(texteFenetre(texteChamp(c.titre)));
    description_->montrer(texteFenetre(lignesVersFenetre(texteChamp(c.description))));
    description_->setExtraSelections({});
    total_->setText(QString::fromStdString(enDecimal(store_.derniere)));
    position_->setText(QString::fromStdString(enDecimal(store_.courante)));

    // The picture comes last: when it cannot be loaded, the card's texts are already shown.
    prechargerVoisins();
    const std::string_view nom = texteChamp(c.image);
    if (!aUneImage(nom)) {
        Imagevue_->charger(store_.imageDefaut.str());
        return;
    }
    const std::string_view repertoire = store_.repertoireImages.str();
    const std::optional<std::string> chemin = cheminImage(repertoire, nom);
    if (chemin && fichierExiste(*chemin)) {
        Imagevue_->charger(*chemin);
    } else {
        // The frame keeps whatever it showed, possibly the previous card's picture.
        Imagevue_->indisponible(cheminImageAffiche(repertoire, nom));
        plateforme_.message(avecChemin(textes::kImageNonDisponible, cheminImageAffiche(repertoire, nom)));
    }
}

void TForm1::viderAffichage() {
    titre_->clear();
    description_->clear();
    description_->setExtraSelections({});
    Imagevue_->setVoisins({});
    Imagevue_->charger(store_.imageDefaut.str());
}

void TForm1::surlignerCorrespondance() {
    const Fiche& c = store_.ficheCourante();
    const Correspondance trouvee = premiereCorrespondance(c, derniereRecherche_, store_.sansAccents);
    if (trouvee.champ == Correspondance::aucun) return;
    // The boxes show one character per byte of the field, but a CR LF as one line break.
    const std::string_view texte =
        trouvee.champ == Correspondance::description ? texteChamp(c.description) : texteChamp(c.titre);
    const auto position = [&](int32_t octet) {
        int32_t sauts = 0;
        for (int32_t i = 1; i < octet; ++i) sauts += texte[static_cast<std::size_t>(i)] == '\n' && texte[static_cast<std::size_t>(i - 1)] == '\r';
        return octet - sauts;
    };
    const int debut = position(trouvee.debut), fin = position(trouvee.fin);
    // A highlight of its own, not the selection: the clipboard commands keep acting on what
    // the user selects.
    QTextCharFormat format;
    // A fixed yellow, whose text is black or white as it reads on it, whatever the palette's.
    const QColor jaune(255, 230, 80);
    format.setBackground(jaune);
    format.setForeground(texteLisibleSur(jaune));
    if (trouvee.champ == Correspondance::description) {
        QTextEdit::ExtraSelection surlignage;
        surlignage.cursor = QTextCursor(description_->document());
        surlignage.cursor.setPosition(debut);
        surlignage.cursor.setPosition(fin, QTextCursor::KeepAnchor);
        surlignage.format = format;
        description_->setExtraSelections({surlignage});
        // The caret, with nothing selected, brings the match into view.
        QTextCursor vu(description_->document());
        vu.setPosition(debut);
        description_->setTextCursor(vu);
        return;
    }
    // A single-line box has no highlight of its own: its text is formatted the way an input
    // method formats what is being composed, which is neither the text nor the selection.
    const bool lectureSeule = titre_->isReadOnly();
    titre_->setReadOnly(false);
    QInputMethodEvent evenement(QString(), {QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                                         debut - titre_->cursorPosition(),
                                                                         fin - debut, format)});
    QCoreApplication::sendEvent(titre_, &evenement);
    titre_->setReadOnly(lectureSeule);
}
