#include "tests.h"

#include "widgets/dateentry.h"
#include "widgets/forms/editorframe.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QGridLayout>

using namespace kv;

namespace {

// A narrow window with a date field between two line edits, as the screens have them: a date in
// a grid, a date and time in rows of labels and fields.
template <class Champ>
struct Fenetre {
    QWidget window;
    QLineEdit* before = nullptr;
    Champ* date = nullptr;
    QLineEdit* after = nullptr;

    template <class Debut>
    Fenetre(const Debut& start, const QString& format)
    {
        before = new QLineEdit(&window);
        date = new Champ(start, &window);
        date->setDisplayFormat(format);
        date->setCalendarPopup(true);
        after = new QLineEdit(&window);
        auto* grid = std::is_same_v<Champ, QDateEdit> ? new QGridLayout(&window) : nullptr;
        auto* rows = grid ? nullptr : new forms::FormRowsLayout(&window);
        for (int row = 0; row < 3; ++row)
            grid ? grid->addWidget(QList<QWidget*>{before, date, after}.at(row), row, 0)
                 : rows->addRow(nullptr, QList<QWidget*>{before, date, after}.at(row));
        window.setFixedWidth(240);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    // Into the date field by Tab, as a keyboard user comes to it.
    void tabIn()
    {
        before->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
        QTRY_VERIFY(date->hasFocus());
    }

    QString text() const { return date->template findChild<QLineEdit*>()->text(); }
};

struct Form : Fenetre<QDateEdit> {
    explicit Form(QDate start = QDate(2025, 1, 15), const QString& format = QStringLiteral("dd/MM/yyyy"))
        : Fenetre(start, format)
    {
    }
};

// A date and time field, as the ticket form has it.
struct TimeForm : Fenetre<QDateTimeEdit> {
    explicit TimeForm(const QDateTime& start) : Fenetre(start, QStringLiteral("dd/MM/yyyy HH:mm")) {}
};

QWidget* focused()
{
    return QApplication::focusWidget();
}

} // namespace

void DateEntryTest::init()
{
    installDateEntry(qApp);
}

void DateEntryTest::cleanup()
{
    removeDateEntry(qApp);
}

void DateEntryTest::wholeDatesAreTakenAsTyped()
{
    Form form;
    // With slashes: taken when the year is whole, the focus staying in the field.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("30/11/2026"));
    QCOMPARE(form.date->date(), QDate(2026, 11, 30));
    QCOMPARE(form.text(), QStringLiteral("30/11/2026"));
    QVERIFY(form.date->hasFocus());

    // A day that is also a month, typed over the date just taken.
    QTest::keyClicks(focused(), QStringLiteral("11/12/2026"));
    QCOMPARE(form.date->date(), QDate(2026, 12, 11));

    // Without separators.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("30112026"));
    QCOMPARE(form.date->date(), QDate(2026, 11, 30));

    // A short year and single digits, taken when the field is left.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("1/2/27"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QCOMPARE(form.date->date(), QDate(2027, 2, 1));

    // What is typed shows as it is typed; Backspace takes back the last key.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("05/06/20"));
    QCOMPARE(form.text(), QStringLiteral("05/06/20"));
    QTest::keyClick(focused(), Qt::Key_Backspace);
    QCOMPARE(form.text(), QStringLiteral("05/06/2"));
    QTest::keyClicks(focused(), QStringLiteral("028"));
    QCOMPARE(form.date->date(), QDate(2028, 6, 5));
}

void DateEntryTest::aSeparatorAloneNeverBlanksTheDate()
{
    Form form;
    form.tabIn();
    for (const char* k : {" ", "/", "-", "."}) {
        QTest::keyClicks(focused(), QString::fromLatin1(k));
        QCOMPARE(form.text(), QStringLiteral("15/01/2025"));
        QCOMPARE(form.date->date(), QDate(2025, 1, 15));
    }
    // Digits after them still start a whole date.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("02/03/2026"));
    QCOMPARE(form.date->date(), QDate(2026, 3, 2));
}

void DateEntryTest::aPartTypedAloneIsCheckedWhenTheFieldIsLeft()
{
    Form form(QDate(2025, 1, 31));
    form.tabIn();
    // The day alone: 15 January once Return is pressed.
    QTest::keyClicks(focused(), QStringLiteral("15"));
    QCOMPARE(form.date->date(), QDate(2025, 1, 31));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->date(), QDate(2025, 1, 15));

