#include "grilleplanning.h"

#include "colonnebennes.h"
#include "entetejours.h"

#include "model/daywindow.h"
#include "model/modelcontext.h"
#include "widgets/colors.h"
#include "widgets/dragautoscroller.h"
#include "widgets/forms/dialogs.h"
#include "widgets/icons.h"
#include "widgets/papier.h"
#include "widgets/plaintext.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

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
    // The corner above the skip column shows the window's colour.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    m_entete = new EnteteJours(this);
    m_colonne = new ColonneBennes(this);
    m_defilementAuto = new DragAutoScroller(this);
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
        if (changes.touchesAny(entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Benne)))
            oublierBarres();
        if (changes.touchesAny(entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Client)
                               | entityBit(EntityType::Benne)))
            viewport()->update();
    });
    majBarresDefilement();
}

GrillePlanning::~GrillePlanning() = default;

void GrillePlanning::setBennes(const QList<Benne*>& bennes)
{
    m_bennes = bennes;
    oublierBarres();
    majBarresDefilement();
    viewport()->update();
    m_colonne->update();
}

void GrillePlanning::oublierBarres()
{
    m_barres.clear();
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
        for (LocationDeBenne* l : benne->locations()) {
            if (l->isDeleted())
                continue;
            const std::optional<Colonnes> c = colonnesLocation(l, j);
            if (c && c->start < j.count() && c->end >= 0)
                liste.append({l, *c, couleur});
        }
        it = m_barres.insert(benne, liste);
    }
    return *it;
}

QSizeF GrillePlanning::tailleContenu() const
{
    return QSizeF(kNombreJours * largeurColonne, m_bennes.size() * hauteurBenne);
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

GrillePlanning::Geometrie GrillePlanning::geometrie(int ligne, const Colonnes& c, double decalage, double gauche,
                                                    double droite) const
{
    const double y = ligne * hauteurBenne;
    const int n = c.nombre();
    const double x = c.start * largeurColonne + decalage + gauche;
    const double w = std::max(0.0, n * largeurColonne + droite - gauche);
    // The right-hand controls stand at the bar's right end (for a removal before the placement
    // too, whose bar covers its placement column).
    const double finBarre = (c.start + n) * largeurColonne + decalage;
    Geometrie g;
    g.corps = QRectF(x, y + 4, w, hauteurBenne - 8);
    g.poigneeGauche = QRectF(x - 4, y + 10, PeintreBarres::kTaillePoignee, PeintreBarres::kTaillePoignee);
    g.poigneeDroite = QRectF(finBarre + droite - 16, y + 10, PeintreBarres::kTaillePoignee, PeintreBarres::kTaillePoignee);
    g.duplication = QRectF((c.start + n) * largeurColonne - 36, y + 9, PeintreBarres::kTailleDuplication,
                           PeintreBarres::kTailleDuplication);
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
        PeintreBarres::Etiquette e = disposerEtiquette(location, geometrie(ligne, b.colonnes), bouton);
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
    return m_peintre.disposerEtiquette(g.corps, bandeEtiquette(g, avecBouton), client ? client->nom() : QString(),
                                       location->chauffeurPose() != nullptr,
                                       location->chauffeurEnlevement() != nullptr);
}

GrillePlanning::Touche GrillePlanning::toucher(const QPointF& pointVue)
{
    const QPointF p = pointVue + scrollOffset();
    if (p.y() < 0 || p.x() < 0)
        return {};
    const int ligne = int(p.y() / hauteurBenne);
    const QList<Barre>& liste = barres(ligne);
    // Later bars are drawn over earlier ones: the topmost answers first.
    for (auto it = liste.crbegin(); it != liste.crend(); ++it) {
        const Geometrie g = geometrie(ligne, it->colonnes);
        Zone zone = Zone::aucune;
        if (m_survol == it->location && g.duplication.contains(p))
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
        if (b.location == location)
            return choisir(b).translated(-g->scrollOffset());
    return {};
}
} // namespace

QRectF GrillePlanning::rectCorps(const LocationDeBenne* location)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) { return geometrie(ligne, b.colonnes).corps; });
}

