#include "modelcontext.h"

#include "storefile.h"

#include <QMetaObject>

#include <atomic>
#include <cstdio>

namespace kv {

// ---------------------------------------------------------------------------------------------
// Record

namespace {
std::atomic<qint64> g_listOrder{0};

// How a record figures in the change notice being gathered (Record::m_notice).
enum NoticeKind : quint8 { NotNoticed = 0, NoticedInserted, NoticedModified, NoticedDeleted };
}

qint64 nextListOrder()
{
    return ++g_listOrder;
}

void ensureListOrderAbove(qint64 value)
{
    qint64 cur = g_listOrder.load();
    while (cur < value && !g_listOrder.compare_exchange_weak(cur, value)) {
    }
}

QDateTime dateFromMs(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms);
}

qint64 msFromDate(const QDateTime& dt)
{
    return dt.isValid() ? dt.toMSecsSinceEpoch() : 0;
}

void Record::aboutToChange()
{
    if (m_context && m_state != State::Gone)
        m_context->noteChange(this);
}

void Record::derivedListChanged()
{
    if (m_context && m_state != State::Gone && m_state != State::Free) {
        m_context->noteForNotice(this, NoticedModified);
        m_context->scheduleChanged();
    }
}

void Record::joinContexts(Record* a, Record* b)
{
    if (!a || !b)
        return;
    if (a->m_context && !b->m_context)
        a->m_context->insert(b);
    else if (b->m_context && !a->m_context)
        b->m_context->insert(a);
}

void Record::disposeIfFree(Record* r)
{
    if (r && !r->m_context)
        delete r;
}

// ---------------------------------------------------------------------------------------------
// ModelChanges

ModelChanges ModelChanges::everything()
{
    static const std::shared_ptr<const Data> all = [] {
        auto d = std::make_shared<Data>();
        d->everything = true;
        return d;
    }();
    ModelChanges c;
    c.m_d = all;
    return c;
}

const std::vector<Record*>& ModelChanges::empty()
{
    static const std::vector<Record*> none;
    return none;
}

// ---------------------------------------------------------------------------------------------
// ModelContext

ModelContext::ModelContext(std::unique_ptr<StoreFile> file) : m_file(std::move(file))
{
    m_autosaveTimer.setSingleShot(true);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &ModelContext::autosaveNow);
}

ModelContext::~ModelContext() = default;

std::unique_ptr<ModelContext> ModelContext::open(const QString& path, QString* error,
                                                 OpenFailure* failure)
{
    QString err;
    OpenFailure kind = OpenFailure::None;
    auto file = StoreFile::open(path, &err, &kind);
    if (!file) {
        if (error)
            *error = err;
        if (failure)
            *failure = kind;
        return nullptr;
    }
    std::unique_ptr<ModelContext> ctx(new ModelContext(std::move(file)));
    if (!ctx->m_file->load(*ctx, &err)) {
        if (error)
            *error = err;
        if (failure)
            *failure = OpenFailure::Damaged;
        return nullptr;
    }
    if (!ctx->m_file->finishOpening(&err)) {
        if (error)
            *error = err;
        if (failure)
            *failure = OpenFailure::CannotOpen;
        return nullptr;
    }
    if (failure)
        *failure = OpenFailure::None;
    return ctx;
}

QString ModelContext::filePath() const
{
    return m_file->path();
}

const std::vector<Record*>& ModelContext::liveRecords(EntityType type) const
{
    const int i = int(type);
    if (m_needsCompaction[i]) {
        std::erase_if(m_live[i], [](Record* r) { return r->isDeleted(); });
        m_needsCompaction[i] = false;
    }
    return m_live[i];
}

void ModelContext::adopt(Record* r, bool fromStore)
{
    r->m_context = this;
    m_owned.emplace_back(r);
    m_live[int(r->entityType())].push_back(r);
    if (fromStore) {
        r->m_state = Record::State::Stored;
        if (r->m_pk >= m_nextPk)
            m_nextPk = r->m_pk + 1;
        return;
    }
    r->m_pk = m_nextPk++;
    r->m_state = Record::State::Inserted;
    r->m_dirty = true;
    m_pending.push_back(r);
    noteForNotice(r, NoticedInserted);
    ++m_generation;
    scheduleChanged();
}

