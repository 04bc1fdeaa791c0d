#include "tst_maillink.h"

#include "platform/desktopopener.h"
#include "platform/maillink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QProcess>
#include <QTest>
#include <QUrlQuery>

#include <cstdio>
#include <unistd.h>

using kv::MailLink;

namespace {

// The value of one field of a link, decoded.
QString field(const QUrl& link, const QString& name)
{
    return QUrlQuery(link).queryItemValue(name, QUrl::FullyDecoded);
}

// While it lives, everything written to standard error (by this process, its log and the
// programs it starts) goes to a file instead.
class CapturedStandardError {
public:
    CapturedStandardError()
    {
        file.open();
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        ::dup2(file.handle(), STDERR_FILENO);
    }
    ~CapturedStandardError() { restore(); }
    // What was written so far.
    QByteArray text()
    {
        std::fflush(stderr);
        QFile read(file.fileName());
        return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
    }
    QByteArray restore()
    {
        const QByteArray out = text();
        if (saved >= 0) {
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
            saved = -1;
        }
        return out;
    }

private:
    QTemporaryFile file;
    int saved = -1;
};

// While it lives, PATH is one folder, holding the given programs.
struct ScopedPath {
    QTemporaryDir dir;
    QByteArray previous = qgetenv("PATH");
    explicit ScopedPath(const QMap<QString, QByteArray>& programs)
    {
        for (auto it = programs.begin(); it != programs.end(); ++it) {
            QFile f(dir.filePath(it.key()));
            if (f.open(QIODevice::WriteOnly)) {
                f.write(it.value());
                f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
        }
        qputenv("PATH", QFile::encodeName(dir.path()));
    }
    ~ScopedPath() { qputenv("PATH", previous); }
};

// While it lives, every log message is collected (and still shown).
class CollectedLog {
public:
    CollectedLog() { previous = qInstallMessageHandler(&CollectedLog::handle); }
    ~CollectedLog() { qInstallMessageHandler(previous); }
    static QByteArray text() { return messages().join('\n'); }

private:
    static QByteArrayList& messages()
    {
        static QByteArrayList all;
        return all;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        messages().append(message.toUtf8());
    }
    QtMessageHandler previous = nullptr;
};

} // namespace

void MailLinkTest::logsAnUnansweredLinkWithoutItsContent()
{
    const auto link = MailLink::build(QStringLiteral("client@exemple.fr"), QStringLiteral("Planning"),
                                      QStringLiteral("Dupont Démolition, 12 rue des Lilas"));
    QVERIFY(link);
    const QByteArray secret = "Dupont";
    // A launcher that finds no mail program and says so, with the link, as xdg-open does.
    {
        ScopedPath path({{QStringLiteral("xdg-open"),
                          "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n"}});
        CapturedStandardError captured;
        CollectedLog log;
        MailLink::open(*link);
        QTRY_VERIFY_WITH_TIMEOUT(CollectedLog::text().contains("Aucun programme de messagerie"), 10000);
        // The launcher has ended (its words, had they not been discarded, said before) once the
        // program let its process go.
        QTRY_VERIFY_WITH_TIMEOUT(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty(), 10000);
        const QByteArray out = captured.restore() + CollectedLog::text();
        QVERIFY2(!out.contains(secret) && !out.contains("client%40") && !out.contains("client@"), out.constData());
    }
    // No launcher at all.
    {
        ScopedPath path({});
        CapturedStandardError captured;
        CollectedLog log;
        QVERIFY(!MailLink::open(*link));
        const QByteArray out = captured.restore() + CollectedLog::text();
        QVERIFY2(out.contains("Aucun programme de messagerie"), out.constData());
        QVERIFY2(!out.contains(secret) && !out.contains("client@"), out.constData());
    }
}

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
