#include "vuechauffeurs.h"

#include "formulairechauffeurview.h"

#include "widgets/focusguard.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/dialogs.h"
#include "widgets/icons.h"
#include "widgets/toolbaractions.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>

namespace kv {

forms::RowContent VueChauffeurs::ligneChauffeur(const Chauffeur* c)
{
    using forms::RowPart;
    forms::RowContent row;
    const QString nom = c->prenom() + QLatin1Char(' ') + c->nom();
    forms::RowLine premiere;
    premiere.style = forms::TextStyle::Headline;
    RowPart titre = RowPart::label(nom, forms::TextStyle::Headline);
    titre.elide = true;
    premiere.parts.append(titre);
    row.lines.append(premiere);
    row.accessibleText = nom;
    // A phone that is set shows, even empty (an empty line keeps its height).
    if (c->telephone()) {
        forms::RowLine seconde;
        seconde.style = forms::TextStyle::Caption;
        if (!c->telephone()->isEmpty())
            seconde.parts.append(RowPart::label(*c->telephone(), forms::TextStyle::Caption, forms::Tone::Secondary));
        row.lines.append(seconde);
        row.accessibleText += QStringLiteral(", ") + *c->telephone();
    }
    return row;
}

VueChauffeurs::VueChauffeurs(ModelContext* context, QWidget* parent, Horloge horloge)
    : QWidget(parent),
      m_context(context),
      m_horloge(std::move(horloge)),
      m_chauffeurs(new Query<Chauffeur>(context, {}, {}, this))
{
    setObjectName(QStringLiteral("VueChauffeurs"));
    m_liste = new forms::RecordListPanel<Chauffeur>(m_chauffeurs, [](Chauffeur* c) { return ligneChauffeur(c); });
    m_liste->setObjectName(QStringLiteral("listeChauffeurs"));
    // The list filters nothing and creation goes through "Nouveau": no search field, no add button.
    m_liste->searchField()->hide();
    m_liste->addButton()->hide();
    m_liste->setMinimumWidth(220);
    m_liste->setMaximumWidth(300);

    m_detail = new forms::DetailPane(new forms::EmptyState(QStringLiteral("person"), QStringLiteral("Chauffeurs"),
                                                           QString()));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(forms::makeSplitView(m_liste, m_detail, 220, 260, 300, this));

    m_nouveau = new QAction(QStringLiteral("Nouveau"), this);
    m_nouveau->setObjectName(QStringLiteral("boutonNouveau"));
    m_supprimer = new QAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this);
    m_supprimer->setObjectName(QStringLiteral("boutonSupprimer"));
    m_supprimer->setEnabled(false);
    addToolbarAction(this, m_nouveau);
    addToolbarAction(this, m_supprimer);
    connect(m_nouveau, &QAction::triggered, this, &VueChauffeurs::nouveauChauffeur);
    connect(m_supprimer, &QAction::triggered, this, &VueChauffeurs::supprimerChauffeur);

    m_liste->onSelectionChanged(this, [this](Chauffeur* c) { selectionner(c); });
    montrerFormulaire();
}

VueChauffeurs::~VueChauffeurs()
{
    // A field losing the focus ends its edit while the screen is still whole.
    releaseFocusWithin(this);
}

FormulaireChauffeurView* VueChauffeurs::formulaire() const
{
    return qobject_cast<FormulaireChauffeurView*>(m_detail->editor());
}

void VueChauffeurs::selectionner(Chauffeur* c)
{
    if (c == m_chauffeurSelectionne && formulaire())
        return;
    m_chauffeurSelectionne = c;
    m_supprimer->setEnabled(c != nullptr);
    montrerFormulaire();
}

void VueChauffeurs::montrerFormulaire()
{
    // A new form for each driver: unsaved edits of the previous one are dropped with it.
    m_detail->setEditor(new FormulaireChauffeurView(
        m_context, m_chauffeurSelectionne, [this] { nouveauChauffeur(); }, m_horloge));
}

void VueChauffeurs::nouveauChauffeur()
{
    if (!m_chauffeurSelectionne) {
        if (!formulaire())
            montrerFormulaire();
        return; // what is typed in the new-driver form stays
    }
    m_liste->setSelected(nullptr);
    selectionner(nullptr);
}

void VueChauffeurs::supprimerChauffeur()
{
    Chauffeur* c = m_chauffeurSelectionne;
    if (!c)
        return;
    QString erreur;
    if (!m_context->remove(c, &erreur)) {
        forms::showError(this, forms::deleteFailedText(erreur));
        return;
    }
    if (!m_context->save(&erreur)) {
        // The driver and his links come back; he stays selected.
        m_context->rollback();
        forms::showError(this, forms::deleteFailedText(erreur));
        return;
    }
    nouveauChauffeur();
}

} // namespace kv
