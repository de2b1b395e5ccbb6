#pragma once
// The help window of the program: the help pages in a browser with links between topics,
// "Sommaire", "Précédent", "Suivant" and "Fermer".

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class Messages;
class QPushButton;
class QTextBrowser;

class FenetreAide : public QWidget {
    Q_OBJECT
public:
    explicit FenetreAide(QWidget* parent = nullptr);

    // Shows the page at its anchor, remembering sommaire as the page of "Sommaire".
    void ouvrir(const QUrl& adresse, const QUrl& sommaire);
    QUrl source() const;
    QTextBrowser* navigateur() const { return navigateur_; }

private:
    QTextBrowser* navigateur_;
    QPushButton* sommaire_;
    QPushButton* precedent_;
    QPushButton* suivant_;
    QUrl adresseSommaire_;
};

// The help viewer: finds the help named fichierAide in the folders, and shows it in the
// help window at the topic of the given identifier, the window being made on first use and
// kept in fenetre. A missing help file, or a topic the help does not have, is told to the
// user in French; for a missing topic the help still opens at its first page.
void ouvrirAide(QPointer<FenetreAide>& fenetre, const QStringList& dossiers,
                const QString& fichierAide, const QString& sujet, Messages& messages);
