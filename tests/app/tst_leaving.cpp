// Leaving typed work: the main window asks before an editor's unsaved changes go (closing the
// window, Ctrl+Q, another command), keeps them when the system ends the program, and says so
// when the support site cannot be opened.

#include "tests.h"

#include "app/aboutwindow.h"
#include "app/appdelegate.h"
#include "app/startup.h"
#include "app/contentview.h"
#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "planning/vueplanificationbennes.h"
#include "platform/desktopopener.h"
#include "rentals/feuillenouvellelocation.h"
#include "rentals/formulairelocationview.h"
#include "screenfixtures.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/listpanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace kv;

namespace {

std::unique_ptr<ModelContext> storeWith(const QString& nom)
{
    auto ctx = fixtures::store();
    ctx->insert(new Client(QUuid::createUuid(), nom, "FF8800", "", "", "Lyon", "", std::nullopt, std::nullopt));
    fixtures::save(ctx.get());
    return ctx;
}

// A main window on the clients screen, `client`'s town typed over with `town` and not saved.
std::unique_ptr<ContentView> windowEditing(ModelContext* ctx, Client* client, const QString& town,
                                           AppDelegate* delegate = nullptr)
{
    auto window = std::make_unique<ContentView>(ctx, delegate);
    const qreal scale = qApp->devicePixelRatio();
    window->resize(int(1200 / scale), int(760 / scale));
    window->setSelection(Commande::clients);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
    auto* vue = qobject_cast<VueClients*>(window->detailScreen());
    vue->liste()->setSelectedRecord(client);
    QApplication::processEvents();
    QLineEdit* ville = vue->editeur()->champ(ClientEditorView::Champ::ville);
    ville->setFocus();
    ville->selectAll();
    QTest::keyClicks(ville, town);
    return window;
}

// The question « Enregistrer les modifications ? » open over `window`, or null.
QMessageBox* questionOver(QWidget* window)
{
    QApplication::processEvents();
    for (QMessageBox* b : window->findChildren<QMessageBox*>())
        if (b->isVisible() && b->objectName() == QStringLiteral("enregistrerModifications"))
            return b;
    return nullptr;
}

// Clicks the button of that question that reads `text`.
bool answerOver(QWidget* window, const QString& text)
{
    QMessageBox* box = questionOver(window);
    if (!box)
        return false;
    for (QAbstractButton* b : box->buttons())
        if (fixtures::shownText(b) == text) {
            b->click();
            QApplication::processEvents();
            return true;
        }
    return false;
}

// A main window on the clients screen, the first client's town changed and not saved.
struct Fenetre {
    std::unique_ptr<ModelContext> ctx = storeWith(QStringLiteral("Alpha"));
    Client* client = ctx->all<Client>().first();
    std::unique_ptr<ContentView> window = windowEditing(ctx.get(), client, QStringLiteral("Caluire"));

    QMessageBox* question() const { return questionOver(window.get()); }
    bool answer(const QString& text) const { return answerOver(window.get(), text); }
};

} // namespace

void LeavingTest::closingAsksAndAnnulerKeepsTheWindow()
{
    Fenetre f;
    QVERIFY(!f.window->close());
    QVERIFY(f.question());
    QVERIFY(f.answer(QStringLiteral("Annuler")));
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.client->ville(), QStringLiteral("Lyon"));

    // A save refused from the question (the name emptied) says why, on the field; the window stays.
    auto* vue = qobject_cast<VueClients*>(f.window->detailScreen());
    QLineEdit* nom = vue->editeur()->champ(ClientEditorView::Champ::nom);
    nom->clear();
    QVERIFY(!f.window->close());
    QVERIFY(f.answer(QStringLiteral("Enregistrer")));
    QVERIFY(f.window->isVisible());
    auto* why = vue->editeur()->findChild<QLabel*>(QStringLiteral("nomRequis"));
    QVERIFY(why && why->isVisible());
    QVERIFY(forms::hasInvalidOutline(nom));
    QCOMPARE(f.client->nom(), QStringLiteral("Alpha"));
    nom->setText(QStringLiteral("Alpha"));
    QVERIFY(!why->isVisible());

    // "Enregistrer" stores the change, then the window closes.
    QVERIFY(!f.window->close());
    QVERIFY(f.answer(QStringLiteral("Enregistrer")));
    QCOMPARE(f.client->ville(), QStringLiteral("Caluire"));
    QVERIFY(!f.ctx->hasChanges());
    QVERIFY(!f.window->isVisible());
}

