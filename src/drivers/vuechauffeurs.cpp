#include "vuechauffeurs.h"

#include "widgets/focusguard.h"
#include "widgets/icons.h"
#include "widgets/toolbaractions.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

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

forms::Question VueChauffeurs::questionSuppression(const QList<Chauffeur*>& chauffeurs)
{
    // Named as the list shows each: the name, and the phone that tells namesakes apart.
    QStringList noms;
    for (const Chauffeur* c : chauffeurs)
        noms.append(ligneChauffeur(c).accessibleText);
    return forms::naming({QStringLiteral("Supprimer ce chauffeur ?"),
                          QStringLiteral("Les locations qu’il assure resteront, sans chauffeur. Cette action est irréversible.")},
                         noms);
}

VueChauffeurs::VueChauffeurs(ModelContext* context, QWidget* parent, Horloge horloge) : QWidget(parent)
{
    setObjectName(QStringLiteral("VueChauffeurs"));
    forms::ListDetail<Chauffeur, FormulaireChauffeurView>::Setup setup;
    setup.row = [](Chauffeur* c) { return ligneChauffeur(c); };
    // A new form for each driver: unsaved edits of the previous one are dropped with it. The
    // new-driver form stays as long as no driver is chosen, with what is typed in it.
    setup.makeEditor = [context, horloge = std::move(horloge)](Chauffeur* c) {
        return new FormulaireChauffeurView(context, c, {}, horloge);
    };
    setup.rebind = [](FormulaireChauffeurView* f, Chauffeur* c) { return f->chauffeur() == c; };
    // A saved driver, new or edited, stays chosen with his form (the default after a save), as
    // in the other editors.
    setup.newWhenNoneChosen = true;
    setup.takeBackFailedDeletion = true;
    // Names: the list narrows further than the others before the form has to.
    setup.sidebarMin = 180;
    setup.sidebarIdeal = 260;
    setup.sidebarMax = 300;
    m_ecran = new forms::ListDetail<Chauffeur, FormulaireChauffeurView>(context, std::move(setup), this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_ecran->splitView());

    auto* liste = m_ecran->list();
    liste->setObjectName(QStringLiteral("listeChauffeurs"));
    liste->setSpokenNames(QStringLiteral("Chauffeurs"), QStringLiteral("Rechercher un chauffeur"));
    // The list filters nothing and creation goes through "Nouveau": no search field, no add button
    // (Ctrl+N still presses it).
    liste->searchField()->hide();
    liste->addButton()->hide();
    m_ecran->deleteAsking(&VueChauffeurs::questionSuppression);
    m_ecran->announceRemovals([](const QList<Chauffeur*>& chauffeurs) {
        QStringList noms;
        for (const Chauffeur* c : chauffeurs)
            noms.append(ligneChauffeur(c).accessibleText);
        return forms::removedText(QStringLiteral("Chauffeur supprimé"), QStringLiteral("chauffeurs supprimés"), noms);
    });

    m_nouveau = new QAction(QStringLiteral("Nouveau"), this);
    m_nouveau->setObjectName(QStringLiteral("boutonNouveau"));
    m_nouveau->setToolTip(QStringLiteral("Nouveau (Ctrl+N)"));
    m_supprimer = new QAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this);
    m_supprimer->setObjectName(QStringLiteral("boutonSupprimer"));
    m_supprimer->setEnabled(false);
    addToolbarAction(this, m_nouveau);
    addToolbarAction(this, m_supprimer);
    connect(m_nouveau, &QAction::triggered, this, &VueChauffeurs::nouveauChauffeur);
    connect(m_supprimer, &QAction::triggered, this, &VueChauffeurs::supprimerChauffeur);
    // What the list shows as selected once the change has run its course: a question that keeps
    // the form (unsaved changes) puts the previous selection back within the same change.
    const auto majSupprimer = [this] { m_supprimer->setEnabled(chauffeurSelectionne() != nullptr); };
    liste->onSelectionChanged(this, [majSupprimer](Chauffeur*) { majSupprimer(); });
    connect(m_ecran, &forms::ListDetailBase::paneChanged, this, majSupprimer);

    m_ecran->refreshPane();
}

VueChauffeurs::~VueChauffeurs()
{
    // A field losing the focus ends its edit while the screen is still whole.
    releaseFocusWithin(this);
}

void VueChauffeurs::supprimerChauffeur()
{
    if (Chauffeur* c = chauffeurSelectionne())
        m_ecran->askToRemove({c});
}

} // namespace kv
