// Clicks as the real program meets them the first time: each in a fresh process (this program
// run again with "--premiere-visite"), on the large office, in a main window of 1600 × 1000,
// offline (the map and address services at a port where nothing listens), nothing done before
// but opening the store and showing the screen. The figure is the CPU time of
// every thread of the process from the click until it stays unchanged for 300 ms (or, for the
// export, until its file dialog is painted): what a user waits for on a busy machine.
// Then the memory a main window leaves behind once closed ("--fenetres"): a window opened, two
// commands shown in it, closed, 70 times over; the figure is the middle of the 70 cycles' growths.
#include "office.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "model/modelcontext.h"
#include "planning/vueplanificationbennes.h"
#include "platform/mapwidget.h"
#include "reports/exportfacturationview.h"
#include "rentals/cartoucheanime.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuelocationbenne.h"
#include "stats/cartebenneslouees.h"
#include "stats/relocalisationlocations.h"
#include "stats/vuestatistiques.h"
#include "widgets/searchablepicker.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateEdit>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace kv;
using kv::bench::settle;

namespace {

constexpr double kLimitMs = 50;
constexpr int kRuns = 3;
constexpr int kCycles = 70;
constexpr double kLimitKbPerCycle = 4;

double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// CPU time from `since` (a reading of cpuMs) until the process has used none for 300 ms and
// `done` holds; the event loop sleeps between its events meanwhile. Negative after 20 s.
double cpuUntilQuiet(double since, const std::function<bool()>& done)
{
    constexpr int kTickMs = 25;
    constexpr int kQuietMs = 300;
    // Below this much CPU in a tick the process counts as idle: the tick itself costs a little.
    constexpr double kIdleCpuMs = 0.5;
    double last = cpuMs();
    double quietFrom = -1;
    int quietTicks = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kTickMs);
    double result = -1;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const double now = cpuMs();
        if (now - last < kIdleCpuMs && done()) {
            if (quietTicks++ == 0)
                quietFrom = last;
        } else {
            quietTicks = 0;
        }
        last = now;
        if (quietTicks * kTickMs >= kQuietMs) {
            result = quietFrom - since;
            loop.quit();
        } else if (++ticks * kTickMs > 20000) {
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    return result;
}

ContentView* fenetre(AppDelegate& delegate)
{
    auto* window = qobject_cast<ContentView*>(delegate.newWindow());
    if (!window)
        return nullptr;
    window->resize(1600, 1000);
    window->show();
    settle();
    return window;
}

// "Exporter en CSV" for the last year, until the file dialog is painted; the dialog is then
// closed, which cancels the export.
double exporterAnnee(ContentView& window)
{
    window.setSelection(Commande::exportFacturation);
    settle();
    auto* ecran = qobject_cast<ExportFacturationView*>(window.detailScreen());
    if (!ecran)
        return -1;
    ecran->du()->setDate(kv::bench::today().addYears(-1));
    ecran->au()->setDate(kv::bench::today());
    settle();

    struct Guet : QObject {
        double peintA = -1;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || peintA >= 0 || !watched->isWidgetType())
                return false;
            auto* dialogue = qobject_cast<QFileDialog*>(static_cast<QWidget*>(watched)->window());
            if (!dialogue)
                return false;
            peintA = cpuMs();
            QTimer::singleShot(0, dialogue, &QDialog::reject);
            return false;
        }
    } guet;
    qApp->installEventFilter(&guet);
    // A dialog that never comes must not hold the measure for ever.
    QTimer garde;
    garde.setSingleShot(true);
    QObject::connect(&garde, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->reject();
    });
    garde.start(20000);
    const double debut = cpuMs();
    ecran->boutonExporter()->click();
    qApp->removeEventFilter(&guet);
    return guet.peintA < 0 ? -1 : guet.peintA - debut;
}

