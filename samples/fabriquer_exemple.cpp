// Prepares a start directory for a first run:
//
//   fabriquer_exemple [--force] DIRECTORY
//
// writes there exemple.dat (twenty French cards in Windows-1252, half of them with a
// picture), the pictures in exemple.rep/, the placeholder picture rien.jpg and brevandoux.ini
// pointing at exemple.dat. A file that already exists is kept, so running it over a user's
// start directory never loses anything; --force replaces them. Everything is drawn here.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "core/cp1252.h"
#include "core/fiche.h"
#include "core/fichier_sur.h"

namespace fs = std::filesystem;

namespace {

enum class Dessin { Aucun, Chateau, Assiette, Phare, Moulin, Cathedrale, Tarte, Mont, Gorges, Lavande, Falaise };

struct Exemple {
    const char* titre;        // UTF-8 here, Windows-1252 in the card
    const char* description;  // "\n" here, CR LF in the card
    Dessin dessin;
    const char* image;        // file name in exemple.rep, or nullptr
};

const Exemple kExemples[] = {
    {"Château de Chambord",
     "Visité le 14 juillet 2019 avec Hélène et les enfants.\nL’escalier à double révolution "
     "attribué à Léonard de Vinci.\nEntrée : 14,50 € ; gratuit pour les moins de 18 ans.",
     Dessin::Chateau, "chambord.jpg"},
    {"Recette de la ratatouille",
     "Ingrédients : 2 aubergines, 3 courgettes, 2 poivrons, 4 tomates, 1 oignon, ail, thym.\n"
     "Faire revenir chaque légume séparément dans l’huile d’olive.\nMijoter 45 minutes à feu doux.",
     Dessin::Assiette, "ratatouille.jpg"},
    {"Abbaye de Fontevraud",
     "Tombeaux des Plantagenêts : Aliénor d’Aquitaine, Henri II, Richard Cœur de Lion.\n"
     "Fermée en janvier.",
     Dessin::Aucun, nullptr},
    {"Phare du Créac’h, Ouessant",
     "Traversée depuis Le Conquet, 1 h 15.\nLe musée des phares et balises est au pied du phare.\n"
     "Prévoir un coupe-vent !",
     Dessin::Phare, "creach.jpg"},
    {"Recette du bœuf bourguignon",
     "1,5 kg de paleron, 75 cl de vin rouge de Bourgogne, 200 g de lardons, champignons.\n"
     "Mariner la veille. Cuisson : 3 heures à thermostat 5.",
     Dessin::Aucun, nullptr},
    {"Moulin de Daudet, Fontvieille",
     "« Lettres de mon moulin », 1869.\nBalade dans les pinèdes jusqu’au moulin Saint-Pierre.",
     Dessin::Moulin, "moulin.jpg"},
    {"Lettre de tante Hélène",
     "Reçue le 3 février.\nElle demande des nouvelles de François et propose de venir à Pâques.\n"
     "Répondre avant la fin du mois.",
     Dessin::Aucun, nullptr},
    {"Cathédrale de Chartres",
     "Vitraux du XIIIe siècle, le bleu de Chartres.\nLabyrinthe dans la nef (dégagé le vendredi).\n"
     "Chartres en lumières d’avril à janvier.",
     Dessin::Cathedrale, "chartres.jpg"},
    {"Horloge comtoise du grenier",
     "Achetée à la brocante de Morez en 1987 pour 1 200 F.\nLe balancier est à refaire ; "
     "voir M. Lemaître, horloger, rue des Écoles.",
     Dessin::Aucun, nullptr},
    {"Tarte Tatin de grand-mère",
     "6 pommes reinettes, 100 g de beurre, 150 g de sucre, une pâte brisée.\n"
     "Caraméliser dans le moule, poser la pâte, 30 minutes à 200 °C.\nDémouler tiède.",
     Dessin::Tarte, "tatin.jpg"},
    {"Les Misérables, Victor Hugo",
     "Édition de poche en cinq volumes, prêtée à Cécile.\nTome 2 (« Cosette ») annoté.",
     Dessin::Aucun, nullptr},
    {"Mont-Saint-Michel",
     "Marées d’équinoxe : coefficient 117 le 10 septembre.\nNavette depuis le parking, "
     "puis la Grande Rue jusqu’à l’abbaye.",
     Dessin::Mont, "mont.jpg"},
    {"Jardin : taille des rosiers",
     "Tailler fin février, au-dessus d’un œil tourné vers l’extérieur.\n"
     "Rosiers grimpants : seulement le bois mort.",
     Dessin::Aucun, nullptr},
    {"Gorges du Verdon",
     "Sentier Blanc-Martel, 6 heures de marche, lampe frontale pour les tunnels.\n"
     "Location de pédalos au pont du Galetas.",
     Dessin::Gorges, "verdon.jpg"},
    {"Commode Louis XV",
     "Marqueterie de bois de rose, dessus de marbre.\nHéritée de l’oncle René. "
     "Estimation : 3 500 €.",
     Dessin::Aucun, nullptr},
    {"Champs de lavande à Valensole",
     "Floraison de fin juin à mi-juillet.\nFête de la lavande le troisième dimanche de juillet.",
     Dessin::Lavande, "valensole.jpg"},
    {"Rendez-vous chez le notaire",
     "Maître Duchêne, 12 place de la République.\nApporter le livret de famille et "
     "l’acte de propriété.",
     Dessin::Aucun, nullptr},
    {"Falaises d’Étretat",
     "La Manneporte et l’Aiguille creuse.\nMonter à la chapelle Notre-Dame-de-la-Garde "
     "au coucher du soleil.",
     Dessin::Falaise, "etretat.jpg"},
    {"François Lefèvre",
     "8, rue Victor-Hugo, 25000 Besançon.\nTél. 03 81 00 00 00.\nAnniversaire le 2 décembre.",
     Dessin::Aucun, nullptr},
    {"Recette des crêpes Suzette",
     "250 g de farine, 4 œufs, 50 cl de lait, une pincée de sel.\nBeurre Suzette : beurre, "
     "sucre, zeste et jus d’orange, Grand Marnier.\nFlamber au moment de servir.",
     Dessin::Aucun, nullptr},
};

// ---- Drawing -------------------------------------------------------------------------

void ciel(QPainter& p, const QRectF& r, QColor haut, QColor bas) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, haut);
    g.setColorAt(1, bas);
    p.fillRect(r, g);
}

