#include "tests.h"

#include "lecteurecran.h"
#include "screenfixtures.h"
#include "windowdrag.h"

#include "planning/actionsplanning.h"
#include "planning/bandeauchauffeurs.h"
#include "planning/colonnebennes.h"
#include "planning/entetejours.h"
#include "planning/grilleaccessible.h"
#include "planning/grilleplanning.h"
#include "planning/infolocationpopup.h"
#include "planning/vueplanificationbennes.h"
#include "rentals/editionlocation.h"
#include "rentals/feuillenouvellelocation.h"
#include "rentals/formulairelocationview.h"
#include "widgets/colors.h"
#include "widgets/dateentry.h"
#include "widgets/dragautoscroller.h"
#include "widgets/focusstyle.h"
#include "widgets/forms/formstyle.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QAccessible>
#include <QTextLayout>
#include <QVariantAnimation>
#include <QToolTip>
#include <QWheelEvent>

#include "widgets/elidedlineslabel.h"
#include "widgets/wheelguard.h"

using namespace kv;
using namespace kv::planning;
using namespace fixtures;

namespace {

// The colour at a point (in logical pixels) of a picture of a widget.
QColor couleurEn(const QImage& image, const QPointF& point)
{
    const qreal dpr = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * dpr), int(point.y() * dpr));
}

bool proche(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= tolerance;
}

// Chooses the menu's entry of that object name, then closes the menu.
void choisir(QMenu* menu, const QString& nom) { menu->findChild<QAction*>(nom)->trigger(); menu->close(); }

// A planning screen on a store, shown, with "now" fixed and its console lines kept.
struct Ecran {
    std::unique_ptr<ModelContext> ctx;
    Observable<bool> centrage;
    std::unique_ptr<VuePlanificationBennes> vue;
    QStringList lignes;

    explicit Ecran(std::unique_ptr<ModelContext> c = store()) : ctx(std::move(c)) {}

    void ouvrir(QSize taille = QSize(1200, 760))
    {
        vue = std::make_unique<VuePlanificationBennes>(ctx.get(), centrage, nullptr, fixedClock());
        vue->actions()->setJournal([this](const QString& l) { lignes << l; });
        vue->resize(taille);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
        QCoreApplication::processEvents();
    }
    // Saves what the test put in the store, then opens the screen; whether the store was saved.
    bool enregistrerEtOuvrir(QSize taille = QSize(1200, 760))
    {
        if (!ctx->save())
            return false;
        ouvrir(taille);
        return true;
    }
    GrillePlanning* grille() const { return vue->grille(); }
    QWidget* vp() const { return vue->grille()->viewport(); }
    QPointF centre(const LocationDeBenne* l) const { return grille()->rectCorps(l).center(); }
    // Gives the grid the keyboard as Tab does, then puts its cell at (colonne, ligne); whether
    // the grid got the keyboard.
    bool auClavier(int colonne, int ligne)
    {
        grille()->setFocus(Qt::TabFocusReason);
        const bool pris = QTest::qWaitFor([this] { return grille()->hasFocus(); });
        grille()->setCurseur(colonne, ligne);
        return pris;
    }
    // The context menu the Menu key opens on the grid's cell.
    QPointer<QMenu> menuDuClavier()
    {
        QContextMenuEvent touche(QContextMenuEvent::Keyboard, QPoint(5, 5), grille()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(grille(), &touche);
        return grille()->menuContextuel();
    }
    // Drops that text on the grid at `at` as a drag from another window brings it; whether the
    // grid takes it.
    bool deposer(const QString& texte, const QPointF& at)
    {
        QMimeData data;
        data.setText(texte);
        QDragEnterEvent entree(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp(), &entree);
        QDragMoveEvent survol(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp(), &survol);
        QDropEvent depot(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp(), &depot);
        tourner();
        return depot.isAccepted();
    }
    // Taps the rental's bar; its details card once shown (none when no details open).
    QWidget* ouvrirDetails(const LocationDeBenne* l)
    {
        clickAt(vp(), centre(l));
        QWidget* popup = vue->popupInfoLocation();
        QWidget* carte = popup ? popup->findChild<QWidget*>(QStringLiteral("carteInfoLocation")) : nullptr;
        if (carte && QTest::qWaitFor([carte] { return carte->isVisible(); }))
            tourner();
        return carte;
    }
    // The frames of a user's hand between two moves of a drag: the grid's timers run meanwhile.
    static void images(int n)
    {
        QElapsedTimer t;
        t.start();
        QTRY_VERIFY(t.elapsed() >= 16 * n);
    }
    // Lets the store's change notice and the queued calls run.
    static void tourner()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

} // namespace

void TestGrille::etiquettesDesBennes()
{
    auto ctx = store();
    Benne* b = benne(ctx.get(), 7.9, EtatBenne::correct);
    QCOMPARE(ColonneBennes::texteEtiquette(b), QStringLiteral("7 m³ état : correct"));
    QVERIFY(!ColonneBennes::estInutilisable(b));
    b->setEtat(EtatBenne::inutilisable);
    QCOMPARE(ColonneBennes::texteEtiquette(b), QStringLiteral("7 m³ état : inutilisable"));
    QVERIFY(ColonneBennes::estInutilisable(b));
    b->setVolume(10.0);
    b->setEtat(EtatBenne::sale);
    QCOMPARE(ColonneBennes::texteEtiquette(b), QStringLiteral("10 m³ état : sale"));
    b->setVolume(std::numeric_limits<double>::infinity());
    QCOMPARE(ColonneBennes::texteEtiquette(b), QStringLiteral("— m³ état : sale"));
    // Colours: six digits with or without "#"; anything else is blue at 0.7.
    b->setCouleur(QStringLiteral("#FF8000"));
    QCOMPARE(ColonneBennes::couleurEtiquette(b), QColor(255, 128, 0));
    b->setCouleur(QStringLiteral("ff8000"));
    QCOMPARE(ColonneBennes::couleurEtiquette(b), QColor(255, 128, 0));
    b->setCouleur(QString());
    QCOMPARE(ColonneBennes::couleurEtiquette(b), QColor(0, 122, 255, 179));

    // Header cells: weekday, day and month, year in French; Sundays apart.
    QCOMPARE(EnteteJours::lignesJour(QDate(2026, 3, 15)),
             (QStringList{QStringLiteral("dimanche"), QStringLiteral("15 mars"), QStringLiteral("2026")}));
    QVERIFY(EnteteJours::estDimanche(QDate(2026, 3, 15)));
    QVERIFY(!EnteteJours::estDimanche(QDate(2026, 3, 16)));

    // Rows by volume, equal volumes in store order.
    Ecran e(std::move(ctx));
    Benne* inconnue = benne(e.ctx.get(), std::numeric_limits<double>::quiet_NaN());
    Benne* petite = benne(e.ctx.get(), 3);
    Benne* egale = benne(e.ctx.get(), 10);
    b->setVolume(10);
    e.ouvrir();
    QCOMPARE(e.grille()->bennes(), (QList<Benne*>{petite, b, egale, inconnue}));
    QCOMPARE(ColonneBennes::texteEtiquette(inconnue), QStringLiteral("— m³ état : correct"));
    QVERIFY(e.vue->messageSansBenne()->isHidden());
}

void TestGrille::benneInutilisableEtSelection()
{
    Ecran e;
    Benne* inutilisable = benne(e.ctx.get(), 5, EtatBenne::inutilisable);
    Benne* sale = benne(e.ctx.get(), 8, EtatBenne::sale);
    Benne* neuve = benne(e.ctx.get(), 12, EtatBenne::neuf);
    e.ouvrir();
    ColonneBennes* col = e.grille()->colonne();
    const auto ligne = [&](int i) { return QPointF(60, i * 40 + 20 - e.vue->scrollOffset().y()); };
    QCOMPARE(e.grille()->bennes().first(), inutilisable);
    QSignalSpy selection(e.vue.get(), &VuePlanificationBennes::benneSelectionChanged);

    // Its warning sign explains itself.
    QHelpEvent aide(QEvent::ToolTip, ligne(0).toPoint(), col->mapToGlobal(ligne(0).toPoint()));
    QApplication::sendEvent(col, &aide);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Attention, benne inutilisable"));
    QToolTip::hideText();
    clickAt(col, ligne(0));
    QMessageBox* alerte = visibleBox(QStringLiteral("alerteBenneInutilisable"));
    QVERIFY(alerte);
    QCOMPARE(alerte->text(), QStringLiteral("Benne inutilisable"));
    QCOMPARE(alerte->informativeText(), QStringLiteral("« 5 m³ gris »\nVous ne pouvez pas louer cette benne car elle "
                                                       "est marquée comme inutilisable."));
    QVERIFY(e.vue->afficherAlerteBenneInutilisable());
    QCOMPARE(e.vue->benneSelection(), std::nullopt);
    answerBox(alerte, QStringLiteral("OK"));
    QTRY_VERIFY(!e.vue->afficherAlerteBenneInutilisable());
    QCOMPARE(selection.count(), 0);

    // A dirty skip may be rented.
    clickAt(col, ligne(1));
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{sale->id()}));
    QVERIFY(!e.vue->afficherAlerteBenneInutilisable());
    QCOMPARE(selection.count(), 1);
    e.vue->fermerFeuilleNouvelleLocation();
    QCOMPARE(e.vue->benneSelection(), std::nullopt);

    // From the keyboard: the current label moves with the arrows, Enter chooses it.
    col->setFocus();
    QTRY_VERIFY(col->hasFocus());
    QTest::keyClick(col, Qt::Key_Home);
    QTest::keyClick(col, Qt::Key_Down);
    QTest::keyClick(col, Qt::Key_Down);
    QCOMPARE(col->ligneCourante(), 2);
    QTest::keyClick(col, Qt::Key_Return);
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{neuve->id()}));
    QTest::keyClick(col, Qt::Key_Down);
    QCOMPARE(col->ligneCourante(), 2);
    QTest::keyClick(col, Qt::Key_Home);
    QTest::keyClick(col, Qt::Key_Space);
    QVERIFY(e.vue->afficherAlerteBenneInutilisable());
    answerBox(visibleBox(QStringLiteral("alerteBenneInutilisable")), QStringLiteral("OK"));
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{neuve->id()}));
}

void TestGrille::feuilleDeNouvelleLocation()
{
    Ecran e;
    officeClient(e.ctx.get());
    Benne* b = benne(e.ctx.get(), 8, EtatBenne::sale);
    e.ouvrir();
    ColonneBennes* col = e.grille()->colonne();
    const QPointF ligne0(60, 20);

    // A usable skip's label opens the new-rental form in a sheet; "Annuler" closes it.
    clickAt(col, ligne0);
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{b->id()}));
    QPointer<QDialog> feuille = e.vue->feuille();
    QVERIFY(feuille && feuille->isVisible());
    QCOMPARE(feuille->objectName(), QStringLiteral("feuilleNouvelleLocation"));
    FormulaireLocationView* formulaire = formulaireDe(feuille);
    QVERIFY(formulaire);
    // The form reads the grid's clock: its placement starts a day after the grid's "now".
    QCOMPARE(formulaire->datePose(), fixedNow().addDays(1));
    formulaire->boutonAnnuler()->click();
    QTRY_VERIFY(!feuille);
    QCOMPARE(e.vue->benneSelection(), std::nullopt);
    QCOMPARE(e.vue->feuille(), nullptr);

    // The window's own closing empties the choice too; emptying it closes the sheet.
    clickAt(col, ligne0);
    feuille = e.vue->feuille();
    QVERIFY(feuille);
    feuille->close();
    QTRY_VERIFY(!feuille);
    QCOMPARE(e.vue->benneSelection(), std::nullopt);
    clickAt(col, ligne0);
    feuille = e.vue->feuille();
    QVERIFY(feuille);
    // A second click while it is open opens no second sheet.
    clickAt(col, ligne0);
    QCOMPARE(e.vue->feuille(), feuille.data());
    e.vue->fermerFeuilleNouvelleLocation();
    QTRY_VERIFY(!feuille);

    // A screen that goes away takes its sheet with it.
    clickAt(col, ligne0);
    feuille = e.vue->feuille();
    QVERIFY(feuille);
    e.vue.reset();
    QTRY_VERIFY(!feuille);
}

void TestGrille::aujourdhuiAuMilieuDesJoursATouteTaille()
{
    // Whatever the size, with or without a vertical scroll bar: today's column opens in the
    // middle of the days in view, tomorrow in view beside it; the same after "Aujourd'hui".
    for (const int nombre : {3, 60}) {
        Ecran e;
        for (int i = 0; i < nombre; ++i)
            benne(e.ctx.get(), i);
        for (const QSize taille : {QSize(536, 400), QSize(600, 430), QSize(1064, 620), QSize(1400, 900)}) {
            e.ouvrir(taille);
            const QString ou = QStringLiteral("%1 × %2, %3 skips").arg(taille.width()).arg(taille.height()).arg(nombre);
            const auto milieuAujourdhui = [&] { return 31 * 120 + 60 - e.vue->scrollOffset().x(); };
            QTRY_VERIFY2(std::abs(milieuAujourdhui() - e.vp()->width() / 2.0) <= 1,
                         qPrintable(ou + QStringLiteral(": today's middle at %1 of %2").arg(milieuAujourdhui()).arg(e.vp()->width())));
            // Tomorrow's column starts in view.
            QVERIFY2(milieuAujourdhui() + 60 < e.vp()->width(), qPrintable(ou));
            e.vue->setScrollOffset(QPointF(0, 0));
            e.centrage.set(true);
            QTRY_VERIFY2(std::abs(milieuAujourdhui() - e.vp()->width() / 2.0) <= 1, qPrintable(ou));
        }
    }
}

void TestGrille::centrageALAffichageEtSurDemande()
{
    Ecran e;
    for (int i = 0; i < 60; ++i)
        benne(e.ctx.get(), i);
    e.ouvrir(QSize(1000, 700));
    QCOMPARE(e.vue->viewSize().width(), 1000.0);
    // Shown: today's column in the middle of the part that shows the days (the grid area less
    // the skip column and the vertical scroll bar).
    const double jours = e.vp()->width();
    QCOMPARE(jours, 1000.0 - 120 - e.grille()->verticalScrollBar()->width());
    QTRY_COMPARE(e.vue->scrollOffset().x(), 31 * 120 + 60 - jours / 2);
    QCOMPARE(e.vue->visibleJoursRange(), (Plage{int(e.vue->scrollOffset().x() / 120) - 5, int(e.vue->scrollOffset().x() / 120) + 12}));
    e.vue->setScrollOffset(QPointF(0, 400));
    QCOMPARE(e.vue->viewSize().height(), 620.0);
    QCOMPARE(e.vue->visibleBennesRange(), (Plage{5, 29}));
    // A window that takes its final size after it is shown (restored maximised, or placed by
    // the window manager) keeps today in the middle, as long as nobody has scrolled.
    {
        Ecran g;
        for (int i = 0; i < 60; ++i)
            benne(g.ctx.get(), i);
        g.ouvrir(QSize(536, 458));
        const auto milieuAujourdhui = [&] { return 31 * 120 + 60 - g.vue->scrollOffset().x(); };
        QTRY_VERIFY(std::abs(milieuAujourdhui() - g.vp()->width() / 2.0) <= 1);
        g.vue->resize(1146, 690);
        QTRY_VERIFY2(std::abs(milieuAujourdhui() - g.vp()->width() / 2.0) <= 1,
                     qPrintable(QStringLiteral("today's middle at %1 of %2").arg(milieuAujourdhui()).arg(g.vp()->width())));
        // After "Aujourd'hui" too.
        g.vue->resize(700, 500);
        g.centrage.set(true);
        QTRY_COMPARE(g.centrage.get(), false);
        g.vue->resize(1300, 760);
        QTRY_VERIFY(std::abs(milieuAujourdhui() - g.vp()->width() / 2.0) <= 1);
    }
    // A later resize does not scroll once the user has scrolled.
    e.vue->resize(1100, 700);
    QCoreApplication::processEvents();
    QCOMPARE(e.vue->scrollOffset(), QPointF(0, 400));
    // The main window's request: back to today, the vertical position kept, the request lowered.
    e.centrage.set(true);
    QTRY_COMPARE(e.vue->scrollOffset(), QPointF(31 * 120 + 60 - e.vp()->width() / 2.0, 400));
    QCOMPARE(e.centrage.get(), false);
    // A request already raised before the screen exists triggers nothing by itself.
    Ecran f;
    f.centrage.set(true);
    f.ouvrir(QSize(1000, 700));
    QCOMPARE(f.centrage.get(), true);
    // The header follows the grid's columns, the skip column its rows; the wheel over the
    // header moves the days, over the skip column the rows.
    e.vue->setScrollOffset(QPointF(240, 80));
    QCOMPARE(e.grille()->horizontalScrollBar()->value(), 240);
    QCOMPARE(e.grille()->verticalScrollBar()->value(), 80);
    const auto molette = [&](QWidget* w) {
        QWheelEvent ev(QPointF(50, 20), w->mapToGlobal(QPointF(50, 20)), QPoint(), QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &ev);
    };
    molette(e.grille()->entete());
    QCOMPARE(e.vue->scrollOffset(), QPointF(360, 80));
    molette(e.grille()->colonne());
    QVERIFY(e.vue->scrollOffset().y() > 80);
    QCOMPARE(e.vue->scrollOffset().x(), 360.0);
}

void TestGrille::glissementsALaSouris()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    Benne* bn = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), c, bn, localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    const QRectF avant = e.grille()->rectCorps(l);
    QCOMPARE(avant.width(), 240.0);
    QCOMPARE(avant.height(), 32.0);

    const auto glisserDe = [&](double dx) {
        const QPointF depart = e.centre(l);
        drag(e.vp(), depart, depart + QPointF(dx, 3));
        Ecran::tourner();
    };
    glisserDe(59);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 15, 9));
    QCOMPARE(e.grille()->rectCorps(l), avant);
    glisserDe(60);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 16, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 18, 9));
    QCOMPARE(e.grille()->rectCorps(l), avant.translated(120, 0));
    glisserDe(-60);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 15, 9));
    glisserDe(181);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 19, 9));

    // While the bar moves, no duplicate button; the dates change only at the release.
    const QPointF depart = e.centre(l);
    mouseEvent(e.vp(), QEvent::MouseMove, depart, Qt::NoButton, Qt::NoButton);
    QCOMPARE(e.grille()->locationSurvolee(), l);
    mouseEvent(e.vp(), QEvent::MouseButtonPress, depart, Qt::LeftButton);
    mouseEvent(e.vp(), QEvent::MouseMove, depart + QPointF(130, 0), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(e.grille()->locationSurvolee(), nullptr);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    mouseEvent(e.vp(), QEvent::MouseButtonRelease, depart + QPointF(130, 0), Qt::NoButton);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 18, 9));
    QCOMPARE(e.grille()->locationSurvolee(), l); // under the pointer again
    QVERIFY(e.ctx->hasChanges()); // left to the context's own saving
    QVERIFY(e.lignes.isEmpty());
}

