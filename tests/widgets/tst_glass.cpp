#include "tests.h"

#include "widgets/glass/blob.h"
#include "widgets/glass/glass.h"

#include <QLabel>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>

using namespace glass;
using Mode = GlassBackgroundModifier::GlassBackgroundDisplayMode;
using Style = GlassBackgroundModifier::GradientStyle;

namespace {

GlassBackgroundModifier make(qreal radius, std::optional<qreal> shadowRadius, Style style = Style::normal,
                             double gradientOpacity = 0.7)
{
    return GlassBackgroundModifier(Mode::always, radius, Qt::blue, 0.1, Materiau::regular, gradientOpacity,
                                   style, 1.5, Qt::blue, 0.5, shadowRadius, 0, 5, false);
}

int alphaAt(const QImage& img, int x, int y)
{
    return qAlpha(img.pixel(x, y));
}

} // namespace

void GlassTest::shadowRadiusDefaultsToCornerRadius()
{
    QCOMPARE(make(8, std::nullopt).shadowRadius, 8.0);
    QCOMPARE(make(12, 14).shadowRadius, 14.0);
    const GlassBackgroundModifier std = GlassBackgroundModifier::standard(5, Qt::blue, Qt::blue, 10);
    QCOMPARE(std.colorOpacity, 0.1);
    QCOMPARE(std.strokeWidth, 1.5);
    QCOMPARE(std.shadowY, 5.0);
    QCOMPARE(std.shadowRadius, 10.0);
    QCOMPARE(std.displayMode, Mode::always);
}

void GlassTest::outlineStopsFollowTheStyle()
{
    const QGradientStops normal = make(8, {}).outlineStops();
    QCOMPARE(normal.size(), 4);
    QCOMPARE(normal[0].first, 0.0);
    QCOMPARE(normal[3].first, 1.0);
    QVERIFY(qAbs(normal[1].first - 1.0 / 3) < 1e-9);
    QVERIFY(qAbs(normal[0].second.alphaF() - 0.7) < 0.01);
    QVERIFY(qAbs(normal[1].second.alphaF() - 0.14) < 0.01);
    QCOMPARE(normal[0].second.alpha(), normal[3].second.alpha());

    const QGradientStops reverted = make(8, {}, Style::reverted).outlineStops();
    QCOMPARE(reverted[0].second.alpha(), normal[1].second.alpha());
    QCOMPARE(reverted[1].second.alpha(), normal[0].second.alpha());

    for (const QGradientStop& s : make(8, {}, Style::normal, 0).outlineStops())
        QCOMPARE(s.second.alpha(), 0);
}

void GlassTest::glassShadowIsCastByTheContentToo()
{
    // Without a stroke or tint, a shadow is cast below; with nothing but content in one corner,
    // the shadow appears below that content.
    auto render = [](const GlassBackgroundModifier& m, bool content) {
        QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        m.paint(p, QRectF(50, 50, 100, 60), content ? [](QPainter& cp) { cp.fillRect(QRectF(50, 50, 100, 60), Qt::black); }
                                                    : std::function<void(QPainter&)>(),
                QColor(255, 255, 255, 0));
        return img;
    };
    GlassBackgroundModifier m(Mode::always, 8, Qt::blue, 0, Materiau::regular, 0, Style::normal, 0, Qt::black,
                              1.0, 4, 0, 10, false);
    const QImage bare = render(m, false);
    const QImage withContent = render(m, true);
    // Below the rectangle (y 110 … 120) only the shadow can be.
    QCOMPARE(alphaAt(bare, 100, 115), 0);
    QVERIFY(alphaAt(withContent, 100, 115) > 100);
    // Above it nothing: the shadow goes down.
    QCOMPARE(alphaAt(withContent, 100, 45), 0);
    // The backdrop material alone leaves the inside untinted but opaque where content is.
    QCOMPARE(alphaAt(withContent, 100, 80), 255);
}

