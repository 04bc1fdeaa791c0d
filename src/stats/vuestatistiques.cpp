#include "vuestatistiques.h"

#include "relocalisationlocations.h"

#include "clientsinactifsview.h"
#include "sourcestatistiques.h"
#include "statistiquecartechaleurview.h"
#include "statistiquehistogrammevolumeview.h"
#include "statistiqueoccupationbennesview.h"
#include "statistiquerendementvolumeview.h"
#include "statistiquesaisonnaliteview.h"
#include "statistiquetypesdechetview.h"

#include "reports/rapportmensuelview.h"
#include "widgets/colors.h"
#include "widgets/focusstyle.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"

#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QHelpEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QTimer>
#include <QToolTip>

namespace kv {

namespace {

// A sidebar row: the chosen statistic's background (its BackgroundRole) as a rounded band
// across the whole row, then the label and symbol.
class LigneStatistiqueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QRect bande = option.rect.adjusted(kBande, 1, -kBande, -1);
        if (opt.backgroundBrush.style() != Qt::NoBrush) {
            p->save();
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(Qt::NoPen);
            p->setBrush(opt.backgroundBrush);
            p->drawRoundedRect(bande, 6, 6);
            p->restore();
        }
        // The keyboard's row is framed as every focused item is.
        // On the chosen row's selection colour it takes the ink that reads there.
        if (option.state & QStyle::State_HasFocus)
            paintFocusFrame(p, bande, option.palette, opt.backgroundBrush.style() != Qt::NoBrush);
        opt.backgroundBrush = Qt::NoBrush;
        opt.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
        opt.rect = texte(option.rect);
        opt.textElideMode = Qt::ElideRight;
        const QWidget* w = option.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
    }

    // The width that shows the row's symbol and title whole.
    int largeurEntiere(const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.rect = QRect(0, 0, 10000, option.rect.height());
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        const QRect zone = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, w);
        const int marge = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        return 2 * kRetrait + zone.left() + 2 * marge + opt.fontMetrics.horizontalAdvance(opt.text) + 1;
    }

    // A title cut by a narrow list shows whole in its tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (largeurEntiere(option, index) > option.rect.width())
            QToolTip::showText(event->globalPos(), plainToolTip(index.data(Qt::DisplayRole).toString()), view);
        else
            QToolTip::hideText();
        return true;
    }

private:
    // The band inside the row, then the label inside the band.
    static constexpr int kBande = 8;
    static constexpr int kRetrait = kBande + 6;
    static QRect texte(const QRect& ligne) { return ligne.adjusted(kRetrait, 1, -kRetrait, -1); }
};

// The width that shows every title of the sidebar whole.
int largeurDesTitres(QListWidget* liste)
{
    auto* delegate = static_cast<LigneStatistiqueDelegate*>(liste->itemDelegate());
    QStyleOptionViewItem option;
    option.initFrom(liste->viewport());
    option.font = liste->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.decorationSize = liste->iconSize();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.widget = liste;
    int largeur = 0;
    for (int i = 0; i < liste->count(); ++i) {
        const QModelIndex index = liste->model()->index(i, 0);
        option.rect = liste->visualRect(index);
        largeur = std::max(largeur, delegate->largeurEntiere(option, index));
    }
    return largeur + 2 * liste->frameWidth();
}

// The sidebar's width: 260 points while the window is wide; narrower windows give it
// at least its titles' width, and only when the statistic would have less than this room left
// does it cut its titles, down to a symbol and a few letters.
constexpr int kLargeurSidebar = 260;
constexpr int kPlancherSidebar = 96;
constexpr int kPlaceStatistique = 320;

} // namespace

QList<StatistiqueType> toutesLesStatistiques()
{
    return {StatistiqueType::rapport,         StatistiqueType::carteChaleur,  StatistiqueType::histogrammeVolume,
            StatistiqueType::repartitionTypeBenne, StatistiqueType::saisonnalite, StatistiqueType::typesDechet,
            StatistiqueType::clientsInactifs, StatistiqueType::tauxOccupation};
}

