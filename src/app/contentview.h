#pragma once

#include "commande.h"
#include "screens.h"

#include <QMainWindow>

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

private:
    void buildSidebar();
    void buildToolbar();
    void showDetail();
    void onSidebarSelectionChanged();
    void forgetDeletedSelections();
    void showScreenActions();
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
    QAction* m_screenActionsEnd = nullptr; // the screen's own actions go before it
    QList<QAction*> m_screenActions;
    bool m_syncingSidebar = false;
    bool m_closeApproved = false; // the editor's question was answered: the window closes
};

} // namespace kv
