// The About box, the help, and the description's pop-up menu. None of the clipboard commands
// marks the base modified: only a validation does.

#include <QTextCursor>

#include "ui/about_box.h"
#include "ui/memo.h"
#include "ui/tform1.h"

namespace {
// A selection's text with the line breaks the clipboard expects.
QString texteSelection(const Memo& memo) {
    QString texte = memo.textCursor().selectedText();
    texte.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    texte.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return texte;
}
}  // namespace

void TForm1::propos1Click() {
    if (AboutBox_ != nullptr) montrerAPropos(*AboutBox_);
}

void TForm1::aidesurcaldoverne1Click() { afficherAideGenerale(plateforme_); }

void TForm1::Copier1Click() {
    if (description()->textCursor().hasSelection()) plateforme_.copierTexte(texteSelection(*description()));
}

void TForm1::couper1Click() {
    Memo& memo = *description();
    if (!memo.textCursor().hasSelection()) return;
    plateforme_.copierTexte(texteSelection(memo));
    // In browse mode the box is read-only: the cut is a copy and the text stays.
    if (!memo.isReadOnly()) memo.textCursor().removeSelectedText();
}

void TForm1::Coler1Click() {
    Memo& memo = *description();
    if (memo.isReadOnly()) return;
    QString texte = plateforme_.texteDuPressePapiers();
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texte.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    memo.textCursor().insertText(memo.partieAdmise(texte));
}