QString titre(StatistiqueType type)
{
    switch (type) {
    case StatistiqueType::rapport: return QStringLiteral("Rapport d'activité");
    case StatistiqueType::carteChaleur: return QStringLiteral("Carte de chaleur");
    case StatistiqueType::histogrammeVolume: return QStringLiteral("Volumes loués");
    case StatistiqueType::repartitionTypeBenne: return QStringLiteral("Rendement par volume");
    case StatistiqueType::saisonnalite: return QStringLiteral("Saisonnalité");
    case StatistiqueType::typesDechet: return QStringLiteral("Types de déchets");
    case StatistiqueType::clientsInactifs: return QStringLiteral("Clients inactifs");
    case StatistiqueType::tauxOccupation: return QStringLiteral("Taux d'occupation");
    }
    return {};
}

QString symbole(StatistiqueType type)
{
    switch (type) {
    case StatistiqueType::rapport: return QStringLiteral("doc.text.magnifyingglass");
    case StatistiqueType::carteChaleur: return QStringLiteral("map");
    case StatistiqueType::histogrammeVolume: return QStringLiteral("chart.bar.fill");
    case StatistiqueType::repartitionTypeBenne: return QStringLiteral("rectangle.3.offgrid.fill");
    case StatistiqueType::saisonnalite: return QStringLiteral("calendar");
    case StatistiqueType::typesDechet: return QStringLiteral("trash");
    case StatistiqueType::clientsInactifs: return QStringLiteral("person.crop.circle.badge.exclamationmark");
    case StatistiqueType::tauxOccupation: return QStringLiteral("chart.pie.fill");
    }
    return {};
}

VueStatistiques::VueStatistiques(ModelContext* context, QWidget* parent)
    : VueStatistiques(context, Horloge::systeme(), parent)
{
}

VueStatistiques::VueStatistiques(ModelContext* context, const Horloge& horloge, QWidget* parent)
    : QWidget(parent), m_context(context), m_source(new SourceStatistiques(context, horloge, this))
{
    setWindowTitle(QStringLiteral("Statistiques"));

    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(construireSidebar());
    auto* separateur = new QFrame(this);
    separateur->setFrameShape(QFrame::VLine);
    separateur->setFrameShadow(QFrame::Plain);
    separateur->setForegroundRole(QPalette::Mid);
    h->addWidget(separateur);
    // The statistics taller than the window scroll.
    m_defilement = new QScrollArea(this);
    m_defilement->setWidgetResizable(true);
    m_defilement->setFrameShape(QFrame::NoFrame);
    // Charts and lists below the statistic's choices take no keys: the view itself does.
    m_defilement->setFocusPolicy(Qt::NoFocus);
    scrollByKeys(m_defilement);
    h->addWidget(m_defilement, 1);

    // A statistic left is kept for a return only while what it shows is what the store holds:
    // a change lets every kept one go (before their own refresh, which would be wasted).
    connect(m_source, &SourceStatistiques::changed, this, [this] {
        const QList<QWidget*> gardees = m_gardees.values();
        m_gardees.clear();
        qDeleteAll(gardees);
    });

    choisir(StatistiqueType::saisonnalite);
}

QWidget* VueStatistiques::construireSidebar()
{
    m_sidebar = new QListWidget(this);
    m_sidebar->setObjectName(QStringLiteral("sidebarStatistiques"));
    m_sidebar->setAccessibleName(QStringLiteral("Statistiques"));
    m_sidebar->setFixedWidth(kLargeurSidebar);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    // The highlight is the row's own background; the list's selection holds the chosen row
    // only for readers, who say it is chosen.
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setIconSize(QSize(18, 18));
    m_sidebar->viewport()->setAutoFillBackground(false);
    m_sidebar->setItemDelegate(new LigneStatistiqueDelegate(m_sidebar));
    m_sidebar->setSpacing(0);
    for (StatistiqueType t : toutesLesStatistiques()) {
        auto* item = new QListWidgetItem(symbolIcon(symbole(t)), titre(t), m_sidebar);
        item->setData(Qt::UserRole, int(t));
        const QFontMetrics fm(m_sidebar->font());
        item->setSizeHint(QSize(0, qMax(fm.height(), 18) + 12 + 4));
    }
    // A click, or the arrow keys moving the current row, chooses the statistic.
    connect(m_sidebar, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            choisir(StatistiqueType(item->data(Qt::UserRole).toInt()), true);
    });
    connect(m_sidebar, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        choisir(StatistiqueType(item->data(Qt::UserRole).toInt()), true);
    });
    return m_sidebar;
}