void LeavingTest::ctrlQAsksAndNePasEnregistrerQuits()
{
    auto ctx = storeWith(QStringLiteral("Alpha"));
    Client* client = ctx->all<Client>().first();
    AppDelegate delegate(ctx.get());
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = windowEditing(ctx.get(), client, QStringLiteral("Caluire"), &delegate);
    // The menu's "Quitter Kestrovan", from the keyboard: Ctrl+Q on every platform, the offscreen
    // one (which binds no standard quit key) included.
    auto* quitter = window->findChild<QAction*>(QStringLiteral("actionQuit"));
    QVERIFY(quitter);
    QCOMPARE(quitter->text(), QStringLiteral("Quitter Kestrovan"));
    QApplication::setActiveWindow(window.get());
    QTRY_VERIFY(window->isActiveWindow());
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(questionOver(window.get()));
    QVERIFY(window->isVisible());
    QVERIFY(answerOver(window.get(), QStringLiteral("Ne pas enregistrer")));
    QVERIFY(!window->isVisible());
    QCOMPARE(client->ville(), QStringLiteral("Lyon"));
}

void LeavingTest::quittingWithoutQuestionsKeepsWhatCanBeSaved()
{
    qApp->setProperty("kv.quitWithoutQuestions", true);
    {
        Fenetre f;
        QVERIFY(f.window->close());
        QVERIFY(!f.question());
        QCOMPARE(f.client->ville(), QStringLiteral("Caluire"));
        QVERIFY(!f.ctx->hasChanges());
    }
    {
        // A change that cannot be saved (the name emptied) goes silently.
        Fenetre f;
        auto* vue = qobject_cast<VueClients*>(f.window->detailScreen());
        vue->editeur()->champ(ClientEditorView::Champ::nom)->clear();
        QVERIFY(f.window->close());
        QVERIFY(!f.question());
        QCOMPARE(f.client->nom(), QStringLiteral("Alpha"));
        QCOMPARE(f.client->ville(), QStringLiteral("Lyon"));
    }
    qApp->setProperty("kv.quitWithoutQuestions", QVariant());
}

void LeavingTest::anotherCommandAsks()
{
    Fenetre f;
    QListWidget* sidebar = f.window->sidebar();
    int row = -1;
    for (int i = 0; i < sidebar->count(); ++i)
        if (sidebar->item(i)->text() == titre(Commande::bennes))
            row = i;
    QVERIFY(row >= 0);
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(sidebar->item(row)).center());
    QVERIFY(f.question());
    QCOMPARE(f.window->selection(), std::optional<Commande>(Commande::clients));
    QVERIFY(f.answer(QStringLiteral("Annuler")));
    QVERIFY(qobject_cast<VueClients*>(f.window->detailScreen()));
    QCOMPARE(sidebar->selectedItems().value(0)->text(), titre(Commande::clients));

    // The key of the command already shown, typed from the client's address: the keyboard
    // goes where it goes from elsewhere, the list's search, so that what is typed next
    // searches; typed work there is asked about first, as leaving asks.
    QApplication::setActiveWindow(f.window.get());
    QTRY_VERIFY(f.window->isActiveWindow());
    auto* vue = qobject_cast<VueClients*>(f.window->detailScreen());
    QLineEdit* adresse = vue->editeur()->champ(ClientEditorView::Champ::adresse);
    adresse->setFocus();
    QTRY_VERIFY(adresse->hasFocus());
    QAction* clients = f.window->commandActions().at(toutesLesCommandes().indexOf(Commande::clients));
    QTest::keySequence(f.window.get(), clients->shortcut());
    QVERIFY(f.answer(QStringLiteral("Annuler")));
    QApplication::setActiveWindow(f.window.get());
    QTRY_VERIFY(adresse->hasFocus());
    QTest::keySequence(f.window.get(), clients->shortcut());
    QVERIFY(f.answer(QStringLiteral("Enregistrer")));
    QCOMPARE(f.client->ville(), QStringLiteral("Caluire"));
    QApplication::setActiveWindow(f.window.get());
    vue = qobject_cast<VueClients*>(f.window->detailScreen());
    QTRY_COMPARE(QApplication::focusWidget(), vue->liste()->searchField());
    vue->editeur()->champ(ClientEditorView::Champ::adresse)->setFocus();
    QTest::keySequence(f.window.get(), clients->shortcut());
    QVERIFY(!f.question());
    QTRY_COMPARE(QApplication::focusWidget(), vue->liste()->searchField());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Alp"));
    QCOMPARE(f.client->adresse(), QString());
    QVERIFY(!f.window->hasUnsavedChanges());

    vue->editeur()->champ(ClientEditorView::Champ::ville)->setText(QStringLiteral("Bron"));
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(sidebar->item(row)).center());
    QVERIFY(f.answer(QStringLiteral("Enregistrer")));
    QCOMPARE(f.window->selection(), std::optional<Commande>(Commande::bennes));
    QCOMPARE(f.client->ville(), QStringLiteral("Bron"));
}

