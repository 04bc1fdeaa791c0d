#include "editorframe.h"

#include "widgets/dateentry.h"

#include "widgets/colors.h"
#include "widgets/elidedlabel.h"
#include "widgets/focusguard.h"

#include "formstyle.h"
#include "numberfield.h"
#include "windowkey.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <utility>

namespace kv::forms {

VerticalScrollArea::VerticalScrollArea(QWidget* parent) : QScrollArea(parent) {}

QSize VerticalScrollArea::minimumSizeHint() const
{
    QSize size = QScrollArea::minimumSizeHint();
    if (widget())
        size.setWidth(std::max(size.width(), widget()->minimumSizeHint().width()
                                                 + verticalScrollBar()->sizeHint().width() + 2 * frameWidth()));
    return size;
}

bool VerticalScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

namespace {

// A button filled with a colour draws no focus frame of its own: the keyboard's is a line around
// it in the ink that reads on its colour, the padding taking it so that the button keeps its size.
QString focusedColouredButton(const QColor& fill)
{
    return QStringLiteral("QPushButton:focus { border: 2px solid %1; padding: 2px 10px; }").arg(textColorOn(fill).name());
}

QLabel* symbolLabel(const QString& symbol, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const QIcon icon = symbolIcon(symbol);
    if (!icon.isNull())
        label->setPixmap(icon.pixmap(side, side));
    label->setFixedSize(side, side);
    return label;
}

// Drawn over a widget to mark its content as invalid.
class InvalidOutline : public QWidget {
public:
    explicit InvalidOutline(QWidget* target) : QWidget(target)
    {
        setObjectName(QStringLiteral("invalidOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        target->installEventFilter(this);
        setGeometry(target->rect());
        raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(255, 0, 0, 128), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

} // namespace

namespace {

constexpr int kRowsHSpacing = 16;
constexpr int kRowsVSpacing = 12;
// Between a label and the field under it.
constexpr int kStackedSpacing = 4;
// The narrowest field column that still reads well beside the labels.
constexpr int kComfortableFieldWidth = 160;

// The height of one line of field: labels stand level with a field's first line, so a field
// that grows below (a message, several lines) leaves its label where it was.
int fieldLineHeight()
{
    static const int height = QLineEdit().sizeHint().height();
    return height;
}

int itemHeight(const QLayoutItem* item, int width)
{
    if (item->hasHeightForWidth())
        return std::max(item->heightForWidth(width), item->minimumSize().height());
    return item->sizeHint().height();
}

// The width a field takes out of `room`: all of it when it can grow, else its own. A widget
// grows when its policy says so (whatever its inner layout does), a layout when it expands.
int fieldWidth(const QLayoutItem* field, int room)
{
    int w = room;
    const QWidget* widget = field->widget();
    const bool grows = widget ? bool(widget->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag)
                              : bool(field->expandingDirections() & Qt::Horizontal);
    if (!grows)
        w = std::min(w, std::max(field->sizeHint().width(), field->minimumSize().width()));
    return std::max(0, std::min(w, field->maximumSize().width()));
}

void alignLabel(QLayoutItem* item, bool beside)
{
    if (auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr) {
        const Qt::Alignment wanted = (beside ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        if (label->alignment() != wanted)
            label->setAlignment(wanted);
    }
}

} // namespace

TrailingWrapLayout::TrailingWrapLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(12);
}

TrailingWrapLayout::~TrailingWrapLayout()
{
    delete m_lead;
    delete m_trail;
}

void TrailingWrapLayout::take(QLayoutItem* item)
{
    if (QWidget* w = item->widget())
        addChildWidget(w);
    else if (QLayout* l = item->layout())
        addChildLayout(l);
}

void TrailingWrapLayout::setLead(QLayoutItem* item)
{
    delete m_lead;
    m_lead = item;
    take(item);
    invalidate();
}

void TrailingWrapLayout::setTrail(QLayoutItem* item)
{
    delete m_trail;
    m_trail = item;
    take(item);
    invalidate();
}

QList<QLayoutItem*> TrailingWrapLayout::present() const
{
    QList<QLayoutItem*> items;
    for (QLayoutItem* i : {m_lead, m_trail})
        if (i)
            items.append(i);
    return items;
}

int TrailingWrapLayout::count() const
{
    return int(present().size());
}

QLayoutItem* TrailingWrapLayout::itemAt(int index) const
{
    const QList<QLayoutItem*> items = present();
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

QLayoutItem* TrailingWrapLayout::takeAt(int index)
{
    QLayoutItem* item = itemAt(index);
    if (item == m_lead)
        m_lead = nullptr;
    else if (item == m_trail)
        m_trail = nullptr;
    invalidate();
    return item;
}

bool TrailingWrapLayout::shown(const QLayoutItem* item)
{
    return item && !item->isEmpty();
}

void TrailingWrapLayout::setLeadReadableWidth(int width)
{
    if (width == m_leadReadable)
        return;
    m_leadReadable = width;
    invalidate();
}

bool TrailingWrapLayout::oneLineAt(int width) const
{
    const QMargins m = contentsMargins();
    const int room = width - m.left() - m.right();
    if (!shown(m_lead) || !shown(m_trail))
        return true;
    const int lead = std::max(m_lead->minimumSize().width(), std::min(m_leadReadable, m_lead->sizeHint().width()));
    return room >= lead + spacing() + m_trail->sizeHint().width();
}

int TrailingWrapLayout::heightForWidth(int width) const
{
    return layOut(QRect(0, 0, width, 0), false);
}

QSize TrailingWrapLayout::minimumSize() const
{
    const QMargins m = contentsMargins();
    int w = 0;
    for (QLayoutItem* i : present())
        if (shown(i))
            w = std::max(w, i->minimumSize().width());
    return {w + m.left() + m.right(), heightForWidth(sizeHint().width())};
}

QSize TrailingWrapLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    int w = 0;
    int h = 0;
    for (QLayoutItem* i : present()) {
        if (!shown(i))
            continue;
        w += (w ? spacing() : 0) + i->sizeHint().width();
        h = std::max(h, i->sizeHint().height());
    }
    return {w + m.left() + m.right(), h + m.top() + m.bottom()};
}

Qt::Orientations TrailingWrapLayout::expandingDirections() const
{
    Qt::Orientations o;
    for (QLayoutItem* i : present())
        o |= i->expandingDirections();
    return o & Qt::Horizontal;
}

void TrailingWrapLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    layOut(rect, true);
}

int TrailingWrapLayout::layOut(const QRect& rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.marginsRemoved(m);
    const int margins = m.top() + m.bottom();
    const bool lead = shown(m_lead);
    const bool trail = shown(m_trail);
    const int leadH = lead ? itemHeight(m_lead, area.width()) : 0;
    if (oneLineAt(rect.width())) {
        int trailW = trail ? std::min(m_trail->sizeHint().width(), area.width()) : 0;
        // A trailing part that can grow (a slider) takes what a fixed leading part (a label) leaves.
        const bool trailGrows = trail && (m_trail->expandingDirections() & Qt::Horizontal)
            && !(lead && (m_lead->expandingDirections() & Qt::Horizontal));
        if (trailGrows)
            trailW = std::max(trailW, area.width() - (lead ? m_lead->sizeHint().width() + spacing() : 0));
        const int leadW = std::max(0, area.width() - (trail ? trailW + spacing() : 0));
        const int h = std::max(lead ? itemHeight(m_lead, leadW) : 0, trail ? m_trail->sizeHint().height() : 0);
        if (apply) {
            if (lead)
                m_lead->setGeometry(QRect(area.left(), area.top(), leadW, h));
            if (trail)
                m_trail->setGeometry(QRect(area.right() + 1 - trailW, area.top(), trailW, h));
        }
        return h + margins;
    }
    // The trailing part under the leading one: as wide as it wishes within the row, or all of
    // the row when it can grow.
    const int trailW = (m_trail->expandingDirections() & Qt::Horizontal)
        ? area.width()
        : std::min(std::max(m_trail->sizeHint().width(), m_trail->minimumSize().width()), area.width());
    const int trailH = itemHeight(m_trail, trailW);
    if (apply) {
        m_lead->setGeometry(QRect(area.left(), area.top(), area.width(), leadH));
        m_trail->setGeometry(QRect(area.right() + 1 - trailW, area.top() + leadH + spacing(), trailW, trailH));
    }
    return leadH + spacing() + trailH + margins;
}

FormRowsLayout::FormRowsLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
}

FormRowsLayout::~FormRowsLayout()
{
    for (const Row& row : std::as_const(m_rows)) {
        delete row.label;
        delete row.field;
    }
}

void FormRowsLayout::setLabelWidth(int width)
{
    m_labelWidth = width;
    invalidate();
}

void FormRowsLayout::addRow(QLabel* label, QLayoutItem* field)
{
    if (label)
        addChildWidget(label);
    if (QWidget* w = field->widget())
        addChildWidget(w);
    else if (QLayout* l = field->layout())
        addChildLayout(l);
    m_rows.append({label ? new QWidgetItem(label) : nullptr, field});
    invalidate();
}

void FormRowsLayout::addRow(QLabel* label, QWidget* field)
{
    addRow(label, new QWidgetItem(field));
}

void FormRowsLayout::addUnderFields(QWidget* widget)
{
    addRow(nullptr, widget);
}

bool FormRowsLayout::insertUnder(const QObject* field, QWidget* widget)
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        QLayoutItem* item = m_rows.at(i).field;
        if (item->widget() != field && item->layout() != field)
            continue;
        addChildWidget(widget);
        m_rows.insert(i + 1, {nullptr, new QWidgetItem(widget)});
        invalidate();
        return true;
    }
    return false;
}

void FormRowsLayout::addItem(QLayoutItem* item)
{
    m_rows.append({nullptr, item});
    invalidate();
}

int FormRowsLayout::count() const
{
    int n = 0;
    for (const Row& row : m_rows)
        n += row.label ? 2 : 1;
    return n;
}

QLayoutItem* FormRowsLayout::itemAt(int index) const
{
    for (const Row& row : m_rows) {
        if (row.label) {
            if (index == 0)
                return row.label;
            --index;
        }
        if (index == 0)
            return row.field;
        --index;
    }
    return nullptr;
}

QLayoutItem* FormRowsLayout::takeAt(int index)
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        if (row.label) {
            if (index == 0) {
                QLayoutItem* taken = std::exchange(row.label, nullptr);
                invalidate();
                return taken;
            }
            --index;
        }
        if (index == 0) {
            QLayoutItem* taken = row.field;
            // The row's label stays as a row of its own.
            if (row.label)
                row.field = new QSpacerItem(0, 0);
            else
                m_rows.removeAt(i);
            invalidate();
            return taken;
        }
        --index;
    }
    return nullptr;
}

