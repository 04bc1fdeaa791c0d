#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <functional>
#include <memory>
#include <optional>

namespace kv {

class ModelContext;
struct StoreSchema;

// Every kind of record the store holds, in the order of its tables.
enum class EntityType : int {
    Client,
    Contact,
    Benne,
    DispositifSpecial,
    LocationDeBenne,
    BonDePesee,
    CentreTraitement,
    TypeDechet,
    Chauffeur,
    Qualification,
    Specialisation,
    Formation,
    FormationChauffeur,
    Disponibilite,
    HistoriqueEnvoiRapport,
    EmailChauffeurPreferences,
};
inline constexpr int kEntityTypeCount = 16;

// Dates are kept as milliseconds since the epoch; the getters hand out local QDateTime values.
QDateTime dateFromMs(qint64 ms);
qint64 msFromDate(const QDateTime& dt);

// An optional value kept in the room of the value alone, for the fields of the records a store
// holds by the hundred thousand: "none" is a value the field can never hold (a NaN of its own
// for numbers, the lowest integer for dates in milliseconds). Reads and writes like
// std::optional.
template <class T>
struct CompactNone;

template <>
struct CompactNone<double> {
    static constexpr quint64 kBits = 0x7ff4'6b76'6e6f'6e65ULL; // a signalling NaN no computation yields
    static double none() { return std::bit_cast<double>(kBits); }
    static bool isNone(double v) { return std::bit_cast<quint64>(v) == kBits; }
    static double present(double v) { return v; }
};

template <>
struct CompactNone<qint64> {
    static qint64 none() { return std::numeric_limits<qint64>::min(); }
    static bool isNone(qint64 v) { return v == std::numeric_limits<qint64>::min(); }
    static qint64 present(qint64 v) { return v; }
};

template <class T>
class Compact {
public:
    Compact() : m_v(CompactNone<T>::none()) {}
    Compact(std::nullopt_t) : Compact() {}
    Compact(const T& v) : m_v(CompactNone<T>::present(v)) {}
    Compact(const std::optional<T>& v) : m_v(v ? CompactNone<T>::present(*v) : CompactNone<T>::none()) {}

    bool has_value() const { return !CompactNone<T>::isNone(m_v); }
    explicit operator bool() const { return has_value(); }
    const T& operator*() const { return m_v; }
    T value_or(const T& other) const { return has_value() ? m_v : other; }
    void reset() { m_v = CompactNone<T>::none(); }
    std::optional<T> get() const { return has_value() ? std::optional<T>(m_v) : std::nullopt; }
    operator std::optional<T>() const { return get(); }

