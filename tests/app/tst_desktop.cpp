#include "tests.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "app/desktop.h"
#include "widgets/forms/listpanel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
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
    // Never below the window's minimum, unless the screen is smaller still.
    QCOMPARE(placeWindow(std::nullopt, {small}, small, QSize(1200, 760), QSize(1000, 680)).size(), QSize(1000, 680));
    QCOMPARE(placeWindow(std::nullopt, {small}, small, QSize(1200, 760), QSize(1100, 680)).size(), QSize(1024, 680));
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
        // (One pixel of rounding at fractional scales.)
        QVERIFY2(area.adjusted(-1, -1, 1, 1).contains(window->geometry()), qPrintable(QDebug::toString(window->geometry()) + QDebug::toString(area)));
        const QSize smaller = (area.size() * 0.9).expandedTo(window->minimumSize()).boundedTo(area.size());
        const QPoint offset((area.width() - smaller.width()) / 3, (area.height() - smaller.height()) / 3);
        window->setGeometry(QRect(area.topLeft() + offset, smaller));
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
    // Where it was (give or take a pixel of rounding at fractional scales).
    QVERIFY2((again->geometry().topLeft() - frame.topLeft()).manhattanLength() <= 2
                 && again->geometry().size() == frame.size(),
             qPrintable(QDebug::toString(again->geometry()) + QDebug::toString(frame)));
    QCOMPARE(again->splitter()->sizes(), sizes);
    again->close();
    QApplication::processEvents();
}

namespace {

// Chooses "Fichier → Nouvelle fenêtre" in `window`'s menu bar; returns the window it opened.
ContentView* chooseNewWindow(QMainWindow* window)
{
    const QList<QWidget*> before = QApplication::topLevelWidgets();
    for (QAction* menu : window->menuBar()->actions())
        if (menu->menu() && menu->text().remove(QLatin1Char('&')) == QStringLiteral("Fichier"))
            for (QAction* a : menu->menu()->actions())
                if (a->text() == QStringLiteral("Nouvelle fenêtre"))
                    a->trigger();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!before.contains(w))
            if (auto* made = qobject_cast<ContentView*>(w))
                return made;
    return nullptr;
}

} // namespace

void DesktopTest::newWindowOpensOffsetFromTheOther()
{
    // A second window never hides the first exactly: it opens offset from it, within the screen,
    // and the same from a window that fills the screen or stands in its corner.
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("kestrovan.ini")), QSettings::IniFormat);
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    delegate.setSettings(&settings);
    auto* first = static_cast<ContentView*>(delegate.newWindow());
    // Every window goes with the test, whatever its outcome.
    const auto closeAll = qScopeGuard([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<ContentView*>(w))
                w->close();
        QApplication::processEvents();
    });
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->activateWindow();
    const QRect area = first->screen()->availableGeometry();
    const auto within = [&](const QWidget* w) { return area.adjusted(-1, -1, 1, 1).contains(w->geometry()); };

    ContentView* second = chooseNewWindow(first);
    QVERIFY(second);
    QVERIFY(QTest::qWaitForWindowExposed(second));
    const QPoint moved = second->geometry().topLeft() - first->geometry().topLeft();
    // On each axis where the screen leaves the room.
    const bool roomAcross = area.width() - first->width() >= 24;
    const bool roomDown = area.height() - first->height() >= 24;
    QVERIFY(roomAcross || roomDown);
    QVERIFY2((!roomAcross || std::abs(moved.x()) >= 16) && (!roomDown || std::abs(moved.y()) >= 16),
             qPrintable(QDebug::toString(second->geometry()) + QDebug::toString(first->geometry()) + QDebug::toString(area) + QDebug::toString(first->minimumSize())));
    QVERIFY2(within(second), qPrintable(QDebug::toString(second->geometry()) + QDebug::toString(area)));
    second->close();

    // From a window as big as the screen, or pushed to its bottom right corner.
    for (const QRect& where : {area, QRect(area.bottomRight() - QPoint(first->minimumWidth(), first->minimumHeight()),
                                           first->minimumSize())}) {
        first->setGeometry(where);
        QTRY_COMPARE(first->geometry().size(), where.size());
        first->activateWindow();
        ContentView* other = chooseNewWindow(first);
        QVERIFY(other);
        QVERIFY(QTest::qWaitForWindowExposed(other));
        QVERIFY2(within(other), qPrintable(QDebug::toString(other->geometry()) + QDebug::toString(area)));
        QVERIFY(other->geometry().topLeft() != first->geometry().topLeft());
        other->close();
    }
}