// A mouse click in the middle of `rect` of `widget`.
void cliquer(QWidget* widget, const QRect& rect)
{
    const QPointF centre = QRectF(rect).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent appui(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent lache(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &appui);
    QApplication::sendEvent(widget, &lache);
}

// A click on the tile, in "Vue par client", of the client with the most rentals among those shown.
double cliquerTuile(ContentView& window)
{
    window.setSelection(Commande::planification);
    settle();
    auto* ecran = qobject_cast<VueLocationBenne*>(window.detailScreen());
    if (!ecran)
        return -1;
    CartoucheAnime* tuile = nullptr;
    qsizetype plus = -1;
    for (Client* c : ecran->clientsAffiches()) {
        CartoucheAnime* t = ecran->cartouche(c);
        if (t && t->isVisible() && c->locations().size() > plus) {
            tuile = t;
            plus = c->locations().size();
        }
    }
    if (!tuile)
        return -1;
    const double debut = cpuMs();
    cliquer(tuile, tuile->rect());
    return cpuUntilQuiet(debut, [ecran] { return ecran->clientDeLaColonne() != nullptr; });
}

// A click on a skip's label in the planning, the window's first screen: the new-rental sheet.
double ouvrirFeuille(ContentView& window)
{
    auto* ecran = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    if (!ecran)
        return -1;
    Benne* benne = nullptr;
    for (Benne* b : ecran->bennes())
        if (b->etat() != EtatBenne::inutilisable) {
            benne = b;
            break;
        }
    if (!benne)
        return -1;
    const double debut = cpuMs();
    ecran->selectionnerBenne(benne);
    return cpuUntilQuiet(debut, [ecran] { return ecran->feuille() && ecran->feuille()->isVisible(); });
}

// CPU spent inside the last click's own handling, before the event loop took over: the part of
// a figure that the function clicked costs by itself.
double g_propre = -1;
// CPU from the last click until the screen it shows was first painted, where it was read.
double g_ecran = -1;

// A click on a command of the sidebar, until the process is quiet with its screen shown.
double cliquerCommande(ContentView& window, Commande commande, const std::function<bool(QWidget*)>& montre)
{
    QListWidget* sidebar = window.sidebar();
    QListWidgetItem* ligne = nullptr;
    for (int row = 0; row < sidebar->count() && !ligne; ++row)
        if (sidebar->item(row)->text() == titre(commande))
            ligne = sidebar->item(row);
    if (!ligne)
        return -1;
    const double debut = cpuMs();
    cliquer(sidebar->viewport(), sidebar->visualItemRect(ligne));
    g_propre = cpuMs() - debut;
    return cpuUntilQuiet(debut, [&window, &montre] {
        QWidget* ecran = window.detailScreen();
        return ecran && ecran->isVisible() && montre(ecran);
    });
}

// "Carte des bennes louées" with neither the map service nor the address service within reach:
// both at a port of this machine where nothing listens, so that every request fails.
double ouvrirCarteHorsLigne(ContentView& window)
{
    return cliquerCommande(window, Commande::cartebenneslouees, [](QWidget* ecran) {
        auto* carte = qobject_cast<CarteBennesLouees*>(ecran);
        return carte && carte->carte()->backgroundUnavailable();
    });
}

// The same map with the program's own default addresses, which no name resolution reaches
// without a network: the map shown until every tile asked has failed.
double ouvrirCarteParDefaut(ContentView& window)
{
    return cliquerCommande(window, Commande::cartebenneslouees, [](QWidget* ecran) {
        auto* carte = qobject_cast<CarteBennesLouees*>(ecran);
        return carte && carte->carte()->pendingTileCount() == 0;
    });
}

double ouvrirStatistiques(ContentView& window)
{
    return cliquerCommande(window, Commande::statistiques,
                           [](QWidget* ecran) { return qobject_cast<VueStatistiques*>(ecran) != nullptr; });
}

// A click on a statistic of the hub's sidebar, until the process is quiet with it shown.
double cliquerStatistique(VueStatistiques& hub, StatistiqueType type)
{
    QListWidget* sidebar = hub.sidebar();
    for (int row = 0; row < sidebar->count(); ++row) {
        QListWidgetItem* ligne = sidebar->item(row);
        if (ligne->data(Qt::UserRole).toInt() != int(type))
            continue;
        sidebar->scrollToItem(ligne);
        // The first paint of what the click shows: the screen has answered.
        struct Guet : QObject {
            VueStatistiques* hub = nullptr;
            QWidget* avant = nullptr;
            double peintA = -1;
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                if (event->type() == QEvent::Paint && peintA < 0 && hub->detail() && hub->detail() != avant
                    && (watched == hub->detail() || hub->detail()->isAncestorOf(qobject_cast<QWidget*>(watched))))
                    peintA = cpuMs();
                return false;
            }
        } guet;
        guet.hub = &hub;
        guet.avant = hub.detail();
        qApp->installEventFilter(&guet);
        const double debut = cpuMs();
        cliquer(sidebar->viewport(), sidebar->visualItemRect(ligne));
        g_propre = cpuMs() - debut;
        const double ms = cpuUntilQuiet(debut, [&hub, type] {
            return hub.selectedStat() == type && hub.detail() && hub.detail()->isVisible()
                   && hub.detail()->objectName() != QLatin1String("statistiqueEnAttente");
        });
        qApp->removeEventFilter(&guet);
        g_ecran = guet.peintA < 0 ? -1 : guet.peintA - debut;
        return ms;
    }
    return -1;
}

