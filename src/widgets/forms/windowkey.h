#pragma once

// A key that belongs to a part of a window while that part is shown: Ctrl+N presses a list's
// "Ajouter", Ctrl+Escape cancels an editor. It takes precedence over the window's own shortcuts
// bound to the same keys (two shortcuts bound to one key in a window would trigger neither), and
// it never fires while an open list, menu or dialog holds the keyboard: those are windows of
// their own, so Escape there closes only them.

#include <QKeySequence>
#include <QObject>
#include <QList>
#include <QPointer>

#include <functional>

class QKeyEvent;
class QWidget;

namespace kv::forms {

class WindowKey : public QObject {
    Q_OBJECT
public:
    // `action` runs when the keys are pressed while `owner` is visible and `enabled` (when given)
    // says yes. The object is a child of `owner`.
    WindowKey(QWidget* owner, const QKeySequence& keys, std::function<void()> action,
              std::function<bool()> enabled = {});

    QKeySequence keys() const { return m_keys; }
    void setKeys(const QKeySequence& keys) { m_keys = keys; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool matches(const QKeyEvent* key) const;
    // Listens to the owner's window for the keys, and to every ancestor between them for a
    // change of parent: an owner wrapped in a widget before that widget finds its place (a
    // scroll area around an editor) ends in another window than the one it started in.
    void follow();

    QWidget* m_owner;
    QKeySequence m_keys;
    std::function<void()> m_action;
    std::function<bool()> m_enabled;
    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_ancestors;
};

} // namespace kv::forms
