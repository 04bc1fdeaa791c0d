#include "accessiblenames.h"

#include "plaintext.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
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

} // namespace

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
