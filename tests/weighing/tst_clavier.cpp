// The screen as a keyboard user and a first-time user meet it: the list shows where its focus
// is, the arrows choose, Return goes into the form; the list says what it holds; the ticket
// form names its rows and what it deletes, and wraps its sentences in a narrow pane; its rows
// and buttons show their focus and take Return, and a delete leaves the keyboard in the rows.

#include "tests.h"

#include "outils.h"
#include "weighing/dispositionetroite.h"
#include "widgets/etiquetterepliable.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "widgets/elidedlabel.h"
#include "widgets/focusstyle.h"
#include "widgets/forms/listpanel.h"

#include <QScrollBar>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using kv::LocationDeBenne;
using kv::LocationsEtPeseeView;
using kv::MiniBonDePeseeForm;
using namespace outils;

namespace {

QList<QMessageBox*> boites(QWidget* fenetre, const QString& nom)
{
    fixtures::settle();
    QList<QMessageBox*> out;
    for (QMessageBox* box : fenetre->findChildren<QMessageBox*>())
        if (box->isVisible() && box->objectName() == nom)
            out << box;
    return out;
}

bool cliquer(QMessageBox* box, const QString& texte)
{
    for (QAbstractButton* b : box->buttons())
        if (fixtures::shownText(b) == texte) {
            b->click();
            fixtures::settle();
            return true;
        }
    return false;
}

struct Ecran {
    std::unique_ptr<LocationsEtPeseeView> v;

    Ecran(Bureau& b, QSize taille = QSize(1200, 760))
        : v(std::make_unique<LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier))
    {
        v->resize(taille);
        v->show();
        if (!QTest::qWaitForWindowExposed(v.get()))
            qWarning("écran non exposé");
        QApplication::setActiveWindow(v.get());
        fixtures::settle();
    }
    QListView* liste() const { return v->liste(); }
    void focusListe() const
    {
        liste()->setFocus(Qt::TabFocusReason);
        fixtures::settle();
    }
    void touche(Qt::Key k) const
    {
        QTest::keyClick(liste(), k);
        fixtures::settle();
    }
    void cliquer(int rang) const
    {
        QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {},
                          liste()->visualRect(liste()->model()->index(rang, 0)).center());
        fixtures::settle();
    }
    int rangChoisi() const
    {
        const QModelIndexList rangs = liste()->selectionModel()->selectedRows();
        return rangs.size() == 1 ? rangs.first().row() : -1;
    }
    // Every text the list's column writes above the list, and what stands over the list.
    QString textesColonne() const
    {
        QStringList out;
        for (QLabel* l : v->listPanel()->findChildren<QLabel*>())
            if (l->isVisible())
                out << l->text();
        return out.join(QLatin1Char('\n'));
    }
};

} // namespace

void TestClavier::focusVisibleDansLaListe()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    b.location(c, at(2026, 3, 9, 10));
    b.location(c, at(2026, 3, 8, 10));
    QVERIFY(b.sauver());
    Ecran e(b);
    // The focus elsewhere, then on the list: the row the keys act on is drawn differently.
    e.v->interrupteur()->setFocus(Qt::TabFocusReason);
    fixtures::settle();
    const QImage sansFocus = e.liste()->viewport()->grab().toImage();
    e.focusListe();
    QVERIFY(e.liste()->hasFocus());
    const QModelIndex courant = e.liste()->currentIndex();
    QVERIFY(courant.isValid());
    const QImage avecFocus = e.liste()->viewport()->grab().toImage();
    QVERIFY2(sansFocus != avecFocus, "the focused row looks as it does without the focus");

    // Chosen, the row keeps a mark of the focus over its highlight.
    e.touche(Qt::Key_Down);
    QVERIFY(e.rangChoisi() >= 0);
    const QImage choisiAvecFocus = e.liste()->viewport()->grab().toImage();
    e.v->interrupteur()->setFocus(Qt::TabFocusReason);
    fixtures::settle();
    const QImage choisiSansFocus = e.liste()->viewport()->grab().toImage();
    QVERIFY2(choisiAvecFocus != choisiSansFocus, "the chosen row shows no focus");
}

