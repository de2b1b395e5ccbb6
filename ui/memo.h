#pragma once
// The description box: plain text, lines wrapped to the width, limited to the bytes a card's
// description field holds once the text is stored (Windows-1252, a line break taking two
// bytes as CR LF). The limit holds for typing, pasting, dropping, input methods and text put
// in by assistive technology alike; only the texts the program shows (montrer) are not
// limited.

#include <QPlainTextEdit>

class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);

    // 0: no limit.
    void setLimiteOctets(std::size_t limite) { limite_ = limite; }
    std::size_t limiteOctets() const { return limite_; }

    // The longest start of texte that can replace the selection without passing the limit.
    QString partieAdmise(const QString& texte) const;

    // The text as it is to be stored: line breaks as '\n', every other character as it
    // stands (toPlainText would turn no-break spaces into spaces).
    QString texte() const;
    // Shows a text set by the program, such as a stored card's description, whatever its size.
    void montrer(const QString& texte);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Every change that leaves the text over the limit loses the end of what it put in.
    void tenirLimite();

    std::size_t limite_ = 0;
    // The text after the last change, to tell what a change put in.
    QString dernierTexte_;
    bool parProgramme_ = false;
    bool enCoupe_ = false;
};
