#include "colors.h"

#include "forms/formstyle.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace kv {

namespace {

// What the eye sees: a colour over its backdrop.
QColor seenOver(const QColor& background, const QColor& backdrop)
{
    const QColor fond = background.toRgb();
    const QColor dessous = backdrop.toRgb();
    const double a = fond.alphaF();
    return QColor::fromRgbF(float(fond.redF() * a + dessous.redF() * (1 - a)),
                            float(fond.greenF() * a + dessous.greenF() * (1 - a)),
                            float(fond.blueF() * a + dessous.blueF() * (1 - a)));
}

} // namespace

QColor readableTextOn(const QColor& preferred, const QColor& background, const QColor& backdrop)
{
    if (preferred.isValid() && forms::contrastRatio(preferred, seenOver(background, backdrop)) >= 4.5)
        return preferred;
    return textColorOn(background, backdrop);
}

QColor inkReadableOn(const QColor& hue, const QColor& background, double ratio)
{
    const QColor vers = textColorOn(background);
    // A translucent hue is taken as it shows on the background.
    const QColor depart = seenOver(hue, background);
    // Styles shade the faces they draw from the palette's colour (a button's gradient, a hovered
    // row): the ink reads on the shade that comes nearest to it too, lighter under a light ink,
    // darker under a dark one.
    const QColor shade = vers == QColor(Qt::white) ? background.lighter(135) : background.darker(108);
    for (int pas = 0; pas < 20; ++pas) {
        const float t = float(pas) / 20.0f;
        const QColor c = QColor::fromRgbF(depart.redF() + (vers.redF() - depart.redF()) * t,
                                          depart.greenF() + (vers.greenF() - depart.greenF()) * t,
                                          depart.blueF() + (vers.blueF() - depart.blueF()) * t);
        if (forms::contrastRatio(c, background) >= ratio && forms::contrastRatio(c, shade) >= ratio)
            return c;
    }
    return vers;
}

QColor textColorOn(const QColor& background, const QColor& backdrop)
{
    const QColor vu = seenOver(background, backdrop);
    const QColor noir(Qt::black);
    const QColor blanc(Qt::white);
    return forms::contrastRatio(noir, vu) >= forms::contrastRatio(blanc, vu) ? noir : blanc;
}

QColor inkOnAll(const QColor& hue, const QList<QColor>& backgrounds, double ratio)
{
    if (backgrounds.isEmpty())
        return hue;
    const QColor first = backgrounds.first();
    const QColor vers = textColorOn(first);
    const QColor depart = seenOver(hue, first);
    const auto reaches = [&](const QColor& c) {
        return std::all_of(backgrounds.begin(), backgrounds.end(),
                           [&](const QColor& b) { return forms::contrastRatio(c, b.toRgb()) >= ratio; });
    };
    for (int pas = 0; pas < 40; ++pas) {
        const float t = float(pas) / 40.0f;
        const QColor c = QColor::fromRgbF(depart.redF() + (vers.redF() - depart.redF()) * t,
                                          depart.greenF() + (vers.greenF() - depart.greenF()) * t,
                                          depart.blueF() + (vers.blueF() - depart.blueF()) * t);
        // In whole levels, as it is drawn.
        if (reaches(c))
            return pas == 0 ? hue : QColor(c.rgb());
    }
    return vers;
}

QColor edgeColour(const QPalette& palette)
{
    // The styles' own outline: the window's colour a good deal darker.
    const QColor window = palette.color(QPalette::Window);
    // A little over 3:1, for the panels a shade off the palette's colours.
    return inkOnAll(window.darker(140), {window, palette.color(QPalette::Base), palette.color(QPalette::AlternateBase),
                                         palette.color(QPalette::Button)}, 3.3);
}

QColor focusColour(const QPalette& palette)
{
    // Against the faces as the styles shade them too, with room to spare: the frame is the
    // change the keys make, and it must show at 3:1 over whatever it is drawn on.
    const QColor button = palette.color(QPalette::Button);
    return inkOnAll(palette.color(QPalette::Highlight),
                    {palette.color(QPalette::Window), palette.color(QPalette::Base), palette.color(QPalette::AlternateBase),
                     button, button.lighter(125), button.darker(115)},
                    4.5);
}

QPalette readablePalette(const QPalette& palette)
{
    QPalette p = palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const auto colour = [&](QPalette::ColorRole role) { return p.color(group, role); };
        // Alternate rows hold the same texts as the others.
        const QColor text = colour(QPalette::Text);
        QColor alternate = colour(QPalette::AlternateBase);
        const QColor base = colour(QPalette::Base);
        for (int pas = 1; pas <= 10 && forms::contrastRatio(seenOver(text, alternate), alternate) < 4.5
                          && forms::contrastRatio(seenOver(text, base), base) >= 4.5;
             ++pas) {
            const float t = float(pas) / 10.0f;
            alternate = QColor::fromRgbF(colour(QPalette::AlternateBase).redF() + (base.redF() - colour(QPalette::AlternateBase).redF()) * t,
                                         colour(QPalette::AlternateBase).greenF() + (base.greenF() - colour(QPalette::AlternateBase).greenF()) * t,
                                         colour(QPalette::AlternateBase).blueF() + (base.blueF() - colour(QPalette::AlternateBase).blueF()) * t);
        }
        p.setColor(group, QPalette::AlternateBase, alternate);
        const QColor window = colour(QPalette::Window);
        const QColor button = colour(QPalette::Button);
        const QColor tip = colour(QPalette::ToolTipBase);
        const QColor highlight = colour(QPalette::Highlight);
        const struct {
            QPalette::ColorRole role;
            QList<QColor> on;
        } texts[] = {
            {QPalette::WindowText, {window}},
            {QPalette::Text, {base, alternate}},
            {QPalette::PlaceholderText, {base}},
            // The styles shade a button's face a little lighter than its colour.
            {QPalette::ButtonText, {button, button.lighter(108)}},
            {QPalette::ToolTipText, {tip}},
            {QPalette::HighlightedText, {highlight}},
            {QPalette::Link, {base, window}},
            {QPalette::LinkVisited, {base, window}},
        };
        for (const auto& t : texts)
            p.setColor(group, t.role, inkOnAll(colour(t.role), t.on, 4.5));
    }
    return p;
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

QColor dimmedText(const QColor& text, qreal opacity, const QPalette& palette)
{
    const QColor full = text.toRgb();
    qreal strength = std::clamp(opacity, 0.0, 1.0) * full.alphaF();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button}) {
        const QColor back = palette.color(role);
        // Where even the full colour does not read, dimming it is not what makes it unreadable.
        if (forms::contrastRatio(seenOver(full, back), back) < 4.5)
            continue;
        QColor c = full;
        c.setAlphaF(float(strength));
        while (strength < full.alphaF() && forms::contrastRatio(seenOver(c, back), back) < 4.5) {
            strength = std::min<qreal>(full.alphaF(), strength + 0.02);
            c.setAlphaF(float(strength));
        }
    }
    QColor c = full;
    c.setAlphaF(float(strength));
    return c;
}

void setSecondaryText(QWidget* widget, qreal opacity)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, dimmedText(palette.color(QPalette::WindowText), opacity, palette));
    widget->setPalette(palette);
}

} // namespace kv
