#pragma once

// The sheet that prepares an availability period. The period is not inserted in the store: it
// is handed to `onValider`, which takes ownership of it. While "Fin" has not been touched it
// shows the start date and the period stays open-ended; touched in any way, even to choose the
// day it shows, it gives the period its end.

#include "choixdate.h"
#include "feuilleajout.h"

#include "model/records.h"

#include <functional>
#include <optional>

class QCheckBox;

namespace kv {

class FormulaireAjoutDisponibilite : public FeuilleAjout {
    Q_OBJECT
public:
    FormulaireAjoutDisponibilite(const QDateTime& maintenant,
                                 std::function<void(Disponibilite*)> onValider,
                                 QWidget* parent = nullptr);

    QCheckBox* caseDisponible() const { return m_disponible; }
    QDateEdit* champDebut() const { return m_debut; }
    QDateEdit* champFin() const { return m_fin; }
    QDateTime dateDebut() const { return m_dateDebut; }
    std::optional<QDateTime> dateFin() const { return m_dateFin; }

    void valider();

private:
    void debutChoisi(const QDate& jour);
    void finChoisie(const QDate& jour);
    void afficherFin();

    std::function<void(Disponibilite*)> m_onValider;
    QCheckBox* m_disponible = nullptr;
    ChoixDate* m_debut = nullptr;
    ChoixDate* m_fin = nullptr;
    QDateTime m_dateDebut;
    std::optional<QDateTime> m_dateFin;
    bool m_affichage = false; // the pickers are being set from the values, not by the user
};

// `valeur` moved to another day, its time of day kept.
QDateTime memeHeureLe(const QDateTime& valeur, const QDate& jour);

} // namespace kv
