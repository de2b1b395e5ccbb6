#include "platform/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include "platform/rapport_erreur.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("brevandoux"));
    setApplicationDisplayName(QStringLiteral("brevandoux"));
    chargerTraductions(*this);
}

void chargerTraductions(QCoreApplication& app) {
    auto* traduction = new QTranslator(&app);
    if (traduction->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(traduction);
    } else {
        delete traduction;
    }
}

void Application::montrerErreur(const std::string& texte) { afficherErreur(plateforme_, texte); }

bool Application::notify(QObject* destinataire, QEvent* evenement) {
    bool traite = false;
    executerEnSignalant(plateforme_, [&] { traite = QApplication::notify(destinataire, evenement); });
    return traite;
}
