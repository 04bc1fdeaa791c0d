#pragma once

#include <QObject>
#include <QPointer>

#include <QMessageBox>

#include <functional>

class QMainWindow;
class QMenu;
class QSettings;
class QWidget;

namespace kv {

class ModelContext;
class UpdateChecker;
struct UpdateCheckResult;

// The application property that tells the windows to close without asking anything: set when
// the program ends at the system's request, keeping what their editors hold.
inline constexpr const char* kQuitWithoutQuestions = "kv.quitWithoutQuestions";

// Ends the program as "Quitter Kestrovan" does, at the system's request, where nobody may be
// there to answer: the field being typed in is committed, every window closes without asking,
// and every event loop ends, a dialog's too. main's end path then saves and closes the store.
void quitWithoutQuestions();

// The application's delegate: quits when the last window closes, opens main windows, owns the
// update checker (made at the first check, then kept) and shows what a check finds.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(ModelContext* context, QObject* parent = nullptr);

    ModelContext* context() const { return m_context; }
    // The store the windows opened from now on show.
    void setContext(ModelContext* context) { m_context = context; }
    // Asked once every window answered Quit, before they close: runs its second argument to
    // go on, or not at all to stay.
    void setBeforeQuit(std::function<void(QWidget* over, std::function<void()> proceed)> guard)
    {
        m_beforeQuit = std::move(guard);
    }

    // Where the windows keep their frame and splitter positions between runs; none in the
    // tests that do not ask for it. The delegate does not own it.
    void setSettings(QSettings* settings) { m_settings = settings; }
    QSettings* settings() const { return m_settings; }

    // A new main window on the same store.
    QMainWindow* newWindow();

    // The update checker, created on first use.
    UpdateChecker* updaterController();
    bool hasUpdaterController() const { return m_updater != nullptr; }

    // Starts one check asked for by the user; its outcome is shown over `sender`'s window.
    void checkForUpdates(QWidget* sender = nullptr);

    // "Quitter Kestrovan": asks each main window whose editor holds unsaved changes in turn,
    // then closes every window; "Annuler" in any of them stops the quit and leaves every window
    // as it was. A quit already asking brings its question forward instead.
    void quit();

    // Fills a window's menu bar: the application menu (About, update check, quit) and the file
    // menu (new window, close).
    void installMenus(QMainWindow* window);

    // The message box showing the last outcome (for the tests), or null.
    QMessageBox* lastMessage() const { return m_message; }

signals:
    // A window's « Fichier » menu is made: others add their items to it.
    void fileMenuMade(QMenu* menu, QMainWindow* window);

private:
    void showResult(const UpdateCheckResult& result);
    void askBeforeQuitting(QList<QPointer<QMainWindow>> windows);

    ModelContext* m_context;
    QSettings* m_settings = nullptr;
    UpdateChecker* m_updater = nullptr;
    QPointer<QWidget> m_sender;
    QPointer<QMessageBox> m_message;
    std::function<void(QWidget*, std::function<void()>)> m_beforeQuit;
};

} // namespace kv
