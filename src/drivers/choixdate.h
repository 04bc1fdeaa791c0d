#pragma once

// The date picker of the sheets: date only, with its calendar. It also says when the user chose
// the date it already shows (a day picked in the calendar, digits typed again), which changes
// nothing and so gives no dateChanged.

#include <QDateEdit>

namespace kv {

class ChoixDate : public QDateEdit {
    Q_OBJECT
public:
    // Shows the day of `valeur`.
    explicit ChoixDate(const QDateTime& valeur, QWidget* parent = nullptr);

    void stepBy(int steps) override;

signals:
    // The user picked, typed or stepped to a day, the one shown included.
    void touche(const QDate& jour);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace kv