QRectF GrillePlanning::rectPoignee(const LocationDeBenne* location, bool droite)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) {
        const Geometrie g = geometrie(ligne, b.colonnes);
        return droite ? g.poigneeDroite : g.poigneeGauche;
    });
}

QRectF GrillePlanning::rectDuplication(const LocationDeBenne* location)
{
    const int ligne = ligneDe(location);
    return rectDe(this, location, ligne, [&](const Barre& b) { return geometrie(ligne, b.colonnes).duplication; });
}

// ---------------------------------------------------------------------------------------------
// Painting

void GrillePlanning::preparerPapier()
{
    if (m_papier.isNull()) {
        const qreal dpr = viewport()->devicePixelRatioF();
        QImage tuile = tuilePapierSur(palette().color(QPalette::Window), 0.5, int(std::lround(256 * dpr)));
        tuile.setDevicePixelRatio(dpr);
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
    const Plage fenBennes = visibleBennesRange(o.y(), height(), int(m_bennes.size()));
    const int premiereColonne = std::max(fenJours.debut, int(vue.left() / largeurColonne));
    const int derniereColonne = std::min(fenJours.fin, int(vue.right() / largeurColonne) + 1);
    const int premiereLigne = std::max(fenBennes.debut, int(vue.top() / hauteurBenne));
    const int derniereLigne = std::min(fenBennes.fin, int(vue.bottom() / hauteurBenne) + 1);

    // Lines: the top of each row across the whole width, the left of each column down every row.
    const QColor gris = avecOpacite(kGris, 0.3);
    for (int i = premiereLigne; i < derniereLigne; ++i)
        p.fillRect(QRectF(-o.x(), i * hauteurBenne - o.y(), contenu.width(), 1), gris);
    const int aujourdhui = j.indexAujourdhui();
    for (int d = premiereColonne; d < derniereColonne; ++d)
        p.fillRect(QRectF(d * largeurColonne - o.x(), -o.y(), 1, contenu.height()),
                   d == aujourdhui ? avecOpacite(kRougeJour, 0.6) : gris);

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

    // The keyboard's cell, while the grid has the focus and the keyboard is in use.
    if (hasFocus() && m_curseurVisible && m_curseurColonne >= 0 && m_curseurLigne < m_bennes.size()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(m_curseurColonne * largeurColonne - o.x() + 1, m_curseurLigne * hauteurBenne - o.y() + 1,
                                 largeurColonne - 2, hauteurBenne - 2),
                          4, 4);
    }
}

void GrillePlanning::peindreBarre(QPainter& p, int ligne, const Barre& barre, const QPointF& o)
{
    LocationDeBenne* l = barre.location;
    double decalage = 0, gauche = 0, droite = 0;
    const bool glisse = m_geste && m_geste->glisse && m_geste->touche.location == l;
    if (glisse) {
        switch (m_geste->touche.zone) {
        case Zone::corps: decalage = m_geste->dx; break;
        case Zone::poigneeGauche: gauche = m_geste->dx; break;
        case Zone::poigneeDroite: droite = m_geste->dx; break;
        default: break;
        }
    }
    const Geometrie g = geometrie(ligne, barre.colonnes, decalage, gauche, droite);
    const QRectF corps = g.corps.translated(-o);
    m_peintre.peindreCorps(p, corps, barre.couleur);
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
        const QPointF centre = corps.topLeft() + QPointF(barre.colonnes.nombre() + 5, 5);
        p.save();
        p.setOpacity(m_niveauBadge);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(QRectF(centre - QPointF(t.width() / 2, t.height() / 2), t), info, info.rect());
        p.restore();
    }
    const bool bouton = m_survol == l && !glisse;
    p.save();
    p.translate(-o);
    m_peintre.peindreEtiquette(p, disposerEtiquette(l, g, bouton), barre.couleur);
    p.restore();
    if (bouton) {
        const QPixmap& bouton = m_peintre.boutonDuplication();
        p.drawPixmap(g.duplication.topLeft() - o - QPointF(PeintreBarres::kMargeOmbres, PeintreBarres::kMargeOmbres), bouton);
    }
    const QPixmap& pg = m_peintre.poignee(false);
    const QPixmap& pd = m_peintre.poignee(true);
    p.drawPixmap(g.poigneeGauche.topLeft() - o + QPointF(4, 4), pg);
    p.drawPixmap(g.poigneeDroite.topLeft() - o + QPointF(4, 4), pd);
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
    if (dx)
        m_entete->scroll(dx, 0);
    if (dy)
        m_colonne->scroll(0, dy);
    // A bar held by the pointer goes along with the content under it.
    if (m_geste && m_geste->glisse)
        suivreGeste(m_geste->pointeur);
    emit scrolled();
}

