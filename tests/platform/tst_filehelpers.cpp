#include "tst_filehelpers.h"

#include "platform/desktopopener.h"
#include "platform/filehelpers.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

void FileHelpersTest::namesFitTheFileSystem()
{
    QTemporaryDir dir;
    const QString head = QStringLiteral("Rapport-");
    const QString tail = QStringLiteral("-janv. 2025.pdf");

    // Short names stay as they are, "/" "\" ":" become "-", control characters blanks.
    QCOMPARE(FileHelpers::fileName(head, QStringLiteral("Dupont & Fils"), tail),
             QStringLiteral("Rapport-Dupont & Fils-janv. 2025.pdf"));
    QCOMPARE(FileHelpers::fileName(head, QStringLiteral("A/B\\C:D"), tail), QStringLiteral("Rapport-A-B-C-D-janv. 2025.pdf"));
    QCOMPARE(FileHelpers::fileName(head, QStringLiteral("A\nB\tC") + QChar(0) + QChar(0x7F) + QChar(0x85) + QStringLiteral("D"), tail),
             QStringLiteral("Rapport-A B C   D-janv. 2025.pdf"));

    // Long names: 255 bytes at most, head and tail whole, the text cut between characters as
    // read, whatever they are made of (two-byte letters, letters and a combining accent,
    // surrogate pairs), and the result is a file that can be made.
    const QStringList units{QStringLiteral("é/"), QStringLiteral("e\u0301"), QStringLiteral("\U0001F69B"),
                            QStringLiteral("a\u0301\u0327"), QStringLiteral("x")};
    for (const QString& unit : units) {
        QString text;
        while (text.size() < 300)
            text += unit;
        const QString name = FileHelpers::fileName(head, text, tail);
        QVERIFY2(name.toUtf8().size() <= FileHelpers::maxFileNameBytes, qPrintable(unit));
        QVERIFY(name.toUtf8().size() > FileHelpers::maxFileNameBytes - 8);
        QVERIFY(name.startsWith(head) && name.endsWith(tail));
        QVERIFY(!name.contains(QLatin1Char('/')));
        const QString kept = name.mid(head.size(), name.size() - head.size() - tail.size());
        const QString cleanUnit = QString(unit).replace(QLatin1Char('/'), QLatin1Char('-'));
        QCOMPARE(kept.size() % cleanUnit.size(), 0);
        QVERIFY(QString(text).replace(QLatin1Char('/'), QLatin1Char('-')).startsWith(kept));
        QFile file(dir.filePath(name));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    }
    // A name that is all head and tail is cut too, but never beyond 255 bytes.
    const QString longTail = QString(300, QLatin1Char('t')) + QStringLiteral(".pdf");
    QVERIFY(FileHelpers::fileName(head, QStringLiteral("x"), longTail).toUtf8().size() <= FileHelpers::maxFileNameBytes);
}

void FileHelpersTest::refusesToWriteOverSpecialFiles()
{
    QTemporaryDir dir;
    QStringList targets{QStringLiteral("/proc/kestrovan.csv"), QStringLiteral("/dev/null"),
                        QStringLiteral("/sys/kestrovan.csv")};
    const QString link = dir.filePath(QStringLiteral("lien.csv"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
    targets << link;
#ifdef Q_OS_UNIX
    const QString pipe = dir.filePath(QStringLiteral("tube.csv"));
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    targets << pipe;
#endif
    for (const QString& target : targets) {
        QString error;
        QVERIFY2(!FileHelpers::writeFile(target, "a;b\n", &error), qPrintable(target));
        QVERIFY(error.startsWith(QStringLiteral("Impossible d’enregistrer")));
        QVERIFY2(error.contains(QStringLiteral("fichier ordinaire")) || error.contains(QStringLiteral("système")),
                 qPrintable(error));
        kv::ScopedSaveFileAnswer answer{target};
        kv::SaveFileRequest request{QStringLiteral("Exporter"), QStringLiteral("f.csv"), {}, {}, {}};
        const SaveFileResult result = FileHelpers::saveAs(nullptr, request, "x");
        QCOMPARE(result.status, SaveFileResult::Status::failed);
    }
#ifdef Q_OS_UNIX
    // The pipe is still a pipe: nothing was put in its place.
    struct stat st;
    QCOMPARE(lstat(QFile::encodeName(pipe).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
#endif
    // Nothing else was left beside them, not even a temporary file.
    QVERIFY(QFileInfo(link).isSymLink());
    QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    left.removeAll(QStringLiteral("tube.csv"));
    QCOMPARE(left, QStringList{QStringLiteral("lien.csv")});
}

void FileHelpersTest::dialogsNeverReadSpecialFiles()
{
    // The same PDF document, named without extension, in a folder of the user's and under /dev:
    // the dialogs tell the first by its content and never open the second.
    const QString pdfType = QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).comment();
    QTemporaryDir dir;
    const QString ordinary = dir.filePath(QStringLiteral("scan"));
    QVERIFY(writeText(ordinary, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n"));
    QTemporaryFile underDev(QStringLiteral("/dev/shm/kv-scan-XXXXXX"));
    if (!underDev.open())
        QSKIP("no /dev/shm to put a document under /dev");
    underDev.write(readAll(ordinary));
    underDev.flush();

    for (QFileDialog::AcceptMode mode : {QFileDialog::AcceptSave, QFileDialog::AcceptOpen}) {
        QFileDialog dialog;
        dialog.setAcceptMode(mode);
        FileHelpers::prepareDialog(dialog);
        const QAbstractFileIconProvider* provider = dialog.iconProvider();
        QVERIFY(provider);
        QCOMPARE(provider->type(QFileInfo(ordinary)), pdfType);
        QVERIFY(provider->type(QFileInfo(underDev.fileName())) != pdfType);
        QVERIFY(!provider->type(QFileInfo(underDev.fileName())).isEmpty());
        QVERIFY(!provider->icon(QFileInfo(underDev.fileName())).isNull());
        // A link to it from the user's folder is the same file.
        const QString link = dir.filePath(QStringLiteral("lien-%1").arg(int(mode)));
        QVERIFY(QFile::link(underDev.fileName(), link));
        QVERIFY(provider->type(QFileInfo(link)) != pdfType);
    }
}
