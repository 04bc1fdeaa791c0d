// The drivers' day under a drag: a card carried over the list and the drivers' names beside it,
// the rows folded to their names on a short list, the column marked where a release puts it;
// and the card's menu, which does from the keyboard what a drag does.

#include "vueplanningchauffeurs.h"

#include "chauffeurcard.h"
#include "planningoperation.h"
#include "prestationcard.h"
#include "prestationscolumn.h"

#include "model/records.h"
#include "widgets/dragautoscroller.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

namespace {

// Between the folded rows and their dividers.
constexpr int kEspacePlie = 2;
// A list shorter than this many lines of text shows too little of a row for a card to be
// dragged to another driver in sight: its rows fold while a card is dragged.
constexpr int kLignesListeCourte = 20;

} // namespace

ChauffeurCard* VuePlanningChauffeurs::carteEn(const QPoint& pointVue) const
{
    QWidget* noms = nomsChauffeurs();
    const QPoint point = pointVue + m_defilement->viewport()->pos() - noms->pos();
    if (!noms->rect().contains(point))
        return nullptr;
    for (QWidget* w = noms->childAt(point); w && w != noms; w = w->parentWidget())
        if (auto* carte = qobject_cast<ChauffeurCard*>(w))
            return carte;
    return nullptr;
}

PrestationsColumn* VuePlanningChauffeurs::colonneEn(const QPoint& pointVue) const
{
    // A driver's card stands for his column: held in view, it may be all of his row in sight.
    if (ChauffeurCard* carte = carteEn(pointVue)) {
        for (RangeeChauffeur* r : m_rangees)
            if (r->carteChauffeur() == carte)
                return r->colonne();
        return nullptr;
    }
    if (!m_defilement->viewport()->rect().contains(pointVue))
        return nullptr;
    QWidget* contenu = m_defilement->widget();
    for (QWidget* w = contenu->childAt(contenu->mapFrom(m_defilement->viewport(), pointVue)); w && w != contenu;
         w = w->parentWidget()) {
        if (auto* colonne = qobject_cast<PrestationsColumn*>(w))
            return colonne;
        if (auto* r = qobject_cast<RangeeChauffeur*>(w); r && r->pliee())
            return r->colonne();
    }
    return nullptr;
}

