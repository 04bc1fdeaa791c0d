#include "tests.h"

#include "bureau.h"

#include "driverplanning/carteprestations.h"
#include "driverplanning/carteprestationschauffeur.h"
#include "driverplanning/chauffeurcard.h"
#include "driverplanning/prestationcard.h"
#include "driverplanning/prestationdragitem.h"
#include "driverplanning/prestationscolumn.h"
#include "platform/mapwidget.h"
#include "widgets/glass/glass.h"

#include <QAccessible>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace kv;
using fx::at;

namespace {

DayWindow jourParis(int j)
{
    return dayWindowOf(at(2026, 12, j, 12).toMSecsSinceEpoch(), fx::paris());
}

bool proche(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

} // namespace

void TestCarteEtColonnes::placesOfTheDay()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"), QStringLiteral("12 Quai Perrache"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    // One placement with coordinates: one green place, a region of 0.02 around it.
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea, nullptr, 45.75, 4.85);
    QList<CarteLieuPrestation> lieux = lieuxPrestations(lea, jourParis(8));
    QCOMPARE(lieux.size(), 1);
    QCOMPARE(lieux[0].type, TypeCartePrestation::pose);
    QCOMPARE(regionCarte(lieux), (RegionCarte{45.75, 4.85, 0.02, 0.02}));

    // A removal at the same address in other letter case: one purple place, the placement's.
    b.location(c, b.benne(10), at(2026, 12, 1), at(2026, 12, 8, 10), QStringLiteral("1 RUE A"), nullptr, lea, 46.0, 5.0);
    lieux = lieuxPrestations(lea, jourParis(8));
    QCOMPARE(lieux.size(), 1);
    QCOMPARE(lieux[0].type, TypeCartePrestation::rotation);
    QCOMPARE(lieux[0].adresse, QStringLiteral("1 rue A"));
    QCOMPARE(lieux[0].latitude, 45.75);

    // A doubled blank or an accent makes another place; no own address: the client's.
    b.location(c, b.benne(10), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("1  rue A"), lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("1 rué A"), lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 12), std::nullopt, std::nullopt, lea, nullptr, 45.0, 4.0);
    // Two placements at one address: the later one of the list stays.
    b.location(c, b.benne(10), at(2026, 12, 8, 13), std::nullopt, QStringLiteral("9 rue B"), lea, nullptr, 1.0, 1.0);
    b.location(c, b.benne(10), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("9 Rue B"), lea, nullptr, 2.0, 2.0);
    // No removal date: never a removal, even placed that day by someone else.
    b.location(c, b.benne(10), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("Ailleurs"), nullptr, lea);
    lieux = lieuxPrestations(lea, jourParis(8));
    QStringList adresses;
    for (const CarteLieuPrestation& l : lieux)
        adresses << l.adresse;
    QCOMPARE(adresses, (QStringList{"1 rue A", "1  rue A", "1 rué A", "12 Quai Perrache", "9 Rue B"}));
    QCOMPARE(lieux[4].latitude, 2.0);
    QCOMPARE(lieux[1].latitude, std::nullopt);
    // Another day: nothing.
    QVERIFY(lieuxPrestations(lea, jourParis(9)).isEmpty());
    QVERIFY(!aDesPrestationsLeJour(lea, jourParis(9)));
    QVERIFY(aDesPrestationsLeJour(lea, jourParis(8)));
}

