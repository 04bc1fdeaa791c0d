#include "fixtures.h"
#include "tests.h"

#include "model/query.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kv;

namespace {
bool latestFirst(const LocationDeBenne* x, const LocationDeBenne* y) { return x->datePoseMs() > y->datePoseMs(); }
} // namespace

void TestQueries::refreshAfterWrites()
{
    auto ctx = ModelContext::open(":memory:");
    Query<Client> q(ctx.get(), [](const Client* c) { return c->ville() == QStringLiteral("Lyon"); },
                    [](const Client* a, const Client* b) { return a->nom() < b->nom(); });
    QCOMPARE(q.size(), 0);
    auto* b = fx::client(ctx.get(), "B");
    auto* a = fx::client(ctx.get(), "A");
    QCoreApplication::processEvents();
    QCOMPARE(q.results(), (QList<Client*>{a, b}));
    a->setVille("Paris");
    QCoreApplication::processEvents();
    QCOMPARE(q.results(), (QList<Client*>{b}));
    a->setVille("Lyon");
    a->setNom("C");
    QCoreApplication::processEvents();
    QCOMPARE(q.results(), (QList<Client*>{b, a}));
    QVERIFY(ctx->remove(b));
    QCoreApplication::processEvents();
    QCOMPARE(q.results(), (QList<Client*>{a}));
}

void TestQueries::fetchDescriptor()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* autre = fx::client(ctx.get(), "Autre");
    auto* b = fx::benne(ctx.get());
    for (int d = 1; d <= 5; ++d)
        fx::location(d % 2 ? c : autre, b, nullptr, fx::at(2026, 3, d));
    FetchDescriptor<LocationDeBenne> fd;
    const QUuid id = c->id();
    fd.predicate = [id](const LocationDeBenne* l) { return l->client() && l->client()->id() == id; };
    fd.lessThan = [](const LocationDeBenne* x, const LocationDeBenne* y) { return x->datePoseMs() > y->datePoseMs(); };
    auto found = ctx->fetch(fd);
    QCOMPARE(found.size(), 3);
    QCOMPARE(found[0]->datePose(), fx::at(2026, 3, 5));
    fd.fetchLimit = 1;
    QCOMPARE(ctx->fetch(fd).size(), 1);
}

void TestQueries::listModel()
{
    auto ctx = ModelContext::open(":memory:");
    Query<Client> q(ctx.get());
    RecordListModel<Client> model(&q, [](Client* c, int role) -> QVariant {
        if (role == Qt::DisplayRole)
            return c->nom();
        return {};
    });
    QCOMPARE(model.rowCount(), 0);
    auto* a = fx::client(ctx.get(), "A");
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toString(), QStringLiteral("A"));
    QSignalSpy changedData(&model, &QAbstractItemModel::dataChanged);
    a->setNom("A2");
    QCoreApplication::processEvents();
    QCOMPARE(changedData.count(), 1);
    QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toString(), QStringLiteral("A2"));
    QCOMPARE(model.recordAt(model.index(0)), a);
    QCOMPARE(model.indexOf(a).row(), 0);
    QVERIFY(ctx->remove(a));
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 0);
}

void TestQueries::sortKeyOrdersAsTheComparatorDoes()
{
    // An order by key gives the comparator's order, ties in store order, and keeps it as
    // records come, change and go.
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    const int days[] = {4, 2, 9, 2, 7, 4, 1};
    for (int d : days)
        fx::location(c, b, nullptr, fx::at(2026, 3, d));
    Query<LocationDeBenne> byComparator(ctx.get(), {}, latestFirst);
    Query<LocationDeBenne> byKey(ctx.get());
    byKey.setSortKey([](const LocationDeBenne* l) { return -l->datePoseMs(); });
    QCOMPARE(byKey.results(), byComparator.results());
    QCOMPARE(byKey.at(0)->datePose(), fx::at(2026, 3, 9));
    // Ties keep store order: the first rental of the 4th comes before the second.
    const auto all = ctx->all<LocationDeBenne>();
    QVERIFY(byKey.indexOf(all[0]) < byKey.indexOf(all[5]));

    // Changes re-examine only the records they touch, each put back where the key says.
    all[6]->setDatePose(fx::at(2026, 3, 30));
    auto* added = fx::location(c, b, nullptr, fx::at(2026, 3, 5));
    QVERIFY(ctx->remove(all[2]));
    QCoreApplication::processEvents();
    QCOMPARE(byKey.results(), byComparator.results());
    QCOMPARE(byKey.at(0), all[6]);
    QCOMPARE(byKey.indexOf(added), 2);
    QCOMPARE(byKey.size(), 7);
    QCOMPARE(byKey.evaluationCount(), quint64(1));
}

void TestQueries::firstRowsOfALongListInTheWholeOrder()
{
    // A long list ordered by key and read from its top gives the rows of the whole order, ties in
    // store order, before and after changes, and with a list model showing its first rows.
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    for (int i = 0; i < 3000; ++i)
        fx::location(c, b, nullptr, fx::at(2026, 1 + (i * 7) % 12, 1 + (i * 13) % 28));
    QCoreApplication::processEvents();
    Query<LocationDeBenne> whole(ctx.get(), {}, latestFirst);
    Query<LocationDeBenne> byKey(ctx.get());
    byKey.setSortKey([](const LocationDeBenne* l) { return -l->datePoseMs(); });
    RecordListModel<LocationDeBenne> model(&byKey, {});
    model.setRowWindow(50);
    auto first = [&whole](qsizetype n) { return whole.records().first(std::min(n, whole.records().size())); };
    // The rows a view reads; all of them are counted from the start.
    auto rows = [&model](int n) {
        QList<Record*> out;
        for (int row = 0; row < n; ++row)
            out.append(model.recordAt(row));
        return out;
    };
    QCOMPARE(model.rowCount(), 3000);
    QCOMPARE(rows(50), first(50));
    QCOMPARE(byKey.firstRecords(10), first(10));
    QCOMPARE(byKey.recordAt(700), whole.recordAt(700));

    // Changes while most rows are not in order yet: a rental moved to the top, one moved down to
    // rows not yet ordered, one added among them, one removed from the top.
    const auto all = ctx->all<LocationDeBenne>();
    all[2500]->setDatePose(fx::at(2027, 1, 1));
    all[1]->setDatePose(fx::at(2026, 6, 2));
    auto* added = fx::location(c, b, nullptr, fx::at(2026, 6, 2));
    QVERIFY(ctx->remove(whole.recordAt(3)));
    QCoreApplication::processEvents();
    QCOMPARE(rows(50), first(50));
    QCOMPARE(model.recordAt(0), all[2500]);
    QCOMPARE(model.rowCount(), 3000);
    QCOMPARE(byKey.size(), 3000);
    QCOMPARE(byKey.firstRecords(2000), first(2000));
    QCOMPARE(byKey.indexOf(added), whole.indexOf(added));
    QCOMPARE(byKey.records(), whole.records());
    QCOMPARE(rows(3000), first(3000));
    QCOMPARE(byKey.evaluationCount(), quint64(1));
}