void ModelContext::insert(Record* record)
{
    if (!record)
        return;
    if (record->m_context) {
        if (record->m_context != this)
            qWarning("kestrovan: a record of another store cannot be inserted here");
        return;
    }
    adopt(record, false);
    record->forEachRelated([this](Record* other) {
        if (other && !other->m_context)
            insert(other);
    });
}

void ModelContext::noteChange(Record* r)
{
    ++m_generation;
    if (!r->m_dirty) {
        r->m_dirty = true;
        if (r->m_state == Record::State::Stored)
            m_snapshots.emplace_back(r, r->snapshotValues());
        m_pending.push_back(r);
    }
    noteForNotice(r, NoticedModified);
    scheduleChanged();
}

void ModelContext::noteForNotice(Record* r, quint8 kind)
{
    const quint8 current = r->m_notice;
    if (current == NotNoticed)
        m_noticeRecords.push_back(r);
    if (kind == NoticedDeleted)
        r->m_notice = NoticedDeleted;
    else if (kind == NoticedInserted)
        // Deleted and brought back within one turn: listeners saw it before, it changed.
        r->m_notice = current == NoticedDeleted ? quint8(NoticedModified)
                                                : (current == NotNoticed ? quint8(NoticedInserted) : current);
    else if (current == NotNoticed)
        r->m_notice = NoticedModified;
}

void ModelContext::noteRelatedForNotice(Record* r)
{
    r->forEachRelated([this](Record* other) {
        if (other && other->m_context == this && other->m_state != Record::State::Gone)
            noteForNotice(other, NoticedModified);
    });
}

void ModelContext::scheduleChanged()
{
    if (m_changedScheduled)
        return;
    m_changedScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changedScheduled = false;
            emitChanged();
            if (m_autosave && hasChanges())
                m_autosaveTimer.start();
        },
        Qt::QueuedConnection);
}

void ModelContext::emitChanged()
{
    auto d = std::make_shared<ModelChanges::Data>();
    for (Record* r : m_noticeRecords) {
        d->types |= entityBit(r->entityType());
        switch (r->m_notice) {
        case NoticedInserted:
            d->inserted.push_back(r);
            break;
        case NoticedModified:
            d->modified.push_back(r);
            break;
        case NoticedDeleted:
            d->deleted.push_back(r);
            break;
        default:
            break;
        }
        r->m_notice = NotNoticed;
    }
    m_noticeRecords.clear();
    ModelChanges changes;
    changes.m_d = std::move(d);
    emit changed(changes);
}

Record* ModelContext::recordForPersistentID(qint64 pk) const
{
    if (pk <= 0)
        return nullptr;
    // m_owned is in increasing persistent-identifier order.
    auto it = std::lower_bound(m_owned.begin(), m_owned.end(), pk,
                               [](const std::unique_ptr<Record>& r, qint64 v) { return r->m_pk < v; });
    if (it == m_owned.end() || (*it)->m_pk != pk || (*it)->isDeleted())
        return nullptr;
    return it->get();
}

bool ModelContext::hasChanges() const
{
    return !m_pending.empty();
}

void ModelContext::markDeleted(Record* r)
{
    noteChange(r); // snapshot first, while the record still holds its values
    noteRelatedForNotice(r); // the lists of the records it was linked to lose it
    noteForNotice(r, NoticedDeleted);
    r->m_wasStoredBeforeDelete = (r->m_state == Record::State::Stored);
    r->m_state = Record::State::Deleted;
    m_needsCompaction[int(r->entityType())] = true;
}

bool ModelContext::remove(Record* record, QString* error)
{
    if (!record || record->m_context != this || record->isDeleted())
        return true;
    if (record->entityType() == EntityType::Formation) {
        int uses = 0;
        for (Record* r : liveRecords(EntityType::FormationChauffeur))
            if (static_cast<FormationChauffeur*>(r)->formation() == record)
                ++uses;
        if (uses > 0) {
            if (error)
                *error = QStringLiteral("Cette formation est suivie par %1 chauffeur(s) : "
                                        "elle ne peut pas être supprimée.")
                             .arg(uses);
            return false;
        }
    }
    deleteRecursive(record);
    scheduleChanged();
    return true;
}