void FormRowsLayout::invalidate()
{
    m_cachedWidth = -1;
    QLayout::invalidate();
}

int FormRowsLayout::labelColumn() const
{
    int w = m_labelWidth;
    for (const Row& row : m_rows)
        if (row.label && !row.label->isEmpty())
            w = std::max(w, row.label->sizeHint().width());
    return w;
}

int FormRowsLayout::widestField() const
{
    int w = 0;
    for (const Row& row : m_rows)
        if (!row.field->isEmpty())
            w = std::max(w, row.field->minimumSize().width());
    return w;
}

bool FormRowsLayout::labelsBesideAt(int width) const
{
    const QMargins m = contentsMargins();
    const int room = width - m.left() - m.right() - labelColumn() - kRowsHSpacing;
    return room >= std::max(widestField(), kComfortableFieldWidth);
}

QSize FormRowsLayout::minimumSize() const
{
    // Stacked: the widest label or field. The height is the least the rows take side by side;
    // heightForWidth() gives the height at a given width.
    int width = widestField();
    for (const Row& row : m_rows)
        if (row.label && !row.label->isEmpty())
            width = std::max(width, row.label->minimumSize().width());
    const QMargins m = contentsMargins();
    width += m.left() + m.right();
    const int wide = labelColumn() + kRowsHSpacing + widestField() + m.left() + m.right();
    return {width, heightForWidth(std::max(width, wide))};
}