    // Into the year: « 11 » means 2011, not a year that sticks at 1.
    form.date->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(focused(), QStringLiteral("11"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QCOMPARE(form.date->date(), QDate(2011, 1, 15));

    // The year in four digits, then the month: each checked against the whole date.
    form.tabIn();
    form.date->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(focused(), QStringLiteral("2024"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->date(), QDate(2024, 1, 15));
    form.date->setCurrentSection(QDateTimeEdit::MonthSection);
    QTest::keyClicks(focused(), QStringLiteral("2"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->date(), QDate(2024, 2, 15));

    // A day and a month: the year stays.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("29/2"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(form.date->date(), QDate(2024, 2, 29));
}

void DateEntryTest::impossibleDatesLeaveTheDateAndSaySo()
{
    Form form(QDate(2026, 3, 12));
    form.date->setToolTip(QStringLiteral("Date de livraison"));
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("31/02/2026"));
    QCOMPARE(form.date->date(), QDate(2026, 3, 12));
    QCOMPARE(form.text(), QStringLiteral("12/03/2026"));
    QCOMPARE(form.date->property(kDateRefused).toString(), QStringLiteral("31/02/2026"));
    QVERIFY(form.date->toolTip().contains(QStringLiteral("31/02/2026")));
    QVERIFY(form.date->toolTip().contains(QStringLiteral("12/03/2026")));
    // Said aloud in a line beside the field, which stays; a form does not save meanwhile.
    auto* line = form.window.findChild<QLabel*>(QStringLiteral("dateRefusee"));
    QVERIFY(line && line->isVisible() && line->text().contains(QStringLiteral("31/02/2026")));
    QVERIFY(stopForRefusedDate(&form.window));

    // Letters and a month 13 are refused alike, the date still unchanged.
    for (const QString& typed : {QStringLiteral("45"), QStringLiteral("12/13/2026"), QStringLiteral("123")}) {
        form.tabIn();
        QTest::keyClicks(focused(), typed);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(form.date->date(), QDate(2026, 3, 12));
        QVERIFY(form.date->property(kDateRefused).isValid());
    }
    // Out of the field's range.
    form.date->setMinimumDate(QDate(2026, 1, 1));
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("01/01/2020"));
    QCOMPARE(form.date->date(), QDate(2026, 3, 12));

    // Escape gives the date back without a refusal; a good date clears the mark.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("01/0"));
    QTest::keyClick(focused(), Qt::Key_Escape);
    QCOMPARE(form.text(), QStringLiteral("12/03/2026"));
    QTest::keyClicks(focused(), QStringLiteral("01/04/2026"));
    QCOMPARE(form.date->date(), QDate(2026, 4, 1));
    QVERIFY(!form.date->property(kDateRefused).isValid());
    QCOMPARE(form.date->toolTip(), QStringLiteral("Date de livraison"));
    QVERIFY(!stopForRefusedDate(&form.window));
    QTRY_VERIFY(!form.window.findChild<QLabel*>(QStringLiteral("dateRefusee")));
}

void DateEntryTest::arrowsTabAndCalendarStillWork()
{
    Form form(QDate(2025, 1, 15));
    form.tabIn();
    QCOMPARE(form.date->currentSection(), QDateTimeEdit::DaySection);
    QTest::keyClick(focused(), Qt::Key_Up);
    QCOMPARE(form.date->date(), QDate(2025, 1, 16));
    QTest::keyClick(focused(), Qt::Key_Down);
    QTest::keyClick(focused(), Qt::Key_Down);
    QCOMPARE(form.date->date(), QDate(2025, 1, 14));
    // Typed, then an arrow: what was typed is taken, then the arrow moves it.
    QTest::keyClicks(focused(), QStringLiteral("20"));
    QTest::keyClick(focused(), Qt::Key_Up);
    QCOMPARE(form.date->date(), QDate(2025, 1, 21));
    // Tab leaves the field at once, from any section; → and ← step the sections.
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(form.date->hasFocus());
    form.date->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(focused(), Qt::Key_Right);
    QTest::keyClick(focused(), Qt::Key_Right);
    QTest::keyClick(focused(), Qt::Key_Right);
    QCOMPARE(form.date->currentSection(), QDateTimeEdit::MonthSection);
    QTest::keyClick(focused(), Qt::Key_Up);
    QCOMPARE(form.date->date(), QDate(2025, 2, 21));
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(form.before->hasFocus());
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.date->hasFocus());
    form.date->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(form.date->hasFocus());

    // The calendar opens on its arrow while a date is being typed, and picks a day by keys.
    QTest::keyClicks(focused(), QStringLiteral("2"));
    QTest::mouseClick(form.date, Qt::LeftButton, {}, QPoint(form.date->width() - 6, form.date->height() / 2));
    QCalendarWidget* calendar = form.date->calendarWidget();
    QTRY_VERIFY(calendar->isVisible());
    QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Right);
    QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Return);
    QTRY_VERIFY(!calendar->isVisible());
    QCOMPARE(form.date->date(), QDate(2025, 2, 22));
}

