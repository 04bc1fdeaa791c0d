// The hub and its statistics driven as a user would: clicks on the sidebar, the segments, the
// pickers and the list's buttons; the store changed while a statistic is shown.
#include "tests.h"

#include "lecteurecran.h"
#include "screenfixtures.h"
#include "shownpart.h"
#include "wheel.h"

#include "platform/desktopopener.h"
#include "reports/rapportmensuelview.h"
#include "model/query.h"
#include "stats/cartebenneslouees.h"
#include "stats/choixsegmente.h"
#include "stats/graphiqueleger.h"
#include "widgets/colors.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"
#include "widgets/focusstyle.h"
#include "widgets/observable.h"
#include "widgets/pickersegmentedcustom.h"
#include "widgets/textstyles.h"
#include "stats/clientsinactifsview.h"
#include "stats/sourcestatistiques.h"
#include "stats/statistiquecartechaleurview.h"
#include "stats/statistiquehistogrammevolumeview.h"
#include "stats/statistiqueoccupationbennesview.h"
#include "stats/statistiquerendementvolumeview.h"
#include "stats/statistiquesaisonnaliteview.h"
#include "stats/statistiquetypesdechetview.h"
#include "stats/statscharts.h"
#include "stats/vuestatistiques.h"

#include <QAbstractButton>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QCheckBox>
#include <QDateEdit>
#include <QHelpEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QApplication>
#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <QGraphicsEllipseItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QtCharts/QValueAxis>
#include <QRegularExpression>
#include <QTextDocument>
#include <QGraphicsSimpleTextItem>
#include <QtMath>

#include <numeric>

#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>

using namespace kv;
using namespace fixtures;

namespace {

const QChar fine(0x202F);
// The window's smallest size leaves the hub about this much.
const QSize kPlusPetit(536, 400);

QString f(const char* texte)
{
    // "_" the narrow no-break space, "~" the no-break space that keeps a count with its noun.
    return QString::fromUtf8(texte).replace(QLatin1Char('_'), fine).replace(QLatin1Char('~'), QChar(0x00A0));
}

qint64 maintenant()
{
    return parisMs(2026, 6, 15, 10);
}

// A hub on its own window, with the clock fixed.
void auRepos();

struct Hub {
    explicit Hub(ModelContext* ctx) : vue(ctx, fixedClock(maintenant()))
    {
        vue.resize(1200, 760);
        vue.show();
    }
    template <class T>
    T* detail() const
    {
        return qobject_cast<T*>(vue.detail());
    }
    void cliquer(StatistiqueType t)
    {
        QListWidget* liste = vue.sidebar();
        QListWidgetItem* item = liste->item(toutesLesStatistiques().indexOf(t));
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualItemRect(item).center());
        // A statistic that takes longer to build follows its title.
        QTRY_VERIFY(vue.detail() && vue.detail()->objectName() != QLatin1String("statistiqueEnAttente"));
        auRepos();
    }
    VueStatistiques vue;
};

// Lets the event loop do what waits (the store's notices, the statistics drawn again, the lists
// laid out again, zero-time timers) until a pass finds nothing left: no fixed time.
void auRepos()
{
    QAbstractEventDispatcher* boucle = QAbstractEventDispatcher::instance();
    for (int passe = 0; passe < 1000; ++passe) {
        QCoreApplication::sendPostedEvents();
        if (!boucle->processEvents(QEventLoop::AllEvents))
            break;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// What a screen reader reads of a widget.
QString lu(QWidget* w, QAccessible::Text quoi)
{
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
    return i ? i->text(quoi) : QString();
}

void cliquerSegment(ChoixSegmente* choix, const QString& texte)
{
    const int i = int(choix->textes().indexOf(texte));
    QVERIFY2(i >= 0, qPrintable(texte));
    QTest::mouseClick(choix->segment(i), Qt::LeftButton);
}

void choisirDansMenu(QComboBox* combo, const QString& texte)
{
    const int i = combo->findText(texte);
    QVERIFY2(i >= 0, qPrintable(texte));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

// The texts standing on a ring's slices, one per slice (empty: none shown on it).
QStringList libellesTranches(QPieSeries* s)
{
    QStringList visibles;
    if (const auto* etiquettes = s->chart()->findChild<stats::EtiquettesAnneau*>())
        for (const stats::EtiquettesAnneau::Etiquette& e : etiquettes->etiquettes())
            if (e.texte->isVisible())
                visibles.append(e.texte->text());
    QStringList t;
    for (QPieSlice* slice : s->slices())
        t.append(!slice->label().isEmpty() && (slice->isLabelVisible() || visibles.contains(slice->label()))
                     ? slice->label()
                     : QString());
    return t;
}

// Whether a rectangle of the chart stands inside a slice of its ring: between the hole and the
// outer edge, and between the slice's two edges.
bool dansSaTranche(const QChart* chart, const QPieSeries* s, const QPieSlice* slice, const QRectF& r)
{
    const QRectF zone = chart->plotArea();
    const qreal demi = std::min(zone.width(), zone.height()) / 2;
    const QPointF centre(zone.left() + zone.width() * s->horizontalPosition(),
                         zone.top() + zone.height() * s->verticalPosition());
    for (const QPointF& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
        const qreal d = std::hypot(p.x() - centre.x(), p.y() - centre.y());
        if (d > demi * s->pieSize() + 0.5 || d < demi * s->holeSize() - 0.5)
            return false;
        qreal angle = qRadiansToDegrees(std::atan2(p.x() - centre.x(), centre.y() - p.y()));
        if (angle < 0)
            angle += 360;
        if (slice->angleSpan() < 360 && (angle < slice->startAngle() || angle > slice->startAngle() + slice->angleSpan()))
            return false;
    }
    return true;
}

QList<QColor> couleursTranches(QPieSeries* s)
{
    QList<QColor> c;
    for (QPieSlice* slice : s->slices())
        c.append(slice->color());
    return c;
}

// How the list lays out one of its rows.
QStyleOptionViewItem optionDeLigne(QListView* liste, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(liste->viewport());
    option.rect = liste->visualRect(index);
    option.font = liste->font();
    option.widget = liste;
    return option;
}

} // namespace

void TestVues::hubOpensOnSeasonality()
{
    auto ctx = storeInFolder();
    Hub hub(ctx.get());
    QCOMPARE(hub.vue.windowTitle(), QStringLiteral("Statistiques"));
    QCOMPARE(hub.vue.selectedStat(), std::optional<StatistiqueType>(StatistiqueType::saisonnalite));
    QStringList titres;
    for (int i = 0; i < hub.vue.sidebar()->count(); ++i)
        titres.append(hub.vue.sidebar()->item(i)->text());
    QCOMPARE(titres, (QStringList{QStringLiteral("Rapport d'activité"), QStringLiteral("Carte de chaleur"),
                                  QStringLiteral("Volumes loués"), QStringLiteral("Rendement par volume"),
                                  QString::fromUtf8("Saisonnalité"), QString::fromUtf8("Types de déchets"),
                                  QStringLiteral("Clients inactifs"), QStringLiteral("Taux d'occupation")}));
    // Only the chosen row is highlighted; its title reads on its band (4.5:1) with the keys
    // elsewhere, under a light and a dark palette, and the band stands out of the list.
    for (int i = 0; i < hub.vue.sidebar()->count(); ++i)
        QCOMPARE(hub.vue.sidebar()->item(i)->background().style() != Qt::NoBrush, i == 4);
    QPalette sombre = hub.vue.palette();
    for (const auto& [role, couleur] : {std::pair(QPalette::Window, QColor(0x42, 0x42, 0x45)), std::pair(QPalette::Base, QColor(0x3d, 0x3d, 0x3d)),
                                        std::pair(QPalette::Text, QColor(Qt::white)), std::pair(QPalette::WindowText, QColor(Qt::white)),
                                        std::pair(QPalette::Highlight, QColor(0x12, 0x60, 0x8a)), std::pair(QPalette::HighlightedText, QColor(0xf9, 0xf9, 0xf9))})
        sombre.setColor(role, couleur);
    for (const QPalette& p : {hub.vue.palette(), sombre}) {
        hub.vue.setPalette(p);
        const QListWidgetItem* choisie = hub.vue.sidebar()->item(4);
        const QColor bande = choisie->background().color();
        QVERIFY(kv::forms::contrastRatio(choisie->foreground().color(), bande) >= 4.5);
        QVERIFY(kv::forms::contrastRatio(bande, p.color(QPalette::Base)) >= 1.5);
    }
    auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
    QVERIFY(saison);
    QCOMPARE(saison->anneeSelectionnee(), 2026);
    QCOMPARE(saison->titreAffiche(), QStringLiteral("Nombre de locations par mois en 2026"));

    // An empty store: every entry can be chosen, each shows its statistic with nothing in it.
    for (StatistiqueType t : toutesLesStatistiques()) {
        hub.cliquer(t);
        QCOMPARE(hub.vue.selectedStat(), std::optional<StatistiqueType>(t));
        QVERIFY(hub.vue.detail());
        for (int i = 0; i < hub.vue.sidebar()->count(); ++i)
            QCOMPARE(hub.vue.sidebar()->item(i)->background().style() != Qt::NoBrush,
                     i == toutesLesStatistiques().indexOf(t));
    }
    QVERIFY(hub.vue.source()->comptesTypes().types.isEmpty());
    // The first entry is the monthly report, the second the heat map.
    hub.cliquer(StatistiqueType::rapport);
    QVERIFY(hub.detail<RapportMensuelView>());
    hub.cliquer(StatistiqueType::carteChaleur);
    QVERIFY(hub.detail<StatistiqueCarteChaleurView>());
    hub.cliquer(StatistiqueType::tauxOccupation);
    // Clicking the chosen row keeps it; the arrow keys choose too.
    QWidget* avant = hub.vue.detail();
    hub.cliquer(StatistiqueType::tauxOccupation);
    QCOMPARE(hub.vue.detail(), avant);
    hub.vue.sidebar()->setFocus();
    QTest::keyClick(hub.vue.sidebar(), Qt::Key_Up);
    QCOMPARE(hub.vue.selectedStat(), std::optional<StatistiqueType>(StatistiqueType::clientsInactifs));
    QVERIFY(hub.detail<ClientsInactifsView>());
}

void TestVues::heatMapFollowsTheRentals()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* b = colouredSkip(ctx.get(), 10);
    LocationDeBenne* l = rental(c, b, nullptr, parisMs(2026, 3, 1));
    l->setLatitude(45.76);
    l->setLongitude(4.84);
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::carteChaleur);
    auto* carte = hub.detail<StatistiqueCarteChaleurView>();
    QVERIFY(carte);
    QCOMPARE(carte->points().size(), 1);
    QCOMPARE(carte->points()[0].count, 1);
    // A second rental at the same place, from elsewhere: its circle grows at once.
    LocationDeBenne* autre = rental(c, b, nullptr, parisMs(2026, 4, 1));
    autre->setLatitude(45.76);
    autre->setLongitude(4.84);
    QTRY_COMPARE(carte->points()[0].count, 2);
}

