#include "locationsetpeseeview.h"

#include "widgets/forms/editorframe.h"

#include "minibondepeseeform.h"

#include "model/helpers.h"
#include "model/query.h"
#include "model/records.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/recordrow.h"
#include "widgets/colors.h"
#include "widgets/wrappingcheckbox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace kv {

namespace {

// The rentals read at once when the list reads further: several screens' worth.
constexpr int kRangsMontres = 200;

QColor couleurBenne(const Benne* benne)
{
    const std::optional<CouleurRVB> c = benne ? couleurDepuisHex(benne->couleur()) : std::nullopt;
    if (!c)
        return QColor(Qt::gray);
    return QColor::fromRgbF(float(c->rouge), float(c->vert), float(c->bleu));
}

// A status symbol at the row's trailing edge, tinted when a colour is given.
forms::RowPart symboleSeul(const QString& symbole, const QColor& teinte, const QString& bulle)
{
    forms::RowPart p = forms::RowPart::symbolLabel(symbole, QString(), forms::TextStyle::Body, forms::Tone::Primary);
    p.iconOnly = true;
    p.color = teinte;
    p.toolTip = bulle;
    return p;
}

forms::RowPart badgeRotations(qsizetype n)
{
    forms::RowPart nombre = forms::RowPart::badge(QString::number(n), QColor());
    nombre.toolTip = QStringLiteral("Nombre de rotations (bons de pesée)");
    return nombre;
}

// The placeholder asks for no more width than it cannot do without: its text wraps, and the
// room it does not need goes to the list, whose names and addresses then show whole.
class InviteSansLargeur : public forms::EmptyState {
public:
    using forms::EmptyState::EmptyState;
    QSize sizeHint() const override { return {minimumSizeHint().width(), forms::EmptyState::sizeHint().height()}; }
};

// The rows as RecordRowDelegate paints them, and a frame around the row the keys act on while the
// list has the focus: without it, the list looks the same focused or not until a row is chosen.
class LigneLocation : public forms::RecordRowDelegate {
public:
    using forms::RecordRowDelegate::RecordRowDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        forms::RecordRowDelegate::paint(painter, option, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        // On the highlight, the highlight's text colour; elsewhere the highlight's own.
        const bool choisie = option.state & QStyle::State_Selected;
        const QColor couleur = option.palette.color(QPalette::Active, choisie ? QPalette::HighlightedText
                                                                               : QPalette::Highlight);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(couleur, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 4, 4);
        painter->restore();
    }
};

forms::RowLine lignePose(const QDate& jour)
{
    const QString pose = QStringLiteral("posé le ") + QLocale().toString(jour, QLocale::ShortFormat);
    return {{forms::RowPart::label(pose, forms::TextStyle::Caption, forms::Tone::Secondary)}, 8, forms::TextStyle::Caption};
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

    forms::ListDetail<LocationDeBenne, MiniBonDePeseeForm>::Setup setup;
    setup.row = [this](LocationDeBenne* l) { return ligne(l); };
    // Latest removal first.
    setup.sortKey = [](const LocationDeBenne* l) { return -l->dateEnlevementMs().value_or(0); };
    setup.filter = [this](const LocationDeBenne* l) {
        return estEnlevee(l, m_maintenantMs) && (!m_sansPesee || l->bonsDePesee().isEmpty());
    };
    setup.makeEditor = [this](LocationDeBenne* l) { return new MiniBonDePeseeForm(m_context, l, m_horloge, m_dossier); };
    // The form shown is handed the next rental: it keeps no state of this screen's.
    setup.rebind = [](MiniBonDePeseeForm* form, LocationDeBenne* l) {
        if (!l)
            return false;
        const bool autre = form->location() != l;
        form->setLocation(l);
        // Another rental's form opens at its top, its weight in view.
        for (QWidget* w = form->parentWidget(); autre && w; w = w->parentWidget())
            if (auto* defilement = qobject_cast<QScrollArea*>(w)) {
                defilement->verticalScrollBar()->setValue(0);
                break;
            }
        return true;
    };
    // The form scrolls up and down in its own pane, beside a list that scrolls on its own: the
    // screen as a whole never scrolls.
    setup.frame = [](MiniBonDePeseeForm* form) {
        auto* defilement = new forms::VerticalScrollArea;
        defilement->setObjectName(QStringLiteral("defilementBon"));
        defilement->setFrameShape(QFrame::NoFrame);
        defilement->setWidgetResizable(true);
        defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        defilement->setWidget(form);
        return defilement;
    };
    // The list follows the store by itself; the form stays on its rental.
    setup.afterSave = [](LocationDeBenne*) {};
    // Wide enough for the whole placement date beside the widest set of badges.
    setup.sidebarMin = std::max(setup.sidebarMin, largeurColonne());
    // While nothing is chosen the list takes what the placeholder leaves, up to its widest; a
    // form opened takes back the width it asks for, down to the list's narrowest.
    setup.sidebarMax = std::max(setup.sidebarMax, setup.sidebarMin);
    setup.sidebarIdeal = setup.sidebarMax;
    setup.placeholder = new InviteSansLargeur(QStringLiteral("rectangle.and.hand.point.up.left"),
                                              QStringLiteral("Sélectionnez une location"),
                                              QStringLiteral("Choisissez une location pour saisir ou modifier un bon de pesée."));
    // The list is computed once, here. Tickets matter to it only through "Sans pesée uniquement"
    // (see contexteChange): declaring them a dependency now would compute it all a second time.
    m_ecran = new forms::ListDetail<LocationDeBenne, MiniBonDePeseeForm>(context, std::move(setup), this);
    construireColonne();
    auto* racine = new QVBoxLayout(this);
    racine->setContentsMargins(0, 0, 0, 0);
    racine->addWidget(m_ecran->splitView());

    connect(m_context, &ModelContext::changed, this, &LocationsEtPeseeView::contexteChange);
    compterEnAttente();
    majResume();
}

LocationsEtPeseeView::~LocationsEtPeseeView() = default;

void LocationsEtPeseeView::construireColonne()
{
    // A list of its own: no search, no "Ajouter", no deletion.
    forms::ListPanel* panneau = m_ecran->list();
    panneau->setObjectName(QStringLiteral("colonneLocations"));
    panneau->searchField()->hide();
    panneau->addButton()->hide();
    panneau->addButton()->setEnabled(false); // Ctrl+N starts nothing here
    for (QShortcut* raccourci : panneau->findChildren<QShortcut*>())
        raccourci->setEnabled(false); // nor does Ctrl+F
    panneau->setTitle(QStringLiteral("Locations"));
    if (auto* titre = panneau->findChild<QLabel*>(QStringLiteral("listTitle")))
        titre->setFont(forms::fontFor(forms::TextStyle::Headline, font()));

    // On two lines rather than cut where large text leaves the column narrow.
    m_interrupteur = new WrappingCheckBox(QStringLiteral("Sans pesée uniquement"), panneau);
    m_interrupteur->setObjectName(QStringLiteral("sansPeseeUniquement"));
    panneau->addControls(m_interrupteur);
    connect(m_interrupteur, &QCheckBox::toggled, this, &LocationsEtPeseeView::setFiltreSansPeseeOnly);

    // What the list holds and what it does not yet: on a new office it is empty until a removal
    // date has passed.
    m_resume = new QLabel(panneau);
    m_resume->setObjectName(QStringLiteral("resumeLocations"));
    m_resume->setWordWrap(true);
    m_resume->setTextFormat(Qt::PlainText);
    m_resume->setFont(forms::fontFor(forms::TextStyle::Callout, font()));
    QPalette secondaire = m_resume->palette();
    secondaire.setColor(QPalette::WindowText,
                        forms::toneColor(forms::Tone::Secondary, secondaire.color(QPalette::WindowText)));
    m_resume->setPalette(secondaire);
    panneau->addControls(m_resume);

    QListView* vue = panneau->listView();
    vue->setObjectName(QStringLiteral("listeLocations"));
    vue->setAccessibleName(QStringLiteral("Locations"));
    // Tab reads the column from the top: the switch, then the list under it. The panel chains
    // each control it is given from its hidden « Ajouter » to the list, so the line added after
    // the switch put the list back before it.
    setTabOrder(m_interrupteur, vue);
    QAbstractItemDelegate* ancien = vue->itemDelegate();
    vue->setItemDelegate(new LigneLocation([this](Record* r) { return ligne(static_cast<LocationDeBenne*>(r)); }, vue));
    delete ancien;
    // After the panel's own filter: the arrows and Return are handled here first.
    vue->installEventFilter(this);

    m_vide = new InviteSansLargeur(QStringLiteral("tray"), QStringLiteral("Aucune location enlevée"),
                                   QStringLiteral("Une location apparaît ici une fois sa date d'enlèvement passée."),
                                   panneau);
    m_vide->setObjectName(QStringLiteral("listeVide"));
    m_videPesees = new InviteSansLargeur(QStringLiteral("checkmark.seal.fill"), QStringLiteral("Aucune location sans pesée"),
                                         QStringLiteral("Toutes les locations enlevées ont un bon de pesée."), panneau);
    m_videPesees->setObjectName(QStringLiteral("listeVidePesees"));
    if (auto* pile = qobject_cast<QBoxLayout*>(panneau->layout())) {
        pile->addWidget(m_vide, 1);
        pile->addWidget(m_videPesees, 1);
    }
    // The search row, left empty here, would take a share of the column's free height and
    // leave it round the switch: the list under the lines takes it all.
    if (auto* pile = qobject_cast<QBoxLayout*>(panneau->layout()))
        if (QLayout* haut = pile->itemAt(0)->layout())
            for (int i = 0; i < haut->count(); ++i)
                if (haut->itemAt(i)->layout() && haut->itemAt(i)->isEmpty())
                    delete haut->takeAt(i--);
    RecordListModelBase* modele = panneau->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(modele, signal, this, &LocationsEtPeseeView::majResume);
    connect(modele, &QAbstractItemModel::modelReset, this, &LocationsEtPeseeView::majResume);
    vue->setAlternatingRowColors(false);
    // Every row has the same lines: the view need not measure thousands of them. It counts every
    // removed rental, so that its scroll bar and End reach the last, but reads only the rentals
    // it shows: putting every removed rental of a large office in order would cost each visit
    // more than all it shows. (Given before the scroll mode is set, which lays the list out.)
    panneau->model()->setRowWindow(kRangsMontres);
    vue->setUniformItemSizes(true);
    vue->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    vue->setMouseTracking(true);
}

int LocationsEtPeseeView::largeurColonne() const
{
    // A row with the widest date and every badge a row can bear; the name and the address give
    // way with "…".
    forms::RowContent exemple;
    exemple.lines << lignePose(QDate(2028, 12, 28));
    exemple.trailing << symboleSeul(QStringLiteral("checkmark.seal.fill"), QColor(), QString())
                     << symboleSeul(QStringLiteral("paperclip"), QColor(), QString()) << badgeRotations(99);
    const int cadre = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth)
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return forms::RecordRowDelegate::wholeWidth(exemple, font()) + cadre;
}

