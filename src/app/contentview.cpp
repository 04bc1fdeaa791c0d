#include "contentview.h"

#include "widgets/dialogconventions.h"
#include "widgets/focusguard.h"
#include "widgets/focusstyle.h"

#include "appdelegate.h"
#include "desktop.h"

#include "model/helpers.h"
#include "rentals/clientsduformulaire.h"
#include "rentals/feuillenouvellelocation.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/icons.h"
#include "widgets/toolbaractions.h"
#include "widgets/windowtitle.h"

#include <QAction>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kCommandRole = Qt::UserRole + 1;

QList<ContentView*>& madeWindows()
{
    static QList<ContentView*> list;
    return list;
}

// The look of the sidebar's headings: 20-point ultra-light text after a symbol.
QWidget* heading(const QString& symbol, const QString& text, int above, int below, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(8, above, 8, below);
    row->setSpacing(6);
    QFont f = w->font();
    f.setPointSize(20);
    f.setWeight(QFont::ExtraLight);
    const int side = QFontMetrics(f).height() * 3 / 4;
    // In the text colour of the palette: black on a light one, light on a dark one.
    auto* icon = new QLabel(w);
    const QPixmap pm = symbolIcon(symbol).pixmap(QSize(side, side), w->devicePixelRatioF());
    icon->setPixmap(pm);
    auto* label = new QLabel(text, w);
    label->setFont(f);
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(label, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return w;
}

// Marks the widget of the screen shown: a pane of its own to screen readers.
const char* const kScreenPane = "kvScreenPane";

QAccessibleInterface* screenPaneAccessible(const QString&, QObject* object)
{
    auto* w = qobject_cast<QWidget*>(object);
    if (!w || !w->property(kScreenPane).toBool())
        return nullptr;
    return new QAccessibleWidget(w, QAccessible::Grouping);
}

// The name a command's menu entry is read by, when it is not the text shown.
const char* const kSpokenName = "kvSpokenName";

// A command's entry in a menu, read by its spoken name: « →Facturation » is read « Facturation ».
// Otherwise it answers as any menu entry: its place, its state, its key, pressing it.
// A click on the list's empty space, below its last command, changes nothing: the list would
// unselect the command shown.
class ClickOnNothing : public QObject {
public:
    explicit ClickOnNothing(QListWidget* list) : QObject(list), m_list(list) { list->viewport()->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return !m_list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid();
        default:
            return false;
        }
    }

private:
    QListWidget* m_list;
};

class SpokenMenuEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit SpokenMenuEntry(QAction* action) : m_action(action) {}
    bool isValid() const override { return m_action && menu(); }
    QObject* object() const override { return m_action; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    void setText(QAccessible::Text, const QString&) override {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return m_action->property(kSpokenName).toString();
        if (t == QAccessible::Accelerator)
            return m_action->shortcut().toString(QKeySequence::NativeText);
        return {};
    }
    QRect rect() const override
    {
        QMenu* m = menu();
        return m ? m->actionGeometry(m_action).translated(m->mapToGlobal(QPoint(0, 0))) : QRect();
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        QMenu* m = menu();
        s.invisible = !m || !m->isVisible() || !m_action->isVisible();
        s.focused = m && m->activeAction() == m_action;
        s.disabled = !m_action->isEnabled();
        s.focusable = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && m_action->isEnabled())
            m_action->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    // The menu it is read in: the one shown, else the first it stands in.
    QMenu* menu() const
    {
        QMenu* first = nullptr;
        for (QObject* o : m_action->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) {
                if (m->isVisible())
                    return m;
                first = first ? first : m;
            }
        return first;
    }
    QPointer<QAction> m_action;
};

QAccessibleInterface* spokenMenuEntry(const QString& className, QObject* object)
{
    auto* action = qobject_cast<QAction*>(object);
    if (className != QLatin1String("QAction") || !action || !action->property(kSpokenName).isValid())
        return nullptr;
    return new SpokenMenuEntry(action);
}

} // namespace

