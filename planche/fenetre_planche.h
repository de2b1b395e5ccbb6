#pragma once
// The board's own window: resizable, not modal, beside the main window. It remembers the size
// the user gives it.

#include <QWidget>

class Planche;
class Vignettes;
struct ReglagesPlanche;

class FenetrePlanche : public QWidget {
    Q_OBJECT
public:
    FenetrePlanche(Vignettes& vignettes, ReglagesPlanche& reglages, QWidget* parent);

    Planche* planche() const { return planche_; }

signals:
    // The user closed the board.
    void fermee();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Planche* planche_;
    ReglagesPlanche& reglages_;
};