void TestVues::lesLocations()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* b = colouredSkip(ctx.get(), 10);
    TypeDechet* vide = colouredWasteType(ctx.get(), QString(), QStringLiteral("FF0000"));
    TypeDechet* sansCouleur = colouredWasteType(ctx.get(), QStringLiteral("Gravats"), std::nullopt);
    // Created out of order; the rows come in store order (the figures take the earliest).
    rental(c, b, sansCouleur, parisMs(2026, 3, 5));
    rental(c, b, nullptr, parisMs(2026, 1, 5));
    rental(c, b, vide, parisMs(2026, 2, 5));
    rental(c, b, sansCouleur, parisMs(2026, 1, 20));
    Hub hub(ctx.get());
    const stats::ComptesTypes* comptes = &hub.vue.source()->comptesTypes();
    QCOMPARE(comptes->types.size(), 1);
    QCOMPARE(comptes->types[0].libelle, QStringLiteral("Gravats"));
    QCOMPARE(comptes->types[0].couleur, std::nullopt);
    QCOMPARE(comptes->mois.annees(), QList<int>{2026});
    const auto [debut, fin] = comptes->mois.moisDe(2026);
    QCOMPARE(comptes->mois.compte(0, debut).n, 1);
    QCOMPARE(comptes->mois.compte(0, debut + 2).premiere.first, parisMs(2026, 3, 5));
    QCOMPARE(fin - debut, 3);

    // Shown on the waste-type statistic, the store changes from elsewhere: a new rental, a
    // rental given a waste type, a renamed type. Each shows at once.
    hub.cliquer(StatistiqueType::typesDechet);
    auto* types = hub.detail<StatistiqueTypesDechetView>();
    QVERIFY(types);
    QCOMPARE(types->barres().size(), 1);
    QCOMPARE(types->barres()[0].nbLocations, 2);
    rental(c, b, sansCouleur, parisMs(2026, 4, 1));
    QTRY_COMPARE(types->barres()[0].nbLocations, 3);
    LocationDeBenne* sansType = nullptr;
    for (LocationDeBenne* l : ctx->all<LocationDeBenne>())
        if (!l->typeDechet())
            sansType = l;
    sansType->setTypeDechet(sansCouleur);
    QTRY_COMPARE(types->barres()[0].nbLocations, 4);
    sansCouleur->setLibelle(QStringLiteral("Béton"));
    QTRY_COMPARE(types->barres()[0].libelle, QString::fromUtf8("Béton"));
    QCOMPARE(hub.vue.source()->comptesTypes().types.size(), 1);
}

void TestVues::statisticStartsAfresh()
{
    auto ctx = storeInFolder();
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::histogrammeVolume);
    auto* volumes = hub.detail<StatistiqueHistogrammeVolumeView>();
    QVERIFY(volumes);
    QCOMPARE(volumes->choix()->textes(), (QStringList{QStringLiteral("Par volume"), QStringLiteral("Par couleur")}));
    QVERIFY(volumes->parVolume()->isVisible());
    cliquerSegment(volumes->choix(), QStringLiteral("Par couleur"));
    QCOMPARE(volumes->selection(), HistogrammeSelection::couleur);
    QVERIFY(volumes->parCouleur()->isVisible());
    QVERIFY(!volumes->parVolume()->isVisible());
    hub.cliquer(StatistiqueType::tauxOccupation);
    hub.cliquer(StatistiqueType::histogrammeVolume);
    volumes = hub.detail<StatistiqueHistogrammeVolumeView>();
    QCOMPARE(volumes->selection(), HistogrammeSelection::volume);
    QCOMPARE(volumes->choix()->valeur().toInt(), int(HistogrammeSelection::volume));

    // The seasonality's year starts again at the current one.
    hub.cliquer(StatistiqueType::saisonnalite);
    hub.detail<StatistiqueSaisonnaliteView>()->setAnneeSelectionnee(2020);
    hub.cliquer(StatistiqueType::typesDechet);
    hub.cliquer(StatistiqueType::saisonnalite);
    QCOMPARE(hub.detail<StatistiqueSaisonnaliteView>()->anneeSelectionnee(), 2026);
}

void TestVues::seasonalityPicker()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* b = colouredSkip(ctx.get(), 10);
    // Rentals of one past year only.
    rental(c, b, nullptr, parisMs(2024, 3, 2));
    rental(c, b, nullptr, parisMs(2024, 3, 20));
    rental(c, b, nullptr, parisMs(2024, 7, 1));
    Hub hub(ctx.get());
    auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
    QVERIFY(saison->choixAnnee()->isVisible());
    QCOMPARE(saison->choixAnnee()->textes(), (QStringList{QStringLiteral("2024"), QStringLiteral("2026")}));
    QCOMPARE(saison->choixAnnee()->valeur().toInt(), 2026);
    QCOMPARE(saison->textePic(), f("Pic_: Jan (0)"));
    cliquerSegment(saison->choixAnnee(), QStringLiteral("2024"));
    QCOMPARE(saison->anneeSelectionnee(), 2024);
    QCOMPARE(saison->titreAffiche(), QStringLiteral("Nombre de locations par mois en 2024"));
    QCOMPARE(saison->textePic(), f("Pic_: Mar (2)"));
    QCOMPARE(saison->texteCreux(), f("Creux_: Jan (0)"));
    // The twelve points and the curve through them.
    QCOMPARE(saison->points()->count(), 12);
    QCOMPARE(saison->points()->at(2), QPointF(2, 2));
    QVERIFY(saison->courbe()->points().contains(QPointF(6, 1)));
    QVERIFY(saison->courbe()->count() > 12);
    // Its text equivalent: a line per month.
    const QStringList mois = lu(saison->findChild<QChartView*>(), QAccessible::Description).split(QLatin1Char('\n'));
    QCOMPARE(mois.size(), 12);
    QCOMPARE(mois[2], QStringLiteral("mars : 2 locations"));
    // The year stays offered while shown; with the keyboard, back to 2026.
    QCOMPARE(saison->choixAnnee()->textes(), (QStringList{QStringLiteral("2024"), QStringLiteral("2026")}));
    saison->choixAnnee()->setFocus();
    QTest::keyClick(saison->choixAnnee(), Qt::Key_Right);
    QCOMPARE(saison->anneeSelectionnee(), 2026);

    // With only this year's rentals, or none, there is nothing to choose.
    auto vide = storeInFolder();
    Hub hubVide(vide.get());
    QVERIFY(!hubVide.detail<StatistiqueSaisonnaliteView>()->choixAnnee()->isVisible());
    rental(client(vide.get(), QStringLiteral("Dupont BTP")), colouredSkip(vide.get(), 10), nullptr, parisMs(2026, 2, 1));
    QCoreApplication::processEvents();
    QVERIFY(!hubVide.detail<StatistiqueSaisonnaliteView>()->choixAnnee()->isVisible());
    QCOMPARE(hubVide.detail<StatistiqueSaisonnaliteView>()->serie()[1].nombre, 1);
}

// By keys alone, as the program runs (its focus style): the hub's list frames the keyboard's
// row and its arrows, Home and End choose the statistic; Tab goes on into the statistic's year
// choice, which frames its chosen segment and takes its own arrows, Home and End.
void TestVues::hubByKeysShowsWhereTheFocusIs()
{
    const QString styleName = QApplication::style()->name();
    installFocusStyle(qApp);
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* b = colouredSkip(ctx.get(), 10);
    rental(c, b, nullptr, parisMs(2024, 3, 2));
    rental(c, b, nullptr, parisMs(2025, 5, 2));
    Hub hub(ctx.get());
    hub.vue.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&hub.vue));
    QListWidget* liste = hub.vue.sidebar();
    liste->setFocus(Qt::TabFocusReason);
    // The keyboard's row is the chosen one: its frame is in the selection's text colour.
    const QColor highlight = liste->palette().color(QPalette::HighlightedText);
    auto rangeeEncadree = [&](StatistiqueType t) {
        const QRect r = liste->visualItemRect(liste->item(toutesLesStatistiques().indexOf(t)));
        const QImage image = liste->viewport()->grab().toImage();
        // The frame stands on the row's band, inside its margins.
        return image.pixelColor(r.left() + 11, r.center().y()).rgb() == highlight.rgb()
               && image.pixelColor(r.center().x(), r.top() + 4).rgb() == highlight.rgb();
    };
    QVERIFY(rangeeEncadree(StatistiqueType::saisonnalite));
    QVERIFY(!rangeeEncadree(StatistiqueType::typesDechet));
    // A reader hears the chosen row as chosen, and that one only.
    auto lusChoisis = [&] {
        QStringList choisis;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(liste);
        for (int i = 0; i < a->childCount(); ++i)
            if (QAccessibleInterface* rangee = a->child(i); rangee && rangee->state().selected)
                choisis << rangee->text(QAccessible::Name);
        return choisis;
    };
    QCOMPARE(lusChoisis(), QStringList{QStringLiteral("Saisonnalité")});
    QTest::keyClick(liste, Qt::Key_Home);
    QCOMPARE(hub.vue.selectedStat(), std::optional(StatistiqueType::rapport));
    QVERIFY(rangeeEncadree(StatistiqueType::rapport));
    QTest::keyClick(liste, Qt::Key_End);
    QCOMPARE(hub.vue.selectedStat(), std::optional(StatistiqueType::tauxOccupation));
    QCOMPARE(lusChoisis(), QStringList{QStringLiteral("Taux d'occupation")});
    QTest::keyClick(liste, Qt::Key_Up);
    QCOMPARE(hub.vue.selectedStat(), std::optional(StatistiqueType::clientsInactifs));
    QTest::keyClick(liste, Qt::Key_Up);
    QTest::keyClick(liste, Qt::Key_Up);
    QCOMPARE(hub.vue.selectedStat(), std::optional(StatistiqueType::saisonnalite));
    QVERIFY(liste->hasFocus());

    // Tab: into the year choice, its chosen segment framed.
    QTest::keyClick(liste, Qt::Key_Tab);
    auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
    QVERIFY(saison);
    ChoixSegmente* annees = saison->choixAnnee();
    QTRY_COMPARE(QApplication::focusWidget(), annees);
    QCOMPARE(annees->textes(), (QStringList{QStringLiteral("2024"), QStringLiteral("2025"), QStringLiteral("2026")}));
    auto segmentEncadre = [&](int i) {
        QAbstractButton* segment = annees->segment(i);
        const QImage image = segment->grab().toImage();
        const QColor attendu = segment->palette().color(segment->isChecked() ? QPalette::HighlightedText : QPalette::Highlight);
        const int dedans = segment->isChecked() ? 3 : 1;
        return image.pixelColor(dedans, segment->height() / 2).rgb() == attendu.rgb()
               && image.pixelColor(segment->width() / 2, dedans).rgb() == attendu.rgb();
    };
    QVERIFY(segmentEncadre(2));
    QVERIFY(!segmentEncadre(1));
    QSignalSpy choisi(annees, &ChoixSegmente::choisi);
    QTest::keyClick(annees, Qt::Key_Home);
    QCOMPARE(saison->anneeSelectionnee(), 2024);
    QVERIFY(segmentEncadre(0));
    QVERIFY(!segmentEncadre(2));
    QTest::keyClick(annees, Qt::Key_Home);
    QCOMPARE(choisi.size(), 1);
    QTest::keyClick(annees, Qt::Key_End);
    QCOMPARE(saison->anneeSelectionnee(), 2026);
    QTest::keyClick(annees, Qt::Key_Left);
    QCOMPARE(saison->anneeSelectionnee(), 2025);
    QCOMPARE(choisi.size(), 3);
    // Without the focus it frames nothing; back to the list by Shift+Tab.
    QTest::keyClick(annees, Qt::Key_Backtab);
    QTRY_VERIFY(liste->hasFocus());
    QVERIFY(!segmentEncadre(1));

    // Every statistic, through its Tab stops until the list comes back: none is a chart, which
    // would hold the keyboard while showing nothing.
    QStringList fautes;
    for (int rang = 0; rang < liste->count(); ++rang) {
        liste->setFocus(Qt::TabFocusReason);
        liste->setCurrentRow(rang);
        QCoreApplication::processEvents();
        for (int tab = 0; tab < 40; ++tab) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* ici = QApplication::focusWidget();
            if (!ici || ici == liste || !hub.vue.isAncestorOf(ici))
                break;
            if (ici->inherits("QGraphicsView"))
                fautes.append(liste->item(rang)->text());
        }
    }
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(QStringLiteral(", "))));
    QApplication::setStyle(styleName);
}