    friend bool operator==(const Compact& a, const Compact& b)
    {
        return a.has_value() == b.has_value() && (!a.has_value() || a.m_v == b.m_v);
    }
    friend bool operator==(const Compact& a, const std::optional<T>& b) { return a == Compact(b); }

private:
    T m_v;
};

// An optional text in one pointer: its UTF-8 bytes (as the store keeps them) after their
// length, in a block of its own; null when absent. An empty text is a block of length 0.
template <>
class Compact<QString> {
public:
    Compact() = default;
    Compact(std::nullopt_t) {}
    Compact(const QString& v) { assign(v.toUtf8()); }
    Compact(const std::optional<QString>& v)
    {
        if (v)
            assign(v->toUtf8());
    }
    Compact(const Compact& o)
    {
        if (o.m_p)
            assign(QByteArrayView(o.bytes(), o.length()));
    }
    Compact(Compact&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    Compact& operator=(Compact o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~Compact() { std::free(m_p); }

    bool has_value() const { return m_p != nullptr; }
    explicit operator bool() const { return has_value(); }
    QString operator*() const { return m_p ? QString::fromUtf8(bytes(), length()) : QString(); }
    QString value_or(const QString& other) const { return m_p ? **this : other; }
    void reset() { *this = Compact(); }
    std::optional<QString> get() const { return m_p ? std::optional<QString>(**this) : std::nullopt; }
    operator std::optional<QString>() const { return get(); }
    // The bytes as they go to and from the store.
    static Compact fromUtf8(QByteArrayView utf8)
    {
        Compact c;
        c.assign(utf8);
        return c;
    }
    QByteArrayView utf8() const { return m_p ? QByteArrayView(bytes(), length()) : QByteArrayView(); }

    friend bool operator==(const Compact& a, const Compact& b)
    {
        if (!a.m_p || !b.m_p)
            return a.m_p == b.m_p;
        return a.length() == b.length() && std::memcmp(a.bytes(), b.bytes(), size_t(a.length())) == 0;
    }
    friend bool operator==(const Compact& a, const std::optional<QString>& b)
    {
        if (!a.m_p || !b)
            return !a.m_p && !b;
        return QByteArrayView(a.bytes(), a.length()) == b->toUtf8();
    }

private:
    void assign(QByteArrayView utf8)
    {
        const quint32 n = quint32(utf8.size());
        m_p = static_cast<char*>(std::malloc(sizeof n + n));
        if (!m_p)
            throw std::bad_alloc();
        std::memcpy(m_p, &n, sizeof n);
        if (n)
            std::memcpy(m_p + sizeof n, utf8.data(), n);
    }
    qsizetype length() const
    {
        quint32 n;
        std::memcpy(&n, m_p, sizeof n);
        return qsizetype(n);
    }
    const char* bytes() const { return m_p + sizeof(quint32); }

    char* m_p = nullptr;
};

// Base of every persisted record.
//
// A record belongs to at most one ModelContext, which owns it from the moment it enters the
// context (insert(), or a link to a record that already belongs to one). A record that never
// enters a context is owned by whoever created it. Records are never freed while their context
// lives: a deleted record stays allocated, flagged deleted, so pointers held by screens stay valid.
class Record {
public:
    virtual ~Record() = default;
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    virtual EntityType entityType() const = 0;

    ModelContext* modelContext() const { return m_context; }
    // Stable identifier of the stored record; 0 while the record belongs to no context.
    qint64 persistentModelID() const { return m_pk; }
    // Deleted from its context (pending or saved).
    bool isDeleted() const { return m_state == State::Deleted || m_state == State::Gone; }
    // Inserted and not yet saved.
    bool isPendingInsertion() const { return m_state == State::Inserted; }

    // Deletes a record that never entered a context; does nothing for a record owned by one.
    static void disposeIfFree(Record* r);

    // Called by every setter before it writes: records the change with the context.
    void aboutToChange();
    // A list derived from the other ends of a relationship changed (a contact joined this
    // client): not a stored change, but listeners are told the record changed.
    void derivedListChanged();
    // Two records were linked: a record that belongs to no context joins the other's.
    static void joinContexts(Record* a, Record* b);

protected:
    Record() = default;

    // Rollback support: a copy of the stored values, and its restoration.
    virtual std::shared_ptr<void> snapshotValues() const = 0;
    virtual void restoreValues(const std::shared_ptr<void>& snapshot) = 0;

private:
    friend class ModelContext;
    friend struct StoreSchema;
    enum class State : quint8 { Free, Inserted, Stored, Deleted, Gone };
    ModelContext* m_context = nullptr;
    qint64 m_pk = 0;
    State m_state = State::Free;
    bool m_dirty = false;
    bool m_wasStoredBeforeDelete = false;
    quint8 m_notice = 0; // how the record figures in the change notice being gathered
};

// Monotonic counter giving the position of a record in the to-many list it was last added to.
qint64 nextListOrder();
void ensureListOrderAbove(qint64 value);

} // namespace kv

// Declares a getter and a setter for one stored value kept in the member `d` of the record.
#define KV_FIELD(Type, name, Setter)                                     \
public:                                                                  \
    const Type& name() const { return d.name; }                          \
    void Setter(const Type& v)                                           \
    {                                                                    \
        if (d.name == v)                                                 \
            return;                                                      \
        aboutToChange();                                                 \
        d.name = v;                                                      \
    }

// The same for an optional value kept compact in `d` (see Compact): read by value.
#define KV_COMPACT_FIELD(Type, name, Setter)                             \
public:                                                                  \
    std::optional<Type> name() const { return d.name.get(); }            \
    void Setter(const std::optional<Type>& v)                            \
    {                                                                    \
        if (d.name == v)                                                 \
            return;                                                      \
        aboutToChange();                                                 \
        d.name = v;                                                      \
    }

// Declares a date getter/setter over milliseconds kept in `d`.
#define KV_DATE(name, Setter)                                            \
public:                                                                  \
    QDateTime name() const { return ::kv::dateFromMs(d.name); }          \
    qint64 name##Ms() const { return d.name; }                           \
    void Setter(const QDateTime& v)                                      \
    {                                                                    \
        const qint64 ms = ::kv::msFromDate(v);                           \
        if (d.name == ms)                                                \
            return;                                                      \
        aboutToChange();                                                 \
        d.name = ms;                                                     \
    }

#define KV_OPTIONAL_DATE(name, Setter)                                   \
public:                                                                  \
    std::optional<QDateTime> name() const                                \
    {                                                                    \
        if (!d.name)                                                     \
            return std::nullopt;                                         \
        return ::kv::dateFromMs(*d.name);                                \
    }                                                                    \
    std::optional<qint64> name##Ms() const                              \
    {                                                                    \
        return std::optional<qint64>(d.name);                            \
    }                                                                    \
    void Setter(const std::optional<QDateTime>& v)                       \
    {                                                                    \
        std::optional<qint64> ms;                                        \
        if (v)                                                           \
            ms = ::kv::msFromDate(*v);                                   \
        if (d.name == ms)                                                \
            return;                                                      \
        aboutToChange();                                                 \
        d.name = ms;                                                     \
    }

// Snapshot support for a record whose stored values all live in `d`.
#define KV_SNAPSHOT                                                                  \
protected:                                                                           \
    std::shared_ptr<void> snapshotValues() const override                            \
    {                                                                                \
        return std::make_shared<Data>(d);                                            \
    }                                                                                \
    void restoreValues(const std::shared_ptr<void>& s) override                      \
    {                                                                                \
        d = *std::static_pointer_cast<Data>(s);                                      \
    }
