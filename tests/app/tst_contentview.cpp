#include "tests.h"
#include "lecteurecran.h"
#include "screenfixtures.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "widgets/forms/listpanel.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace kv;

namespace {

// What the detail area shows: the text of "Choisis une commande" or of a placeholder, or the
// class name of a real screen.
QString shownText(const QWidget* screen)
{
    if (auto* label = qobject_cast<const QLabel*>(screen))
        return label->text();
    if (auto* title = screen->findChild<QLabel*>("placeholderTitle"))
        return title->text();
    return QString::fromLatin1(screen->metaObject()->className());
}

void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, r.center());
}

Client* addClient(ModelContext* ctx, const QString& nom)
{
    auto* c = new Client(QUuid::createUuid(), nom, "FF8800", "", "", "", "", std::nullopt, std::nullopt);
    ctx->insert(c);
    return c;
}

} // namespace

void ContentViewTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void ContentViewTest::sidebarListsCommandsInTwoGroups()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    QListWidget* list = window.sidebar();
    QCOMPARE(list->count(), 14);
    const QStringList expected = {"Planning", "Bons de pesée", "→Facturation", "Vue par client",
                                  "Planning des chauffeurs", "Carte des bennes louées", "Statistiques",
                                  "Réglages...", "Liste des bennes", "Liste des clients",
                                  "Liste des chauffeurs", "Type de déchets", "Centres de traitement",
                                  "Préférences"};
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        if (row == 7) {
            shown << item->data(Qt::AccessibleTextRole).toString();
            QVERIFY(!(item->flags() & Qt::ItemIsSelectable));
            QVERIFY(list->itemWidget(item));
            QVERIFY(list->itemWidget(item)->findChild<QLabel*>());
        } else {
            shown << item->text();
            QVERIFY(item->flags() & Qt::ItemIsSelectable);
            QVERIFY2(!item->icon().isNull(), qPrintable(item->text()));
        }
    }
    QCOMPARE(shown, expected);
    QVERIFY(window.findChild<QWidget*>("sidebarColumn")->minimumWidth() == 220);
    QVERIFY(window.findChild<QWidget*>("sidebarColumn")->maximumWidth() == 400);
}

void ContentViewTest::opensOnPlanningWithTodayButton()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::defaut));
    QCOMPARE(window.sidebar()->selectedItems().size(), 1);
    QCOMPARE(window.sidebar()->selectedItems().first()->text(), QStringLiteral("Planning"));
    QCOMPARE(shownText(window.detailScreen()), QStringLiteral("kv::VuePlanificationBennes"));
    // A click below the last command changes nothing (the settings' commands put aside, to
    // leave room below at every scale).
    for (int row = 8; row < window.sidebar()->count(); ++row)
        window.sidebar()->setRowHidden(row, true);
    QWidget* vide = window.sidebar()->viewport();
    const QPoint sousLaListe(vide->width() / 2, window.sidebar()->visualItemRect(window.sidebar()->item(7)).bottom() + 8);
    QVERIFY(vide->rect().contains(sousLaListe));
    QTest::mouseClick(vide, Qt::LeftButton, {}, sousLaListe);
    for (int row = 8; row < window.sidebar()->count(); ++row)
        window.sidebar()->setRowHidden(row, false);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::defaut));
    QCOMPARE(window.sidebar()->selectedItems().size(), 1);
    QWidget* button = window.toolbar()->widgetForAction(window.recentrerButton());
    QVERIFY(button && button->isVisible());
    QCOMPARE(window.recentrerButton()->text(), QStringLiteral("Aujourd’hui"));
    QCOMPARE(window.recentrerButton()->toolTip(), QStringLiteral("Recentrer le planning sur aujourd’hui"));

    // Any other command takes the button away, and the bar with it unless the map's zoom button
    // stands there; coming back brings both.
    for (int row : {1, 3, 5, 8, 13}) {
        QWidget* before = window.detailScreen();
        clickRow(window.sidebar(), row);
        QVERIFY(window.detailScreen() != before);
        QCOMPARE(window.selection(), std::optional<Commande>(toutesLesCommandes()[row > 7 ? row - 1 : row]));
        if (isPlaceholderScreen(window.detailScreen()))
            QCOMPARE(shownText(window.detailScreen()), window.sidebar()->item(row)->text());
        QVERIFY(!window.recentrerButton()->isVisible());
        // The bar's row stays, without the button.
        QVERIFY(window.toolbar()->isVisible());
    }
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::preferences));
    clickRow(window.sidebar(), 0);
    QCoreApplication::processEvents();
    QVERIFY(window.recentrerButton()->isVisible());
    QVERIFY(window.toolbar()->widgetForAction(window.recentrerButton())->isVisible());
}

