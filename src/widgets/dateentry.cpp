#include "dateentry.h"

#include "forms/editorframe.h"
#include "forms/formstyle.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolTip>

#include <array>

namespace kv {

namespace {

constexpr auto kSavedToolTip = "kvDateToolTip";

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

bool isTypedChar(const QKeyEvent* key)
{
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    const QString text = key->text();
    if (text.size() != 1)
        return false;
    const QChar c = text.at(0);
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('/')
           || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char(' ') || c == QLatin1Char(':');
}

// The field's sections in the order it shows them.
QList<QDateTimeEdit::Section> sectionOrder(const QDateTimeEdit* field)
{
    QList<QDateTimeEdit::Section> order;
    for (int i = 0; i < field->sectionCount(); ++i)
        order.append(field->sectionAt(i));
    return order;
}

bool isTimeSection(QDateTimeEdit::Section section)
{
    return section == QDateTimeEdit::HourSection || section == QDateTimeEdit::MinuteSection
           || section == QDateTimeEdit::SecondSection;
}

// The time sections after the date's three; empty for a date alone.
QList<QDateTimeEdit::Section> timeSections(const QDateTimeEdit* field)
{
    return sectionOrder(field).mid(3);
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

QString shown(const QDateTimeEdit* field, const QDateTime& when)
{
    return field->locale().toString(when, field->displayFormat());
}

QStringList digitGroups(const QString& typed)
{
    static const QRegularExpression separators(QStringLiteral("[^0-9]+"));
    return typed.split(separators, Qt::SkipEmptyParts);
}

bool hasSeparator(const QString& typed)
{
    for (QChar c : typed)
        if (!c.isDigit())
            return true;
    return false;
}

// Whether what was typed into a section of the time changes the time alone: no more groups of
// digits than the time has, and not a whole date's run of digits (« 081220261030 » typed in the
// minutes is a date and its time).
bool typedIntoTheTime(const QStringList& groups, QDateTimeEdit::Section section, qsizetype times)
{
    return isTimeSection(section) && groups.size() <= times
           && !(groups.size() == 1 && groups.first().size() > 2 * times);
}

// The longest entry a field takes: a date, a space and its time with separators.
qsizetype longestEntry(const QDateTimeEdit* field)
{
    const qsizetype times = timeSections(field).size();
    return times ? 11 + 3 * times - 1 : 10;
}

// Tab leaves a date field at once, as it leaves any field: the field steps its sections with Tab
// only from a section that has another after it, so the key is handed over from the last one
// (the first one for Shift+Tab).
void leaveByTab(QDateTimeEdit* field, const QKeyEvent* key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return;
    const bool back = key->key() == Qt::Key_Backtab
                      || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (back)
        field->setCurrentSectionIndex(0);
    else if (key->key() == Qt::Key_Tab)
        field->setCurrentSectionIndex(field->sectionCount() - 1);
}

void unmark(QDateTimeEdit* field);

constexpr auto kRefusalLine = "kvDateRefusalLine";
// The date the field held when it refused a text.
constexpr auto kRefusedOver = "kvDateRefusedOver";

QLabel* refusalLine(const QDateTimeEdit* field)
{
    return qobject_cast<QLabel*>(field->property(kRefusalLine).value<QObject*>());
}

// The layout within `layout` that holds `target` (a widget or a layout), and its index there.
QLayout* holderOf(QLayout* layout, const QObject* target, int* at)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == target || item->layout() == target) {
            *at = i;
            return layout;
        }
        if (QLayout* holder = holderOf(item->layout(), target, at))
            return holder;
    }
    return nullptr;
}

bool placeUnder(QLayout* top, const QObject* target, QLabel* line);

