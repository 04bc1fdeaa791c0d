#include "pgserver.h"

#include <libpq-fe.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace pgtest {

namespace {

struct Server {
    std::unique_ptr<QTemporaryDir> dir;
    QString bin;
    std::unique_ptr<QProcess> postgres;
    int databases = 0;
    uid_t uid = 0;
    gid_t gid = 0;

    QString socketDir() const { return dir->path(); }
    QString data() const { return dir->filePath(QStringLiteral("data")); }

    // Runs as the unprivileged user when the tests run as root (the server refuses root), and
    // ends with the tests however they end.
    void unprivileged(QProcess& p) const
    {
        const bool root = ::geteuid() == 0;
        const uid_t u = uid;
        const gid_t g = gid;
        p.setChildProcessModifier([root, u, g] {
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(g) != 0 || ::setuid(u) != 0))
                ::_exit(127);
            ::prctl(PR_SET_PDEATHSIG, SIGINT);
        });
    }
};

Server& server()
{
    static Server s;
    return s;
}

// The folder of the server's programs.
QString findPrograms()
{
    QProcess config;
    config.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    if (config.waitForFinished() && config.exitCode() == 0) {
        const QString dir = QString::fromLocal8Bit(config.readAllStandardOutput()).trimmed();
        if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable() && QFileInfo(dir + QStringLiteral("/postgres")).isExecutable())
            return dir;
    }
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    const QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& v : found) {
        const QString dir = versions.filePath(v + QStringLiteral("/bin"));
        if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable())
            return dir;
    }
    return {};
}

QString location(const QString& database)
{
    return QStringLiteral("postgresql:///") + database + QStringLiteral("?host=")
           + QString::fromUtf8(QUrl::toPercentEncoding(server().socketDir())) + QStringLiteral("&user=kestrovan");
}

} // namespace

bool start(QString* error, bool durable)
{
    Server& s = server();
    if (s.postgres && s.postgres->state() == QProcess::Running)
        return true;
    if (!s.dir) {
        s.bin = findPrograms();
        if (s.bin.isEmpty()) {
            *error = QStringLiteral("Programmes du serveur PostgreSQL introuvables (initdb, postgres) : "
                                    "lancez scripts/install-deps.");
            return false;
        }
        // Under /tmp whatever TMPDIR says: the socket's path must stay short, and the folder
        // reachable by the unprivileged user.
        s.dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/kestrovan-pg-XXXXXX"));
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(QFile::encodeName(s.dir->path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                *error = QStringLiteral("Aucun utilisateur non privilégié pour le serveur de test.");
                return false;
            }
            s.uid = nobody->pw_uid;
            s.gid = nobody->pw_gid;
        }
        QProcess initdb;
        s.unprivileged(initdb);
        initdb.start(s.bin + QStringLiteral("/initdb"),
                     {QStringLiteral("-D"), s.data(), QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
                      QStringLiteral("kestrovan"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                      QStringLiteral("--locale=C"), QStringLiteral("--no-sync")});
        if (!initdb.waitForFinished(-1) || initdb.exitCode() != 0) {
            *error = QStringLiteral("initdb a échoué : ") + QString::fromLocal8Bit(initdb.readAllStandardError());
            return false;
        }
        // One role proves who it is by its password, before the lines that trust every other.
        QFile hba(QDir(s.data()).filePath(QStringLiteral("pg_hba.conf")));
        QByteArray rules;
        if (hba.open(QIODevice::ReadOnly))
            rules = hba.readAll();
        hba.close();
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || hba.write(QByteArray("local all ") + kPasswordRole + " scram-sha-256\n" + rules) < 0) {
            *error = QStringLiteral("pg_hba.conf ne peut pas être écrit : ") + hba.errorString();
            return false;
        }
        hba.close();
    }
    s.postgres = std::make_unique<QProcess>();
    s.unprivileged(*s.postgres);
    s.postgres->setProcessChannelMode(QProcess::MergedChannels);
    // Only what the server says of itself is logged (a refused statement is not): it says
    // little, and nothing blocks on a log that no one reads.
    QStringList arguments{QStringLiteral("-D"), s.data(), QStringLiteral("-k"), s.socketDir(), QStringLiteral("-c"),
                          QStringLiteral("listen_addresses="), QStringLiteral("-c"), QStringLiteral("log_min_messages=log"),
                          QStringLiteral("-c"), QStringLiteral("lc_messages=C")};
    if (!durable)
        arguments << QStringLiteral("-c") << QStringLiteral("fsync=off") << QStringLiteral("-c")
                  << QStringLiteral("full_page_writes=off");
    s.postgres->start(s.bin + QStringLiteral("/postgres"), arguments);
    // Ready when it says so; gone if it stops first.
    QByteArray said;
    while (!said.contains("ready to accept connections")) {
        if (!s.postgres->waitForReadyRead(60000) && s.postgres->state() != QProcess::Running) {
            *error = QStringLiteral("Le serveur PostgreSQL de test n’a pas démarré : ") + QString::fromLocal8Bit(said);
            s.postgres.reset();
            return false;
        }
        said += s.postgres->readAll();
    }
    QObject::connect(s.postgres.get(), &QProcess::readyRead, s.postgres.get(), [p = s.postgres.get()] { p->readAll(); });
    return true;
}

void stop()
{
    Server& s = server();
    if (!s.postgres)
        return;
    // A fast shutdown: the open connections are ended.
    ::kill(pid_t(s.postgres->processId()), SIGINT);
    s.postgres->waitForFinished(-1);
    s.postgres.reset();
}

QString socketFolder()
{
    return server().socketDir();
}

QString freshDatabase()
{
    const QString name = QStringLiteral("t%1").arg(++server().databases);
    exec(location(QStringLiteral("postgres")), QStringLiteral("CREATE DATABASE ") + name);
    return location(name);
}

namespace {

template <class F>
QString withConnection(const QString& where, F f)
{
    PGconn* conn = PQconnectdb(where.toUtf8().constData());
    QString out = PQstatus(conn) == CONNECTION_OK ? f(conn) : QString::fromUtf8(PQerrorMessage(conn));
    PQfinish(conn);
    return out;
}

} // namespace

QString exec(const QString& where, const QString& sql)
{
    return withConnection(where, [&](PGconn* conn) {
        PGresult* r = PQexec(conn, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(r);
        QString out = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? QString()
                                                                              : QString::fromUtf8(PQresultErrorMessage(r));
        PQclear(r);
        return out;
    });
}

QString value(const QString& where, const QString& sql)
{
    return withConnection(where, [&](PGconn* conn) {
        PGresult* r = PQexec(conn, sql.toUtf8().constData());
        QString out = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0))
                                                                                : QStringLiteral("<erreur>");
        PQclear(r);
        return out;
    });
}

QByteArray dump(const QString& where)
{
    const QString tables = value(where, QStringLiteral("SELECT string_agg(quote_ident(table_name), ',' ORDER BY table_name) "
                                                       "FROM information_schema.tables WHERE table_schema = 'public'"));
    QByteArray out = tables.toUtf8();
    for (const QString& t : tables.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out += '\n' + t.toUtf8() + ": "
               + value(where, QStringLiteral("SELECT coalesce(string_agg(r::text, ';' ORDER BY r::text), '') FROM %1 r").arg(t))
                     .toUtf8();
    return out;
}

} // namespace pgtest
