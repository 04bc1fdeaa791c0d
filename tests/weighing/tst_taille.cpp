#include "tests.h"

#include "outils.h"
#include "shownpart.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "widgets/elidedlabel.h"
#include "widgets/plaintext.h"

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using kv::LocationDeBenne;
using kv::LocationsEtPeseeView;
using kv::MiniBonDePeseeForm;
using namespace outils;

namespace {

// The screen as the window shows it: in a scroll area as wide and high as the content beside
// the sidebar.
struct Ecran {
    QScrollArea zone;
    LocationsEtPeseeView* vue;

    Ecran(Bureau& b, QSize taille) : vue(new LocationsEtPeseeView(b.ctx.get(), b.horloge, b.dossier))
    {
        zone.setFrameShape(QFrame::NoFrame);
        zone.setWidgetResizable(true);
        zone.setWidget(vue);
        zone.resize(taille);
        zone.show();
        if (!QTest::qWaitForWindowExposed(&zone))
            qWarning("écran non montré");
        fixtures::settle();
    }

    void choisir(LocationDeBenne* l)
    {
        QListView* liste = vue->liste();
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualRect(vue->modele()->indexOf(l)).center());
        fixtures::settle();
    }

    // What the user cannot reach or read without scrolling sideways.
    QStringList defauts(const QString& ou) const
    {
        fixtures::settle();
        QStringList out;
        const auto nom = [](const QWidget* w) {
            return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
        };
        if (zone.horizontalScrollBar()->maximum() > 0)
            out << QStringLiteral("%1: the screen scrolls sideways (%2 px for %3)")
                       .arg(ou)
                       .arg(zone.widget()->width())
                       .arg(zone.viewport()->width());
        const QRect vu(zone.viewport()->mapToGlobal(QPoint(0, 0)), zone.viewport()->size());
        for (QWidget* w : vue->findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            const QRect place(w->mapToGlobal(QPoint(0, 0)), w->size());
            if (auto* zoneInterne = qobject_cast<QAbstractScrollArea*>(w)) {
                // The rentals' list and the ticket's form scroll up and down each on its own,
                // side by side, while the screen as a whole stays still; anything else scrolling
                // inside the screen is a scroll bar within a scroll bar (the document preview
                // scrolls its pages).
                const bool aCote = zoneInterne == vue->liste() || w->objectName() == QStringLiteral("defilementBon");
                const bool defile = zoneInterne->verticalScrollBar()->isVisible()
                    || zoneInterne->horizontalScrollBar()->isVisible();
                if (!aCote && !w->inherits("QPdfView") && defile)
                    out << QStringLiteral("%1: %2 scrolls inside the screen").arg(ou, nom(w));
                if (aCote && zoneInterne->horizontalScrollBar()->isVisible())
                    out << QStringLiteral("%1: %2 scrolls sideways").arg(ou, nom(w));
                if (aCote && defile && zone.verticalScrollBar()->maximum() > 0)
                    out << QStringLiteral("%1: %2 scrolls within the scrolling screen").arg(ou, nom(w));
            }
            const bool atteignable = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)
                || qobject_cast<QAbstractSpinBox*>(w);
            if (atteignable && !qobject_cast<QAbstractSpinBox*>(w->parentWidget())
                && (place.left() < vu.left() || place.right() > vu.right()))
                out << QStringLiteral("%1: %2 « %3 » out of the screen (%4 to %5 of %6 to %7)")
                           .arg(ou, nom(w), qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text() : QString())
                           .arg(place.left())
                           .arg(place.right())
                           .arg(vu.left())
                           .arg(vu.right());
            if (auto* l = qobject_cast<QLabel*>(w); l && l->pixmap().isNull() && !l->wordWrap()
                && l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width() + 1)
                out << QStringLiteral("%1: %2 « %3 » cut without « … »").arg(ou, nom(w), l->text().left(40));
            // The column's lines stand one under the other, with no free room among them.
            if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap() && vue->liste()->parentWidget()->isAncestorOf(l)
                && l->height() > l->heightForWidth(l->width()) + 1)
                out << QStringLiteral("%1: %2 « %3 » in a gap (%4 px high)").arg(ou, nom(w), l->text().left(40)).arg(l->height());
            if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap() && l->height() < l->heightForWidth(l->width()))
                out << QStringLiteral("%1: %2 « %3 » cut at its foot (%4 of %5 px high)")
                           .arg(ou, nom(w), l->text().left(40))
                           .arg(l->height())
                           .arg(l->heightForWidth(l->width()));
            if (auto* l = qobject_cast<kv::ElidedLabel*>(w)) {
                if (place.right() > vu.right())
                    out << QStringLiteral("%1: %2 out of the screen").arg(ou, nom(w));
                if (l->isElided() && kv::shownToolTip(l->toolTip()) != l->text())
                    out << QStringLiteral("%1: %2 cut without its whole text in its tool tip").arg(ou, nom(w));
            }
            if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text().endsWith(QChar(0x2026))
                && b->toolTip().isEmpty())
                out << QStringLiteral("%1: %2 « %3 » cut without a tool tip").arg(ou, nom(w), b->text());
        }
        return out;
    }
};