void TestVues::volumeRings()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* quinze = colouredSkip(ctx.get(), 15, QStringLiteral("#1e90ff"));
    Benne* septEtDemi = colouredSkip(ctx.get(), 7.5, QStringLiteral("1E90FF"));
    Benne* dix = colouredSkip(ctx.get(), 10, QStringLiteral("bleu"));
    rental(c, quinze, nullptr, parisMs(2026, 1, 1));
    rental(c, septEtDemi, nullptr, parisMs(2026, 1, 2));
    rental(c, dix, nullptr, parisMs(2026, 1, 3));
    rental(c, dix, nullptr, parisMs(2026, 1, 4));
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::histogrammeVolume);
    auto* volumes = hub.detail<StatistiqueHistogrammeVolumeView>();
    QPieSeries* anneau = volumes->parVolume()->anneau();
    QCOMPARE(anneau->holeSize() / anneau->pieSize(), 0.5);
    QCOMPARE(libellesTranches(anneau),
             (QStringList{QStringLiteral("8 m³"), QStringLiteral("10 m³"), QStringLiteral("15 m³")}));
    QCOMPARE(couleursTranches(anneau), (QList<QColor>{stats::paletteVolumes()[0], stats::paletteVolumes()[1],
                                                     stats::paletteVolumes()[2]}));
    QCOMPARE(anneau->slices()[1]->value(), 2.0);
    QCOMPARE(anneau->slices()[0]->labelColor(), textColorOn(stats::paletteVolumes()[0]));
    QCOMPARE(volumes->parVolume()->legende()->textes(),
             (QStringList{f("7 m³_: 1~location (25_%)"), f("10 m³_: 2~locations (50_%)"),
                          f("15 m³_: 1~location (25_%)")}));

    cliquerSegment(volumes->choix(), QStringLiteral("Par couleur"));
    anneau = volumes->parCouleur()->anneau();
    // Each colour's text comes after a 10 × 10 disc of its colour, both over the slice's middle.
    QCOMPARE(volumes->parCouleur()->etiquettes()->textes(),
             (QStringList{QStringLiteral("BLEU"), QStringLiteral("#1E90FF"), QStringLiteral("1E90FF")}));
    auRepos();
    anneau = volumes->parCouleur()->anneau(); // drawn again once the store's notice came
    const QList<stats::EtiquettesAnneau::Etiquette> etiquettes = volumes->parCouleur()->etiquettes()->etiquettes();
    QCOMPARE(etiquettes.size(), 3);
    for (qsizetype i = 0; i < etiquettes.size(); ++i) {
        const QRectF disque = etiquettes[i].pastille->sceneBoundingRect().adjusted(0.5, 0.5, -0.5, -0.5);
        const QRectF texte = etiquettes[i].texte->sceneBoundingRect();
        QCOMPARE(etiquettes[i].pastille->rect().size(), QSizeF(10, 10));
        QCOMPARE(etiquettes[i].pastille->brush().color(), anneau->slices()[i]->color());
        QVERIFY(disque.right() < texte.left());
        QVERIFY(std::abs(disque.center().y() - texte.center().y()) <= 1.0);
        QCOMPARE(etiquettes[i].texte->brush().color(), textColorOn(anneau->slices()[i]->color()));
        QVERIFY(etiquettes[i].pastille->isVisible() && etiquettes[i].texte->isVisible());
    }
    // Over its own slice: the middle of the label lies inside the ring, on the slice's side.
    QChartView* vueCouleur = volumes->parCouleur()->vue();
    const QRectF zone = vueCouleur->chart()->plotArea();
    const QPointF centre = zone.center();
    for (qsizetype i = 0; i < etiquettes.size(); ++i) {
        const QPointF milieu = etiquettes[i].pastille->sceneBoundingRect().united(etiquettes[i].texte->sceneBoundingRect()).center();
        const qreal angle = std::fmod(qRadiansToDegrees(std::atan2(milieu.x() - centre.x(), centre.y() - milieu.y())) + 360, 360);
        QPieSlice* tranche = anneau->slices()[i];
        QVERIFY2(angle >= tranche->startAngle() - 1 && angle <= tranche->startAngle() + tranche->angleSpan() + 1,
                 qPrintable(QString::number(angle)));
    }
    QCOMPARE(couleursTranches(anneau), (QList<QColor>{stats::grisSysteme(), QColor(0x1E, 0x90, 0xFF),
                                                     QColor(0x1E, 0x90, 0xFF)}));
    QCOMPARE(volumes->parCouleur()->legende()->textes(),
             (QStringList{QStringLiteral("BLEU (2, 50%)"), QStringLiteral("#1E90FF bleu (1, 25%)"),
                          QStringLiteral("1E90FF bleu (1, 25%)")}));
    // A skip repainted elsewhere: the ring follows.
    dix->setCouleur(QStringLiteral("1E90FF"));
    QTRY_COMPARE(volumes->parCouleur()->legende()->textes(),
                 (QStringList{QStringLiteral("1E90FF bleu (3, 75%)"), QStringLiteral("#1E90FF bleu (1, 25%)")}));
}

void TestVues::wasteTypeCharts()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    Benne* b = colouredSkip(ctx.get(), 10);
    TypeDechet* gravats = colouredWasteType(ctx.get(), QStringLiteral("Gravats"), QStringLiteral("8B4513"));
    TypeDechet* gravatsGris = colouredWasteType(ctx.get(), QStringLiteral("Gravats"), QStringLiteral("222222"));
    TypeDechet* bois = colouredWasteType(ctx.get(), QStringLiteral("Bois"), std::nullopt);
    rental(c, b, gravats, parisMs(2024, 3, 1, 0, 30));
    rental(c, b, gravatsGris, parisMs(2024, 3, 10));
    rental(c, b, gravats, parisMs(2024, 4, 2));
    rental(c, b, bois, parisMs(2024, 5, 2));
    rental(c, b, bois, parisMs(2023, 5, 2));
    rental(c, b, gravats, parisMs(2025, 5, 2));
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::typesDechet);
    auto* types = hub.detail<StatistiqueTypesDechetView>();
    QStringList annees;
    for (int i = 0; i < types->choixAnnee()->count(); ++i)
        annees.append(types->choixAnnee()->itemText(i));
    QCOMPARE(annees, (QStringList{QStringLiteral("Tout"), QStringLiteral("2023"), QStringLiteral("2024"),
                                  QStringLiteral("2025")}));
    QCOMPARE(types->choixAnnee()->currentText(), QStringLiteral("Tout"));
    choisirDansMenu(types->choixAnnee(), QStringLiteral("2024"));
    QCOMPARE(types->selectedYear(), std::optional<int>(2024));
    QCOMPARE(types->choixAnnee()->count(), 4);

    // 3 then 1 bars, the first in the colour of its first row, the one without colour light grey.
    stats::GraphiqueLeger* frequences = types->vueFrequences();
    QCOMPARE(frequences->categories(), (QStringList{QStringLiteral("Gravats"), QStringLiteral("Bois")}));
    QCOMPARE(frequences->barres().size(), 2);
    QCOMPARE(frequences->barres()[0].valeur, 3.0);
    QCOMPARE(frequences->barres()[0].couleur, QColor(0x8B, 0x45, 0x13));
    QCOMPARE(frequences->barres()[1].categorie, QStringLiteral("Bois"));
    QCOMPARE(frequences->barres()[1].valeur, 1.0);
    // (Light grey taken just dark enough to be seen on the window.)
    QCOMPARE(frequences->barres()[1].couleur, kv::inkReadableOn(QColor(0xD1, 0xD5, 0xDB), qApp->palette().color(QPalette::Window), 3.0));
    QVERIFY(frequences->barres()[1].couleur != QColor(0xD1, 0xD5, 0xDB));
    QCOMPARE(types->annotations(), (QStringList{QStringLiteral("3"), QStringLiteral("1")}));

    // The evolution: one line and one symbol per label; Gravats has two points in March 2024.
    QCOMPARE(types->legendeEvolution(), (QStringList{QStringLiteral("Bois"), QStringLiteral("Gravats")}));
    const QList<stats::GraphiqueLeger::Serie>& points = types->vueEvolution()->series();
    QCOMPARE(points.size(), 2);
    QVERIFY(points[0].forme != points[1].forme);
    QCOMPARE(points[1].points.size(), 3);
    QCOMPARE(points[1].points[0].x(), double(parisMs(2024, 3, 1)));
    QCOMPARE(points[1].couleur, QColor(0x8B, 0x45, 0x13));
    // Both charts have a text equivalent, and the year picker its name.
    QCOMPARE(lu(types->vueFrequences(), QAccessible::Description),
             QStringLiteral("Gravats : 3 locations\nBois : 1 location"));
    QCOMPARE(lu(types->vueEvolution(), QAccessible::Description),
             QStringLiteral("Bois : 1 mois ; le plus haut en mai 2024 (1 location) ; le dernier, mai 2024 (1 location)\n"
                            "Gravats : 2 mois ; le plus haut en mars 2024 (1 location) ; le dernier, avril 2024 (1 location)"));
    QCOMPARE(lu(types->choixAnnee(), QAccessible::Value), QStringLiteral("2024"));
    // A reader finds each bar, and each line with its months, in the chart itself, where they
    // stand on the screen.
    QAccessibleInterface* barresLues = QAccessible::queryAccessibleInterface(frequences);
    QCOMPARE(barresLues->role(), QAccessible::Chart);
    QCOMPARE(fixtures::spokenName(frequences), QStringLiteral("Fréquence par type de déchet"));
    QCOMPARE(barresLues->childCount(), 2);
    QCOMPARE(barresLues->child(1)->text(QAccessible::Name), QStringLiteral("Bois : 1 location"));
    QCOMPARE(barresLues->child(1)->parent(), barresLues);
    QCOMPARE(barresLues->indexOfChild(barresLues->child(1)), 1);
    const QRect barre(frequences->mapToGlobal(frequences->placeBarre(1).topLeft().toPoint()), frequences->placeBarre(1).size().toSize());
    QCOMPARE(barresLues->child(1)->rect(), barre);
    QCOMPARE(barresLues->childAt(barre.center().x(), barre.center().y()), barresLues->child(1));
    QAccessibleInterface* ligneGravats = QAccessible::queryAccessibleInterface(types->vueEvolution())->child(1);
    QVERIFY(ligneGravats->text(QAccessible::Name).startsWith(QStringLiteral("Gravats : 2 mois")));
    QCOMPARE(ligneGravats->childCount(), 3);
    QCOMPARE(ligneGravats->child(2)->text(QAccessible::Name), QStringLiteral("avril 2024 : 1 location"));
    QCOMPARE(ligneGravats->child(2)->parent(), ligneGravats);
    QCOMPARE(ligneGravats->indexOfChild(ligneGravats->child(2)), 2);
    QStringList etiquettes;
    for (const auto& [autre, relation] : QAccessible::queryAccessibleInterface(types->choixAnnee())->relations(QAccessible::Label))
        etiquettes.append(autre->text(QAccessible::Name));
    QCOMPARE(etiquettes, QStringList{QStringLiteral("Année")});

    choisirDansMenu(types->choixAnnee(), QStringLiteral("Tout"));
    QCOMPARE(types->selectedYear(), std::nullopt);
    QCOMPARE(frequences->barres()[0].valeur, 4.0);
    // What the reader finds follows the figures.
    QCOMPARE(barresLues->child(0)->text(QAccessible::Name), QStringLiteral("Gravats : 4 locations"));
}

