#include "tests.h"

#include "widgets/dragautoscroller.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>

using namespace kv;

namespace {

// A list of rows 60 high in a view 400 high, and the scroller of a drag over it.
struct Liste {
    QScrollArea zone;
    DragAutoScroller* defilement;
    QList<int> pas; // what each step scrolled

    Liste()
    {
        auto* contenu = new QWidget;
        contenu->setFixedSize(300, 60 * 200);
        zone.setWidget(contenu);
        zone.resize(320, 400);
        zone.show();
        defilement = new DragAutoScroller(&zone, Qt::Vertical);
        QObject::connect(defilement, &DragAutoScroller::scrolled, &zone, [this, avant = 0]() mutable {
            const int v = zone.verticalScrollBar()->value();
            pas << v - avant;
            avant = v;
        });
    }
    QWidget* vue() { return zone.viewport(); }
    int bande() { return DragAutoScroller::edgeBand(vue()->height()); }
    // Holds the pointer `dedans` pixels within the bottom edge for `n` steps; `recus`: what they
    // scrolled.
    void tenir(int dedans, int n, QList<int>& recus)
    {
        pas.clear();
        defilement->pointerAt(QPoint(100, vue()->height() - 1 - dedans));
        QTRY_VERIFY_WITH_TIMEOUT(pas.size() >= n, 20000);
        defilement->pointerAt(QPoint(100, vue()->height() / 2));
        recus = pas.mid(0, n);
    }
};

int plusGrand(const QList<int>& l)
{
    return l.isEmpty() ? 0 : *std::max_element(l.cbegin(), l.cend());
}

} // namespace

void DragAutoScrollerTest::speedFollowsTheDepthInTheEdgeBand()
{
    Liste l;
    QVERIFY(QTest::qWaitForWindowExposed(&l.zone));
    l.defilement->begin();
    const int bande = l.bande();
    QVERIFY(bande >= 24);

    // Near the band's inner side it creeps, however long it is held: a row takes many steps to
    // pass, so the user can stop on the one he wants.
    QList<int> interieur, milieu, bord;
    l.tenir(bande * 3 / 4, 90, interieur);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(plusGrand(interieur) <= 2, qPrintable(QString::number(plusGrand(interieur))));
    QVERIFY(*std::min_element(interieur.cbegin(), interieur.cend()) > 0);
    // Halfway in, faster; on the edge, fastest, and still bounded after being held.
    l.tenir(bande / 2, 30, milieu);
    l.tenir(0, 90, bord);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(milieu.first() > interieur.first());
    QVERIFY(bord.first() > milieu.first());
    QCOMPARE(bord.last(), bord.first());
    QVERIFY2(plusGrand(bord) <= 60 / 3, qPrintable(QString::number(plusGrand(bord))));
    // Outside the band, nothing.
    l.defilement->pointerAt(QPoint(100, l.vue()->height() - 1 - bande));
    QVERIFY(!l.defilement->isScrolling());

    // Past the edge (a mouse drag can go there) it goes faster the longer it is held, for far
    // travels; within the band the time held changes nothing.
    QVERIFY(DragAutoScroller::step(-5, bande, 2000) > DragAutoScroller::step(-5, bande, 0));
    QVERIFY(DragAutoScroller::step(-5, bande, 0) >= DragAutoScroller::step(0, bande, 0));
    for (const int dedans : {0, bande / 3, bande - 1})
        QCOMPARE(DragAutoScroller::step(dedans, bande, 10000), DragAutoScroller::step(dedans, bande, 0));
    l.defilement->end();
    QVERIFY(!l.defilement->isScrolling());
}

void DragAutoScrollerTest::onlyARestingPointerScrolls()
{
    Liste l;
    QVERIFY(QTest::qWaitForWindowExposed(&l.zone));
    QScrollBar* v = l.zone.verticalScrollBar();
    const int h = l.vue()->height();
    // A drag on its way past the bottom edge crosses the band, a move every frame or two: the
    // list stays where it is, and so does what the user aims at.
    l.defilement->begin();
    for (int y = h - 60; y < h; y += 8) {
        l.defilement->pointerAt(QPoint(100, y));
        QElapsedTimer images; // two frames of the hand, the scroller's steps running meanwhile
        images.start();
        QTRY_VERIFY(images.elapsed() >= 32);
    }
    l.defilement->end();
    QCOMPARE(v->value(), 0);
    // Held there, it scrolls; moving within the band then only changes the speed. Out of the
    // band it stops; back in, it waits again; pushed past the edge, it moves at once.
    l.defilement->begin();
    l.defilement->pointerAt(QPoint(100, h - 10));
    QTRY_VERIFY(v->value() > 0);
    l.defilement->pointerAt(QPoint(140, h - 25));
    QVERIFY(l.defilement->isMoving());
    l.defilement->pointerAt(QPoint(100, h / 2));
    l.defilement->pointerAt(QPoint(100, h - 10));
    QVERIFY(l.defilement->isScrolling() && !l.defilement->isMoving());
    l.defilement->pointerAt(QPoint(100, h + 5));
    QVERIFY(l.defilement->isMoving());
}
