#include "tst_maillink.h"

#include "platform/desktopopener.h"
#include "platform/maillink.h"

#include <QTest>
#include <QUrlQuery>

using kv::MailLink;

namespace {

// The value of one field of a link, decoded.
QString field(const QUrl& link, const QString& name)
{
    return QUrlQuery(link).queryItemValue(name, QUrl::FullyDecoded);
}

} // namespace

void MailLinkTest::encodesEachPartOnItsOwn()
{
    const QString subject = QStringLiteral("Planning & tarifs = 100 % ? #1 + café");
    const QString body = QStringLiteral("Bonjour,&subject=piège?cc=x@y.fr #fin + 5 % € “ok”");
    const auto link = MailLink::build(QStringLiteral("chauffeur+nord@exemple.fr"), subject, body);
    QVERIFY(link);
    QCOMPARE(link->scheme(), QStringLiteral("mailto"));
    QCOMPARE(link->path(), QStringLiteral("chauffeur+nord@exemple.fr"));
    const QUrlQuery query(*link);
    QCOMPARE(query.queryItems().size(), 2); // nothing in a value added a field
    QCOMPARE(field(*link, QStringLiteral("subject")), subject);
    QCOMPARE(field(*link, QStringLiteral("body")), body);
    const QByteArray encoded = link->toEncoded();
    QVERIFY(encoded.startsWith("mailto:chauffeur+nord@exemple.fr?subject="));
    QVERIFY(!encoded.contains('#'));
    QVERIFY(!encoded.contains(' '));
    QVERIFY(encoded.contains("%2B")); // a "+" of the text is never read as a space
    QVERIFY(encoded.contains("%26"));
    QVERIFY(!link->hasFragment());
}

void MailLinkTest::sendsLineEndsAsCrLf()
{
    const auto link = MailLink::build(QStringLiteral("a@b.fr"), QStringLiteral("Objet"),
                                      QStringLiteral("un\ndeux\r\ntrois\rquatre\n\ncinq"));
    QVERIFY(link);
    const QByteArray encoded = link->toEncoded();
    QVERIFY(encoded.contains("un%0D%0Adeux%0D%0Atrois%0D%0Aquatre%0D%0A%0D%0Acinq"));
    QCOMPARE(field(*link, QStringLiteral("body")), QStringLiteral("un\r\ndeux\r\ntrois\r\nquatre\r\n\r\ncinq"));
}

void MailLinkTest::leavesOutEmptyParts()
{
    QCOMPARE(MailLink::build(QStringLiteral("  client@exemple.fr ")).value().toEncoded(),
             QByteArray("mailto:client@exemple.fr"));
    QCOMPARE(MailLink::build(QStringLiteral("a@b.fr"), {}, QStringLiteral("x")).value().toEncoded(),
             QByteArray("mailto:a@b.fr?body=x"));
    QCOMPARE(MailLink::build(QString(), QStringLiteral("Objet")).value().toEncoded(),
             QByteArray("mailto:?subject=Objet"));
    // A blank inside an address is encoded, not sent raw.
    QCOMPARE(MailLink::build(QStringLiteral("jean dupont@b.fr")).value().toEncoded(),
             QByteArray("mailto:jean%20dupont@b.fr"));
}

void MailLinkTest::refusesAddressesThatWouldAddFields_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("question mark") << QStringLiteral("a@b.fr?cc=c@d.fr");
    QTest::newRow("ampersand") << QStringLiteral("a@b.fr&body=x");
    QTest::newRow("percent") << QStringLiteral("a%40b.fr");
    QTest::newRow("carriage return") << QStringLiteral("a@b.fr\rBcc: x@y.fr");
    QTest::newRow("line feed") << QStringLiteral("a@b.fr\nx");
}

void MailLinkTest::refusesAddressesThatWouldAddFields()
{
    QFETCH(QString, address);
    QVERIFY(!MailLink::isAcceptableAddress(address));
    QString error;
    QVERIFY(!MailLink::build(address, QStringLiteral("s"), QStringLiteral("b"), &error));
    QVERIFY(error.contains(QStringLiteral("caractère interdit")));
    QVERIFY(!error.contains(QLatin1Char('\n')) && !error.contains(QLatin1Char('\r')));
    kv::RecordingDesktopOpener opener;
    QVERIFY(!MailLink::compose(address, QStringLiteral("s"), QStringLiteral("b"), &error));
    QVERIFY(opener.openedUrls.isEmpty());
}

void MailLinkTest::opensThroughTheDesktopAndSaysWhetherItDid()
{
    kv::RecordingDesktopOpener opener;
    QString error;
    QVERIFY(MailLink::compose(QStringLiteral("a@b.fr"), QStringLiteral("Objet"), QStringLiteral("Corps"), &error));
    QCOMPARE(opener.openedUrls.size(), 1);
    QCOMPARE(opener.openedUrls[0].toEncoded(), QByteArray("mailto:a@b.fr?subject=Objet&body=Corps"));
    opener.openResult = false;
    QVERIFY(!MailLink::compose(QStringLiteral("a@b.fr"), QStringLiteral("Objet"), QStringLiteral("Corps"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(opener.openedUrls.size(), 2);
}
