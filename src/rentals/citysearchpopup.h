#pragma once

// The small sheet in which the user places a rental site by its town: a text field, the town
// completions under it, and "Valider" to geocode the typed text. The coordinate found goes to
// `onSelect`, then the sheet closes itself. Under the list, a line says why nothing comes: the
// address service cannot be reached (or answered with an error), or no town matches the text.

#include "citysearchviewmodel.h"

#include <QDialog>

class QLabel;
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
    // The line that says why nothing was found; hidden while there is nothing to say.
    QLabel* message() const { return m_message; }

private:
    void choisir(const Lieu& lieu);
    void valider();
    void suivreQuery();
    void dire(const QString& texte);

    CitySearchViewModel* m_viewModel;
    std::function<void(const Coordonnee&)> m_onSelect;
    QLineEdit* m_champ;
    VueSuggestionsAdresse* m_liste;
    QPushButton* m_valider;
    QLabel* m_message;
};

} // namespace kv