void TestVues::occupancyRing()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    QList<Benne*> bennes;
    for (int i = 0; i < 10; ++i)
        bennes.append(colouredSkip(ctx.get(), 10));
    for (int i = 0; i < 4; ++i)
        rental(c, bennes[i], nullptr, parisMs(2026, 6, 1), i == 0 ? std::optional<qint64>(maintenant()) : std::nullopt);
    rental(c, bennes[5], nullptr, maintenant() + 60000);
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::tauxOccupation);
    auto* occ = hub.detail<StatistiqueOccupationBennesView>();
    QPieSeries* anneau = occ->graphique()->anneau();
    QVERIFY(qAbs(anneau->holeSize() / anneau->pieSize() - 0.45) < 1e-9);
    QCOMPARE(anneau->slices()[0]->value(), 4.0);
    QCOMPARE(anneau->slices()[1]->value(), 6.0);
    QCOMPARE(libellesTranches(anneau), (QStringList{QStringLiteral("En circulation"), QStringLiteral("En stock")}));
    QCOMPARE(couleursTranches(anneau), (QList<QColor>{QColor(255, 59, 48), QColor(52, 199, 89)}));
    QCOMPARE(occ->graphique()->legende()->textes(),
             (QStringList{f("En circulation_: 4 (40_%)"), f("En stock_: 6 (60_%)")}));
    QCOMPARE(occ->tauxTexte(), f("Taux d’occupation_: 40_% (4/10)"));

    // Every skip but one out, then a skip sold: the figures follow the store.
    for (int i = 4; i < 10; ++i)
        if (i != 5)
            rental(c, bennes[i], nullptr, parisMs(2026, 6, 2));
    QTRY_COMPARE(occ->tauxTexte(), f("Taux d’occupation_: 90_% (9/10)"));
    QVERIFY(ctx->remove(bennes[5]));
    QTRY_COMPARE(occ->tauxTexte(), f("Taux d’occupation_: 100_% (9/9)"));
    QCOMPARE(libellesTranches(occ->graphique()->anneau()), (QStringList{QStringLiteral("En circulation"), QString()}));
    QCOMPARE(occ->graphique()->legende()->textes()[1], f("En stock_: 0 (0_%)"));

    // An empty fleet.
    auto vide = storeInFolder();
    Hub hubVide(vide.get());
    hubVide.cliquer(StatistiqueType::tauxOccupation);
    occ = hubVide.detail<StatistiqueOccupationBennesView>();
    QCOMPARE(occ->tauxTexte(), f("Taux d’occupation_: 0_% (0/0)"));
    QCOMPARE(libellesTranches(occ->graphique()->anneau()), (QStringList{QString(), QString()}));
    QCOMPARE(occ->graphique()->legende()->textes(),
             (QStringList{f("En circulation_: 0 (0_%)"), f("En stock_: 0 (0_%)")}));
}

// "Taux d'occupation" at every size: a slice's text stands whole inside its slice or is not on
// the ring at all (the legend names every slice): never cut by its slice's edge, never over the
// next slice.
void TestVues::occupancyLabelsNeverCut()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    QList<Benne*> bennes;
    for (int i = 0; i < 12; ++i)
        bennes.append(colouredSkip(ctx.get(), 10));
    // Most skips out: "En stock" has a narrow slice, narrower than its text near the hole.
    for (int i = 0; i < 11; ++i)
        rental(c, bennes[i], nullptr, parisMs(2026, 6, 1));
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::tauxOccupation);
    auto* occ = hub.detail<StatistiqueOccupationBennesView>();
    QVERIFY(occ);
    QTRY_COMPARE(occ->tauxTexte(), f("Taux d’occupation_: 91_% (11/12)"));
    int entiers = 0;
    for (const QSize taille : {kPlusPetit, QSize(640, 458), QSize(760, 458), QSize(900, 600), QSize(1200, 760)}) {
        hub.vue.resize(taille);
        QVERIFY(QTest::qWaitForWindowExposed(&hub.vue));
        QPieSeries* anneau = occ->graphique()->anneau();
        QChart* chart = anneau->chart();
        QTRY_VERIFY(chart->plotArea().width() > 0);
        QCoreApplication::processEvents();
        const QString ou = QStringLiteral("%1 x %2").arg(taille.width()).arg(taille.height());
        QStringList montres;
        for (QGraphicsItem* item : chart->scene()->items()) {
            if (!item->isVisible())
                continue;
            QString texte;
            QRectF encre;
            if (auto* simple = dynamic_cast<QGraphicsSimpleTextItem*>(item)) {
                texte = simple->text();
                encre = simple->sceneBoundingRect();
            } else if (auto* riche = dynamic_cast<QGraphicsTextItem*>(item)) {
                texte = riche->toPlainText();
                const qreal marge = riche->document()->documentMargin();
                encre = riche->sceneBoundingRect().adjusted(marge, marge, -marge, -marge);
                // A text on two lines shows its first only, cut to the slice.
                QVERIFY2(riche->document()->lineCount() <= 1, qPrintable(ou + QStringLiteral(": ") + texte));
            } else {
                continue;
            }
            if (texte.isEmpty())
                continue;
            for (QPieSlice* slice : anneau->slices()) {
                if (slice->label().isEmpty() || !slice->label().startsWith(texte.left(4)))
                    continue;
                QCOMPARE(texte, slice->label());
                QVERIFY2(dansSaTranche(chart, anneau, slice, encre), qPrintable(ou + QStringLiteral(": ") + texte));
                montres.append(texte);
            }
        }
        entiers += int(montres.size());
        QCOMPARE(occ->graphique()->legende()->textes(),
                 (QStringList{f("En circulation_: 11 (91_%)"), f("En stock_: 1 (8_%)")}));
    }
    // The ring has room for a text in the larger windows.
    QVERIFY(entiers >= 1);
}

void TestVues::inactiveClientsList()
{
    auto ctx = storeInFolder();
    Benne* b = colouredSkip(ctx.get(), 10);
    Client* ancien = client(ctx.get(), QStringLiteral("Bâtiments Roux"));
    ancien->setTelephone(QStringLiteral(" 04 72 00 00 00 "));
    ancien->setEmail(QStringLiteral("roux@example.fr"));
    rental(ancien, b, nullptr, parisMs(2025, 10, 1), parisMs(2025, 10, 20));
    Client* jamais = client(ctx.get(), QStringLiteral("Zoé Paysages"));
    jamais->setTelephone(QStringLiteral("   "));
    jamais->setEmail(QStringLiteral("  "));
    Client* actif = client(ctx.get(), QStringLiteral("Actif SARL"));
    rental(actif, b, nullptr, parisMs(2026, 6, 1));

    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::clientsInactifs);
    auto* vue = hub.detail<ClientsInactifsView>();
    QVERIFY(vue);
    QCOMPARE(vue->seuilMois(), 6);
    QVERIFY(vue->caseJamaisLoues()->isChecked());
    QCOMPARE(vue->choixSeuil()->textes(),
             (QStringList{QStringLiteral("3 mois"), QStringLiteral("6 mois"), QStringLiteral("12 mois")}));
    QListView* liste = vue->liste();
    QCOMPARE(liste->model()->rowCount(), 2);
    // Both lists named for a screen reader: the statistics' one and this one.
    QCOMPARE(lu(hub.vue.sidebar(), QAccessible::Name), QStringLiteral("Statistiques"));
    QCOMPARE(lu(liste, QAccessible::Name), QStringLiteral("Clients inactifs"));
    const QModelIndex premier = liste->model()->index(0, 0);
    const QModelIndex second = liste->model()->index(1, 0);
    QCOMPARE(premier.data().toString(), QString::fromUtf8("Zoé Paysages"));
    QCOMPARE(premier.data(LignesClientsInactifsModel::InformationRole).toString(),
             QStringLiteral("Aucune location à ce jour"));
    QCOMPARE(second.data(LignesClientsInactifsModel::InformationRole).toString(),
             QString::fromUtf8("Dernière activité : il y a 7 mois • Locations (12 mois) : 1"));
    // Read aloud as painted: the client, its activity, its phone; then the row's buttons.
    const QString lue = second.data(Qt::AccessibleTextRole).toString();
    QVERIFY(lue.startsWith(second.data().toString() + QStringLiteral(", ") + second.data(LignesClientsInactifsModel::InformationRole).toString()));
    QVERIFY(lue.endsWith(QStringLiteral(", Tél : ") + second.data(LignesClientsInactifsModel::TelephoneRole).toString()));
    QCOMPARE(second.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Boutons (Tab) : Copier tél., E-mail"));

    // A blank phone and a blank address show no button; the others do, and work with the mouse.
    QStyleOptionViewItem option;
    option.initFrom(liste);
    option.rect = liste->visualRect(premier);
    QVERIFY(ClientInactifDelegate::rectCopier(option, premier).isNull());
    QVERIFY(ClientInactifDelegate::rectEmail(option, premier).isNull());
    option.rect = liste->visualRect(second);
    const QRect copier = ClientInactifDelegate::rectCopier(option, second);
    const QRect email = ClientInactifDelegate::rectEmail(option, second);
    QVERIFY(!copier.isNull() && !email.isNull());
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, copier.center());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" 04 72 00 00 00 "));
    {
        RecordingDesktopOpener bureau;
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, email.center());
        QCOMPARE(bureau.openedUrls, (QList<QUrl>{QUrl(QStringLiteral("mailto:roux@example.fr"))}));
    }
    // An address the mail helper refuses ("?" would add a field to the message) opens nothing
    // and says why.
    ancien->setEmail(QStringLiteral("roux@example.fr?cc=autre@example.fr"));
    QTRY_VERIFY(!ClientInactifDelegate::rectEmail(option, second).isNull()
                && second.data(LignesClientsInactifsModel::EmailRole).toString().contains('?'));
    {
        RecordingDesktopOpener bureau;
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, email.center());
        QVERIFY(bureau.openedUrls.isEmpty());
        auto* alerte = vue->findChild<QMessageBox*>(QStringLiteral("alerteEmail"));
        QVERIFY(alerte && alerte->isVisible());
        QVERIFY(alerte->text().contains(QStringLiteral("roux@example.fr?cc=autre@example.fr")));
        alerte->close();
    }
    // Ctrl+C on the current row copies its phone too.
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    liste->setCurrentIndex(second);
    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" 04 72 00 00 00 "));

    // The row's menu offers both actions, each only when its button shows.
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QStringList actions;
    QList<bool> actives;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* a : menu->actions()) {
            actions.append(a->text());
            actives.append(a->isEnabled());
        }
        menu->actions().first()->trigger();
        menu->close();
    });
    emit liste->customContextMenuRequested(liste->visualRect(second).center());
    QCOMPARE(actions, (QStringList{QStringLiteral("Copier tél."), QStringLiteral("E-mail")}));
    QCOMPARE(actives, (QList<bool>{true, true}));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" 04 72 00 00 00 "));
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        actives.clear();
        for (QAction* a : menu->actions())
            actives.append(a->isEnabled());
        menu->close();
    });
    emit liste->customContextMenuRequested(liste->visualRect(premier).center());
    QCOMPARE(actives, (QList<bool>{false, false}));

    // The threshold and the toggle.
    cliquerSegment(vue->choixSeuil(), QStringLiteral("12 mois"));
    QCOMPARE(vue->seuilMois(), 12);
    QCOMPARE(liste->model()->rowCount(), 1);
    cliquerSegment(vue->choixSeuil(), QStringLiteral("6 mois"));
    QTest::mouseClick(vue->caseJamaisLoues(), Qt::LeftButton);
    QVERIFY(!vue->inclureJamaisLoues());
    QCOMPARE(liste->model()->rowCount(), 1);
    QCOMPARE(liste->model()->index(0, 0).data().toString(), QString::fromUtf8("Bâtiments Roux"));

    // A new client that never rented arrives as a row of its own, without resetting the list.
    QTest::mouseClick(vue->caseJamaisLoues(), Qt::LeftButton);
    QSignalSpy inserees(liste->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy remises(liste->model(), &QAbstractItemModel::modelReset);
    client(ctx.get(), QStringLiteral("Alpha Démolition"));
    QTRY_COMPARE(liste->model()->rowCount(), 3);
    QCOMPARE(inserees.size(), 1);
    QCOMPARE(remises.size(), 0);
    QCOMPARE(liste->model()->index(0, 0).data().toString(), QString::fromUtf8("Alpha Démolition"));
    // A rental now makes the old client active again: its row leaves.
    rental(ancien, b, nullptr, parisMs(2026, 6, 10));
    QTRY_COMPARE(liste->model()->rowCount(), 2);
}

