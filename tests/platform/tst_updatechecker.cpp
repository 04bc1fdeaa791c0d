#include "tst_updatechecker.h"

#include "feedserver.h"

#include "platform/updatechecker.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using kv::UpdateCheckResult;

namespace {

QByteArray feed(const QList<QPair<QString, QString>>& versionsAndLinks)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
                     "<channel><title>Kestrovan</title><link>https://example.org/kestrovan</link>\n";
    for (const auto& [version, link] : versionsAndLinks) {
        xml += "<item><title>Version " + version.toUtf8() + "</title>";
        if (!link.isEmpty())
            xml += "<link>" + link.toUtf8() + "</link>";
        xml += "<enclosure url=\"https://example.org/Kestrovan-" + version.toUtf8()
               + ".dmg\" sparkle:version=\"99\" sparkle:shortVersionString=\"" + version.toUtf8()
               + "\" length=\"1\" type=\"application/octet-stream\"/></item>\n";
    }
    xml += "</channel></rss>\n";
    return xml;
}

UpdateCheckResult runCheck(kv::UpdateChecker& checker)
{
    QSignalSpy spy(&checker, &kv::UpdateChecker::finished);
    checker.checkForUpdates();
    if (spy.isEmpty() && !spy.wait(10000))
        return {};
    return spy.first().first().value<UpdateCheckResult>();
}

} // namespace

void UpdateCheckerTest::initTestCase()
{
    qRegisterMetaType<kv::UpdateCheckResult>();
}

void UpdateCheckerTest::comparesVersionsNumerically_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");
    QTest::newRow("equal") << "1.0.0" << "1.0.0" << 0;
    QTest::newRow("missing parts are zero") << "1.0" << "1.0.0" << 0;
    QTest::newRow("numeric not textual") << "1.10" << "1.9" << 1;
    QTest::newRow("older") << "1.2.3" << "1.3" << -1;
    QTest::newRow("release beats suffix") << "2.0" << "2.0.beta" << 1;
    QTest::newRow("blanks ignored") << " 1.1 " << "1.1" << 0;
}

void UpdateCheckerTest::comparesVersionsNumerically()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    QCOMPARE(kv::compareVersions(a, b), expected);
    QCOMPARE(kv::compareVersions(b, a), -expected);
}

void UpdateCheckerTest::readsAppcasts()
{
    QString error;
    const auto appcast = kv::parseAppcast(feed({{"1.2", "https://example.org/1.2"}, {"1.1", ""}}), &error);
    QVERIFY2(appcast, qPrintable(error));
    QCOMPARE(appcast->items.size(), 2);
    QCOMPARE(appcast->items[0].shortVersionString, QStringLiteral("1.2"));
    QCOMPARE(appcast->items[0].version, QStringLiteral("99"));
    QCOMPARE(appcast->items[0].link, QUrl("https://example.org/1.2"));
    QCOMPARE(appcast->link, QUrl("https://example.org/kestrovan"));

    // Versions given as elements rather than enclosure attributes.
    const QByteArray elements =
        "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><sparkle:version>12</sparkle:version><link>javascript:alert(1)</link></item>"
        "</channel></rss>";
    const auto second = kv::parseAppcast(elements, &error);
    QVERIFY2(second, qPrintable(error));
    QCOMPARE(second->items[0].comparedVersion(), QStringLiteral("12"));
    QVERIFY2(!second->items[0].link.isValid(), "only web pages are offered");

    QVERIFY(!kv::parseAppcast("<html><body>Not found</body></html>", &error));
    QVERIFY(error.contains("RSS"));
    QVERIFY(!kv::parseAppcast("<rss><channel><item><title>x</title></item></channel></rss>", &error));
    QVERIFY(!kv::parseAppcast("<rss><channel><item>", &error));
    QVERIFY(error.contains("XML"));
}

