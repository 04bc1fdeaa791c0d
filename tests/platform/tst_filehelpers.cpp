#include "tst_filehelpers.h"

#include "platform/desktopopener.h"
#include "platform/filehelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using kv::FileHelpers;
using kv::SaveFileResult;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeText(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

void FileHelpersTest::writesWholeFilesOrNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    QString error;
    QVERIFY2(FileHelpers::writeFile(path, "a;b\r\n1;2\r\n", &error), qPrintable(error));
    QCOMPARE(readAll(path), QByteArray("a;b\r\n1;2\r\n"));
    QVERIFY(FileHelpers::writeFile(path, "remplacé", &error));
    QCOMPARE(readAll(path), QByteArray("remplacé"));

    // A folder that does not exist: the failure is told, nothing appears.
    const QString missing = dir.filePath(QStringLiteral("absent/export.csv"));
    QVERIFY(!FileHelpers::writeFile(missing, "x", &error));
    QVERIFY(error.contains(QStringLiteral("Impossible d’enregistrer")));
    QVERIFY(!QFile::exists(missing));
    QVERIFY(!FileHelpers::writeFile(QString(), "x", &error));

    // A file that cannot be written over (here a folder of that name) stays as it was.
    const QString folderNamed = dir.filePath(QStringLiteral("dossier.csv"));
    QVERIFY(QDir().mkdir(folderNamed));
    QVERIFY(!FileHelpers::writeFile(folderNamed, "x", &error));
    QVERIFY(QFileInfo(folderNamed).isDir());

    // A read-only folder: the file already there keeps its content.
    const QString locked = dir.filePath(QStringLiteral("verrouillé"));
    QVERIFY(QDir().mkdir(locked));
    const QString old = locked + QStringLiteral("/ancien.csv");
    QVERIFY(writeText(old, "ancien"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (QFile(locked + QStringLiteral("/essai")).open(QIODevice::WriteOnly)) {
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("running with rights that ignore folder permissions");
    }
    error.clear();
    QVERIFY(!FileHelpers::writeFile(old, "nouveau", &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(old), QByteArray("ancien"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FileHelpersTest::savesWhereTheUserChose()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("facturation.csv"));
    kv::SaveFileRequest request{QStringLiteral("Exporter"), QStringLiteral("facturation.csv"),
                                {QStringLiteral("text/csv")}, QStringLiteral("csv"), {}};
    {
        kv::ScopedSaveFileAnswer answer{QString()};
        const SaveFileResult result = FileHelpers::saveAs(nullptr, request, "x");
        QCOMPARE(result.status, SaveFileResult::Status::cancelled);
        QVERIFY(!result.saved());
        QCOMPARE(answer.requests.size(), 1);
        QCOMPARE(answer.requests[0].suggestedName, QStringLiteral("facturation.csv"));
        QCOMPARE(answer.requests[0].mimeTypes, QStringList{QStringLiteral("text/csv")});
        QVERIFY(!QFile::exists(path));
    }
    {
        kv::ScopedSaveFileAnswer answer{path};
        const SaveFileResult result = FileHelpers::saveAs(nullptr, request, "contenu");
        QVERIFY(result.saved());
        QCOMPARE(result.path, path);
        QCOMPARE(readAll(path), QByteArray("contenu"));
        // The next question opens in that folder.
        QCOMPARE(QSettings().value(QStringLiteral("files/lastSaveFolder")).toString(), QDir(dir.path()).absolutePath());
    }
    {
        kv::ScopedSaveFileAnswer answer{dir.filePath(QStringLiteral("absent/f.csv"))};
        const SaveFileResult result = FileHelpers::saveAs(nullptr, request, "contenu");
        QCOMPARE(result.status, SaveFileResult::Status::failed);
        QVERIFY(!result.error.isEmpty());
    }
}

namespace {

// While it lives, HOME is a fresh temporary folder and no folder is remembered.
struct TemporaryHome {
    QTemporaryDir dir;
    QByteArray previous = qgetenv("HOME");
    TemporaryHome()
    {
        qputenv("HOME", QFile::encodeName(dir.path()));
        QSettings().remove(QStringLiteral("files/lastSaveFolder"));
    }
    ~TemporaryHome()
    {
        qputenv("HOME", previous);
        QSettings().remove(QStringLiteral("files/lastSaveFolder"));
    }
    QString path() const { return QDir(dir.path()).absolutePath(); }
};

QString proposedFolder(const QString& answerPath = {})
{
    kv::ScopedSaveFileAnswer answer{answerPath};
    kv::SaveFileRequest request{QStringLiteral("Exporter"), QStringLiteral("f.csv"), {}, QStringLiteral("csv"), {}};
    FileHelpers::saveAs(nullptr, request, "x");
    return answer.requests.isEmpty() ? QString() : QFileInfo(answer.requests.constFirst().proposedPath).absolutePath();
}

} // namespace

void FileHelpersTest::proposesAnExistingFolderAndRemembersOnlyWrittenOnes()
{
    TemporaryHome home;
    // A fresh account without a documents folder: the home folder.
    QCOMPARE(proposedFolder(), home.path());
    QCOMPARE(FileHelpers::startFolder(), home.path());
    // With one: there.
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    const QString documents = home.path() + QStringLiteral("/Documents");
    QCOMPARE(proposedFolder(), documents);

    // A failed write is not remembered: neither under /proc nor in a folder that is gone.
    QCOMPARE(proposedFolder(QStringLiteral("/proc/kestrovan-test.csv")), documents);
    QCOMPARE(proposedFolder(home.path() + QStringLiteral("/absent/f.csv")), documents);
    // A successful one is.
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("exports")));
    QCOMPARE(proposedFolder(home.path() + QStringLiteral("/exports/f.csv")), documents);
    QCOMPARE(proposedFolder(), home.path() + QStringLiteral("/exports"));
    // A remembered folder that was removed since, or a system folder, is never proposed.
    QVERIFY(QDir(home.path() + QStringLiteral("/exports")).removeRecursively());
    QCOMPARE(proposedFolder(), documents);
    for (const char* system : {"/proc", "/sys", "/dev", "/dev/shm"}) {
        QSettings().setValue(QStringLiteral("files/lastSaveFolder"), QString::fromLatin1(system));
        QCOMPARE(proposedFolder(), documents);
        QCOMPARE(FileHelpers::startFolder(), documents);
    }
    // Even an absolute suggestion in a system folder is not where the dialog opens.
    kv::SaveFileRequest request{QStringLiteral("Exporter"), QStringLiteral("/proc/f.csv"), {}, {}, {}};
    QCOMPARE(FileHelpers::proposedPath(request), documents + QStringLiteral("/f.csv"));
}

void FileHelpersTest::tellsWhetherAFileIsInsideAFolder()
{
    QTemporaryDir dir;
    const QString tickets = dir.filePath(QStringLiteral("Tickets"));
    const QString old = dir.filePath(QStringLiteral("Tickets-old"));
    QVERIFY(QDir().mkpath(tickets + QStringLiteral("/2025")));
    QVERIFY(QDir().mkpath(old));
    QVERIFY(writeText(tickets + QStringLiteral("/scan.pdf"), "%PDF"));
    QVERIFY(writeText(tickets + QStringLiteral("/2025/bon.png"), "png"));
    QVERIFY(writeText(old + QStringLiteral("/scan.pdf"), "%PDF"));
    QVERIFY(writeText(dir.filePath(QStringLiteral("dehors.pdf")), "%PDF"));

    QVERIFY(FileHelpers::isInsideFolder(tickets + QStringLiteral("/scan.pdf"), tickets));
    QVERIFY(FileHelpers::isInsideFolder(tickets + QStringLiteral("/2025/bon.png"), tickets));
    QVERIFY(FileHelpers::isInsideFolder(tickets + QStringLiteral("/scan.pdf"), tickets + QStringLiteral("/")));
    QVERIFY(!FileHelpers::isInsideFolder(old + QStringLiteral("/scan.pdf"), tickets));
    QVERIFY(!FileHelpers::isInsideFolder(tickets + QStringLiteral("/../dehors.pdf"), tickets));
    QVERIFY(!FileHelpers::isInsideFolder(tickets, tickets));
    QVERIFY(!FileHelpers::isInsideFolder(tickets + QStringLiteral("/absent.pdf"), tickets));
    QVERIFY(!FileHelpers::isInsideFolder(tickets + QStringLiteral("/scan.pdf"), dir.filePath(QStringLiteral("Nulle-part"))));
    QVERIFY(!FileHelpers::isInsideFolder(QString(), tickets));
    QVERIFY(!FileHelpers::isInsideFolder(tickets + QStringLiteral("/scan.pdf"), tickets + QStringLiteral("/scan.pdf")));

    // Links are followed: one inside pointing out is outside, one outside pointing in is inside.
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("dehors.pdf")), tickets + QStringLiteral("/lien.pdf")));
    QVERIFY(QFile::link(tickets + QStringLiteral("/scan.pdf"), dir.filePath(QStringLiteral("raccourci.pdf"))));
    QVERIFY(!FileHelpers::isInsideFolder(tickets + QStringLiteral("/lien.pdf"), tickets));
    QVERIFY(FileHelpers::isInsideFolder(dir.filePath(QStringLiteral("raccourci.pdf")), tickets));
    // A link to the folder names the same folder.
    QVERIFY(QFile::link(tickets, dir.filePath(QStringLiteral("Alias"))));
    QVERIFY(FileHelpers::isInsideFolder(tickets + QStringLiteral("/scan.pdf"), dir.filePath(QStringLiteral("Alias"))));
}

