// brevandoux-convertir: a base to a CSV table, a web page or a PDF, and a CSV table to a new
// base, for scripts. The formats are chosen by the extensions of the two paths.
//
// Exit status: 0 done, 1 the input could not be converted (nothing is left half-written),
// 2 the command line is wrong.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/attributs.h"
#include "core/conversion_tableau.h"
#include "core/fichier_sur.h"
#include "core/lecture_base.h"
#include "core/magasin_fiches.h"
#include "core/messages_erreur.h"
#include "core/repertoire_images.h"
#include "core/tableau_csv.h"
#include "echange/export_pages.h"

namespace {

const char* const kUsage =
    "usage : brevandoux-convertir SOURCE DESTINATION [--remplacer]\n"
    "\n"
    "Convertit une base Brevandoux ou un tableau CSV, selon les extensions :\n"
    "  base.dat  -> tableau.csv   tableau CSV (UTF-8, virgules), comme « exporter la base… »\n"
    "  base.dat  -> page.html     page web, ses images copiées dans un dossier à son nom\n"
    "  base.dat  -> liste.pdf     les pages qu'imprime « Imprimer la liste »\n"
    "  tableau.csv -> base.dat    nouvelle base, avec son répertoire d'images base.rep\n"
    "\n"
    "  --remplacer   remplace la destination si elle existe déjà\n"
    "  --help        affiche cette aide\n"
    "\n"
    "Code de sortie : 0 réussite, 1 entrée refusée ou échec d'écriture, 2 mauvais usage.\n";

const char* const kProgramme = "brevandoux-convertir";

int erreur(const std::string& texte, int code) {
    MessagesSurErreur(kProgramme).ecrire(texte);
    return code;
}

std::string raisonLecture(int e) {
    return e == ENOENT ? "il n'existe pas" : raisonSysteme(e);
}

// A tool for scripts speaks French on standard error, and only about what it was asked to do:
// the toolkit's own notices (in English, about its environment) are left out.
void filtreMessagesQt(QtMsgType type, const QMessageLogContext&, const QString& texte) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", texte.toLocal8Bit().constData());
}

std::string extension(const std::string& chemin) {
    std::string e = std::filesystem::path(chemin).extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

int depuisBase(const std::string& source, const std::string& destination, const std::string& ext) {
    TableFiches table;
    std::size_t nombre = 0;
    const LectureFiches lecture = lireBaseTelleQuelle(source, table, nombre);
    if (lecture != LectureFiches::kLues) {
        const std::string raison = lecture == LectureFiches::kPasUnFichier   ? "ce n'est pas un fichier ordinaire"
                                   : lecture == LectureFiches::kTropDeFiches ? "la base contient trop de fiches"
                                                                             : raisonLecture(errno);
        return erreur("la base " + source + " n'a pas pu être lue : " + raison, 1);
    }
    const int32_t dernier = static_cast<int32_t>(nombre) - 1;
    if (ext == ".csv") {
        const ResultatEcriture r = ecrireTableauCsv(destination, table, dernier);
        if (r.etat == ResultatEcriture::kLectureSeule) {
            return erreur(destination + " n'a pas été écrit : il est protégé en écriture", 1);
        }
        if (!r.ok()) return erreur(destination + " n'a pas été écrit : " + r.raison, 1);
        return 0;
    }
    // The pages are drawn with Qt's painter: a display-less platform will do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char nom[] = "brevandoux-convertir";
    char* argv[] = {nom, nullptr};
    qInstallMessageHandler(filtreMessagesQt);
    QGuiApplication app(argc, argv);
    // The heading "Imprimer la liste" gives a whole base: its path.
    const std::string cheminBase = std::filesystem::absolute(source).lexically_normal().string();
    const QString entete = QFile::decodeName(QByteArray::fromStdString(cheminBase));
    const QString echec = ext == ".pdf"
                              ? exporterPdf(table, dernier, entete, cheminBase, destination)
                              : exporterHtml(table, dernier, entete, cheminBase, destination);
    if (!echec.isEmpty()) return erreur(destination + " n'a pas été écrit : " + echec.toStdString(), 1);
    return 0;
}

int depuisTableau(const std::string& source, const std::string& destination) {
    MessagesSurErreur messages(kProgramme);
    MagasinFiches store(messages);
    store.derniere = -1;  // a new base, without cards
    store.courante = 0;
    if (!store.cheminBase.affecter(destination) ||
        !lierRepertoireImages(store, destination)) {
        return erreur("le chemin " + destination + " est trop long", 2);
    }
    const ConversionTableau conversion = convertirTableauCsv(store, source);
    if (!conversion.ecrite) return 1;
    if (!conversion.imagesRangees) {
        // The cards are all in the base, but the pictures reported above are not beside it.
        return erreur("la base " + destination + " a été écrite, mais des images n'ont pas pu être rangées", 1);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> chemins;
    bool remplacer = false;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (options && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (options && a == "--remplacer") remplacer = true;
        else if (options && a == "--") options = false;
        else if (options && a.size() > 1 && a[0] == '-') return erreur("option inconnue : " + a + "\n" + kUsage, 2);
        else chemins.push_back(a);
    }
    if (chemins.size() != 2) return erreur(std::string("il faut une source et une destination.\n") + kUsage, 2);
    const std::string& source = chemins[0];
    const std::string& destination = chemins[1];
    const std::string de = extension(source), vers = extension(destination);
    const bool depuisDat = de == ".dat" && (vers == ".csv" || vers == ".html" || vers == ".pdf");
    const bool depuisCsv = de == ".csv" && vers == ".dat";
    if (!depuisDat && !depuisCsv) {
        return erreur("conversion de « " + de + " » vers « " + vers +
                          " » non prévue : .dat vers .csv, .html ou .pdf, ou .csv vers .dat.\n" + kUsage,
                      2);
    }
    struct stat st;
    if (stat(source.c_str(), &st) != 0) {
        return erreur("la source " + source + " n'a pas pu être lue : " + raisonLecture(errno), 1);
    }
    if (existe(destination)) {
        if (!remplacer) {
            return erreur("la destination " + destination +
                              " existe déjà : elle n'est remplacée qu'avec --remplacer",
                          1);
        }
        struct stat ss;
        if (stat(source.c_str(), &ss) == 0 && stat(destination.c_str(), &st) == 0 &&
            ss.st_dev == st.st_dev && ss.st_ino == st.st_ino) {
            return erreur("la source et la destination sont le même fichier", 2);
        }
    }
    try {
        return depuisDat ? depuisBase(source, destination, vers) : depuisTableau(source, destination);
    } catch (const std::bad_alloc&) {
        return erreur("mémoire insuffisante", 1);
    } catch (const std::exception& e) {
        return erreur(e.what(), 1);
    }
}
