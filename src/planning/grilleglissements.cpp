// The grid's drags: a bar held and moved or stretched by whole days, and a driver's chip
// brought from the strip onto a bar.

#include "grilleplanning.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/modelcontext.h"
#include "widgets/dialogconventions.h"
#include "widgets/dragautoscroller.h"
#include "widgets/dragrule.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"

#include <QDragEnterEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace kv::planning {

// ---------------------------------------------------------------------------------------------
// A bar held by its body or a handle

void GrillePlanning::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // A right-click aims at what is under the pointer: the keyboard's cell goes there, and
        // the focus it may bring never moves the view.
        m_curseurVisible = false;
        placerCurseurSous(event->position());
        m_curseurBarre = toucher(event->position()).location;
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (m_geste && m_geste->enQuestion)
        return; // a bar waits for the answer to its question
    setFocus(Qt::MouseFocusReason);
    // The keyboard's cell follows the pointer's, and stays out of sight until a key is used.
    m_curseurVisible = false;
    placerCurseurSous(event->position());
    const Touche t = toucher(event->position());
    m_curseurBarre = t.location; // on a stack, the keys act on the bar clicked
    if (!t.location) {
        m_geste.reset();
        return;
    }
    m_geste = Geste{t, event->position() + scrollOffset(), event->position(), 0, false};
    event->accept();
}

void GrillePlanning::suivreGeste(const QPointF& pointVue)
{
    if (m_geste->enQuestion)
        return; // stays where it was let go until the question is answered
    m_geste->pointeur = pointVue;
    m_geste->dx = pointVue.x() + scrollOffset().x() - m_geste->departContenu.x();
    // Only the bar's row changes (its badges and shadows reach a little past it).
    const double haut = hautLigne(m_geste->touche.ligne) - scrollOffset().y();
    viewport()->update(QRectF(0, haut - 12, viewport()->width(), hauteurLigne(m_geste->touche.ligne) + 24).toAlignedRect());
}

void GrillePlanning::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_geste) {
        majSurvol(event->position());
        return;
    }
    if (!(event->buttons() & Qt::LeftButton) || m_geste->enQuestion)
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
    if (event->button() != Qt::LeftButton || !m_geste || m_geste->enQuestion) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    terminerGlissement(event->position());
}

std::optional<DatesLocation> GrillePlanning::datesDuGeste(const Geste& geste)
{
    const LocationDeBenne* l = geste.touche.location;
    // Held in the margin while the grid scrolls under it, the bar aims at no day: it shows, and a
    // release there keeps, its dates as they are.
    if (!l || l->isDeleted() || (m_defilementAuto->isScrolling() && m_defilementAuto->scrollsAt(geste.pointeur.toPoint())))
        return std::nullopt;
    double translation = geste.dx;
    Prise prise = Prise::corps;
    switch (geste.touche.zone) {
    case Zone::corps: break;
    case Zone::poigneeGauche: prise = Prise::debut; break;
    case Zone::poigneeDroite:
        prise = Prise::fin;
        if (geste.touche.colonnes.ouverte && joursDeTranslation(translation) != 0) {
            // The handle of an open-ended bar stands at the grid's end: the removal goes to
            // the day where it is let go, counted from the placement.
            const JoursGrille& j = jours();
            const QDate pose = localDayOf(l->datePoseMs(), m_actions->horloge().zone);
            translation += double(pose.daysTo(j.date(j.count() - 1).addDays(1))) * largeurColonne;
        }
        break;
    default: return std::nullopt;
    }
    return m_actions->datesApresGlissement(l, prise, translation);
}