void LeavingTest::supportSiteWithoutBrowserSaysSo()
{
    RecordingDesktopOpener opener;
    opener.openResult = false;
    AboutWindowController::show();
    QWidget* about = AboutWindowController::window();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QTest::mouseClick(about->findChild<AboutView*>()->supportButton(), Qt::LeftButton);
    QCOMPARE(opener.openedUrls.size(), 1);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = about->findChild<QMessageBox*>(QStringLiteral("erreur"))) && box->isVisible());
    QVERIFY(box->text().contains(opener.openedUrls.first().toString()));
    box->done(0);

    // A browser that answers: no message.
    opener.openResult = true;
    QTest::mouseClick(about->findChild<AboutView*>()->supportButton(), Qt::LeftButton);
    QApplication::processEvents();
    for (QMessageBox* b : about->findChildren<QMessageBox*>())
        QVERIFY(!b->isVisible());
    about->close();
}

void LeavingTest::quitAsksEveryWindowInTurn()
{
    // Two windows on one store, each with a client's town typed and not saved.
    auto ctx = storeWith(QStringLiteral("Alpha"));
    ctx->insert(new Client(QUuid::createUuid(), QStringLiteral("Bêta"), "FF8800", "", "", "Lyon", "", std::nullopt,
                           std::nullopt));
    QString error;
    QVERIFY(ctx->save(&error));
    Client* alpha = ctx->all<Client>().at(0);
    Client* beta = ctx->all<Client>().at(1);
    AppDelegate delegate(ctx.get());
    QApplication::setQuitOnLastWindowClosed(false);
    int round = 0;
    auto quit = [&] {
        ++round;
        auto one = windowEditing(ctx.get(), alpha, QStringLiteral("Caluire %1").arg(round));
        auto two = windowEditing(ctx.get(), beta, QStringLiteral("Bron %1").arg(round));
        // Ctrl+Q pressed in the first: it asks first.
        QApplication::setActiveWindow(one.get());
        return std::pair(std::move(one), std::move(two));
    };

    {
        // "Enregistrer" in the first, then the second asks; "Annuler" there stops the quit and
        // leaves both windows, the second with its typed town.
        auto [one, two] = quit();
        delegate.quit();
        QVERIFY(questionOver(one.get()));
        QVERIFY(!questionOver(two.get()));
        QVERIFY(answerOver(one.get(), QStringLiteral("Enregistrer")));
        QCOMPARE(alpha->ville(), QStringLiteral("Caluire 1"));
        QVERIFY(one->isVisible());
        QVERIFY(questionOver(two.get()));
        QVERIFY(answerOver(two.get(), QStringLiteral("Annuler")));
        QVERIFY(one->isVisible() && two->isVisible());
        QCOMPARE(beta->ville(), QStringLiteral("Lyon"));
        QVERIFY(two->hasUnsavedChanges());

        // Quitting again asks the second only, then every window closes.
        delegate.quit();
        QVERIFY(!questionOver(one.get()));
        QVERIFY(answerOver(two.get(), QStringLiteral("Enregistrer")));
        QCOMPARE(beta->ville(), QStringLiteral("Bron 1"));
        QVERIFY(!one->isVisible() && !two->isVisible());
    }
    {
        // "Annuler" in the first: the second is not asked and nothing closes.
        auto [one, two] = quit();
        delegate.quit();
        QVERIFY(answerOver(one.get(), QStringLiteral("Annuler")));
        QVERIFY(!questionOver(two.get()));
        QVERIFY(one->isVisible() && two->isVisible());
        QVERIFY(one->hasUnsavedChanges() && two->hasUnsavedChanges());
        // A second Ctrl+Q while a question is open asks nothing more.
        delegate.quit();
        QVERIFY(questionOver(one.get()));
        delegate.quit();
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            open += w->isVisible() && w->objectName() == QStringLiteral("enregistrerModifications");
        QCOMPARE(open, 1);
        QVERIFY(answerOver(one.get(), QStringLiteral("Ne pas enregistrer")));
        QVERIFY(answerOver(two.get(), QStringLiteral("Ne pas enregistrer")));
        QVERIFY(!one->isVisible() && !two->isVisible());
    }
}

