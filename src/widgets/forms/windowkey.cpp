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
    follow();
}

void WindowKey::follow()
{
    for (const QPointer<QWidget>& a : std::as_const(m_ancestors))
        if (a)
            a->removeEventFilter(this);
    m_ancestors.clear();
    for (QWidget* a = m_owner->parentWidget(); a; a = a->parentWidget()) {
        a->installEventFilter(this);
        m_ancestors.append(a);
    }
    // The keys are heard by the window's filter (among the ancestors), or by the owner itself
    // when it is the window.
    m_window = m_owner->window();
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
    if (event->type() == QEvent::ParentChange || (watched == m_owner && event->type() == QEvent::Show))
        follow();
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
