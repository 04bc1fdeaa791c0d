#pragma once

// Rows of the record lists, painted by one delegate from a description that each screen builds
// per record: an optional leading colour dot, then lines of parts (texts, labels with a symbol,
// colour dots, badges).

#include "formstyle.h"

#include <QList>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

namespace kv {
class Record;
}

namespace kv::forms {

struct RowPart {
    enum class Kind { Text, Dot, Badge };
    Kind kind = Kind::Text;
    QString text;
    QString symbol;        // drawn before the text; alone when iconOnly
    bool iconOnly = false;
    TextStyle style = TextStyle::Body;
    Tone tone = Tone::Primary;
    QColor color;          // fill of a dot, tint of a badge
    bool elide = false;    // cut with "…" at the trailing edge (any text is, when the line is too short);
                           // with a shortText, that too is cut when the line is too short even for it
    QString toolTip;       // shown when the pointer rests on this part (trailing parts)
    // Shown instead of `text` when the line is too short for it; the parts before it give way
    // first, so that it is shortened, never dropped.
    QString shortText;
    // Where set, the longest form of the text that finds room (given a test of room), shown
    // when `text` does not: what a part gives way from is its own rule, not the trailing edge.
    std::function<QString(const std::function<bool(const QString&)>&)> fit;

    static RowPart label(const QString& text, TextStyle style = TextStyle::Body, Tone tone = Tone::Primary);
    static RowPart symbolLabel(const QString& symbol, const QString& text, TextStyle style, Tone tone);
    static RowPart dot(const QColor& color);
    static RowPart badge(const QString& text, const QColor& tint);
};

struct RowLine {
    QList<RowPart> parts; // an empty line takes no room
    int spacing = 8;
    TextStyle style = TextStyle::Body; // gives the height of an empty line
};

struct RowContent {
    std::optional<QColor> leadingDot; // a 10 by 10 dot before the lines
    QList<RowLine> lines;             // 2 apart
    QString accessibleText;           // what the row says to assistive tools and tests
    // Parts aligned to the trailing edge, vertically centred on the row (status symbols, counts);
    // an icon-only part with a colour is tinted with it, a badge without one takes the text's.
    QList<RowPart> trailing;
    int trailingSpacing = 8;
};

using RowFunction = std::function<RowContent(Record*)>;

// Paints rows of a kv::RecordListModelBase (the record comes from RecordListModelBase::RecordRole).
class RecordRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RecordRowDelegate(RowFunction row, QObject* parent = nullptr);

    RowContent contentAt(const QModelIndex& index) const;
    // What gives a row its height, where the screen can say it for less than the whole row (its
    // lines and their styles, texts left empty): a long list measures every row as it shows.
    void setMeasure(RowFunction measure) { m_measure = std::move(measure); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where each trailing part is drawn in a row's rectangle (same order as content.trailing).
    static QList<QRect> trailingRects(const RowContent& content, const QRect& rowRect, const QFont& font);
    // The narrowest row in which every part shows whole, but those that elide (counted by their
    // first three letters and "…").
    static int wholeWidth(const RowContent& content, const QFont& font);

    // Where a part of a line is drawn and what of its text shows (cut with "…", or its short
    // text); parts that find no room are left out.
    struct PlacedPart {
        int line = 0;
        int part = 0;
        QRect iconRect; // empty without a symbol
        QRect textRect; // empty for an icon alone
        QString shown;
        bool cut = false; // the text does not show whole
    };
    static QList<PlacedPart> placeLines(const RowContent& content, const QRect& rowRect, const QFont& font);

private:
    RowFunction m_row;
    RowFunction m_measure;
};

} // namespace kv::forms
