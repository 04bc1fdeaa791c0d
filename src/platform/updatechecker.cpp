#include "updatechecker.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QXmlStreamReader>

#include <algorithm>

namespace kv {

namespace {

const QString kSparkleNs = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QXmlStreamReader& xml)
{
    return xml.namespaceUri() == kSparkleNs || xml.prefix() == QLatin1String("sparkle");
}

QUrl webPage(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return {};
    return url;
}

} // namespace

std::optional<Appcast> parseAppcast(const QByteArray& text, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<Appcast> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QXmlStreamReader xml(text);
    Appcast appcast;
    bool sawRss = false;
    bool inItem = false;
    int channelDepth = 0;
    int depth = 0;
    AppcastItem item;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const QStringView name = xml.name();
            if (depth == 1) {
                if (name != QLatin1String("rss"))
                    return fail(QStringLiteral("ce n’est pas un flux RSS"));
                sawRss = true;
            } else if (name == QLatin1String("channel") && !isSparkle(xml)) {
                channelDepth = depth;
            } else if (name == QLatin1String("item") && !isSparkle(xml)) {
                inItem = true;
                item = AppcastItem{};
            } else if (inItem && name == QLatin1String("enclosure")) {
                const QXmlStreamAttributes attrs = xml.attributes();
                for (const QXmlStreamAttribute& a : attrs) {
                    const bool sparkle = a.namespaceUri() == kSparkleNs || a.prefix() == QLatin1String("sparkle");
                    if (!sparkle)
                        continue;
                    if (a.name() == QLatin1String("version") && item.version.isEmpty())
                        item.version = a.value().toString().trimmed();
                    else if (a.name() == QLatin1String("shortVersionString") && item.shortVersionString.isEmpty())
                        item.shortVersionString = a.value().toString().trimmed();
                }
            } else if (inItem && isSparkle(xml) && name == QLatin1String("version")) {
                item.version = xml.readElementText().trimmed();
                --depth;
            } else if (inItem && isSparkle(xml) && name == QLatin1String("shortVersionString")) {
                item.shortVersionString = xml.readElementText().trimmed();
                --depth;
            } else if (inItem && !isSparkle(xml) && name == QLatin1String("title")) {
                item.title = xml.readElementText().trimmed();
                --depth;
            } else if (!isSparkle(xml) && name == QLatin1String("link")) {
                const QUrl url = webPage(xml.readElementText());
                --depth;
                if (inItem)
                    item.link = url;
                else if (channelDepth > 0 && depth == channelDepth)
                    appcast.link = url;
            }
        } else if (xml.isEndElement()) {
            if (inItem && xml.name() == QLatin1String("item")) {
                inItem = false;
                if (!item.comparedVersion().isEmpty())
                    appcast.items.append(item);
            }
            if (depth == channelDepth)
                channelDepth = 0;
            --depth;
        }
    }
    if (xml.hasError())
        return fail(QStringLiteral("XML invalide (ligne %1) : %2").arg(xml.lineNumber()).arg(xml.errorString()));
    if (!sawRss)
        return fail(QStringLiteral("ce n’est pas un flux RSS"));
    if (appcast.items.isEmpty())
        return fail(QStringLiteral("aucune version n’y est annoncée"));
    return appcast;
}