void TestVues::yieldCharts()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    QList<Benne*> dix = {colouredSkip(ctx.get(), 10), colouredSkip(ctx.get(), 10), colouredSkip(ctx.get(), 10)};
    Benne* vingt = colouredSkip(ctx.get(), 20);
    for (int i = 0; i < 12; ++i)
        rental(c, dix[i % 3], nullptr, parisMs(2024, 3 + i % 2, 1 + i));
    for (int i = 0; i < 3; ++i)
        rental(c, dix[i], nullptr, parisMs(2025, 2, 1 + i));
    for (int i = 0; i < 6; ++i)
        rental(c, vingt, nullptr, parisMs(2024, 5, 1 + i));
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::repartitionTypeBenne);
    auto* vue = hub.detail<StatistiqueRendementVolumeView>();
    QVERIFY(vue);
    QCOMPARE(vue->choixAnnee()->currentText(), QStringLiteral("Toutes"));
    QCOMPARE(vue->choixAnnee()->count(), 3);
    QCOMPARE(vue->vueBarres()->categories(), (QStringList{QStringLiteral("20 m³"), QStringLiteral("10 m³")}));
    QCOMPARE(vue->annotations(), (QStringList{QStringLiteral("6.0"), QStringLiteral("5.0")}));
    QCOMPARE(vue->lignesDetail(), (QStringList{f("• 20 m³_: 6~locations, 1~bennes (6.0 loc/benne)"),
                                               f("• 10 m³_: 15~locations, 3~bennes (5.0 loc/benne)")}));
    choisirDansMenu(vue->choixAnnee(), QStringLiteral("2024"));
    QCOMPARE(vue->annotations(), (QStringList{QStringLiteral("6.0"), QStringLiteral("4.0")}));
    QCOMPARE(vue->choixAnnee()->count(), 3);
    // The monthly chart: one line per volume; six 10 m³ rentals in March 2024 on three skips.
    const QList<stats::GraphiqueLeger::Serie>& points = vue->timeline()->vue()->series();
    QCOMPARE(points.size(), 2);
    QCOMPARE(points[0].nom, QStringLiteral("10 m³"));
    QCOMPARE(points[0].points.value(0), QPointF(double(parisMs(2024, 3, 1)), 2.0));
    QCOMPARE(vue->timeline()->legende(), (QStringList{QStringLiteral("10 m³"), QStringLiteral("20 m³")}));
    QCOMPARE(lu(vue->timeline()->vue(), QAccessible::Description),
             QStringLiteral("10 m³ : 2 mois ; le plus haut en mars 2024 (2,0 locations par benne) ; le dernier, avril 2024 "
                            "(2,0 locations par benne)\n"
                            "20 m³ : 1 mois ; le plus haut en mai 2024 (6,0 locations par benne) ; le dernier, mai 2024 "
                            "(6,0 locations par benne)"));

    // Two volumes that round alike share one bar category and one legend entry.
    Benne* presque = colouredSkip(ctx.get(), 10.000001);
    rental(c, presque, nullptr, parisMs(2024, 3, 1));
    QTRY_COMPARE(vue->rendementsMois().size(), 4);
    QCOMPARE(vue->vueBarres()->categories(), (QStringList{QStringLiteral("20 m³"), QStringLiteral("10 m³")}));
    QCOMPARE(vue->vueBarres()->barres().size(), 3);
    QCOMPARE(vue->timeline()->legende(), (QStringList{QStringLiteral("10 m³"), QStringLiteral("20 m³")}));

    // No rentals: bars of height 0 annotated "0.0".
    auto vide = storeInFolder();
    colouredSkip(vide.get(), 10);
    colouredSkip(vide.get(), 15);
    Hub hubVide(vide.get());
    hubVide.cliquer(StatistiqueType::repartitionTypeBenne);
    vue = hubVide.detail<StatistiqueRendementVolumeView>();
    QCOMPARE(vue->annotations(), (QStringList{QStringLiteral("0.0"), QStringLiteral("0.0")}));
    QCOMPARE(vue->choixAnnee()->count(), 1);
    QVERIFY(vue->timeline()->vue()->series().isEmpty());
}

namespace {

// The texts a chart shows, as its scene holds them (axis titles and labels, legends, notes).
QList<QGraphicsItem*> textesDeScene(QChartView* vue)
{
    QList<QGraphicsItem*> out;
    for (QGraphicsItem* i : vue->scene()->items())
        if (i->isVisible() && (qgraphicsitem_cast<QGraphicsTextItem*>(i) || qgraphicsitem_cast<QGraphicsSimpleTextItem*>(i)))
            out.append(i);
    return out;
}

QString texteDe(QGraphicsItem* i)
{
    if (auto* t = qgraphicsitem_cast<QGraphicsTextItem*>(i))
        return t->toPlainText();
    return qgraphicsitem_cast<QGraphicsSimpleTextItem*>(i)->text();
}

// Where a text lies on the screen, turned as it is drawn (without the text's own margins).
QPolygonF emprise(QGraphicsItem* i)
{
    QRectF r = i->boundingRect();
    if (auto* t = qgraphicsitem_cast<QGraphicsTextItem*>(i)) {
        const qreal marge = t->document()->documentMargin();
        r.adjust(marge, marge, -marge, -marge);
    }
    return i->sceneTransform().map(QPolygonF(r.adjusted(0.5, 0.5, -0.5, -0.5)));
}

// No text of the chart is cut, and its month labels do not overlap; returns how many month
// labels it shows.
int verifierGraphique(QChartView* vue)
{
    const QRegularExpression mois(QStringLiteral("^\\S+ \\d{4}$"));
    QList<QGraphicsItem*> etiquettesMois;
    for (QGraphicsItem* i : textesDeScene(vue)) {
        const QString t = texteDe(i);
        if (t.contains(QChar(0x2026)) || t.contains(QStringLiteral("...")))
            qWarning("cut: %s", qPrintable(t));
        if (t.contains(QChar(0x2026)) || t.contains(QStringLiteral("...")))
            return -1;
        if (mois.match(t).hasMatch())
            etiquettesMois.append(i);
    }
    std::sort(etiquettesMois.begin(), etiquettesMois.end(), [](QGraphicsItem* a, QGraphicsItem* b) {
        return emprise(a).boundingRect().center().x() < emprise(b).boundingRect().center().x();
    });
    for (qsizetype k = 1; k < etiquettesMois.size(); ++k)
        if (emprise(etiquettesMois[k - 1]).intersects(emprise(etiquettesMois[k]))) {
            qWarning("overlap: %s / %s", qPrintable(texteDe(etiquettesMois[k - 1])), qPrintable(texteDe(etiquettesMois[k])));
            return -2;
        }
    return int(etiquettesMois.size());
}

// The same for a chart that paints itself: no name cut, no two month names over one another.
int verifierGraphique(stats::GraphiqueLeger* vue)
{
    const QRegularExpression mois(QStringLiteral("^\\S+ \\d{4}$"));
    QList<QPolygonF> etiquettesMois;
    const QList<QPolygonF> emprises = vue->emprisesNoms();
    qsizetype k = 0;
    for (const QString& t : vue->noms()) {
        if (t.isEmpty())
            continue;
        if (t.contains(QChar(0x2026)))
            return -1;
        if (mois.match(t).hasMatch())
            etiquettesMois.append(emprises[k]);
        ++k;
    }
    for (qsizetype i = 1; i < etiquettesMois.size(); ++i)
        if (etiquettesMois[i - 1].intersects(etiquettesMois[i]))
            return -2;
    return int(etiquettesMois.size());
}

} // namespace

// At 1200 × 760 (the hub beside the window's sidebar), with long waste-type names and five
// years of months: axis titles, bar labels and legends are whole, month labels never overlap.
void TestVues::readableAt1200()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    const QStringList noms{QStringLiteral("Encombrants"), QStringLiteral("Déchets verts"),
                           QStringLiteral("Amiante lié"), QStringLiteral("Déchets industriels banals"),
                           QStringLiteral("Gravats propres"), QStringLiteral("Plâtre")};
    QList<TypeDechet*> types;
    for (const QString& n : noms)
        types.append(colouredWasteType(ctx.get(), n, std::nullopt));
    QList<Benne*> bennes{colouredSkip(ctx.get(), 3), colouredSkip(ctx.get(), 8), colouredSkip(ctx.get(), 15),
                         colouredSkip(ctx.get(), 30)};
    for (int m = 0; m < 60; ++m)
        for (int k = 0; k < 3; ++k)
            rental(c, bennes[(m + k) % 4], types[(m + k) % types.size()],
                   parisMs(2021 + (m + 6) / 12, 1 + (m + 6) % 12, 3 + k));
    Hub hub(ctx.get());
    hub.vue.resize(1200 - 220, 760 - 40);
    QCoreApplication::processEvents();

    hub.cliquer(StatistiqueType::typesDechet);
    auto* types_ = hub.detail<StatistiqueTypesDechetView>();
    // The charts lay themselves out over a few turns of the event loop: wait for that, not for
    // a fixed time, so that a slow machine does not read them half laid out.
    QTRY_VERIFY(verifierGraphique(types_->vueFrequences()) >= 0);
    QTRY_VERIFY2(verifierGraphique(types_->vueEvolution()) >= 4,
                 qPrintable(QString::number(verifierGraphique(types_->vueEvolution()))));
    QCOMPARE(types_->legendeAffichee()->nomsAffiches(), types_->legendeEvolution());
    QVERIFY(types_->legendeAffichee()->isVisible());
    QVERIFY(types_->legendeAffichee()->height() >= types_->legendeAffichee()->heightForWidth(types_->legendeAffichee()->width()));

    hub.cliquer(StatistiqueType::repartitionTypeBenne);
    auto* rendement = hub.detail<StatistiqueRendementVolumeView>();
    QTRY_VERIFY(verifierGraphique(rendement->vueBarres()) >= 0);
    QTRY_VERIFY2(verifierGraphique(rendement->timeline()->vue()) >= 4,
                 qPrintable(QString::number(verifierGraphique(rendement->timeline()->vue()))));

    // The inactive clients: the count of the last twelve months stays in view.
    Client* ancien = client(ctx.get(), QStringLiteral("Terrassements et démolitions du Grand Lyon"), {}, {}, {},
                            QStringLiteral("contact@tdgl.fr"));
    ancien->setTelephone(QStringLiteral("04 78 00 00 00"));
    rental(ancien, bennes[0], nullptr, parisMs(2025, 11, 2), parisMs(2025, 11, 5));
    rental(ancien, bennes[0], nullptr, parisMs(2025, 12, 2), parisMs(2025, 12, 5));
    QVERIFY(ctx->save());
    hub.cliquer(StatistiqueType::clientsInactifs);
    auto* inactifs = hub.detail<ClientsInactifsView>();
    inactifs->setSeuilMois(6);
    auRepos();
    QListView* liste = inactifs->findChild<QListView*>();
    QVERIFY(liste);
    QVERIFY(liste->model()->rowCount() >= 1);
    for (int row = 0; row < liste->model()->rowCount(); ++row) {
        const QModelIndex index = liste->model()->index(row, 0);
        const QStyleOptionViewItem option = optionDeLigne(liste, index);
        const QString info = ClientInactifDelegate::textesAffiches(option, index).last();
        QVERIFY2(info.endsWith(QStringLiteral("Locations (12 mois) : 2")), qPrintable(info));
    }
}

