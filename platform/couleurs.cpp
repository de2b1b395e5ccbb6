#include "platform/couleurs.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

#include "core/contraste.h"

namespace {
Rgb enRgb(const QColor& c) {
    const QColor r = c.toRgb();
    return {static_cast<uint8_t>(r.red()), static_cast<uint8_t>(r.green()), static_cast<uint8_t>(r.blue())};
}
QColor deRgb(Rgb c) { return QColor(c.r, c.g, c.b); }
}  // namespace

bool couleursAAjuster(const QPalette& palette, bool contrastees) {
    return contrastees || estSombre(enRgb(palette.color(QPalette::Active, QPalette::Window)));
}

QColor couleurLisible(const QColor& couleur, const QColor& fond) {
    return deRgb(rendreLisible(enRgb(couleur), enRgb(fond)));
}

QColor texteLisibleSur(const QColor& fond) { return deRgb(texteSur(enRgb(fond))); }

double contrasteEntre(const QColor& a, const QColor& b) { return contraste(enRgb(a), enRgb(b)); }

void rendreDocumentLisible(QTextDocument& document, const QPalette& palette) {
    struct Correction {
        int debut, fin;
        QColor couleur;
    };
    std::vector<Correction> corrections;
    for (QTextBlock bloc = document.begin(); bloc.isValid(); bloc = bloc.next()) {
        const QBrush fondBloc = bloc.blockFormat().background();
        for (auto it = bloc.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat format = f.charFormat();
            const QColor fond = format.background().style() != Qt::NoBrush ? format.background().color()
                                : fondBloc.style() != Qt::NoBrush          ? fondBloc.color()
                                                                           : palette.color(QPalette::Base);
            const QColor texte = format.foreground().style() != Qt::NoBrush ? format.foreground().color()
                                                                             : palette.color(QPalette::Text);
            const QColor lisible = couleurLisible(texte, fond);
            if (lisible != texte) corrections.push_back({f.position(), f.position() + f.length(), lisible});
        }
    }
    // Changed once the walk is over: a change splits and merges the fragments walked.
    for (const Correction& c : corrections) {
        QTextCursor curseur(&document);
        curseur.setPosition(c.debut);
        curseur.setPosition(c.fin, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(c.couleur);
        curseur.mergeCharFormat(format);
    }
}
