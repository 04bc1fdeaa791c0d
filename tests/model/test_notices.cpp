#include "fixtures.h"
#include "tests.h"

#include "model/daywindow.h"
#include "model/query.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace kv;

namespace {

// Collects the notices of a context.
struct Notices {
    explicit Notices(ModelContext* ctx)
    {
        QObject::connect(ctx, &ModelContext::changed, ctx, [this](const ModelChanges& c) { list.append(c); });
    }
    ModelChanges next()
    {
        QCoreApplication::processEvents();
        return list.isEmpty() ? ModelChanges() : list.takeFirst();
    }
    QList<ModelChanges> list;
};

template <class T>
QSet<Record*> asSet(const std::vector<T*>& v)
{
    return QSet<Record*>(v.begin(), v.end());
}

EntityTypeMask mask(std::initializer_list<EntityType> types)
{
    EntityTypeMask m = 0;
    for (EntityType t : types)
        m |= entityBit(t);
    return m;
}

} // namespace

void TestNotices::insertEditDelete()
{
    auto ctx = ModelContext::open(":memory:");
    Notices n(ctx.get());
    auto* c = fx::client(ctx.get());
    c->setNom("Nouveau nom"); // same turn: still an insertion
    ModelChanges ch = n.next();
    QCOMPARE(n.list.size(), 0);
    QCOMPARE(ch.types(), mask({EntityType::Client}));
    QCOMPARE(asSet(ch.inserted()), QSet<Record*>{c});
    QVERIFY(ch.modified().empty() && ch.deleted().empty());

    auto* b = fx::benne(ctx.get());
    auto* l = fx::location(c, b);
    auto* contact = new Contact("Jean", "Dupont", "01", "", c);
    ch = n.next();
    QCOMPARE(asSet(ch.inserted()), (QSet<Record*>{b, l, contact}));
    // The client's lists changed: it is told as modified, not as inserted again.
    QCOMPARE(asSet(ch.modified()), QSet<Record*>{c});
    QVERIFY(ctx->save());

    contact->setTelephone("02");
    ch = n.next();
    QCOMPARE(ch.types(), mask({EntityType::Contact}));
    QCOMPARE(asSet(ch.modified()), QSet<Record*>{contact});

    // Deleting the client cascades to its contacts and rentals; the skip loses a rental.
    QVERIFY(ctx->remove(c));
    ch = n.next();
    QCOMPARE(asSet(ch.deleted()), (QSet<Record*>{c, l, contact}));
    QCOMPARE(asSet(ch.modified()), QSet<Record*>{b});
    QVERIFY(ch.touches(EntityType::Client) && ch.touches(EntityType::Contact)
            && ch.touches(EntityType::LocationDeBenne) && ch.touches(EntityType::Benne));
    QVERIFY(!ch.touches(EntityType::TypeDechet));

    // Nothing changed: nothing told.
    QCoreApplication::processEvents();
    QCOMPARE(n.list.size(), 0);
}

void TestNotices::rollbackAndDiscard()
{
    auto ctx = ModelContext::open(":memory:");
    auto* a = fx::client(ctx.get(), "A");
    auto* b = fx::benne(ctx.get());
    auto* b2 = fx::benne(ctx.get(), 20);
    QVERIFY(ctx->save());
    QCoreApplication::processEvents();
    Notices n(ctx.get());

    // A record inserted then deleted before the notice is told as deleted.
    auto* vite = fx::client(ctx.get(), "Vite");
    QVERIFY(ctx->remove(vite));
    ModelChanges ch = n.next();
    QCOMPARE(asSet(ch.deleted()), QSet<Record*>{vite});
    QVERIFY(ch.inserted().empty());

    // Rollback: the pending insertion leaves, the deleted record comes back, the edit is undone.
    auto* nouveau = fx::location(a, b);
    a->setNom("A2");
    QVERIFY(ctx->remove(b2));
    n.next();
    ctx->rollback();
    ch = n.next();
    QCOMPARE(asSet(ch.deleted()), QSet<Record*>{nouveau});
    QCOMPARE(asSet(ch.inserted()), QSet<Record*>{b2});
    // The client and the skip lose the rental from their lists.
    QCOMPARE(asSet(ch.modified()), (QSet<Record*>{a, b}));
    QCOMPARE(a->nom(), QStringLiteral("A"));

    // Discarding one insertion tells its deletion, with what went with it.
    auto* c = fx::client(ctx.get(), "C");
    auto* contact = new Contact("Jean", "Dupont", "01", "", c);
    n.next();
    ctx->discardInsertion(c);
    ch = n.next();
    QCOMPARE(asSet(ch.deleted()), (QSet<Record*>{c, contact}));
}