void TestGrille::poigneesALaSouris()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    LocationDeBenne* ouverte = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 5), localDateTime(2026, 3, 15, 9));
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 6), localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    const auto poignee = [&](LocationDeBenne* loc, bool droite) { return e.grille()->rectPoignee(loc, droite).center(); };

    // Left handle of a rental without removal date: stretches while dragged, changes nothing.
    QPointF p = poignee(ouverte, false);
    mouseEvent(e.vp(), QEvent::MouseButtonPress, p, Qt::LeftButton);
    mouseEvent(e.vp(), QEvent::MouseMove, p + QPointF(200, 0), Qt::LeftButton, Qt::NoButton);
    mouseEvent(e.vp(), QEvent::MouseButtonRelease, p + QPointF(240, 0), Qt::NoButton);
    QCOMPARE(ouverte->datePose(), localDateTime(2026, 3, 15, 9));
    QCOMPARE(ouverte->dateEnlevement(), std::nullopt);
    // Its bar runs to the grid's end (3 June), where its right handle stands: let go two columns
    // left, the removal is on the day it was let go (2 June), at the placement's time of day.
    const QPointF origine = e.grille()->scrollOffset();
    e.grille()->setScrollOffset(QPointF(1e6, origine.y()));
    drag(e.vp(), poignee(ouverte, true), poignee(ouverte, true) - QPointF(240, 0));
    QCOMPARE(ouverte->dateEnlevement(), localDateTime(2026, 6, 2, 9));
    Ecran::tourner();
    e.grille()->setScrollOffset(origine);
    QCOMPARE(e.grille()->rectCorps(ouverte).width(), (110 - 31) * 120.0);
    // Let go before its placement: nothing.
    LocationDeBenne* ouverte2 = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 7), localDateTime(2026, 3, 16, 9));
    Ecran::tourner();
    e.grille()->setScrollOffset(QPointF(1e6, origine.y()));
    drag(e.vp(), poignee(ouverte2, true), poignee(ouverte2, true) - QPointF(81 * 120, 0));
    QCOMPARE(ouverte2->dateEnlevement(), std::nullopt);
    e.grille()->setScrollOffset(origine);

    // Left handle one day right, then far past the removal: the placement stops at the removal.
    drag(e.vp(), poignee(l, false), poignee(l, false) + QPointF(120, 0));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 15, 9));
    Ecran::tourner();
    drag(e.vp(), poignee(l, false), poignee(l, false) + QPointF(400, 0));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 17, 9));
    Ecran::tourner();
    QCOMPARE(e.grille()->rectCorps(l).width(), 120.0);
    // The right handle never puts the removal before the placement.
    drag(e.vp(), poignee(l, true), poignee(l, true) - QPointF(240, 0));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 17, 9));
    QVERIFY(l->dateEnlevementMs().value() >= l->datePoseMs());
    drag(e.vp(), poignee(l, true), poignee(l, true) + QPointF(59, 0));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 17, 9));
    // The right handle's tap shows nothing; the left one's shows the details.
    clickAt(e.vp(), poignee(l, true));
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr);
    clickAt(e.vp(), poignee(l, false));
    QCOMPARE(e.vue->locationInfoSelectionnee(), l);
}

void TestGrille::glissementSurvitAuRedemarrage()
{
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("planning.store"));
    QUuid id;
    {
        Ecran e(store(chemin));
        LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9));
        id = l->id();
        QVERIFY(e.ctx->save());
        e.ctx->setAutosaveEnabled(true, 20);
        e.ouvrir();
        QSignalSpy sauve(e.ctx.get(), &ModelContext::saved);
        drag(e.vp(), e.grille()->rectPoignee(l, true).center(),
                e.grille()->rectPoignee(l, true).center() + QPointF(120, 0));
        drag(e.vp(), e.centre(l), e.centre(l) + QPointF(240, 0));
        QTRY_VERIFY(sauve.count() >= 1 && !e.ctx->hasChanges());
        e.vue.reset();
    }
    auto relu = store(chemin);
    LocationDeBenne* l = relu->find<LocationDeBenne>(id);
    QVERIFY(l);
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 20, 9));
}

void TestGrille::suppressionParLeMenu()
{
    Ecran e;
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9),
                                  localDateTime(2026, 3, 17, 9));
    l->ajouterBonDePesee(localDateTime(2026, 3, 16, 9), QStringLiteral("T1"), 12000, 8000, std::nullopt, std::nullopt);
    QVERIFY(e.enregistrerEtOuvrir());

    const auto ouvrirMenu = [&] {
        const QPoint at = e.centre(l).toPoint();
        QContextMenuEvent ev(QContextMenuEvent::Mouse, at, e.vp()->mapToGlobal(at));
        QApplication::sendEvent(e.vp(), &ev);
        QMenu* menu = e.grille()->menuContextuel();
        QVERIFY(menu);
        QAction* supprimer = menu->findChild<QAction*>(QStringLiteral("actionSupprimer"));
        QVERIFY(supprimer);
        QCOMPARE(supprimer->text(), QStringLiteral("Supprimer"));
        supprimer->trigger();
        menu->close();
    };
    // Cancelled: the highlight goes, the rental stays.
    ouvrirMenu();
    QMessageBox* box = visibleBox(QStringLiteral("confirmation"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Supprimer cette location ?"));
    // It names the rental and what goes with it; "Annuler" is the default.
    QCOMPARE(box->informativeText(), QStringLiteral("Location de ") + l->client()->nom()
                                         + QStringLiteral(", posée le 15/03/2026, enlevée le 17/03/2026. Cette action "
                                                          "est irréversible. 1\u00A0bon de pesée sera aussi supprimé."));
    QCOMPARE(fixtures::shownText(box->defaultButton()), QStringLiteral("Annuler"));
    QCOMPARE(e.grille()->locationEnSurbrillance(), l);
    answerBox(box, QStringLiteral("Annuler"));
    QTRY_COMPARE(e.grille()->locationEnSurbrillance(), nullptr);
    QVERIFY(!l->isDeleted());

    // A failed save is told with the deletion's prefix.
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    ouvrirMenu();
    answerBox(visibleBox(QStringLiteral("confirmation")), QStringLiteral("Supprimer"));
    QMessageBox* erreur = visibleBox(QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    erreur->close();
    QCOMPARE(e.lignes.last(), QStringLiteral("❌ Erreur lors de la suppression : disque plein"));
    QVERIFY(e.ctx->save());
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(e.ctx->count<BonDePesee>(), 0);

    // Confirmed: gone with its tickets, and its bar with it.
    LocationDeBenne* l2 = placedRental(e.ctx.get(), officeClient(e.ctx.get()), e.grille()->bennes().first(),
                                   localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 18, 9));
    l2->ajouterBonDePesee(localDateTime(2026, 3, 16, 9), QStringLiteral("T2"), 12000, 8000, std::nullopt, std::nullopt);
    QVERIFY(e.ctx->save());
    Ecran::tourner();
    l = l2;
    ouvrirMenu();
    fixtures::HeardAnnouncements lecteur;
    answerBox(visibleBox(QStringLiteral("confirmation")), QStringLiteral("Supprimer"));
    QVERIFY(l2->isDeleted());
    QTRY_COMPARE(lecteur.said, QStringList{QStringLiteral("Location supprimée\u00A0: Dupont BTP (Lyon · 1 rue Haute · 0102030405) du 16/03/2026 au 18/03/2026.")});
    QCOMPARE(e.ctx->count<BonDePesee>(), 0);
    QVERIFY(!e.ctx->hasChanges());
    QCOMPARE(e.lignes.last(), QStringLiteral("✅ Location supprimée."));
    Ecran::tourner();
    QVERIFY(e.grille()->rectCorps(l2).isEmpty());
}

void TestGrille::toucherEtDetails()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9),
                                  std::nullopt);
    QVERIFY(e.ctx->save());
    // Nothing but the required: four rows.
    using G = InfoLocationPopup::Ligne::Genre;
    QCOMPARE(InfoLocationPopup::lignes(l),
             (QList<InfoLocationPopup::Ligne>{{G::texte, QStringLiteral("Client :"), QStringLiteral("Dupont BTP")},
                                              {G::texte, QStringLiteral("Adresse :"), QStringLiteral("Non renseignée")},
                                              {G::texte, QStringLiteral("Type de déchet :"), QStringLiteral("inconnu")},
                                              {G::texte, QStringLiteral("Téléphone client :"), QStringLiteral("0102030405")}}));
    e.ouvrir();

    // A tap on the bar (even with a trembling pointer): details over the grid and the badge on the bar.
    drag(e.vp(), e.centre(l), e.centre(l) + QPointF(1, 1));
    QCOMPARE(e.vue->locationInfoSelectionnee(), l);
    QCOMPARE(e.grille()->locationSelectionnee(), l);
    QWidget* popup = e.vue->popupInfoLocation();
    QVERIFY(popup && popup->isVisible());
    QCOMPARE(popup->geometry().top(), 40); // the header stays uncovered
    QWidget* carte = popup->findChild<QWidget*>(QStringLiteral("carteInfoLocation"));
    QVERIFY(carte);
    QCOMPARE(carte->geometry().center().x(), 400 - (carte->width() % 2 == 0 ? 1 : 0));
    const int hauteurCarte = carte->height();
    QList<QLabel*> labels = e.vue->infoLocation()->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 8);

    // The details follow the store: an address, tickets of 12.5 kg, contacts, the same driver twice.
    l->setAdresse(QString());
    l->ajouterBonDePesee(localDateTime(2026, 3, 16, 9), QStringLiteral("T1"), std::nullopt, std::nullopt, 12.5, std::nullopt);
    for (const char* prenom : {"Anne", "Bruno", "Chloé"})
        new Contact(QString::fromUtf8(prenom), QStringLiteral("Roux"), QStringLiteral("0600000000"), QString(), c);
    Chauffeur* martin = driver(e.ctx.get());
    l->setChauffeurPose(martin);
    l->setChauffeurEnlevement(martin);
    Ecran::tourner();
    const QList<InfoLocationPopup::Ligne> lignes = InfoLocationPopup::lignes(l);
    QCOMPARE(lignes.size(), 8);
    QCOMPARE(lignes[1].valeur, QString());
    QCOMPARE(lignes[3], (InfoLocationPopup::Ligne{G::texte, QStringLiteral("Poids du déchet\u00A0:"), QStringLiteral("12 kg")}));
    QCOMPARE(lignes[5].valeur, QStringLiteral("Anne Roux (0600000000)"));
    QCOMPARE(lignes[6], (InfoLocationPopup::Ligne{G::chauffeurPose, QString(), QStringLiteral("Pose\u00A0: Paul Martin")}));
    QCOMPARE(lignes[7], (InfoLocationPopup::Ligne{G::chauffeurEnlevement, QString(), QStringLiteral("Enlèvement\u00A0: Paul Martin")}));
    QCOMPARE(e.vue->infoLocation()->findChildren<QLabel*>().size(), 16);
    // The card grows with its rows, its centre kept.
    QTRY_VERIFY(carte->height() > hauteurCarte + 80);
    QCOMPARE(carte->geometry().center().x(), 400 - (carte->width() % 2 == 0 ? 1 : 0));
    QVERIFY(e.vue->infoLocation()->findChild<QLabel*>(QStringLiteral("badgeEnlevement")));
    QCOMPARE(InfoLocationPopup::textePoids(0.9), QStringLiteral("0 kg"));

    // A tap on the backdrop closes it; so does Escape.
    clickAt(popup, QPointF(popup->width() - 10, popup->height() - 10));
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr);
    QCOMPARE(e.grille()->locationSelectionnee(), nullptr);
    QVERIFY(!e.vue->popupInfoLocation());
    clickAt(e.vp(), e.centre(l));
    QVERIFY(e.vue->popupInfoLocation());
    e.grille()->setFocus();
    QTest::keyClick(e.grille(), Qt::Key_Escape);
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr);
    // A tap on the card does not close it.
    clickAt(e.vp(), e.centre(l));
    QWidget* carte2 = e.vue->popupInfoLocation()->findChild<QWidget*>(QStringLiteral("carteInfoLocation"));
    clickAt(carte2, QPointF(20, 20));
    QCOMPARE(e.vue->locationInfoSelectionnee(), l);
    // Deleted meanwhile: the details close.
    e.ctx->remove(l);
    Ecran::tourner();
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr);
    QVERIFY(!e.vue->popupInfoLocation());
}

void TestGrille::detailsSurPlusieursLignes()
{
    // Values longer than their row take the lines they need: no word of them is cut away.
    Ecran e;
    Client* c = officeClient(e.ctx.get(), QStringLiteral("Démolition Simon 31"));
    officeClient(e.ctx.get(), QStringLiteral("Démolition Simon 271"));
    new Contact(QStringLiteral("Marie-Christine"), QStringLiteral("Delacroix-Vasseur"), QStringLiteral("06 12 34 56 78"),
                QString(), c);
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9),
                                  QStringLiteral("Zone artisanale des Grandes Terres, 1245 avenue du Général Leclerc, "
                                                 "69800 Saint-Priest"));
    QVERIFY(e.ctx->save());
    for (const QSize taille : {QSize(1200, 760), QSize(1600, 1000)}) {
        e.ouvrir(taille);
        QWidget* carte = e.ouvrirDetails(l);
        QVERIFY(carte && carte->isVisible());
        int valeurs = 0;
        for (QLabel* label : e.vue->infoLocation()->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || !label->wordWrap())
                continue;
            ++valeurs;
            const QRect besoin = label->fontMetrics().boundingRect(
                QRect(0, 0, label->contentsRect().width(), 10000), Qt::TextWordWrap, label->text());
            QVERIFY2(besoin.height() <= label->contentsRect().height(), qPrintable(label->text()));
            QVERIFY2(besoin.width() <= label->contentsRect().width(), qPrintable(label->text()));
            // Inside the card, which shows it whole.
            const QRect dansCarte(label->mapTo(carte, QPoint(0, 0)), label->size());
            QVERIFY2(carte->rect().contains(dansCarte), qPrintable(label->text()));
            // A phone number stays on one line: no line ends between two of its digits.
            QTextLayout mise(label->text(), label->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            mise.setTextOption(option);
            mise.beginLayout();
            for (QTextLine ligne = mise.createLine(); ligne.isValid(); ligne = mise.createLine()) {
                ligne.setLineWidth(label->contentsRect().width());
                const int fin = ligne.textStart() + ligne.textLength();
                QVERIFY2(fin >= label->text().size() || fin < 2 || !label->text().at(fin).isDigit()
                             || !label->text().at(fin - 2).isDigit(),
                         qPrintable(label->text().left(fin) + QStringLiteral(" | ") + label->text().mid(fin)));
            }
            mise.endLayout();
        }
        QCOMPARE(valeurs, 5);
        e.vue->setLocationInfoSelectionnee(nullptr);
    }
}

void TestGrille::detailsSansAvertissementDePeinture()
{
    // Opening and closing the details paints without a single painter warning.
    static QStringList avertissements;
    avertissements.clear();
    static QtMessageHandler precedent = nullptr;
    precedent = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
        if (msg.contains(QLatin1String("QPainter")))
            avertissements << msg;
        if (precedent)
            precedent(type, ctx, msg);
    });
    {
        Ecran e;
        LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9));
        QVERIFY(e.enregistrerEtOuvrir());
        // The picture that fades, and the animation that drives it.
        const auto fondu = [&] { return QPointer<QWidget>(e.vue->findChild<QWidget*>(QStringLiteral("fonduDetails"))); };
        for (int i = 0; i < 2; ++i) {
            clickAt(e.vp(), e.centre(l));
            QPointer<QWidget> popup = e.vue->popupInfoLocation();
            QVERIFY(popup);
            // The fade in, painted once over and gone.
            QPointer<QWidget> apparition = fondu();
            QVERIFY(apparition);
            QTRY_VERIFY(!apparition && popup->updatesEnabled());
            e.vue->grab();
            clickAt(popup, QPointF(popup->width() - 10, popup->height() - 10));
            QVERIFY(!e.vue->popupInfoLocation());
            // Halfway through the fade out, then once it is over.
            QPointer<QWidget> disparition = fondu();
            QVERIFY(disparition);
            QPointer<QVariantAnimation> animation = disparition->findChild<QVariantAnimation*>();
            QVERIFY(animation);
            QTRY_VERIFY(!animation || animation->currentTime() >= animation->duration() / 2);
            e.vue->grab();
            QTRY_VERIFY(!disparition && !popup);
        }
    }
    qInstallMessageHandler(precedent);
    QVERIFY2(avertissements.isEmpty(), qPrintable(avertissements.join(QLatin1Char('\n'))));
}

void TestGrille::duplicationParLeBouton()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), bn, localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    const QPointF bouton = e.grille()->rectDuplication(l).center();
    // Not there until the pointer is over the bar.
    QCOMPARE(e.grille()->toucher(bouton).zone, GrillePlanning::Zone::corps);
    mouseEvent(e.vp(), QEvent::MouseMove, e.centre(l), Qt::NoButton, Qt::NoButton);
    QCOMPARE(e.grille()->toucher(bouton).zone, GrillePlanning::Zone::duplication);
    // Each part tells what it does.
    const auto bulle = [&](const QPointF& at) {
        QHelpEvent aide(QEvent::ToolTip, at.toPoint(), e.vp()->mapToGlobal(at.toPoint()));
        QApplication::sendEvent(e.vp(), &aide);
        const QString texte = QToolTip::text();
        QToolTip::hideText();
        return texte;
    };
    // The body's names the client too, whom the bar may have had to shorten.
    QCOMPARE(bulle(e.centre(l)), l->client()->nom() + QStringLiteral("\nDéposez un chauffeur ici pour cette location"));
    QCOMPARE(bulle(e.grille()->rectPoignee(l, false).center()), QStringLiteral("Allonger ou réduire la durée de location"));
    QCOMPARE(bulle(e.grille()->rectPoignee(l, true).center()), QStringLiteral("Allonger ou réduire la durée de location"));
    QCOMPARE(bulle(bouton), QStringLiteral("Dupliquer cette location en rotation"));

    // A failed save: told, and nothing left behind.
    e.ctx->failNextSave(QStringLiteral("lecture seule"));
    clickAt(e.vp(), bouton);
    QMessageBox* erreur = visibleBox(QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: lecture seule"));
    erreur->close();
    QCOMPARE(bn->locations().size(), 1);
    QVERIFY(!e.ctx->hasChanges());

    mouseEvent(e.vp(), QEvent::MouseMove, e.centre(l), Qt::NoButton, Qt::NoButton);
    clickAt(e.vp(), bouton);
    QCOMPARE(bn->locations().size(), 2);
    LocationDeBenne* copie = bn->locations().last();
    QCOMPARE(copie->datePose(), localDateTime(2026, 3, 17, 0));
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 19, 0));
    Ecran::tourner();
    QCOMPARE(e.grille()->rectCorps(copie), e.grille()->rectCorps(l).translated(240, 0));
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr); // the button is no tap on the bar

    // Again: no free day, told in a short alert.
    mouseEvent(e.vp(), QEvent::MouseMove, e.centre(l), Qt::NoButton, Qt::NoButton);
    clickAt(e.vp(), bouton);
    QMessageBox* alerte = visibleBox(QStringLiteral("alerteDuplication"));
    QVERIFY(alerte);
    QCOMPARE(alerte->text(), QStringLiteral("Duplication impossible"));
    alerte->close();
    QCOMPARE(bn->locations().size(), 2);
}

void TestGrille::symboleDeDuplicationLisible()
{
    // The duplicate button's arrow at the 14 points of a bar, at scale 1 and 2: a ring with a hole
    // and an arrowhead, not a blob of ink. The icon theme is the application's.
    useIconTheme();
    for (const qreal dpr : {1.0, 2.0}) {
        const QImage image = paintedSymbolIcon(QStringLiteral("arrow.trianglehead.clockwise"), Qt::black)
                                 .pixmap(QSize(14, 14), dpr)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        const int cote = image.width();
        QCOMPARE(cote, int(14 * dpr));
        int encre = 0;
        for (int y = 0; y < cote; ++y)
            for (int x = 0; x < cote; ++x)
                encre += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        const double part = double(encre) / (cote * cote);
        QVERIFY2(part > 0.15 && part < 0.5, qPrintable(QString::number(part)));
        // The middle of the ring is empty.
        const int m = cote / 2;
        for (const QPoint p : {QPoint(m - 1, m - 1), QPoint(m, m - 1), QPoint(m - 1, m), QPoint(m, m)})
            QVERIFY2(qAlpha(image.pixel(p)) < 64, qPrintable(QString::number(dpr)));
    }
}