void GrillePlanning::terminerGlissement(const QPointF& pointVue)
{
    if (m_geste->glisse)
        suivreGeste(pointVue);
    const Geste geste = *m_geste;
    // What the release stores, read while the grid may still be scrolling under it.
    const std::optional<DatesLocation> dates = datesDuGeste(geste);
    m_defilementAuto->end();
    LocationDeBenne* l = geste.touche.location;
    if (!l || l->isDeleted()) {
        m_geste.reset();
        viewport()->update(); // deleted while it was held
        return;
    }
    // A click whose pointer trembled by a pixel or two is still a click.
    const QPointF deplacement = pointVue + scrollOffset() - geste.departContenu;
    const bool tremblement = deplacement.manhattanLength() < 3;
    if (geste.glisse && !tremblement) {
        // The keyboard's cell goes with the part of the bar that was held.
        placerCurseurSous(QPointF(pointVue.x(), geste.departContenu.y() - scrollOffset().y()));
        if (dates) {
            conclureGeste(geste, *dates);
        } else {
            m_geste.reset();
            viewport()->update();
        }
        majSurvol(pointVue);
        return;
    }
    m_geste.reset();
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

void GrillePlanning::appliquerDates(LocationDeBenne* location, const DatesLocation& dates)
{
    if (m_actions->appliquer(location, dates)) {
        // Redrawn at its new columns now, not a turn later; its row may change height.
        m_barres.remove(location->benne());
        m_hauts.clear();
        majBarresDefilement();
    }
    viewport()->update();
}

void GrillePlanning::conclureGeste(const Geste& geste, const DatesLocation& dates)
{
    changerDates(geste.touche.location, dates);
}

void GrillePlanning::changerDates(LocationDeBenne* l, const DatesLocation& dates, QWidget* dessus,
                                  std::function<void(bool)> fini)
{
    // Only a booking the change runs into is asked about: one the rental already shared days
    // with was accepted before.
    const QList<LocationDeBenne*> deja = chevauchements(l, {l->datePoseMs(), l->dateEnlevementMs()});
    QList<LocationDeBenne*> autres = chevauchements(l, dates);
    autres.removeIf([&](LocationDeBenne* a) { return deja.contains(a); });
    if (autres.isEmpty()) {
        m_geste.reset();
        appliquerDates(l, dates);
        if (fini)
            fini(true);
        return;
    }
    // A held bar stays where it was let go while the user decides; nothing is written before.
    if (m_geste)
        m_geste->enQuestion = true;
    viewport()->update();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Benne déjà louée"), QStringLiteral("Benne déjà louée"),
                                QMessageBox::NoButton, dessus ? dessus : window());
    box->setObjectName(QStringLiteral("confirmationChevauchement"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setText(texteChevauchement(l, dates, autres));
    QPushButton* oui = box->addButton(QStringLiteral("Louer quand même"), QMessageBox::AcceptRole);
    QPushButton* non = box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box->setDefaultButton(non);
    box->setEscapeButton(non);
    giveAltLetters(box);
    forms::fitMessageBox(box);
    m_questionChevauchement = box;
    connect(box, &QMessageBox::finished, this, [this, box, oui, l, dates, fini] {
        const bool garder = box->clickedButton() == oui && !l->isDeleted();
        m_geste.reset();
        if (garder)
            appliquerDates(l, dates);
        viewport()->update(); // « Annuler »: the bar is back where it was, as the store still has it
        if (fini)
            fini(garder);
    });
    box->open();
}

// ---------------------------------------------------------------------------------------------
// Driver drops

void GrillePlanning::viserDepot(std::optional<QPoint> pointVue)
{
    m_pointeurDepot = pointVue;
    // The bar outlined is the one a release gives the driver to: none while the grid moves
    // under the pointer at its edge.
    LocationDeBenne* cible = pointVue ? m_regleGlisser->aim(*pointVue, toucher(*pointVue).location) : nullptr;
    if (cible == m_cibleDepot)
        return;
    m_cibleDepot = cible;
    viewport()->update();
}

void GrillePlanning::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasText()) {
        event->acceptProposedAction();
        m_defilementAuto->setDirections(Qt::Horizontal | Qt::Vertical);
        m_regleGlisser->begin(event->position().toPoint());
        viserDepot(event->position().toPoint());
    } else {
        event->ignore();
    }
}

void GrillePlanning::dragMoveEvent(QDragMoveEvent* event)
{
    viserDepot(event->position().toPoint());
    // Taken over a bar only: elsewhere, and at the edge while the grid scrolls, a release
    // would change nothing, and the pointer says so.
    if (m_cibleDepot && event->mimeData() && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void GrillePlanning::dragLeaveEvent(QDragLeaveEvent* event)
{
    viserDepot(std::nullopt);
    m_regleGlisser->end();
    QAbstractScrollArea::dragLeaveEvent(event);
}

void GrillePlanning::dropEvent(QDropEvent* event)
{
    // The bar outlined where the pointer is let go, or nothing.
    viserDepot(event->position().toPoint());
    LocationDeBenne* l = m_cibleDepot;
    viserDepot(std::nullopt);
    m_regleGlisser->end();
    if (!l || !event->mimeData() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const std::optional<QUuid> id = lireUuidStrict(event->mimeData()->text());
    if (!id)
        return; // not a driver's identifier: ignored without a word
    // Handled on the next turn of the event loop, once the drag has finished.
    QTimer::singleShot(0, this, [this, l, id = *id] {
        if (l->isDeleted())
            return;
        m_actions->ecrire(QStringLiteral("🟢 Drop sur location ") + texteUuid(l->id()));
        attribuerChauffeur(l, id);
    });
}

void GrillePlanning::attribuerChauffeur(LocationDeBenne* location, const QUuid& chauffeurId)
{
    if (!location || location->isDeleted())
        return;
    // What the drop may change: this rental's drivers, and the placing driver of a rental that
    // starts as this one ends (the skip's next job at that address). A save that fails puts them
    // back, so that the bars never show a driver the file does not hold.
    Chauffeur* const pose = location->chauffeurPose();
    Chauffeur* const enlevement = location->chauffeurEnlevement();
    QList<LocationDeBenne*> suivantesLibres;
    if (const std::optional<qint64> fin = location->dateEnlevementMs(); fin && location->adresse())
        for (LocationDeBenne* l : m_context->all<LocationDeBenne>())
            if (l != location && l->datePoseMs() == *fin && !l->chauffeurPose())
                suivantesLibres.append(l);
    const Issue issue = m_actions->attribuerChauffeurDepose(location, chauffeurId);
    if (!issue.ok) {
        if (!location->isDeleted()) {
            location->setChauffeurPose(pose);
            location->setChauffeurEnlevement(enlevement);
        }
        for (LocationDeBenne* l : std::as_const(suivantesLibres))
            if (!l->isDeleted())
                l->setChauffeurPose(nullptr);
    }
    viewport()->update();
    if (!issue.ok)
        forms::showError(this, issue.messageErreur);
    else if (!issue.avis.isEmpty())
        informer(QStringLiteral("Aucun changement"), issue.avis);
}

} // namespace kv::planning
