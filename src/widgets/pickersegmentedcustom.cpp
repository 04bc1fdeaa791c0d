#include "pickersegmentedcustom.h"

#include "colors.h"
#include "glass/glass.h"

#include <QGridLayout>
#include <QResizeEvent>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace kv {

namespace {
constexpr int kOuter = 5;      // around each segment
constexpr int kPadV = 4;       // above and below the label
constexpr int kMinHeight = 20; // of the label's frame
} // namespace

FiltreSegment::FiltreSegment(CarteBennesFiltre filtre, QWidget* parent)
    : QAbstractButton(parent), m_filtre(filtre)
{
    setText(rawValue(filtre));
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Checked while it is the filter chosen, so that a screen reader says which one is; a click
    // never unchecks it (nextCheckState), the picker's selection alone does.
    setCheckable(true);
}

void FiltreSegment::setFilled(bool filled)
{
    if (m_filled == filled)
        return;
    m_filled = filled;
    setChecked(filled);
    update();
}

void FiltreSegment::nextCheckState()
{
}

namespace {

// The ways of putting a title on two lines: cut after each word but the last.
QList<QPair<QString, QString>> twoLineSplits(const QString& text)
{
    QList<QPair<QString, QString>> splits;
    for (qsizetype i = text.indexOf(QLatin1Char(' ')); i > 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
        const QString first = text.left(i).trimmed();
        const QString second = text.mid(i + 1).trimmed();
        if (!first.isEmpty() && !second.isEmpty())
            splits.append({first, second});
    }
    return splits;
}

} // namespace

int FiltreSegment::twoLineWidth() const
{
    // Asked by every layout pass: measured once per font.
    if (m_twoLineWidth >= 0)
        return m_twoLineWidth;
    const QFontMetrics fm(font());
    int best = fm.horizontalAdvance(text());
    for (const auto& [first, second] : twoLineSplits(text()))
        best = std::min(best, std::max(fm.horizontalAdvance(first), fm.horizontalAdvance(second)));
    m_twoLineWidth = best + 1;
    return m_twoLineWidth;
}

void FiltreSegment::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_twoLineWidth = -1;
    QAbstractButton::changeEvent(event);
}

QSize FiltreSegment::sizeHint() const
{
    // Room for two lines, so that every segment keeps one height however its title falls.
    const QFontMetrics fm(font());
    const int h = qMax(kMinHeight, 2 * fm.height()) + 2 * kPadV + 2 * kOuter;
    return QSize(twoLineWidth() + 2 * kOuter + 8, h);
}

QSize FiltreSegment::minimumSizeHint() const
{
    return QSize(2 * kOuter + 16, sizeHint().height());
}

int FiltreSegment::labelWidth() const
{
    return width() - 2 * kOuter - 8;
}

QStringList FiltreSegment::lines(int width) const
{
    const QFontMetrics fm(font());
    if (fm.horizontalAdvance(text()) <= width)
        return {text()};
    // Of the splits whose first line fits, the one with the shorter longest line.
    std::optional<QPair<QString, QString>> chosen;
    int chosenWidth = 0;
    for (const auto& split : twoLineSplits(text())) {
        const int first = fm.horizontalAdvance(split.first);
        if (first > width)
            break;
        const int longest = std::max(first, fm.horizontalAdvance(split.second));
        if (!chosen || longest < chosenWidth) {
            chosen = split;
            chosenWidth = longest;
        }
    }
    if (!chosen)
        return {fm.elidedText(text(), Qt::ElideRight, width)};
    return {chosen->first, fm.elidedText(chosen->second, Qt::ElideRight, width)};
}

QStringList FiltreSegment::shownLines() const
{
    return lines(labelWidth());
}