void TestCarteEtColonnes::regionFigures()
{
    auto lieu = [](std::optional<double> lat, std::optional<double> lon) {
        return CarteLieuPrestation{QUuid::createUuid(), lat, lon, TypeCartePrestation::pose, QString()};
    };
    // No coordinates at all: Paris at 0.15.
    QCOMPARE(regionCarte({}), (RegionCarte{48.85, 2.35, 0.15, 0.15}));
    QCOMPARE(regionCarte({lieu(45.0, std::nullopt), lieu(std::nullopt, 4.0)}), (RegionCarte{48.85, 2.35, 0.15, 0.15}));
    // One degree apart in latitude, half a degree in longitude.
    const RegionCarte r = regionCarte({lieu(45.0, 4.0), lieu(46.0, 4.5), lieu(std::nullopt, 9.0)});
    QVERIFY(proche(r.latitude, 45.5));
    QVERIFY(proche(r.longitude, 4.25));
    QVERIFY(proche(r.spanLatitude, 1.15));
    QVERIFY(proche(r.spanLongitude, 0.575));
    // A coordinate that is not a number does not spoil the region.
    const RegionCarte n = regionCarte({lieu(45.0, 4.0), lieu(std::nan(""), 5.0)});
    QCOMPARE(n, (RegionCarte{45.0, 4.0, 0.02, 0.02}));

    // Places without both coordinates are not marked anywhere, and the map says so.
    CartePrestationsView vide({lieu(std::nullopt, std::nullopt), lieu(45.0, std::nullopt)});
    QCOMPARE(vide.carte()->markerCount(), 0);
    QCOMPARE(vide.noteSansCoordonnees(), QStringLiteral("Aucun lieu de ce jour n’a de coordonnées : rien à placer sur la carte."));
    vide.setLieux({lieu(45.0, 4.0), lieu(46.0, 4.5)});
    QCOMPARE(vide.carte()->markerCount(), 2);
    QVERIFY(vide.noteSansCoordonnees().isEmpty());
    vide.setLieux({lieu(45.0, 4.0), lieu(std::nullopt, 4.5), lieu(std::nullopt, std::nullopt)});
    QCOMPARE(vide.noteSansCoordonnees(), QStringLiteral("2 lieux sans coordonnées ne sont pas sur la carte."));

    // The map: round markers in the place's colour.
    CartePrestationsView vue({lieu(45.0, 4.0), lieu(std::nullopt, std::nullopt)});
    vue.resize(300, 220);
    QCOMPARE(vue.carte()->markerCount(), 1);
    QCOMPARE(vue.noteSansCoordonnees(), QStringLiteral("1 lieu sans coordonnées n’est pas sur la carte."));
    QVERIFY(vue.carte()->isInteractive());
    QCOMPARE(vue.carte()->pointForCoordinate(GeoPoint{48.85, 2.35}),
             vue.carte()->pointForCoordinate(GeoPoint{48.85, 2.35}));
    // The place without coordinates does not count in the region.
    const MapRegion montree = vue.carte()->region();
    QVERIFY(std::abs(montree.centreLatitude - 45.0) < 0.01);
    QVERIFY(montree.latitudeSpan >= 0.02 && montree.latitudeSpan < 1);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    const QImage image = vue.grab().toImage();
    const QPointF centre = vue.carte()->pointForCoordinate(GeoPoint{45.0, 4.0});
    const qreal dpr = image.devicePixelRatio();
    QCOMPARE(image.pixelColor((centre * dpr).toPoint()), couleurMarqueur(TypeCartePrestation::pose));
    // White outline, 2 points wide, around the 18-point disc.
    const QColor bord = image.pixelColor(((centre + QPointF(9, 0)) * dpr).toPoint());
    QVERIFY(bord.red() > 245 && bord.green() > 245 && bord.blue() > 245);
    // Nothing is drawn where the place without coordinates would have been put.
    QVERIFY(image.pixelColor((vue.carte()->pointForCoordinate(GeoPoint{48.85, 2.35}) * dpr).toPoint())
            != couleurMarqueur(TypeCartePrestation::pose));
    QCOMPARE(couleurMarqueur(TypeCartePrestation::enlevement).red(), 255);
    QVERIFY(couleurMarqueur(TypeCartePrestation::rotation) != couleurMarqueur(TypeCartePrestation::pose));
    // A screen reader lists each place as what is done there and where.
    vue.setLieux({CarteLieuPrestation{QUuid::createUuid(), 45.0, 4.0, TypeCartePrestation::enlevement, QStringLiteral("3 rue <b>C</b>")},
                  lieu(45.001, 4.001)});
    QAccessibleInterface* lue = QAccessible::queryAccessibleInterface(vue.carte());
    QCOMPARE(lue->childCount(), 2);
    QCOMPARE(lue->child(0)->text(QAccessible::Name), QStringLiteral("Enlèvement : 3 rue <b>C</b>"));
    QCOMPARE(lue->child(1)->text(QAccessible::Name), QStringLiteral("Pose"));

    // Offline (tiles from a port where nothing listens), the map says so over its top half: the
    // places keep to the half under it.
    vue.setLieux({lieu(45.0, 4.0)});
    QSignalSpy horsLigne(vue.carte(), &MapWidget::backgroundAvailabilityChanged);
    QTcpServer ferme;
    QVERIFY(ferme.listen(QHostAddress::LocalHost, 0));
    const quint16 port = ferme.serverPort();
    ferme.close();
    vue.carte()->setTileUrlTemplate(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port));
    vue.carte()->update();
    QVERIFY(horsLigne.wait(20000));
    QVERIFY(vue.carte()->backgroundUnavailable());
    QVERIFY2(vue.carte()->markerRect(0).top() > vue.height() / 2, qPrintable(QString::number(vue.carte()->markerRect(0).top())));
}

