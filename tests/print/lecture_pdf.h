#pragma once
// Reads back the words of a printed PDF with their positions (pdftotext -bbox), in the device
// units of the 1200 dpi A4 printer the program draws on.

#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QPrinter>
#include <QRegularExpression>
#include <QString>
#include <vector>

struct MotPdf {
    int page;
    double x, y;  // top-left of the word, device units of the printable area
    QString texte;
};

struct DocumentPdf {
    bool lu = false;
    QString erreur;
    int pages = 0;
    std::vector<MotPdf> mots;

    // The words of one line of the page starting at (x, y), within a few units.
    QString ligne(int page, double x, double y, double tolerance = 4) const {
        QString r;
        double finPrecedente = -1;
        for (const MotPdf& m : mots) {
            if (m.page != page || std::abs(m.y - y) > tolerance) continue;
            if (r.isEmpty() ? std::abs(m.x - x) > tolerance : m.x < finPrecedente) continue;
            if (!r.isEmpty()) r += ' ';
            r += m.texte;
            finPrecedente = m.x;
        }
        return r;
    }
};

// Where the printable area starts on the paper, as the PDF printer lays out A4 at 1200 dpi.
inline QPointF origineZoneImprimable() {
    QPrinter p(QPrinter::HighResolution);
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setResolution(1200);
    p.setPageSize(QPageSize(QPageSize::A4));
    return p.pageLayout().paintRectPixels(1200).topLeft();
}

inline DocumentPdf lirePdf(const QString& pdf, QPointF origine = origineZoneImprimable()) {
    DocumentPdf doc;
    QProcess outil;
    outil.start("pdftotext", {"-bbox", pdf, "-"});
    if (!outil.waitForFinished(30000) || outil.exitCode() != 0) {
        doc.erreur = "pdftotext a échoué : " + QString::fromLocal8Bit(outil.readAllStandardError());
        return doc;
    }
    const QString html = QString::fromUtf8(outil.readAllStandardOutput());
    static const QRegularExpression balise(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
    const double echelle = 1200.0 / 72.0;
    for (auto it = balise.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith("<page")) {
            ++doc.pages;
            continue;
        }
        QString texte = m.captured(3);
        texte.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&apos;", "'");
        doc.mots.push_back({doc.pages, m.captured(1).toDouble() * echelle - origine.x(),
                            m.captured(2).toDouble() * echelle - origine.y(), texte});
    }
    doc.lu = true;
    return doc;
}

// Output of a command, or an empty text when it fails.
inline QString sortieDe(const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}
