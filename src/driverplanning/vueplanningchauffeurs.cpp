#include "vueplanningchauffeurs.h"

#include "bilantransmission.h"
#include "carteprestations.h"
#include "carteprestationschauffeur.h"
#include "chauffeurcard.h"
#include "dateslider.h"
#include "prestationcard.h"
#include "prestationscolumn.h"
#include "platform/mapwidget.h"

#include "model/query.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/dragautoscroller.h"
#include "widgets/dragrule.h"
#include "widgets/focusguard.h"
#include "widgets/forms/editorframe.h"
#include "widgets/icons.h"
#include "widgets/molettelaterale.h"
#include "widgets/pastillejour.h"
#include "widgets/textstyles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <qdrawutil.h>

namespace kv {

namespace {

constexpr int kHauteurEstimee = 150;
// Above and below the content of a row; of a folded row, which shows only its driver's name.
constexpr int kMargeRangee = 12;
constexpr int kMargePliee = 2;
// Between the rows and their dividers.
constexpr int kEspaceListe = 16;
// What the rows built after the paint may take of one turn of the event loop.
constexpr qint64 kBudgetTourMs = 6;

QFrame* separateur(QWidget* parent)
{
    auto* ligne = new QFrame(parent);
    ligne->setFrameShape(QFrame::HLine);
    ligne->setFrameShadow(QFrame::Sunken);
    return ligne;
}

// A widget that places its children itself: again when it is resized, and when they change their
// hints (other texts, say).
class PoseeALaMain : public QWidget {
public:
    using QWidget::QWidget;

protected:
    virtual void placer() = 0;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest) {
            updateGeometry();
            placer();
        }
        return QWidget::event(event);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        placer();
    }
};

// The header: the day strip and the button side by side when the width allows. Narrower, the
// strip goes on over more lines, and the button stands beside its last line, or under it.
class EnTetePlanning : public PoseeALaMain {
public:
    using PoseeALaMain::PoseeALaMain;

    void poser(DateSlider* bande, QWidget* bouton)
    {
        m_bande = bande;
        m_bouton = bouton;
        placer();
    }

    QSize sizeHint() const override { return {largeurUneLigne(), hauteurPour(largeurUneLigne())}; }
    QSize minimumSizeHint() const override
    {
        const int largeur = 2 * kMarge + std::max(m_bande->minimumSizeHint().width(), m_bouton->sizeHint().width());
        return {largeur, hauteurPour(largeur)};
    }

private:
    static constexpr int kMarge = 11;
    static constexpr int kEspace = 6;

    // The header takes the height its width asks for as it is laid out: told to the layout as a
    // height for width, it would make the screen's scroll area as tall as the whole list.
    int hauteurPour(int largeur) const
    {
        if (uneLigne(largeur))
            return kMarge + std::max(m_bande->sizeHint().height(), m_bouton->sizeHint().height());
        const int bande = m_bande->heightForWidth(largeurBande(largeur));
        const QRect derniere = m_bande->derniereLigne(largeurBande(largeur));
        if (boutonAcote(largeur))
            return kMarge + std::max(bande, derniere.center().y() + (m_bouton->sizeHint().height() + 1) / 2);
        return kMarge + bande + m_bouton->sizeHint().height();
    }
    // Whether the button fits beside the strip's last line.
    bool boutonAcote(int largeur) const
    {
        return m_bande->derniereLigne(largeurBande(largeur)).right() + 1 + kEspace + m_bouton->sizeHint().width()
            <= largeur - 2 * kMarge;
    }
    int largeurUneLigne() const
    {
        return kMarge + m_bande->sizeHint().width() + kEspace + m_bouton->sizeHint().width() + kMarge;
    }
    bool uneLigne(int largeur) const { return largeurUneLigne() <= largeur; }
    int largeurBande(int largeur) const
    {
        return std::clamp(largeur - 2 * kMarge, m_bande->minimumSizeHint().width(), m_bande->sizeHint().width());
    }
    void placer() override
    {
        if (!m_bande)
            return;
        setFixedHeight(hauteurPour(width()));
        const QSize bouton = m_bouton->sizeHint();
        if (uneLigne(width())) {
            // Centred on each other.
            const QSize bande = m_bande->sizeHint();
            const int haut = std::max(bande.height(), bouton.height());
            m_bande->setGeometry(kMarge, kMarge + (haut - bande.height()) / 2, bande.width(), bande.height());
            m_bouton->setGeometry(kMarge + bande.width() + kEspace, kMarge + (haut - bouton.height()) / 2,
                                  bouton.width(), bouton.height());
            return;
        }
        const int largeur = largeurBande(width());
        const int hauteur = m_bande->heightForWidth(largeur);
        m_bande->setGeometry(kMarge, kMarge, largeur, hauteur);
        if (boutonAcote(width())) {
            const QRect derniere = m_bande->derniereLigne(largeur);
            m_bouton->setGeometry(kMarge + derniere.right() + 1 + kEspace,
                                  kMarge + derniere.center().y() - bouton.height() / 2, bouton.width(),
                                  bouton.height());
        } else {
            m_bouton->setGeometry(kMarge, kMarge + hauteur, bouton.width(), bouton.height());
        }
    }

    DateSlider* m_bande = nullptr;
    QWidget* m_bouton = nullptr;
};

// A change of these types can change what a row shows.
constexpr EntityTypeMask kTypesDesRangees = entityBit(EntityType::Chauffeur) | entityBit(EntityType::LocationDeBenne)
                                            | entityBit(EntityType::Client) | entityBit(EntityType::Benne);

} // namespace

