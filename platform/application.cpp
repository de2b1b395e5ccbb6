#include "platform/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <new>

#include "platform/plateforme.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("brevandoux"));
    setApplicationDisplayName(QStringLiteral("brevandoux"));
    QLocale::setDefault(localeDuProgramme(QLocale::system()));
    chargerTraductions(*this);
}

QLocale localeDuProgramme(const QLocale& systeme) {
    if (systeme.language() == QLocale::French) return systeme;
    return QLocale(QLocale::French, QLocale::France);
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

void Application::montrerErreur(const std::string& texte) {
    if (plateforme_ != nullptr) {
        plateforme_->erreur(texte);
    } else {
        std::fprintf(stderr, "brevandoux: %s\n", texte.c_str());
    }
}

bool Application::notify(QObject* destinataire, QEvent* evenement) {
    try {
        return QApplication::notify(destinataire, evenement);
    } catch (const std::bad_alloc&) {
        montrerErreur("mémoire insuffisante : la commande a été abandonnée");
    } catch (const std::exception& e) {
        montrerErreur(e.what());
    }
    return false;
}
