// The drivers' day under a drag: a card carried over the list and the drivers' names beside it,
// the rows folded to their names on a short list, the column marked where a release puts it;
// and the card's menu, which does from the keyboard what a drag does.

#include "vueplanningchauffeurs.h"

#include "chauffeurcard.h"
#include "planningoperation.h"
#include "prestationcard.h"
#include "prestationscolumn.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/records.h"
#include "rentals/modifierlocation.h"
#include "widgets/dragautoscroller.h"
#include "widgets/dragrule.h"

#include <QApplication>
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
        // What is dragged decides which box of a column is marked; read without a trace, the
        // drop alone reports.
        const std::optional<PrestationDragItem> item =
            decoderDrop(ItemRecu::depuis(static_cast<QDropEvent*>(event)->mimeData()), [](const QString&) {});
        m_typeGlisse = item ? std::optional(item->type) : std::nullopt;
        m_pointeurGlisse = dansLaVue(static_cast<QDropEvent*>(event)->position());
        // An operation's card is held: its own driver's row is where the drag starts from.
        const LocationDeBenne* location = item ? m_context->find<LocationDeBenne>(item->prestationID) : nullptr;
        const Chauffeur* sien = !location                           ? nullptr
                                : item->type == TypePrestation::pose ? location->chauffeurPose()
                                                                     : location->chauffeurEnlevement();
        // Without a driver, the card comes from the work to give out.
        RangeeChauffeur* sienne = location ? rangee(sien) : nullptr;
        // It starts from there when one of the list's cards is held, or when it comes in over
        // that row (a card brought from elsewhere onto another driver is aimed at him).
        if (sienne && !sienne->glisserEnCours()) {
            const int y = m_pointeurGlisse->y() + m_defilement->verticalScrollBar()->value();
            if (m_plie || y < sienne->y() || y >= sienne->y() + sienne->height())
                sienne = nullptr;
        }
        if (m_typeGlisse && listeCourte())
            plier(*m_pointeurGlisse, sienne);
        // Back over the list from the names beside it, a card of the list still held: the same drag.
        if (m_regleGlisser->active() && glisserEnCours())
            m_defilementAuto->begin();
        else
            m_regleGlisser->begin(*m_pointeurGlisse, sienne ? sienne->colonne() : nullptr);
        [[fallthrough]];
    }
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        // The entry's place was read before the rows folded: the content has moved since.
        if (event->type() == QEvent::DragMove)
            m_pointeurGlisse = dansLaVue(e->position());
        PrestationsColumn* colonne = m_regleGlisser->aim(*m_pointeurGlisse, colonneEn(*m_pointeurGlisse));
        marquer(colonne);
        // The entry is taken wherever it is: a widget that refuses a drag as it enters gets
        // none of its later moves nor its drop, and a hand brings a card into the names beside
        // or under the one it is meant for. The moves alone tell where a drop is possible.
        if (colonne || event->type() == QEvent::DragEnter)
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::DragLeave:
        m_pointeurGlisse.reset();
        marquer(nullptr);
        m_typeGlisse.reset();
        // Going from the list to the names is a leave and an enter at once: the rows stay
        // folded then, and the drag goes on, while a card of the list is still held.
        if (glisserEnCours())
            m_defilementAuto->end();
        else
            m_regleGlisser->end();
        QTimer::singleShot(0, this, [this] {
            if (!m_pointeurGlisse && !glisserEnCours())
                deplier();
        });
        return true;
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        // The column marked where the pointer is let go, or nothing.
        PrestationsColumn* colonne = m_regleGlisser->aim(dansLaVue(e->position()), colonneEn(dansLaVue(e->position())));
        m_regleGlisser->end();
        m_pointeurGlisse.reset();
        marquer(nullptr);
        m_typeGlisse.reset();
        m_suivreDepot = false;
        if (colonne && colonne->recevoirDrop(e->mimeData())) {
            e->acceptProposedAction();
            // The rows unfold around the driver who takes the card, where the user let it go,
            // rather than back where the drag began; the card is then followed into view.
            for (RangeeChauffeur* r : std::as_const(m_rangees))
                if (r->colonne() == colonne && m_plie && r != m_rangeeAncre) {
                    m_rangeeAncre = r;
                    m_hautAncre = r->y() - m_defilement->verticalScrollBar()->value();
                    m_suivreDepot = true;
                }
        } else {
            e->ignore();
        }
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

