#include "formulaireajoutqualification.h"

#include "texteschauffeur.h"

#include "model/modelcontext.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

FormulaireAjoutQualification::FormulaireAjoutQualification(ModelContext* context,
                                                           std::function<void()> onClose,
                                                           QWidget* parent)
    : FeuilleAjout(QStringLiteral("Nouvelle qualification"), QStringLiteral("Enregistrer"), parent),
      m_context(context),
      m_onClose(std::move(onClose))
{
    QFont gras = libelleTitre()->font();
    gras.setBold(true);
    libelleTitre()->setFont(gras);

    m_nom = new QLineEdit(this);
    m_nom->setObjectName(QStringLiteral("nomQualification"));
    m_nom->setPlaceholderText(QStringLiteral("Nom de la qualification"));
    m_nom->setAccessibleName(QStringLiteral("Nom de la nouvelle qualification"));
    ajouter(m_nom);

    auto majBouton = [this] { boutonConfirmer()->setEnabled(!sansBlancs(m_nom->text()).isEmpty()); };
    connect(m_nom, &QLineEdit::textChanged, this, majBouton);
    majBouton();
    connect(boutonAnnuler(), &QPushButton::clicked, this, &FormulaireAjoutQualification::fermer);
    connect(boutonConfirmer(), &QPushButton::clicked, this, &FormulaireAjoutQualification::enregistrer);
}

void FormulaireAjoutQualification::enregistrer()
{
    if (sansBlancs(m_nom->text()).isEmpty())
        return;
    // The name is stored exactly as typed: only the button's rule trims.
    auto* qualification = new Qualification(m_nom->text());
    if (!insererEtSauvegarder(m_context, qualification))
        return;
    if (m_onCreated)
        m_onCreated(qualification);
    fermer();
}

void FormulaireAjoutQualification::reject()
{
    fermer();
}

void FormulaireAjoutQualification::fermer()
{
    if (m_onClose)
        m_onClose();
    done(QDialog::Rejected);
}

} // namespace kv