void ModelContext::deleteRecursive(Record* r)
{
    if (r->isDeleted())
        return;
    markDeleted(r);
    switch (r->entityType()) {
    case EntityType::Client: {
        auto* c = static_cast<Client*>(r);
        for (Contact* x : QList<Contact*>(c->m_contacts))
            deleteRecursive(x);
        for (LocationDeBenne* l : QList<LocationDeBenne*>(c->m_locations))
            deleteRecursive(l);
        // The client's report history goes with it.
        for (Record* h : std::vector<Record*>(liveRecords(EntityType::HistoriqueEnvoiRapport)))
            if (!h->isDeleted() && static_cast<HistoriqueEnvoiRapport*>(h)->client() == c)
                deleteRecursive(h);
        break;
    }
    case EntityType::Contact: {
        auto* x = static_cast<Contact*>(r);
        if (x->d.client)
            x->d.client->m_contacts.removeOne(x);
        break;
    }
    case EntityType::Benne: {
        auto* b = static_cast<Benne*>(r);
        for (LocationDeBenne* l : QList<LocationDeBenne*>(b->m_locations))
            deleteRecursive(l);
        break;
    }
    case EntityType::DispositifSpecial:
        for (Record* b : liveRecords(EntityType::Benne))
            if (!b->isDeleted() && static_cast<Benne*>(b)->dispositifSpecial() == r)
                static_cast<Benne*>(b)->setDispositifSpecial(nullptr);
        break;
    case EntityType::LocationDeBenne: {
        auto* l = static_cast<LocationDeBenne*>(r);
        for (BonDePesee* b : QList<BonDePesee*>(l->m_bonsDePesee))
            deleteRecursive(b);
        if (l->d.client)
            l->d.client->m_locations.removeOne(l);
        if (l->d.benne)
            l->d.benne->m_locations.removeOne(l);
        if (l->d.chauffeurPose)
            l->d.chauffeurPose->m_posesAssurees.removeOne(l);
        if (l->d.chauffeurEnlevement)
            l->d.chauffeurEnlevement->m_enlevementsAssures.removeOne(l);
        break;
    }
    case EntityType::BonDePesee: {
        auto* b = static_cast<BonDePesee*>(r);
        if (b->d.location)
            b->d.location->m_bonsDePesee.removeOne(b);
        break;
    }
    case EntityType::CentreTraitement: {
        auto* c = static_cast<CentreTraitement*>(r);
        for (TypeDechet* t : c->d.typesAcceptes) {
            t->aboutToChange();
            t->d.centres.removeAll(c);
        }
        break;
    }
    case EntityType::TypeDechet: {
        auto* t = static_cast<TypeDechet*>(r);
        for (CentreTraitement* c : t->d.centres) {
            c->aboutToChange();
            c->d.typesAcceptes.removeAll(t);
        }
        for (Record* l : liveRecords(EntityType::LocationDeBenne))
            if (!l->isDeleted() && static_cast<LocationDeBenne*>(l)->typeDechet() == t)
                static_cast<LocationDeBenne*>(l)->setTypeDechet(nullptr);
        break;
    }
    case EntityType::Chauffeur: {
        auto* c = static_cast<Chauffeur*>(r);
        for (LocationDeBenne* l : QList<LocationDeBenne*>(c->m_posesAssurees))
            l->setChauffeurPose(nullptr);
        for (LocationDeBenne* l : QList<LocationDeBenne*>(c->m_enlevementsAssures))
            l->setChauffeurEnlevement(nullptr);
        for (FormationChauffeur* f : QList<FormationChauffeur*>(c->m_formationsSuivies))
            f->setChauffeur(nullptr);
        break;
    }
    case EntityType::Qualification:
        for (Record* c : liveRecords(EntityType::Chauffeur))
            if (!c->isDeleted() && static_cast<Chauffeur*>(c)->qualification() == r)
                static_cast<Chauffeur*>(c)->setQualification(nullptr);
        break;
    case EntityType::Specialisation:
        for (Record* c : liveRecords(EntityType::Chauffeur)) {
            auto* ch = static_cast<Chauffeur*>(c);
            if (!ch->isDeleted() && ch->d.specialisations.contains(r)) {
                QList<Specialisation*> l = ch->d.specialisations;
                l.removeAll(static_cast<Specialisation*>(r));
                ch->setSpecialisations(l);
            }
        }
        break;
    case EntityType::Disponibilite:
        for (Record* c : liveRecords(EntityType::Chauffeur)) {
            auto* ch = static_cast<Chauffeur*>(c);
            if (!ch->isDeleted() && ch->d.disponibilites.contains(r)) {
                QList<Disponibilite*> l = ch->d.disponibilites;
                l.removeAll(static_cast<Disponibilite*>(r));
                ch->setDisponibilites(l);
            }
        }
        break;
    case EntityType::FormationChauffeur: {
        auto* f = static_cast<FormationChauffeur*>(r);
        if (f->d.chauffeur)
            f->d.chauffeur->m_formationsSuivies.removeOne(f);
        break;
    }
    case EntityType::Formation:
    case EntityType::HistoriqueEnvoiRapport:
    case EntityType::EmailChauffeurPreferences:
        break;
    }
}

