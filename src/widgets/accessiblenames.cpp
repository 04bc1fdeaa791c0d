#include "accessiblenames.h"

#include "plaintext.h"
#include "sharedannouncement.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QSet>
#include <QToolButton>
#include <QTreeView>

#include <cmath>
#include <utility>

namespace kv {

namespace {

// Set on a widget whose name came from here, so that it follows its tool tip.
const char* const kNamedHere = "kvNamedHere";
// On a drop-down list: the text of its choice last said to readers, once they follow it.
const char* const kSpokenChoice = "kvSpokenChoice";
// On a slider read in units: units per step, and the value and text the screen shows.
const char* const kUnitsPerStep = "kvUnitsPerStep";
const char* const kShownValue = "kvShownValue";
const char* const kShownText = "kvShownText";
// On a card read as an item; and, on a card among which one is chosen, whether it is.
const char* const kReadAsItem = "kvReadAsItem";
const char* const kItemChosen = "kvItemChosen";

std::function<void(QAccessibleEvent*)> g_observer;
// The update handler installed before ours (none in the program).
QAccessible::UpdateHandler g_next = nullptr;

// Past the rules: to the platform's bridge (or to the handler that was there before ours).
void toBridge(QAccessibleEvent* event)
{
    if (g_observer)
        g_observer(event);
    // The bridge ignores table model changes, which Qt has already applied to its tables before
    // any handler hears them: given again, they would be applied twice.
    if (!QAccessible::isActive() || event->type() == QAccessible::TableModelChanged)
        return;
    if (g_next) {
        g_next(event);
        return;
    }
    const QAccessible::UpdateHandler mine = QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(mine);
}

// The focus event of this turn of the event loop, said once the turn is over: where the focus
// ended, by its object and child or, for an item without an object, by its id.
struct HeldFocus {
    QPointer<QObject> object;
    bool byObject = false;
    int child = -1;
    QAccessible::Id id = 0;
    bool pending = false;
};
HeldFocus g_focus;

// The widget an interface stands for or lies in; null when none.
QWidget* widgetOf(QAccessibleInterface* iface)
{
    for (int depth = 0; iface && depth < 64; iface = iface->parent(), ++depth)
        if (iface->object() && iface->object()->isWidgetType())
            return static_cast<QWidget*>(iface->object());
    return nullptr;
}

bool shown(QAccessibleInterface* iface)
{
    const QWidget* w = iface && iface->isValid() ? widgetOf(iface) : nullptr;
    return w && w->isVisible();
}

// The child of a list's or table's interface that is its current row (its current cell); -1
// when it has none. A tree numbers its rows as they are shown, not as its model does: left out.
int currentRowChild(QAbstractItemView* view)
{
    QAccessibleInterface* iface = qobject_cast<QTreeView*>(view) ? nullptr : QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface* table = iface ? iface->tableInterface() : nullptr;
    const QModelIndex current = view->currentIndex();
    if (!table || !current.isValid() || current.parent() != view->rootIndex())
        return -1;
    QAccessibleInterface* cell = table->cellAt(current.row(), current.column());
    return cell ? iface->indexOfChild(cell) : -1;
}

void sayHeldFocus()
{
    g_focus.pending = false;
    if (!g_focus.byObject) {
        QAccessibleInterface* iface = QAccessible::accessibleInterface(g_focus.id);
        if (!shown(iface))
            return;
        QAccessibleEvent said(iface, QAccessible::Focus);
        toBridge(&said);
        return;
    }
    QObject* object = g_focus.object;
    if (!object)
        return;
    int child = g_focus.child;
    if (auto* view = qobject_cast<QAbstractItemView*>(object); view && child < 0)
        child = currentRowChild(view);
    QAccessibleEvent said(object, QAccessible::Focus);
    said.setChild(child);
    QAccessibleInterface* iface = said.accessibleInterface();
    if (!shown(iface))
        return;
    // A painted widget's focused item (the grid's cell) is where the keys are: said as it, once.
    if (QAccessibleInterface* item = child < 0 ? iface->focusChild() : nullptr; item && item != iface && !item->object()) {
        QAccessibleEvent byItem(item, QAccessible::Focus);
        toBridge(&byItem);
        return;
    }
    toBridge(&said);
}

// Whether `event` names or describes anew what a reader already knows, or what no one sees: a
// screen names its parts as it builds them, and names some again as they were, which a reader
// (and the bridge, which asks the part each time) would go through one by one. A part is read
// whole once it shows; a hidden part is read when it comes.
bool saysNothingNew(QAccessibleEvent* event)
{
    const QAccessible::Event type = event->type();
    if (type != QAccessible::NameChanged && type != QAccessible::DescriptionChanged)
        return false;
    QAccessibleInterface* iface = event->accessibleInterface();
    if (!iface || !iface->isValid())
        return false;
    if (!shown(iface))
        return true;
    // What was said last of each part, by the part's interface and the text's kind.
    struct Said {
        QPointer<QObject> object;
        QString text;
    };
    static QHash<std::pair<QAccessible::Id, int>, Said> said;
    const QString text = iface->text(type == QAccessible::NameChanged ? QAccessible::Name : QAccessible::Description);
    Said& last = said[{QAccessible::uniqueId(iface), int(type)}];
    if (last.object == iface->object() && last.object && last.text == text)
        return true;
    last = {iface->object(), text};
    if (said.size() > 4096)
        said.removeIf([](const auto& entry) { return !entry.value().object; });
    return false;
}

// A part shown or hidden, said once the turn is over, and only where what holds it did not show
// or hide with it: a screen's hundreds of parts come and go with it, and a reader learns of them
// from the screen (the notification line, shown alone, is said as ever).
struct HeldShowing {
    QPointer<QObject> object;
    QAccessible::Event type;
};
QList<HeldShowing> g_showings;

void sayHeldShowings()
{
    const QList<HeldShowing> held = std::exchange(g_showings, {});
    QSet<std::pair<const QObject*, int>> comeAndGone;
    for (const HeldShowing& h : held)
        if (h.object)
            comeAndGone.insert({h.object.data(), int(h.type)});
    for (const HeldShowing& h : held) {
        auto* w = qobject_cast<QWidget*>(h.object.data());
        if (!w)
            continue;
        bool withItsHolder = false;
        for (QWidget* p = w->isWindow() ? nullptr : w->parentWidget(); p && !withItsHolder; p = p->isWindow() ? nullptr : p->parentWidget())
            withItsHolder = comeAndGone.contains({p, int(h.type)});
        if (withItsHolder)
            continue;
        QAccessibleEvent said(w, h.type);
        toBridge(&said);
    }
}

bool holdShowing(QAccessibleEvent* event)
{
    const QAccessible::Event type = event->type();
    auto* w = qobject_cast<QWidget*>(event->object());
    if ((type != QAccessible::ObjectShow && type != QAccessible::ObjectHide) || !w || event->child() >= 0
        || w->isWindow() || w->objectName() == QLatin1String(kAnnouncementLine) || !qApp)
        return false;
    if (g_showings.isEmpty())
        QMetaObject::invokeMethod(qApp, &sayHeldShowings, Qt::QueuedConnection);
    g_showings.append({w, type});
    return true;
}

void holdFocus(QAccessibleEvent* event)
{
    g_focus.object = event->object();
    g_focus.byObject = event->object() != nullptr;
    g_focus.child = event->child();
    g_focus.id = g_focus.byObject ? 0 : event->uniqueId();
    if (g_focus.pending || !qApp)
        return;
    g_focus.pending = true;
    QMetaObject::invokeMethod(qApp, &sayHeldFocus, Qt::QueuedConnection);
}

void readerGate(QAccessibleEvent* event)
{
    tellReaders(event);
}

// The text a reader hears of a list's choice: the chosen entry's own spoken text (a client
// with what tells it from its namesakes, as its row shows it), else the text shown.
QString spokenChoice(const QComboBox* combo)
{
    if (combo->isEditable() && combo->lineEdit())
        return combo->lineEdit()->text();
    const int row = combo->currentIndex();
    const QString spoken = row >= 0 ? combo->itemData(row, Qt::AccessibleTextRole).toString() : QString();
    return spoken.isEmpty() ? combo->currentText() : spoken;
}

// The chosen entry, and it alone, marked selected in the list a reader finds under the closed
// drop-down list (the open list shows the user's own moves).
void markChosen(QComboBox* combo)
{
    QAbstractItemView* view = combo->view();
    QItemSelectionModel* selection = view ? view->selectionModel() : nullptr;
    if (!selection || view->isVisible() || !combo->model())
        return;
    const QModelIndex chosen = combo->model()->index(combo->currentIndex(), combo->modelColumn(), combo->rootModelIndex());
    if (chosen.isValid())
        selection->select(chosen, QItemSelectionModel::ClearAndSelect);
    else
        selection->clearSelection();
}

// A new choice: marked, and said as the list's new text.
void sayChoice(QComboBox* combo)
{
    markChosen(combo);
    const QString before = combo->property(kSpokenChoice).toString();
    const QString now = spokenChoice(combo);
    combo->setProperty(kSpokenChoice, now);
    // Said where the user chooses: on the list holding the keys, or from its open list. A list
    // the program fills again beside (a client's contacts) is read when the keys reach it.
    if (combo->isEditable() || before == now || !(combo->hasFocus() || combo->view()->isVisible()))
        return;
    QAccessibleTextUpdateEvent said(combo, 0, before, now);
    tellReaders(&said);
}

// From the first time a reader asks about a drop-down list, its choice is kept marked and
// said as it changes.
void followChoice(QComboBox* combo)
{
    if (combo->property(kSpokenChoice).isValid())
        return;
    combo->setProperty(kSpokenChoice, spokenChoice(combo));
    markChosen(combo);
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] { sayChoice(combo); });
    // A list filled again keeps its choice marked, once the list has settled on it (perhaps
    // with its signals blocked).
    if (QAbstractItemModel* model = combo->model()) {
        const auto mark = [combo] {
            markChosen(combo);
            combo->setProperty(kSpokenChoice, spokenChoice(combo));
        };
        QObject::connect(model, &QAbstractItemModel::modelReset, combo, mark, Qt::QueuedConnection);
        QObject::connect(model, &QAbstractItemModel::rowsInserted, combo, mark, Qt::QueuedConnection);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, combo, mark, Qt::QueuedConnection);
    }
}