void TestGrille::depotDUnChauffeur()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 16, 9),
                                      localDateTime(2026, 3, 18, 9));
    Chauffeur* martin = driver(e.ctx.get());
    QVERIFY(e.enregistrerEtOuvrir());

    const QString id = texteUuid(martin->id());
    // Anything but exactly a 36-character UUID: ignored without a word.
    for (const QString& mauvais : {QLatin1Char('{') + id + QLatin1Char('}'), id + QLatin1Char('\n'),
                                   QLatin1Char(' ') + id, QStringLiteral("Martin")})
        e.deposer(mauvais, e.centre(l));
    QCOMPARE(l->chauffeurPose(), nullptr);
    QVERIFY(e.lignes.isEmpty());
    // Beside the bars: refused.
    QVERIFY(!e.deposer(id, e.centre(l) + QPointF(0, 80)));
    QVERIFY(e.lignes.isEmpty());

    // Lower case is fine; the placement gets the driver, saved at once.
    QVERIFY(e.deposer(id.toLower(), e.centre(l)));
    QCOMPARE(l->chauffeurPose(), martin);
    QCOMPARE(e.lignes.first(), QStringLiteral("🟢 Drop sur location ") + texteUuid(l->id()));
    QVERIFY(!e.ctx->hasChanges());
    // Next drop: the removal, and the placement of the rental that follows at that address; the
    // save fails and is told, and both go back to no driver: the grid shows what is stored.
    LocationDeBenne* suivante = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 12), localDateTime(2026, 3, 18, 9));
    QVERIFY(e.ctx->save());
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    QVERIFY(e.deposer(id, e.centre(l)));
    QMessageBox* erreur = visibleBox(QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(l->chauffeurEnlevement(), nullptr);
    QCOMPARE(suivante->chauffeurPose(), nullptr);
    QCOMPARE(l->chauffeurPose(), martin);
    erreur->close();
}

void TestGrille::auClavier()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    QList<Benne*> bennes;
    for (int i = 0; i < 40; ++i)
        bennes << benne(e.ctx.get(), i + 1);
    LocationDeBenne* l = placedRental(e.ctx.get(), c, bennes[1], localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    g->setFocus();
    QTRY_VERIFY(g->hasFocus());
    // The cell starts on today's column; the arrows move it over the bar.
    QCOMPARE(g->curseur(), QPoint(31, 0));
    QCOMPARE(g->locationAuCurseur(), nullptr);
    QTest::keyClick(g, Qt::Key_Down);
    QCOMPARE(g->locationAuCurseur(), l);
    QTest::keyClick(g, Qt::Key_Right);
    QCOMPARE(g->curseur(), QPoint(32, 1));
    QCOMPARE(g->locationAuCurseur(), l);
    QTest::keyClick(g, Qt::Key_Right);
    QCOMPARE(g->locationAuCurseur(), nullptr);
    QTest::keyClick(g, Qt::Key_Left);
    // Enter shows the details, said as they open (the keys stay on the cell); Escape closes them.
    fixtures::HeardAnnouncements lecteur;
    QTest::keyClick(g, Qt::Key_Return);
    QCOMPARE(e.vue->locationInfoSelectionnee(), l);
    QVERIFY2(lecteur.said.value(0).startsWith(QStringLiteral("Client : Dupont BTP. Adresse : ")), qPrintable(lecteur.said.value(0)));
    QAccessibleInterface* carte = QAccessible::queryAccessibleInterface(e.vue->findChild<InfoLocationPopup*>());
    QCOMPARE(carte->role(), QAccessible::ListItem); // the card, named by what it shows, in the grid's tree
    QAccessibleInterface* grilleLue = QAccessible::queryAccessibleInterface(g);
    QVERIFY(static_cast<QWidget*>(grilleLue->child(grilleLue->childCount() - 1)->object())->isAncestorOf(e.vue->findChild<InfoLocationPopup*>()));
    QCOMPARE(carte->text(QAccessible::Name), lecteur.said.value(0));
    QTest::keyClick(g, Qt::Key_Escape);
    QCOMPARE(e.vue->locationInfoSelectionnee(), nullptr);
    // Ctrl+Shift+D duplicates; Delete asks first.
    QTest::keyClick(g, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(bennes[1]->locations().size(), 2);
    QTest::keyClick(g, Qt::Key_Delete);
    QMessageBox* box = visibleBox(QStringLiteral("confirmation"));
    QVERIFY(box);
    QCOMPARE(g->locationEnSurbrillance(), l);
    answerBox(box, QStringLiteral("Supprimer"));
    QVERIFY(l->isDeleted());
    // The view follows the cell down the rows and back to today.
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(g, Qt::Key_Down);
    QCOMPARE(g->curseur().y(), 31);
    QVERIFY(e.vue->scrollOffset().y() + g->viewport()->height() >= 32 * 40);
    QTest::keyClick(g, Qt::Key_PageUp);
    QVERIFY(g->curseur().y() < 31);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(g, Qt::Key_Left);
    QCOMPARE(g->curseur().x(), 12);
    QVERIFY(e.vue->scrollOffset().x() <= 12 * 120);
    QTest::keyClick(g, Qt::Key_Home);
    QCOMPARE(g->curseur().x(), 31);
    // Tab goes from the skip column to the grid.
    e.grille()->colonne()->setFocus();
    QTRY_VERIFY(e.grille()->colonne()->hasFocus());
    QTest::keyClick(e.grille()->colonne(), Qt::Key_Tab);
    QTRY_VERIFY(g->hasFocus());
    // A click puts the cell where it lands.
    clickAt(e.vp(), QPointF(130, 50));
    const QPoint ici(int((130 + e.vue->scrollOffset().x()) / 120), int((50 + e.vue->scrollOffset().y()) / 40));
    QCOMPARE(g->curseur(), ici);
    // Another screen, then the planning again in the same window: the cell is back, in view.
    QWidget fenetre;
    fenetre.resize(1200, 760);
    fenetre.show();
    auto* avant = new VuePlanificationBennes(e.ctx.get(), e.centrage, &fenetre, fixedClock());
    avant->show();
    QTRY_VERIFY(avant->grille()->isVisible());
    clickAt(avant->grille()->viewport(), QPointF(130, 450));
    const QPoint la = avant->grille()->curseur();
    delete avant;
    auto* apres = new VuePlanificationBennes(e.ctx.get(), e.centrage, &fenetre, fixedClock());
    apres->show();
    QTRY_COMPARE(apres->grille()->curseur(), la);
    // The keys coming back from the skip column find it there too.
    QVERIFY(QTest::qWaitForWindowActive(&fenetre));
    apres->grille()->colonne()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(apres->grille()->colonne(), Qt::Key_Tab);
    QCOMPARE(apres->grille()->curseur(), la);
    QVERIFY(apres->grille()->viewport()->rect().intersects(apres->grille()->cadreCurseur().translated(-apres->grille()->scrollOffset()).toRect()));
}

void TestGrille::bandeauDesChauffeurs()
{
    Ecran e;
    Chauffeur* actif = driver(e.ctx.get(), QStringLiteral("Martin"), QStringLiteral("Paul"));
    driver(e.ctx.get(), QStringLiteral("Leroy"), QStringLiteral("Anne"), false);
    e.ouvrir();
    // Inactive drivers too, one chip each, 16 points apart.
    QCOMPARE(e.vue->bandeau()->rectsPuces().size(), 2);
    QCOMPARE(e.vue->bandeau()->height(), 80);
    const QList<QRect> puces = e.vue->bandeau()->rectsPuces();
    QCOMPARE(puces[1].left() - puces[0].right() - 1, 16);
    // The first name, secondary, still reads at 4.5:1 on the chip.
    const QImage image = e.vue->bandeau()->contenu()->grab().toImage();
    const QColor fond = couleurEn(image, QPointF(puces[0].left() + 4, puces[0].center().y()));
    double encre = 1;
    for (int x = puces[0].left() + 46; x < puces[0].left() + 70; ++x)
        for (int y = puces[0].top(); y < puces[0].bottom(); ++y)
            encre = std::max(encre, forms::contrastRatio(couleurEn(image, QPointF(x, y)), fond));
    QVERIFY2(encre >= 4.5, qPrintable(QString::number(encre)));
    std::unique_ptr<QMimeData> data(BandeauChauffeurs::donneesGlissement(actif));
    QCOMPARE(data->text(), actif->id().toString(QUuid::WithoutBraces).toUpper());
    driver(e.ctx.get(), QStringLiteral("Petit"));
    Ecran::tourner();
    QCOMPARE(e.vue->bandeau()->rectsPuces().size(), 3);
    // Without skips: the message, the header still there, the drivers still draggable.
    QVERIFY(e.vue->messageSansBenne()->isVisible());
    QCOMPARE(e.vue->messageSansBenne()->text(), QStringLiteral("Commencez par créer des bennes..."));
    QVERIFY(e.grille()->entete()->isVisible());
    // Under it, what else a first rental needs, following the store, and how one is made.
    QLabel* aide = e.vue->aideSansBenne();
    QVERIFY(aide->isVisible());
    QCOMPARE(aide->text(), VuePlanificationBennes::texteAideVide(false, false));
    QVERIFY(aide->text().contains(QStringLiteral("un type de déchet et un client")));
    QVERIFY(aide->text().contains(QStringLiteral("un clic sur l'étiquette d'une benne")));
    wasteType(e.ctx.get(), QStringLiteral("Gravats"));
    Ecran::tourner();
    QCOMPARE(aide->text(), VuePlanificationBennes::texteAideVide(true, false));
    QVERIFY(!aide->text().contains(QStringLiteral("type de déchet")));
    QVERIFY(aide->text().contains(QStringLiteral("un client\u00A0: ajoutez-le dans «\u00A0Liste des clients\u00A0»")));
    officeClient(e.ctx.get());
    Ecran::tourner();
    QCOMPARE(aide->text(), VuePlanificationBennes::texteAideVide(true, true));
    QVERIFY(!aide->text().contains(QStringLiteral("client")));
    // Whole, word-wrapped, at the smallest size.
    e.vue->resize(536, 400);
    Ecran::tourner();
    QVERIFY(aide->heightForWidth(aide->width()) <= aide->height());
    // The first skip: the message and the help go.
    benne(e.ctx.get(), 10);
    Ecran::tourner();
    QVERIFY(!e.vue->messageSansBenne()->isVisible());
    QVERIFY(!aide->isVisible());
}

void TestGrille::barresSuiventLeMagasin()
{
    Ecran e;
    Client* c = officeClient(e.ctx.get());
    Benne* grande = benne(e.ctx.get(), 20);
    Benne* petite = benne(e.ctx.get(), 5);
    e.ouvrir();
    QCOMPARE(e.grille()->bennes(), (QList<Benne*>{petite, grande}));
    LocationDeBenne* l = placedRental(e.ctx.get(), c, grande, localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 16, 9));
    Ecran::tourner();
    QCOMPARE(e.grille()->rectCorps(l).top() + e.vue->scrollOffset().y(), 44.0);
    grande->setVolume(2);
    Ecran::tourner();
    QCOMPARE(e.grille()->bennes(), (QList<Benne*>{grande, petite}));
    QCOMPARE(e.grille()->rectCorps(l).top() + e.vue->scrollOffset().y(), 4.0);
    // A change that no bar shows leaves the spans as they are; a rental's change drops them.
    e.grille()->viewport()->repaint();
    const quint64 calculs = e.grille()->calculsDeBarres();
    Chauffeur* martin = driver(e.ctx.get());
    Ecran::tourner();
    martin->setNom(QStringLiteral("Martinez"));
    Ecran::tourner();
    e.grille()->viewport()->repaint();
    QCOMPARE(e.grille()->calculsDeBarres(), calculs);
    // A rental's change makes its row again, and only it; moved to another skip, both rows.
    l->setDateEnlevement(localDateTime(2026, 3, 18, 9));
    Ecran::tourner();
    QCOMPARE(e.grille()->rectCorps(l).width(), 360.0);
    QCOMPARE(e.grille()->calculsDeBarres(), calculs + 1);
    l->setBenne(petite);
    Ecran::tourner();
    QCOMPARE(e.grille()->barres(0).size(), 0);
    QCOMPARE(e.grille()->rectCorps(l).top() + e.vue->scrollOffset().y(), 44.0);
    l->setBenne(grande);
    Ecran::tourner();
    e.ctx->remove(grande);
    Ecran::tourner();
    QCOMPARE(e.grille()->bennes(), QList<Benne*>{petite});
    QVERIFY(e.grille()->rectCorps(l).isEmpty());
}

void TestGrille::apresMinuit()
{
    // The clock passes midnight while the screen is open: the days move on at the next paint.
    auto ctx = store();
    LocationDeBenne* l = placedRental(ctx.get(), officeClient(ctx.get()), benne(ctx.get(), 10), localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9));
    QVERIFY(ctx->save());
    qint64 maintenantMs = localDateTime(2026, 3, 15, 23, 59).toMSecsSinceEpoch();
    VuePlanificationBennes vue(ctx.get(), Observable<bool>(), nullptr,
                               Horloge{[&maintenantMs] { return maintenantMs; }, paris()});
    vue.resize(1200, 760);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    QCoreApplication::processEvents();
    GrillePlanning* g = vue.grille();
    QCOMPARE(g->jours().date(31), QDate(2026, 3, 15));
    const QRectF avant = g->rectCorps(l);
    maintenantMs = localDateTime(2026, 3, 16, 0, 1).toMSecsSinceEpoch();
    g->viewport()->repaint();
    QCOMPARE(g->jours().date(31), QDate(2026, 3, 16));
    QCOMPARE(g->jours().date(0), QDate(2026, 2, 13));
    QCOMPARE(g->rectCorps(l), avant.translated(-120, 0));
}

void TestGrille::rendu()
{
    // The grid as a user sees it: no skip, a few skips, bars clamped at both edges. Pictures go
    // to $KV_CAPTURES when set.
    const QString dossier = qEnvironmentVariable("KV_CAPTURES");
    for (const QSize taille : {QSize(1200, 760), QSize(1600, 1000)}) {
        for (int etat = 0; etat < 3; ++etat) {
            Ecran e;
            if (etat > 0) {
                Client* dupont = officeClient(e.ctx.get());
                Client* garnier = officeClient(e.ctx.get(), QStringLiteral("Garnier Terrassement"));
                Chauffeur* martin = driver(e.ctx.get());
                driver(e.ctx.get(), QStringLiteral("Leroy"), QStringLiteral("Anne"));
                const QStringList couleurs = {"2E7D32", "1565C0", "EF6C00", "6A1B9A", "", "C62828"};
                QList<Benne*> bennes;
                for (int i = 0; i < 6; ++i)
                    bennes << colouredBenne(e.ctx.get(), 6 + 2 * i, couleurs[i],
                                            i == 4 ? EtatBenne::inutilisable : EtatBenne::correct);
                LocationDeBenne* l0 = placedRental(e.ctx.get(), dupont, bennes[0], localDateTime(2026, 3, 14, 8), localDateTime(2026, 3, 17, 8));
                l0->setChauffeurPose(martin);
                placedRental(e.ctx.get(), garnier, bennes[1], localDateTime(2026, 3, 15, 8), std::nullopt);
                LocationDeBenne* l2 = placedRental(e.ctx.get(), garnier, bennes[2], localDateTime(2026, 3, 12, 8), localDateTime(2026, 3, 19, 8));
                l2->setChauffeurPose(martin);
                l2->setChauffeurEnlevement(martin);
                placedRental(e.ctx.get(), dupont, bennes[3], localDateTime(2026, 3, 16, 8), localDateTime(2026, 3, 18, 8));
                placedRental(e.ctx.get(), dupont, bennes[5], localDateTime(2026, 3, 13, 8), localDateTime(2026, 3, 14, 8));
                if (etat == 2) {
                    // Clamped: from before the first day, and past the last one.
                    placedRental(e.ctx.get(), dupont, bennes[3], localDateTime(2025, 12, 1, 8), localDateTime(2026, 2, 16, 8));
                    placedRental(e.ctx.get(), garnier, bennes[1], localDateTime(2026, 5, 30, 8), localDateTime(2026, 8, 1, 8));
                }
                QVERIFY(e.ctx->save());
            }
            e.ouvrir(taille);
            QTRY_VERIFY(e.vue->scrollOffset().x() > 0);
            if (etat == 2)
                e.vue->setScrollOffset(QPointF(0, 0));
            QCoreApplication::processEvents();
            const QImage image = e.vue->grab().toImage();
            QCOMPARE(image.size(), taille * e.vue->devicePixelRatioF());
            if (!dossier.isEmpty())
                image.save(QStringLiteral("%1/planning-%2-%3x%4.png").arg(dossier).arg(etat).arg(taille.width()).arg(taille.height()));
            if (etat == 2) {
                // The other edge: a bar running past the last day ends at the last column.
                e.vue->setScrollOffset(QPointF(1e6, 0));
                QCoreApplication::processEvents();
                const QList<Barre>& rangee = e.grille()->barres(1);
                QVERIFY(!rangee.isEmpty());
                QCOMPARE(rangee.last().colonnes, (Colonnes{107, 111}));
                QCOMPARE(e.grille()->rectCorps(rangee.last().location).right(), e.vp()->width());
                if (!dossier.isEmpty())
                    e.vue->grab().save(QStringLiteral("%1/planning-2-fin-%2.png").arg(dossier).arg(taille.width()));
            }
            // Today's column is marked in red down the rows; Sunday's header cell is tinted red.
            if (etat == 1) {
                const QRect vp = e.vp()->geometry().translated(e.grille()->pos());
                const int x = vp.left() + int(31 * 120 - e.vue->scrollOffset().x());
                const QColor ligne = couleurEn(image, QPointF(x, vp.top() + 4 * 40 + 20));
                QVERIFY2(ligne.red() > ligne.blue() + 40, qPrintable(ligne.name()));
                const QColor entete = couleurEn(image, QPointF(x + 5, vp.top() - 38));
                QVERIFY2(entete.red() > entete.green(), qPrintable(entete.name()));

                // A selected bar with its badge, a hovered one with its duplicate button, and one
                // waiting for its deletion to be confirmed.
                const QList<Barre>& rangee = e.grille()->barres(3);
                const QList<Barre>& premiere = e.grille()->barres(0);
                QVERIFY(!rangee.isEmpty() && !premiere.isEmpty());
                clickAt(e.vp(), e.centre(rangee.first().location));
                QCOMPARE(e.vue->locationInfoSelectionnee(), rangee.first().location);
                const QPoint at = e.centre(e.grille()->barres(5).first().location).toPoint();
                QContextMenuEvent menu(QContextMenuEvent::Mouse, at, e.vp()->mapToGlobal(at));
                QApplication::sendEvent(e.vp(), &menu);
                choisir(e.grille()->menuContextuel(), QStringLiteral("actionSupprimer"));
                mouseEvent(e.vp(), QEvent::MouseMove, e.centre(premiere.first().location), Qt::NoButton, Qt::NoButton);
                QTRY_VERIFY(!e.vue->popupInfoLocation()->graphicsEffect()); // the details' fade is over
                if (!dossier.isEmpty())
                    e.vue->grab().save(QStringLiteral("%1/planning-etats-%2.png").arg(dossier).arg(taille.width()));
                answerBox(visibleBox(QStringLiteral("confirmation")), QStringLiteral("Annuler"));
            }
        }
    }
}

