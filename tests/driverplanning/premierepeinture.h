#pragma once

// What a screen shows at its first paint: `lire` is called when `widget` is first painted, before
// the paint, so that a test can compare it with what the screen shows once everything has
// settled.

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>

template <class T>
class PremierePeinture : public QObject {
public:
    PremierePeinture(QWidget* widget, std::function<T()> lire) : m_lire(std::move(lire))
    {
        widget->installEventFilter(this);
    }
    bool peinte() const { return m_peinte; }
    const T& vu() const { return m_vu; }

protected:
    bool eventFilter(QObject* objet, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_peinte) {
            m_peinte = true;
            m_vu = m_lire();
            objet->removeEventFilter(this);
        }
        return false;
    }

private:
    std::function<T()> m_lire;
    bool m_peinte = false;
    T m_vu{};
};
