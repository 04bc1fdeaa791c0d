#include "choixdate.h"

#include <QCalendarWidget>
#include <QKeyEvent>

namespace kv {

ChoixDate::ChoixDate(const QDateTime& valeur, QWidget* parent) : QDateEdit(valeur.date(), parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    // The calendar sets the date before these are heard: touche() gives the date as it stands.
    QCalendarWidget* calendrier = calendarWidget();
    connect(calendrier, &QCalendarWidget::clicked, this, &ChoixDate::touche);
    connect(calendrier, &QCalendarWidget::activated, this, &ChoixDate::touche);
}

void ChoixDate::stepBy(int steps)
{
    // Arrow keys, arrow buttons, the wheel.
    QDateEdit::stepBy(steps);
    emit touche(date());
}

void ChoixDate::keyPressEvent(QKeyEvent* event)
{
    QDateEdit::keyPressEvent(event);
    // Typing edits; moving between the day, month and year does not.
    const QString texte = event->text();
    const bool frappe = !texte.isEmpty() && texte.front().isPrint();
    if (frappe || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        emit touche(date());
}

} // namespace kv
