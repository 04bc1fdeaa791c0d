// The bar's menu, from a right-click or from the keyboard's cell.

#include "grilleplanning.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include "rentals/modifierlocation.h"
#include "widgets/forms/dialogs.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace kv::planning {

void GrillePlanning::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (LocationDeBenne* l = toucher(event->pos()).location)
            ouvrirMenu(l, event->globalPos());
        return;
    }
    ouvrirMenuAuCurseur();
}

void GrillePlanning::ouvrirMenuAuCurseur()
{
    LocationDeBenne* l = locationAuCurseur();
    if (!l)
        return;
    // From the keyboard: under the cursor's cell, which is shown from now on.
    if (!m_curseurVisible) {
        m_curseurVisible = true;
        viewport()->update();
    }
    const QPointF o = scrollOffset();
    ouvrirMenu(l, viewport()->mapToGlobal(QPoint(int(m_curseurColonne * largeurColonne - o.x() + 10),
                                                 int(hautLigne(m_curseurLigne + 1) - o.y()))));
}

void GrillePlanning::ouvrirMenu(LocationDeBenne* l, const QPoint& ou)
{
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("menuBarre"));
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    // What the bar's tap, its duplicate button and Delete do, for the keyboard as for the mouse;
    // the keys that do it without the menu are shown beside.
    QAction* details = m_menu->addAction(symbolIcon(QStringLiteral("info.circle.fill")), QStringLiteral("Afficher les détails"));
    details->setObjectName(QStringLiteral("actionDetails"));
    details->setShortcut(QKeySequence(Qt::Key_Return));
    connect(details, &QAction::triggered, this, [this, l] {
        if (!l->isDeleted())
            emit locationTapped(l);
    });
    // The removal date, typed: the way to end a rental whose right handle stands far away.
    QAction* enlevement = m_menu->addAction(symbolIcon(QStringLiteral("calendar")),
                                            l->dateEnlevementMs() ? QStringLiteral("Changer la date d'enlèvement…")
                                                                  : QStringLiteral("Fixer la date d'enlèvement…"));
    enlevement->setObjectName(QStringLiteral("actionDateEnlevement"));
    connect(enlevement, &QAction::triggered, this, [this, l] {
        if (!l->isDeleted())
            demanderDateEnlevement(l);
    });
    QAction* dupliquer = m_menu->addAction(symbolIcon(QStringLiteral("doc.on.doc")),
                                           QStringLiteral("Dupliquer en rotation"));
    dupliquer->setObjectName(QStringLiteral("actionDupliquer"));
    dupliquer->setShortcut(toucheDupliquer());
    connect(dupliquer, &QAction::triggered, this, [this, l] {
        if (!l->isDeleted())
            this->dupliquer(l);
    });
    // A driver is given to the rental as by dropping his chip on the bar: the keyboard's way to it.
    // The drivers come in the strip's order, inactive ones too, since the strip offers them as well.
    QMenu* chauffeurs = m_menu->addMenu(symbolIcon(QStringLiteral("truck.box")), QStringLiteral("Attribuer au chauffeur"));
    chauffeurs->setObjectName(QStringLiteral("menuChauffeurs"));
    const QList<Chauffeur*> liste = m_context->fetch<Chauffeur>();
    for (const Chauffeur* c : liste) {
        // A typed "&" is a character, not a mnemonic; a long name keeps the menu narrow.
        QAction* a = chauffeurs->addAction(quotedBeginning(nomChauffeur(c), 60).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(a, &QAction::triggered, this, [this, l, id = c->id()] { attribuerChauffeur(l, id); });
    }
    if (liste.isEmpty()) {
        QAction* aucun = chauffeurs->addAction(QStringLiteral("Aucun chauffeur\u00A0: ajoutez-en dans « Liste des chauffeurs »"));
        aucun->setEnabled(false);
    }
    // What a drop or this menu gave is taken back here too: a wrong driver is taken off in one step.
    for (const bool pose : {true, false}) {
        const Chauffeur* c = pose ? l->chauffeurPose() : l->chauffeurEnlevement();
        if (!c)
            continue;
        QAction* retirer = m_menu->addAction(symbolIcon(QStringLiteral("xmark.circle")),
                                             pose ? QStringLiteral("Retirer le chauffeur de la pose")
                                                  : QStringLiteral("Retirer le chauffeur de l'enlèvement"));
        retirer->setObjectName(pose ? QStringLiteral("actionRetirerChauffeurPose")
                                    : QStringLiteral("actionRetirerChauffeurEnlevement"));
        // Whom it takes off, as the bar's tool tip names him.
        retirer->setToolTip(plainToolTip(quotedBeginning(nomChauffeur(c), 60)));
        connect(retirer, &QAction::triggered, this, [this, l, pose] {
            if (l->isDeleted())
                return;
            const Issue issue = m_actions->retirerChauffeur(l, pose);
            viewport()->update();
            if (!issue.ok)
                forms::showError(this, issue.messageErreur);
        });
    }
    ajouterModifierLocation(m_menu, this, m_context, l);
    m_menu->addSeparator();
    QAction* supprimer = m_menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"));
    supprimer->setObjectName(QStringLiteral("actionSupprimer"));
    supprimer->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(supprimer, &QAction::triggered, this, [this, l] { demanderSuppression(l); });
    // The shortcuts are shown, not taken: the grid answers its keys itself.
    for (QAction* a : m_menu->actions())
        a->setShortcutContext(Qt::WidgetShortcut);
    connect(m_menu, &QObject::destroyed, this, [this, menu = m_menu] {
        if (m_menu == menu)
            m_menu = nullptr;
    });
    m_menu->setToolTipsVisible(true);
    m_menu->popup(ou);
}

} // namespace kv::planning