void UpdateCheckerTest::findsANewerVersion()
{
    FeedServer server;
    server.body = feed({{"1.0.0", "https://example.org/1.0.0"}, {"1.4.2", "https://example.org/1.4.2"},
                        {"1.3", "https://example.org/1.3"}});
    kv::UpdateChecker checker("1.0.0");
    checker.setFeedUrl(server.feedUrl());
    const UpdateCheckResult r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::updateAvailable);
    QCOMPARE(r.latestVersion, QStringLiteral("1.4.2"));
    QCOMPARE(r.downloadPage, QUrl("https://example.org/1.4.2"));
    QCOMPARE(server.requests, 1);

    // Without a page of its own, the release points at the channel's page.
    server.body = feed({{"2.0", ""}});
    const UpdateCheckResult r2 = runCheck(checker);
    QCOMPARE(r2.status, UpdateCheckResult::Status::updateAvailable);
    QCOMPARE(r2.downloadPage, QUrl("https://example.org/kestrovan"));
}

void UpdateCheckerTest::sameOrOlderIsUpToDate()
{
    FeedServer server;
    server.body = feed({{"1.0", "https://example.org/1.0"}, {"0.9", ""}});
    kv::UpdateChecker checker("1.0.0");
    checker.setFeedUrl(server.feedUrl());
    const UpdateCheckResult r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::upToDate);
    QCOMPARE(r.latestVersion, QStringLiteral("1.0"));
}

void UpdateCheckerTest::reportsFailures()
{
    FeedServer server;
    kv::UpdateChecker checker("1.0.0");
    checker.setFeedUrl(server.feedUrl());

    server.body = "this is not xml at all";
    UpdateCheckResult r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::failed);
    QVERIFY2(r.error.contains("illisible"), qPrintable(r.error));

    server.status = "404 Not Found";
    server.body = "<rss/>";
    r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::failed);
    QVERIFY2(r.error.contains("404"), qPrintable(r.error));

    // Nothing listens on that port any more.
    const QUrl gone = server.feedUrl();
    server.close();
    checker.setFeedUrl(gone);
    r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::failed);
    QVERIFY2(r.error.startsWith("Impossible de joindre"), qPrintable(r.error));
}

void UpdateCheckerTest::reportsASilentServer()
{
    // Takes the connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    kv::UpdateChecker checker("1.0.0");
    checker.setFeedUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(silent.serverPort())));
    checker.setTimeoutMs(300);
    const UpdateCheckResult r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::failed);
    QVERIFY2(r.error.contains(QStringLiteral("n’a pas répondu")), qPrintable(r.error));
    QVERIFY(!checker.isChecking());
}

void UpdateCheckerTest::refusesUnsafeFeedAddresses()
{
    QVERIFY(kv::UpdateChecker::isAcceptableFeedUrl(QUrl("https://example.org/appcast.xml")));
    QVERIFY(kv::UpdateChecker::isAcceptableFeedUrl(QUrl("http://127.0.0.1:8080/a.xml")));
    QVERIFY(kv::UpdateChecker::isAcceptableFeedUrl(QUrl("http://localhost/a.xml")));
    QVERIFY(!kv::UpdateChecker::isAcceptableFeedUrl(QUrl("http://example.org/appcast.xml")));
    QVERIFY(!kv::UpdateChecker::isAcceptableFeedUrl(QUrl("ftp://example.org/appcast.xml")));
    QVERIFY(!kv::UpdateChecker::isAcceptableFeedUrl(QUrl("not a url")));
    QVERIFY(kv::UpdateChecker::defaultFeedUrl().scheme() == "https");

    // A refused address fails at once, without any request.
    kv::UpdateChecker checker("1.0");
    checker.setFeedUrl(QUrl("http://example.org/appcast.xml"));
    const UpdateCheckResult r = runCheck(checker);
    QCOMPARE(r.status, UpdateCheckResult::Status::failed);
    QVERIFY(r.error.contains("https://"));
}