void FiltreSegment::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF seg = QRectF(rect()).adjusted(kOuter, kOuter, -kOuter, -kOuter);
    const QPainterPath base = glass::continuousRoundedRect(seg, 6);

    // The whole segment's soft black shadow.
    for (int i = 2; i >= 1; --i) {
        p.setPen(QPen(QColor(0, 0, 0, int(0.33 * 255 / (i + 1))), i * 1.5));
        p.drawPath(base);
    }
    p.setPen(Qt::NoPen);
    p.fillPath(base, palette().color(QPalette::Window));
    p.save();
    p.setClipPath(glass::continuousRoundedRect(seg, 8));
    p.fillRect(seg, m_filled ? couleur(m_filtre) : QColor(255, 255, 255, int(0.08 * 255)));
    p.restore();
    p.strokePath(base, QPen(QColor(128, 128, 128, int(0.3 * 255)), 1));
    if (hasFocus()) {
        p.setPen(QPen(m_filled ? textColorOn(couleur(m_filtre)) : focusColour(palette()), 2));
        p.drawPath(glass::continuousRoundedRect(seg.adjusted(2, 2, -2, -2), 5));
    }
    // The chosen segment's bright colour takes black; the others are written in the window's text
    // colour, which reads on the window under any palette.
    const QColor fond = palette().color(QPalette::Window);
    const QColor vu = m_filled ? couleur(m_filtre)
                               : QColor::fromRgbF(fond.redF() * 0.92f + 0.08f, fond.greenF() * 0.92f + 0.08f,
                                                  fond.blueF() * 0.92f + 0.08f);
    p.setPen(readableTextOn(m_filled ? QColor(Qt::black) : palette().color(QPalette::WindowText), vu));
    p.setFont(font());
    const QRectF label = seg.adjusted(4, kPadV, -4, -kPadV);
    p.drawText(label, Qt::AlignCenter, shownLines().join(QLatin1Char('\n')));
}

PickerSegmentedCustom::PickerSegmentedCustom(Observable<CarteBennesFiltre> selection, QWidget* parent)
    : QWidget(parent), m_selection(std::move(selection))
{
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(4, 4, 4, 4);
    m_grid->setSpacing(0);
    for (CarteBennesFiltre f : tousLesFiltres()) {
        auto* segment = new FiltreSegment(f, this);
        segment->setToolTip(rawValue(f));
        connect(segment, &QAbstractButton::clicked, this, [this, f] {
            m_selection.set(f);
            refresh();
            emit selectionWritten(f);
        });
        m_segments.append(segment);
    }
    arrange(width());
    m_selection.onChange(this, [this] { refresh(); });
    refresh();
}

QSize PickerSegmentedCustom::sizeHint() const
{
    // Every segment on one row, each as wide as its title on two lines.
    const QMargins m = m_grid->contentsMargins();
    int width = m.left() + m.right();
    int height = 0;
    for (const FiltreSegment* s : m_segments) {
        width += s->sizeHint().width();
        height = std::max(height, s->sizeHint().height());
    }
    return {width, height * ((int(m_segments.size()) + m_columns - 1) / std::max(1, m_columns)) + m.top() + m.bottom()};
}

void PickerSegmentedCustom::resizeEvent(QResizeEvent* event)
{
    arrange(event->size().width());
    QWidget::resizeEvent(event);
}

void PickerSegmentedCustom::arrange(int width)
{
    // The most segments per row that each keep the width of their title on two lines (no stretch
    // factor: the room left is shared evenly).
    int widest = 0;
    for (const FiltreSegment* s : m_segments)
        widest = std::max(widest, s->sizeHint().width());
    const QMargins m = m_grid->contentsMargins();
    const int room = width - m.left() - m.right();
    const int count = int(m_segments.size());
    int columns = 2;
    for (int n : {count, (count + 1) / 2}) {
        if (n * widest <= room) {
            columns = n;
            break;
        }
    }
    if (columns == m_columns)
        return;
    m_columns = columns;
    for (FiltreSegment* s : m_segments)
        m_grid->removeWidget(s);
    for (int i = 0; i < count; ++i)
        m_grid->addWidget(m_segments[i], i / columns, i % columns, Qt::AlignVCenter);
    updateGeometry();
}

void PickerSegmentedCustom::refresh()
{
    for (FiltreSegment* s : m_segments)
        s->setFilled(s->filtre() == m_selection.get());
}

} // namespace kv