QSize FormRowsLayout::sizeHint() const
{
    int fields = 0;
    for (const Row& row : m_rows)
        if (!row.field->isEmpty())
            fields = std::max(fields, row.field->sizeHint().width());
    const QMargins m = contentsMargins();
    const int width = std::max(labelColumn() + kRowsHSpacing + std::max(fields, kComfortableFieldWidth)
                                   + m.left() + m.right(),
                               minimumSize().width());
    return {width, heightForWidth(width)};
}

int FormRowsLayout::heightForWidth(int width) const
{
    if (width != m_cachedWidth) {
        m_cachedHeight = layOut(QRect(0, 0, width, 0), false);
        m_cachedWidth = width;
    }
    return m_cachedHeight;
}

void FormRowsLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    layOut(rect, true);
}

int FormRowsLayout::layOut(const QRect& rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.marginsRemoved(m);
    const bool beside = labelsBesideAt(rect.width());
    if (apply)
        const_cast<FormRowsLayout*>(this)->m_beside = beside;
    const int labels = beside ? labelColumn() : 0;
    const int fieldLeft = beside ? area.left() + labels + kRowsHSpacing : area.left();
    const int room = std::max(0, area.right() + 1 - fieldLeft);
    int y = area.top();
    bool first = true;
    for (const Row& row : m_rows) {
        const bool hasLabel = row.label && !row.label->isEmpty();
        if (!hasLabel && row.field->isEmpty())
            continue;
        if (!first)
            y += kRowsVSpacing;
        first = false;
        const int fw = fieldWidth(row.field, room);
        const int fh = row.field->isEmpty() ? 0 : itemHeight(row.field, fw);
        if (beside) {
            const int lh = hasLabel ? std::max(row.label->sizeHint().height(), fieldLineHeight()) : 0;
            if (apply) {
                alignLabel(row.label, true);
                if (hasLabel)
                    row.label->setGeometry(QRect(area.left(), y, labels, lh));
                if (!row.field->isEmpty())
                    row.field->setGeometry(QRect(fieldLeft, y + std::max(0, (lh - fh) / 2), fw, fh));
            }
            y += std::max(lh, fh);
        } else {
            if (hasLabel) {
                const int lh = row.label->sizeHint().height();
                if (apply) {
                    alignLabel(row.label, false);
                    row.label->setGeometry(QRect(area.left(), y, area.width(), lh));
                }
                y += lh + (row.field->isEmpty() ? 0 : kStackedSpacing);
            }
            if (apply && !row.field->isEmpty())
                row.field->setGeometry(QRect(fieldLeft, y, fw, fh));
            y += fh;
        }
    }
    return y - area.top() + m.top() + m.bottom();
}

