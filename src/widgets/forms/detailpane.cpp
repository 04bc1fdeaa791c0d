#include "detailpane.h"

#include "widgets/focusguard.h"

#include "formstyle.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace kv::forms {

EmptyState::EmptyState(const QString& symbol, const QString& title, const QString& description,
                       QWidget* parent)
    : QWidget(parent), m_title(title), m_symbol(symbol)
{
    setObjectName(QStringLiteral("emptyState"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch(1);

    auto* icon = m_symbolLabel = new QLabel(this);
    const QIcon i = symbolIcon(symbol);
    if (!i.isNull())
        icon->setPixmap(i.pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    QPalette secondary = icon->palette();
    secondary.setColor(QPalette::WindowText,
                       toneColor(Tone::Secondary, secondary.color(QPalette::WindowText)));
    layout->addWidget(icon);

    auto* titleLabel = m_titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("emptyStateTitle"));
    titleLabel->setFont(fontFor(TextStyle::Title3, font()));
    titleLabel->setAlignment(Qt::AlignCenter);
    // A narrow pane breaks the title between its words rather than cut it.
    titleLabel->setWordWrap(true);
    layout->addWidget(titleLabel);

    auto* descriptionLabel = new QLabel(description, this);
    descriptionLabel->setAlignment(Qt::AlignCenter);
    descriptionLabel->setPalette(secondary);
    descriptionLabel->setWordWrap(true);
    layout->addWidget(descriptionLabel);
    layout->addStretch(1);
}

void EmptyState::setSymbolLook(qreal points, const QColor& color)
{
    const int side = qRound(points * logicalDpiY() / 72.0);
    m_symbolLabel->setPixmap(paintedSymbolIcon(m_symbol, color).pixmap(QSize(side, side), devicePixelRatioF()));
}

void EmptyState::setTitleSecondary()
{
    QPalette p = m_titleLabel->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    m_titleLabel->setPalette(p);
}

namespace {

// An editor put in the pane of a window already made joins the window's Tab order where the pane
// stands (after the list before it), as the one made with the window did: left to Qt, its stops
// come last of the window, after its toolbar. Its stops move as one block, their own order kept
// (Qt moves a widget with the run of stops its focus goes through), before it shows: an editor
// that orders its stops as it shows finds them in their place.
void joinTabOrderAt(QWidget* pane, QWidget* editor)
{
    QWidget* before = pane->previousInFocusChain();
    while (before != pane && (pane->isAncestorOf(before) || !(before->focusPolicy() & Qt::TabFocus)))
        before = before->previousInFocusChain();
    QWidget* first = editor->nextInFocusChain();
    while (first != editor && editor->isAncestorOf(first) && !(first->focusPolicy() & Qt::TabFocus))
        first = first->nextInFocusChain();
    if (before == pane || first == editor || !editor->isAncestorOf(first))
        return;
    const Qt::FocusPolicy policy = editor->focusPolicy();
    QWidget* proxy = editor->focusProxy();
    editor->setFocusPolicy(Qt::TabFocus);
    editor->setFocusProxy(first);
    QWidget::setTabOrder(before, editor);
    editor->setFocusProxy(proxy);
    editor->setFocusPolicy(policy);
}

} // namespace

DetailPane::DetailPane(EmptyState* placeholder, QWidget* parent)
    : QWidget(parent), m_placeholder(placeholder)
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(placeholder);
    m_stack->setCurrentWidget(placeholder);
}

void DetailPane::setEditor(QWidget* editor)
{
    if (editor == m_editor)
        return;
    QWidget* old = m_editor;
    m_editor = editor;
    m_stack->addWidget(editor);
    joinTabOrderAt(this, editor);
    m_stack->setCurrentWidget(editor);
    if (old) {
        m_stack->removeWidget(old);
        old->deleteLater();
        old->hide();
    }
}

void DetailPane::showPlaceholder()
{
    if (!m_editor)
        return;
    QWidget* old = m_editor;
    m_editor = nullptr;
    m_stack->setCurrentWidget(m_placeholder);
    m_stack->removeWidget(old);
    old->hide();
    // The editor may be the caller (a callback of its own button): free it later.
    old->deleteLater();
}

void DetailPane::scrollEditorToTop()
{
    if (!m_editor)
        return;
    for (QScrollArea* area : m_editor->findChildren<QScrollArea*>())
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->minimum());
}