QListView* LocationsEtPeseeView::liste() const
{
    return m_ecran->list()->listView();
}

RecordListModelBase* LocationsEtPeseeView::modele() const
{
    return m_ecran->list()->model();
}

forms::RecordRowDelegate* LocationsEtPeseeView::delegue() const
{
    return qobject_cast<forms::RecordRowDelegate*>(liste()->itemDelegate());
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
    m_ecran->refilter();
    compterEnAttente();
    majResume();
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
    // A namesake told apart on a line of its own, what namesakes share giving way first.
    const QString distinction = distinctionAffichee(client);
    forms::RowLine apart{{}, 8, forms::TextStyle::Caption};
    if (!distinction.isEmpty()) {
        RowPart part = RowPart::label(distinction, forms::TextStyle::Caption, forms::Tone::Secondary);
        part.elide = true;
        part.fit = [client](const Tient& tient) { return distinctionAffichee(client, tient); };
        apart.parts << part;
    }

    const QString volume = formatFixed(benne ? benne->volume() : 0, 0) + QChar(0x202F) + QStringLiteral("m³");
    forms::RowLine deuxieme;
    deuxieme.parts << RowPart::badge(volume, couleurBenne(benne));

    // The marks keep their hue where it reads at 3:1 on the list, and give way towards black or
    // white under a palette where it does not (a dark scheme).
    // Thin strokes blend into the row at their edges: they are given some more than 3:1, on
    // the plain rows and the alternate ones alike.
    const QList<QColor> fonds{palette().color(QPalette::Base), palette().color(QPalette::AlternateBase)};
    const BonDePesee* dernier = dernierBon(location);
    if (!dernier) {
        row.trailing << symboleSeul(QStringLiteral("exclamationmark.circle"), inkOnAll(QColor(0xFF, 0x95, 0x00), fonds, 4.0),
                                    QStringLiteral("Aucun bon de pesée"));
    } else {
        row.trailing << symboleSeul(QStringLiteral("checkmark.seal.fill"), inkOnAll(QColor(0x28, 0xA7, 0x45), fonds, 4.0),
                                    QStringLiteral("Bon de pesée existant (")
                                        + QLocale().toString(localDayOf(dernier->dateMs(), m_horloge.zone),
                                                             QLocale::ShortFormat)
                                        + QLatin1Char(')'));
        if (dernier->cheminFichierTicket() && !dernier->cheminFichierTicket()->isEmpty())
            row.trailing << symboleSeul(QStringLiteral("paperclip"), QColor(), QStringLiteral("Pièce jointe"));
    }
    row.trailing << badgeRotations(location->bonsDePesee().size());

    const QString adresse = location->adresse() ? *location->adresse() : (client ? client->adresse() : QString());
    const forms::RowLine quatrieme = lignePose(localDayOf(location->datePoseMs(), m_horloge.zone));
    const QString pose = quatrieme.parts.first().text;
    // The address, then the placement date, in that order on every row: each on its own line so
    // that a narrow list still shows the address (cut at its end) and the whole date.
    RowPart partAdresse = RowPart::label(adresse, forms::TextStyle::Caption, forms::Tone::Secondary);
    partAdresse.elide = true;
    forms::RowLine troisieme{{partAdresse}, 8, forms::TextStyle::Caption};
    row.lines << premiere;
    if (!apart.parts.isEmpty())
        row.lines << apart;
    row.lines << deuxieme << troisieme << quatrieme;

    QStringList dit{distinction.isEmpty() ? nom : nom + QStringLiteral(" (") + distinction + QLatin1Char(')'), volume,
                    adresse, pose};
    for (const RowPart& p : row.trailing)
        dit << (p.kind == RowPart::Kind::Badge ? p.text : p.toolTip);
    row.accessibleText = dit.join(QStringLiteral(" · "));
    return row;
}