FormSection::FormSection(const QString& title, const QString& symbol, QWidget* parent)
    : QWidget(parent), m_title(title)
{
    setObjectName(QStringLiteral("section:") + title);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 6, 4, 6);
    header->setSpacing(8);
    header->addWidget(symbolLabel(symbol, 16, this));
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setFont(fontFor(TextStyle::Headline, font()));
    header->addWidget(titleLabel);
    header->addStretch(1);
    outer->addLayout(header);

    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("formSectionBox"));
    box->setStyleSheet(QStringLiteral("#formSectionBox { background: palette(alternate-base);"
                                      " border: 1px solid rgba(128, 128, 128, 70);"
                                      " border-radius: 8px; }"));
    m_content = new QVBoxLayout(box);
    m_content->setContentsMargins(12, 12, 12, 12);
    m_content->setSpacing(10);
    outer->addWidget(box);
}

FormRowsLayout* FormSection::rows()
{
    if (!m_rows) {
        m_rows = new FormRowsLayout;
        m_rows->setLabelWidth(m_labelWidth);
        m_content->addLayout(m_rows);
    }
    return m_rows;
}

void FormSection::setLabelWidth(int width)
{
    m_labelWidth = width;
    if (m_rows)
        m_rows->setLabelWidth(width);
}

namespace {

// The number fields of a row, in the order they stand.
void collectNumberFields(QLayoutItem* item, QList<NumberField*>& out)
{
    if (QWidget* w = item->widget()) {
        if (auto* field = qobject_cast<NumberField*>(w))
            out.append(field);
        else
            out.append(w->findChildren<NumberField*>());
    } else if (QLayout* l = item->layout()) {
        for (int i = 0; i < l->count(); ++i)
            collectNumberFields(l->itemAt(i), out);
    }
}

// The first control of a row that the keyboard reaches, within a widget or a layout.
QWidget* firstControl(QLayoutItem* item)
{
    if (!item)
        return nullptr;
    if (QWidget* w = item->widget()) {
        if (w->focusPolicy() & Qt::TabFocus)
            return w->focusProxy() ? w->focusProxy() : w;
        for (QWidget* child : w->findChildren<QWidget*>())
            if ((child->focusPolicy() & Qt::TabFocus) && !child->focusProxy())
                return child;
        return nullptr;
    }
    if (QLayout* l = item->layout())
        for (int i = 0; i < l->count(); ++i)
            if (QWidget* w = firstControl(l->itemAt(i)))
                return w;
    return nullptr;
}

// A screen reader names a row's field by the label beside it, as a sighted user reads it (not
// by its placeholder nor its value), unless the field was given a name of its own.
void nameByLabel(QLabel* label, QLayoutItem* field)
{
    QWidget* control = label ? firstControl(field) : nullptr;
    // A check box or a button says its own text.
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && !button->text().isEmpty())
        return;
    if (!control)
        return;
    label->setBuddy(control);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(label->text());
}