void TestGrille::defilementPendantLesGlissements()
{
    // A thousand skips, each booked from today for three days.
    Ecran e;
    Client* c = officeClient(e.ctx.get(), QStringLiteral("Martin Bâtiment"));
    Chauffeur* martin = driver(e.ctx.get());
    for (int i = 0; i < 1000; ++i)
        placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    QTRY_VERIFY(e.vue->scrollOffset().x() > 0);
    GrillePlanning* g = e.grille();
    QWidget* vp = e.vp();
    QScrollBar* h = g->horizontalScrollBar();
    QScrollBar* v = g->verticalScrollBar();
    const QPointF depart = e.vue->scrollOffset();
    const auto location = [&](int ligne) { return g->bennes()[ligne]->locations().first(); };
    const int lignesVisibles = vp->height() / 40;

    // A driver dragged from the strip: the wheel scrolls the rows while he is held, and held
    // still near the bottom edge the rows go by until a skip far below is under him.
    {
        QMimeData data;
        data.setText(texteUuid(martin->id()));
        const QPointF surBarre = e.centre(location(0));
        WindowDrag glisser(vp, &data, Qt::CopyAction);
        QVERIFY(glisser.moveTo(vp, surBarre.toPoint()));
        glisser.wheel(-2);
        QVERIFY(v->value() > 0);
        glisser.wheel(2);
        QCOMPARE(v->value(), 0);
        // Between the edges nothing moves by itself.
        glisser.moveTo(vp, QPoint(int(surBarre.x()), vp->height() / 2));
        QTest::qWait(100);
        QCOMPARE(v->value(), 0);
        const QPoint bord(int(surBarre.x()), vp->height() - 4);
        glisser.moveTo(vp, bord);
        const auto sousLePointeur = [&] { return g->toucher(bord); };
        QTRY_VERIFY_WITH_TIMEOUT(sousLePointeur().zone == GrillePlanning::Zone::corps
                                     && sousLePointeur().ligne > 3 * lignesVisibles,
                                 30000);
        // Nothing is aimed at while the rows go by; off the edge they stop, and the bar under
        // the pointer then gets him.
        QCOMPARE(g->locationCibleDepot(), nullptr);
        LocationDeBenne* cible = location(g->ligneA(g->scrollOffset().y() + vp->height() / 2));
        QVERIFY(glisser.moveTo(vp, e.centre(cible).toPoint()));
        QVERIFY(!g->defilementAuto()->isScrolling());
        QCOMPARE(g->locationCibleDepot(), cible);
        QVERIFY(glisser.drop());
        Ecran::tourner();
        QCOMPARE(cible->chauffeurPose(), martin);
        QVERIFY(!g->defilementAuto()->isScrolling());
    }

    // A bar moved, then one stretched, to the right edge and held there: the days beyond come
    // into view; brought back off the edge, the grid stops and the bar lands where the pointer
    // is let go.
    for (const GrillePlanning::Zone zone : {GrillePlanning::Zone::corps, GrillePlanning::Zone::poigneeDroite}) {
        g->setScrollOffset(depart);
        Ecran::tourner();
        const int ligne = zone == GrillePlanning::Zone::corps ? 1 : 2;
        LocationDeBenne* l = location(ligne);
        const QPointF presse = zone == GrillePlanning::Zone::corps ? e.centre(l) : g->rectPoignee(l, true).center();
        QCOMPARE(g->toucher(presse).zone, zone);
        const double h0 = h->value();
        mouseEvent(vp, QEvent::MouseButtonPress, presse, Qt::LeftButton);
        const QPointF bord(vp->width() - 2, presse.y());
        for (int i = 1; i <= 4; ++i)
            mouseEvent(vp, QEvent::MouseMove, presse + (bord - presse) * (i / 4.0), Qt::LeftButton, Qt::NoButton);
        QTRY_VERIFY_WITH_TIMEOUT(h->value() - h0 > vp->width(), 30000);
        const QPointF lache = bord - QPointF(60, 0);
        mouseEvent(vp, QEvent::MouseMove, lache, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!g->defilementAuto()->isScrolling());
        const double translation = lache.x() + h->value() - (presse.x() + h0);
        mouseEvent(vp, QEvent::MouseButtonRelease, lache, Qt::NoButton);
        const int jours = int(std::lround(translation / 120));
        QVERIFY(jours > vp->width() / 120);
        if (zone == GrillePlanning::Zone::corps) {
            QCOMPARE(l->datePose(), localDateTime(2026, 3, 15 + jours, 9));
            QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 18 + jours, 9));
        } else {
            QCOMPARE(l->datePose(), localDateTime(2026, 3, 15, 9));
            QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 18 + jours, 9));
        }
        // Let go, the grid stays where it is.
        const int arret = h->value();
        QTest::qWait(100);
        QCOMPARE(h->value(), arret);
    }

    // Held past the left edge (over the skips' column), a bar goes back as far as the first day.
    g->setScrollOffset(depart);
    Ecran::tourner();
    LocationDeBenne* l = location(3);
    const QPointF presse = e.centre(l);
    mouseEvent(vp, QEvent::MouseButtonPress, presse, Qt::LeftButton);
    mouseEvent(vp, QEvent::MouseMove, QPointF(-30, presse.y()), Qt::LeftButton, Qt::NoButton);
    QTRY_VERIFY_WITH_TIMEOUT(h->value() == 0, 30000);
    mouseEvent(vp, QEvent::MouseButtonRelease, QPointF(-30, presse.y()), Qt::NoButton);
    QVERIFY(l->datePose() < localDateTime(2026, 3, 1, 9));
}

void TestGrille::barresCourtesEtBadgeDInformation()
{
    Ecran e;
    Client* court = officeClient(e.ctx.get(), QStringLiteral("Bâtiment"));
    QString nomLong = QStringLiteral("Société <b>Générale</b> des Bâtiments / Travaux publics ");
    while (nomLong.size() < 300)
        nomLong += QStringLiteral("Élagage ");
    nomLong = nomLong.trimmed();
    Client* longue = officeClient(e.ctx.get(), nomLong);
    Chauffeur* martin = driver(e.ctx.get());
    Chauffeur* anne = driver(e.ctx.get(), QStringLiteral("Leroy"), QStringLiteral("Anne"));
    const auto deuxChauffeurs = [&](LocationDeBenne* l) {
        l->setChauffeurPose(martin);
        l->setChauffeurEnlevement(anne);
        return l;
    };
    // One-day bars with both drivers, a short and a very long name; a three-day bar.
    LocationDeBenne* unJour = deuxChauffeurs(placedRental(e.ctx.get(), court, colouredBenne(e.ctx.get(), 6, "1565C0"),
                                                          localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 16, 9)));
    LocationDeBenne* unJourLong = deuxChauffeurs(placedRental(e.ctx.get(), longue, colouredBenne(e.ctx.get(), 7, "2E7D32"),
                                                              localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 16, 9)));
    LocationDeBenne* troisJours = deuxChauffeurs(placedRental(e.ctx.get(), court, colouredBenne(e.ctx.get(), 8, "6A1B9A"),
                                                              localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9)));
    QVERIFY(e.enregistrerEtOuvrir());
    QTRY_VERIFY(e.vue->scrollOffset().x() > 0);
    GrillePlanning* g = e.grille();
    QWidget* vp = e.vp();
    const QFontMetricsF fm(g->font());

    // With room, the name whole between two full-size badges.
    PeintreBarres::Etiquette large = g->etiquette(troisJours);
    QCOMPARE(large.texte, QStringLiteral("Bâtiment"));
    QCOMPARE(large.badgePose.width(), PeintreBarres::kTailleBadge);
    QCOMPARE(large.badgeEnlevement.width(), PeintreBarres::kTailleBadge);

    // A one-day bar, at rest and under the pointer: its drivers' marks show, at their smallest,
    // and the name takes the rest, shortened; nothing covers it, neither the badges nor the
    // duplicate button.
    for (const bool survol : {false, true}) {
        if (survol)
            mouseEvent(vp, QEvent::MouseMove, e.centre(unJour) - QPointF(30, 0), Qt::NoButton, Qt::NoButton);
        QCOMPARE(g->locationSurvolee(), survol ? unJour : nullptr);
        const PeintreBarres::Etiquette et = g->etiquette(unJour);
        const QRectF corps = g->rectCorps(unJour);
        QVERIFY(!et.badgePose.isEmpty() && !et.badgeEnlevement.isEmpty());
        QCOMPARE(et.badgePose.width(), PeintreBarres::kTailleBadgeMin);
        QVERIFY(QStringLiteral("Bâtiment").startsWith(et.texte.chopped(1)));
        QVERIFY(et.rectTexte.width() >= fm.horizontalAdvance(et.texte) - 1);
        QVERIFY(corps.contains(et.rectTexte));
        for (const QRectF& badge : {et.badgePose, et.badgeEnlevement})
            QVERIFY(badge.isEmpty() || (!badge.intersects(et.rectTexte) && corps.contains(badge)));
        if (survol) {
            QVERIFY(!et.rectTexte.intersects(g->rectDuplication(unJour)));
            capture(e.vue.get(), QStringLiteral("barres-courtes-survol"));
        }
        QVERIFY(!et.rectTexte.intersects(g->rectPoignee(unJour, false)));
        QVERIFY(!et.rectTexte.intersects(g->rectPoignee(unJour, true)));
    }

    // A name too long for the bar is shortened beside the drivers' marks, and the bar's tool
    // tip holds it whole, as typed.
    const PeintreBarres::Etiquette coupe = g->etiquette(unJourLong);
    QVERIFY(!coupe.badgePose.isEmpty() || !coupe.badgeEnlevement.isEmpty() || !unJourLong->chauffeurPose());
    QVERIFY(coupe.texte.size() > 1);
    QVERIFY(coupe.texte.endsWith(QChar(0x2026)));
    QVERIFY(nomLong.startsWith(coupe.texte.chopped(1)));
    const QPoint surLong = e.centre(unJourLong).toPoint();
    QHelpEvent aide(QEvent::ToolTip, surLong, vp->mapToGlobal(surLong));
    QApplication::sendEvent(vp, &aide);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(shownToolTip(QToolTip::text()).replace(QChar::Nbsp, QLatin1Char(' ')),
             (QStringList{nomLong} + lignesChauffeurs(unJourLong) + QStringList{QStringLiteral("Déposez un chauffeur ici pour cette location")})
                 .join(QLatin1Char('\n'))
                 .replace(QChar::Nbsp, QLatin1Char(' ')));
    QToolTip::hideText();

    // The selected bar's badge: a filled blue circle holding a white "i", centred n + 5 points
    // right of the bar's left end and 5 points below its top.
    e.grille()->setLocationSelectionnee(unJour);
    const QRectF corps = g->rectCorps(unJour);
    const QPointF centre = corps.topLeft() + QPointF(1 + 5, 5);
    const QColor bleu(0, 122, 255);
    QTRY_VERIFY(proche(couleurEn(vp->grab().toImage(), centre + QPointF(-7, 0)), bleu));
    const QImage badge = vp->grab().toImage();
    capture(e.vue.get(), QStringLiteral("badge-information"));
    for (const QPointF& d : {QPointF(7, 0), QPointF(0, -8.5), QPointF(7.5, 4), QPointF(-8.5, 0)})
        QVERIFY2(proche(couleurEn(badge, centre + d), bleu), qPrintable(couleurEn(badge, centre + d).name()));
    // The "i": white down its stem and in its dot.
    for (const QPointF& d : {QPointF(0, 2), QPointF(0, 4.5), QPointF(0, -4.6)})
        QVERIFY2(proche(couleurEn(badge, centre + d), Qt::white, 60), qPrintable(couleurEn(badge, centre + d).name()));
    // Round: the corners of its square are not blue.
    for (const QPointF& d : {QPointF(-10, -10), QPointF(10, 10), QPointF(10, -10)})
        QVERIFY2(!proche(couleurEn(badge, centre + d), bleu, 60), qPrintable(couleurEn(badge, centre + d).name()));

    // A bar moved with the mouse leaves no keyboard frame behind on the cell it left.
    const QColor cadre = kv::focusColour(g->palette());
    const auto cadreSur = [&](const QImage& image, const QRectF& cellule) {
        int bleus = 0;
        for (double x = cellule.left() + 10; x < cellule.right() - 10; x += 2)
            bleus += proche(couleurEn(image, QPointF(x, cellule.top() + 3.5)), cadre);
        return bleus > 10;
    };
    const QPointF presse = e.centre(troisJours);
    const QPointF o0 = e.vue->scrollOffset();
    const QRectF quittee(std::floor((presse.x() + o0.x()) / 120) * 120 - o0.x(),
                         std::floor((presse.y() + o0.y()) / 40) * 40 - o0.y(), 120, 40);
    drag(vp, presse, presse + QPointF(240, 0));
    QCOMPARE(troisJours->datePose(), localDateTime(2026, 3, 17, 9));
    QVERIFY(g->hasFocus());
    QVERIFY(!cadreSur(vp->grab().toImage(), quittee));
    // The keyboard brings it back, on the cell the held part of the bar went to.
    QTest::keyClick(g, Qt::Key_Left);
    QTest::keyClick(g, Qt::Key_Right);
    const QPoint cellule = g->curseur();
    const QPointF o = e.vue->scrollOffset();
    QVERIFY(cadreSur(vp->grab().toImage(), QRectF(cellule.x() * 120 - o.x(), cellule.y() * 40 - o.y(), 120, 40)));
    QCOMPARE(g->locationAuCurseur(), troisJours);
}

void TestGrille::detailsDansLaPlusPetiteFenetre()
{
    // The content area of the smallest window, at 760 × 480: the details card lies whole over the
    // grid; the grid's own canvas scrolls sideways as before.
    Ecran e;
    Client* c = officeClient(e.ctx.get(), QStringLiteral("Démolition Simon 31"));
    for (const char* prenom : {"Anne", "Bruno"})
        new Contact(QString::fromUtf8(prenom), QStringLiteral("Roux"), QStringLiteral("0600000000"), QString(), c);
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9), QStringLiteral("12 rue de la République, Lyon"));
    l->setChauffeurPose(driver(e.ctx.get()));
    QVERIFY(e.enregistrerEtOuvrir(QSize(536, 400)));
    Ecran::tourner();
    QVERIFY(e.vp()->rect().contains(e.centre(l).toPoint()));
    QWidget* carte = e.ouvrirDetails(l);
    QVERIFY(carte && carte->isVisible());
    QWidget* popup = e.vue->popupInfoLocation();
    QVERIFY2(popup->rect().contains(carte->geometry()),
             qPrintable(QStringLiteral("%1,%2 %3×%4 in %5×%6").arg(carte->x()).arg(carte->y()).arg(carte->width())
                            .arg(carte->height()).arg(popup->width()).arg(popup->height())));
    // Every row of it shows whole.
    const QList<QLabel*> labels = carte->findChildren<QLabel*>();
    QVERIFY(labels.size() >= 8);
    for (QLabel* label : labels)
        if (label->isVisible())
            QVERIFY2(label->visibleRegion().boundingRect() == label->rect(), qPrintable(label->text()));
    // At a width with room, the card keeps its place around x = 400.
    e.vue->setLocationInfoSelectionnee(nullptr);
    e.vue->resize(1200, 760);
    carte = e.ouvrirDetails(l);
    QVERIFY(carte);
    QCOMPARE(carte->geometry().center().x(), 400 - (carte->width() % 2 == 0 ? 1 : 0));
}

void TestGrille::detailsDUnNomTresLongTiennentDansLaFenetre()
{
    // A client named by 300 characters, with contacts and both drivers: the card never reaches
    // past the body row, the name takes two lines cut with "…" (whole in the tool tip), and the
    // rows below it can be reached by scrolling inside the card.
    Ecran e;
    const QString nom = longName(QStringLiteral("Client"));
    Client* c = officeClient(e.ctx.get(), nom);
    new Contact(QStringLiteral("Anne"), QStringLiteral("Roux"), QStringLiteral("0600000000"), QString(), c);
    LocationDeBenne* l = placedRental(e.ctx.get(), c, benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9), QStringLiteral("12 rue des Ecoles/Bat <b>B</b> & C"));
    l->setChauffeurPose(driver(e.ctx.get()));
    l->setChauffeurEnlevement(driver(e.ctx.get(), QStringLiteral("Durand")));
    QVERIFY(e.ctx->save());
    // The smallest window's content area, then 1200 × 760 pixels at 1.5 (800 × 506 points
    // less the menus, the toolbar and the sidebar).
    for (const QSize taille : {QSize(536, 400), QSize(600, 430), QSize(1200, 760)}) {
        e.ouvrir(taille);
        Ecran::tourner();
        QWidget* carte = e.ouvrirDetails(l);
        QVERIFY(carte && carte->isVisible());
        QWidget* popup = e.vue->popupInfoLocation();
        // Whole, left of the grid's vertical scroll bar.
        QVERIFY(carte->geometry().right() < e.grille()->viewport()->geometry().right());
        QTRY_VERIFY2(popup->rect().contains(carte->geometry()),
                     qPrintable(QStringLiteral("%1×%2: card %3,%4 %5×%6 in %7×%8").arg(taille.width()).arg(taille.height())
                                    .arg(carte->x()).arg(carte->y()).arg(carte->width()).arg(carte->height())
                                    .arg(popup->width()).arg(popup->height())));
        auto* valeur = e.vue->infoLocation()->findChild<QLabel*>(QStringLiteral("nomClient"));
        QVERIFY(valeur);
        const QStringList lignes = valeur->text().split(QLatin1Char('\n'));
        QCOMPARE(lignes.size(), 2);
        QVERIFY2(lignes.last().endsWith(QChar(0x2026)), qPrintable(valeur->text()));
        QVERIFY(nom.startsWith(lignes.first()));
        QCOMPARE(shownToolTip(valeur->toolTip()), nom);
        // Two lines tall, whole, each line within its width.
        QVERIFY(valeur->height() <= 3 * valeur->fontMetrics().lineSpacing());
        for (const QString& ligne : lignes)
            QVERIFY(valeur->fontMetrics().horizontalAdvance(ligne) <= valeur->contentsRect().width());
        // The last row (the removing driver) is reached by the wheel inside the card.
        QScrollArea* defilement = e.vue->defilementInfoLocation();
        QVERIFY(defilement);
        QLabel* dernier = nullptr;
        for (QLabel* label : e.vue->infoLocation()->findChildren<QLabel*>())
            if (label->text().endsWith(QStringLiteral(" Durand")))
                dernier = label;
        QVERIFY(dernier);
        for (int i = 0; i < 20 && dernier->visibleRegion().boundingRect() != dernier->rect(); ++i) {
            QWidget* vp = defilement->viewport();
            QWheelEvent roue(QPointF(20, 20), vp->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                             Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(vp, &roue);
            QCoreApplication::processEvents();
        }
        QCOMPARE(dernier->visibleRegion().boundingRect(), dernier->rect());
        e.vue->setLocationInfoSelectionnee(nullptr);
    }
}

namespace {

// Pixels of a picture within `rect` (logical) that are near black, and near white.
QPair<int, int> noirsEtBlancs(const QImage& image, const QRectF& rect)
{
    const qreal dpr = image.devicePixelRatio();
    int noirs = 0, blancs = 0;
    const QRect r = QRectF(rect.topLeft() * dpr, rect.size() * dpr).toRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            noirs += proche(c, Qt::black, 90);
            blancs += proche(c, Qt::white, 90);
        }
    return {noirs, blancs};
}

} // namespace

void TestGrille::texteNoirOuBlancSurLaCouleurDesBennes()
{
    // Whatever colour the user gave a skip, its label and its bars' names read: black or white,
    // whichever contrasts more, at 4.5:1 at least.
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                const QColor fond(r, g, b);
                const QColor encre = textColorOn(fond);
                QVERIFY(encre == QColor(Qt::black) || encre == QColor(Qt::white));
                QVERIFY2(forms::contrastRatio(encre, fond) >= 4.5, qPrintable(fond.name()));
                const QColor autre = encre == QColor(Qt::black) ? QColor(Qt::white) : QColor(Qt::black);
                QVERIFY(forms::contrastRatio(encre, fond) >= forms::contrastRatio(autre, fond));
            }
    QCOMPARE(textColorOn(QColor(0, 0, 255)), QColor(Qt::white));
    QCOMPARE(textColorOn(QColor(255, 255, 0)), QColor(Qt::black));
    QCOMPARE(textColorOn(QColor(0xFF, 0xA5, 0x00)), QColor(Qt::black));

    // On screen: white on pure blue, black on yellow, for the label and the bar's name.
    Ecran e;
    Client* c = officeClient(e.ctx.get(), QStringLiteral("Bâtiments WWWW"));
    Benne* bleue = colouredBenne(e.ctx.get(), 6, QStringLiteral("0000FF"));
    Benne* jaune = colouredBenne(e.ctx.get(), 8, QStringLiteral("FFFF00"));
    LocationDeBenne* surBleu = placedRental(e.ctx.get(), c, bleue, localDateTime(2026, 3, 14, 8), localDateTime(2026, 3, 18, 8));
    LocationDeBenne* surJaune = placedRental(e.ctx.get(), c, jaune, localDateTime(2026, 3, 14, 8), localDateTime(2026, 3, 18, 8));
    QVERIFY(e.enregistrerEtOuvrir(QSize(1200, 760)));
    Ecran::tourner();
    const QImage colonne = e.grille()->colonne()->grab().toImage();
    const auto etiquette = [](int ligne) { return QRectF(4, ligne * 40 + 8, 112, 24); };
    const auto [noirsBleu, blancsBleu] = noirsEtBlancs(colonne, etiquette(0));
    QVERIFY2(blancsBleu > 20 && noirsBleu == 0, qPrintable(QStringLiteral("%1 black, %2 white").arg(noirsBleu).arg(blancsBleu)));
    const auto [noirsJaune, blancsJaune] = noirsEtBlancs(colonne, etiquette(1));
    QVERIFY2(noirsJaune > 20 && blancsJaune == 0, qPrintable(QStringLiteral("%1 black, %2 white").arg(noirsJaune).arg(blancsJaune)));

    const QImage grille = e.vp()->grab().toImage();
    // (Both in the viewport's coordinates.)
    const auto nom = [&](const LocationDeBenne* l) { return e.grille()->etiquette(l).rectTexte; };
    const auto [nb, bb] = noirsEtBlancs(grille, nom(surBleu).adjusted(4, 8, -4, -8));
    QVERIFY2(bb > 20 && nb == 0, qPrintable(QStringLiteral("%1 black, %2 white").arg(nb).arg(bb)));
    const auto [nj, bj] = noirsEtBlancs(grille, nom(surJaune).adjusted(4, 8, -4, -8));
    QVERIFY2(nj > 20 && bj == 0, qPrintable(QStringLiteral("%1 black, %2 white").arg(nj).arg(bj)));
}