bool ModelContext::save(QString* error)
{
    if (!m_injectedFailure.isEmpty()) {
        if (error)
            *error = m_injectedFailure;
        m_injectedFailure.clear();
        return false;
    }
    if (m_pending.empty())
        return true;
    QString err;
    if (!m_file->write(m_pending, &err)) {
        if (error)
            *error = err;
        return false;
    }
    for (Record* r : m_pending) {
        r->m_dirty = false;
        if (r->m_state == Record::State::Inserted)
            r->m_state = Record::State::Stored;
        else if (r->m_state == Record::State::Deleted)
            r->m_state = Record::State::Gone;
    }
    m_pending.clear();
    m_snapshots.clear();
    emit saved();
    return true;
}

void ModelContext::rebuildDerivedLists()
{
    for (auto& owned : m_owned) {
        Record* r = owned.get();
        switch (r->entityType()) {
        case EntityType::Client:
            static_cast<Client*>(r)->m_contacts.clear();
            static_cast<Client*>(r)->m_locations.clear();
            break;
        case EntityType::Benne:
            static_cast<Benne*>(r)->m_locations.clear();
            break;
        case EntityType::LocationDeBenne:
            static_cast<LocationDeBenne*>(r)->m_bonsDePesee.clear();
            break;
        case EntityType::Chauffeur:
            static_cast<Chauffeur*>(r)->m_posesAssurees.clear();
            static_cast<Chauffeur*>(r)->m_enlevementsAssures.clear();
            static_cast<Chauffeur*>(r)->m_formationsSuivies.clear();
            break;
        default:
            break;
        }
    }
    for (auto& owned : m_owned) {
        Record* r = owned.get();
        if (r->isDeleted())
            continue;
        switch (r->entityType()) {
        case EntityType::Contact: {
            auto* x = static_cast<Contact*>(r);
            if (x->d.client)
                x->d.client->m_contacts.append(x);
            break;
        }
        case EntityType::LocationDeBenne: {
            auto* l = static_cast<LocationDeBenne*>(r);
            if (l->d.client)
                l->d.client->m_locations.append(l);
            if (l->d.benne)
                l->d.benne->m_locations.append(l);
            if (l->d.chauffeurPose)
                l->d.chauffeurPose->m_posesAssurees.append(l);
            if (l->d.chauffeurEnlevement)
                l->d.chauffeurEnlevement->m_enlevementsAssures.append(l);
            break;
        }
        case EntityType::BonDePesee: {
            auto* b = static_cast<BonDePesee*>(r);
            if (b->d.location)
                b->d.location->m_bonsDePesee.append(b);
            break;
        }
        case EntityType::FormationChauffeur: {
            auto* f = static_cast<FormationChauffeur*>(r);
            if (f->d.chauffeur)
                f->d.chauffeur->m_formationsSuivies.append(f);
            break;
        }
        default:
            break;
        }
    }
    // Lists keep the order in which their records were added.
    auto sortBy = [](auto& list, auto ordOf) {
        bool sorted = true;
        for (qsizetype i = 1; i < list.size() && sorted; ++i)
            sorted = ordOf(list[i - 1]) <= ordOf(list[i]);
        if (!sorted)
            std::stable_sort(list.begin(), list.end(),
                             [&](auto* a, auto* b) { return ordOf(a) < ordOf(b); });
    };
    for (auto& owned : m_owned) {
        Record* r = owned.get();
        switch (r->entityType()) {
        case EntityType::Client:
            sortBy(static_cast<Client*>(r)->m_contacts, [](Contact* x) { return x->d.clientOrd; });
            sortBy(static_cast<Client*>(r)->m_locations,
                   [](LocationDeBenne* x) { return x->d.clientOrd; });
            break;
        case EntityType::Benne:
            sortBy(static_cast<Benne*>(r)->m_locations, [](LocationDeBenne* x) { return x->d.benneOrd; });
            break;
        case EntityType::LocationDeBenne:
            sortBy(static_cast<LocationDeBenne*>(r)->m_bonsDePesee,
                   [](BonDePesee* x) { return x->d.locationOrd; });
            break;
        case EntityType::Chauffeur:
            sortBy(static_cast<Chauffeur*>(r)->m_posesAssurees,
                   [](LocationDeBenne* x) { return x->d.chauffeurPoseOrd; });
            sortBy(static_cast<Chauffeur*>(r)->m_enlevementsAssures,
                   [](LocationDeBenne* x) { return x->d.chauffeurEnlevementOrd; });
            sortBy(static_cast<Chauffeur*>(r)->m_formationsSuivies,
                   [](FormationChauffeur* x) { return x->d.chauffeurOrd; });
            break;
        default:
            break;
        }
    }
}

