#pragma once

// The form that creates a driver or edits one. What the user types stays in the form's own
// state (its fields, the chosen qualification and specialisations, the trainings as pairs of a
// course and an expiry date, the periods) until "Enregistrer" writes it into the store and saves.
//
// A failed save is reported and taken back: a new driver and what was created with him are
// discarded, an existing driver's changes are rolled back, and the form keeps what was typed.
// An existing driver's trainings and periods are saved too: a training removed in the form
// deletes its record, a pair added creates one, an added period joins the driver's periods.

#include "model/horloge.h"
#include "model/query.h"

#include <QDialog>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;

class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QSlider;
class QVBoxLayout;

namespace kv {

namespace forms {
class FormSection;
class LiveForm;
}

class FormulaireChauffeurView : public QWidget {
    Q_OBJECT
public:
    // One training followed: its course and expiry date; `record` is the stored training it
    // came from, null for a pair added in the form.
    struct PaireFormation {
        Formation* formation = nullptr;
        QDateTime dateExpiration;
        FormationChauffeur* record = nullptr;
    };

    static constexpr double kDistanceParDefaut = 50.0;
    static constexpr int kLargeur = 560;

    // `chauffeur`: the driver to edit, null for a new one. `onChauffeurCree` runs after every
    // successful save, after saved(). `horloge` gives the sheets their default dates.
    FormulaireChauffeurView(ModelContext* context, Chauffeur* chauffeur,
                            std::function<void()> onChauffeurCree, Horloge horloge = Horloge::systeme(),
                            QWidget* parent = nullptr);
    ~FormulaireChauffeurView() override;

    Chauffeur* chauffeur() const { return m_chauffeur; }

    // Fills the state from the driver, or back to the defaults without one.
    void chargerChauffeur();
    static QList<PaireFormation> formationsDuChauffeur(const QList<FormationChauffeur*>& suivies);
    // Prénom, nom and téléphone each hold more than spaces and tabs.
    bool formulaireValide() const;
    // The save button: the alert when a required field is missing, else the save, then the
    // form is loaded again from its driver (unless the save failed: what was typed stays).
    void actionEnregistrer();
    // Writes the state into the store and saves; false (reported) when the save failed.
    bool enregistrer();

    // What the screen asks before the form is left.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return formulaireValide(); }
    // As the save button: the alert when a required field is missing; true once stored.
    bool saveChanges();
    // Ctrl+Escape: back to what the driver holds (or to an empty form), once the user has
    // said what becomes of the changes.
    void annulerModifications();
    void focusFirstField();

    // State.
    QString prenom() const;
    QString nom() const;
    QString telephone() const;
    QString email() const;
    double distanceMax() const { return m_distanceMax; }
    Qualification* qualificationSelectionnee() const { return m_qualificationSelectionnee; }
    const QSet<Specialisation*>& specialisationsSelectionnees() const { return m_specialisationsSelectionnees; }
    const QList<PaireFormation>& formationsSuivies() const { return m_formationsSuivies; }
    const QList<Disponibilite*>& disponibilites() const { return m_disponibilites; }
    bool estSpecialisationSelectionnee(Specialisation* s) const { return m_specialisationsSelectionnees.contains(s); }

    // Changes of the state as the sections make them.
    void retirerFormation(int position);
    void basculerSpecialisation(Specialisation* s, bool choisie);

    // The sheets (null while closed) and the alert.
    bool montrerSheetAjoutQualification() const { return ouverte(m_feuilleQualification); }
    bool montrerAjoutSpecialisation() const { return ouverte(m_feuilleSpecialisation); }
    bool montrerAjoutDisponibilite() const { return ouverte(m_feuilleDisponibilite); }
    bool montrerAjoutFormationChauffeur() const { return ouverte(m_feuilleFormation); }
    bool showAlert() const;
    QDialog* feuilleOuverte() const;
    QMessageBox* alerte() const;

