#pragma once

// What a screen must keep in the window's smallest content area (about 536 x 400): the screen
// stands in a scroll area as in the main window, nothing scrolls sideways, every button and field
// is whole in view, every label is whole or cut with "…" and its whole text in its tool tip.

#include "shownpart.h"
#include "widgets/elidedlabel.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/listpanel.h"
#include "widgets/plaintext.h"

#include <QAbstractItemView>
#include <QListView>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace fit {

// The content area of the smallest window.
inline constexpr QSize kSmallest(536, 400);
// The content area of the window's default size.
inline constexpr QSize kWide(980, 700);

// A window holding `screen` in a scroll area the way the main window holds its screens.
class Host : public QWidget {
public:
    explicit Host(QWidget* screen, QSize size = kSmallest)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_area = new QScrollArea(this);
        m_area->setObjectName(QStringLiteral("detailArea"));
        m_area->setFrameShape(QFrame::NoFrame);
        m_area->setWidgetResizable(true);
        m_area->setWidget(screen);
        layout->addWidget(m_area);
        resize(size);
        show();
        if (!QTest::qWaitForWindowExposed(this))
            qWarning("host not exposed");
        settle();
    }
    QScrollArea* area() const { return m_area; }

    // Layouts answer in turns (a field that widens asks its section, which asks the form), and
    // what an event handles may ask for another layout: rounds of the pending events and layout
    // requests run until one of them moves, resizes or lays out nothing. A busy machine only
    // spreads the same events over more rounds, so the answer does not depend on its load.
    static void settle()
    {
        struct Watch : QObject {
            int changes = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                const QEvent::Type t = e->type();
                changes += t == QEvent::LayoutRequest || t == QEvent::Resize || t == QEvent::Move
                    || t == QEvent::Show || t == QEvent::Hide || t == QEvent::Polish;
                return false;
            }
        } watch;
        QCoreApplication::instance()->installEventFilter(&watch);
        constexpr int kMostRounds = 100;
        for (int round = 0; round < kMostRounds; ++round) {
            watch.changes = 0;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            if (round > 0 && watch.changes == 0)
                break;
        }
        QCoreApplication::instance()->removeEventFilter(&watch);
    }

private:
    QScrollArea* m_area = nullptr;
};

using fixtures::shownPart;

inline QString name(const QWidget* w)
{
    QString path;
    for (const QWidget* p = w; p && path.size() < 100; p = p->parentWidget()) {
        const QString n = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                    : p->objectName();
        path = path.isEmpty() ? n : n + QLatin1Char('/') + path;
    }
    return path;
}

// Every fault of the window, one line each.
inline QStringList faults(QWidget* window)
{
    Host::settle();
    QStringList out;
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>()) {
        if (!area->isVisible() || !area->horizontalScrollBar()->isVisible() || qobject_cast<QTableView*>(area))
            continue;
        out << QStringLiteral("sideways scroll bar in %1 (%2 px for %3)")
                   .arg(name(area))
                   .arg(area->horizontalScrollBar()->maximum() + area->viewport()->width())
                   .arg(area->viewport()->width());
    }
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>())
        if (area->isVisible() && area->horizontalScrollBar()->value() != 0)
            out << QStringLiteral("%1 scrolled sideways by %2").arg(name(area)).arg(area->horizontalScrollBar()->value());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w)
            && !qobject_cast<QPlainTextEdit*>(w))
            continue;
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        const QRect shown = shownPart(w, window);
        if (shown.width() < w->width() || shown.height() < w->height()) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            out << QStringLiteral("%1 « %2 » out of view (%3 x %4 of %5 x %6 shown)")
                       .arg(name(w), b ? b->text() : QString())
                       .arg(shown.width()).arg(shown.height()).arg(w->width()).arg(w->height());
        }
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->window() != window || !label->pixmap().isNull())
            continue;
        const QString text = kv::shownText(label);
        if (text.isEmpty())
            continue;
        const bool wide = !label->wordWrap()
            && label->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0))
                > label->contentsRect().width() + 1;
        if (wide || shownPart(label, window).width() < label->width())
            out << QStringLiteral("label %1 cut: « %2 »").arg(name(label), text.left(40));
    }
    for (kv::ElidedLabel* label : window->findChildren<kv::ElidedLabel*>()) {
        if (!label->isVisible() || label->window() != window)
            continue;
        if (shownPart(label, window).width() < label->width())
            out << QStringLiteral("%1 out of view").arg(name(label));
        if (label->isElided() && kv::shownToolTip(label->toolTip()) != label->text())
            out << QStringLiteral("%1 cut without its tool tip").arg(name(label));
    }
    return out;
}

