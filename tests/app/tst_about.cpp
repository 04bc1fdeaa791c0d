#include "tests.h"

#include "app/aboutwindow.h"
#include "app/appdelegate.h"
#include "app/contentview.h"
#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "widgets/forms/listpanel.h"

#include "platform/updatechecker.h"
#include "screenfixtures.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QRegularExpression>
#include <QSplitter>
#include <QSet>
#include <QTest>

using namespace kv;

namespace {

QList<QWidget*> visibleAboutWindows()
{
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("À propos de Kestrovan"))
            out << w;
    return out;
}

// Serves one appcast on 127.0.0.1.
class OneFeed : public QTcpServer {
public:
    explicit OneFeed(QByteArray body) : m_body(std::move(body))
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                s->readAll();
                s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_body.size())
                         + "\r\nConnection: close\r\n\r\n" + m_body);
                s->disconnectFromHost();
            });
        });
    }
    QUrl address() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/feed").arg(serverPort())); }

private:
    QByteArray m_body;
};

} // namespace

void AboutAndMenusTest::initTestCase()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
}

void AboutAndMenusTest::aboutWindowIsUnique()
{
    AboutWindowController::show();
    QWidget* first = AboutWindowController::window();
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    AboutView* firstContent = first->findChild<AboutView*>();
    AboutWindowController::show();
    QCOMPARE(AboutWindowController::window(), first);
    QCOMPARE(visibleAboutWindows().size(), 1);
    QCOMPARE(first->size(), QSize(500, 320));
    QVERIFY(!(first->windowFlags() & Qt::WindowMinimizeButtonHint));

    // Closed, then asked for again: the same window with new content.
    first->close();
    QVERIFY(!first->isVisible());
    QTest::qWait(0);
    AboutWindowController::show();
    QCOMPARE(AboutWindowController::window(), first);
    QVERIFY(first->isVisible());
    QTRY_COMPARE(first->findChildren<AboutView*>().size(), 1);
    QVERIFY(first->findChild<AboutView*>() != firstContent);
    first->close();
}