void soleil(QPainter& p, QPointF centre, double rayon, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(centre, rayon, rayon);
}

void polygone(QPainter& p, std::initializer_list<QPointF> points, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void rectangle(QPainter& p, double x, double y, double l, double h, QColor c) {
    p.fillRect(QRectF(x, y, l, h), c);
}

void collines(QPainter& p, QColor loin, QColor pres) {
    QPainterPath a;
    a.moveTo(0, 170);
    a.cubicTo(80, 130, 160, 175, 320, 140);
    a.lineTo(320, 240);
    a.lineTo(0, 240);
    p.fillPath(a, loin);
    QPainterPath b;
    b.moveTo(0, 200);
    b.cubicTo(120, 170, 220, 215, 320, 185);
    b.lineTo(320, 240);
    b.lineTo(0, 240);
    p.fillPath(b, pres);
}

void mer(QPainter& p, double niveau, QColor c) {
    rectangle(p, 0, niveau, 320, 240 - niveau, c);
    p.setPen(QPen(c.lighter(130), 2));
    for (int i = 0; i < 6; ++i) {
        const double y = niveau + 10 + i * 9;
        p.drawLine(QPointF(20 + i * 37 % 200, y), QPointF(60 + i * 37 % 200, y));
    }
}

void tour(QPainter& p, double x, double base, double largeur, double hauteur, QColor mur, QColor toit) {
    rectangle(p, x, base - hauteur, largeur, hauteur, mur);
    polygone(p, {{x - 4, base - hauteur}, {x + largeur / 2, base - hauteur - largeur * 1.2}, {x + largeur + 4, base - hauteur}}, toit);
}

void dessinerScene(QPainter& p, Dessin d) {
    const QColor pierre(236, 226, 200), ardoise(70, 80, 110);
    switch (d) {
        case Dessin::Chateau:
            ciel(p, QRectF(0, 0, 320, 240), QColor(90, 160, 230), QColor(200, 230, 250));
            soleil(p, {260, 50}, 22, QColor(255, 215, 80));
            collines(p, QColor(120, 180, 90), QColor(80, 150, 60));
            rectangle(p, 70, 120, 180, 70, pierre);
            for (int i = 0; i < 9; ++i) rectangle(p, 72 + i * 20, 112, 10, 8, pierre);
            tour(p, 55, 190, 30, 90, pierre, ardoise);
            tour(p, 235, 190, 30, 90, pierre, ardoise);
            tour(p, 145, 150, 30, 80, pierre, ardoise);
            for (int i = 0; i < 5; ++i) rectangle(p, 95 + i * 30, 140, 10, 16, QColor(60, 60, 80));
            break;
        case Dessin::Assiette:
            p.fillRect(QRectF(0, 0, 320, 240), QColor(200, 40, 40));
            for (int y = 0; y < 240; y += 30)
                for (int x = (y / 30) % 2 * 30; x < 320; x += 60) rectangle(p, x, y, 30, 30, QColor(250, 245, 240));
            p.setPen(QPen(QColor(180, 180, 190), 3));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(QPointF(160, 110), 95, 80);
            for (int i = 0; i < 14; ++i) {
                static const QColor legumes[] = {QColor(220, 50, 30), QColor(90, 40, 110), QColor(60, 150, 50),
                                                 QColor(250, 190, 30)};
                soleil(p, QPointF(110 + (i * 37) % 100, 75 + (i * 23) % 70), 10 + i % 4, legumes[i % 4]);
            }
            break;
        case Dessin::Phare:
            ciel(p, QRectF(0, 0, 320, 150), QColor(40, 70, 140), QColor(250, 170, 110));
            mer(p, 150, QColor(30, 90, 150));
            polygone(p, {{40, 150}, {200, 150}, {170, 125}, {80, 125}}, QColor(110, 100, 90));
            for (int i = 0; i < 6; ++i)
                rectangle(p, 115, 40 + i * 14, 30, 14, i % 2 ? QColor(255, 255, 255) : QColor(200, 30, 40));
            rectangle(p, 110, 28, 40, 12, QColor(40, 40, 40));
            polygone(p, {{150, 34}, {320, 10}, {320, 60}}, QColor(255, 240, 150, 140));
            break;
        case Dessin::Moulin:
            ciel(p, QRectF(0, 0, 320, 240), QColor(120, 190, 240), QColor(240, 240, 220));
            collines(p, QColor(170, 190, 110), QColor(130, 160, 80));
            rectangle(p, 140, 90, 44, 90, pierre);
            polygone(p, {{134, 90}, {162, 62}, {190, 90}}, QColor(150, 90, 60));
            p.setPen(QPen(QColor(90, 60, 40), 5));
            p.drawLine(QPointF(110, 40), QPointF(214, 120));
            p.drawLine(QPointF(110, 120), QPointF(214, 40));
            rectangle(p, 154, 150, 16, 30, QColor(90, 60, 40));
            break;
        case Dessin::Cathedrale:
            ciel(p, QRectF(0, 0, 320, 240), QColor(60, 100, 170), QColor(190, 210, 240));
            rectangle(p, 0, 200, 320, 40, QColor(150, 140, 120));
            rectangle(p, 90, 110, 140, 90, pierre);
            tour(p, 90, 200, 40, 140, pierre, QColor(110, 120, 130));
            tour(p, 190, 200, 40, 120, pierre, QColor(110, 120, 130));
            p.setPen(QPen(QColor(120, 90, 60), 3));
            p.setBrush(QColor(40, 90, 200));
            p.drawEllipse(QPointF(160, 140), 22, 22);
            break;
        case Dessin::Tarte:
            p.fillRect(QRectF(0, 0, 320, 240), QColor(120, 80, 50));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(240, 240, 235));
            p.drawEllipse(QPointF(160, 120), 110, 95);
            p.setBrush(QColor(200, 120, 30));
            p.drawEllipse(QPointF(160, 120), 85, 72);
            for (int i = 0; i < 8; ++i) {
                p.setBrush(QColor(230, 160, 60));
                p.drawPie(QRectF(85, 58, 150, 124), i * 45 * 16, 35 * 16);
            }
            break;
        case Dessin::Mont:
            ciel(p, QRectF(0, 0, 320, 240), QColor(170, 200, 230), QColor(250, 220, 190));
            rectangle(p, 0, 180, 320, 60, QColor(200, 190, 160));
            polygone(p, {{90, 185}, {130, 120}, {190, 120}, {230, 185}}, QColor(120, 110, 95));
            rectangle(p, 130, 95, 60, 30, pierre);
            polygone(p, {{152, 95}, {160, 30}, {168, 95}}, QColor(110, 120, 130));
            mer(p, 205, QColor(100, 150, 170));
            break;
        case Dessin::Gorges:
            ciel(p, QRectF(0, 0, 320, 240), QColor(100, 170, 240), QColor(220, 240, 255));
            polygone(p, {{0, 40}, {120, 70}, {140, 240}, {0, 240}}, QColor(210, 190, 150));
            polygone(p, {{320, 30}, {200, 80}, {180, 240}, {320, 240}}, QColor(190, 170, 130));
            polygone(p, {{120, 240}, {140, 150}, {180, 150}, {200, 240}}, QColor(40, 190, 180));
            polygone(p, {{0, 40}, {60, 48}, {40, 70}, {0, 66}}, QColor(60, 130, 60));
            break;
        case Dessin::Lavande:
            ciel(p, QRectF(0, 0, 320, 240), QColor(80, 150, 230), QColor(255, 230, 170));
            soleil(p, {60, 60}, 26, QColor(255, 200, 60));
            rectangle(p, 0, 120, 320, 120, QColor(120, 160, 70));
            for (int i = 0; i < 9; ++i) {
                const double x = 160 + (i - 4) * 18;
                polygone(p, {{160, 120}, {x - 4 + (x - 160) * 6, 240}, {x + 14 + (x - 160) * 6, 240}}, QColor(140, 90, 200));
            }
            break;
        case Dessin::Falaise:
            ciel(p, QRectF(0, 0, 320, 240), QColor(140, 190, 235), QColor(230, 240, 250));
            mer(p, 160, QColor(40, 120, 160));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(245, 245, 235));
            {
                QPainterPath f;
                f.moveTo(320, 60);
                f.lineTo(150, 70);
                f.lineTo(130, 180);
                f.lineTo(160, 180);
                f.cubicTo(170, 120, 200, 120, 210, 180);
                f.lineTo(320, 180);
                f.closeSubpath();
                p.drawPath(f);
            }
            polygone(p, {{320, 60}, {150, 70}, {156, 58}, {320, 50}}, QColor(90, 150, 70));
            polygone(p, {{100, 180}, {108, 110}, {116, 180}}, QColor(240, 240, 230));
            break;
        case Dessin::Aucun: break;
    }
}

