#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kv {

class ModelContext;

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
    friend class StoreFile;
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
    std::optional<qint64> name##Ms() const { return d.name; }            \
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