void DesktopTest::toolbarRowStaysWithoutItsButton()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.toolbar()->isVisible());
    const int below = window.centralWidget()->y();
    window.setSelection(Commande::clients);
    QApplication::processEvents();
    // The row stays, empty: the screens do not move.
    QVERIFY(window.toolbar()->isVisible());
    QVERIFY(!window.recentrerButton()->isVisible());
    QCOMPARE(window.centralWidget()->y(), below);
    window.setSelection(Commande::defaut);
    QApplication::processEvents();
    QVERIFY(window.toolbar()->isVisible());
    QCOMPARE(window.centralWidget()->y(), below);
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

namespace {

// Every scroll area of `root` shows all of its content's width: no horizontal scroll bar.
void verifyNothingScrollsSideways(QWidget* root, const QString& where)
{
    for (QScrollArea* area : root->findChildren<QScrollArea*>()) {
        if (!area->isVisible() || !area->widget())
            continue;
        QVERIFY2(!area->horizontalScrollBar()->isVisible(), qPrintable(where + ": " + area->objectName()));
        QVERIFY2(area->widget()->minimumSizeHint().width() <= area->viewport()->width(),
                 qPrintable(QStringLiteral("%1: %2 needs %3, has %4")
                                .arg(where, area->widget()->metaObject()->className())
                                .arg(area->widget()->minimumSizeHint().width())
                                .arg(area->viewport()->width())));
    }
}

} // namespace