void FileHelpersTest::opensAndRevealsThroughTheOpener()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bon de pesée.pdf"));
    QVERIFY(writeText(file, "%PDF"));
    kv::RecordingDesktopOpener opener;

    QVERIFY(kv::DesktopOpener::openFile(file));
    QCOMPARE(opener.openedUrls, QList<QUrl>{QUrl::fromLocalFile(file)});
    QVERIFY(kv::DesktopOpener::openUrl(QUrl(QStringLiteral("https://exemple.fr/page"))));
    QCOMPARE(opener.openedUrls.size(), 2);

    opener.openedUrls.clear();
    QVERIFY(kv::DesktopOpener::reveal(file));
    QCOMPARE(opener.shownItems, QStringList{file});
    QVERIFY(opener.openedUrls.isEmpty());

    // Without a file manager that selects, the containing folder opens.
    opener.showItemResult = false;
    QVERIFY(kv::DesktopOpener::reveal(file));
    QCOMPARE(opener.openedUrls, QList<QUrl>{QUrl::fromLocalFile(dir.path())});

    opener.openResult = false;
    QVERIFY(!kv::DesktopOpener::reveal(file));
    QVERIFY(!kv::DesktopOpener::openFile(file));
    QVERIFY(!kv::DesktopOpener::openFile(QString()));
}