void TestGrille::nomsDesBarresMincesLisibles()
{
    // Bars sharing days are stacked in lanes, each thinner. Whatever its lane's height, a bar's
    // name is written on the bar only: never over the grid beside it, where white would not read,
    // and never cut through its letters by the bar's edges. Red asks for white text.
    Ecran e;
    QList<QList<LocationDeBenne*>> rangees;
    int numero = 2288;
    for (int voies = 1; voies <= 4; ++voies) {
        Benne* rouge = colouredBenne(e.ctx.get(), 6 + voies, QStringLiteral("CC0000"));
        QList<LocationDeBenne*> barres;
        for (int k = 0; k < voies; ++k)
            barres << placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Client %1").arg(numero++)), rouge,
                                   localDateTime(2026, 3, 13 + k, 9), localDateTime(2026, 3, 19 + k, 9));
        rangees << barres;
    }
    QVERIFY(e.enregistrerEtOuvrir(QSize(1600, 900)));
    GrillePlanning* g = e.grille();
    g->setScrollOffset(QPointF(27 * largeurColonne, 0));
    Ecran::tourner();
    const QImage avecNoms = e.vp()->grab().toImage();
    capture(e.vue.get(), QStringLiteral("barres-minces"));
    QHash<LocationDeBenne*, PeintreBarres::Etiquette> etiquettes;
    for (const auto& barres : std::as_const(rangees))
        for (LocationDeBenne* l : barres)
            etiquettes.insert(l, g->etiquette(l));
    // The same grid with the names left out: what differs is what the names drew.
    for (const auto& barres : std::as_const(rangees))
        for (LocationDeBenne* l : barres)
            l->client()->setNom(QString());
    QVERIFY(e.ctx->save());
    Ecran::tourner();
    const QImage sansNoms = e.vp()->grab().toImage();
    QCOMPARE(avecNoms.size(), sansNoms.size());
    const qreal dpr = avecNoms.devicePixelRatio();

    for (const auto& barres : std::as_const(rangees)) {
        // Every bar of the row, in device pixels.
        QList<QRect> corps;
        for (LocationDeBenne* l : barres) {
            const QRectF r = g->rectCorps(l);
            corps << QRectF(r.topLeft() * dpr, r.size() * dpr).toAlignedRect();
        }
        const QRectF premier = g->rectCorps(barres.first());
        const int ligne = int(g->bennes().indexOf(barres.first()->benne()));
        const int haut = int((premier.top() - 4) * dpr), bas = int((premier.top() - 4 + g->hauteurLigne(ligne)) * dpr);
        int dehors = 0;
        QHash<int, int> encreParBarre, bordsParBarre;
        for (int y = std::max(0, haut); y < std::min(bas, avecNoms.height()); ++y)
            for (int x = 0; x < avecNoms.width(); ++x) {
                if (avecNoms.pixel(x, y) == sansNoms.pixel(x, y))
                    continue;
                int dans = -1;
                for (int i = 0; i < corps.size(); ++i)
                    if (corps[i].contains(x, y))
                        dans = i;
                if (dans < 0) {
                    ++dehors;
                    continue;
                }
                ++encreParBarre[dans];
                if (y == corps[dans].top() || y == corps[dans].bottom())
                    ++bordsParBarre[dans];
            }
        const QString quoi = QStringLiteral("%1 lane(s) of %2 pt").arg(barres.size()).arg(premier.height());
        QVERIFY2(dehors == 0, qPrintable(quoi + QStringLiteral(": %1 pixels of names over the grid").arg(dehors)));
        for (int i = 0; i < barres.size(); ++i) {
            const PeintreBarres::Etiquette& et = etiquettes.value(barres[i]);
            const QString nom = QStringLiteral("Client %1").arg(2288 + i + (barres.size() * (barres.size() - 1)) / 2);
            QVERIFY2(bordsParBarre.value(i) == 0, qPrintable(quoi + QStringLiteral(": letters cut by the bar's edges")));
            if (et.texte.isEmpty())
                continue;
            // A name written is the whole name or its start with « … », and it shows.
            QVERIFY2(et.texte == nom || (et.texte.endsWith(QChar(0x2026)) && nom.startsWith(et.texte.chopped(1))),
                     qPrintable(quoi + QStringLiteral(": ") + et.texte));
            QVERIFY2(encreParBarre.value(i) > 20, qPrintable(quoi + QStringLiteral(": the name does not show")));
        }
        // However many are stacked, the row grows so that each writes its name in the grid's
        // own font.
        for (int i = 0; i < barres.size(); ++i) {
            QVERIFY2(!etiquettes.value(barres[i]).texte.isEmpty(), qPrintable(quoi));
            QCOMPARE(etiquettes.value(barres[i]).police.pixelSize(), g->font().pixelSize());
            QCOMPARE(etiquettes.value(barres[i]).police.pointSizeF(), g->font().pointSizeF());
        }
        QCOMPARE(g->hautLigne(ligne + 1) - g->hautLigne(ligne), g->hauteurLigne(ligne));
        if (barres.size() == 1)
            QCOMPARE(g->hauteurLigne(ligne), hauteurBenne);
    }
}

void TestGrille::nomDUneBarreADemiVisible()
{
    // A bar partly scrolled out of view, at either side, writes its name on the part in view:
    // whole, or its start with « … », never cut by the view's edges (nor hidden under the column
    // of skips). While the grid scrolls, the name follows the part in view.
    Ecran e;
    Chauffeur* martin = driver(e.ctx.get());
    QString nomLong = QStringLiteral("Société <b>Générale</b> des Bâtiments / Travaux publics ");
    while (nomLong.size() < 300)
        nomLong += QStringLiteral("Élagage ");
    nomLong = nomLong.trimmed();
    struct Cas {
        QString nom;
        LocationDeBenne* location;
    };
    QList<Cas> cas;
    const auto louer = [&](const QString& nom, double volume, int jours, bool chauffeurs) {
        Client* c = officeClient(e.ctx.get(), nom);
        const QDateTime pose = localDateTime(2026, 3, 15, 9);
        LocationDeBenne* l = jours > 0 ? placedRental(e.ctx.get(), c, colouredBenne(e.ctx.get(), volume, "1565C0"), pose,
                                                      pose.addDays(jours))
                                       : placedRental(e.ctx.get(), c, colouredBenne(e.ctx.get(), volume, "2E7D32"), pose);
        if (chauffeurs) {
            l->setChauffeurPose(martin);
            l->setChauffeurEnlevement(martin);
        }
        cas << Cas{nom, l};
    };
    louer(QStringLiteral("Thomas Rénovation"), 6, 4, false);
    louer(QStringLiteral("Dépôt 4219 — Rénovation Est"), 7, 5, true);
    louer(nomLong, 8, 6, true);
    louer(QStringLiteral("Terrassement Vallée"), 9, 0, true); // no removal planned
    QVERIFY(e.enregistrerEtOuvrir(QSize(1600, 900)));
    GrillePlanning* g = e.grille();
    QWidget* vp = e.vp();
    const QRectF vue(QPointF(0, 0), QSizeF(vp->size()));

    const auto verifier = [&](const Cas& c, const QString& quoi) {
        const PeintreBarres::Etiquette et = g->etiquette(c.location);
        const QRectF visible = g->rectCorps(c.location).intersected(vue);
        const QString ou = quoi + QStringLiteral(" « %1 »: ").arg(et.texte);
        QVERIFY2(!et.texte.isEmpty(), qPrintable(ou + QStringLiteral("no name")));
        QVERIFY2(et.texte == c.nom || (et.texte.endsWith(QChar(0x2026)) && c.nom.startsWith(et.texte.chopped(1))),
                 qPrintable(ou + QStringLiteral("cut without « … »")));
        QVERIFY2(visible.contains(et.rectTexte),
                 qPrintable(ou + QStringLiteral("at %1..%2, out of the part in view %3..%4")
                                     .arg(et.rectTexte.left())
                                     .arg(et.rectTexte.right())
                                     .arg(visible.left())
                                     .arg(visible.right())));
        for (const QRectF& badge : {et.badgePose, et.badgeEnlevement})
            QVERIFY2(badge.isEmpty() || (visible.contains(badge) && !badge.intersects(et.rectTexte)),
                     qPrintable(ou + QStringLiteral("a driver's mark out of view or over the name")));
    };

    for (const Cas& c : std::as_const(cas)) {
        g->setScrollOffset(QPointF(0, 0));
        const QRectF corps = g->rectCorps(c.location); // in the content, at offset 0
        const double coupe = corps.left() + std::min(corps.width() / 2, 300.0);
        // Out at the left, under the column of skips; then out at the right edge.
        for (const double x : {coupe, coupe - vp->width()}) {
            g->setScrollOffset(QPointF(x, 0));
            Ecran::tourner();
            QCOMPARE(g->scrollOffset().x(), x);
            verifier(c, QStringLiteral("%1, half out at the %2").arg(c.nom.left(20), x == coupe ? "left" : "right"));
        }
    }

    // Scrolled step by step with the scroll bar, the part of the view where the name now stands
    // is painted again, not only the strip brought into view.
    const Cas& thomas = cas.first();
    g->setScrollOffset(QPointF(0, 0));
    const QRectF corps = g->rectCorps(thomas.location);
    g->setScrollOffset(QPointF(corps.left() - 100, 0));
    Ecran::tourner();
    QRegion peint;
    struct Espion : QObject {
        QRegion* peint;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                *peint += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } espion;
    espion.peint = &peint;
    vp->installEventFilter(&espion);
    QScrollBar* h = g->horizontalScrollBar();
    for (int pas = 0; pas < 10; ++pas) {
        peint = QRegion();
        h->setValue(h->value() + 40);
        QTRY_VERIFY(!peint.isEmpty());
        verifier(thomas, QStringLiteral("scrolled by steps"));
        // Once the bar reaches past the edge, its name moves over the content.
        if (g->rectCorps(thomas.location).left() < 0) {
            const QRect nom = g->etiquette(thomas.location).rectTexte.toAlignedRect().adjusted(1, 1, -1, -1);
            QVERIFY2((QRegion(nom) - peint).isEmpty(),
                     qPrintable(QStringLiteral("step %1: the name's place is not painted again").arg(pas)));
        }
    }
    vp->removeEventFilter(&espion);
}

void TestGrille::benneSansEnlevementOccupeLesJoursSuivants()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    // On site since 10 March with no planned removal; an earlier booking of the skip on 7 → 10 March.
    LocationDeBenne* surPlace = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Durand Bâtiment")),
                                             bn, localDateTime(2026, 3, 10, 8));
    LocationDeBenne* source = placedRental(e.ctx.get(), officeClient(e.ctx.get()), bn, localDateTime(2026, 3, 7, 9),
                                           localDateTime(2026, 3, 10, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    const int ligne = int(g->bennes().indexOf(bn));
    QVERIFY(ligne >= 0);

    // The skip is taken on every later day: the bar runs to the grid's last column.
    const QRectF corps = g->rectCorps(surPlace);
    QCOMPARE(corps.left() + g->scrollOffset().x(), 26 * largeurColonne);
    QCOMPARE(corps.right() + g->scrollOffset().x(), 112 * largeurColonne);
    const auto sousLeJour = [&](int colonne) {
        const double x = colonne * largeurColonne + largeurColonne / 2 - g->scrollOffset().x();
        return g->toucher(QPointF(x, corps.center().y())).location;
    };
    QCOMPARE(sousLeJour(33), surPlace); // a week on, in view
    g->setScrollOffset(QPointF(1e6, g->scrollOffset().y()));
    QCOMPARE(sousLeJour(111), surPlace);
    // The keyboard's cell on a later day finds it too.
    g->setCurseur(60, ligne);
    QCOMPARE(g->locationAuCurseur(), surPlace);

    // It says that no removal is planned; there is nothing to duplicate on it.
    g->setScrollOffset(QPointF(20 * largeurColonne, g->scrollOffset().y()));
    const QPoint at = g->rectCorps(surPlace).center().toPoint();
    QHelpEvent aide(QEvent::ToolTip, at, e.vp()->mapToGlobal(at));
    QApplication::sendEvent(e.vp(), &aide);
    QVERIFY2(QToolTip::text().contains(QStringLiteral("Enlèvement non prévu")), qPrintable(QToolTip::text()));
    QToolTip::hideText();
    QVERIFY(g->rectDuplication(surPlace).isEmpty());

    // Duplicating the other booking is refused, and the alert names the booking that holds the skip.
    mouseEvent(e.vp(), QEvent::MouseMove, e.centre(source), Qt::NoButton, Qt::NoButton);
    const QRectF bouton = g->rectDuplication(source);
    QVERIFY(!bouton.isEmpty());
    clickAt(e.vp(), bouton.center());
    QMessageBox* alerte = visibleBox(QStringLiteral("alerteDuplication"));
    QVERIFY(alerte);
    QCOMPARE(alerte->informativeText(),
             QStringLiteral("Cette benne est déjà réservée le jour où la location se termine (Durand Bâtiment, posée le "
                            "10/03/2026) : il ne reste aucun jour libre pour une rotation."));
    alerte->close();
    QCOMPARE(bn->locations().size(), 2);
}

void TestGrille::placementSuivantFinitLaTenueSansEnlevement()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    // Left without removal date on 10 March, the skip was placed again on 20 March: it came back
    // before then. The first bar ends the day before, alone in its row; the later one is the
    // skip's last and still runs on.
    LocationDeBenne* ancienne = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Ancien")), bn,
                                             localDateTime(2026, 3, 10, 8));
    LocationDeBenne* derniere = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Dernier")), bn,
                                             localDateTime(2026, 3, 20, 8));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    const QRectF a = g->rectCorps(ancienne);
    const QRectF d = g->rectCorps(derniere);
    QCOMPARE(a.left() + g->scrollOffset().x(), 26 * largeurColonne);
    QCOMPARE(a.right() + g->scrollOffset().x(), 36 * largeurColonne);
    QCOMPARE(d.right() + g->scrollOffset().x(), 112 * largeurColonne);
    // Nothing shares a day: both keep the row's whole height.
    QCOMPARE(a.height(), d.height());
    QCOMPARE(a.top(), d.top());
    // On 25 March the skip is held by the last one only.
    const double x = 41 * largeurColonne + largeurColonne / 2 - g->scrollOffset().x();
    QCOMPARE(g->toucher(QPointF(x, d.center().y())).location, derniere);
}

void TestGrille::reservationsSuperposeesToutesVisibles()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    Chauffeur* paul = driver(e.ctx.get());
    // Booked 15 → 18 March, then booked again over it 16 → 21 March; a third one apart.
    LocationDeBenne* a = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Alpha")), bn,
                                      localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9));
    LocationDeBenne* b = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Bravo")), bn,
                                      localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 21, 9));
    LocationDeBenne* c = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Charlie")), bn,
                                      localDateTime(2026, 3, 25, 9), localDateTime(2026, 3, 27, 9));
    for (LocationDeBenne* l : {a, b}) {
        l->setChauffeurPose(paul);
        l->setChauffeurEnlevement(paul);
    }
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    e.grille()->setScrollOffset(QPointF(28 * largeurColonne, g->scrollOffset().y()));

    // Stacked within the row: neither covers the other, both keep their driver marks in sight.
    const QRectF ra = g->rectCorps(a), rb = g->rectCorps(b);
    QVERIFY(!ra.isEmpty() && !rb.isEmpty());
    QVERIFY2(!ra.intersects(rb), qPrintable(QStringLiteral("%1,%2 %3×%4 / %5,%6 %7×%8")
                                                .arg(ra.x()).arg(ra.y()).arg(ra.width()).arg(ra.height())
                                                .arg(rb.x()).arg(rb.y()).arg(rb.width()).arg(rb.height())));
    for (LocationDeBenne* l : {a, b}) {
        const QRectF r = g->rectCorps(l);
        const PeintreBarres::Etiquette et = g->etiquette(l);
        QVERIFY(!et.badgePose.isEmpty() && !et.badgeEnlevement.isEmpty());
        for (const QRectF& badge : {et.badgePose, et.badgeEnlevement})
            QVERIFY(badge.top() >= r.top() - 0.5 && badge.bottom() <= r.bottom() + 0.5);
        QCOMPARE(et.texte, l->client()->nom());
        // What is under the pointer is the bar drawn there, on the shared days too.
        const QPointF surLeJourPartage(33 * largeurColonne + 60 - g->scrollOffset().x(), r.center().y()); // 17 March
        QCOMPARE(g->toucher(surLeJourPartage).location, l);
        QCOMPARE(g->toucher(r.center()).location, l);
    }
    // The one apart keeps a lone bar's height, in the middle of its row grown for the two
    // stacked ones.
    QCOMPARE(g->rectCorps(c).height(), hauteurBenne - 8);
    QCOMPARE(g->rectCorps(c).center().y(), g->hautLigne(0) + g->hauteurLigne(0) / 2 - g->scrollOffset().y());
    QVERIFY(g->rectCorps(a).height() >= g->hauteurVoie());

    // A tap shows the details of the bar under the pointer, a drag moves that one.
    clickAt(e.vp(), ra.center());
    QCOMPARE(e.vue->locationInfoSelectionnee(), a);
    e.vue->setLocationInfoSelectionnee(nullptr);
    drag(e.vp(), rb.center(), rb.center() + QPointF(largeurColonne, 0));
    QCOMPARE(b->datePose(), localDateTime(2026, 3, 17, 9));
    QCOMPARE(a->datePose(), localDateTime(2026, 3, 15, 9));
    // Their handles too: the lower bar's right handle stretches the lower bar.
    Ecran::tourner();
    const QPointF poignee = g->rectPoignee(b, true).center();
    QCOMPARE(g->toucher(poignee).location, b);
    QCOMPARE(g->toucher(g->rectPoignee(a, true).center()).location, a);
}