void AboutAndMenusTest::fermerClosesTheAboutWindowOnly()
{
    auto ctx = ModelContext::open(":memory:");
    ContentView main(ctx.get());
    main.show();
    AboutWindowController::show();
    QWidget* about = AboutWindowController::window();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    // The main window has the focus; the About window's button still closes the About window.
    main.activateWindow();
    QApplication::setActiveWindow(&main);
    QPushButton* fermer = about->findChild<AboutView*>()->closeButton();
    QCOMPARE(fermer->text(), QStringLiteral("Fermer"));
    QTest::mouseClick(fermer, Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QVERIFY(main.isVisible());
}

void AboutAndMenusTest::aboutShowsNameAndVersion()
{
    AboutWindowController::show();
    QWidget* about = AboutWindowController::window();
    QCOMPARE(about->findChild<QLabel*>("name")->text(), QStringLiteral("Kestrovan"));
    QCOMPARE(about->findChild<QLabel*>("version")->text(), QStringLiteral("Version 1.0.0 (1)"));
    QVERIFY(!about->findChild<QLabel*>("icon")->pixmap().isNull());
    QCOMPARE(about->findChild<AboutView*>()->supportButton()->text(), QStringLiteral("Site support"));

    QCoreApplication::setApplicationVersion(QString());
    QCOMPARE(AboutInfo::current().versionLine(), QStringLiteral("Version 1.0 (1)"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QVERIFY(supportUrl().isValid());

    const QString dir = qEnvironmentVariable("KV_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(about->grab().save(dir + "/about-window.png"));
    about->close();
}

void AboutAndMenusTest::aboutLayoutSpacing()
{
    AboutWindowController::show();
    QWidget* about = AboutWindowController::window();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    auto* view = about->findChild<AboutView*>();
    QCOMPARE(view->width(), 480);
    auto top = [view](QWidget* w) { return w->mapTo(view, QPoint(0, 0)).y(); };
    auto bottom = [&](QWidget* w) { return top(w) + w->height(); };
    QWidget* icon = about->findChild<QLabel*>("icon");
    QWidget* version = about->findChild<QLabel*>("version");
    QWidget* divider = about->findChild<QWidget*>("divider");
    QVERIFY(icon && version && divider);
    QCOMPARE(icon->size(), QSize(64, 64));
    QCOMPARE(top(icon), 16);
    // 12 points between rows, 6 more above the divider.
    const int headerBottom = std::max(bottom(icon), bottom(version));
    QCOMPARE(top(divider) - headerBottom, 18);
    QCOMPARE(top(view->supportButton()) - bottom(divider), 12);
    QCOMPARE(top(view->closeButton()) - bottom(view->supportButton()), 12);
    // "Fermer" at the right edge, inside the 16-point margin.
    QCOMPARE(view->closeButton()->geometry().right() + 1, 480 - 16);
    about->close();
}

void AboutAndMenusTest::menusOpenFromTheKeyboard()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_K, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("applicationMenu"));
    // Opened from the keyboard, the menu stands on its first item, About; Return opens it.
    if (!menu->activeAction())
        QTest::keyClick(menu, Qt::Key_Down);
    // Its first letter not typed on every keyboard, « À propos » takes the first free one of a word
    // (« Préférences… » below has its P).
    QCOMPARE(menu->activeAction()->text(), QStringLiteral("À propos &de Kestrovan"));
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(AboutWindowController::window() && AboutWindowController::window()->isVisible());
    AboutWindowController::window()->close();
}

void AboutAndMenusTest::newWindowKeysLeaveCtrlNToTheScreens()
{
    auto ctx = ModelContext::open(":memory:");
    auto* client = new Client(QUuid::createUuid(), QStringLiteral("Alpha"), QStringLiteral("00FF00"),
                              QString(), QString(), QString(), QString(), std::nullopt, std::nullopt);
    ctx->insert(client);
    QVERIFY(ctx->save());
    AppDelegate delegate(ctx.get());
    auto* window = static_cast<ContentView*>(delegate.newWindow());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto windows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += qobject_cast<ContentView*>(w) && w->isVisible();
        return n;
    };
    QCOMPARE(windows(), 1);
    auto* item = window->findChild<QAction*>(QStringLiteral("actionNewWindow"));
    QVERIFY(item);
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));

    // On the clients screen, Ctrl+N is "Ajouter" and nothing else.
    window->setSelection(Commande::clients);
    auto* screen = qobject_cast<VueClients*>(window->detailScreen());
    QVERIFY(screen);
    QApplication::setActiveWindow(window);
    screen->liste()->searchField()->setFocus();
    QTest::keyClick(screen->liste()->searchField(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(screen->isCreating());
    QCOMPARE(windows(), 1);

    // In the editor of an existing client too, Ctrl+Shift+N is "Nouvelle fenêtre" and
    // nothing else: no contact is added.
    screen->liste()->setSelectedRecord(client);
    QVERIFY(screen->editeur());
    QTest::keyClick(screen->editeur()->champ(ClientEditorView::Champ::nom), Qt::Key_N,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(windows(), 2);
    QCOMPARE(client->contacts().size(), 0);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ContentView*>(w) && w != window)
            w->close();
    QTRY_COMPARE(windows(), 1);

    // Elsewhere Ctrl+Shift+N opens a new window.
    window->setSelection(Commande::defaut);
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(windows(), 2);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ContentView*>(w))
            w->close();
    QApplication::processEvents();
}

void AboutAndMenusTest::applicationMenuHoldsAboutThenUpdate()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    const QList<QAction*> menus = window.menuBar()->actions();
    QVERIFY(!menus.isEmpty());
    const QList<QAction*> items = menus.first()->menu()->actions();
    QVERIFY(items.size() >= 2);
    QCOMPARE(items[0]->text(), QStringLiteral("À propos de Kestrovan"));
    QCOMPARE(items[1]->text(), QStringLiteral("Rechercher une mise à jour..."));
    int abouts = 0;
    for (QAction* menu : menus)
        for (QAction* a : menu->menu()->actions())
            abouts += a->text().startsWith(QStringLiteral("À propos"));
    QCOMPARE(abouts, 1);
    items[0]->trigger();
    QVERIFY(AboutWindowController::window() && AboutWindowController::window()->isVisible());
    AboutWindowController::window()->close();
}

void AboutAndMenusTest::updateCheckerIsMadeOnceAndReportsResult()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    QVERIFY(!delegate.hasUpdaterController());
    UpdateChecker* checker = delegate.updaterController();
    QCOMPARE(delegate.updaterController(), checker);

    OneFeed feed("<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
                 "<item><link>https://example.org/2.0</link>"
                 "<enclosure url=\"https://example.org/k.dmg\" sparkle:shortVersionString=\"2.0\"/>"
                 "</item></channel></rss>");
    checker->setFeedUrl(feed.address());
    ContentView window(ctx.get(), &delegate);
    window.show();
    delegate.checkForUpdates(&window);
    QTRY_VERIFY(delegate.lastMessage());
    QMessageBox* box = delegate.lastMessage();
    QVERIFY(box->informativeText().contains("2.0"));
    QStringList buttons;
    for (QAbstractButton* b : box->buttons())
        buttons << fixtures::shownText(b);
    QVERIFY2(buttons.contains(QStringLiteral("Ouvrir la page de téléchargement")), qPrintable(buttons.join(',')));
    box->close();

    // The second check reuses the same checker.
    delegate.checkForUpdates(&window);
    QCOMPARE(delegate.updaterController(), checker);
    QTRY_VERIFY(delegate.lastMessage() && delegate.lastMessage() != box);
    delegate.lastMessage()->close();
}

