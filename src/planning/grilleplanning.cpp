#include "grilleplanning.h"
#include "widgets/dateentry.h"

#include "colonnebennes.h"
#include "entetejours.h"
#include "refusenlevement.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/modelcontext.h"
#include "rentals/chevauchementlocations.h"
#include "rentals/modifierlocation.h"
#include "widgets/colors.h"
#include "widgets/dialogconventions.h"
#include "widgets/dragautoscroller.h"
#include "widgets/dragrule.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/icons.h"
#include "widgets/papier.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"

#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace kv::planning {

namespace {

const QColor kGris(142, 142, 147);   // the system's gray
const QColor kRougeJour(255, 59, 48); // the system's red

QColor avecOpacite(QColor c, double opacite)
{
    c.setAlphaF(float(opacite));
    return c;
}

// Stacks the bars of a row that share a day in lanes: each bar, taken by its first column, goes
// to the first lane free on that column; a group of bars linked by shared days splits the row
// into as many lanes as it needs, a bar alone keeps the whole row.
void disposerEnVoies(QList<Barre>& liste)
{
    QList<int> ordre(liste.size());
    for (int i = 0; i < liste.size(); ++i)
        ordre[i] = i;
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&](int a, int b) { return liste[a].colonnes.start < liste[b].colonnes.start; });
    QList<int> finsVoies; // last column taken in each lane of the group
    QList<int> groupe;
    int finGroupe = -1;
    const auto clore = [&] {
        for (int i : groupe)
            liste[i].voies = int(finsVoies.size());
        groupe.clear();
        finsVoies.clear();
    };
    for (int i : ordre) {
        const Colonnes& c = liste[i].colonnes;
        const int debut = c.start, fin = c.start + c.nombre() - 1;
        if (!groupe.isEmpty() && debut > finGroupe)
            clore();
        int voie = 0;
        while (voie < finsVoies.size() && finsVoies[voie] >= debut)
            ++voie;
        if (voie == finsVoies.size())
            finsVoies.append(fin);
        else
            finsVoies[voie] = fin;
        liste[i].voie = voie;
        groupe.append(i);
        finGroupe = groupe.size() == 1 ? fin : std::max(finGroupe, fin);
    }
    clore();
}

// A date field selects its first part as it gets the keys, where a stray key would replace it:
// given them by the program (as its dialog opens, or comes back after a question), none of the
// date is selected. Tab and a click keep their own ways.
class ArriveeSansSelection : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* objet, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
            if (r != Qt::TabFocusReason && r != Qt::BacktabFocusReason && r != Qt::MouseFocusReason)
                QMetaObject::invokeMethod(
                    this,
                    [ligne = QPointer<QLineEdit>(objet->findChild<QLineEdit*>())] {
                        if (ligne)
                            ligne->deselect();
                    },
                    Qt::QueuedConnection);
        }
        return false;
    }
};

void donnerSansSelection(QDateEdit* champ)
{
    champ->installEventFilter(new ArriveeSansSelection(champ));
    champ->setFocus(Qt::OtherFocusReason);
}

QString texteJour(qint64 ms, const QTimeZone& zone)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms, zone).date(), QStringLiteral("dd/MM/yyyy"));
}

} // namespace

GrillePlanning::GrillePlanning(ModelContext* context, ActionsPlanning* actions, QWidget* parent)
    : QAbstractScrollArea(parent), m_context(context), m_actions(actions)
{
    setObjectName(QStringLiteral("grille"));
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(int(largeurBenne), int(hauteurBenne), 0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    // A screen's keys start in the cells, on the cell the user left, not on the skip labels.
    setProperty("keysStartHere", true);
    // The corner above the skip column shows the window's colour.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    m_entete = new EnteteJours(this);
    m_colonne = new ColonneBennes(this);
    m_regleGlisser = new DragRule(this);
    m_defilementAuto = m_regleGlisser->scroller();
    // A driver held still while the grid scrolls, or stops at its end: what is under him now.
    connect(m_defilementAuto, &DragAutoScroller::scrolled, this, [this] {
        if (m_pointeurDepot)
            viserDepot(m_pointeurDepot);
    });
    setTabOrder(m_colonne, this);
    m_jours = JoursGrille(m_actions->horloge().maintenant(), m_actions->horloge());
    connect(&m_animSurbrillance, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_niveauSurbrillance = v.toReal();
        viewport()->update();
    });
    connect(&m_animSurbrillance, &QVariantAnimation::finished, this, [this] {
        if (!m_surbrillanceVisible)
            m_surbrillance = nullptr;
    });
    connect(&m_animBadge, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_niveauBadge = v.toReal();
        viewport()->update();
    });
    connect(&m_animBadge, &QVariantAnimation::finished, this, [this] {
        if (!m_selection)
            m_badge = nullptr;
    });
    m_minuit.setSingleShot(true);
    connect(&m_minuit, &QTimer::timeout, this, [this] {
        jours();
        viewport()->update();
        m_entete->update();
        programmerMinuit();
    });
    programmerMinuit();
    connect(m_context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        // Spans depend on the rentals, and a bar's colour on its skip; its name on its client.
        // Rows may grow or shrink with the lanes their bars need. Only the rows of what changed
        // are made again: those that drew a changed rental, those of its skip now, those of a
        // changed skip (its colour, its rentals). Skips coming or going come as a new list.
        if (changes.isEverything()) {
            oublierBarres();
        } else if (changes.touchesAny(entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Benne))) {
            QSet<const LocationDeBenne*> locations;
            for (const auto* liste : {&changes.inserted(), &changes.modified(), &changes.deleted()})
                for (const Record* r : *liste)
                    if (r->entityType() == EntityType::LocationDeBenne)
                        locations.insert(static_cast<const LocationDeBenne*>(r));
                    else if (r->entityType() == EntityType::Benne)
                        m_barres.remove(static_cast<const Benne*>(r));
            oublierLignesDe(locations);
            m_hauts.clear();
        }
        if (changes.touchesAny(entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Benne))) {
            majBarresDefilement();
            m_colonne->update();
        }
        if (changes.touchesAny(entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Client)
                               | entityBit(EntityType::Benne)))
            viewport()->update();
    });
    majBarresDefilement();
}

GrillePlanning::~GrillePlanning() = default;

void GrillePlanning::setBennes(const QList<Benne*>& bennes)
{
    if (bennes == m_bennes)
        return; // the same rows: what changed in them comes with the store's notice
    m_bennes = bennes;
    oublierBarres();
    majBarresDefilement();
    viewport()->update();
    m_colonne->update();
}

void GrillePlanning::oublierBarres()
{
    m_barres.clear();
    m_hauts.clear();
}

void GrillePlanning::oublierLignesDe(const QSet<const LocationDeBenne*>& locations)
{
    if (locations.isEmpty())
        return;
    // The rows that drew one of them (a rental may have left its skip, or the store)...
    for (auto it = m_barres.begin(); it != m_barres.end();) {
        const bool touchee =
            std::any_of(it->cbegin(), it->cend(), [&](const Barre& b) { return locations.contains(b.location); });
        it = touchee ? m_barres.erase(it) : std::next(it);
    }
    // ... and those of their skips now. A rental's hold may end at its skip's next placement:
    // only that skip's row depends on it.
    for (const LocationDeBenne* l : locations)
        if (l->benne())
            m_barres.remove(l->benne());
    m_hauts.clear();
}