QString nomLong(const QString& quoi)
{
    return quoi + QStringLiteral(" <b>Établissements</b> Dubois / Démolition & Frères ")
        + QStringLiteral("Bâtiment élevé à Noël ").repeated(12);
}

} // namespace

void TestTaille::tientSansDefilerDeCote_data()
{
    QTest::addColumn<QSize>("contenu");
    // The window's smallest size, 760 x 480 points, less the sidebar and the toolbar.
    QTest::newRow("smallest") << QSize(536, 400);
    // A 1600 x 1000 display at 150 %, and the window's default size.
    QTest::newRow("1066 x 666") << QSize(842, 586);
    QTest::newRow("1200 x 760") << QSize(976, 680);
}

void TestTaille::tientSansDefilerDeCote()
{
    QFETCH(QSize, contenu);
    Bureau b;
    QTemporaryDir ailleurs;
    kv::TypeDechet* type = b.type(nomLong(QStringLiteral("Déchet")), 99999.99);
    kv::CentreTraitement* centre = b.centre(nomLong(QStringLiteral("Centre")));
    type->setCentres({centre});
    auto* longue = b.location(b.client(nomLong(QStringLiteral("Client"))), at(2026, 3, 9, 10), type, nullptr,
                              nomLong(QStringLiteral("Chantier")));
    b.bon(longue, at(2026, 3, 9, 11), 1200, ailleurs.filePath(nomLong(QStringLiteral("Ticket")) + QStringLiteral(".pdf")));
    // A weight stored before weights were bounded, and a short name.
    auto* courte = b.location(b.client(QStringLiteral("Zoé")), at(2026, 3, 8, 10), type);
    b.bon(courte, at(2026, 3, 8, 11), 1e300);
    for (int i = 0; i < 8; ++i)
        b.bon(courte, at(2026, 3, 8, 12, i), 100 * i);
    QVERIFY(b.sauver());

    Ecran ecran(b, contenu);
    QStringList defauts = ecran.defauts(QStringLiteral("nothing chosen"));
    ecran.choisir(longue);
    MiniBonDePeseeForm* f = ecran.vue->formulaire();
    QVERIFY(f);
    defauts << ecran.defauts(QStringLiteral("long names"));
    QCOMPARE(ecran.zone.horizontalScrollBar()->value(), 0);

    // A document of the tickets folder shows its three buttons.
    f->importerFichierChoisi(ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf"))));
    QCOMPARE(f->importerError(), QString());
    defauts << ecran.defauts(QStringLiteral("document"));
    // A refused weight: the red line under the fields.
    f->champPoids()->setText(QStringLiteral("1e300"));
    QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("enregistrer")), Qt::LeftButton);
    QVERIFY(!f->importerError().isEmpty());
    defauts << ecran.defauts(QStringLiteral("refused weight"));
    // A long text without a blank, typed or in a file's name, in the red line.
    // The red line quotes a long refused text by its beginning: it takes no more room than the
    // text quoted whole would at the longest it is quoted whole, and the buttons below the fields
    // move no further down.
    auto* ligneErreur = f->findChild<QLabel*>(QStringLiteral("ligneErreur"));
    auto* nouveau = f->findChild<QPushButton*>(QStringLiteral("nouveauBon"));
    const auto refuser = [&](const QString& texte) {
        f->champPoids()->setText(texte);
        QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("enregistrer")), Qt::LeftButton);
        fixtures::settle();
        return std::pair(ligneErreur->height(), nouveau->mapTo(f, QPoint(0, 0)).y());
    };
    const auto chiffres = refuser(QStringLiteral("9").repeated(32));
    QVERIFY(f->importerError().contains(QStringLiteral("9").repeated(32)));
    const auto centChiffres = refuser(QStringLiteral("9").repeated(300));
    defauts << ecran.defauts(QStringLiteral("300 digits"));
    QVERIFY2(f->importerError().contains(QStringLiteral("« %1… »").arg(QStringLiteral("9").repeated(31))),
             qPrintable(f->importerError()));
    QVERIFY(!f->importerError().contains(QStringLiteral("9").repeated(32)));
    QVERIFY2(centChiffres.first <= chiffres.first && centChiffres.second <= chiffres.second,
             qPrintable(QStringLiteral("%1 px high, buttons at %2 (%3, %4 for 32 digits)")
                            .arg(centChiffres.first).arg(centChiffres.second).arg(chiffres.first).arg(chiffres.second)));
    const QString motif = QStringLiteral("é/<b>x");
    const auto lettres = refuser(motif.repeated(6).left(32));
    const auto centLettres = refuser(motif.repeated(50));
    QVERIFY(f->importerError().contains(QStringLiteral("n'est pas un nombre")));
    const QString montre = QString(kv::shownText(ligneErreur)).remove(QChar(0x200B));
    QVERIFY2(montre.contains(QStringLiteral("« %1… »").arg(motif.repeated(6).left(31))), qPrintable(montre));
    QVERIFY2(centLettres.first <= lettres.first && centLettres.second <= lettres.second,
             qPrintable(QStringLiteral("%1 px high, buttons at %2 (%3, %4 for 32 letters)")
                            .arg(centLettres.first).arg(centLettres.second).arg(lettres.first).arg(lettres.second)));
    defauts << ecran.defauts(QStringLiteral("300 letters"));
    f->supprimerFichier();
    f->importerFichierChoisi(ecrireTexte(ailleurs.filePath(QStringLiteral("Bordereau_").repeated(20) + QStringLiteral(".txt"))));
    QVERIFY(f->importerError().contains(QStringLiteral("Bordereau_Bordereau_")));
    defauts << ecran.defauts(QStringLiteral("long file name"));
    QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("nouveauBon")), Qt::LeftButton);
    QVERIFY(abandonnerSaisie(f));
    defauts << ecran.defauts(QStringLiteral("new ticket"));

    ecran.choisir(courte);
    QCOMPARE(f->location(), courte);
    defauts << ecran.defauts(QStringLiteral("nine tickets"));
    QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("nouveauBon")), Qt::LeftButton);
    defauts << ecran.defauts(QStringLiteral("short name, new ticket"));
    QVERIFY2(defauts.isEmpty(), qPrintable(defauts.join(QLatin1Char('\n'))));
}