void GrillePlanning::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        m_papier = QPixmap();
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
            const Client* client = t.location->client();
            if (client && !client->nom().isEmpty())
                texte = client->nom() + QLatin1Char('\n') + texte;
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

void GrillePlanning::majSurvol(const QPointF& pointVue)
{
    const Touche t = toucher(pointVue);
    LocationDeBenne* survol = t.zone == Zone::aucune ? nullptr : t.location;
    if (survol != m_survol) {
        m_survol = survol;
        viewport()->update();
    }
}

void GrillePlanning::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // The keyboard's cell follows the pointer's, and stays out of sight until a key is used.
    m_curseurVisible = false;
    placerCurseurSous(event->position());
    const Touche t = toucher(event->position());
    if (!t.location) {
        m_geste.reset();
        return;
    }
    m_geste = Geste{t, event->position() + scrollOffset(), event->position(), 0, false};
    event->accept();
}

void GrillePlanning::placerCurseurSous(const QPointF& pointVue)
{
    const QPointF contenu = pointVue + scrollOffset();
    if (contenu.x() >= 0 && contenu.y() >= 0 && contenu.y() < m_bennes.size() * hauteurBenne) {
        m_curseurColonne = std::min(int(contenu.x() / largeurColonne), kNombreJours - 1);
        m_curseurLigne = int(contenu.y() / hauteurBenne);
        viewport()->update();
    }
}

void GrillePlanning::suivreGeste(const QPointF& pointVue)
{
    m_geste->pointeur = pointVue;
    m_geste->dx = pointVue.x() + scrollOffset().x() - m_geste->departContenu.x();
    // Only the bar's row changes (its badges and shadows reach a little past it).
    const double haut = m_geste->touche.ligne * hauteurBenne - scrollOffset().y();
    viewport()->update(QRectF(0, haut - 12, viewport()->width(), hauteurBenne + 24).toAlignedRect());
}

void GrillePlanning::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_geste) {
        majSurvol(event->position());
        return;
    }
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF delta = event->position() + scrollOffset() - m_geste->departContenu;
    if (!m_geste->glisse && m_geste->touche.zone != Zone::duplication
        && (std::abs(delta.x()) >= 1 || std::abs(delta.y()) >= 1)) {
        m_geste->glisse = true;
        m_survol = nullptr; // no duplicate button while a bar moves
    }
    if (m_geste->glisse) {
        suivreGeste(event->position());
        // Days beyond the visible ones come into view when the pointer nears a side.
        m_defilementAuto->setDirections(Qt::Horizontal);
        m_defilementAuto->pointerAt(event->position().toPoint());
    }
}

void GrillePlanning::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_geste) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    terminerGlissement(event->position());
}

