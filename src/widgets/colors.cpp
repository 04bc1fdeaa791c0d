#include "colors.h"

#include "forms/formstyle.h"

#include <QPalette>
#include <QWidget>

namespace kv {

QColor textColorOn(const QColor& background, const QColor& backdrop)
{
    const QColor fond = background.toRgb();
    const QColor dessous = backdrop.toRgb();
    const double a = fond.alphaF();
    // What the eye sees: the colour over its backdrop.
    const QColor vu = QColor::fromRgbF(float(fond.redF() * a + dessous.redF() * (1 - a)),
                                       float(fond.greenF() * a + dessous.greenF() * (1 - a)),
                                       float(fond.blueF() * a + dessous.blueF() * (1 - a)));
    const QColor noir(Qt::black);
    const QColor blanc(Qt::white);
    return forms::contrastRatio(noir, vu) >= forms::contrastRatio(blanc, vu) ? noir : blanc;
}

QColor toQColor(const CouleurRVB& c)
{
    return QColor::fromRgbF(float(c.rouge), float(c.vert), float(c.bleu));
}

CouleurRVB toCouleurRVB(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return CouleurRVB{rgb.redF(), rgb.greenF(), rgb.blueF()};
}

std::optional<QColor> colorFromHex(const QString& texte)
{
    const std::optional<CouleurRVB> c = couleurDepuisHex(texte);
    if (!c)
        return std::nullopt;
    return toQColor(*c);
}

QColor colorFromHex(const QString& texte, const QColor& fallback)
{
    return colorFromHex(texte).value_or(fallback);
}

QString toHex(const QColor& color)
{
    return hexDepuisCouleur(toCouleurRVB(color));
}

void setSecondaryText(QWidget* widget, qreal opacity)
{
    QPalette palette = widget->palette();
    QColor text = palette.color(QPalette::WindowText);
    text.setAlphaF(float(opacity));
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

} // namespace kv