void TestGrille::clicDroitNeDefilePasEtViseLaBarre()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    // Far from today, side by side on the skip's row.
    LocationDeBenne* avant = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Avant")), bn,
                                          localDateTime(2026, 5, 18, 9), localDateTime(2026, 5, 20, 9));
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Visée")), bn,
                                      localDateTime(2026, 5, 20, 9), localDateTime(2026, 5, 23, 9));
    QVERIFY(e.ctx->save());
    // In a window whose focus is elsewhere (as the main window's sidebar holds it): the grid
    // has never had it when the right-click comes.
    QWidget fenetre;
    auto* disposition = new QVBoxLayout(&fenetre);
    auto* ailleurs = new QLineEdit(&fenetre);
    disposition->addWidget(ailleurs);
    e.vue = std::make_unique<VuePlanificationBennes>(e.ctx.get(), e.centrage, &fenetre, fixedClock());
    disposition->addWidget(e.vue.get());
    // The window owns the screen, whatever the way out of this test.
    const auto rendre = qScopeGuard([&] { (void)e.vue.release(); });
    fenetre.resize(1200, 800);
    fenetre.show();
    QApplication::setActiveWindow(&fenetre);
    QVERIFY(QTest::qWaitForWindowActive(&fenetre));
    ailleurs->setFocus();
    QTRY_VERIFY(ailleurs->hasFocus());
    GrillePlanning* g = e.grille();
    QVERIFY(!g->hasFocus());
    g->setScrollOffset(QPointF(95 * largeurColonne, g->scrollOffset().y()));
    const QPointF avantScroll = g->scrollOffset();
    QVERIFY(!g->rectCorps(avant).isEmpty());

    // Pressed and released with the right button, as a user does: the grid takes the focus,
    // stays where it is, and the menu is the bar's under the pointer.
    const QPoint at = e.centre(l).toPoint();
    QTest::mousePress(e.vp(), Qt::RightButton, {}, at);
    QVERIFY(g->hasFocus());
    QCOMPARE(g->scrollOffset(), avantScroll);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, at, e.vp()->mapToGlobal(at));
    QApplication::sendEvent(e.vp(), &ev);
    QTest::mouseRelease(e.vp(), Qt::RightButton, {}, at);
    QCOMPARE(g->scrollOffset(), avantScroll);
    QMenu* menu = g->menuContextuel();
    QVERIFY(menu);
    choisir(menu, QStringLiteral("actionSupprimer"));
    QCOMPARE(g->locationEnSurbrillance(), l);
    QCOMPARE(g->scrollOffset(), avantScroll);
    QMessageBox* box = visibleBox(QStringLiteral("confirmation"));
    QVERIFY(box);
    QVERIFY2(box->informativeText().startsWith(QStringLiteral("Location de Visée, posée le 20/05/2026, enlevée le 23/05/2026.")),
             qPrintable(box->informativeText()));
    answerBox(box, QStringLiteral("Annuler"));
    QVERIFY(!l->isDeleted() && !avant->isDeleted());
    QCOMPARE(g->scrollOffset(), avantScroll);
}

void TestGrille::confirmationDeSuppressionNommeLaLocation()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    // A name that looks like markup, and one far too long to show whole.
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("<b>Durand</b> / Bâtiment")),
                                      bn, localDateTime(2026, 3, 15, 9));
    for (int k = 0; k < 2; ++k)
        l->ajouterBonDePesee(localDateTime(2026, 3, 16, 9), QStringLiteral("PB-10275%1").arg(k), 12000, 8000,
                             std::nullopt, std::nullopt);
    const QString long_ = QStringLiteral("Éts Ça/Va ") + QString(300, QChar(u'é'));
    LocationDeBenne* l2 = placedRental(e.ctx.get(), officeClient(e.ctx.get(), long_), benne(e.ctx.get(), 12),
                                       localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 16, 9));
    QVERIFY(e.enregistrerEtOuvrir());

    // By the keyboard: the cell on the bar, Delete.
    GrillePlanning* g = e.grille();
    g->setFocus();
    g->setCurseur(32, int(g->bennes().indexOf(bn)));
    QTest::keyClick(g, Qt::Key_Delete);
    QMessageBox* box = visibleBox(QStringLiteral("confirmation"));
    QVERIFY(box);
    const QString attendu = QStringLiteral("Location de <b>Durand</b> / Bâtiment, posée le 15/03/2026, enlèvement non "
                                           "prévu. Cette action est irréversible. 2\u00A0bons de pesée seront aussi supprimés.");
    QCOMPARE(box->informativeText(), attendu);
    // Shown as typed, not read as markup.
    QLabel* info = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    QVERIFY(info);
    QCOMPARE(shownText(info), attendu);
    QCOMPARE(fixtures::shownText(box->defaultButton()), QStringLiteral("Annuler"));
    answerBox(box, QStringLiteral("Supprimer"));
    QVERIFY(l->isDeleted());
    QCOMPARE(e.ctx->count<BonDePesee>(), 0);
    Ecran::tourner();

    // A long name is quoted by its beginning; no ticket goes with it, none is named.
    g->setCurseur(31, int(g->bennes().indexOf(l2->benne())));
    QTest::keyClick(g, Qt::Key_Delete);
    box = visibleBox(QStringLiteral("confirmation"));
    QVERIFY(box);
    QVERIFY(box->informativeText().startsWith(QStringLiteral("Location de Éts Ça/Va éé")));
    QVERIFY(box->informativeText().size() < 200);
    QVERIFY(box->informativeText().endsWith(QStringLiteral(", posée le 14/03/2026, enlevée le 16/03/2026. Cette "
                                                           "action est irréversible.")));
    answerBox(box, QStringLiteral("Annuler"));
    QVERIFY(!l2->isDeleted());
}

namespace {
// The texts of a menu's entries, separators left out.
QStringList textesMenu(const QMenu* menu)
{
    QStringList t;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator())
            t << a->text();
    return t;
}
} // namespace

void TestGrille::menuAuClavierMontreSaPremiereEntree()
{
    // As the program runs: its style shows where the keys are, in menus too.
    const QString style = QApplication::style()->name();
    installFocusStyle(qApp);
    const auto remettre = qScopeGuard([&] { QApplication::setStyle(style); });
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    e.vue->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    QVERIFY(e.auClavier(31, 0));
    QCOMPARE(g->locationAuCurseur(), l);
    // Shift+F10: the keys are on the first entry, seen and named as the menu opens.
    QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
    QPointer<QMenu> menu = g->menuContextuel();
    QVERIFY(menu);
    QTRY_VERIFY(menu->activeAction());
    QCOMPARE(menu->activeAction()->objectName(), QStringLiteral("actionDetails"));
    QTest::keyClick(menu, Qt::Key_Escape);
}

void TestGrille::entreeSurUneCaseVideEtMenuAuClavier()
{
    Ecran e;
    officeClient(e.ctx.get());
    QList<Benne*> bennes{benne(e.ctx.get(), 8), benne(e.ctx.get(), 10)};
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), bennes[1], localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    g->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(g->hasFocus());
    QCOMPARE(g->curseur(), QPoint(31, 0)); // today, first skip: an empty cell

    // Return on an empty cell: the new-rental sheet of that row's skip, placed on that day.
    QTest::keyClick(g, Qt::Key_Right);
    QTest::keyClick(g, Qt::Key_Right);
    QTest::keyClick(g, Qt::Key_Return);
    QPointer<QDialog> feuille = e.vue->feuille();
    QVERIFY(feuille && feuille->isVisible());
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{bennes[0]->id()}));
    FormulaireLocationView* formulaire = formulaireDe(feuille);
    QVERIFY(formulaire);
    QCOMPARE(formulaire->datePose().date(), QDate(2026, 3, 17));
    // The day is the form's starting point, not the user's work: "Annuler" asks nothing.
    formulaire->boutonAnnuler()->click();
    QTRY_VERIFY(!feuille);
    // The skip's label afterwards still starts a day after now.
    clickAt(g->colonne(), QPointF(60, 20));
    QTRY_VERIFY(e.vue->feuille());
    QCOMPARE(formulaireDe(e.vue->feuille())->datePose(), fixedNow().addDays(1));
    e.vue->fermerFeuilleNouvelleLocation();
    QTRY_VERIFY(!e.vue->feuille());

    // The Menu key (a keyboard context-menu event) on the bar: details, duplication, deletion.
    e.vue->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    QVERIFY(e.auClavier(31, 1));
    QCOMPARE(g->locationAuCurseur(), l);
    QPointer<QMenu> menu = e.menuDuClavier();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(textesMenu(menu), (QStringList{QStringLiteral("Afficher les détails"),
                                            QStringLiteral("Changer la date d'enlèvement…"), QStringLiteral("Dupliquer en rotation"),
                                            QStringLiteral("Attribuer au chauffeur"), QStringLiteral("Modifier la location…"),
                                            QStringLiteral("Supprimer")}));
    // Escape closes the menu only.
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu || !menu->isVisible());
    QCOMPARE(l->isDeleted(), false);
    // Shift+F10 opens the same menu; its duplication books the rotation.
    QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
    menu = g->menuContextuel();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    choisir(menu, QStringLiteral("actionDupliquer"));
    QCOMPARE(bennes[1]->locations().size(), 2);
    // And its details entry shows the rental's details.
    QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
    menu = g->menuContextuel();
    QVERIFY(menu);
    choisir(menu, QStringLiteral("actionDetails"));
    QCOMPARE(e.vue->locationInfoSelectionnee(), l);
    // F2, the menu's entry and a double-click on the bar open the rental's correction.
    for (const auto& ouvrir : std::initializer_list<std::function<void()>>{
             [&] { QTest::keyClick(g, Qt::Key_F2); },
             [&] { QTest::mouseDClick(e.vp(), Qt::LeftButton, Qt::NoModifier, e.centre(l).toPoint()); }}) {
        ouvrir();
        QPointer<FeuilleNouvelleLocation> correction = FeuilleNouvelleLocation::ouverteSur(e.vue->window());
        QVERIFY(correction);
        QCOMPARE(correction->formulaire()->edition()->location(), l);
        correction->congedier();
        QTRY_VERIFY(!correction);
    }
    // Shift+F10 on an empty cell opens nothing.
    QTest::keyClick(g, Qt::Key_Escape);
    g->setCurseur(40, 0);
    QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(!g->menuContextuel() || !g->menuContextuel()->isVisible());
}

void TestGrille::chauffeurAttribueAuClavier()
{
    // Giving a rental its drivers without a mouse: the bar's menu lists the drivers of the strip,
    // and choosing one does what dropping his chip on the bar does.
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9), std::nullopt);
    Chauffeur* martin = driver(e.ctx.get());
    Chauffeur* dupont = driver(e.ctx.get(), QStringLiteral("Dupont & <b>Fils</b>"), QStringLiteral("Léa"), false);
    QVERIFY(e.enregistrerEtOuvrir());
    e.vue->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    GrillePlanning* g = e.grille();
    g->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(g->hasFocus());
    QCOMPARE(g->locationAuCurseur(), l);

    // Shift+F10, then ↓ (details, removal date, duplication) to "Attribuer au chauffeur", → into the drivers, Return on the first.
    const auto choisir = [&](int rang) -> QMenu* {
        QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
        QPointer<QMenu> menu = g->menuContextuel();
        if (!menu || !QTest::qWaitFor([&] { return menu && menu->isVisible(); }))
            return nullptr;
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        if (!menu->activeAction() || menu->activeAction()->text() != QStringLiteral("Attribuer au chauffeur"))
            return nullptr;
        QTest::keyClick(menu, Qt::Key_Right);
        auto* chauffeurs = menu->findChild<QMenu*>(QStringLiteral("menuChauffeurs"));
        if (!chauffeurs || !QTest::qWaitFor([&] { return chauffeurs->isVisible(); }))
            return nullptr;
        // Names as typed: an "&" is no mnemonic, markup is text.
        if (textesMenu(chauffeurs)
            != QStringList{QStringLiteral("Paul Martin"), QStringLiteral("Léa Dupont && <b>Fils</b>")})
            return nullptr;
        for (int i = 1; i < rang; ++i)
            QTest::keyClick(chauffeurs, Qt::Key_Down);
        QTest::keyClick(chauffeurs, Qt::Key_Return);
        Ecran::tourner();
        return chauffeurs;
    };
    QVERIFY(choisir(1));
    QCOMPARE(l->chauffeurPose(), martin);
    QCOMPARE(l->chauffeurEnlevement(), nullptr);
    QVERIFY(!e.ctx->hasChanges());
    // The menu is gone, the grid keeps the keyboard.
    QTRY_VERIFY(!g->menuContextuel() || !g->menuContextuel()->isVisible());
    QCOMPARE(e.vue->focusWidget(), g);

    // The second driver (inactive, as the strip offers him too) gets the removal.
    QVERIFY(choisir(2));
    QCOMPARE(l->chauffeurEnlevement(), dupont);
    QCOMPARE(l->chauffeurPose(), martin);

    // Both taken: nothing changes, and the same notice as a drop says why.
    QVERIFY(choisir(1));
    QMessageBox* avis = visibleBox(QStringLiteral("avisGrille"));
    QVERIFY(avis);
    QCOMPARE(avis->text(), QStringLiteral("Aucun changement"));
    QVERIFY(avis->informativeText().startsWith(QStringLiteral("Aucun changement pour ")));
    avis->close();
    QCOMPARE(l->chauffeurPose(), martin);
    QCOMPARE(l->chauffeurEnlevement(), dupont);
}

void TestGrille::focusVisibleSurToutesLesCouleurs()
{
    // A skip, and its bar, of the highlight colour itself: a frame of that colour alone would
    // not show on them.
    Ecran e;
    const QColor surbrillance = kv::focusColour(QApplication::palette());
    Benne* b = colouredBenne(e.ctx.get(), 10, surbrillance.name().mid(1).toUpper());
    placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 18, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    // Within the frame, 6 points inside the cell's left edge, half-way down the row: white, on
    // the label's colour as on the bar's.
    ColonneBennes* col = e.grille()->colonne();
    col->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(col->hasFocus());
    QCOMPARE(col->ligneCourante(), 0);
    const QImage etiquette = col->grab().toImage();
    QVERIFY(proche(couleurEn(etiquette, QPointF(60, 9)), surbrillance)); // the label itself
    QVERIFY2(proche(couleurEn(etiquette, QPointF(6, 9)), Qt::white), qPrintable(couleurEn(etiquette, QPointF(6, 9)).name()));
    QVERIFY(proche(couleurEn(etiquette, QPointF(3.5, 9)), surbrillance));

    GrillePlanning* g = e.grille();
    QVERIFY(e.auClavier(31, 0));
    Ecran::tourner();
    const double x = 31 * largeurColonne - e.vue->scrollOffset().x();
    const QImage grille = g->viewport()->grab().toImage();
    QVERIFY(proche(couleurEn(grille, QPointF(x + 30, 12)), surbrillance, 90)); // the bar
    QVERIFY2(proche(couleurEn(grille, QPointF(x + 6, 20)), Qt::white), qPrintable(couleurEn(grille, QPointF(x + 6, 20)).name()));
    QVERIFY(proche(couleurEn(grille, QPointF(x + 3.5, 20)), surbrillance));
}

void TestGrille::molettesLaterales()
{
    installWheelGuard(qApp); // as the application runs
    const auto sansGarde = qScopeGuard([] { removeWheelGuard(qApp); });
    Ecran e;
    for (int i = 0; i < 30; ++i)
        benne(e.ctx.get(), i + 1);
    for (int i = 0; i < 12; ++i)
        driver(e.ctx.get(), QStringLiteral("Chauffeur%1").arg(i), QStringLiteral("Jean-Baptiste"));
    QVERIFY(e.enregistrerEtOuvrir(QSize(700, 500)));
    GrillePlanning* g = e.grille();
    const auto tourner = [](QWidget* w, QPoint angle, Qt::KeyboardModifiers mods) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent ev(at, w->mapToGlobal(at), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &ev);
    };
    e.vue->setScrollOffset(QPointF(1200, 200));
    // Shift+wheel over the grid moves the days, a day a notch, and not the rows.
    tourner(e.vp(), QPoint(0, -120), Qt::ShiftModifier);
    QCOMPARE(e.vue->scrollOffset(), QPointF(1200 + largeurColonne, 200));
    tourner(e.vp(), QPoint(0, 240), Qt::ShiftModifier);
    QCOMPARE(e.vue->scrollOffset(), QPointF(1200 - largeurColonne, 200));
    // Over the skip column too.
    tourner(g->colonne(), QPoint(0, -120), Qt::ShiftModifier);
    QCOMPARE(e.vue->scrollOffset(), QPointF(1200, 200));
    // The plain wheel still moves the rows.
    tourner(e.vp(), QPoint(0, -120), Qt::NoModifier);
    QCOMPARE(e.vue->scrollOffset().x(), 1200.0);
    QVERIFY(e.vue->scrollOffset().y() > 200);

    // The drivers' strip scrolls sideways with the wheel.
    BandeauChauffeurs* bandeau = e.vue->bandeau();
    QScrollBar* h = bandeau->horizontalScrollBar();
    QVERIFY(h->maximum() > 0);
    QCOMPARE(h->value(), 0);
    tourner(bandeau->viewport(), QPoint(0, -120), Qt::NoModifier);
    QVERIFY(h->value() > 0);
    const int apres = h->value();
    tourner(bandeau->viewport(), QPoint(-120, 0), Qt::NoModifier); // a tilt wheel too
    QVERIFY(h->value() > apres);
    tourner(bandeau->viewport(), QPoint(0, 480), Qt::NoModifier);
    QCOMPARE(h->value(), 0);
}

void TestGrille::chauffeurSurUneBarreDUnJour()
{
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Entreprise Martin Travaux Publics")),
                                      b, localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 17, 9));
    Chauffeur* martin = driver(e.ctx.get());
    QVERIFY(e.enregistrerEtOuvrir());
    QCOMPARE(e.grille()->rectCorps(l).width(), largeurColonne);
    QVERIFY(e.grille()->etiquette(l).badgePose.isEmpty());
    // Dropped on the one-day bar: stored, and the bar shows his mark beside a shortened name.
    e.deposer(texteUuid(martin->id()), e.centre(l));
    QCOMPARE(l->chauffeurPose(), martin);
    const PeintreBarres::Etiquette etiquette = e.grille()->etiquette(l);
    QVERIFY(!etiquette.badgePose.isEmpty());
    QVERIFY(e.grille()->rectCorps(l).contains(etiquette.badgePose));
    QVERIFY(etiquette.badgePose.width() >= PeintreBarres::kTailleBadgeMin);
    QVERIFY(!etiquette.rectTexte.intersects(etiquette.badgePose));
    QVERIFY(etiquette.texte.endsWith(QChar(0x2026)));
    // Both drivers on it: both marks.
    l->setChauffeurEnlevement(driver(e.ctx.get(), QStringLiteral("Leroy"), QStringLiteral("Anne")));
    QVERIFY(e.ctx->save());
    Ecran::tourner();
    const PeintreBarres::Etiquette deux = e.grille()->etiquette(l);
    QVERIFY(!deux.badgePose.isEmpty());
    QVERIFY(!deux.badgeEnlevement.isEmpty());
    QVERIFY(!deux.badgePose.intersects(deux.badgeEnlevement));
}

void TestGrille::actionsSansEffetDisentPourquoi()
{
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    // Placed in the past without removal date: Ctrl+Shift+D cannot know how long a rotation lasts.
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 10, 9));
    Chauffeur* martin = driver(e.ctx.get());
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    QVERIFY(e.auClavier(31, 0));
    QCOMPARE(g->locationAuCurseur(), l);
    QTest::keyClick(g, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QMessageBox* avis = visibleBox(QStringLiteral("avisGrille"));
    QVERIFY(avis);
    QCOMPARE(avis->text(), QStringLiteral("Duplication impossible"));
    QVERIFY(avis->informativeText().startsWith(QStringLiteral("Cette location n'a pas de date d'enlèvement\u00A0: ")));
    // It says where the date is set: the bar's menu entry of that name (tested below).
    QVERIFY(avis->informativeText().endsWith(QStringLiteral("(clic droit ou touche Menu), «\u00A0Fixer la date d'enlèvement…\u00A0».")));
    QCOMPARE(b->locations().size(), 1);
    answerBox(avis, QStringLiteral("OK"));
    QTRY_VERIFY(!visibleBox(QStringLiteral("avisGrille")));

    // A driver dropped where nothing changes: the placement is past, no removal is planned.
    const auto deposer = [&] {
        e.deposer(texteUuid(martin->id()), g->rectCorps(l).intersected(QRectF(e.vp()->rect())).center());
    };
    deposer();
    avis = visibleBox(QStringLiteral("avisGrille"));
    QVERIFY(avis);
    QCOMPARE(avis->text(), QStringLiteral("Aucun changement"));
    // It names the rental it concerns: its client and its dates.
    QCOMPARE(avis->informativeText(), QStringLiteral("Aucun changement pour Paul Martin sur la location de Dupont BTP, posée "
                                                     "le 10/03/2026\u00A0: la pose est passée et l'enlèvement n'est pas prévu."));
    QCOMPARE(l->chauffeurPose(), nullptr);
    answerBox(avis, QStringLiteral("OK"));
    QTRY_VERIFY(!visibleBox(QStringLiteral("avisGrille")));
    // Already his: said so too. A drop that changes something says nothing.
    l->setDateEnlevement(localDateTime(2026, 3, 20, 9));
    QVERIFY(e.ctx->save());
    Ecran::tourner();
    deposer();
    QCOMPARE(l->chauffeurEnlevement(), martin);
    QVERIFY(!visibleBox(QStringLiteral("avisGrille")));
    deposer();
    avis = visibleBox(QStringLiteral("avisGrille"));
    QVERIFY(avis);
    QVERIFY(avis->informativeText().endsWith(QStringLiteral("l'enlèvement est déjà confié à ce chauffeur.")));
    answerBox(avis, QStringLiteral("OK"));
}