// A widget whose layout is a row of fields: the line goes under that widget, in its parent.
bool placeUnderRow(QLayout* row, QLabel* line)
{
    QWidget* rowWidget = row->parentWidget();
    QWidget* outer = rowWidget ? rowWidget->parentWidget() : nullptr;
    if (!outer || !outer->layout())
        return false;
    line->setParent(outer);
    if (placeUnder(outer->layout(), rowWidget, line))
        return true;
    line->setParent(rowWidget);
    return false;
}

// Puts `line` under `target` within `top`: in a form, on the row below; a row of fields goes
// under the whole row where a layout holds it, else the line follows the field in the row.
// False when no layout holds it.
bool placeUnder(QLayout* top, const QObject* target, QLabel* line)
{
    int at = -1;
    QLayout* holder = holderOf(top, target, &at);
    if (auto* form = qobject_cast<QFormLayout*>(holder)) {
        int row = -1;
        QFormLayout::ItemRole role;
        form->getItemPosition(at, &row, &role);
        form->insertRow(row + 1, static_cast<QWidget*>(nullptr), line);
        return true;
    }
    if (auto* box = qobject_cast<QBoxLayout*>(holder)) {
        const bool row = box->direction() == QBoxLayout::LeftToRight || box->direction() == QBoxLayout::RightToLeft;
        if (row && box != top && placeUnder(top, box, line))
            return true;
        if (row && box == top && placeUnderRow(box, line))
            return true;
        // Under the field in a column (the whole width, so that its wrapped lines have their
        // height; its text aligned as the item above), beside it in a row.
        if (row) {
            box->insertWidget(at + 1, line, 0, Qt::AlignLeft | Qt::AlignVCenter);
        } else {
            const Qt::Alignment aligned = box->itemAt(at)->alignment() & Qt::AlignHorizontal_Mask;
            line->setAlignment(aligned ? aligned : Qt::AlignLeft);
            box->insertWidget(at + 1, line);
        }
        return true;
    }
    if (auto* grid = qobject_cast<QGridLayout*>(holder)) {
        int row, column, rows, columns;
        grid->getItemPosition(at, &row, &column, &rows, &columns);
        const int below = row + rows;
        // The line has a row of its own, all of whose width it takes from the field on: the
        // rows below move down by one unless that row is empty.
        bool taken = false;
        for (int c = 0; c < grid->columnCount(); ++c)
            taken = taken || grid->itemAtPosition(below, c);
        columns = grid->columnCount() - column;
        if (taken) {
            QList<std::array<int, 4>> places;
            QList<QLayoutItem*> moved;
            for (int i = grid->count() - 1; i >= 0; --i) {
                int r, c, rs, cs;
                grid->getItemPosition(i, &r, &c, &rs, &cs);
                if (r < below)
                    continue;
                places.append({r + 1, c, rs, cs});
                moved.append(grid->takeAt(i));
            }
            for (int r = grid->rowCount(); r > below; --r)
                grid->setRowStretch(r, grid->rowStretch(r - 1));
            grid->setRowStretch(below, 0);
            for (qsizetype i = 0; i < moved.size(); ++i) {
                const auto& [r, c, rs, cs] = places.at(i);
                grid->addItem(moved.at(i), r, c, rs, cs, moved.at(i)->alignment());
            }
        }
        grid->addWidget(line, below, column, 1, columns);
        return true;
    }
    // The rows of a form that lays out its labels beside or above its fields.
    if (auto* formRows = dynamic_cast<forms::FormRowsLayout*>(holder))
        return formRows->insertUnder(target, line);
    // Fields that flow along lines of their own make a row too.
    return holder && holder == top && placeUnderRow(holder, line);
}

// The line is as tall as its text wrapped at the width it is given: a window whose layout
// reads only minimum heights (a dialog) grows to show it whole.
class RefusalLine : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        if (const int tall = heightForWidth(width()); tall > 0 && tall != minimumHeight())
            setMinimumHeight(tall);
    }
};