QImage image(Dessin d, const QString& titre) {
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    dessinerScene(p, d);
    // The card's title on a dark band, so that the picture says which card it belongs to.
    QFont police(QStringLiteral("DejaVu Sans"));
    police.setPixelSize(16);
    police.setBold(true);
    p.setFont(police);
    p.fillRect(QRectF(0, 204, 320, 36), QColor(0, 0, 0, 150));
    p.setPen(Qt::white);
    const QString texte = QFontMetrics(police).elidedText(titre, Qt::ElideRight, 304);
    p.drawText(QRectF(8, 204, 304, 36), Qt::AlignVCenter | Qt::AlignLeft, texte);
    p.end();
    return img;
}

QImage placeholder() {
    QImage img(178, 178, QImage::Format_RGB32);
    img.fill(QColor(225, 225, 225));
    QPainter p(&img);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawRect(QRect(0, 0, 177, 177));
    p.end();
    return img;
}

// ---- Files ---------------------------------------------------------------------------

struct Bilan {
    int ecrits = 0, gardes = 0, erreurs = 0;
};

bool aEcrire(const fs::path& chemin, bool forcer, Bilan& bilan) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(chemin, ec)) && !forcer) {
        std::printf("gardé (existe déjà)  %s\n", chemin.c_str());
        ++bilan.gardes;
        return false;
    }
    return true;
}

