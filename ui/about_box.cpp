#include "ui/about_box.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "platform/plateforme.h"

namespace {
// The box is laid out in pixels of a 96 dpi screen, which are Qt's device-independent
// pixels: the toolkit scales them on dense screens.
constexpr int kLargeur = 298;
constexpr int kHauteur = 209;
constexpr int kLargeurPanneau = 281;

const QColor kSarcelle(0, 128, 128);
const QColor kVertClair(128, 255, 128);
const QColor kBleu(0, 0, 255);

QFont policeDeLaBoite() {
    // "MS Sans Serif" is missing on most systems; the style hint lets the font matcher pick
    // the usual plain sans-serif instead of a serif fallback.
    QFont police(QStringLiteral("MS Sans Serif"));
    police.setStyleHint(QFont::SansSerif);
    police.setPixelSize(11);
    return police;
}

void colorer(QWidget* w, QPalette::ColorRole role, const QColor& couleur) {
    QPalette p = w->palette();
    p.setColor(role, couleur);
    w->setPalette(p);
}

// Labels keep the position and height of the layout; their width follows their text (our
// texts are not those the layout was measured for), without leaving the panel.
QLabel* etiquette(QWidget* parent, const char* nom, const QString& texte, int gauche, int haut,
                  int largeur, bool gras, bool souligne) {
    auto* l = new QLabel(texte, parent);
    l->setObjectName(QLatin1String(nom));
    QFont f = parent->font();
    f.setBold(gras);
    f.setUnderline(souligne);
    l->setFont(f);
    colorer(l, QPalette::WindowText, kBleu);
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    const int voulue = QFontMetrics(f).horizontalAdvance(texte) + 2;
    const int place = kLargeurPanneau - 4 - gauche;
    l->setGeometry(gauche, haut, std::min(std::max(largeur, voulue), place), 13);
    return l;
}
}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos de Brevandoux"));
    setModal(false);
    setFixedSize(kLargeur, kHauteur);
    setSizeGripEnabled(false);
    setFont(policeDeLaBoite());
    colorer(this, QPalette::WindowText, Qt::black);
    colorer(this, QPalette::Window, kSarcelle);
    setAutoFillBackground(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, kLargeurPanneau, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    colorer(Panel1, QPalette::Window, kVertClair);
    Panel1->setAutoFillBackground(true);

    // Shown at its own size in a smaller frame: what exceeds the frame is cut off.
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(16, 8, 33, 57);
    ProgramIcon->setScaledContents(false);
    ProgramIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProgramIcon->setPixmap(dessinerEmbleme(devicePixelRatioF()));

    ProductName =
        etiquette(Panel1, "ProductName", QStringLiteral("Brevandoux"), 88, 16, 58, true, false);
    Version = etiquette(Panel1, "Version", QStringLiteral("version 1.0"), 88, 40, 52, false, false);
    Copyright =
        etiquette(Panel1, "Copyright", QStringLiteral("Copyright © 2026 l'équipe Brevandoux"), 8,
                  80, 133, false, false);
    // The program has no contact address or web site of its own to give: the two underlined
    // lines name its licence and where to read it, which is true wherever it is copied.
    Label1 = etiquette(Panel1, "Label1", QStringLiteral("Licence GNU GPL v2 ou ultérieure"), 8, 104,
                       80, false, true);

    // Wrapped over several lines only when the address is wider than the room left in the
    // panel.
    Comments = etiquette(Panel1, "Comments", QStringLiteral("https://www.gnu.org/licenses/gpl-2.0.html"), 8, 136,
                         103, false, true);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Comments->resize(Comments->width(), std::max(13, Comments->heightForWidth(Comments->width())));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(118, 178, 65, 26);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    OKButton->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(OKButton);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::OKButtonClick() { hide(); }

void TAboutBox::showEvent(QShowEvent* evenement) {
    QDialog::showEvent(evenement);
    if (evenement->spontaneous()) return;
    // Centred on the screen each time it appears, and ready for Enter.
    QScreen* ecran = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (ecran != nullptr) {
        QRect cadre = frameGeometry();
        cadre.moveCenter(ecran->availableGeometry().center());
        move(cadre.topLeft());
    }
    OKButton->setFocus(Qt::ActiveWindowFocusReason);
}

void montrerAPropos(TAboutBox& boite) {
    if (!boite.isVisible()) boite.show();
    boite.raise();
    boite.activateWindow();
}

void afficherAideGenerale(Plateforme& plateforme) {
    plateforme.afficherAide(kFichierAide, kSujetSommaire);
}

QPixmap dessinerEmbleme(qreal ratio) {
    constexpr int w = 35;
    constexpr int h = 61;
    QPixmap pixmap(QSize(w, h) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Three index cards standing in a drawer, their tabs staggered as in a real card file.
    struct Carte {
        QRectF rect;
        QColor fond;
        qreal onglet;  // left edge of the tab
    };
    const Carte cartes[] = {
        {QRectF(5.5, 9.5, 24, 34), QColor(255, 236, 170), 18},
        {QRectF(4.5, 15.5, 24, 30), QColor(200, 230, 255), 6},
        {QRectF(3.5, 21.5, 24, 26), QColor(255, 252, 240), 12},
    };
    const QPen trait(QColor(60, 60, 60), 1);
    for (const Carte& c : cartes) {
        QPainterPath contour;
        contour.addRect(c.rect);
        contour.addRect(QRectF(c.onglet - 0.5, c.rect.top() - 5, 9, 6));
        p.setPen(trait);
        p.setBrush(c.fond);
        p.drawPath(contour.simplified());
    }
    // The front card: a red rule under its heading, blue lines for its text.
    const QRectF devant = cartes[2].rect;
    p.setPen(QPen(QColor(200, 30, 30), 1));
    p.drawLine(QPointF(devant.left() + 2, devant.top() + 4.5),
               QPointF(devant.right() - 2, devant.top() + 4.5));
    p.setPen(QPen(QColor(90, 120, 220), 1));
    for (int i = 0; i < 3; ++i) {
        const qreal y = devant.top() + 8.5 + 3 * i;
        p.drawLine(QPointF(devant.left() + 2, y), QPointF(devant.right() - 2, y));
    }

    // The drawer, in the teal of the box, with its brass handle and label holder.
    const QRectF tiroir(1.5, 35.5, 30, 20);
    p.setPen(QPen(QColor(0, 60, 60), 1));
    p.setBrush(QColor(0, 112, 112));
    p.drawRoundedRect(tiroir, 2, 2);
    p.setBrush(QColor(0, 140, 140));
    p.drawRect(QRectF(tiroir.left(), tiroir.top(), tiroir.width(), 3));
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(230, 190, 60));
    p.drawRoundedRect(QRectF(11.5, 46.5, 10, 4), 2, 2);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(12.5, 40.5, 8, 4));
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.drawLine(QPointF(14, 42.5), QPointF(19, 42.5));

    // A shadow beyond the drawer falls in the part of the picture that the frame cuts off.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRect(QRectF(3, 56, 30, 3));
    p.end();
    return pixmap;
}
