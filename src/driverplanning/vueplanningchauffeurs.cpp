#include "vueplanningchauffeurs.h"

#include "carteprestations.h"
#include "carteprestationschauffeur.h"
#include "chauffeurcard.h"
#include "dateslider.h"
#include "prestationscolumn.h"

#include "model/query.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/dragautoscroller.h"
#include "widgets/focusguard.h"
#include "widgets/icons.h"

#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kHauteurEstimee = 150;

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
// The driver's card in his row: its slot is as tall as the row, and the card slides down it to
// stay in view while the row scrolls past the top of the list. Sideways it stays at the left of
// the part in view, over the start of the column, so that the driver is named whatever the
// scroll. The card belongs to the row, not to its slot, so that it may leave the slot that way.

class EmplacementCarte : public PoseeALaMain {
public:
    EmplacementCarte(ChauffeurCard* carte, QWidget* vue, QWidget* parent)
        : PoseeALaMain(parent), m_carte(carte), m_vue(vue)
    {
        setObjectName(QStringLiteral("emplacementCarte"));
        carte->setParent(parent);
        carte->setMaximumWidth(kLargeur);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }

    QSize sizeHint() const override { return {kLargeur, m_carte->sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Also when the names change, and the card's height with them.
    void placer() override
    {
        const QSize taille = m_carte->sizeHint().boundedTo(QSize(width(), QWIDGETSIZE_MAX));
        const QPoint dansVue = mapTo(m_vue, QPoint(0, 0));
        // How far the slot has gone above the top, and past the left, of the list in view.
        const int cacheHaut = kMarge - dansVue.y();
        const int cacheGauche = kMarge - dansVue.x();
        const int y = std::clamp(cacheHaut, 0, std::max(0, height() - taille.height()));
        const int finRangee = parentWidget()->width() - x() - taille.width();
        const int x = std::clamp(cacheGauche, 0, std::max(0, finRangee));
        m_carte->setGeometry(QRect(pos() + QPoint(x, y), taille));
        m_carte->raise();
    }

private:
    static constexpr int kLargeur = 180;
    // The room left above, and beside, a card held at the edge of the list.
    static constexpr int kMarge = 8;
    ChauffeurCard* m_carte;
    QWidget* m_vue;
};

// ---------------------------------------------------------------------------------------------
// One driver's row

RangeeChauffeur::RangeeChauffeur(Chauffeur* chauffeur, ModelContext* context, QWidget* vue, QWidget* parent)
    : QWidget(parent), m_chauffeur(chauffeur), m_context(context), m_vue(vue)
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
    setFixedHeight(hauteur);
}

void RangeeChauffeur::construire(const DayWindow& jour, const TraceDrop& trace)
{
    delete m_contenu;
    m_plan = nullptr;
    m_jour = jour;
    m_contenu = new QWidget(this);
    auto* ligne = new QHBoxLayout(m_contenu);
    ligne->setContentsMargins(0, 12, 0, 12);
    ligne->setSpacing(32);

    m_carte = new ChauffeurCard(m_chauffeur);
    m_emplacementCarte = new EmplacementCarte(m_carte, m_vue, m_contenu);
    ligne->addWidget(m_emplacementCarte);

    m_colonne = new PrestationsColumn(m_chauffeur, jour, m_context, m_contenu);
    // The list takes the drops and hands each to the column under the pointer at that moment:
    // the list may have scrolled under a still pointer since the drag last moved.
    m_colonne->setAcceptDrops(false);
    m_colonne->setTrace(trace);
    connect(m_colonne, &PrestationsColumn::glisserTermine, this, &RangeeChauffeur::glisserTermine);
    connect(m_colonne, &PrestationsColumn::echecSauvegarde, this, &RangeeChauffeur::echecSauvegarde);
    connect(m_colonne, &PrestationsColumn::menuPrestation, this, &RangeeChauffeur::menuPrestation);
    ligne->addWidget(m_colonne, 1, Qt::AlignTop);

    // The map sits in the middle of the room left.
    m_emplacementPlan = new QWidget(m_contenu);
    auto* pilePlan = new QHBoxLayout(m_emplacementPlan);
    pilePlan->setContentsMargins(0, 0, 0, 0);
    pilePlan->setSpacing(0);
    pilePlan->addStretch(1);
    pilePlan->addStretch(1);
    m_emplacementPlan->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ligne->addWidget(m_emplacementPlan, 1, Qt::AlignTop);
    majCarte();
    // Over the column, which it covers when the day is scrolled sideways.
    m_carte->raise();

    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    layout()->addWidget(m_contenu);
    m_contenu->show();
}

void RangeeChauffeur::epinglerCarte()
{
    if (m_emplacementCarte)
        m_emplacementCarte->placer();
}

void RangeeChauffeur::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    epinglerCarte();
}