double GrillePlanning::hauteurVoie() const
{
    // The grid's font with three points of room above and below, clear of the bar's edges and of
    // the names' shadows.
    return std::ceil(QFontMetricsF(font()).height()) + 6;
}

const QList<double>& GrillePlanning::hauts()
{
    if (!m_hauts.isEmpty())
        return m_hauts;
    jours(); // a new day first: it drops the bars this is made from
    const double voie = hauteurVoie();
    QList<double> hauts;
    hauts.reserve(m_bennes.size() + 1);
    double y = 0;
    for (int i = 0; i < m_bennes.size(); ++i) {
        hauts.append(y);
        int voies = 1;
        for (const Barre& b : barres(i))
            voies = std::max(voies, b.voies);
        y += voies == 1 ? hauteurBenne : std::max(hauteurBenne, 8 + voies * voie + (voies - 1) * 2);
    }
    hauts.append(y);
    m_hauts = std::move(hauts);
    return m_hauts;
}

double GrillePlanning::hautLigne(int ligne)
{
    const QList<double>& h = hauts();
    return h[std::clamp<qsizetype>(ligne, 0, h.size() - 1)];
}

double GrillePlanning::hauteurLigne(int ligne)
{
    const QList<double>& h = hauts();
    if (ligne < 0 || ligne + 1 >= h.size())
        return hauteurBenne;
    return h[ligne + 1] - h[ligne];
}

int GrillePlanning::ligneA(double yContenu)
{
    const QList<double>& h = hauts();
    if (yContenu < 0)
        return -1;
    return int(std::upper_bound(h.cbegin(), h.cend(), yContenu) - h.cbegin()) - 1;
}

const JoursGrille& GrillePlanning::jours()
{
    const Horloge& h = m_actions->horloge();
    if (h.aujourdhui() != m_jours.aujourdhui()) {
        // After midnight the whole range moves by a day.
        m_jours = JoursGrille(h.maintenant(), h);
        oublierBarres();
        m_entete->update();
        programmerMinuit();
    }
    return m_jours;
}

void GrillePlanning::programmerMinuit()
{
    // A second after the start of tomorrow (checked at least hourly, should the clock jump).
    const qint64 attente = m_actions->horloge().msJusquAuJourSuivant() + 1000;
    m_minuit.start(int(std::clamp<qint64>(attente, 1000, 3600 * 1000)));
}

const QList<Barre>& GrillePlanning::barres(int ligne)
{
    static const QList<Barre> aucune;
    if (ligne < 0 || ligne >= m_bennes.size())
        return aucune;
    const Benne* benne = m_bennes[ligne];
    auto it = m_barres.find(benne);
    if (it == m_barres.end()) {
        const JoursGrille& j = jours();
        ++m_calculsDeBarres;
        QList<Barre> liste;
        const QColor couleur = colorFromHex(benne->couleur()).value_or(avecOpacite(QColor(0, 122, 255), 0.7));
        // Every row's bars are made as the grid opens (rows take the height of their lanes): a
        // rental placed after the grid's last day is left at once, by its number.
        const qint64 finGrille = j.debut(j.count()), debutGrille = j.debut(0);
        for (LocationDeBenne* l : benne->locations()) {
            if (l->isDeleted() || l->datePoseMs() >= finGrille)
                continue;
            // Years of past rentals: placed and removed before the first day, left by their numbers.
            if (const std::optional<qint64> fin = l->dateEnlevementMs(); fin && *fin < debutGrille && l->datePoseMs() < debutGrille)
                continue;
            // A rental without removal date that the skip's next placement follows ends there.
            const std::optional<Colonnes> c = colonnesLocation(l->datePoseMs(), finDeTenueMs(l), j);
            if (c && c->start < j.count() && c->end >= 0)
                liste.append({l, *c, couleur});
        }
        disposerEnVoies(liste);
        it = m_barres.insert(benne, liste);
    }
    return *it;
}

QSizeF GrillePlanning::tailleContenu()
{
    return QSizeF(kNombreJours * largeurColonne, hauts().last());
}

QPointF GrillePlanning::scrollOffset() const
{
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void GrillePlanning::setScrollOffset(const QPointF& offset)
{
    horizontalScrollBar()->setValue(int(std::lround(offset.x())));
    verticalScrollBar()->setValue(int(std::lround(offset.y())));
}

void GrillePlanning::majBarresDefilement()
{
    const QSize vue = viewport()->size();
    const QSizeF contenu = tailleContenu();
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(contenu.width())) - vue.width()));
    horizontalScrollBar()->setPageStep(std::max(1, vue.width()));
    horizontalScrollBar()->setSingleStep(int(largeurColonne / 3));
    verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(contenu.height())) - vue.height()));
    verticalScrollBar()->setPageStep(std::max(1, vue.height()));
    verticalScrollBar()->setSingleStep(int(hauteurBenne));
}

void GrillePlanning::animer(QVariantAnimation& animation, qreal de, qreal a, int duree)
{
    animation.stop();
    animation.setDuration(duree);
    animation.setEasingCurve(QEasingCurve::InOutQuad);
    animation.setStartValue(de);
    animation.setEndValue(a);
    animation.start();
}

void GrillePlanning::setLocationSelectionnee(LocationDeBenne* location)
{
    if (m_selection == location)
        return;
    m_selection = location;
    if (location) {
        // Another selection moves the badge: it grows on its new bar.
        const qreal depart = m_badge == location ? m_niveauBadge : 0;
        m_badge = location;
        m_niveauBadge = depart;
        animer(m_animBadge, depart, 1, 200);
    } else {
        animer(m_animBadge, m_niveauBadge, 0, 200);
    }
    viewport()->update();
}