void TestClavier::flechesEtEntree()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* un = b.location(c, at(2026, 3, 9, 10));
    auto* deux = b.location(c, at(2026, 3, 8, 10));
    auto* trois = b.location(c, at(2026, 3, 7, 10));
    QVERIFY(b.sauver());
    Ecran e(b);
    QCOMPARE(e.v->locationsFiltrees(), (QList<LocationDeBenne*>{un, deux, trois}));
    e.focusListe();
    QCOMPARE(e.v->selection(), nullptr);
    // The first ↓ chooses the row the focus shows, then each arrow the next or previous one.
    e.touche(Qt::Key_Down);
    QCOMPARE(e.v->selection(), un);
    QCOMPARE(e.v->formulaire()->location(), un);
    e.touche(Qt::Key_Down);
    QCOMPARE(e.v->selection(), deux);
    QCOMPARE(e.v->formulaire()->location(), deux);
    QCOMPARE(e.rangChoisi(), 1);
    e.touche(Qt::Key_Down);
    e.touche(Qt::Key_Down); // the last row stays chosen
    QCOMPARE(e.v->selection(), trois);
    e.touche(Qt::Key_Up);
    QCOMPARE(e.v->selection(), deux);
    QVERIFY(e.liste()->hasFocus());

    // Return goes into the form's first field, for the rental chosen.
    e.touche(Qt::Key_Return);
    MiniBonDePeseeForm* f = e.v->formulaire();
    QVERIFY(f);
    QCOMPARE(f->location(), deux);
    QTRY_VERIFY(f->champDate()->hasFocus());

    // A row clicked, then arrows from there.
    e.focusListe();
    e.touche(Qt::Key_Up);
    QCOMPARE(e.v->selection(), un);
    e.touche(Qt::Key_Enter);
    QTRY_VERIFY(e.v->formulaire()->champDate()->hasFocus());
    QCOMPARE(e.v->formulaire()->location(), un);
}

void TestClavier::flecheAvecTravailTape()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* un = b.location(c, at(2026, 3, 9, 10));
    auto* deux = b.location(c, at(2026, 3, 8, 10));
    QVERIFY(b.sauver());
    Ecran e(b);
    e.focusListe();
    e.touche(Qt::Key_Down);
    QCOMPARE(e.v->selection(), un);
    QLineEdit* poids = e.v->formulaire()->champPoids();
    poids->setFocus();
    QTest::keyClicks(poids, QStringLiteral("4100"));
    e.focusListe();
    e.touche(Qt::Key_Down);
    // One question, the list showing the rental typed for while it is open.
    QList<QMessageBox*> questions = boites(e.v.get(), QStringLiteral("enregistrerModifications"));
    QCOMPARE(questions.size(), 1);
    QCOMPARE(e.rangChoisi(), 0);
    QCOMPARE(e.v->selection(), un);
    QVERIFY(cliquer(questions.first(), QStringLiteral("Annuler")));
    QCOMPARE(e.v->selection(), un);
    QCOMPARE(e.rangChoisi(), 0);
    QCOMPARE(e.v->formulaire()->champPoids()->text(), QStringLiteral("4100"));
    QVERIFY(boites(e.v.get(), QStringLiteral("enregistrerModifications")).isEmpty());

    e.focusListe();
    e.touche(Qt::Key_Down);
    questions = boites(e.v.get(), QStringLiteral("enregistrerModifications"));
    QCOMPARE(questions.size(), 1);
    QVERIFY(cliquer(questions.first(), QStringLiteral("Enregistrer")));
    QVERIFY(boites(e.v.get(), QStringLiteral("enregistrerModifications")).isEmpty());
    QCOMPARE(un->bonsDePesee().size(), 1);
    QCOMPARE(e.v->selection(), deux);
    QCOMPARE(e.rangChoisi(), 1);
    QCOMPARE(e.v->formulaire()->champPoids()->text(), QString());
}

