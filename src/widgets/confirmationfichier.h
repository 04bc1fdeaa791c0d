#pragma once

// The line a screen shows once it has written a file the user will look for: what was written
// and where, and a button that shows the file in its folder. When the desktop cannot open the
// folder, the line says so with the folder's whole path.

#include <QFrame>

class QLabel;
class QPushButton;

namespace kv {

class ConfirmationFichier : public QFrame {
    Q_OBJECT
public:
    explicit ConfirmationFichier(QWidget* parent = nullptr);

    // Shows « name » enregistré dans « folder », then `detail` when there is one.
    void montrer(const QString& chemin, const QString& detail = QString());

    QString chemin() const { return m_chemin; }
    // The line as the user reads it.
    QString texte() const;
    QPushButton* boutonAfficher() const { return m_afficher; }

    // Shows the file in its folder; false, said on the line under what was written, when the
    // desktop could not.
    bool afficherDansLeDossier();
    // The line for a file written elsewhere whose folder the desktop could not open.
    void montrerDossierInaccessible(const QString& chemin);

private:
    void afficherTexte(const QString& texte);

    QString m_chemin;
    // What montrer() said of the file at m_chemin; empty for a file shown by
    // montrerDossierInaccessible alone.
    QString m_confirmation;
    QLabel* m_texte;
    QPushButton* m_afficher;
};

} // namespace kv
