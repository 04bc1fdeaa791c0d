#include "vuebennes.h"

#include "widgets/focusguard.h"

#include "benneeditorview.h"
#include "model/volume.h"
#include "model/query.h"
#include "widgets/forms/contextmenu.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/search.h"
#include "widgets/macsectionheader.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

using forms::RowContent;
using forms::RowLine;
using forms::RowPart;

namespace {

QString texteDispositif(const Benne* benne)
{
    return benne->dispositifSpecial() ? benne->dispositifSpecial()->descriptionDispositif() : QString();
}

// Volume ascending; volumes that are not numbers go last instead of breaking the order.
bool volumeAvant(const Benne* a, const Benne* b)
{
    const double va = a->volume();
    const double vb = b->volume();
    if (std::isnan(va))
        return false;
    if (std::isnan(vb))
        return true;
    return va < vb;
}

} // namespace

VueBennes::VueBennes(ModelContext* context, QWidget* parent) : QWidget(parent), m_context(context)
{
    m_bennesFiltrees = new Query<Benne>(
        context, [this](const Benne* b) { return passeLesFiltres(b) && benneCorrespond(b, m_mots); },
        volumeAvant, this);
    // A skip's row and search read the description of its device.
    m_bennesFiltrees->dependOn(EntityType::DispositifSpecial);
    m_dispositifs = new Query<DispositifSpecial>(context, {}, {}, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(6);
    auto* headerRow = new QHBoxLayout;
    headerRow->addStretch(1);
    headerRow->addWidget(new MacSectionHeader(QStringLiteral("Bennes"),
                                              QStringLiteral("Gestion du parc et dispositifs spéciaux"),
                                              QStringLiteral("shippingbox"), true, false, 0, 0, 0,
                                              nullptr, nullptr, this));
    headerRow->addStretch(1);
    layout->addLayout(headerRow);

    m_liste = new forms::RecordListPanel<Benne>(m_bennesFiltrees, &VueBennes::ligneBenne);
    auto* switches = new QWidget(m_liste);
    auto* switchesLayout = new QHBoxLayout(switches);
    switchesLayout->setContentsMargins(0, 0, 0, 0);
    switchesLayout->setSpacing(16);
    m_filtreInutilisables = new QCheckBox(QStringLiteral("Exclure « inutilisables »"), switches);
    m_filtreSales = new QCheckBox(QStringLiteral("Exclure « sales »"), switches);
    m_filtreInutilisables->setChecked(true);
    m_filtreSales->setChecked(true);
    switchesLayout->addWidget(m_filtreInutilisables);
    switchesLayout->addWidget(m_filtreSales);
    switchesLayout->addStretch(1);
    m_liste->addControls(switches);
    m_liste->setCountText([](int n) { return QStringLiteral("Nombre de bennes : %1").arg(n); });
    m_liste->setContextMenu([this](QMenu* menu, Benne* benne) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                        [this, benne] { supprimerBenne(benne); });
        forms::markDestructive(supprimer);
        menu->addAction(symbolIcon(QStringLiteral("doc.on.doc")), QStringLiteral("Dupliquer"), this,
                        [this, benne] { dupliquerBenne(benne); });
    });
    m_panneau = new forms::DetailPane(new forms::EmptyState(QStringLiteral("shippingbox"),
                                                            QStringLiteral("Sélectionnez une benne"),
                                                            QStringLiteral("Ou cliquez sur “Ajouter”.")));
    // The two switches must stay readable: the sidebar is never narrower than they are.
    const int minimum = std::clamp(switches->sizeHint().width() + 24, 220, 400);
    layout->addWidget(forms::makeSplitView(m_liste, m_panneau, minimum, std::max(minimum, 320), 400, this), 1);

    connect(m_liste, &forms::ListPanel::searchTextChanged, this, [this](const QString& text) {
        m_mots = forms::searchWords(text);
        m_bennesFiltrees->invalidate();
    });
    connect(m_filtreInutilisables, &QCheckBox::toggled, this, [this](bool on) {
        m_filtreExclureInutilisables = on;
        m_bennesFiltrees->invalidate();
    });
    connect(m_filtreSales, &QCheckBox::toggled, this, [this](bool on) {
        m_filtreExclureSales = on;
        m_bennesFiltrees->invalidate();
    });
    connect(m_liste, &forms::ListPanel::addRequested, this, [this] { reinitialiserEdition(true); });
    m_liste->onSelectionChanged(this, [this](Benne* benne) { selectionChangee(benne); });
    m_liste->setDeleteQuestion([](const QList<Record*>&) { return BenneEditorView::questionSuppression(); });
    connect(m_liste, &forms::ListPanel::deleteRequested, this, &VueBennes::supprimerBennes);
    connect(m_dispositifs, &QueryBase::resultsChanged, this, [this] {
        if (BenneEditorView* editor = editeur())
            editor->setDispositifsDisponibles(m_dispositifs->results());
    });
}

bool VueBennes::passeLesFiltres(const Benne* benne) const
{
    const std::optional<EtatBenne> etat = benne->etat();
    if (m_filtreExclureInutilisables && etat == EtatBenne::inutilisable)
        return false;
    if (m_filtreExclureSales && etat == EtatBenne::sale)
        return false;
    return true;
}

