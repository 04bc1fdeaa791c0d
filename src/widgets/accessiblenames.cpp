#include "accessiblenames.h"

#include "plaintext.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>

namespace kv {

namespace {

// Set on a widget whose name came from here, so that it follows its tool tip.
const char* const kNamedHere = "kvNamedHere";

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
// opened by its action), named by its name or its label, its current entry as its value.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox* combo() const { return static_cast<QComboBox*>(object()); }

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
        const QString shown = combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
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

QAccessibleInterface* namedControlFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QComboBox"))
        if (auto* combo = qobject_cast<QComboBox*>(object))
            return new NamedComboBox(combo);
    return nullptr;
}

} // namespace

void installAccessibleNames()
{
    // After the application has put Qt's own widgets' factory: the last put is asked first (Qt
    // keeps a factory once, however often it is put).
    QAccessible::installFactory(namedControlFactory);
}

void nameUnnamedControl(QWidget* w)
{
    if (!w->accessibleName().isEmpty() && !w->property(kNamedHere).toBool())
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (QString(button->text()).remove(QLatin1Char('&')).trimmed().isEmpty())
            giveName(w, shownToolTip(button->toolTip()).simplified());
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
