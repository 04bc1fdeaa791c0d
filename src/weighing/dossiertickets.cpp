#include "dossiertickets.h"

#include "platform/filehelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
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

QString DossierTickets::dossierIntrouvable()
{
    return QStringLiteral("Le dossier des données de l'utilisateur est introuvable.");
}

bool DossierTickets::estDocument(const QString& fichier)
{
    // By its name, and by its content when the name says nothing (a scan saved without its
    // extension still counts).
    if (FileHelpers::isSpecialFile(fichier))
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fichier);
    return type.inherits(QStringLiteral("application/pdf")) || type.name().startsWith(QLatin1String("image/"));
}

bool DossierTickets::contient(const QString& fichier) const
{
    const QString dossier = chemin();
    return !dossier.isEmpty() && !fichier.isEmpty() && FileHelpers::isInsideFolder(fichier, dossier)
           && !FileHelpers::isSpecialFile(fichier);
}

QString DossierTickets::introuvablePour(const QString& fichier) const
{
    const QString dossier = chemin();
    if (dossier.isEmpty())
        return dossierIntrouvable();
    if (QFileInfo(dossier).isDir())
        return {};
    // Compared as written: with the folder gone, links into it cannot be resolved.
    const QString racine = QDir::cleanPath(dossier) + QLatin1Char('/');
    const QFileInfo info(fichier);
    const bool dedans = QDir::cleanPath(info.absoluteFilePath()).startsWith(racine)
                        || (info.isSymLink() && QDir::cleanPath(info.symLinkTarget()).startsWith(racine));
    if (!dedans)
        return {};
    return QStringLiteral("Le dossier des pièces jointes « %1 » est introuvable.").arg(QDir::toNativeSeparators(dossier));
}

bool DossierTickets::importer(const QString& source, QString* copie, QString* erreur) const
{
    const QString dossier = chemin();
    if (dossier.isEmpty()) {
        if (erreur)
            *erreur = dossierIntrouvable();
        return false;
    }
    if (FileHelpers::isSpecialFile(source)) {
        if (erreur)
            *erreur = QStringLiteral("« %1 » est un fichier spécial du système : seuls les documents PDF et les images peuvent être joints.")
                          .arg(QFileInfo(source).fileName());
        return false;
    }
    if (!estDocument(source)) {
        if (erreur)
            *erreur = QStringLiteral("« %1 » n'est ni un document PDF ni une image : seuls ces fichiers peuvent être joints.")
                          .arg(QFileInfo(source).fileName());
        return false;
    }
    if (!QDir().mkpath(dossier)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de créer le dossier « %1 ».").arg(QDir::toNativeSeparators(dossier));
        return false;
    }
    // The name and its extension apart, so that a name cut to fit keeps its extension.
    const QString nom = QFileInfo(source).fileName();
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const QString base = point > 0 ? nom.left(point) : nom;
    const QString extension = point > 0 ? nom.mid(point) : QString();
    QString destination = QDir(dossier).filePath(FileHelpers::fileName(QString(), base, extension));
    if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink())
        destination = QDir(dossier).filePath(FileHelpers::fileName(
            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QLatin1Char('-'), base, extension));
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