void GlassTest::aViewsShadowIsMadeOnceAndReadsAsTheBlurredShape()
{
    const GlassBackgroundModifier m = make(8, 10);
    for (const qreal dpr : {1.0, 1.5}) {
        for (const QSizeF taille : {QSizeF(460, 190), QSizeF(170, 37), QSizeF(90, 300)}) {
            QPointF origine;
            const QImage ombre = glassShadow(taille, m, dpr, &origine);
            // Asked again, the same picture: nothing is blurred twice.
            QCOMPARE(glassShadow(taille, m, dpr).cacheKey(), ombre.cacheKey());
            // What the whole shape blurred at once gives, to a unit of alpha, put together
            // from its corners and sides as it is.
            QImage entiere(ombre.size(), QImage::Format_ARGB32_Premultiplied);
            entiere.fill(Qt::transparent);
            {
                QPainter p(&entiere);
                p.setRenderHint(QPainter::Antialiasing);
                const QPointF marge = (QPointF(m.shadowX, m.shadowY) - origine) * dpr;
                p.fillPath(continuousRoundedRect(QRectF(marge, QSizeF((taille * dpr).toSize())), m.radius * dpr),
                           QColor(0, 0, 255, qRound(255 * 0.5 * 0.73)));
            }
            blurAlpha(entiere, 10 * dpr);
            int ecart = 0;
            for (int y = 0; y < ombre.height(); ++y)
                for (int x = 0; x < ombre.width(); ++x)
                    ecart = std::max(ecart, std::abs(alphaAt(ombre, x, y) - alphaAt(entiere, x, y)));
            QVERIFY2(ecart <= 2, qPrintable(QStringLiteral("%1 x %2 @%3: %4").arg(taille.width()).arg(taille.height()).arg(dpr).arg(ecart)));
            // It falls below the glass: more under its bottom edge than over its top one.
            const int milieu = ombre.width() / 2;
            const int haut = qRound(-origine.y() * dpr), bas = qRound((taille.height() - origine.y()) * dpr);
            QVERIFY(alphaAt(ombre, milieu, bas + 2) > alphaAt(ombre, milieu, haut - 2));
        }
    }

    // A view casts it under itself, on what stands behind.
    QWidget fond;
    fond.setAutoFillBackground(true);
    QPalette blanc = fond.palette();
    blanc.setColor(QPalette::Window, Qt::white);
    fond.setPalette(blanc);
    fond.resize(240, 140);
    auto* vue = new GlassBackgroundView(new QLabel("Carte"), m, &fond);
    vue->setGeometry(20, 20, 200, 60);
    fond.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fond));
    const QImage image = fond.grab().toImage();
    const QColor dessous = image.pixelColor(120 * image.devicePixelRatio(), 86 * image.devicePixelRatio());
    QVERIFY2(dessous.blue() > dessous.red() + 20, qPrintable(dessous.name()));
    QCOMPARE(image.pixelColor(120 * image.devicePixelRatio(), 8 * image.devicePixelRatio()), QColor(Qt::white));
}

void GlassTest::blobClampsItsParameters()
{
    const BlobGlassModifier low(Qt::red, 0, 1, 2, Materiau::regular, 0.7, 0.5);
    QCOMPARE(low.blobIntensity, 0.1);
    QCOMPARE(low.complexity, 4);
    const BlobGlassModifier high(Qt::red, 5, 1, 20, Materiau::regular, 0.7, 0.5);
    QCOMPARE(high.blobIntensity, 1.0);
    QCOMPARE(high.complexity, 12);
    const BlobGlassModifier nan(Qt::red, std::numeric_limits<double>::quiet_NaN(), 1, 6,
                                Materiau::regular, 0.7, 0.5);
    QCOMPARE(nan.blobIntensity, 0.1);

    const BlobShape shape(4, 0, 0.5);
    QCOMPARE(shape.controlPoints.size(), 4);
    QCOMPARE(shape.controlPoints[1], QPointF(0.25, 0.25));
    QCOMPARE(shape.controlPoints[3], QPointF(0.75, 0.75));
}