// A phone number is drawn once, in the text colour: no offset copy of it around the glyphs, at
// scale 1 and 1.5.
void TestVues::inactiveClientsPhoneDrawnOnce()
{
    auto ctx = storeInFolder();
    Benne* b = colouredSkip(ctx.get(), 10);
    Client* ancien = client(ctx.get(), QStringLiteral("Bâtiments Roux"));
    const QString tel = QStringLiteral("04 72 00 00 00");
    ancien->setTelephone(tel);
    rental(ancien, b, nullptr, parisMs(2025, 10, 1), parisMs(2025, 10, 20));
    QVERIFY(ctx->save());

    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::clientsInactifs);
    auto* vue = hub.detail<ClientsInactifsView>();
    QVERIFY(vue);
    QListView* liste = vue->liste();
    QTRY_COMPARE(liste->model()->rowCount(), 1);
    const QModelIndex index = liste->model()->index(0, 0);
    for (const qreal echelle : {1.0, 1.5}) {
        QStyleOptionViewItem option = optionDeLigne(liste, index);
        option.rect.moveTopLeft(QPoint(0, 0));
        // Glyphs without antialiasing: every pixel of the number is then the text colour itself.
        option.font.setStyleStrategy(QFont::NoAntialias);
        option.palette.setColor(QPalette::Text, Qt::black);
        QImage image((QSizeF(option.rect.size()) * echelle).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(echelle);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            liste->itemDelegate()->paint(&p, option, index);
        }
        const QRect copier = ClientInactifDelegate::rectCopier(option, index);
        QVERIFY(!copier.isNull());
        // From a little before "Tél : " to the button's antialiased edge, above the hairline
        // between rows.
        const int debut = copier.left() - QFontMetrics(option.font).horizontalAdvance(QStringLiteral("Tél : ") + tel) - 8;
        const QRect bande(QPoint(int(debut * echelle), 0),
                          QPoint(int((copier.left() - 2) * echelle) - 1, int((option.rect.height() - 3) * echelle)));
        int encre = 0;
        int autres = 0;
        for (int y = bande.top(); y <= bande.bottom(); ++y)
            for (int x = bande.left(); x <= bande.right(); ++x) {
                const QRgb px = image.pixel(x, y);
                if (px == qRgb(0, 0, 0))
                    ++encre;
                else if (px != qRgb(255, 255, 255))
                    ++autres;
            }
        QVERIFY2(encre > 0, qPrintable(QString::number(echelle)));
        QVERIFY2(autres == 0, qPrintable(QStringLiteral("%1 pixels of another colour at %2").arg(autres).arg(echelle)));
    }
}

// The hub shows its first statistic from the rentals in store order, without any sort: what it
// shows is what the date-sorted list gives. The rentals are sorted only for the statistic that
// reads them in date order, once: opened again, the hub sorts nothing again.
void TestVues::firstStatisticAtOnceIsTheSettledOne()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont"));
    Benne* b = colouredSkip(ctx.get(), 10);
    // Created in an order that is not the placement dates' one.
    for (int i = 0; i < 40; ++i)
        rental(c, b, nullptr, parisMs(i % 2 ? 2026 : 2025, 1 + (i * 7) % 12, 1 + (i * 5) % 27, (i * 3) % 24));
    QVERIFY(ctx->save());

    struct Vu {
        QList<int> annees;
        QList<qint64> nombres;
        QString titre, pic, creux;
        bool operator==(const Vu&) const = default;
    };
    auto vu = [](StatistiqueSaisonnaliteView* s) {
        Vu v{s->anneesOffertes(), {}, s->titreAffiche(), s->textePic(), s->texteCreux()};
        for (const stats::StatsLocationMois& m : s->serie())
            v.nombres.append(m.nombre);
        return v;
    };
    auto requete = [&ctx] {
        return ctx->findChild<QueryBase*>(QStringLiteral("statistiques.locationsParDatePose"));
    };

    Vu aussitot;
    {
        Hub hub(ctx.get());
        auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
        QVERIFY(saison);
        aussitot = vu(saison);
        QCOMPARE(aussitot.annees, (QList<int>{2025, 2026}));
        QVERIFY(std::accumulate(aussitot.nombres.begin(), aussitot.nombres.end(), qint64(0)) == 20);
        // Going to statistics that count whatever the order, and back, shows the same and
        // sorts nothing.
        for (StatistiqueType t : {StatistiqueType::histogrammeVolume, StatistiqueType::repartitionTypeBenne,
                                  StatistiqueType::carteChaleur, StatistiqueType::saisonnalite})
            hub.cliquer(t);
        saison = hub.detail<StatistiqueSaisonnaliteView>();
        QVERIFY(vu(saison) == aussitot);
        QVERIFY(!requete() || requete()->evaluationCount() == 0);
        const QList<stats::StatsLocationMois> trie
            = stats::statsParMois(stats::datesPose(hub.vue.source()->toutesLocations()), 2026, paris());
        QCOMPARE(trie.size(), saison->serie().size());
        for (qsizetype m = 0; m < trie.size(); ++m)
            QCOMPARE(trie[m].nombre, saison->serie()[m].nombre);
    }
    // Opened again: the same at once, the rentals not sorted again.
    Hub encore(ctx.get());
    QVERIFY(vu(encore.detail<StatistiqueSaisonnaliteView>()) == aussitot);
    encore.cliquer(StatistiqueType::typesDechet);
    QCOMPARE(requete()->evaluationCount(), quint64(1));
}

// "Clients inactifs" in a 1200 × 760 window, and in the same window at scale 1.5: the relative
// date shows whole and the count stays in view, however long the row's phone.
void TestVues::inactiveClientsDateWhole()
{
    auto ctx = storeInFolder();
    Benne* b = colouredSkip(ctx.get(), 10);
    for (int i = 0; i < 30; ++i) {
        Client* c = client(ctx.get(), QStringLiteral("Terrassements et démolitions du Grand Lyon %1").arg(i),
                           {}, {}, {}, QStringLiteral("contact%1@tdgl.fr").arg(i));
        c->setTelephone(i % 2 ? QStringLiteral("+33 (0)4 78 00 00 00 poste 12") : QStringLiteral("04 78 00 00 00"));
        rental(c, b, nullptr, parisMs(2025, 8, 2 + i % 20), parisMs(2025, 8, 25));
    }
    QVERIFY(ctx->save());
    for (const QSize taille : {QSize(1200, 760), QSize(800, 507)}) {
        Hub hub(ctx.get());
        hub.vue.resize(taille);
        QVERIFY(QTest::qWaitForWindowExposed(&hub.vue));
        hub.cliquer(StatistiqueType::clientsInactifs);
        auto* inactifs = hub.detail<ClientsInactifsView>();
        QVERIFY(inactifs);
        QListView* liste = inactifs->liste();
        QTRY_COMPARE(liste->model()->rowCount(), 30);
        auRepos(); // the list lays its rows out again after a resize
        for (int row = 0; row < liste->model()->rowCount(); ++row) {
            const QModelIndex index = liste->model()->index(row, 0);
            const QStyleOptionViewItem option = optionDeLigne(liste, index);
            const QString information = index.data(LignesClientsInactifsModel::InformationRole).toString();
            QVERIFY2(information.contains(QStringLiteral("mois")), qPrintable(information));
            const QStringList textes = ClientInactifDelegate::textesAffiches(option, index);
            const QString vu = textes.mid(1).join(QStringLiteral(" • "));
            QVERIFY2(vu == information, qPrintable(QString::number(taille.width()) + " " + vu));
            QVERIFY(textes.last().endsWith(QStringLiteral("Locations (12 mois) : 1")));
            // The row has the room for the lines it shows.
            const QFontMetrics nom(fontForStyle(TextStyle::headline, liste->font()));
            const QFontMetrics info(fontForStyle(TextStyle::caption, liste->font()));
            QVERIFY(option.rect.height() >= nom.height() + (textes.size() - 1) * (info.height() + 2));
        }
    }
}

// The map's filter segments at 1200 px, the period's dates shown beside them: every title whole.
void TestVues::filterTitlesAt1200()
{
    auto ctx = storeInFolder();
    Query<LocationDeBenne> locations(ctx.get(), {}, {});
    CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, fixedClock(maintenant()));
    carte.resize(1200 - 220, 700);
    carte.show();
    QVERIFY(QTest::qWaitForWindowExposed(&carte));
    QTest::mouseClick(carte.picker()->segments()[5], Qt::LeftButton);
    QCoreApplication::processEvents();
    for (FiltreSegment* s : carte.picker()->segments()) {
        QVERIFY2(s->shownLines().join(QLatin1Char(' ')) == s->text(), qPrintable(s->shownLines().join(QLatin1Char('|'))));
        QVERIFY(s->shownLines().size() <= 2);
    }
}

// ---------------------------------------------------------------------------------------------
// The window's smallest size: 760 × 480 leaves the hub about 536 × 400.

namespace {

// The hub's scrolling area and what it shows.
QScrollArea* defilement(const Hub& hub)
{
    return qobject_cast<QScrollArea*>(hub.vue.detail()->parentWidget()->parentWidget());
}

// Where `w` stands across the hub's page, in the page's visible width.
bool dansLaLargeur(QWidget* w, QWidget* zone)
{
    const QRect r(w->mapTo(zone, QPoint(0, 0)), w->size());
    return r.left() >= 0 && r.right() < zone->width();
}

// The hub shown at that size.
bool enPetit(Hub& hub)
{
    hub.vue.resize(kPlusPetit);
    return QTest::qWaitForWindowExposed(&hub.vue);
}

// A store of four years of rentals over eight waste types, clients with a phone and an e-mail.
std::unique_ptr<ModelContext> magasinRealiste()
{
    auto ctx = storeInFolder();
    QList<TypeDechet*> types;
    for (const char* n : {"Gravats", "Bois", "Déchets verts", "Plâtre", "Métaux", "Cartons", "DIB", "Amiante lié"})
        types.append(colouredWasteType(ctx.get(), QString::fromUtf8(n), std::nullopt));
    QList<Benne*> bennes{colouredSkip(ctx.get(), 3), colouredSkip(ctx.get(), 8, QStringLiteral("FF0000")),
                         colouredSkip(ctx.get(), 15, QStringLiteral("00AA00")), colouredSkip(ctx.get(), 30)};
    QList<Client*> clients;
    for (int i = 0; i < 12; ++i) {
        Client* c = client(ctx.get(), QStringLiteral("Terrassements et démolitions %1").arg(i), {}, {}, {},
                           QStringLiteral("contact%1@exemple.fr").arg(i));
        c->setTelephone(QStringLiteral("05 56 00 00 %1").arg(10 + i));
        clients.append(c);
    }
    for (int m = 0; m < 48; ++m)
        for (int k = 0; k < 5; ++k) {
            LocationDeBenne* l = rental(clients[(m + k) % (m < 40 ? 12 : 3)], bennes[(m + k) % 4], types[(m * 3 + k) % 8],
                                        parisMs(2023 + m / 12, 1 + m % 12, 2 + k), parisMs(2023 + m / 12, 1 + m % 12, 9 + k));
            l->setLatitude(44.8 + k * 0.01);
            l->setLongitude(-0.57 + m * 0.001);
        }
    return ctx;
}

} // namespace

// Every statistic in the smallest window, at scale 1 and 1.5 alike: the page never scrolls
// sideways and opens at its left edge, every button and picker is whole in its width, a label is
// whole or cut with "…", and a list in the page never scrolls up and down inside a page that
// does. The hub's own list narrows to its titles.
void TestVues::everyStatisticAtTheSmallestSize()
{
    auto ctx = magasinRealiste();
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    QVERIFY(enPetit(hub));
    QListWidget* sidebar = hub.vue.sidebar();
    QVERIFY2(sidebar->width() < 260, qPrintable(QString::number(sidebar->width())));
    for (StatistiqueType t : toutesLesStatistiques()) {
        hub.cliquer(t);
        auRepos();
        QScrollArea* area = defilement(hub);
        QWidget* zone = area->viewport();
        const QString ou = titre(t);
        QVERIFY2(!area->horizontalScrollBar()->isVisible(),
                 qPrintable(ou + QStringLiteral(": %1 px for %2").arg(hub.vue.detail()->minimumSizeHint().width()).arg(zone->width())));
        QCOMPARE(area->horizontalScrollBar()->value(), 0);
        for (QWidget* w : hub.vue.detail()->findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w))
                QVERIFY2(dansLaLargeur(w, zone), qPrintable(ou + QStringLiteral(": ") + w->metaObject()->className()));
            if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && l->pixmap().isNull())
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width() + 1 && dansLaLargeur(l, zone),
                         qPrintable(ou + QStringLiteral(": ") + l->text()));
            if (auto* liste = qobject_cast<QAbstractScrollArea*>(w); liste && area->verticalScrollBar()->isVisible())
                QVERIFY2(!liste->verticalScrollBar()->isVisible(), qPrintable(ou + QStringLiteral(": nested scroll bars")));
        }
    }
    // Every title whole at this size; a narrower hub cuts them, each whole in its tool tip.
    for (int i = 0; i < sidebar->count(); ++i) {
        const QRect r = sidebar->visualItemRect(sidebar->item(i));
        QHelpEvent aide(QEvent::ToolTip, r.center(), sidebar->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(sidebar->viewport(), &aide);
        QVERIFY2(!QToolTip::isVisible() || QToolTip::text() != sidebar->item(i)->text(), qPrintable(sidebar->item(i)->text()));
    }
    hub.vue.resize(400, 400);
    QCoreApplication::processEvents();
    QVERIFY(sidebar->width() < 120);
    const int rendement = int(toutesLesStatistiques().indexOf(StatistiqueType::repartitionTypeBenne));
    const QRect r = sidebar->visualItemRect(sidebar->item(rendement));
    QHelpEvent aide(QEvent::ToolTip, r.center(), sidebar->viewport()->mapToGlobal(r.center()));
    QApplication::sendEvent(sidebar->viewport(), &aide);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Rendement par volume"));
    QToolTip::hideText();
}