void GrillePlanning::setSurbrillance(LocationDeBenne* location)
{
    if (location) {
        const qreal depart = m_surbrillance == location ? m_niveauSurbrillance : 0;
        m_surbrillance = location;
        m_surbrillanceVisible = true;
        m_niveauSurbrillance = depart;
        animer(m_animSurbrillance, depart, 1, 250);
    } else {
        m_surbrillanceVisible = false;
        animer(m_animSurbrillance, m_niveauSurbrillance, 0, 250);
    }
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Geometry and hit testing

GrillePlanning::Geometrie GrillePlanning::geometrie(int ligne, const Barre& b, double decalage, double gauche,
                                                    double droite)
{
    const Colonnes& c = b.colonnes;
    const double y = hautLigne(ligne);
    const double hLigne = hauteurLigne(ligne);
    const int n = c.nombre();
    // The 32 points of a bar shared among the lanes of its group, 2 points apart; the handles and
    // the duplicate button are centred on their bar and never reach into the next lane.
    const int voies = std::max(1, b.voies);
    constexpr double ecart = 2;
    // In a row grown for more lanes than this bar's group has, a bar is never thicker than a
    // lone bar of a plain row: it stands in the middle of its share.
    const double part = (hLigne - 8 - (voies - 1) * ecart) / voies;
    const double hauteur = std::min(part, hauteurBenne - 8);
    const double haut = y + 4 + b.voie * (part + ecart) + (part - hauteur) / 2;
    const double milieu = haut + hauteur / 2;
    const double poignee = std::min<double>(PeintreBarres::kTaillePoignee, hauteur);
    const double bouton = std::min<double>(PeintreBarres::kTailleDuplication, hauteur);
    const double x = c.start * largeurColonne + decalage + gauche;
    const double w = std::max(0.0, n * largeurColonne + droite - gauche);
    // The right-hand controls stand at the bar's right end (for a removal before the placement
    // too, whose bar covers its placement column).
    const double finBarre = (c.start + n) * largeurColonne + decalage;
    Geometrie g;
    g.corps = QRectF(x, haut, w, hauteur);
    g.poigneeGauche = QRectF(x - 4, milieu - poignee / 2, poignee, poignee);
    g.poigneeDroite = QRectF(finBarre + droite - 16, milieu - poignee / 2, poignee, poignee);
    // An open-ended bar fades out at the grid's end under its double arrow: its handle stands
    // before them, on the bar's colour.
    if (c.ouverte)
        g.poigneeDroite.moveRight(finBarre + droite - PeintreBarres::kFonduOuvert - 14);
    // An open-ended bar has nothing to duplicate: no button.
    if (!c.ouverte)
        g.duplication = QRectF((c.start + n) * largeurColonne - 36, milieu - bouton / 2, bouton, bouton);
    return g;
}

GrillePlanning::Geometrie GrillePlanning::geometrieEtiquette(Geometrie g, const Barre& b) const
{
    // An open-ended bar fades out at its end: its name stays before the fade.
    const double fondu = b.colonnes.ouverte ? PeintreBarres::kFonduOuvert : 0;
    const double gauche = scrollOffset().x(), droite = gauche + viewport()->width();
    if (g.corps.left() >= gauche && g.corps.right() - fondu <= droite && !b.colonnes.ouverte)
        return g;
    const double debut = std::max(g.corps.left(), gauche);
    const double fin = std::min(g.corps.right() - fondu, droite);
    g.corps = QRectF(debut, g.corps.top(), std::max(0.0, fin - debut), g.corps.height());
    if (g.poigneeGauche.right() < gauche)
        g.poigneeGauche.moveRight(gauche);
    g.poigneeDroite.moveLeft(std::min(g.poigneeDroite.left(), std::max(fin, g.poigneeGauche.right())));
    return g;
}

QRectF GrillePlanning::bandeEtiquette(const Geometrie& g, bool avecBouton)
{
    // Between the handles, and left of the duplicate button while it shows.
    const qreal gauche = g.poigneeGauche.right();
    qreal droite = g.poigneeDroite.left();
    if (avecBouton)
        droite = std::min(droite, g.duplication.left());
    return QRectF(gauche, g.corps.top(), std::max(0.0, droite - gauche), g.corps.height());
}

PeintreBarres::Etiquette GrillePlanning::etiquette(const LocationDeBenne* location)
{
    const int ligne = ligneDe(location);
    for (const Barre& b : barres(ligne)) {
        if (b.location != location)
            continue;
        m_peintre.preparer(viewport()->devicePixelRatioF(), font());
        const bool bouton = m_survol == location && !(m_geste && m_geste->glisse);
        PeintreBarres::Etiquette e = disposerEtiquette(location, geometrieEtiquette(geometrie(ligne, b), b), bouton);
        const QPointF o = scrollOffset();
        for (QRectF* r : {&e.rectTexte, &e.badgePose, &e.badgeEnlevement})
            if (!r->isEmpty())
                r->translate(-o);
        return e;
    }
    return {};
}

PeintreBarres::Etiquette GrillePlanning::disposerEtiquette(const LocationDeBenne* location, const Geometrie& g,
                                                           bool avecBouton)
{
    const Client* client = location->client();
    // A namesake's bar tells it apart as far as its room allows, by the look-alike rule.
    const bool nomme = client && !client->nom().isEmpty();
    const bool homonyme = nomme && !distinctionParmiHomonymes(client).isEmpty();
    return m_peintre.disposerEtiquette(
        g.corps, bandeEtiquette(g, avecBouton), nomme ? nomClientDistinct(client) : QString(),
        location->chauffeurPose() != nullptr, location->chauffeurEnlevement() != nullptr,
        homonyme ? PeintreBarres::Ajustement([client](const Tient& tient) { return nomClientDistinct(client, tient); })
                 : PeintreBarres::Ajustement());
}

GrillePlanning::Touche GrillePlanning::toucher(const QPointF& pointVue)
{
    const QPointF p = pointVue + scrollOffset();
    if (p.y() < 0 || p.x() < 0)
        return {};
    const int ligne = ligneA(p.y());
    const QList<Barre>& liste = barres(ligne);
    // Later bars are drawn over earlier ones: the topmost answers first.
    for (auto it = liste.crbegin(); it != liste.crend(); ++it) {
        const Geometrie g = geometrie(ligne, *it);
        Zone zone = Zone::aucune;
        if (m_survol == it->location && !g.duplication.isEmpty() && g.duplication.contains(p))
            zone = Zone::duplication;
        else if (g.poigneeDroite.contains(p))
            zone = Zone::poigneeDroite;
        else if (g.poigneeGauche.contains(p))
            zone = Zone::poigneeGauche;
        else if (g.corps.contains(p))
            zone = Zone::corps;
        if (zone != Zone::aucune)
            return {it->location, zone, ligne, it->colonnes};
    }
    return {};
}

int GrillePlanning::ligneDe(const LocationDeBenne* location) const
{
    return location ? int(m_bennes.indexOf(location->benne())) : -1;
}

namespace {
template <class F>
QRectF rectDe(GrillePlanning* g, const LocationDeBenne* location, int ligne, F&& choisir)
{
    for (const Barre& b : g->barres(ligne))
        if (b.location == location) {
            const QRectF r = choisir(b);
            return r.isEmpty() ? QRectF() : r.translated(-g->scrollOffset());
        }
    return {};
}
} // namespace

QRectF GrillePlanning::rectCorps(const LocationDeBenne* location)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) { return geometrie(ligne, b).corps; });
}

QRectF GrillePlanning::rectPoignee(const LocationDeBenne* location, bool droite)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) {
        const Geometrie g = geometrie(ligne, b);
        return droite ? g.poigneeDroite : g.poigneeGauche;
    });
}

QRectF GrillePlanning::rectDuplication(const LocationDeBenne* location)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) { return geometrie(ligne, b).duplication; });
}

// ---------------------------------------------------------------------------------------------
// Painting

void GrillePlanning::preparerPapier()
{
    if (m_papier.isNull()) {
        const qreal dpr = viewport()->devicePixelRatioF();
        QImage tuile = tuilePapierSur(palette().color(QPalette::Window), 0.5, int(std::lround(256 * dpr)));
        tuile.setDevicePixelRatio(dpr);
        // The paper's mean colour, which the lines must stand out from.
        m_teintePapier = tuile.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
        m_papier = QPixmap::fromImage(tuile);
    }
}

