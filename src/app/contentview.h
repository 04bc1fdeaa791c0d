#pragma once

#include "commande.h"
#include "screens.h"

#include <QMainWindow>

#include <functional>
#include <optional>

class QAction;
class QListWidget;
class QListWidgetItem;
class QScrollArea;
class QSplitter;
class QToolBar;
class QVBoxLayout;

namespace kv {

class AppDelegate;
namespace forms {
class ListDetailBase;
}

// The main window: a sidebar of the thirteen commands in two groups and, beside it, the screen
// of the selected command. It holds what must outlive a change of command: the request to
// bring the planning back to today and the selections of the rentals-by-client screen.
class ContentView : public QMainWindow {
    Q_OBJECT
public:
    // `delegate` may be null (no menus), as in the tests of the window alone.
    explicit ContentView(ModelContext* context, AppDelegate* delegate = nullptr,
                         QWidget* parent = nullptr);
    ~ContentView() override;

    std::optional<Commande> selection() const { return m_selection; }
    void setSelection(std::optional<Commande> commande);

    QListWidget* sidebar() const { return m_sidebar; }

    // The room every screen is made to fit: the window's smallest size leaves the screen at
    // least this much beside the sidebar, under the menus and the toolbar.
    static constexpr QSize kContentFloor{536, 400};
    // The window's smallest size as the screens need it, with the sidebar or without; the
    // minimum size is this, bounded by the screen's available area.
    QSize smallestSize() const;

    // The sidebar of commands can be hidden to give the screen its room ("Présentation" menu,
    // Ctrl+Alt+S); each window remembers it, and new windows start as the last one was left.
    bool isSidebarShown() const;
    void setSidebarShown(bool shown);
    QAction* sidebarAction() const { return m_sidebarAction; }

    // Getting around by keys: one action per command in sidebar order (Ctrl+1 … Ctrl+9, Ctrl+0
    // for the first ten; the last ones have none but the menu, "Préférences…" has Ctrl+,),
    // and F6 / Shift+F6, which move the focus to the window's next / previous pane in a cycle:
    // the sidebar (shown again when hidden), then each pane of the screen (a list, its editor).
    // They belong to the window, so their keys work whether the menus are there or not.
    const QList<QAction*>& commandActions() const { return m_commandActions; }
    QAction* preferencesAction() const { return m_preferencesAction; }
    QAction* nextPaneAction() const { return m_nextPaneAction; }
    QAction* previousPaneAction() const { return m_previousPaneAction; }
    // The focus into the pane `step` panes after (before, when negative) the one it is in.
    void focusPane(int step);
    // Shows `commande` as the sidebar does (an editor holding changes asks first), then puts the
    // focus in the new screen.
    void chooseCommand(Commande commande);
    // The focus on the sidebar's current command.
    void focusSidebar();

    // Runs `proceed` at once when no editor of this window holds unsaved changes; otherwise
    // asks « Enregistrer les modifications ? » and runs it after "Enregistrer" (saved) or
    // "Ne pas enregistrer". "Annuler" runs nothing.
    void askToLeave(std::function<void()> proceed);
    bool hasUnsavedChanges() const { return unsavedEditor() != nullptr; }
    // The open main windows, in the order they were made.
    static QList<ContentView*> windows();
    // Closes the window without asking again (its question was answered).
    void closeAnswered();
    // The screen shown in the detail area ("Choisis une commande" when nothing is selected).
    QWidget* detailScreen() const { return m_screen; }
    QAction* recentrerButton() const { return m_recentrer; }
    QAction* zoomBennesButton() const { return m_zoomBennes; }
    QToolBar* toolbar() const { return m_toolbar; }

    // The detail area's scroll area: a screen wider or taller than the window scrolls there
    // instead of making the window grow.
    QScrollArea* detailArea() const { return m_detailArea; }
    QSplitter* splitter() const { return m_split; }

    // The values handed to the screens.
    const ScreenInputs& inputs() const { return m_inputs; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Widens the sidebar to show its commands whole (within its bounds) where the screen beside
    // it keeps more than its floor: a larger font or a wider window leaves no title cut.
    void fitSidebar();
    void buildSidebar();
    void buildToolbar();
    void buildKeyActions();
    // The keyboard into the shown screen, on its first Tab stop; unless `fromStart`, a focus
    // already within the screen stays where it is.
    void focusScreen(bool fromStart = false);
    // The window's panes in F6's order: the sidebar, then the screen's own (the sides of its
    // splitter, else the whole screen).
    QList<QWidget*> panes() const;
    void showDetail();
    void onSidebarSelectionChanged();
    void forgetDeletedSelections();
    void showScreenActions();
    void updateMinimumSize();
    // The list/detail controller of the shown screen whose editor holds unsaved changes, or null.
    forms::ListDetailBase* unsavedEditor() const;

    ModelContext* m_context;
    std::optional<Commande> m_selection = Commande::defaut;
    ScreenInputs m_inputs;
    QListWidget* m_sidebar = nullptr;
    AppDelegate* m_delegate = nullptr;
    QSplitter* m_split = nullptr;
    QScrollArea* m_detailArea = nullptr;
    QWidget* m_detail = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    QWidget* m_screen = nullptr;
    QToolBar* m_toolbar = nullptr;
    QAction* m_recentrer = nullptr;
    QAction* m_zoomBennes = nullptr;
    QAction* m_sidebarAction = nullptr;
    QList<QAction*> m_commandActions;
    QAction* m_preferencesAction = nullptr;
    QAction* m_nextPaneAction = nullptr;
    QAction* m_previousPaneAction = nullptr;
    QWidget* m_sidebarColumn = nullptr;
    QAction* m_screenActionsEnd = nullptr; // the screen's own actions go before it
    QList<QAction*> m_screenActions;
    bool m_syncingSidebar = false;
    // How much wider than it was fitSidebar made the sidebar.
    int m_sidebarWidened = 0;
    bool m_closeApproved = false; // the editor's question was answered: the window closes
};

} // namespace kv
