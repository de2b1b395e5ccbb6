#pragma once
// The spinner beside the card boxes: an up arrow above a down arrow, telling which one was
// pressed. It is tied to no other control and never takes the focus.

#include <QWidget>

class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    QToolButton* flecheHaut() const { return haut_; }
    QToolButton* flecheBas() const { return bas_; }
    // The spinner's own position (0 to 100, starting at 1): kept as a spinner keeps it, read by
    // no one; a press at either limit is still reported.
    int position() const { return position_; }

signals:
    void clicked(bool haut);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void presse(bool haut);
    QToolButton* haut_;
    QToolButton* bas_;
    int position_ = 1;
};