void DesktopTest::editorsFitTheDefaultWindow()
{
    // Run at scale 1 and again under QT_SCALE_FACTOR=1.5 (see tests/app/CMakeLists.txt).
    auto ctx = ModelContext::open(":memory:");
    auto* client = new Client(QUuid::createUuid(), QStringLiteral("Établissements Durand & Fils — Travaux publics"),
                              QStringLiteral("F59E0B"), QStringLiteral("12 rue des Acacias"), QStringLiteral("33000"),
                              QStringLiteral("Saint-Médard-en-Jalles"), QStringLiteral("05 56 12 34 50"),
                              QStringLiteral("contact@exemple.fr"), std::nullopt);
    ctx->insert(client);
    ctx->insert(new Contact(QStringLiteral("Jean"), QStringLiteral("Dupont"), QStringLiteral("06 12 34 56 78"),
                            QStringLiteral("jean@exemple.fr"), client));
    auto* grue = new DispositifSpecial(QStringLiteral("Grue auxiliaire"));
    ctx->insert(grue);
    ctx->insert(new Benne(10, QStringLiteral("808080"), EtatBenne::correct, QStringLiteral("Porte à graisser"), grue));
    ctx->insert(new TypeDechet(QStringLiteral("Gravats inertes"), std::nullopt, QStringLiteral("DIB"), std::nullopt,
                               120.0, 95.0, 1.0, 80.0, 7, 5.0, 20.0, false, std::nullopt, true, std::nullopt,
                               std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    ctx->insert(new CentreTraitement(QStringLiteral("Écopôle de Bassens"), std::nullopt, QStringLiteral("1 avenue du Port"),
                                     std::nullopt, QStringLiteral("33530"), QStringLiteral("Bassens"), std::nullopt,
                                     std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    QVERIFY(ctx->save());

    ContentView window(ctx.get());
    window.resize(kDefaultWindowSize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (Commande c : {Commande::clients, Commande::bennes, Commande::dechets, Commande::centreDechets}) {
        window.setSelection(c);
        QApplication::processEvents();
        auto* list = window.detailScreen()->findChild<forms::ListPanel*>();
        QVERIFY(list);
        // A new record, then the first one of the list.
        list->addButton()->click();
        QApplication::processEvents();
        verifyNothingScrollsSideways(&window, titre(c) + QStringLiteral(" (nouveau)"));
        QVERIFY(list->rowCount() > 0);
        const QRect first = list->listView()->visualRect(list->listView()->model()->index(0, 0));
        QTest::mouseClick(list->listView()->viewport(), Qt::LeftButton, {}, first.center());
        QApplication::processEvents();
        verifyNothingScrollsSideways(&window, titre(c));
        QCOMPARE(window.size(), kDefaultWindowSize);
    }
}

// At 14 points the sidebar's commands read whole where there is room; the screen keeps its own.
void DesktopTest::sidebarShowsItsCommandsWholeWhereThereIsRoom()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    window.setFont(QFont(window.font().family(), 14));
    window.resize(1600, 1000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int turn = 0; turn < 2; ++turn)
        QCoreApplication::processEvents();
    QListWidget* bar = window.sidebar();
    for (QListWidgetItem* item : bar->findItems(QStringLiteral("*"), Qt::MatchWildcard))
        QVERIFY2(bar->itemWidget(item) || bar->fontMetrics().horizontalAdvance(item->text()) + bar->iconSize().width() + 12
                                              < bar->visualItemRect(item).width(), qPrintable(item->text()));
    // Narrowed again, the screen takes back its room from the sidebar.
    window.resize(window.smallestSize().width(), 700);
    QTRY_VERIFY(window.detailScreen()->width() >= ContentView::kContentFloor.width());
}

void DesktopTest::sidebarHidesAndIsRemembered()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("kestrovan.ini")), QSettings::IniFormat);
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    delegate.setSettings(&settings);
    QApplication::setQuitOnLastWindowClosed(false);
    {
        auto* window = static_cast<ContentView*>(delegate.newWindow());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->isSidebarShown());
        QWidget* column = window->findChild<QWidget*>(QStringLiteral("sidebarColumn"));
        const int withSidebar = window->smallestSize().width();
        // The "Présentation" menu's command, and its keys.
        QAction* toggle = window->sidebarAction();
        QCOMPARE(toggle->text(), QStringLiteral("Masquer la barre latérale"));
        QCOMPARE(toggle->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
        QMenu* view = window->menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
        QVERIFY(view && view->actions().contains(toggle));
        QApplication::setActiveWindow(window);
        QTRY_VERIFY(window->isActiveWindow());
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!window->isSidebarShown());
        QVERIFY(!column->isVisible());
        QCOMPARE(toggle->text(), QStringLiteral("Afficher la barre latérale"));
        // Without it the window can be narrower by the sidebar's width, the screen as wide as before.
        QCOMPARE(window->smallestSize().width(), withSidebar - column->minimumWidth() - window->splitter()->handleWidth());
        QCOMPARE(window->smallestSize().width(), ContentView::kContentFloor.width());
        QVERIFY(window->minimumSize().width() <= window->smallestSize().width());
        window->close();
    }
    {
        // The next window starts as the last one was left, and shows it again on demand.
        auto* window = static_cast<ContentView*>(delegate.newWindow());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(!window->isSidebarShown());
        window->sidebarAction()->trigger();
        QVERIFY(window->isSidebarShown());
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("sidebarColumn"))->isVisible());
        QVERIFY(settings.value(QStringLiteral("mainWindow/sidebarShown")).toBool());
        window->close();
    }
}

void DesktopTest::everyScreenOpensAtItsLeftEdge()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    // Narrower than any screen needs: each one scrolls in the detail area.
    window.setMinimumSize(0, 0);
    window.resize(420, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QScrollBar* sideways = window.detailArea()->horizontalScrollBar();
    QScrollBar* down = window.detailArea()->verticalScrollBar();
    int scrolled = 0;
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        QApplication::processEvents();
        QCOMPARE(sideways->value(), 0);
        QCOMPARE(down->value(), 0);
        // Scrolled to the far right and bottom before the next command.
        sideways->setValue(sideways->maximum());
        down->setValue(down->maximum());
        scrolled += sideways->value() > 0;
    }
    QVERIFY(scrolled > 0);
}

void DesktopTest::sheetGoesAndComesBackWithItsWindow()
{
    // Minimised as a window manager does it: a sheet alone comes back at once; a window restored
    // brings back the sheet minimised with it, so the user always finds the way back.
    auto ctx = ModelContext::open(":memory:");
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* sheet = new QDialog(&window);
    const auto gone = qScopeGuard([sheet] { delete sheet; });
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    sheet->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!sheet->isMinimized());
    window.setWindowState(Qt::WindowMinimized);
    sheet->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    QVERIFY(sheet->isMinimized() && window.isMinimized());
    window.setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(!sheet->isMinimized());
    QVERIFY(sheet->isVisible());
}
