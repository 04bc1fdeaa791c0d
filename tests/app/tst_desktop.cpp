#include "tests.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "app/desktop.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace kv;

void DesktopTest::qtTextsSpeakFrench()
{
    QVERIFY(installQtTranslations(QLocale(QLocale::French, QLocale::France)));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
    // A language Qt has no translation for leaves the texts alone.
    QVERIFY(!installQtTranslations(QLocale(QLocale::Zulu)));
}

void DesktopTest::windowPlacement()
{
    const QRect wide(0, 0, 1920, 1050);
    const QRect side(1920, 0, 1280, 1000);
    const QRect small(0, 0, 1024, 700);

    // The first time: the default size, centred, within 90 % of the area.
    QCOMPARE(placeWindow(std::nullopt, {wide}, wide), QRect(360, 145, 1200, 760));
    const QRect onSmall = placeWindow(std::nullopt, {small}, small);
    QCOMPARE(onSmall.size(), QSize(921, 630));
    QCOMPARE(onSmall.center(), small.center());

    // A saved frame on a screen there is: kept as it was.
    QCOMPARE(placeWindow(QRect(2000, 100, 900, 700), {wide, side}, wide), QRect(2000, 100, 900, 700));
    // Partly off its screen: moved back in, size kept.
    QCOMPARE(placeWindow(QRect(1000, 500, 1200, 760), {wide}, wide), QRect(720, 290, 1200, 760));
    // Larger than a screen that has become smaller: shrunk to it.
    QCOMPARE(placeWindow(QRect(10, 10, 1600, 1000), {small}, small), QRect(0, 0, 1024, 700));
    // Its screen is gone: on the primary one, centred, at most 90 % of it.
    const QRect back = placeWindow(QRect(2000, 100, 1200, 900), {small}, small);
    QCOMPARE(back.size(), QSize(921, 630));
    QCOMPARE(back.center(), small.center());
}

void DesktopTest::geometryIsSavedAndRestored()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("kestrovan.ini")), QSettings::IniFormat);
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    delegate.setSettings(&settings);

    QRect frame;
    QList<int> sizes;
    {
        auto* window = static_cast<ContentView*>(delegate.newWindow());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The window opens within the screen.
        const QRect area = window->screen()->availableGeometry();
        QVERIFY(area.contains(window->geometry()));
        const QSize smaller = window->minimumSize() + QSize(10, 20);
        window->setGeometry(QRect(area.topLeft() + QPoint(12, 8), smaller));
        QTRY_COMPARE(window->geometry().size(), smaller);
        window->splitter()->setSizes({300, window->splitter()->width() - 300});
        emit window->splitter()->splitterMoved(300, 1);
        frame = window->geometry();
        sizes = window->splitter()->sizes();
        window->close();
        QApplication::processEvents();
    }
    auto* again = static_cast<ContentView*>(delegate.newWindow());
    QVERIFY(QTest::qWaitForWindowExposed(again));
    QCOMPARE(again->geometry(), frame);
    QCOMPARE(again->splitter()->sizes(), sizes);
    again->close();
    QApplication::processEvents();
}

void DesktopTest::toolbarShowsOnlyWithItsButton()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.toolbar()->isVisible());
    const int below = window.centralWidget()->y();
    window.setSelection(Commande::clients);
    QVERIFY(!window.toolbar()->isVisible());
    // The room it took goes to the screens.
    QTRY_VERIFY(window.centralWidget()->y() < below);
    window.setSelection(Commande::defaut);
    QVERIFY(window.toolbar()->isVisible());
}

void DesktopTest::windowNeverGrowsByItself()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    window.resize(900, 560);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize size = window.size();
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        QApplication::processEvents();
        QCOMPARE(window.size(), size);
    }
}
