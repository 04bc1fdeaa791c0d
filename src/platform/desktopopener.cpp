#include "desktopopener.h"

#include <QDesktopServices>
#include <QFileInfo>

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

} // namespace

bool DesktopOpener::systemOpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
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
