#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QStringDecoder>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <variant>
#include <vector>

#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/fichier_sur.h"
#include "core/services.h"
#include "core/texte_nombre.h"
#include "core/textes.h"
#include "echange/export_pages.h"
#include "platform/images.h"
#include "print/dessin_pages.h"

namespace {

// Text for the page: the markup characters become references, and control characters, which
// HTML does not allow, become the replacement character rather than vanish unseen. Tabs and
// line feeds stay, for the descriptions' layout.
void echapper(std::string& sortie, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        switch (c) {
            case '&': sortie += "&amp;"; continue;
            case '<': sortie += "&lt;"; continue;
            case '>': sortie += "&gt;"; continue;
            case '"': sortie += "&quot;"; continue;
            case '\'': sortie += "&#39;"; continue;
            default: break;
        }
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            sortie += "\xEF\xBF\xBD";
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            // A C1 control: the five codes Windows-1252 leaves unassigned.
            sortie += "\xEF\xBF\xBD";
            ++i;
        } else {
            sortie += static_cast<char>(c);
        }
    }
}

// A card text (Windows-1252, CR LF line breaks) as page text.
void echapperCarte(std::string& sortie, std::string_view cp1252) {
    std::string texte = lignesVersFenetre(cp1252VersUtf8(cp1252));
    for (char& c : texte) {
        if (c == '\r') c = '\n';
    }
    echapper(sortie, texte);
}

// A picture name is file-system bytes: shown as UTF-8 when it is, else read as Windows-1252,
// the card's own code page.
std::string nomLisible(std::string_view octets) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)QString(utf8(QByteArrayView(octets.data(), static_cast<qsizetype>(octets.size()))));
    if (!utf8.hasError()) return std::string(octets);
    return cp1252VersUtf8(octets);
}

// A relative address from file-system bytes: everything but the unreserved characters and
// the folder separator is percent-encoded, so that '#', '?', '%' and spaces in names stay
// part of the file name.
std::string adresse(std::string_view octets) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string r;
    for (const char ch : octets) {
        const auto c = static_cast<unsigned char>(ch);
        const bool libre = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (libre) {
            r += ch;
        } else {
            r += '%';
            r += kHex[c >> 4];
            r += kHex[c & 15];
        }
    }
    return r;
}

