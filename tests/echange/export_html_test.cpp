// The web page export, read back by Python's HTML parser: every text escaped and whole,
// pictures copied, converted or named as left out.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <climits>

#include "echange/export_pages.h"
#include "tests/echange/outils_echange.h"

namespace {

class ExportHtml : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        ASSERT_TRUE(QDir(dossier.path()).mkdir("cartes.rep"));
        base = (dossier.path() + "/cartes.dat").toStdString();
        page = dossier.path() + "/page.html";
    }
    QString rep(const QString& nom) const { return dossier.path() + "/cartes.rep/" + nom; }
    QString exporter(const std::vector<Fiche>& fiches, const QString& entete = "cartes") {
        return exporterHtml(fiches.data(), static_cast<int>(fiches.size()) - 1, entete, base,
                            page.toStdString());
    }
    QJsonObject lire() {
        QString fautes;
        QJsonObject r = lirePage(page, fautes);
        EXPECT_TRUE(fautes.isEmpty()) << fautes.toStdString();
        return r;
    }
    QStringList fichiersDuDossier() const {
        return QDir(dossier.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                              QDir::Name);
    }

    QTemporaryDir dossier;
    std::string base;
    QString page;
};

}  // namespace

TEST_F(ExportHtml, exporterHtml_hostileTexts_areEscapedAndReadBackWhole) {
    struct Cas {
        int32_t numero;
        std::string titre, description;  // Windows-1252, as stored
        QString numeroAttendu, titreAttendu, descriptionAttendue;
    };
    const std::vector<Cas> cas = {
        {-1, "<b>Chat & \"chien\"</b> 'x'", "ligne 1\r\nligne 2 <script>alert(1)</script>",
         "-1", "<b>Chat & \"chien\"</b> 'x'", "ligne 1\nligne 2 <script>alert(1)</script>"},
        {INT32_MIN, "\x80 \xe9\xe8\xe0\xe7 \xc9", "prix : 5 \x80\r\n\r\n\xabguillemets\xbb",
         "-2147483648", QString::fromUtf8("€ éèàç É"), QString::fromUtf8("prix : 5 €\n\n«guillemets»")},
        {INT32_MAX, "&amp; &lt; d\xe9j\xe0 \xe9" "chapp\xe9", "", "2147483647",
         QString::fromUtf8("&amp; &lt; déjà échappé"), ""},
        // Control characters HTML does not allow, and the codes Windows-1252 leaves unassigned.
        {0, "a\x01" "b\x81" "c\x7f" "d", "tab\there\rcr", "0", QString::fromUtf8("a\uFFFDb\uFFFDc\uFFFDd"),
         "tab\there\ncr"},
        {42, "]]> <!-- -->", std::string(511, 'x'), "42", "]]> <!-- -->", QString(511, 'x')},
    };
    std::vector<Fiche> fiches;
    for (const Cas& c : cas) fiches.push_back(carte(c.numero, c.titre, c.description));

    ASSERT_EQ(exporter(fiches, QString::fromUtf8("recherche pour l'expression <é & \"€\">")), "");

    const QJsonObject lu = lire();
    EXPECT_EQ(lu["entete"].toString(), QString::fromUtf8("recherche pour l'expression <é & \"€\">"));
    EXPECT_EQ(lu["titre"].toString(), QString::fromUtf8("recherche pour l'expression <é & \"€\">"));
    const QJsonArray lues = lu["fiches"].toArray();
    ASSERT_EQ(lues.size(), static_cast<qsizetype>(cas.size()));
    for (std::size_t i = 0; i < cas.size(); ++i) {
        const QJsonObject f = lues[static_cast<qsizetype>(i)].toObject();
        SCOPED_TRACE(i);
        EXPECT_EQ(f["numero"].toString(), cas[i].numeroAttendu);
        EXPECT_EQ(f["titre"].toString(), cas[i].titreAttendu);
        EXPECT_EQ(f["description"].toString(), cas[i].descriptionAttendue);
        EXPECT_TRUE(f["src"].isNull());
        EXPECT_TRUE(f["absente"].isNull());
    }
    // The markup characters are written as references, not left for the parser to guess.
    const QByteArray octets = lireOctets(page);
    EXPECT_TRUE(octets.contains("&lt;b&gt;Chat &amp; &quot;chien&quot;&lt;/b&gt; &#39;x&#39;"));
    EXPECT_TRUE(octets.startsWith("<!DOCTYPE html>\n"));
    EXPECT_FALSE(octets.contains('\r'));
}

