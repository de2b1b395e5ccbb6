#pragma once
// Choosing cards on the board as files are chosen in a file manager (click, Ctrl+click,
// Shift+click, Ctrl+A, Space, Shift with the arrows; a plain click or Enter still does what the
// board does), the count shown below the tiles ("12 fiches choisies"), and the board's context
// menu of commands on the chosen cards, each with its key and a name for screen readers.

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <cstdint>
#include <vector>

class FenetrePlanche;
class QAction;
class QItemSelection;
class QLabel;
class Planche;

class ChoixPlanche : public QObject {
    Q_OBJECT
public:
    explicit ChoixPlanche(FenetrePlanche& fenetre);

    // The chosen cards, as their indices in the card table, in the board's order.
    std::vector<uint32_t> choisies() const;
    QString bilan() const;

    QAction* supprimer() const { return supprimer_; }
    QAction* imprimer() const { return imprimer_; }
    QAction* exporter() const { return exporter_; }
    QAction* copier() const { return copier_; }

signals:
    // A command of the context menu, with the cards chosen when it was given.
    void supprimerChoisies(const std::vector<uint32_t>& choisies);
    void imprimerChoisies(const std::vector<uint32_t>& choisies);
    void exporterChoisies(const std::vector<uint32_t>& choisies);
    void copierChoisies(const std::vector<uint32_t>& choisies);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QAction* action(const char* nom, const QString& texte, const QKeySequence& touche,
                    void (ChoixPlanche::*signal)(const std::vector<uint32_t>&));
    void montrerBilan();
    // Across a refill of the list (a sort, a delete, an undo), the same cards stay chosen:
    // they are known again by what they hold (number, title, picture), since their places
    // change. What they hold is noted as they are chosen: by the time the list is refilled the
    // table has already changed under the old rows.
    void suivreChoix(const QItemSelection& choisies, const QItemSelection& laissees);
    void retrouver();
    QString cle(const QModelIndex& ligne) const;

    Planche& planche_;
    QLabel* bilan_;
    QAction* supprimer_ = nullptr;
    QAction* imprimer_ = nullptr;
    QAction* exporter_ = nullptr;
    QAction* copier_ = nullptr;
    QHash<QString, int> retenues_;  // what the chosen cards hold, with how many of each
    bool enReset_ = false;
    bool retrouvant_ = false;
};