ContentView::ContentView(ModelContext* context, AppDelegate* delegate, QWidget* parent)
    : QMainWindow(parent), m_context(context), m_delegate(delegate)
{
    madeWindows().append(this);
    installDialogConventions();
    static const bool screensNamed = (QAccessible::installFactory(screenPaneAccessible),
                                      QAccessible::installFactory(spokenMenuEntry), true);
    Q_UNUSED(screensNamed);
    setScreenTitle(this, QStringLiteral("Kestrovan"));
    setWindowIcon(applicationIcon());
    resize(kDefaultWindowSize);
    const QScreen* screen = QGuiApplication::primaryScreen();

    m_inputs.context = context;
    m_inputs.clients = new Query<Client>(context, {}, {}, this);
    m_inputs.bennes = new Query<Benne>(context, {}, {}, this);
    m_inputs.locations = new Query<LocationDeBenne>(context, {}, {}, this);
    // The new-rental sheet's client list is made aside while the window opens: a click on a
    // skip then waits for none of it.
    QTimer::singleShot(0, this, [context] { ClientsDuFormulaire::pour(context)->preparer(); });
    // Ties go to the even digit, as C's "%.1f" does, then the locale's separators apply.
    m_inputs.formatter = [](double v) {
        return QLocale().toString(formatFixed(v, 1).toDouble(), 'f', 1);
    };
    m_inputs.dateFormatter = [](const QDateTime& d) {
        return QLocale().toString(d.date(), QLocale::ShortFormat);
    };

    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("mainSplit"));
    m_split->setChildrenCollapsible(false);
    auto* side = new QWidget(m_split);
    m_sidebarColumn = side;
    side->setObjectName(QStringLiteral("sidebarColumn"));
    side->setMinimumWidth(220);
    side->setMaximumWidth(400);
    side->setAutoFillBackground(true);
    side->setBackgroundRole(QPalette::Base);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(0);
    sideLayout->addWidget(heading(QStringLiteral("command"), QStringLiteral("Commandes"), 8, 12, side));
    m_sidebar = new QListWidget(side);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setAccessibleName(QStringLiteral("Commandes"));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(18, 18));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    forms::makeSelectionReadable(m_sidebar);
    // The command the keyboard is on is framed plainly, selected or not.
    m_sidebar->setItemDelegate(new FocusFrameDelegate(m_sidebar));
    new ClickOnNothing(m_sidebar);
    sideLayout->addWidget(m_sidebar);
    buildSidebar();

    // The screens stand in a scroll area: one that needs more room than the window has scrolls,
    // and the window never grows by itself.
    m_detailArea = new QScrollArea(m_split);
    m_detailArea->setObjectName(QStringLiteral("detailArea"));
    m_detailArea->setFrameShape(QFrame::NoFrame);
    m_detailArea->setWidgetResizable(true);
    m_detail = new QWidget(m_detailArea);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detailLayout = new QVBoxLayout(m_detail);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    m_detailArea->setWidget(m_detail);
    m_split->addWidget(side);
    m_split->addWidget(m_detailArea);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({220, 980});
    setCentralWidget(m_split);

    buildToolbar();

    m_sidebarAction = new QAction(QStringLiteral("Masquer la barre latérale"), this);
    m_sidebarAction->setObjectName(QStringLiteral("actionToggleSidebar"));
    m_sidebarAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    m_sidebarAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_sidebarAction);
    connect(m_sidebarAction, &QAction::triggered, this, [this] { setSidebarShown(!isSidebarShown()); });

    buildKeyActions();
    if (delegate)
        delegate->installMenus(this);
    QSettings* settings = delegate ? delegate->settings() : nullptr;
    if (settings) {
        keepSplitterState(m_split, settings, QStringLiteral("mainWindow/splitter"));
        setSidebarShown(settings->value(QStringLiteral("mainWindow/sidebarShown"), true).toBool());
    }
    updateMinimumSize();
    if (settings) {
        restoreWindowGeometry(this, *settings, QStringLiteral("mainWindow/geometry"));
    } else if (screen) {
        setGeometry(placeWindow(std::nullopt, {}, screen->availableGeometry(), kDefaultWindowSize, minimumSize()));
    }

    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, &ContentView::onSidebarSelectionChanged);
    connect(context, &ModelContext::changed, this, &ContentView::forgetDeletedSelections);

    setSelection(Commande::defaut);
    showDetail();
    // At start the focus stands where it can be seen: on the sidebar's current command.
    m_sidebar->setFocus(Qt::OtherFocusReason);
}

