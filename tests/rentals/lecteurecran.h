#pragma once

// What a screen reader says of a screen's controls, through Qt's accessibility interface.

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

// The Tab stops under `racine` that a screen reader cannot name: no name, or a name that is the
// field's placeholder, or its value where no name was given.
inline QStringList sansNomLisible(QWidget* racine)
{
    QStringList fautes;
    for (QWidget* w : racine->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(racine) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled())
            continue;
        // The editor inside a date field or a combo box speaks through its owner.
        if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        QAccessibleInterface* lu = QAccessible::queryAccessibleInterface(w);
        if (!lu)
            continue;
        // What a reader says first: the label the control is labelled by, else its own name.
        QString nom;
        for (const auto& [etiquette, relation] : lu->relations(QAccessible::Label))
            if (nom.isEmpty() && etiquette)
                nom = etiquette->text(QAccessible::Name).trimmed();
        const bool nomme = !nom.isEmpty() || !w->accessibleName().isEmpty();
        if (nom.isEmpty())
            nom = lu->text(QAccessible::Name).trimmed();
        QString valeur;
        QString exemple;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            valeur = e->text();
            exemple = e->placeholderText();
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            valeur = c->currentText();
        } else if (auto* d = qobject_cast<QAbstractSpinBox*>(w)) {
            valeur = d->text();
        }
        // A name given that repeats the placeholder cannot be told from none: a reader says the
        // placeholder anyway.
        if (nom.isEmpty() || (!exemple.isEmpty() && nom == exemple) || (!nomme && !valeur.isEmpty() && nom == valeur))
            fautes.append(QStringLiteral("%1 %2: « %3 »").arg(QString::fromLatin1(w->metaObject()->className()),
                                                               w->objectName(), nom));
    }
    return fautes;
}