void AboutAndMenusTest::escapeClosesTheAboutWindow()
{
    AboutWindowController::show();
    QWidget* about = AboutWindowController::window();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QApplication::setActiveWindow(about);
    QTRY_VERIFY(about->isActiveWindow());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : about, Qt::Key_Escape);
    QVERIFY(!about->isVisible());
}

namespace {

QWidget* focused()
{
    return QApplication::focusWidget();
}

} // namespace

void AboutAndMenusTest::commandsHaveKeysInTheAllerAMenu()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // At start the focus is on the sidebar's current command, where it can be seen.
    QTRY_COMPARE(focused(), window.sidebar());
    QCOMPARE(window.sidebar()->currentItem()->text(), QStringLiteral("Planning"));

    // The menu lists the commands in sidebar order with their keys.
    auto* go = window.findChild<QMenu*>(QStringLiteral("goMenu"));
    QVERIFY(go);
    QStringList texts;
    for (QAction* a : go->actions())
        if (!a->isSeparator())
            texts.append(a->text() + QLatin1Char('|') + a->shortcut().toString(QKeySequence::PortableText));
    QCOMPARE(texts.size(), 15);
    QCOMPARE(texts.at(0), QStringLiteral("Volet suivant|F6"));
    QCOMPARE(texts.at(1), QStringLiteral("Volet précédent|Shift+F6"));
    QCOMPARE(texts.at(2), QStringLiteral("Planning|Ctrl+1"));
    QCOMPARE(texts.at(3), QStringLiteral("Bons de pesée|Ctrl+2"));
    QCOMPARE(texts.at(10), QStringLiteral("Liste des clients|Ctrl+9"));
    QCOMPARE(texts.at(11), QStringLiteral("Liste des chauffeurs|Ctrl+0"));
    QCOMPARE(texts.at(12), QStringLiteral("Type de déchets|"));
    QCOMPARE(texts.at(14), QStringLiteral("Préférences…|Ctrl+,"));
    // Opened, each item is under its own first letter where no item above took it (« Type de
    // déchets » under T, not a « Liste… » before it); the others under free letters of their own,
    // whichever menu was opened first.
    auto* app = window.findChild<QMenu*>(QStringLiteral("applicationMenu"));
    app->popup(window.mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY(app->isVisible());
    app->close();
    go->popup(window.mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY(go->isVisible());
    QSet<QChar> letters;
    for (QAction* a : go->actions()) {
        if (a->isSeparator())
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(a->text());
        QVERIFY2(!mnemonic.isEmpty(), qPrintable(a->text()));
        const QChar letter = QChar(mnemonic[0].key()).toLower();
        QVERIFY2(!letters.contains(letter), qPrintable(a->text()));
        const QString shown = QString(a->text()).remove(QLatin1Char('&'));
        const auto first = std::find_if(shown.cbegin(), shown.cend(), [](QChar c) { return c.isLetter(); });
        if (!letters.contains(first->toLower()))
            QCOMPARE(QString(letter) + QLatin1Char(' ') + shown, QString(first->toLower()) + QLatin1Char(' ') + shown);
        letters.insert(letter);
    }
    go->close();
    // « Préférences… » is in the application menu too, under its own letter there.
    const QList<QAction*> items = app->actions();
    QVERIFY(std::any_of(items.cbegin(), items.cend(),
                        [](QAction* a) { return a->text().startsWith(QStringLiteral("&Préférences…\tCtrl+,")); }));

    // The keys, wherever the focus is: the command is shown and the focus goes into it.
    QTest::keyClick(focused(), Qt::Key_9, Qt::ControlModifier);
    QTRY_COMPARE(window.selection(), std::optional<Commande>(Commande::clients));
    QCOMPARE(window.sidebar()->currentItem()->text(), QStringLiteral("Liste des clients"));
    QVERIFY(focused() && window.detailScreen()->isAncestorOf(focused()));
    QTest::keyClick(focused(), Qt::Key_2, Qt::ControlModifier);
    QTRY_COMPARE(window.selection(), std::optional<Commande>(Commande::bonDePesee));
    QTest::keyClick(focused(), Qt::Key_0, Qt::ControlModifier);
    QTRY_COMPARE(window.selection(), std::optional<Commande>(Commande::chauffeurs));
    QTest::keyClick(focused(), Qt::Key_Comma, Qt::ControlModifier);
    QTRY_COMPARE(window.selection(), std::optional<Commande>(Commande::preferences));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kestrovan — Préférences"));
    QTest::keyClick(focused(), Qt::Key_1, Qt::ControlModifier);
    QTRY_COMPARE(window.selection(), std::optional<Commande>(Commande::defaut));
}

void AboutAndMenusTest::f10OpensTheMenusAndArrowsStayThere()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(focused(), window.sidebar());
    const int row = window.sidebar()->currentRow();
    QTest::keyClick(focused(), Qt::Key_F10);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("applicationMenu"));
    // The arrows move in the menus, never in the page under them.
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(window.sidebar()->currentRow(), row);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::defaut));
    QVERIFY(menu->activeAction());
    // Every menu, reached by →, has an underlined letter on each of its items.
    QMenuBar* bar = window.menuBar();
    for (int shown = 0; shown < bar->actions().size(); ++shown) {
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(open);
        for (QAction* item : open->actions())
            QVERIFY2(item->isSeparator() || QRegularExpression(QStringLiteral("&[^&]")).match(item->text()).hasMatch(),
                     qPrintable(open->title() + QStringLiteral(" › ") + item->text()));
        QTest::keyClick(open, Qt::Key_Right);
        QTRY_VERIFY(QApplication::activePopupWidget() && QApplication::activePopupWidget() != open);
    }
    // The first Escape closes the menu and leaves the bar: nothing is left active without a
    // highlight, the keyboard is back where it was, and the window and its command stay.
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QVERIFY(!bar->activeAction());
    QTRY_COMPARE(focused(), window.sidebar());
    QVERIFY(window.isVisible());
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::defaut));
}