// The label of a row: the layout gives it the column's width beside the fields.
QLabel* rowLabel(const QString& text, QWidget* parent)
{
    if (text.isEmpty())
        return nullptr;
    return makeFieldLabel(text, 0, parent);
}

} // namespace

int FormSection::addRow(const QString& label, QWidget* field)
{
    FormRowsLayout* r = rows();
    const int row = r->rowCount();
    auto* item = new QWidgetItem(field);
    QLabel* labelWidget = rowLabel(label, this);
    r->addRow(labelWidget, item);
    nameByLabel(labelWidget, item);
    placeMessages(item);
    return row;
}

int FormSection::addRow(const QString& label, QLayout* field)
{
    FormRowsLayout* r = rows();
    const int row = r->rowCount();
    QLabel* labelWidget = rowLabel(label, this);
    r->addRow(labelWidget, field);
    nameByLabel(labelWidget, field);
    placeMessages(field);
    return row;
}

void FormSection::placeMessages(QLayoutItem* fields)
{
    // A refused number's message reads under its row, as wide as the fields, and takes no room
    // while hidden.
    QList<NumberField*> numbers;
    if (fields)
        collectNumberFields(fields, numbers);
    for (NumberField* n : numbers) {
        QLabel* message = n->messageLabel();
        if (QLayout* own = n->layout())
            own->removeWidget(message);
        rows()->addUnderFields(message);
    }
}