void TestNotices::queryReactsToItsTypesOnly()
{
    auto ctx = ModelContext::open(":memory:");
    auto* a = fx::client(ctx.get(), "Zoé");
    auto* z = fx::client(ctx.get(), "Albert");
    auto* b = fx::benne(ctx.get());
    auto* l1 = fx::location(a, b, nullptr, fx::at(2026, 3, 1));
    auto* l2 = fx::location(z, b, nullptr, fx::at(2026, 3, 2));
    auto* contact = new Contact("Jean", "Dupont", "01", "", a);
    QCoreApplication::processEvents();

    Query<LocationDeBenne> parDate(ctx.get(), {}, [](const LocationDeBenne* x, const LocationDeBenne* y) {
        return x->datePoseMs() < y->datePoseMs();
    });
    Query<LocationDeBenne> parClient(ctx.get(), {}, [](const LocationDeBenne* x, const LocationDeBenne* y) {
        return x->client()->nom() < y->client()->nom();
    });
    parClient.dependOn(EntityType::Client);
    QSignalSpy spyDate(&parDate, &QueryBase::resultsChanged);
    QSignalSpy spyClient(&parClient, &QueryBase::resultsChanged);
    QCOMPARE(parDate.results(), (QList<LocationDeBenne*>{l1, l2}));
    QCOMPARE(parClient.results(), (QList<LocationDeBenne*>{l2, l1}));
    const quint64 evalDate = parDate.evaluationCount();
    const quint64 evalClient = parClient.evaluationCount();

    // Another type: nobody told, nothing computed.
    contact->setTelephone("02");
    b->setNotes("Repeinte");
    QCoreApplication::processEvents();
    QCOMPARE(spyDate.count(), 0);
    QCOMPARE(spyClient.count(), 0);
    QCOMPARE(parDate.results().size(), 2);
    QCOMPARE(parDate.evaluationCount(), evalDate);

    // A declared type: the query depending on it computes again, the other does not hear of it.
    z->setNom("Zz");
    QCoreApplication::processEvents();
    QCOMPARE(spyDate.count(), 0);
    QCOMPARE(spyClient.count(), 1);
    QCOMPARE(parClient.results(), (QList<LocationDeBenne*>{l1, l2}));
    QCOMPARE(parClient.evaluationCount(), evalClient + 1);

    // Its own type: told, and brought up to date without a complete evaluation.
    l1->setDatePose(fx::at(2026, 3, 5));
    QCoreApplication::processEvents();
    QCOMPARE(spyDate.count(), 1);
    QCOMPARE(parDate.results(), (QList<LocationDeBenne*>{l2, l1}));
    QCOMPARE(parDate.evaluationCount(), evalDate);
}

void TestNotices::incrementalQueryMatchesFullEvaluation()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    QList<LocationDeBenne*> all;
    for (int i = 0; i < 60; ++i)
        all << fx::location(c, b, nullptr, fx::at(2026, 1, 1).addDays(i % 20));
    QVERIFY(ctx->save());
    QCoreApplication::processEvents();
    const DayWindow window = dayWindow(QDate(2026, 1, 5), 7, QTimeZone("Europe/Paris"));
    auto inWindow = [window](const LocationDeBenne* l) { return window.contains(l->datePoseMs()); };
    auto byDate = [](const LocationDeBenne* x, const LocationDeBenne* y) { return x->datePoseMs() < y->datePoseMs(); };
    Query<LocationDeBenne> q(ctx.get(), inWindow, byDate);
    q.results();
    QRandomGenerator rng(7);
    for (int round = 0; round < 40; ++round) {
        for (int k = 0; k < 3; ++k) {
            LocationDeBenne* l = all[rng.bounded(int(all.size()))];
            switch (rng.bounded(3)) {
            case 0:
                if (!l->isDeleted())
                    l->setDatePose(fx::at(2026, 1, 1).addDays(rng.bounded(20)));
                break;
            case 1:
                all << fx::location(c, b, nullptr, fx::at(2026, 1, 1).addDays(rng.bounded(20)));
                break;
            default:
                ctx->remove(l);
            }
        }
        if (round % 10 == 9)
            ctx->rollback();
        QCoreApplication::processEvents();
        const QList<LocationDeBenne*> expected = ctx->fetch<LocationDeBenne>({inWindow, byDate, 0});
        QCOMPARE(q.results(), expected);
    }
    QCOMPARE(q.evaluationCount(), quint64(1));
}