// A statistic chosen in the hub, the hub shown and quiet before; with `retour`, the statistic
// chosen once, another one after it, and the figure is the return to the first.
double visiterStatistique(ContentView& window, StatistiqueType type, bool retour)
{
    if (ouvrirStatistiques(window) < 0)
        return -1;
    auto* hub = qobject_cast<VueStatistiques*>(window.detailScreen());
    if (!hub)
        return -1;
    if (retour) {
        const StatistiqueType autre =
            type == StatistiqueType::saisonnalite ? StatistiqueType::clientsInactifs : StatistiqueType::saisonnalite;
        if (cliquerStatistique(*hub, type) < 0 || cliquerStatistique(*hub, autre) < 0)
            return -1;
    }
    return cliquerStatistique(*hub, type);
}

// A screen of the sidebar whose first visit shows it whole: the figure ends once it is shown.
double ouvrirEcran(ContentView& window, Commande commande)
{
    const QWidget* avant = window.detailScreen();
    return cliquerCommande(window, commande, [avant](QWidget* ecran) { return ecran != avant; });
}

// The client picker of the new-rental sheet opened by a click, the sheet open and quiet before.
double ouvrirSelecteur(ContentView& window)
{
    if (ouvrirFeuille(window) < 0)
        return -1;
    auto* ecran = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    auto* formulaire = ecran->feuille()->findChild<FormulaireLocationView*>();
    if (!formulaire)
        return -1;
    SearchablePicker* selecteur = formulaire->choixClient();
    const double debut = cpuMs();
    cliquer(selecteur, selecteur->rect());
    return cpuUntilQuiet(debut, [selecteur] { return selecteur->listShown(); });
}

