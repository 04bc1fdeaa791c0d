#pragma once

// What a screen reader says of a screen's controls, through Qt's accessibility interface: each
// control that Tab reaches is named by the label a sighted user reads beside it, never by its
// placeholder nor by the value it holds.

#include "screenfixtures.h"
#include "widgets/accessiblenames.h"
#include "widgets/sharedannouncement.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTableView>
#include <QWidget>

namespace fixtures {

// The name a screen reader gives a widget.
inline QString spokenName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// Whether Tab stops on `w` and a reader speaks of it itself: not an editor that speaks through
// its owner (a focus proxy, the field inside a date field or a combo box).
inline bool spokenTabStop(QWidget* w)
{
    if (!w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
        return false;
    QWidget* owner = w->parentWidget();
    return !(qobject_cast<QAbstractSpinBox*>(owner) || qobject_cast<QComboBox*>(owner)) || owner->focusProxy() == w;
}

// Why a reader cannot name the Tab stop `w` (empty when it can): not in the accessibility tree, no
// name, its placeholder as its name (unless the label beside it reads the same; a multi-line
// field may carry it as the name given on purpose where no label stands, « Notes »), or its value.
inline QString unspokenBecause(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a)
        return QStringLiteral("is not in the accessibility tree");
    // The name a reader says, as the accessibility interface gives it.
    const QString name = a->text(QAccessible::Name).simplified();
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
    } else if (auto* d = qobject_cast<QAbstractSpinBox*>(w)) {
        value = d->text();
    } else if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractItemView*>(w)) {
        value = a->text(QAccessible::Value);
    }
    if (name.isEmpty())
        return QStringLiteral("has no name");
    if (name == placeholder.simplified() && !readByItsLabel(w, name)
        && (qobject_cast<QLineEdit*>(w) || w->accessibleName().isEmpty()))
        return QStringLiteral("is named by its placeholder « %1 »").arg(name);
    if (!value.simplified().isEmpty() && name == value.simplified())
        return QStringLiteral("is named by its value « %1 »").arg(name);
    return QString();
}

// The Tab stops of `root`'s window under `root` that a reader cannot name, each as its class, its
// object name and why.
inline QStringList unnamedControls(QWidget* root)
{
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->window() != root->window() || !spokenTabStop(w))
            continue;
        if (const QString why = unspokenBecause(w); !why.isEmpty())
            out.append(QStringLiteral("%1 %2 %3")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), why));
    }
    return out;
}

// The outcomes a reader hears, while it lives.
struct HeardAnnouncements {
    QStringList said;
    HeardAnnouncements()
    {
        kv::setAnnouncementObserver([this](const QString& text) { said.append(text); });
    }
    ~HeardAnnouncements() { kv::setAnnouncementObserver({}); }
};

// What readers are told while it lives (an event's type and what it names, a text change's new
// text), each change of focus said as Qt says it: offscreen, no bridge runs and Qt says nothing.
struct HeardByReaders {
    QList<std::pair<QAccessible::Event, QString>> heard;
    QObject focus;
    HeardByReaders()
    {
        kv::setReaderObserver([this](QAccessibleEvent* e) {
            QAccessibleInterface* a = e->accessibleInterface();
            heard.append({e->type(), e->type() == QAccessible::TextUpdated
                                         ? static_cast<QAccessibleTextUpdateEvent*>(e)->textInserted()
                                         : a ? a->text(QAccessible::Name) : QString()});
        });
        QObject::connect(qApp, &QApplication::focusChanged, &focus, [](QWidget*, QWidget* now) {
            QAccessibleEvent said(now, QAccessible::Focus);
            kv::tellReaders(now ? &said : nullptr);
        });
    }
    ~HeardByReaders() { kv::setReaderObserver({}); }
    QStringList of(QAccessible::Event type) const
    {
        QStringList out;
        for (const auto& [t, what] : heard)
            if (t == type)
                out << what;
        return out;
    }
};

// A table's current cell said as Qt 6.4 says it, whether the table is shown or not.
inline void sayCurrentCellAsQt(QTableView* table)
{
    QObject::connect(table->selectionModel(), &QItemSelectionModel::currentChanged, table, [table](const QModelIndex& i) {
        QAccessibleInterface* a = i.isValid() ? QAccessible::queryAccessibleInterface(table) : nullptr;
        QAccessibleEvent said(table, QAccessible::Focus);
        said.setChild(a ? a->indexOfChild(a->tableInterface()->cellAt(i.row(), i.column())) : -1);
        kv::tellReaders(a ? &said : nullptr);
    });
}

// The names a reader hears windows take, while it lives.
struct HeardWindowNames {
    QStringList said;
    HeardWindowNames()
    {
        kv::setReaderObserver([this](QAccessibleEvent* e) {
            auto* w = qobject_cast<QWidget*>(e->object());
            if (e->type() == QAccessible::NameChanged && w && w->isWindow())
                said.append(e->accessibleInterface()->text(QAccessible::Name));
        });
    }
    ~HeardWindowNames() { kv::setReaderObserver({}); }
};

} // namespace fixtures
