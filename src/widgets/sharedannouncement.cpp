#include "sharedannouncement.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace kv {

namespace {
std::function<void(const QString&)> g_observer;
}

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
        // Outside every layout, one pixel at the corner, under the rest: present for the
        // accessibility tree (a hidden widget is not), never seen nor clicked.
        line = new QLabel(window);
        line->setObjectName(QLatin1String(kAnnouncementLine));
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->setFocusPolicy(Qt::NoFocus);
        line->setGeometry(0, 0, 1, 1);
        line->lower();
        line->show();
    }
    line->setAccessibleName(text);
    QAccessibleEvent alert(line, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void announceOutcomeAfterwards(QWidget* over, const QString& text)
{
    if (!over || text.isEmpty())
        return;
    QTimer::singleShot(0, over, [over = QPointer<QWidget>(over), text] { announceOutcome(over, text); });
}

} // namespace kv