void ContentView::buildKeyActions()
{
    const QList<Commande> all = toutesLesCommandes();
    for (int i = 0; i < all.size(); ++i) {
        const Commande c = all.at(i);
        QAction* action = nullptr;
        if (c == Commande::preferences) {
            action = new QAction(QStringLiteral("Préférences…"), this);
            action->setObjectName(QStringLiteral("actionPreferences"));
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
            action->setMenuRole(QAction::PreferencesRole);
            m_preferencesAction = action;
        } else {
            action = new QAction(titre(c), this);
            action->setObjectName(QStringLiteral("actionCommand%1").arg(i + 1));
            if (spokenTitle(titre(c)) != titre(c))
                action->setProperty(kSpokenName, spokenTitle(titre(c)));
            // Ctrl+1 … Ctrl+9, then Ctrl+0 for the tenth, as the digit row goes.
            if (i < 10)
                action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + (i + 1) % 10)));
        }
        action->setIcon(symbolIcon(symbole(c)));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, c] { chooseCommand(c); });
        m_commandActions.append(action);
    }
    m_nextPaneAction = new QAction(QStringLiteral("Volet suivant"), this);
    m_nextPaneAction->setObjectName(QStringLiteral("actionNextPane"));
    m_nextPaneAction->setShortcut(QKeySequence(Qt::Key_F6));
    m_nextPaneAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_nextPaneAction);
    connect(m_nextPaneAction, &QAction::triggered, this, [this] { focusPane(1); });
    m_previousPaneAction = new QAction(QStringLiteral("Volet précédent"), this);
    m_previousPaneAction->setObjectName(QStringLiteral("actionPreviousPane"));
    m_previousPaneAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    m_previousPaneAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_previousPaneAction);
    connect(m_previousPaneAction, &QAction::triggered, this, [this] { focusPane(-1); });
}

QList<QWidget*> ContentView::panes() const
{
    QList<QWidget*> all{m_sidebar};
    if (!m_screen)
        return all;
    // The screen's first splitter that is its own (not one inside a pane of another).
    QSplitter* split = nullptr;
    for (QSplitter* s : m_screen->findChildren<QSplitter*>())
        if (s->isVisibleTo(m_screen) && (!split || !split->isAncestorOf(s))) {
            split = s;
            break;
        }
    if (!split) {
        all.append(m_screen);
        return all;
    }
    for (int i = 0; i < split->count(); ++i)
        if (QWidget* side = split->widget(i); side->isVisibleTo(m_screen) && split->sizes().value(i) > 0)
            all.append(side);
    return all;
}

namespace {

// The first Tab stop inside `pane`, in the window's Tab order; null when it has none.
QWidget* firstStopIn(QWidget* pane)
{
    // A screen may name where its keys start (the planning's cells, not the labels beside them).
    for (QWidget* w : pane->findChildren<QWidget*>())
        if (w->property("keysStartHere").toBool() && w->isVisibleTo(pane->window()) && w->isEnabled())
            return w;
    // In an editor, its first field: not its header's « Annuler », where Return drops the typing.
    QWidget* header = nullptr;
    for (QWidget* bar : pane->findChildren<QWidget*>(QStringLiteral("editorHeaderBar")))
        if (bar->isVisibleTo(pane->window()))
            header = bar;
    QWidget* w = pane;
    QWidget* first = nullptr;
    do {
        w = w->nextInFocusChain();
        if (pane->isAncestorOf(w) && w->isVisibleTo(pane->window()) && w->isEnabled()
            && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
            if (!header || !header->isAncestorOf(w))
                return w;
            first = first ? first : w;
        }
    } while (w && w != pane);
    return first;
}

} // namespace

