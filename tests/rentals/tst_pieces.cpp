#include "tests.h"

#include "platform/mapwidget.h"
#include "rentals/carteavecrepere.h"
#include "rentals/flipview.h"
#include "rentals/vuesuggestionsadresse.h"

#include <QAccessible>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace kv;

void PiecesAdresseTest::siteMapFollowsReadableTextsOnly()
{
    CarteAvecRepere carte;
    carte.resize(400, 200);
    carte.show();
    // Empty texts: no marker, the initial region.
    QVERIFY(!carte.repere());
    QCOMPARE(carte.region(), CarteAvecRepere::regionParDefaut());
    QCOMPARE(carte.carte()->markerCount(), 0);

    carte.setTextes("46.5", "2.25");
    QCOMPARE(carte.repere(), std::optional<Coordonnee>(Coordonnee{46.5, 2.25}));
    QCOMPARE(carte.region(), (RegionCarte{{46.5, 2.25}, 0.01, 0.01}));
    QCOMPARE(carte.carte()->markerCount(), 1);
    QVERIFY(std::abs(carte.carte()->centre().latitude - 46.5) < 1e-6);
    // A screen reader finds the pin, named as the place it marks.
    QAccessibleInterface* lue = QAccessible::queryAccessibleInterface(carte.carte());
    QCOMPARE(lue->childCount(), 1);
    QCOMPARE(lue->child(0)->text(QAccessible::Name), QStringLiteral("Lieu de pose (latitude 46.5, longitude 2.25)"));

    // Only the latitude changes: the map jumps at once.
    carte.setTextes("45", "2.25");
    QVERIFY(std::abs(carte.carte()->centre().latitude - 45) < 1e-6);

    // An unreadable text hides the marker and keeps the last centre.
    for (const char* lat : {"45,5", " 45", "45 ", "90.0001", "nan", ""}) {
        carte.setTextes(lat, "2.25");
        QVERIFY2(!carte.repere(), lat);
        QCOMPARE(carte.region().centre, (Coordonnee{45, 2.25}));
        QCOMPARE(carte.carte()->markersInView().size(), 0);
    }
    carte.setTextes("90", "180");
    QVERIFY(carte.repere());
    carte.setTextes("45", "1e-05");
    QCOMPARE(carte.repere()->longitude, 0.00001);
}

void PiecesAdresseTest::siteMapTakesNoInput()
{
    CarteAvecRepere carte;
    carte.resize(400, 200);
    carte.show();
    carte.setTextes("46.5", "2.25");
    const GeoPoint avant = carte.carte()->centre();
    const double zoom = carte.carte()->zoom();
    QTest::mousePress(carte.carte(), Qt::LeftButton, {}, QPoint(200, 100));
    QTest::mouseMove(carte.carte(), QPoint(100, 50));
    QTest::mouseRelease(carte.carte(), Qt::LeftButton, {}, QPoint(100, 50));
    QTest::keyClick(carte.carte(), Qt::Key_Plus);
    QCOMPARE(carte.carte()->centre(), avant);
    QCOMPARE(carte.carte()->zoom(), zoom);
    QVERIFY(!carte.carte()->isInteractive());
}

void PiecesAdresseTest::suggestionListScrollsPastItsHeight()
{
    QList<Lieu> lieux;
    for (int i = 0; i < 12; ++i)
        lieux.append({QStringLiteral("%1 rue de la Gare").arg(i + 1), QStringLiteral("69001 Lyon, France"), std::nullopt});
    QList<QString> choisis;
    VueSuggestionsAdresse liste(lieux, [&](const Lieu& l) { choisis << l.titre; });
    liste.resize(300, 400);
    liste.show();
    QVERIFY(QTest::qWaitForWindowExposed(&liste));
    QCOMPARE(liste.height(), VueSuggestionsAdresse::kHauteurMax);
    QVERIFY(liste.verticalScrollBar()->maximum() > 0);
    // The last row, reached by scrolling, then clicked.
    liste.scrollToBottom();
    const QRect derniere = liste.rectangleLigne(11);
    QVERIFY(liste.viewport()->rect().contains(derniere.center()));
    QTest::mouseClick(liste.viewport(), Qt::LeftButton, {}, derniere.center());
    QCOMPARE(choisis, QList<QString>{"12 rue de la Gare"});
    // Texts are shown verbatim; the list never empties itself.
    QCOMPARE(liste.model()->index(0, 0).data().toString(), QStringLiteral("1 rue de la Gare"));
    QCOMPARE(liste.suggestions().size(), 12);
}

void PiecesAdresseTest::flipCardTurnsOnChangeOnly()
{
    for (Axis3D axe : {Axis3D::x, Axis3D::y, Axis3D::z}) {
        auto* avant = new QLabel("avant");
        auto* arriere = new QLabel("arrière");
        arriere->setMinimumSize(200, 120);
        FlipView carte(axe, 0.7, avant, arriere);
        carte.resize(carte.sizeHint());
        carte.show();
        QCOMPARE(carte.sizeHint(), QSize(200, 120).expandedTo(avant->sizeHint()));
        QVERIFY(avant->isVisible());
        QVERIFY(!arriere->isVisible());
        carte.setFlipped(false); // the same value: nothing happens
        QVERIFY(!carte.isAnimating());
        carte.setFlipped(true);
        QVERIFY(carte.isAnimating());
        // Half way through, a picture of the card is drawn instead of the faces.
        QTest::qWait(150);
        QVERIFY(!avant->isVisible() && !arriere->isVisible());
        QVERIFY(!carte.grab().isNull());
        QTRY_VERIFY(!carte.isAnimating());
        QVERIFY(arriere->isVisible());
        QVERIFY(!avant->isVisible());
        QCOMPARE(carte.progression(), 1.0);
        carte.setFlipped(false);
        QTRY_VERIFY(!carte.isAnimating());
        QVERIFY(avant->isVisible());
        QCOMPARE(carte.progression(), 0.0);
    }
}
