#include "platform/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <new>

#include "platform/plateforme.h"
#include "platform/rapport_erreur.h"

// The environment as the toolkit reads it for its system locale, set to French for the time
// the toolkit takes it in, then given back.
class LocaleSystemeFrancaise {
public:
    LocaleSystemeFrancaise()
        : actif_(!environnementFrancais(std::getenv("LC_ALL"), std::getenv("LC_TIME"),
                                        std::getenv("LANG"))) {
        if (!actif_) return;
        garder("LC_ALL", lcAll_);
        garder("LANGUAGE", language_);
        setenv("LC_ALL", "fr_FR.UTF-8", 1);
        setenv("LANGUAGE", "fr", 1);
    }
    // The toolkit has read its system locale: the environment and the C library's locale go
    // back to the user's own (child processes and the C library never see the change).
    void rendre() {
        if (!actif_) return;
        (void)QLocale::system();
        rendre("LC_ALL", lcAll_);
        rendre("LANGUAGE", language_);
        std::setlocale(LC_ALL, "");
        actif_ = false;
    }

private:
    static void garder(const char* nom, std::optional<std::string>& valeur) {
        if (const char* v = std::getenv(nom)) valeur = v;
    }
    static void rendre(const char* nom, const std::optional<std::string>& valeur) {
        if (valeur) {
            setenv(nom, valeur->c_str(), 1);
        } else {
            unsetenv(nom);
        }
    }
    bool actif_;
    std::optional<std::string> lcAll_;
    std::optional<std::string> language_;
};

bool environnementFrancais(const char* lcAll, const char* lcTime, const char* lang) {
    for (const char* v : {lcAll, lcTime, lang}) {
        if (v == nullptr || *v == '\0') continue;
        return std::strncmp(v, "fr", 2) == 0 && (v[2] == '\0' || v[2] == '_' || v[2] == '.' || v[2] == '@');
    }
    return false;
}

Application::Application(int& argc, char** argv)
    : Application(argc, argv, std::make_unique<LocaleSystemeFrancaise>()) {}

Application::Application(int& argc, char** argv, std::unique_ptr<LocaleSystemeFrancaise> locale)
    : QApplication(argc, argv) {
    locale->rendre();
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

void Application::montrerErreur(const std::string& texte) { afficherErreur(plateforme_, texte); }

bool Application::notify(QObject* destinataire, QEvent* evenement) {
    bool traite = false;
    executerEnSignalant(plateforme_, [&] { traite = QApplication::notify(destinataire, evenement); });
    return traite;
}
