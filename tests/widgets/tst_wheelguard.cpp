#include "tests.h"

#include "wheel.h"

#include "platform/mapwidget.h"
#include "widgets/searchablepicker.h"
#include "widgets/wheelguard.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

using namespace kv;
using fixtures::turnWheel;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A field and how to read its value.
struct Field {
    QString name;
    QWidget* widget;
    std::function<QVariant()> value;
};

// A form taller than its window: each field between tall gaps, in a scroll area.
struct Form {
    QWidget window;
    QScrollArea* area;
    QList<Field> fields;

    Form()
    {
        auto* layout = new QVBoxLayout(&window);
        area = new QScrollArea;
        area->setWidgetResizable(true);
        layout->addWidget(area);
        auto* content = new QWidget;
        auto* column = new QVBoxLayout(content);
        auto gap = [&] { column->addSpacing(300); };

        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(1, 60);
        slider->setValue(3);
        auto* spin = new QSpinBox;
        spin->setRange(0, 500);
        spin->setValue(50);
        auto* date = new QDateEdit(QDate(2026, 12, 9));
        auto* combo = new QComboBox;
        for (int i = 0; i < 6; ++i)
            combo->addItem(QStringLiteral("Centre %1").arg(i));
        combo->setCurrentIndex(2);
        auto* picker = new SearchablePicker;
        QList<SearchablePicker::Entry> entries;
        for (int i = 0; i < 6; ++i)
            entries.append({QStringLiteral("Client %1").arg(i), i, QString()});
        picker->setEntries(QStringLiteral("— Choisir —"), entries);
        picker->setCurrentIndex(3);
        auto* map = new MapWidget;
        map->setFixedSize(220, 140);
        map->setZoom(10);

        fields = {
            {QStringLiteral("slider"), slider, [slider] { return slider->value(); }},
            {QStringLiteral("spin box"), spin, [spin] { return spin->value(); }},
            {QStringLiteral("date"), date, [date] { return date->date(); }},
            {QStringLiteral("combo box"), combo, [combo] { return combo->currentIndex(); }},
            {QStringLiteral("picker"), picker, [picker] { return picker->currentIndex(); }},
            {QStringLiteral("map"), map, [map] { return map->zoom(); }},
        };
        gap();
        for (const Field& f : std::as_const(fields)) {
            column->addWidget(f.widget);
            gap();
        }
        area->setWidget(content);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        settle();
    }

    int scrolled() const { return area->verticalScrollBar()->value(); }

    // The field in the middle of the view.
    void bringIntoView(QWidget* w)
    {
        area->ensureWidgetVisible(w, 0, (area->viewport()->height() - w->height()) / 2);
        settle();
    }
};

bool focusWithin(const QWidget* w)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == w || w->isAncestorOf(focus));
}

} // namespace

void WheelGuardTest::init()
{
    installWheelGuard(qApp);
}

void WheelGuardTest::cleanup()
{
    removeWheelGuard(qApp);
}

void WheelGuardTest::unfocusedFieldsLetTheViewScroll()
{
    Form form;
    // Something else holds the focus, as after typing in another field.
    auto* other = new QLineEdit;
    static_cast<QVBoxLayout*>(form.area->widget()->layout())->insertWidget(0, other);
    other->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(other->hasFocus());
    for (const Field& f : std::as_const(form.fields)) {
        form.bringIntoView(f.widget);
        const QVariant before = f.value();
        for (int notches : {-1, -1, 1, 1, 1}) {
            // Each notch where the field now stands, as when it passes under a still pointer.
            const int at = form.scrolled();
            turnWheel(f.widget, notches);
            settle();
            QVERIFY2(form.scrolled() != at, qPrintable(f.name + QStringLiteral(": the view did not scroll")));
            QVERIFY2(f.value() == before, qPrintable(f.name + QStringLiteral(": ") + f.value().toString()));
            QVERIFY2(!focusWithin(f.widget), qPrintable(f.name + QStringLiteral(" took the focus from the wheel")));
            form.bringIntoView(f.widget);
        }
    }
    QVERIFY(other->hasFocus());
}

