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
#include "model/helpers.h"
#include "model/modelcontext.h"
#include "planning/grilleplanning.h"
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
#include <QBuffer>
#include <QDateEdit>
#include <QEventLoop>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMainWindow>
#include <QMouseEvent>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numbers>
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

// A click on a command of the sidebar, until the process is quiet with its screen shown;
// `propre` receives the time the click's own handling took.
double cliquerCommande(ContentView& window, Commande commande, const std::function<bool(QWidget*)>& montre,
                       double* propre = nullptr)
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
    if (propre)
        *propre = g_propre;
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
// without a network: the map shown with its markers worked out. Its tile requests wait for an
// answer that never comes, at no cost; a figure waiting for their end would count nothing but
// its own watching, for seconds.
double ouvrirCarteParDefaut(ContentView& window)
{
    return cliquerCommande(window, Commande::cartebenneslouees, [](QWidget* ecran) {
        auto* carte = qobject_cast<CarteBennesLouees*>(ecran);
        return carte && carte->carte()->markersReady();
    });
}

// The same with every tile of the view kept on disk: the map shown with its tiles drawn.
double ouvrirCarteAvecTuiles(ContentView& window)
{
    return cliquerCommande(window, Commande::cartebenneslouees, [](QWidget* ecran) {
        auto* carte = qobject_cast<CarteBennesLouees*>(ecran);
        return carte && carte->carte()->markersReady() && carte->carte()->pendingTileCount() == 0
               && !carte->carte()->backgroundUnavailable();
    });
}

// Where the rentals of the spread office lie: a département's worth of places.
constexpr double kSudOuest[2] = {45.3, 4.4};
constexpr double kEtendue[2] = {0.8, 1.0};

// The map service's tiles over the spread office kept on disk from a day online, as an office's
// cache holds them: every level from the whole region to the streets, with a margin, each tile a
// picture of a few colours as map tiles are.
bool garderTuiles()
{
    QNetworkDiskCache cache;
    cache.setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles"));
    cache.setMaximumCacheSize(200LL * 1024 * 1024);
    QRandomGenerator rng(3);
    const auto tuileX = [](double longitude, double n) { return int((longitude + 180) / 360 * n); };
    const auto tuileY = [](double latitude, double n) {
        const double phi = latitude * std::numbers::pi / 180;
        return int((1 - std::asinh(std::tan(phi)) / std::numbers::pi) / 2 * n);
    };
    for (int z = 8; z <= 11; ++z) {
        const double n = std::exp2(z);
        const int x0 = tuileX(kSudOuest[1] - kEtendue[1], n), x1 = tuileX(kSudOuest[1] + 2 * kEtendue[1], n);
        const int y0 = tuileY(kSudOuest[0] + 2 * kEtendue[0], n), y1 = tuileY(kSudOuest[0] - kEtendue[0], n);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                QImage image(256, 256, QImage::Format_RGB32);
                image.fill(QColor(0xF2, 0xEF, 0xE9));
                QPainter p(&image);
                p.setRenderHint(QPainter::Antialiasing);
                for (int k = 0; k < 40; ++k) {
                    p.setPen(QPen(QColor::fromHsv(int(rng.bounded(360)), 90, 200), 1 + rng.bounded(5)));
                    p.drawLine(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)));
                }
                p.end();
                QByteArray png;
                QBuffer tampon(&png);
                tampon.open(QIODevice::WriteOnly);
                image.save(&tampon, "PNG");
                QNetworkCacheMetaData meta;
                meta.setUrl(MapWidget::tileUrl(MapWidget::defaultTileUrlTemplate(), z, x, y));
                meta.setSaveToDisk(true);
                meta.setAttributes({{QNetworkRequest::HttpStatusCodeAttribute, 200}});
                QIODevice* fichier = cache.prepare(meta);
                if (!fichier)
                    return false;
                fichier->write(png);
                cache.insert(fichier);
            }
    }
    return true;
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

// What the grid's actions cost: the whole program's CPU from the key or click until it is quiet,
// and beside it the time spent in the call that handles the key or click itself.
struct Mesure {
    double total = -1;
    double propre = -1;
};

Mesure mesurer(const std::function<void()>& agir, const std::function<bool()>& fait)
{
    const double debut = cpuMs();
    agir();
    const double propre = cpuMs() - debut;
    return {cpuUntilQuiet(debut, fait), propre};
}

planning::GrillePlanning* grilleDe(ContentView& window)
{
    auto* ecran = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    return ecran ? ecran->grille() : nullptr;
}

