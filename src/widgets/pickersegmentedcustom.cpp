#include "pickersegmentedcustom.h"

#include "glass/glass.h"

#include <QHBoxLayout>
#include <QPainter>

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
}

void FiltreSegment::setFilled(bool filled)
{
    if (m_filled == filled)
        return;
    m_filled = filled;
    update();
}

QSize FiltreSegment::sizeHint() const
{
    const QFontMetrics fm(font());
    const int h = qMax(kMinHeight, fm.height()) + 2 * kPadV + 2 * kOuter;
    return QSize(fm.horizontalAdvance(text()) + 2 * kOuter + 8, h);
}

QSize FiltreSegment::minimumSizeHint() const
{
    return QSize(2 * kOuter + 16, sizeHint().height());
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
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawPath(glass::continuousRoundedRect(seg.adjusted(2, 2, -2, -2), 5));
    }
    // Black in light and dark appearance alike.
    p.setPen(Qt::black);
    p.setFont(font());
    const QRectF label = seg.adjusted(4, kPadV, -4, -kPadV);
    p.drawText(label, Qt::AlignCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, int(label.width())));
}

PickerSegmentedCustom::PickerSegmentedCustom(Observable<CarteBennesFiltre> selection, QWidget* parent)
    : QWidget(parent), m_selection(std::move(selection))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(0);
    for (CarteBennesFiltre f : tousLesFiltres()) {
        auto* segment = new FiltreSegment(f, this);
        segment->setToolTip(rawValue(f));
        connect(segment, &QAbstractButton::clicked, this, [this, f] {
            m_selection.set(f);
            refresh();
            emit selectionWritten(f);
        });
        row->addWidget(segment, 1, Qt::AlignVCenter);
        m_segments.append(segment);
    }
    m_selection.onChange(this, [this] { refresh(); });
    refresh();
}

void PickerSegmentedCustom::refresh()
{
    for (FiltreSegment* s : m_segments)
        s->setFilled(s->filtre() == m_selection.get());
}

} // namespace kv
