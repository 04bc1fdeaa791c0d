#pragma once

// The sheet that adds a training followed by the driver: a course chosen among the courses of
// the store (a new course can be created here, stored at once and not chosen) and an expiry
// date. It hands the pair to `onValider`; no FormationChauffeur is created here.

#include "feuilleajout.h"

#include "model/query.h"

#include <functional>

class QComboBox;
class QDateEdit;
class QLineEdit;

namespace kv {

class FormulaireAjoutFormationChauffeur : public FeuilleAjout {
    Q_OBJECT
public:
    FormulaireAjoutFormationChauffeur(ModelContext* context, Query<Formation>* formationsDisponibles,
                                      const QDateTime& maintenant,
                                      std::function<void(Formation*, const QDateTime&)> onValider,
                                      QWidget* parent = nullptr);

    QComboBox* choixFormation() const { return m_choix; }
    QLineEdit* champNouvelleFormation() const { return m_nomNouvelle; }
    QPushButton* boutonAjouter() const { return m_ajouter; }
    QDateEdit* champExpiration() const { return m_expiration; }
    Formation* formationSelectionnee() const { return m_selection; }

    void creerFormation();
    void valider();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void remplirChoix();
    void majBoutons();

    ModelContext* m_context;
    Query<Formation>* m_formations;
    std::function<void(Formation*, const QDateTime&)> m_onValider;
    Formation* m_selection = nullptr;
    QDateTime m_dateExpiration;
    QComboBox* m_choix = nullptr;
    QLineEdit* m_nomNouvelle = nullptr;
    QPushButton* m_ajouter = nullptr;
    QDateEdit* m_expiration = nullptr;
    bool m_remplissage = false;
};

} // namespace kv
