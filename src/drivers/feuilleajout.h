#pragma once

// The frame shared by the driver form's sheets: a window-modal dialog 400 wide, a title, the
// sheet's controls 20 apart, and the button row ("Annuler" at the leading end, the confirming
// button at the trailing end, pressed by Return). The dialog deletes itself when closed.

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kv {

class ModelContext;
class Record;

class FeuilleAjout : public QDialog {
    Q_OBJECT
public:
    FeuilleAjout(const QString& titre, const QString& texteConfirmation, QWidget* parent);

    QPushButton* boutonAnnuler() const { return m_annuler; }
    QPushButton* boutonConfirmer() const { return m_confirmer; }
    QString titre() const;

protected:
    // Adds a control above the button row.
    void ajouter(QWidget* controle);
    void ajouter(QLayout* controles);
    QLabel* libelleTitre() const { return m_titre; }
    // Inserts a new record of a shared list and saves. On failure the record is discarded (a
    // retry stores one record), the error is shown over the sheet and false is returned.
    bool insererEtSauvegarder(ModelContext* context, Record* record);

private:
    QLabel* m_titre = nullptr;
    QVBoxLayout* m_colonne = nullptr;
    QPushButton* m_annuler = nullptr;
    QPushButton* m_confirmer = nullptr;
};

// The title font of the sheets.
QFont policeTitreFeuille(const QFont& base);

} // namespace kv