void RangeeChauffeur::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    epinglerCarte();
}

void RangeeChauffeur::changerJour(const DayWindow& jour)
{
    if (!m_contenu)
        return;
    m_jour = jour;
    m_colonne->setJour(jour);
    majCarte();
}

void RangeeChauffeur::majCarte()
{
    if (!m_emplacementPlan)
        return;
    const bool avecCarte = aDesPrestationsLeJour(m_chauffeur, m_jour);
    if (avecCarte && !m_plan) {
        m_plan = new CartePrestationsChauffeur(m_chauffeur, m_jour, m_emplacementPlan);
        static_cast<QHBoxLayout*>(m_emplacementPlan->layout())->insertWidget(1, m_plan);
    } else if (avecCarte) {
        m_plan->setJour(m_jour);
    } else if (m_plan) {
        delete m_plan;
        m_plan = nullptr;
    }
}

void RangeeChauffeur::actualiser()
{
    if (!m_contenu)
        return;
    m_carte->actualiser();
    m_colonne->actualiser();
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

    m_defilement = new QScrollArea(this);
    m_defilement->setObjectName(QStringLiteral("defilementChauffeurs"));
    m_defilement->setWidgetResizable(true);
    m_defilement->setFrameShape(QFrame::NoFrame);
    m_defilement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* contenu = new QWidget;
    contenu->setObjectName(QStringLiteral("listeChauffeurs"));
    m_liste = new QVBoxLayout(contenu);
    m_liste->setSpacing(16);
    // At the top of the list, so that it scrolls with it rather than taking the rows' room.
    m_liste->addWidget(aideJourVide(contenu));
    m_liste->addStretch(1);
    m_defilement->setWidget(contenu);
    layout->addWidget(m_defilement, 1);
    contenu->setAcceptDrops(true);
    contenu->installEventFilter(this);
    m_defilement->viewport()->installEventFilter(this);
    m_defilementAuto = new DragAutoScroller(m_defilement, Qt::Vertical);
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
    // The prominent button: the accent colour, padded 12 all round.
    m_transmettre->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: palette(highlight); color: palette(highlighted-text);"
        " border: none; border-radius: 7px; padding: 12px; font-weight: 600; }"
        "QPushButton:pressed { background-color: palette(dark); }"
        "QPushButton:focus { outline: none; border: 2px solid palette(highlighted-text); }"));
    connect(m_transmettre, &QPushButton::clicked, this, [this] { transmettre(); });
    auto* boiteBouton = new QWidget(entete);
    auto* pileBouton = new QVBoxLayout(boiteBouton);
    pileBouton->setContentsMargins(20, 17, 0, 0);
    pileBouton->addWidget(m_transmettre);
    entete->poser(m_slider, boiteBouton);
    return entete;
}