void GrillePlanning::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QRect zone = event->rect();
    const JoursGrille& j = jours();
    const QPointF o = scrollOffset();
    const QSizeF contenu = tailleContenu();
    const QRectF rectContenu = QRectF(QPointF(0, 0), contenu).translated(-o);

    // Paper under the content, the window's colour around it.
    preparerPapier();
    const QRectF papier = rectContenu.intersected(zone);
    peindrePapier(p, papier, rectContenu.topLeft(), m_papier);
    const QColor fenetre = palette().color(QPalette::Window);
    if (papier.isEmpty()) {
        p.fillRect(zone, fenetre);
    } else {
        const QRectF z(zone);
        p.fillRect(QRectF(z.left(), papier.bottom(), z.width(), z.bottom() + 1 - papier.bottom()), fenetre);
        p.fillRect(QRectF(papier.right(), z.top(), z.right() + 1 - papier.right(), papier.height()), fenetre);
    }

    // The rows and columns in view, within the windows near the visible part.
    const QRectF vue = QRectF(zone).translated(o);
    const Plage fenJours = visibleJoursRange(o.x(), width(), j.count());
    const int premiereColonne = std::max(fenJours.debut, int(vue.left() / largeurColonne));
    const int derniereColonne = std::min(fenJours.fin, int(vue.right() / largeurColonne) + 1);
    const int premiereLigne = std::max(0, ligneA(vue.top()));
    const int derniereLigne = std::min(int(m_bennes.size()), ligneA(vue.bottom()) + 1);

    // Lines: the top of each row across the whole width, the left of each column down every row,
    // in the system's gray and red made to read on the paper of either palette.
    const QColor gris = inkReadableOn(kGris, m_teintePapier, 3.0);
    const QColor rougeJour = inkReadableOn(kRougeJour, m_teintePapier, 3.0);
    for (int i = premiereLigne; i < derniereLigne; ++i)
        p.fillRect(QRectF(-o.x(), hautLigne(i) - o.y(), contenu.width(), 1), gris);
    const int aujourdhui = j.indexAujourdhui();
    for (int d = premiereColonne; d < derniereColonne; ++d)
        p.fillRect(QRectF(d * largeurColonne - o.x(), -o.y(), 1, contenu.height()),
                   d == aujourdhui ? rougeJour : gris);

    // Bars: every bar of a row in view that reaches the part in view.
    m_peintre.preparer(viewport()->devicePixelRatioF(), font());
    const double marge = 40; // handles and shadows reach past a bar's ends
    for (int i = premiereLigne; i < derniereLigne; ++i) {
        for (const Barre& b : barres(i)) {
            const bool glisse = m_geste && m_geste->glisse && m_geste->touche.location == b.location;
            const double debut = b.colonnes.start * largeurColonne - marge;
            const double fin = (b.colonnes.start + b.colonnes.nombre()) * largeurColonne + marge;
            if (!glisse && (fin < vue.left() || debut > vue.right()))
                continue;
            peindreBarre(p, i, b, o);
        }
    }

    // The keyboard's cell, while the grid has the focus and the keyboard is in use. It is drawn
    // over the bars, but never over a name, a driver's mark or a handle: the frame gives way
    // around them. On a stacked cell it frames one lane, the bar the keys act on, whole and over
    // its name, so that it is plain which of the stack it is, its sides giving way to the name.
    if (hasFocus() && m_curseurVisible && m_curseurColonne >= 0 && m_curseurLigne < m_bennes.size()) {
        QRegion libre(viewport()->rect());
        const QRectF cadre = cadreCurseur();
        const bool pile = barresDeLaCellule(m_curseurColonne, m_curseurLigne).size() >= 2;
        if (pile) {
            // Over a stacked bar, the frame's sides give way where its name reaches them.
            const LocationDeBenne* l = locationAuCurseur();
            for (const Barre& b : barres(m_curseurLigne))
                if (b.location == l) {
                    const Geometrie g = geometrie(m_curseurLigne, b);
                    const QRectF texte = disposerEtiquette(b.location, geometrieEtiquette(g, b),
                                                           m_survol == b.location && !g.duplication.isEmpty())
                                             .rectTexte.adjusted(-1, -1, 1, 1);
                    for (const QRectF& cote : {QRectF(cadre.left(), cadre.top(), 7, cadre.height()),
                                               QRectF(cadre.right() - 7, cadre.top(), 7, cadre.height())})
                        if (!texte.isEmpty())
                            libre -= cote.intersected(texte).translated(-o).toAlignedRect();
                }
        } else {
            for (const Barre& b : barres(m_curseurLigne)) {
                const Geometrie g = geometrie(m_curseurLigne, b);
                const PeintreBarres::Etiquette e = disposerEtiquette(b.location, geometrieEtiquette(g, b),
                                                                     m_survol == b.location && !g.duplication.isEmpty());
                for (const QRectF& r : {e.texte.isEmpty() ? QRectF() : e.rectTexte, e.badgePose, e.badgeEnlevement,
                                        g.poigneeGauche, g.poigneeDroite})
                    if (!r.isEmpty())
                        libre -= r.translated(-o).adjusted(-1, -1, 1, 1).toAlignedRect();
            }
        }
        p.save();
        p.setClipRegion(libre);
        PeintreBarres::peindreCadreFocus(p, cadre.translated(-o), focusColour(palette()), 4);
        p.restore();
    }
}

void GrillePlanning::peindreBarre(QPainter& p, int ligne, const Barre& barre, const QPointF& o)
{
    LocationDeBenne* l = barre.location;
    const bool glisse = m_geste && m_geste->glisse && m_geste->touche.location == l;
    // A held bar shows, by whole days, the dates its release would store.
    Barre vue = barre;
    if (glisse)
        if (const std::optional<DatesLocation> d = datesDuGeste(*m_geste))
            if (const std::optional<Colonnes> c = colonnesLocation(d->pose, d->enlevement ? d->enlevement : finDeTenueMs(l), jours()))
                vue.colonnes = *c;
    const Geometrie g = geometrie(ligne, vue, 0, 0, 0);
    const QRectF corps = g.corps.translated(-o);
    m_peintre.peindreCorps(p, corps, barre.couleur);
    if (vue.colonnes.ouverte)
        m_peintre.peindreFinOuverte(p, corps, barre.couleur, palette().color(QPalette::Window));
    if (m_cibleDepot == l) // where the driver held over the grid goes
        PeintreBarres::peindreCadreFocus(p, corps.adjusted(-5, -5, 5, 5), palette().color(QPalette::Highlight), 8);
    if (m_surbrillance == l && m_niveauSurbrillance > 0) {
        p.save();
        p.setOpacity(m_niveauSurbrillance);
        m_peintre.peindreSurbrillance(p, corps);
        p.restore();
    }
    if (m_badge == l && m_niveauBadge > 0) {
        const QPixmap& info = m_peintre.badgeInfo();
        // Centred n + 5 points from the body's left edge, 5 from its top; scaled about its centre.
        const QSizeF t = info.deviceIndependentSize() * m_niveauBadge;
        const QPointF centre = corps.topLeft() + QPointF(vue.colonnes.nombre() + 5, 5);
        p.save();
        p.setOpacity(m_niveauBadge);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(QRectF(centre - QPointF(t.width() / 2, t.height() / 2), t), info, info.rect());
        p.restore();
    }
    const bool bouton = m_survol == l && !glisse && !g.duplication.isEmpty();
    p.save();
    p.translate(-o);
    if (barre.voies > 1)
        p.setClipRect(g.corps.adjusted(-6, -1, 6, 1)); // a stacked bar's name never spills on its neighbour
    m_peintre.peindreEtiquette(p, disposerEtiquette(l, geometrieEtiquette(g, vue), bouton), barre.couleur);
    p.restore();
    const auto dessiner = [&](const QRectF& cible, const QPixmap& pm, qreal taille, qreal marge) {
        // The pictures are made at full size; in a lower, stacked bar they shrink with it.
        const qreal f = cible.width() / taille;
        const QRectF r = cible.adjusted(-marge * f, -marge * f, marge * f, marge * f).translated(-o);
        if (qFuzzyCompare(f, 1.0)) {
            p.drawPixmap(r.topLeft(), pm);
        } else {
            p.save();
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawPixmap(r, pm, QRectF(pm.rect()));
            p.restore();
        }
    };
    if (bouton)
        dessiner(g.duplication, m_peintre.boutonDuplication(), PeintreBarres::kTailleDuplication,
                 PeintreBarres::kMargeOmbres);
    // A handle's picture is its 12-point symbol, 4 points inside its 20-point square.
    dessiner(g.poigneeGauche, m_peintre.poignee(false), PeintreBarres::kTaillePoignee, -4);
    dessiner(g.poigneeDroite, m_peintre.poignee(true), PeintreBarres::kTaillePoignee, -4);
}

