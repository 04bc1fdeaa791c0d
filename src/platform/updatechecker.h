#pragma once

// Tells the user whether a newer version of the application exists: reads the appcast (an RSS
// feed of releases) over HTTPS, compares versions and offers the release's web page. It never
// downloads nor runs anything.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace kv {

// One release of the feed.
struct AppcastItem {
    QString title;
    QString version;            // the build's version
    QString shortVersionString; // the version shown to users
    QUrl link;                  // the release's web page

    // The version compared with the running one: the shown version, else the build's.
    QString comparedVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }
};

struct Appcast {
    QUrl link; // the channel's web page
    QList<AppcastItem> items;
};

// Reads an appcast. None, with the reason, when the text is not an RSS feed or holds no release
// with a version.
std::optional<Appcast> parseAppcast(const QByteArray& xml, QString* error = nullptr);

// Compares dotted versions numerically part by part ("1.10" > "1.9", "1.0" == "1.0.0"); a part
// that is not a number compares as text after the numbers. Negative, 0 or positive.
int compareVersions(const QString& a, const QString& b);

struct UpdateCheckResult {
    enum class Status { upToDate, updateAvailable, failed };
    Status status = Status::failed;
    QString latestVersion;  // the newest version of the feed (not for a failure)
    QUrl downloadPage;      // where the newer version can be fetched by the user; may be empty
    QString error;          // for a failure: what went wrong, in French
};

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(const QString& currentVersion, QObject* parent = nullptr);

    QString currentVersion() const { return m_currentVersion; }
    QUrl feedUrl() const { return m_feedUrl; }
    void setFeedUrl(const QUrl& url) { m_feedUrl = url; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // The feed address of the settings (key "updates/feedUrl"), or the built-in one.
    static QUrl configuredFeedUrl();
    static QUrl defaultFeedUrl();

    // Accepted feed addresses: https, or http to this very machine.
    static bool isAcceptableFeedUrl(const QUrl& url, QString* error = nullptr);

    // Starts one check; finished() follows. A check asked while one runs is ignored.
    void checkForUpdates();
    bool isChecking() const { return !m_reply.isNull(); }

    // Decides the result of a received feed (exposed for the unit tests).
    UpdateCheckResult evaluate(const QByteArray& feed) const;

signals:
    void checkStarted();
    void finished(const kv::UpdateCheckResult& result);

private:
    void onReply(QNetworkReply* reply);
    void finish(const UpdateCheckResult& result);

    QString m_currentVersion;
    QUrl m_feedUrl;
    int m_timeoutMs = 15000;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};

} // namespace kv
Q_DECLARE_METATYPE(kv::UpdateCheckResult)
