#include "recordrow.h"

#include "widgets/focusstyle.h"

#include "model/query.h"
#include "widgets/colors.h"
#include "widgets/plaintext.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>
#include <utility>

namespace kv::forms {

namespace {

constexpr int kHMargin = 10;
constexpr int kVMargin = 6;
constexpr int kLineGap = 2;
constexpr int kDot = 10;
constexpr int kIconGap = 4;

// The height of a line of text of one style over a base font. A long list asks it for each of
// its rows: it is measured once per style and base font.
int styleHeight(TextStyle style, const QFont& base)
{
    thread_local QFont measuredBase;
    thread_local QHash<int, int> heights;
    if (base != measuredBase || base.resolveMask() != measuredBase.resolveMask()) {
        measuredBase = base;
        heights.clear();
    }
    auto it = heights.constFind(int(style));
    if (it == heights.cend())
        it = heights.insert(int(style), QFontMetrics(fontFor(style, base)).height());
    return *it;
}

int lineHeight(const RowLine& line, const QFont& base)
{
    int h = styleHeight(line.style, base);
    for (const RowPart& p : line.parts)
        h = std::max(h, styleHeight(p.style, base));
    return h;
}

// A colour dot reads on any row: its outline stands out from the row at 3:1 where its colour
// does not.
void paintDot(QPainter* p, const QRectF& r, const QColor& fill, const QColor& background)
{
    // The outline on whole pixels, drawn at its full strength.
    const QRectF ring(std::floor(r.left()) + 0.5, std::floor(r.top()) + 0.5, kDot - 1, kDot - 1);
    p->setPen(QPen(markOutline(fill, background), 1.5));
    p->setBrush(fill);
    p->drawEllipse(ring);
}

int trailingWidth(const RowPart& part, const QFont& base)
{
    const QFontMetrics fm(fontFor(part.style, base));
    if (part.kind == RowPart::Kind::Dot)
        return kDot;
    if (part.kind == RowPart::Kind::Badge)
        return fm.horizontalAdvance(part.text) + 12;
    const int side = part.symbol.isEmpty() ? 0 : fm.height() - 2;
    if (part.iconOnly)
        return side;
    return side + (side ? kIconGap : 0) + fm.horizontalAdvance(part.text);
}

void paintTrailingPart(QPainter* p, const RowPart& part, const QRect& r, const QFont& base,
                       const QColor& text, const QColor& background, bool selected)
{
    const QFont font = fontFor(part.style, base);
    const QFontMetrics fm(font);
    p->setFont(font);
    if (part.kind == RowPart::Kind::Dot) {
        paintDot(p, QRectF(r.left(), r.center().y() - kDot / 2.0 + 0.5, kDot, kDot), part.color, background);
        return;
    }
    if (part.kind == RowPart::Kind::Badge) {
        const QColor ink = part.color.isValid() ? part.color : text;
        QColor fill = ink;
        fill.setAlphaF(part.color.isValid() ? 0.18f : 0.08f);
        QColor stroke = ink;
        stroke.setAlphaF(0.15f);
        const QRectF capsule = QRectF(r).adjusted(0.25, 0.25, -0.25, -0.25);
        p->setPen(part.color.isValid() ? QPen(Qt::NoPen) : QPen(stroke, 0.5));
        p->setBrush(fill);
        p->drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
        p->setPen(selected || !part.color.isValid() ? text : part.color.darker(130));
        p->drawText(r, Qt::AlignCenter, part.text);
        return;
    }
    int x = r.left();
    if (!part.symbol.isEmpty()) {
        const int side = fm.height() - 2;
        const QIcon icon = part.color.isValid() && !selected ? paintedSymbolIcon(part.symbol, part.color)
                                                             : symbolIcon(part.symbol);
        icon.paint(p, QRect(x, r.center().y() - side / 2, side, side));
        x += side + kIconGap;
    }
    if (!part.iconOnly) {
        p->setPen(toneColor(part.tone, text));
        p->drawText(QRect(x, r.top(), r.right() - x + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, part.text);
    }
}

// The room of the lines: the row less its margins, its trailing parts and its leading dot.
QRect linesArea(const RowContent& content, const QRect& rowRect, const QFont& font)
{
    QRect area = rowRect.adjusted(kHMargin, kVMargin, -kHMargin, -kVMargin);
    if (!content.trailing.isEmpty())
        area.setRight(RecordRowDelegate::trailingRects(content, rowRect, font).first().left() - 12);
    if (content.leadingDot)
        area.setLeft(area.left() + kDot + 10);
    return area;
}

// The width a part needs at least: its symbol and its short text.
int shortWidth(const RowPart& part, const QFont& base)
{
    const QFontMetrics fm(fontFor(part.style, base));
    const int side = part.symbol.isEmpty() ? 0 : fm.height() - 2;
    return side + (side ? kIconGap : 0) + fm.horizontalAdvance(part.shortText);
}

// The least a part that must show needs to be read: its symbol and the beginning of its short
// text cut with "…" (all of it, when shorter).
int readableWidth(const RowPart& part, const QFont& base)
{
    const QFontMetrics fm(fontFor(part.style, base));
    const int side = part.symbol.isEmpty() ? 0 : fm.height() - 2;
    return side + (side ? kIconGap : 0)
        + std::min(fm.horizontalAdvance(part.shortText.left(3) + QChar(0x2026)), fm.horizontalAdvance(part.shortText));
}

} // namespace

QList<RecordRowDelegate::PlacedPart> RecordRowDelegate::placeLines(const RowContent& content, const QRect& rowRect,
                                                                    const QFont& base)
{
    QList<PlacedPart> out;
    const QRect area = linesArea(content, rowRect, base);
    int y = area.top();
    for (qsizetype li = 0; li < content.lines.size(); ++li) {
        const RowLine& line = content.lines[li];
        if (line.parts.isEmpty())
            continue;
        const int h = lineHeight(line, base);
        // Room kept for the parts further on that must show at least shortened. The first of
        // them comes first: when it would be left too little to read, the last ones stop keeping
        // room and show only where some is left.
        QList<bool> keeps(line.parts.size(), false);
        for (qsizetype pi = 0; pi < line.parts.size(); ++pi)
            keeps[pi] = !line.parts[pi].shortText.isEmpty();
        QList<int> kept(line.parts.size() + 1, 0);
        const auto keep = [&] {
            for (qsizetype pi = line.parts.size() - 1; pi >= 0; --pi)
                kept[pi] = kept[pi + 1] + (keeps[pi] ? shortWidth(line.parts[pi], base) + line.spacing : 0);
        };
        keep();
        int x = area.left();
        // Once a part finds no room, only the parts that must show are placed after it.
        bool full = false;
        for (qsizetype pi = 0; pi < line.parts.size(); ++pi) {
            const RowPart& part = line.parts[pi];
            if (full && part.shortText.isEmpty())
                continue;
            const QFontMetrics fm(fontFor(part.style, base));
            if (keeps[pi])
                for (qsizetype last = line.parts.size() - 1;
                     last > pi && area.right() - x - kept[pi + 1] < readableWidth(part, base); --last)
                    if (std::exchange(keeps[last], false))
                        keep();
            const int remaining = area.right() - x - kept[pi + 1];
            if (remaining <= 0) {
                full = true;
                continue;
            }
            PlacedPart placed{int(li), int(pi), {}, {}, {}, false};
            if (part.kind == RowPart::Kind::Dot) {
                placed.iconRect = QRect(x, y + (h - kDot) / 2, kDot, kDot);
                out.append(placed);
                x += kDot + line.spacing;
                continue;
            }
            if (part.kind == RowPart::Kind::Badge) {
                const int w = fm.horizontalAdvance(part.text) + 12;
                if (w > remaining) {
                    full = true;
                    continue;
                }
                placed.textRect = QRect(x, y + (h - fm.height() - 2) / 2, w, fm.height() + 2);
                placed.shown = part.text;
                out.append(placed);
                x += w + line.spacing;
                continue;
            }
            const int side = part.symbol.isEmpty() ? 0 : fm.height() - 2;
            const int iconRoom = side ? side + (part.iconOnly ? 0 : kIconGap) : 0;
            QString shown = part.iconOnly ? QString() : part.text;
            int w = fm.horizontalAdvance(shown);
            // Cuts `text` with "…" where the line ends; false when too little is left to read
            // (the part then goes whole, its symbol with it).
            const auto cut = [&](const QString& text) {
                shown = fm.elidedText(text, Qt::ElideRight, remaining - iconRoom);
                w = fm.horizontalAdvance(shown);
                const int minimum = fm.horizontalAdvance(text.left(3) + QChar(0x2026));
                return shown == text || (!shown.isEmpty() && w >= std::min(minimum, fm.horizontalAdvance(text)));
            };
            if (!part.iconOnly && part.fit && iconRoom + w > remaining) {
                const QString fitted = part.fit([&](const QString& s) { return iconRoom + fm.horizontalAdvance(s) <= remaining; });
                shown = fitted;
                w = fm.horizontalAdvance(shown);
                if (iconRoom + w > remaining && !cut(fitted)) {
                    full = true;
                    continue;
                }
            } else if (!part.iconOnly && !part.shortText.isEmpty() && iconRoom + w > remaining) {
                shown = part.shortText;
                w = fm.horizontalAdvance(shown);
                // A short form that may be cut is, when even it is too long.
                if (iconRoom + w > remaining && !(part.elide && cut(part.shortText))) {
                    full = true;
                    continue;
                }
            } else if (!part.iconOnly && (part.elide || iconRoom + w > remaining)) {
                if (!cut(part.text)) {
                    full = true;
                    continue;
                }
            } else if (part.iconOnly && side > remaining) {
                full = true;
                continue;
            }
            if (side)
                placed.iconRect = QRect(x, y + (h - side) / 2, side, side);
            x += iconRoom;
            if (part.iconOnly) {
                out.append(placed);
                x += line.spacing;
                continue;
            }
            placed.textRect = QRect(x, y, w + 1, h);
            placed.shown = shown;
            placed.cut = shown != part.text;
            out.append(placed);
            x += w + line.spacing;
        }
        y += h + kLineGap;
    }
    return out;
}

QList<QRect> RecordRowDelegate::trailingRects(const RowContent& content, const QRect& rowRect,
                                              const QFont& font)
{
    QList<QRect> rects;
    const QRect area = rowRect.adjusted(kHMargin, kVMargin, -kHMargin, -kVMargin);
    int x = area.right() + 1;
    for (qsizetype i = content.trailing.size() - 1; i >= 0; --i) {
        const RowPart& part = content.trailing[i];
        const int w = trailingWidth(part, font);
        const int h = QFontMetrics(fontFor(part.style, font)).height() + (part.kind == RowPart::Kind::Badge ? 4 : 0);
        x -= w;
        rects.prepend(QRect(x, area.center().y() - h / 2 + 1, w, h));
        x -= content.trailingSpacing;
    }
    return rects;
}

int RecordRowDelegate::wholeWidth(const RowContent& content, const QFont& font)
{
    int lines = 0;
    for (const RowLine& line : content.lines) {
        int x = 0;
        for (const RowPart& part : line.parts) {
            const QFontMetrics fm(fontFor(part.style, font));
            if (x)
                x += line.spacing;
            if (part.kind != RowPart::Kind::Text) {
                x += trailingWidth(part, font);
                continue;
            }
            const int side = part.symbol.isEmpty() ? 0 : fm.height() - 2;
            if (part.iconOnly) {
                x += side;
                continue;
            }
            const int text = fm.horizontalAdvance(part.text);
            x += (side ? side + kIconGap : 0)
                + (part.elide ? std::min(text, fm.horizontalAdvance(part.text.left(3) + QChar(0x2026))) : text) + 1;
        }
        lines = std::max(lines, x);
    }
    int width = 2 * kHMargin + lines + (content.leadingDot ? kDot + 10 : 0);
    if (!content.trailing.isEmpty()) {
        width += 12 + content.trailingSpacing * int(content.trailing.size() - 1);
        for (const RowPart& part : content.trailing)
            width += trailingWidth(part, font);
    }
    return width;
}

bool RecordRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event && event->type() == QEvent::ToolTip && index.isValid()) {
        const RowContent content = contentAt(index);
        const QList<QRect> rects = trailingRects(content, option.rect, option.font);
        for (qsizetype i = 0; i < rects.size(); ++i) {
            if (rects[i].adjusted(-2, -2, 2, 2).contains(event->pos()) && !content.trailing[i].toolTip.isEmpty()) {
                QToolTip::showText(event->globalPos(), content.trailing[i].toolTip, view, rects[i]);
                return true;
            }
        }
        // A text cut in the row shows whole under the pointer.
        for (const PlacedPart& placed : placeLines(content, option.rect, option.font)) {
            if (placed.cut && placed.textRect.adjusted(-2, -2, 2, 2).contains(event->pos())) {
                const QString whole = content.lines[placed.line].parts[placed.part].text;
                QToolTip::showText(event->globalPos(), plainToolTip(whole), view, placed.textRect);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

RowPart RowPart::label(const QString& text, TextStyle style, Tone tone)
{
    RowPart p;
    p.text = text;
    p.style = style;
    p.tone = tone;
    return p;
}

RowPart RowPart::symbolLabel(const QString& symbol, const QString& text, TextStyle style, Tone tone)
{
    RowPart p = label(text, style, tone);
    p.symbol = symbol;
    return p;
}

RowPart RowPart::dot(const QColor& color)
{
    RowPart p;
    p.kind = Kind::Dot;
    p.color = color;
    return p;
}

RowPart RowPart::badge(const QString& text, const QColor& tint)
{
    RowPart p;
    p.kind = Kind::Badge;
    p.text = text;
    p.color = tint;
    p.style = TextStyle::Caption;
    return p;
}

RecordRowDelegate::RecordRowDelegate(RowFunction row, QObject* parent)
    : QStyledItemDelegate(parent), m_row(std::move(row))
{
}

RowContent RecordRowDelegate::contentAt(const QModelIndex& index) const
{
    auto* record = reinterpret_cast<Record*>(index.data(RecordListModelBase::RecordRole).value<quintptr>());
    if (!record || !m_row)
        return {};
    return m_row(record);
}

QSize RecordRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    RowContent content;
    if (m_measure) {
        if (auto* record = reinterpret_cast<Record*>(index.data(RecordListModelBase::RecordRole).value<quintptr>()))
            content = m_measure(record);
    } else {
        content = contentAt(index);
    }
    int h = 2 * kVMargin;
    int shown = 0;
    for (const RowLine& line : content.lines) {
        // A line with nothing to show takes no room.
        if (line.parts.isEmpty())
            continue;
        h += lineHeight(line, option.font) + (shown++ ? kLineGap : 0);
    }
    return {200, std::max(h, 24)};
}

void RecordRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const RowContent content = contentAt(index);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor text = rowTextColor(option.palette, selected, Tone::Primary);
    const QColor background = rowBackground(opt);
    const QIcon::Mode iconMode = selected ? QIcon::Selected : QIcon::Normal;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!content.trailing.isEmpty()) {
        const QList<QRect> rects = trailingRects(content, option.rect, option.font);
        for (qsizetype i = 0; i < rects.size(); ++i)
            paintTrailingPart(painter, content.trailing[i], rects[i], option.font, text, background, selected);
    }
    if (content.leadingDot) {
        const QRect area = linesArea(content, option.rect, option.font);
        const QRectF dot(area.left() - kDot - 10, area.center().y() - kDot / 2.0 + 0.5, kDot, kDot);
        paintDot(painter, dot, *content.leadingDot, background);
    }

    for (const PlacedPart& placed : placeLines(content, option.rect, option.font)) {
        const RowPart& part = content.lines[placed.line].parts[placed.part];
        if (part.kind == RowPart::Kind::Dot) {
            paintDot(painter, QRectF(placed.iconRect), part.color, background);
            continue;
        }
        const QFont font = fontFor(part.style, option.font);
        painter->setFont(font);
        if (part.kind == RowPart::Kind::Badge) {
            const QRectF r(placed.textRect);
            QColor fill = part.color;
            fill.setAlphaF(0.18f);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            painter->drawRoundedRect(r, r.height() / 2, r.height() / 2);
            // The user's colour darkened, unless it is too light to read on its own tint.
            painter->setPen(selected ? text
                                     : readableTextOn(part.color.darker(130), fill, option.palette.color(QPalette::Base)));
            painter->drawText(r, Qt::AlignCenter, part.text);
            continue;
        }
        if (!placed.iconRect.isEmpty()) {
            const QIcon icon = symbolIcon(part.symbol);
            if (!icon.isNull())
                icon.paint(painter, placed.iconRect, Qt::AlignCenter, iconMode);
        }
        if (!placed.textRect.isEmpty()) {
            painter->setPen(rowTextColor(option.palette, selected, part.tone));
            painter->drawText(placed.textRect, Qt::AlignLeft | Qt::AlignVCenter, placed.shown);
        }
    }
    painter->restore();
    // The row the keyboard is on shows it, selected or not.
    if (option.state & QStyle::State_HasFocus)
        paintFocusFrame(painter, option.rect, option.palette, selected);
}

} // namespace kv::forms
