#pragma once
// Pictures of every format the frame shows, and the reading of an exported page, for the
// export tests.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <cstdint>
#include <vector>

#include "tests/print/outils_impression.h"

inline void ecrireOctets(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << chemin.toStdString();
    ASSERT_EQ(f.write(octets), octets.size());
}

inline QByteArray lireOctets(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void ecrireImage(const QString& chemin, const char* format, int largeur, int hauteur,
                        QColor couleur) {
    QImage image(largeur, hauteur, QImage::Format_RGB32);
    image.fill(couleur);
    ASSERT_TRUE(image.save(chemin, format)) << chemin.toStdString();
}

// A placeable WMF of 1000 × 1000 units at 1440 units an inch (67 pixels a side at 96 dpi)
// filled by one rectangle of the colour (r, g, b).
inline QByteArray wmfUni(int r, int g, int b) {
    std::vector<std::uint8_t> o;
    auto u16 = [&](int v) {
        o.push_back(static_cast<std::uint8_t>(v & 0xFF));
        o.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    };
    u32(0x9AC6CDD7);
    u16(0);
    u16(0), u16(0), u16(1000), u16(1000);
    u16(1440);
    u32(0);
    int somme = 0;
    for (std::size_t i = 0; i < 20; i += 2) somme ^= o[i] | (o[i + 1] << 8);
    u16(somme);
    std::vector<std::uint8_t> enr;
    auto record = [&](int fonction, const std::vector<int>& params) {
        const auto mots = static_cast<std::uint32_t>(3 + params.size());
        for (int k = 0; k < 4; ++k) enr.push_back(static_cast<std::uint8_t>(mots >> (8 * k)));
        enr.push_back(static_cast<std::uint8_t>(fonction & 0xFF));
        enr.push_back(static_cast<std::uint8_t>(fonction >> 8));
        for (int p : params) {
            enr.push_back(static_cast<std::uint8_t>(p & 0xFF));
            enr.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
        }
    };
    const int rg = r | (g << 8);
    record(0x020B, {0, 0});                 // SETWINDOWORG
    record(0x020C, {1000, 1000});           // SETWINDOWEXT
    record(0x02FA, {0, 1, 0, rg, b});       // pen   -> object 0
    record(0x02FC, {0, rg, b, 0});          // brush -> object 1
    record(0x012D, {0});
    record(0x012D, {1});
    record(0x041B, {1000, 1000, 0, 0});     // RECTANGLE bottom, right, top, left
    record(0x0000, {});
    u16(1);
    u16(9);
    u16(0x300);
    u32(static_cast<std::uint32_t>(9 + enr.size() / 2));
    u16(2);
    u32(7);
    u16(0);
    o.insert(o.end(), enr.begin(), enr.end());
    return QByteArray(reinterpret_cast<const char*>(o.data()), static_cast<qsizetype>(o.size()));
}

// The page as Python's HTML parser reads it (tests/echange/lire_page.py); fautes receives
// what the parser found wrong.
inline QJsonObject lirePage(const QString& page, QString& fautes) {
    QProcess p;
    p.start("python3", {QStringLiteral(BREVANDOUX_LIRE_PAGE), page});
    if (!p.waitForFinished(30000)) {
        fautes = "python3 ne répond pas";
        return {};
    }
    fautes = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (fautes.isEmpty()) fautes = "python3 a échoué";
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Counts the pixels near a colour.
inline int pixelsProches(const QImage& image, QColor couleur, int ecart = 40) {
    int n = 0;
    const QImage im = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < im.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(im.constScanLine(y));
        for (int x = 0; x < im.width(); ++x) {
            if (std::abs(qRed(ligne[x]) - couleur.red()) <= ecart &&
                std::abs(qGreen(ligne[x]) - couleur.green()) <= ecart &&
                std::abs(qBlue(ligne[x]) - couleur.blue()) <= ecart) {
                ++n;
            }
        }
    }
    return n;
}
