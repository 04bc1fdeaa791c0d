#include "windowkey.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace kv::forms {

WindowKey::WindowKey(QWidget* owner, const QKeySequence& keys, std::function<void()> action,
                     std::function<bool()> enabled)
    : QObject(owner), m_owner(owner), m_keys(keys), m_action(std::move(action)),
      m_enabled(std::move(enabled))
{
    owner->installEventFilter(this);
    follow(owner->window());
}

void WindowKey::follow(QWidget* window)
{
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    // The owner hears the keys itself when it is the window.
    if (m_window && m_window != m_owner)
        m_window->installEventFilter(this);
}

bool WindowKey::matches(const QKeyEvent* key) const
{
    if (m_keys.isEmpty())
        return false;
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const QKeyCombination pressed(mods, Qt::Key(key->key()));
    if (pressed == m_keys[0])
        return true;
    // Return and the keypad's Enter are one key to a user.
    if (key->key() == Qt::Key_Enter)
        return QKeyCombination(mods, Qt::Key_Return) == m_keys[0];
    return false;
}

bool WindowKey::eventFilter(QObject* watched, QEvent* event)
{
    // The window is known for sure once the owner is shown (its ancestors may change before).
    if (watched == m_owner && (event->type() == QEvent::ParentChange || event->type() == QEvent::Show))
        follow(m_owner->window());
    if ((watched == m_window || watched == m_owner)
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (matches(key) && m_owner->isVisible() && (!m_enabled || m_enabled())) {
            // Taking the override keeps the keys from the window's shortcuts; the key press
            // that follows does the work.
            event->accept();
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat() && m_action) {
                const std::function<void()> action = m_action; // the owner may go meanwhile
                action();
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kv::forms