void LeavingTest::ctrlQFromTheNewRentalSheetAsksThenQuits()
{
    // The planning's new-rental sheet open, an address typed: Ctrl+Q pressed in the sheet asks
    // about it; "Annuler" keeps everything, "Ne pas enregistrer" closes the sheet and the window.
    auto ctx = storeWith(QStringLiteral("Alpha"));
    ctx->insert(new TypeDechet(QStringLiteral("Gravats"), std::nullopt, QStringLiteral("Inerte"), std::nullopt,
                               std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20,
                               false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                               std::nullopt));
    auto* benne = new Benne(10, QStringLiteral("0000FF"), EtatBenne::correct, QString(), nullptr);
    ctx->insert(benne);
    QString error;
    QVERIFY(ctx->save(&error));
    AppDelegate delegate(ctx.get());
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = std::make_unique<ContentView>(ctx.get(), &delegate);
    window->resize(1200, 760);
    window->setSelection(Commande::defaut);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* planning = qobject_cast<VuePlanificationBennes*>(window->detailScreen());
    QVERIFY(planning);
    for (int round = 0; round < 2; ++round) {
        planning->selectionnerBenne(benne);
        QPointer<QDialog> sheet = planning->feuille();
        QVERIFY(sheet && QTest::qWaitForWindowExposed(sheet));
        QApplication::setActiveWindow(sheet);
        QTRY_VERIFY(sheet->isActiveWindow());
        FormulaireLocationView* form = formulaireDe(sheet);
        QTest::keyClicks(form->champAdresse(), QStringLiteral("5 rue des Lilas"));
        QTest::keyClick(form->champAdresse(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(questionOver(window.get()));
        if (round == 0) {
            QVERIFY(answerOver(window.get(), QStringLiteral("Annuler")));
            QVERIFY(sheet && sheet->isVisible());
            QVERIFY(window->isVisible());
            QCOMPARE(form->adresse(), QStringLiteral("5 rue des Lilas"));
            // "Annuler" with the address typed asks as the editors' does.
            QTest::mouseClick(form->boutonAnnuler(), Qt::LeftButton);
            QVERIFY(answerOver(window.get(), QStringLiteral("Ne pas enregistrer")));
            QTRY_VERIFY(!sheet);
            continue;
        }
        QVERIFY(answerOver(window.get(), QStringLiteral("Ne pas enregistrer")));
        QTRY_VERIFY(!window->isVisible());
    }
    QCOMPARE(ctx->all<LocationDeBenne>().size(), 0);
}

void LeavingTest::quitAfterEveryScreenEndsTheLoopAtOnce()
{
    // The program's own window, every command shown once from the sidebar, a change pending in
    // the store; then Ctrl+Q. The event loop ends as soon as the last window has gone, nothing
    // keeping it (a window left shown, a loop of its own, a lock on quitting): only then does
    // the program save and end. The guard's half minute is a sanity limit only.
    auto ctx = storeWith(QStringLiteral("Alpha"));
    AppDelegate delegate(ctx.get());
    QApplication::setQuitOnLastWindowClosed(true);
    QPointer<QMainWindow> made = delegate.newWindow();
    auto* window = qobject_cast<ContentView*>(made.data());
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QListWidget* sidebar = window->sidebar();
    int shown = 0;
    for (int row = 0; row < sidebar->count(); ++row) {
        QListWidgetItem* item = sidebar->item(row);
        if (!(item->flags() & Qt::ItemIsSelectable))
            continue;
        sidebar->scrollToItem(item);
        QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(item).center());
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("Kestrovan — %1").arg(item->text()));
        ++shown;
    }
    QCOMPARE(shown, toutesLesCommandes().size());
    ctx->all<Client>().first()->setTelephone(QStringLiteral("04 72 00 00 00"));
    QVERIFY(ctx->hasChanges());

    QApplication::setActiveWindow(window);
    QTRY_VERIFY(window->isActiveWindow());
    QTimer::singleShot(0, window, [window] { QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(30000);
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    QCOMPARE(status, 0);
    QVERIFY(guard.isActive());
    QVERIFY(!made);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->metaObject()->className()));
    // main's end: the change saved.
    QString error;
    QVERIFY2(closeStoreForExit(*ctx, &error), qPrintable(error));
    QVERIFY(!ctx->hasChanges());
}

