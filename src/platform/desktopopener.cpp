#include "desktopopener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

#if defined(KV_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#endif

namespace kv {

namespace {

DesktopOpener::UrlOpener& urlOpener()
{
    static DesktopOpener::UrlOpener opener;
    return opener;
}

DesktopOpener::ItemShower& itemShower()
{
    static DesktopOpener::ItemShower shower;
    return shower;
}

Q_LOGGING_CATEGORY(desktopLogger, "TAV.Kestrovan.Desktop")

// A mailto link holds a whole message (clients' names and addresses): what is logged about it
// never includes the link.
void logNoMailProgram()
{
    qCWarning(desktopLogger, "Aucun programme de messagerie n’a répondu au lien mailto");
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop's launcher, run with its output discarded: the launcher and the program it starts
// would otherwise print the link when they fail. Its failure, once it is known, is logged.
bool openMailLinkWithLauncher(const QUrl& url)
{
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty()) {
        logNoMailProgram();
        return false;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(launcher);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, [process](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            logNoMailProgram();
        process->deleteLater();
    });
    process->start();
    if (!process->waitForStarted()) {
        logNoMailProgram();
        process->deleteLater();
        return false;
    }
    return true;
}
#endif

} // namespace

bool DesktopOpener::systemOpenUrl(const QUrl& url)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
        return openMailLinkWithLauncher(url);
#endif
    if (QDesktopServices::openUrl(url))
        return true;
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
        logNoMailProgram();
    return false;
}

QString DesktopOpener::openFailedText(const QString& filePath)
{
    return QStringLiteral("Le fichier « %1 » n’a pas pu être ouvert : aucune application ne l’a pris en charge.")
        .arg(QDir::toNativeSeparators(QFileInfo(filePath).absoluteFilePath()));
}

QString DesktopOpener::revealFailedText(const QString& filePath)
{
    return QStringLiteral("Le dossier « %1 » n’a pas pu être ouvert : aucun gestionnaire de fichiers n’a répondu.")
        .arg(QDir::toNativeSeparators(QFileInfo(filePath).absolutePath()));
}

QString DesktopOpener::openLabel()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("Ouvrir dans Aperçu");
#else
    return QStringLiteral("Ouvrir");
#endif
}

QString DesktopOpener::revealLabel()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("Révéler dans le Finder");
#else
    return QStringLiteral("Afficher dans le dossier");
#endif
}

bool DesktopOpener::systemShowItem(const QString& filePath)
{
#if defined(KV_HAVE_DBUS)
    static const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const bool running = bus.interface()->isServiceRegistered(service).value();
    if (!running) {
        const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
        if (!activatable.isValid() || !activatable.value().contains(service))
            return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       service, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage answer = bus.call(call, QDBus::Block, 3000);
    return answer.type() == QDBusMessage::ReplyMessage;
#else
    Q_UNUSED(filePath);
    return false;
#endif
}

bool DesktopOpener::openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return urlOpener() ? urlOpener()(url) : systemOpenUrl(url);
}

bool DesktopOpener::openFile(const QString& filePath)
{
    if (filePath.isEmpty())
        return false;
    return openUrl(QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()));
}

bool DesktopOpener::reveal(const QString& filePath)
{
    if (filePath.isEmpty())
        return false;
    const QFileInfo info(filePath);
    const QString absolute = info.absoluteFilePath();
    const bool shown = itemShower() ? itemShower()(absolute) : systemShowItem(absolute);
    if (shown)
        return true;
    return openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

void DesktopOpener::setUrlOpener(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

void DesktopOpener::setItemShower(ItemShower shower)
{
    itemShower() = std::move(shower);
}

RecordingDesktopOpener::RecordingDesktopOpener()
{
    DesktopOpener::setUrlOpener([this](const QUrl& url) {
        openedUrls.append(url);
        return openResult;
    });
    DesktopOpener::setItemShower([this](const QString& path) {
        if (!showItemResult)
            return false;
        shownItems.append(path);
        return true;
    });
}

RecordingDesktopOpener::~RecordingDesktopOpener()
{
    DesktopOpener::setUrlOpener({});
    DesktopOpener::setItemShower({});
}

} // namespace kv
