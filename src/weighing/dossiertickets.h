#pragma once

// The tickets folder: documents attached to weighbridge tickets are copied into
// <data>/Kestrovan/Tickets, and only files inside it are ever opened, revealed or removed.

#include <QString>

namespace kv {

class DossierTickets {
public:
    // `dossierDonnees` is the user's data folder (QStandardPaths::GenericDataLocation outside
    // tests); empty means it could not be found.
    explicit DossierTickets(QString dossierDonnees);

    // The machine's data folder.
    static QString dossierDonneesSysteme();

    QString dossierDonnees() const { return m_donnees; }
    // <data>/Kestrovan/Tickets, whether it exists or not; empty without a data folder.
    QString chemin() const;

    // The file exists, is no special file (a pipe, a device…) and lies inside the folder, both
    // taken by their canonical paths.
    bool contient(const QString& fichier) const;

    // Why nothing can tell whether `fichier` is one of the folder's files: no data folder, or
    // the folder itself cannot be found (moved away, "Kestrovan" replaced by a file) while the
    // path names a place inside it. Empty when contient() answers for it.
    QString introuvablePour(const QString& fichier) const;

    // The reason given when there is no data folder.
    static QString dossierIntrouvable();

    // A PDF document or an image of any kind, by its content or, failing that, its name. A
    // special file is none and is never read.
    static bool estDocument(const QString& fichier);

    // Copies `source` into the folder, created with "Kestrovan" when missing, under its own name,
    // or "<new UUID>-<name>" when a file of that name is already there; a name too long for the
    // file system is cut, its extension kept. The source is untouched.
    // False with the reason when the source is a special file or neither a PDF document nor an
    // image, the folder cannot be made or the copy fails: nothing is copied then.
    bool importer(const QString& source, QString* copie, QString* erreur) const;

    // Removes a file that lies in the folder (the target of a link into it). A file outside is
    // left alone and a missing file counts as removed: both answer true.
    bool retirer(const QString& fichier, QString* erreur) const;

private:
    QString m_donnees;
};

} // namespace kv
