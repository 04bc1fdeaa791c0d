#include "fittingcombobox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace kv::forms {

FittingComboBox::FittingComboBox(QWidget* parent) : QComboBox(parent)
{
    // The size hint follows the entries, not only those present at the first show.
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(this, &QComboBox::currentIndexChanged, this, &FittingComboBox::updateToolTip);
    connect(model(), &QAbstractItemModel::dataChanged, this, &FittingComboBox::updateToolTip);
}

QSize FittingComboBox::minimumSizeHint() const
{
    QSize hint = QComboBox::minimumSizeHint();
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize fewLetters(fontMetrics().horizontalAdvance(QStringLiteral("Mmmmmm…")), fontMetrics().height());
    const QSize least = style()->sizeFromContents(QStyle::CT_ComboBox, &option, fewLetters, this);
    hint.setWidth(std::min(hint.width(), least.width()));
    return hint;
}

int FittingComboBox::textRoom() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
}

bool FittingComboBox::currentTextElided() const
{
    // The style draws the label one pixel in from each side of the field.
    return fontMetrics().horizontalAdvance(currentText()) > textRoom() - 2;
}

void FittingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, textRoom() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void FittingComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    updateToolTip();
}

void FittingComboBox::updateToolTip()
{
    setToolTip(currentTextElided() ? currentText() : QString());
}

} // namespace kv::forms