void TestClavier::ceQueLaListeMontre()
{
    // A new office: the list says what it lists and why it is empty.
    {
        Bureau b;
        Ecran e(b);
        QCOMPARE(e.v->modele()->rowCount(), 0);
        const QString textes = e.textesColonne();
        QVERIFY2(textes.contains(QStringLiteral("enlevée")), qPrintable(textes));
        QVERIFY2(textes.contains(QStringLiteral("Aucune location n'attend son enlèvement")), qPrintable(textes));
    }
    // Rentals up to today and beyond: how many wait for their removal.
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    b.location(c, std::nullopt);                 // on site, no removal date
    b.location(c, at(2026, 3, 10, 14, 1));       // removed in a minute
    b.location(c, at(2026, 4, 2, 8));            // next month
    QVERIFY(b.sauver());
    Ecran e(b);
    QCOMPARE(e.v->modele()->rowCount(), 0);
    QString textes = e.textesColonne();
    QVERIFY2(textes.contains(QStringLiteral("3 locations attendent leur enlèvement")), qPrintable(textes));

    b.location(c, at(2026, 3, 9, 8));
    auto* bientot = b.location(c, at(2026, 3, 12, 8));
    QVERIFY(b.sauver());
    fixtures::settle();
    QCOMPARE(e.v->modele()->rowCount(), 1);
    textes = e.textesColonne();
    QVERIFY2(textes.contains(QStringLiteral("4 locations attendent leur enlèvement")), qPrintable(textes));
    // A removal moved into the past: one fewer waits.
    bientot->setDateEnlevement(at(2026, 3, 10, 9));
    QVERIFY(b.sauver());
    fixtures::settle();
    QCOMPARE(e.v->modele()->rowCount(), 2);
    textes = e.textesColonne();
    QVERIFY2(textes.contains(QStringLiteral("3 locations attendent leur enlèvement")), qPrintable(textes));
}

void TestClavier::formulaireNommeSesLignes()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    b.bon(l, at(2026, 3, 9, 11, 5), 1250);
    b.bon(l, at(2026, 3, 9, 15, 40), 830);
    QVERIFY(b.sauver());
    Ecran e(b);
    e.cliquer(0);
    MiniBonDePeseeForm* f = e.v->formulaire();
    QVERIFY(f);

    // The weight's row is named, and its name leads to the field (Alt letter, assistive tools).
    QLabel* etiquette = nullptr;
    for (QLabel* lbl : f->findChildren<QLabel*>())
        if (lbl->isVisible() && lbl->text().remove(QLatin1Char('&')).startsWith(QStringLiteral("Poids net (kg)")))
            etiquette = lbl;
    QVERIFY(etiquette);
    QCOMPARE(etiquette->buddy(), f->champPoids());

    // The trash of the second row asks about that ticket by its date and weight, "Annuler" the default.
    const QList<QToolButton*> corbeilles = f->findChildren<QToolButton*>(QStringLiteral("supprimerBon"));
    QCOMPARE(corbeilles.size(), 2);
    QTest::mouseClick(corbeilles.at(1), Qt::LeftButton);
    QList<QMessageBox*> questions = boites(e.v.get(), QStringLiteral("confirmation"));
    QCOMPARE(questions.size(), 1);
    const QString ecrit = questions.first()->text() + QLatin1Char('\n') + questions.first()->informativeText();
    QVERIFY2(ecrit.contains(QStringLiteral("09/03/2026 11:05")), qPrintable(ecrit));
    QVERIFY2(ecrit.contains(QStringLiteral("1250 kg")), qPrintable(ecrit));
    QVERIFY2(!ecrit.contains(QStringLiteral("830")), qPrintable(ecrit));
    QCOMPARE(fixtures::shownText(questions.first()->defaultButton()), QStringLiteral("Annuler"));
    QTest::keyClick(questions.first(), Qt::Key_Return);
    fixtures::settle();
    QCOMPARE(l->bonsDePesee().size(), 2);
    QVERIFY(boites(e.v.get(), QStringLiteral("confirmation")).isEmpty());
}

