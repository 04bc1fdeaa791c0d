// The pieces the statistics share, on their own.
#include "tests.h"

#include "screenfixtures.h"

#include "stats/choixsegmente.h"
#include "stats/clientsinactifsview.h"
#include "stats/graphiqueleger.h"
#include "stats/sourcestatistiques.h"
#include "stats/statscharts.h"
#include "widgets/colors.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"
#include "widgets/textstyles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QVBoxLayout>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>

using namespace kv;
using namespace kv::stats;
using namespace fixtures;

namespace {

LigneClientInactif ligne(const QUuid& id, const QString& nom, std::optional<qint64> jours = std::nullopt)
{
    LigneClientInactif l;
    l.id = id;
    l.nom = nom;
    l.daysSinceLast = jours;
    if (jours)
        l.lastActivity = parisMs(2026, 6, 15) - *jours * 24 * 3600 * 1000;
    return l;
}

QStringList noms(const LignesClientsInactifsModel& m)
{
    QStringList t;
    for (int i = 0; i < m.rowCount(); ++i)
        t.append(m.index(i).data().toString());
    return t;
}

} // namespace

void TestPieces::modeleLignesSansRemiseAZero()
{
    LignesClientsInactifsModel modele(parisMs(2026, 6, 15), paris());
    QAbstractItemModelTester verif(&modele, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QList<QUuid> ids;
    for (int i = 0; i < 6; ++i)
        ids.append(QUuid::createUuid());
    modele.setLignes({ligne(ids[0], "A"), ligne(ids[1], "B"), ligne(ids[2], "C"), ligne(ids[3], "D")});
    QCOMPARE(noms(modele), (QStringList{"A", "B", "C", "D"}));

    QSignalSpy remises(&modele, &QAbstractItemModel::modelReset);
    QSignalSpy deplacees(&modele, &QAbstractItemModel::rowsMoved);
    QSignalSpy changees(&modele, &QAbstractItemModel::dataChanged);
    QSignalSpy retirees(&modele, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserees(&modele, &QAbstractItemModel::rowsInserted);

    // Unchanged rows send nothing.
    modele.setLignes({ligne(ids[0], "A"), ligne(ids[1], "B"), ligne(ids[2], "C"), ligne(ids[3], "D")});
    QCOMPARE(changees.size() + deplacees.size() + retirees.size() + inserees.size(), 0);

    // One removed, one new, one moved, one renamed: each told once, the list never reset.
    const QPersistentModelIndex suivi = modele.index(3); // D
    modele.setLignes({ligne(ids[3], "D", 40), ligne(ids[0], "A"), ligne(ids[4], "E"), ligne(ids[2], "C2")});
    QCOMPARE(noms(modele), (QStringList{"D", "A", "E", "C2"}));
    QCOMPARE(remises.size(), 0);
    QCOMPARE(retirees.size(), 1);
    QCOMPARE(inserees.size(), 1);
    QVERIFY(deplacees.size() >= 1);
    QCOMPARE(suivi.row(), 0);
    QCOMPARE(suivi.data(LignesClientsInactifsModel::InformationRole).toString().left(19),
             QString::fromUtf8("Dernière activité :"));

    // Emptied, then filled again.
    modele.setLignes({});
    QCOMPARE(modele.rowCount(), 0);
    modele.setLignes({ligne(ids[5], "F"), ligne(ids[1], "B")});
    QCOMPARE(noms(modele), (QStringList{"F", "B"}));
    QCOMPARE(remises.size(), 0);
}

void TestPieces::choixSegmente()
{
    ChoixSegmente choix(QStringLiteral("Inactivité"));
    choix.setOptions({{QStringLiteral("3 mois"), 3}, {QStringLiteral("6 mois"), 6}, {QStringLiteral("12 mois"), 12}});
    QVERIFY(!choix.valeur().isValid());
    choix.setValeur(6);
    QCOMPARE(choix.valeur().toInt(), 6);
    QSignalSpy choisi(&choix, &ChoixSegmente::choisi);

    // A click on the chosen segment keeps it and says so; another one moves the choice.
    QTest::mouseClick(choix.segment(1), Qt::LeftButton);
    QCOMPARE(choix.valeur().toInt(), 6);
    QTest::mouseClick(choix.segment(2), Qt::LeftButton);
    QCOMPARE(choix.valeur().toInt(), 12);
    QCOMPARE(choisi.size(), 2);
    QCOMPARE(choisi.last().first().toInt(), 12);

    // The arrow keys, stopping at both ends.
    QTest::keyClick(&choix, Qt::Key_Right);
    QCOMPARE(choix.valeur().toInt(), 12);
    QCOMPARE(choisi.size(), 2);
    QTest::keyClick(&choix, Qt::Key_Left);
    QTest::keyClick(&choix, Qt::Key_Left);
    QTest::keyClick(&choix, Qt::Key_Left);
    QCOMPARE(choix.valeur().toInt(), 3);
    QCOMPARE(choisi.size(), 4);
    // A screen reader reads the choice's label and chosen segment, and each segment's state.
    QAccessibleInterface* lu = QAccessible::queryAccessibleInterface(&choix);
    QCOMPARE(lu->text(QAccessible::Name), QStringLiteral("Inactivité"));
    QCOMPARE(lu->text(QAccessible::Description), QStringLiteral("3 mois (choisi)"));
    for (int i = 0; i < 3; ++i) {
        const QAccessible::State etat = QAccessible::queryAccessibleInterface(choix.segment(i))->state();
        QVERIFY(etat.checkable);
        QCOMPARE(bool(etat.checked), i == 0);
    }

    // A value no segment holds chooses none; new options keep the choice when they hold it.
    choix.setValeur(24);
    QVERIFY(!choix.valeur().isValid());
    choix.setValeur(12);
    choix.setOptions({{QStringLiteral("12 mois"), 12}, {QStringLiteral("24 mois"), 24}});
    QCOMPARE(choix.textes(), (QStringList{QStringLiteral("12 mois"), QStringLiteral("24 mois")}));
    QCOMPARE(choix.valeur().toInt(), 12);
    QCOMPARE(choix.nombreSegments(), 2);
}

// Narrow, the pieces fold rather than widen their page: the segments go on to more lines, a
// header puts its controls under its wrapped title, a legend cuts a long name and shows it whole
// in its tool tip.
void TestPieces::piecesEtroites()
{
    QWidget page;
    auto* v = new QVBoxLayout(&page);
    auto* choix = new ChoixSegmente(QStringLiteral("Année"));
    QList<std::pair<QString, QVariant>> annees;
    for (int a = 2019; a <= 2027; ++a)
        annees.append({QString::number(a), a});
    choix->setOptions(annees);
    auto* controles = new QCheckBox(QStringLiteral("Inclure « jamais loué »"));
    auto* entete = new RangeeRepliable(titre(QStringLiteral("Types de déchets : fréquences et évolution"), TextStyle::title2, &page),
                                       controles);
    auto* legende = new LegendeSeries;
    const QString longNom = QStringLiteral("Déchets <b>industriels</b> / non dangereux ").repeated(8);
    legende->setEntrees({{longNom, Qt::red, QScatterSeries::MarkerShapeCircle}, {QStringLiteral("Bois"), Qt::blue}});
    v->addWidget(choix);
    v->addWidget(entete);
    v->addWidget(legende);
    v->addStretch();
    page.resize(1000, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(!entete->replie());
    const int uneLigne = choix->height();
    QCOMPARE(choix->segment(8)->y(), choix->segment(0)->y());

    page.resize(240, 600);
    QCoreApplication::processEvents();
    QVERIFY(entete->replie());
    QVERIFY(controles->geometry().top() > entete->findChild<QLabel*>()->geometry().bottom());
    QVERIFY(controles->x() == 0 && controles->width() <= entete->width());
    QVERIFY(choix->height() > 2 * uneLigne);
    for (int i = 0; i < choix->nombreSegments(); ++i) {
        QAbstractButton* b = choix->segment(i);
        QVERIFY2(b->x() >= 0 && b->x() + b->width() <= choix->width() && b->y() + b->height() <= choix->height(),
                 qPrintable(b->text()));
        QCOMPARE(b->width(), b->sizeHint().width());
    }
    QVERIFY(choix->segment(8)->y() > choix->segment(0)->y());

    // The legend: the long name cut, whole in the tool tip, as plain text.
    const QStringList noms = legende->nomsAffiches();
    QVERIFY(noms[0].endsWith(QChar(0x2026)));
    QCOMPARE(noms[1], QStringLiteral("Bois"));
    const QPoint sur(30, legende->fontMetrics().height() / 2);
    QHelpEvent aide(QEvent::ToolTip, sur, legende->mapToGlobal(sur));
    QApplication::sendEvent(legende, &aide);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(shownToolTip(QToolTip::text()), longNom);
    QToolTip::hideText();
}

void TestPieces::axesEtAnneaux()
{
    // A month axis: one name and grid line per calendar month from the first to the last, gaps
    // included, each at its month's start.
    GraphiqueLeger mois(200);
    mois.resize(500, 200);
    mois.setSeries({parisMs(2024, 3, 1), parisMs(2024, 1, 1), parisMs(2024, 4, 1)}, {}, paris(), QStringLiteral("n"), true, {});
    QCOMPARE(mois.noms(), (QStringList{QStringLiteral("janv. 2024"), QString::fromUtf8("févr. 2024"),
                                      QStringLiteral("mars 2024"), QStringLiteral("avr. 2024")}));
    QList<double> centres;
    for (const QPolygonF& e : mois.emprisesNoms())
        centres.append(e.boundingRect().center().x());
    const double parMs = (centres[3] - centres[0]) / double(parisMs(2024, 4, 1) - parisMs(2024, 1, 1));
    QVERIFY(qAbs(centres[1] - centres[0] - parMs * double(parisMs(2024, 2, 1) - parisMs(2024, 1, 1))) < 0.01);
    QVERIFY(centres[0] > mois.zoneTrace().left() && centres[3] < mois.zoneTrace().right());
    GraphiqueLeger autre(200);
    autre.setSeries({}, {}, paris(), QString(), true, {});
    QVERIFY(autre.noms().isEmpty());

    // Rings: the hole is a share of the pie, texts inside the slices only when given.
    std::unique_ptr<QPieSeries> anneau(stats::anneau({{3, Qt::red, QStringLiteral("a")}, {0, Qt::green, QString()}}, 0.45));
    QVERIFY(qAbs(anneau->holeSize() / anneau->pieSize() - 0.45) < 1e-9);
    QVERIFY(anneau->slices()[0]->isLabelVisible());
    QVERIFY(!anneau->slices()[1]->isLabelVisible());
    QCOMPARE(anneau->slices()[0]->labelPosition(), QPieSlice::LabelInsideHorizontal);

    // Bars of one category stand on one another; counts get whole-number marks.
    GraphiqueLeger barres(200);
    barres.resize(400, 200);
    barres.setBarres({{QStringLiteral("10 m³"), 2, Qt::blue, {}, {}, {}},
                      {QStringLiteral("15 m³"), 1, Qt::red, {}, {}, {}},
                      {QStringLiteral("10 m³"), 3, Qt::green, {}, {}, {}}},
                     QStringLiteral("Nombre"), true);
    QCOMPARE(barres.categories(), (QStringList{QStringLiteral("10 m³"), QStringLiteral("15 m³")}));
    QCOMPARE(barres.placeBarre(2).bottom(), barres.placeBarre(0).top());
    QCOMPARE(barres.placeBarre(2).left(), barres.placeBarre(0).left());
    QVERIFY(barres.placeBarre(1).left() > barres.placeBarre(0).right());
    QVERIFY(barres.maximum() >= 5);
    QCOMPARE(barres.graduations().size(), int(barres.maximum()) + 1);
    QCOMPARE(barres.graduations().last(), QString::number(int(barres.maximum())));
    // On a dark window a dark waste type's bar is lifted until it reads at 3:1 on the window.
    const QPalette avant = QApplication::palette();
    QPalette sombre = avant;
    sombre.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    sombre.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(sombre);
    const QColor carton(0x5C, 0x40, 0x33);
    GraphiqueLeger nuit(200);
    nuit.setBarres({{QStringLiteral("Carton"), 3, carton, {}, {}, {}}}, QStringLiteral("n"), true);
    const QColor lue = nuit.barres()[0].couleur;
    // Under a grey palette with dark text, a light grey bar is darkened alike.
    QPalette gris = avant;
    gris.setColor(QPalette::Window, QColor(0x7f, 0x7f, 0x7f));
    gris.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(gris);
    GraphiqueLeger grise(200);
    grise.setBarres({{QStringLiteral("DIB"), 3, QColor(0xD1, 0xD5, 0xDB), {}, {}, {}}}, QStringLiteral("n"), true);
    const QColor clair = grise.barres()[0].couleur;
    QApplication::setPalette(avant);
    QVERIFY(lue != carton);
    QCOMPARE(kv::inkReadableOn(lue, QColor(0x20, 0x20, 0x20), 3.0), lue);
    QVERIFY(kv::forms::contrastRatio(clair, QColor(0x7f, 0x7f, 0x7f)) >= 3.0);
}

// The values over the bars of a narrow chart stand inside the plot area, clear of the value
// axis' labels on its left, the first bar's value included, even when wider than its bar.
void TestPieces::valeursDansLaZoneDuGraphique()
{
    GraphiqueLeger graphique(220);
    QList<GraphiqueLeger::Barre> liste;
    for (int i = 0; i < 20; ++i)
        liste.append({QString::number(i + 1), 20000.0 + 7 * i, Qt::blue, {}, QString::number(20000 + 7 * i), {}});
    graphique.setBarres(liste, QStringLiteral("Nombre"), true);
    for (const int largeur : {260, 330, 420}) {
        graphique.resize(largeur, 220);
        const QRectF zone = graphique.zoneTrace();
        QVERIFY(zone.width() > 0 && zone.width() < largeur);
        const QList<QRectF> places = graphique.placesAnnotations();
        QVERIFY(!places.isEmpty());
        QCOMPARE(graphique.annotationsVisibles().first(), QStringLiteral("20000"));
        for (qsizetype i = 0; i < places.size(); ++i)
            QVERIFY2(places[i].left() >= zone.left() && places[i].right() <= zone.right(),
                     qPrintable(QStringLiteral("%1 at %2: %3 to %4 in %5 to %6")
                                    .arg(graphique.annotationsVisibles()[i]).arg(largeur)
                                    .arg(places[i].left()).arg(places[i].right()).arg(zone.left()).arg(zone.right())));
    }
}

void TestPieces::sourceNeReagitQuAuxTypesLus()
{
    auto ctx = storeInFolder();
    SourceStatistiques source(ctx.get());
    QSignalSpy changes(&source, &SourceStatistiques::changed);
    QSignalSpy annonces(ctx.get(), &ModelContext::changed);
    // A driver is none of the statistics' business: once the store has announced it, the
    // statistics have heard nothing.
    ctx->insert(new Chauffeur(QStringLiteral("Martin"), QStringLiteral("Paul"), nullptr, {}, {}, {}, 50.0, std::nullopt,
                              std::nullopt, std::nullopt, true));
    QTRY_COMPARE(annonces.size(), 1);
    QCOMPARE(changes.size(), 0);
    // A skip is, and says which type changed.
    colouredSkip(ctx.get(), 10);
    QTRY_COMPARE(changes.size(), 1);
    QCOMPARE(changes.last().first().value<EntityTypeMask>(), SourceStatistiques::kBennes);
    // A renamed waste type rebuilds the waste-type rows.
    Client* c = client(ctx.get(), QStringLiteral("Dupont BTP"));
    TypeDechet* t = colouredWasteType(ctx.get(), QStringLiteral("Bois"), std::nullopt);
    rental(c, ctx->all<Benne>().first(), t, parisMs(2026, 1, 1));
    QTRY_COMPARE(source.comptesTypes().types.size(), 1);
    t->setLibelle(QStringLiteral("Bois traité"));
    QTRY_COMPARE(source.comptesTypes().types.first().libelle, QString::fromUtf8("Bois traité"));
}
