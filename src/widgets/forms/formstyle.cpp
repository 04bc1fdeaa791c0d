#include "formstyle.h"

#include "widgets/textstyles.h"

namespace kv::forms {

QFont fontFor(TextStyle style, const QFont& base)
{
    QFont f = base;
    const qreal size = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    switch (style) {
    case TextStyle::Body:
        break;
    case TextStyle::Headline:
        return fontForStyle(kv::TextStyle::headline, base);
    case TextStyle::Callout:
        f.setPointSizeF(size * 0.92);
        break;
    case TextStyle::Subheadline:
        return fontForStyle(kv::TextStyle::subheadline, base);
    case TextStyle::Caption:
        return fontForStyle(kv::TextStyle::caption, base);
    case TextStyle::Title3:
        f.setPointSizeF(size * 1.45);
        f.setBold(true);
        break;
    }
    return f;
}

QColor toneColor(Tone tone, const QColor& text)
{
    QColor c = text;
    switch (tone) {
    case Tone::Primary:
        break;
    case Tone::Secondary:
        c.setAlphaF(0.62f);
        break;
    case Tone::Tertiary:
        c.setAlphaF(0.42f);
        break;
    case Tone::Quaternary:
        c.setAlphaF(0.22f);
        break;
    }
    return c;
}

QColor standardGreen()
{
    return QColor(0x00, 0xFF, 0x00);
}

QColor standardGrey()
{
    return QColor(0x80, 0x80, 0x80);
}

QLabel* makeFieldLabel(const QString& text, int width, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(width);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    label->setPalette(p);
    return label;
}

} // namespace kv::forms