// The refusal said in a line beside the field, until the field takes a date.
void sayRefused(QDateTimeEdit* field, const QString& why)
{
    if (field->property(kOwnRefusalLine).toBool())
        return;
    QLabel* line = refusalLine(field);
    if (!line) {
        QWidget* parent = field->parentWidget();
        if (!parent)
            return;
        line = new RefusalLine(parent);
        line->setObjectName(QStringLiteral("dateRefusee"));
        line->setTextFormat(Qt::PlainText);
        line->setWordWrap(true);
        // As wide as its place allows, so that it wraps only where its place ends.
        line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        QPalette palette = line->palette();
        palette.setColor(QPalette::WindowText, forms::dangerTextColor(palette.color(QPalette::Window)));
        line->setPalette(palette);
        if (!placeUnder(parent->layout(), field, line)) {
            delete line;
            return;
        }
        field->setProperty(kRefusalLine, QVariant::fromValue<QObject*>(line));
        // Whatever gives the field a date ends the refusal: the user's keys or arrows, or the
        // screen showing another record.
        // Return re-announces the same date: only another date ends it.
        QObject::connect(field, &QDateTimeEdit::dateTimeChanged, line, [field](const QDateTime& when) {
            if (when != field->property(kRefusedOver).toDateTime())
                unmark(field);
        });
    }
    line->setText(why);
    line->setAccessibleName(why);
    line->show();
}

void unmark(QDateTimeEdit* field)
{
    if (!field->property(kDateRefused).isValid())
        return;
    field->setProperty(kDateRefused, QVariant());
    field->setToolTip(field->property(kSavedToolTip).toString());
    field->setProperty(kSavedToolTip, QVariant());
    if (QLabel* line = refusalLine(field)) {
        line->hide();
        line->deleteLater();
    }
    field->setProperty(kRefusalLine, QVariant());
}

} // namespace

DateEntry::DateEntry(QObject* parent) : QObject(parent) {}

bool DateEntry::appliesTo(const QDateTimeEdit* field)
{
    if (field->isReadOnly() || !field->isEnabled())
        return false;
    // Months and days by name are chosen, not typed in digits; a 12-hour clock's AM/PM is too.
    const QString format = field->displayFormat();
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd"))
        || (field->displayedSections() & QDateTimeEdit::AmPmSection))
        return false;
    const QList<QDateTimeEdit::Section> order = sectionOrder(field);
    if (order.size() < 3)
        return false;
    const QDateTimeEdit::Sections date =
        QDateTimeEdit::DaySection | QDateTimeEdit::MonthSection | QDateTimeEdit::YearSection;
    QDateTimeEdit::Sections first;
    for (int i = 0; i < 3; ++i)
        first |= order.at(i);
    if (first != date)
        return false;
    // The time after the date: hours and minutes, perhaps seconds, in this order.
    const QList<QDateTimeEdit::Section> time = order.mid(3);
    static const QList<QDateTimeEdit::Section> hm = {QDateTimeEdit::HourSection, QDateTimeEdit::MinuteSection};
    static const QList<QDateTimeEdit::Section> hms = {QDateTimeEdit::HourSection, QDateTimeEdit::MinuteSection,
                                                      QDateTimeEdit::SecondSection};
    return time.isEmpty() || time == hm || time == hms;
}