// Walks a list screen as a user does, in a content area of `size`: nothing chosen, its first row
// clicked, then a new record (Ctrl+N); returns every fault, each after the step that showed it.
// The host owns `screen` and deletes it on return.
// Watches what a window paints: a control painted while partly out of view is seen so by the
// user, if only for a moment, even when the layout then settles.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* window) : m_window(window) { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    QStringList seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = event->type() == QEvent::Paint ? qobject_cast<QWidget*>(watched) : nullptr;
        if (!w || w->window() != m_window || !w->isVisible()
            || !(qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)))
            return false;
        const QRect shown = shownPart(w, m_window);
        const QString fault = QStringLiteral("%1 painted partly out of view (%2 x %3 of %4 x %5)")
                                  .arg(name(w)).arg(shown.width()).arg(shown.height()).arg(w->width()).arg(w->height());
        if ((shown.width() < w->width() || shown.height() < w->height()) && !m_seen.contains(fault))
            m_seen << fault;
        return false;
    }

private:
    QWidget* m_window;
    QStringList m_seen;
};

inline QStringList listScreenFaults(QWidget* screen, QSize size = kSmallest)
{
    Host host(screen, size);
    PaintWatch painted(&host);
    QStringList out;
    auto check = [&](const QString& step) {
        for (const QString& f : faults(&host))
            out << step + QStringLiteral(": ") + f;
    };
    check(QStringLiteral("rien de choisi"));
    auto* panel = screen->findChild<kv::forms::ListPanel*>();
    if (panel && panel->rowCount() > 0) {
        QListView* view = panel->listView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        check(QStringLiteral("première ligne"));
    } else {
        out << QStringLiteral("no row to choose");
    }
    auto* pane = screen->findChild<kv::forms::DetailPane*>();
    QWidget* chosen = pane ? pane->editor() : nullptr;
    if (!chosen)
        out << QStringLiteral("première ligne: no editor");
    QTest::keyClick(panel ? static_cast<QWidget*>(panel->listView()) : &host, Qt::Key_N, Qt::ControlModifier);
    check(QStringLiteral("nouvel enregistrement"));
    // The editor of a new record: no row chosen any more (an editor may be reused for it).
    if (!pane || !pane->editor() || (panel && panel->selectedRecord()))
        out << QStringLiteral("nouvel enregistrement: no new editor");
    // A long text typed in each of its one-line fields widens nothing.
    QString text;
    while (text.size() < 300)
        text += QStringLiteral("Établissements <b>Dubois</b> / Démolition & Frères ");
    text.truncate(300);
    for (QLineEdit* field : pane ? pane->findChildren<QLineEdit*>() : QList<QLineEdit*>()) {
        if (!field->isVisible() || qobject_cast<QComboBox*>(field->parentWidget()))
            continue;
        field->setFocus();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
    }
    check(QStringLiteral("texte long tapé"));
    return out + painted.seen();
}

// True when `w` shows whole inside every scroll area around it, as it stands now (what lies
// below the fold counts as hidden here).
inline bool wholeInView(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(p->parentWidget());
        if (!area || area->viewport() != p)
            continue;
        const QRect r(w->mapTo(p, QPoint(0, 0)), w->size());
        if (!p->rect().contains(r))
            return false;
    }
    return true;
}

