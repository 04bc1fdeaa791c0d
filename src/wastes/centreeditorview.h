#pragma once

// The form that creates a treatment centre or edits one: name, first address line, postcode,
// town, phone and e-mail. Every other field of the centre is left as it is; a new centre is in
// France.

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

class CentreTraitement;
class ModelContext;
namespace forms {
class LiveForm;
}

class CentreEditorView : public QWidget {
    Q_OBJECT
public:
    enum class FocusField { nom, adresse1, codePostal, ville, telephone, email };

    // `centre` is the centre edited; null for a new one.
    CentreEditorView(ModelContext* context, CentreTraitement* centre, QWidget* parent = nullptr);
    ~CentreEditorView() override;

    // The centre the form is bound to: null until a new centre is saved.
    CentreTraitement* centre() const { return m_centre; }

    // The name, trimmed, is not empty.
    bool peutEnregistrer() const;
    // Copies the bound centre into the fields and puts the focus on the name.
    void chargerCentre();
    // Creates or updates the centre from the fields and saves the store; true once stored.
    bool enregistrer();

    // What the screen asks before the editor is left.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return peutEnregistrer(); }
    bool saveChanges() { return enregistrer(); }
    void focusFirstField();

    QString entete() const;
    QLineEdit* champ(FocusField f) const;
    QPushButton* boutonEnregistrer() const { return m_enregistrer; }
    QPushButton* boutonAnnuler() const { return m_annuler; }

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // "Enregistrer" stored the centre (new or not).
    void saved(kv::CentreTraitement* centre);
    // "Annuler" or Ctrl+Escape.
    void cancelled();

private:
    void actualiser();
    void lierChamps();

    ModelContext* m_context;
    CentreTraitement* m_centre;

    QLabel* m_titre = nullptr;
    QLineEdit* m_nom = nullptr;
    QLineEdit* m_adresse1 = nullptr;
    QLineEdit* m_codePostal = nullptr;
    QLineEdit* m_ville = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_email = nullptr;
    QPushButton* m_annuler = nullptr;
    QPushButton* m_enregistrer = nullptr;
    forms::LiveForm* m_live = nullptr;
    bool m_shownOnce = false;
};

} // namespace kv
