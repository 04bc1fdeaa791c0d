#include "modifierlocation.h"

#include "feuillenouvellelocation.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPointer>

namespace kv {

QString texteModifierLocation()
{
    return QStringLiteral("Modifier la location…");
}

QKeySequence raccourciModifierLocation()
{
    return QKeySequence(Qt::Key_F2);
}

QDialog* modifierLocation(QWidget* over, ModelContext* context, LocationDeBenne* location, AdresseService* service)
{
    if (!location || location->isDeleted() || !context)
        return nullptr;
    if (FeuilleNouvelleLocation* ouverte = FeuilleNouvelleLocation::ouverteSur(over ? over->window() : nullptr)) {
        ouverte->raise();
        ouverte->activateWindow();
        return ouverte;
    }
    auto* feuille = new FeuilleNouvelleLocation(over, context, location, {}, service, Horloge::systeme());
    feuille->open();
    return feuille;
}

QAction* ajouterModifierLocation(QMenu* menu, QWidget* over, ModelContext* context, LocationDeBenne* location)
{
    QAction* action = menu->addAction(QIcon::fromTheme(QStringLiteral("document-edit")), texteModifierLocation());
    action->setObjectName(QStringLiteral("actionModifierLocation"));
    action->setShortcut(raccourciModifierLocation());
    // Shown, not taken: the screen answers its key itself.
    action->setShortcutContext(Qt::WidgetShortcut);
    QPointer<QWidget> ecran(over);
    QObject::connect(action, &QAction::triggered, menu, [ecran, context, location] {
        if (ecran)
            modifierLocation(ecran, context, location);
    });
    return action;
}

} // namespace kv