// The first letter typed in the search field of "Vue par client", the screen shown and quiet.
double taperRecherche(ContentView& window)
{
    window.setSelection(Commande::planification);
    settle();
    auto* ecran = qobject_cast<VueLocationBenne*>(window.detailScreen());
    if (!ecran)
        return -1;
    QLineEdit* champ = ecran->champRecherche();
    champ->setFocus(Qt::MouseFocusReason);
    cpuUntilQuiet(cpuMs(), [] { return true; });
    const int avant = int(ecran->clientsAffiches().size());
    // A character that narrows the clients (not in every name, street or phone).
    QKeyEvent appui(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QKeyEvent lache(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    const double debut = cpuMs();
    QApplication::sendEvent(champ, &appui);
    QApplication::sendEvent(champ, &lache);
    return cpuUntilQuiet(debut, [ecran, avant] { return int(ecran->clientsAffiches().size()) != avant; });
}

// Settings of their own for this process, in which the map service and the address service
// are at a port of this machine where nothing listens: every tile and address asked fails at once.
bool horsLigne(QTemporaryDir& reglages)
{
    if (!reglages.isValid())
        return false;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
    QTcpServer ferme;
    if (!ferme.listen(QHostAddress::LocalHost, 0))
        return false;
    const quint16 port = ferme.serverPort();
    ferme.close();
    const QString tuiles = QStringLiteral("http://127.0.0.1:%1/tiles/{z}/{x}/{y}.png").arg(port);
    {
        QSettings settings;
        settings.setValue(QStringLiteral("map/tileUrlTemplate"), tuiles);
        settings.setValue(QStringLiteral("addresses/baseUrl"), QStringLiteral("http://127.0.0.1:%1/geocodage").arg(port));
    }
    return MapWidget::configuredTileUrlTemplate() == tuiles;
}

struct Action {
    const char* code;
    const char* libelle;
};
const Action kActions[] = {
    {"export", "première visite : export d'une année, clic → dialogue de fichier"},
    {"tuile", "première visite : tuile d'un client dans « Vue par client »"},
    {"feuille", "première visite : feuille de nouvelle location depuis une benne"},
    {"carte", "première visite : carte des bennes louées, hors ligne"},
    {"statistiques", "première visite : statistiques"},
    {"selecteur", "première visite : sélecteur de client de la feuille"},
    {"recherche", "première visite : première lettre de la recherche de « Vue par client »"},
    {"pesee", "première visite : bons de pesée"},
    {"preferences", "première visite : préférences"},
    {"clients", "première visite : liste des clients"},
    {"chauffeurs", "première visite : planning des chauffeurs"},
    {"carte-defaut", "première visite : carte des bennes louées, réglages par défaut, sans réseau"},
    {"chaleur", "statistiques : carte de chaleur, première fois"},
    {"chaleur-retour", "statistiques : carte de chaleur, retour"},
    {"types", "statistiques : types de déchets, première fois"},
    {"types-retour", "statistiques : types de déchets, retour"},
    {"rendement", "statistiques : rendement par volume, première fois"},
    {"rendement-retour", "statistiques : rendement par volume, retour"},
    {"rapport", "statistiques : rapport d'activité, première fois"},
    {"rapport-retour", "statistiques : rapport d'activité, retour"},
};

// The statistic that an action of the hub chooses, and whether it measures the return.
std::optional<std::pair<StatistiqueType, bool>> actionStatistique(const QString& action)
{
    const bool retour = action.endsWith(QLatin1String("-retour"));
    const QString code = retour ? action.chopped(7) : action;
    if (code == QLatin1String("chaleur"))
        return std::pair(StatistiqueType::carteChaleur, retour);
    if (code == QLatin1String("types"))
        return std::pair(StatistiqueType::typesDechet, retour);
    if (code == QLatin1String("rendement"))
        return std::pair(StatistiqueType::repartitionTypeBenne, retour);
    if (code == QLatin1String("rapport"))
        return std::pair(StatistiqueType::rapport, retour);
    return std::nullopt;
}

// The office of these measures: a copy that no other benchmark holds open, since a store has one
// opener at a time.
QString magasin()
{
    return kv::bench::officeCopy(QStringLiteral("premieres"));
}

// Runs this program again with `arguments`; its standard output, or none when it failed.
std::optional<QString> enfant(const QStringList& arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(600000);
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

void BM_PremieresVisites(benchmark::State& state)
{
    for (auto _ : state) {
        for (const Action& a : kActions) {
            const QString libelle = QString::fromUtf8(a.libelle);
            bool mesure = false;
            for (int i = 0; i < kRuns; ++i) {
                bool lu = false;
                const std::optional<QString> sortie = enfant({QStringLiteral("--premiere-visite"),
                                                              QString::fromLatin1(a.code), magasin()});
                // The whole program's CPU, then the clicked function's own where it was read.
                const QStringList parts = sortie ? sortie->split(QLatin1Char(' ')) : QStringList();
                const double ms = parts.isEmpty() ? -1 : parts[0].toDouble(&lu);
                if (!lu || ms < 0)
                    continue;
                kv::bench::recordFigure(libelle, ms, "ms", kLimitMs);
                bool propreLu = false;
                const double propre = parts.size() > 1 ? parts[1].toDouble(&propreLu) : -1;
                if (propreLu && propre >= 0)
                    kv::bench::recordFigure(libelle + QStringLiteral(" (fonction seule)"), propre, "ms", kLimitMs);
                bool ecranLu = false;
                const double ecran = parts.size() > 2 ? parts[2].toDouble(&ecranLu) : -1;
                if (ecranLu && ecran >= 0)
                    kv::bench::recordFigure(libelle + QStringLiteral(" (clic → écran peint)"), ecran, "ms", kLimitMs);
                mesure = true;
            }
            if (!mesure)
                kv::bench::recordLine(libelle, QStringLiteral("mesure impossible"), false);
        }
        state.SetIterationTime(1);
    }
}

void BM_MemoireFenetres(benchmark::State& state)
{
    for (auto _ : state) {
        bool lu = false;
        const std::optional<QString> sortie = enfant({QStringLiteral("--fenetres"), magasin()});
        const double ko = sortie ? sortie->toDouble(&lu) : 0;
        const QString libelle = QStringLiteral("mémoire laissée par une fenêtre fermée (%1 fois)").arg(kCycles);
        if (lu)
            kv::bench::recordFigure(libelle, ko, "Ko", kLimitKbPerCycle);
        else
            kv::bench::recordLine(libelle, QStringLiteral("mesure impossible"), false);
        state.SetIterationTime(1);
    }
}

// Memory the program holds on its heap, in KB; its resident memory where the C library cannot tell.
double memoireKo()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / 1024.0;
#else
    return kv::bench::residentMb() * 1024.0;
#endif
}

} // namespace

namespace kv::bench {

int premiereVisite(const QString& action, const QString& path)
{
    // Offline, as an office's connection often is: nothing a user does may wait on the network.
    QTemporaryDir reglages;
    if (action == QLatin1String("carte-defaut") || actionStatistique(action)) {
        // The settings as a new user has them, outside of the test mode that shows no tiles.
        if (!reglages.isValid())
            return 1;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
        QStandardPaths::setTestModeEnabled(false);
        if (MapWidget::configuredTileUrlTemplate() != MapWidget::defaultTileUrlTemplate())
            return 1;
    } else if (!horsLigne(reglages)) {
        return 1;
    }
    auto ctx = ModelContext::open(path);
    if (!ctx)
        return 1;
    auto delegate = std::make_unique<AppDelegate>(ctx.get());
    ContentView* window = fenetre(*delegate);
    if (!window)
        return 1;
    // As the program does at start-up.
    RelocalisationLocations::relancer(ctx.get());
    if (action == QLatin1String("carte-defaut")) {
        // The program readies the network a few seconds after it starts; a user who clicks
        // after that meets it ready.
        MapWidget::prepareNetworkLater();
        QEventLoop attente;
        QTimer::singleShot(5000, &attente, &QEventLoop::quit);
        attente.exec();
    }
    // A user clicks once the window stands still: what the program does aside as it opens is
    // over, however long a busy machine makes it.
    cpuUntilQuiet(cpuMs(), [] { return true; });
    double ms = -1;
    if (action == QLatin1String("export"))
        ms = exporterAnnee(*window);
    else if (action == QLatin1String("tuile"))
        ms = cliquerTuile(*window);
    else if (action == QLatin1String("feuille"))
        ms = ouvrirFeuille(*window);
    else if (action == QLatin1String("carte"))
        ms = ouvrirCarteHorsLigne(*window);
    else if (action == QLatin1String("statistiques"))
        ms = ouvrirStatistiques(*window);
    else if (action == QLatin1String("selecteur"))
        ms = ouvrirSelecteur(*window);
    else if (action == QLatin1String("recherche"))
        ms = taperRecherche(*window);
    else if (action == QLatin1String("pesee"))
        ms = ouvrirEcran(*window, Commande::bonDePesee);
    else if (action == QLatin1String("preferences"))
        ms = ouvrirEcran(*window, Commande::preferences);
    else if (action == QLatin1String("clients"))
        ms = ouvrirEcran(*window, Commande::clients);
    else if (action == QLatin1String("chauffeurs"))
        ms = ouvrirEcran(*window, Commande::planningChauffeur);
    else if (action == QLatin1String("carte-defaut"))
        ms = ouvrirCarteParDefaut(*window);
    else if (const auto stat = actionStatistique(action))
        ms = visiterStatistique(*window, stat->first, stat->second);
    if (ms < 0)
        return 1;
    // A point whatever the locale.
    if (g_propre >= 0)
        std::printf("%s %s %s\n", QByteArray::number(ms, 'f', 1).constData(), QByteArray::number(g_propre, 'f', 1).constData(),
                    QByteArray::number(g_ecran, 'f', 1).constData());
    else
        std::printf("%s\n", QByteArray::number(ms, 'f', 1).constData());
    std::fflush(stdout);
    // The figure is out: nothing to free piece by piece.
    std::_Exit(0);
}

int memoireFenetres(const QString& path)
{
    auto ctx = ModelContext::open(path);
    if (!ctx)
        return 1;
    auto delegate = std::make_unique<AppDelegate>(ctx.get());
    // One window stays open throughout, as the program keeps running while another one closes.
    if (!fenetre(*delegate))
        return 1;
    const auto cycle = [&delegate] {
        QPointer<ContentView> window = fenetre(*delegate);
        if (!window)
            return false;
        for (Commande c : {Commande::clients, Commande::bennes}) {
            window->setSelection(c);
            settle();
        }
        window->close();
        settle();
        return window.isNull();
    };
    // The first windows fill caches kept for the program's life (fonts, icons, styles).
    for (int i = 0; i < 5; ++i)
        if (!cycle())
            return 1;
    // What each window leaves, cycle by cycle; the figure is the middle one. A window that
    // keeps memory leaves it at every cycle, whereas what the program sets up once while it
    // runs (a font met for the first time, a service started by a timer) falls in one cycle,
    // however many cycles the machine's load gave the warm-up.
    std::vector<double> laisses;
    double avant = memoireKo();
    for (int i = 0; i < kCycles; ++i) {
        if (!cycle())
            return 1;
        const double apres = memoireKo();
        laisses.push_back(apres - avant);
        avant = apres;
    }
    std::nth_element(laisses.begin(), laisses.begin() + kCycles / 2, laisses.end());
    std::printf("%s\n", QByteArray::number(laisses[kCycles / 2], 'f', 2).constData());
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace kv::bench

// After the store benchmarks: each measure runs in a process of its own, on the office's file.
static kv::bench::Registrar registrar(60, [] {
    benchmark::RegisterBenchmark("premières visites (programme neuf)", BM_PremieresVisites)
        ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("mémoire d'une fenêtre fermée", BM_MemoireFenetres)
        ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
});