void VueStatistiques::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ajusterSidebar();
}

void VueStatistiques::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        ajusterSidebar();
    if (event->type() == QEvent::PaletteChange && m_sidebar)
        surligner();
}

void VueStatistiques::ajusterSidebar()
{
    const int titres = largeurDesTitres(m_sidebar);
    int largeur = std::min(kLargeurSidebar, std::max(titres, width() * 3 / 10));
    largeur = std::max(kPlancherSidebar, std::min(largeur, width() - kPlaceStatistique));
    if (m_sidebar->width() != largeur || m_sidebar->minimumWidth() != largeur)
        m_sidebar->setFixedWidth(largeur);
}

namespace {
QWidget* enAttente(StatistiqueType type, QWidget* parent, bool calcul = false);
} // namespace

void VueStatistiques::choisir(StatistiqueType type, bool differer)
{
    if (m_selected == type && m_detail)
        return;
    m_selected = type;
    surligner();
    if (QWidget* ancien = m_defilement->takeWidget()) {
        // Kept as the hub's child, hidden, so it never outlives the hub and its store.
        ancien->hide();
        ancien->setParent(this);
        const auto garde = ancien->property("statistique");
        if (garde.isValid())
            m_gardees.insert(garde.toInt(), ancien);
        else
            ancien->deleteLater();
    }
    m_detail = m_gardees.take(int(type));
    if (m_detail) {
        repartir(type, m_detail);
    } else if (differer && seGarde(type)) {
        // A click answers at once with the statistic's title; its figures and charts follow
        // on the next turn of the event loop, once that is on screen.
        m_detail = enAttente(type, m_defilement->viewport(), true);
        QTimer::singleShot(0, m_detail, [this, type] {
            if (m_selected == type)
                montrer(type, vueDetail(type));
        });
    } else {
        m_detail = vueDetail(type);
    }
    montrer(type, m_detail);
}

void VueStatistiques::montrer(StatistiqueType type, QWidget* vue)
{
    if (vue != m_detail) {
        // The placeholder goes once the statistic is there.
        if (QWidget* attente = m_defilement->takeWidget())
            attente->deleteLater();
        m_detail = vue;
    }
    if (seGarde(type) && vue->objectName() != QLatin1String("statistiqueEnAttente"))
        vue->setProperty("statistique", int(type));
    // Beside the charts the bar stands whether or not they overflow: its room never comes and
    // goes under them, which would lay out and paint every chart again at another width. The
    // statistics with a list of their own leave it to the list while they fit.
    m_defilement->setVerticalScrollBarPolicy(seGarde(type) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    m_defilement->setWidget(vue);
    // The view, a stop of its own while it scrolls, is read as the statistic it shows.
    m_defilement->setAccessibleName(titre(type));
    vue->show();
}

void VueStatistiques::surligner()
{
    // The chosen row in the desktop's selection colours, its title made to read on them (4.5:1)
    // whether or not the list holds the keys.
    const QColor accent = m_sidebar->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor encre = readableTextOn(m_sidebar->palette().color(QPalette::Active, QPalette::HighlightedText), accent);
    const QSignalBlocker bloque(m_sidebar);
    for (int i = 0; i < m_sidebar->count(); ++i) {
        QListWidgetItem* item = m_sidebar->item(i);
        const bool choisi = m_selected && item->data(Qt::UserRole).toInt() == int(*m_selected);
        item->setBackground(choisi ? QBrush(accent) : QBrush());
        item->setForeground(choisi ? QBrush(encre) : QBrush());
        item->setSelected(choisi);
        if (choisi)
            m_sidebar->setCurrentItem(item);
    }
}

namespace {

// A kind without a screen of its own (none of the kinds above), or one being built: its title,
// and while it is built, a line that says so.
QWidget* enAttente(StatistiqueType type, QWidget* parent, bool calcul)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QStringLiteral("statistiqueEnAttente"));
    auto* v = new QVBoxLayout(w);
    auto* label = new QLabel(titre(type), w);
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    label->setFont(f);
    v->addWidget(label);
    if (calcul) {
        auto* ligne = new QLabel(QStringLiteral("Calcul en cours…"), w);
        ligne->setAlignment(Qt::AlignCenter);
        v->addWidget(ligne);
        v->addStretch(1);
    }
    return w;
}

} // namespace