void TestCarteEtColonnes::columnsAndCards()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"), QStringLiteral("12 quai Perrache"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    LocationDeBenne* tard = b.location(c, b.benne(7.5), at(2026, 12, 8, 15), std::nullopt, QStringLiteral("A"), lea);
    LocationDeBenne* tot1 = b.location(c, b.benne(6), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("B"), lea);
    LocationDeBenne* tot2 = b.location(c, b.benne(6, QStringLiteral("12G456")), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("C"), lea);
    // Placed and removed by Léa that day: once in each section.
    LocationDeBenne* rot = b.location(c, b.benne(6, QStringLiteral("#1234567")), at(2026, 12, 8, 6), at(2026, 12, 8, 18), std::nullopt, lea, lea);
    // 23:30 in Paris is that day.
    LocationDeBenne* nuit = b.location(c, b.benne(6), at(2026, 12, 1), at(2026, 12, 8, 23, 30), QStringLiteral("D"), nullptr, lea);

    PrestationsColumn colonne(lea, jourParis(8), b.context());
    auto locations = [](const QList<PrestationCard*>& cartes) {
        QList<LocationDeBenne*> out;
        for (PrestationCard* carte : cartes)
            out << carte->location();
        return out;
    };
    QCOMPARE(locations(colonne.cartesPoses()), (QList<LocationDeBenne*>{rot, tot1, tot2, tard}));
    QCOMPARE(locations(colonne.cartesEnlevements()), (QList<LocationDeBenne*>{rot, nuit}));
    QCOMPARE(colonne.cartesPoses()[3]->texteVolume(), QStringLiteral("8 m³"));
    QCOMPARE(colonne.cartesPoses()[0]->texteAdresse(), QStringLiteral("12 quai Perrache"));
    // Seven digits: grey.
    QCOMPARE(colonne.cartesPoses()[0]->couleurFond(), QColor(Qt::gray));
    QCOMPARE(colonne.cartesPoses()[0]->type(), TypePrestation::pose);
    QCOMPARE(colonne.cartesEnlevements()[0]->type(), TypePrestation::enlevement);

    // Blue glass for the placements, red for the removals, the shadow blue for both.
    const QList<glass::GlassBackgroundView*> verres = colonne.findChildren<glass::GlassBackgroundView*>();
    QCOMPARE(verres.size(), 2);
    QCOMPARE(verres[0]->modifier().color, QColor(Qt::blue));
    QCOMPARE(verres[1]->modifier().color, QColor(Qt::red));
    for (const glass::GlassBackgroundView* v : verres) {
        QCOMPARE(v->modifier().radius, 8.0);
        QCOMPARE(v->modifier().shadowRadius, 10.0);
        QCOMPARE(v->modifier().shadowColor, QColor(Qt::blue));
        QCOMPARE(v->modifier().colorOpacity, 0.1);
    }
    ChauffeurCard carte(lea);
    QCOMPARE(carte.findChild<glass::GlassBackgroundView*>()->modifier().color, QColor(Qt::blue));

    // The day of a column is the device's: in New York 05:30 in Paris is the evening before.
    LocationDeBenne* aube = b.location(c, b.benne(6), at(2026, 12, 8, 5, 30), std::nullopt, QStringLiteral("E"), lea);
    colonne.actualiser();
    QCOMPARE(colonne.cartesPoses().first()->location(), aube);
    const DayWindow ny = dayWindowOf(at(2026, 12, 8, 12, 0, fx::newYork()).toMSecsSinceEpoch(), fx::newYork());
    colonne.setJour(ny);
    QCOMPARE(locations(colonne.cartesPoses()), (QList<LocationDeBenne*>{rot, tot1, tot2, tard}));
    QCOMPARE(locations(colonne.cartesEnlevements()), (QList<LocationDeBenne*>{rot, nuit}));
    QVERIFY(!memeJourPose(aube, at(2026, 12, 8, 12, 0, fx::newYork()), fx::newYork()));
    QVERIFY(memeJourPose(aube, at(2026, 12, 7, 12, 0, fx::newYork()), fx::newYork()));
    QVERIFY(memeJourPose(aube, at(2026, 12, 8), fx::paris()));
    QVERIFY(!memeJourEnlevement(tard, at(2026, 12, 8), fx::paris()));
}

