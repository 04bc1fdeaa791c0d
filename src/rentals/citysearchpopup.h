#pragma once

// The small sheet in which the user places a rental site by its town: a text field, the town
// completions under it, and "Valider" to geocode the typed text. The coordinate found goes to
// `onSelect`, then the sheet closes itself.

#include "citysearchviewmodel.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kv {

class VueSuggestionsAdresse;

class CitySearchPopup : public QDialog {
    Q_OBJECT
public:
    // The popup observes `viewModel` without owning it.
    CitySearchPopup(CitySearchViewModel* viewModel, std::function<void(const Coordonnee&)> onSelect,
                    QWidget* parent = nullptr);

    QLineEdit* champVille() const { return m_champ; }
    VueSuggestionsAdresse* liste() const { return m_liste; }
    QPushButton* boutonValider() const { return m_valider; }

private:
    void choisir(const Lieu& lieu);
    void valider();
    void suivreQuery();

    CitySearchViewModel* m_viewModel;
    std::function<void(const Coordonnee&)> m_onSelect;
    QLineEdit* m_champ;
    VueSuggestionsAdresse* m_liste;
    QPushButton* m_valider;
};

} // namespace kv
