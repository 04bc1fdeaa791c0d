#include "centreslistview.h"

#include "widgets/focusguard.h"

#include "centreeditorview.h"

#include "model/query.h"
#include "widgets/forms/contextmenu.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/search.h"
#include "widgets/macsectionheader.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

namespace kv {

using forms::RowContent;
using forms::RowLine;
using forms::RowPart;
using forms::TextStyle;
using forms::Tone;

CentresListView::CentresListView(ModelContext* context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    m_centres = new Query<CentreTraitement>(
        context, [this](const CentreTraitement* c) { return correspond(c, m_mots); },
        [](const CentreTraitement* a, const CentreTraitement* b) {
            return QString::localeAwareCompare(a->nom(), b->nom()) < 0;
        },
        this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(6);
    auto* entete = new QHBoxLayout;
    entete->addStretch(1);
    entete->addWidget(new MacSectionHeader(QStringLiteral("Centres de traitement"),
                                           QStringLiteral("Recyclage, enfouissement, incinération, etc."),
                                           QStringLiteral("arrow.trianglehead.2.clockwise"), true, false,
                                           0, 0, 0, nullptr, nullptr, this));
    entete->addStretch(1);
    layout->addLayout(entete);

    m_liste = new forms::RecordListPanel<CentreTraitement>(m_centres, &CentresListView::ligneCentre);
    m_liste->setContextMenu([this](QMenu* menu, CentreTraitement* centre) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                        [this, centre] { supprimerCentre(centre); });
        forms::markDestructive(supprimer);
    });
    m_detail = new forms::DetailPane(new forms::EmptyState(QStringLiteral("building.2"),
                                                           QStringLiteral("Sélectionnez un centre"),
                                                           QStringLiteral("Ou cliquez sur “Ajouter”.")));
    layout->addWidget(forms::makeSplitView(m_liste, m_detail, 220, 220, 400, this), 1);

    connect(m_liste, &forms::ListPanel::searchTextChanged, this, [this](const QString& texte) {
        m_mots = forms::searchWords(texte);
        m_centres->invalidate();
    });
    connect(m_liste, &forms::ListPanel::addRequested, this, [this] { preparerEdition(true); });
    m_liste->onSelectionChanged(this, [this](CentreTraitement* centre) { selectionChangee(centre); });
    m_liste->setDeleteQuestion([](const QList<Record*>& centres) {
        const QString nom = centres.size() == 1 ? static_cast<CentreTraitement*>(centres.first())->nom() : QString();
        return forms::Question{QStringLiteral("Supprimer ce centre ?"),
                               nom.isEmpty() ? QStringLiteral("Cette action est irréversible.")
                                             : QStringLiteral("« %1 » sera supprimé. Cette action est irréversible.").arg(nom)};
    });
    connect(m_liste, &forms::ListPanel::deleteRequested, this, &CentresListView::supprimerCentres);
    // The centre edited was deleted elsewhere: its editor closes.
    connect(context, &ModelContext::changed, this, [this] {
        if (m_centreEdite && m_centreEdite->isDeleted()) {
            m_centreEdite = nullptr;
            actualiserPanneau();
        }
    });
}

QList<CentreTraitement*> CentresListView::centresFiltres() const
{
    return m_centres->results();
}

bool CentresListView::correspond(const CentreTraitement* centre, const QStringList& motsPlies)
{
    return forms::oneFieldHoldsAllWords({centre->nom(), centre->ville().value_or(QString())}, motsPlies);
}

RowContent CentresListView::ligneCentre(const CentreTraitement* centre)
{
    RowContent row;
    row.lines.append(RowLine{{RowPart::label(centre->nom(), TextStyle::Headline)}, 8, TextStyle::Headline});
    RowLine details{{}, 12, TextStyle::Callout};
    const QString ville = centre->ville().value_or(QString());
    if (!ville.isEmpty())
        details.parts.append(RowPart::symbolLabel(QStringLiteral("mappin.and.ellipse"), ville,
                                                  TextStyle::Callout, Tone::Secondary));
    const QString nombre = QString::number(centre->typesAcceptes().size()) + QStringLiteral(" type(s)");
    details.parts.append(RowPart::label(nombre, TextStyle::Callout, Tone::Secondary));
    row.lines.append(details);
    row.accessibleText = ville.isEmpty() ? centre->nom() + QStringLiteral(", ") + nombre
                                         : centre->nom() + QStringLiteral(", ") + ville
                                               + QStringLiteral(", ") + nombre;
    return row;
}

CentreTraitement* CentresListView::selection() const
{
    return m_liste->selected();
}

void CentresListView::preparerEdition(bool creation)
{
    m_isCreating = creation;
    m_centreEdite = nullptr;
    m_liste->setSelectedRecord(nullptr);
    actualiserPanneau();
}

void CentresListView::centreEnregistre(CentreTraitement* centre)
{
    m_isCreating = false;
    m_centreEdite = centre;
    m_centres->invalidate();
    m_liste->setSelectedRecord(centre);
    actualiserPanneau();
}

void CentresListView::selectionChangee(CentreTraitement* centre)
{
    if (centre) {
        m_isCreating = false;
        m_centreEdite = centre;
    } else if (!m_isCreating) {
        m_centreEdite = nullptr;
    }
    actualiserPanneau();
}

void CentresListView::actualiserPanneau()
{
    if (!m_isCreating && !m_centreEdite) {
        m_editeur = nullptr;
        m_detail->showPlaceholder();
        return;
    }
    // The editor already bound to that centre (or entering a new one) keeps what is typed.
    if (m_editeur && m_editeur->centre() == m_centreEdite)
        return;
    m_editeur = new CentreEditorView(
        m_context, m_centreEdite, [this] { preparerEdition(false); },
        [this](CentreTraitement* c) { centreEnregistre(c); });
    m_detail->setEditor(m_editeur);
}

void CentresListView::oublier(CentreTraitement* centre)
{
    if (selection() && CentreTraitement::memeCentre(selection(), centre))
        m_liste->setSelectedRecord(nullptr);
    if (m_centreEdite && CentreTraitement::memeCentre(m_centreEdite, centre)) {
        m_centreEdite = nullptr;
        actualiserPanneau();
    }
}

void CentresListView::supprimerCentre(CentreTraitement* centre)
{
    oublier(centre);
    QString erreur;
    if (!m_context->remove(centre, &erreur)) {
        forms::showError(this, forms::deleteFailedText(erreur));
        return;
    }
    enregistrerSuppression();
}

void CentresListView::supprimerCentres(const QList<int>& rows)
{
    // The rows designate the centres as listed now: take the records before deleting any.
    const QList<CentreTraitement*> centres = m_liste->recordsAt(rows);
    if (centres.isEmpty())
        return;
    for (CentreTraitement* c : centres) {
        oublier(c);
        QString erreur;
        if (!m_context->remove(c, &erreur))
            forms::showError(this, forms::deleteFailedText(erreur));
    }
    enregistrerSuppression();
}

bool CentresListView::enregistrerSuppression()
{
    QString erreur;
    if (m_context->save(&erreur))
        return true;
    forms::showError(this, forms::deleteFailedText(erreur));
    return false;
}

CentresListView::~CentresListView()
{
    releaseFocusWithin(this);
}

} // namespace kv