// ---------------------------------------------------------------------------------------------
// The drivers' names stand in a strip at the left of the list, beside the day rather than over
// it: the day scrolls sideways under its own edge, never under a name, so that no name covers a
// card or a title. The strip scrolls up and down with the list, and a drag over a name is a drag
// over that driver's column.

class Gouttiere : public QWidget {
public:
    Gouttiere(QScrollArea* zone, QWidget* parent) : QWidget(parent), m_zone(zone)
    {
        setObjectName(QStringLiteral("nomsChauffeurs"));
        setAcceptDrops(true);
    }
    // Where the list's row dividers stand, in this strip's coordinates, to go on across it.
    void setLignes(std::function<QList<int>()> lignes) { m_lignes = std::move(lignes); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_lignes)
            return;
        QPainter p(this);
        for (const int y : m_lignes())
            if (y >= 0 && y < height())
                qDrawShadeLine(&p, QPoint(0, y), QPoint(width(), y), palette(), true, 1, 0);
    }
    // The wheel over the names scrolls the list, as it does over the day.
    void wheelEvent(QWheelEvent* event) override
    {
        if (!defilerDeCote(m_zone, event))
            QCoreApplication::sendEvent(m_zone->verticalScrollBar(), event);
    }

private:
    QScrollArea* m_zone;
    std::function<QList<int>()> m_lignes;
};

// A scroll area lists only its viewport and scroll bars to a screen reader: the list's own lists
// every child, so that the drivers' names in the strip beside the viewport are read too.
QAccessibleInterface* accesDefilementAvecNoms(const QString& classe, QObject* objet)
{
    auto* w = qobject_cast<QWidget*>(objet);
    if (classe != QLatin1String("QScrollArea") || !w || w->objectName() != QLatin1String("defilementChauffeurs"))
        return nullptr;
    return new QAccessibleWidget(w, QAccessible::Pane);
}

// The list's scroll area, its viewport after the strip of names.
class DefilementAvecNoms : public QScrollArea {
public:
    explicit DefilementAvecNoms(QWidget* parent) : QScrollArea(parent), m_gouttiere(new Gouttiere(this, this))
    {
        static const bool installee = [] {
            QAccessible::installFactory(accesDefilementAvecNoms);
            return true;
        }();
        Q_UNUSED(installee);
    }

    Gouttiere* gouttiere() const { return m_gouttiere; }
    void setLargeurGouttiere(int largeur)
    {
        setViewportMargins(largeur, 0, 0, 0);
        placer();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        placer();
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (!defilerDeCote(this, event))
            QScrollArea::wheelEvent(event);
    }
    bool viewportEvent(QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            placer();
        return QScrollArea::viewportEvent(event);
    }

private:
    // Beside the viewport, as tall as it: the horizontal bar stays under the day alone.
    void placer()
    {
        const QRect vue = viewport()->geometry();
        m_gouttiere->setGeometry(0, vue.y(), vue.x(), vue.height());
    }
    Gouttiere* m_gouttiere;
};

// The slot of the driver's card in his row: no wider than nothing, as tall as the row, it keeps
// the card's height in the row. The card itself stands in the strip of names, level with the
// slot, and slides down it to stay in view while the row scrolls past the top of the list. The
// slot owns the card: they come and go together.