void ecrireOctets(const fs::path& chemin, const std::string& octets, bool forcer, Bilan& bilan) {
    if (!aEcrire(chemin, forcer, bilan)) return;
    const Morceau m{octets.data(), octets.size()};
    const ResultatEcriture r = ecrireFichierSur(chemin.string(), std::span(&m, 1));
    if (!r.ok()) {
        std::fprintf(stderr, "impossible d'écrire %s : %s\n", chemin.c_str(),
                     r.raison.empty() ? "fichier protégé en écriture" : r.raison.c_str());
        ++bilan.erreurs;
        return;
    }
    std::printf("écrit                %s\n", chemin.c_str());
    ++bilan.ecrits;
}

void ecrireJpeg(const fs::path& chemin, const QImage& img, bool forcer, Bilan& bilan) {
    if (!aEcrire(chemin, forcer, bilan)) return;
    if (!img.save(QString::fromStdString(chemin.string()), "JPG", 90)) {
        std::fprintf(stderr, "impossible d'écrire l'image %s\n", chemin.c_str());
        ++bilan.erreurs;
        return;
    }
    std::printf("écrit                %s\n", chemin.c_str());
    ++bilan.ecrits;
}

std::string baseExemple() {
    std::vector<Fiche> fiches(std::size(kExemples));
    int32_t numero = 1;
    for (std::size_t i = 0; i < fiches.size(); ++i) {
        const Exemple& e = kExemples[i];
        Fiche& f = fiches[i];
        std::memset(static_cast<void*>(&f), 0, sizeof f);
        f.numero = numero++;
        const std::string titre = utf8VersCp1252(e.titre);
        const std::string description = utf8VersCp1252(lignesVersFiche(e.description));
        const std::string image = e.image ? std::string("\\") + e.image : std::string();
        // The texts above are ours; one that outgrew its field is a mistake to fix here, not
        // something to cut silently.
        if (titre.size() > 255 || description.size() > 511 || image.size() > 255) {
            std::fprintf(stderr, "texte trop long pour la fiche %d\n", f.numero);
            std::exit(1);
        }
        ecrireChamp(f.titre, titre);
        ecrireChamp(f.description, description);
        ecrireChamp(f.image, image);
    }
    return std::string(reinterpret_cast<const char*>(fiches.data()), fiches.size() * sizeof(Fiche));
}

}  // namespace