QLabel* VuePlanningChauffeurs::aideJourVide(QWidget* parent)
{
    m_aide = new QLabel(QStringLiteral(
                            "Aucune prestation n’est attribuée ce jour-là. Pour confier une pose ou un "
                            "enlèvement à un chauffeur, faites glisser son nom, en haut du « Planning », sur "
                            "la location de la benne. Ici, faites glisser la carte d’une prestation sur la "
                            "colonne d’un autre chauffeur pour la lui confier."),
                        parent);
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
    // With no driver the screen stays empty; with drivers, an empty day says where work comes from.
    const DayWindow jour = m_horloge.jourDe(m_selectedDate);
    const bool vide = !m_rangees.isEmpty()
                      && std::none_of(m_rangees.cbegin(), m_rangees.cend(), [&](const RangeeChauffeur* r) {
                             return aDesPrestationsLeJour(r->chauffeur(), jour);
                         });
    m_aide->setVisible(vide);
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
    // Rows in view show the new day at once; the others are built again when next seen.
    const QRect zone = zoneUtile();
    const DayWindow nouveau = m_horloge.jourDe(m_selectedDate);
    for (RangeeChauffeur* r : std::as_const(m_rangees)) {
        if (r->construite() && r->geometry().intersects(zone))
            r->changerJour(nouveau);
        else
            r->oublier();
    }
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
    const QList<Chauffeur*> actifs = m_chauffeurs->results();
    QList<RangeeChauffeur*> rangees;
    QList<QWidget*> separateurs;
    for (Chauffeur* c : actifs) {
        const qsizetype i = std::find_if(m_rangees.cbegin(), m_rangees.cend(),
                                         [c](const RangeeChauffeur* r) { return r->chauffeur() == c; })
                            - m_rangees.cbegin();
        if (i < m_rangees.size()) {
            rangees.append(m_rangees.takeAt(i));
            separateurs.append(m_separateurs.takeAt(i));
            continue;
        }
        auto* r = new RangeeChauffeur(c, m_context, m_defilement->viewport(), m_liste->parentWidget());
        connect(r, &RangeeChauffeur::echecSauvegarde, this, [this](const QString& message) {
            montrerErreur(QStringLiteral("echecAttribution"), message);
        });
        connect(r, &RangeeChauffeur::menuPrestation, this, &VuePlanningChauffeurs::menuAttribution);
        connect(r, &RangeeChauffeur::glisserTermine, this, [this] {
            m_pointeurGlisse.reset();
            marquer(nullptr);
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
    if (changes.touches(EntityType::Chauffeur))
        synchroniserRangees();
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->actualiser();
    if (changes.touchesAny(entityBit(EntityType::Chauffeur) | entityBit(EntityType::LocationDeBenne)))
        majAide();
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
    m_autour.start();
}

void VuePlanningChauffeurs::construireAutour()
{
    m_liste->activate();
    // Built rows take their own height: rows further down may come into the zone.
    if (construireDans(zoneUtile()))
        m_autour.start();
}

bool VuePlanningChauffeurs::construireDans(const QRect& zone)
{
    const DayWindow jour = m_horloge.jourDe(m_selectedDate);
    bool construit = false;
    for (RangeeChauffeur* r : std::as_const(m_rangees)) {
        if (r->construite() || !r->geometry().intersects(zone))
            continue;
        r->construire(jour, m_trace);
        construit = true;
    }
    return construit;
}

PrestationsColumn* VuePlanningChauffeurs::colonneEn(const QPoint& pointListe) const
{
    QWidget* contenu = m_defilement->widget();
    // A driver's card stands for his column: held in view, it may be all of his row in sight.
    bool surCarte = false;
    for (QWidget* w = contenu->childAt(pointListe); w && w != contenu; w = w->parentWidget()) {
        if (auto* colonne = qobject_cast<PrestationsColumn*>(w))
            return colonne;
        surCarte = surCarte || qobject_cast<ChauffeurCard*>(w);
        if (auto* rangee = qobject_cast<RangeeChauffeur*>(w))
            return surCarte ? rangee->colonne() : nullptr;
    }
    return nullptr;
}

// Drags over the list: it scrolls near its edges and takes the wheel; a drop goes to the column
// under the pointer.
bool VuePlanningChauffeurs::eventFilter(QObject* objet, QEvent* event)
{
    QWidget* contenu = m_defilement->widget();
    if (objet == m_defilement->viewport() && event->type() == QEvent::Resize) {
        // The help is read in the part in view, however wide the columns make the list.
        const QMargins marges = m_liste->contentsMargins();
        m_aide->setMaximumWidth(std::max(m_defilement->viewport()->width() - marges.left() - marges.right(), 1));
    }
    if (objet != contenu)
        return QWidget::eventFilter(objet, event);
    switch (event->type()) {
    case QEvent::DragEnter:
        m_defilementAuto->begin();
        [[fallthrough]];
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        const QPoint point = e->position().toPoint();
        m_pointeurGlisse = contenu->mapTo(m_defilement->viewport(), point);
        m_defilementAuto->pointerAt(*m_pointeurGlisse);
        marquer(colonneEn(point));
        // Near an edge the list moves under the pointer: what lies there at the drop counts.
        if (colonneEn(point) || m_defilementAuto->isScrolling())
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::DragLeave:
        m_defilementAuto->end();
        m_pointeurGlisse.reset();
        marquer(nullptr);
        return true;
    case QEvent::Drop: {
        m_defilementAuto->end();
        m_pointeurGlisse.reset();
        marquer(nullptr);
        auto* e = static_cast<QDropEvent*>(event);
        PrestationsColumn* colonne = colonneEn(e->position().toPoint());
        if (!colonne) {
            e->ignore();
            return true;
        }
        if (colonne->recevoirDrop(e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    default:
        return QWidget::eventFilter(objet, event);
    }
}

PrestationsColumn* VuePlanningChauffeurs::colonneMarquee() const
{
    return m_colonneMarquee;
}

void VuePlanningChauffeurs::marquer(PrestationsColumn* colonne)
{
    if (colonne == m_colonneMarquee)
        return;
    if (m_colonneMarquee)
        m_colonneMarquee->setMarquee(false);
    m_colonneMarquee = colonne;
    if (colonne)
        colonne->setMarquee(true);
}

void VuePlanningChauffeurs::marquerSousPointeur()
{
    if (!m_pointeurGlisse)
        return;
    QWidget* contenu = m_defilement->widget();
    marquer(colonneEn(contenu->mapFrom(m_defilement->viewport(), *m_pointeurGlisse)));
}

void VuePlanningChauffeurs::epinglerCartes()
{
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->epinglerCarte();
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

QMenu* VuePlanningChauffeurs::menuAttribution(LocationDeBenne* location, TypePrestation type,
                                              const QPoint& positionGlobale)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menuAttribution"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSection(type == TypePrestation::pose ? QStringLiteral("Attribuer la pose à")
                                                  : QStringLiteral("Attribuer l’enlèvement à"));
    const Chauffeur* actuel = type == TypePrestation::pose ? location->chauffeurPose() : location->chauffeurEnlevement();
    const PrestationDragItem item{location->id(), type};
    for (Chauffeur* c : chauffeurs()) {
        if (c == actuel)
            continue;
        QAction* action = menu->addAction(c->prenom() + QLatin1Char(' ') + c->nom());
        // The same road as a drop on that driver's column.
        connect(action, &QAction::triggered, this, [this, item, c] {
            QString erreur;
            if (attribuerPrestation(item, c, m_context, m_trace, &erreur) == ResultatAttribution::echecSauvegarde)
                montrerErreur(QStringLiteral("echecAttribution"), QStringLiteral("Échec de la sauvegarde: ") + erreur);
        });
    }
    menu->popup(positionGlobale);
    return menu;
}

BilanTransmission VuePlanningChauffeurs::transmettre()
{
    const BilanTransmission bilan = transmettrePlanning(chauffeurs(), m_selectedDate, m_context, m_composeur,
                                                        m_horloge.maintenantLocal());
    const QString message = bilan.message();
    if (!message.isEmpty())
        montrerErreur(QStringLiteral("bilanTransmission"), message);
    emit transmis(message);
    return bilan;
}

} // namespace kv