void ContentView::focusPane(int step)
{
    const QList<QWidget*> all = panes();
    QWidget* focus = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < all.size(); ++i)
        if (focus && (all.at(i) == focus || all.at(i)->isAncestorOf(focus)))
            at = i;
    // From outside every pane (the toolbar), F6 starts at the sidebar, Shift+F6 at the last pane.
    if (at < 0)
        at = step > 0 ? all.size() - 1 : 0;
    for (qsizetype n = 1; n <= all.size(); ++n) {
        QWidget* pane = all.at(((at + step * n) % all.size() + all.size()) % all.size());
        if (pane == m_sidebar) {
            focusSidebar();
            return;
        }
        if (QWidget* stop = firstStopIn(pane)) {
            giveKeysUnselected(stop, Qt::ShortcutFocusReason);
            return;
        }
    }
}

void ContentView::chooseCommand(Commande commande)
{
    QPointer<ContentView> self(this);
    if (m_selection == commande) {
        // The screen already shown: the keyboard goes where it goes from elsewhere, out of the
        // field it is in, so that what is typed next searches instead of replacing a value.
        // Typed work there is left as when leaving the screen: saved, or dropped with its editor.
        auto again = [self] {
            if (!self)
                return;
            if (self->unsavedEditor())
                self->showDetail();
            self->focusScreen(true);
        };
        if (forms::ListDetailBase* editor = unsavedEditor())
            editor->leaveEditor(again);
        else
            again();
        return;
    }
    auto show = [self, commande] {
        if (!self)
            return;
        self->setSelection(commande);
        self->focusScreen();
    };
    if (forms::ListDetailBase* editor = unsavedEditor())
        editor->leaveEditor(show);
    else
        show();
}

void ContentView::focusScreen(bool fromStart)
{
    if (!m_screen)
        return;
    QWidget* focus = QApplication::focusWidget();
    if (!fromStart && focus && m_screen->isAncestorOf(focus))
        return;
    if (QWidget* first = firstStopIn(m_screen))
        giveKeysUnselected(first);
    else
        m_sidebar->setFocus(Qt::OtherFocusReason);
}

void ContentView::focusSidebar()
{
    if (!isSidebarShown())
        setSidebarShown(true);
    if (!m_sidebar->currentItem() || !(m_sidebar->currentItem()->flags() & Qt::ItemIsSelectable))
        for (int row = 0; row < m_sidebar->count(); ++row)
            if (m_sidebar->item(row)->flags() & Qt::ItemIsSelectable) {
                m_sidebar->setCurrentItem(m_sidebar->item(row), QItemSelectionModel::NoUpdate);
                break;
            }
    m_sidebar->setFocus(Qt::ShortcutFocusReason);
}

void ContentView::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Barre d’outils"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* before = new QWidget(m_toolbar);
    before->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* after = new QWidget(m_toolbar);
    after->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(before);
    m_recentrer = m_toolbar->addAction(symbolIcon(QStringLiteral("calendar.circle")),
                                       QStringLiteral("Aujourd’hui"));
    m_recentrer->setObjectName(QStringLiteral("recentrerButton"));
    m_recentrer->setToolTip(QStringLiteral("Recentrer le planning sur aujourd’hui"));
    m_zoomBennes = m_toolbar->addAction(QStringLiteral("Zoom sur toutes les bennes"));
    m_zoomBennes->setObjectName(QStringLiteral("zoomBennesButton"));
    m_screenActionsEnd = m_toolbar->addWidget(after);
    // Reachable with Tab like any other button, then pressed with the space bar.
    for (QAction* action : {m_recentrer, m_zoomBennes})
        if (QWidget* button = m_toolbar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    // The bar's row stays on every screen, as high with or without buttons, so that changing
    // command never moves the sidebar or the screen.
    m_toolbar->setMinimumHeight(m_toolbar->sizeHint().height());
    connect(m_recentrer, &QAction::triggered, this,
            [this] { m_inputs.demanderCentrageSurAujourdhui.set(true); });
    connect(m_zoomBennes, &QAction::triggered, this,
            [this] { m_inputs.demanderZoomSurToutesLesBennes.set(true); });
}