void ContentViewTest::reglagesCannotBeSelected()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickRow(window.sidebar(), 6);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::statistiques));
    clickRow(window.sidebar(), 7);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::statistiques));
    QCOMPARE(window.detailScreen()->windowTitle(), QStringLiteral("Statistiques"));

    // The keyboard steps over it too.
    window.sidebar()->setFocus();
    QTest::keyClick(window.sidebar(), Qt::Key_Down);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::bennes));
    QTest::keyClick(window.sidebar(), Qt::Key_Up);
    QCOMPARE(window.selection(), std::optional<Commande>(Commande::statistiques));
}

void ContentViewTest::clearingSelectionAsksForACommand()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickRow(window.sidebar(), 0, Qt::ControlModifier);
    QCOMPARE(window.selection(), std::nullopt);
    QCOMPARE(shownText(window.detailScreen()), QStringLiteral("Choisis une commande"));
    QVERIFY(!window.recentrerButton()->isVisible());
    window.setSelection(Commande::clients);
    QCOMPARE(window.sidebar()->selectedItems().first()->text(), QStringLiteral("Liste des clients"));
    QVERIFY(shownText(window.detailScreen()) != QStringLiteral("Choisis une commande"));
    window.setSelection(std::nullopt);
    QVERIFY(window.sidebar()->selectedItems().isEmpty());
    QCOMPARE(shownText(window.detailScreen()), QStringLiteral("Choisis une commande"));
}

void ContentViewTest::todayButtonRequestsRecentring()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    Observable<bool> request = window.inputs().demanderCentrageSurAujourdhui;
    int requests = 0;
    QObject grid;
    // Stands for the planning grid: honours each request, then resets it.
    request.onChange(&grid, [&] {
        if (request.get()) {
            ++requests;
            request.set(false);
        }
    });
    window.recentrerButton()->trigger();
    window.recentrerButton()->trigger();
    QCOMPARE(requests, 2);
    QCOMPARE(request.get(), false);
}

void ContentViewTest::todayButtonWorksFromTheKeyboard()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    QWidget* button = window.toolbar()->widgetForAction(window.recentrerButton());
    QVERIFY(button);
    // Tab goes round the window's controls and comes to the button.
    window.sidebar()->setFocus();
    bool reached = false;
    for (int i = 0; i < 20 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget() == button;
    }
    QVERIFY(reached);
    Observable<bool> request = window.inputs().demanderCentrageSurAujourdhui;
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(request.get(), true);
}

void ContentViewTest::selectionsOutliveACommandChange()
{
    auto ctx = fixtures::store();
    Client* dupont = addClient(ctx.get(), "Dupont");
    ContentView window(ctx.get());
    window.show();
    window.setSelection(Commande::planification);
    ScreenInputs in = window.inputs();
    in.selectedClient.set(dupont);
    in.selectedClientID.set(dupont->id());
    in.showBennes.set(true);
    window.setSelection(Commande::bennes);
    window.setSelection(Commande::planification);
    QCOMPARE(window.inputs().selectedClient.get(), dupont);
    QCOMPARE(window.inputs().selectedClientID.get(), std::optional<QUuid>(dupont->id()));
    QCOMPARE(window.inputs().showBennes.get(), true);

    // Each window holds its own.
    ContentView other(ctx.get());
    QCOMPARE(other.inputs().selectedClient.get(), nullptr);
    QCOMPARE(window.inputs().formatter(7.25), QStringLiteral("7,2"));
    QCOMPARE(window.inputs().formatter(3), QStringLiteral("3,0"));
    const QString thousands = window.inputs().formatter(1234.56);
    QVERIFY2(thousands.startsWith("1") && thousands.endsWith("234,6"), qPrintable(thousands));
}

