#pragma once
// The About box and the two commands of the "aide" menu.

#include <QDialog>
#include <QPixmap>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class Plateforme;

// The About box: a small modeless window naming the product, its version, its authors and
// where to reach them. Created hidden once at start-up and only ever hidden and shown again,
// never destroyed before the end of the run.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Pressing "OK" (or Enter, since it is the default button) hides the box.
    void OKButtonClick();

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Label1;
    QLabel* Comments;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* evenement) override;
};

// "à propos": shows the box without making it modal; when it is already shown, only brings
// it to the front, so there is never more than the one box.
void montrerAPropos(TAboutBox& boite);

// "aide sur Brevandoux": the help file and its contents topic.
inline const QString kFichierAide = QStringLiteral("BREVANDOUX.HLP");
inline const QString kSujetSommaire = QStringLiteral("SHM_contents0001");
void afficherAideGenerale(Plateforme& plateforme);

// The program's emblem, a small drawer of index cards, 35 x 61 pixels, drawn at the given
// device pixel ratio so that it stays sharp on dense screens.
QPixmap dessinerEmbleme(qreal ratio = 1.0);
