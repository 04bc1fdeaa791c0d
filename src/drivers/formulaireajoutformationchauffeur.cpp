#include "formulaireajoutformationchauffeur.h"

#include "formulaireajoutdisponibilite.h"
#include "texteschauffeur.h"

#include "widgets/dateentry.h"
#include "widgets/forms/formstyle.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

FormulaireAjoutFormationChauffeur::FormulaireAjoutFormationChauffeur(
    ModelContext* context, Query<Formation>* formationsDisponibles, const QDateTime& maintenant,
    std::function<void(Formation*, const QDateTime&)> onValider, QWidget* parent)
    : FeuilleAjout(QStringLiteral("Ajouter une formation suivie"), QStringLiteral("Valider"), parent),
      m_context(context),
      m_formations(formationsDisponibles),
      m_onValider(std::move(onValider)),
      m_dateExpiration(maintenant)
{
    auto* ligneChoix = new QFormLayout;
    m_choix = new QComboBox(this);
    m_choix->setObjectName(QStringLiteral("choixFormation"));
    m_choix->setAccessibleName(QStringLiteral("Formation"));
    ligneChoix->addRow(forms::makeFieldLabel(QStringLiteral("Formation"), 110, this), m_choix);
    ajouter(ligneChoix);

    auto* creation = new QVBoxLayout;
    creation->setSpacing(8);
    creation->setContentsMargins(0, 10, 0, 0);
    auto* titreCreation = new QLabel(QStringLiteral("Créer une nouvelle formation"), this);
    titreCreation->setFont(forms::fontFor(forms::TextStyle::Headline, font()));
    creation->addWidget(titreCreation);
    auto* ligneNom = new QHBoxLayout;
    m_nomNouvelle = new QLineEdit(this);
    m_nomNouvelle->setObjectName(QStringLiteral("nomNouvelleFormation"));
    m_nomNouvelle->setPlaceholderText(QStringLiteral("Nom de la formation"));
    m_nomNouvelle->setAccessibleName(QStringLiteral("Nom de la nouvelle formation"));
    m_nomNouvelle->installEventFilter(this);
    m_ajouter = new QPushButton(QStringLiteral("Ajouter"), this);
    m_ajouter->setAutoDefault(false);
    ligneNom->addWidget(m_nomNouvelle, 1);
    ligneNom->addWidget(m_ajouter);
    creation->addLayout(ligneNom);
    ajouter(creation);

    auto* ligneDate = new QFormLayout;
    m_expiration = new ChoixDate(m_dateExpiration, this);
    m_expiration->setObjectName(QStringLiteral("expiration"));
    m_expiration->setAccessibleName(QStringLiteral("Date d’expiration"));
    ligneDate->addRow(forms::makeFieldLabel(QStringLiteral("Date d’expiration"), 110, this), m_expiration);
    ajouter(ligneDate);

    remplirChoix();
    majBoutons();

    connect(m_formations, &QueryBase::resultsChanged, this, &FormulaireAjoutFormationChauffeur::remplirChoix);
    connect(m_choix, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_remplissage)
            return;
        m_selection = index > 0 ? static_cast<Formation*>(m_choix->itemData(index).value<void*>()) : nullptr;
        majBoutons();
    });
    connect(m_expiration, &QDateEdit::dateChanged, this, [this](const QDate& jour) {
        if (jour.isValid())
            m_dateExpiration = memeHeureLe(m_dateExpiration, jour);
    });
    connect(m_nomNouvelle, &QLineEdit::textChanged, this, &FormulaireAjoutFormationChauffeur::majBoutons);
    connect(m_ajouter, &QPushButton::clicked, this, &FormulaireAjoutFormationChauffeur::creerFormation);
    connect(boutonAnnuler(), &QPushButton::clicked, this, &QDialog::reject);
    connect(boutonConfirmer(), &QPushButton::clicked, this, &FormulaireAjoutFormationChauffeur::valider);
}

void FormulaireAjoutFormationChauffeur::remplirChoix()
{
    // The live list changed (a course created or deleted): the choice is kept while its course
    // is still listed.
    m_remplissage = true;
    m_choix->clear();
    m_choix->addItem(QStringLiteral("Choisir…"));
    int choisi = 0;
    for (Formation* f : m_formations->results()) {
        m_choix->addItem(f->nom(), QVariant::fromValue(static_cast<void*>(f)));
        if (f == m_selection)
            choisi = m_choix->count() - 1;
    }
    if (choisi == 0)
        m_selection = nullptr;
    m_choix->setCurrentIndex(choisi);
    m_remplissage = false;
    majBoutons();
}

void FormulaireAjoutFormationChauffeur::majBoutons()
{
    m_ajouter->setEnabled(!sansEspacesNiTabulations(m_nomNouvelle->text()).isEmpty());
    boutonConfirmer()->setEnabled(m_selection != nullptr);
}

void FormulaireAjoutFormationChauffeur::creerFormation()
{
    const QString nom = sansEspacesNiTabulations(m_nomNouvelle->text());
    if (nom.isEmpty())
        return;
    // On failure the name stays in the field for another try. The course created is the one
    // the user means: it is chosen at once.
    auto* formation = new Formation(nom);
    if (insererEtSauvegarder(m_context, formation)) {
        // Offered and chosen as soon as the live list of courses holds it (remplirChoix).
        m_selection = formation;
        m_nomNouvelle->clear();
    }
}

void FormulaireAjoutFormationChauffeur::valider()
{
    if (!m_selection || stopForRefusedDate(this))
        return;
    if (m_onValider)
        m_onValider(m_selection, m_dateExpiration);
    accept();
}

bool FormulaireAjoutFormationChauffeur::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the name field creates the course; it does not confirm the sheet.
    if (watched == m_nomNouvelle && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            creerFormation();
            return true;
        }
    }
    return FeuilleAjout::eventFilter(watched, event);
}

} // namespace kv
