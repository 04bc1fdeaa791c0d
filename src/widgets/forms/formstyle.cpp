#include "formstyle.h"

#include "widgets/colors.h"
#include "widgets/focusstyle.h"
#include "widgets/textstyles.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

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
        f.setPointSizeF(std::max(size * 0.92, std::min(size, kSmallestPointSize)));
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
    switch (tone) {
    case Tone::Primary:
        return text;
    // Texts: dimmed as far as they still read on the desktop's backgrounds.
    case Tone::Secondary:
        return dimmedText(text, 0.62, QGuiApplication::palette());
    case Tone::Tertiary:
        return dimmedText(text, 0.42, QGuiApplication::palette());
    case Tone::Quaternary:
        break;
    }
    // Hairlines and frames, not text.
    QColor c = text;
    c.setAlphaF(0.22f);
    return c;
}

namespace {

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor dangerTextColor(const QColor& background)
{
    return inkReadableOn(QColor(0xD9, 0x2D, 0x20), background);
}

QColor rowTextColor(const QPalette& palette, bool selected, Tone tone)
{
    if (selected)
        return palette.color(QPalette::HighlightedText);
    return toneColor(tone, palette.color(QPalette::Text));
}

QColor markOutline(const QColor& fill, const QColor& background)
{
    return inkReadableOn(fill, background, 3.0);
}

QColor rowBackground(const QStyleOptionViewItem& option)
{
    if (option.state & QStyle::State_Selected)
        return option.palette.color(QPalette::Highlight);
    return option.palette.color((option.features & QStyleOptionViewItem::Alternate) ? QPalette::AlternateBase
                                                                                    : QPalette::Base);
}

void makeSelectionReadable(QWidget* view)
{
    QPalette p = view->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = p.color(group, QPalette::HighlightedText);
        QColor back = p.color(group, QPalette::Highlight);
        const bool lightText = luminance(text) > 0.5;
        for (int i = 0; i < 30 && contrastRatio(text, back) < 4.5; ++i)
            back = lightText ? back.darker(108) : back.lighter(108);
        p.setColor(group, QPalette::Highlight, back);
    }
    view->setPalette(p);
}

QColor standardGreen()
{
    return QColor(0x00, 0xFF, 0x00);
}

QColor standardGrey()
{
    return QColor(0x80, 0x80, 0x80);
}

namespace {

// Keeps a multi-line field's border in the edge colour of its palette, whatever palette comes.
class FieldBorder : public QObject {
public:
    explicit FieldBorder(QAbstractScrollArea* field) : QObject(field), m_field(field)
    {
        field->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange && !m_applying)
            apply();
        return false;
    }

private:
    void apply()
    {
        // The colours around the field: its own palette is the one its style sheet gives.
        const QWidget* around = m_field->parentWidget();
        const QString sheet = QStringLiteral("QAbstractScrollArea { border: 1px solid %1;"
                                             " border-radius: 3px; background: palette(base); }")
                                  .arg(edgeColour(around ? around->palette() : QGuiApplication::palette()).name());
        if (m_field->styleSheet() == sheet)
            return;
        m_applying = true;
        m_field->setStyleSheet(sheet);
        m_applying = false;
    }

    QAbstractScrollArea* m_field;
    bool m_applying = false;
};

} // namespace

void setFieldBorder(QAbstractScrollArea* field)
{
    new FieldBorder(field);
    // The border stays as it is: the focus frame is drawn inside it.
    outlineFocus(field);
}

QLabel* makeFieldLabel(const QString& text, int width, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    // At least `width`, and never narrower than its text (a larger font must not clip it).
    label->setMinimumWidth(std::max(width, label->fontMetrics().horizontalAdvance(text) + 2));
    label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    label->setPalette(p);
    return label;
}

} // namespace kv::forms