// "Saisonnalité" at the smallest size over nine years: every year button whole, every month
// named, none cut, none touching the next, the title on two lines rather than cut.
void TestVues::seasonalityAtTheSmallestSize()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont"));
    Benne* b = colouredSkip(ctx.get(), 10);
    for (int annee = 2019; annee <= 2027; ++annee)
        for (int m = 1; m <= 12; ++m)
            rental(c, b, nullptr, parisMs(annee, m, 5 + m % 7));
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    QVERIFY(enPetit(hub));
    auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
    QVERIFY(saison);
    QWidget* zone = defilement(hub)->viewport();
    auto* choix = saison->findChild<ChoixSegmente*>();
    QCOMPARE(choix->nombreSegments(), 9);
    for (int i = 0; i < choix->nombreSegments(); ++i) {
        QAbstractButton* annee = choix->segment(i);
        QVERIFY2(annee->isVisible() && dansLaLargeur(annee, zone), qPrintable(annee->text()));
        QVERIFY(annee->width() >= annee->sizeHint().width());
    }
    // A year chosen on the second line works as any other.
    QTest::mouseClick(choix->segment(8), Qt::LeftButton);
    QCOMPARE(saison->anneeSelectionnee(), 2027);

    auto* vue = saison->findChild<QChartView*>();
    QTRY_VERIFY(vue->chart()->plotArea().width() > 0);
    QCoreApplication::processEvents();
    stats::NomsDesBarres* noms = stats::NomsDesBarres::de(vue->chart());
    // Every month named, none left out for its neighbours, none touching the next.
    QCOMPARE(noms->textes(), stats::libellesMois());
    QCOMPARE(verifierGraphique(vue), 0);
    const QList<QPolygonF> mois = noms->emprises();
    QCOMPARE(mois.size(), 12);
    for (qsizetype k = 0; k < mois.size(); ++k) {
        QVERIFY(mois[k].boundingRect().top() > vue->chart()->plotArea().bottom());
        QVERIFY(mois[k].boundingRect().bottom() <= vue->height());
        if (k > 0)
            QVERIFY(mois[k - 1].intersected(mois[k]).isEmpty());
    }
    QVERIFY(!saison->titreAffiche().isEmpty());

    // Wide, the months read whole again.
    hub.vue.resize(1200, 760);
    QTRY_COMPARE(noms->textes().value(0), QStringLiteral("Jan"));
}

// "Saisonnalité" with up to eight rentals a month in a low chart: the value axis shows
// fewer ticks rather than labels cut to "…", at a whole step; grown, it shows every count again.
void TestVues::seasonalityValueAxisWholeWhenLow()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont"));
    Benne* b = colouredSkip(ctx.get(), 10);
    for (int m = 1; m <= 12; ++m)
        for (int k = 0; k < m % 8 + 1; ++k)
            rental(c, b, nullptr, parisMs(2026, m, 5 + k));
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    auto* saison = hub.detail<StatistiqueSaisonnaliteView>();
    QVERIFY(saison);
    auto* vue = saison->findChild<QChartView*>();
    const auto libellesValeurs = [vue] {
        QStringList out;
        const QRegularExpression nombre(QStringLiteral("^\\d+$|…"));
        for (QGraphicsItem* i : textesDeScene(vue))
            if (emprise(i).boundingRect().right() <= vue->chart()->plotArea().left() + 1 && nombre.match(texteDe(i)).hasMatch())
                out.append(texteDe(i));
        return out;
    };
    for (const int hauteur : {200, 170, 140}) {
        vue->setMinimumHeight(0);
        vue->setFixedHeight(hauteur);
        QTRY_VERIFY(vue->chart()->plotArea().height() > 0 && vue->chart()->plotArea().height() < hauteur);
        QCoreApplication::processEvents();
        const QStringList lus = libellesValeurs();
        QVERIFY2(lus.size() >= 2, qPrintable(lus.join(' ')));
        for (const QString& l : lus)
            QVERIFY2(!l.contains(QStringLiteral("…")), qPrintable(QString::number(hauteur) + ": " + lus.join(' ')));
        QVERIFY2(lus.contains(QStringLiteral("0")), qPrintable(lus.join(' ')));
    }
    vue->setFixedHeight(600);
    auto* axe = qobject_cast<QValueAxis*>(vue->chart()->axes(Qt::Vertical).value(0));
    QVERIFY(axe);
    QTRY_COMPARE(libellesValeurs().size(), axe->tickCount());
}

// The values over the bars: at the smallest size some give way, and those shown never overlap;
// with room, every one is shown. A bar tells its name and value under the pointer.
void TestVues::barValuesNeverOverlap()
{
    // As many types as a large office keeps: at the smallest size, only some bars are numbered.
    constexpr int kTypes = 30;
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), QStringLiteral("Dupont"));
    Benne* b = colouredSkip(ctx.get(), 10);
    for (int t = 0; t < kTypes; ++t) {
        TypeDechet* type = colouredWasteType(ctx.get(), QStringLiteral("Déchet n° %1").arg(t), std::nullopt);
        for (int n = 0; n < 100 + t; ++n)
            rental(c, b, type, parisMs(2026, 1 + n % 5, 1 + n % 20));
    }
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    QVERIFY(enPetit(hub));
    hub.cliquer(StatistiqueType::typesDechet);
    auto* types = hub.detail<StatistiqueTypesDechetView>();
    QVERIFY(types);
    stats::GraphiqueLeger* graphique = types->vueFrequences();
    QTRY_VERIFY(graphique->zoneTrace().width() > 0);
    QCoreApplication::processEvents();
    QCOMPARE(graphique->annotations().size(), kTypes);
    const QList<QRectF> places = graphique->placesAnnotations();
    QVERIFY(!places.isEmpty());
    QVERIFY(places.size() < kTypes);
    for (qsizetype i = 0; i < places.size(); ++i)
        for (qsizetype j = i + 1; j < places.size(); ++j)
            QVERIFY2(!places[i].intersects(places[j]),
                     qPrintable(graphique->annotationsVisibles()[i] + QStringLiteral(" / ") + graphique->annotationsVisibles()[j]));
    // Under the bars, their numbers, none over another, none cut, none out of the chart; the
    // list under the chart tells every number's name and value.
    QTRY_VERIFY(verifierGraphique(graphique) >= 0);
    QTRY_VERIFY(types->listeFrequences()->isVisible());
    const QString liste = types->listeFrequences()->text().replace(QChar(0x00A0), QLatin1Char(' '));
    for (int i = 0; i < kTypes; ++i) {
        QVERIFY(graphique->noms()[i].isEmpty() || graphique->noms()[i] == QString::number(i + 1));
        QVERIFY(liste.contains(QStringLiteral("%1. %2 : %3").arg(i + 1).arg(types->barres()[i].libelle).arg(types->barres()[i].nbLocations)));
    }
    const QList<QPolygonF> emprises = graphique->emprisesNoms();
    QVERIFY(!emprises.isEmpty());
    const QRectF cadre(QPointF(0, 0), graphique->size());
    for (qsizetype i = 0; i < emprises.size(); ++i) {
        QVERIFY(cadre.contains(emprises[i].boundingRect()));
        // A gap between neighbours, so that « 9 » and « 11 » never read as « 911 ».
        for (qsizetype j = i + 1; j < emprises.size(); ++j)
            QVERIFY(!emprises[i].boundingRect().adjusted(-2, 0, 2, 0).intersects(emprises[j].boundingRect()));
    }

    hub.vue.resize(1600, 900);
    QTRY_COMPARE(graphique->annotationsVisibles().size(), kTypes);
    QTRY_VERIFY(!graphique->noms().contains(QString()));
    QTRY_VERIFY(!types->listeFrequences()->isVisible());

    // Under the pointer, a bar's name and value.
    const QPoint sur = graphique->placeBarre(0).center().toPoint();
    QHelpEvent aide(QEvent::ToolTip, sur, graphique->mapToGlobal(sur));
    QApplication::sendEvent(graphique, &aide);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), graphique->barres()[0].nom + QStringLiteral(" : ") + QString::number(qint64(graphique->barres()[0].valeur)));
    QToolTip::hideText();
}

// "Clients inactifs" at the smallest size: the threshold and the toggle whole, and each row's
// "Copier tél." and "E-mail" whole inside the list, the phone whole on its own line.
void TestVues::inactiveClientsAtTheSmallestSize()
{
    auto ctx = storeInFolder();
    Benne* b = colouredSkip(ctx.get(), 10);
    for (int i = 0; i < 8; ++i) {
        Client* c = client(ctx.get(), QStringLiteral("Terrassements et démolitions du Grand Lyon %1").arg(i), {}, {},
                           {}, QStringLiteral("contact%1@tdgl.fr").arg(i));
        c->setTelephone(QStringLiteral("+33 (0)4 78 00 00 0%1").arg(i));
        rental(c, b, nullptr, parisMs(2025, 8, 2 + i), parisMs(2025, 8, 25));
    }
    QVERIFY(ctx->save());
    Hub hub(ctx.get());
    QVERIFY(enPetit(hub));
    hub.cliquer(StatistiqueType::clientsInactifs);
    auto* inactifs = hub.detail<ClientsInactifsView>();
    QVERIFY(inactifs);
    QWidget* zone = defilement(hub)->viewport();
    for (int i = 0; i < 3; ++i)
        QVERIFY(dansLaLargeur(inactifs->choixSeuil()->segment(i), zone));
    QVERIFY(dansLaLargeur(inactifs->caseJamaisLoues(), zone));
    QListView* liste = inactifs->liste();
    QTRY_COMPARE(liste->model()->rowCount(), 8);
    auRepos();
    QVERIFY(!liste->horizontalScrollBar()->isVisible());
    const QRect visible = liste->viewport()->rect();
    for (int row = 0; row < liste->model()->rowCount(); ++row) {
        const QModelIndex index = liste->model()->index(row, 0);
        const QStyleOptionViewItem option = optionDeLigne(liste, index);
        for (const QRect& bouton : {ClientInactifDelegate::rectCopier(option, index), ClientInactifDelegate::rectEmail(option, index)}) {
            QVERIFY(!bouton.isNull());
            QVERIFY2(bouton.left() >= visible.left() && bouton.right() <= visible.right(),
                     qPrintable(QStringLiteral("%1..%2 in %3").arg(bouton.left()).arg(bouton.right()).arg(visible.width())));
            QVERIFY(bouton.top() >= option.rect.top() && bouton.bottom() <= option.rect.bottom());
        }
        QCOMPARE(ClientInactifDelegate::telephoneAffiche(option, index), index.data(LignesClientsInactifsModel::TelephoneRole).toString());
        // Everything the row says, cut or not, is in it or in its tool tip.
        const QStringList textes = ClientInactifDelegate::textesAffiches(option, index);
        QVERIFY2(textes.last().endsWith(QStringLiteral("Locations (12 mois) : 1")), qPrintable(textes.join('|')));
    }
    // A click on the first row's "Copier tél." copies its phone.
    const QModelIndex premier = liste->model()->index(0, 0);
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                      ClientInactifDelegate::rectCopier(optionDeLigne(liste, premier), premier).center());
    QCOMPARE(QGuiApplication::clipboard()->text(), premier.data(LignesClientsInactifsModel::TelephoneRole).toString());
}