QList<Benne*> VueBennes::bennesFiltrees() const
{
    return m_bennesFiltrees->results();
}

bool VueBennes::benneCorrespond(const Benne* benne, const QStringList& mots)
{
    return forms::oneFieldHoldsAllWords(
        {texteVolume(benne->volume()), benne->notes(), texteDispositif(benne), benne->etatTexte()}, mots);
}

RowContent VueBennes::ligneBenne(const Benne* benne)
{
    RowContent row;
    RowLine first{{RowPart::label(texteVolume(benne->volume()) + QStringLiteral(" m³"),
                                  forms::TextStyle::Headline)},
                  8, forms::TextStyle::Headline};
    if (const std::optional<QColor> c = colorFromHex(benne->couleur()))
        first.parts.append(RowPart::dot(*c));
    first.parts.append(RowPart::label(benne->etatTexte(), forms::TextStyle::Subheadline, forms::Tone::Secondary));
    row.lines.append(first);

    RowLine second{{}, 8, forms::TextStyle::Callout};
    if (benne->dispositifSpecial()) {
        RowPart icon = RowPart::symbolLabel(QStringLiteral("wrench.and.screwdriver"), texteDispositif(benne),
                                            forms::TextStyle::Callout, forms::Tone::Secondary);
        icon.iconOnly = true;
        second.parts.append(icon);
        second.parts.append(RowPart::label(texteDispositif(benne), forms::TextStyle::Callout, forms::Tone::Secondary));
    }
    if (!benne->notes().isEmpty()) {
        // One line: everything after the first line end is left out.
        RowPart notes = RowPart::label(QStringLiteral("• ") + benne->notes().section(QLatin1Char('\n'), 0, 0),
                                       forms::TextStyle::Callout, forms::Tone::Tertiary);
        notes.elide = true;
        second.parts.append(notes);
    }
    row.lines.append(second);
    QStringList texts;
    for (const RowLine& line : row.lines)
        for (const RowPart& p : line.parts)
            if (!p.iconOnly && p.kind == RowPart::Kind::Text)
                texts.append(p.text);
    row.accessibleText = texts.join(QStringLiteral(" · "));
    return row;
}

void VueBennes::supprimerBenne(Benne* benne)
{
    if (selection() == benne)
        m_liste->setSelectedRecord(nullptr);
    if (m_benneEdite == benne)
        m_benneEdite = nullptr;
    QString error;
    if (!m_context->remove(benne, &error) || !m_context->save(&error))
        forms::showError(this, forms::deleteFailedText(error));
    majPanneau();
}

void VueBennes::supprimerBennes(const QList<int>& positions)
{
    const QList<Benne*> filtrees = bennesFiltrees();
    QList<int> triees = positions;
    std::sort(triees.begin(), triees.end());
    QList<Benne*> cibles;
    for (int p : triees)
        if (p >= 0 && p < filtrees.size() && !cibles.contains(filtrees[p]))
            cibles.append(filtrees[p]);
    for (Benne* b : cibles)
        supprimerBenne(b);
}

void VueBennes::dupliquerBenne(Benne* benne)
{
    auto* copie = new Benne(benne->volume(), benne->couleur(), benne->etat().value_or(EtatBenne::correct),
                            benne->notes(), benne->dispositifSpecial());
    m_context->insert(copie);
    QString error;
    if (!m_context->save(&error)) {
        m_context->discardInsertion(copie);
        forms::showError(this, forms::saveFailedText(error));
    }
}

void VueBennes::reinitialiserEdition(bool creation)
{
    m_isCreating = creation;
    m_benneEdite = nullptr;
    m_liste->setSelectedRecord(nullptr);
    majPanneau();
}

void VueBennes::benneEnregistree(Benne* benne)
{
    m_isCreating = false;
    m_liste->setSelectedRecord(benne);
    m_benneEdite = benne;
    majPanneau();
}

Benne* VueBennes::selection() const
{
    return m_liste->selected();
}

BenneEditorView* VueBennes::editeur() const
{
    return qobject_cast<BenneEditorView*>(m_panneau->editor());
}

void VueBennes::selectionChangee(Benne* benne)
{
    if (benne) {
        m_isCreating = false;
        m_benneEdite = benne;
    } else if (!m_isCreating) {
        m_benneEdite = nullptr;
    }
    majPanneau();
}

void VueBennes::majPanneau()
{
    if (!m_isCreating && !m_benneEdite) {
        m_panneau->showPlaceholder();
        return;
    }
    if (BenneEditorView* editor = editeur()) {
        editor->setDispositifsDisponibles(m_dispositifs->results());
        editor->setBenne(m_benneEdite);
        return;
    }
    m_panneau->setEditor(new BenneEditorView(
        m_context, m_benneEdite, m_dispositifs->results(), [this] { reinitialiserEdition(false); },
        [this](Benne* b) { benneEnregistree(b); }));
}

VueBennes::~VueBennes()
{
    releaseFocusWithin(this);
}

} // namespace kv
