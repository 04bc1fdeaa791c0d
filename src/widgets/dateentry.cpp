#include "dateentry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolTip>

namespace kv {

namespace {

constexpr auto kSavedToolTip = "kvDateToolTip";

bool isTypedChar(const QKeyEvent* key)
{
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    const QString text = key->text();
    if (text.size() != 1)
        return false;
    const QChar c = text.at(0);
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('/')
           || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char(' ');
}

// The field's three date sections in the order it shows them.
QList<QDateTimeEdit::Section> sectionOrder(const QDateTimeEdit* field)
{
    QList<QDateTimeEdit::Section> order;
    for (int i = 0; i < field->sectionCount(); ++i)
        order.append(field->sectionAt(i));
    return order;
}

int widthOf(QDateTimeEdit::Section section)
{
    return section == QDateTimeEdit::YearSection ? 4 : 2;
}

// Two digits of year are this century's.
int yearOf(const QString& digits)
{
    const int n = digits.toInt();
    return digits.size() <= 2 ? 2000 + n : n;
}

QString shown(const QDateTimeEdit* field, QDate date)
{
    return field->locale().toString(date, field->displayFormat());
}

void unmark(QDateTimeEdit* field)
{
    if (!field->property(kDateRefused).isValid())
        return;
    field->setProperty(kDateRefused, QVariant());
    field->setToolTip(field->property(kSavedToolTip).toString());
    field->setProperty(kSavedToolTip, QVariant());
}

} // namespace

DateEntry::DateEntry(QObject* parent) : QObject(parent) {}

bool DateEntry::appliesTo(const QDateTimeEdit* field)
{
    const QDateTimeEdit::Sections wanted =
        QDateTimeEdit::DaySection | QDateTimeEdit::MonthSection | QDateTimeEdit::YearSection;
    if (field->displayedSections() != wanted || field->isReadOnly() || !field->isEnabled())
        return false;
    // Months and days by name are chosen, not typed in digits.
    const QString format = field->displayFormat();
    return !format.contains(QLatin1String("MMM")) && !format.contains(QLatin1String("ddd"));
}

std::optional<QDate> DateEntry::interpret(const QDateTimeEdit* field, const QString& typed, QDate before,
                                          QDateTimeEdit::Section section)
{
    static const QRegularExpression separators(QStringLiteral("[^0-9]+"));
    const QStringList groups = typed.split(separators, Qt::SkipEmptyParts);
    const QList<QDateTimeEdit::Section> order = sectionOrder(field);
    if (groups.isEmpty() || order.size() != 3)
        return std::nullopt;
    int day = before.isValid() ? before.day() : 1;
    int month = before.isValid() ? before.month() : 1;
    int year = before.isValid() ? before.year() : QDate::currentDate().year();
    auto put = [&](QDateTimeEdit::Section s, const QString& digits) {
        if (digits.isEmpty() || digits.size() > widthOf(s))
            return false;
        if (s == QDateTimeEdit::DaySection)
            day = digits.toInt();
        else if (s == QDateTimeEdit::MonthSection)
            month = digits.toInt();
        else if (s == QDateTimeEdit::YearSection) {
            if (digits.size() != 2 && digits.size() != 4)
                return false;
            year = yearOf(digits);
        } else {
            return false;
        }
        return true;
    };
    bool ok = true;
    if (groups.size() == 1) {
        const QString& digits = groups.first();
        if (digits.size() == 8 || digits.size() == 6) {
            // A whole date without separators: each section at its full width (a two-digit year
            // in six digits).
            int at = 0;
            for (QDateTimeEdit::Section s : order) {
                const int width = s == QDateTimeEdit::YearSection && digits.size() == 6 ? 2 : widthOf(s);
                ok = ok && put(s, digits.mid(at, width));
                at += width;
            }
        } else {
            ok = put(section == QDateTimeEdit::NoSection ? order.first() : section, digits);
        }
    } else if (groups.size() == 2) {
        // The day and the month; the year stays.
        QList<QDateTimeEdit::Section> parts = order;
        parts.removeAll(QDateTimeEdit::YearSection);
        ok = put(parts.at(0), groups.at(0)) && put(parts.at(1), groups.at(1));
    } else if (groups.size() == 3) {
        for (int i = 0; i < 3; ++i)
            ok = ok && put(order.at(i), groups.at(i));
    } else {
        ok = false;
    }
    if (!ok)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || date < field->minimumDate() || date > field->maximumDate())
        return std::nullopt;
    return date;
}

