#include "locationsetpeseeview.h"

#include "minibondepeseeform.h"

#include "model/helpers.h"
#include "model/query.h"
#include "model/records.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/recordrow.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QSplitter>
#include <QVBoxLayout>

namespace kv {

namespace {

QColor couleurBenne(const Benne* benne)
{
    const std::optional<CouleurRVB> c = benne ? couleurDepuisHex(benne->couleur()) : std::nullopt;
    if (!c)
        return QColor(Qt::gray);
    return QColor::fromRgbF(float(c->rouge), float(c->vert), float(c->bleu));
}

} // namespace

LocationsEtPeseeView::LocationsEtPeseeView(ModelContext* context, QWidget* parent)
    : LocationsEtPeseeView(context, Horloge::systeme(), DossierTickets(DossierTickets::dossierDonneesSysteme()), parent)
{
}

LocationsEtPeseeView::LocationsEtPeseeView(ModelContext* context, Horloge horloge, DossierTickets dossier,
                                           QWidget* parent)
    : QWidget(parent), m_context(context), m_horloge(std::move(horloge)), m_dossier(std::move(dossier))
{
    setObjectName(QStringLiteral("LocationsEtPeseeView"));
    m_maintenantMs = m_horloge.maintenant();
    // Connected before the query, so that "now" is fresh when it re-examines its records.
    connect(m_context, &ModelContext::changed, this, [this](const ModelChanges&) { m_maintenantMs = m_horloge.maintenant(); });

    m_requete = new Query<LocationDeBenne>(
        m_context,
        [this](const LocationDeBenne* l) {
            return estEnlevee(l, m_maintenantMs) && (!m_sansPesee || l->bonsDePesee().isEmpty());
        },
        [](const LocationDeBenne* a, const LocationDeBenne* b) {
            return a->dateEnlevementMs().value_or(0) > b->dateEnlevementMs().value_or(0);
        },
        this);
    m_requete->dependOn(EntityType::BonDePesee);
    m_modele = new RecordListModel<LocationDeBenne>(
        m_requete,
        [this](LocationDeBenne* l, int role) -> QVariant {
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
                return ligne(l).accessibleText;
            return {};
        },
        this);

    auto* placeholder = new forms::EmptyState(QStringLiteral("rectangle.and.hand.point.up.left"),
                                              QStringLiteral("Sélectionnez une location"),
                                              QStringLiteral("Choisissez une location pour saisir ou modifier un bon de pesée."));
    m_detail = new forms::DetailPane(placeholder);
    QWidget* colonne = construireColonne();
    auto* split = forms::makeSplitView(colonne, m_detail, 220, 220, 400, this);
    auto* racine = new QVBoxLayout(this);
    racine->setContentsMargins(0, 0, 0, 0);
    racine->addWidget(split);

    connect(m_context, &ModelContext::changed, this, &LocationsEtPeseeView::contexteChange);
}

LocationsEtPeseeView::~LocationsEtPeseeView() = default;

QWidget* LocationsEtPeseeView::construireColonne()
{
    auto* colonne = new QWidget;
    colonne->setObjectName(QStringLiteral("colonneLocations"));
    auto* pile = new QVBoxLayout(colonne);
    pile->setContentsMargins(0, 10, 0, 0);
    pile->setSpacing(8);

    auto* titre = new QLabel(QStringLiteral("Locations"), colonne);
    titre->setFont(forms::fontFor(forms::TextStyle::Headline, font()));
    titre->setContentsMargins(12, 0, 12, 0);
    pile->addWidget(titre);

    m_interrupteur = new QCheckBox(QStringLiteral("Sans pesée uniquement"), colonne);
    m_interrupteur->setObjectName(QStringLiteral("sansPeseeUniquement"));
    auto* rangee = new QHBoxLayout;
    rangee->setContentsMargins(12, 0, 12, 0);
    rangee->addWidget(m_interrupteur);
    pile->addLayout(rangee);
    connect(m_interrupteur, &QCheckBox::toggled, this, &LocationsEtPeseeView::setFiltreSansPeseeOnly);

    m_liste = new QListView(colonne);
    m_liste->setObjectName(QStringLiteral("listeLocations"));
    m_liste->setUniformItemSizes(true);
    m_liste->setFrameShape(QFrame::NoFrame);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    m_liste->setMouseTracking(true);
    m_delegue = new forms::RecordRowDelegate(
        [this](Record* r) { return ligne(static_cast<LocationDeBenne*>(r)); }, m_liste);
    m_liste->setItemDelegate(m_delegue);
    pile->addWidget(m_liste, 1);

    // While the model moves rows, the view's own selection changes (a removed current row hands
    // its place to a neighbour) are not the user's choice.
    auto debut = [this] { ++m_modeleEnCours; };
    auto fin = [this] {
        --m_modeleEnCours;
        if (m_modeleEnCours == 0)
            montrerSelection();
    };
    connect(m_modele, &QAbstractItemModel::rowsAboutToBeRemoved, this, debut);
    connect(m_modele, &QAbstractItemModel::rowsRemoved, this, fin);
    connect(m_modele, &QAbstractItemModel::rowsAboutToBeInserted, this, debut);
    connect(m_modele, &QAbstractItemModel::rowsInserted, this, fin);
    connect(m_modele, &QAbstractItemModel::rowsAboutToBeMoved, this, debut);
    connect(m_modele, &QAbstractItemModel::rowsMoved, this, fin);
    connect(m_modele, &QAbstractItemModel::modelAboutToBeReset, this, debut);
    connect(m_modele, &QAbstractItemModel::modelReset, this, fin);
    // Set after the guards, so that they run before the view's own selection follows the rows.
    m_liste->setModel(m_modele);
    connect(m_liste->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &LocationsEtPeseeView::choixDansLaListe);
    connect(m_liste->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LocationsEtPeseeView::choixDansLaListe);
    return colonne;
}

bool LocationsEtPeseeView::estEnlevee(const LocationDeBenne* location, qint64 maintenantMs)
{
    const std::optional<qint64> enlevement = location->dateEnlevementMs();
    return enlevement && *enlevement <= maintenantMs;
}

void LocationsEtPeseeView::setFiltreSansPeseeOnly(bool on)
{
    if (m_interrupteur->isChecked() != on) {
        m_interrupteur->setChecked(on); // comes back here through toggled
        return;
    }
    if (m_sansPesee == on)
        return;
    m_sansPesee = on;
    m_maintenantMs = m_horloge.maintenant();
    m_requete->invalidate();
}

QList<LocationDeBenne*> LocationsEtPeseeView::locationsFiltrees() const
{
    return m_requete->results();
}

forms::RowContent LocationsEtPeseeView::ligne(LocationDeBenne* location) const
{
    using forms::RowPart;
    forms::RowContent row;
    if (!location)
        return row;
    const Client* client = location->client();
    const Benne* benne = location->benne();
    const QString nom = client ? client->nom() : QString();
    forms::RowLine premiere;
    premiere.style = forms::TextStyle::Headline;
    RowPart partNom = RowPart::label(nom, forms::TextStyle::Headline);
    partNom.elide = true;
    premiere.parts << partNom;

    const QString volume = formatFixed(benne ? benne->volume() : 0, 0) + QChar(0x202F) + QStringLiteral("m³");
    forms::RowLine deuxieme;
    deuxieme.parts << RowPart::badge(volume, couleurBenne(benne));

    const BonDePesee* dernier = dernierBon(location);
    if (!dernier) {
        RowPart alerte = RowPart::symbolLabel(QStringLiteral("exclamationmark.circle"), QString(),
                                              forms::TextStyle::Body, forms::Tone::Primary);
        alerte.iconOnly = true;
        alerte.color = QColor(0xFF, 0x95, 0x00);
        alerte.toolTip = QStringLiteral("Aucun bon de pesée");
        row.trailing << alerte;
    } else {
        RowPart sceau = RowPart::symbolLabel(QStringLiteral("checkmark.seal.fill"), QString(),
                                             forms::TextStyle::Body, forms::Tone::Primary);
        sceau.iconOnly = true;
        sceau.color = QColor(0x28, 0xA7, 0x45);
        sceau.toolTip = QStringLiteral("Bon de pesée existant (")
            + QLocale().toString(localDayOf(dernier->dateMs(), m_horloge.zone), QLocale::ShortFormat)
            + QLatin1Char(')');
        row.trailing << sceau;
        if (dernier->cheminFichierTicket() && !dernier->cheminFichierTicket()->isEmpty()) {
            RowPart trombone = RowPart::symbolLabel(QStringLiteral("paperclip"), QString(),
                                                    forms::TextStyle::Body, forms::Tone::Primary);
            trombone.iconOnly = true;
            trombone.toolTip = QStringLiteral("Pièce jointe");
            row.trailing << trombone;
        }
    }
    RowPart nombre = RowPart::badge(QString::number(location->bonsDePesee().size()), QColor());
    nombre.toolTip = QStringLiteral("Nombre de rotations (bons de pesée)");
    row.trailing << nombre;

    const QString adresse = location->adresse() ? *location->adresse() : (client ? client->adresse() : QString());
    const QString pose = QStringLiteral("posé le ")
        + QLocale().toString(localDayOf(location->datePoseMs(), m_horloge.zone), QLocale::ShortFormat);
    forms::RowLine troisieme;
    troisieme.style = forms::TextStyle::Caption;
    RowPart partAdresse = RowPart::label(adresse, forms::TextStyle::Caption, forms::Tone::Secondary);
    RowPart partPose = RowPart::label(pose, forms::TextStyle::Caption, forms::Tone::Secondary);
    const QFontMetrics fm(forms::fontFor(forms::TextStyle::Caption, m_liste->font()));
    // Room left of the badges: the address gives way to the date when both do not fit.
    const QList<QRect> badges = forms::RecordRowDelegate::trailingRects(row, QRect(0, 0, m_liste->viewport()->width(), 40),
                                                                        m_liste->font());
    const int place = (badges.isEmpty() ? m_liste->viewport()->width() - 10 : badges.first().left() - 12) - 10;
    partAdresse.elide = fm.horizontalAdvance(adresse) + 8 + fm.horizontalAdvance(pose) > place;
    if (partAdresse.elide) {
        // The date stays whole; the address gives way.
        troisieme.parts << partPose << partAdresse;
    } else {
        troisieme.parts << partAdresse << partPose;
    }
    row.lines << premiere << deuxieme << troisieme;

    QStringList dit{nom, volume, adresse, pose};
    for (const RowPart& p : row.trailing)
        dit << (p.kind == RowPart::Kind::Badge ? p.text : p.toolTip);
    row.accessibleText = dit.join(QStringLiteral(" · "));
    return row;
}

MiniBonDePeseeForm* LocationsEtPeseeView::formulaire() const
{
    return qobject_cast<MiniBonDePeseeForm*>(m_detail->editor());
}

void LocationsEtPeseeView::setSelection(LocationDeBenne* location)
{
    if (location && location->isDeleted())
        location = nullptr;
    if (location == m_selection && (location != nullptr) == (formulaire() != nullptr)) {
        montrerSelection();
        return;
    }
    m_selection = location;
    if (!location) {
        m_detail->showPlaceholder();
    } else if (MiniBonDePeseeForm* form = formulaire()) {
        form->setLocation(location);
    } else {
        m_detail->setEditor(new MiniBonDePeseeForm(m_context, location, m_horloge, m_dossier));
    }
    montrerSelection();
}

void LocationsEtPeseeView::choixDansLaListe()
{
    if (m_modeleEnCours)
        return;
    const QModelIndex courant = m_liste->selectionModel()->currentIndex();
    if (!courant.isValid() || !m_liste->selectionModel()->isSelected(courant))
        return;
    if (LocationDeBenne* l = m_modele->recordAt(courant); l && l != m_selection)
        setSelection(l);
}

void LocationsEtPeseeView::montrerSelection()
{
    // The chosen rental stays chosen when the switch hides it; it is selected again when listed.
    ++m_modeleEnCours;
    const QModelIndex index = m_selection ? m_modele->indexOf(m_selection) : QModelIndex();
    if (index.isValid()) {
        if (m_liste->selectionModel()->currentIndex() != index)
            m_liste->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else if (!m_liste->selectionModel()->isSelected(index))
            m_liste->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    } else {
        m_liste->selectionModel()->clearSelection();
    }
    --m_modeleEnCours;
}

void LocationsEtPeseeView::contexteChange(const ModelChanges& changes)
{
    if (m_selection && m_selection->isDeleted())
        setSelection(nullptr);
    // Rows read their client, skip and tickets live: repaint what is visible.
    constexpr EntityTypeMask lus = entityBit(EntityType::Client) | entityBit(EntityType::Benne)
        | entityBit(EntityType::BonDePesee);
    if (changes.touchesAny(lus))
        m_liste->viewport()->update();
}

} // namespace kv
