#include "appdelegate.h"

#include "aboutwindow.h"
#include "contentview.h"

#include "platform/updatechecker.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace kv {

void quitWithoutQuestions()
{
    qApp->setProperty(kQuitWithoutQuestions, true);
    // A field ends its edit when it loses the focus: what it holds reaches its record.
    if (QWidget* field = QApplication::focusWidget())
        field->clearFocus();
    // Every window is asked, not only those before one that refuses (a message box without a
    // button to cancel it refuses): each one that closes keeps its editors' work.
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        if (w && w->isVisible() && w->windowType() != Qt::Desktop)
            w->close();
    // The event loops end, a dialog's within the main one too.
    QCoreApplication::exit(0);
}

AppDelegate::AppDelegate(ModelContext* context, QObject* parent) : QObject(parent), m_context(context)
{
    QApplication::setQuitOnLastWindowClosed(true);
}

QMainWindow* AppDelegate::newWindow()
{
    // The window a new one cascades from: the active main window, else the last one shown.
    QWidget* previous = qobject_cast<ContentView*>(QApplication::activeWindow());
    if (previous && !previous->isVisible())
        previous = nullptr;
    if (!previous)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<ContentView*>(w) && w->isVisible())
                previous = w;
    auto* window = new ContentView(m_context, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Over another one, a new window opens down and to the right of it by a title bar, as
    // desktops cascade windows, so that it is seen as a window of its own: up or left where the
    // screen has no room further, smaller where it is as big as the screen, never past its edges.
    if (previous && !previous->isMaximized() && !previous->isFullScreen()) {
        const QRect before = previous->geometry();
        const QRect outer = previous->frameGeometry();
        const QMargins frame(before.left() - outer.left(), before.top() - outer.top(), outer.right() - before.right(),
                             outer.bottom() - before.bottom());
        const int step = std::max(frame.top(), 24);
        QRect r(before.topLeft(), before.size());
        if (const QScreen* screen = previous->screen()) {
            const QRect area = screen->availableGeometry().marginsRemoved(frame);
            r.setSize(r.size().boundedTo(area.size() - QSize(step, step)).expandedTo(window->minimumSize()));
            // One axis: `step` further, else `step` back, else as far as the screen allows.
            const auto offset = [step](int from, int low, int high) {
                if (from + step <= high)
                    return from + step;
                if (from - step >= low)
                    return from - step;
                return std::clamp(from + step, low, std::max(low, high));
            };
            r.moveLeft(offset(before.left(), area.left(), area.right() + 1 - r.width()));
            r.moveTop(offset(before.top(), area.top(), area.bottom() + 1 - r.height()));
        } else {
            r.translate(step, step);
        }
        window->setGeometry(r);
    }
    window->show();
    return window;
}

UpdateChecker* AppDelegate::updaterController()
{
    if (!m_updater) {
        m_updater = new UpdateChecker(QCoreApplication::applicationVersion(), this);
        connect(m_updater, &UpdateChecker::finished, this, &AppDelegate::showResult);
    }
    return m_updater;
}

void AppDelegate::checkForUpdates(QWidget* sender)
{
    m_sender = sender;
    updaterController()->checkForUpdates();
}

void AppDelegate::showResult(const UpdateCheckResult& result)
{
    QWidget* parent = m_sender ? m_sender->window() : QApplication::activeWindow();
    if (m_message)
        m_message->close();
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Rechercher une mise à jour"));
    const QString current = updaterController()->currentVersion();
    switch (result.status) {
    case UpdateCheckResult::Status::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("Kestrovan est à jour."));
        box->setInformativeText(QStringLiteral("La version %1 est la plus récente.").arg(current));
        box->addButton(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Status::updateAvailable: {
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("Une nouvelle version de Kestrovan est disponible."));
        box->setInformativeText(QStringLiteral("Version %1 (vous avez la version %2).")
                                    .arg(result.latestVersion, current));
        if (result.downloadPage.isValid()) {
            QPushButton* open = box->addButton(QStringLiteral("Ouvrir la page de téléchargement"),
                                               QMessageBox::AcceptRole);
            const QUrl page = result.downloadPage;
            connect(open, &QPushButton::clicked, this, [page] { QDesktopServices::openUrl(page); });
            box->addButton(QStringLiteral("Plus tard"), QMessageBox::RejectRole);
        } else {
            box->addButton(QMessageBox::Ok);
        }
        break;
    }
    case UpdateCheckResult::Status::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("La recherche de mise à jour a échoué."));
        box->setInformativeText(result.error);
        box->addButton(QMessageBox::Ok);
        break;
    }
    m_message = box;
    box->open();
}