void touche(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent appui(QEvent::KeyPress, key, modifiers);
    QKeyEvent lache(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(w, &appui);
    QApplication::sendEvent(w, &lache);
}

// The keyboard's cell put on the first day of the last booking of a skip in view, one with a
// removal date and nothing after it (a rotation of it is free to book); its row's index.
LocationDeBenne* derniereLocationEnVue(planning::GrillePlanning* g)
{
    const int premiere = std::max(0, g->ligneA(g->scrollOffset().y()));
    for (int ligne = premiere; ligne < premiere + 10 && ligne < g->bennes().size(); ++ligne) {
        LocationDeBenne* derniere = nullptr;
        for (LocationDeBenne* l : g->bennes()[ligne]->locations())
            if (!l->isDeleted() && (!derniere || l->datePoseMs() > derniere->datePoseMs()))
                derniere = l;
        if (!derniere || !derniere->dateEnlevementMs())
            continue;
        for (const planning::Barre& b : g->barres(ligne))
            if (b.location == derniere && !b.colonnes.ouverte) {
                g->setFocus(Qt::TabFocusReason);
                g->setCurseur(b.colonnes.start, ligne);
                cpuUntilQuiet(cpuMs(), [] { return true; });
                return derniere;
            }
    }
    return nullptr;
}

// « Valider » in the new-rental sheet opened from a skip of the grid, its client and waste type
// chosen: until the sheet is gone and the program quiet.
Mesure validerFeuille(ContentView& window)
{
    // A day of a skip that no booking holds, from today on: the sheet's rental asks nothing.
    auto* ecran = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    planning::GrillePlanning* g = ecran ? ecran->grille() : nullptr;
    if (!g)
        return {};
    const int aujourdhui = g->jours().indexAujourdhui();
    std::optional<std::pair<Benne*, QDate>> libre;
    for (int ligne = 0; ligne < g->bennes().size() && !libre; ++ligne)
        for (int c = aujourdhui; c + 2 < g->jours().count() && !libre; ++c)
            if (g->bennes()[ligne]->etat() != EtatBenne::inutilisable && g->barresDeLaCellule(c, ligne).isEmpty()
                && g->barresDeLaCellule(c + 1, ligne).isEmpty() && g->barresDeLaCellule(c + 2, ligne).isEmpty())
                libre = std::pair(g->bennes()[ligne], g->jours().date(c));
    if (!libre)
        return {};
    ecran->selectionnerBenne(libre->first, libre->second);
    cpuUntilQuiet(cpuMs(), [ecran] { return ecran->feuille() && ecran->feuille()->isVisible(); });
    QPointer<QDialog> feuille = ecran->feuille();
    auto* formulaire = feuille->findChild<FormulaireLocationView*>();
    for (QComboBox* choix : {static_cast<QComboBox*>(formulaire->choixClient()), formulaire->choixTypeDechet()}) {
        choix->setCurrentIndex(1);
        emit choix->activated(1);
    }
    formulaire->setDateEnlevement(QDateTime(libre->second.addDays(1), QTime(17, 0)));
    cpuUntilQuiet(cpuMs(), [] { return true; });
    return mesurer([formulaire] { formulaire->boutonValider()->click(); }, [feuille] { return !feuille || !feuille->isVisible(); });
}

// Ctrl+D on a bar of the grid: its rotation booked and shown.
Mesure dupliquerBarre(ContentView& window)
{
    planning::GrillePlanning* g = grilleDe(window);
    LocationDeBenne* l = g ? derniereLocationEnVue(g) : nullptr;
    if (!l)
        return {};
    const qsizetype avant = l->benne()->locations().size();
    return mesurer([g] { touche(g, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier); },
                   [l, avant] { return l->benne()->locations().size() > avant; });
}

// « Supprimer » confirming the delete that Delete asked about on a bar of the grid.
Mesure supprimerBarre(ContentView& window)
{
    planning::GrillePlanning* g = grilleDe(window);
    LocationDeBenne* l = g ? derniereLocationEnVue(g) : nullptr;
    if (!l)
        return {};
    touche(g, Qt::Key_Delete);
    cpuUntilQuiet(cpuMs(), [] { return true; });
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QAbstractButton* supprimer = nullptr;
    for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == QLatin1String("Supprimer"))
            supprimer = b;
    if (!supprimer)
        return {};
    return mesurer([supprimer] { supprimer->click(); }, [l] { return l->isDeleted(); });
}