void GrillePlanning::terminerGlissement(const QPointF& pointVue)
{
    m_defilementAuto->end();
    const Geste geste = *m_geste;
    m_geste.reset();
    LocationDeBenne* l = geste.touche.location;
    if (!l || l->isDeleted()) {
        viewport()->update(); // deleted while it was held
        return;
    }
    // A click whose pointer trembled by a pixel or two is still a click.
    const QPointF deplacement = pointVue + scrollOffset() - geste.departContenu;
    const bool tremblement = deplacement.manhattanLength() < 3;
    if (geste.glisse && !tremblement) {
        const double translation = deplacement.x();
        bool change = false;
        switch (geste.touche.zone) {
        case Zone::corps: change = m_actions->deplacerLocation(l, translation); break;
        case Zone::poigneeGauche: change = m_actions->redimensionnerDebut(l, translation); break;
        case Zone::poigneeDroite: change = m_actions->redimensionnerFin(l, translation); break;
        default: break;
        }
        if (change)
            m_barres.remove(l->benne()); // redrawn at its new columns now, not a turn later
        // The keyboard's cell goes with the part of the bar that was held.
        placerCurseurSous(QPointF(pointVue.x(), geste.departContenu.y() - scrollOffset().y()));
        viewport()->update();
        majSurvol(pointVue);
        return;
    }
    // A tap without moving.
    switch (geste.touche.zone) {
    case Zone::corps:
    case Zone::poigneeGauche: emit locationTapped(l); break;
    case Zone::duplication:
        if (toucher(pointVue).zone == Zone::duplication)
            dupliquer(l);
        break;
    default: break;
    }
}

void GrillePlanning::dupliquer(LocationDeBenne* location)
{
    QString erreur;
    const IssueDuplication issue = m_actions->dupliquerEnRotation(location, &erreur);
    if (issue == IssueDuplication::echecSauvegarde)
        forms::showError(this, erreur);
    else if (issue == IssueDuplication::refusee)
        emit duplicationRefusee(location);
    oublierBarres();
    viewport()->update();
}

void GrillePlanning::contextMenuEvent(QContextMenuEvent* event)
{
    const Touche t = event->reason() == QContextMenuEvent::Mouse ? toucher(event->pos()) : Touche{};
    LocationDeBenne* l = t.location;
    if (!l && event->reason() != QContextMenuEvent::Mouse)
        l = locationAuCurseur();
    if (!l)
        return;
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("menuBarre"));
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* supprimer = m_menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"));
    connect(supprimer, &QAction::triggered, this, [this, l] { demanderSuppression(l); });
    connect(m_menu, &QObject::destroyed, this, [this, menu = m_menu] {
        if (m_menu == menu)
            m_menu = nullptr;
    });
    QPoint ou = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // From the keyboard: under the cursor's cell.
        const QPointF o = scrollOffset();
        ou = viewport()->mapToGlobal(QPoint(int(m_curseurColonne * largeurColonne - o.x() + 10),
                                            int((m_curseurLigne + 1) * hauteurBenne - o.y())));
    }
    m_menu->popup(ou);
}

void GrillePlanning::demanderSuppression(LocationDeBenne* location)
{
    if (!location || location->isDeleted())
        return;
    setSurbrillance(location);
    QMessageBox* box = forms::askConfirmation(this, QStringLiteral("Supprimer cette location ?"),
                                              QStringLiteral("Cette action est irréversible."),
                                              QStringLiteral("Supprimer"), QStringLiteral("Annuler"),
                                              [grille = QPointer<GrillePlanning>(this), location] {
                                                  if (!grille)
                                                      return; // the screen went away meanwhile
                                                  const Issue issue = grille->m_actions->supprimerLocation(location);
                                                  grille->oublierBarres();
                                                  if (!issue.ok)
                                                      forms::showError(grille, issue.messageErreur);
                                              });
    connect(box, &QMessageBox::finished, this, [this] { setSurbrillance(nullptr); });
}

// ---------------------------------------------------------------------------------------------
// Driver drops

void GrillePlanning::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasText()) {
        event->acceptProposedAction();
        m_defilementAuto->setDirections(Qt::Horizontal | Qt::Vertical);
        m_defilementAuto->begin();
        m_defilementAuto->pointerAt(event->position().toPoint());
    } else {
        event->ignore();
    }
}

