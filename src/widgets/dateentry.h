#pragma once

// Dates are typed whole. In a date field showing a day, a month and a year in digits (a
// QDateEdit, or a QDateTimeEdit without time or with hours and minutes after the date), the
// digits the user types are gathered into one entry shown as typed, instead of going section by
// section into a field that checks each key against the date it holds (which turns « 30/11/2026 »
// into another date):
//
// - a whole date, with or without separators (« 30/11/2026 », « 30112026 », « 1/2/26 »), is
//   taken as typed, at once when it is complete (four digits of year), else when the field is
//   left or Return is pressed;
// - in a field with a time, a whole date and time (« 30/11/2026 14:05 », « 301120261405 ») is
//   taken at once when its minutes are typed; a date alone keeps the time the field held, a date
//   and an hour alone mean that hour sharp, and what is typed into the hours or the minutes
//   (« 14 », « 14:05 », « 1405 ») changes the time alone;
// - a part typed alone (« 15 ») replaces the section it was typed into (the day, the month or
//   the year; two digits of year mean 20xx), and is checked against the whole date only when
//   the field is left or Return is pressed; « 15/3 » gives a day and a month of the same year;
// - a date that does not exist or lies outside the field's range is refused: the date that was
//   there stays, and a line under the field (and its tool tip) says why until the field takes a
//   date (the kDateRefused property holds the refused text until then); a form does not save
//   while one of its fields stands refused (stopForRefusedDate);
// - Backspace takes back the last key typed, Escape gives back the date that was there; any
//   other key (arrows, Page up/down, the calendar's keys) first settles what was typed, then
//   does what it always does.
//
// In every date or time field, Tab and Shift+Tab leave the field at once, as they leave any
// other field: its sections are stepped with ← and → (or the separator key), not with Tab.
//
// One application-wide event filter does this for every window, dialog and sheet.

#include <QObject>
#include <QPointer>
#include <QDate>
#include <QDateTimeEdit>

#include <optional>

class QApplication;

namespace kv {

inline constexpr char kDateRefused[] = "kvDateRefused";
// Set (true) on a field whose form says its refusals in a line of its own, in a place it keeps:
// the shared line under the field is then left out.
inline constexpr char kOwnRefusalLine[] = "kvOwnRefusalLine";

class DateEntry : public QObject {
    Q_OBJECT
public:
    explicit DateEntry(QObject* parent = nullptr);

    // Whether the field takes whole dates: its sections are a day, a month in digits and a year,
    // then perhaps hours (of 24) and minutes (and seconds).
    static bool appliesTo(const QDateTimeEdit* field);
    // What `typed` means in `field` holding `before`, typed from `section`; none when it means
    // no date of the field's range.
    static std::optional<QDateTime> interpret(const QDateTimeEdit* field, const QString& typed,
                                              const QDateTime& before, QDateTimeEdit::Section section);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start(QDateTimeEdit* field);
    void show();
    // Takes what was typed (or refuses it) and ends the entry.
    void settle();
    // Ends the entry, the field showing its date again.
    void cancel();
    bool isComplete() const;

    QPointer<QDateTimeEdit> m_field;
    QString m_typed;
    QDateTime m_before;
    QDateTimeEdit::Section m_section = QDateTimeEdit::NoSection;
};

// Before a save: when a date field within `within` stands refused, gives it the keys, brings
// its refusal into view and returns true (the save does not happen).
bool stopForRefusedDate(QWidget* within);

// Installs the filter on the application once (a second call does nothing).
void installDateEntry(QApplication* app);
// Takes it off again (tests compare with and without it).
void removeDateEntry(QApplication* app);

} // namespace kv
