#pragma once

// The form that creates or edits a waste type. Its controls edit a TypeDechetFormModel filled
// when the form is built; the record changes only when the form saves. While a type is edited,
// the fields not typed follow what another window stores, and a save writes only the typed
// fields.

#include "typedechetformmodel.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace kv {

class ModelContext;
template <class T>
class Query;

namespace forms {
class ColorField;
class EditorFrame;
class LiveForm;
class NumberField;
} // namespace forms

class TypeDechetFormView : public QWidget {
    Q_OBJECT
public:
    // The focusable text fields.
    enum class Champ { libelle, details, codeCED };

    // `type` fills the form (none for a new type); `objetAModifier` is the record written in
    // edit mode.
    TypeDechetFormView(ModelContext* context, TypeDechet* type, TypeDechet* objetAModifier,
                       bool isEdition, QWidget* parent = nullptr);
    ~TypeDechetFormView() override;

    static const QStringList categories;

    TypeDechetFormModel* model() const { return m_model; }
    bool isEdition() const { return m_isEdition; }
    TypeDechet* objetAModifier() const { return m_objetAModifier; }

    bool libelleValide() const;
    bool tvaValide() const;

    // Commits what is typed in the number fields, checks the form, writes the record and saves;
    // true once stored.
    bool enregistrer();

    // What the screen asks before the form is left: something was typed or chosen since it
    // was filled, followed or saved.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return libelleValide() && tvaValide(); }
    bool saveChanges() { return enregistrer(); }
    void focusFirstField();
    // Puts the colour text on the clipboard, as it is held.
    void copierCodeCouleur();

    QWidget* champ(Champ c) const;
    forms::EditorFrame* frame() const { return m_frame; }

signals:
    // The type was written and stored.
    void saved(kv::TypeDechet* type);
    // "Annuler" or Ctrl+Escape.
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void construire();
    void lierChamps();
    void remplirCentres();
    void actualiserValidite();
    bool validerNombres();
    QList<forms::NumberField*> champsNombres() const;
    QString messageEchec(const QString& erreur) const;

    ModelContext* m_context;
    TypeDechetFormModel* m_model;
    Query<CentreTraitement>* m_centres;
    TypeDechet* m_objetAModifier;
    bool m_isEdition;

    forms::EditorFrame* m_frame = nullptr;
    QLineEdit* m_libelle = nullptr;
    forms::ColorField* m_couleur = nullptr;
    QComboBox* m_categorie = nullptr;
    QLineEdit* m_codeCED = nullptr;
    QComboBox* m_centre = nullptr;
    QLineEdit* m_details = nullptr;
    forms::NumberField* m_tva = nullptr;
    QWidget* m_ligneTva = nullptr;
    QCheckBox* m_dangereux = nullptr;
    QCheckBox* m_melange = nullptr;
    forms::NumberField* m_forfait = nullptr;
    forms::NumberField* m_prixTonne = nullptr;
    forms::NumberField* m_franchise = nullptr;
    forms::NumberField* m_supplementTonnage = nullptr;
    forms::NumberField* m_joursInclus = nullptr;
    forms::NumberField* m_supplementJour = nullptr;
    QPlainTextEdit* m_consignes = nullptr;
    QPlainTextEdit* m_dechetsInterdits = nullptr;
    forms::LiveForm* m_live = nullptr;
    bool m_focusInitial = false;
};

} // namespace kv
