#include "formulaireajoutdisponibilite.h"

#include "widgets/dateentry.h"
#include "widgets/forms/formstyle.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QPushButton>

namespace kv {

QDateTime memeHeureLe(const QDateTime& valeur, const QDate& jour)
{
    return valeur.addDays(valeur.date().daysTo(jour));
}

FormulaireAjoutDisponibilite::FormulaireAjoutDisponibilite(const QDateTime& maintenant,
                                                           std::function<void(Disponibilite*)> onValider,
                                                           QWidget* parent)
    : FeuilleAjout(QStringLiteral("Nouvelle disponibilité"), QStringLiteral("Valider"), parent),
      m_onValider(std::move(onValider)),
      m_dateDebut(maintenant)
{
    m_disponible = new QCheckBox(QStringLiteral("Disponible"), this);
    m_disponible->setChecked(true);
    ajouter(m_disponible);

    auto* dates = new QFormLayout;
    dates->setSpacing(20);
    m_debut = new ChoixDate(m_dateDebut, this);
    m_debut->setObjectName(QStringLiteral("debut"));
    m_fin = new ChoixDate(m_dateDebut, this);
    m_fin->setObjectName(QStringLiteral("fin"));
    m_debut->setAccessibleName(QStringLiteral("Début"));
    m_fin->setAccessibleName(QStringLiteral("Fin"));
    dates->addRow(forms::makeFieldLabel(QStringLiteral("Début"), 60, this), m_debut);
    dates->addRow(forms::makeFieldLabel(QStringLiteral("Fin"), 60, this), m_fin);
    ajouter(dates);

    connect(m_debut, &QDateEdit::dateChanged, this, &FormulaireAjoutDisponibilite::debutChoisi);
    connect(m_fin, &QDateEdit::dateChanged, this, &FormulaireAjoutDisponibilite::finChoisie);
    // Choosing the day "Fin" already shows changes no date, and still gives an end.
    connect(m_fin, &ChoixDate::touche, this, &FormulaireAjoutDisponibilite::finChoisie);
    connect(boutonAnnuler(), &QPushButton::clicked, this, &QDialog::reject);
    connect(boutonConfirmer(), &QPushButton::clicked, this, &FormulaireAjoutDisponibilite::valider);
}

void FormulaireAjoutDisponibilite::debutChoisi(const QDate& jour)
{
    if (m_affichage || !jour.isValid())
        return;
    m_dateDebut = memeHeureLe(m_dateDebut, jour);
    afficherFin();
}

void FormulaireAjoutDisponibilite::finChoisie(const QDate& jour)
{
    if (m_affichage || !jour.isValid())
        return;
    // Touched once, the end is the user's: it no longer follows the start.
    m_dateFin = memeHeureLe(m_dateFin.value_or(m_dateDebut), jour);
}

void FormulaireAjoutDisponibilite::afficherFin()
{
    m_affichage = true;
    m_fin->setDate(m_dateFin.value_or(m_dateDebut).date());
    m_affichage = false;
}

void FormulaireAjoutDisponibilite::valider()
{
    // A date refused as typed keeps the sheet open, its line in view.
    if (stopForRefusedDate(this))
        return;
    // No check of the dates: an end before the start is handed back as it is.
    auto* periode = new Disponibilite(m_disponible->isChecked(), m_dateDebut, m_dateFin);
    if (m_onValider)
        m_onValider(periode);
    else
        Record::disposeIfFree(periode);
    accept();
}

} // namespace kv