void TestClavier::phrasesRepliees_data()
{
    QTest::addColumn<QSize>("taille");
    // The window's smallest size less the sidebar, and a 1366 x 768 screen at 150 %.
    QTest::newRow("smallest") << QSize(536, 400);
    QTest::newRow("1366 x 768 at 1.5") << QSize(687, 440);
}

void TestClavier::phrasesRepliees()
{
    QFETCH(QSize, taille);
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    b.bon(l, at(2026, 3, 9, 11, 5), 1250);
    b.bon(l, at(2026, 3, 9, 15, 40), 830);
    QVERIFY(b.sauver());
    Ecran e(b, taille);
    e.cliquer(0);
    MiniBonDePeseeForm* f = e.v->formulaire();
    QVERIFY(f);
    fixtures::settle();
    const QStringList phrases{QStringLiteral("Plusieurs bons signifient plusieurs rotations dans la journée")};
    for (const QString& phrase : phrases) {
        bool vue = false;
        for (auto* cut : f->findChildren<kv::ElidedLabel*>())
            QVERIFY2(cut->text() != phrase || !cut->isVisible(), qPrintable(phrase + QStringLiteral(" is cut with « … »")));
        for (QLabel* lbl : f->findChildren<QLabel*>()) {
            if (lbl->text() != phrase || !lbl->isVisible())
                continue;
            vue = true;
            const int largeur = lbl->fontMetrics().horizontalAdvance(phrase);
            const bool tient = largeur <= lbl->contentsRect().width() + 1;
            QVERIFY2(tient || lbl->wordWrap(), qPrintable(phrase + QStringLiteral(" is cut")));
            QVERIFY2(lbl->height() >= lbl->heightForWidth(lbl->width()) || !lbl->wordWrap(),
                     qPrintable(phrase + QStringLiteral(" is cut at its foot")));
            // Nothing of it lies outside the form's pane.
            const QRect place(lbl->mapTo(f, QPoint(0, 0)), lbl->size());
            QVERIFY2(place.right() <= f->width(), qPrintable(phrase + QStringLiteral(" goes past the form")));
        }
        QVERIFY2(vue, qPrintable(phrase + QStringLiteral(" is not shown")));
    }
    // The document's state: whole on the lines it wraps onto, each line within the tag and
    // every line within its height, the tag within the form.
    auto* etat = f->findChild<kv::EtiquetteRepliable*>(QStringLiteral("etatPiece"));
    QVERIFY(etat && etat->isVisible());
    QCOMPARE(etat->texte(), QStringLiteral("Sans document pour le moment"));
    const QStringList lignes = etat->lignes();
    QCOMPARE(lignes.join(QLatin1Char(' ')), etat->texte());
    const QFontMetrics fm(etat->font());
    for (const QString& ligne : lignes)
        QVERIFY2(fm.horizontalAdvance(ligne) < etat->width(), qPrintable(ligne));
    QVERIFY2(etat->height() >= int(lignes.size()) * fm.lineSpacing(),
             qPrintable(QStringLiteral("%1 lines in %2 px").arg(lignes.size()).arg(etat->height())));
    const QRect place(etat->mapTo(f, QPoint(0, 0)), etat->size());
    QVERIFY2(place.right() <= f->width(), "the document's state goes past the form");
    // The layout settled: the form's geometry no longer changes.
    const QRect avant = f->geometry();
    const QRect etatAvant = etat->geometry();
    fixtures::settle();
    QCOMPARE(f->geometry(), avant);
    QCOMPARE(etat->geometry(), etatAvant);
}