void TestGrille::sosiesDistinguesDansLesDetails()
{
    Ecran e;
    Client* lyon = officeClient(e.ctx.get(), QStringLiteral("Dupont"));
    Client* paris = client(e.ctx.get(), QStringLiteral("Dupont "), QStringLiteral("Paris"));
    Client* seul = officeClient(e.ctx.get(), QStringLiteral("Leroy <b>BTP</b>"));
    Benne* b = benne(e.ctx.get(), 10);
    LocationDeBenne* l1 = placedRental(e.ctx.get(), lyon, b, localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 16, 9));
    LocationDeBenne* l2 = placedRental(e.ctx.get(), paris, b, localDateTime(2026, 3, 17, 9), localDateTime(2026, 3, 19, 9));
    LocationDeBenne* l3 = placedRental(e.ctx.get(), seul, b, localDateTime(2026, 3, 20, 9), localDateTime(2026, 3, 22, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    QCOMPARE(InfoLocationPopup::lignes(l1).first().valeur, QStringLiteral("Dupont (Lyon)"));
    QCOMPARE(InfoLocationPopup::lignes(l2).first().valeur, QStringLiteral("Dupont  (Paris)"));
    QCOMPARE(InfoLocationPopup::lignes(l3).first().valeur, QStringLiteral("Leroy <b>BTP</b>"));
    // The bars' tool tips carry them too.
    const auto infobulle = [&](const LocationDeBenne* l) {
        const QPoint at = e.centre(l).toPoint();
        QHelpEvent ev(QEvent::ToolTip, at, e.vp()->mapToGlobal(at));
        QApplication::sendEvent(e.vp(), &ev);
        return QToolTip::text();
    };
    QTRY_VERIFY(infobulle(l1).contains(QStringLiteral("Dupont (Lyon)")));
    QTRY_VERIFY(infobulle(l2).contains(QStringLiteral("(Paris)")));
    // Two of one name in one town: the street follows the town.
    client(e.ctx.get(), QStringLiteral("Dupont"), QStringLiteral("Lyon"), QStringLiteral("69002"), QStringLiteral("9 quai Est"));
    Ecran::tourner();
    QCOMPARE(InfoLocationPopup::lignes(l1).first().valeur, QStringLiteral("Dupont (Lyon · 1 rue Haute)"));
    // The open details follow.
    QWidget* carte = e.ouvrirDetails(l1);
    QVERIFY(carte);
    auto* nom = e.vue->infoLocation()->findChild<ElidedLinesLabel*>(QStringLiteral("nomClient"));
    QVERIFY(nom);
    QCOMPARE(nom->fullText(), QStringLiteral("Dupont (Lyon · 1 rue Haute)"));
    QCOMPARE(nom->text(), nom->fullText()); // whole, on its two lines
}

void TestGrille::glissementsQuiPassentLesBordsAtterrissentSousLePointeur()
{
    Ecran e;
    QList<LocationDeBenne*> l;
    for (int i = 0; i < 40; ++i)
        l << placedRental(e.ctx.get(), officeClient(e.ctx.get()), colouredBenne(e.ctx.get(), 10, QStringLiteral("C62828")),
                          localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9));
    Chauffeur* martin = driver(e.ctx.get());
    QVERIFY(e.enregistrerEtOuvrir());
    QTRY_VERIFY(e.vue->scrollOffset().x() > 0);
    GrillePlanning* g = e.grille();
    QWidget* vp = e.vp();
    g->verticalScrollBar()->setValue(10 * 40);
    Ecran::tourner();
    const QPointF depart = g->scrollOffset();
    // A driver brought from the strip across the grid's top band, a move a frame, onto the
    // fourth row in view: the grid holds still, the bar he aims at is outlined and gets him.
    const QPointF cible = e.centre(l[13]);
    QMimeData data;
    data.setText(texteUuid(martin->id()));
    {
        WindowDrag glisser(e.vue->bandeau()->contenu(), &data, Qt::CopyAction);
        glisser.moveTo(e.vue->bandeau()->contenu(), e.vue->bandeau()->rectsPuces().first().center());
        for (int y = -30; y < cible.y(); y += 10) {
            glisser.moveTo(vp, QPoint(int(cible.x()), y));
            Ecran::images(2);
        }
        QVERIFY(glisser.moveTo(vp, cible.toPoint()));
        QCOMPARE(g->locationCibleDepot(), l[13]);
        const QPointF bord(g->rectCorps(l[13]).left() - 2, cible.y());
        QTRY_VERIFY(proche(couleurEn(vp->grab().toImage(), bord), g->palette().color(QPalette::Highlight), 60));
        QVERIFY(glisser.drop());
    }
    Ecran::tourner();
    QCOMPARE(g->scrollOffset(), depart);
    QCOMPARE(l[13]->chauffeurPose(), martin);
    // The chip's picture stands beside the pointer, never over what it aims at.
    QVERIFY(!QRect(QPoint(), e.vue->bandeau()->rectsPuces().first().size()).contains(BandeauChauffeurs::pointChaudGlissement()));

    // A right handle pulled 3⅓ days on, to 30 points from the edge: no scroll, the bar shown is stored.
    const QPointF lache(vp->width() - 30, e.centre(l[15]).y());
    g->setScrollOffset(QPointF(g->rectPoignee(l[15], true).center().x() + depart.x() - lache.x() + 400, depart.y()));
    Ecran::tourner();
    const QPointF presse = g->rectPoignee(l[15], true).center();
    const int h0 = g->horizontalScrollBar()->value();
    mouseEvent(vp, QEvent::MouseButtonPress, presse, Qt::LeftButton);
    for (int i = 1; i <= 8; ++i) {
        mouseEvent(vp, QEvent::MouseMove, presse + (lache - presse) * (i / 8.0), Qt::LeftButton, Qt::NoButton);
        Ecran::images(2);
    }
    // The right end of the bar drawn: its last red pixel along a line.
    const QImage image = vp->grab().toImage();
    double montre = vp->width();
    while (montre > 0 && !proche(couleurEn(image, QPointF(montre - 0.5, lache.y() + 10)), QColor(0xC6, 0x28, 0x28), 60))
        montre -= 0.5;
    mouseEvent(vp, QEvent::MouseButtonRelease, lache, Qt::NoButton);
    QCOMPARE(g->horizontalScrollBar()->value(), h0);
    QCOMPARE(l[15]->dateEnlevement(), localDateTime(2026, 3, 21, 9));
    Ecran::tourner();
    QVERIFY(std::abs(montre - g->rectCorps(l[15]).right()) <= 4);

    // Held at the very edge, the grid scrolls under the bar: let go there, it keeps its dates.
    const QPointF prise = g->rectPoignee(l[15], true).center() - QPointF(40, 0), bord(vp->width() - 2, prise.y());
    mouseEvent(vp, QEvent::MouseButtonPress, prise, Qt::LeftButton);
    mouseEvent(vp, QEvent::MouseMove, (prise + bord) / 2, Qt::LeftButton, Qt::NoButton);
    mouseEvent(vp, QEvent::MouseMove, bord, Qt::LeftButton, Qt::NoButton);
    QTRY_VERIFY(g->horizontalScrollBar()->value() > h0 + 20);
    mouseEvent(vp, QEvent::MouseButtonRelease, bord, Qt::NoButton);
    QCOMPARE(l[15]->datePose(), localDateTime(2026, 3, 15, 9));
    QCOMPARE(l[15]->dateEnlevement(), localDateTime(2026, 3, 21, 9));
}

// A dispatcher rests a driver's chip on the first and the last rows in view, as long as he likes,
// in the office's window and at 1.5 on a 1366 × 768 screen: the grid holds still, the bar aimed
// at is outlined and gets the driver. Only the very edge scrolls, and a release there changes
// nothing.
void TestGrille::puceTenueSurLesLignesDuBordAtterritSurLaBarreVisee()
{
    for (const QSize taille : {QSize(1200, 760), QSize(910, 470)}) {
        const QString ou = QStringLiteral("%1×%2: ").arg(taille.width()).arg(taille.height());
        Ecran e;
        QList<LocationDeBenne*> l;
        for (int i = 0; i < 40; ++i)
            l << placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Client %1").arg(i)),
                              benne(e.ctx.get(), 10), localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9));
        Chauffeur* martin = driver(e.ctx.get());
        QVERIFY(e.enregistrerEtOuvrir(taille));
        QTRY_VERIFY(e.vue->scrollOffset().x() > 0);
        GrillePlanning* g = e.grille();
        QWidget* vp = e.vp();
        // Rows cut by both edges: the first and last in view stand close to them.
        g->verticalScrollBar()->setValue(10 * 40 + 13);
        Ecran::tourner();
        const QPointF depart = g->scrollOffset();
        QList<LocationDeBenne*> visibles;
        for (LocationDeBenne* x : l)
            if (const qreal y = g->rectCorps(x).center().y(); y > 10 && y < vp->height() - 10)
                visibles << x;
        QVERIFY(visibles.size() > 4);
        QMimeData data;
        data.setText(texteUuid(martin->id()));
        for (LocationDeBenne* cible : {visibles.first(), visibles.last()}) {
            const QString qui = ou + cible->client()->nom();
            const QPoint vise = g->rectCorps(cible).center().toPoint();
            WindowDrag glisser(e.vue->bandeau()->contenu(), &data, Qt::CopyAction);
            glisser.moveTo(e.vue->bandeau()->contenu(), e.vue->bandeau()->rectsPuces().first().center());
            glisser.moveTo(vp, QPoint(vise.x(), vp->height() / 2));
            QVERIFY2(glisser.moveTo(vp, vise), qPrintable(qui));
            // Held there while the grid's timers run many times over.
            QElapsedTimer tenue;
            tenue.start();
            QTRY_VERIFY_WITH_TIMEOUT(tenue.elapsed() >= 1500, 30000);
            QVERIFY2(!g->defilementAuto()->isScrolling(), qPrintable(qui));
            QCOMPARE(g->scrollOffset(), depart);
            QCOMPARE(g->locationCibleDepot(), cible);
            QVERIFY2(glisser.drop(), qPrintable(qui));
            Ecran::tourner();
            QCOMPARE(cible->chauffeurPose(), martin);
        }
        QVERIFY(!e.ctx->hasChanges());

        // At the very edge the grid moves at once; nothing is outlined meanwhile, and a release
        // there is refused and changes nothing.
        {
            WindowDrag glisser(vp, &data, Qt::CopyAction);
            const int x = int(g->rectCorps(visibles[2]).center().x());
            glisser.moveTo(vp, QPoint(x, vp->height() / 2));
            QVERIFY(!glisser.moveTo(vp, QPoint(x, vp->height() - 2)));
            QVERIFY(g->defilementAuto()->isScrolling());
            QTRY_VERIFY(g->scrollOffset().y() > depart.y() + 40);
            QCOMPARE(g->locationCibleDepot(), nullptr);
            QVERIFY(!glisser.drop());
        }
        Ecran::tourner();
        QVERIFY(!g->defilementAuto()->isScrolling());
        const auto avecChauffeur = std::count_if(l.cbegin(), l.cend(), [](const LocationDeBenne* x) { return x->chauffeurPose(); });
        QVERIFY2(avecChauffeur == 2, qPrintable(ou + QString::number(avecChauffeur)));
    }
}

// A wrong driver is taken off where he was given, by keys or by mouse, and the bar names whom it has.
void TestGrille::chauffeurRetireParLeMenuDeLaBarre()
{
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 17, 9), std::nullopt);
    // Stacked over it on its first days, another booking of the skip.
    LocationDeBenne* dessus = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Bravo")), b,
                                           localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 20, 9));
    Chauffeur* martin = driver(e.ctx.get());
    Chauffeur* dupont = driver(e.ctx.get(), QStringLiteral("Dupont & <b>Fils</b>"), QStringLiteral("Léa"));
    l->setChauffeurPose(martin);
    l->setChauffeurEnlevement(dupont);
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    // The tool tip and the details name both drivers, not only a truck mark.
    QHelpEvent aide(QEvent::ToolTip, e.centre(l).toPoint(), e.vp()->mapToGlobal(e.centre(l).toPoint()));
    QApplication::sendEvent(e.vp(), &aide);
    QTRY_VERIFY(QToolTip::isVisible());
    const QString texteBulle = shownToolTip(QToolTip::text()).replace(QChar::Nbsp, QLatin1Char(' '));
    QVERIFY2(texteBulle.contains(QStringLiteral("Pose : Paul Martin"))
                 && texteBulle.contains(QStringLiteral("Enlèvement : Léa Dupont & <b>Fils</b>")),
             qPrintable(texteBulle));
    QToolTip::hideText();
    const QList<InfoLocationPopup::Ligne> lignes = InfoLocationPopup::lignes(l);
    QCOMPARE(lignes.last().valeur, QStringLiteral("Enlèvement\u00A0: Léa Dupont & <b>Fils</b>"));

    // By keys: on the stacked cell, the frame holds the lane of the bar the menu keys act on.
    e.vue->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    QVERIFY(e.auClavier(32, 0)); // 16 March, where both stand
    LocationDeBenne* auCurseur = g->locationAuCurseur();
    QVERIFY(auCurseur == l || auCurseur == dessus);
    const QRectF cadre = g->cadreCurseur();
    const QRectF corps = g->rectCorps(auCurseur).translated(g->scrollOffset());
    QVERIFY(cadre.height() < g->hauteurLigne(0) * 0.75);
    QVERIFY(cadre.top() <= corps.top() && cadre.bottom() >= corps.bottom());
    g->setCurseur(31, 0); // 15 March: the rental alone
    QCOMPARE(g->locationAuCurseur(), l);
    QCOMPARE(g->cadreCurseur().height(), g->hauteurLigne(0) + 1);
    QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
    QPointer<QMenu> menu = g->menuContextuel();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(textesMenu(menu).contains(QStringLiteral("Retirer le chauffeur de la pose")));
    QVERIFY(textesMenu(menu).contains(QStringLiteral("Retirer le chauffeur de l'enlèvement")));
    while (!menu->activeAction() || menu->activeAction()->text() != QStringLiteral("Retirer le chauffeur de la pose"))
        QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    Ecran::tourner();
    QCOMPARE(l->chauffeurPose(), nullptr);
    QCOMPARE(l->chauffeurEnlevement(), dupont);
    QVERIFY(!e.ctx->hasChanges());

    // By mouse: only what is set is offered; a failed save is told and keeps the driver.
    const auto menuSouris = [&] {
        QContextMenuEvent clic(QContextMenuEvent::Mouse, e.centre(l).toPoint(), e.vp()->mapToGlobal(e.centre(l).toPoint()));
        QApplication::sendEvent(e.vp(), &clic);
        return QPointer<QMenu>(g->menuContextuel());
    };
    menu = menuSouris();
    QVERIFY(menu);
    QVERIFY(!textesMenu(menu).contains(QStringLiteral("Retirer le chauffeur de la pose")));
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    choisir(menu, QStringLiteral("actionRetirerChauffeurEnlevement"));
    QMessageBox* erreur = visibleBox(QStringLiteral("erreur"));
    QVERIFY(erreur);
    erreur->close();
    QCOMPARE(l->chauffeurEnlevement(), dupont);
    menu = menuSouris();
    QVERIFY(menu);
    choisir(menu, QStringLiteral("actionRetirerChauffeurEnlevement"));
    QCOMPARE(l->chauffeurEnlevement(), nullptr);
    QVERIFY(!e.ctx->hasChanges());
    menu = menuSouris();
    QVERIFY(menu && !menu->findChild<QAction*>(QStringLiteral("actionRetirerChauffeurEnlevement")));
    menu->close();
}

// Three bookings of a skip stacked on the same days: the keys act on the bar clicked last (Delete,
// Return, the Menu key's entries, Ctrl+Shift+D), ↑ and ↓ go through the stack, and the keyboard's frame
// holds that bar's lane, drawn over its name.
void TestGrille::clavierSurLaBarreCliqueeDUnePile()
{
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    Chauffeur* c = driver(e.ctx.get());
    QList<LocationDeBenne*> pile;
    for (const QString& nom : {QStringLiteral("Toitures Moreau"), QStringLiteral("Toitures Laurent"), QStringLiteral("Maçonnerie Martin")}) {
        pile << placedRental(e.ctx.get(), officeClient(e.ctx.get(), nom), b, localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 18, 9));
        pile.last()->setChauffeurPose(c);
    }
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    e.vue->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    for (LocationDeBenne* l : pile) {
        QVERIFY(e.ouvrirDetails(l));
        QTest::keyClick(g, Qt::Key_Delete);
        QMessageBox* box = visibleBox(QStringLiteral("confirmation"));
        QVERIFY(box);
        QCOMPARE(box->informativeText(), g->texteSuppression(l));
        answerBox(box, QStringLiteral("Annuler"));
        e.vue->setLocationInfoSelectionnee(nullptr);
        QTest::keyClick(g, Qt::Key_Return);
        QCOMPARE(e.vue->locationInfoSelectionnee(), l);
        e.vue->setLocationInfoSelectionnee(nullptr);
        e.vue->activateWindow(); // the question gone, the keys back in the grid
        QTRY_VERIFY(g->hasFocus());
        // Framed on the column of its name: the frame runs over the name, not under it.
        const QPointF o = g->scrollOffset();
        const QRectF texte = g->etiquette(l).rectTexte;
        g->setCurseur(int((texte.center().x() + o.x()) / largeurColonne), 0);
        const QRectF cadre = g->cadreCurseur().translated(-o);
        const QRectF corps = g->rectCorps(l);
        QVERIFY(cadre.top() <= corps.top() && cadre.bottom() >= corps.bottom() && cadre.height() < g->hauteurLigne(0) / 2);
        Ecran::tourner();
        QVERIFY(proche(couleurEn(e.vp()->grab().toImage(), QPointF(texte.center().x(), cadre.top() + 4)),
                       kv::focusColour(g->palette()), 60));
    }
    QTest::keyClick(g, Qt::Key_Up);
    QCOMPARE(g->locationAuCurseur(), pile[1]);
    QPointer<QMenu> menu = e.menuDuClavier();
    QVERIFY(menu);
    choisir(menu, QStringLiteral("actionRetirerChauffeurPose"));
    QVERIFY(!pile[1]->chauffeurPose() && pile[0]->chauffeurPose() == c && pile[2]->chauffeurPose() == c);
    // Ctrl+D, Delete on X11, neither deletes nor duplicates; Ctrl+Shift+D duplicates, as the menu says.
    QTest::keyClick(g, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!visibleBox(QStringLiteral("confirmation")));
    QCOMPARE(b->locations().size(), 3);
    QTest::keyClick(g, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(b->locations().size(), 4);
}