TEST_F(ExportHtml, exporterHtml_pictures_copiedConvertedOrNamedAsLeftOut) {
    ecrireJpeg(rep("rouge.jpg"), 64, 48, Qt::red);
    ecrireImage(rep("bleu.bmp"), "BMP", 30, 20, Qt::blue);
    ecrireImage(rep("icone.ico"), "ICO", 32, 32, Qt::yellow);
    ecrireOctets(rep("vert.wmf"), wmfUni(0, 255, 0));
    ecrireOctets(rep("casse.bmp"), "BM ce n'est pas une image");
    ecrireOctets(rep("image.gif"), "GIF89a");
    ecrireJpeg(rep(QString::fromUtf8("a b#c%é.jpg")), 16, 16, Qt::red);
    ecrireJpeg(dossier.path() + "/secret.jpg", 16, 16, Qt::black);

    struct Cas {
        std::string image;   // as stored
        QString src;         // address in the page, empty when left out
        QString absente;     // start of the left-out notice
    };
    const std::vector<Cas> cas = {
        {"\\rouge.jpg", "page_fichiers/rouge.jpg", {}},
        {"\\bleu.bmp", "page_fichiers/bleu.bmp.png", {}},
        {"\\icone.ico", "page_fichiers/icone.ico.png", {}},
        {"\\vert.wmf", "page_fichiers/vert.wmf.png", {}},
        {"\\absente.jpg", {}, "image non disponible : absente.jpg (le fichier est introuvable)"},
        {"\\casse.bmp", {}, "image non disponible : casse.bmp (l'image"},
        {"\\image.gif", {}, "image non disponible : image.gif (l'image"},
        {"\\..\\secret.jpg", {}, "image non disponible : ..\\secret.jpg (ce nom d'image n'est pas valable)"},
        {"\\a b#c%\xc3\xa9.jpg", "page_fichiers/a%20b%23c%25%C3%A9.jpg", {}},
        // A name that is not UTF-8 is shown as Windows-1252, the cards' code page.
        {"\\caf\xe9.jpg", {}, QString::fromUtf8("image non disponible : café.jpg (le fichier est introuvable)")},
        {"\\rouge.jpg", "page_fichiers/rouge.jpg", {}},  // the same picture twice, copied once
        {"\\x.j", {}, {}},                               // too short a name: no picture at all
    };
    std::vector<Fiche> fiches;
    for (std::size_t i = 0; i < cas.size(); ++i) {
        fiches.push_back(carte(static_cast<int32_t>(i), "t", "d", cas[i].image));
    }

    ASSERT_EQ(exporter(fiches), "");

    const QJsonArray lues = lire()["fiches"].toArray();
    ASSERT_EQ(lues.size(), static_cast<qsizetype>(cas.size()));
    for (std::size_t i = 0; i < cas.size(); ++i) {
        SCOPED_TRACE(cas[i].image);
        const QJsonObject f = lues[static_cast<qsizetype>(i)].toObject();
        if (cas[i].src.isEmpty()) {
            EXPECT_TRUE(f["src"].isNull()) << f["src"].toString().toStdString();
        } else {
            EXPECT_EQ(f["src"].toString(), cas[i].src);
            const QByteArray cible = QFile::encodeName(dossier.path()) + "/" +
                                     QByteArray::fromPercentEncoding(cas[i].src.toLatin1());
            struct stat st;
            EXPECT_EQ(stat(cible.constData(), &st), 0) << cible.toStdString();
        }
        if (cas[i].absente.isEmpty()) {
            EXPECT_TRUE(f["absente"].isNull()) << f["absente"].toString().toStdString();
        } else {
            EXPECT_TRUE(f["absente"].toString().startsWith(cas[i].absente))
                << f["absente"].toString().toStdString();
        }
    }
    // JPEG as it was; the others decoded by the frame's loading and written as PNG.
    EXPECT_EQ(lireOctets(dossier.path() + "/page_fichiers/rouge.jpg"), lireOctets(rep("rouge.jpg")));
    const QImage bleu(dossier.path() + "/page_fichiers/bleu.bmp.png", "PNG");
    EXPECT_EQ(bleu.size(), QSize(30, 20));
    EXPECT_EQ(pixelsProches(bleu, Qt::blue, 0), 30 * 20);
    const QImage icone(dossier.path() + "/page_fichiers/icone.ico.png", "PNG");
    EXPECT_EQ(icone.size(), QSize(32, 32));
    EXPECT_EQ(pixelsProches(icone, Qt::yellow, 0), 32 * 32);
    const QImage vert(dossier.path() + "/page_fichiers/vert.wmf.png", "PNG");
    EXPECT_EQ(vert.size(), QSize(67, 67));
    EXPECT_GT(pixelsProches(vert, Qt::green), 60 * 60);
    // Nothing but the pictures that were shown, and nothing from outside the picture directory.
    EXPECT_EQ(QDir(dossier.path() + "/page_fichiers").entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({QString::fromUtf8("a b#c%é.jpg"), "bleu.bmp.png", "icone.ico.png",
                           "rouge.jpg", "vert.wmf.png"}));
}

