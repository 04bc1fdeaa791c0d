#include "screens.h"

#include <QLabel>
#include <QVBoxLayout>

#include "clients/vueclients.h"
#include "drivers/vuechauffeurs.h"
#include "driverplanning/preferencesemailchauffeurview.h"
#include "driverplanning/vueplanningchauffeurs.h"
#include "fleet/vuebennes.h"
#include "planning/vueplanificationbennes.h"
#include "reports/exportfacturationview.h"
#include "rentals/vuelocationbenne.h"
#include "stats/cartebenneslouees.h"
#include "stats/vuestatistiques.h"
#include "wastes/centreslistview.h"
#include "wastes/gestiontypesdechetsview.h"
#include "weighing/locationsetpeseeview.h"

namespace kv {

namespace {

// The screen of a command, or null while it has none yet (its placeholder shows then). Adding a
// screen: its library (kestrovan_add_screens) is linked by the application already; include its
// header above and build it in its command's place.
QWidget* screenFor(Commande commande, const ScreenInputs& in, QWidget* parent)
{
    switch (commande) {
    case Commande::defaut:
        return new VuePlanificationBennes(in.context, in.demanderCentrageSurAujourdhui, parent);
    case Commande::bonDePesee:
        return new LocationsEtPeseeView(in.context, parent);
    case Commande::exportFacturation:
        return new ExportFacturationView(in.context, parent);
    case Commande::planification: {
        VueLocationBenne::Entrees e;
        e.context = in.context;
        e.clients = in.clients;
        e.bennes = in.bennes;
        e.selectedClientID = in.selectedClientID;
        e.bennesReadyForClientID = in.bennesReadyForClientID;
        e.selectedLocation = in.selectedLocation;
        e.formatter = in.formatter;
        e.dateFormatter = in.dateFormatter;
        return new VueLocationBenne(e, parent);
    }
    case Commande::planningChauffeur:
        return new VuePlanningChauffeurs(in.context, parent);
    case Commande::cartebenneslouees:
        return new CarteBennesLouees(in.locations, in.demanderZoomSurToutesLesBennes, parent);
    case Commande::statistiques:
        return new VueStatistiques(in.context, parent);
    case Commande::bennes:
        return new VueBennes(in.context, parent);
    case Commande::clients:
        return new VueClients(in.context, parent);
    case Commande::chauffeurs:
        return new VueChauffeurs(in.context, parent);
    case Commande::dechets:
        return new GestionTypesDechetsView(in.context, parent);
    case Commande::centreDechets:
        return new CentresListView(in.context, parent);
    case Commande::preferences:
        return new PreferencesEmailChauffeurView(in.context, parent);
    }
    return nullptr;
}

const char* const kPlaceholderName = "placeholderScreen";

QWidget* placeholder(Commande commande, QWidget* parent)
{
    auto* screen = new QWidget(parent);
    screen->setObjectName(QString::fromLatin1(kPlaceholderName));
    auto* layout = new QVBoxLayout(screen);
    auto* title = new QLabel(titre(commande), screen);
    title->setObjectName(QStringLiteral("placeholderTitle"));
    title->setAlignment(Qt::AlignCenter);
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 2);
    f.setWeight(QFont::Light);
    title->setFont(f);
    layout->addWidget(title);
    return screen;
}

} // namespace

QWidget* createScreen(Commande commande, const ScreenInputs& inputs, QWidget* parent)
{
    if (QWidget* screen = screenFor(commande, inputs, parent))
        return screen;
    return placeholder(commande, parent);
}

bool isPlaceholderScreen(const QWidget* screen)
{
    return screen && screen->objectName() == QLatin1String(kPlaceholderName);
}

} // namespace kv