bool VueStatistiques::seGarde(StatistiqueType type)
{
    // The statistics whose charts or map cost more than a click may make a user wait for; the
    // report starts afresh with its own queries, the others are quickly built.
    switch (type) {
    case StatistiqueType::carteChaleur:
    case StatistiqueType::histogrammeVolume:
    case StatistiqueType::repartitionTypeBenne:
    case StatistiqueType::saisonnalite:
    case StatistiqueType::typesDechet:
        return true;
    default:
        return false;
    }
}

void VueStatistiques::repartir(StatistiqueType type, QWidget* vue)
{
    // A statistic chosen again starts from its starting choices, as if built anew; its figures
    // for them are kept.
    switch (type) {
    case StatistiqueType::carteChaleur:
        static_cast<StatistiqueCarteChaleurView*>(vue)->revenirAuDepart();
        break;
    case StatistiqueType::histogrammeVolume:
        static_cast<StatistiqueHistogrammeVolumeView*>(vue)->setSelection(HistogrammeSelection::volume);
        break;
    case StatistiqueType::repartitionTypeBenne:
        static_cast<StatistiqueRendementVolumeView*>(vue)->setSelectedYear(std::nullopt);
        break;
    case StatistiqueType::saisonnalite:
        static_cast<StatistiqueSaisonnaliteView*>(vue)->setAnneeSelectionnee(
            QDateTime::fromMSecsSinceEpoch(m_source->maintenant(), m_source->zone()).date().year());
        break;
    case StatistiqueType::typesDechet:
        static_cast<StatistiqueTypesDechetView*>(vue)->setSelectedYear(std::nullopt);
        break;
    default:
        break;
    }
}

QWidget* VueStatistiques::vueDetail(StatistiqueType type)
{
    QWidget* parent = m_defilement->viewport();
    const QDateTime maintenant = QDateTime::fromMSecsSinceEpoch(m_source->maintenant(), m_source->zone());
    switch (type) {
    case StatistiqueType::rapport:
        // The monthly report runs its own queries.
        return new RapportMensuelView(m_context, m_source->horloge(), parent);
    case StatistiqueType::carteChaleur: {
        // Places counted, whatever the rentals' order: they are not sorted for the map.
        auto* carte = new StatistiqueCarteChaleurView(m_source->locationsSansOrdre(), parent, m_context);
        // Rentals saved without coordinates are looked for again, after the map's first paint.
        RelocalisationLocations::relancer(m_context);
        connect(m_source, &SourceStatistiques::changed, carte, [this, carte](EntityTypeMask types) {
            if (types & SourceStatistiques::kLocations)
                carte->setLocations(m_source->locationsSansOrdre());
        });
        return carte;
    }
    case StatistiqueType::histogrammeVolume:
        return new StatistiqueHistogrammeVolumeView(m_source, parent);
    case StatistiqueType::repartitionTypeBenne:
        return new StatistiqueRendementVolumeView(m_source, parent);
    case StatistiqueType::saisonnalite:
        return new StatistiqueSaisonnaliteView(m_source, maintenant.date().year(), parent);
    case StatistiqueType::typesDechet:
        return new StatistiqueTypesDechetView(m_source, parent);
    case StatistiqueType::clientsInactifs:
        return new ClientsInactifsView(m_source, m_source->maintenant(), parent);
    case StatistiqueType::tauxOccupation:
        return new StatistiqueOccupationBennesView(m_source, m_source->maintenant(), parent);
    }
    return enAttente(type, parent);
}

} // namespace kv