class EmplacementCarte : public PoseeALaMain {
public:
    EmplacementCarte(ChauffeurCard* carte, QWidget* vue, QWidget* gouttiere, int gauche, QWidget* parent)
        : PoseeALaMain(parent), m_carte(carte), m_vue(vue), m_gauche(gauche)
    {
        setObjectName(QStringLiteral("emplacementCarte"));
        carte->setParent(gouttiere);
        carte->setMaximumWidth(kLargeur);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    ~EmplacementCarte() override { delete m_carte; }

    QSize sizeHint() const override { return {0, m_carte ? m_carte->sizeHint().height() : 0}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Also when the names change, and the card's height with them.
    void placer() override
    {
        if (!m_carte)
            return;
        const QSize taille = m_carte->sizeHint().boundedTo(QSize(kLargeur, QWIDGETSIZE_MAX));
        // The strip's top is the list's: the slot's place in view is the card's in the strip.
        const int haut = mapTo(m_vue, QPoint(0, 0)).y();
        const int y = std::max(haut, std::min(std::max(haut, kMarge), haut + height() - taille.height()));
        const QRect place(QPoint(m_gauche, y), taille);
        m_carte->setGeometry(place);
        // Out of the strip's sight with its row, it is not shown at all rather than clipped.
        m_carte->setVisible(place.intersects(m_carte->parentWidget()->rect()));
    }

    static constexpr int kLargeur = 180;

private:
    // The room left above a card held at the top of the list.
    static constexpr int kMarge = 8;
    QPointer<ChauffeurCard> m_carte;
    QWidget* m_vue;
    int m_gauche;
};

// ---------------------------------------------------------------------------------------------
// One driver's row

RangeeChauffeur::RangeeChauffeur(Chauffeur* chauffeur, ModelContext* context, QWidget* vue, QWidget* noms,
                                 int gaucheNoms, QWidget* parent)
    : QWidget(parent), m_chauffeur(chauffeur), m_context(context), m_vue(vue), m_noms(noms), m_gaucheNoms(gaucheNoms)
{
    setObjectName(QStringLiteral("rangeeChauffeur"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedHeight(kHauteurEstimee);
}

bool RangeeChauffeur::glisserEnCours() const
{
    return m_colonne && m_colonne->glisserEnCours();
}

void RangeeChauffeur::oublier()
{
    if (!m_contenu)
        return;
    const int hauteur = height();
    delete m_contenu;
    m_contenu = nullptr;
    m_carte = nullptr;
    m_emplacementCarte = nullptr;
    m_colonne = nullptr;
    m_plan = nullptr;
    m_emplacementPlan = nullptr;
    m_ligne = nullptr;
    setFixedHeight(hauteur);
}

void RangeeChauffeur::construire(const DayWindow& jour, const TraceDrop& trace)
{
    delete m_contenu;
    m_plan = nullptr;
    m_jour = jour;
    m_contenu = new QWidget(this);
    auto* ligne = new QHBoxLayout(m_contenu);
    m_ligne = ligne;
    ligne->setContentsMargins(0, kMargeRangee, 0, kMargeRangee);
    ligne->setSpacing(0);

    m_carte = new ChauffeurCard(m_chauffeur);
    m_emplacementCarte = new EmplacementCarte(m_carte, m_vue, m_noms, m_gaucheNoms, m_contenu);
    // The card stands in the strip of names, beside the list: the column starts the row.
    ligne->addWidget(m_emplacementCarte);

    m_colonne = new PrestationsColumn(m_chauffeur, jour, m_context, m_contenu, m_source);
    // The list takes the drops and hands each to the column under the pointer at that moment:
    // the list may have scrolled under a still pointer since the drag last moved.
    m_colonne->setAcceptDrops(false);
    m_colonne->setTrace(trace);
    connect(m_colonne, &PrestationsColumn::glisserTermine, this, &RangeeChauffeur::glisserTermine);
    connect(m_colonne, &PrestationsColumn::echecSauvegarde, this, &RangeeChauffeur::echecSauvegarde);
    connect(m_colonne, &PrestationsColumn::menuPrestation, this, &RangeeChauffeur::menuPrestation);
    connect(m_colonne, &PrestationsColumn::attribue, this, &RangeeChauffeur::attribue);
    m_pile = new QBoxLayout(QBoxLayout::LeftToRight);
    m_pile->setSpacing(0);
    ligne->addLayout(m_pile, 1);
    m_pile->addWidget(m_colonne, 1, Qt::AlignTop);

    // The map sits in the middle of the room left.
    m_emplacementPlan = new QWidget(m_contenu);
    auto* pilePlan = new QHBoxLayout(m_emplacementPlan);
    pilePlan->setContentsMargins(0, 0, 0, 0);
    pilePlan->setSpacing(0);
    pilePlan->addStretch(1);
    pilePlan->addStretch(1);
    m_emplacementPlan->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_pile->addSpacing(32);
    m_pile->addWidget(m_emplacementPlan, 1, Qt::AlignTop);
    majCarte();
    majNombre();

    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    layout()->addWidget(m_contenu);
    if (m_pliee)
        appliquerPli();
    m_contenu->show();
    epinglerCarte();
}

void RangeeChauffeur::setPliee(bool pliee)
{
    if (m_pliee == pliee)
        return;
    m_pliee = pliee;
    if (m_contenu) {
        appliquerPli();
        return;
    }
    // Not built yet: a name's height while folded, the height it had before once unfolded.
    if (pliee) {
        m_hauteurDepliee = height();
        const QFontMetrics nom(fontForStyle(TextStyle::headline, font()));
        setFixedHeight(nom.height() + 2 * kMargePliee + ChauffeurCard::kBords);
    } else {
        setFixedHeight(m_hauteurDepliee > 0 ? m_hauteurDepliee : kHauteurEstimee);
        m_hauteurDepliee = 0;
    }
}

void RangeeChauffeur::appliquerPli()
{
    m_colonne->setVisible(!m_pliee);
    m_emplacementPlan->setVisible(!m_pliee);
    const int marge = m_pliee ? kMargePliee : kMargeRangee;
    m_ligne->setContentsMargins(0, marge, 0, marge);
    update();
}

void RangeeChauffeur::paintEvent(QPaintEvent*)
{
    // Folded, the row stands for the driver's column: marked as the column would be.
    if (!m_pliee || !m_colonne || !m_colonne->marquee())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fond = palette().color(QPalette::Highlight);
    fond.setAlphaF(0.15f);
    p.setBrush(fond);
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
}

void RangeeChauffeur::epinglerCarte()
{
    if (m_emplacementCarte)
        m_emplacementCarte->placer();
    m_noms->update();
}

void RangeeChauffeur::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    epinglerCarte();
}

void RangeeChauffeur::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    disposer();
    epinglerCarte();
}

void RangeeChauffeur::changerJour(const DayWindow& jour)
{
    if (!m_contenu)
        return;
    m_jour = jour;
    m_colonne->setJour(jour);
    majCarte();
    majNombre();
}

void RangeeChauffeur::majNombre()
{
    if (!m_chauffeur && m_carte)
        m_carte->setNombreAAttribuer(int(m_colonne->cartesPoses().size() + m_colonne->cartesEnlevements().size()));
}

void RangeeChauffeur::majCarte()
{
    if (!m_emplacementPlan)
        return;
    // The work to give out has no map: it goes to no driver's places.
    const bool avecCarte = m_chauffeur && aDesPrestationsLeJour(m_chauffeur, m_jour);
    if (avecCarte && !m_plan) {
        m_plan = new CartePrestationsChauffeur(m_chauffeur, m_jour, m_emplacementPlan);
        static_cast<QHBoxLayout*>(m_emplacementPlan->layout())->insertWidget(1, m_plan);
    } else if (avecCarte) {
        // The row's map is made once and shows each day it is given.
        m_plan->setJour(m_jour);
        m_plan->show();
    } else if (m_plan) {
        m_plan->hide();
    }
    disposer();
}

CartePrestationsChauffeur* RangeeChauffeur::carte() const
{
    return m_plan && !m_plan->isHidden() ? m_plan : nullptr;
}

void RangeeChauffeur::actualiser(const QSet<const Record*>* touches)
{
    if (!m_contenu)
        return;
    m_carte->actualiser();
    m_colonne->actualiser(touches);
    majNombre();
    m_emplacementCarte->updateGeometry();
    m_emplacementCarte->placer();
    majCarte();
}

// ---------------------------------------------------------------------------------------------
// The screen

VuePlanningChauffeurs::VuePlanningChauffeurs(ModelContext* context, QWidget* parent, Horloge horloge,
                                             ComposeurEmail composeur)
    : QWidget(parent), m_context(context), m_horloge(std::move(horloge)), m_composeur(std::move(composeur))
{
    setObjectName(QStringLiteral("vuePlanningChauffeurs"));
    // Tomorrow, in the device's calendar.
    const QDate demain = localDayOf(m_horloge.maintenantMs(), m_horloge.zone).addDays(1);
    m_selectedDate = QDateTime::fromMSecsSinceEpoch(startOfDayMs(demain, m_horloge.zone),
                                                    m_horloge.zone);

    m_chauffeurs = new Query<Chauffeur>(context, [](const Chauffeur* c) { return c->actif(); }, {}, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(enTete());
    layout->addWidget(separateur(this));

    auto* defilement = new DefilementAvecNoms(this);
    m_defilement = defilement;
    m_defilement->setObjectName(QStringLiteral("defilementChauffeurs"));
    m_defilement->setWidgetResizable(true);
    m_defilement->setFrameShape(QFrame::NoFrame);
    m_defilement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab goes through the cards and maps, then out of the list: the list itself is no stop
    // of its own, where Tab would go round the list again.
    m_defilement->setFocusPolicy(Qt::ClickFocus);
    auto* contenu = new QWidget;
    contenu->setObjectName(QStringLiteral("listeChauffeurs"));
    m_liste = new QVBoxLayout(contenu);
    m_liste->setSpacing(kEspaceListe);
    // The names stand where the list's margin began; the day starts after them, 32 further on.
    QMargins marges = m_liste->contentsMargins();
    m_gaucheNoms = marges.left();
    marges.setLeft(0);
    m_liste->setContentsMargins(marges);
    defilement->setLargeurGouttiere(m_gaucheNoms + EmplacementCarte::kLargeur + 32);
    Gouttiere* noms = defilement->gouttiere();
    noms->installEventFilter(this);
    noms->setLignes([this] {
        QList<int> lignes;
        QWidget* vue = m_defilement->viewport();
        for (QWidget* s : std::as_const(m_separateurs)) {
            const int y = s->mapTo(vue, QPoint(0, s->height() / 2)).y();
            if (y >= 0 && y < vue->height())
                lignes << y;
        }
        return lignes;
    });
    // At the top of the list, so that it scrolls with it rather than taking the rows' room.
    m_liste->addWidget(aideJourVide(contenu));
    m_liste->addStretch(1);
    m_defilement->setWidget(contenu);
    layout->addWidget(m_defilement, 1);
    contenu->setAcceptDrops(true);
    contenu->installEventFilter(this);
    m_defilement->viewport()->installEventFilter(this);
    m_defilement->installEventFilter(this);
    m_regleGlisser = new DragRule(m_defilement, Qt::Vertical);
    m_defilementAuto = m_regleGlisser->scroller();
    // A driver's card held at the top of the list reaches into the margin where a drag scrolls:
    // held over it, the list stays, so that the drop goes to him.
    m_defilementAuto->setExclusion([this](const QPoint& pointVue) { return carteEn(pointVue) != nullptr; });
    connect(m_defilement->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        epinglerCartes();
        marquerSousPointeur();
        planifierConstruction();
    });
    connect(m_defilement->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        epinglerCartes();
        marquerSousPointeur();
    });

    synchroniserRangees();
    majAide();
    majPastilles();
    connect(context, &ModelContext::changed, this, &VuePlanningChauffeurs::surChangement);

    // A timer, not a queued call: it fires once the events already waiting, the paint among
    // them, have been handled.
    m_autour.setSingleShot(true);
    m_autour.setInterval(0);
    connect(&m_autour, &QTimer::timeout, this, &VuePlanningChauffeurs::construireAutour);

    m_minuit.setSingleShot(true);
    connect(&m_minuit, &QTimer::timeout, this, &VuePlanningChauffeurs::nouveauJour);
    programmerMinuit();
}

void VuePlanningChauffeurs::programmerMinuit()
{
    // A second after the start of tomorrow (checked at least hourly, should the clock jump).
    const qint64 attente = m_horloge.msJusquAuJourSuivant() + 1000;
    m_minuit.start(int(std::clamp<qint64>(attente, 1000, 3600 * 1000)));
}

void VuePlanningChauffeurs::nouveauJour()
{
    programmerMinuit();
    const QDateTime aujourdhui = m_horloge.debutAujourdhui();
    if (m_slider->baseDate() == aujourdhui)
        return;
    // The strip starts on the new today. The day chosen stays while it is in the strip; once
    // past, today takes its place.
    m_slider->setBaseDate(aujourdhui);
    m_sansChauffeur.reset();
    majPastilles();
    if (m_selectedDate.toMSecsSinceEpoch() < aujourdhui.toMSecsSinceEpoch())
        setSelectedDate(aujourdhui);
}

VuePlanningChauffeurs::~VuePlanningChauffeurs()
{
    releaseFocusWithin(this);
}

QWidget* VuePlanningChauffeurs::enTete()
{
    auto* entete = new EnTetePlanning(this);
    const QDateTime base = m_horloge.debutAujourdhui();
    m_slider = new DateSlider(m_selectedDate, base, 7, m_horloge.zone, entete);
    connect(m_slider, &DateSlider::selectedDateChanged, this, &VuePlanningChauffeurs::setSelectedDate);

    m_transmettre = new QPushButton(symbolIcon(QStringLiteral("tray.and.arrow.up.fill")),
                                    QStringLiteral("Transmettre planning"), entete);
    m_transmettre->setObjectName(QStringLiteral("transmettrePlanning"));
    m_transmettre->setDefault(false);
    m_transmettre->setAutoDefault(false);
    styleTransmettre();
    connect(m_transmettre, &QPushButton::clicked, this, &VuePlanningChauffeurs::demanderTransmission);
    auto* boiteBouton = new QWidget(entete);
    auto* pileBouton = new QVBoxLayout(boiteBouton);
    pileBouton->setContentsMargins(20, 17, 0, 0);
    pileBouton->addWidget(m_transmettre);
    entete->poser(m_slider, boiteBouton);
    return entete;
}

void VuePlanningChauffeurs::styleTransmettre()
{
    // The prominent button: the accent colour written in the ink that reads on it (a dark
    // desktop's light text on its light blue read 2.2:1), padded 12 all round; the focus frame
    // takes its room from the padding.
    m_transmettre->setStyleSheet(
        forms::accentButtonStyle(palette().color(QPalette::Active, QPalette::Highlight))
        + QStringLiteral("QPushButton { border-radius: 7px; padding: 12px; font-weight: 600; }"
                         "QPushButton:focus { padding: 10px; }"));
}

void VuePlanningChauffeurs::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_transmettre)
        styleTransmettre();
}