void ContentViewTest::deletedRecordsLeaveTheSelections()
{
    auto ctx = fixtures::store();
    Client* dupont = addClient(ctx.get(), "Dupont");
    Client* martin = addClient(ctx.get(), "Martin");
    auto* benne = new Benne(10, "808080", EtatBenne::correct, "", nullptr);
    ctx->insert(benne);
    auto* location = new LocationDeBenne(dupont, benne, std::nullopt, std::nullopt, std::nullopt, 100,
                                         100, 5, QDateTime::currentDateTime(), std::nullopt, nullptr);
    ctx->insert(location);
    ContentView window(ctx.get());
    ScreenInputs in = window.inputs();
    in.selectedClient.set(dupont);
    in.selectedLocation.set(location);
    in.selectedClientID.set(dupont->id());
    in.bennesReadyForClientID.set(martin->id());

    // Deleting the skip takes its rental with it.
    QVERIFY(ctx->remove(benne));
    QTRY_COMPARE(in.selectedLocation.get(), nullptr);
    QCOMPARE(in.selectedClient.get(), dupont);

    QVERIFY(ctx->remove(dupont));
    QTRY_COMPARE(in.selectedClient.get(), nullptr);
    QCOMPARE(in.selectedClientID.get(), std::nullopt);
    QCOMPARE(in.bennesReadyForClientID.get(), std::optional<QUuid>(martin->id()));
}

void ContentViewTest::liveListsFollowTheStore()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    QCOMPARE(window.inputs().clients->size(), 0);
    QCOMPARE(window.inputs().locations->size(), 0);
    addClient(ctx.get(), "Dupont");
    addClient(ctx.get(), "Bernard");
    QTRY_COMPARE(window.inputs().clients->size(), 2);
    QCOMPARE(window.inputs().clients->at(0)->nom(), QStringLiteral("Dupont"));
}

void ContentViewTest::rendersMainWindow()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    window.resize(1100, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.size(), window.size() * window.devicePixelRatio());
    const QString dir = qEnvironmentVariable("KV_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(dir + "/main-window.png"));
    // The sidebar column stays within its width bounds.
    const int sidebarWidth = window.findChild<QWidget*>("sidebarColumn")->width();
    QVERIFY(sidebarWidth >= 220 && sidebarWidth <= 400);
}

// A field that loses the focus because its screen is destroyed reports the end of its edit while
// the screen is still whole, never from a half-destroyed screen.
void ContentViewTest::screensAreWholeWhenTheirFieldsLoseFocus()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get());
    int screensTried = 0;
    for (Commande commande : toutesLesCommandes()) {
        QPointer<QWidget> screen = createScreen(commande, window.inputs());
        // The planning grid has no text field to type into.
        if (isPlaceholderScreen(screen) || commande == Commande::defaut) {
            delete screen;
            continue;
        }
        screen->resize(1200, 800);
        screen->show();
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
        // Open an editor when the screen offers "Ajouter", and type into its last text field.
        for (QPushButton* b : screen->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Ajouter") && b->isVisible()) {
                b->click();
                break;
            }
        QCoreApplication::processEvents();
        // A screen without any text field (the drivers' planning) has nothing to check here.
        if (screen->findChildren<QLineEdit*>().isEmpty()) {
            delete screen;
            continue;
        }
        QLineEdit* edit = nullptr;
        for (QLineEdit* e : screen->findChildren<QLineEdit*>())
            if (e->isVisible() && e->isEnabled() && !e->isReadOnly())
                edit = e;
        if (!edit) { // a screen without a text field to type into (the map of rented skips)
            delete screen;
            continue;
        }
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("12"));
        const QByteArray className = screen->metaObject()->className();
        QByteArray seen;
        QObject::connect(edit, &QLineEdit::editingFinished, edit, [&] {
            if (screen)
                seen = screen->metaObject()->className();
        });
        delete screen;
        QCOMPARE(seen, className);
        ++screensTried;
    }
    QVERIFY(screensTried >= 4);
}

namespace {

// The pixels of `image` from `from` on, `count` steps of `step`: 'b' on the selection colour, 'r'
// in the focus ring's colour, '.' anything else.
QString pixelRun(const QImage& image, QPoint from, QPoint step, int count, const QColor& back, const QColor& ring)
{
    QString run;
    for (int i = 0; i < count; ++i, from += step) {
        const QRgb c = image.pixel(from);
        run += c == back.rgb() ? QLatin1Char('b') : c == ring.rgb() ? QLatin1Char('r') : QLatin1Char('.');
    }
    return run;
}

} // namespace

