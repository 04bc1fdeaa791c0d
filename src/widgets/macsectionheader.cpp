#include "macsectionheader.h"

#include "glass/glass.h"
#include "elidedlabel.h"
#include "icons.h"
#include "textstyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace kv {

namespace {
QColor withAlpha(QColor c, double a)
{
    c.setAlphaF(float(a));
    return c;
}
} // namespace

MacSectionHeader::MacSectionHeader(const QString& title, const std::optional<QString>& subtitle,
                                   const std::optional<QString>& systemImage, bool prominent,
                                   bool showsDivider, qreal dividerOffset, qreal dividerInset,
                                   qreal dividerHPadding, QWidget* badges, QWidget* actions,
                                   QWidget* parent)
    : QWidget(parent), m_title(title), m_prominent(prominent), m_showsDivider(showsDivider),
      m_dividerOffset(dividerOffset), m_dividerInset(dividerInset), m_dividerHPadding(dividerHPadding)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);

    const QFont title2 = fontForStyle(TextStyle::title2, font());
    if (systemImage) {
        m_symbol = new QLabel(this);
        m_symbol->setObjectName(QStringLiteral("symbol"));
        m_symbol->setFixedSize(24, 24);
        m_symbol->setAlignment(Qt::AlignCenter);
        const int side = qMin(24, QFontMetrics(title2).height());
        m_symbol->setPixmap(symbolIcon(*systemImage).pixmap(QSize(side, side), devicePixelRatioF()));
        row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    }

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    // Cut with "…" (whole in its tool tip) rather than widen a narrow screen.
    auto* titleLabel = new ElidedLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("title"));
    QFont titleFont = title2;
    titleFont.setWeight(QFont::DemiBold);
    titleLabel->setFont(titleFont);
    column->addWidget(titleLabel);
    if (subtitle && !subtitle->isEmpty()) {
        // Often a name: cut with "…" rather than widen the screen.
        m_subtitle = new ElidedLabel(*subtitle, this);
        m_subtitle->setObjectName(QStringLiteral("subtitle"));
        m_subtitle->setFont(fontForStyle(TextStyle::subheadline, font()));
        QPalette pal = m_subtitle->palette();
        pal.setColor(QPalette::WindowText, withAlpha(pal.color(QPalette::WindowText), 0.6));
        m_subtitle->setPalette(pal);
        column->addWidget(m_subtitle);
    }
    auto* badgeRow = new QHBoxLayout;
    badgeRow->setSpacing(6);
    badgeRow->setContentsMargins(0, 2, 0, 0);
    if (badges)
        badgeRow->addWidget(badges, 0, Qt::AlignVCenter);
    badgeRow->addStretch();
    column->addLayout(badgeRow);
    row->addLayout(column);
    row->addStretch(1);
    if (actions)
        row->addWidget(actions, 0, Qt::AlignVCenter);
}

bool MacSectionHeader::showsSubtitle() const
{
    return m_subtitle != nullptr;
}

bool MacSectionHeader::showsSymbol() const
{
    return m_symbol != nullptr;
}

QLineF MacSectionHeader::dividerLine() const
{
    if (!m_showsDivider)
        return {};
    const qreal y = height() - m_dividerInset - 0.5 + m_dividerOffset;
    return QLineF(m_dividerHPadding, y, width() - m_dividerHPadding, y);
}

void MacSectionHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().color(QPalette::WindowText);
    if (m_prominent) {
        const QPainterPath card = glass::continuousRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 10);
        p.fillPath(card, withAlpha(primary, 0.04));
        p.strokePath(card, QPen(withAlpha(primary, 0.08), 0.5));
    }
    if (m_showsDivider) {
        const QLineF line = dividerLine();
        if (line.x2() > line.x1()) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(palette().color(QPalette::Mid), 1));
            p.drawLine(line);
        }
    }
}

MacTag::MacTag(const QString& text, const std::optional<QString>& systemImage, QWidget* customIcon,
               QWidget* parent)
    : QWidget(parent), m_text(text)
{
    setFont(fontForStyle(TextStyle::caption, font()));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    if (customIcon) {
        m_icon = customIcon;
        customIcon->setParent(this);
    } else if (systemImage) {
        auto* symbol = new QLabel(this);
        const int side = QFontMetrics(font()).height();
        symbol->setPixmap(symbolIcon(*systemImage).pixmap(QSize(side, side), devicePixelRatioF()));
        m_icon = symbol;
    }
    if (m_icon)
        row->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto* label = new ElidedLabel(text, this);
    label->setObjectName(QStringLiteral("text"));
    row->addWidget(label, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void MacTag::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().color(QPalette::WindowText);
    const QPainterPath shape = glass::capsule(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25));
    p.fillPath(shape, withAlpha(primary, 0.06));
    p.strokePath(shape, QPen(withAlpha(primary, 0.12), 0.5));
}

QVBoxLayout* layoutUnderHeader(QWidget* screen, const QString& title, const QString& subtitle,
                               const QString& systemImage)
{
    auto* layout = new QVBoxLayout(screen);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(6);
    auto* headerRow = new QHBoxLayout;
    headerRow->addStretch(1);
    headerRow->addWidget(new MacSectionHeader(title, subtitle, systemImage, true, false, 0, 0, 0, nullptr,
                                              nullptr, screen));
    headerRow->addStretch(1);
    layout->addLayout(headerRow);
    return layout;
}

} // namespace kv
