#pragma once

// The templates of the drivers' planning e-mail: four editors saved at every change, the reset
// to the default texts, and a live preview for a chosen driver and day.

#include "emailplanning.h"
#include "model/horloge.h"
#include "planningoperation.h"

#include <QDate>
#include <QWidget>

#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kv {

class Chauffeur;
class EmailChauffeurPreferences;
class ModelContext;
template <class T>
class Query;
namespace forms {
class LiveForm;
}

class PreferencesEmailChauffeurView : public QWidget {
    Q_OBJECT
public:
    explicit PreferencesEmailChauffeurView(ModelContext* context, QWidget* parent = nullptr,
                                           Horloge horloge = Horloge::systeme());
    ~PreferencesEmailChauffeurView() override;

    EmailChauffeurPreferences* prefs() const { return m_prefs; }
    Chauffeur* previewChauffeur() const { return m_previewChauffeur; }
    QDate previewDate() const { return m_previewDate; }
    const QList<PlanningOperation>& previewOps() const { return m_previewOps; }

    // The texts of the four editors.
    ModelesEmail modelesSaisis() const;

    QLineEdit* editeurSujet() const { return m_sujet; }
    QPlainTextEdit* editeurEntete() const { return m_entete; }
    QLineEdit* editeurLigne() const { return m_ligne; }
    QPlainTextEdit* editeurPied() const { return m_pied; }
    QPushButton* boutonReinitialiser() const { return m_reinitialiser; }
    QComboBox* choixChauffeur() const { return m_choixChauffeur; }
    QDateEdit* choixDate() const { return m_choixDate; }
    QString apercuSujet() const;
    QString apercuCorps() const;
    // The red line under the editors; empty when the last save went through.
    QString erreur() const;

    // Puts the four default templates back, at once; the button asks first.
    void reinitialiserModeles();
    void demanderReinitialisation();
    void rafraichirApercu();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* construireVariables();
    QWidget* construireEditeurs();
    QWidget* construireCommandes();
    QWidget* construireApercu();
    void remplirChoixChauffeurs();
    void chauffeurChoisi(int index);
    void ecrireModeles();
    void majApercu();
    // The operations of the preview's driver and day, without showing them.
    void calculerOperations();
    Chauffeur* chauffeurApercu() const;

    ModelContext* m_context;
    Horloge m_horloge;
    Query<Chauffeur>* m_chauffeurs = nullptr;
    EmailChauffeurPreferences* m_prefs = nullptr;
    ModelesEmail m_sauves; // what the file holds
    // The four editors as a live view of the record: a change made in another window shows in
    // the editors not typed in, and each save writes only the editor typed in.
    forms::LiveForm* m_formulaire = nullptr;
    // Binds the four editors to the record's fields.
    void lier();
    Chauffeur* m_previewChauffeur = nullptr;
    QDate m_previewDate;
    QList<PlanningOperation> m_previewOps;
    std::unique_ptr<Chauffeur> m_exemple; // the sample driver, never inserted
    bool m_chargement = false;
    bool m_dejaMontre = false;

    QLineEdit* m_sujet = nullptr;
    QPlainTextEdit* m_entete = nullptr;
    QLineEdit* m_ligne = nullptr;
    QPlainTextEdit* m_pied = nullptr;
    QLabel* m_erreur = nullptr;
    QPushButton* m_reinitialiser = nullptr;
    QComboBox* m_choixChauffeur = nullptr;
    QDateEdit* m_choixDate = nullptr;
    QLabel* m_apercuSujet = nullptr;
    QLabel* m_apercuCorps = nullptr;
};

} // namespace kv