void GrillePlanning::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const QRect vue = viewport()->geometry();
    m_entete->setGeometry(vue.left(), vue.top() - int(hauteurBenne), vue.width(), int(hauteurBenne));
    m_colonne->setGeometry(vue.left() - int(largeurBenne), vue.top(), int(largeurBenne), vue.height());
    majBarresDefilement();
}

void GrillePlanning::scrollContentsBy(int dx, int dy)
{
    // Everything painted lies in the content's coordinates: the pixels already there move, and
    // only the strips brought into view are painted.
    viewport()->scroll(dx, dy);
    if (dx) {
        m_entete->scroll(dx, 0);
        redessinerEtiquettesAuxBords(dx);
    }
    if (dy)
        m_colonne->scroll(0, dy);
    // A bar held by the pointer goes along with the content under it; a driver held over the
    // grid now aims at what scrolled under him.
    if (m_geste && m_geste->glisse)
        suivreGeste(m_geste->pointeur);
    if (m_pointeurDepot)
        viserDepot(m_pointeurDepot);
    emit scrolled();
}

void GrillePlanning::redessinerEtiquettesAuxBords(int dx)
{
    // A bar reaching past either edge of the view, before this scroll or after it, lays its name
    // out on its part in view: that name moved over the content, so the pixels just scrolled
    // hold it at its former place. Only those bars' parts in view are painted again.
    const QPointF o = scrollOffset();
    const double largeur = viewport()->width();
    const auto deborde = [&](const QRectF& corps, double gauche) {
        return corps.left() < gauche || corps.right() > gauche + largeur;
    };
    const QRectF vue(0, 0, largeur, viewport()->height());
    const int premiere = std::max(0, ligneA(o.y()));
    const int derniere = std::min(int(m_bennes.size()), ligneA(o.y() + vue.height()) + 1);
    for (int i = premiere; i < derniere; ++i) {
        for (const Barre& b : barres(i)) {
            const QRectF corps = geometrie(i, b).corps;
            // Bars wholly out of view, now and before, have nothing to show.
            const double avant = o.x() + dx;
            const bool enVue = corps.right() > std::min(o.x(), avant) && corps.left() < std::max(o.x(), avant) + largeur;
            if (!enVue || !(deborde(corps, o.x()) || deborde(corps, avant)))
                continue;
            // With the names' shadows, which reach a little past the body.
            const QRectF zone = corps.translated(-o).adjusted(-6, -4, 6, 4).intersected(vue);
            if (!zone.isEmpty())
                viewport()->update(zone.toAlignedRect());
        }
    }
}

void GrillePlanning::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        m_papier = QPixmap();
    if (event->type() == QEvent::FontChange) {
        // A lane's least height follows the font.
        oublierBarres();
        majBarresDefilement();
    }
}

// ---------------------------------------------------------------------------------------------
// Pointer

