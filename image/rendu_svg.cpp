#include "image/rendu_svg.h"

#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <cairo.h>
#include <librsvg/rsvg.h>

namespace metafichier {

QByteArray cadrerSvg(const QByteArray& svg, Boite vue, QSize taille) {
    static const QRegularExpression racine(QStringLiteral("<svg[\\s>]"));
    const QString texte = QString::fromUtf8(svg);
    const QRegularExpressionMatch m = racine.match(texte);
    if (!m.hasMatch()) refuser("le convertisseur n'a pas produit de dessin");
    const qsizetype debut = m.capturedStart();
    const qsizetype fin = texte.indexOf(QLatin1Char('>'), debut);
    if (fin < 0) refuser("le convertisseur n'a pas produit de dessin");
    QString balise = texte.mid(debut, fin - debut);
    if (balise.endsWith(QLatin1Char('/'))) balise.chop(1);
    if (!vue.valide()) {
        static const QRegularExpression largeur(QStringLiteral("\\swidth\\s*=\\s*\"([0-9.]+)\""));
        static const QRegularExpression hauteur(QStringLiteral("\\sheight\\s*=\\s*\"([0-9.]+)\""));
        vue = Boite{0, 0, largeur.match(balise).captured(1).toDouble(),
                    hauteur.match(balise).captured(1).toDouble()};
        if (!vue.valide()) refuser("le convertisseur n'a pas produit de dessin");
    }
    static const QRegularExpression attributs(QStringLiteral(
        "\\s(width|height|viewBox|preserveAspectRatio)\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
    balise.remove(attributs);
    balise +=
        QStringLiteral(
            " width=\"%1\" height=\"%2\" viewBox=\"%3 %4 %5 %6\" preserveAspectRatio=\"none\"")
            .arg(taille.width())
            .arg(taille.height())
            .arg(vue.x, 0, 'g', 10)
            .arg(vue.y, 0, 'g', 10)
            .arg(vue.l, 0, 'g', 10)
            .arg(vue.h, 0, 'g', 10);
    return (texte.left(debut) + balise + texte.mid(fin)).toUtf8();
}

// librsvg draws the SVG: unlike Qt SVG, it honours the clipping paths that libemf2svg writes
// for every clipping region of a file, and SVG's own rules for texts and markers.
QImage dessinerSvg(const QByteArray& svg, QSize taille) {
    GError* erreur = nullptr;
    RsvgHandle* document = rsvg_handle_new_from_data(
        reinterpret_cast<const guint8*>(svg.constData()), static_cast<gsize>(svg.size()), &erreur);
    if (erreur != nullptr) g_error_free(erreur);
    if (document == nullptr) refuser("le dessin converti est illisible");
    std::unique_ptr<RsvgHandle, void (*)(gpointer)> garde(document, g_object_unref);
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, taille.width(), taille.height()),
        cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) refuser("mémoire insuffisante");
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> cr(cairo_create(surface.get()), cairo_destroy);
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const RsvgRectangle vue{0, 0, static_cast<double>(taille.width()),
                            static_cast<double>(taille.height())};
    const gboolean dessine = rsvg_handle_render_document(document, cr.get(), &vue, &erreur);
    if (erreur != nullptr) g_error_free(erreur);
    if (!dessine) refuser("le dessin converti est illisible");
    cairo_surface_flush(surface.get());
    QImage image(taille, QImage::Format_RGB32);
    if (image.isNull()) refuser("mémoire insuffisante");
    const unsigned char* donnees = cairo_image_surface_get_data(surface.get());
    const int pas = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < taille.height(); ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(donnees + static_cast<std::ptrdiff_t>(y) * pas);
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < taille.width(); ++x) ligne[x] = 0xFF000000u | (source[x] & 0xFFFFFFu);
    }
    return image;
}

bool blanche(const QImage& image) {
    const long long seuil = std::max(4LL, static_cast<long long>(image.width()) * image.height() / 2000);
    long long visibles = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = ligne[x];
            if (std::max({255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)}) > 16 && ++visibles >= seuil) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace metafichier
