#include "screens.h"

#include <QLabel>
#include <QVBoxLayout>

// Adding a screen: its library's CMake target makes src/app/CMakeLists.txt define
// KV_HAS_<FOLDER> (KV_HAS_CLIENTS for the target `clients`, KV_HAS_FLEET, KV_HAS_WASTES, …).
// Put the screen's #include in the block of its folder just below, then replace the
// `return nullptr;` of its command in screenFor() by the line that builds it, e.g.
//     case Commande::clients: return new VueClients(in.context, parent);
// inside that command's #ifdef block. Nothing else changes: a command whose case returns null
// shows its placeholder.

#ifdef KV_HAS_PLANNING
#include "planning/vueplanificationbennes.h"
#endif
#ifdef KV_HAS_WEIGHING
#endif
#ifdef KV_HAS_REPORTS
#include "reports/exportfacturationview.h"
#endif
#ifdef KV_HAS_RENTALS
#endif
#ifdef KV_HAS_DRIVERPLANNING
#include "driverplanning/preferencesemailchauffeurview.h"
#include "driverplanning/vueplanningchauffeurs.h"
#endif
#ifdef KV_HAS_STATS
#include "stats/cartebenneslouees.h"
#include "stats/vuestatistiques.h"
#endif
#ifdef KV_HAS_FLEET
#include "fleet/vuebennes.h"
#endif
#ifdef KV_HAS_CLIENTS
#include "clients/vueclients.h"
#endif
#ifdef KV_HAS_DRIVERS
#endif
#ifdef KV_HAS_WASTES
#include "wastes/centreslistview.h"
#include "wastes/gestiontypesdechetsview.h"
#endif

namespace kv {

namespace {

// The screen of a command, or null when it has none yet.
QWidget* screenFor(Commande commande, [[maybe_unused]] const ScreenInputs& in,
                   [[maybe_unused]] QWidget* parent)
{
    switch (commande) {
    case Commande::defaut:
#ifdef KV_HAS_PLANNING
        return new VuePlanificationBennes(in.context, in.demanderCentrageSurAujourdhui, parent);
#else
        return nullptr;
#endif
    case Commande::bonDePesee:
#ifdef KV_HAS_WEIGHING
        // LocationsEtPeseeView(in.context, parent)
#endif
        return nullptr;
    case Commande::exportFacturation:
#ifdef KV_HAS_REPORTS
        return new ExportFacturationView(in.context, parent);
#else
        return nullptr;
#endif
    case Commande::planification:
#ifdef KV_HAS_RENTALS
        // VueLocationBenne(in.context, in.clients, in.bennes, in.locations, in.selectedClient,
        //                  in.selectedLocation, in.showBennes, in.selectedClientID,
        //                  in.bennesReadyForClientID, in.formatter, in.dateFormatter, parent)
#endif
        return nullptr;
    case Commande::planningChauffeur:
#ifdef KV_HAS_DRIVERPLANNING
        return new VuePlanningChauffeurs(in.context, parent);
#else
        return nullptr;
#endif
    case Commande::cartebenneslouees:
#ifdef KV_HAS_STATS
        return new CarteBennesLouees(in.locations, in.demanderZoomSurToutesLesBennes, parent);
#else
        return nullptr;
#endif
    case Commande::statistiques:
#ifdef KV_HAS_STATS
        return new VueStatistiques(in.context, parent);
#else
        return nullptr;
#endif
    case Commande::bennes:
#ifdef KV_HAS_FLEET
        return new VueBennes(in.context, parent);
#endif
        return nullptr;
    case Commande::clients:
#ifdef KV_HAS_CLIENTS
        return new VueClients(in.context, parent);
#endif
        return nullptr;
    case Commande::chauffeurs:
#ifdef KV_HAS_DRIVERS
        // VueChauffeurs(in.context, parent)
#endif
        return nullptr;
    case Commande::dechets:
#ifdef KV_HAS_WASTES
        return new GestionTypesDechetsView(in.context, parent);
#else
        return nullptr;
#endif
    case Commande::centreDechets:
#ifdef KV_HAS_WASTES
        return new CentresListView(in.context, parent);
#else
        return nullptr;
#endif
    case Commande::preferences:
#ifdef KV_HAS_DRIVERPLANNING
        return new PreferencesEmailChauffeurView(in.context, parent);
#else
        return nullptr;
#endif
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