// Walks a list screen in the smallest content area as a user does: a record chosen, its editor
// scrolled to the bottom, then another record chosen, and again a new record (Ctrl+N from the
// editor's last field) and one letter typed. Each editor must open at its top with the field
// holding the focus in view, and the letter must land in that field. Returns what is wrong; the
// host owns `screen`.
inline QStringList newRecordsOpenAtTheirTop(QWidget* screen, QSize size = kSmallest)
{
    Host host(screen, size);
    QStringList out;
    auto* panel = screen->findChild<kv::forms::ListPanel*>();
    auto* pane = screen->findChild<kv::forms::DetailPane*>();
    if (!panel || !pane || panel->rowCount() < 2)
        return {QStringLiteral("two rows to choose are needed")};
    QListView* view = panel->listView();
    const auto choose = [&](int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
        Host::settle();
    };
    const auto editorAreas = [&] {
        QList<QScrollArea*> areas;
        if (pane->editor())
            for (QScrollArea* a : pane->editor()->findChildren<QScrollArea*>())
                if (a->isVisible() && a->verticalScrollBar()->maximum() > 0)
                    areas.append(a);
        return areas;
    };
    // Scrolls the editor to its bottom and puts the focus in its last one-line field.
    const auto scrollDown = [&](const QString& step) {
        const QList<QScrollArea*> areas = editorAreas();
        if (areas.isEmpty())
            out << step + QStringLiteral(": the editor does not scroll at this size");
        for (QScrollArea* a : areas)
            a->verticalScrollBar()->setValue(a->verticalScrollBar()->maximum());
        QLineEdit* last = nullptr;
        for (QLineEdit* e : pane->editor()->findChildren<QLineEdit*>())
            if (e->isVisible() && !e->isReadOnly() && !qobject_cast<QComboBox*>(e->parentWidget()))
                last = e;
        if (last) {
            last->setFocus();
            Host::settle();
        }
        return last;
    };
    const auto atTop = [&](const QString& step) {
        Host::settle();
        for (QScrollArea* a : editorAreas())
            if (a->verticalScrollBar()->value() != a->verticalScrollBar()->minimum())
                out << QStringLiteral("%1: %2 left scrolled down by %3")
                           .arg(step, name(a))
                           .arg(a->verticalScrollBar()->value());
    };

    choose(0);
    scrollDown(QStringLiteral("premier enregistrement"));
    choose(1);
    atTop(QStringLiteral("autre enregistrement"));

    QLineEdit* last = scrollDown(QStringLiteral("autre enregistrement"));
    QTest::keyClick(last ? static_cast<QWidget*>(last) : view, Qt::Key_N, Qt::ControlModifier);
    atTop(QStringLiteral("nouvel enregistrement"));
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !pane->editor() || !pane->editor()->isAncestorOf(focus)) {
        out << QStringLiteral("nouvel enregistrement: the focus is not in the editor");
        return out;
    }
    if (!wholeInView(focus))
        out << QStringLiteral("nouvel enregistrement: %1, which has the focus, is out of view").arg(name(focus));
    if (auto* field = qobject_cast<QLineEdit*>(focus)) {
        QTest::keyClick(field, Qt::Key_K);
        if (!field->text().contains(QLatin1Char('K'), Qt::CaseInsensitive))
            out << QStringLiteral("nouvel enregistrement: the letter typed went elsewhere");
        Host::settle();
        if (!wholeInView(field))
            out << QStringLiteral("nouvel enregistrement: the field typed in is out of view");
    }
    return out;
}

// True when every visible form of `root` has its labels beside its fields.
inline bool labelsBesideFields(QWidget* root)
{
    int forms = 0;
    for (QLayout* l : root->findChildren<QLayout*>()) {
        auto* rows = dynamic_cast<kv::forms::FormRowsLayout*>(l);
        if (!rows || !rows->parentWidget() || !rows->parentWidget()->isVisible())
            continue;
        ++forms;
        if (!rows->labelsBeside())
            return false;
    }
    return forms > 0;
}

// A list screen in a wide content area with its first row chosen: the editor's labels beside
// their fields and no fault; returns what is wrong. The host owns `screen`.
inline QStringList wideEditorFaults(QWidget* screen)
{
    Host host(screen, kWide);
    auto* panel = screen->findChild<kv::forms::ListPanel*>();
    if (!panel || panel->rowCount() == 0)
        return {QStringLiteral("no row to choose")};
    QListView* view = panel->listView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
    Host::settle();
    auto* pane = screen->findChild<kv::forms::DetailPane*>();
    if (!pane || !pane->editor())
        return {QStringLiteral("no editor")};
    QStringList out = faults(&host);
    if (!labelsBesideFields(pane->editor()))
        out << QStringLiteral("labels not beside their fields");
    return out;
}

} // namespace fit