EditorFrame::EditorFrame(const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("editorHeaderBar"));
    bar->setAutoFillBackground(true);
    QPalette barPalette = bar->palette();
    barPalette.setColor(QPalette::Window, barPalette.color(QPalette::Window).darker(104));
    bar->setPalette(barPalette);
    auto* lead = new QHBoxLayout;
    lead->setSpacing(12);
    m_symbol = symbolLabel(symbol, 24, bar);
    lead->addWidget(m_symbol);
    m_title = new ElidedLabel(title, bar);
    m_title->setObjectName(QStringLiteral("editorTitle"));
    m_title->setFont(fontFor(TextStyle::Title3, font()));
    lead->addWidget(m_title, 1);
    auto* trail = new QHBoxLayout;
    trail->setSpacing(12);
    auto* barLayout = m_bar = new TrailingWrapLayout(bar);
    barLayout->setContentsMargins(16, 12, 16, 12);
    barLayout->setLead(lead);
    barLayout->setTrail(trail);
    m_cancel = new QPushButton(QStringLiteral("Annuler"), bar);
    m_cancel->setToolTip(QStringLiteral("Annuler (Ctrl+Échap)"));
    trail->addWidget(m_cancel);
    // The symbol in the ink of the button's text, on the accent colour.
    const QColor accent = palette().color(QPalette::Active, QPalette::Highlight);
    m_save = new QPushButton(paintedSymbolIcon(QStringLiteral("checkmark.circle.fill"), textColorOn(accent)),
                             QStringLiteral("Enregistrer"), bar);
    m_save->setToolTip(QStringLiteral("Enregistrer (Ctrl+Entrée)"));
    m_save->setStyleSheet(accentButtonStyle(accent));
    trail->addWidget(m_save);
    layout->addWidget(bar);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    QPalette dp = divider->palette();
    dp.setColor(QPalette::WindowText, toneColor(Tone::Quaternary, dp.color(QPalette::WindowText)));
    divider->setPalette(dp);
    layout->addWidget(divider);

    auto* scroll = new VerticalScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* body = new QWidget(scroll);
    m_body = new QVBoxLayout(body);
    m_body->setContentsMargins(16, 16, 16, 16);
    m_body->setSpacing(20);
    m_body->addStretch(1);
    scroll->setWidget(body);
    scroll->setAccessibleName(title);
    layout->addWidget(scroll, 1);

    connect(m_cancel, &QPushButton::clicked, this, &EditorFrame::cancelRequested);
    // Nothing is saved while a date typed in the editor stands refused.
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (!m_gone && !stopForRefusedDate(this))
            emit saveRequested();
    });
    addSaveKeys(this, m_save);
    keepTitleReadable();
    m_cancelKey = new WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { m_cancel->click(); });
}

void EditorFrame::setCancelKeys(const QKeySequence& keys)
{
    m_cancelKey->setKeys(keys);
    m_cancel->setToolTip(QStringLiteral("Annuler (%1)").arg(keys.toString(QKeySequence::NativeText)));
}

int EditorFrame::wholeHeaderWidth() const
{
    const QMargins m = m_bar->contentsMargins();
    return m.left() + m_symbol->sizeHint().width() + 12 + m_title->sizeHint().width() + 12
        + m_cancel->sizeHint().width() + 12 + m_save->sizeHint().width() + m.right();
}

void EditorFrame::setTitle(const QString& title)
{
    m_title->setText(title);
    // The body, a stop of its own for the keys that scroll it, is spoken as the editor's title.
    if (auto* body = findChild<VerticalScrollArea*>(QString(), Qt::FindDirectChildrenOnly))
        body->setAccessibleName(title);
    keepTitleReadable();
}

