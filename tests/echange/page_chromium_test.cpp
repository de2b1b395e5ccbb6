// The exported web page as a browser shows it: Chromium without a window parses the page
// (its DOM dumped back) and draws it (a screenshot whose colours tell the pictures were found).
// Skipped, loudly, where Chromium is not installed.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "echange/export_pages.h"
#include "tests/echange/outils_echange.h"
#include "tests/support/ignorer.h"

namespace {

QString chromium() {
    for (const char* nom : {"chromium", "chromium-browser"}) {
        const QString chemin = QStandardPaths::findExecutable(nom);
        if (!chemin.isEmpty()) return chemin;
    }
    return {};
}

// Runs Chromium headless on the page with a profile of its own, nothing fetched from the
// network; returns its standard output, or an empty text with the failure in raison.
QString lancer(const QString& programme, const QString& profil, const QStringList& action,
               const QString& page, QString& raison) {
    QStringList arguments = {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                             "--no-first-run", "--disable-background-networking",
                             "--disable-component-update", "--disable-sync",
                             "--hide-scrollbars", "--user-data-dir=" + profil};
    arguments << action << QUrl::fromLocalFile(page).toString();
    QProcess p;
    p.start(programme, arguments);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        raison = "chromium ne s'est pas terminé en 2 minutes";
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        raison = "chromium a échoué : " + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

TEST(PageChromium, exportedPage_inChromium_textsParsedAndPicturesShown) {
    const QString programme = chromium();
    if (programme.isEmpty()) IGNORER("chromium n'est pas installé (paquet Debian chromium)");
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
    ASSERT_TRUE(QDir(dossier.path()).mkdir("profil"));
    ecrireJpeg(dossier.path() + "/cartes.rep/rouge.jpg", 200, 200, Qt::red);
    ecrireImage(dossier.path() + "/cartes.rep/bleu.bmp", "BMP", 120, 60, Qt::blue);
    const std::string base = (dossier.path() + "/cartes.dat").toStdString();
    const std::vector<Fiche> fiches = {
        carte(-1, "<Chat> & \"chien\" \xab\xe9t\xe9\xbb \x80",
              "premi\xe8re ligne\r\n  deuxi\xe8me ligne, en retrait\r\n<script>document.title='x'</script>",
              "\\rouge.jpg"),
        carte(2147483647, "Bleu", "une ligne", "\\bleu.bmp"),
        carte(3, "Sans image", "", "\\perdue.jpg"),
    };
    const QString page = dossier.path() + "/page.html";
    ASSERT_EQ(exporterHtml(fiches.data(), 2, QString::fromStdString(base), base, page.toStdString()), "");

    // The DOM Chromium built: the texts stayed texts, the script never became an element.
    QString raison;
    const QString dom = lancer(programme, dossier.path() + "/profil", {"--dump-dom"}, page, raison);
    ASSERT_FALSE(dom.isEmpty()) << raison.toStdString();
    EXPECT_TRUE(dom.contains(QString::fromUtf8("&lt;Chat&gt; &amp; \"chien\" «été» €"))) << dom.toStdString();
    EXPECT_TRUE(dom.contains("&lt;script&gt;document.title='x'&lt;/script&gt;"));
    EXPECT_FALSE(dom.contains("<script"));
    EXPECT_TRUE(dom.contains(QString::fromStdString("<title>" + base + "</title>")));
    EXPECT_EQ(dom.count("<img "), 2);
    EXPECT_TRUE(dom.contains("image non disponible : perdue.jpg"));
    EXPECT_TRUE(dom.contains("2147483647"));

    // What it draws: the red picture at most 178 pixels a side, the blue one at its size.
    const QString capture = dossier.path() + "/capture.png";
    lancer(programme, dossier.path() + "/profil",
           {"--window-size=1000,900", "--screenshot=" + capture}, page, raison);
    const QImage image(capture);
    ASSERT_FALSE(image.isNull()) << raison.toStdString();
    if (const QByteArray garder = qgetenv("BREVANDOUX_CAPTURE_PAGE"); !garder.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(garder));
        QFile::copy(capture, QString::fromLocal8Bit(garder));
    }
    EXPECT_GE(pixelsProches(image, Qt::red), 170 * 170);
    EXPECT_LE(pixelsProches(image, Qt::red), 178 * 178);
    EXPECT_GE(pixelsProches(image, Qt::blue), 115 * 55);
    // Text was drawn: dark pixels beyond the pictures.
    EXPECT_GT(pixelsProches(image, Qt::black, 80), 2000);
}