void TestTaille::unAutreChoixSOuvreEnHautPoidsEntiers()
{
    // The window's smallest size with a 12-point desktop font: rows of tickets and a form taller
    // than its pane.
    const fixtures::DesktopLook look(false, 12.0);
    Bureau b;
    kv::TypeDechet* type = b.type(QStringLiteral("Gravats"), 20);
    auto* premiere = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10), type);
    auto* seconde = b.location(b.client(QStringLiteral("Zoé")), at(2026, 3, 8, 10), type);
    for (int i = 0; i < 6; ++i)
        b.bon(premiere, at(2026, 3, 9, 11, i), 9542 + i);
    b.bon(seconde, at(2026, 3, 8, 12), 9542);
    QVERIFY(b.sauver());
    Ecran ecran(b, QSize(536, 400));
    ecran.choisir(premiere);
    MiniBonDePeseeForm* f = ecran.vue->formulaire();
    QVERIFY(f);

    // Every weight reads whole, « 9542 kg », however narrow the row.
    const auto poidsCoupes = [&] {
        QStringList coupes;
        for (auto* poids : f->findChildren<kv::ElidedLabel*>(QStringLiteral("poidsBon")))
            if (poids->isVisible() && poids->isElided())
                coupes << poids->shownText();
        return coupes;
    };
    fixtures::settle();
    QCOMPARE(poidsCoupes(), QStringList());

    // Scrolled down to the last ticket, then another rental: its form opens at its top, the
    // weight in view.
    auto* defilement = ecran.vue->findChild<QScrollArea*>(QStringLiteral("defilementBon"));
    QVERIFY(defilement);
    QVERIFY(defilement->verticalScrollBar()->maximum() > 0);
    defilement->verticalScrollBar()->setValue(defilement->verticalScrollBar()->maximum());
    ecran.choisir(seconde);
    QCOMPARE(ecran.vue->formulaire()->location(), seconde);
    QTRY_COMPARE(defilement->verticalScrollBar()->value(), 0);
    QCOMPARE(poidsCoupes(), QStringList());

    // A refused weight's red line below the visible part is brought into view.
    MiniBonDePeseeForm* g = ecran.vue->formulaire();
    g->champPoids()->selectAll();
    QTest::keyClicks(g->champPoids(), QStringLiteral("abc"));
    QTest::keyClick(g->champPoids(), Qt::Key_S, Qt::ControlModifier);
    auto* ligne = g->findChild<QLabel*>(QStringLiteral("ligneErreur"));
    QTRY_VERIFY(ligne->isVisible() && defilement->viewport()->rect().contains(
        QRect(ligne->mapTo(defilement->viewport(), QPoint()), ligne->size())));
}