namespace {
const QString kAideJourVide = QStringLiteral(
    "Aucune prestation n’est attribuée ce jour-là. Faites glisser une carte de « À attribuer » sur la "
    "ligne d’un chauffeur pour la lui confier, ou, au clavier, touche Menu puis « Attribuer à… ».");
const QString kAideSansChauffeur = QStringLiteral(
    "Aucun chauffeur actif. Ajoutez vos chauffeurs, ou rendez-les actifs, dans « Liste des chauffeurs »\u00A0; "
    "leurs lignes apparaissent alors ici, sous « À attribuer », et on leur confie chaque pose et chaque "
    "enlèvement en y faisant glisser sa carte, ou depuis le « Planning ».");
} // namespace

QLabel* VuePlanningChauffeurs::aideJourVide(QWidget* parent)
{
    m_aide = new QLabel(kAideJourVide, parent);
    m_aide->setObjectName(QStringLiteral("aideJourVide"));
    m_aide->setWordWrap(true);
    m_aide->setTextFormat(Qt::PlainText);
    m_aide->setContentsMargins(0, 4, 0, 0);
    setSecondaryText(m_aide);
    m_aide->hide();
    return m_aide;
}

void VuePlanningChauffeurs::majAide()
{
    // With no active driver the screen says where drivers are made; with drivers, an empty day
    // says where work comes from.
    const DayWindow jour = m_horloge.jourDe(m_selectedDate);
    const QList<RangeeChauffeur*> chauffeurs = rangees();
    const bool vide = std::none_of(chauffeurs.cbegin(), chauffeurs.cend(), [&](const RangeeChauffeur* r) {
        return aDesPrestationsLeJour(r->chauffeur(), jour);
    });
    m_aide->setText(chauffeurs.isEmpty() ? kAideSansChauffeur : kAideJourVide);
    m_aide->setVisible(vide);
}