// « Planning » back from « Bons de pesée ».
Mesure retourAuPlanning(ContentView& window)
{
    if (ouvrirEcran(window, Commande::bonDePesee) < 0)
        return {};
    Mesure m;
    m.total = cliquerCommande(
        window, Commande::defaut, [](QWidget* ecran) { return qobject_cast<VuePlanificationBennes*>(ecran) != nullptr; },
        &m.propre);
    return m;
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
    {"valider", "planning : « Valider » de la feuille de nouvelle location"},
    {"dupliquer", "planning : « Dupliquer en rotation » (Ctrl+Maj+D)"},
    {"supprimer", "planning : suppression confirmée d'une location"},
    {"retour", "planning : retour depuis « Bons de pesée »"},
    {"carte-defaut", "première visite : carte des bennes louées, réglages par défaut, sans réseau"},
    {"carte-tuiles", "première visite : carte des bennes louées, sans réseau, tuiles gardées sur disque"},
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

// The same office with its rentals spread over a département, as an office's are: what the maps
// show it with.
QString magasinEtale()
{
    const QString nom = QStringLiteral("premieres-etale");
    const bool fait = QFileInfo::exists(QFileInfo(kv::bench::officePath()).dir().filePath(nom + QStringLiteral(".store")));
    const QString path = kv::bench::officeCopy(nom);
    if (!fait) {
        auto ctx = ModelContext::open(path);
        if (!ctx)
            return path;
        QRandomGenerator rng(17);
        for (LocationDeBenne* l : ctx->all<LocationDeBenne>()) {
            l->setLatitude(kSudOuest[0] + rng.generateDouble() * kEtendue[0]);
            l->setLongitude(kSudOuest[1] + rng.generateDouble() * kEtendue[1]);
        }
        QString erreur;
        if (!ctx->save(&erreur))
            std::fprintf(stderr, "spreading the office failed: %s\n", qPrintable(erreur));
    }
    return path;
}

// Whether an action shows a map: it is measured on the spread office.
bool surLaCarte(const QString& action)
{
    return action.startsWith(QLatin1String("carte-")) || action.startsWith(QLatin1String("chaleur"));
}

// Runs this program again with `arguments`; its standard output, or none when it failed.
std::optional<QString> enfant(const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess child;
    child.setProcessEnvironment(env);
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
            const QString code = QString::fromLatin1(a.code);
            const QString office = surLaCarte(code) ? magasinEtale() : magasin();
            for (int i = 0; i < kRuns; ++i) {
                bool lu = false;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                QTemporaryDir cache;
                if (code == QLatin1String("carte-tuiles")) {
                    // The tiles as a program that showed them left them: a first program is given
                    // them from the network (they are written to its disk cache) and shows them.
                    env.insert(QStringLiteral("KESTROVAN_BENCH_CACHE"), cache.path());
                    if (!cache.isValid() || !enfant({QStringLiteral("--premiere-visite"), QStringLiteral("carte-tuiles-veille"), office}, env))
                        continue;
                }
                const std::optional<QString> sortie = enfant({QStringLiteral("--premiere-visite"), code, office}, env);
                // The whole program's CPU, then the clicked function's own and the time to the
                // screen's first paint where they were read. (The last line: a save prints its own
                // lines before.)
                const QStringList mots = sortie ? sortie->split(QLatin1Char('\n')).last().split(QLatin1Char(' ')) : QStringList();
                const double ms = mots.isEmpty() ? -1 : mots.first().toDouble(&lu);
                if (!lu || ms < 0)
                    continue;
                kv::bench::recordFigure(libelle, ms, "ms", kLimitMs);
                const auto figure = [&mots, &libelle](int i, const QString& quoi) {
                    bool ok = false;
                    const double v = mots.size() > i ? mots[i].toDouble(&ok) : -1;
                    if (ok && v >= 0)
                        kv::bench::recordFigure(libelle + quoi, v, "ms", kLimitMs);
                };
                figure(1, QStringLiteral(" (fonction seule)"));
                figure(2, QStringLiteral(" (clic → écran peint)"));
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
    const bool veille = action == QLatin1String("carte-tuiles-veille");
    const bool tuiles = action == QLatin1String("carte-tuiles") || veille;
    if (action == QLatin1String("carte-defaut") || tuiles || actionStatistique(action)) {
        // The settings as a new user has them, outside of the test mode that shows no tiles.
        if (!reglages.isValid())
            return 1;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
        QStandardPaths::setTestModeEnabled(false);
        if (MapWidget::configuredTileUrlTemplate() != MapWidget::defaultTileUrlTemplate())
            return 1;
        // The tiles are kept in a cache of this process's own (or of the measure's), never in
        // the user's.
        const QString cache = qEnvironmentVariable("KESTROVAN_BENCH_CACHE", reglages.path() + QStringLiteral("/cache"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
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
    if (veille && !garderTuiles())
        return 1;
    // As the program does at start-up.
    RelocalisationLocations::relancer(ctx.get());
    if (action == QLatin1String("carte-defaut") || tuiles) {
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
    Mesure m{ms, g_propre};
    if (action == QLatin1String("valider"))
        m = validerFeuille(*window);
    else if (action == QLatin1String("dupliquer"))
        m = dupliquerBarre(*window);
    else if (action == QLatin1String("supprimer"))
        m = supprimerBarre(*window);
    else if (action == QLatin1String("retour"))
        m = retourAuPlanning(*window);
    else if (action == QLatin1String("carte-defaut"))
        m.total = ouvrirCarteParDefaut(*window), m.propre = g_propre;
    else if (tuiles)
        m.total = ouvrirCarteAvecTuiles(*window), m.propre = g_propre;
    else if (const auto stat = actionStatistique(action))
        m.total = visiterStatistique(*window, stat->first, stat->second), m.propre = g_propre;
    if (m.total < 0)
        return 1;
    // A point whatever the locale; -1 where a figure was not read.
    std::printf("%s %s %s\n", QByteArray::number(m.total, 'f', 1).constData(),
                QByteArray::number(m.propre, 'f', 1).constData(), QByteArray::number(g_ecran, 'f', 1).constData());
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