namespace {

// `keys` on every platform, then the platform's own keys for `standard` (some platforms bind
// none: the offscreen one has no quit key).
QList<QKeySequence> keysOf(const QKeySequence& keys, QKeySequence::StandardKey standard)
{
    QList<QKeySequence> all{keys};
    for (const QKeySequence& own : QKeySequence::keyBindings(standard))
        if (!own.isEmpty() && !all.contains(own))
            all.append(own);
    return all;
}

// Escape in a menu of the bar closes it and leaves the bar, the keyboard back where it was, as
// the desktops do: never a bar left active with nothing highlighted.
class MenuEscape : public QObject {
public:
    MenuEscape(QMenuBar* bar) : QObject(bar), m_bar(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape
            || static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
            return false;
        auto* menu = static_cast<QMenu*>(watched);
        // A submenu's Escape only goes back to its parent menu.
        if (menu->activeAction() && menu->activeAction()->menu() && menu->activeAction()->menu()->isVisible())
            return false;
        menu->close();
        // The bar keeps the keyboard after its menu closes: Escape there gives it back.
        if (m_bar->hasFocus() || m_bar->activeAction()) {
            QKeyEvent leave(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(m_bar, &leave);
        }
        return true;
    }

private:
    QMenuBar* m_bar;
};

// The question « Enregistrer les modifications ? » open over one of the windows, or null.
QWidget* openQuestion()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String("enregistrerModifications"))
            return w;
    return nullptr;
}

} // namespace

void AppDelegate::quit()
{
    if (QWidget* question = openQuestion()) {
        question->window()->raise();
        question->activateWindow();
        return;
    }
    // The window the user quits from asks first, then the others in the order they were opened.
    QList<QPointer<QMainWindow>> windows;
    if (auto* active = qobject_cast<ContentView*>(QApplication::activeWindow()))
        windows.append(active);
    for (ContentView* w : ContentView::windows())
        if (w->isVisible() && w != QApplication::activeWindow())
            windows.append(w);
    askBeforeQuitting(windows);
}

void AppDelegate::askBeforeQuitting(QList<QPointer<QMainWindow>> windows)
{
    while (!windows.isEmpty() && (!windows.first() || !windows.first()->isVisible()))
        windows.removeFirst();
    if (windows.isEmpty()) {
        // Every window answered: they close without asking again, then the others.
        const auto close = [] {
            for (ContentView* w : ContentView::windows())
                if (w->isVisible())
                    w->closeAnswered();
            QApplication::closeAllWindows();
        };
        if (m_beforeQuit)
            m_beforeQuit(QApplication::activeWindow(), close);
        else
            close();
        return;
    }
    auto* window = qobject_cast<ContentView*>(windows.takeFirst().data());
    // The window that asks comes forward, so that the user sees whose changes are meant.
    if (window->hasUnsavedChanges()) {
        window->raise();
        window->activateWindow();
    }
    QPointer<AppDelegate> self(this);
    window->askToLeave([self, windows] {
        if (self)
            self->askBeforeQuitting(windows);
    });
}

