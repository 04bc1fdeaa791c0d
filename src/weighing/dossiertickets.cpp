#include "dossiertickets.h"

#include "platform/filehelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace kv {

DossierTickets::DossierTickets(QString dossierDonnees) : m_donnees(std::move(dossierDonnees)) {}

QString DossierTickets::dossierDonneesSysteme()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString DossierTickets::chemin() const
{
    if (m_donnees.isEmpty())
        return {};
    return QDir(m_donnees).filePath(QStringLiteral("Kestrovan/Tickets"));
}

bool DossierTickets::contient(const QString& fichier) const
{
    const QString dossier = chemin();
    return !dossier.isEmpty() && !fichier.isEmpty() && FileHelpers::isInsideFolder(fichier, dossier);
}

bool DossierTickets::importer(const QString& source, QString* copie, QString* erreur) const
{
    const QString dossier = chemin();
    if (dossier.isEmpty()) {
        if (erreur)
            *erreur = QStringLiteral("Le dossier des données de l'utilisateur est introuvable.");
        return false;
    }
    if (!QDir().mkpath(dossier)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de créer le dossier « %1 ».").arg(QDir::toNativeSeparators(dossier));
        return false;
    }
    const QString nom = QFileInfo(source).fileName();
    QString destination = QDir(dossier).filePath(nom);
    if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink())
        destination = QDir(dossier).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                                             + QLatin1Char('-') + nom);
    QFile fichier(source);
    if (!fichier.copy(destination)) {
        if (erreur)
            *erreur = fichier.errorString();
        return false;
    }
    if (copie)
        *copie = destination;
    return true;
}

bool DossierTickets::retirer(const QString& fichier, QString* erreur) const
{
    if (!contient(fichier))
        return true;
    QFile cible(QFileInfo(fichier).canonicalFilePath());
    if (!cible.remove()) {
        if (erreur)
            *erreur = cible.errorString();
        return false;
    }
    return true;
}

} // namespace kv