void GrillePlanning::dragMoveEvent(QDragMoveEvent* event)
{
    m_defilementAuto->pointerAt(event->position().toPoint());
    // Near an edge the grid moves under the pointer: the bar there at the drop counts.
    const bool surBarre = toucher(event->position()).location || m_defilementAuto->isScrolling();
    if (surBarre && event->mimeData() && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void GrillePlanning::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_defilementAuto->end();
    QAbstractScrollArea::dragLeaveEvent(event);
}

void GrillePlanning::dropEvent(QDropEvent* event)
{
    m_defilementAuto->end();
    const Touche t = toucher(event->position());
    if (!t.location || !event->mimeData() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const std::optional<QUuid> id = lireUuidStrict(event->mimeData()->text());
    if (!id)
        return; // not a driver's identifier: ignored without a word
    LocationDeBenne* l = t.location;
    // Handled on the next turn of the event loop, once the drag has finished.
    QTimer::singleShot(0, this, [this, l, id = *id] {
        if (l->isDeleted())
            return;
        m_actions->ecrire(QStringLiteral("🟢 Drop sur location ") + texteUuid(l->id()));
        const Issue issue = m_actions->attribuerChauffeurDepose(l, id);
        viewport()->update();
        if (!issue.ok)
            forms::showError(this, issue.messageErreur);
    });
}

// ---------------------------------------------------------------------------------------------
// Keyboard: a cell cursor moved by the arrows (the view follows it), Page Up/Down by a
// screenful, Home back to today; the rental under it answers Enter, Delete, Ctrl+D and the
// menu key.

void GrillePlanning::setCurseur(int colonne, int ligne)
{
    const int lignes = int(m_bennes.size());
    colonne = std::clamp(colonne, 0, kNombreJours - 1);
    ligne = lignes == 0 ? 0 : std::clamp(ligne, 0, lignes - 1);
    m_curseurColonne = colonne;
    m_curseurLigne = ligne;
    // Keep the cell in view.
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const QSize vue = viewport()->size();
    const int gauche = int(colonne * largeurColonne), droite = int((colonne + 1) * largeurColonne);
    if (gauche < h->value())
        h->setValue(gauche);
    else if (droite > h->value() + vue.width())
        h->setValue(droite - vue.width());
    const int haut = int(ligne * hauteurBenne), bas = int((ligne + 1) * hauteurBenne);
    if (haut < v->value())
        v->setValue(haut);
    else if (bas > v->value() + vue.height())
        v->setValue(bas - vue.height());
    viewport()->update();
}

LocationDeBenne* GrillePlanning::locationAuCurseur()
{
    const QList<Barre>& liste = barres(m_curseurLigne);
    for (auto it = liste.crbegin(); it != liste.crend(); ++it)
        if (m_curseurColonne >= it->colonnes.start && m_curseurColonne < it->colonnes.start + it->colonnes.nombre())
            return it->location;
    return nullptr;
}

void GrillePlanning::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_curseurVisible = true;
    if (m_curseurColonne < 0) {
        // Starts on today's column (or the first in view) and the first row in view.
        const int aujourdhui = jours().indexAujourdhui();
        const QPointF o = scrollOffset();
        const int colonne = aujourdhui >= 0 ? aujourdhui : int(o.x() / largeurColonne);
        m_curseurColonne = colonne;
        m_curseurLigne = int(std::ceil(o.y() / hauteurBenne));
        setCurseur(m_curseurColonne, m_curseurLigne);
    }
    viewport()->update();
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
    if (m_curseurColonne < 0)
        setCurseur(std::max(0, jours().indexAujourdhui()), 0);
    const int page = std::max(1, int(viewport()->height() / hauteurBenne) - 1);
    const int c = m_curseurColonne, l = m_curseurLigne;
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
        if (LocationDeBenne* loc = locationAuCurseur())
            demanderSuppression(loc);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_D && (event->modifiers() & Qt::ControlModifier)) {
        if (LocationDeBenne* loc = locationAuCurseur())
            dupliquer(loc);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left: setCurseur(c - 1, l); break;
    case Qt::Key_Right: setCurseur(c + 1, l); break;
    case Qt::Key_Up: setCurseur(c, l - 1); break;
    case Qt::Key_Down: setCurseur(c, l + 1); break;
    case Qt::Key_PageUp: setCurseur(c, l - page); break;
    case Qt::Key_PageDown: setCurseur(c, l + page); break;
    case Qt::Key_Home: setCurseur(std::max(0, jours().indexAujourdhui()), l); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (LocationDeBenne* loc = locationAuCurseur())
            emit locationTapped(loc);
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

} // namespace kv::planning
