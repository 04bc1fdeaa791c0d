#include "wrappingcheckbox.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>

namespace kv {

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrappingCheckBox::margin() const
{
    return QCheckBox::sizeHint().width() - fontMetrics().horizontalAdvance(text());
}

QSize WrappingCheckBox::sizeHint() const
{
    // Measured as the wrapping measures it (whole pixels, bearings included): at this width the
    // text stands on one line.
    const int line = fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), 0, text()).width();
    return {margin() + line, QCheckBox::sizeHint().height()};
}

QSize WrappingCheckBox::minimumSizeHint() const
{
    int word = 0;
    for (const QString& w : text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        word = std::max(word, fontMetrics().horizontalAdvance(w));
    return {margin() + word, QCheckBox::sizeHint().height()};
}

int WrappingCheckBox::heightForWidth(int width) const
{
    const QRect needed = fontMetrics().boundingRect(QRect(0, 0, std::max(1, width - margin()), 100000),
                                                    Qt::TextWordWrap, text());
    return std::max(QCheckBox::sizeHint().height(), needed.height() + 2);
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString shown = option.text;
    option.text.clear();
    // The box level with the first line.
    QStyleOptionButton box = option;
    box.rect = QRect(0, 0, width(), QCheckBox::sizeHint().height());
    box.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &box, this);
    p.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
    const QRect area(margin(), 1, std::max(1, width() - margin()), height() - 2);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    QRect used;
    p.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, shown, &used);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = used.adjusted(-2, -1, 2, 1);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace kv