void TestClavier::lesBonsAuClavier()
{
    kv::installFocusStyle(qApp); // as the program does
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    for (int h : {8, 11, 15})
        b.bon(l, at(2026, 3, 9, h), 100 * h);
    QVERIFY(b.sauver());
    Ecran e(b);

    // Tab in reading order: the switch, the list under it, then the form beside it.
    e.cliquer(0);
    MiniBonDePeseeForm* f = e.v->formulaire();
    e.v->interrupteur()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(e.v->interrupteur(), Qt::Key_Tab);
    QVERIFY(e.liste()->hasFocus());
    const auto bouton = [f](const char* nom, int rang) { return f->findChildren<QAbstractButton*>(nom).at(rang); };
    QTest::keyClick(e.liste(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f->findChild<QAbstractButton*>("aideBon")); // the header's help
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), bouton("choisirBon", 0));

    // A row with the keyboard looks otherwise than without it; Return opens its ticket, and
    // presses « Nouveau bon » as Space does.
    const QImage sansFocus = bouton("choisirBon", 1)->grab().toImage();
    bouton("choisirBon", 1)->setFocus(Qt::TabFocusReason);
    QVERIFY2(bouton("choisirBon", 1)->grab().toImage() != sansFocus, "the ticket row shows no focus");
    QTest::keyClick(bouton("choisirBon", 1), Qt::Key_Return);
    QCOMPARE(f->bonCourant(), kv::bonsParDate(l).at(1));
    bouton("nouveauBon", 0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bouton("nouveauBon", 0), Qt::Key_Return);
    QVERIFY(!f->bonCourant());

    // Deleting by keys, the window back from its question: the keyboard stays on the rows, on
    // the one that took the deleted one's place, or the one before the last.
    for (int reste : {2, 1}) {
        bouton("supprimerBon", 1)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(bouton("supprimerBon", 1), Qt::Key_Return);
        QVERIFY(cliquer(boites(e.v.get(), QStringLiteral("confirmation")).value(0), QStringLiteral("Supprimer")));
        QCOMPARE(l->bonsDePesee().size(), reste);
        QApplication::setActiveWindow(e.v.get());
        QTRY_COMPARE(QApplication::focusWidget(), bouton("choisirBon", reste - 1));
    }
}

void TestClavier::longueListeParMorceaux()
{
    // More removed rentals than the list reads at first: it counts them all, its scroll bar
    // reaches the last one, and so do one End and the program.
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    for (int i = 0; i < 1002; ++i)
        b.location(c, at(2026, 3, 9, 10).addSecs(-60 * i));
    QVERIFY(b.sauver());
    Ecran e(b);
    const QList<LocationDeBenne*> locations = e.v->locationsFiltrees();
    QVERIFY2(e.textesColonne().contains(QStringLiteral("Locations dont la benne est enlevée : 1") + QLocale().groupSeparator()
                                        + QStringLiteral("002")),
             qPrintable(e.textesColonne()));
    QCOMPARE(e.v->modele()->rowCount(), 1002);
    QScrollBar* barre = e.v->liste()->verticalScrollBar();
    barre->setValue(barre->maximum());
    fixtures::settle();
    const QRect bas = e.v->liste()->viewport()->rect();
    QCOMPARE(e.v->liste()->indexAt(bas.bottomLeft() - QPoint(-4, 4)).row(), 1001);
    barre->setValue(0);
    e.v->setSelection(locations.at(300));
    fixtures::settle();
    QCOMPARE(e.rangChoisi(), 300);
    e.focusListe();
    e.touche(Qt::Key_End);
    QCOMPARE(e.rangChoisi(), 1001);
    QCOMPARE(e.v->selection(), locations.at(1001));
}
