#pragma once

// What the new-rental form adds when it corrects a booked rental: the title « Modifier la
// location », the skip and the two drivers as choices of their own, the bill before and after the
// correction side by side, and a save that writes only what was changed (forms::LiveForm): the
// rental keeps its id, its tickets and whatever was changed elsewhere meanwhile. Another client
// is confirmed first, naming both; the skip or the dates moved over another booking ask as a new
// rental does. A rental deleted elsewhere while the form is open is said so, and nothing is
// stored.

#include <QObject>
#include <QMessageBox>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;

namespace kv {

class Benne;
class Chauffeur;
class FormulaireLocationView;
class LocationDeBenne;
namespace forms {
class LiveForm;
}

class EditionLocation : public QObject {
    Q_OBJECT
public:
    EditionLocation(FormulaireLocationView* form, LocationDeBenne* location);

    LocationDeBenne* location() const { return m_location; }
    forms::LiveForm* live() const { return m_live; }
    bool aDesModifications() const;

    // The form's save in this mode (see FormulaireLocationView::validerEtEnregistrer).
    bool enregistrer(bool chevauchementConfirme, std::function<void()> apresConfirmation);

    // --- Parts, for the tests
    QComboBox* choixBenne() const { return m_choixBenne; }
    QComboBox* choixChauffeurPose() const { return m_choixPose; }
    QComboBox* choixChauffeurEnlevement() const { return m_choixEnlevement; }
    // The bill as stored and as the form now stands.
    QLabel* prixAvant() const { return m_avant; }
    QLabel* prixApres() const { return m_apres; }
    // « Cette location a été supprimée… », shown once it is gone.
    QLabel* avisSupprimee() const { return m_avisSupprimee; }
    QMessageBox* questionClient() const { return m_questionClient; }

    static QString messageSupprimee();
    static QString messageEnlevementAvantPose();

private:
    void construire();
    void lierChamps();
    void actualiserListes();
    void actualiserPrix();
    void surSuppression();
    Benne* benneChoisie() const;
    Chauffeur* chauffeurChoisi(const QComboBox* choix) const;
    bool stocker();

    FormulaireLocationView* m_form;
    LocationDeBenne* m_location;
    forms::LiveForm* m_live = nullptr;
    QComboBox* m_choixBenne = nullptr;
    QComboBox* m_choixPose = nullptr;
    QComboBox* m_choixEnlevement = nullptr;
    QLabel* m_avant = nullptr;
    QLabel* m_apres = nullptr;
    QLabel* m_avisSupprimee = nullptr;
    QPointer<QMessageBox> m_questionClient;
    bool m_clientConfirme = false;
};

} // namespace kv