int compareVersions(const QString& a, const QString& b)
{
    const QStringList pa = a.trimmed().split(QLatin1Char('.'));
    const QStringList pb = b.trimmed().split(QLatin1Char('.'));
    const qsizetype n = std::max(pa.size(), pb.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString sa = i < pa.size() ? pa[i] : QStringLiteral("0");
        const QString sb = i < pb.size() ? pb[i] : QStringLiteral("0");
        bool oka = false, okb = false;
        const qulonglong na = sa.toULongLong(&oka);
        const qulonglong nb = sb.toULongLong(&okb);
        if (oka && okb) {
            if (na != nb)
                return na < nb ? -1 : 1;
        } else if (oka != okb) {
            return oka ? 1 : -1; // "1.0" is newer than "1.0.beta"
        } else if (const int c = QString::compare(sa, sb); c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return 0;
}

UpdateChecker::UpdateChecker(const QString& currentVersion, QObject* parent)
    : QObject(parent), m_currentVersion(currentVersion), m_feedUrl(configuredFeedUrl())
{
}

QUrl UpdateChecker::defaultFeedUrl()
{
    return QUrl(QStringLiteral("https://kestrovan.fr/appcast.xml"));
}

QUrl UpdateChecker::configuredFeedUrl()
{
    const QString configured = QSettings().value(QStringLiteral("updates/feedUrl")).toString().trimmed();
    return configured.isEmpty() ? defaultFeedUrl() : QUrl(configured);
}

bool UpdateChecker::isAcceptableFeedUrl(const QUrl& url, QString* error)
{
    if (!url.isValid() || url.host().isEmpty()) {
        if (error)
            *error = QStringLiteral("L’adresse du flux de mises à jour n’est pas valide : « %1 ».")
                         .arg(url.toString());
        return false;
    }
    if (url.scheme() == QLatin1String("https"))
        return true;
    const QHostAddress host(url.host());
    const bool local = url.host() == QLatin1String("localhost") || (!host.isNull() && host.isLoopback());
    if (url.scheme() == QLatin1String("http") && local)
        return true;
    if (error)
        *error = QStringLiteral("L’adresse du flux de mises à jour doit commencer par https:// : « %1 ».")
                     .arg(url.toString());
    return false;
}

UpdateCheckResult UpdateChecker::evaluate(const QByteArray& feed) const
{
    UpdateCheckResult result;
    QString why;
    const std::optional<Appcast> appcast = parseAppcast(feed, &why);
    if (!appcast) {
        result.status = UpdateCheckResult::Status::failed;
        result.error = QStringLiteral("Le flux de mises à jour est illisible : %1.").arg(why);
        return result;
    }
    const AppcastItem* newest = nullptr;
    for (const AppcastItem& item : appcast->items)
        if (!newest || compareVersions(item.comparedVersion(), newest->comparedVersion()) > 0)
            newest = &item;
    result.latestVersion = newest->comparedVersion();
    result.downloadPage = newest->link.isValid() ? newest->link : appcast->link;
    result.status = compareVersions(result.latestVersion, m_currentVersion) > 0
                        ? UpdateCheckResult::Status::updateAvailable
                        : UpdateCheckResult::Status::upToDate;
    return result;
}

void UpdateChecker::checkForUpdates()
{
    if (isChecking())
        return;
    QString why;
    if (!isAcceptableFeedUrl(m_feedUrl, &why)) {
        UpdateCheckResult r;
        r.error = why;
        finish(r);
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(m_feedUrl);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Kestrovan/%1").arg(m_currentVersion));
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this, [this, reply = m_reply.data()] { onReply(reply); });
    emit checkStarted();
}

void UpdateChecker::onReply(QNetworkReply* reply)
{
    reply->deleteLater();
    m_reply.clear();
    UpdateCheckResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::OperationCanceledError
        || reply->error() == QNetworkReply::TimeoutError) {
        // Only the transfer timeout cancels a check.
        result.error = QStringLiteral("Le serveur des mises à jour n’a pas répondu à temps (%1 s).")
                           .arg(std::max(1, m_timeoutMs / 1000));
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = status >= 400
            ? QStringLiteral("Le serveur des mises à jour a répondu par l’erreur %1.").arg(status)
            : QStringLiteral("Impossible de joindre le serveur des mises à jour : %1.").arg(reply->errorString());
    } else if (status != 0 && (status < 200 || status >= 300)) {
        result.error = QStringLiteral("Le serveur des mises à jour a répondu par l’erreur %1.").arg(status);
    } else {
        result = evaluate(reply->readAll());
    }
    finish(result);
}

void UpdateChecker::finish(const UpdateCheckResult& result)
{
    emit finished(result);
}

} // namespace kv
