#pragma once
// Finding the program's help.
//
// The help ships as HTML pages in a folder "aide" in place of the old compiled help file:
// the help file named "BREVANDOUX.HLP" is the page brevandoux.html (found without regard to
// case), and the other pages of its folder are the rest of the help. A topic identifier
// ("SHM_contents0001") is the name of an anchor (<a name="..."> or id="...") in one of
// these pages; links between topics are ordinary relative links "page.html#identifier".

#include <QString>
#include <QStringList>
#include <QUrl>

// The folders searched for the help, in this order: "aide" beside the program and
// share/brevandoux/aide beside its bin folder (installed, or in the build tree).
QStringList dossiersAide();

// The page that stands for the named help file in the first of the folders that holds one,
// or an empty text when none does.
QString trouverAide(const QString& fichierAide, const QStringList& dossiers);
QString trouverAide(const QString& fichierAide);

// The address (page and anchor) of the topic of the given identifier, looked up without
// regard to case in the help page first and then in the other pages of its folder in name
// order; an empty address when no page has it. An empty identifier names the help page.
QUrl trouverSujet(const QString& pageAide, const QString& sujet);