TravailSansChauffeur VuePlanningChauffeurs::sansChauffeur(const DayWindow& jour)
{
    if (!m_sansChauffeur || m_sansChauffeur->jour != jour) {
        QList<DayWindow> jours;
        for (const QDateTime& debut : m_slider->jours())
            jours << m_horloge.jourDe(debut);
        m_sansChauffeur = TravailDuJour{jour, travailSansChauffeur(m_context, jour, jours)};
    }
    return m_sansChauffeur->travail;
}

void VuePlanningChauffeurs::majPastilles()
{
    m_slider->setAAttribuer(sansChauffeur(m_horloge.jourDe(m_selectedDate)).nombres);
}

QList<Chauffeur*> VuePlanningChauffeurs::chauffeurs() const
{
    return m_chauffeurs->results();
}

RangeeChauffeur* VuePlanningChauffeurs::rangee(const Chauffeur* chauffeur) const
{
    for (RangeeChauffeur* r : m_rangees)
        if (r->chauffeur() == chauffeur)
            return r;
    return nullptr;
}

void VuePlanningChauffeurs::setTrace(TraceDrop trace)
{
    m_trace = std::move(trace);
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        if (r->colonne())
            r->colonne()->setTrace(m_trace);
}

void VuePlanningChauffeurs::setSelectedDate(const QDateTime& date)
{
    const QDate jour = date.toTimeZone(m_horloge.zone).date();
    m_selectedDate = QDateTime::fromMSecsSinceEpoch(startOfDayMs(jour, m_horloge.zone),
                                                    m_horloge.zone);
    m_slider->setSelectedDate(m_selectedDate);
    // Rows in view show the new day at once (construireVisibles); those around them after the
    // paint, a few at a time; the others are built again when next seen.
    const QRect zone = zoneUtile();
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        if (r->construite() && !r->geometry().intersects(zone))
            r->oublier();
    majAide();
    construireVisibles();
}

bool VuePlanningChauffeurs::glisserEnCours() const
{
    for (RangeeChauffeur* r : m_rangees)
        if (r->glisserEnCours())
            return true;
    return false;
}