QSize ContentView::smallestSize() const
{
    const int menus = menuWidget() ? menuWidget()->sizeHint().height() : 0;
    int width = kContentFloor.width();
    if (isSidebarShown())
        width += m_sidebarColumn->minimumWidth() + m_split->handleWidth();
    return {width, kContentFloor.height() + menus + m_toolbar->minimumHeight()};
}

void ContentView::updateMinimumSize()
{
    // Never larger than the screen: a window that cannot be made smaller than the screen
    // cannot be placed on it.
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize smallest = smallestSize();
    setMinimumSize(shownOn ? smallest.boundedTo(shownOn->availableGeometry().size()) : smallest);
}

bool ContentView::isSidebarShown() const
{
    return !m_sidebarColumn->isHidden();
}

void ContentView::setSidebarShown(bool shown)
{
    m_sidebarColumn->setVisible(shown);
    m_sidebarAction->setText(shown ? QStringLiteral("Masquer la barre latérale")
                                   : QStringLiteral("Afficher la barre latérale"));
    // The commands stay reachable from the keyboard through the menu: a hidden sidebar gives
    // its focus back to the screen.
    if (!shown && m_sidebar->hasFocus() && m_screen)
        m_screen->setFocus(Qt::OtherFocusReason);
    updateMinimumSize();
    if (QSettings* settings = m_delegate ? m_delegate->settings() : nullptr)
        settings->setValue(QStringLiteral("mainWindow/sidebarShown"), shown);
}

void ContentView::askToLeave(std::function<void()> proceed)
{
    // A new-rental sheet open over the window asks about its typed work first.
    if (FeuilleNouvelleLocation* feuille = FeuilleNouvelleLocation::ouverteSur(this)) {
        QPointer<ContentView> self(this);
        feuille->askToLeave([self, proceed = std::move(proceed)]() mutable {
            if (self)
                self->askToLeave(std::move(proceed));
        });
        return;
    }
    if (forms::ListDetailBase* editor = unsavedEditor())
        editor->leaveEditor(std::move(proceed));
    else if (proceed)
        proceed();
}

void ContentView::closeAnswered()
{
    m_closeApproved = true;
    if (!close())
        m_closeApproved = false;
}

forms::ListDetailBase* ContentView::unsavedEditor() const
{
    if (!m_screen)
        return nullptr;
    const QList<forms::ListDetailBase*> screens = m_screen->findChildren<forms::ListDetailBase*>();
    for (forms::ListDetailBase* s : screens)
        if (s->hasUnsavedChanges())
            return s;
    return nullptr;
}

void ContentView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // Once the splitter has shared out the new width.
    QTimer::singleShot(0, this, &ContentView::fitSidebar);
}

void ContentView::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        QTimer::singleShot(0, this, &ContentView::fitSidebar);
}