int main(int argc, char** argv) {
    bool forcer = false;
    const char* dossierArg = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0) {
            forcer = true;
        } else if (dossierArg == nullptr && argv[i][0] != '-') {
            dossierArg = argv[i];
        } else {
            dossierArg = nullptr;
            break;
        }
    }
    if (dossierArg == nullptr) {
        std::fprintf(stderr, "usage : %s [--force] DOSSIER\n", argv[0]);
        return 2;
    }
    // Only pictures are drawn: no window, no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::error_code ec;
    fs::create_directories(dossierArg, ec);
    if (ec) {
        std::fprintf(stderr, "impossible de créer %s : %s\n", dossierArg, ec.message().c_str());
        return 1;
    }
    const fs::path dossier = fs::canonical(dossierArg, ec);
    if (ec) {
        std::fprintf(stderr, "dossier %s : %s\n", dossierArg, ec.message().c_str());
        return 1;
    }
    const fs::path base = dossier / "exemple.dat";
    const fs::path images = dossier / "exemple.rep";
    fs::create_directories(images, ec);
    if (ec) {
        std::fprintf(stderr, "impossible de créer %s : %s\n", images.c_str(), ec.message().c_str());
        return 1;
    }

    Bilan bilan;
    ecrireOctets(base, baseExemple(), forcer, bilan);
    for (const Exemple& e : kExemples) {
        if (e.image == nullptr) continue;
        ecrireJpeg(images / e.image, image(e.dessin, QString::fromUtf8(e.titre)), forcer, bilan);
    }
    ecrireJpeg(dossier / "rien.jpg", placeholder(), forcer, bilan);
    ecrireOctets(dossier / "brevandoux.ini", "[setup]\r\nautoload=" + base.string() + "\r\n", forcer, bilan);

    std::printf("%d fichier(s) écrit(s), %d gardé(s), %d erreur(s)\n", bilan.ecrits, bilan.gardes,
                bilan.erreurs);
    return bilan.erreurs == 0 ? 0 : 1;
}