void ContentViewTest::sidebarRowShowsTheFocusPlainly()
{
    auto ctx = fixtures::store();
    ContentView window(ctx.get(), nullptr);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QListWidget* sidebar = window.sidebar();
    QTRY_COMPARE(QApplication::focusWidget(), sidebar);
    QListWidgetItem* current = sidebar->currentItem();
    QVERIFY(current && current->isSelected());

    const QColor back = sidebar->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor ring = sidebar->palette().color(QPalette::Active, QPalette::HighlightedText);
    // The edges of the selected row, in the device's pixels: from its leading edge inwards at
    // mid-height, and from its top downwards near its trailing end (past the text).
    auto edges = [&] {
        const QImage image = sidebar->viewport()->grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        const QRect row = sidebar->visualItemRect(current);
        const QRect px(QPoint(qRound(row.left() * dpr), qRound(row.top() * dpr)),
                       QPoint(qRound((row.right() + 1) * dpr) - 1, qRound((row.bottom() + 1) * dpr) - 1));
        // (Short of the command's symbol, which begins a few pixels further in.)
        const int depth = qRound(6 * dpr);
        return QStringList{pixelRun(image, QPoint(px.left(), px.center().y()), QPoint(1, 0), depth, back, ring),
                           pixelRun(image, QPoint(px.right() - qRound(4 * dpr), px.top()), QPoint(0, 1), depth, back,
                                    ring)};
    };
    const qreal dpr = sidebar->devicePixelRatioF();
    // A ring two pixels wide (three at 1.5) with the selection's colour on both sides, so that it
    // reads as a ring and not as a narrower selection.
    const QRegularExpression ringed(QStringLiteral("^b{%1,}r{%2,}b+").arg(qRound(2 * dpr)).arg(int(2 * dpr)));
    for (const QString& edge : edges())
        QVERIFY2(ringed.match(edge).hasMatch(), qPrintable(edge));

    // Without the focus, the same row shows no ring.
    QTest::keyClick(sidebar, Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() && !sidebar->hasFocus());
    for (const QString& edge : edges())
        QVERIFY2(!edge.contains(QLatin1Char('r')), qPrintable(edge));
}

void ContentViewTest::titleNamesWhatIsShownAndIsHeard()
{
    auto ctx = fixtures::store();
    Client* client = fixtures::officeClient(ctx.get(), QStringLiteral("Durand"));
    fixtures::placedRental(ctx.get(), client, fixtures::colouredSkip(ctx.get()), fixtures::parisTime(2026, 3, 2),
                           fixtures::parisTime(2026, 3, 6));
    fixtures::save(ctx.get());
    AppDelegate delegate(ctx.get());
    ContentView window(ctx.get(), &delegate);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    fixtures::HeardWindowNames heard;
    // The ticket form names its rental while it stands; whatever comes and goes after, the title
    // names the screen shown, and a reader hears each change without the symbols drawn in it.
    window.chooseCommand(Commande::bennes);
    window.chooseCommand(Commande::bonDePesee);
    fixtures::clickRow(window.detailScreen()->findChild<forms::ListPanel*>(), 0);
    fixtures::settle();
    QCOMPARE(window.windowTitle(), QStringLiteral("Bon de pesée — Durand"));
    window.chooseCommand(Commande::cartebenneslouees);
    fixtures::settle();
    QCOMPARE(window.windowTitle(), QStringLiteral("Kestrovan — Carte des bennes louées"));
    window.chooseCommand(Commande::exportFacturation);
    QCOMPARE(window.windowTitle(), QStringLiteral("Kestrovan — →Facturation"));
    QCOMPARE(heard.said.value(heard.said.size() - 2), QStringLiteral("Kestrovan — Carte des bennes louées"));
    QCOMPARE(heard.said.last(), QStringLiteral("Kestrovan — Facturation"));
    QListWidgetItem* item = window.sidebar()->currentItem();
    QCOMPARE(QAccessible::queryAccessibleInterface(window.sidebar())->child(window.sidebar()->row(item))->text(QAccessible::Name),
             QStringLiteral("Facturation"));
    // The planning's keys start in its cells, not on the skip labels beside them.
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.chooseCommand(Commande::defaut);
    QTRY_VERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("grille"));
    QAction* facturation = window.commandActions().at(2);
    for (QObject* o : facturation->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o))
            QCOMPARE(QAccessible::queryAccessibleInterface(menu)->child(int(menu->actions().indexOf(facturation)))->text(QAccessible::Name),
                     QStringLiteral("Facturation"));
}