void ModelContext::rollback()
{
    if (m_pending.empty())
        return;
    // Records linked to a pending record before and after the rollback see their lists change.
    for (Record* r : m_pending)
        noteRelatedForNotice(r);
    for (auto& [r, snapshot] : m_snapshots)
        r->restoreValues(snapshot);
    for (Record* r : m_pending) {
        r->m_dirty = false;
        if (r->m_state == Record::State::Inserted) {
            r->m_state = Record::State::Gone;
            noteForNotice(r, NoticedDeleted);
        } else if (r->m_state == Record::State::Deleted) {
            // A record inserted and deleted since the last save was told deleted already.
            r->m_state = r->m_wasStoredBeforeDelete ? Record::State::Stored : Record::State::Gone;
            if (r->m_state == Record::State::Stored)
                noteForNotice(r, NoticedInserted);
        } else {
            noteForNotice(r, NoticedModified);
        }
    }
    const std::vector<Record*> undone = std::move(m_pending);
    m_pending.clear();
    m_snapshots.clear();
    for (auto& v : m_live)
        v.clear();
    for (auto& owned : m_owned)
        if (!owned->isDeleted())
            m_live[int(owned->entityType())].push_back(owned.get());
    m_needsCompaction.fill(false);
    // Many-to-many and one-way lists were restored with their records; drop what no longer lives.
    for (Record* r : m_live[int(EntityType::CentreTraitement)])
        static_cast<CentreTraitement*>(r)->d.typesAcceptes.removeIf(
            [](Record* t) { return t->isDeleted(); });
    for (Record* r : m_live[int(EntityType::TypeDechet)])
        static_cast<TypeDechet*>(r)->d.centres.removeIf([](Record* c) { return c->isDeleted(); });
    for (Record* r : m_live[int(EntityType::Chauffeur)]) {
        static_cast<Chauffeur*>(r)->d.specialisations.removeIf([](Record* s) { return s->isDeleted(); });
        static_cast<Chauffeur*>(r)->d.disponibilites.removeIf([](Record* s) { return s->isDeleted(); });
    }
    rebuildDerivedLists();
    for (Record* r : undone)
        noteRelatedForNotice(r);
    ++m_generation;
    scheduleChanged();
}

void ModelContext::discardInsertion(Record* record)
{
    if (!record || record->m_context != this || record->m_state != Record::State::Inserted)
        return;
    deleteRecursive(record);
    // Records that were never stored leave the pending list for good.
    std::erase_if(m_pending, [](Record* r) {
        if (r->m_state == Record::State::Deleted && !r->m_wasStoredBeforeDelete) {
            r->m_state = Record::State::Gone;
            r->m_dirty = false;
            return true;
        }
        return false;
    });
    scheduleChanged();
}

void ModelContext::setAutosaveEnabled(bool enabled, int delayMs)
{
    m_autosave = enabled;
    m_autosaveTimer.setInterval(delayMs);
    if (!enabled)
        m_autosaveTimer.stop();
}

void ModelContext::autosaveNow()
{
    if (!hasChanges())
        return;
    QString err;
    if (!save(&err)) {
        std::fprintf(stderr, "❌ Échec de la sauvegarde automatique: %s\n", qPrintable(err));
        emit autosaveFailed(err);
    }
}

} // namespace kv