void giveName(QWidget* w, const QString& name)
{
    if (name.isEmpty() || name == w->accessibleName())
        return;
    w->setAccessibleName(name);
    w->setProperty(kNamedHere, true);
}

// The label whose buddy `field` is, among the children of its parent and of a few ancestors
// above (a label beside a row of widgets names one of them); null when none. Screen readers
// find the label only among the field's siblings.
const QLabel* labelOf(const QWidget* field)
{
    int levels = 4;
    for (const QWidget* p = field->parentWidget(); p && levels > 0; p = p->isWindow() ? nullptr : p->parentWidget(), --levels)
        for (const QLabel* label : p->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (label->buddy() == field)
                return label;
    return nullptr;
}

bool isField(const QWidget* w)
{
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w)
           || qobject_cast<const QComboBox*>(w) || w->inherits("QTextEdit") || w->inherits("QPlainTextEdit")
           || w->inherits("QAbstractSlider");
}

// A drop-down list as Qt presents one (its entries as its child, its text field when typed in,
// opened by its action), named by its name or its label, its chosen entry as its value and as
// its text (read-only): Qt 6.4 carries no selection to readers, a text it does.
class NamedComboBox : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) { followChoice(combo); }

    QComboBox* combo() const { return static_cast<QComboBox*>(object()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // The text: the choice, read-only, with no caret nor selection of its own.
    QString text(int start, int end) const override { return spokenChoice(combo()).mid(start, end - start); }
    int characterCount() const override { return int(spokenChoice(combo()).size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

    int childCount() const override { return combo()->isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->isEditable())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->isEditable() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    // An editable list is its text field's focus proxy: the field is where the keys are.
    QAccessibleInterface* focusChild() const override { return combo()->isEditable() ? child(1) : nullptr; }

    QString text(QAccessible::Text t) const override
    {
        const QString shown = spokenChoice(combo());
        if (t == QAccessible::Value)
            return shown;
        if (t == QAccessible::Accelerator)
            return QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
        const QString own = QAccessibleWidget::text(t);
        // A list named neither by a screen nor by a label keeps what Qt says of it.
        return own.isEmpty() && t == QAccessible::Name ? shown : own;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

    QStringList keyBindingsForAction(const QString& action) const override
    {
        if (action == showMenuAction() || action == pressAction())
            return {QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText)};
        return QAccessibleWidget::keyBindingsForAction(action);
    }
};

// A slider counted in steps, read in units: its value as the screen shows it beside it.
class SliderInUnits : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderInUnits(QAbstractSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    QAbstractSlider* slider() const { return static_cast<QAbstractSlider*>(object()); }
    // One, for a slider counted in what it measures.
    double unit() const
    {
        const double unit = slider()->property(kUnitsPerStep).toDouble();
        return unit > 0 ? unit : 1.0;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        const QVariant shownText = slider()->property(kShownText);
        return shownText.isValid() ? shownText.toString() : QLocale().toString(currentValue().toDouble());
    }

    QVariant currentValue() const override
    {
        const QVariant shownValue = slider()->property(kShownValue);
        return shownValue.isValid() ? shownValue : QVariant(slider()->value() * unit());
    }
    void setCurrentValue(const QVariant& value) override { slider()->setValue(qRound(value.toDouble() / unit())); }
    QVariant maximumValue() const override { return slider()->maximum() * unit(); }
    QVariant minimumValue() const override { return slider()->minimum() * unit(); }
    QVariant minimumStepSize() const override { return slider()->singleStep() * unit(); }
};

// A painted card as an item, named by its screen, selectable where one card is the chosen one.
class CardItem : public QAccessibleWidget {
public:
    explicit CardItem(QWidget* card) : QAccessibleWidget(card, QAccessible::ListItem) {}
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const QVariant chosen = widget()->property(kItemChosen);
        s.selectable = chosen.isValid();
        s.selected = chosen.toBool();
        return s;
    }
};

QAccessibleInterface* namedControlFactory(const QString& className, QObject* object)
{
    if (object && object->isWidgetType() && object->property(kReadAsItem).toBool())
        return new CardItem(static_cast<QWidget*>(object));
    if (className == QLatin1String("QComboBox"))
        if (auto* combo = qobject_cast<QComboBox*>(object))
            return new NamedComboBox(combo);
    // Every slider, whenever it is given its unit: a reader's view of it is made once.
    if (className == QLatin1String("QSlider"))
        if (auto* slider = qobject_cast<QAbstractSlider*>(object))
            return new SliderInUnits(slider);
    return nullptr;
}

// A text field's clear button (Qt's, made by setClearButtonEnabled) by what it clears; empty
// for any other button.
QString clearButtonName(const QAbstractButton* button)
{
    const auto* tool = qobject_cast<const QToolButton*>(button);
    const auto* field = qobject_cast<const QLineEdit*>(button->parentWidget());
    if (!tool || !field || !field->isClearButtonEnabled() || !tool->defaultAction()
        || tool->defaultAction()->objectName() != QLatin1String("_q_qlineeditclearaction"))
        return {};
    const bool search = field->accessibleName().startsWith(QStringLiteral("Rechercher"))
                        || field->placeholderText().startsWith(QStringLiteral("Rechercher"));
    return search ? QStringLiteral("Effacer la recherche") : QStringLiteral("Effacer le texte");
}

} // namespace

void installAccessibleNames()
{
    // After the application has put Qt's own widgets' factory: the last put is asked first (Qt
    // keeps a factory once, however often it is put).
    QAccessible::installFactory(namedControlFactory);
    static const bool gate = (g_next = QAccessible::installUpdateHandler(readerGate), true);
    Q_UNUSED(gate);
}

void tellReaders(QAccessibleEvent* event)
{
    if (!event)
        return;
    if (event->type() == QAccessible::Focus)
        holdFocus(event);
    else if (!saysNothingNew(event) && !holdShowing(event))
        toBridge(event);
}

void setReaderObserver(std::function<void(QAccessibleEvent*)> observer)
{
    g_observer = std::move(observer);
}

void readSliderInUnits(QAbstractSlider* slider, double unitsPerStep)
{
    slider->setProperty(kUnitsPerStep, unitsPerStep);
}

void setSliderShownValue(QAbstractSlider* slider, double value, const QString& text)
{
    const QVariant shownValue = std::isfinite(value) ? QVariant(value) : QVariant();
    if (slider->property(kShownText).toString() == text && slider->property(kShownValue) == shownValue)
        return;
    slider->setProperty(kShownValue, shownValue);
    slider->setProperty(kShownText, text);
    // A move of the slider is said by the slider itself; a value shown off its steps is not.
    const double unit = slider->property(kUnitsPerStep).toDouble();
    if (shownValue.isValid() && unit > 0 && value == slider->value() * unit)
        return;
    QAccessibleValueChangeEvent said(slider, shownValue.isValid() ? shownValue : QVariant(slider->value()));
    tellReaders(&said);
}

void readAsItem(QWidget* card)
{
    card->setProperty(kReadAsItem, true);
    // A reader that met the card before it was an item keeps the filler Qt made: made again.
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(card);
    if (made && made->role() != QAccessible::ListItem)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void setItemChosen(QWidget* card, bool chosen)
{
    const QVariant before = card->property(kItemChosen);
    card->setProperty(kItemChosen, chosen);
    if (!before.isValid() || before.toBool() == chosen) // made with its choice, or no change
        return;
    // Said as a selection, which the bridge carries as the item's change of state.
    QAccessibleEvent said(card, QAccessible::Selection);
    tellReaders(&said);
}

void nameUnnamedControl(QWidget* w)
{
    if (!w->accessibleName().isEmpty() && !w->property(kNamedHere).toBool())
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (QString(button->text()).remove(QLatin1Char('&')).trimmed().isEmpty()) {
            const QString tip = shownToolTip(button->toolTip()).simplified();
            giveName(w, tip.isEmpty() ? clearButtonName(button) : tip);
        }
        return;
    }
    if (!isField(w) || qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
        return;
    if (const QLabel* label = labelOf(w)) {
        QString text = label->text();
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&')).replace(QLatin1Char('\x01'), QLatin1Char('&'));
        while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0x00A0)) || text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        giveName(w, Qt::mightBeRichText(text) ? shownText(label) : text.simplified());
        return;
    }
    auto* line = qobject_cast<QLineEdit*>(w);
    QString prompt = line ? line->placeholderText().trimmed() : QString();
    if (!prompt.startsWith(QStringLiteral("Rechercher")))
        return;
    while (prompt.endsWith(QChar(0x2026)) || prompt.endsWith(QLatin1Char('.')))
        prompt.chop(1);
    giveName(w, prompt.trimmed());
}

} // namespace kv
