#include "outils.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QUuid>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define kv_dup _dup
#define kv_dup2 _dup2
#define kv_fileno _fileno
#define kv_close _close
#else
#include <unistd.h>
#define kv_dup dup
#define kv_dup2 dup2
#define kv_fileno fileno
#define kv_close close
#endif

namespace kvtest {

std::unique_ptr<kv::ModelContext> nouveauStore()
{
    QString erreur;
    auto context = kv::ModelContext::open(QStringLiteral(":memory:"), &erreur);
    if (!context)
        qFatal("store en mémoire impossible: %s", qPrintable(erreur));
    return context;
}

kv::TypeDechet* nouveauType(const QString& libelle, const QString& categorie)
{
    return new kv::TypeDechet(libelle, std::nullopt, categorie, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              20.0, false, std::nullopt, false, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt);
}

kv::CentreTraitement* nouveauCentre(const QString& nom, const std::optional<QString>& ville)
{
    return new kv::CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    ville, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, std::nullopt, std::nullopt);
}

kv::LocationDeBenne* nouvelleLocation(kv::ModelContext* context, kv::TypeDechet* type)
{
    auto* client = new kv::Client(QUuid::createUuid(), QStringLiteral("Client"),
                                  QStringLiteral("00FF00"), QString(), QString(), QString(),
                                  QString(), std::nullopt, std::nullopt);
    auto* benne = new kv::Benne(10.0, QStringLiteral("808080"), kv::EtatBenne::correct, QString(),
                                nullptr);
    context->insert(client);
    context->insert(benne);
    auto* location = new kv::LocationDeBenne(client, benne, std::nullopt, std::nullopt, std::nullopt,
                                             0, 0, 0, QDateTime::currentDateTime(), std::nullopt,
                                             type);
    context->insert(location);
    return location;
}

CaptureSortie::CaptureSortie()
{
    static int compteur = 0;
    m_chemin = QDir::temp().filePath(QStringLiteral("kestrovan-sortie-%1-%2.txt")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(++compteur));
    std::fflush(stdout);
    m_sauvegarde = kv_dup(kv_fileno(stdout));
    if (!std::freopen(m_chemin.toLocal8Bit().constData(), "w", stdout))
        qFatal("capture de la sortie impossible");
}

CaptureSortie::~CaptureSortie()
{
    texte();
    QFile::remove(m_chemin);
}

QString CaptureSortie::texte()
{
    if (!m_fini) {
        m_fini = true;
        std::fflush(stdout);
        kv_dup2(m_sauvegarde, kv_fileno(stdout));
        kv_close(m_sauvegarde);
    }
    QFile f(m_chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace kvtest