void WheelGuardTest::focusedFieldsTakeTheWheel()
{
    Form form;
    for (const Field& f : std::as_const(form.fields)) {
        form.bringIntoView(f.widget);
        // The focus a screen gives a field by itself, as it opens, does not arm it.
        const QVariant given = f.value();
        f.widget->setFocus();
        QTRY_VERIFY2(focusWithin(f.widget) || qobject_cast<MapWidget*>(f.widget), qPrintable(f.name));
        turnWheel(f.widget, 1);
        settle();
        QVERIFY2(f.value() == given, qPrintable(f.name + QStringLiteral(" took the wheel from the program's focus")));
        form.bringIntoView(f.widget);
        // The user's Tab out and back does.
        if (qobject_cast<MapWidget*>(f.widget)) {
            QTest::mouseClick(f.widget, Qt::LeftButton, {}, f.widget->rect().center());
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTRY_VERIFY2(focusWithin(f.widget), qPrintable(f.name));
        // A stop reached by Tab is brought whole into view once the event loop turns.
        settle();
        const QVariant before = f.value();
        const int at = form.scrolled();
        turnWheel(f.widget, 1);
        settle();
        QVERIFY2(f.value() != before, qPrintable(f.name + QStringLiteral(" kept its value")));
        QCOMPARE(form.scrolled(), at);
    }
}

void WheelGuardTest::wheelStaysWithWhatOwnsIt()
{
    Form form;
    // The view's own scroll bar, and a list in the view, scroll.
    auto* list = new QListWidget;
    for (int i = 0; i < 40; ++i)
        list->addItem(QStringLiteral("Ligne %1").arg(i));
    list->setFixedHeight(120);
    static_cast<QVBoxLayout*>(form.area->widget()->layout())->insertWidget(0, list);
    settle();
    form.bringIntoView(list);
    int at = form.scrolled();
    turnWheel(list, -1);
    QVERIFY(list->verticalScrollBar()->value() > 0);
    QCOMPARE(form.scrolled(), at);
    turnWheel(form.area->verticalScrollBar(), -1);
    QVERIFY(form.scrolled() > at);

    // A widget that says it keeps its wheel.
    auto* slider = qobject_cast<QSlider*>(form.fields.first().widget);
    slider->setProperty(kWheelNeedsFocus, false);
    form.bringIntoView(slider);
    at = form.scrolled();
    turnWheel(slider, 1);
    QVERIFY(slider->value() != 3);
    QCOMPARE(form.scrolled(), at);

    // A map that fills a window without a scrolling view zooms.
    QWidget mapWindow;
    auto* layout = new QVBoxLayout(&mapWindow);
    auto* map = new MapWidget;
    layout->addWidget(map);
    map->setZoom(8);
    mapWindow.resize(400, 300);
    mapWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mapWindow));
    turnWheel(map, 1);
    QCOMPARE(map->zoom(), 9.0);

    // A field with no view around it keeps its value.
    QWidget bare;
    auto* row = new QVBoxLayout(&bare);
    auto* name = new QLineEdit;
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    row->addWidget(name);
    row->addWidget(combo);
    bare.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bare));
    QApplication::setActiveWindow(&bare);
    name->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(name->hasFocus());
    turnWheel(combo, -1);
    QCOMPARE(combo->currentIndex(), 0);

    // An open list scrolls under the wheel.
    auto* centres = qobject_cast<QComboBox*>(form.fields.at(3).widget);
    for (int i = 6; i < 60; ++i)
        centres->addItem(QStringLiteral("Centre %1").arg(i));
    form.bringIntoView(centres);
    centres->showPopup();
    QAbstractItemView* open = centres->view();
    QTRY_VERIFY(open->isVisible());
    const int top = open->verticalScrollBar()->value();
    turnWheel(open->viewport(), -2);
    QVERIFY(open->verticalScrollBar()->value() > top);
    centres->hidePopup();
}