void TestGrille::doubleReservationDemandeeAvantDEtreGardee()
{
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    Chauffeur* paul = driver(e.ctx.get());
    client(e.ctx.get(), QStringLiteral("Dupont"), QStringLiteral("Paris"));
    LocationDeBenne* a = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Alpha <b>BTP</b>")), bn,
                                      localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 18, 9));
    LocationDeBenne* b = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Dupont")), bn,
                                      localDateTime(2026, 3, 20, 9), localDateTime(2026, 3, 24, 9));
    a->setChauffeurEnlevement(paul);
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    g->setScrollOffset(g->scrollOffset() + QPointF(400, 0)); // room on the right to pull into
    Ecran::tourner();
    const QRectF avant = g->rectCorps(a);
    const auto tirer = [&](const QPointF& p, double dx) {
        drag(e.vp(), p, p + QPointF(dx, 0));
        return visibleBox(QStringLiteral("confirmationChevauchement"));
    };

    // Stretched over the next booking: asked first, naming it; « Annuler » changes nothing.
    QMessageBox* question = tirer(g->rectPoignee(a, true).center(), 360);
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Cette benne est déjà louée à Dupont (Lyon) du 20/03/2026 au 24/03/2026.\n\n"
                                              "Louer quand même cette benne à Alpha <b>BTP</b> du 15/03/2026 au 21/03/2026\u00A0?"));
    QCOMPARE(a->dateEnlevement(), localDateTime(2026, 3, 18, 9));
    answerBox(question, QStringLiteral("Annuler"));
    Ecran::tourner();
    QCOMPARE(a->dateEnlevement(), localDateTime(2026, 3, 18, 9));
    QCOMPARE(g->rectCorps(a), avant);
    QVERIFY(!e.ctx->hasChanges());
    QCOMPARE(paul->enlevementsAssures(), QList<LocationDeBenne*>{a});

    // Moved onto it: asked too, and kept when the user says so.
    QVERIFY(question = tirer(e.centre(a), 3 * 120));
    answerBox(question, QStringLiteral("Louer quand même"));
    Ecran::tourner();
    QCOMPARE(a->datePose(), localDateTime(2026, 3, 18, 9));
    // Back, then stretched up to the day the next booking starts: a hand-over, no question.
    QVERIFY(!tirer(e.centre(a), -3 * 120));
    Ecran::tourner();
    QVERIFY(!tirer(g->rectPoignee(a, true).center(), 240));
    QCOMPARE(a->dateEnlevement(), b->datePose());
}

void TestGrille::dateDEnlevementParLeMenuDeLaBarre()
{
    installDateEntry(qApp);
    auto retirerSaisie = qScopeGuard([] { removeDateEntry(qApp); });
    Ecran e;
    Benne* bn = benne(e.ctx.get(), 10);
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), bn, localDateTime(2026, 3, 10, 9));
    placedRental(e.ctx.get(), officeClient(e.ctx.get()), bn, localDateTime(2026, 4, 2, 9), localDateTime(2026, 4, 5, 9));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    // Shift+F10, ↓ to the entry (named as the refused rotation names it), Return.
    const auto ouvrir = [&](const QString& texte) -> QDialog* {
        g->setFocus(Qt::TabFocusReason);
        g->setCurseur(31, 0);
        QTest::keyClick(g, Qt::Key_F10, Qt::ShiftModifier);
        QMenu* menu = g->menuContextuel();
        QAction* action = menu ? menu->findChild<QAction*>(QStringLiteral("actionDateEnlevement")) : nullptr;
        if (!action || action->text() != texte || !QTest::qWaitFor([menu] { return menu->isVisible(); }))
            return nullptr;
        while (menu->activeAction() != action)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        return g->fenetreDateEnlevement();
    };
    QPointer<QDialog> fenetre;
    QVERIFY(fenetre = ouvrir(QStringLiteral("Fixer la date d'enlèvement…")));
    // Which rental, the client told apart from its look-alike (the next booking's).
    QCOMPARE(fenetre->findChild<QLabel*>()->text(),
             QStringLiteral("Location de Dupont BTP (Lyon · 1 rue Haute · 0102030405), posée le 10/03/2026"));
    auto* champ = fenetre->findChild<QDateEdit*>(QStringLiteral("champDateEnlevement"));
    QTRY_VERIFY(champ->hasFocus());
    QTRY_VERIFY(!champ->findChild<QLineEdit*>()->hasSelectedText()); // no stray key replaces the day
    QCOMPARE(champ->date(), QDate(2026, 3, 15)); // today, never before the placement
    // A day before the placement is refused by name, in a line whose room was kept: no button
    // moves or hides under a message, and the dialog stays open.
    auto* refus = fenetre->findChild<QLabel*>(QStringLiteral("refusDateEnlevement"));
    QVERIFY(refus);
    QList<QRect> boutons;
    for (const QPushButton* b : fenetre->findChildren<QPushButton*>())
        boutons << QRect(b->mapTo(fenetre, QPoint(0, 0)), b->size());
    fixtures::HeardAnnouncements lecteur; // the refusal as it shows and as it stops the save
    QTest::keyClicks(champ, QStringLiteral("07032026"));
    QCOMPARE(refus->text(), QStringLiteral("L’enlèvement ne peut pas précéder la pose du 10/03/2026."));
    QVERIFY(refus->isVisible() && refus->width() >= refus->sizeHint().width());
    QTest::keyClick(champ, Qt::Key_Return);
    QVERIFY(fenetre && fenetre->isVisible());
    QCOMPARE(lecteur.said, QStringList(2, refus->text()));
    QVERIFY(champ->hasFocus());
    QCOMPARE(l->dateEnlevement(), std::nullopt);
    QVERIFY(!QToolTip::isVisible());
    const QRect ligne(refus->mapTo(fenetre, QPoint(0, 0)), refus->size());
    QList<QRect> apres;
    for (const QPushButton* b : fenetre->findChildren<QPushButton*>()) {
        apres << QRect(b->mapTo(fenetre, QPoint(0, 0)), b->size());
        QVERIFY(!apres.last().intersects(ligne));
    }
    QCOMPARE(apres, boutons);
    // A date that does not exist is said there too, and stored nowhere.
    QTest::keyClicks(champ, QStringLiteral("31/02/2026"));
    QTest::keyClick(champ, Qt::Key_Return);
    QVERIFY(fenetre && refus->text().contains(QStringLiteral("« 31/02/2026 »")));
    QVERIFY(!fenetre->findChild<QLabel*>(QStringLiteral("dateRefusee"))); // said once, nothing moved
    QCOMPARE(l->dateEnlevement(), std::nullopt);
    QTest::keyClicks(champ, QStringLiteral("20/03/2026"));
    QVERIFY(refus->text().isEmpty());
    QTest::keyClick(champ, Qt::Key_Return);
    QTRY_VERIFY(!fenetre);
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 20, 9));
    QTRY_VERIFY(lecteur.said.last().startsWith(QStringLiteral("Date d'enlèvement enregistrée")));
    QVERIFY2(lecteur.said.last().startsWith(QStringLiteral("Date d'enlèvement enregistrée\u00A0: Dupont BTP"))
                 && lecteur.said.last().endsWith(QStringLiteral("du 10/03/2026 au 20/03/2026.")),
             qPrintable(lecteur.said.last()));

    // By mouse: onto the next booking, asked first (as a drag is); then taken away.
    QVERIFY(fenetre = ouvrir(QStringLiteral("Changer la date d'enlèvement…")));
    fenetre->findChild<QDateEdit*>(QStringLiteral("champDateEnlevement"))->setDate(QDate(2026, 4, 3));
    fenetre->findChild<QPushButton*>(QStringLiteral("boutonEnregistrerEnlevement"))->click();
    QMessageBox* question = visibleBox(QStringLiteral("confirmationChevauchement"));
    QVERIFY(question);
    answerBox(question, QStringLiteral("Annuler"));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 20, 9));
    // Back to the dialog, the date typed still there.
    QVERIFY(fenetre && fenetre->isVisible());
    QCOMPARE(fenetre->findChild<QDateEdit*>(QStringLiteral("champDateEnlevement"))->date(), QDate(2026, 4, 3));
    fenetre->reject();
    QTRY_VERIFY(!fenetre);
    QVERIFY(fenetre = ouvrir(QStringLiteral("Changer la date d'enlèvement…")));
    fenetre->findChild<QPushButton*>(QStringLiteral("boutonRetirerEnlevement"))->click();
    QTRY_VERIFY(!fenetre);
    QCOMPARE(l->dateEnlevement(), std::nullopt);
    QTRY_VERIFY(lecteur.said.last().startsWith(QStringLiteral("Date d'enlèvement retirée")));
}

void TestGrille::cadreDuClavierNeCachePasLesNoms()
{
    Ecran e;
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get(), QStringLiteral("Atelier Brûlé")), benne(e.ctx.get(), 10),
                                      localDateTime(2026, 3, 14, 9), localDateTime(2026, 3, 16, 9));
    l->setChauffeurPose(driver(e.ctx.get()));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    // Each cell of the bar framed in turn: its name, its driver's mark and its handles show
    // exactly as without the frame, which still shows around them.
    const PeintreBarres::Etiquette et = g->etiquette(l);
    const QList<QRectF> zones{et.rectTexte, et.badgePose, g->rectPoignee(l, false), g->rectPoignee(l, true)};
    const auto partie = [&](const QRectF& r) { return g->viewport()->grab(r.toAlignedRect()).toImage(); };
    g->clearFocus();
    QList<QImage> sansCadre;
    for (const QRectF& r : zones)
        sansCadre << partie(r);
    g->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(g->hasFocus());
    for (const int colonne : {30, 31}) {
        g->setCurseur(colonne, 0);
        Ecran::tourner();
        for (int i = 0; i < zones.size(); ++i)
            QVERIFY2(partie(zones[i]) == sansCadre[i], qPrintable(QStringLiteral("colonne %1, zone %2").arg(colonne).arg(i)));
    }
    const QPointF cadre(31 * largeurColonne - g->scrollOffset().x() + 100, 3.5);
    QVERIFY(proche(couleurEn(g->viewport()->grab().toImage(), cadre), kv::focusColour(g->palette())));
}

void TestGrille::lignesLisiblesSurFondsClairEtSombre()
{
    Ecran e;
    benne(e.ctx.get(), 10);
    benne(e.ctx.get(), 10);
    e.ouvrir();
    GrillePlanning* g = e.grille();
    for (const QPalette& palette : {QApplication::palette(), QPalette(QColor(0x30, 0x30, 0x32), QColor(0x20, 0x20, 0x22))}) {
        e.vue->setPalette(palette);
        Ecran::tourner();
        const QImage image = g->viewport()->grab().toImage();
        const QPointF o = g->scrollOffset();
        // The second row's top line, a day's line and today's, against the paper beside them.
        const double autre = 33 * largeurColonne - o.x(), aujourdhui = 31 * largeurColonne - o.x(), y = 40 - o.y();
        for (const auto& [trait, papier] : {std::pair(QPointF(autre + 50, y), QPointF(autre + 50, y + 12)),
                                            std::pair(QPointF(autre, y + 20), QPointF(autre + 12, y + 20)),
                                            std::pair(QPointF(aujourdhui, y + 20), QPointF(aujourdhui + 12, y + 20))}) {
            QVERIFY2(forms::contrastRatio(couleurEn(image, trait), couleurEn(image, papier)) >= 2.95,
                     qPrintable(couleurEn(image, trait).name() + QStringLiteral(" / ") + couleurEn(image, papier).name()));
        }
    }
}

void TestGrille::desEtiquettesALaLigneDeLaGrilleEtDoubleClic()
{
    Ecran e;
    officeClient(e.ctx.get());
    QList<Benne*> bennes;
    for (int i = 0; i < 16; ++i)
        bennes << benne(e.ctx.get(), 10);
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();
    ColonneBennes* col = g->colonne();
    // Tab from the label of row 12 goes on in row 12; → on a label goes into its row at today,
    // wherever the days were scrolled.
    col->setFocus(Qt::TabFocusReason);
    col->setLigneCourante(12);
    QTest::keyClick(col, Qt::Key_Tab);
    QTRY_VERIFY(g->hasFocus());
    QCOMPARE(g->curseur(), QPoint(31, 12));
    g->setScrollOffset(QPointF(0, g->scrollOffset().y()));
    col->setFocus(Qt::BacktabFocusReason);
    col->setLigneCourante(9);
    QTest::keyClick(col, Qt::Key_Right);
    QTRY_VERIFY(g->hasFocus());
    QCOMPARE(g->curseur(), QPoint(31, 9));
    const double x = 31 * largeurColonne - g->scrollOffset().x(); // brought into view

    // A double click on an empty cell books it, as Return there does.
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(int(x + 280), int(3 * 40 - g->scrollOffset().y() + 20)));
    QVERIFY(e.vue->feuille() && e.vue->feuille()->isVisible());
    QCOMPARE(e.vue->benneSelection(), std::optional(VuePlanificationBennes::BenneSelection{bennes[3]->id()}));
    QCOMPARE(formulaireDe(e.vue->feuille())->datePose().date(), QDate(2026, 3, 17));
}

void TestGrille::copieHorsDeLaVueMontreeEtNommee()
{
    Ecran e;
    Benne* b = benne(e.ctx.get(), 10);
    // Ten days from today: its rotation starts ten columns on, past the right edge.
    LocationDeBenne* l = placedRental(e.ctx.get(), officeClient(e.ctx.get()), b, localDateTime(2026, 3, 15, 9),
                                      localDateTime(2026, 3, 25, 9));
    QVERIFY(e.enregistrerEtOuvrir(QSize(900, 500)));
    GrillePlanning* g = e.grille();
    QVERIFY(e.auClavier(31, 0));
    QCOMPARE(g->locationAuCurseur(), l);
    QPointer<QMenu> menu = e.menuDuClavier();
    QVERIFY(menu);
    choisir(menu, QStringLiteral("actionDupliquer"));
    QCOMPARE(b->locations().size(), 2);
    LocationDeBenne* copie = b->locations().last();
    // The grid shows it, the keyboard's cell on its first day, and says where it went.
    QVERIFY(QRectF(e.vp()->rect()).contains(g->rectCorps(copie).topLeft() + QPointF(1, 0)));
    QCOMPARE(g->curseur(), QPoint(41, 0));
    QCOMPARE(g->locationAuCurseur(), copie);
    QMessageBox* avis = visibleBox(QStringLiteral("avisGrille"));
    QVERIFY(avis);
    QCOMPARE(avis->text(), QStringLiteral("Rotation créée"));
    QVERIFY2(avis->informativeText().contains(QStringLiteral("du 25/03/2026 au 04/04/2026")), qPrintable(avis->informativeText()));
    answerBox(avis, QStringLiteral("OK"));
    QTRY_VERIFY(!visibleBox(QStringLiteral("avisGrille")));

    // A copy made in view needs no word: its bar shows where it is.
    LocationDeBenne* courte = placedRental(e.ctx.get(), officeClient(e.ctx.get()), benne(e.ctx.get(), 12),
                                           localDateTime(2026, 3, 26, 9), localDateTime(2026, 3, 27, 9));
    QVERIFY(e.ctx->save());
    Ecran::tourner();
    g->setCurseur(42, 1);
    QCOMPARE(g->locationAuCurseur(), courte);
    QTest::keyClick(g, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(courte->benne()->locations().size(), 2);
    QVERIFY(!visibleBox(QStringLiteral("avisGrille")));
    QCOMPARE(g->curseur(), QPoint(42, 1));
}

void TestGrille::lecteurDEcranLitLaGrille()
{
    Ecran e;
    Benne* dix = benne(e.ctx.get(), 10);
    benne(e.ctx.get(), 12);
    // Two clients of one name: the bar's name tells them apart, with its dates and drivers.
    Client* lyon = officeClient(e.ctx.get());
    officeClient(e.ctx.get())->setVille(QStringLiteral("Paris"));
    LocationDeBenne* l = placedRental(e.ctx.get(), lyon, dix, localDateTime(2026, 3, 15, 9), localDateTime(2026, 3, 17, 9));
    l->setChauffeurPose(driver(e.ctx.get(), QStringLiteral("Leroy"), QStringLiteral("Nadia")));
    QVERIFY(e.enregistrerEtOuvrir());
    GrillePlanning* g = e.grille();

    QAccessibleInterface* grille = QAccessible::queryAccessibleInterface(g);
    QVERIFY(grille);
    QCOMPARE(grille->text(QAccessible::Name), QStringLiteral("Planning des bennes"));
    // The skip column, the days, the keyboard's cell, then one row per skip.
    QCOMPARE(grille->childCount(), 3 + 2);
    QCOMPARE(grille->child(0)->text(QAccessible::Name), QStringLiteral("Bennes"));
    QAccessibleInterface* jours = grille->child(1);
    QCOMPARE(jours->childCount(), kNombreJours);
    QCOMPARE(jours->child(31)->text(QAccessible::Name), QStringLiteral("dimanche 15 mars 2026, aujourd’hui"));
    QCOMPARE(jours->child(31)->role(), QAccessible::ColumnHeader);
    QAccessibleInterface* ligne = grille->child(3);
    QCOMPARE(ligne->role(), QAccessible::Row);
    QCOMPARE(ligne->text(QAccessible::Name), QStringLiteral("Benne 10 m³ état : correct, gris")); // the colour, in words
    QCOMPARE(ligne->parent(), grille);
    QCOMPARE(ligne->childCount(), 1);
    QAccessibleInterface* barre = ligne->child(0);
    QCOMPARE(barre->text(QAccessible::Name),
             QStringLiteral("Dupont BTP (Lyon) du 15/03/2026 au 17/03/2026\u00A0; pose\u00A0: Nadia Leroy\u00A0; "
                            "enlèvement\u00A0: sans chauffeur"));
    QCOMPARE(barre->parent(), ligne);
    QCOMPARE(ligne->indexOfChild(barre), 0);
    QCOMPARE(grille->indexOfChild(ligne), 3);
    QVERIFY(!barre->state().offscreen);
    QVERIFY(barre->rect().contains(e.vp()->mapToGlobal(g->rectCorps(l).center().toPoint())));
    QCOMPARE(grille->child(4)->childCount(), 0);

    // Before the keys come, the cell they would start on is a cell in view.
    QAccessibleInterface* avant = grille->child(2);
    QVERIFY(avant->text(QAccessible::Name).startsWith(QStringLiteral("Benne 10 m³ état : correct, gris, dimanche 15 mars 2026")));
    QVERIFY(QRect(e.vp()->mapToGlobal(QPoint(0, 0)), e.vp()->size()).contains(avant->rect()));
    // The drivers' chips are items named by their driver.
    QAccessibleInterface* puces = QAccessible::queryAccessibleInterface(e.vue->bandeau()->contenu());
    QCOMPARE(puces->childCount(), 1);
    QCOMPARE(puces->child(0)->text(QAccessible::Name), QStringLiteral("Nadia Leroy"));
    QCOMPARE(puces->child(0)->role(), QAccessible::ListItem);

    // The keyboard's cell is the grid's focused child, named by its skip, its day and its rental,
    // and is announced as it moves: its new name, then the focus.
    static QList<QPair<QAccessible::Event, QString>> annonces;
    setAnnonceurGrille([](QAccessibleEvent* ev) { annonces.append({ev->type(), ev->accessibleInterface()->text(QAccessible::Name)}); });
    const auto fin = qScopeGuard([] { setAnnonceurGrille(nullptr); });
    QVERIFY(e.auClavier(31, 1));
    QAccessibleInterface* cellule = grille->focusChild();
    QVERIFY(cellule);
    QCOMPARE(cellule->role(), QAccessible::Cell);
    QVERIFY(cellule->state().focused);
    QCOMPARE(cellule->text(QAccessible::Name), QStringLiteral("Benne 12 m³ état : correct, gris, dimanche 15 mars 2026\u00A0: libre"));
    annonces.clear();
    QTest::keyClick(g, Qt::Key_Up);
    QCOMPARE(annonces.size(), 2);
    QCOMPARE(annonces.first().first, QAccessible::NameChanged);
    QCOMPARE(annonces.last().first, QAccessible::Focus);
    QVERIFY2(annonces.last().second.startsWith(QStringLiteral("Benne 10 m³ état : correct, gris, dimanche 15 mars 2026\u00A0: Dupont BTP (Lyon)")),
             qPrintable(annonces.last().second));
    // Through the readers' one path, Tab from the skip column says the cell the keys land on.
    setAnnonceurGrille(&kv::tellReaders);
    fixtures::HeardByReaders readers;
    g->colonne()->setFocus(Qt::BacktabFocusReason);
    readers.heard.clear();
    QTest::keyClick(g->colonne(), Qt::Key_Tab);
    fixtures::settle();
    QCOMPARE(readers.of(QAccessible::Focus), QStringList{cellule->text(QAccessible::Name)});
    g->colonne()->setFocus(Qt::BacktabFocusReason); // the column's labels said as the keys move
    readers.heard.clear();
    QTest::keyClick(g->colonne(), Qt::Key_Down);
    fixtures::settle();
    QCOMPARE(readers.of(QAccessible::Focus), QStringList{QStringLiteral("Benne 12 m³ état : correct, gris")});
    // A rental gone is a bar gone.
    e.ctx->remove(l);
    Ecran::tourner();
    QVERIFY(!barre->isValid());
    QCOMPARE(grille->child(3)->childCount(), 0);
}