void AppDelegate::installMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    // Alt + the underlined letter opens a menu from the keyboard.
    QMenu* app = bar->addMenu(QStringLiteral("&Kestrovan"));
    app->setObjectName(QStringLiteral("applicationMenu"));
    QAction* about = app->addAction(QStringLiteral("À propos de Kestrovan"));
    about->setObjectName(QStringLiteral("actionAbout"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [] { AboutWindowController::show(); });
    QAction* update = app->addAction(QStringLiteral("Rechercher une mise à jour..."));
    update->setObjectName(QStringLiteral("actionCheckForUpdates"));
    update->setMenuRole(QAction::ApplicationSpecificRole);
    connect(update, &QAction::triggered, this, [this, window] { checkForUpdates(window); });
    auto* content = qobject_cast<ContentView*>(window);
    if (content) {
        app->addSeparator();
        // An item of its own: one action in two menus has one text, and the Alt letter one menu
        // gives it would take that letter from the other (« Planning » lost its P in « Aller à »).
        // The key is the command's, shown after a tab.
        QAction* command = content->preferencesAction();
        QAction* preferences = app->addAction(command->icon(), command->text() + QLatin1Char('\t')
                                                                   + command->shortcut().toString(QKeySequence::NativeText));
        preferences->setObjectName(QStringLiteral("actionPreferencesMenu"));
        preferences->setMenuRole(QAction::PreferencesRole);
        command->setMenuRole(QAction::NoRole);
        connect(preferences, &QAction::triggered, command, &QAction::trigger);
    }
    app->addSeparator();
    QAction* quit = app->addAction(QStringLiteral("Quitter Kestrovan"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setMenuRole(QAction::QuitRole);
    quit->setShortcuts(keysOf(QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence::Quit));
    connect(quit, &QAction::triggered, this, &AppDelegate::quit);

    QMenu* file = bar->addMenu(QStringLiteral("&Fichier"));
    QAction* fresh = file->addAction(QStringLiteral("Nouvelle fenêtre"));
    fresh->setObjectName(QStringLiteral("actionNewWindow"));
    // Ctrl+N stays "Ajouter" on the list screens.
    fresh->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    connect(fresh, &QAction::triggered, this, [this] { newWindow(); });
    QAction* close = file->addAction(QStringLiteral("Fermer la fenêtre"));
    close->setObjectName(QStringLiteral("actionCloseWindow"));
    close->setShortcuts(keysOf(QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence::Close));
    connect(close, &QAction::triggered, window, &QWidget::close);
    emit fileMenuMade(file, window);

    if (content) {
        QMenu* view = bar->addMenu(QStringLiteral("&Présentation"));
        view->setObjectName(QStringLiteral("viewMenu"));
        view->addAction(content->sidebarAction());

        // Every command with its keys, in the sidebar's order and groups.
        QMenu* go = bar->addMenu(QStringLiteral("&Aller à"));
        go->setObjectName(QStringLiteral("goMenu"));
        go->addAction(content->nextPaneAction());
        go->addAction(content->previousPaneAction());
        go->addSeparator();
        const QList<QAction*>& commands = content->commandActions();
        const QList<Commande> all = toutesLesCommandes();
        for (int i = 0; i < commands.size(); ++i) {
            if (all.at(i) == Commande::bennes)
                go->addSeparator();
            go->addAction(commands.at(i));
        }
    }

    // F10 opens the first menu, as on the desktops where the menu bar has that key; the arrow
    // keys then move in the menus, not in the page underneath.
    auto* menuKey = new QAction(window);
    menuKey->setObjectName(QStringLiteral("actionOpenMenus"));
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    window->addAction(menuKey);
    // Escape leaves the bar (above); the program's key conventions give each item its letter.
    auto* escape = new MenuEscape(bar);
    for (QAction* title : bar->actions())
        if (QMenu* menu = title->menu())
            menu->installEventFilter(escape);
    connect(menuKey, &QAction::triggered, bar, [bar] {
        for (QAction* menu : bar->actions())
            if (menu->isVisible() && menu->isEnabled() && menu->menu()) {
                bar->setActiveAction(menu);
                return;
            }
    });
}

} // namespace kv