    // Controls.
    QLabel* titre() const { return m_titre; }
    QLineEdit* champPrenom() const { return m_prenom; }
    QLineEdit* champNom() const { return m_nom; }
    QLineEdit* champTelephone() const { return m_telephone; }
    QLineEdit* champEmail() const { return m_email; }
    QComboBox* choixQualification() const { return m_qualification; }
    QSlider* curseurDistance() const { return m_distance; }
    QLabel* texteDistance() const { return m_texteDistance; }
    QPushButton* boutonEnregistrer() const { return m_enregistrer; }
    // Beside « Enregistrer » while it is greyed: the required fields still empty.
    QLabel* texteChampsManquants() const { return m_manquants; }
    QPushButton* boutonAjoutQualification() const { return m_ajoutQualification; }
    QPushButton* boutonAjoutFormation() const { return m_ajoutFormation; }
    QPushButton* boutonAjoutSpecialisation() const { return m_ajoutSpecialisation; }
    QPushButton* boutonAjoutDisponibilite() const { return m_ajoutDisponibilite; }
    QWidget* lignesFormations() const { return m_lignesFormations; }
    QWidget* lignesSpecialisations() const { return m_lignesSpecialisations; }
    QWidget* lignesDisponibilites() const { return m_lignesDisponibilites; }
    // The toggles of the specialisations, in the store's order.
    QList<QCheckBox*> casesSpecialisations() const;

signals:
    // After every successful save: the driver saved, new or edited.
    void saved(kv::Chauffeur* chauffeur);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A sheet or the alert is shown until it closes (it is freed a moment later).
    template <class D>
    static bool ouverte(const QPointer<D>& d) { return d && d->isVisible(); }
    forms::FormSection* section(QVBoxLayout* colonne, const QString& titre, const QString& symbole);
    void construireIdentite(QVBoxLayout* colonne);
    void construireQualification(QVBoxLayout* colonne);
    void construireListes(QVBoxLayout* colonne);
    void construireParametres(QVBoxLayout* colonne);
    QPushButton* boutonAjout(const QString& texte, QWidget* parent);

    void afficherQualifications();
    void afficherFormations();
    void afficherSpecialisations();
    void afficherDisponibilites();
    void afficherDistance();
    void majEnregistrer();
    void oublierPeriodesLibres();

    void ouvrirAjoutQualification();
    void ouvrirAjoutSpecialisation();
    void ouvrirAjoutDisponibilite();
    void ouvrirAjoutFormation();
    void montrerAlerte();
    void ouvrirPar(QDialog* d);

    void lierChamps();
    void ecrireFormations(Chauffeur* c);
    void ecrireDisponibilites(Chauffeur* c);
    Chauffeur* creerChauffeur(QList<Record*>& crees);
    QList<Specialisation*> specialisationsDansLOrdre() const;

    ModelContext* m_context;
    Chauffeur* m_chauffeur;
    std::function<void()> m_onChauffeurCree;
    Horloge m_horloge;

    Query<Qualification>* m_qualifications;
    Query<Formation>* m_formationsDisponibles;
    Query<Specialisation>* m_specialisationsDisponibles;

    double m_distanceMax = kDistanceParDefaut;
    Qualification* m_qualificationSelectionnee = nullptr;
    QSet<Specialisation*> m_specialisationsSelectionnees;
    QList<PaireFormation> m_formationsSuivies;
    QList<Disponibilite*> m_disponibilites; // periods added here belong to no context

    QPointer<QDialog> m_feuilleQualification;
    QPointer<QDialog> m_feuilleSpecialisation;
    QPointer<QDialog> m_feuilleDisponibilite;
    QPointer<QDialog> m_feuilleFormation;
    QPointer<QMessageBox> m_alerte;

    QLabel* m_titre = nullptr;
    QLineEdit* m_prenom = nullptr;
    QLineEdit* m_nom = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_email = nullptr;
    QComboBox* m_qualification = nullptr;
    QPushButton* m_ajoutQualification = nullptr;
    QWidget* m_lignesFormations = nullptr;
    QPushButton* m_ajoutFormation = nullptr;
    QWidget* m_lignesSpecialisations = nullptr;
    QPushButton* m_ajoutSpecialisation = nullptr;
    QWidget* m_lignesDisponibilites = nullptr;
    QPushButton* m_ajoutDisponibilite = nullptr;
    QSlider* m_distance = nullptr;
    QLabel* m_texteDistance = nullptr;
    QPushButton* m_enregistrer = nullptr;
    QLabel* m_manquants = nullptr;
    bool m_affichage = false; // controls being set from the state, not by the user
    forms::LiveForm* m_live = nullptr;
    QList<FormationChauffeur*> m_formationsChargees; // the stored trainings the form showed
};

} // namespace kv
