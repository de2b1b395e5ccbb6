#pragma once
// The description box: plain text, lines wrapped to the width, limited to the bytes a card's
// description field holds once the text is stored (Windows-1252, a line break taking two
// bytes as CR LF). The limit holds for typing, pasting, dropping and input methods alike;
// texts set by the program are not limited.

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    std::size_t limite_ = 0;
};
