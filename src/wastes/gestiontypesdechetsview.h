#pragma once

// The waste types screen: the list of every type with its search, and the form of the type
// opened (or of a new one) beside it. A type that rentals use cannot be deleted.

#include "widgets/forms/recordlistpanel.h"

#include <QList>
#include <QWidget>

namespace kv {

class ModelContext;
class TypeDechet;
class TypeDechetFormView;

namespace forms {
class DetailPane;
} // namespace forms

class GestionTypesDechetsView : public QWidget {
    Q_OBJECT
public:
    explicit GestionTypesDechetsView(ModelContext* context, QWidget* parent = nullptr);
    ~GestionTypesDechetsView() override;

    // The types whose label, lower-cased, contains the search text lower-cased (every type for
    // an empty text), in their order.
    static QList<TypeDechet*> typesFiltres(const QList<TypeDechet*>& types, const QString& searchText);
    // The number of rentals that use a type.
    static int nombreLocations(const ModelContext* context, const TypeDechet* type);

    // "Ajouter": opens an empty form for a new type.
    void ajouterType();
    // Opens the form on a type (a click on its row, "Modifier").
    void modifierType(TypeDechet* type);
    // Deletes a type unless rentals use it, in which case the refusal is explained.
    void supprimerType(TypeDechet* type);
    // Deletes the types shown at these rows of the list, each as supprimerType() would.
    void supprimerTypes(const QList<int>& rows);

    TypeDechet* selection() const;
    TypeDechet* typeEnCoursEdition() const { return m_typeEnCoursEdition; }
    bool isEditing() const { return m_isEditing; }
    // The open form, or null.
    TypeDechetFormView* formulaire() const { return m_formulaire; }
    forms::ListPanel* listPanel() const { return m_liste; }

private:
    void ouvrirFormulaire(TypeDechet* type, bool edition);
    void fermerFormulaire();
    void insererNouveauType(TypeDechet* type);
    bool effacerType(TypeDechet* type);
    void enregistrerSuppression();
    void alerteSuppression(int nbLocationsLiees);
    void contexteModifie();

    ModelContext* m_context;
    Query<TypeDechet>* m_types;
    forms::RecordListPanel<TypeDechet>* m_liste = nullptr;
    forms::DetailPane* m_detail = nullptr;
    QString m_searchText;
    TypeDechet* m_typeEnCoursEdition = nullptr;
    bool m_isEditing = false;
    TypeDechetFormView* m_formulaire = nullptr;
    bool m_clicEnCours = false;
};

} // namespace kv
