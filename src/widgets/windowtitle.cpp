#include "windowtitle.h"

#include "accessiblenames.h"

#include <QAccessible>
#include <QTimer>
#include <QVariant>
#include <QWidget>

namespace kv {

namespace {

const char* const kScreenTitle = "kvScreenTitle";
const char* const kPartTitle = "kvPartTitle";

} // namespace

QString spokenTitle(const QString& shown)
{
    // The arrows stand for a way out of the program: drawn, not read.
    QString spoken = shown;
    spoken.remove(QChar(0x2192));
    return spoken.trimmed();
}

void setScreenTitle(QWidget* window, const QString& title)
{
    if (title.isNull()) {
        window->setProperty(kScreenTitle, QVariant());
        return;
    }
    window->setProperty(kScreenTitle, title);
    updateWindowTitle(window);
}

void setPartTitle(QWidget* part, const QString& title)
{
    part->setProperty(kPartTitle, title.isEmpty() ? QVariant() : QVariant(title));
    QWidget* window = part->window();
    if (window != part && window->property(kScreenTitle).isValid())
        updateWindowTitle(window);
}

void partGone(QWidget* part)
{
    part->setProperty(kPartTitle, QVariant());
    QWidget* window = part->window();
    if (window == part || !window->property(kScreenTitle).isValid())
        return;
    // The window itself may be going: decided again once the event loop turns, if it stays.
    QTimer::singleShot(0, window, [window] { updateWindowTitle(window); });
}

void updateWindowTitle(QWidget* window)
{
    QString title = window->property(kScreenTitle).toString();
    // The part shown last in the window's order names what the user looks at.
    const QList<QWidget*> parts = window->findChildren<QWidget*>();
    for (QWidget* part : parts) {
        const QString own = part->property(kPartTitle).toString();
        if (!own.isEmpty() && part->isVisibleTo(window) && part->window() == window)
            title = own;
    }
    if (title == window->windowTitle())
        return;
    window->setWindowTitle(title);
    window->setAccessibleName(spokenTitle(title));
    // The frame's name is the title: a reader hears it change.
    QAccessibleEvent changed(window, QAccessible::NameChanged);
    tellReaders(&changed);
}

} // namespace kv