void VuePlanningChauffeurs::synchroniserRangees()
{
    // The work to give out first (no driver), then the active drivers.
    QList<Chauffeur*> lignes{nullptr};
    lignes += m_chauffeurs->results();
    QList<RangeeChauffeur*> rangees;
    QList<QWidget*> separateurs;
    for (Chauffeur* c : std::as_const(lignes)) {
        const qsizetype i = std::find_if(m_rangees.cbegin(), m_rangees.cend(),
                                         [c](const RangeeChauffeur* r) { return r->chauffeur() == c; })
                            - m_rangees.cbegin();
        if (i < m_rangees.size()) {
            rangees.append(m_rangees.takeAt(i));
            separateurs.append(m_separateurs.takeAt(i));
            continue;
        }
        auto* r = new RangeeChauffeur(c, m_context, m_defilement->viewport(), nomsChauffeurs(), m_gaucheNoms,
                                      m_liste->parentWidget());
        if (!c)
            r->setSource([this](const DayWindow& jour) { return sansChauffeur(jour); });
        connect(r, &RangeeChauffeur::echecSauvegarde, this, [this](const QString& message) {
            montrerErreur(QStringLiteral("echecAttribution"), message);
        });
        connect(r, &RangeeChauffeur::menuPrestation, this, &VuePlanningChauffeurs::menuAttribution);
        // The notice of the change rebuilds the rows; the view then shows the card where it
        // landed, when the rows had folded under the drag (unfolded, the card would land out of view).
        connect(r, &RangeeChauffeur::attribue, this, [this, r](const PrestationDragItem& item) {
            if (!std::exchange(m_suivreDepot, false))
                return;
            m_carteSuivie = item;
            m_chauffeurSuivi = r->chauffeur();
        });
        connect(r, &RangeeChauffeur::glisserTermine, this, [this] {
            m_regleGlisser->end();
            m_pointeurGlisse.reset();
            marquer(nullptr);
            deplier();
            if (m_aSynchroniser)
                QTimer::singleShot(0, this, [this] { surChangement(ModelChanges::everything()); });
        });
        rangees.append(r);
        separateurs.append(separateur(m_liste->parentWidget()));
    }
    // Rows of drivers no longer active go.
    qDeleteAll(m_rangees);
    qDeleteAll(m_separateurs);
    m_rangees = rangees;
    m_separateurs = separateurs;
    // Lay the rows out again in query order, between the help and the final stretch.
    while (m_liste->count() > 2)
        delete m_liste->takeAt(1); // the layout's item only, not its widget
    for (qsizetype i = 0; i < m_rangees.size(); ++i) {
        m_liste->insertWidget(int(1 + 2 * i), m_rangees[i]);
        m_liste->insertWidget(int(2 + 2 * i), m_separateurs[i]);
    }
    planifierConstruction();
}

void VuePlanningChauffeurs::surChangement(const ModelChanges& changes)
{
    if (!changes.touchesAny(kTypesDesRangees))
        return;
    if (glisserEnCours()) {
        // The card being dragged must outlive the drag: rebuild once it is let go.
        m_aSynchroniser = true;
        return;
    }
    m_aSynchroniser = false;
    if (changes.touches(EntityType::LocationDeBenne))
        m_sansChauffeur.reset();
    if (changes.touches(EntityType::Chauffeur))
        synchroniserRangees();
    // A change of rentals and drivers alone rebuilds only the columns whose cards it touches.
    QSet<const Record*> touches;
    const bool partiel = !changes.isEverything()
                         && !changes.touchesAny(entityBit(EntityType::Client) | entityBit(EntityType::Benne));
    if (partiel)
        for (const std::vector<Record*>* liste : {&changes.inserted(), &changes.modified(), &changes.deleted()})
            for (const Record* rec : *liste)
                touches.insert(rec);
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->actualiser(partiel ? &touches : nullptr);
    if (changes.touchesAny(entityBit(EntityType::Chauffeur) | entityBit(EntityType::LocationDeBenne)))
        majAide();
    if (changes.touches(EntityType::LocationDeBenne))
        majPastilles();
    suivreCarte();
    planifierConstruction();
}

void VuePlanningChauffeurs::planifierConstruction()
{
    if (m_constructionPrevue)
        return;
    m_constructionPrevue = true;
    QTimer::singleShot(0, this, [this] {
        m_constructionPrevue = false;
        construireVisibles();
    });
}

void VuePlanningChauffeurs::construireVisibles()
{
    if (!m_defilement->widget())
        return;
    // The rows in view first, laid out at once so that the rows they bring into view are built
    // too before the list is painted; those a screen's height around them on a later turn.
    const QRect vue(0, m_defilement->verticalScrollBar()->value(), m_defilement->widget()->width(),
                    std::max(m_defilement->viewport()->height(), 1));
    for (int passe = 0; passe < 32 && construireDans(vue); ++passe)
        m_liste->activate();
    montrerCarteSuivie();
    ordonnerTabulation();
    m_autour.start();
}

void VuePlanningChauffeurs::construireAutour()
{
    m_liste->activate();
    // Built rows take their own height: rows further down may come into the zone. A few rows a
    // turn, so that a click or a key never waits for more than a piece of a frame.
    const bool encore = construireDans(zoneUtile(), kBudgetTourMs);
    if (encore)
        ordonnerTabulation();
    // Rows built above a followed card move it: it is brought back into view until they settle.
    montrerCarteSuivie();
    // The scrolling itself asks for the rows now in view: those are built before it is let go.
    if (encore)
        m_autour.start();
    else if (!m_constructionPrevue)
        m_carteMontree.clear();
}

bool VuePlanningChauffeurs::construireDans(const QRect& zone, qint64 budgetMs)
{
    const DayWindow jour = m_horloge.jourDe(m_selectedDate);
    QElapsedTimer temps;
    temps.start();
    bool construit = false;
    for (RangeeChauffeur* r : std::as_const(m_rangees)) {
        if ((r->construite() && r->montre(jour)) || !r->geometry().intersects(zone))
            continue;
        if (r->construite())
            r->changerJour(jour);
        else
            r->construire(jour, m_trace);
        construit = true;
        if (budgetMs >= 0 && temps.elapsed() >= budgetMs)
            break;
    }
    return construit;
}

