#pragma once

// The waste types screen: the list of every type with its search, and the form of the type
// opened (or of a new one) beside it. A type that rentals use cannot be deleted.

#include "widgets/forms/recordlistpanel.h"

#include "typedechetformview.h"

#include "widgets/forms/listdetail.h"

#include <QList>
#include <QWidget>

namespace kv {

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
    void ajouterType() { m_ecran->openEditor(nullptr); }
    // Opens the form on a type (a click on its row, "Modifier").
    void modifierType(TypeDechet* type) { m_ecran->openEditor(type); }
    // Deletes a type unless rentals use it, in which case the refusal is explained.
    void supprimerType(TypeDechet* type) { supprimerTypes({type}); }
    // Deletes the types shown at these rows of the list, each as supprimerType() would.
    void supprimerTypes(const QList<int>& rows) { supprimerTypes(m_ecran->recordsAtRows(rows)); }

    TypeDechet* selection() const { return m_ecran->selection(); }
    TypeDechet* typeEnCoursEdition() const { return m_ecran->edited(); }
    bool isEditing() const { return m_ecran->editor() && m_ecran->edited(); }
    // The open form, or null.
    TypeDechetFormView* formulaire() const { return m_ecran->editor(); }
    forms::ListPanel* listPanel() const { return m_ecran->list(); }

private:
    void supprimerTypes(const QList<TypeDechet*>& types);
    void alerteSuppression(const TypeDechet* type, int nbLocationsLiees);

    ModelContext* m_context;
    forms::ListDetail<TypeDechet, TypeDechetFormView>* m_ecran = nullptr;
    bool m_clicEnCours = false;
};

} // namespace kv
