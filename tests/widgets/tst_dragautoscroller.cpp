#include "tests.h"

#include "widgets/dragautoscroller.h"
#include "widgets/dragrule.h"

#include <QScrollArea>
#include <QScrollBar>
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
        defilement->pointerAt(QPoint(100, vue()->height() / 2));
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

void DragAutoScrollerTest::speedGrowsWhileHeldAtTheEdge()
{
    Liste l;
    QVERIFY(QTest::qWaitForWindowExposed(&l.zone));
    l.defilement->begin();
    // A margin of a few points along the edge, as item views keep.
    const int bande = l.bande();
    QVERIFY(bande > 2 && bande <= 10);

    // Held on the edge it starts slowly, so that the row just beyond can be stopped on, then
    // goes faster, within bounds; past the edge (a mouse drag) faster still.
    QList<int> bord;
    l.tenir(0, 120, bord);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(bord.first() <= 3, qPrintable(QString::number(bord.first())));
    QVERIFY(bord.last() > bord.first());
    QVERIFY2(plusGrand(bord) <= 60 / 3, qPrintable(QString::number(plusGrand(bord))));
    QVERIFY(DragAutoScroller::step(-5, bande, 0) > DragAutoScroller::step(0, bande, 0));
    QVERIFY(DragAutoScroller::step(-5, bande, 2000) > DragAutoScroller::step(-5, bande, 0));
    // Out of the margin, nothing, however long held.
    QCOMPARE(DragAutoScroller::step(bande, bande, 10000), 0);
    l.defilement->pointerAt(QPoint(100, l.vue()->height() - 1 - bande));
    QVERIFY(!l.defilement->isScrolling());
    l.defilement->end();
    QVERIFY(!l.defilement->isScrolling());
}

void DragAutoScrollerTest::aPointerOffTheVeryEdgeNeverScrolls()
{
    Liste l;
    QVERIFY(QTest::qWaitForWindowExposed(&l.zone));
    QScrollBar* v = l.zone.verticalScrollBar();
    const int h = l.vue()->height();
    v->setValue(600);
    // Brought in from outside across the margin, as a drag comes from a strip beside the list.
    l.defilement->begin();
    l.defilement->pointerAt(QPoint(100, h - 2));
    QVERIFY(!l.defilement->isScrolling());
    l.defilement->end();
    // Held over any row in view, the first and the last too, a few points from the edges, for as
    // long as the user likes (the scroller's steps run meanwhile): the list stays.
    l.defilement->begin();
    for (const int y : {l.bande(), 12, h / 2, h - 12, h - 1 - l.bande()}) {
        l.defilement->pointerAt(QPoint(100, y));
        QVERIFY2(!l.defilement->isScrolling() && !l.defilement->scrollsAt(QPoint(100, y)), qPrintable(QString::number(y)));
        for (int i = 0; i < 200; ++i)
            l.defilement->tick();
        QCOMPARE(v->value(), 600);
    }
    // At the very edge it moves at once, and stops as the pointer leaves it; past the edge too.
    l.defilement->pointerAt(QPoint(100, h - 2));
    QVERIFY(l.defilement->isScrolling());
    l.defilement->tick();
    QVERIFY(v->value() > 600);
    l.defilement->pointerAt(QPoint(100, h / 2));
    QVERIFY(!l.defilement->isScrolling());
    l.defilement->pointerAt(QPoint(100, -5));
    QVERIFY(l.defilement->isScrolling());
    QTRY_COMPARE(v->value(), 0);
    // At the end of the list the margin is a place like another: what is drawn there is aimed at.
    QTRY_VERIFY(!l.defilement->isScrolling());
    QVERIFY(!l.defilement->scrollsAt(QPoint(100, 1)));
    l.defilement->end();
}

void DragAutoScrollerTest::theRuleAimsAtWhatAReleaseChanges()
{
    Liste l; // its own scroller stays idle
    QScrollArea& zone = l.zone;
    QVERIFY(QTest::qWaitForWindowExposed(&zone));
    zone.verticalScrollBar()->setValue(600);
    const int h = zone.viewport()->height();
    DragRule regle(&zone, Qt::Vertical);
    auto* sienne = new QWidget(zone.widget());
    QWidget autre;

    // A drag that starts from its own place aims there until the pointer has travelled away,
    // whatever lies under it meanwhile (a list that changed its layout as the drag came in).
    const QPoint entree(100, h / 2);
    regle.begin(entree, sienne);
    QCOMPARE(regle.aim(entree, &autre), sienne);
    QCOMPARE(regle.aim(entree + QPoint(2, 3), &autre), sienne);
    QCOMPARE(regle.aim(entree + QPoint(0, 40), &autre), &autre);
    // At the very edge the view moves under the pointer: nothing is aimed at; off it, again
    // what is under the pointer.
    QCOMPARE(regle.aim(QPoint(100, h - 2), &autre), nullptr);
    QVERIFY(regle.scroller()->isScrolling());
    QCOMPARE(regle.aim(QPoint(100, h - 40), &autre), &autre);
    QVERIFY(!regle.scroller()->isScrolling());
    regle.end();

    // Its own place gone meanwhile (the list rebuilt): nothing, never what it was.
    regle.begin(entree, sienne);
    delete sienne;
    QCOMPARE(regle.aim(entree, &autre), nullptr);
    regle.end();
    // A drag from elsewhere aims at once at what is under the pointer.
    regle.begin(entree);
    QCOMPARE(regle.aim(entree, &autre), &autre);
    regle.end();
}
