#include "gestiontypesdechetsview.h"

#include "model/helpers.h"
#include "widgets/focusguard.h"

#include "typedechetrow.h"

#include "widgets/forms/contextmenu.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/macsectionheader.h"

#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

namespace {

bool libelleCorrespond(const QString& libelle, const QString& recherche)
{
    return recherche.isEmpty() || libelle.toLower().contains(recherche.toLower());
}

} // namespace

GestionTypesDechetsView::GestionTypesDechetsView(ModelContext* context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    auto* layout = layoutUnderHeader(
        this, QStringLiteral("Type de déchets"),
        QStringLiteral("\"DIB\", \"Inertes\", \"Déchets verts\", \"Bois\", \"Plastique\", etc."),
        QStringLiteral("arrow.up.trash"));

    forms::ListDetail<TypeDechet, TypeDechetFormView>::Setup setup;
    setup.row = [](TypeDechet* t) {
        forms::RowContent row;
        row.accessibleText = t->libelle();
        return row;
    };
    setup.lessThan = [](const TypeDechet* a, const TypeDechet* b) {
        return nameLessThan(a->libelle(), b->libelle());
    };
    // This list searches its labels as typed, without folding accents.
    setup.matches = [](const TypeDechet* t, const forms::SearchText& search) {
        return libelleCorrespond(t->libelle(), search.text);
    };
    // Each opening builds the form afresh from the stored record; a click opens it, not the
    // selection alone.
    setup.opensOnSelection = false;
    setup.makeEditor = [context](TypeDechet* t) { return new TypeDechetFormView(context, t, t, t != nullptr); };
    setup.frame = [](TypeDechetFormView* form) {
        // Centred in a wide pane; in a narrow one its labels stand above their fields.
        auto* cadre = new QWidget;
        auto* centre = new QHBoxLayout(cadre);
        centre->setContentsMargins(0, 0, 0, 0);
        centre->addStretch(1);
        // As wide as its title needs under a larger desktop font.
        form->setMaximumWidth(std::max(640, form->frame()->wholeHeaderWidth() + 24));
        centre->addWidget(form, 100);
        centre->addStretch(1);
        return cadre;
    };
    // A saved type, new or edited, stays in view in its edit form, as in the other editors
    // (the default after a save).
    auto* vide = new forms::EmptyState(QStringLiteral("cube.box"),
                                       QStringLiteral("Sélectionnez ou créez un type de déchet"),
                                       QString());
    vide->setSymbolLook(60, QColor(0x8E, 0x8E, 0x93));
    vide->setTitleSecondary();
    setup.placeholder = vide;
    // Wide enough for long labels where the window has the room: the form beside keeps its own.
    setup.sidebarFitsRows = true;
    setup.sidebarMax = 560;
    setup.rowWidth = &TypeDechetRow::largeurEntiere;
    m_ecran = new forms::ListDetail<TypeDechet, TypeDechetFormView>(context, std::move(setup), this);
    layout->addWidget(m_ecran->splitView(), 1);

    auto* liste = m_ecran->list();
    liste->setSpokenNames(QStringLiteral("Types de déchets"), QStringLiteral("Rechercher un type de déchet"));
    liste->setTitle(QStringLiteral("Types de déchets"));
    // The rows show a large colour dot and the hazard badge at their trailing end.
    liste->listView()->setItemDelegate(new TypeDechetRow(liste->listView()));
    liste->setContextMenu([this](QMenu* menu, TypeDechet* type) {
        menu->addAction(QStringLiteral("Modifier"), this, [this, type] { modifierType(type); });
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")),
                                             QStringLiteral("Supprimer"), this,
                                             [this, type] { m_ecran->askToRemove({type}); });
        supprimer->setObjectName(QStringLiteral("destructive"));
        forms::markDestructive(supprimer);
    });
    // A type that rentals use is refused at once, without a question first.
    m_ecran->deleteAsking(
        [this](const QList<TypeDechet*>& types) {
            for (TypeDechet* t : types)
                if (nombreLocations(m_context, t) > 0)
                    return forms::Question{};
            // Named with its category and code, which tell two types of one label apart.
            QStringList noms;
            for (const TypeDechet* t : types) {
                QStringList parts{t->libelle(), t->categorie()};
                if (t->codeCED() && !t->codeCED()->isEmpty())
                    parts.append(*t->codeCED());
                parts.removeAll(QString());
                noms.append(parts.join(QStringLiteral(" · ")));
            }
            return forms::naming(
                {QStringLiteral("Supprimer ce type de déchet ?"), QStringLiteral("Cette action est irréversible.")}, noms);
        },
        [this](const QList<TypeDechet*>& types) { supprimerTypes(types); });
    m_ecran->announceRemovals([](const QList<TypeDechet*>& types) {
        QStringList noms;
        for (const TypeDechet* t : types)
            noms.append(t->libelle());
        return forms::removedText(QStringLiteral("Type de déchet supprimé"), QStringLiteral("types de déchets supprimés"), noms);
    });
    // A click opens the type; moving the selection with the keys only selects it.
    connect(liste->listView(), &QListView::clicked, this, [this](const QModelIndex& index) {
        if (TypeDechet* type = m_ecran->list()->recordAt(index.row())) {
            modifierType(type);
            // Styles that activate items on a single click follow the click with "activated".
            m_clicEnCours = true;
            QTimer::singleShot(0, this, [this] { m_clicEnCours = false; });
        }
    });
    // Return (or a double click) on a row opens it too.
    connect(liste->listView(), &QListView::activated, this, [this](const QModelIndex& index) {
        if (m_clicEnCours)
            return;
        if (TypeDechet* type = m_ecran->list()->recordAt(index.row()))
            modifierType(type);
    });
}

