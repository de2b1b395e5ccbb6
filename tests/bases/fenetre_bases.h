#pragma once
// What the tests of the base commands, the quit, the append and the import share: base files
// written and read byte for byte, files made truly unwritable, and a look at the window's
// state after a command.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/ini.h"
#include "core/textes.h"
#include "ui/liste_fiches.h"
#include "tests/support/carte.h"
#include "tests/support/ignorer.h"
#include "tests/support/fenetre_commune.h"

namespace bases_test {

inline std::string lireOctets(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void ecrireOctets(const std::string& chemin, const std::string& octets) {
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
}

inline Fiche fiche(const CarteTest& c) { return carte(c.numero, c.titre, c.description, c.image); }

// The bytes of a base file holding these cards, followed by `reste` stray bytes.
inline std::string octetsBase(const std::vector<CarteTest>& cartes, std::size_t reste = 0) {
    std::string r;
    for (const CarteTest& c : cartes) {
        const Fiche f = fiche(c);
        r.append(reinterpret_cast<const char*>(&f), sizeof f);
    }
    r.append(reste, '\x5a');
    return r;
}

// The cards of a base file as "numero:titre:image", whole records only.
inline std::vector<std::string> cartesDuFichier(const std::string& chemin) {
    const std::string o = lireOctets(chemin);
    std::vector<std::string> r;
    for (std::size_t i = 0; i + sizeof(Fiche) <= o.size(); i += sizeof(Fiche)) {
        Fiche f;
        std::memcpy(&f, o.data() + i, sizeof f);
        r.push_back(std::to_string(f.numero) + ":" + std::string(texteChamp(f.titre)) + ":" +
                    std::string(texteChamp(f.image)));
    }
    return r;
}

// The cards of a list, in the same form.
inline std::vector<std::string> resume(const std::vector<CarteTest>& cartes) {
    std::vector<std::string> r;
    for (const CarteTest& c : cartes) {
        const Fiche f = fiche(c);
        r.push_back(std::to_string(f.numero) + ":" + std::string(texteChamp(f.titre)) + ":" +
                    std::string(texteChamp(f.image)));
    }
    return r;
}

// The cards of the table, in the same form.
inline std::vector<std::string> cartesDeLaTable(MagasinFiches& s) {
    std::vector<std::string> r;
    for (int32_t i = 0; i <= s.derniere; ++i) {
        const Fiche& f = s.fiches[static_cast<std::size_t>(i)];
        r.push_back(std::to_string(f.numero) + ":" + std::string(texteChamp(f.titre)) + ":" +
                    std::string(texteChamp(f.image)));
    }
    return r;
}

inline bool estRepertoire(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

inline bool existe(const std::string& chemin) {
    struct stat st;
    return lstat(chemin.c_str(), &st) == 0;
}

// Makes a file immutable for as long as it lives: root itself can then neither open it for
// writing nor replace it. Tests run as root, for whom the permission bits mean nothing.
class Immuable {
public:
    explicit Immuable(std::string chemin) : chemin_(std::move(chemin)) { ok_ = changer(true); }
    ~Immuable() { lever(); }
    Immuable(const Immuable&) = delete;
    Immuable& operator=(const Immuable&) = delete;
    bool ok() const { return ok_; }
    void lever() {
        if (ok_) changer(false);
        ok_ = false;
    }

private:
    bool changer(bool immuable) {
        const int fd = open(chemin_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        int drapeaux = 0;
        bool fait = ioctl(fd, FS_IOC_GETFLAGS, &drapeaux) == 0;
        if (fait) {
            drapeaux = immuable ? (drapeaux | FS_IMMUTABLE_FL) : (drapeaux & ~FS_IMMUTABLE_FL);
            fait = ioctl(fd, FS_IOC_SETFLAGS, &drapeaux) == 0;
        }
        close(fd);
        return fait;
    }
    std::string chemin_;
    bool ok_ = false;
};

// Runs one command inside the application's message loop, as a click does, and tells whether
// the command told the application to terminate. Errors escaping the command reach the
// application's error display, as they do in the program.
inline bool termineApplication(const std::function<void()>& commande) {
    bool parSecours = false;
    QTimer secours;
    secours.setSingleShot(true);
    QObject::connect(&secours, &QTimer::timeout, qApp, [&parSecours] {
        parSecours = true;
        QCoreApplication::quit();
    });
    // An error the command raises goes to the error display, as it does when the window's
    // own connections run a handler. The fallback starts only once the command has
    // returned: a save slowed down by a loaded machine must not look like a quit refused.
    QTimer::singleShot(0, qApp, [&commande, &secours] {
        try {
            commande();
        } catch (const std::exception& e) {
            static_cast<Application*>(QCoreApplication::instance())->montrerErreur(e.what());
        }
        secours.start(300);
    });
    QCoreApplication::exec();
    return !parSecours;
}

// What the base commands leave behind, everything the user can see or will meet later.
struct Etat {
    std::vector<std::string> cartes;
    int32_t courante;
    std::string cheminBase;
    std::string repertoireImages;
    int32_t baseNommee;
    int32_t modifiee;
    bool savemybase;
    std::string chemin;
    int lignes;

    bool operator==(const Etat&) const = default;
};

inline Etat etatDe(TForm1& f) {
    MagasinFiches& s = f.store();
    return {cartesDeLaTable(s),
            s.courante,
            s.cheminBase.str(),
            s.repertoireImages.str(),
            s.baseNommee,
            s.modifiee,
            f.savemybase()->isEnabled(),
            f.chemin()->text().toStdString(),
            f.medialist()->nombreLignes()};
}

inline void PrintTo(const Etat& e, std::ostream* os) {
    *os << "{cartes=[";
    for (const auto& c : e.cartes) *os << c << ";";
    *os << "] courante=" << e.courante << " cheminBase=" << e.cheminBase
        << " repertoireImages=" << e.repertoireImages << " baseNommee=" << e.baseNommee
        << " modifiee=" << e.modifiee << " savemybase=" << e.savemybase << " chemin=" << e.chemin
        << " lignes=" << e.lignes << "}";
}

// The kinds of the boxes shown so far, in order.
inline std::vector<std::string> genres(const PlateformeScriptee& p) {
    std::vector<std::string> r;
    for (const Boite& b : p.boites) r.push_back(b.genre);
    return r;
}

inline const char* const kCreation = textes::kCreationNouvelleBase;
inline const char* const kSauver = textes::kSauverModifications;
inline const char* const kEcraser = textes::kEcraserBase;

inline std::string introuvable(const std::string& chemin) {
    return "le fichier de configuration " + chemin +
           " n'a pas été trouvé.   \nou est sur un disque protégé en écriture";
}
inline std::string nonTrouve(const std::string& chemin) { return chemin + " non trouvé"; }
inline std::string protege(const std::string& chemin) {
    return "le fichier " + chemin + " n'a pas pu être sauvegardé.   \ncar il est protégé en écriture";
}
inline std::string creationRepertoire(const std::string& rep) {
    return "creation du repertoire " + rep +
           " car inexistant cette base ne contient pas encore d'images";
}

}  // namespace bases_test