void LocationsEtPeseeView::setSelection(LocationDeBenne* location)
{
    if (location && location->isDeleted())
        location = nullptr;
    m_ecran->list()->setSelected(location);
}

void LocationsEtPeseeView::compterEnAttente()
{
    // Without the switch the list holds exactly the removed rentals and its length counts them
    // (majResume); only with the switch on are they all walked again.
    if (!m_sansPesee)
        return;
    int enlevees = 0;
    for (const LocationDeBenne* l : m_context->all<LocationDeBenne>())
        if (estEnlevee(l, m_maintenantMs))
            ++enlevees;
    m_enlevees = enlevees;
}

void LocationsEtPeseeView::majResume()
{
    // Every rental listed, those the list has not been given yet included.
    const int listees = int(modele()->query()->size());
    if (!m_sansPesee)
        m_enlevees = listees;
    const int enAttente = int(m_context->count<LocationDeBenne>()) - m_enlevees;
    QString texte = m_sansPesee ? QStringLiteral("Locations enlevées sans bon de pesée : %1").arg(QLocale().toString(listees))
                                : QStringLiteral("Locations dont la benne est enlevée : %1").arg(QLocale().toString(listees));
    texte += QLatin1Char('\n');
    if (enAttente == 0)
        texte += QStringLiteral("Aucune location n'attend son enlèvement.");
    else if (enAttente == 1)
        texte += QStringLiteral("1 location attend son enlèvement (benne sur site ou enlèvement à venir).");
    else
        texte += QStringLiteral("%1 locations attendent leur enlèvement (benne sur site ou enlèvement à venir).")
                     .arg(QLocale().toString(enAttente));
    m_resume->setText(texte);
    const bool vide = listees == 0;
    // With the switch on, the list may be empty because every removed rental has its ticket.
    const bool toutesPesees = vide && m_sansPesee && m_enlevees > 0;
    m_vide->setVisible(vide && !toutesPesees);
    m_videPesees->setVisible(toutesPesees);
    liste()->setVisible(!vide);
}