// The map of rented skips in the smallest window's detail area: the screen no wider than it,
// every filter's title whole on two rows of segments, the period's dates in view under them, and
// room left for the map.
void TestVues::mapAtTheSmallestSize()
{
    auto ctx = magasinRealiste();
    QVERIFY(ctx->save());
    Query<LocationDeBenne> locations(ctx.get(), {}, {});
    QScrollArea zone;
    zone.setWidgetResizable(true);
    auto* carte = new CarteBennesLouees(&locations, Observable<bool>(), nullptr, fixedClock(maintenant()));
    zone.setWidget(carte);
    zone.setFrameShape(QFrame::NoFrame);
    zone.resize(kPlusPetit);
    zone.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zone));
    QTest::mouseClick(carte->picker()->segments()[5], Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY2(!zone.horizontalScrollBar()->isVisible() && !zone.verticalScrollBar()->isVisible(),
             qPrintable(QStringLiteral("%1 x %2").arg(carte->minimumSizeHint().width()).arg(carte->minimumSizeHint().height())));
    for (FiltreSegment* s : carte->picker()->segments()) {
        QVERIFY(dansLaLargeur(s, zone.viewport()));
        QVERIFY2(s->shownLines().join(QLatin1Char(' ')) == s->text(), qPrintable(s->shownLines().join(QLatin1Char('|'))));
    }
    QCOMPARE(carte->picker()->columns(), 3);
    for (QDateEdit* date : carte->findChildren<QDateEdit*>()) {
        QVERIFY(date->isVisible());
        QVERIFY(dansLaLargeur(date, zone.viewport()));
        QVERIFY(date->mapTo(carte, QPoint(0, date->height())).y() < kPlusPetit.height() / 2);
    }
    auto* map = carte->findChild<QWidget*>(QStringLiteral("carte"));
    QVERIFY(map && map->isVisible());
    QVERIFY(map->height() >= 150);
    // Wide, the filters stand on one row.
    QTest::mouseClick(carte->picker()->segments()[0], Qt::LeftButton);
    zone.resize(1200 - 220, 700);
    QCoreApplication::processEvents();
    QCOMPARE(carte->picker()->columns(), 6);
}

namespace {

// Every label of `fenetre` with a text is whole or cut with « … », and reads at 4.5:1 (3:1 for
// large text) on what lies under it.
inline void verifierLabels(QWidget* fenetre, const QString& ou, QStringList* fautes)
{
    const QImage image = fenetre->grab().toImage();
    for (QLabel* label : fenetre->findChildren<QLabel*>()) {
        const QString texte = kv::shownText(label);
        const QRect vu = fixtures::shownPart(label, fenetre);
        if (!label->isVisible() || !label->pixmap().isNull() || texte.trimmed().isEmpty() || vu.isEmpty())
            continue;
        const int large = label->fontMetrics().horizontalAdvance(texte.section(QLatin1Char('\n'), 0, 0));
        if (!label->wordWrap() && large > label->contentsRect().width() + 1)
            fautes->append(QStringLiteral("%1: « %2 » cut").arg(ou, texte.left(40)));
        const bool grand = label->font().pointSizeF() >= 18 || (label->font().bold() && label->font().pointSizeF() >= 14);
        const double c = fixtures::drawnContrast(image, QRect(vu.topLeft() * image.devicePixelRatio(), vu.size() * image.devicePixelRatio()));
        if (c < (grand ? 3.0 : 4.5))
            fautes->append(QStringLiteral("%1: « %2 » reads at %3:1").arg(ou, texte.left(40)).arg(c, 0, 'f', 1));
    }
}

} // namespace

// Under a dark or the light palette, at 12 points (and 9 in the dark), every statistic and the map
// of rented skips read: the charts' axis texts stand out from the window and their grid lines do
// not glare; every label and filter segment reads on what lies under it, whole or cut with « … ».
void TestVues::everyStatisticReadsInDarkAndLightFrom9To12Points()
{
    auto ctx = magasinRealiste();
    QVERIFY(ctx->save());
    QStringList fautes;
    for (const auto& [sombre, points] : {std::pair{true, 12.0}, std::pair{false, 12.0}, std::pair{true, 9.0}}) {
        const fixtures::DesktopLook bureau(sombre, points);
        Hub hub(ctx.get());
        QVERIFY(QTest::qWaitForWindowExposed(&hub.vue));
        const QColor fond = hub.vue.palette().color(QPalette::Window);
        for (StatistiqueType t : toutesLesStatistiques().mid(1)) {
            hub.cliquer(t);
            QTRY_VERIFY(hub.vue.detail() && hub.vue.detail()->isVisible());
            settle();
            const QString ou = QStringLiteral("%1 (%2, %3 pt)").arg(titre(t)).arg(sombre).arg(points);
            for (QChartView* vue : hub.vue.detail()->findChildren<QChartView*>())
                for (QAbstractAxis* a : vue->chart()->axes())
                    if (std::min(forms::contrastRatio(a->labelsBrush().color(), fond), forms::contrastRatio(a->titleBrush().color(), fond)) < 4.5
                        || forms::contrastRatio(a->gridLineColor(), fond) > 6)
                        fautes.append(ou + QStringLiteral(": axis texts faint or grid glaring"));
            for (stats::GraphiqueLeger* g : hub.vue.detail()->findChildren<stats::GraphiqueLeger*>()) {
                if (forms::contrastRatio(g->couleurTextes(), fond) < 4.5 || forms::contrastRatio(g->couleurGrille(), fond) > 6)
                    fautes.append(ou + QStringLiteral(": axis texts faint or grid glaring"));
                QList<QColor> marques;
                for (const stats::GraphiqueLeger::Barre& b : g->barres())
                    marques.append(b.couleur);
                for (const stats::GraphiqueLeger::Serie& serie : g->series())
                    marques.append(serie.couleur);
                for (const QColor& c : marques)
                    if (forms::contrastRatio(c, fond) < 3.0)
                        fautes.append(ou + QStringLiteral(": a mark at %1:1").arg(forms::contrastRatio(c, fond), 0, 'f', 1));
            }
            verifierLabels(&hub.vue, ou, &fautes);
        }
        Query<LocationDeBenne> locations(ctx.get());
        CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, fixedClock(maintenant()));
        for (const QSize taille : {QSize(1200, 760), kPlusPetit}) {
            carte.resize(taille);
            carte.show();
            const QList<FiltreSegment*> segments = carte.picker()->segments();
            QTRY_VERIFY(std::all_of(segments.cbegin(), segments.cend(), [](FiltreSegment* s) {
                return s->width() >= s->sizeHint().width() && s->height() >= s->sizeHint().height();
            }));
            for (FiltreSegment* segment : segments) {
                const QImage image = segment->grab().toImage();
                const QString montre = segment->shownLines().join(QLatin1Char(' '));
                if (fixtures::drawnContrast(image, image.rect().adjusted(8, 8, -8, -8)) < 4.5
                    || (montre != segment->text() && !montre.endsWith(QChar(0x2026))))
                    fautes.append(QStringLiteral("%1 px (%2): « %3 »").arg(taille.width()).arg(sombre).arg(montre));
            }
            verifierLabels(&carte, QString::number(taille.width()), &fautes);
        }
    }
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(QLatin1Char('\n'))));
}

// « Copier tél. » and « E-mail » by keys alone: Tab from the check box lands on a row, ↓ reaches a
// client with both, Tab goes from button to button, each framed, Return presses it; past the last
// one Tab leaves the list. Nobody inactive: the screen says so instead of an empty box.
void TestVues::inactiveClientsByKeys()
{
    auto ctx = storeInFolder();
    Benne* b = colouredSkip(ctx.get(), 10);
    client(ctx.get(), QStringLiteral("Atelier sans contact"));
    Client* ancien = client(ctx.get(), QStringLiteral("Bâtiments Roux"));
    ancien->setTelephone(QStringLiteral("04 72 00 00 00"));
    ancien->setEmail(QStringLiteral("roux@example.fr"));
    rental(ancien, b, nullptr, parisMs(2025, 10, 1), parisMs(2025, 10, 20));
    Hub hub(ctx.get());
    QVERIFY(QTest::qWaitForWindowExposed(&hub.vue));
    hub.cliquer(StatistiqueType::clientsInactifs);
    auto* vue = hub.detail<ClientsInactifsView>();
    QListView* liste = vue->liste();
    auto* delegue = qobject_cast<ClientInactifDelegate*>(liste->itemDelegate());
    hub.vue.activateWindow();
    vue->caseJamaisLoues()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(liste));
    QTest::keyClick(liste, Qt::Key_Down);
    QCOMPARE(liste->currentIndex().row(), 1);
    QCOMPARE(delegue->boutonClavier(), ClientInactifDelegate::Bouton::copier);
    // The focused button is drawn framed, and no more once the keyboard goes on.
    const QRect copier = ClientInactifDelegate::rectCopier(optionDeLigne(liste, liste->currentIndex()), liste->currentIndex());
    const auto vu = [&] { return liste->viewport()->grab(copier).toImage(); };
    const QImage avecFocus = vu();
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("04 72 00 00 00"));
    fixtures::HeardAnnouncements lecteur; // the painted button the keys reach
    QTest::keyClick(liste, Qt::Key_Tab);
    QCOMPARE(lecteur.said, QStringList{QStringLiteral("E-mail, Bâtiments Roux")});
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(liste));
    QCOMPARE(delegue->boutonClavier(), ClientInactifDelegate::Bouton::email);
    QVERIFY(vu() != avecFocus);
    {
        RecordingDesktopOpener bureau;
        QTest::keyClick(liste, Qt::Key_Return);
        QCOMPARE(bureau.openedUrls, (QList<QUrl>{QUrl(QStringLiteral("mailto:roux@example.fr"))}));
    }
    QTest::keyClick(liste, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != liste);

    // Nobody inactive over three months once the old client rents again.
    rental(ancien, b, nullptr, parisMs(2026, 6, 1));
    vue->setInclureJamaisLoues(false);
    QVERIFY(ctx->save());
    cliquerSegment(vue->choixSeuil(), QStringLiteral("3 mois"));
    QTRY_VERIFY(vue->texteAucun()->isVisible() && !liste->isVisible());
    QCOMPARE(vue->texteAucun()->text(), QStringLiteral("Aucun client n’est inactif depuis 3 mois."));
}

// Scrolled by the wheel, the list's first click acts on the row under the pointer, and Tab into
// it puts the keys on a row in view: the list never goes back to its top by itself.
void TestVues::inactiveClientsClickedAfterTheWheel()
{
    auto ctx = storeInFolder();
    for (int i = 0; i < 60; ++i)
        client(ctx.get(), QStringLiteral("Client %1").arg(i))->setTelephone(QStringLiteral("04 72 00 00 %1").arg(i));
    Hub hub(ctx.get());
    hub.cliquer(StatistiqueType::clientsInactifs);
    QListView* liste = hub.detail<ClientsInactifsView>()->liste();
    const QPoint ici = liste->viewport()->rect().center();
    fixtures::turnWheel(liste->viewport(), ici, -10);
    auRepos();
    const QModelIndex sous = liste->indexAt(ici);
    QVERIFY(sous.row() > 10);
    const QRect copier = ClientInactifDelegate::rectCopier(optionDeLigne(liste, sous), sous);
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, copier.center());
    QCOMPARE(QGuiApplication::clipboard()->text(), sous.data(LignesClientsInactifsModel::TelephoneRole).toString());
    liste->setCurrentIndex({});
    hub.vue.sidebar()->setFocus(Qt::OtherFocusReason);
    liste->setFocus(Qt::TabFocusReason);
    QCOMPARE(liste->indexAt(ici), sous);
    QVERIFY(liste->viewport()->rect().contains(liste->visualRect(liste->currentIndex())));
}
