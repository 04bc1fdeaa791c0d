#pragma once

// A value shared between the window that holds it and the screens it is handed to: both read
// and write it, and whoever listens hears of every change.

#include <QObject>

#include <memory>

namespace kv {

class ValueNotifier : public QObject {
    Q_OBJECT
signals:
    void valueChanged();
};

template <class T>
class Observable {
public:
    Observable() : m_shared(std::make_shared<Shared>()) {}
    explicit Observable(T initial) : m_shared(std::make_shared<Shared>())
    {
        m_shared->value = std::move(initial);
    }

    const T& get() const { return m_shared->value; }
    // Writes the value; listeners are told when it differs from the previous one.
    void set(const T& value)
    {
        if (m_shared->value == value)
            return;
        m_shared->value = value;
        emit m_shared->notifier.valueChanged();
    }

    // Calls `f` after each change, for as long as `receiver` lives.
    template <class F>
    QMetaObject::Connection onChange(const QObject* receiver, F&& f) const
    {
        return QObject::connect(&m_shared->notifier, &ValueNotifier::valueChanged, receiver,
                                std::forward<F>(f));
    }
    ValueNotifier* notifier() const { return &m_shared->notifier; }

    // Two handles share one value.
    bool sharesWith(const Observable& other) const { return m_shared == other.m_shared; }

private:
    struct Shared {
        T value{};
        ValueNotifier notifier;
    };
    std::shared_ptr<Shared> m_shared;
};

} // namespace kv