TEST_F(ExportHtml, exporterHtml_emptyRun_pageSaysSoAndNoFolderIsMade) {
    ASSERT_EQ(exporterHtml(nullptr, -1, {}, base, page.toStdString()), "");

    const QJsonObject lu = lire();
    EXPECT_TRUE(lu["fiches"].toArray().isEmpty());
    EXPECT_TRUE(lu["entete"].isNull());
    EXPECT_TRUE(lireOctets(page).contains("<p>aucune fiche</p>"));
    EXPECT_EQ(fichiersDuDossier(), QStringList({"cartes.rep", "page.html"}));
}

TEST_F(ExportHtml, exporterHtml_existingPage_replacedWholeWithoutLeftovers) {
    ecrireOctets(page, QByteArray(100000, 'v'));
    ecrireJpeg(rep("rouge.jpg"), 8, 8, Qt::red);

    ASSERT_EQ(exporter({carte(1, "un", "", "\\rouge.jpg")}), "");

    EXPECT_EQ(lire()["fiches"].toArray().size(), 1);
    EXPECT_FALSE(lireOctets(page).contains(QByteArray(10, 'v')));
    EXPECT_EQ(fichiersDuDossier(), QStringList({"cartes.rep", "page.html", "page_fichiers"}));
    EXPECT_EQ(QDir(dossier.path() + "/page_fichiers").entryList(QDir::Files | QDir::Hidden),
              QStringList({"rouge.jpg"}));
}

TEST_F(ExportHtml, exporterHtml_pageWithoutExtension_folderNamedAfterWholeName) {
    ecrireJpeg(rep("rouge.jpg"), 8, 8, Qt::red);
    page = dossier.path() + "/fiches";
    ASSERT_EQ(exporter({carte(1, "un", "", "\\rouge.jpg")}), "");
    EXPECT_EQ(lire()["fiches"].toArray()[0].toObject()["src"].toString(), "fiches_fichiers/rouge.jpg");
    EXPECT_TRUE(QFileInfo::exists(dossier.path() + "/fiches_fichiers/rouge.jpg"));
}

TEST_F(ExportHtml, exporterHtml_cannotWrite_frenchReasonAndNothingChanged) {
    ecrireJpeg(rep("rouge.jpg"), 8, 8, Qt::red);
    const std::vector<Fiche> fiches = {carte(1, "un", "", "\\rouge.jpg")};

    // A file where the pictures' folder should go: nothing is written, not even the page.
    ecrireOctets(dossier.path() + "/page_fichiers", "x");
    EXPECT_EQ(exporter(fiches), dossier.path() + "/page_fichiers existe déjà et n'est pas un dossier");
    EXPECT_FALSE(QFileInfo::exists(page));
    ASSERT_TRUE(QFile::remove(dossier.path() + "/page_fichiers"));

    // A read-only picture already beside the page stays as it is, and no copy waits behind it.
    ASSERT_TRUE(QDir(dossier.path()).mkdir("page_fichiers"));
    const QString ancienne = dossier.path() + "/page_fichiers/rouge.jpg";
    ecrireOctets(ancienne, "ancienne");
    ASSERT_EQ(chmod(ancienne.toLocal8Bit().constData(), 0444), 0);
    EXPECT_EQ(exporter(fiches), ancienne + " est en lecture seule");
    EXPECT_EQ(lireOctets(ancienne), "ancienne");
    EXPECT_EQ(QDir(dossier.path() + "/page_fichiers").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"rouge.jpg"}));
    EXPECT_FALSE(QFileInfo::exists(page));
    ASSERT_TRUE(QDir(dossier.path() + "/page_fichiers").removeRecursively());

    // A read-only page (owner write bit clear) stays as it is.
    ecrireOctets(page, "ancienne");
    ASSERT_EQ(chmod(page.toLocal8Bit().constData(), 0444), 0);
    EXPECT_EQ(exporter(fiches), page + " est en lecture seule");
    EXPECT_EQ(lireOctets(page), "ancienne");

    // A folder that does not exist, with pictures to copy and without.
    page = dossier.path() + "/manque/page.html";
    EXPECT_EQ(exporter(fiches), "le dossier des images " + dossier.path() +
                                    "/manque/page_fichiers ne peut pas être créé : le répertoire n'existe pas");
    EXPECT_EQ(exporter({carte(1, "un")}),
              page + " ne peut pas être écrit : le répertoire n'existe pas");
}