void DateEntryTest::fieldsWithNamesOrAClockAreLeftAlone()
{
    QDateTimeEdit withTime(QDateTime(QDate(2025, 1, 15), QTime(10, 30)));
    withTime.setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    QVERIFY(DateEntry::appliesTo(&withTime));
    withTime.setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    QVERIFY(DateEntry::appliesTo(&withTime));
    // A 12-hour clock, a time before its date, a time alone: not typed as dates.
    for (const char* format : {"dd/MM/yyyy hh:mm AP", "HH:mm dd/MM/yyyy", "HH:mm", "dd/MM/yyyy mm:HH"}) {
        withTime.setDisplayFormat(QString::fromLatin1(format));
        QVERIFY2(!DateEntry::appliesTo(&withTime), format);
    }
    QDateEdit month(QDate(2025, 1, 15));
    month.setDisplayFormat(QStringLiteral("MMMM yyyy"));
    QVERIFY(!DateEntry::appliesTo(&month));
    QDateEdit plain(QDate(2025, 1, 15));
    plain.setDisplayFormat(QStringLiteral("d/M/yy"));
    QVERIFY(DateEntry::appliesTo(&plain));
    plain.setReadOnly(true);
    QVERIFY(!DateEntry::appliesTo(&plain));
}

namespace {

QDateTime at(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

} // namespace

void DateEntryTest::dateTimesAreTypedWhole()
{
    TimeForm form(at(2025, 1, 15, 10, 30));
    // With separators: shown as typed, taken once the minutes are whole, the focus staying.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("30/11/2026 14:0"));
    QCOMPARE(form.text(), QStringLiteral("30/11/2026 14:0"));
    QCOMPARE(form.date->dateTime(), at(2025, 1, 15, 10, 30));
    QTest::keyClicks(focused(), QStringLiteral("5"));
    QCOMPARE(form.date->dateTime(), at(2026, 11, 30, 14, 5));
    QCOMPARE(form.text(), QStringLiteral("30/11/2026 14:05"));
    QVERIFY(form.date->hasFocus());

    // On a keyboard where the digits and the separators are shifted, Shift comes alone
    // before each of them.
    form.tabIn();
    for (QChar c : QStringLiteral("29/10/2026 08:40")) {
        QTest::keyPress(focused(), Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyClick(focused(), c.toLatin1(), Qt::ShiftModifier);
        QTest::keyRelease(focused(), Qt::Key_Shift);
    }
    QCOMPARE(form.date->dateTime(), at(2026, 10, 29, 8, 40));

    // Without separators, twelve digits.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("011220260745"));
    QCOMPARE(form.date->dateTime(), at(2026, 12, 1, 7, 45));

    // A date alone keeps the time; eight digits wait for a time until the field is left.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("02/12/2026"));
    QCOMPARE(form.date->dateTime(), at(2026, 12, 1, 7, 45));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 2, 7, 45));
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("03122026"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QCOMPARE(form.date->dateTime(), at(2026, 12, 3, 7, 45));

    // A date and an hour: that hour sharp.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("4/12/26 9"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 4, 9, 0));

    // Typed into the hours: the time alone changes.
    form.date->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(focused(), QStringLiteral("16"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 4, 16, 0));
    form.date->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(focused(), QStringLiteral("1405"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 4, 14, 5));
    form.date->setCurrentSection(QDateTimeEdit::MinuteSection);
    QTest::keyClicks(focused(), QStringLiteral("50"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 4, 14, 50));
    form.date->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(focused(), QStringLiteral("8:15"));
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->dateTime(), at(2026, 12, 4, 8, 15));
}