namespace {

// The relief as it reads: a light shadow above left and a dark one below right of the shape,
// blurred whole, 6 pixels around it.
QImage reliefFlou(const QSizeF& taille, qreal rayon, qreal dpr)
{
    const QSizeF total(taille.width() + 12, taille.height() + 12);
    QImage masque((total * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    masque.setDevicePixelRatio(dpr);
    masque.fill(Qt::transparent);
    {
        QPainter m(&masque);
        m.setRenderHint(QPainter::Antialiasing);
        const QRectF forme(QPointF(6, 6), taille);
        QPainterPath carre;
        carre.addRect(forme);
        m.fillPath(rayon > 0 ? glass::continuousRoundedRect(forme, rayon) : carre, Qt::black);
    }
    QImage relief(masque.size(), QImage::Format_ARGB32_Premultiplied);
    relief.setDevicePixelRatio(dpr);
    relief.fill(Qt::transparent);
    QPainter p(&relief);
    glass::paintShadowOf(p, masque, QPointF(0, 0), QColor::fromRgbF(1, 1, 1, 0.7f), 1, QPointF(-1, -1));
    glass::paintShadowOf(p, masque, QPointF(0, 0), QColor::fromRgbF(0, 0, 0, 0.4f), 2, QPointF(2, 2));
    return relief;
}

} // namespace

void TestCarteEtColonnes::cardReliefIsTheSameAtEveryWidth()
{
    // Narrow and wide cards and badges, widths in 64ths of a pixel as font advances give them,
    // at the scales a screen has: every pixel as if the whole shape had been blurred.
    for (qreal dpr : {1.0, 1.5, 2.0}) {
        for (qreal rayon : {6.0, 0.0}) {
            for (qreal largeur : {30.0, 48.0, 48.5, 49.0, 50.015625, 121.640625, 257.25, 480.0}) {
                const QSizeF taille(largeur, rayon > 0 ? 58.296875 : 39.0);
                const QImage attendu = reliefFlou(taille, rayon, dpr);
                const QImage relief = ombresDeCarte(taille, rayon, dpr);
                const QByteArray cas = QStringLiteral("%1 × %2, coins %3, échelle %4")
                                           .arg(largeur).arg(taille.height()).arg(rayon).arg(dpr).toUtf8();
                QVERIFY2(relief.size() == attendu.size(), cas.constData());
                QVERIFY2(relief.devicePixelRatio() == dpr, cas.constData());
                QVERIFY2(relief.convertToFormat(QImage::Format_ARGB32_Premultiplied) == attendu, cas.constData());
                QVERIFY2(ombresDeCarte(taille, rayon, dpr) == attendu, cas.constData());
            }
        }
    }
}

void TestCarteEtColonnes::dragPayload()
{
    const QUuid id = QUuid::fromString(QStringLiteral("{6f1c1d2e-3a4b-4c5d-8e9f-a0b1c2d3e4f5}"));
    const PrestationDragItem item{id, TypePrestation::enlevement};
    QCOMPARE(item.json(), QByteArray("{\"prestationID\":\"6F1C1D2E-3A4B-4C5D-8E9F-A0B1C2D3E4F5\",\"type\":\"enlevement\"}"));
    QCOMPARE(item.base64(), QString::fromLatin1(item.json().toBase64()));
    QVERIFY(!item.base64().contains(QLatin1Char('\n')));

    // Members in either order, other members ignored, either case of hexadecimal digits.
    QCOMPARE(PrestationDragItem::fromJson("{\"type\":\"enlevement\",\"x\":1,\"prestationID\":\"6f1c1d2e-3a4b-4c5d-8e9f-a0b1c2d3e4f5\"}"),
             item);
    for (const QByteArray& faux : {QByteArray("{\"prestationID\":\"6F1C1D2E-3A4B-4C5D-8E9F-A0B1C2D3E4F5\",\"type\":\"rotation\"}"),
                                   QByteArray("{\"prestationID\":\"6F1C1D2E-3A4B-4C5D-8E9F-A0B1C2D3E4F5\"}"),
                                   QByteArray("{\"prestationID\":\"{6F1C1D2E-3A4B-4C5D-8E9F-A0B1C2D3E4F5}\",\"type\":\"pose\"}"),
                                   QByteArray("{\"prestationID\":\"6F1C1D2E3A4B4C5D8E9FA0B1C2D3E4F5\",\"type\":\"pose\"}"),
                                   QByteArray("{\"prestationID\":42,\"type\":\"pose\"}"),
                                   QByteArray("[1]"), QByteArray("{"), QByteArray()})
        QVERIFY2(!PrestationDragItem::fromJson(faux), faux.constData());

    // Strict Base64: padding required, no blank, no line end, nothing after the padding.
    QCOMPARE(decoderBase64Strict(QStringLiteral("YWJj")), QByteArray("abc"));
    QCOMPARE(decoderBase64Strict(QStringLiteral("YWI=")), QByteArray("ab"));
    QCOMPARE(decoderBase64Strict(QString()), QByteArray());
    for (const QString& faux : {QStringLiteral("YWI"), QStringLiteral("YW I="), QStringLiteral("YWJj\n"), QStringLiteral("Y=Jj"),
                                QStringLiteral("YQ==="), QStringLiteral("YWJ-"), QStringLiteral("é===")})
        QVERIFY2(!decoderBase64Strict(faux), qPrintable(faux));

    // A card's drag data is that text under text/plain.
    fx::Bureau b;
    LocationDeBenne* l = b.location(b.client(QStringLiteral("Morel")), b.benne(10), at(2026, 12, 8));
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
    QCOMPARE(mime->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(mime->text(), (PrestationDragItem{l->id(), TypePrestation::pose}.base64()));
    QStringList traces;
    const std::optional<PrestationDragItem> lu = decoderDrop(ItemRecu::depuis(mime.get()), [&](const QString& t) { traces << t; });
    QCOMPARE(lu, (PrestationDragItem{l->id(), TypePrestation::pose}));
    QCOMPARE(traces.last(), QStringLiteral("DECODE OK : PrestationDragItem(prestationID: %1, type: TypePrestation.pose)")
                                .arg(texteCanonique(l->id())));
    QCOMPARE(typePrestationFromRawValue(QStringLiteral("enlevement")), TypePrestation::enlevement);
    QCOMPARE(typePrestationFromRawValue(QStringLiteral("Pose")), std::nullopt);
}
