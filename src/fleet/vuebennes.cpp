#include "vuebennes.h"

#include "widgets/flowlayout.h"
#include "widgets/focusguard.h"


#include "model/volume.h"
#include "widgets/colors.h"
#include "widgets/forms/contextmenu.h"
#include "widgets/forms/dialogs.h"
#include "widgets/macsectionheader.h"
#include "widgets/wrappingcheckbox.h"

#include <QLocale>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
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
    m_dispositifs = new Query<DispositifSpecial>(context, {}, {}, this);

    auto* layout = layoutUnderHeader(this, QStringLiteral("Bennes"),
                                     QStringLiteral("Gestion du parc et dispositifs spéciaux"),
                                     QStringLiteral("shippingbox"));

    // The two switches stand side by side, one under the other when the list is narrow: the
    // list narrows to its floor before the editor beside it does.
    auto* switches = new QWidget(this);
    auto* switchesLayout = new FlowLayout(switches, 16, 4);
    // Each wraps in a list narrowed by a large font rather than losing its end.
    m_filtreInutilisables = new WrappingCheckBox(QStringLiteral("Exclure « inutilisables »"), switches);
    m_filtreSales = new WrappingCheckBox(QStringLiteral("Exclure « sales »"), switches);
    m_filtreInutilisables->setChecked(true);
    m_filtreSales->setChecked(true);
    switchesLayout->addWidget(m_filtreInutilisables);
    switchesLayout->addWidget(m_filtreSales);
    const int ideal = std::clamp(switchesLayout->sizeHint().width() + 24, 220, 400);

    forms::ListDetail<Benne, BenneEditorView>::Setup setup;
    setup.row = &VueBennes::ligneBenne;
    setup.lessThan = volumeAvant;
    setup.filter = [this](const Benne* b) { return passeLesFiltres(b); };
    setup.matches = [](const Benne* b, const forms::SearchText& search) { return benneCorrespond(b, search.words); };
    setup.makeEditor = [this](Benne* b) { return new BenneEditorView(m_context, b, m_dispositifs->results()); };
    setup.rebind = [this](BenneEditorView* editor, Benne* b) {
        editor->setDispositifsDisponibles(m_dispositifs->results());
        editor->setBenne(b);
        return true;
    };
    setup.placeholder = new forms::EmptyState(QStringLiteral("shippingbox"), QStringLiteral("Sélectionnez une benne"),
                                              QStringLiteral("Ou cliquez sur “Ajouter”."));
    setup.sidebarIdeal = std::max(ideal, 320);
    m_ecran = new forms::ListDetail<Benne, BenneEditorView>(context, std::move(setup), this);
    layout->addWidget(m_ecran->splitView(), 1);

    auto* liste = m_ecran->list();
    liste->setSpokenNames(QStringLiteral("Bennes"), QStringLiteral("Rechercher une benne"));
    liste->addControls(switches);
    // Under the count, how many skips the switches hide: a skip saved as "Sale" or
    // "Inutilisable" leaves the list, and the line says where it went.
    liste->setCountText([this](int n) {
        QString texte = QStringLiteral("Nombre de bennes : %1").arg(QLocale().toString(n));
        if (const int masquees = bennesMasquees(); masquees > 0)
            texte += QLatin1Char('\n')
                + (masquees == 1 ? QStringLiteral("1\u00A0benne masquée par les filtres")
                                 : QStringLiteral("%1\u00A0bennes masquées par les filtres").arg(QLocale().toString(masquees)));
        return texte;
    });
    liste->setContextMenu([this](QMenu* menu, Benne* benne) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                                             [this, benne] { m_ecran->askToRemove({benne}); });
        forms::markDestructive(supprimer);
        menu->addAction(symbolIcon(QStringLiteral("doc.on.doc")), QStringLiteral("Dupliquer"), this,
                        [this, benne] { dupliquerBenne(benne); });
    });
    m_ecran->deleteAsking([](const QList<Benne*>& bennes) {
        return BenneEditorView::questionSuppression(bennes, QDateTime::currentMSecsSinceEpoch());
    });
    m_ecran->announceRemovals(&BenneEditorView::annonceSuppression);
    for (QCheckBox* filtre : {m_filtreInutilisables, m_filtreSales})
        connect(filtre, &QCheckBox::toggled, this, [this] {
            m_ecran->refilter();
            m_ecran->list()->updateCount();
        });
    // A hidden skip added, changed or deleted leaves the list as it is but not the count.
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touches(EntityType::Benne))
            m_ecran->list()->updateCount();
    });
    connect(m_dispositifs, &QueryBase::resultsChanged, this, [this] {
        if (BenneEditorView* editor = editeur())
            editor->setDispositifsDisponibles(m_dispositifs->results());
    });
}

bool VueBennes::passeLesFiltres(const Benne* benne) const
{
    const std::optional<EtatBenne> etat = benne->etat();
    if (m_filtreInutilisables->isChecked() && etat == EtatBenne::inutilisable)
        return false;
    if (m_filtreSales->isChecked() && etat == EtatBenne::sale)
        return false;
    return true;
}

int VueBennes::bennesMasquees() const
{
    // Those the search would show, were it not for the switches.
    const QStringList& mots = m_ecran->search().words;
    int n = 0;
    for (const Benne* b : m_context->all<Benne>())
        n += !passeLesFiltres(b) && (mots.isEmpty() || benneCorrespond(b, mots));
    return n;
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
    if (benneSansDistinction(benne)) {
        // Nothing tells it from another skip: the note is where its number goes.
        RowPart pareille = RowPart::symbolLabel(QStringLiteral("exclamationmark.triangle"),
                                                QStringLiteral("Identique : notez son numéro"),
                                                forms::TextStyle::Callout, forms::Tone::Secondary);
        pareille.elide = true;
        pareille.toolTip = texteBenneSansDistinction(benne);
        second.parts.append(pareille);
    }
    row.lines.append(second);
    // Named in the words every screen uses for a skip.
    row.accessibleText = nomBenneDistinct(benne);
    if (benneSansDistinction(benne))
        row.accessibleText += QStringLiteral(" · ") + texteBenneSansDistinction(benne);
    return row;
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

VueBennes::~VueBennes()
{
    releaseFocusWithin(this);
}

} // namespace kv
