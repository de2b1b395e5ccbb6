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

namespace {
// The words Qt 6 asks for in a context its French file (6.4) does not have yet: without them,
// the file dialogs' type column reads "Folder" beside French words.
class TraductionsManquantes : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* contexte, const char* source, const char* /*desambiguisation*/,
                      int /*n*/) const override {
        if (qstrcmp(contexte, "QAbstractFileIconProvider") != 0) return {};
        static const struct {
            const char* anglais;
            const char* francais;
        } mots[] = {{"Folder", "Dossier"}, {"Drive", "Lecteur"}, {"Shortcut", "Raccourci"},
                    {"Unknown", "Inconnu"}};
        for (const auto& m : mots) {
            if (qstrcmp(source, m.anglais) == 0) return QString::fromUtf8(m.francais);
        }
        return {};
    }
};
}  // namespace

void chargerTraductions(QCoreApplication& app) {
    auto* traduction = new QTranslator(&app);
    if (traduction->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(traduction);
    } else {
        delete traduction;
    }
    // Installed last, so asked first; it answers only what it knows.
    QCoreApplication::installTranslator(new TraductionsManquantes(&app));
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