void EditorFrame::keepTitleReadable()
{
    // An editor's title is short and says what the editor does: cut (« Nouveau type de … ») it
    // says less. Beside the buttons it stands whole, else it goes above them, where it has the
    // bar's whole width (cut with "…" only narrower than that, whole in its tool tip).
    const QMargins margins = m_title->contentsMargins();
    QLayout* lead = m_bar->lead() ? m_bar->lead()->layout() : nullptr;
    const int symbol = m_symbol->sizeHint().width() + (lead ? std::max(0, lead->spacing()) : 0);
    m_bar->setLeadReadableWidth(symbol + margins.left() + margins.right()
                                + m_title->fontMetrics().horizontalAdvance(m_title->text()) + 2);
}

void EditorFrame::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        keepTitleReadable();
}

QString EditorFrame::title() const
{
    return m_title->text();
}

void EditorFrame::setSaveText(const QString& text)
{
    m_save->setText(text);
}

void EditorFrame::setSaveEnabled(bool enabled)
{
    m_save->setEnabled(enabled && !m_gone);
}

void EditorFrame::showRecordGone()
{
    if (m_gone)
        return;
    m_gone = true;
    m_save->setEnabled(false);
    auto* line = new QLabel(QStringLiteral("Supprimé dans une autre fenêtre : ce qui est saisi ici ne peut plus "
                                           "être enregistré."),
                            this);
    line->setObjectName(QStringLiteral("recordGone"));
    line->setWordWrap(true);
    line->setContentsMargins(16, 8, 16, 8);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, dangerTextColor(palette.color(QPalette::Window)));
    line->setPalette(palette);
    // Under the header, always in view, whatever the body is scrolled to.
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, line);
    line->setAccessibleName(line->text());
}

FormSection* EditorFrame::addSection(const QString& title, const QString& symbol)
{
    auto* s = new FormSection(title, symbol, m_body->parentWidget());
    m_body->insertWidget(m_body->count() - 1, s);
    return s;
}

FormSection* EditorFrame::section(const QString& title) const
{
    return findChild<FormSection*>(QStringLiteral("section:") + title);
}

void addSaveKeys(QWidget* owner, QAbstractButton* save, Qt::ShortcutContext context)
{
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter),
                                     QKeySequence(Qt::CTRL | Qt::Key_S)}) {
        auto* s = new QShortcut(keys, owner);
        s->setContext(context);
        QObject::connect(s, &QShortcut::activated, save, [save] {
            if (save->isEnabled())
                save->click();
        });
    }
}

QString accentButtonStyle(const QColor& fill)
{
    return QStringLiteral("QPushButton { background: %1; color: %2; border-radius: 5px; padding: 4px 12px; }")
               .arg(fill.name(), textColorOn(fill).name())
        // Greyed as the desktop greys a button, in its colours (which read on each other).
        + QStringLiteral("QPushButton:disabled { background: palette(button); color: %1; }")
              .arg(QGuiApplication::palette().color(QPalette::Disabled, QPalette::ButtonText).name())
        + focusedColouredButton(fill);
}

QPushButton* makeDangerButton(const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(paintedSymbolIcon(QStringLiteral("trash"), Qt::white), text, parent);
    // Marked so that an editor whose record is deleted elsewhere can put it out of use.
    b->setProperty("deletesRecord", true);
    b->setStyleSheet(QStringLiteral(
        "QPushButton { background: #D92D20; color: white; border-radius: 5px; padding: 4px 12px; }"
        "QPushButton:pressed { background: #B42318; }")
        + focusedColouredButton(QColor(0xD9, 0x2D, 0x20)));
    return b;
}

void setInvalidOutline(QWidget* target, bool invalid)
{
    auto* existing = target->findChild<QWidget*>(QStringLiteral("invalidOutline"),
                                                 Qt::FindDirectChildrenOnly);
    if (invalid && !existing) {
        auto* outline = new InvalidOutline(target);
        outline->show();
    } else if (!invalid && existing) {
        delete existing;
    }
}

bool hasInvalidOutline(const QWidget* target)
{
    return target->findChild<QWidget*>(QStringLiteral("invalidOutline"), Qt::FindDirectChildrenOnly);
}

EditorFrame::~EditorFrame()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
