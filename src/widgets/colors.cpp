#include "colors.h"

namespace kv {

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

} // namespace kv