std::optional<QDateTime> DateEntry::interpret(const QDateTimeEdit* field, const QString& typed,
                                              const QDateTime& before, QDateTimeEdit::Section section)
{
    const QStringList groups = digitGroups(typed);
    const QList<QDateTimeEdit::Section> order = sectionOrder(field);
    const QList<QDateTimeEdit::Section> time = order.mid(3);
    if (groups.isEmpty() || order.size() < 3)
        return std::nullopt;
    const QDate beforeDate = before.date();
    int day = beforeDate.isValid() ? beforeDate.day() : 1;
    int month = beforeDate.isValid() ? beforeDate.month() : 1;
    int year = beforeDate.isValid() ? beforeDate.year() : QDate::currentDate().year();
    const QTime beforeTime = before.time().isValid() ? before.time() : QTime(0, 0);
    int hour = beforeTime.hour();
    int minute = beforeTime.minute();
    int second = beforeTime.second();
    auto put = [&](QDateTimeEdit::Section s, const QString& digits) {
        if (digits.isEmpty() || digits.size() > widthOf(s))
            return false;
        switch (s) {
        case QDateTimeEdit::DaySection:
            day = digits.toInt();
            return true;
        case QDateTimeEdit::MonthSection:
            month = digits.toInt();
            return true;
        case QDateTimeEdit::YearSection:
            if (digits.size() != 2 && digits.size() != 4)
                return false;
            year = yearOf(digits);
            return true;
        case QDateTimeEdit::HourSection:
            hour = digits.toInt();
            return true;
        case QDateTimeEdit::MinuteSection:
            minute = digits.toInt();
            return true;
        case QDateTimeEdit::SecondSection:
            second = digits.toInt();
            return true;
        default:
            return false;
        }
    };
    // Sections typed in a row without separators, each at its full width.
    auto putRun = [&](const QList<QDateTimeEdit::Section>& sections, const QString& digits, bool shortYear) {
        qsizetype at = 0;
        bool ok = true;
        for (QDateTimeEdit::Section s : sections) {
            const int width = s == QDateTimeEdit::YearSection && shortYear ? 2 : widthOf(s);
            ok = ok && put(s, digits.mid(at, width));
            at += width;
        }
        return ok && at == digits.size();
    };
    // Hours typed with a date but no minutes mean that hour sharp.
    auto fromTheHour = [&](qsizetype typedTimes) {
        if (typedTimes >= 1 && typedTimes < 2)
            minute = 0;
        if (typedTimes >= 1 && typedTimes < 3)
            second = 0;
    };
    const QList<QDateTimeEdit::Section> date = order.mid(0, 3);
    const qsizetype timeWidth = 2 * time.size();
    bool ok = true;
    if (typedIntoTheTime(groups, section, time.size())) {
        // Typed into the time: the time alone changes.
        if (groups.size() == 1 && groups.first().size() > 2) {
            const QString& digits = groups.first();
            ok = digits.size() % 2 == 0 && putRun(time.mid(0, digits.size() / 2), digits, false);
        } else if (groups.size() == 1) {
            ok = put(section, groups.first());
        } else {
            for (qsizetype i = 0; i < groups.size(); ++i)
                ok = ok && put(time.at(i), groups.at(i));
            if (groups.size() < time.size())
                second = 0;
        }
    } else if (groups.size() == 1) {
        const QString& digits = groups.first();
        const qsizetype n = digits.size();
        if (n == 8 || n == 6) {
            // A whole date without separators (a two-digit year in six digits).
            ok = putRun(date, digits, n == 6);
        } else if (timeWidth && n > 8 && n <= 8 + timeWidth && n % 2 == 0) {
            // A date and its time without separators: a year in four digits (a short one would
            // be read as an hour), then the hours, the minutes and perhaps the seconds.
            const qsizetype times = (n - 8) / 2;
            ok = putRun(date, digits.left(8), false) && putRun(time.mid(0, times), digits.mid(8), false);
            fromTheHour(times);
        } else {
            ok = put(section == QDateTimeEdit::NoSection || isTimeSection(section) ? order.first() : section, digits);
        }
    } else if (groups.size() == 2) {
        // The day and the month; the year stays.
        QList<QDateTimeEdit::Section> parts = date;
        parts.removeAll(QDateTimeEdit::YearSection);
        ok = put(parts.at(0), groups.at(0)) && put(parts.at(1), groups.at(1));
    } else if (groups.size() <= 3 + time.size()) {
        // A whole date, then as much of the time as was typed.
        for (qsizetype i = 0; i < groups.size(); ++i)
            ok = ok && put(order.at(i), groups.at(i));
        fromTheHour(groups.size() - 3);
    } else {
        ok = false;
    }
    if (!ok)
        return std::nullopt;
    const QDate d(year, month, day);
    const QTime t(hour, minute, second);
    if (!d.isValid() || !t.isValid())
        return std::nullopt;
    QDateTime result = before.isValid() ? before : field->dateTime();
    result.setDate(d);
    if (!time.isEmpty())
        result.setTime(t);
    if (!result.isValid() || result < field->minimumDateTime() || result > field->maximumDateTime())
        return std::nullopt;
    if (time.isEmpty() && (d < field->minimumDate() || d > field->maximumDate()))
        return std::nullopt;
    return result;
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
            if (m_typed.size() < longestEntry(field))
                m_typed += key->text();
            show();
            if (isComplete())
                settle();
            return true;
        }
        if (!typing) {
            leaveByTab(field, key);
            return false;
        }
        // Shift, AltGr and the like come alone before the character they make (the digits and
        // the slash of a French keyboard are shifted): the entry goes on.
        if (isModifierKey(key->key()))
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
        // A letter has no place in a date: it is refused, what was typed stays as it is.
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            && key->text().size() == 1 && key->text().at(0).isPrint()) {
            QApplication::beep();
            return true;
        }
        // Return, Tab, the arrows, the calendar's keys: what was typed first, then the key.
        settle();
        leaveByTab(field, key);
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
    m_before = field->dateTime();
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
    const QStringList groups = digitGroups(m_typed);
    const QList<QDateTimeEdit::Section> order = sectionOrder(m_field);
    const qsizetype times = order.size() - 3;
    if (order.size() < 3)
        return false;
    // Typed into the time: taken when the field is left or Return is pressed.
    if (typedIntoTheTime(groups, m_section, times))
        return false;
    if (groups.size() == 1 && !hasSeparator(m_typed))
        return groups.first().size() == 8 + 2 * times;
    return groups.size() == order.size() && !m_typed.back().isSpace()
           && groups.last().size() == widthOf(order.last());
}