void VuePlanningChauffeurs::suivreCarte()
{
    if (!m_carteSuivie)
        return;
    const PrestationDragItem item = *m_carteSuivie;
    m_carteSuivie.reset();
    // Only a driver still in the list is looked up: the pointer is compared, never followed.
    RangeeChauffeur* r = nullptr;
    for (RangeeChauffeur* candidate : std::as_const(m_rangees))
        if (candidate->chauffeur() == m_chauffeurSuivi)
            r = candidate;
    m_chauffeurSuivi = nullptr;
    if (!r)
        return;
    // His row may be far out of view, not built yet or showing another day.
    const DayWindow jour = m_horloge.jourDe(m_selectedDate);
    if (!r->construite())
        r->construire(jour, m_trace);
    else if (!r->montre(jour))
        r->changerJour(jour);
    const QList<PrestationCard*> cartes = item.type == TypePrestation::pose ? r->colonne()->cartesPoses()
                                                                             : r->colonne()->cartesEnlevements();
    const auto trouvee = std::find_if(cartes.cbegin(), cartes.cend(), [&item](const PrestationCard* carte) {
        return carte->location() && carte->location()->id() == item.prestationID;
    });
    if (trouvee == cartes.cend())
        return;
    PrestationCard* carte = *trouvee;
    carte->setFocus(Qt::OtherFocusReason);
    m_carteMontree = carte;
    montrerCarteSuivie();
}

void VuePlanningChauffeurs::montrerCarteSuivie()
{
    if (!m_carteMontree)
        return;
    // The new card and its row are laid out now, so that it is scrolled to where it really is.
    poserListe();
    m_defilement->ensureWidgetVisible(m_carteMontree, 16, 16);
}

QList<QWidget*> VuePlanningChauffeurs::arretsClavier(bool cartesSeules) const
{
    QList<QWidget*> arrets;
    for (RangeeChauffeur* r : m_rangees) {
        if (!r->construite())
            continue;
        for (PrestationCard* c : r->colonne()->cartesPoses() + r->colonne()->cartesEnlevements())
            arrets << c;
        if (CartePrestationsChauffeur* plan = r->carte(); plan && !cartesSeules
            && (plan->carte()->focusPolicy() & Qt::TabFocus))
            arrets << plan->carte();
    }
    return arrets;
}

void VuePlanningChauffeurs::ordonnerTabulation()
{
    // Cards are made again with each day and each change while a row's map is kept: left to
    // the order in which they were made, Tab would visit the maps before the cards beside them.
    QWidget* precedent = m_transmettre;
    for (QWidget* w : arretsClavier()) {
        if (precedent->nextInFocusChain() != w)
            QWidget::setTabOrder(precedent, w);
        precedent = w;
    }
}

