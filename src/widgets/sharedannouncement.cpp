#include "sharedannouncement.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace kv {

namespace {
std::function<void(const QString&)> g_observer;

// The status line to a reader: a notification, as a desktop's own; readers speak one as it
// shows, where a change of name alone on a line out of the keys' way goes unsaid.
QAccessibleInterface* statusLineAccessible(const QString&, QObject* object)
{
    auto* w = qobject_cast<QWidget*>(object);
    if (w && w->objectName() == QLatin1String(kAnnouncementLine))
        return new QAccessibleWidget(w, QAccessible::Notification);
    return nullptr;
}
} // namespace

void setAnnouncementObserver(std::function<void(const QString&)> observer)
{
    g_observer = std::move(observer);
}

void announceOutcome(QWidget* over, const QString& text)
{
    if (!over || text.isEmpty())
        return;
    if (g_observer)
        g_observer(text);
    if (!QAccessible::isActive())
        return;
    QWidget* window = over->window();
    auto* line = window->findChild<QLabel*>(QLatin1String(kAnnouncementLine), Qt::FindDirectChildrenOnly);
    if (!line) {
        // Installed before the line is first asked for: the interface asked first is kept.
        static const bool spoken = (QAccessible::installFactory(statusLineAccessible), true);
        Q_UNUSED(spoken);
        // Outside every layout, one pixel at the corner, under the rest: present for the
        // accessibility tree (a hidden widget is not), never seen nor clicked.
        line = new QLabel;
        line->setObjectName(QLatin1String(kAnnouncementLine)); // named before a reader meets it
        line->setParent(window);
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->setFocusPolicy(Qt::NoFocus);
        line->setGeometry(0, 0, 1, 1);
        line->lower();
    }
    line->setAccessibleName(text);
    // Shown again, so that a reader hears it as a notification appearing, each outcome anew.
    line->hide();
    line->show();
    QAccessibleEvent alert(line, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void announceOutcomeAfterwards(QWidget* over, const QString& text)
{
    if (!over || text.isEmpty())
        return;
    const QPointer<QWidget> target(over);
    const auto say = [target, text] {
        if (target)
            announceOutcome(target, text);
    };
    QWidget* window = over->window();
    if (!QAccessible::isActive() || window->isActiveWindow()) {
        QTimer::singleShot(0, over, say);
        return;
    }
    // A dialog closing over it: the window takes the keys back once the desktop activates it,
    // and a reader hears that first.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(qApp, &QApplication::focusChanged, over, [once, target, window, say](QWidget*, QWidget* now) {
        if (!target || !now || now->window() != window)
            return;
        QObject::disconnect(*once);
        QTimer::singleShot(0, target, say);
    });
}

} // namespace kv