QList<TypeDechet*> GestionTypesDechetsView::typesFiltres(const QList<TypeDechet*>& types,
                                                         const QString& searchText)
{
    QList<TypeDechet*> out;
    for (TypeDechet* t : types)
        if (libelleCorrespond(t->libelle(), searchText))
            out.append(t);
    return out;
}

int GestionTypesDechetsView::nombreLocations(const ModelContext* context, const TypeDechet* type)
{
    FetchDescriptor<LocationDeBenne> d;
    d.predicate = [type](const LocationDeBenne* l) {
        return l->typeDechet() && TypeDechet::memeType(l->typeDechet(), type);
    };
    return int(context->fetch(d).size());
}

void GestionTypesDechetsView::supprimerTypes(const QList<TypeDechet*>& types)
{
    // Types that rentals use stay; the others go.
    int refusees = 0;
    const TypeDechet* refuse = nullptr;
    QList<TypeDechet*> libres;
    for (TypeDechet* t : types) {
        if (const int n = nombreLocations(m_context, t); n > 0) {
            refusees = n;
            refuse = t;
        } else
            libres.append(t);
    }
    m_ecran->remove(libres);
    if (refuse)
        alerteSuppression(refuse, refusees);
}

void GestionTypesDechetsView::alerteSuppression(const TypeDechet* type, int nbLocationsLiees)
{
    auto* alerte = new QMessageBox(QMessageBox::Warning, QStringLiteral("Suppression impossible"),
                                   QStringLiteral("Suppression impossible"), QMessageBox::NoButton,
                                   window());
    alerte->setObjectName(QStringLiteral("suppressionImpossible"));
    alerte->setInformativeText(
        QStringLiteral("Le type de déchet « %1 » est utilisé dans %2\u00A0location(s). Supprimez-les d'abord ou "
                       "modifiez leur type de déchet.")
            .arg(type->libelle())
            .arg(nbLocationsLiees));
    QPushButton* ok = alerte->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    alerte->setDefaultButton(ok);
    alerte->setEscapeButton(ok);
    forms::fitMessageBox(alerte);
    alerte->setAttribute(Qt::WA_DeleteOnClose);
    alerte->setWindowModality(Qt::WindowModal);
    alerte->open();
}

GestionTypesDechetsView::~GestionTypesDechetsView()
{
    releaseFocusWithin(this);
}

} // namespace kv