bool VuePlanningChauffeurs::focusNextPrevChild(bool next)
{
    // The next driver's rows may not be built yet: they are, up to one the keyboard can stop
    // in, so that Tab goes on to him rather than out of the screen.
    const QList<QWidget*> arrets = arretsClavier();
    if (next && !arrets.isEmpty() && focusWidget() == arrets.last()) {
        const DayWindow jour = m_horloge.jourDe(m_selectedDate);
        bool apres = false;
        for (RangeeChauffeur* r : std::as_const(m_rangees)) {
            if (!apres) {
                apres = r->isAncestorOf(arrets.last());
                continue;
            }
            if (!r->construite())
                r->construire(jour, m_trace);
            else if (!r->montre(jour))
                r->changerJour(jour);
            if (r->colonne()->cartesPoses().size() + r->colonne()->cartesEnlevements().size() > 0)
                break;
        }
        ordonnerTabulation();
    }
    if (!QWidget::focusNextPrevChild(next))
        return false;
    // Where the keys went: out of the screen, its own focus child still names the stop left.
    QWidget* nouveau = QApplication::focusWidget();
    if (nouveau && m_defilement->widget()->isAncestorOf(nouveau))
        donnerClavier(nouveau, next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void VuePlanningChauffeurs::donnerClavier(QWidget* w, Qt::FocusReason raison)
{
    if (!w->hasFocus())
        w->setFocus(raison);
    m_carteMontree = w;
    montrerCarteSuivie();
    m_autour.start();
}

bool VuePlanningChauffeurs::carteVoisine(QWidget* carte, bool suivante)
{
    const QList<QWidget*> cartes = arretsClavier(true);
    const qsizetype i = cartes.indexOf(carte);
    if (i < 0)
        return false;
    if (!suivante && i == 0) {
        for (PastilleJour* p : m_slider->pastilles())
            if (p->selected())
                p->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    if (suivante && i + 1 == cartes.size())
        return true;
    donnerClavier(cartes[suivante ? i + 1 : i - 1], suivante ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void VuePlanningChauffeurs::keyPressEvent(QKeyEvent* event)
{
    // Keys the header's buttons leave: Return presses a focused button, as Space does; ↓ goes
    // down to the cards, the first one in view.
    auto* bouton = qobject_cast<QAbstractButton*>(focusWidget());
    if (bouton && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && event->modifiers() == Qt::NoModifier) {
        bouton->click();
        return;
    }
    if (bouton && event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier) {
        const QList<QWidget*> cartes = arretsClavier(true);
        QWidget* vp = m_defilement->viewport();
        const auto enVue = std::find_if(cartes.cbegin(), cartes.cend(), [vp](const QWidget* c) {
            return c->isVisible() && QRect(c->mapTo(vp, QPoint(0, 0)), c->size()).intersects(vp->rect());
        });
        if (enVue != cartes.cend())
            donnerClavier(*enVue, Qt::TabFocusReason);
        else if (!cartes.isEmpty())
            donnerClavier(cartes.first(), Qt::TabFocusReason);
        return;
    }
    // PageUp and PageDown page the drivers' list from the header too: a day without cards has
    // no stop in the list, and its lower rows come into view all the same.
    if ((event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp) && event->modifiers() == Qt::NoModifier) {
        m_defilement->verticalScrollBar()->triggerAction(event->key() == Qt::Key_PageDown ? QScrollBar::SliderPageStepAdd
                                                                                          : QScrollBar::SliderPageStepSub);
        return;
    }
    QWidget::keyPressEvent(event);
}

QWidget* VuePlanningChauffeurs::nomsChauffeurs() const
{
    return static_cast<DefilementAvecNoms*>(m_defilement)->gouttiere();
}

bool VuePlanningChauffeurs::eventFilter(QObject* objet, QEvent* event)
{
    QWidget* contenu = m_defilement->widget();
    if (objet == m_defilement->viewport() && event->type() == QEvent::Resize) {
        // The help is read in the part in view, however wide the columns make the list.
        const QMargins marges = m_liste->contentsMargins();
        m_aide->setMaximumWidth(std::max(m_defilement->viewport()->width() - marges.left() - marges.right(), 1));
    }
    if (objet == m_defilement && event->type() == QEvent::KeyPress) {
        // ↑ and ↓ on a card would scroll the list: they go from card to card instead.
        auto* e = static_cast<QKeyEvent*>(event);
        if ((e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) && e->modifiers() == Qt::NoModifier
            && qobject_cast<PrestationCard*>(focusWidget()))
            return carteVoisine(focusWidget(), e->key() == Qt::Key_Down);
    }
    if (objet != contenu && objet != nomsChauffeurs())
        return QWidget::eventFilter(objet, event);
    return glisserSurLaListe(objet, event);
}

void VuePlanningChauffeurs::epinglerCartes()
{
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->epinglerCarte();
    nomsChauffeurs()->update();
}

QRect VuePlanningChauffeurs::zoneUtile() const
{
    const QWidget* contenu = m_defilement->widget();
    const int haut = m_defilement->verticalScrollBar()->value();
    const int hauteur = std::max(m_defilement->viewport()->height(), 1);
    return QRect(0, haut - hauteur, contenu ? contenu->width() : 0, 3 * hauteur);
}

void VuePlanningChauffeurs::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    planifierConstruction();
}

void VuePlanningChauffeurs::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    planifierConstruction();
}

void VuePlanningChauffeurs::montrerErreur(const QString& nom, const QString& message)
{
    auto* boite = new QMessageBox(QMessageBox::Warning, QStringLiteral("Planning des chauffeurs"), message,
                                  QMessageBox::Ok, this);
    boite->setObjectName(nom);
    boite->setAttribute(Qt::WA_DeleteOnClose);
    boite->setWindowModality(Qt::WindowModal);
    boite->open();
}

void VuePlanningChauffeurs::demanderTransmission()
{
    const TravailSansChauffeur travail = sansChauffeur(m_horloge.jourDe(m_selectedDate));
    const int sans = int(travail.poses.size() + travail.enlevements.size());
    if (sans == 0) {
        transmettre();
        return;
    }
    // Jobs without a driver are in no message: the dispatcher hears it before anything goes.
    const QString jour = QLocale(QLocale::French, QLocale::France)
                             .toString(localDayOf(m_selectedDate.toMSecsSinceEpoch(), m_horloge.zone), QLocale::LongFormat);
    auto* question = new QMessageBox(
        QMessageBox::Question, QStringLiteral("Planning des chauffeurs"),
        sans == 1 ? QStringLiteral("1 prestation du %1 n’a pas de chauffeur\u00A0: elle ne sera dans aucun message.").arg(jour)
                  : QStringLiteral("%2 prestations du %1 n’ont pas de chauffeur\u00A0: elles ne seront dans aucun message.")
                        .arg(jour)
                        .arg(sans),
        QMessageBox::NoButton, this);
    question->setObjectName(QStringLiteral("avantTransmission"));
    question->setInformativeText(sans == 1 ? QStringLiteral("Elle est dans « À attribuer », en tête de la liste.")
                                           : QStringLiteral("Elles sont dans « À attribuer », en tête de la liste."));
    QPushButton* envoyer = question->addButton(QStringLiteral("Transmettre quand même"), QMessageBox::AcceptRole);
    QPushButton* annuler = question->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    question->setDefaultButton(annuler);
    question->setEscapeButton(annuler);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    connect(question, &QMessageBox::finished, this, [this, question, envoyer] {
        if (question->clickedButton() == envoyer)
            transmettre();
    });
    question->open();
}

BilanTransmission VuePlanningChauffeurs::transmettre()
{
    const BilanTransmission bilan = transmettrePlanning(chauffeurs(), m_selectedDate, m_context, m_composeur,
                                                        m_horloge.maintenantLocal());
    const QString message = bilan.message();
    if (!bilan.messagesNonOuverts.isEmpty()) {
        // No mail program took them: each message can still be copied or saved.
        auto* boite = new BilanTransmissionDialog(bilan, m_selectedDate, this);
        boite->setAttribute(Qt::WA_DeleteOnClose);
        boite->setWindowModality(Qt::WindowModal);
        boite->open();
    } else if (!message.isEmpty()) {
        montrerErreur(QStringLiteral("bilanTransmission"), message);
    }
    emit transmis(message);
    return bilan;
}

} // namespace kv
