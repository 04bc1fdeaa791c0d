#include "gestiontypesdechetsview.h"

#include "widgets/focusguard.h"

#include "typedechetformview.h"
#include "typedechetrow.h"

#include "model/query.h"
#include "widgets/forms/contextmenu.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listpanel.h"
#include "widgets/macsectionheader.h"

#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
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
    m_types = new Query<TypeDechet>(
        context, [this](const TypeDechet* t) { return libelleCorrespond(t->libelle(), m_searchText); },
        [](const TypeDechet* a, const TypeDechet* b) {
            return QString::localeAwareCompare(a->libelle(), b->libelle()) < 0;
        },
        this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(6);
    auto* entete = new QHBoxLayout;
    entete->addStretch(1);
    entete->addWidget(new MacSectionHeader(
        QStringLiteral("Type de déchets"),
        QStringLiteral("\"DIB\", \"Inertes\", \"Déchets verts\", \"Bois\", \"Plastique\", etc."),
        QStringLiteral("arrow.up.trash"), true, false, 0, 0, 0, nullptr, nullptr, this));
    entete->addStretch(1);
    layout->addLayout(entete);

    m_liste = new forms::RecordListPanel<TypeDechet>(m_types, [](TypeDechet* type) {
        forms::RowContent row;
        row.accessibleText = type->libelle();
        return row;
    });
    m_liste->setTitle(QStringLiteral("Types de déchets"));
    // The rows show a large colour dot and the hazard badge at their trailing end.
    m_liste->listView()->setItemDelegate(new TypeDechetRow(m_liste->listView()));
    m_liste->setContextMenu([this](QMenu* menu, TypeDechet* type) {
        menu->addAction(QStringLiteral("Modifier"), this, [this, type] { modifierType(type); });
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")),
                                             QStringLiteral("Supprimer"), this,
                                             [this, type] { supprimerType(type); });
        supprimer->setObjectName(QStringLiteral("destructive"));
        forms::markDestructive(supprimer);
    });

    auto* vide = new forms::EmptyState(QStringLiteral("cube.box"),
                                       QStringLiteral("Sélectionnez ou créez un type de déchet"),
                                       QString());
    vide->setSymbolLook(60, QColor(0x8E, 0x8E, 0x93));
    vide->setTitleSecondary();
    m_detail = new forms::DetailPane(vide);
    layout->addWidget(forms::makeSplitView(m_liste, m_detail, 220, 220, 400, this), 1);

    connect(m_liste, &forms::ListPanel::searchTextChanged, this, [this](const QString& texte) {
        m_searchText = texte;
        m_types->invalidate();
    });
    connect(m_liste, &forms::ListPanel::addRequested, this, &GestionTypesDechetsView::ajouterType);
    // A type that rentals use is refused at once, without a question first.
    m_liste->setDeleteQuestion([this](const QList<Record*>& types) {
        for (Record* r : types)
            if (nombreLocations(m_context, static_cast<TypeDechet*>(r)) > 0)
                return forms::Question{};
        const QString nom = types.size() == 1 ? static_cast<TypeDechet*>(types.first())->libelle() : QString();
        return forms::Question{QStringLiteral("Supprimer ce type de déchet ?"),
                               nom.isEmpty() ? QStringLiteral("Cette action est irréversible.")
                                             : QStringLiteral("« %1 » sera supprimé. Cette action est irréversible.").arg(nom)};
    });
    connect(m_liste, &forms::ListPanel::deleteRequested, this, &GestionTypesDechetsView::supprimerTypes);
    // A click opens the type; moving the selection with the keys only selects it.
    connect(m_liste->listView(), &QListView::clicked, this, [this](const QModelIndex& index) {
        if (TypeDechet* type = m_liste->recordAt(index.row())) {
            modifierType(type);
            // Styles that activate items on a single click follow the click with "activated".
            m_clicEnCours = true;
            QTimer::singleShot(0, this, [this] { m_clicEnCours = false; });
        }
    });
    // Return (or a double click) on a row opens it too.
    connect(m_liste->listView(), &QListView::activated, this, [this](const QModelIndex& index) {
        if (m_clicEnCours)
            return;
        if (TypeDechet* type = m_liste->recordAt(index.row()))
            modifierType(type);
    });
    connect(context, &ModelContext::changed, this, &GestionTypesDechetsView::contexteModifie);
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

TypeDechet* GestionTypesDechetsView::selection() const
{
    return m_liste->selected();
}