void ContentView::fitSidebar()
{
    const QList<int> sizes = m_split->sizes();
    if (!isSidebarShown() || sizes.size() < 2)
        return;
    // A row: its icon and title between the style's margins (the rows give no width of their own).
    const QStyle* style = m_sidebar->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_sidebar) + 1;
    int titles = 0;
    for (int i = 0; i < m_sidebar->count(); ++i) {
        QListWidgetItem* item = m_sidebar->item(i);
        const QWidget* shown = m_sidebar->itemWidget(item);
        titles = std::max(titles, shown ? shown->sizeHint().width()
                                        : m_sidebar->fontMetrics().horizontalAdvance(item->text())
                                              + m_sidebar->iconSize().width() + 6 * margin);
    }
    titles += 2 * m_sidebar->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_sidebar);
    const int needed = std::min(titles, m_sidebarColumn->maximumWidth());
    // The screen keeps its room: the sidebar widens only into room beyond it, and gives back
    // what it took once the window narrows.
    int grow = std::min(needed - sizes[0], sizes[1] - kContentFloor.width());
    if (grow < 0)
        grow = -std::min(m_sidebarWidened, -grow);
    if (grow != 0) {
        m_sidebarWidened = std::max(0, m_sidebarWidened + grow);
        m_split->setSizes({sizes[0] + grow, sizes[1] - grow});
    }
}

void ContentView::closeEvent(QCloseEvent* event)
{
    // An editor holding typed work asks first (or, when the system ends the program, keeps what
    // can be saved); "Annuler" keeps the window open.
    if (!m_closeApproved) {
        if (forms::quitsWithoutQuestions()) {
            if (forms::ListDetailBase* editor = unsavedEditor())
                editor->keepChangesForQuit();
        } else if (forms::ListDetailBase* editor = unsavedEditor()) {
            event->ignore();
            QPointer<ContentView> self(this);
            editor->leaveEditor([self] {
                if (!self)
                    return;
                self->m_closeApproved = true;
                if (!self->close())
                    self->m_closeApproved = false;
            });
            return;
        }
    }
    m_closeApproved = false;
    if (QSettings* settings = m_delegate ? m_delegate->settings() : nullptr)
        saveWindowGeometry(this, *settings, QStringLiteral("mainWindow/geometry"));
    QMainWindow::closeEvent(event);
}

void ContentView::buildSidebar()
{
    const QList<Commande> all = toutesLesCommandes();
    auto addCommand = [this](Commande c) {
        auto* item = new QListWidgetItem(symbolIcon(symbole(c)), titre(c), m_sidebar);
        item->setData(kCommandRole, int(c));
        item->setData(Qt::AccessibleTextRole, spokenTitle(titre(c)));
        item->setSizeHint(QSize(0, 30));
    };
    for (Commande c : all)
        if (int(c) < int(Commande::bennes))
            addCommand(c);
    // The settings sub-heading: shown, never selectable.
    auto* reglages = new QListWidgetItem(m_sidebar);
    reglages->setFlags(Qt::NoItemFlags);
    reglages->setData(Qt::AccessibleTextRole, QStringLiteral("Réglages..."));
    QWidget* header = heading(QStringLiteral("gearshape"), QStringLiteral("Réglages..."), 20, 8, m_sidebar);
    reglages->setSizeHint(header->sizeHint());
    m_sidebar->setItemWidget(reglages, header);
    for (Commande c : all)
        if (int(c) >= int(Commande::bennes))
            addCommand(c);
}

