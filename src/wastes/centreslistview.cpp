#include "centreslistview.h"

#include "model/helpers.h"
#include "widgets/focusguard.h"


#include "widgets/forms/contextmenu.h"
#include "widgets/macsectionheader.h"

#include <QLocale>
#include <QMenu>
#include <QVBoxLayout>

namespace kv {

using forms::RowContent;
using forms::RowLine;
using forms::RowPart;
using forms::TextStyle;
using forms::Tone;

CentresListView::CentresListView(ModelContext* context, QWidget* parent) : QWidget(parent)
{
    auto* layout = layoutUnderHeader(this, QStringLiteral("Centres de traitement"),
                                     QStringLiteral("Recyclage, enfouissement, incinération, etc."),
                                     QStringLiteral("arrow.trianglehead.2.clockwise"));

    forms::ListDetail<CentreTraitement, CentreEditorView>::Setup setup;
    setup.row = &CentresListView::ligneCentre;
    setup.lessThan = [](const CentreTraitement* a, const CentreTraitement* b) {
        return nameLessThan(a->nom(), b->nom());
    };
    setup.matches = [](const CentreTraitement* c, const forms::SearchText& search) {
        return correspond(c, search.words);
    };
    setup.makeEditor = [context](CentreTraitement* c) { return new CentreEditorView(context, c); };
    // The editor already bound to that centre (or entering a new one) keeps what is typed.
    setup.rebind = [](CentreEditorView* editor, CentreTraitement* c) { return editor->centre() == c; };
    setup.placeholder = new forms::EmptyState(QStringLiteral("building.2"), QStringLiteral("Sélectionnez un centre"),
                                              QStringLiteral("Ou cliquez sur “Ajouter”."));
    // Wide enough for long labels where the window has the room: the form beside keeps its own.
    setup.sidebarFitsRows = true;
    setup.sidebarMax = 560;
    m_ecran = new forms::ListDetail<CentreTraitement, CentreEditorView>(context, std::move(setup), this);
    layout->addWidget(m_ecran->splitView(), 1);

    auto* liste = m_ecran->list();
    liste->setSpokenNames(QStringLiteral("Centres de traitement"), QStringLiteral("Rechercher un centre"));
    liste->setContextMenu([this](QMenu* menu, CentreTraitement* centre) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                                             [this, centre] { m_ecran->askToRemove({centre}); });
        forms::markDestructive(supprimer);
    });
    m_ecran->announceRemovals([](const QList<CentreTraitement*>& centres) {
        QStringList noms;
        for (const CentreTraitement* c : centres)
            noms.append(c->ville() && !c->ville()->isEmpty() ? c->nom() + QStringLiteral(" · ") + *c->ville() : c->nom());
        return forms::removedText(QStringLiteral("Centre supprimé"), QStringLiteral("centres supprimés"), noms);
    });
    m_ecran->deleteAsking([](const QList<CentreTraitement*>& centres) {
        // Named with its town, which tells two centres of one name apart.
        QStringList noms;
        for (const CentreTraitement* c : centres)
            noms.append(c->ville() && !c->ville()->isEmpty() ? c->nom() + QStringLiteral(" · ") + *c->ville() : c->nom());
        // The waste types it takes lose it: said, so that no link goes unseen.
        QStringList types;
        for (const CentreTraitement* c : centres)
            for (const TypeDechet* t : c->typesAcceptes())
                if (const QString nom = QStringLiteral("« %1 »").arg(t->libelle());
                    !t->isDeleted() && !types.contains(nom))
                    types.append(nom);
        QString message = QStringLiteral("Cette action est irréversible.");
        if (!types.isEmpty())
            message += (types.size() == 1 ? QStringLiteral(" Le type de déchets %1 ne le proposera plus.")
                                          : QStringLiteral(" Les types de déchets %1 ne le proposeront plus."))
                           .arg(types.join(QStringLiteral(", ")));
        return forms::naming({QStringLiteral("Supprimer ce centre ?"), message}, noms);
    });
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
    const QString nombre = QLocale().toString(centre->typesAcceptes().size()) + QStringLiteral("\u00A0type(s)");
    details.parts.append(RowPart::label(nombre, TextStyle::Callout, Tone::Secondary));
    row.lines.append(details);
    row.accessibleText = ville.isEmpty() ? centre->nom() + QStringLiteral(", ") + nombre
                                         : centre->nom() + QStringLiteral(", ") + ville
                                               + QStringLiteral(", ") + nombre;
    return row;
}

CentresListView::~CentresListView()
{
    releaseFocusWithin(this);
}

} // namespace kv
