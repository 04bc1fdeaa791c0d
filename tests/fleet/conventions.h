#pragma once

// Conventions every list screen keeps: what a screen reader says of its controls (each control
// that Tab reaches is named by the label a sighted user reads beside it, never by its
// placeholder or by the value it holds), and where the keys go after a delete.

#include "screenfixtures.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

namespace fixtures {

// The controls of `root` that Tab reaches and that have no name of their own (none, their
// placeholder or their value), each as its class and what is said of it. A one-line field's name
// the same as its placeholder is the placeholder unless the label beside it reads it too.
inline QStringList unnamedControls(QWidget* root)
{
    QStringList out;
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(root) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString name = a ? a->text(QAccessible::Name).trimmed() : QString();
        QString placeholder;
        QString value;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            placeholder = e->placeholderText();
            value = e->text();
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            value = c->currentText();
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            placeholder = p->placeholderText();
            value = p->toPlainText();
        }
        // A one-line field is never spoken as its placeholder alone; a multi-line one may carry
        // it as the name given on purpose where no label stands beside it (« Notes »).
        const bool placeholderOnly = name == placeholder.trimmed() && !readByItsLabel(w, name)
                                     && (qobject_cast<QLineEdit*>(w) || w->accessibleName().isEmpty());
        if (name.isEmpty() || placeholderOnly || (!value.trimmed().isEmpty() && name == value.trimmed()))
            out.append(QStringLiteral("%1 %2 « %3 »")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), name));
    }
    return out;
}

// The name a screen reader gives a widget.
inline QString spokenName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// Deletes the row the keys are on as a keyboard user does: Delete, then Shift+Tab to
// "Supprimer" in the question and Return. False when no question came.
inline bool deleteByKeys(QListView* list, QWidget* over)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    if (!openBox(over, QStringLiteral("confirmation")))
        return false;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    return true;
}

} // namespace fixtures
