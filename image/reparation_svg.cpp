#include "image/reparation_svg.h"

#include <QRegularExpression>
#include <QString>

#include "core/cp1252.h"

namespace {

// Control characters other than tab and line ends are not allowed anywhere in XML, and a
// single one from a text of the file makes the whole SVG unreadable.
bool controleInterdit(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

QByteArray sansControles(QByteArray svg) {
    svg.removeIf([](char c) { return controleInterdit(static_cast<unsigned char>(c)); });
    return svg;
}

// A byte of a drawing's text as the character it stands for in Windows-1252. The five codes the
// code page leaves unassigned have no character to draw: they show as the replacement mark,
// not as the invisible C1 controls a card's text keeps them as.
char16_t caractereDessin(unsigned char octet) {
    const char32_t c = caractereCp1252(octet);
    return c >= 0x80 && c < 0xA0 ? u'\uFFFD' : static_cast<char16_t>(c);
}

// libwmf writes a text's characters as the file holds them, in the Windows code page and
// without XML escapes: an "é" or an "&" in a French drawing would make the whole SVG
// unreadable. The rest of its output is ASCII.
QByteArray reparerTextesWmf(const QByteArray& svg) {
    QString resultat;
    resultat.reserve(svg.size());
    bool dansTexte = false;  // between <text ...> and </text>
    for (qsizetype i = 0; i < svg.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(svg[i]);
        if (dansTexte) {
            if (c == '<' && svg.mid(i, 7) == "</text>") {
                dansTexte = false;
            } else if (c == '<') {
                resultat += QStringLiteral("&lt;");
                continue;
            } else if (c == '&') {
                resultat += QStringLiteral("&amp;");
                continue;
            } else if (c == '>') {
                resultat += QStringLiteral("&gt;");
                continue;
            }
        } else if (c == '<' && svg.mid(i, 5) == "<text") {
            const qsizetype fin = svg.indexOf('>', i);
            if (fin < 0) break;
            resultat += QString::fromLatin1(svg.mid(i, fin + 1 - i));
            i = fin;
            dansTexte = true;
            continue;
        }
        if (controleInterdit(c)) continue;
        resultat += QChar(caractereDessin(c));
    }
    return resultat.toUtf8();
}

// libemf2svg puts each text into a CDATA section as it is: a "]]>" in the text ends the
// section early and makes the whole SVG unreadable. The texts become escaped characters.
QByteArray reparerTextesEmf(const QByteArray& svg) {
    static const QByteArray ouverture("<![CDATA["), fermeture("]]></text>");
    QByteArray resultat;
    resultat.reserve(svg.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype debut = svg.indexOf(ouverture, pos);
        if (debut < 0) break;
        const qsizetype fin = svg.indexOf(fermeture, debut + ouverture.size());
        if (fin < 0) break;
        resultat.append(svg.constData() + pos, debut - pos);
        const QByteArray texte = svg.mid(debut + ouverture.size(), fin - debut - ouverture.size());
        resultat.append(QString::fromUtf8(texte).toHtmlEscaped().toUtf8());
        resultat.append("</text>");
        pos = fin + fermeture.size();
    }
    resultat.append(svg.constData() + pos, svg.size() - pos);
    return resultat;
}

// libwmf refers to embedded bitmaps with xlink:href without declaring the xlink prefix: an
// XML reader that minds namespaces rejects the whole drawing.
QByteArray declarerXlink(QByteArray svg) {
    if (!svg.contains("xlink:") || svg.contains("xmlns:xlink")) return svg;
    const qsizetype racine = svg.indexOf("<svg");
    if (racine < 0) return svg;
    svg.insert(racine + 4, " xmlns:xlink=\"http://www.w3.org/1999/xlink\"");
    return svg;
}

// SVG draws no text of size zero, and Qt SVG draws it at its default size: libemf2svg writes
// such texts when a file's mapping squeezes the drawing to a point.
QByteArray sansTextesNuls(const QByteArray& svg) {
    static const QRegularExpression nul(QStringLiteral(
        "<text\\b[^>]*\\sfont-size=\"0*(?:\\.0*)?\"[^>]*>.*?</text>"),
        QRegularExpression::DotMatchesEverythingOption);
    QString texte = QString::fromUtf8(svg);
    if (!texte.contains(QLatin1String("font-size=\"0"))) return svg;
    texte.remove(nul);
    return texte.toUtf8();
}

// libwmf writes a rectangle of a window turned upside down (a negative extent) with a
// negative height or width, which SVG does not draw at all: the rectangle is turned back.
QByteArray rectanglesDroits(const QByteArray& svg) {
    static const QRegularExpression rect(QStringLiteral(
        "<rect x=\"([-+0-9.eE]+)\" y=\"([-+0-9.eE]+)\" width=\"([-+0-9.eE]+)\" "
        "height=\"([-+0-9.eE]+)\""));
    if (!svg.contains("=\"-")) return svg;
    const QString texte = QString::fromUtf8(svg);
    QString resultat;
    resultat.reserve(texte.size());
    qsizetype pos = 0;
    for (auto it = rect.globalMatch(texte); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        double x = m.captured(1).toDouble(), y = m.captured(2).toDouble();
        double l = m.captured(3).toDouble(), h = m.captured(4).toDouble();
        if (l >= 0 && h >= 0) continue;
        if (l < 0) {
            x += l;
            l = -l;
        }
        if (h < 0) {
            y += h;
            h = -h;
        }
        resultat += QStringView(texte).mid(pos, m.capturedStart() - pos);
        resultat += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
                        .arg(x, 0, 'f', 6).arg(y, 0, 'f', 6).arg(l, 0, 'f', 6).arg(h, 0, 'f', 6);
        pos = m.capturedEnd();
    }
    resultat += QStringView(texte).mid(pos);
    return resultat.toUtf8();
}

}  // namespace

QByteArray reparerSvgWmf(const QByteArray& svg) {
    return rectanglesDroits(declarerXlink(reparerTextesWmf(svg)));
}

QByteArray reparerSvgEmf(const QByteArray& svg) {
    return sansTextesNuls(reparerTextesEmf(sansControles(svg)));
}