void DateEntry::settle()
{
    QPointer<QDateTimeEdit> field = m_field;
    if (!field)
        return;
    const QString typed = m_typed;
    const std::optional<QDateTime> when = interpret(field, typed, m_before, m_section);
    const QDateTime before = m_before;
    const bool withTime = sectionOrder(field).size() > 3;
    cancel();
    if (when) {
        unmark(field);
        if (withTime)
            field->setDateTime(*when);
        else
            field->setDate(when->date());
        return;
    }
    // The date that was there stays; the field says what was refused.
    if (!field->property(kDateRefused).isValid())
        field->setProperty(kSavedToolTip, field->toolTip());
    field->setProperty(kDateRefused, typed);
    field->setProperty(kRefusedOver, field->dateTime());
    const QString why = QStringLiteral("« %1 » n’est pas une date valide : la date reste le %2.")
                            .arg(typed.trimmed(), shown(field, before));
    field->setToolTip(why);
    sayRefused(field, why);
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
        line->setText(shown(field, field->dateTime()));
    }
    // The field remembers the last day its checks read in the typed text (« 31 » of a refused
    // « 31/02/2026 ») and would put it back into the date it shows: it forgets it when given its
    // own date again.
    field->setDateTime(field->dateTime());
}

bool stopForRefusedDate(QWidget* within)
{
    for (QDateTimeEdit* field : within->findChildren<QDateTimeEdit*>()) {
        if (!field->property(kDateRefused).isValid() || !field->isVisibleTo(within) || !field->isEnabled())
            continue;
        // The keys to the field, its refusal in view.
        field->setFocus(Qt::OtherFocusReason);
        QLabel* line = refusalLine(field);
        for (QWidget* w = field->parentWidget(); w; w = w->parentWidget())
            if (auto* area = qobject_cast<QScrollArea*>(w)) {
                area->ensureWidgetVisible(line ? static_cast<QWidget*>(line) : field);
                break;
            }
        QApplication::beep();
        return true;
    }
    return false;
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