void VuePlanningChauffeurs::plier(const QPoint& pointeurVue, RangeeChauffeur* sienne)
{
    if (m_plie)
        return;
    m_plie = true;
    QScrollBar* barre = m_defilement->verticalScrollBar();
    const int yListe = pointeurVue.y() + barre->value();
    // The dragged card's own driver stays under the pointer; a drag from elsewhere keeps the row
    // it came in over.
    m_rangeeAncre = sienne;
    if (!sienne)
        for (RangeeChauffeur* r : std::as_const(m_rangees))
            if (r->y() <= yListe)
                m_rangeeAncre = r;
    m_hautAncre = m_rangeeAncre ? m_rangeeAncre->y() - barre->value() : 0;
    // The pressed card holds the keyboard: hidden with its column, it would hand it on to the
    // next stop of the list, scrolled into view far away. The list keeps it meanwhile.
    QWidget* clavier = QApplication::focusWidget();
    if (clavier && m_defilement->widget()->isAncestorOf(clavier)) {
        m_clavierAvantPli = clavier;
        m_defilement->setFocus(Qt::OtherFocusReason);
    }
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
    if (m_clavierAvantPli && m_clavierAvantPli->isVisible() && m_defilement->hasFocus())
        m_clavierAvantPli->setFocus(Qt::OtherFocusReason);
    m_clavierAvantPli.clear();
    planifierConstruction();
}

void VuePlanningChauffeurs::marquerSousPointeur()
{
    if (!m_pointeurGlisse || !m_regleGlisser->active())
        return;
    marquer(m_regleGlisser->aim(*m_pointeurGlisse, colonneEn(*m_pointeurGlisse)));
}

QMenu* VuePlanningChauffeurs::menuAttribution(LocationDeBenne* location, TypePrestation type,
                                              const QPoint& positionGlobale)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menuAttribution"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const Chauffeur* actuel = type == TypePrestation::pose ? location->chauffeurPose() : location->chauffeurEnlevement();
    const PrestationDragItem item{location->id(), type};
    // The drivers by name, those who could take it: all but the one who has it.
    QMenu* attribuer = menu->addMenu(QStringLiteral("&Attribuer à…"));
    attribuer->setObjectName(QStringLiteral("menuAttribuerA"));
    QList<Chauffeur*> autres = chauffeurs();
    autres.removeAll(const_cast<Chauffeur*>(actuel));
    const auto nomDe = [](const Chauffeur* c) { return c->prenom() + QLatin1Char(' ') + c->nom(); };
    std::stable_sort(autres.begin(), autres.end(),
                     [&](const Chauffeur* a, const Chauffeur* b) { return nameLessThan(nomDe(a), nomDe(b)); });
    attribuer->setEnabled(!autres.isEmpty());
    for (Chauffeur* c : std::as_const(autres)) {
        // A typed "&" is a character, not a mnemonic.
        QString nom = nomDe(c);
        QAction* action = attribuer->addAction(nom.replace(QLatin1Char('&'), QStringLiteral("&&")));
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
    // What a drop or this menu gave is taken back here too: a wrong driver is off in one step.
    if (actuel) {
        menu->addSeparator();
        QAction* retirer = menu->addAction(type == TypePrestation::pose
                                               ? QStringLiteral("Retirer le chauffeur de la pose")
                                               : QStringLiteral("Retirer le chauffeur de l'enlèvement"));
        retirer->setObjectName(QStringLiteral("actionRetirerChauffeur"));
        connect(retirer, &QAction::triggered, this, [this, item] {
            // The card leaves the day: the keyboard goes to the card after it, or before it.
            const QList<QWidget*> cartes = arretsClavier(true);
            const auto cetteCarte = std::find_if(cartes.cbegin(), cartes.cend(), [&item](QWidget* w) {
                const auto* c = qobject_cast<PrestationCard*>(w);
                return c && c->type() == item.type && c->location() && c->location()->id() == item.prestationID;
            });
            PrestationCard* voisine = nullptr;
            if (cetteCarte != cartes.cend()) {
                const auto i = cetteCarte - cartes.cbegin();
                voisine = qobject_cast<PrestationCard*>(cartes.value(i + 1 < cartes.size() ? i + 1 : i - 1));
            }
            QString erreur;
            const ResultatAttribution r = attribuerPrestation(item, nullptr, m_context, m_trace, &erreur);
            if (r == ResultatAttribution::echecSauvegarde) {
                montrerErreur(QStringLiteral("echecAttribution"), QStringLiteral("Échec de la sauvegarde: ") + erreur);
            } else if (r == ResultatAttribution::attribue && voisine && voisine->location()) {
                m_carteSuivie = PrestationDragItem{voisine->location()->id(), voisine->type()};
                m_chauffeurSuivi = voisine->type() == TypePrestation::pose ? voisine->location()->chauffeurPose()
                                                                           : voisine->location()->chauffeurEnlevement();
            }
        });
    }
    menu->addSeparator();
    ajouterModifierLocation(menu, this, m_context, location);
    menu->popup(positionGlobale);
    return menu;
}

} // namespace kv
