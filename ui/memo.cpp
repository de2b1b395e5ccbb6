#include "ui/memo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "core/cp1252.h"

namespace {
// Line breaks from other programs arrive as CR LF or lone CR; the box knows only one kind.
QString lignesUnifiees(QString texte) {
    texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texte.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    texte.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    texte.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return texte;
}

std::size_t octets(const QString& texte) { return octetsEnFiche(texte.toStdString()); }
}  // namespace

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    // Assistive technology edits the document directly (insertion through a cursor, or the
    // whole text replaced), past the event handlers below: the limit is held after the fact.
    connect(this, &QPlainTextEdit::textChanged, this, &Memo::tenirLimite);
}

QString Memo::texte() const {
    QString t = document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return t;
}

void Memo::montrer(const QString& texte) {
    parProgramme_ = true;
    setPlainText(texte);
    parProgramme_ = false;
    dernierTexte_ = this->texte();
}

void Memo::tenirLimite() {
    if (enCoupe_) return;
    const QString apres = texte();
    const QString avant = dernierTexte_;
    dernierTexte_ = apres;
    if (parProgramme_ || limite_ == 0 || octets(apres) <= limite_) return;
    // What the change put in lies between the start and the end the two texts share.
    const qsizetype plusCourt = std::min(avant.size(), apres.size());
    qsizetype debut = 0;
    while (debut < plusCourt && avant.at(debut) == apres.at(debut)) ++debut;
    qsizetype fin = 0;
    while (fin < plusCourt - debut &&
           avant.at(avant.size() - 1 - fin) == apres.at(apres.size() - 1 - fin)) {
        ++fin;
    }
    // Never between the two halves of a surrogate pair.
    if (debut > 0 && apres.at(debut - 1).isHighSurrogate()) --debut;
    const qsizetype finAjout = apres.size() - fin;
    if (finAjout <= debut) return;
    std::size_t total = octets(apres.left(debut) + apres.mid(finAjout));
    qsizetype coupe = debut;
    while (coupe < finAjout) {
        const qsizetype largeur =
            apres.at(coupe).isHighSurrogate() && coupe + 1 < finAjout ? 2 : 1;
        // A line break becomes CR LF: both bytes stay or both go.
        const std::size_t cout = apres.at(coupe) == QLatin1Char('\n') ? 2 : 1;
        if (total + cout > limite_) break;
        total += cout;
        coupe += largeur;
    }
    enCoupe_ = true;
    QTextCursor c(document());
    c.setPosition(static_cast<int>(coupe));
    c.setPosition(static_cast<int>(finAjout), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    enCoupe_ = false;
    dernierTexte_ = texte();
    QApplication::beep();
}

QString Memo::partieAdmise(const QString& texte) const {
    const QString ajout = lignesUnifiees(texte);
    if (limite_ == 0) return ajout;
    const QTextCursor c = textCursor();
    const QString tout = this->texte();
    const QString reste = tout.left(c.selectionStart()) + tout.mid(c.selectionEnd());
    std::size_t total = octets(reste);
    if (total >= limite_) return {};
    // Every character takes one byte in the card (those Windows-1252 lacks become '?'), a line
    // break two; a surrogate pair is one character and is never split.
    qsizetype i = 0;
    while (i < ajout.size()) {
        const qsizetype largeur = ajout.at(i).isHighSurrogate() && i + 1 < ajout.size() ? 2 : 1;
        const std::size_t cout = ajout.at(i) == QLatin1Char('\n') ? 2 : 1;
        if (total + cout > limite_) break;
        total += cout;
        i += largeur;
    }
    return ajout.left(i);
}

void Memo::keyPressEvent(QKeyEvent* event) {
    if (!isReadOnly() && limite_ > 0) {
        QString ajout;
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            ajout = QStringLiteral("\n");
        } else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
                   !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            ajout = event->text();
        }
        if (!ajout.isEmpty() && partieAdmise(ajout).size() < lignesUnifiees(ajout).size()) {
            event->accept();
            QApplication::beep();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Memo::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || source == nullptr || !source->hasText()) return;
    const QString texte = source->text();
    const QString admis = partieAdmise(texte);
    if (admis.size() < lignesUnifiees(texte).size()) QApplication::beep();
    if (admis.isEmpty()) return;
    QTextCursor c = textCursor();
    c.insertText(admis);
    setTextCursor(c);
    ensureCursorVisible();
}

void Memo::inputMethodEvent(QInputMethodEvent* event) {
    if (!isReadOnly() && limite_ > 0 && !event->commitString().isEmpty()) {
        const QString admis = partieAdmise(event->commitString());
        if (admis != event->commitString()) {
            event->setCommitString(admis, event->replacementStart(), event->replacementLength());
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}