std::string extensionMinuscule(std::string_view nom) {
    const std::size_t point = nom.rfind('.');
    if (point == std::string_view::npos) return {};
    std::string ext(nom.substr(point + 1));
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

// What the page shows for one stored picture name.
struct ImagePage {
    std::string adresse;  // relative to the page; empty when the picture is left out
    std::string raison;   // UTF-8, why it was left out
};

QString raisonEcriture(const std::string& chemin, const ResultatEcriture& r) {
    const QString nom = QString::fromStdString(chemin);
    if (r.etat == ResultatEcriture::kLectureSeule) {
        return QStringLiteral("%1 est en lecture seule").arg(nom);
    }
    return QStringLiteral("%1 ne peut pas être écrit : %2").arg(nom, QString::fromStdString(r.raison));
}

QString raisonSystemeEcriture(const std::string& chemin, int erreur) {
    return raisonEcriture(chemin, {ResultatEcriture::kEchec, raisonSysteme(erreur), {}});
}

// The folder of the page's pictures, created on first use. The copies are made in a hidden
// folder inside it and moved into place only once every picture is ready, so that an export
// stopped on the way leaves the folder as it found it: files that were there stay untouched,
// and a folder the export made goes away again.
class DossierImages {
public:
    DossierImages(std::string chemin, std::string adresse)
        : chemin_(std::move(chemin)), adresse_(std::move(adresse)) {}
    DossierImages(const DossierImages&) = delete;
    DossierImages& operator=(const DossierImages&) = delete;
    ~DossierImages() { abandonner(); }
    const std::string& chemin() const { return chemin_; }
    const std::string& adresse() const { return adresse_; }

    std::optional<QString> preparer() {
        if (!attente_.empty()) return std::nullopt;
        if (mkdir(chemin_.c_str(), 0777) == 0) {
            cree_ = true;
        } else if (errno != EEXIST) {
            return QStringLiteral("le dossier des images %1 ne peut pas être créé : %2")
                .arg(QString::fromStdString(chemin_), QString::fromStdString(raisonSysteme(errno)));
        }
        struct stat st;
        if (stat(chemin_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return QStringLiteral("%1 existe déjà et n'est pas un dossier")
                .arg(QString::fromStdString(chemin_));
        }
        std::string modele = chemin_ + "/.brevandoux-export-XXXXXX";
        if (mkdtemp(modele.data()) == nullptr) {
            const int erreur = errno;
            abandonner();
            return raisonSystemeEcriture(chemin_, erreur);
        }
        attente_ = std::move(modele);
        return std::nullopt;
    }

    // Where the copy named nom is made, after checking that the file it will replace can be
    // replaced; else the reason it cannot.
    std::variant<std::string, QString> place(const std::string& nom) {
        const std::string destination = chemin_ + "/" + nom;
        Copie copie{nom, cheminReel(destination), std::nullopt};
        struct stat st;
        if (stat(copie.cible.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return raisonSystemeEcriture(destination, EISDIR);
            if (!S_ISREG(st.st_mode)) {
                return raisonEcriture(destination, {ResultatEcriture::kEchec, textes::kPasUnFichierOrdinaire, {}});
            }
            if ((st.st_mode & S_IWUSR) == 0) return raisonEcriture(destination, {ResultatEcriture::kLectureSeule, {}, {}});
            copie.mode = st.st_mode & 07777;
        }
        copies_.push_back(std::move(copie));
        return attente_ + "/" + nom;
    }

    // Moves every copy over the file it replaces. A failure here leaves the pictures moved so
    // far in place, as any interrupted replacement of several files would.
    std::optional<QString> mettreEnPlace() {
        if (attente_.empty()) return std::nullopt;
        for (const Copie& copie : copies_) {
            const std::string source = attente_ + "/" + copie.nom;
            if (copie.mode) chmod(source.c_str(), *copie.mode);
            if (rename(source.c_str(), copie.cible.c_str()) == 0) continue;
            const int erreur = errno;
            if (erreur != EXDEV) return raisonSystemeEcriture(chemin_ + "/" + copie.nom, erreur);
            // A picture name linked to another file system: copied there instead.
            const int entree = open(source.c_str(), O_RDONLY | O_CLOEXEC);
            if (entree < 0) return raisonSystemeEcriture(chemin_ + "/" + copie.nom, errno);
            const ResultatEcriture ecrit = ecrireFichierSur(copie.cible, [entree](int fd, const AppelsSysteme& appels) {
                return copierDescripteur(entree, fd, appels);
            });
            close(entree);
            if (!ecrit.ok()) return raisonEcriture(chemin_ + "/" + copie.nom, ecrit);
        }
        synchroniserDossier(chemin_);
        copies_.clear();
        abandonner();
        cree_ = false;
        return std::nullopt;
    }

private:
    // Removes the copies not moved into place, the hidden folder, and the folder when it was
    // made for this export and holds nothing else.
    void abandonner() {
        if (!attente_.empty()) {
            if (DIR* d = opendir(attente_.c_str())) {
                while (const dirent* e = readdir(d)) {
                    const std::string nom = e->d_name;
                    if (nom != "." && nom != "..") unlink((attente_ + "/" + nom).c_str());
                }
                closedir(d);
            }
            rmdir(attente_.c_str());
            attente_.clear();
        }
        if (cree_) rmdir(chemin_.c_str());
        cree_ = false;
    }

    struct Copie {
        std::string nom;                  // in the folder
        std::string cible;                // the file it replaces, links followed
        std::optional<mode_t> mode;       // that file's, kept
    };
    std::string chemin_, adresse_;
    std::string attente_;  // the hidden folder of the copies, while they wait
    bool cree_ = false;
    std::vector<Copie> copies_;
};

// Brings one picture beside the page. A picture that cannot be found or read is left out
// and named; a copy that cannot be written stops the export (returns the reason), since the
// page would otherwise claim pictures it does not have.
std::optional<QString> exporterImage(DossierImages& dossier, const std::string& cheminBase,
                                     std::string_view stockee, ImagePage& image) {
    const std::string source = cheminImageImprimee(cheminBase, stockee);
    if (source.empty()) {
        image.raison = "ce nom d'image n'est pas valable";
        return std::nullopt;
    }
    struct stat st;
    if (stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        image.raison = "le fichier est introuvable";
        return std::nullopt;
    }
    const std::string nom(stockee.substr(1));
    const std::string ext = extensionMinuscule(nom);
    const bool jpeg = ext == "jpg" || ext == "jpeg";
    QByteArray png;
    int entree = -1;
    if (jpeg) {
        // Browsers show JPEG: the bytes go over as they are.
        entree = open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (entree < 0) {
            image.raison = "le fichier ne peut pas être lu (" + raisonSysteme(errno) + ")";
            return std::nullopt;
        }
    } else {
        // The other formats the frame shows are drawn by the frame's own loading, at their
        // own size, and written as PNG.
        try {
            const QImage decodee = chargerImage(source, QSize());
            QBuffer tampon(&png);
            tampon.open(QIODevice::WriteOnly);
            if (decodee.isNull() || !decodee.save(&tampon, "PNG")) {
                image.raison = "l'image ne peut pas être convertie en PNG";
                return std::nullopt;
            }
        } catch (const Erreur& e) {
            image.raison = e.what();
            return std::nullopt;
        }
    }
    if (std::optional<QString> raison = dossier.preparer()) {
        if (entree >= 0) close(entree);
        return raison;
    }
    const std::string nomCopie = jpeg ? nom : nom + ".png";
    std::variant<std::string, QString> place = dossier.place(nomCopie);
    if (QString* raison = std::get_if<QString>(&place)) {
        if (entree >= 0) close(entree);
        return *raison;
    }
    const std::string& destination = std::get<std::string>(place);
    ResultatEcriture ecrit;
    if (jpeg) {
        ecrit = ecrireFichierSur(destination, [entree](int fd, const AppelsSysteme& appels) {
            return copierDescripteur(entree, fd, appels);
        });
        close(entree);
    } else {
        const Morceau morceau{png.constData(), static_cast<std::size_t>(png.size())};
        ecrit = ecrireFichierSur(destination, std::span<const Morceau>(&morceau, 1));
    }
    if (!ecrit.ok()) return raisonEcriture(dossier.chemin() + "/" + nomCopie, ecrit);
    image.adresse = dossier.adresse() + "/" + adresse(nomCopie);
    return std::nullopt;
}

constexpr std::string_view kDebut =
    "<!DOCTYPE html>\n"
    "<html lang=\"fr\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<meta name=\"generator\" content=\"brevandoux\">\n"
    "<title>";
constexpr std::string_view kStyle =
    "</title>\n"
    "<style>\n"
    "body { font-family: Arial, \"Liberation Sans\", sans-serif; margin: 1.5em; color: #000; "
    "background: #fff; }\n"
    "h1 { font-size: 1.2em; font-weight: normal; overflow-wrap: anywhere; }\n"
    ".fiche { display: grid; grid-template-columns: 190px 1fr; grid-template-rows: auto 1fr; "
    "column-gap: 1em; "
    "border-top: 1px solid #999; padding: 0.8em 0; }\n"
    ".fiche h2 { grid-column: 2; font-size: 1em; margin: 0 0 0.4em 0; "
    "overflow-wrap: anywhere; }\n"
    ".numero { font-weight: normal; margin-right: 1em; }\n"
    ".image { grid-column: 1; grid-row: 1 / span 2; }\n"
    ".image img { max-width: 178px; max-height: 178px; }\n"
    ".image-absente { color: #a00; font-size: 0.9em; overflow-wrap: anywhere; }\n"
    ".description { grid-column: 2; margin: 0; white-space: pre-wrap; "
    "overflow-wrap: anywhere; }\n"
    "</style>\n"
    "</head>\n"
    "<body>\n";
constexpr std::string_view kFin = "</body>\n</html>\n";

int ecrireTout(int fd, const std::string& octets, const AppelsSysteme& appels) {
    std::size_t fait = 0;
    while (fait < octets.size()) {
        const ssize_t n = appels.ecrire(fd, octets.data() + fait, octets.size() - fait);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        fait += static_cast<std::size_t>(n);
    }
    return 0;
}

void ecrireFiche(std::string& page, const Fiche& fiche, int index,
                 const std::map<std::string, ImagePage, std::less<>>& images) {
    page += "<article class=\"fiche\" id=\"fiche-";
    page += std::to_string(index);
    page += "\">\n<h2><span class=\"numero\">";
    page += enDecimal(fiche.numero);
    page += "</span><span class=\"titre\">";
    echapperCarte(page, texteChamp(fiche.titre));
    page += "</span></h2>\n";
    const std::string_view stockee = texteChamp(fiche.image);
    if (aUneImage(stockee)) {
        const ImagePage& image = images.find(stockee)->second;
        const std::string nom = nomLisible(stockee.substr(1));
        page += "<div class=\"image\">";
        if (!image.adresse.empty()) {
            page += "<img src=\"";
            echapper(page, image.adresse);
            page += "\" alt=\"";
            echapper(page, nom);
            page += "\">";
        } else {
            page += "<p class=\"image-absente\">image non disponible : ";
            echapper(page, nom);
            page += " (";
            echapper(page, image.raison);
            page += ")</p>";
        }
        page += "</div>\n";
    }
    page += "<p class=\"description\">";
    echapperCarte(page, texteChamp(fiche.description));
    page += "</p>\n</article>\n";
}

}  // namespace

QString exporterHtml(VueFiches table, int dernier, const QString& entete,
                     const std::string& cheminBase, const std::string& cheminPage,
                     const SuiviExport& suivi) {
    if (cheminPage.empty()) return QStringLiteral("aucun nom de page n'est donné");
    // The pictures go into "page_fichiers" beside "page.html", the way browsers keep a saved
    // page's files: a name that reads as belonging to the page, and no second dot that could
    // pass for an extension.
    const std::string nomPage = nomDe(cheminPage);
    const std::size_t point = nomPage.rfind('.');
    const std::string racine = point == std::string::npos || point == 0 ? nomPage : nomPage.substr(0, point);
    const std::string nomDossier = racine + "_fichiers";
    DossierImages dossier(dossierDe(cheminPage) + "/" + nomDossier, adresse(nomDossier));

    // Pictures first, each stored name once: the page written last never names a picture
    // that is not beside it yet.
    // The pictures are what takes time (a metafile is drawn by a helper program): the user
    // may stop the export until the last one is ready, and nothing is then left of it.
    std::map<std::string, ImagePage, std::less<>> images;
    const int total = dernier + 1;
    auto continuer = [&](int faites) { return !suivi || suivi(faites, total); };
    if (!continuer(0)) return exportAnnule();
    for (int k = 0; k <= dernier; ++k) {
        const std::string_view stockee = texteChamp(table[k].image);
        if (aUneImage(stockee) && !images.contains(stockee)) {
            ImagePage& image = images[std::string(stockee)];
            if (std::optional<QString> raison = exporterImage(dossier, cheminBase, stockee, image)) {
                return *raison;
            }
        }
        if (!continuer(k + 1)) return exportAnnule();
    }
    if (std::optional<QString> raison = dossier.mettreEnPlace()) return *raison;

    const std::string titre = entete.isEmpty() ? std::string("brevandoux") : entete.toStdString();
    const ResultatEcriture ecrit =
        ecrireFichierSur(cheminPage, [&](int fd, const AppelsSysteme& appels) {
            std::string morceau;
            morceau.reserve(1 << 20);
            morceau += kDebut;
            echapper(morceau, titre);
            morceau += kStyle;
            if (!entete.isEmpty()) {
                morceau += "<h1>";
                echapper(morceau, entete.toStdString());
                morceau += "</h1>\n";
            }
            if (dernier < 0) morceau += "<p>aucune fiche</p>\n";
            for (int k = 0; k <= dernier; ++k) {
                ecrireFiche(morceau, table[k], k, images);
                if (morceau.size() >= (1u << 20)) {
                    if (int erreur = ecrireTout(fd, morceau, appels)) return erreur;
                    morceau.clear();
                }
            }
            morceau += kFin;
            return ecrireTout(fd, morceau, appels);
        });
    if (!ecrit.ok()) return raisonEcriture(cheminPage, ecrit);
    return {};
}
