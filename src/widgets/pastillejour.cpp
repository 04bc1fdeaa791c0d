#include "pastillejour.h"

#include "colors.h"
#include "forms/formstyle.h"
#include "textstyles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {
constexpr qreal kRoom = 16;   // around the tile: the 5 % growth and the glass shadow
constexpr qreal kMinLabelWidth = 60;
constexpr qreal kPadV = 8;
constexpr qreal kPadH = 12;
// The selected pill's tile is lighter than the window by this much, the others darker.
constexpr double kEclat = 0.08;
constexpr double kEclatLeve = 0.2;

} // namespace

QColor adjustBrightness(const QColor& color, double amount)
{
    const QColor c = color.toRgb();
    auto f = [&](float v) { return float(std::clamp(v + amount, 0.0, 1.0)); };
    return QColor::fromRgbF(f(c.redF()), f(c.greenF()), f(c.blueF()), c.alphaF());
}

void ReliefModifier::paint(QPainter& painter, const QRectF& rect, const QColor& windowColor,
                           double brightness) const
{
    if (!isPressed) {
        painter.fillPath(glass::continuousRoundedRect(rect, 5), adjustBrightness(windowColor, brightness));
        return;
    }
    const QColor lit = adjustBrightness(windowColor, kEclatLeve + brightness);
    glass::GlassBackgroundModifier::standard(5, QColor(Qt::blue), QColor(Qt::blue), 10)
        .paint(painter, rect, [&](QPainter& p) { p.fillRect(rect, lit); }, windowColor);
}

PastilleJour::PastilleJour(bool selected, const QString& label, const QString& date,
                           std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), m_selected(selected), m_label(label), m_date(date),
      m_action(std::move(action))
{
    setFocusPolicy(Qt::StrongFocus);
    // Checked while it is the day chosen, for screen readers; a click leaves that to the caller.
    setCheckable(true);
    setChecked(selected);
    nameForReaders();
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void PastilleJour::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void PastilleJour::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    setChecked(selected);
    update();
}

void PastilleJour::nextCheckState()
{
}

void PastilleJour::nameForReaders()
{
    // Read as painted: « Demain 9 déc. ».
    setAccessibleName(QStringList{m_label.simplified(), m_date.simplified()}.join(QLatin1Char(' ')).trimmed());
}

void PastilleJour::setLabel(const QString& label)
{
    m_label = label;
    nameForReaders();
    m_tile.reset();
    updateGeometry();
    update();
}

void PastilleJour::setDate(const QString& date)
{
    m_date = date;
    nameForReaders();
    m_tile.reset();
    updateGeometry();
    update();
}

void PastilleJour::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_tile.reset();
        updateGeometry();
    }
    QAbstractButton::changeEvent(event);
}

QSizeF PastilleJour::tileSize() const
{
    // Asked for at every layout and paint of a strip, and it measures two fonts: kept until the
    // texts or the font change.
    if (!m_tile)
        m_tile = measureTile();
    return *m_tile;
}

QSizeF PastilleJour::measureTile() const
{
    const QFontMetricsF labelFm(fontForStyle(TextStyle::caption2, font()));
    QFont bold = fontForStyle(TextStyle::caption2, font());
    bold.setBold(true);
    const QFontMetricsF dateFm(bold);
    const qreal w = std::max({kMinLabelWidth, labelFm.horizontalAdvance(m_label),
                              dateFm.horizontalAdvance(m_date)});
    const qreal h = labelFm.height() + dateFm.height();
    return QSizeF(w + 2 * kPadH, h + 2 * kPadV);
}

QSize PastilleJour::sizeHint() const
{
    const QSizeF t = tileSize();
    return QSize(int(std::ceil(t.width() + 2 * kRoom)), int(std::ceil(t.height() + 2 * kRoom)));
}

QRectF PastilleJour::tileRect() const
{
    const QSizeF t = tileSize();
    return QRectF(QPointF((width() - t.width()) / 2, (height() - t.height()) / 2), t);
}

bool PastilleJour::hitButton(const QPoint& pos) const
{
    const QRectF tile = tileRect();
    const QSizeF scaled = tile.size() * scale();
    const QRectF drawn(tile.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
    return drawn.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void PastilleJour::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF tile = tileRect();
    p.translate(tile.center());
    p.scale(scale(), scale());
    p.translate(-tile.center());

    const QColor fenetre = palette().color(QPalette::Window);
    ReliefModifier{m_selected}.paint(p, tile, fenetre, m_selected ? kEclat : -kEclat);

    const QColor accent = inkReadableOn(palette().color(QPalette::Highlight),
                                      adjustBrightness(fenetre, m_selected ? kEclatLeve + kEclat : -kEclat));
    QColor primary = palette().color(QPalette::WindowText);
    QColor secondary = primary;
    secondary.setAlphaF(0.6f);
    const QFont labelFont = fontForStyle(TextStyle::caption2, font());
    QFont dateFont = labelFont;
    dateFont.setBold(true);
    const qreal labelH = QFontMetricsF(labelFont).height();
    const QRectF text = tile.adjusted(kPadH, kPadV, -kPadH, -kPadV);
    p.setFont(labelFont);
    p.setPen(m_selected ? accent : primary);
    p.drawText(QRectF(text.left(), text.top(), text.width(), labelH), Qt::AlignCenter, m_label);
    p.setFont(dateFont);
    p.setPen(m_selected ? accent : secondary);
    p.drawText(QRectF(text.left(), text.top() + labelH, text.width(), text.height() - labelH),
               Qt::AlignCenter, m_date);
    if (hasFocus()) {
        p.setPen(QPen(focusColour(palette()), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glass::continuousRoundedRect(tile.adjusted(-2, -2, 2, 2), 6));
    }
}

} // namespace kv
