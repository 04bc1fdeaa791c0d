#pragma once

// Reading under the desktop's own colours and font: a dark palette as a dark desktop theme gives
// it, a 12-point font, and checks of what is drawn (texts against what lies under them, texts
// cut without « … »).

#include "shownpart.h"

#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QStringList>

// The desktop's colours and font for the life of the object: a dark palette (light text on a
// dark grey window, as a dark desktop theme gives) or the light one, and a font of `points`; the
// application's own come back after.
struct Bureau {
    explicit Bureau(bool sombre = true, qreal points = 12) : m_palette(QApplication::palette()), m_police(QApplication::font())
    {
        QFont f = m_police;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        if (!sombre)
            return;
        QPalette p;
        const QColor fenetre(0x22, 0x20, 0x20), texte(0xfc, 0xfc, 0xfc);
        p.setColor(QPalette::Window, fenetre);
        p.setColor(QPalette::WindowText, texte);
        p.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
        p.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
        p.setColor(QPalette::Text, texte);
        p.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
        p.setColor(QPalette::ButtonText, texte);
        p.setColor(QPalette::BrightText, Qt::white);
        p.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
        p.setColor(QPalette::HighlightedText, texte);
        p.setColor(QPalette::Light, QColor(0x40, 0x46, 0x4c));
        p.setColor(QPalette::Midlight, QColor(0x36, 0x3b, 0x40));
        p.setColor(QPalette::Mid, QColor(0x26, 0x2a, 0x2e));
        p.setColor(QPalette::Dark, QColor(0x1a, 0x1d, 0x20));
        p.setColor(QPalette::Shadow, QColor(0x0f, 0x10, 0x11));
        p.setColor(QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b));
        p.setColor(QPalette::ToolTipText, texte);
        p.setColor(QPalette::PlaceholderText, QColor(0xa1, 0xa9, 0xb1));
        p.setColor(QPalette::Link, QColor(0x1d, 0x99, 0xf3));
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(QPalette::Disabled, role, QColor(0x6e, 0x71, 0x73));
        QApplication::setPalette(p);
    }
    ~Bureau()
    {
        QApplication::setPalette(m_palette);
        QApplication::setFont(m_police);
    }
    QPalette m_palette;
    QFont m_police;
};

// The contrast of what is drawn in `zone` of `image`: its commonest colour is the background,
// the ink the colour that stands out most from it (drawn on a few pixels at least: not an
// edge's blend).
inline double contrasteDessine(const QImage& image, const QRect& zone)
{
    QHash<QRgb, int> compte;
    const QRect r = zone & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++compte[image.pixel(x, y) | 0xff000000u];
    if (compte.isEmpty())
        return 21;
    QRgb fond = compte.constBegin().key();
    for (auto it = compte.constBegin(); it != compte.constEnd(); ++it)
        if (it.value() > compte.value(fond))
            fond = it.key();
    double meilleur = 1;
    for (auto it = compte.constBegin(); it != compte.constEnd(); ++it)
        if (it.value() >= 3)
            meilleur = std::max(meilleur, kv::forms::contrastRatio(QColor::fromRgb(it.key()), QColor::fromRgb(fond)));
    return meilleur;
}

// Every label of `fenetre` shown with a text: whole or cut with « … », and read at 4.5:1 (3:1
// for large text) on what lies under it. Faults are added to `fautes`.
inline void verifierLabels(QWidget* fenetre, const QString& ou, QStringList* fautes)
{
    const QImage image = fenetre->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    for (QLabel* label : fenetre->findChildren<QLabel*>()) {
        const QString texte = kv::shownText(label);
        if (!label->isVisible() || !label->pixmap().isNull() || texte.trimmed().isEmpty())
            continue;
        const QRect vu = fixtures::shownPart(label, fenetre);
        if (vu.isEmpty())
            continue;
        const int large = label->fontMetrics().horizontalAdvance(texte.section(QLatin1Char('\n'), 0, 0));
        if (!label->wordWrap() && large > label->contentsRect().width() + 1)
            fautes->append(QStringLiteral("%1: « %2 » cut (%3 px for %4)")
                               .arg(ou, texte.left(40))
                               .arg(label->contentsRect().width())
                               .arg(large));
        const QFont f = label->font();
        const bool grand = f.pointSizeF() >= 18 || (f.bold() && f.pointSizeF() >= 14);
        const QRect pixels(vu.topLeft() * dpr, vu.size() * dpr);
        const double c = contrasteDessine(image, pixels);
        if (c < (grand ? 3.0 : 4.5))
            fautes->append(QStringLiteral("%1: « %2 » reads at %3:1").arg(ou, texte.left(40)).arg(c, 0, 'f', 1));
    }
}
