#include "formulaireajoutspecialisation.h"

#include "texteschauffeur.h"

#include "model/modelcontext.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

FormulaireAjoutSpecialisation::FormulaireAjoutSpecialisation(ModelContext* context,
                                                           std::function<void()> onClose,
                                                           QWidget* parent)
    : FeuilleAjout(QStringLiteral("Nouvelle spécialisation"), QStringLiteral("Enregistrer"), parent),
      m_context(context),
      m_onClose(std::move(onClose))
{
    m_nom = new QLineEdit(this);
    m_nom->setObjectName(QStringLiteral("nomSpecialisation"));
    m_nom->setPlaceholderText(QStringLiteral("Nom"));
    m_nom->setAccessibleName(QStringLiteral("Nom de la spécialisation"));
    ajouter(m_nom);

    auto majBouton = [this] { boutonConfirmer()->setEnabled(!sansEspacesNiTabulations(m_nom->text()).isEmpty()); };
    connect(m_nom, &QLineEdit::textChanged, this, majBouton);
    majBouton();
    connect(boutonAnnuler(), &QPushButton::clicked, this, &FormulaireAjoutSpecialisation::fermer);
    connect(boutonConfirmer(), &QPushButton::clicked, this, &FormulaireAjoutSpecialisation::enregistrer);
}

void FormulaireAjoutSpecialisation::enregistrer()
{
    if (sansEspacesNiTabulations(m_nom->text()).isEmpty())
        return;
    if (insererEtSauvegarder(m_context, new Specialisation(sansEspacesNiTabulations(m_nom->text()))))
        fermer();
}

void FormulaireAjoutSpecialisation::reject()
{
    fermer();
}

void FormulaireAjoutSpecialisation::fermer()
{
    if (m_onClose)
        m_onClose();
    done(QDialog::Rejected);
}

} // namespace kv