void AboutAndMenusTest::f6CyclesThroughTheWindowsPanes()
{
    auto ctx = ModelContext::open(":memory:");
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.chooseCommand(Commande::clients);
    QTRY_VERIFY(focused() && window.detailScreen()->isAncestorOf(focused()));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(focused(), Qt::Key_Tab);
    // The list's pane: F6 goes on to the editor's, then round to the sidebar, and on into the
    // list again; Shift+F6 goes the other way.
    // A client chosen: the list, then its editor.
    auto* clients = qobject_cast<VueClients*>(window.detailScreen());
    QVERIFY(clients);
    clients->liste()->setSelectedRecord(fixtures::client(ctx.get(), QStringLiteral("Durand")));
    fixtures::settle();
    auto* split = clients->findChild<QSplitter*>();
    QVERIFY(split && split->count() == 2);
    QWidget* list = split->widget(0);
    QWidget* editor = split->widget(1);
    auto paneOfFocus = [&]() -> QWidget* {
        for (QWidget* pane : {static_cast<QWidget*>(window.sidebar()), list, editor})
            if (focused() && (focused() == pane || pane->isAncestorOf(focused())))
                return pane;
        return nullptr;
    };
    clients->liste()->listView()->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(paneOfFocus(), list);
    const QList<QWidget*> forward{editor, window.sidebar(), list, editor};
    for (QWidget* pane : forward) {
        QTest::keyClick(focused(), Qt::Key_F6);
        QTRY_COMPARE(paneOfFocus(), pane);
    }
    // Into the editor by F6 or by Return on its row: on its first field, its text not selected.
    const auto onTheName = [] {
        auto* name = qobject_cast<QLineEdit*>(focused());
        return name && name->text() == QStringLiteral("Durand") && !name->hasSelectedText();
    };
    QVERIFY(onTheName());
    clients->liste()->listView()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(focused(), Qt::Key_Return);
    QTRY_VERIFY(onTheName());
    QCOMPARE(window.sidebar()->currentItem()->text(), QStringLiteral("Liste des clients"));
    for (QWidget* pane : {list, static_cast<QWidget*>(window.sidebar()), editor}) {
        QTest::keyClick(focused(), Qt::Key_F6, Qt::ShiftModifier);
        QTRY_COMPARE(paneOfFocus(), pane);
    }
    // A hidden sidebar comes back.
    window.setSidebarShown(false);
    QTest::keyClick(focused(), Qt::Key_F6);
    QTRY_COMPARE(focused(), window.sidebar());
    QVERIFY(window.isSidebarShown());
}