void TestNotices::listModelRowSignals()
{
    auto ctx = ModelContext::open(":memory:");
    auto* a = fx::client(ctx.get(), "A");
    auto* c = fx::client(ctx.get(), "C");
    auto* e = fx::client(ctx.get(), "E");
    auto* g = fx::client(ctx.get(), "G");
    QCoreApplication::processEvents();
    Query<Client> q(ctx.get(), {}, [](const Client* x, const Client* y) { return x->nom() < y->nom(); });
    RecordListModel<Client> model(&q, [](Client* cl, int role) -> QVariant {
        return role == Qt::DisplayRole ? QVariant(cl->nom()) : QVariant();
    });
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QListView view;
    view.setModel(&model);
    view.setCurrentIndex(model.indexOf(e));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    auto clear = [&] {
        for (QSignalSpy* s : {&inserted, &removed, &moved, &data, &reset})
            s->clear();
    };
    auto shown = [&] {
        QStringList out;
        for (int i = 0; i < model.rowCount(); ++i)
            out << model.data(model.index(i), Qt::DisplayRole).toString();
        return out;
    };

    // Insertion in the middle.
    auto* d = fx::client(ctx.get(), "D");
    QCoreApplication::processEvents();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 2);
    QCOMPARE(inserted[0][2].toInt(), 2);
    QCOMPARE(shown(), (QStringList{"A", "C", "D", "E", "G"}));

    // One edited row: one dataChanged for that row.
    clear();
    c->setVille("Paris");
    QCoreApplication::processEvents();
    QCOMPARE(data.count(), 1);
    QCOMPARE(data[0][0].value<QModelIndex>().row(), 1);
    QCOMPARE(data[0][1].value<QModelIndex>().row(), 1);
    QCOMPARE(inserted.count() + removed.count() + moved.count() + reset.count(), 0);

    // A new name moves the row, and tells its new text.
    clear();
    a->setNom("F");
    QCoreApplication::processEvents();
    QCOMPARE(moved.count(), 1);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(data.count(), 1);
    QCOMPARE(shown(), (QStringList{"C", "D", "E", "F", "G"}));

    // Removal.
    clear();
    QVERIFY(ctx->remove(d));
    QCoreApplication::processEvents();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed[0][1].toInt(), 1);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(shown(), (QStringList{"C", "E", "F", "G"}));

    // The view kept its current record through all of it.
    QCOMPARE(model.recordAt(view.currentIndex()), e);

    // Most rows changing at once: one reset.
    clear();
    for (Client* x : {a, c, g})
        QVERIFY(ctx->remove(x));
    fx::client(ctx.get(), "B");
    fx::client(ctx.get(), "H");
    QCoreApplication::processEvents();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(shown(), (QStringList{"B", "E", "H"}));
    QCOMPARE(model.resetCount(), quint64(1));
}

void TestNotices::listModelFollowsShuffles()
{
    // Any reordering: the rows after the signals are the query's.
    auto ctx = ModelContext::open(":memory:");
    QList<Client*> clients;
    for (int i = 0; i < 40; ++i)
        clients << fx::client(ctx.get(), QString::number(i));
    QCoreApplication::processEvents();
    int key = 0;
    QHash<Client*, int> order;
    Query<Client> q(ctx.get(), [&](const Client* c) { return order.value(const_cast<Client*>(c), 0) >= 0; },
                    [&](const Client* x, const Client* y) {
                        return order.value(const_cast<Client*>(x)) < order.value(const_cast<Client*>(y));
                    });
    RecordListModel<Client> model(&q, {});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QRandomGenerator rng(3);
    for (int round = 0; round < 30; ++round) {
        for (int k = 0; k < 1 + round % 5; ++k)
            order[clients[rng.bounded(40)]] = int(rng.bounded(60)) - 8 + key++ % 2;
        q.invalidate();
        QCOMPARE(model.rowCount(), int(q.size()));
        for (int i = 0; i < model.rowCount(); ++i)
            QCOMPARE(model.recordAt(i), q.at(i));
    }
}

void TestNotices::dayWindows()
{
    const QTimeZone paris("Europe/Paris");
    // A spring-forward day lasts 23 hours, a fall-back day 25.
    const DayWindow spring = dayWindow(QDate(2026, 3, 29), 1, paris);
    QCOMPARE(spring.fin - spring.debut, qint64(23) * 3600 * 1000);
    const DayWindow autumn = dayWindow(QDate(2026, 10, 25), 1, paris);
    QCOMPARE(autumn.fin - autumn.debut, qint64(25) * 3600 * 1000);
    // Half-open: midnight belongs to the day it starts.
    const DayWindow day = dayWindow(QDate(2026, 6, 1), 1, paris);
    QVERIFY(day.contains(day.debut));
    QVERIFY(!day.contains(day.fin));
    QVERIFY(day.contains(day.fin - 1));
    QCOMPARE(day.debut, QDateTime(QDate(2026, 6, 1), QTime(0, 0), paris).toMSecsSinceEpoch());
    // Windows of several days follow each other without gap or overlap.
    QCOMPARE(dayWindow(QDate(2026, 3, 28), 3, paris).fin, dayWindow(QDate(2026, 3, 31), 1, paris).debut);
    // The zone is a parameter: the same instant falls on different days.
    const qint64 instant = QDateTime(QDate(2026, 6, 1), QTime(23, 30), paris).toMSecsSinceEpoch();
    QCOMPARE(localDayOf(instant, paris), QDate(2026, 6, 1));
    QCOMPARE(localDayOf(instant, QTimeZone::utc()), QDate(2026, 6, 1));
    QCOMPARE(localDayOf(instant, QTimeZone("Asia/Tokyo")), QDate(2026, 6, 2));
    QCOMPARE(startOfDayMs(instant, paris), day.debut);
    QCOMPARE(dayWindowOf(instant, paris), day);
    QVERIFY(day.overlaps(day.debut - 10, day.debut + 1));
    QVERIFY(!day.overlaps(day.fin, day.fin + 10));
}