// Drags over the list and over the drivers' names beside it: the list scrolls at its very edges
// and takes the wheel; a drop goes to the column under the pointer at the drop, or to the driver
// whose card is there.
bool VuePlanningChauffeurs::glisserSurLaListe(QObject* objet, QEvent* event)
{
    auto* cible = static_cast<QWidget*>(objet);
    const auto dansLaVue = [&](const QPointF& position) {
        return cible->mapTo(m_defilement, position.toPoint()) - m_defilement->viewport()->pos();
    };
    switch (event->type()) {
    case QEvent::DragEnter: {
        m_defilementAuto->begin();
        // What is dragged decides which box of a column is marked; read without a trace, the
        // drop alone reports.
        const std::optional<PrestationDragItem> item =
            decoderDrop(ItemRecu::depuis(static_cast<QDropEvent*>(event)->mimeData()), [](const QString&) {});
        m_typeGlisse = item ? std::optional(item->type) : std::nullopt;
        [[fallthrough]];
    }
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        m_pointeurGlisse = dansLaVue(e->position());
        if (event->type() == QEvent::DragEnter && m_typeGlisse && listeCourte())
            plier(*m_pointeurGlisse);
        m_defilementAuto->pointerAt(*m_pointeurGlisse);
        PrestationsColumn* colonne = colonneEn(*m_pointeurGlisse);
        marquer(colonne);
        // Near an edge the list moves under the pointer: what lies there at the drop counts.
        // The entry is taken wherever it is: a widget that refuses a drag as it enters gets
        // none of its later moves nor its drop, and a hand brings a card into the names beside
        // or under the one it is meant for. The moves alone tell where a drop is possible.
        if (colonne || m_defilementAuto->isScrolling() || event->type() == QEvent::DragEnter)
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::DragLeave:
        m_defilementAuto->end();
        m_pointeurGlisse.reset();
        marquer(nullptr);
        m_typeGlisse.reset();
        // Going from the list to the names is a leave and an enter at once: the rows stay
        // folded then, and while a card of the list is still held.
        QTimer::singleShot(0, this, [this] {
            if (!m_pointeurGlisse && !glisserEnCours())
                deplier();
        });
        return true;
    case QEvent::Drop: {
        m_defilementAuto->end();
        m_pointeurGlisse.reset();
        marquer(nullptr);
        m_typeGlisse.reset();
        auto* e = static_cast<QDropEvent*>(event);
        // Where the pointer is now: the list may have moved under it since the last move.
        PrestationsColumn* colonne = colonneEn(dansLaVue(e->position()));
        if (colonne && colonne->recevoirDrop(e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
        deplier();
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
        colonne->setMarquee(true, m_typeGlisse);
    // A folded row shows the mark of its hidden column.
    if (m_plie)
        for (RangeeChauffeur* r : std::as_const(m_rangees))
            r->update();
}

bool VuePlanningChauffeurs::listeCourte() const
{
    return m_defilement->viewport()->height() < kLignesListeCourte * fontMetrics().height();
}

void VuePlanningChauffeurs::poserListe()
{
    for (int passe = 0; passe < 4; ++passe) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        m_liste->activate();
    }
    QCoreApplication::sendPostedEvents(m_defilement, QEvent::LayoutRequest);
}

void VuePlanningChauffeurs::plier(const QPoint& pointeurVue)
{
    if (m_plie)
        return;
    m_plie = true;
    QScrollBar* barre = m_defilement->verticalScrollBar();
    const int yListe = pointeurVue.y() + barre->value();
    m_rangeeAncre = nullptr;
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        if (r->y() <= yListe)
            m_rangeeAncre = r;
    m_hautAncre = m_rangeeAncre ? m_rangeeAncre->y() - barre->value() : 0;
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->setPliee(true);
    m_espaceDeplie = m_liste->spacing();
    m_liste->setSpacing(kEspacePlie);
    m_margesDepliees = m_liste->contentsMargins();
    // The names now in view are built before the list is painted; the row the drag started
    // from stays under the pointer, its neighbours' names above and below it. Near an end of
    // the list, room is left beyond it: the pointer never rests on another driver as it folds,
    // where letting go at once would give him the card.
    for (int passe = 0; passe < 2; ++passe) {
        poserListe();
        if (!m_rangeeAncre)
            break;
        const int haut = m_rangeeAncre->y() + m_rangeeAncre->height() / 2 - pointeurVue.y();
        QMargins marges = m_liste->contentsMargins();
        if (haut < barre->minimum())
            marges.setTop(marges.top() + barre->minimum() - haut);
        else if (haut > barre->maximum())
            marges.setBottom(marges.bottom() + haut - barre->maximum());
        if (marges != m_liste->contentsMargins()) {
            m_liste->setContentsMargins(marges);
            poserListe();
        }
        barre->setValue(m_rangeeAncre->y() + m_rangeeAncre->height() / 2 - pointeurVue.y());
        construireVisibles();
    }
}

void VuePlanningChauffeurs::deplier()
{
    if (!m_plie)
        return;
    m_plie = false;
    for (RangeeChauffeur* r : std::as_const(m_rangees))
        r->setPliee(false);
    m_liste->setSpacing(m_espaceDeplie);
    m_liste->setContentsMargins(m_margesDepliees);
    poserListe();
    // Back as the list was before the drag.
    if (m_rangeeAncre)
        m_defilement->verticalScrollBar()->setValue(m_rangeeAncre->y() - m_hautAncre);
    m_rangeeAncre.clear();
    planifierConstruction();
}

void VuePlanningChauffeurs::marquerSousPointeur()
{
    if (!m_pointeurGlisse)
        return;
    marquer(colonneEn(*m_pointeurGlisse));
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
            const ResultatAttribution r = attribuerPrestation(item, c, m_context, m_trace, &erreur);
            if (r == ResultatAttribution::echecSauvegarde) {
                montrerErreur(QStringLiteral("echecAttribution"), QStringLiteral("Échec de la sauvegarde: ") + erreur);
            } else if (r == ResultatAttribution::attribue) {
                // The notice of the change rebuilds both rows; the focus follows then.
                m_carteSuivie = item;
                m_chauffeurSuivi = c;
            }
        });
    }
    menu->popup(positionGlobale);
    return menu;
}

} // namespace kv