void ContentView::setSelection(std::optional<Commande> commande)
{
    const bool same = commande == m_selection;
    m_selection = commande;
    // Mirror it in the sidebar.
    m_syncingSidebar = true;
    m_sidebar->clearSelection();
    for (int row = 0; row < m_sidebar->count(); ++row) {
        QListWidgetItem* item = m_sidebar->item(row);
        const QVariant v = item->data(kCommandRole);
        if (commande && v.isValid() && v.toInt() == int(*commande)) {
            item->setSelected(true);
            m_sidebar->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
    }
    m_syncingSidebar = false;
    if (!same)
        showDetail();
}

void ContentView::onSidebarSelectionChanged()
{
    if (m_syncingSidebar)
        return;
    const QList<QListWidgetItem*> selected = m_sidebar->selectedItems();
    std::optional<Commande> next;
    if (!selected.isEmpty() && selected.first()->data(kCommandRole).isValid())
        next = Commande(selected.first()->data(kCommandRole).toInt());
    if (next == m_selection)
        return;
    if (forms::ListDetailBase* editor = unsavedEditor()) {
        // The sidebar shows the screen's command again while the question is open.
        setSelection(m_selection);
        QPointer<ContentView> self(this);
        editor->leaveEditor([self, next] {
            if (self)
                self->setSelection(next);
        });
        return;
    }
    m_selection = next;
    showDetail();
}

void ContentView::showDetail()
{
    if (m_screen) {
        m_detailLayout->removeWidget(m_screen);
        m_screen->hide();
        m_screen->deleteLater();
        m_screen = nullptr;
    }
    if (m_selection) {
        m_screen = createScreen(*m_selection, m_inputs, m_detail);
    } else {
        auto* none = new QLabel(QStringLiteral("Choisis une commande"), m_detail);
        none->setObjectName(QStringLiteral("noSelection"));
        none->setAlignment(Qt::AlignCenter);
        m_screen = none;
    }
    // Named by its command, as a pane of its own: a screen reader says which screen the keys
    // went into after a command switch.
    m_screen->setProperty(kScreenPane, true);
    if (m_screen->accessibleName().isEmpty())
        m_screen->setAccessibleName(m_selection ? spokenTitle(titre(*m_selection)) : QStringLiteral("Aucune commande"));
    m_detailLayout->addWidget(m_screen);
    m_screen->show();
    // Every screen opens at its top left corner, whatever the last one was scrolled to.
    m_detailArea->horizontalScrollBar()->setValue(0);
    m_detailArea->verticalScrollBar()->setValue(0);
    showScreenActions();
    m_recentrer->setVisible(m_selection == Commande::defaut);
    m_zoomBennes->setVisible(m_selection == Commande::cartebenneslouees);
    // The list screens' split positions are kept from one run to the next.
    if (m_selection && m_delegate)
        for (QSplitter* split : m_screen->findChildren<QSplitter*>(QStringLiteral("listSplit")))
            keepSplitterState(split, m_delegate->settings(),
                              QStringLiteral("screens/%1/splitter").arg(int(*m_selection)));
    setScreenTitle(this, m_selection ? QStringLiteral("Kestrovan — %1").arg(titre(*m_selection))
                                     : QStringLiteral("Kestrovan"));
}

void ContentView::showScreenActions()
{
    // The previous screen's commands leave with it; the shown screen's stand in the bar.
    for (QAction* action : std::as_const(m_screenActions))
        m_toolbar->removeAction(action);
    m_screenActions = toolbarActions(m_screen);
    for (QAction* action : std::as_const(m_screenActions)) {
        m_toolbar->insertAction(m_screenActionsEnd, action);
        if (QWidget* button = m_toolbar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    }
}

void ContentView::forgetDeletedSelections()
{
    // A selection must never point at a record that is gone.
    if (Client* c = m_inputs.selectedClient.get(); c && c->isDeleted())
        m_inputs.selectedClient.set(nullptr);
    if (LocationDeBenne* l = m_inputs.selectedLocation.get(); l && l->isDeleted())
        m_inputs.selectedLocation.set(nullptr);
    auto clientExists = [this](const std::optional<QUuid>& id) {
        return !id || m_context->find<Client>(*id) != nullptr;
    };
    if (!clientExists(m_inputs.selectedClientID.get()))
        m_inputs.selectedClientID.set(std::nullopt);
    if (!clientExists(m_inputs.bennesReadyForClientID.get()))
        m_inputs.bennesReadyForClientID.set(std::nullopt);
}

QList<ContentView*> ContentView::windows()
{
    return madeWindows();
}

ContentView::~ContentView()
{
    madeWindows().removeOne(this);
    setScreenTitle(this, QString());
    releaseFocusWithin(this);
    // The style keeps pictures of what it drew (scroll bars, frames) under keys that hold the
    // palettes of this window's widgets: nothing will ask for them again, yet they would stay
    // until the shared cache reaches its limit of megabytes, a few kilobytes a window. Let go
    // of the cache: the windows left draw theirs again at their next paint.
    QPixmapCache::clear();
}

} // namespace kv