bool DateEntry::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QDateTimeEdit*>(watched);
    if (!field)
        return false;
    const bool typing = m_field == field;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // A date is typed from its first digit: a separator alone (a space, a slash) keeps
        // the field's own meaning and never blanks the date shown.
        const bool startsEntry = typing || (key->text().size() == 1 && key->text().at(0).isDigit());
        if (isTypedChar(key) && startsEntry && (typing || appliesTo(field))) {
            if (!typing)
                start(field);
            if (m_typed.size() < 10)
                m_typed += key->text();
            show();
            if (isComplete())
                settle();
            return true;
        }
        if (!typing)
            return false;
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier) {
            m_typed.chop(1);
            if (m_typed.isEmpty())
                cancel();
            else
                show();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            cancel();
            return true;
        }
        // Return, Tab, the arrows, the calendar's keys: what was typed first, then the key.
        settle();
        // A date typed whole is left with one Tab, not one per section.
        if (key->key() == Qt::Key_Tab)
            field->setCurrentSectionIndex(field->sectionCount() - 1);
        else if (key->key() == Qt::Key_Backtab)
            field->setCurrentSectionIndex(0);
        return false;
    }
    case QEvent::ShortcutOverride: {
        // While a date is being typed, Escape and Backspace belong to it.
        auto* key = static_cast<QKeyEvent*>(event);
        if (typing && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Backspace)) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::FocusOut:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        if (typing)
            settle();
        return false;
    case QEvent::Hide:
        if (typing)
            cancel();
        return false;
    default:
        return false;
    }
}

void DateEntry::start(QDateTimeEdit* field)
{
    if (m_field && m_field != field)
        settle();
    m_field = field;
    m_typed.clear();
    m_before = field->date();
    m_section = field->currentSection();
}

void DateEntry::show()
{
    if (QLineEdit* line = m_field->findChild<QLineEdit*>()) {
        // The field's own checks stay out of it until the entry ends.
        const QSignalBlocker blocker(line);
        line->setText(m_typed);
        line->setCursorPosition(m_typed.size());
    }
}

bool DateEntry::isComplete() const
{
    static const QRegularExpression separators(QStringLiteral("[^0-9]+"));
    const QStringList groups = m_typed.split(separators, Qt::SkipEmptyParts);
    const QList<QDateTimeEdit::Section> order = sectionOrder(m_field);
    if (order.size() != 3)
        return false;
    if (groups.size() == 1 && !m_typed.contains(separators))
        return groups.first().size() == 8;
    return groups.size() == 3 && !m_typed.back().isSpace() && groups.last().size() == widthOf(order.last());
}

void DateEntry::settle()
{
    QPointer<QDateTimeEdit> field = m_field;
    if (!field)
        return;
    const QString typed = m_typed;
    const std::optional<QDate> date = interpret(field, typed, m_before, m_section);
    const QDate before = m_before;
    cancel();
    if (date) {
        unmark(field);
        field->setDate(*date);
        return;
    }
    // The date that was there stays; the field says what was refused.
    if (!field->property(kDateRefused).isValid())
        field->setProperty(kSavedToolTip, field->toolTip());
    field->setProperty(kDateRefused, typed);
    const QString why = QStringLiteral("« %1 » n’est pas une date valide : la date reste le %2.")
                            .arg(typed.trimmed(), shown(field, before));
    field->setToolTip(why);
    if (field->isVisible())
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), why, field);
    QApplication::beep();
}

void DateEntry::cancel()
{
    QPointer<QDateTimeEdit> field = m_field;
    m_field = nullptr;
    m_typed.clear();
    if (!field)
        return;
    if (QLineEdit* line = field->findChild<QLineEdit*>()) {
        const QSignalBlocker blocker(line);
        line->setText(shown(field, field->date()));
    }
}

void installDateEntry(QApplication* app)
{
    if (app->findChild<DateEntry*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new DateEntry(app));
}

void removeDateEntry(QApplication* app)
{
    delete app->findChild<DateEntry*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace kv