void GlassTest::blobOutlineStaysWithinTwentyPercent()
{
    const QRectF rect(30, 40, 200, 100); // base radius 50 around (130, 90)
    for (qreal k : {0.1, 0.5, 1.0}) {
        for (qreal p : {0.0, 0.13, 0.5, 0.77, 1.0}) {
            const BlobShape shape(12, p, k);
            const QList<QPointF> pts = shape.outlinePoints(rect);
            QCOMPARE(pts.size(), 12);
            for (const QPointF& pt : pts) {
                const qreal r = std::hypot(pt.x() - 130, pt.y() - 90);
                QVERIFY2(r >= 50 * (1 - 0.2 * k) - 1e-9 && r <= 50 * (1 + 0.2 * k) + 1e-9,
                         qPrintable(QString::number(r)));
            }
            // The curve itself stays near the same ring (Bézier overshoot is small).
            const QRectF bounds = shape.path(rect).boundingRect();
            QVERIFY(bounds.width() <= 2 * 50 * (1 + 0.2 * k) + 2);
            QVERIFY(std::abs(bounds.center().x() - 130) < 12);
        }
    }
    // A turn of the progress turns the whole blob back onto itself.
    const QList<QPointF> a = BlobShape(6, 0, 0.5).outlinePoints(rect);
    const QList<QPointF> b = BlobShape(6, 0.5, 0.5).outlinePoints(rect);
    QVERIFY(a != b);
}

void GlassTest::blobNeedsThreePoints()
{
    const QRectF rect(0, 0, 100, 100);
    for (int n : {0, 1, 2})
        QVERIFY(BlobShape(n, 0.3, 1).path(rect).isEmpty());
    const QPainterPath three = BlobShape(3, 0.3, 1).path(rect);
    QVERIFY(!three.isEmpty());
    QCOMPARE(three.elementCount(), 1 + 3 * 3); // the start, then three cubics of three elements
}

void GlassTest::blobSpeedGivesHalfCycle()
{
    auto half = [](double speed) {
        return BlobGlassModifier(Qt::red, 0.5, speed, 6, Materiau::regular, 0.7, 0.5).halfCycleMs();
    };
    QCOMPARE(half(1), std::optional<int>(10000));
    QCOMPARE(half(2), std::optional<int>(5000));
    QCOMPARE(half(0), std::nullopt);
    QCOMPARE(half(-1), std::nullopt);
    QCOMPARE(half(std::numeric_limits<double>::infinity()), std::nullopt);
    QCOMPARE(half(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    QCOMPARE(half(1e-9), std::nullopt);
}

void GlassTest::blobViewAnimatesOnlyWithAUsableSpeed()
{
    BlobGlassView* moving = blobGlass(new QLabel("Bonjour"), Qt::blue, 0.5, 100, 6, Materiau::regular, 0.7, 0.5);
    BlobGlassView* still = blobGlass(new QLabel("Bonjour"), Qt::blue, 0.5, 0, 6, Materiau::regular, 0.7, 0.5);
    moving->resize(200, 120);
    still->resize(200, 120);
    QCOMPARE(moving->animationProgress(), 0.0);
    moving->show();
    still->show();
    QVERIFY(QTest::qWaitForWindowExposed(moving));
    QVERIFY(moving->isAnimating());
    QTRY_VERIFY(moving->animationProgress() > 0);
    QVERIFY(moving->animationProgress() <= 1.0);
    QVERIFY(!still->isAnimating());
    QTest::qWait(30);
    QCOMPARE(still->animationProgress(), 0.0);
    delete moving;
    delete still;
}

void GlassTest::glassViewCutsItsContentToTheCurrentRadius()
{
    auto* content = new QLabel("Carte");
    GlassBackgroundView view(content, make(20, 10));
    view.resize(200, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY(!content->mask().isEmpty());
    QVERIFY(!content->mask().contains(QPoint(1, 1))); // the rounded corner is cut away
    QVERIFY(content->mask().contains(QPoint(100, 50)));

    // A new modifier with square corners shows the whole content, corners included.
    view.setModifier(make(0, 10));
    QVERIFY(content->mask().contains(QPoint(1, 1)));
    QVERIFY(content->mask().contains(QPoint(198, 98)));
}