bool GrillePlanning::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* he = static_cast<QHelpEvent*>(event);
        const Touche t = toucher(he->pos());
        QString texte;
        switch (t.zone) {
        case Zone::corps: {
            // The whole client name, which the bar may have had to shorten.
            texte = QStringLiteral("Déposez un chauffeur ici pour cette location");
            // Who places and who removes it: the truck marks do not say.
            if (const QStringList chauffeurs = lignesChauffeurs(t.location); !chauffeurs.isEmpty())
                texte = chauffeurs.join(QLatin1Char('\n')) + QLatin1Char('\n') + texte;
            if (!t.location->dateEnlevementMs())
                texte = QStringLiteral("Enlèvement non prévu") + QLatin1Char('\n') + texte;
            const Client* client = t.location->client();
            if (client && !client->nom().isEmpty())
                texte = nomClientDistinct(client) + QLatin1Char('\n') + texte; // look-alikes told apart
            break;
        }
        case Zone::poigneeGauche:
        case Zone::poigneeDroite: texte = QStringLiteral("Allonger ou réduire la durée de location"); break;
        case Zone::duplication: texte = QStringLiteral("Dupliquer cette location en rotation"); break;
        case Zone::aucune: break;
        }
        if (texte.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(he->globalPos(), plainToolTip(texte), viewport());
        return true;
    }
    case QEvent::Leave:
        if (!m_geste && m_survol) {
            m_survol = nullptr;
            viewport()->update();
        }
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void GrillePlanning::wheelEvent(QWheelEvent* event)
{
    // Shift turns the wheel sideways, as everywhere on the desktop: it moves the days, a day a
    // notch, as the wheel over the header does.
    if (event->modifiers() & Qt::ShiftModifier) {
        QScrollBar* h = horizontalScrollBar();
        h->setValue(h->value() - pasLateral(event->pixelDelta(), event->angleDelta(), largeurColonne));
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void GrillePlanning::majSurvol(const QPointF& pointVue)
{
    const Touche t = toucher(pointVue);
    LocationDeBenne* survol = t.zone == Zone::aucune ? nullptr : t.location;
    if (survol != m_survol) {
        m_survol = survol;
        viewport()->update();
    }
}

void GrillePlanning::placerCurseurSous(const QPointF& pointVue)
{
    const QPointF contenu = pointVue + scrollOffset();
    if (contenu.x() >= 0 && contenu.y() >= 0 && contenu.y() < hauts().last()) {
        m_curseurColonne = std::min(int(contenu.x() / largeurColonne), kNombreJours - 1);
        m_curseurLigne = ligneA(contenu.y());
        retenirCurseur();
        viewport()->update();
    }
}

void GrillePlanning::mouseDoubleClickEvent(QMouseEvent* event)
{
    // On an empty cell, a new rental of the row's skip from that day, as Return there books it;
    // on a bar (whose first click showed its details), the rental's correction.
    const QPointF contenu = event->position() + scrollOffset();
    if (LocationDeBenne* l = toucher(event->position()).location; l && event->button() == Qt::LeftButton) {
        modifierLocation(this, m_context, l);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton || toucher(event->position()).location || contenu.x() < 0 || contenu.y() < 0
        || contenu.y() >= hauts().last()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    placerCurseurSous(event->position());
    emit celluleVideActivee(m_bennes[m_curseurLigne], jours().date(m_curseurColonne));
    event->accept();
}

QList<LocationDeBenne*> GrillePlanning::chevauchements(const LocationDeBenne* location, const DatesLocation& dates) const
{
    QList<LocationDeBenne*> autres;
    if (!location || !location->benne())
        return autres;
    const QTimeZone& zone = m_actions->horloge().zone;
    // Without removal date the rental holds its skip until the skip's next placement after it.
    std::optional<qint64> fin = dates.enlevement;
    if (!fin)
        for (const LocationDeBenne* a : location->benne()->locations())
            if (a != location && !a->isDeleted() && a->datePoseMs() > dates.pose && (!fin || a->datePoseMs() < *fin))
                fin = a->datePoseMs();
    const QDate jourPose = localDayOf(dates.pose, zone);
    for (LocationDeBenne* a : locationsChevauchantes(location->benne(), dates.pose, fin, zone)) {
        if (a == location)
            continue;
        // One without removal date placed on an earlier day hands the skip over on this one's
        // placement day: its hold ends there.
        if (!a->dateEnlevementMs() && localDayOf(a->datePoseMs(), zone) < jourPose)
            continue;
        autres.append(a);
    }
    return autres;
}

QString GrillePlanning::texteChevauchement(const LocationDeBenne* location, const DatesLocation& dates,
                                           const QList<LocationDeBenne*>& autres) const
{
    if (autres.isEmpty())
        return {};
    const QTimeZone& zone = m_actions->horloge().zone;
    const auto jour = [&zone](qint64 ms) { return texteJour(ms, zone); };
    // A look-alike skip is named by what tells it apart.
    const QString benne = location->benne() && !distinctionBenne(location->benne()).isEmpty()
                              ? QStringLiteral(" (") + nomBenneDistinct(location->benne()) + QLatin1Char(')')
                              : QString();
    return texteDejaLouee(autres, jour) + QStringLiteral("\n\nLouer quand même cette benne") + benne + QStringLiteral(" à ") + clientNomme(location)
           + periodeLocation(dates.pose, dates.enlevement, jour) + QStringLiteral("\u00A0?"); // « ? » never alone on a line
}

void GrillePlanning::dupliquer(LocationDeBenne* location)
{
    QString erreur;
    LocationDeBenne* bloquante = nullptr;
    LocationDeBenne* copie = nullptr;
    const IssueDuplication issue = m_actions->dupliquerEnRotation(location, &erreur, &copie, &bloquante);
    if (issue == IssueDuplication::creee && copie) {
        oublierLignesDe({copie});
        majBarresDefilement();
        montrerCopie(copie);
    } else if (issue == IssueDuplication::echecSauvegarde)
        forms::showError(this, erreur);
    else if (issue == IssueDuplication::impossible && !erreur.isEmpty())
        informer(QStringLiteral("Duplication impossible"), erreur);
    else if (issue == IssueDuplication::refusee)
        emit duplicationRefusee(location, bloquante);
    viewport()->update();
}

void GrillePlanning::demanderDateEnlevement(LocationDeBenne* l)
{
    if (m_fenetreEnlevement)
        return;
    const QTimeZone& zone = m_actions->horloge().zone;
    const std::optional<qint64> fin = l->dateEnlevementMs();
    auto* fenetre = new QDialog(window());
    fenetre->setObjectName(QStringLiteral("fenetreDateEnlevement"));
    fenetre->setWindowTitle(QStringLiteral("Date d'enlèvement"));
    fenetre->setAttribute(Qt::WA_DeleteOnClose);
    fenetre->setWindowModality(Qt::WindowModal);
    auto* disposition = new QVBoxLayout(fenetre);
    auto* quoi = new QLabel(QStringLiteral("Location de ") + m_actions->texteLocation(l), fenetre);
    quoi->setTextFormat(Qt::PlainText); // names as typed
    quoi->setWordWrap(true);
    disposition->addWidget(quoi);
    auto* ligne = new QHBoxLayout;
    auto* etiquette = new QLabel(QStringLiteral("&Enlèvement le\u00A0:"), fenetre);
    auto* champ = new QDateEdit(fenetre); // a whole date typed is read by the shared date entry
    champ->setObjectName(QStringLiteral("champDateEnlevement"));
    champ->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    champ->setCalendarPopup(true);
    const QDate jourPose = localDayOf(l->datePoseMs(), zone);
    champ->setDate(fin ? localDayOf(*fin, zone) : std::max(jourPose, m_actions->horloge().aujourdhui()));
    etiquette->setBuddy(champ);
    ligne->addWidget(etiquette);
    ligne->addWidget(champ, 1);
    disposition->addLayout(ligne);
    // Never before the placement day: said under the field, by name.
    auto* refus = new RefusEnlevement(champ, jourPose, fenetre);
    disposition->addWidget(refus);
    auto* boutons = new QDialogButtonBox(fenetre);
    QPushButton* enregistrer = boutons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole);
    enregistrer->setObjectName(QStringLiteral("boutonEnregistrerEnlevement"));
    enregistrer->setDefault(true);
    QPushButton* retirer = nullptr;
    if (fin) {
        retirer = boutons->addButton(QStringLiteral("Retirer la date"), QDialogButtonBox::DestructiveRole);
        retirer->setObjectName(QStringLiteral("boutonRetirerEnlevement"));
    }
    boutons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    disposition->addWidget(boutons);
    connect(boutons, &QDialogButtonBox::rejected, fenetre, &QDialog::reject);
    // The dialog closes once the date is given; « Annuler » on the question about another booking
    // comes back to it, the typed date still there.
    const auto donner = [this, fenetre, champ, l](std::optional<qint64> nouvelle) {
        if (l->isDeleted()) {
            fenetre->reject();
            return;
        }
        changerDates(l, {l->datePoseMs(), nouvelle}, fenetre,
                     [this, fenetre = QPointer<QDialog>(fenetre), champ, l, nouvelle](bool donnees) {
                         if (fenetre && donnees) {
                             fenetre->accept();
                             // The keys are back on the grid's cell; what was stored is said there.
                             announceOutcomeAfterwards(this, (nouvelle ? QStringLiteral("Date d'enlèvement enregistrée\u00A0: %1.")
                                                             : QStringLiteral("Date d'enlèvement retirée\u00A0: %1."))
                                                            .arg(m_actions->texteLocation(l)));
                         } else if (fenetre)
                             champ->setFocus(Qt::OtherFocusReason);
                     });
    };
    connect(boutons, &QDialogButtonBox::accepted, fenetre, [fenetre, champ, refus, l, donner, this] {
        if (!refus->accepte()) {
            // Refused by name, said, and the keys in the date to correct.
            announceOutcome(refus, refus->text());
            champ->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (stopForRefusedDate(fenetre))
            return;
        const QTimeZone& zone = m_actions->horloge().zone;
        // The removal keeps its time of day (a new one takes the placement's), as the handle does.
        const qint64 base = l->dateEnlevementMs().value_or(l->datePoseMs());
        const int jours = int(localDayOf(base, zone).daysTo(champ->date()));
        donner(std::max(ajouterJours(base, jours, zone), l->datePoseMs()));
    });
    if (retirer)
        connect(retirer, &QPushButton::clicked, fenetre, [donner] { donner(std::nullopt); });
    giveAltLetters(fenetre);
    m_fenetreEnlevement = fenetre;
    fenetre->open();
    // The keys in the date, none of it selected: a stray key adds to it instead of replacing a part.
    donnerSansSelection(champ);
}

void GrillePlanning::informer(const QString& titre, const QString& texte)
{
    auto* box = new QMessageBox(QMessageBox::Information, titre, titre, QMessageBox::Ok, window());
    box->setObjectName(QStringLiteral("avisGrille"));
    // Names typed by users are shown as typed.
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(texte);
    for (QLabel* etiquette : box->findChildren<QLabel*>())
        if (etiquette->objectName() == QLatin1String("qt_msgbox_informativelabel"))
            etiquette->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    forms::fitMessageBox(box);
    box->open();
}

QString GrillePlanning::texteSuppression(const LocationDeBenne* location) const
{
    if (!location)
        return {};
    const QTimeZone& zone = m_actions->horloge().zone;
    const Client* client = location->client();
    // A long name is quoted by its beginning: the question keeps to a few lines.
    const QString nom = client && !client->nom().isEmpty() ? nomClientDistinct(client, 80)
                                                           : QStringLiteral("client inconnu");
    QString quoi = QStringLiteral("Location de ") + nom + QStringLiteral(", posée le ")
                   + texteJour(location->datePoseMs(), zone);
    if (const std::optional<qint64> fin = location->dateEnlevementMs())
        quoi += QStringLiteral(", enlevée le ") + texteJour(*fin, zone);
    else
        quoi += QStringLiteral(", enlèvement non prévu");
    const forms::Question q = forms::withDeletedAlong(
        {QStringLiteral("Supprimer cette location ?"), quoi + QStringLiteral(". Cette action est irréversible.")},
        m_context, {const_cast<LocationDeBenne*>(location)});
    return q.message;
}

void GrillePlanning::demanderSuppression(LocationDeBenne* location)
{
    if (!location || location->isDeleted())
        return;
    setSurbrillance(location);
    QMessageBox* box = forms::askConfirmation(this, QStringLiteral("Supprimer cette location ?"),
                                              texteSuppression(location),
                                              QStringLiteral("Supprimer"), QStringLiteral("Annuler"),
                                              [grille = QPointer<GrillePlanning>(this), location] {
                                                  if (!grille)
                                                      return; // the screen went away meanwhile
                                                  const QString quoi = grille->m_actions->texteLocation(location);
                                                  const Issue issue = grille->m_actions->supprimerLocation(location);
                                                  grille->oublierLignesDe({location});
                                                  grille->majBarresDefilement();
                                                  if (!issue.ok)
                                                      forms::showError(grille, issue.messageErreur);
                                                  else
                                                      announceOutcomeAfterwards(grille, QStringLiteral("Location supprimée\u00A0: %1.").arg(quoi));
                                              });
    // The client's name is shown as typed, never read as markup.
    box->setTextFormat(Qt::PlainText);
    for (QLabel* etiquette : box->findChildren<QLabel*>())
        if (etiquette->objectName() == QLatin1String("qt_msgbox_informativelabel"))
            etiquette->setTextFormat(Qt::PlainText);
    connect(box, &QMessageBox::finished, this, [this] { setSurbrillance(nullptr); });
}

// ---------------------------------------------------------------------------------------------
// Keyboard: a cell cursor moved by the arrows (the view follows it), Page Up/Down by a
// screenful, Home back to today; the rental under it answers Enter, Delete, Ctrl+Shift+D and the
// menu key.

void GrillePlanning::setCurseur(int colonne, int ligne)
{
    const int lignes = int(m_bennes.size());
    colonne = std::clamp(colonne, 0, kNombreJours - 1);
    ligne = lignes == 0 ? 0 : std::clamp(ligne, 0, lignes - 1);
    m_curseurColonne = colonne;
    m_curseurLigne = ligne;
    retenirCurseur();
    // Keep the cell in view.
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const QSize vue = viewport()->size();
    const int gauche = int(colonne * largeurColonne), droite = int((colonne + 1) * largeurColonne);
    if (gauche < h->value())
        h->setValue(gauche);
    else if (droite > h->value() + vue.width())
        h->setValue(droite - vue.width());
    const int haut = int(hautLigne(ligne)), bas = int(hautLigne(ligne + 1));
    if (haut < v->value())
        v->setValue(haut);
    else if (bas > v->value() + vue.height())
        v->setValue(bas - vue.height());
    viewport()->update();
    emit curseurDeplace();
}

QRectF GrillePlanning::cadreCurseur()
{
    QRectF cadre(m_curseurColonne * largeurColonne, hautLigne(m_curseurLigne), largeurColonne + 1,
                 hauteurLigne(m_curseurLigne) + 1);
    // Where bars are stacked on the cell, the frame holds the lane of the one the keys act on.
    if (barresDeLaCellule(m_curseurColonne, m_curseurLigne).size() < 2)
        return cadre;
    const LocationDeBenne* l = locationAuCurseur();
    for (const Barre& b : barres(m_curseurLigne))
        if (b.location == l) {
            const QRectF corps = geometrie(m_curseurLigne, b).corps;
            cadre.setTop(corps.top() - 2);
            cadre.setBottom(corps.bottom() + 2);
        }
    return cadre;
}

namespace {
bool couvre(const Barre& b, int colonne)
{
    return colonne >= b.colonnes.start && colonne < b.colonnes.start + b.colonnes.nombre();
}
} // namespace

QList<LocationDeBenne*> GrillePlanning::barresDeLaCellule(int colonne, int ligne)
{
    QList<const Barre*> pile;
    for (const Barre& b : barres(ligne))
        if (couvre(b, colonne))
            pile.append(&b);
    std::stable_sort(pile.begin(), pile.end(), [](const Barre* a, const Barre* b) { return a->voie < b->voie; });
    QList<LocationDeBenne*> locations;
    for (const Barre* b : std::as_const(pile))
        locations.append(b->location);
    return locations;
}

LocationDeBenne* GrillePlanning::locationAuCurseur()
{
    const QPoint c = curseur();
    const QList<Barre>& liste = barres(c.y());
    // The bar the user chose, while it stands on the cell; else the last one drawn there.
    if (m_curseurBarre && !m_curseurBarre->isDeleted())
        for (const Barre& b : liste)
            if (b.location == m_curseurBarre && couvre(b, c.x()))
                return b.location;
    for (auto it = liste.crbegin(); it != liste.crend(); ++it)
        if (couvre(*it, c.x()))
            return it->location;
    return nullptr;
}

void GrillePlanning::monterDescendre(int sens)
{
    const int c = m_curseurColonne, l = m_curseurLigne;
    const QList<LocationDeBenne*> pile = barresDeLaCellule(c, l);
    const qsizetype i = pile.indexOf(locationAuCurseur()) + sens;
    if (pile.size() > 1 && i >= 0 && i < pile.size()) {
        m_curseurBarre = pile[i]; // the next lane of the stack
        setCurseur(c, l);
        return;
    }
    // Into the next row by its nearest lane: its top one going down, its bottom one going up.
    const int ligne = std::clamp(l + sens, 0, std::max(0, int(m_bennes.size()) - 1));
    if (ligne != l) {
        const QList<LocationDeBenne*> suivante = barresDeLaCellule(c, ligne);
        m_curseurBarre = suivante.isEmpty() ? nullptr : sens > 0 ? suivante.first() : suivante.last();
    }
    setCurseur(c, ligne);
}

namespace {
constexpr char kCurseurRetenu[] = "kvCurseurPlanning";
}

void GrillePlanning::retenirCurseur()
{
    if (m_curseurColonne >= 0 && m_curseurLigne < m_bennes.size()) {
        m_colonne->suivreCurseur(m_curseurLigne);
        window()->setProperty(kCurseurRetenu, QVariantList{m_bennes[m_curseurLigne]->id(), jours().date(m_curseurColonne)});
    }
}

void GrillePlanning::reprendreCurseur()
{
    const QVariantList retenu = window()->property(kCurseurRetenu).toList();
    if (retenu.size() != 2)
        return;
    const QUuid id = retenu[0].toUuid();
    const auto benne = std::find_if(m_bennes.cbegin(), m_bennes.cend(), [&id](const Benne* b) { return b->id() == id; });
    const JoursGrille& j = jours();
    int colonne = -1;
    for (int i = 0; i < j.count() && colonne < 0; ++i)
        if (j.date(i) == retenu[1].toDate())
            colonne = i;
    if (benne != m_bennes.cend() && colonne >= 0)
        setCurseur(colonne, int(benne - m_bennes.cbegin()));
}

void GrillePlanning::mettreEnPlace()
{
    m_enPlace = true;
    reprendreCurseur();
    if (m_curseurColonne >= 0 || !hasFocus())
        return;
    const QPoint defaut = celluleParDefaut();
    m_curseurColonne = defaut.x();
    m_curseurLigne = defaut.y();
    retenirCurseur();
    viewport()->update();
    emit curseurDeplace();
}

QPoint GrillePlanning::celluleParDefaut()
{
    // Today's column when it is in view, else the first column in view; the first row in view.
    const int aujourdhui = jours().indexAujourdhui();
    const QPointF o = scrollOffset();
    const int premiere = int(std::ceil(o.x() / largeurColonne));
    const int derniere = int((o.x() + viewport()->width()) / largeurColonne) - 1;
    const int colonne = aujourdhui >= premiere && aujourdhui <= derniere ? aujourdhui : std::min(premiere, kNombreJours - 1);
    return QPoint(colonne, std::clamp(ligneA(o.y() - 1) + 1, 0, std::max(0, int(m_bennes.size()) - 1)));
}

void GrillePlanning::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_curseurVisible = true;
    // Tab from a skip's label goes on in that skip's row (the label comes just before the grid).
    const int etiquette = m_colonne->ligneCourante();
    const bool depuisEtiquette = event->reason() == Qt::TabFocusReason && etiquette >= 0 && etiquette < m_bennes.size();
    if (m_curseurColonne < 0 && !depuisEtiquette)
        reprendreCurseur();
    if (m_curseurColonne < 0 && !depuisEtiquette && !m_enPlace) {
        // The view is not yet scrolled to its place: the cell in view is known once it is.
        viewport()->update();
        return;
    }
    if (m_curseurColonne < 0 || depuisEtiquette) {
        // Starts on the cell in view the keys would start on (a column already in view stays).
        // Gaining the focus never scrolls: a click (either button) that brings it aims at what
        // is under the pointer, which must stay there; a label's row is in view beside it.
        const QPointF o = scrollOffset();
        const bool enVue = m_curseurColonne >= 0 && m_curseurColonne * largeurColonne >= o.x()
                           && (m_curseurColonne + 1) * largeurColonne <= o.x() + viewport()->width();
        const QPoint defaut = celluleParDefaut();
        if (!enVue)
            m_curseurColonne = defaut.x();
        m_curseurLigne = depuisEtiquette ? etiquette : defaut.y();
    }
    retenirCurseur();
    viewport()->update();
    emit curseurDeplace(); // the cell the keys are on is announced
}

void GrillePlanning::entrerDansLaLigne(int ligne)
{
    if (ligne < 0 || ligne >= m_bennes.size())
        return;
    setFocus(Qt::OtherFocusReason);
    m_curseurVisible = true;
    setCurseur(std::max(0, jours().indexAujourdhui()), ligne);
}

void GrillePlanning::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void GrillePlanning::keyPressEvent(QKeyEvent* event)
{
    if (!m_curseurVisible) {
        m_curseurVisible = true;
        viewport()->update();
    }
    if (m_curseurColonne < 0) {
        const QPoint defaut = celluleParDefaut();
        setCurseur(defaut.x(), defaut.y());
    }
    const int page = std::max(1, int(viewport()->height() / hauteurBenne) - 1);
    const int c = m_curseurColonne, l = m_curseurLigne;
    // Delete and Backspace alone: a platform's standard Delete may carry other keys (Ctrl+D on
    // X11), which here duplicates.
    const bool seule = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (seule && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        if (LocationDeBenne* loc = locationAuCurseur())
            demanderSuppression(loc);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
        // The other key of context menus (the Menu key comes as a context-menu event).
        ouvrirMenuAuCurseur();
        event->accept();
        return;
    }
    if (QKeySequence(event->keyCombination()) == raccourciModifierLocation()) {
        if (LocationDeBenne* loc = locationAuCurseur())
            modifierLocation(this, m_context, loc);
        event->accept();
        return;
    }
    // Ctrl+Shift+D, not Ctrl+D, which is Delete on X11 desktops: neither key does the other's work.
    if (QKeySequence(event->keyCombination()) == toucheDupliquer()) {
        if (LocationDeBenne* loc = locationAuCurseur())
            dupliquer(loc);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left: setCurseur(c - 1, l); break;
    case Qt::Key_Right: setCurseur(c + 1, l); break;
    case Qt::Key_Up: monterDescendre(-1); break;
    case Qt::Key_Down: monterDescendre(1); break;
    case Qt::Key_PageUp: setCurseur(c, l - page); break;
    case Qt::Key_PageDown: setCurseur(c, l + page); break;
    case Qt::Key_Home: setCurseur(std::max(0, jours().indexAujourdhui()), l); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (LocationDeBenne* loc = locationAuCurseur())
            emit locationTapped(loc);
        else if (m_curseurLigne < m_bennes.size())
            emit celluleVideActivee(m_bennes[m_curseurLigne], jours().date(m_curseurColonne)); // a new rental there
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

} // namespace kv::planning