void DetailPane::revealFocus()
{
    QWidget* focus = QApplication::focusWidget();
    if (!m_editor || !focus || !m_editor->isAncestorOf(focus))
        return;
    // The rows above the field may still be waiting for their layout: settle them first, so
    // that the field's place is known.
    for (QWidget* w = focus; w && w != m_editor; w = w->parentWidget())
        if (w->layout())
            w->layout()->activate();
    for (QWidget* w = focus->parentWidget(); w && w != m_editor; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(w)) {
            if (area->widget() && area->widget()->isAncestorOf(focus))
                area->ensureWidgetVisible(focus);
        }
    }
}

void DetailPane::keyPressEvent(QKeyEvent* event)
{
    QWidget* focus = QApplication::focusWidget();
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_editor && focus
        && m_editor->isAncestorOf(focus)) {
        event->accept();
        emit escaped();
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The narrowest a list goes beside a detail that needs the room: its rows' names and addresses
// give way with "…".
constexpr int kNarrowestList = 130;

// The list beside its detail: when the room runs short, the list narrows to its floor before the
// detail is squeezed below the width it asks for (an editor's labels beside their fields). The
// floor gives way in turn, down to the narrowest list, before the detail falls below its
// minimum: the screen then fits the window rather than scrolling sideways. A width the user gave
// the list by dragging stays until the window is resized.
class ListSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

    void setListFloor(int floor) { m_listFloor = floor; }

    void followUser() { m_userWidth = true; }
    void setSidebarWanted(std::function<int()> wanted) { m_sidebarWanted = std::move(wanted); }
    void refit()
    {
        if (!m_userWidth)
            giveDetailItsWidth();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QSplitter::resizeEvent(event);
        m_userWidth = false;
        giveDetailItsWidth();
    }

    bool event(QEvent* event) override
    {
        const bool done = QSplitter::event(event);
        if (event->type() == QEvent::LayoutRequest && !m_userWidth)
            giveDetailItsWidth();
        return done;
    }

private:
    void giveDetailItsWidth()
    {
        if (count() != 2 || !isVisible())
            return;
        QList<int> s = sizes();
        const int detailFloor = widget(1)->minimumSizeHint().expandedTo(widget(1)->minimumSize()).width();
        const int floor = std::max(widget(0)->minimumWidth(), std::min(m_listFloor, s[0] + s[1] - detailFloor));
        if (m_sidebarWanted) {
            // The list takes the room its rows need out of what the detail does not ask for;
            // short of room, the detail keeps its width and the list narrows to its floor.
            const int total = s[0] + s[1];
            const int rows = std::clamp(m_sidebarWanted(), floor, widget(0)->maximumWidth());
            const int target = std::max(floor, std::min(rows, total - widget(1)->sizeHint().width()));
            if (target != s[0]) {
                setSizes({target, total - target});
            }
            return;
        }
        const int wanted = widget(1)->sizeHint().width();
        const int give = std::max(s[0] - floor < 0 ? s[0] - floor : 0, std::min(s[0] - floor, wanted - s[1]));
        if (give == 0)
            return;
        s[0] -= give;
        s[1] += give;
        setSizes(s);
    }

    bool m_userWidth = false;
    int m_listFloor = 0;
    std::function<int()> m_sidebarWanted;
};

} // namespace

void refitSplitView(QSplitter* split)
{
    if (auto* list = dynamic_cast<ListSplitter*>(split))
        list->refit();
}

QSplitter* makeSplitView(QWidget* sidebar, QWidget* detail, int minWidth, int idealWidth,
                         int maxWidth, QWidget* parent, std::function<int()> sidebarWanted)
{
    auto* split = new ListSplitter(Qt::Horizontal, parent);
    split->setSidebarWanted(std::move(sidebarWanted));
    QObject::connect(split, &QSplitter::splitterMoved, split, [split] { split->followUser(); });
    // The main window keeps the positions of splitters of this name between runs.
    split->setObjectName(QStringLiteral("listSplit"));
    split->setChildrenCollapsible(false);
    split->setListFloor(minWidth);
    sidebar->setMinimumWidth(std::min(minWidth, kNarrowestList));
    sidebar->setMaximumWidth(maxWidth);
    split->addWidget(sidebar);
    split->addWidget(detail);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({idealWidth, 10000});
    return split;
}

DetailPane::~DetailPane()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