void GestionTypesDechetsView::ajouterType()
{
    ouvrirFormulaire(nullptr, false);
}

void GestionTypesDechetsView::modifierType(TypeDechet* type)
{
    ouvrirFormulaire(type, true);
}

void GestionTypesDechetsView::ouvrirFormulaire(TypeDechet* type, bool edition)
{
    // Each opening builds the form afresh from the stored record.
    m_typeEnCoursEdition = type;
    m_isEditing = edition;
    m_formulaire = new TypeDechetFormView(
        m_context, type, type, edition,
        [this](TypeDechet* enregistre) { insererNouveauType(enregistre); }, [this] { fermerFormulaire(); });
    auto* cadre = new QWidget;
    auto* centre = new QHBoxLayout(cadre);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->addStretch(1);
    // Wide enough for its labels and fields, centred in the pane.
    m_formulaire->setMinimumWidth(420);
    m_formulaire->setMaximumWidth(640);
    centre->addWidget(m_formulaire, 100);
    centre->addStretch(1);
    m_detail->setEditor(cadre);
}

void GestionTypesDechetsView::fermerFormulaire()
{
    m_typeEnCoursEdition = nullptr;
    m_isEditing = false;
    m_formulaire = nullptr;
    m_detail->showPlaceholder();
}

void GestionTypesDechetsView::insererNouveauType(TypeDechet* type)
{
    // The form has inserted and saved the record; inserting it again changes nothing.
    if (!m_isEditing)
        m_context->insert(type);
    m_types->invalidate();
    m_liste->setSelectedRecord(type);
    fermerFormulaire();
}

void GestionTypesDechetsView::supprimerType(TypeDechet* type)
{
    const int n = nombreLocations(m_context, type);
    if (n > 0) {
        alerteSuppression(n);
        return;
    }
    if (effacerType(type))
        enregistrerSuppression();
}

void GestionTypesDechetsView::supprimerTypes(const QList<int>& rows)
{
    // The rows designate the types as listed now: take the records before deleting any.
    const QList<TypeDechet*> types = m_liste->recordsAt(rows);
    int refusees = 0;
    bool supprime = false;
    for (TypeDechet* t : types) {
        if (const int n = nombreLocations(m_context, t); n > 0)
            refusees = n;
        else
            supprime = effacerType(t) || supprime;
    }
    if (supprime)
        enregistrerSuppression();
    if (refusees > 0)
        alerteSuppression(refusees);
}

bool GestionTypesDechetsView::effacerType(TypeDechet* type)
{
    QString erreur;
    if (!m_context->remove(type, &erreur)) {
        forms::showError(this, forms::deleteFailedText(erreur));
        return false;
    }
    if (selection() && TypeDechet::memeType(selection(), type))
        m_liste->setSelectedRecord(nullptr);
    // A form left open on a deleted record must not write into it.
    if (m_typeEnCoursEdition && TypeDechet::memeType(m_typeEnCoursEdition, type))
        fermerFormulaire();
    return true;
}

void GestionTypesDechetsView::enregistrerSuppression()
{
    QString erreur;
    if (!m_context->save(&erreur))
        forms::showError(this, forms::deleteFailedText(erreur));
}

void GestionTypesDechetsView::alerteSuppression(int nbLocationsLiees)
{
    auto* alerte = new QMessageBox(QMessageBox::Warning, QStringLiteral("Suppression impossible"),
                                   QStringLiteral("Suppression impossible"), QMessageBox::NoButton,
                                   window());
    alerte->setObjectName(QStringLiteral("suppressionImpossible"));
    alerte->setInformativeText(
        QStringLiteral("Ce type de déchet est utilisé dans %1 location(s). Supprimez-les d'abord ou "
                       "modifiez leur type de déchet.")
            .arg(nbLocationsLiees));
    QPushButton* ok = alerte->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    alerte->setDefaultButton(ok);
    alerte->setEscapeButton(ok);
    forms::fitMessageBox(alerte);
    alerte->setAttribute(Qt::WA_DeleteOnClose);
    alerte->setWindowModality(Qt::WindowModal);
    alerte->open();
}

void GestionTypesDechetsView::contexteModifie()
{
    // The type being edited was deleted elsewhere: its form closes.
    if (m_typeEnCoursEdition && m_typeEnCoursEdition->isDeleted())
        fermerFormulaire();
}

GestionTypesDechetsView::~GestionTypesDechetsView()
{
    releaseFocusWithin(this);
}

} // namespace kv