void DateEntryTest::impossibleDateTimesAreRefused()
{
    TimeForm form(at(2026, 3, 12, 11, 5));
    form.date->setToolTip(QStringLiteral("Date du bon"));
    // A day, an hour, a minute that do not exist, a time cut short, a part too many.
    for (const QString& typed : {QStringLiteral("31/11/2026 10:00"), QStringLiteral("30/11/2026 24:00"),
                                 QStringLiteral("30/11/2026 14:60"), QStringLiteral("30/11/2026 140:5"),
                                 QStringLiteral("30112026140"), QStringLiteral("30/11/2026 1:2:3")}) {
        form.tabIn();
        QTest::keyClicks(focused(), typed);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTRY_VERIFY(form.after->hasFocus());
        QCOMPARE(form.date->dateTime(), at(2026, 3, 12, 11, 5));
        QCOMPARE(form.text(), QStringLiteral("12/03/2026 11:05"));
        QVERIFY2(form.date->property(kDateRefused).isValid(), qPrintable(typed));
        QVERIFY(form.date->toolTip().contains(QStringLiteral("12/03/2026 11:05")));
    }
    // A letter typed among the digits is refused alone.
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("30/11/2026 1a4:0Z5"));
    QCOMPARE(form.date->dateTime(), at(2026, 11, 30, 14, 5));
    form.date->setDateTime(at(2026, 3, 12, 11, 5));

    // Out of range by its time alone.
    form.date->setMinimumDateTime(at(2026, 3, 1, 8, 0));
    form.tabIn();
    QTest::keyClicks(focused(), QStringLiteral("01/03/2026 07:59"));
    QCOMPARE(form.date->dateTime(), at(2026, 3, 12, 11, 5));
    QTest::keyClick(focused(), Qt::Key_Escape);
    QTest::keyClicks(focused(), QStringLiteral("01/03/2026 08:00"));
    QCOMPARE(form.date->dateTime(), at(2026, 3, 1, 8, 0));
    QVERIFY(!form.date->property(kDateRefused).isValid());
    QCOMPARE(form.date->toolTip(), QStringLiteral("Date du bon"));

    // Tab leaves the field from any section, both ways.
    form.date->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTRY_VERIFY(form.after->hasFocus());
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(form.date->hasFocus());
    form.date->setCurrentSection(QDateTimeEdit::MinuteSection);
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(form.before->hasFocus());
}

void DateEntryTest::everySectionOfEveryKindOfField()
{
    // From each section, reached by → or by a click at its end: an impossible date is refused
    // aloud and kept nowhere, then a whole date is read whole; the field shows what it holds.
    auto walk = [](auto& form, const QString& whole, const QDateTime& meant) {
        const QDateTime start = form.date->dateTime();
        auto* line = form.date->template findChild<QLineEdit*>();
        for (int index = 0; index < form.date->sectionCount() * 4; ++index) {
            const bool click = index % 4 > 1, refused = index % 2 == 0;
            form.tabIn();
            for (int x = 0; click && x < line->width(); ++x)
                if (line->cursorPositionAt(QPoint(x, 4)) == QList<int>{2, 5, 10, 13, 16}.at(index / 4)) {
                    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(x, 4));
                    break;
                }
            while (!click && form.date->currentSectionIndex() < index / 4)
                QTest::keyClick(focused(), Qt::Key_Right);
            QCOMPARE(form.date->currentSectionIndex(), index / 4);
            QTest::keyClicks(focused(), refused ? QStringLiteral("31/02/2026") : whole);
            QTest::keyClick(focused(), Qt::Key_Tab);
            QTRY_VERIFY(form.after->hasFocus());
            const QString shown = form.date->locale().toString(refused ? start : meant, form.date->displayFormat());
            QCOMPARE(form.date->dateTime().toString(form.date->displayFormat()) + form.text(), shown + shown);
            // The refusal's line under the field, read whole.
            auto* said = qobject_cast<QLabel*>(form.date->property("kvDateRefusalLine").template value<QObject*>());
            QTRY_COMPARE(said && said->isVisible() && said->y() > form.date->geometry().bottom()
                             && said->height() >= said->heightForWidth(said->width()), refused);
            QCOMPARE(stopForRefusedDate(&form.window), refused);
            form.date->setDateTime(start);
        }
    };
    Form date(QDate(2026, 3, 12));
    walk(date, QStringLiteral("08/12/2026"), at(2026, 12, 8, 0, 0));
    TimeForm dateTime(at(2026, 3, 12, 11, 5));
    walk(dateTime, QStringLiteral("081220261030"), at(2026, 12, 8, 10, 30));
}