bool LocationsEtPeseeView::eventFilter(QObject* objet, QEvent* event)
{
    if (objet != liste() || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(objet, event);
    auto* touche = static_cast<QKeyEvent*>(event);
    const auto mods = touche->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier)
        return QWidget::eventFilter(objet, event);
    const QModelIndexList choisies = liste()->selectionModel()->selectedRows();
    const QModelIndex courante = liste()->currentIndex();
    const int n = modele()->rowCount();
    switch (touche->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up: {
        if (n == 0)
            return true;
        // From the chosen row to its neighbour; with none chosen, the row the focus shows is
        // chosen first, as a click on it would.
        int rang = 0;
        if (!choisies.isEmpty())
            rang = std::clamp(choisies.first().row() + (touche->key() == Qt::Key_Down ? 1 : -1), 0, n - 1);
        else if (courante.isValid())
            rang = courante.row();
        choisirRang(rang);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (choisies.isEmpty() && courante.isValid())
            choisirRang(courante.row());
        // Into the form only once it shows the row (not while the question about typed work is open).
        MiniBonDePeseeForm* form = formulaire();
        if (form && selection() && form->location() == selection()
            && !liste()->selectionModel()->selectedRows().isEmpty()) {
            form->focusFirstField();
            detail()->revealFocus();
        }
        return true;
    }
    default:
        return QWidget::eventFilter(objet, event);
    }
}

void LocationsEtPeseeView::choisirRang(int rang)
{
    auto* location = static_cast<LocationDeBenne*>(listPanel()->recordAtRow(rang));
    if (!location || location == selection())
        return;
    // The same road as a click: typed work for the rental shown asks first.
    setSelection(location);
}

void LocationsEtPeseeView::contexteChange(const ModelChanges& changes)
{
    if (changes.touches(EntityType::LocationDeBenne)) {
        compterEnAttente();
        majResume();
    }
    // With "Sans pesée uniquement" on, a ticket added or removed lets a rental in or out.
    if (m_sansPesee && changes.touches(EntityType::BonDePesee)) {
        m_ecran->refilter();
        return;
    }
    // Rows read their client, skip and tickets live: repaint what is visible.
    constexpr EntityTypeMask lus = entityBit(EntityType::Client) | entityBit(EntityType::Benne)
        | entityBit(EntityType::BonDePesee);
    if (changes.touchesAny(lus))
        liste()->viewport()->update();
}

} // namespace kv