void LeavingTest::weighingTicketTypedIsKeptAsInTheEditors()
{
    // "Bons de pesée", a removed rental without a ticket chosen, 4100 typed as its net weight
    // and not saved: another command and Ctrl+Q ask, and the system's end stores the ticket.
    auto ctx = storeWith(QStringLiteral("Alpha"));
    auto* benne = new Benne(10, QStringLiteral("0000FF"), EtatBenne::correct, QString(), nullptr);
    ctx->insert(benne);
    const QDateTime hier = QDateTime::currentDateTime().addDays(-1);
    auto* location = new LocationDeBenne(ctx->all<Client>().first(), benne, std::nullopt, std::nullopt,
                                         QStringLiteral("5 chemin Vert"), 0, 0, 0, hier.addDays(-3), hier, nullptr);
    ctx->insert(location);
    QString error;
    QVERIFY(ctx->save(&error));
    AppDelegate delegate(ctx.get());
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = std::make_unique<ContentView>(ctx.get(), &delegate);
    const qreal scale = qApp->devicePixelRatio();
    window->resize(int(1200 / scale), int(760 / scale));
    window->setSelection(Commande::bonDePesee);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* vue = qobject_cast<LocationsEtPeseeView*>(window->detailScreen());
    QVERIFY(vue);
    vue->interrupteur()->click();
    QListView* liste = vue->liste();
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualRect(liste->model()->index(0, 0)).center());
    QApplication::processEvents();
    QCOMPARE(vue->selection(), location);
    QLineEdit* poids = vue->formulaire()->champPoids();
    poids->setFocus();
    QTest::keyClicks(poids, QStringLiteral("4100"));
    QVERIFY(window->hasUnsavedChanges());

    // Another command.
    QListWidget* sidebar = window->sidebar();
    int row = -1;
    for (int i = 0; i < sidebar->count(); ++i)
        if (sidebar->item(i)->text() == titre(Commande::clients))
            row = i;
    QVERIFY(row >= 0);
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(sidebar->item(row)).center());
    QVERIFY(questionOver(window.get()));
    QVERIFY(answerOver(window.get(), QStringLiteral("Annuler")));
    QCOMPARE(window->selection(), std::optional<Commande>(Commande::bonDePesee));
    QCOMPARE(poids->text(), QStringLiteral("4100"));

    // Ctrl+Q.
    QApplication::setActiveWindow(window.get());
    QTRY_VERIFY(window->isActiveWindow());
    QTest::keyClick(poids, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(questionOver(window.get()));
    QVERIFY(answerOver(window.get(), QStringLiteral("Annuler")));
    QVERIFY(window->isVisible());
    QVERIFY(location->bonsDePesee().isEmpty());

    // The system ends the program: the ticket that can be saved is stored.
    qApp->setProperty("kv.quitWithoutQuestions", true);
    QVERIFY(window->close());
    qApp->setProperty("kv.quitWithoutQuestions", QVariant());
    QVERIFY(!questionOver(window.get()));
    QCOMPARE(location->bonsDePesee().size(), 1);
    QCOMPARE(location->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(4100));
    QVERIFY(!ctx->hasChanges());
}
